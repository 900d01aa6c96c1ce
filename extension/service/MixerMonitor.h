#pragma once

#include "FRef.h"
#include "HostInterfaces.h"

// Finds the host's "Mixer" device and its "selected" value (the index of the selected mixer channel),
// resolves the selected channel, and registers or removes the service as a dependent of these objects
// so that the host reports their changes to the service. It holds a reference to every host object it
// keeps, so an object the host deletes meanwhile stays valid until it is let go here. Host thread.
class MixerMonitor
{
public:
    MixerMonitor() = default;
    virtual ~MixerMonitor();
    MixerMonitor(const MixerMonitor&) = delete;
    MixerMonitor& operator=(const MixerMonitor&) = delete;

    // Keeps the observer and the host's classes, the "Mixer" device and its "selected" value; true when
    // both were found. Nothing when either argument is null.
    bool setData(Quorvane::IDependent* observer, Quorvane::IHostClasses* hostClasses);
    // Moves to the channel the mixer's selection names now (the observer leaves the old channel's
    // "selected" value); true when channel and value exist.
    bool update();
    // The mixer's sub-device at the selected index, or null.
    Quorvane::IDevice* getCurrentSelectedTrack();
    // Whether the device is one of the mixer's channels (by identity).
    bool doesTrackExist(Quorvane::IDevice* device);

    // Registers or removes the observer as a dependent of object; false when something is missing or
    // the host refuses.
    bool addDependent(Quorvane::FUnknown* object);
    bool removeDependent(Quorvane::FUnknown* object);
    bool addDependencyToMixer();
    bool addDependencyToTrackSelection();
    bool addDependencyToTrackSelectionOfSelectedTrack();
    bool removeDependencyFromMixer();
    bool removeDependencyFromTrackSelection();
    bool removeDependencyFromTrackSelectionOfSelectedTrack();

    void initializeMixer();
    void initializeTrackSelection();
    void initializeSelectedTrack();
    // Removes every dependency and forgets everything, the host's classes included.
    void initializeAll();

    bool isMixerValid() const { return static_cast<bool>(m_mixer); }
    Quorvane::IDevice* getMixer() const { return m_mixer.get(); }
    bool isMixer(const Quorvane::IDevice* device) const { return device && device == m_mixer.get(); }
    Quorvane::IDevice* getSelectedTrack() const { return m_selectedChannel.get(); }
    Quorvane::IValue* getTrackSelection() const { return m_mixerSelection.get(); }
    Quorvane::IValue* getSelectionOfSelectedTrack() const { return m_channelSelection.get(); }

private:
    bool changeDependency(Quorvane::FUnknown* object, bool add);

    // Kept with a reference: the service that owns this monitor may let the host's classes go first.
    Quorvane::FRef<Quorvane::IHostClasses> m_hostClasses;
    Quorvane::IDependent* m_observer = nullptr; // the service itself
    Quorvane::FRef<Quorvane::IDevice> m_mixer;
    Quorvane::FRef<Quorvane::IValue> m_mixerSelection;
    Quorvane::FRef<Quorvane::IDevice> m_selectedChannel;
    Quorvane::FRef<Quorvane::IValue> m_channelSelection;
};

// Finds the host's "Mixer" device in its device list; not referenced, null when there is none.
Quorvane::IDevice* findMixerDevice(Quorvane::IHostClasses* hostClasses);
