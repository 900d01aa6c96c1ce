#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"
#include "SimInstruments.h"
#include "SimMixer.h"
#include "SimObjectList.h"
#include "SimTrack.h"

#include <atomic>
#include <string>
#include <vector>

namespace simhost {

// A project: asked for IProjectObject it is the root of its track tree (tracks, folders and their
// children). Its tracks' channels are listed in the host's mixer; selecting a track selects its
// channel there too, and deleting a track really deletes it once nobody else holds it. Host thread.
class SimProject : public HostObject<Quorvane::IProject, Quorvane::IProjectObject>
{
public:
    // rack (may be null) lists the project's instruments.
    SimProject(HostContextRef host, std::u16string name, SimMixer* mixer, SimInstrumentRack* rack = nullptr);
    ~SimProject() override;

    bool usesMixerSelection() override;
    Quorvane::IObjectList* getChildren() override;
    bool isKindOf(const char* kind) override;
    bool isSelected() override { return false; }

    // Host side.
    // A new track at the end of the folder's children (or of the project's); kept by its parent.
    SimTrack* addTrack(TrackKind kind, const std::u16string& name, SimTrack* folder = nullptr);
    // Deletes the track (a folder with its children): off the tree and the mixer, its dependents told,
    // and freed unless someone still holds it.
    void removeTrack(SimTrack* track);
    // Selects this track alone (null: none), and its channel in the mixer.
    void select(SimTrack* track);
    // Selects this lane of the track alone (the track itself not), and the track's channel in the mixer.
    void selectLane(SimTrack* track, SimAutomationLane* lane);
    void setUsesMixerSelection(bool uses) { m_usesMixerSelection = uses; }
    // Every track, depth first.
    std::vector<SimTrack*> tracks();
    SimMixer* mixer() { return m_mixer; }
    const std::u16string& name() const { return m_name; }
    // The host is done with the project: every track is deleted.
    void close();

private:
    void clearSelection();
    SimObjectList* parentList(SimTrack* track);

    const std::u16string m_name;
    SimMixer* m_mixer;         // kept
    HostRef<SimInstrumentRack> m_rack;
    SimObjectList* m_children; // kept
    std::atomic<bool> m_usesMixerSelection{false};
};

} // namespace simhost
