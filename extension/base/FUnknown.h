#pragma once

#include "QuorvaneTypes.h"

#include <cstring>

namespace Quorvane {

// Whether two 16-byte identifiers are equal; a null identifier equals nothing.
inline bool iidEqual(const void* a, const void* b)
{
    return a && b && std::memcmp(a, b, sizeof(TUID)) == 0;
}

// A 16-byte class or interface identifier with its text forms; a value type, any thread.
class FUID
{
public:
    // print styles
    enum PrintStyle
    {
        kINLINE_UID = 0,
        kDECLARE_UID = 1,
        kFUID = 2,
        kCLASS_UID = 3
    };
    // Sizes of the buffers the text forms write into (terminator included).
    static constexpr std::size_t kStringSize = 33;
    static constexpr std::size_t kRegistryStringSize = 39;
    static constexpr std::size_t kPrintSize = 128;

    constexpr FUID() : data{} {}
    // The four 32-bit words stored most significant byte first, in order.
    constexpr FUID(uint32 l1, uint32 l2, uint32 l3, uint32 l4) : data{} { setWords(l1, l2, l3, l4); }
    explicit FUID(const TUID uid);
    constexpr FUID(const FUID& other) : data{}
    {
        for (int i = 0; i < 16; ++i)
            data[i] = other.data[i];
    }
    constexpr virtual ~FUID() {}

    FUID& operator=(const FUID& other);
    FUID& operator=(const TUID uid);

    // A new identifier from the system's random source; false when none could be read.
    bool generate();
    bool isValid() const;

    bool operator==(const FUID& other) const { return std::memcmp(data, other.data, 16) == 0; }
    bool operator==(const char* uid) const { return iidEqual(data, uid); }
    bool operator<(const FUID& other) const { return std::memcmp(data, other.data, 16) < 0; }

    // The identifier as the 16 bytes a query passes.
    constexpr operator const char*() const { return data; }
    const char* toTUID() const { return data; }
    void toTUID(TUID result) const;

    void from4Int(uint32 l1, uint32 l2, uint32 l3, uint32 l4) { setWords(l1, l2, l3, l4); }
    void to4Int(uint32& l1, uint32& l2, uint32& l3, uint32& l4) const;
    uint32 getLong1() const { return word(0); }
    uint32 getLong2() const { return word(1); }
    uint32 getLong3() const { return word(2); }
    uint32 getLong4() const { return word(3); }

    // 32 upper-case hex digits into a buffer of kStringSize; fromString takes exactly 32 hex digits.
    void toString(char8* string) const;
    bool fromString(const char8* string);
    // "{8-4-4-4-12}" into a buffer of kRegistryStringSize; fromRegistryString takes exactly 38 characters.
    void toRegistryString(char8* string) const;
    bool fromRegistryString(const char8* string);
    // The four words in one of the print styles into a buffer of kPrintSize; null prints to stdout.
    void print(char8* string = nullptr, int32 style = kINLINE_UID) const;

    char data[16];

private:
    constexpr void setWords(uint32 l1, uint32 l2, uint32 l3, uint32 l4)
    {
        const uint32 words[4] = {l1, l2, l3, l4};
        for (int w = 0; w < 4; ++w)
            for (int b = 0; b < 4; ++b)
                data[w * 4 + b] = static_cast<char>((words[w] >> (24 - 8 * b)) & 0xFF);
    }
    uint32 word(int index) const;
};

// Declares an interface's identifier inside the interface; the four words are the interface's own.
#define QUORVANE_IID(l1, l2, l3, l4) static constexpr ::Quorvane::FUID iid{l1, l2, l3, l4};

// Root interface of every object that crosses between the extension and the host: query by identifier,
// add a reference, release (the object deletes itself when the count reaches 0); counts are atomic.
class FUnknown
{
public:
    // On success stores the interface in object, adds a reference and returns kResultOk; otherwise
    // sets object to null and returns kNoInterface.
    virtual tresult queryInterface(const TUID iid, void** object) = 0;
    virtual int32 addRef() = 0;
    virtual int32 release() = 0;

    // Adds delta to a reference counter with a full barrier; returns the new value.
    static int32 atomicAdd(int32& counter, int32 delta);

    QUORVANE_IID(0x6A3C51E2, 0x0B8F4D17, 0x9E2A7C40, 0x5D13F8B6)

protected:
    ~FUnknown() = default;
};

// Notification of a change of an object one depends on.
class IDependent : public FUnknown
{
public:
    // Messages of update.
    enum ChangeMessage : int32
    {
        kChanged = 1,
        kDestroyed = 2
    };

    virtual void update(FUnknown* changedUnknown, int32 message) = 0;

    QUORVANE_IID(0x1F7B93C4, 0xA25E4B0D, 0x86C1E3F2, 0x47D09A5B)

protected:
    ~IDependent() = default;
};

} // namespace Quorvane
