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

SimTrack::SimTrack(HostContextRef host, TrackKind kind, const std::u16string& name)
    : HostObject(std::move(host), "Track"), m_kind(kind),
      m_automation(makeHostObject<SimAutomation>(registry().shared_from_this()))
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

SimDevice* SimTrack::setInstrument(const std::u16string& name)
{
    if (!m_channel)
        return nullptr;
    SimDevice* slot = nullptr;
    for (SimDevice* device : m_channel->subDevices())
        if (device->name() == "Slot")
            slot = device;
    if (slot) {
        for (SimDevice* old : slot->subDevices())
            slot->removeSubDevice(old, true);
        slot->value("effectType")->hostSetText(name);
    } else {
        slot = m_channel->makeSubDevice("InstrumentSlot", "Slot");
        slot->addValue("effectType", SimValueSetup::textValue(name));
    }
    return slot->makeSubDevice("Instrument", "");
}

void SimTrack::hostRemoved()
{
    if (m_channel)
        m_channel->hostRemoved();
    m_automation->hostRemoved();
    if (HostRef<SimUpdateHandler> updates = SimUpdateHandler::of(registry()))
        updates->objectRemoved(unknown());
}

} // namespace simhost
