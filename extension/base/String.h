#pragma once

#include "QuorvaneTypes.h"

#include <map>
#include <mutex>

namespace Quorvane {

// Code pages the conversions understand; any other number is read as ASCII.
enum CodePage : uint32
{
    kCP_Default = 0,
    kCP_MacRoman = 2,
    kCP_ShiftJIS = 932,
    kCP_WindowsLatin1 = 1252,
    kCP_MacCentralEurope = 10029,
    kCP_UTF8 = 65001,
};

// Text encodings behind the code pages (numbered as the host platform numbers them).
enum TextEncoding : uint32
{
    kEncodingMacRoman = 0,
    kEncodingUnicode = 0x0100, // UTF-16 in host byte order
    kEncodingWindowsLatin1 = 0x0500,
    kEncodingASCII = 0x0600,
    kEncodingShiftJIS_X0213 = 0x0628,
    kEncodingMacCentralEurRoman = 0x001D,
    kEncodingUTF8 = 0x08000100,
    kEncodingInvalid = 0xFFFF,
};

// The encoding that code page 0 stands for; nothing changes it.
extern uint32 kDefaultSystemEncoding;

// The shared empty 16-bit text; both names hold the same pointer.
extern const char16* const kEmptyString;
extern const char16* const kEmptyString16;

// Maps a code page number to its text encoding (the table of the string layer).
uint32 encodingForCodePage(uint32 codePage);

class String;

// Non-owning view of an 8-bit or 16-bit zero-terminated text; any thread, one at a time.
class ConstString
{
public:
    enum CompareMode
    {
        kCaseSensitive = 0,
        kCaseInsensitive = 1
    };

    static constexpr uint32 kMaxLength = (1u << 30) - 1;

    ConstString();
    ConstString(const char8* text);
    ConstString(const char16* text);
    virtual ~ConstString() = default;

    virtual int32 length() const { return static_cast<int32>(m_word & kLengthMask); }
    virtual const char8* text8() const;
    virtual const char16* text16() const;
    virtual const char16* text() const { return text16(); }
    virtual const void* ptr() const { return m_buffer; }
    virtual char8 getChar8(int32 index) const;
    virtual char16 getChar16(int32 index) const;

    bool isWide() const { return (m_word & kWideBit) != 0; }
    bool isEmpty() const { return m_buffer == nullptr || length() == 0; }
    bool isAsciiString() const;

    // Compares at most n units (n < 0: the whole texts); -1, 0 or 1 (the unit difference for 16-bit text).
    int32 compare(const ConstString& other, int32 n, CompareMode mode = kCaseSensitive) const;
    int32 compare(const ConstString& other, CompareMode mode = kCaseSensitive) const;
    int32 compareAt(int32 index, const ConstString& other, int32 n = -1, CompareMode mode = kCaseSensitive) const;

    // Case mapping of single units: 8-bit A-Z/a-z by arithmetic and other bytes through the C library;
    // 16-bit units only where the mapping is one unit to one unit (Latin, Greek, Cyrillic), others unchanged.
    static char8 toLower(char8 c);
    static char8 toUpper(char8 c);
    static char16 toLower(char16 c);
    static char16 toUpper(char16 c);

protected:
    static constexpr uint32 kLengthMask = kMaxLength;
    static constexpr uint32 kWideBit = 1u << 30;
    static constexpr uint32 kReservedBit = 1u << 31;

    void setLength(int32 length) const;
    void setWide(bool wide) const;

    // A String converts itself in place when read through an accessor of the other width, so the
    // fields may change under a const view.
    mutable void* m_buffer = nullptr;
    mutable uint32 m_word = 0;

    friend class String;
};

// Owning 8-bit or 16-bit text that converts between widths in place; one thread at a time.
class String : public ConstString
{
public:
    String();
    String(const char8* text, int32 length = -1, bool isTerminated = true);
    String(const char16* text, int32 length = -1, bool isTerminated = true);
    String(const String& other);
    String(String&& other) noexcept;
    ~String() override;

    String& operator=(const String& other);
    String& operator=(String&& other) noexcept;
    String& operator=(const char8* text) { return assign(text); }
    String& operator=(const char16* text) { return assign(text); }

    const char8* text8() const override;
    const char16* text16() const override;
    char8 getChar8(int32 index) const override;
    char16 getChar16(int32 index) const override;

    String& assign(const char8* text, int32 length = -1, bool isTerminated = true);
    String& assign(const char16* text, int32 length = -1, bool isTerminated = true);
    // Copies another string's text in its own width (length < 0: all of it).
    String& assign(const ConstString& other, int32 length = -1);

    // Converts the text in place; false leaves the string in its old width.
    bool toWideString(uint32 codePage = kCP_Default);
    bool toMultiByte(uint32 codePage = kCP_Default);

    // Sizes the buffer for newLength units of the given width (fill: pad new units with spaces);
    // the caller sets the length. False on allocation failure, keeping the old buffer.
    bool resize(int32 newLength, bool wide, bool fill = false);
    // Recounts the length up to the terminator of the current width.
    void updateLength();

    // Converts a terminated 8-bit text into 16-bit units; writes at most targetUnits units including the
    // terminator (null target: only measures). Returns the units produced plus one, 0 when nothing was.
    static int32 multiByteToWideString(char16* target, const char8* text, int32 targetUnits,
                                       uint32 codePage = kCP_Default);
    // Converts a terminated 16-bit text into bytes of the code page; writes at most targetBytes bytes
    // including the terminator. A null target gives the most bytes the text can need. Returns strlen + 1
    // of the result, 0 when nothing was converted.
    static int32 wideStringToMultiByte(char8* target, const char16* text, int32 targetBytes,
                                       uint32 codePage = kCP_Default);

private:
    template <class Char> String& assignUnits(const Char* text, int32 length, bool isTerminated);
    void freeBuffer();
    void takeBuffer(void* buffer, bool wide);
};

// Process-wide cache of 16-bit copies of 8-bit literals, kept for the life of the process (or of the
// loaded library); any thread.
class ConstStringTable
{
public:
    static ConstStringTable* instance();

    // The 16-bit copy of a literal, looked up by the literal's address; bytes are widened by sign
    // extension, so the table serves ASCII literals. Null gives kEmptyString16.
    const char16* getString(const char8* literal);
    // One character widened the same way.
    char16 getString(char8 c);

    ~ConstStringTable();
    ConstStringTable(const ConstStringTable&) = delete;
    ConstStringTable& operator=(const ConstStringTable&) = delete;

private:
    ConstStringTable() = default;

    std::mutex m_mutex;
    std::map<const char8*, char16*> m_strings;
    std::map<char8, char16> m_chars;
};

} // namespace Quorvane
