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
        m_state.text = text;
    }
    tellController();
}

int32 SimPanelValueCore::number()
{
    std::lock_guard lock(m_mutex);
    return m_state.number;
}

std::u16string SimPanelValueCore::text()
{
    std::lock_guard lock(m_mutex);
    if (m_kind == Kind::List)
        return m_state.number >= 0 && m_state.number < static_cast<int32>(m_state.entries.size())
                   ? m_state.entries[static_cast<std::size_t>(m_state.number)]
                   : std::u16string();
    if (m_kind == Kind::Text)
        return m_state.text;
    return asciiText16(std::to_string(m_state.number));
}

std::vector<std::u16string> SimPanelValueCore::entries()
{
    std::lock_guard lock(m_mutex);
    return m_state.entries;
}

bool SimPanelValueCore::enabled()
{
    std::lock_guard lock(m_mutex);
    return m_state.enabled;
}

int32 SimPanelValueCore::flags()
{
    std::lock_guard lock(m_mutex);
    return m_state.flags;
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
    return m_state;
}

void SimPanelValueCore::restore(const State& state)
{
    std::lock_guard lock(m_mutex);
    m_state = state;
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
    const int32 range = maximumLocked() - m_state.minimum;
    return range > 0 ? static_cast<float>(m_state.number - m_state.minimum) / static_cast<float>(range) : 0.0f;
}

tresult SimPanelValueCore::setNormalized(float value)
{
    int32 number = 0;
    {
        std::lock_guard lock(m_mutex);
        number = m_state.minimum +
                 static_cast<int32>(std::lround(value * static_cast<float>(maximumLocked() - m_state.minimum)));
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
    return static_cast<float>(m_state.minimum);
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
    m_state.enabled = enabled;
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
        m_state.text = text;
        return kResultOk;
    }
    if (m_kind == Kind::List) {
        const auto it = std::find(m_state.entries.begin(), m_state.entries.end(), std::u16string(text));
        if (it == m_state.entries.end())
            return kResultFalse;
        m_state.number = static_cast<int32>(it - m_state.entries.begin());
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
    m_state.minimum = minimum;
    return kResultOk;
}

tresult SimPanelValueCore::setMax(int32 maximum)
{
    m_thread.check("IValue::setMax");
    std::lock_guard lock(m_mutex);
    m_state.maximum = maximum;
    return kResultOk;
}

bool SimPanelValueCore::hasDefault()
{
    m_thread.check("IValue2::hasDefault");
    std::lock_guard lock(m_mutex);
    return m_state.hasDefault;
}

float SimPanelValueCore::getDefault()
{
    m_thread.check("IValue2::getDefault");
    std::lock_guard lock(m_mutex);
    return m_state.defaultValue;
}

tresult SimPanelValueCore::setDefault(float value)
{
    m_thread.check("IValue2::setDefault");
    std::lock_guard lock(m_mutex);
    m_state.hasDefault = true;
    m_state.defaultValue = value;
    return kResultOk;
}

tresult SimPanelValueCore::setFlag(int32 flag, bool on)
{
    m_thread.check("IValue2::setFlag");
    std::lock_guard lock(m_mutex);
    m_state.flags = on ? (m_state.flags | flag) : (m_state.flags & ~flag);
    return kResultOk;
}

tresult SimPanelValueCore::removeAll()
{
    m_thread.check("IStringList::removeAll");
    std::lock_guard lock(m_mutex);
    m_state.entries.clear();
    m_state.number = 0;
    return kResultOk;
}

tresult SimPanelValueCore::setStrings(const char16_t* const* items)
{
    m_thread.check("IStringList::setStrings");
    std::lock_guard lock(m_mutex);
    m_state.entries.clear();
    for (; items && *items; ++items)
        m_state.entries.emplace_back(*items);
    m_state.number = 0;
    return kResultOk;
}

int32 SimPanelValueCore::countStrings()
{
    m_thread.check("IStringList::countStrings");
    std::lock_guard lock(m_mutex);
    return static_cast<int32>(m_state.entries.size());
}

tresult SimPanelValueCore::addString(const char16_t* text)
{
    m_thread.check("IStringList::addString");
    if (!text)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    // A list is filled one entry at a time: room for a usual list at once.
    if (m_state.entries.capacity() == 0)
        m_state.entries.reserve(kUsualEntries);
    m_state.entries.emplace_back(text);
    return kResultOk;
}

void SimPanelValueCore::storeLocked(int32 number)
{
    m_state.number =
        m_kind == Kind::Text ? number : std::clamp(number, m_state.minimum, std::max(m_state.minimum, maximumLocked()));
}

int32 SimPanelValueCore::maximumLocked() const
{
    if (m_kind == Kind::List)
        return std::max<int32>(0, static_cast<int32>(m_state.entries.size()) - 1);
    return m_kind == Kind::OnOff ? 1 : m_state.maximum;
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
