#include "ZSelectedNotification.h"

#include "MixerMonitor.h"

using namespace Quorvane;

ZSelectedNotification::~ZSelectedNotification() = default;

void ZSelectedNotification::setHostClasses(IHostClasses* hostClasses)
{
    m_hostClasses = FRef<IHostClasses>::share(hostClasses);
}

void ZSelectedNotification::initializeSelectedObjects()
{
    m_selectedTrack.reset();
    m_selectedDevice.reset();
    m_trackPath.clear();
}

bool ZSelectedNotification::deactivateSelectedObjects()
{
    bool existed = false;
    if (const FRef<IDevice> device = std::move(m_selectedDevice)) {
        notifySelectedDeviceDeactivated(device.get());
        existed = true;
    }
    if (const FRef<ITrack2> track = std::move(m_selectedTrack)) {
        notifySelectedTrackDeactivated(track.get());
        existed = true;
    }
    return existed;
}

void ZSelectedNotification::checkSelectChangeOnIdle()
{
    if (!m_hostClasses)
        return;
    if (!m_selectedTrack) {
        updateSelectedProjectObject();
        return;
    }
    bool unchanged = false;
    if (FRef<IProjectInformation> projects = createRef<IProjectInformation>(m_hostClasses.get())) {
        if (IProjectObject* object = traceSubProjectObject(projects->getActiveProject(), &m_trackPath)) {
            const FRef<ITrack2> track = queryRef<ITrack2>(object);
            unchanged = track && track.get() == m_selectedTrack.get() &&
                        (object->isSelected() || isAutomationSelected(track->getAutomation()));
        }
    }
    if (!unchanged)
        updateSelectedProjectObject();
}

bool ZSelectedNotification::updateSelectedProjectObject()
{
    FRef<ITrack2> newTrack;
    FRef<IDevice> newDevice;
    FRef<IProjectInformation> projects = createRef<IProjectInformation>(m_hostClasses.get());
    if (projects) {
        IProject* project = projects->getActiveProject();
        if (!project)
            return false;
        m_trackPath.clear();
        if (!project->usesMixerSelection())
            newTrack = FRef<ITrack2>::share(searchSelectedTrack(project, &m_trackPath));
        if (newTrack)
            newDevice = FRef<IDevice>::share(newTrack->getDevice());
        else
            newDevice = FRef<IDevice>::share(searchSelectedDevice(findMixerDevice(m_hostClasses.get())));
    }
    return notifyChanges(newTrack, newDevice);
}

bool ZSelectedNotification::notifyChanges(const FRef<ITrack2>& newTrack, const FRef<IDevice>& newDevice)
{
    // Copies keep the old objects alive through the notifications, whatever the host did to them.
    const FRef<ITrack2> oldTrack = m_selectedTrack;
    const FRef<IDevice> oldDevice = m_selectedDevice;
    bool changed = false;
    if (oldDevice && oldDevice.get() != newDevice.get()) {
        notifySelectedDeviceDeactivated(oldDevice.get());
        m_selectedDevice.reset();
        changed = true;
    }
    if (oldTrack && oldTrack.get() != newTrack.get()) {
        notifySelectedTrackDeactivated(oldTrack.get());
        m_selectedTrack.reset();
        changed = true;
    }
    if (newTrack && newTrack.get() != oldTrack.get()) {
        notifySelectedTrackActivated(newTrack.get());
        m_selectedTrack = newTrack;
        changed = true;
    }
    if (newDevice && newDevice.get() != oldDevice.get()) {
        notifySelectedDeviceActivated(newDevice.get());
        m_selectedDevice = newDevice;
        changed = true;
    }
    return changed;
}

void ZSelectedNotification::update(FUnknown* changed, int32 message)
{
    if (!m_hostClasses || message != IDependent::kChanged || !isMixerObject(changed))
        return;
    updateSelectedProjectObject();
}

bool ZSelectedNotification::isMixerObject(FUnknown* changed)
{
    IDevice* mixer = findMixerDevice(m_hostClasses.get());
    if (!changed || !mixer)
        return false;
    if (const FRef<IDevice> device = queryRef<IDevice>(changed))
        return device.get() == mixer;
    const FRef<IValue> value = queryRef<IValue>(changed);
    const FRef<IValue> selection = FRef<IValue>::adopt(mixer->getValue("selected"));
    return value && value.get() == selection.get();
}
