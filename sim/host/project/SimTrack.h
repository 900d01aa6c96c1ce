#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"
#include "SimAutomation.h"
#include "SimDevice.h"
#include "SimInstruments.h"
#include "SimObjectList.h"

#include <atomic>
#include <string>

namespace simhost {

enum class TrackKind
{
    Audio,
    Midi,
    Instrument,
    Folder,
};

// A track of a project: a project object of the kind "track" with its automation and, unless it is a
// folder, its mixer channel; a folder has child tracks instead. An instrument track holds its
// instrument in the channel's "Slot" device (listed among the rack's project instruments too); a MIDI
// track plays a rack instrument through its channel's "output". It keeps its channel, automation and
// children. Host thread.
class SimTrack : public HostObject<Quorvane::IProjectObject, Quorvane::ITrack2>
{
public:
    // rack (may be null) lists the track's instrument slot.
    SimTrack(HostContextRef host, TrackKind kind, const std::u16string& name, SimInstrumentRack* rack = nullptr);
    ~SimTrack() override;

    // Null unless the track is a folder.
    Quorvane::IObjectList* getChildren() override;
    bool isKindOf(const char* kind) override;
    bool isSelected() override;
    Quorvane::IDevice* getDevice() override;
    Quorvane::IAutomation* getAutomation() override;
    tresult isReadyForRemote() override;

    // Host side.
    TrackKind kind() const { return m_kind; }
    SimDevice* channel() { return m_channel; }
    SimAutomation* automation() { return m_automation; }
    SimObjectList* children() { return m_children; }
    void setSelected(bool selected) { m_selected = selected; }
    bool selectedFlag() const { return m_selected; }
    // How often the extension asked whether the track is selected.
    int selectionQueries() const { return m_selectionQueries; }
    void setReadyForRemote(bool ready) { m_readyForRemote = ready; }
    // Puts an instrument named name into the channel's "Slot" (made when missing; its "effectType"
    // value shows the name): the instrument device, with an empty name, connected to the channel, to
    // give parameters and parts. A slot that held another instrument tells its dependents it changed.
    SimInstrument* setInstrument(const std::u16string& name);
    // A MIDI track plays the rack instrument (null: none); its "output" shows "<number> - <name>" and
    // tells its dependents.
    void routeTo(SimInstrument* instrument);
    // The host is done with the track: the dependents of its channel, automation and itself are told.
    void hostRemoved();

private:
    const TrackKind m_kind;
    SimDevice* m_channel = nullptr;      // kept; null for a folder
    SimAutomation* m_automation;         // kept
    SimObjectList* m_children = nullptr; // kept; folders only
    HostRef<SimInstrumentRack> m_rack;
    HostRef<SimInstrument> m_routed; // the instrument a MIDI track plays
    SimDevice* m_slot = nullptr;     // the channel's, once made
    std::atomic<bool> m_selected{false};
    std::atomic<int> m_selectionQueries{0};
    std::atomic<bool> m_readyForRemote{true};
};

} // namespace simhost
