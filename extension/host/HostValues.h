#pragma once

#include "HostApplication.h"

// Host interfaces of values (parameters), string lists and the value kinds the host creates.
namespace Quorvane {

class IPlugController;

// A host value: a parameter of a device or a control of a host-drawn panel. Integer, float and text
// forms of one value; the float accessors come in two pairs: the value's own float (getFloat,
// setFloat) and its normalized form 0..1 (getNormalized, setNormalized).
class IValue : public FUnknown
{
public:
    // Kinds of getType.
    enum Type : int32 { kOnOff = 0, kStepped = 1, kContinuous = 2 };

    virtual int32 getType() = 0;
    virtual int32 getInt() = 0;
    virtual float getFloat() = 0;
    virtual tresult setFloat(float value) = 0;
    virtual float getNormalized() = 0;
    virtual tresult setNormalized(float value) = 0;
    // Links the value to a panel controller: its changes reach controller->parameterChanged(this, tag).
    virtual tresult connect(IPlugController* controller, int32 tag) = 0;
    virtual float getMin() = 0;
    virtual float getMax() = 0;
    // Touch: the user holds the value (automation may be written meanwhile).
    virtual tresult beginEdit() = 0;
    virtual tresult endEdit() = 0;
    // Index of the value in its owner device's parameter list, -1 when it has none.
    virtual int32 getParamIndex() = 0;
    virtual int32 getTag() = 0;
    virtual tresult setEnabled(bool enabled) = 0;
    // The value's display text into buffer (size in units, terminator included).
    virtual tresult toString(char16* buffer, int32 size) = 0;
    // Sets the value from a text (a string value takes the text itself).
    virtual tresult fromString(const char16* text) = 0;
    // notify: the linked controller is told of the change.
    virtual tresult setInt(int32 value, bool notify) = 0;
    virtual tresult setMin(int32 minimum) = 0;
    virtual tresult setMax(int32 maximum) = 0;

    QUORVANE_IID(0x38AD0314, 0xEBEE7D78, 0xDB5B85D9, 0xD0C5A935)
protected:
    ~IValue() = default;
};

// The panel parameters of IPlugController are host values.
using IParameter = IValue;

class IValue2 : public IValue
{
public:
    virtual bool hasDefault() = 0;
    virtual float getDefault() = 0;
    QUORVANE_RESERVED_SLOT(24)
    QUORVANE_RESERVED_SLOT(25)
    QUORVANE_RESERVED_SLOT(26)
    QUORVANE_RESERVED_SLOT(27)
    QUORVANE_RESERVED_SLOT(28)
    QUORVANE_RESERVED_SLOT(29)
    // The object that owns the value (a device answering IDevice), not referenced.
    virtual FUnknown* getOwner() = 0;
    QUORVANE_RESERVED_SLOT(31)
    virtual tresult setDefault(float value) = 0;
    QUORVANE_RESERVED_SLOT(33)
    QUORVANE_RESERVED_SLOT(34)
    // Flag bits of the value (1: host-defined state, 16: host-defined state), switched on or off.
    virtual tresult setFlag(int32 flag, bool on) = 0;

    QUORVANE_IID(0xA08F2A47, 0xA518BC7D, 0x0FB3A642, 0x2E39FA69)
protected:
    ~IValue2() = default;
};

// The entries of a list value.
class IStringList : public FUnknown
{
public:
    virtual tresult removeAll() = 0;
    // items: a null-terminated array of 16-bit texts, replacing the list.
    virtual tresult setStrings(const char16* const* items) = 0;
    virtual int32 countStrings() = 0;
    virtual tresult addString(const char16* text) = 0;

    QUORVANE_IID(0xFD66487B, 0x14986657, 0xE9F5F56B, 0x7E206591)
protected:
    ~IStringList() = default;
};

// Range and precision of a float value.
class IFloatValue : public FUnknown
{
public:
    virtual tresult setRange(float minimum, float maximum) = 0;
    virtual tresult setPrecision(int32 digits) = 0;

    QUORVANE_IID(0xC23F338A, 0x98344DFE, 0x25E6A811, 0xC237BCD7)
protected:
    ~IFloatValue() = default;
};

// Kinds of value the host creates through IHostClasses::createInstance; each is used as IValue2.
class IHostOnOffValue : public IValue2
{
public:
    QUORVANE_IID(0x9CA64525, 0xED5A95CB, 0x6BB2C652, 0x1A1BD2FC)
protected:
    ~IHostOnOffValue() = default;
};

class IHostIntValue : public IValue2
{
public:
    QUORVANE_IID(0x7C7209FA, 0x007E008C, 0x39EB12F4, 0x8A5D25D3)
protected:
    ~IHostIntValue() = default;
};

class IHostFloatValue : public IValue2
{
public:
    QUORVANE_IID(0x9752276C, 0xEA1BE7D9, 0xFF980122, 0x6D4F2C3D)
protected:
    ~IHostFloatValue() = default;
};

class IHostStringValue : public IValue2
{
public:
    QUORVANE_IID(0xBE1220B8, 0xD6C61824, 0x6FAFDB6A, 0xDC678F6B)
protected:
    ~IHostStringValue() = default;
};

// Answers IStringList for its entries.
class IHostStringListValue : public IValue2
{
public:
    QUORVANE_IID(0xC327C9CA, 0x3A88C7E1, 0xCFFB600C, 0x090C9886)
protected:
    ~IHostStringListValue() = default;
};

} // namespace Quorvane
