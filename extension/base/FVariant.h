#pragma once

#include "FUnknown.h"

namespace Quorvane {

// A tagged value: integer, float, 8-bit or 16-bit text, or object; owned payloads are freed or released
// with the variant. One thread at a time.
class FVariant
{
public:
    enum Type : uint16
    {
        kEmpty = 0,
        kInteger = 0x01,
        kFloat = 0x02,
        kString8 = 0x04,
        kObject = 0x08,
        kOwner = 0x10,
        kString16 = 0x20,
    };

    FVariant() = default;
    explicit FVariant(int64 value) : m_type(kInteger) { m_value.intValue = value; }
    explicit FVariant(double value) : m_type(kFloat) { m_value.floatValue = value; }
    // Texts and objects are not owned unless owner is set.
    explicit FVariant(const char8* text, bool owner = false);
    explicit FVariant(const char16* text, bool owner = false);
    explicit FVariant(FUnknown* object, bool owner = false);
    FVariant(const FVariant& other);
    FVariant(FVariant&& other) noexcept;
    ~FVariant() { empty(); }

    FVariant& operator=(const FVariant& other);
    FVariant& operator=(FVariant&& other) noexcept;

    void set(int64 value);
    void set(double value);
    // Copies the text and owns the copy.
    void set(const char8* text);
    void set(const char16* text);
    // Takes a reference to the object and owns it.
    void set(FUnknown* object);

    // Frees an owned text or releases an owned object, and clears the type.
    void empty();

    uint16 getType() const { return m_type; }
    bool isEmpty() const { return (m_type & ~kOwner) == 0; }
    bool isOwner() const { return (m_type & kOwner) != 0; }
    bool isString() const { return (m_type & (kString8 | kString16)) != 0; }

    int64 getInt() const { return (m_type & kInteger) ? m_value.intValue : 0; }
    double getFloat() const { return (m_type & kFloat) ? m_value.floatValue : 0.0; }
    const char8* getString8() const { return (m_type & kString8) ? m_value.string8 : nullptr; }
    const char16* getString16() const { return (m_type & kString16) ? m_value.string16 : nullptr; }
    FUnknown* getObject() const { return (m_type & kObject) ? m_value.object : nullptr; }

private:
    void copyFrom(const FVariant& other);

    uint16 m_type = kEmpty;
    union {
        int64 intValue;
        double floatValue;
        const char8* string8;
        const char16* string16;
        FUnknown* object;
    } m_value{};
};

} // namespace Quorvane
