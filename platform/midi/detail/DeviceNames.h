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
        key; // stays the same while the client lives: ALSA its client number as text, JACK the name the server gave it
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

} // namespace kwmidi::detail
