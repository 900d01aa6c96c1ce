#include "MixerMonitor.h"

#include "SelectionSearch.h"

using namespace Quorvane;

namespace {

const char* const kMixerDeviceName = "Mixer";
const char* const kSelectedValueName = "selected";

} // namespace

IDevice* findMixerDevice(IHostClasses* hostClasses)
{
    FRef<IDeviceList> devices = createRef<IDeviceList>(hostClasses);
    return devices ? devices->findDevice(kMixerDeviceName) : nullptr;
}

MixerMonitor::~MixerMonitor()
{
    initializeAll();
}

bool MixerMonitor::setData(IDependent* observer, IHostClasses* hostClasses)
{
    if (!observer || !hostClasses)
        return false;
    m_observer = observer;
    m_hostClasses = FRef<IHostClasses>::share(hostClasses);
    m_mixer = FRef<IDevice>::share(findMixerDevice(hostClasses));
    if (m_mixer)
        m_mixerSelection = FRef<IValue>::adopt(m_mixer->getValue(kSelectedValueName));
    return m_mixer && m_mixerSelection;
}

bool MixerMonitor::update()
{
    removeDependencyFromTrackSelectionOfSelectedTrack();
    initializeSelectedTrack();
    m_selectedChannel = FRef<IDevice>::share(getCurrentSelectedTrack());
    if (m_selectedChannel)
        m_channelSelection = FRef<IValue>::adopt(m_selectedChannel->getValue(kSelectedValueName));
    return m_selectedChannel && m_channelSelection;
}

IDevice* MixerMonitor::getCurrentSelectedTrack()
{
    return selectedSubDevice(m_mixer.get(), m_mixerSelection.get());
}

bool MixerMonitor::doesTrackExist(IDevice* device)
{
    if (!device || !m_mixer)
        return false;
    const int32 count = m_mixer->countSubDevices();
    for (int32 i = 0; i < count; ++i)
        if (m_mixer->getSubDevice(i) == device)
            return true;
    return false;
}

bool MixerMonitor::addDependent(FUnknown* object)
{
    return changeDependency(object, true);
}

bool MixerMonitor::removeDependent(FUnknown* object)
{
    return changeDependency(object, false);
}

bool MixerMonitor::changeDependency(FUnknown* object, bool add)
{
    if (!object || !m_observer)
        return false;
    FRef<IUpdateHandler> updates = createRef<IUpdateHandler>(m_hostClasses.get());
    if (!updates)
        return false;
    return (add ? updates->addDependent(object, m_observer) : updates->removeDependent(object, m_observer)) ==
           kResultOk;
}

bool MixerMonitor::addDependencyToMixer()
{
    return addDependent(m_mixer.get());
}

bool MixerMonitor::addDependencyToTrackSelection()
{
    return addDependent(m_mixerSelection.get());
}

bool MixerMonitor::addDependencyToTrackSelectionOfSelectedTrack()
{
    return addDependent(m_channelSelection.get());
}

bool MixerMonitor::removeDependencyFromMixer()
{
    return removeDependent(m_mixer.get());
}

bool MixerMonitor::removeDependencyFromTrackSelection()
{
    return removeDependent(m_mixerSelection.get());
}

bool MixerMonitor::removeDependencyFromTrackSelectionOfSelectedTrack()
{
    return removeDependent(m_channelSelection.get());
}

void MixerMonitor::initializeMixer()
{
    m_mixer.reset();
}

void MixerMonitor::initializeTrackSelection()
{
    m_mixerSelection.reset();
}

void MixerMonitor::initializeSelectedTrack()
{
    m_selectedChannel.reset();
    m_channelSelection.reset();
}

void MixerMonitor::initializeAll()
{
    removeDependencyFromTrackSelectionOfSelectedTrack();
    initializeSelectedTrack();
    removeDependencyFromTrackSelection();
    initializeTrackSelection();
    removeDependencyFromMixer();
    initializeMixer();
    m_observer = nullptr;
    m_hostClasses.reset();
}
