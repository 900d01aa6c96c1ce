#include "String.h"

#include "detail/CodePage.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>
#include <strings.h>

namespace Quorvane {

uint32 kDefaultSystemEncoding = kEncodingMacRoman;

namespace {

// Constant-initialised so that code of other units may read it while they are still being built.
constexpr char16 kEmptyText16[1] = {0};
const char8 kEmptyText8[1] = {0};

int32 length16(const char16* text)
{
    int32 n = 0;
    if (text)
        while (text[n] != 0 && static_cast<uint32>(n) < ConstString::kMaxLength)
            ++n;
    return n;
}

int32 length8(const char8* text)
{
    if (!text)
        return 0;
    const std::size_t n = std::strlen(text);
    return n > ConstString::kMaxLength ? static_cast<int32>(ConstString::kMaxLength) : static_cast<int32>(n);
}

int32 sign(int value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

} // namespace

const char16* const kEmptyString = kEmptyText16;
const char16* const kEmptyString16 = kEmptyText16;

uint32 encodingForCodePage(uint32 codePage)
{
    switch (codePage) {
    case kCP_Default:
        return kDefaultSystemEncoding;
    case kCP_MacRoman:
        return kEncodingMacRoman;
    case kCP_ShiftJIS:
        return kEncodingShiftJIS_X0213;
    case kCP_WindowsLatin1:
        return kEncodingWindowsLatin1;
    case kCP_MacCentralEurope:
        return kEncodingMacCentralEurRoman;
    case kCP_UTF8:
        return kEncodingUTF8;
    default:
        return kEncodingASCII;
    }
}

// ---------------------------------------------------------------------------------------------------
// ConstString

ConstString::ConstString() = default;

ConstString::ConstString(const char8* text)
{
    m_buffer = const_cast<char8*>(text);
    setLength(length8(text));
}

ConstString::ConstString(const char16* text)
{
    m_buffer = const_cast<char16*>(text);
    setWide(true);
    setLength(length16(text));
}

void ConstString::setLength(int32 length) const
{
    const uint32 n = length < 0 ? 0u : (static_cast<uint32>(length) & kLengthMask);
    m_word = (m_word & ~kLengthMask) | n;
}

void ConstString::setWide(bool wide) const
{
    m_word = wide ? (m_word | kWideBit) : (m_word & ~kWideBit);
}

const char8* ConstString::text8() const
{
    return (!isWide() && m_buffer) ? static_cast<const char8*>(m_buffer) : kEmptyText8;
}

const char16* ConstString::text16() const
{
    return (isWide() && m_buffer) ? static_cast<const char16*>(m_buffer) : kEmptyString16;
}

char8 ConstString::getChar8(int32 index) const
{
    if (isWide() || !m_buffer || index < 0 || index >= length())
        return 0;
    return static_cast<const char8*>(m_buffer)[index];
}

char16 ConstString::getChar16(int32 index) const
{
    if (!isWide() || !m_buffer || index < 0 || index >= length())
        return 0;
    return static_cast<const char16*>(m_buffer)[index];
}

bool ConstString::isAsciiString() const
{
    const int32 n = length();
    if (!m_buffer)
        return true;
    if (isWide()) {
        const auto* text = static_cast<const char16*>(m_buffer);
        for (int32 i = 0; i < n; ++i)
            if (text[i] >= 0x80)
                return false;
    } else {
        const auto* text = static_cast<const unsigned char*>(m_buffer);
        for (int32 i = 0; i < n; ++i)
            if (text[i] >= 0x80)
                return false;
    }
    return true;
}

char8 ConstString::toLower(char8 c)
{
    if (c >= 'A' && c <= 'Z')
        return static_cast<char8>(c + ('a' - 'A'));
    if (static_cast<unsigned char>(c) < 0x80)
        return c;
    return static_cast<char8>(std::tolower(static_cast<unsigned char>(c)));
}

char8 ConstString::toUpper(char8 c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<char8>(c - ('a' - 'A'));
    if (static_cast<unsigned char>(c) < 0x80)
        return c;
    return static_cast<char8>(std::toupper(static_cast<unsigned char>(c)));
}

char16 ConstString::toLower(char16 c)
{
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? static_cast<char16>(c + 0x20) : c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<char16>(c + 0x20);
    // Latin Extended-A: pairs of upper (even) and lower (odd), and the stretches of odd upper forms.
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return static_cast<char16>(c | 1);
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1) ? static_cast<char16>(c + 1) : c;
    if (c == 0x178)
        return 0xFF;
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) // Greek
        return static_cast<char16>(c + 0x20);
    if (c >= 0x410 && c <= 0x42F) // Cyrillic
        return static_cast<char16>(c + 0x20);
    if (c >= 0x400 && c <= 0x40F)
        return static_cast<char16>(c + 0x50);
    return c;
}

