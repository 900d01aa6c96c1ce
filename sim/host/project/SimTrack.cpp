#include "SimTrack.h"

#include "SimChannelStrip.h"
#include "SimUpdateHandler.h"

#include <cstring>

using namespace Quorvane;

namespace simhost {

namespace {

const char* channelType(TrackKind kind)
{
    switch (kind) {
    case TrackKind::Audio:
        return ChannelType::kAudio;
    case TrackKind::Midi:
        return ChannelType::kMidi;
    case TrackKind::Instrument:
        return ChannelType::kInstrument;
    case TrackKind::Folder:
        break;
    }
    return nullptr;
}

} // namespace

SimTrack::SimTrack(HostContextRef host, TrackKind kind, const std::u16string& name, SimInstrumentRack* rack)
    : HostObject(std::move(host), "Track"), m_kind(kind),
      m_automation(makeHostObject<SimAutomation>(registry().shared_from_this())),
      m_rack(HostRef<SimInstrumentRack>::share(rack))
{
    alsoAnswer<ITrack>();
    if (kind == TrackKind::Folder)
        m_children = makeHostObject<SimObjectList>(registry().shared_from_this());
    else
        m_channel = makeChannelStrip(registry(), channelType(kind), name);
}

SimTrack::~SimTrack()
{
    if (m_children)
        m_children->release();
    if (m_channel)
        m_channel->release();
    m_automation->release();
}

IObjectList* SimTrack::getChildren()
{
    hostThreadOnly("IProjectObject::getChildren");
    return m_children;
}

bool SimTrack::isKindOf(const char* kind)
{
    hostThreadOnly("IProjectObject::isKindOf");
    return kind && std::strcmp(kind, "track") == 0;
}

bool SimTrack::isSelected()
{
    hostThreadOnly("IProjectObject::isSelected");
    ++m_selectionQueries;
    return m_selected;
}

IDevice* SimTrack::getDevice()
{
    hostThreadOnly("ITrack::getDevice");
    return m_channel;
}

IAutomation* SimTrack::getAutomation()
{
    hostThreadOnly("ITrack2::getAutomation");
    return m_automation;
}

tresult SimTrack::isReadyForRemote()
{
    hostThreadOnly("ITrack2::isReadyForRemote");
    return m_readyForRemote ? kResultOk : kResultFalse;
}

SimInstrument* SimTrack::setInstrument(const std::u16string& name)
{
    if (!m_channel)
        return nullptr;
    SimInstrument* instrument = nullptr;
    if (m_slot) {
        for (SimDevice* old : m_slot->subDevices())
            m_slot->removeSubDevice(old, true);
        m_slot->value("effectType")->hostSetText(name);
        HostRef<SimInstrument> made =
            HostRef<SimInstrument>::adopt(makeHostObject<SimInstrument>(registry().shared_from_this()));
        made->setTitle(name);
        m_slot->addSubDevice(made.get());
        instrument = made.get();
        if (HostRef<SimUpdateHandler> updates = SimUpdateHandler::of(registry()))
            updates->triggerUpdates(m_slot->unknown(), IDependent::kChanged);
    } else {
        instrument = makeInstrumentSlot(m_channel, "Slot", name, &m_slot);
    }
    instrument->connect(m_channel->unknown());
    if (m_rack)
        m_rack->listProjectSlot(m_slot);
    return instrument;
}

void SimTrack::routeTo(SimInstrument* instrument)
{
    if (m_kind != TrackKind::Midi)
        return;
    if (m_routed)
        m_routed->disconnect(m_channel->unknown());
    m_routed = HostRef<SimInstrument>::share(instrument);
    std::u16string output = kNotConnected;
    if (instrument) {
        instrument->connect(m_channel->unknown());
        const int number = m_rack ? m_rack->numberOf(instrument) : 0;
        output = asciiText16(std::to_string(number) + " - ") + instrument->title();
    }
    m_channel->value("output")->hostSetText(output);
}

void SimTrack::hostRemoved()
{
    if (m_rack && m_slot)
        m_rack->unlistProjectSlot(m_slot);
    if (m_routed)
        m_routed->disconnect(m_channel->unknown());
    if (m_channel)
        m_channel->hostRemoved();
    m_automation->hostRemoved();
    if (HostRef<SimUpdateHandler> updates = SimUpdateHandler::of(registry()))
        updates->objectRemoved(unknown());
}

} // namespace simhost
