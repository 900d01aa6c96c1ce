#include "ParameterController.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

using namespace Quorvane;

namespace {

// Divisors of the range by step kind (rows) and turn speed (columns: 1..3, 4..7, 8..11, 12..14, 15 and
// more steps at once); 0 stands for a change of exactly 1 per step.
constexpr float kStepDivisors[7][5] = {
    {1024, 512, 256, 128, 64},  // 0
    {1024, 128, 128, 128, 128}, // 1: knobs 0..11
    {512, 512, 256, 128, 64},   // 2
    {200, 128, 96, 75, 64},     // 3
    {480, 128, 96, 75, 64},     // 4: EQ gain
    {0, 1024, 256, 128, 96},    // 5: EQ frequency
    {120, 128, 96, 75, 64},     // 6: EQ Q
};

int speedColumn(int steps)
{
    const int s = std::abs(steps);
    if (s <= 3)
        return 0;
    if (s <= 7)
        return 1;
    if (s <= 11)
        return 2;
    if (s <= 14)
        return 3;
    return 4;
}

// "%.1f Hz" of number, independent of the process's locale.
std::string frequencyText(double number)
{
    char digits[64];
    const auto result = std::to_chars(digits, digits + sizeof digits, number, std::chars_format::fixed, 1);
    if (result.ec != std::errc())
        return {};
    return std::string(digits, result.ptr) + " Hz";
}

} // namespace

ParameterController::~ParameterController() = default;

void ParameterController::Initialize()
{
    m_value.reset();
    m_parameterType = kParameterTypeUnset;
    m_touchTimer.ResetBaseTime();
    m_controlState = 0;
    m_lastFloatValue = std::numeric_limits<float>::max();
    m_variations.clear();
    m_changeReady = false;
    // An unbound controller holds no touch: a touch kept across rebinding would end on the next value
    // without having begun there.
    m_touched = false;
}

void ParameterController::SetValueObject(IValue* value, char type, char state)
{
    m_value = queryRef<IValue2>(value);
    if (type == kParameterTypeUnset && m_value) {
        const int32 own = m_value->getType();
        if (own >= 0 && own <= 2)
            type = static_cast<char>(own);
    }
    m_parameterType = type;
    m_controlState = state;
}

bool ParameterController::AddDependent(IHostClasses* host, IDependent* dependent)
{
    if (!m_value)
        return false;
    FRef<IUpdateHandler> updates = createRef<IUpdateHandler>(host);
    return updates && updates->addDependent(m_value.get(), dependent) == kResultOk;
}

bool ParameterController::RemoveDependent(IHostClasses* host, IDependent* dependent)
{
    if (!m_value)
        return false;
    FRef<IUpdateHandler> updates = createRef<IUpdateHandler>(host);
    return updates && updates->removeDependent(m_value.get(), dependent) == kResultOk;
}

void ParameterController::AddControllerVariation(int steps)
{
    if (!m_value)
        return;
    m_variations.push_back(steps);
    m_changeReady = true;
}

bool ParameterController::GetFloatValue(float& value, bool normalized)
{
    if (!m_value)
        return false;
    value = normalized ? m_value->getNormalized() : m_value->getFloat();
    return true;
}

bool ParameterController::SetFloatValue(float value, bool normalized)
{
    if (!m_value)
        return false;
    return (normalized ? m_value->setNormalized(value) : m_value->setFloat(value)) == kResultOk;
}

bool ParameterController::ChangeParameterOnIdle(IHostClasses* host, bool touch, short kind)
{
    if (m_variations.empty())
        return false;
    if (touch)
        Touch(host);
    if (m_parameterType == kParameterTypeRelative) {
        ChangeFloatValue(host, static_cast<unsigned short>(kind));
    } else {
        // Only relative controllers take turns; these would wait for ever.
        m_variations.clear();
        m_changeReady = false;
    }
    return true;
}

void ParameterController::UntouchOnIdle(IHostClasses* host, int ms)
{
    if (ms >= 0 && IsUntouchable(host, ms))
        Untouch();
}

void ParameterController::Touch(IHostClasses* host)
{
    if (m_value && !m_touched) {
        m_value->beginEdit();
        m_touched = true;
    }
    m_touchTimer.UpdateBaseTime(host);
}