char16 ConstString::toUpper(char16 c)
{
    if (c < 0x80)
        return (c >= u'a' && c <= u'z') ? static_cast<char16>(c - 0x20) : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<char16>(c - 0x20);
    if (c == 0xFF)
        return 0x178;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return static_cast<char16>(c & ~1);
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1) ? c : static_cast<char16>(c - 1);
    if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2)
        return static_cast<char16>(c - 0x20);
    if (c >= 0x430 && c <= 0x44F)
        return static_cast<char16>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F)
        return static_cast<char16>(c - 0x50);
    return c;
}

namespace {

// Compares two 16-bit texts of known lengths over at most n units (n < 0: all).
int32 compare16(const char16* a, int32 lengthA, const char16* b, int32 lengthB, int32 n, bool caseless)
{
    if (n >= 0) {
        lengthA = lengthA < n ? lengthA : n;
        lengthB = lengthB < n ? lengthB : n;
    }
    const int32 common = lengthA < lengthB ? lengthA : lengthB;
    for (int32 i = 0; i < common; ++i) {
        char16 x = a[i];
        char16 y = b[i];
        if (caseless) {
            x = ConstString::toLower(x);
            y = ConstString::toLower(y);
            if (x != y)
                return x < y ? -1 : 1;
        } else if (x != y) {
            return static_cast<int32>(x) - static_cast<int32>(y);
        }
    }
    if (lengthA == lengthB)
        return 0;
    return lengthA < lengthB ? -1 : 1;
}

int32 compare8(const char8* a, const char8* b, int32 n, bool caseless)
{
    if (n < 0)
        return sign(caseless ? strcasecmp(a, b) : std::strcmp(a, b));
    const auto count = static_cast<std::size_t>(n);
    return sign(caseless ? strncasecmp(a, b, count) : std::strncmp(a, b, count));
}

} // namespace

int32 ConstString::compare(const ConstString& other, int32 n, CompareMode mode) const
{
    if (n == 0)
        return 0;
    if (other.isEmpty())
        return isEmpty() ? 0 : 1;
    if (isEmpty())
        return -1;
    const bool caseless = mode == kCaseInsensitive;
    if (!isWide() && !other.isWide())
        return compare8(static_cast<const char8*>(m_buffer), static_cast<const char8*>(other.m_buffer), n, caseless);
    if (isWide() && other.isWide())
        return compare16(static_cast<const char16*>(m_buffer), length(), static_cast<const char16*>(other.m_buffer),
                         other.length(), n, caseless);
    return compareAt(0, other, n, mode);
}

int32 ConstString::compare(const ConstString& other, CompareMode mode) const
{
    return compare(other, -1, mode);
}

