#include "SimPanelValue.h"

#include "SimValue.h"

#include <algorithm>
#include <cmath>

using namespace Quorvane;

namespace simhost {

void addPanelValueClasses(HostRegistry& registry)
{
    using Kind = SimPanelValueCore::Kind;
    registry.addClass(IHostOnOffValue::iid, [](const HostContextRef& host) {
        return makeHostObject<SimPanelValue<IHostOnOffValue>>(host, Kind::OnOff)->unknown();
    });
    registry.addClass(IHostIntValue::iid, [](const HostContextRef& host) {
        return makeHostObject<SimPanelValue<IHostIntValue>>(host, Kind::Int)->unknown();
    });
    registry.addClass(IHostStringValue::iid, [](const HostContextRef& host) {
        return makeHostObject<SimPanelValue<IHostStringValue>>(host, Kind::Text)->unknown();
    });
    registry.addClass(IHostStringListValue::iid, [](const HostContextRef& host) {
        return makeHostObject<SimPanelValue<IHostStringListValue>>(host, Kind::List)->unknown();
    });
}

SimPanelValueCore* panelValue(IValue* value)
{
    return dynamic_cast<SimPanelValueCore*>(value);
}

void SimPanelValueCore::userSetNumber(int32 number)
{
    {
        std::lock_guard lock(m_mutex);
        storeLocked(number);
    }
    tellController();
}

void SimPanelValueCore::userSetText(const std::u16string& text)
{
    {
        std::lock_guard lock(m_mutex);
        m_text = text;
    }
    tellController();
}

int32 SimPanelValueCore::number()
{
    std::lock_guard lock(m_mutex);
    return m_number;
}

std::u16string SimPanelValueCore::text()
{
    std::lock_guard lock(m_mutex);
    if (m_kind == Kind::List)
        return m_number >= 0 && m_number < static_cast<int32>(m_entries.size())
                   ? m_entries[static_cast<std::size_t>(m_number)]
                   : std::u16string();
    if (m_kind == Kind::Text)
        return m_text;
    return asciiText16(std::to_string(m_number));
}

std::vector<std::u16string> SimPanelValueCore::entries()
{
    std::lock_guard lock(m_mutex);
    return m_entries;
}

bool SimPanelValueCore::enabled()
{
    std::lock_guard lock(m_mutex);
    return m_enabled;
}

int32 SimPanelValueCore::flags()
{
    std::lock_guard lock(m_mutex);
    return m_flags;
}

int32 SimPanelValueCore::tag()
{
    std::lock_guard lock(m_mutex);
    return m_tag;
}

bool SimPanelValueCore::isLinked()
{
    std::lock_guard lock(m_mutex);
    return m_controller != nullptr;
}

SimPanelValueCore::State SimPanelValueCore::state()
{
    std::lock_guard lock(m_mutex);
    return {m_number, m_minimum, m_maximum, m_text, m_entries, m_enabled, m_flags, m_hasDefault, m_default};
}

void SimPanelValueCore::restore(const State& state)
{
    std::lock_guard lock(m_mutex);
    m_number = state.number;
    m_minimum = state.minimum;
    m_maximum = state.maximum;
    m_text = state.text;
    m_entries = state.entries;
    m_enabled = state.enabled;
    m_flags = state.flags;
    m_hasDefault = state.hasDefault;
    m_default = state.defaultValue;
}

int32 SimPanelValueCore::getType()
{
    m_thread.check("IValue::getType");
    return m_kind == Kind::OnOff ? IValue::kOnOff : IValue::kStepped;
}

int32 SimPanelValueCore::getInt()
{
    m_thread.check("IValue::getInt");
    return number();
}

float SimPanelValueCore::getFloat()
{
    m_thread.check("IValue::getFloat");
    return static_cast<float>(number());
}

tresult SimPanelValueCore::setFloat(float value)
{
    return setInt(static_cast<int32>(std::lround(value)), false);
}

float SimPanelValueCore::getNormalized()
{
    m_thread.check("IValue::getNormalized");
    std::lock_guard lock(m_mutex);
    const int32 range = maximumLocked() - m_minimum;
    return range > 0 ? static_cast<float>(m_number - m_minimum) / static_cast<float>(range) : 0.0f;
}

tresult SimPanelValueCore::setNormalized(float value)
{
    int32 number = 0;
    {
        std::lock_guard lock(m_mutex);
        number = m_minimum + static_cast<int32>(std::lround(value * static_cast<float>(maximumLocked() - m_minimum)));
    }
    return setInt(number, false);
}

tresult SimPanelValueCore::connect(IPlugController* controller, int32 tag)
{
    m_thread.check("IValue::connect");
    std::lock_guard lock(m_mutex);
    m_controller = controller;
    m_tag = tag;
    return kResultOk;
}

float SimPanelValueCore::getMin()
{
    m_thread.check("IValue::getMin");
    std::lock_guard lock(m_mutex);
    return static_cast<float>(m_minimum);
}

float SimPanelValueCore::getMax()
{
    m_thread.check("IValue::getMax");
    std::lock_guard lock(m_mutex);
    return static_cast<float>(maximumLocked());
}

tresult SimPanelValueCore::setEnabled(bool enabled)
{
    m_thread.check("IValue::setEnabled");
    std::lock_guard lock(m_mutex);
    m_enabled = enabled;
    return kResultOk;
}

tresult SimPanelValueCore::toString(char16_t* buffer, int32 size)
{
    m_thread.check("IValue::toString");
    if (!buffer || size <= 0)
        return kInvalidArgument;
    const std::u16string shown = text();
    const std::size_t units = std::min(shown.size(), static_cast<std::size_t>(size - 1));
    std::copy_n(shown.begin(), units, buffer);
    buffer[units] = 0;
    return kResultOk;
}

tresult SimPanelValueCore::fromString(const char16_t* text)
{
    m_thread.check("IValue::fromString");
    if (!text)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    if (m_kind == Kind::Text) {
        m_text = text;
        return kResultOk;
    }
    if (m_kind == Kind::List) {
        const auto it = std::find(m_entries.begin(), m_entries.end(), std::u16string(text));
        if (it == m_entries.end())
            return kResultFalse;
        m_number = static_cast<int32>(it - m_entries.begin());
        return kResultOk;
    }
    std::u16string digits(text);
    int32 number = 0;
    for (char16_t c : digits) {
        if (c < u'0' || c > u'9')
            return kResultFalse;
        number = number * 10 + (c - u'0');
    }
    storeLocked(number);
    return kResultOk;
}

tresult SimPanelValueCore::setInt(int32 value, bool notify)
{
    m_thread.check("IValue::setInt");
    {
        std::lock_guard lock(m_mutex);
        storeLocked(value);
    }
    // A host tells the controller of every change made with notification, even to the same value.
    if (notify)
        tellController();
    return kResultOk;
}

tresult SimPanelValueCore::setMin(int32 minimum)
{
    m_thread.check("IValue::setMin");
    std::lock_guard lock(m_mutex);
    m_minimum = minimum;
    return kResultOk;
}

tresult SimPanelValueCore::setMax(int32 maximum)
{
    m_thread.check("IValue::setMax");
    std::lock_guard lock(m_mutex);
    m_maximum = maximum;
    return kResultOk;
}

bool SimPanelValueCore::hasDefault()
{
    m_thread.check("IValue2::hasDefault");
    std::lock_guard lock(m_mutex);
    return m_hasDefault;
}

float SimPanelValueCore::getDefault()
{
    m_thread.check("IValue2::getDefault");
    std::lock_guard lock(m_mutex);
    return m_default;
}

tresult SimPanelValueCore::setDefault(float value)
{
    m_thread.check("IValue2::setDefault");
    std::lock_guard lock(m_mutex);
    m_hasDefault = true;
    m_default = value;
    return kResultOk;
}

tresult SimPanelValueCore::setFlag(int32 flag, bool on)
{
    m_thread.check("IValue2::setFlag");
    std::lock_guard lock(m_mutex);
    m_flags = on ? (m_flags | flag) : (m_flags & ~flag);
    return kResultOk;
}

tresult SimPanelValueCore::removeAll()
{
    m_thread.check("IStringList::removeAll");
    std::lock_guard lock(m_mutex);
    m_entries.clear();
    m_number = 0;
    return kResultOk;
}

tresult SimPanelValueCore::setStrings(const char16_t* const* items)
{
    m_thread.check("IStringList::setStrings");
    std::lock_guard lock(m_mutex);
    m_entries.clear();
    for (; items && *items; ++items)
        m_entries.emplace_back(*items);
    m_number = 0;
    return kResultOk;
}

int32 SimPanelValueCore::countStrings()
{
    m_thread.check("IStringList::countStrings");
    std::lock_guard lock(m_mutex);
    return static_cast<int32>(m_entries.size());
}

tresult SimPanelValueCore::addString(const char16_t* text)
{
    m_thread.check("IStringList::addString");
    if (!text)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    // A list is filled one entry at a time: room for a usual list at once.
    if (m_entries.capacity() == 0)
        m_entries.reserve(kUsualEntries);
    m_entries.emplace_back(text);
    return kResultOk;
}

void SimPanelValueCore::storeLocked(int32 number)
{
    m_number = m_kind == Kind::Text ? number : std::clamp(number, m_minimum, std::max(m_minimum, maximumLocked()));
}

int32 SimPanelValueCore::maximumLocked() const
{
    if (m_kind == Kind::List)
        return std::max<int32>(0, static_cast<int32>(m_entries.size()) - 1);
    return m_kind == Kind::OnOff ? 1 : m_maximum;
}

void SimPanelValueCore::tellController()
{
    IPlugController* controller = nullptr;
    int32 tag = 0;
    {
        std::lock_guard lock(m_mutex);
        controller = m_controller;
        tag = m_tag;
    }
    if (controller)
        controller->parameterChanged(m_self, tag);
}

} // namespace simhost
