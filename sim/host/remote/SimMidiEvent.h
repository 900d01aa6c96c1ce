#pragma once

#include <cstdint>
#include <vector>

namespace simhost {

// The host's record of one MIDI event, handed to a device's doMidiEvent as an opaque pointer: a whole
// system-exclusive message (F0 .. F7) or one channel message.
struct SimMidiEvent
{
    std::vector<std::uint8_t> bytes;

    bool isSysEx() const { return !bytes.empty() && bytes.front() == 0xF0; }
};

} // namespace simhost