int32 ConstString::compareAt(int32 index, const ConstString& other, int32 n, CompareMode mode) const
{
    if (n == 0)
        return 0;
    if (other.isEmpty())
        return isEmpty() ? 0 : 1;
    if (isEmpty())
        return -1;
    if (index < 0 || index >= length())
        return -1;
    const bool caseless = mode == kCaseInsensitive;
    if (isWide() != other.isWide()) {
        // The 8-bit side is widened with the default code page.
        String wideThis;
        String wideOther;
        const ConstString* a = this;
        const ConstString* b = &other;
        if (!isWide()) {
            wideThis.assign(*this);
            if (!wideThis.toWideString(kCP_Default))
                return -1;
            a = &wideThis;
        } else {
            wideOther.assign(other);
            if (!wideOther.toWideString(kCP_Default))
                return 1;
            b = &wideOther;
        }
        if (index >= a->length())
            return -1;
        return compare16(static_cast<const char16*>(a->m_buffer) + index, a->length() - index,
                         static_cast<const char16*>(b->m_buffer), b->length(), n, caseless);
    }
    if (!isWide())
        return compare8(static_cast<const char8*>(m_buffer) + index, static_cast<const char8*>(other.m_buffer), n,
                        caseless);
    return compare16(static_cast<const char16*>(m_buffer) + index, length() - index,
                     static_cast<const char16*>(other.m_buffer), other.length(), n, caseless);
}

// ---------------------------------------------------------------------------------------------------
// String

String::String()
{
    setWide(true);
}

String::String(const char8* text, int32 length, bool isTerminated)
{
    if (text)
        assign(text, length, isTerminated);
}

String::String(const char16* text, int32 length, bool isTerminated)
{
    setWide(true);
    if (text)
        assign(text, length, isTerminated);
}

String::String(const String& other) : ConstString()
{
    setWide(other.isWide());
    assign(other);
}

String::String(String&& other) noexcept
{
    m_buffer = other.m_buffer;
    m_word = other.m_word;
    other.m_buffer = nullptr;
    other.m_word &= ~kLengthMask;
}

String::~String()
{
    freeBuffer();
}

String& String::operator=(const String& other)
{
    if (this != &other) {
        if (other.isEmpty()) {
            resize(0, other.isWide());
        } else {
            assign(other);
        }
    }
    return *this;
}

String& String::operator=(String&& other) noexcept
{
    if (this != &other) {
        freeBuffer();
        m_buffer = other.m_buffer;
        m_word = (m_word & kReservedBit) | (other.m_word & ~kReservedBit);
        other.m_buffer = nullptr;
        other.m_word &= ~kLengthMask;
    }
    return *this;
}

void String::freeBuffer()
{
    std::free(m_buffer);
    m_buffer = nullptr;
}

void String::takeBuffer(void* buffer, bool wide)
{
    freeBuffer();
    m_buffer = buffer;
    setWide(wide);
    updateLength();
}

const char8* String::text8() const
{
    if (isWide()) {
        const_cast<String*>(this)->toMultiByte(kCP_Default);
        if (isWide())
            return kEmptyText8;
    }
    return m_buffer ? static_cast<const char8*>(m_buffer) : kEmptyText8;
}

const char16* String::text16() const
{
    if (!isWide())
        const_cast<String*>(this)->toWideString(kCP_Default);
    return (isWide() && m_buffer) ? static_cast<const char16*>(m_buffer) : kEmptyString16;
}

char8 String::getChar8(int32 index) const
{
    text8();
    return ConstString::getChar8(index);
}

char16 String::getChar16(int32 index) const
{
    text16();
    return ConstString::getChar16(index);
}

template <class Char> String& String::assignUnits(const Char* text, int32 length, bool isTerminated)
{
    constexpr bool wide = sizeof(Char) == 2;
    if (text && text == m_buffer)
        return *this;
    if (isTerminated) {
        int32 n;
        if constexpr (wide)
            n = length16(text);
        else
            n = length8(text);
        if (length < 0 || length > n)
            length = n;
    } else if (length < 0) {
        return *this;
    }
    if (length > static_cast<int32>(kMaxLength) || !resize(length, wide))
        return *this;
    if (length > 0) {
        std::memcpy(m_buffer, text, static_cast<std::size_t>(length) * sizeof(Char));
        static_cast<Char*>(m_buffer)[length] = 0;
    }
    setLength(length);
    setWide(wide);
    return *this;
}

