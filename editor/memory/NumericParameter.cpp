#include "NumericParameter.h"

NumericParameter::NumericParameter(int min, int max, int initial)
    : m_current(initial), m_max(max), m_min(min), m_initial(initial)
{
}

bool NumericParameter::setMaxValue(int value)
{
    const bool changed = m_max != value;
    m_max = value;
    return changed;
}

bool NumericParameter::setMinValue(int value)
{
    const bool changed = m_min != value;
    m_min = value;
    return changed;
}

bool NumericParameter::setInitialValue(int value)
{
    const bool changed = m_initial != value;
    m_initial = value;
    return changed;
}

bool NumericParameter::setCurrentValue(int value)
{
    if (value == m_current || value < m_min || value > m_max)
        return false;
    m_current = value;
    return true;
}

bool NumericParameter::isIdenticalTo(const NumericParameter& other) const
{
    return m_current == other.m_current && m_max == other.m_max && m_min == other.m_min && m_initial == other.m_initial;
}
