#include "SimInstruments.h"

#include <algorithm>

using namespace Quorvane;

namespace simhost {

namespace {

FUnknown* identity(FUnknown* object)
{
    FUnknown* unknown = queryHost<FUnknown>(object);
    if (unknown)
        unknown->release(); // only the identity is kept
    return unknown;
}

} // namespace

SimInstrument::SimInstrument(HostContextRef host) : SimDevice(std::move(host), "Instrument", "")
{
    answer(IConnector::iid, static_cast<IConnector*>(this));
}

tresult SimInstrument::connect(FUnknown* channel)
{
    hostThreadOnly("IConnector::connect");
    const HostRef<IDevice> device = HostRef<IDevice>::adopt(queryHost<IDevice>(channel));
    FUnknown* id = identity(channel);
    if (!device || !id)
        return kResultFalse;
    std::lock_guard lock(m_connectionsMutex);
    if (std::find(m_connections.begin(), m_connections.end(), id) == m_connections.end())
        m_connections.push_back(id);
    return kResultOk;
}

bool SimInstrument::isConnectedTo(FUnknown* object)
{
    hostThreadOnly("IConnector::isConnectedTo");
    FUnknown* id = identity(object);
    std::lock_guard lock(m_connectionsMutex);
    return id && std::find(m_connections.begin(), m_connections.end(), id) != m_connections.end();
}

void SimInstrument::disconnect(FUnknown* channel)
{
    FUnknown* id = identity(channel);
    std::lock_guard lock(m_connectionsMutex);
    std::erase(m_connections, id);
}

void SimInstrument::setTitle(const std::u16string& title)
{
    std::lock_guard lock(m_connectionsMutex);
    m_title = title;
}

std::u16string SimInstrument::title()
{
    std::lock_guard lock(m_connectionsMutex);
    return m_title;
}

SimInstrument* makeInstrumentSlot(SimDevice* parent, const std::string& slotName, const std::u16string& name,
                                  SimDevice** slot)
{
    SimDevice* made = parent->makeSubDevice("InstrumentSlot", slotName);
    made->addValue("effectType", SimValueSetup::textValue(name));
    HostRef<SimInstrument> instrument =
        HostRef<SimInstrument>::adopt(makeHostObject<SimInstrument>(parent->registry().shared_from_this()));
    instrument->setTitle(name);
    made->addSubDevice(instrument.get());
    if (slot)
        *slot = made;
    return instrument.get();
}

SimInstrumentRack::SimInstrumentRack(HostContextRef host)
    : SimDevice(std::move(host), "InstrumentRack", "QPX Mixer"),
      m_rackInstruments(makeSubDevice("InstrumentList", "QPX Instruments")),
      m_projectInstruments(makeSubDevice("InstrumentList", "QPX Project Instruments"))
{
}

SimInstrument* SimInstrumentRack::addInstrument(const std::u16string& name)
{
    SimDevice* slot = nullptr;
    SimInstrument* instrument = makeInstrumentSlot(m_rackInstruments, asciiText8(name), name, &slot);
    m_projectInstruments->addSubDevice(slot);
    return instrument;
}

int SimInstrumentRack::numberOf(SimInstrument* instrument)
{
    const std::vector<SimDevice*> slots = m_rackInstruments->subDevices();
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const std::vector<SimDevice*> inside = slots[i]->subDevices();
        if (!inside.empty() && inside.front() == instrument)
            return static_cast<int>(i) + 1;
    }
    return 0;
}

void SimInstrumentRack::listProjectSlot(SimDevice* slot)
{
    const std::vector<SimDevice*> listed = m_projectInstruments->subDevices();
    if (std::find(listed.begin(), listed.end(), slot) == listed.end())
        m_projectInstruments->addSubDevice(slot);
}

void SimInstrumentRack::unlistProjectSlot(SimDevice* slot)
{
    m_projectInstruments->removeSubDevice(slot, false);
}

} // namespace simhost