String& String::assign(const char8* text, int32 length, bool isTerminated)
{
    return assignUnits(text, length, isTerminated);
}

String& String::assign(const char16* text, int32 length, bool isTerminated)
{
    return assignUnits(text, length, isTerminated);
}

String& String::assign(const ConstString& other, int32 length)
{
    if (&other == this)
        return *this;
    const int32 n = (length < 0 || length > other.length()) ? other.length() : length;
    if (other.isWide())
        return assign(static_cast<const char16*>(other.m_buffer ? other.m_buffer : kEmptyString16), n, false);
    return assign(static_cast<const char8*>(other.m_buffer ? other.m_buffer : kEmptyText8), n, false);
}

bool String::resize(int32 newLength, bool wide, bool fill)
{
    if (newLength <= 0) {
        freeBuffer();
        setLength(0);
        setWide(wide);
        return true;
    }
    const std::size_t unit = wide ? 2 : 1;
    const std::size_t newBytes = (static_cast<std::size_t>(newLength) + 1) * unit;
    const int32 oldLength = length();
    if (m_buffer) {
        const std::size_t oldBytes = (static_cast<std::size_t>(oldLength) + 1) * (isWide() ? 2 : 1);
        if (oldBytes != newBytes) {
            void* grown = std::realloc(m_buffer, newBytes);
            if (!grown)
                return false;
            m_buffer = grown;
        }
    } else {
        m_buffer = std::malloc(newBytes);
        if (!m_buffer)
            return false;
        if (wide)
            static_cast<char16*>(m_buffer)[0] = 0;
        else
            static_cast<char8*>(m_buffer)[0] = 0;
    }
    setWide(wide);
    const int32 from = m_buffer && oldLength < newLength ? oldLength : newLength;
    if (fill) {
        for (int32 i = from; i < newLength; ++i) {
            if (wide)
                static_cast<char16*>(m_buffer)[i] = u' ';
            else
                static_cast<char8*>(m_buffer)[i] = ' ';
        }
    }
    // Always terminated, so that a caller that sets a shorter length never reads past the buffer.
    if (wide)
        static_cast<char16*>(m_buffer)[newLength] = 0;
    else
        static_cast<char8*>(m_buffer)[newLength] = 0;
    return true;
}

void String::updateLength()
{
    if (isWide())
        setLength(length16(static_cast<const char16*>(m_buffer)));
    else
        setLength(length8(static_cast<const char8*>(m_buffer)));
}

bool String::toWideString(uint32 codePage)
{
    if (isWide())
        return true;
    if (m_buffer && length() > 0) {
        const auto* text = static_cast<const char8*>(m_buffer);
        const int32 needed = multiByteToWideString(nullptr, text, 0, codePage);
        if (needed <= 0)
            return false;
        auto* wide = static_cast<char16*>(std::malloc((static_cast<std::size_t>(needed) + 1) * sizeof(char16)));
        if (!wide)
            return false;
        if (multiByteToWideString(wide, text, needed + 1, codePage) < 1) {
            std::free(wide);
            return false;
        }
        takeBuffer(wide, true);
        return true;
    }
    setWide(true);
    return true;
}

bool String::toMultiByte(uint32 codePage)
{
    if (!isWide()) {
        if (codePage == kCP_Default)
            return true;
        // 8-bit text is taken to be in the default code page.
        if (!toWideString(kCP_Default))
            return false;
    }
    if (m_buffer && length() > 0) {
        const auto* text = static_cast<const char16*>(m_buffer);
        const int32 needed = wideStringToMultiByte(nullptr, text, 0, codePage);
        if (needed <= 0)
            return false;
        auto* bytes = static_cast<char8*>(std::malloc(static_cast<std::size_t>(needed) + 1));
        if (!bytes)
            return false;
        if (wideStringToMultiByte(bytes, text, needed + 1, codePage) < 1) {
            std::free(bytes);
            return false;
        }
        takeBuffer(bytes, false);
        return true;
    }
    setWide(false);
    return true;
}

