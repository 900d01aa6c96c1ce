#pragma once

#include <cstdint>

// Results of the MIDI layer's operations: 0 for success, kMidiFailure for failure.
using HRESULT = std::int32_t;
inline constexpr HRESULT kMidiSuccess = 0;
inline constexpr HRESULT kMidiFailure = static_cast<HRESULT>(0x80000008u);
