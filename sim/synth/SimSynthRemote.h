#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The synthesizer's side of the DAW extension's protocol on its port 2: the message framing, the panel's
// controls as MIDI, and what the synthesizer shows of what the extension sends. Written from the
// protocol's message tables, independently of the extension's own encoder.
namespace zelksim {

inline constexpr std::uint8_t kRemoteHeaderToSynth[7] = {0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01};
inline constexpr std::uint8_t kRemoteHeaderFromSynth[7] = {0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01};

// Knobs of the remote protocol: 12 assignable knobs, then 12 EQ knobs.
inline constexpr int kRemoteKnobCount = 24;
inline constexpr int kCommandButtonCount = 6;
// Relative control changes carry at most this many steps.
inline constexpr int kMaxTurnSteps = 63;

// Control-change numbers of the turning controls.
inline constexpr int kAssignableKnobCC = 16; // knob 0; knob k is 16 + k
inline constexpr int kEQKnobCC = 28;         // EQ knob 0 (knob 12); knob 12 + k is 28 + k
inline constexpr int kDataDialCC = 60;

// The note number of a panel button by its lower-case name ("play", "sf1", "f3", "sfbank2", ...).
std::optional<int> buttonNote(std::string_view name);

// What the synthesizer shows while the extension drives it.
struct RemoteDisplay
{
    bool extensionRunning = false; // the extension said it runs (56 01)
    bool remoteMode = false;
    // The instrument the current template is made for; while the extension names one (50 00) that no
    // template is made for, that one, until the template changes or a track is shown without one.
    std::string instrument;
    std::string track;                                    // 60 00
    std::string page;                                     // 62 00
    int programChangeMode = -1;                           // 63 00; -1 until told
    std::array<std::string, kRemoteKnobCount> knobNames;  // 3n 09
    std::array<std::string, kRemoteKnobCount> knobValues; // 3n 21
    std::array<std::string, kCommandButtonCount> buttons; // 61
    int messagesTaken = 0;

    // Several lines: mode, names, page, buttons and every knob that shows something.
    std::string describe() const;
};

} // namespace zelksim