int32 String::multiByteToWideString(char16* target, const char8* text, int32 targetUnits, uint32 codePage)
{
    if (!text)
        text = kEmptyText8;
    if (target && targetUnits < 1)
        return 0;
    uint32 encoding = encodingForCodePage(codePage);
    if (encoding == kEncodingInvalid)
        encoding = kEncodingASCII;
    const std::size_t inBytes = std::strlen(text);
    const std::size_t capacity = target ? (static_cast<std::size_t>(targetUnits) - 1) * sizeof(char16) : 0;
    const int64 produced =
        detail::convertText(encoding, kEncodingUnicode, text, inBytes, reinterpret_cast<char*>(target), capacity);
    if (produced <= 0) {
        if (target)
            target[0] = 0;
        return 0;
    }
    const int64 units = produced / 2;
    if (units >= static_cast<int64>(kMaxLength))
        return 0;
    if (target)
        target[units] = 0;
    return static_cast<int32>(units) + 1;
}

int32 String::wideStringToMultiByte(char8* target, const char16* text, int32 targetBytes, uint32 codePage)
{
    if (!text)
        return 0;
    if (target && targetBytes < 1)
        return 0;
    const uint32 encoding = encodingForCodePage(codePage);
    const std::size_t inBytes = static_cast<std::size_t>(length16(text)) * sizeof(char16);
    const std::size_t capacity = target ? static_cast<std::size_t>(targetBytes) - 1 : 0;
    const int64 produced =
        detail::convertText(kEncodingUnicode, encoding, reinterpret_cast<const char*>(text), inBytes, target, capacity);
    if (!target)
        return produced < 0 || produced >= static_cast<int64>(kMaxLength) ? 0 : static_cast<int32>(produced);
    if (produced <= 0) {
        target[0] = 0;
        return 0;
    }
    target[produced] = 0;
    return static_cast<int32>(std::strlen(target)) + 1;
}

// ---------------------------------------------------------------------------------------------------
// ConstStringTable

ConstStringTable* ConstStringTable::instance()
{
    // Built at first use under the run-time's one-time guard; destroyed at exit or unload.
    static ConstStringTable table;
    return &table;
}

ConstStringTable::~ConstStringTable()
{
    for (auto& entry : m_strings)
        delete[] entry.second;
}

const char16* ConstStringTable::getString(const char8* literal)
{
    if (!literal)
        return kEmptyString16;
    // The cache is shared by every thread that fetches a literal.
    std::lock_guard<std::mutex> guard(m_mutex);
    auto found = m_strings.find(literal);
    if (found != m_strings.end())
        return found->second;
    const std::size_t n = std::strlen(literal);
    auto* copy = new (std::nothrow) char16[n + 1];
    if (!copy)
        return kEmptyString16;
    for (std::size_t i = 0; i < n; ++i)
        copy[i] = static_cast<char16>(static_cast<int16>(static_cast<signed char>(literal[i])));
    copy[n] = 0;
    try {
        m_strings.emplace(literal, copy);
    } catch (...) {
        delete[] copy;
        return kEmptyString16;
    }
    return copy;
}

char16 ConstStringTable::getString(char8 c)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    auto found = m_chars.find(c);
    if (found != m_chars.end())
        return found->second;
    const auto wide = static_cast<char16>(static_cast<int16>(static_cast<signed char>(c)));
    try {
        m_chars.emplace(c, wide);
    } catch (...) {
    }
    return wide;
}

} // namespace Quorvane
