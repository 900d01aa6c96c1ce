#pragma once

#include "TMIDIPortAccessor.h"

#include "MidiSystem.h"

#include <optional>
#include <vector>

// The port directory over the machine's MIDI system (or the in-process one the environment selects).
// Holds a reference to the process-wide MIDI client for as long as it lives. GUI thread only.
class TSystemMIDIPortAccessor : public TUniMIDIPortAccessor
{
public:
    explicit TSystemMIDIPortAccessor(kwmidi::ClientRef client = kwmidi::Client::acquire());
    ~TSystemMIDIPortAccessor() override;

    // Takes a fresh look at the system's endpoints of the direction and counts them.
    int getNumPorts(int dir) override;
    // Names an endpoint of the last look, so that counting and naming agree while ports come and go.
    QString identifierForIndex(int dir, int index) override;

    const kwmidi::ClientRef& client() const { return m_client; }

    // The endpoints of a direction as a directory last listed them over this client, which the port
    // numbers handed out since refer to; none while no directory has listed them over it.
    static std::optional<std::vector<kwmidi::EndpointInfo>> lastListing(const kwmidi::ClientRef& client, int dir);

private:
    void list(int dir);

    kwmidi::ClientRef m_client;
    std::vector<kwmidi::EndpointInfo> m_endpoints[2];
    bool m_listed[2] = {false, false};
};