bool ParameterController::IsUntouchable(IHostClasses* host, int ms)
{
    return m_value && !m_touchTimer.IsBaseTimeReset() && m_touchTimer.IsPassed(host, 0, ms, false) && m_touched;
}

void ParameterController::Untouch()
{
    if (!m_value || m_touchTimer.IsBaseTimeReset() || !m_touched)
        return;
    m_value->endEdit();
    m_touched = false;
    m_value->setFloat(m_value->getFloat());
    m_touchTimer.ResetBaseTime();
}

bool ParameterController::CanChange(unsigned short kind) const
{
    return m_value && m_parameterType == kParameterTypeRelative && m_controlState > 2 && kind <= kStepEQQ;
}

int ParameterController::TakeControllerVariations()
{
    const int total = GetTotalControllerVariations();
    m_variations.clear();
    m_changeReady = false;
    return total;
}

void ParameterController::ChangeFloatValue(IHostClasses*, unsigned short kind)
{
    if (!CanChange(kind))
        return;
    ApplyVariation(kind, TakeControllerVariations());
}

bool ParameterController::IsDefault()
{
    return m_value && m_value->hasDefault() && m_value->getFloat() == m_value->getDefault();
}

int ParameterController::GetTotalControllerVariations() const
{
    int total = 0;
    int direction = 0;
    for (const int steps : m_variations) {
        if (steps == 0 || steps < -127 || steps > 127)
            continue;
        const int sign = steps > 0 ? 1 : -1;
        if (sign == direction) {
            total += steps;
        } else {
            direction = sign;
            total = steps;
        }
    }
    return total;
}

float ParameterController::ConvertControllerVariationToParameterVariation(int steps, unsigned short kind)
{
    if (!m_value || m_parameterType != kParameterTypeRelative || kind > kStepEQQ || steps == 0)
        return 0;
    const float range = m_value->getMax() - m_value->getMin();
    if (!(range >= 1))
        return 0;
    if (range == 1)
        return steps > 0 ? 1.0f : -1.0f;
    const float divisor = kStepDivisors[kind][speedColumn(steps)];
    float change = static_cast<float>(steps) * (divisor == 0 ? 1.0f : range / divisor);
    if (m_value->getType() == IValue::kStepped && change > -1 && change < 1)
        change = steps > 0 ? 1.0f : -1.0f;
    return change;
}

bool ParameterController::ChangeFrequencyByText(int total)
{
    std::string text = Useful::getCString(Useful::getValueString(m_value.get()).c_str());
    Useful::removeSpaceFromString(&text, true);
    double number = 0;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), number);
    if (parsed.ec != std::errc() || !(number < kFineFrequencyLimit) || text != frequencyText(number))
        return false;
    const std::string changed = frequencyText(total > 0 ? number + 0.1 : number - 0.1);
    m_value->fromString(Useful::getTString(changed.c_str()).c_str());
    return true;
}

void ParameterController::ApplyVariation(unsigned short kind, int total)
{
    if (total == 0 || !m_value)
        return;
    if (kind == kStepEQFrequency && std::abs(total) <= 3 && ChangeFrequencyByText(total))
        return;
    const float change = ConvertControllerVariationToParameterVariation(total, kind);
    const float step = ConvertControllerVariationToParameterVariation(1, kind);
    if (change == 0)
        return;
    const float minimum = m_value->getMin();
    const float maximum = m_value->getMax();
    float changed = std::min(std::max(m_value->getFloat() + change, minimum), maximum);
    if (m_value->hasDefault()) {
        const float defaultValue = m_value->getDefault();
        if (std::fabs(changed - defaultValue) < std::fabs(step) / 2)
            changed = defaultValue;
    }
    m_value->setFloat(changed);
    m_lastFloatValue = m_value->getFloat();
}

void ParameterController2::Initialize()
{
    ParameterController::Initialize();
    EndRechange();
    m_textBeforeChange.clear();
    m_floatBeforeChange = 0;
}

