#include "SimValue.h"

#include "SimUpdateHandler.h"

#include <algorithm>
#include <charconv>
#include <cmath>

using namespace Quorvane;

namespace simhost {

namespace {

std::u16string fixedDecimals(float value, int digits, const char* unit)
{
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, digits).ptr;
    return asciiText16(std::string(text, end) + unit);
}

// The leading number of a text, as the host reads what a user typed.
bool leadingNumber(const std::u16string& text, float* value)
{
    const std::string bytes = asciiText8(text);
    const auto result = std::from_chars(bytes.data(), bytes.data() + bytes.size(), *value);
    return result.ec == std::errc();
}

} // namespace

std::u16string asciiText16(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

std::string asciiText8(const std::u16string& text)
{
    std::string result;
    for (const char16_t c : text)
        result.push_back(c < 128 ? static_cast<char>(c) : '?');
    return result;
}

SimValueSetup::TextOf SimValueSetup::decimals(int digits, const char* unit)
{
    return [digits, unit](float v) { return fixedDecimals(v, digits, unit); };
}

SimValueSetup SimValueSetup::onOff(bool on)
{
    SimValueSetup setup;
    setup.type = IValue::kOnOff;
    setup.value = on ? 1.0f : 0.0f;
    setup.text = [](float v) { return std::u16string(v >= 0.5f ? u"On" : u"Off"); };
    return setup;
}

SimValueSetup SimValueSetup::stepped(int32 minimum, int32 maximum, int32 value)
{
    SimValueSetup setup;
    setup.type = IValue::kStepped;
    setup.minimum = static_cast<float>(minimum);
    setup.maximum = static_cast<float>(maximum);
    setup.value = static_cast<float>(value);
    setup.text = [](float v) { return asciiText16(std::to_string(std::lround(v))); };
    return setup;
}

SimValueSetup SimValueSetup::continuous(float minimum, float maximum, float value, TextOf text)
{
    SimValueSetup setup;
    setup.minimum = minimum;
    setup.maximum = maximum;
    setup.value = value;
    setup.text = std::move(text);
    return setup;
}

SimValueSetup SimValueSetup::textValue(std::u16string text)
{
    SimValueSetup setup;
    setup.fixedText = std::move(text);
    return setup;
}

SimValueSetup SimValueSetup::frequency(float minimum, float maximum, float value)
{
    SimValueSetup setup = continuous(minimum, maximum, value, decimals(1, " Hz"));
    setup.parse = leadingNumber;
    return setup;
}

SimValue::SimValue(HostContextRef host, SimValueSetup setup)
    : HostObject(std::move(host), "Value"), m_setup(std::move(setup)), m_value(m_setup.value)
{
    alsoAnswer<IValue>();
}

int32 SimValue::getType()
{
    hostThreadOnly("IValue::getType");
    std::lock_guard lock(m_mutex);
    return m_setup.type;
}

int32 SimValue::getInt()
{
    hostThreadOnly("IValue::getInt");
    std::lock_guard lock(m_mutex);
    return static_cast<int32>(std::lround(m_value));
}

float SimValue::getFloat()
{
    hostThreadOnly("IValue::getFloat");
    std::lock_guard lock(m_mutex);
    return m_value;
}

tresult SimValue::setFloat(float value)
{
    hostThreadOnly("IValue::setFloat");
    bool changed = false;
    {
        std::lock_guard lock(m_mutex);
        if (m_refusing)
            return kResultFalse;
        m_writes.push_back(value);
        changed = store(value);
    }
    if (changed)
        report();
    return kResultOk;
}

float SimValue::getNormalized()
{
    hostThreadOnly("IValue::getNormalized");
    std::lock_guard lock(m_mutex);
    const float range = m_setup.maximum - m_setup.minimum;
    return range > 0 ? (m_value - m_setup.minimum) / range : 0.0f;
}

tresult SimValue::setNormalized(float value)
{
    hostThreadOnly("IValue::setNormalized");
    float plain = 0;
    {
        std::lock_guard lock(m_mutex);
        plain = m_setup.minimum + value * (m_setup.maximum - m_setup.minimum);
    }
    return setFloat(plain);
}

tresult SimValue::connect(IPlugController*, int32)
{
    return kResultFalse;
}

float SimValue::getMin()
{
    hostThreadOnly("IValue::getMin");
    std::lock_guard lock(m_mutex);
    return m_setup.minimum;
}

float SimValue::getMax()
{
    hostThreadOnly("IValue::getMax");
    std::lock_guard lock(m_mutex);
    return m_setup.maximum;
}

tresult SimValue::beginEdit()
{
    hostThreadOnly("IValue::beginEdit");
    const int32 now = registry().clock().now();
    std::lock_guard lock(m_mutex);
    ++m_touchDepth;
    m_touches.push_back({now, true});
    return kResultOk;
}

tresult SimValue::endEdit()
{
    hostThreadOnly("IValue::endEdit");
    const int32 now = registry().clock().now();
    std::lock_guard lock(m_mutex);
    if (m_touchDepth == 0)
        return kResultFalse;
    --m_touchDepth;
    m_touches.push_back({now, false});
    return kResultOk;
}

int32 SimValue::getParamIndex()
{
    hostThreadOnly("IValue::getParamIndex");
    std::lock_guard lock(m_mutex);
    return m_parameterIndex;
}

int32 SimValue::getTag()
{
    return 0;
}

tresult SimValue::setEnabled(bool)
{
    return kResultOk;
}

tresult SimValue::toString(char16_t* buffer, int32 size)
{
    hostThreadOnly("IValue::toString");
    if (!buffer || size <= 0)
        return kInvalidArgument;
    std::u16string text;
    {
        std::lock_guard lock(m_mutex);
        text = textLocked();
    }
    const std::size_t units = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::copy_n(text.begin(), units, buffer);
    buffer[units] = 0;
    return kResultOk;
}

tresult SimValue::fromString(const char16_t* text)
{
    hostThreadOnly("IValue::fromString");
    if (!text)
        return kInvalidArgument;
    float value = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_refusing)
            return kResultFalse;
        if (m_setup.fixedText) {
            const bool changed = *m_setup.fixedText != text;
            m_setup.fixedText = text;
            if (!changed)
                return kResultOk;
        } else if (!m_setup.parse || !m_setup.parse(text, &value)) {
            return kResultFalse;
        } else {
            m_writes.push_back(value);
            if (!store(value))
                return kResultOk;
        }
    }
    report();
    return kResultOk;
}

