#pragma once

#include "QuorvaneTypes.h"

namespace Quorvane::detail {

// The name the C library's converter knows an encoding by; null for one it does not know.
const char* iconvName(uint32 encoding);

// Converts inBytes bytes from one encoding to another. What the source cannot hold or the target cannot
// take becomes the loss character: a space towards 16-bit text, '?' towards 8-bit text. With a target,
// writes at most outCapacity bytes and stops before a character that does not fit; without one, only
// counts. Returns the bytes produced, or -1 when the converter cannot be set up.
int64 convertText(uint32 fromEncoding, uint32 toEncoding, const char* in, std::size_t inBytes, char* out,
                  std::size_t outCapacity);

} // namespace Quorvane::detail
