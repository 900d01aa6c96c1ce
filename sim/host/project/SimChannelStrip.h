#pragma once

#include "SimDevice.h"

#include <string>

namespace simhost {

// Channel type names of the host's mixer channels.
namespace ChannelType {
inline constexpr const char* kAudio = "AudioChannel";
inline constexpr const char* kMidi = "MidiChannel";
inline constexpr const char* kInstrument = "Synth";
inline constexpr const char* kInput = "InputChannel";
inline constexpr const char* kOutput = "OutputChannel";
inline constexpr const char* kFx = "FxChannel";
inline constexpr const char* kGroup = "GroupChannel";
} // namespace ChannelType

// What a MIDI channel's "output" shows while it reaches no instrument.
inline constexpr const char16_t* kNotConnected = u"Not Connected";

// Makes a mixer channel as the host builds one: the values "name", "volume" and "selected"; a MIDI
// channel's own "pan" and its "output" (the instrument it plays, as "<rack number> - <name>"); every other channel's "Panner" (panX, panX2, stereoPanType) and "EQ" (four
// bands: band<n>:on, :type, :gain, :freq, :q); and "Quick Controls" (QuickControl1..8,
// QDestination1..8). The caller holds the one reference.
SimDevice* makeChannelStrip(HostRegistry& registry, const std::string& typeName, const std::u16string& name);

} // namespace simhost
