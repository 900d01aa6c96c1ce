#include "FUnknown.h"

#include "HexDigit.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <sys/random.h>

namespace Quorvane {

int32 FUnknown::atomicAdd(int32& counter, int32 delta)
{
    return std::atomic_ref<int32>(counter).fetch_add(delta, std::memory_order_seq_cst) + delta;
}

namespace {

// Reads count bytes as pairs of hex digits; false at the first character that is not one.
bool readHex(const char* text, int count, char* out)
{
    for (int i = 0; i < count; ++i) {
        const int high = hexDigitValue(text[2 * i]);
        const int low = hexDigitValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        out[i] = static_cast<char>(high * 16 + low);
    }
    return true;
}

void writeHex(const char* data, int count, char* out)
{
    static const char kDigits[] = "0123456789ABCDEF";
    for (int i = 0; i < count; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        out[2 * i] = kDigits[byte >> 4];
        out[2 * i + 1] = kDigits[byte & 0x0F];
    }
}

} // namespace

FUID::FUID(const TUID uid) : data{}
{
    if (uid)
        std::memcpy(data, uid, sizeof data);
}

FUID& FUID::operator=(const FUID& other)
{
    std::memcpy(data, other.data, sizeof data);
    return *this;
}

FUID& FUID::operator=(const TUID uid)
{
    if (uid)
        std::memcpy(data, uid, sizeof data);
    else
        std::memset(data, 0, sizeof data);
    return *this;
}

bool FUID::generate()
{
    unsigned char bytes[16];
    std::size_t filled = 0;
    while (filled < sizeof bytes) {
        const ssize_t n = getrandom(bytes + filled, sizeof bytes - filled, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        filled += static_cast<std::size_t>(n);
    }
    // A random identifier in the standard form: version 4, variant 10.
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
    std::memcpy(data, bytes, sizeof data);
    return true;
}

bool FUID::isValid() const
{
    for (char byte : data)
        if (byte != 0)
            return true;
    return false;
}

void FUID::toTUID(TUID result) const
{
    if (result)
        std::memcpy(result, data, sizeof data);
}

uint32 FUID::word(int index) const
{
    uint32 value = 0;
    for (int b = 0; b < 4; ++b)
        value = (value << 8) | static_cast<unsigned char>(data[index * 4 + b]);
    return value;
}

void FUID::to4Int(uint32& l1, uint32& l2, uint32& l3, uint32& l4) const
{
    l1 = word(0);
    l2 = word(1);
    l3 = word(2);
    l4 = word(3);
}

void FUID::toString(char8* string) const
{
    if (!string)
        return;
    writeHex(data, 16, string);
    string[32] = 0;
}

bool FUID::fromString(const char8* string)
{
    if (!string || std::strlen(string) != 32)
        return false;
    char parsed[16];
    if (!readHex(string, 16, parsed))
        return false;
    std::memcpy(data, parsed, sizeof data);
    return true;
}

void FUID::toRegistryString(char8* string) const
{
    if (!string)
        return;
    char* out = string;
    *out++ = '{';
    writeHex(data, 4, out);
    out += 8;
    *out++ = '-';
    writeHex(data + 4, 2, out);
    out += 4;
    *out++ = '-';
    writeHex(data + 6, 2, out);
    out += 4;
    *out++ = '-';
    writeHex(data + 8, 2, out);
    out += 4;
    *out++ = '-';
    writeHex(data + 10, 6, out);
    out += 12;
    *out++ = '}';
    *out = 0;
}

bool FUID::fromRegistryString(const char8* string)
{
    if (!string || std::strlen(string) != 38)
        return false;
    char parsed[16];
    if (!readHex(string + 1, 4, parsed) || !readHex(string + 10, 2, parsed + 4) ||
        !readHex(string + 15, 2, parsed + 6) || !readHex(string + 20, 2, parsed + 8) ||
        !readHex(string + 25, 6, parsed + 10))
        return false;
    std::memcpy(data, parsed, sizeof data);
    return true;
}

void FUID::print(char8* string, int32 style) const
{
    const char* format;
    switch (style) {
    case kINLINE_UID:
        format = "INLINE_UID (0x%08X, 0x%08X, 0x%08X, 0x%08X)";
        break;
    case kDECLARE_UID:
        format = "DECLARE_UID (0x%08X, 0x%08X, 0x%08X, 0x%08X)";
        break;
    case kFUID:
        format = "FUID (0x%08X, 0x%08X, 0x%08X, 0x%08X)";
        break;
    default:
        format = "DECLARE_CLASS_IID (Interface, 0x%08X, 0x%08X, 0x%08X, 0x%08X)";
        break;
    }
    char text[kPrintSize];
    std::snprintf(text, sizeof text, format, word(0), word(1), word(2), word(3));
    if (string)
        std::memcpy(string, text, std::strlen(text) + 1);
    else
        std::printf("%s\n", text);
}

} // namespace Quorvane