tresult SimValue::setInt(int32 value, bool)
{
    hostThreadOnly("IValue::setInt");
    return setFloat(static_cast<float>(value));
}

tresult SimValue::setMin(int32 minimum)
{
    hostThreadOnly("IValue::setMin");
    std::lock_guard lock(m_mutex);
    m_setup.minimum = static_cast<float>(minimum);
    return kResultOk;
}

tresult SimValue::setMax(int32 maximum)
{
    hostThreadOnly("IValue::setMax");
    std::lock_guard lock(m_mutex);
    m_setup.maximum = static_cast<float>(maximum);
    return kResultOk;
}

bool SimValue::hasDefault()
{
    hostThreadOnly("IValue2::hasDefault");
    std::lock_guard lock(m_mutex);
    return m_setup.defaultValue.has_value();
}

float SimValue::getDefault()
{
    hostThreadOnly("IValue2::getDefault");
    std::lock_guard lock(m_mutex);
    return m_setup.defaultValue.value_or(0.0f);
}

FUnknown* SimValue::getOwner()
{
    hostThreadOnly("IValue2::getOwner");
    std::lock_guard lock(m_mutex);
    return m_owner;
}

tresult SimValue::setDefault(float value)
{
    hostThreadOnly("IValue2::setDefault");
    std::lock_guard lock(m_mutex);
    m_setup.defaultValue = value;
    return kResultOk;
}

tresult SimValue::setFlag(int32, bool)
{
    return kResultOk;
}

void SimValue::setOwner(FUnknown* owner, int32 parameterIndex)
{
    std::lock_guard lock(m_mutex);
    m_owner = owner;
    m_parameterIndex = parameterIndex;
}

void SimValue::setReport(Report report, int32 lateBy)
{
    std::lock_guard lock(m_mutex);
    m_report = report;
    m_lateBy = lateBy;
}

void SimValue::setRefusing(bool refusing)
{
    std::lock_guard lock(m_mutex);
    m_refusing = refusing;
}

void SimValue::hostSet(float value)
{
    bool changed = false;
    {
        std::lock_guard lock(m_mutex);
        changed = store(value);
    }
    if (changed)
        report();
}

void SimValue::hostSetText(const std::u16string& text)
{
    {
        std::lock_guard lock(m_mutex);
        m_setup.fixedText = text;
    }
    report();
}

float SimValue::current()
{
    std::lock_guard lock(m_mutex);
    return m_value;
}

std::u16string SimValue::text()
{
    std::lock_guard lock(m_mutex);
    return textLocked();
}

std::vector<float> SimValue::writes()
{
    std::lock_guard lock(m_mutex);
    return m_writes;
}

void SimValue::clearWrites()
{
    std::lock_guard lock(m_mutex);
    m_writes.clear();
}

bool SimValue::isTouched()
{
    std::lock_guard lock(m_mutex);
    return m_touchDepth > 0;
}

std::vector<SimValue::TouchEvent> SimValue::touches()
{
    std::lock_guard lock(m_mutex);
    return m_touches;
}

bool SimValue::store(float value)
{
    const float clamped = std::min(std::max(value, m_setup.minimum), m_setup.maximum);
    const bool changed = clamped != m_value;
    m_value = clamped;
    return changed;
}

std::u16string SimValue::textLocked() const
{
    if (m_setup.fixedText)
        return *m_setup.fixedText;
    return m_setup.text ? m_setup.text(m_value) : fixedDecimals(m_value, 2, "");
}

void SimValue::report()
{
    Report report;
    int32 lateBy = 0;
    {
        std::lock_guard lock(m_mutex);
        report = m_report;
        lateBy = m_lateBy;
    }
    if (report == Report::Never)
        return;
    HostRef<SimUpdateHandler> updates = SimUpdateHandler::of(registry());
    if (!updates)
        return;
    switch (report) {
    case Report::AtOnce:
        updates->triggerUpdates(unknown(), IDependent::kChanged);
        break;
    case Report::NextIdle:
        updates->deferUpdates(unknown(), IDependent::kChanged);
        break;
    case Report::Late:
        updates->deferUpdatesUntil(unknown(), IDependent::kChanged, registry().clock().after(lateBy));
        break;
    case Report::Never:
        break;
    }
}

} // namespace simhost
