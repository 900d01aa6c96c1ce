#include "detail/CodePage.h"

#include "String.h"

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <mutex>
#include <vector>

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

// Opening a converter loads the C library's conversion module for the pair of encodings, and closing the
// last one unloads it again: far more work than converting a name. Converters are therefore kept once
// used, per pair, and lent to one thread at a time. The pool holds only trivially destructible members, so
// it stays usable however late a conversion comes; its closer gives the converters back to the C library
// when the program or the extension goes.
struct IdleConverter
{
    std::uint64_t pair;
    iconv_t cd;
};

struct ConverterPool
{
    static constexpr int kMaxIdle = 16;
    std::mutex mutex;
    IdleConverter idle[kMaxIdle] = {};
    int idleCount = 0;
    bool closed = false;
};

constinit ConverterPool gPool;

struct ConverterPoolCloser
{
    ~ConverterPoolCloser()
    {
        std::lock_guard lock(gPool.mutex);
        for (int i = 0; i < gPool.idleCount; ++i)
            iconv_close(gPool.idle[i].cd);
        gPool.idleCount = 0;
        gPool.closed = true;
    }
} gPoolCloser;

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// A converter from one encoding to another in its initial state, lent for as long as it lives.
class Converter
{
public:
    Converter(uint32 fromEncoding, uint32 toEncoding) : m_pair((std::uint64_t(fromEncoding) << 32) | toEncoding)
    {
        {
            std::lock_guard lock(gPool.mutex);
            for (int i = gPool.idleCount - 1; i >= 0; --i) {
                if (gPool.idle[i].pair == m_pair) {
                    m_cd = gPool.idle[i].cd;
                    gPool.idle[i] = gPool.idle[--gPool.idleCount];
                    return;
                }
            }
        }
        const char* fromName = iconvName(fromEncoding);
        const char* toName = iconvName(toEncoding);
        if (fromName && toName)
            m_cd = iconv_open(toName, fromName);
    }

    ~Converter()
    {
        if (m_cd == kNoConverter)
            return;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr); // back to the initial shift state
        {
            std::lock_guard lock(gPool.mutex);
            if (!gPool.closed && gPool.idleCount < ConverterPool::kMaxIdle) {
                gPool.idle[gPool.idleCount++] = {m_pair, m_cd};
                return;
            }
        }
        iconv_close(m_cd);
    }

    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    iconv_t get() const { return m_cd; }

private:
    std::uint64_t m_pair;
    iconv_t m_cd = kNoConverter;
};

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
    const Converter converter(fromEncoding, toEncoding);
    const iconv_t cd = converter.get();
    if (cd == kNoConverter)
        return -1;

    const bool fromWide = fromEncoding == kEncodingUnicode;
    const bool toWide = toEncoding == kEncodingUnicode;
    const char16 lossUnit = u' ';
    const char lossByte = '?';
    const char* loss = toWide ? reinterpret_cast<const char*>(&lossUnit) : &lossByte;
    const std::size_t lossSize = toWide ? 2 : 1;

    // Without a target the output goes to a scratch area that holds everything the input can make (no
    // encoding here makes more than four bytes of one), so that counting takes one pass: the C library's
    // Shift_JIS X0213 decoder, given less room than the rest of its input needs, may fill the area and report
    // it full without taking any input, over and over, and is not the same afterwards.
    constexpr std::size_t kMostBytesPerByte = 4;
    char scratch[256];
    std::vector<char> largeScratch;
    char* area = scratch;
    std::size_t areaSize = sizeof scratch;
    if (!out && inBytes * kMostBytesPerByte + 16 > areaSize) {
        largeScratch.resize(inBytes * kMostBytesPerByte + 16);
        area = largeScratch.data();
        areaSize = largeScratch.size();
    }
    char* outPtr = out ? out : area;
    std::size_t outLeft = out ? outCapacity : areaSize;
    auto makeRoom = [&]() {
        if (out)
            return false;
        outPtr = area;
        outLeft = areaSize;
        return true;
    };

    int64 produced = 0;
    char* inPtr = const_cast<char*>(in);
    std::size_t inLeft = inBytes;
    bool full = false;
    while (inLeft > 0 && !full) {
        char* before = outPtr;
        const char* inBefore = inPtr;
        const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        produced += outPtr - before;
        if (rc != static_cast<std::size_t>(-1))
            continue;
        const int error = errno;
        if (error == E2BIG) {
            // Room again only after progress, so that a converter that takes nothing cannot hold the count.
            full = inPtr == inBefore || !makeRoom();
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
    return produced;
}

} // namespace Quorvane::detail
