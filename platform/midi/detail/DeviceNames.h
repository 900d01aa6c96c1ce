#pragma once

#include "MidiPortNames.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kwmidi::detail {

// One client of the machine's MIDI system as a listing shows it.
struct SystemClient
{
    std::string
        key; // stays the same while the client lives: ALSA its client number as text, JACK a ClientInstances key
    std::string name; // the client name the system shows
};

// Device names for the clients of one MIDI system, so that two devices of one name stay two and a device
// keeps its name when it is switched off and on. Used by one engine under its own lock.
class DeviceNames
{
public:
    explicit DeviceNames(PortNaming naming);

    // The device name of each present client, in the same order. A client's base name is its name; on JACK
    // "X-<digits>" is X when the server added the digits, i.e. the client was first seen while a client named
    // X was present (or had been at the last update). Of the present clients of one base name, in the order
    // they were first seen, the first is named the base name and the k-th "<base> (k)" (the next free number
    // where a client of another base already has that name). Clients not present are forgotten.
    std::vector<std::string> update(const std::vector<SystemClient>& present);

    // The base name a client of this name has when first seen while the given names are present.
    static std::string baseName(const std::string& name, PortNaming naming, const std::set<std::string>& present);

    // What the last update knew of a present client: its base name, and when it was first seen on this
    // object's count (later clients have larger counts). An unknown key has an empty base and count 0.
    struct Seen
    {
        std::string base;
        std::uint64_t appeared = 0;
    };
    Seen seen(const std::string& key) const;
    // The count of the client seen last: a client that appears after this call has a larger one.
    std::uint64_t lastSeen() const { return m_serial; }

private:
    struct Known
    {
        std::string name;
        std::string base;
        std::uint64_t firstSeen = 0;
    };

    const PortNaming m_naming;
    std::map<std::string, Known> m_known; // by key: the clients present at the last update
    std::set<std::string> m_lastNames;
    std::uint64_t m_serial = 0;
};

// JACK names a client after its program alone, so a client that goes and another of its name that comes can
// fall between two listings; PipeWire's JACK even lists a client's ports for a moment after telling that they
// went. The keys given here tell the two apart by their ports: a client none of whose ports its name had at
// the last listing is another client. Used by one engine under its own lock.
class ClientInstances
{
public:
    // The key of each client name of a listing (given with the full names of its ports), for DeviceNames.
    std::map<std::string, std::string> update(const std::map<std::string, std::set<std::string>>& portsByClient);

private:
    struct Instance
    {
        std::set<std::string> ports;
        unsigned number = 0;
    };
    std::map<std::string, Instance> m_last; // by client name: what the last listing showed
};

// An endpoint as a link that lost its own weighs it (see "How a link follows its endpoint" in MidiSystem.h).
struct FollowCandidate
{
    std::string base; // its device's own name: the listing's " (k)" left out
    std::string endpointName;
    std::uint64_t appeared = 0; // when its device (ALSA: the port) was first seen, on the engine's count
    bool lastPeer = false;      // the very endpoint the link was connected to, still there: only the connection went
};

// The candidate a link takes after it lost its endpoint at the count lostAt: the endpoint it had, if only the
// connection went; else the first to appear after the loss of the link's device and endpoint names. -1: none,
// the link waits.
int followAfterLoss(const std::string& base, const std::string& endpointName, std::uint64_t lostAt,
                    const std::vector<FollowCandidate>& candidates);

} // namespace kwmidi::detail
