#include "detail/CodePage.h"

#include "String.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace Quorvane::detail {

const char* iconvName(uint32 encoding)
{
    switch (encoding) {
    case kEncodingMacRoman:
        return "MACINTOSH";
    case kEncodingUnicode:
        return std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
    case kEncodingWindowsLatin1:
        return "CP1252";
    case kEncodingASCII:
        return "ASCII";
    case kEncodingShiftJIS_X0213:
        return "SHIFT_JISX0213";
    case kEncodingMacCentralEurRoman:
        return "MAC-CENTRALEUROPE";
    case kEncodingUTF8:
        return "UTF-8";
    default:
        return nullptr;
    }
}

namespace {

// How many source bytes the unconvertible character at in takes.
std::size_t badCharacterSize(bool fromWide, const char* in, std::size_t inLeft)
{
    if (!fromWide)
        return 1;
    if (inLeft < 2)
        return inLeft;
    char16 unit;
    std::memcpy(&unit, in, 2);
    if (unit >= 0xD800 && unit <= 0xDBFF && inLeft >= 4) {
        char16 low;
        std::memcpy(&low, in + 2, 2);
        if (low >= 0xDC00 && low <= 0xDFFF)
            return 4;
    }
    return 2;
}

} // namespace

int64 convertText(uint32 fromEncoding, uint32 toEncoding, const char* in, std::size_t inBytes, char* out,
                  std::size_t outCapacity)
{
    const char* fromName = iconvName(fromEncoding);
    const char* toName = iconvName(toEncoding);
    if (!fromName || !toName)
        return -1;
    iconv_t cd = iconv_open(toName, fromName);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return -1;

    const bool fromWide = fromEncoding == kEncodingUnicode;
    const bool toWide = toEncoding == kEncodingUnicode;
    const char16 lossUnit = u' ';
    const char lossByte = '?';
    const char* loss = toWide ? reinterpret_cast<const char*>(&lossUnit) : &lossByte;
    const std::size_t lossSize = toWide ? 2 : 1;

    // Without a target the output goes to a scratch area that is reused while counting.
    char scratch[256];
    char* outPtr = out ? out : scratch;
    std::size_t outLeft = out ? outCapacity : sizeof scratch;
    auto makeRoom = [&]() {
        if (out)
            return false;
        outPtr = scratch;
        outLeft = sizeof scratch;
        return true;
    };

    int64 produced = 0;
    char* inPtr = const_cast<char*>(in);
    std::size_t inLeft = inBytes;
    bool full = false;
    while (inLeft > 0 && !full) {
        char* before = outPtr;
        const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        produced += outPtr - before;
        if (rc != static_cast<std::size_t>(-1))
            continue;
        const int error = errno;
        if (error == E2BIG) {
            full = !makeRoom();
            continue;
        }
        // EILSEQ: a character the source does not define or the target cannot take; EINVAL: an
        // incomplete character at the end.
        const std::size_t skip = error == EINVAL ? inLeft : badCharacterSize(fromWide, inPtr, inLeft);
        if (outLeft < lossSize && !makeRoom()) {
            full = true;
            break;
        }
        std::memcpy(outPtr, loss, lossSize);
        outPtr += lossSize;
        outLeft -= lossSize;
        produced += static_cast<int64>(lossSize);
        inPtr += skip;
        inLeft -= skip;
    }
    // Stateful encodings may hold back a character until the end.
    while (!full) {
        char* before = outPtr;
        const std::size_t rc = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        produced += outPtr - before;
        if (rc != static_cast<std::size_t>(-1) || errno != E2BIG || !makeRoom())
            break;
    }
    iconv_close(cd);
    return produced;
}

} // namespace Quorvane::detail
