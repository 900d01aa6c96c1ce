#include "PValueContainer.h"

#include "FRef.h"
#include "HostCommands.h"

#include <new>

namespace Quorvane {

namespace {

// Flag bits of IValue2::setFlag that the panel's values use.
constexpr int32 kFlagBit1 = 1;
constexpr int32 kFlagBit16 = 16;

} // namespace

PValueEntry::PValueEntry(IValue* value, const char8* name) : m_value(value), m_name(name) {}

PValueEntry::~PValueEntry()
{
    if (m_value)
        m_value->release();
}

void PValueList::removeAndDeleteAll()
{
    for (Node* node = head(); node; node = node->next)
        delete node->item;
    removeAll();
}

PValueContainer::PValueContainer(IHostClasses* hostClasses, IPlugController* controller)
    : m_hostClasses(hostClasses), m_controller(controller), m_values(new (std::nothrow) PValueList)
{
    if (m_hostClasses)
        m_hostClasses->addRef();
}

PValueContainer::~PValueContainer()
{
    delete m_values;
    if (m_hostClasses)
        m_hostClasses->release();
}

IValue* PValueContainer::create(const TUID iid)
{
    void* object = nullptr;
    if (!m_hostClasses || !m_values || m_hostClasses->createInstance(iid, &object) != kResultOk)
        return nullptr;
    return static_cast<IValue*>(object);
}

void PValueContainer::link(IValue* value, int32 tag)
{
    if (m_controller)
        value->connect(m_controller, tag);
}

void PValueContainer::setDefaultAndFlags(IValue* value, const float* defaultValue, int32 flags1, bool on1, int32 flags2,
                                         bool on2)
{
    FRef<IValue2> value2 = queryRef<IValue2>(value);
    if (!value2)
        return;
    if (defaultValue)
        value2->setDefault(*defaultValue);
    value2->setFlag(flags1, on1);
    if (flags2)
        value2->setFlag(flags2, on2);
}

IValue* PValueContainer::keep(IValue* value, const char8* name)
{
    PValueEntry* entry = new (std::nothrow) PValueEntry(value, name);
    if (!entry || !m_values->append(entry)) {
        delete entry; // releases the value
        return nullptr;
    }
    return value;
}

IValue* PValueContainer::addOnOffValue(int32 tag, const char8* name, bool on, bool flag)
{
    IValue* value = create(IHostOnOffValue::iid);
    if (!value)
        return nullptr;
    value->setInt(on ? 1 : 0, false);
    const float defaultValue = on ? 1.0f : 0.0f;
    setDefaultAndFlags(value, &defaultValue, kFlagBit1, flag, 0, false);
    link(value, tag);
    return keep(value, name);
}

IValue* PValueContainer::addIntValue(int32 tag, const char8* name, int32 min, int32 max, int32 start, bool flag1,
                                     bool flag2)
{
    IValue* value = create(IHostIntValue::iid);
    if (!value)
        return nullptr;
    value->setMin(min);
    value->setMax(max);
    value->setInt(start, false);
    const float defaultValue = static_cast<float>(start);
    setDefaultAndFlags(value, &defaultValue, kFlagBit1, flag1, kFlagBit16, flag2);
    link(value, tag);
    return keep(value, name);
}

IValue* PValueContainer::addStringValue(int32 tag, const char8* name, const char16* text, bool flag)
{
    IValue* value = create(IHostStringValue::iid);
    if (!value)
        return nullptr;
    if (text)
        value->fromString(text);
    link(value, tag);
    setDefaultAndFlags(value, nullptr, kFlagBit1, flag, 0, false);
    return keep(value, name);
}

IValue* PValueContainer::addStringListValue(int32 tag, const char8* name, const char16* const* items,
                                            const char16* current, bool flag)
{
    IValue* value = create(IHostStringListValue::iid);
    if (!value)
        return nullptr;
    if (items) {
        if (FRef<IStringList> list = queryRef<IStringList>(value))
            list->setStrings(items);
    }
    const char16* text = current ? current : (items ? items[0] : nullptr);
    if (text)
        value->fromString(text);
    link(value, tag);
    setDefaultAndFlags(value, nullptr, kFlagBit1, flag, 0, false);
    return keep(value, name);
}

IValue* PValueContainer::getValueByTag(int32 tag) const
{
    if (!m_values)
        return nullptr;
    for (auto* node = m_values->head(); node; node = node->next)
        if (node->item->value()->getTag() == tag)
            return node->item->value();
    return nullptr;
}

IValue* PValueContainer::getValue(const char8* name) const
{
    if (!m_values || !name)
        return nullptr;
    const ConstString wanted(name);
    for (auto* node = m_values->head(); node; node = node->next)
        if (node->item->name().compare(wanted) == 0)
            return node->item->value();
    return nullptr;
}

} // namespace Quorvane
