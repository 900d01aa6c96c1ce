#pragma once

namespace Quorvane {

// The value of one hex digit in either case, or -1 for any other character (identifiers and the
// synthesizer's parameter records both spell numbers this way).
constexpr int hexDigitValue(int c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace Quorvane
