#pragma once

#include "HostValues.h"
#include "String.h"
#include "TContainer.h"

namespace Quorvane {

// A named host value kept by a PValueContainer: holds the value's reference and a copy of its name.
class PValueEntry
{
public:
    PValueEntry(IValue* value, const char8* name);
    ~PValueEntry();
    PValueEntry(const PValueEntry&) = delete;
    PValueEntry& operator=(const PValueEntry&) = delete;

    IValue* value() const { return m_value; }
    const String& name() const { return m_name; }

private:
    IValue* m_value;
    String m_name;
};

// The entries of a container in insertion order; the list owns them.
class PValueList : public TLinkedList<PValueEntry*>
{
public:
    PValueList() = default;
    ~PValueList() override { removeAndDeleteAll(); }

    void removeAndDeleteAll();
};

// The values of a host-drawn panel: asks the host to create each value, sets its range, start value and
// flags, links it to the panel's controller under its tag, and finds it again by tag or by name. Host's
// user-interface thread only.
class PValueContainer
{
public:
    PValueContainer(IHostClasses* hostClasses, IPlugController* controller);
    virtual ~PValueContainer();
    PValueContainer(const PValueContainer&) = delete;
    PValueContainer& operator=(const PValueContainer&) = delete;

    // The controller later values are linked to (not referenced).
    void setController(IPlugController* controller) { m_controller = controller; }

    // Each returns the new value, which only the container references, or null when the host made none.
    IValue* addOnOffValue(int32 tag, const char8* name, bool on, bool flag);
    IValue* addIntValue(int32 tag, const char8* name, int32 min, int32 max, int32 start, bool flag1, bool flag2);
    IValue* addStringValue(int32 tag, const char8* name, const char16* text, bool flag);
    // items: a null-terminated array of texts, or null for an empty list; current (or else the first item)
    // becomes the value's text.
    IValue* addStringListValue(int32 tag, const char8* name, const char16* const* items, const char16* current,
                               bool flag);

    // The first value, in insertion order, whose own tag or whose name (case-sensitive) matches; null when none.
    IValue* getValueByTag(int32 tag) const;
    IValue* getValue(const char8* name) const;

private:
    // A new value of the kind iid, or null.
    IValue* create(const TUID iid);
    void link(IValue* value, int32 tag);
    static void setDefaultAndFlags(IValue* value, const float* defaultValue, int32 flags1, bool on1, int32 flags2,
                                   bool on2);
    IValue* keep(IValue* value, const char8* name);

    IHostClasses* m_hostClasses;
    IPlugController* m_controller;
    PValueList* m_values;
};

} // namespace Quorvane