void ParameterController2::UntouchOnIdle(IHostClasses* host, int ms)
{
    if (m_rechangeCounter > 0 && ReportTimedOut(host))
        EndRechange();
    ParameterController::UntouchOnIdle(host, ms);
}

void ParameterController2::Untouch()
{
    // Ended first: the write-back of the untouch is no step of ours to retry.
    EndRechange();
    ParameterController::Untouch();
}

void ParameterController2::ChangeFloatValue(IHostClasses* host, unsigned short kind)
{
    if (!CanChange(kind))
        return;
    if (m_rechangeCounter > 0 && ReportTimedOut(host))
        EndRechange();
    const int total = TakeControllerVariations();
    if (total == 0)
        return;
    const bool single = kind <= kStepKnob && std::abs(total) == 1 && m_value->getType() > IValue::kStepped;
    if (single && m_rechangeCounter > 1) {
        // A retry is running: this step is not applied on top of it, and the retry ends.
        EndRechange();
        return;
    }
    if (single) {
        m_rechangeCounter = 1;
        m_rechangeStep = total;
    } else {
        EndRechange();
    }
    RememberValue();
    m_writing = true;
    ApplyVariation(kind, total);
    m_writing = false;
    if (single) {
        const float now = m_value->getFloat();
        const bool atEnd =
            IsDefault() || (total > 0 && now >= m_value->getMax()) || (total < 0 && now <= m_value->getMin());
        if (atEnd)
            EndRechange();
        else
            WaitForReport(host);
    }
    HandleReportsDuringWrite(host);
}

void ParameterController2::RechangeFloatValue(IHostClasses* host, unsigned short kind)
{
    if (m_writing) {
        m_reportDuringWrite = true;
        m_reportKind = kind;
        return;
    }
    Rechange(host, kind);
    HandleReportsDuringWrite(host);
}

void ParameterController2::Rechange(IHostClasses* host, unsigned short kind)
{
    if (!m_value || GetParameterType() != kParameterTypeRelative || GetControlState() <= 2 || m_rechangeCounter <= 0 ||
        m_rechangeStep == 0 || kind > kStepKnob)
        return;
    if (ReportTimedOut(host) || m_rechangeCounter > 16 ||
        !CompareValueStrings(Useful::getValueString(m_value.get()), m_textBeforeChange)) {
        EndRechange();
        return;
    }
    float normalized = 0;
    if (m_rechangeCounter > 15 || !GetFloatValue(normalized, true) || (m_rechangeStep > 0 && normalized >= 1.0f) ||
        (m_rechangeStep < 0 && normalized <= 0.0f)) {
        EndRechange();
        return;
    }
    m_rechangeCounter = static_cast<signed char>(m_rechangeCounter * 2);
    bool reachedDefault = false;
    m_writing = true;
    SetFloatValue(m_floatBeforeChange, false);
    for (int i = 0; i < m_rechangeCounter && !reachedDefault; ++i) {
        ApplyVariation(kind, m_rechangeStep);
        reachedDefault = IsDefault();
    }
    m_writing = false;
    if (reachedDefault)
        EndRechange();
    else
        WaitForReport(host);
}

void ParameterController2::HandleReportsDuringWrite(IHostClasses* host)
{
    // Each pass either ends the retry or doubles its steps, so this stops after a few passes.
    while (m_reportDuringWrite) {
        m_reportDuringWrite = false;
        Rechange(host, m_reportKind);
    }
}

void ParameterController2::RememberValue()
{
    m_textBeforeChange = Useful::getValueString(m_value.get());
    m_floatBeforeChange = m_value->getFloat();
}

void ParameterController2::WaitForReport(IHostClasses* host)
{
    // Without the host's clock no wait could end: no retry then.
    if (!m_reportTimer.UpdateBaseTime(host))
        EndRechange();
}

bool ParameterController2::ReportTimedOut(IHostClasses* host)
{
    return m_reportTimer.IsPassed(host, 0, m_reportTimeout, false);
}

void ParameterController2::EndRechange()
{
    m_rechangeCounter = 0;
    m_rechangeStep = 0;
}

bool ParameterController2::CompareValueStrings(const std::u16string& a, const std::u16string& b)
{
    return !a.empty() && a == b;
}
