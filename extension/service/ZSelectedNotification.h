#pragma once

#include "FRef.h"
#include "HostInterfaces.h"
#include "SelectionSearch.h"

// A base of the service that follows the host's selection: it remembers the selected track and the
// selected device, finds them in the project's track tree (or, failing that, in the mixer), checks on
// every idle whether the remembered track is still selected, and reports each change through four
// notifications, in the order device off, track off, track on, device on. What it remembers it holds
// with a reference, so a track the host deletes meanwhile is still valid when it is reported off.
// Host thread.
class ZSelectedNotification
{
public:
    ZSelectedNotification() = default;
    virtual ~ZSelectedNotification();
    ZSelectedNotification(const ZSelectedNotification&) = delete;
    ZSelectedNotification& operator=(const ZSelectedNotification&) = delete;

    // Overridden by the service; each object passed stays valid for the call.
    virtual void notifySelectedDeviceDeactivated(Quorvane::IDevice*) {}
    virtual void notifySelectedTrackDeactivated(Quorvane::ITrack*) {}
    virtual void notifySelectedTrackActivated(Quorvane::ITrack*) {}
    virtual void notifySelectedDeviceActivated(Quorvane::IDevice*) {}

    // The host's classes, kept with a reference (null lets them go).
    void setHostClasses(Quorvane::IHostClasses* hostClasses);
    Quorvane::IHostClasses* getHostClasses() const { return m_hostClasses.get(); }
    Quorvane::ITrack2* getSelectedTrack() const { return m_selectedTrack.get(); }
    Quorvane::IDevice* getSelectedDevice() const { return m_selectedDevice.get(); }
    const TrackPath& getTrackPath() const { return m_trackPath; }

    // Forgets the selected track and device without notifying.
    void initializeSelectedObjects();
    // Reports the remembered device and then the track off and forgets them; whether either existed.
    bool deactivateSelectedObjects();
    // The idle check: a walk down the remembered path while the remembered track stays selected there,
    // otherwise a full search.
    void checkSelectChangeOnIdle();
    // Searches the selection anew and reports what changed; whether anything did.
    bool updateSelectedProjectObject();
    // A change of the mixer's "selected" value or of the "Mixer" device (message 1) searches anew.
    void update(Quorvane::FUnknown* changed, Quorvane::int32 message);

private:
    bool isMixerObject(Quorvane::FUnknown* changed);
    bool notifyChanges(const Quorvane::FRef<Quorvane::ITrack2>& newTrack,
                       const Quorvane::FRef<Quorvane::IDevice>& newDevice);

    Quorvane::FRef<Quorvane::ITrack2> m_selectedTrack;
    Quorvane::FRef<Quorvane::IDevice> m_selectedDevice;
    Quorvane::FRef<Quorvane::IHostClasses> m_hostClasses;
    TrackPath m_trackPath;
};
