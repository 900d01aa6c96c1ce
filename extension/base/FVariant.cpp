#include "FVariant.h"

#include <cstring>
#include <new>

namespace Quorvane {

namespace {

char8* copy8(const char8* text)
{
    if (!text)
        return nullptr;
    const std::size_t n = std::strlen(text);
    auto* copy = new (std::nothrow) char8[n + 1];
    if (copy)
        std::memcpy(copy, text, n + 1);
    return copy;
}

char16* copy16(const char16* text)
{
    if (!text)
        return nullptr;
    std::size_t n = 0;
    while (text[n] != 0)
        ++n;
    auto* copy = new (std::nothrow) char16[n + 1];
    if (copy)
        std::memcpy(copy, text, (n + 1) * sizeof(char16));
    return copy;
}

} // namespace

FVariant::FVariant(const char8* text, bool owner) : m_type(static_cast<uint16>(kString8 | (owner ? kOwner : 0)))
{
    m_value.string8 = text;
}

FVariant::FVariant(const char16* text, bool owner) : m_type(static_cast<uint16>(kString16 | (owner ? kOwner : 0)))
{
    m_value.string16 = text;
}

FVariant::FVariant(FUnknown* object, bool owner) : m_type(static_cast<uint16>(kObject | (owner ? kOwner : 0)))
{
    m_value.object = object;
}

FVariant::FVariant(const FVariant& other)
{
    copyFrom(other);
}

FVariant::FVariant(FVariant&& other) noexcept : m_type(other.m_type), m_value(other.m_value)
{
    other.m_type = kEmpty;
    other.m_value.intValue = 0;
}

FVariant& FVariant::operator=(const FVariant& other)
{
    if (this != &other) {
        empty();
        copyFrom(other);
    }
    return *this;
}

FVariant& FVariant::operator=(FVariant&& other) noexcept
{
    if (this != &other) {
        empty();
        m_type = other.m_type;
        m_value = other.m_value;
        other.m_type = kEmpty;
        other.m_value.intValue = 0;
    }
    return *this;
}

void FVariant::copyFrom(const FVariant& other)
{
    m_type = other.m_type;
    m_value = other.m_value;
    if ((m_type & kString8) && m_value.string8) {
        m_value.string8 = copy8(m_value.string8);
        m_type = m_value.string8 ? static_cast<uint16>(kString8 | kOwner) : uint16{kEmpty};
    } else if ((m_type & kString16) && m_value.string16) {
        m_value.string16 = copy16(m_value.string16);
        m_type = m_value.string16 ? static_cast<uint16>(kString16 | kOwner) : uint16{kEmpty};
    } else if ((m_type & kObject) && m_value.object) {
        m_value.object->addRef();
        m_type = static_cast<uint16>(kObject | kOwner);
    } else if (m_type & (kString8 | kString16 | kObject)) {
        m_type = static_cast<uint16>(m_type & ~kOwner);
    }
}

void FVariant::set(int64 value)
{
    empty();
    m_type = kInteger;
    m_value.intValue = value;
}

void FVariant::set(double value)
{
    empty();
    m_type = kFloat;
    m_value.floatValue = value;
}

void FVariant::set(const char8* text)
{
    FVariant borrowed(text);
    *this = borrowed;
}

void FVariant::set(const char16* text)
{
    FVariant borrowed(text);
    *this = borrowed;
}

void FVariant::set(FUnknown* object)
{
    FVariant borrowed(object);
    *this = borrowed;
}

void FVariant::empty()
{
    if (m_type & kOwner) {
        if ((m_type & kString8) && m_value.string8)
            delete[] m_value.string8;
        else if ((m_type & kString16) && m_value.string16)
            delete[] m_value.string16;
        else if ((m_type & kObject) && m_value.object)
            m_value.object->release();
    }
    m_type = kEmpty;
    m_value.intValue = 0;
}

} // namespace Quorvane
