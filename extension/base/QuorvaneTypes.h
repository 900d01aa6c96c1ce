#pragma once

#include <cstddef>
#include <cstdint>

// Fixed-width types, result codes and export marks shared by the extension and the host interfaces.
namespace Quorvane {

using int8 = std::int8_t;
using uint8 = std::uint8_t;
using int16 = std::int16_t;
using uint16 = std::uint16_t;
using int32 = std::int32_t;
using uint32 = std::uint32_t;
using int64 = std::int64_t;
using uint64 = std::uint64_t;

using char8 = char;      // 8-bit text unit
using char16 = char16_t; // 16-bit text unit (UTF-16, host byte order)
using tchar = char16;    // the library's native text unit

using tresult = int32;

// Results of every call that crosses between the extension and the host.
enum : tresult
{
    kResultOk = 0,
    kResultTrue = kResultOk,
    kResultFalse = 1,
    kNotAvailable = 1,
    kInvalidArgument = 2,
    kNoInterface = -1,
    kResultFailed = -1,
};

// 16 bytes of a class or interface identifier, in storage order.
using TUID = char[16];

} // namespace Quorvane

// Marks the few functions the bundle exports to the host; everything else stays hidden.
#define QUORVANE_EXPORT __attribute__((visibility("default")))
