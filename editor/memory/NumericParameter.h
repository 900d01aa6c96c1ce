#pragma once

// A bounded integer value of the memory mirror: current value with its limits and initial value.
// A plain value; it takes no lock and may be copied between threads.
class NumericParameter
{
public:
    // All four fields zero, so a default value is never read uninitialised.
    NumericParameter() = default;
    NumericParameter(int min, int max, int initial);

    bool setMaxValue(int value);
    bool setMinValue(int value);
    bool setInitialValue(int value);
    // Stores value only when it differs from the current one and lies within min..max.
    bool setCurrentValue(int value);

    int getCurrentValue() const { return m_current; }
    int getMaxValue() const { return m_max; }
    int getMinValue() const { return m_min; }
    int getInitialValue() const { return m_initial; }

    // Values compare by their current value only: the limits belong to the slot, not to the value.
    bool operator==(const NumericParameter& other) const { return m_current == other.m_current; }
    bool operator!=(const NumericParameter& other) const { return !(*this == other); }

    // Current value and all three limits equal.
    bool isIdenticalTo(const NumericParameter& other) const;

private:
    int m_current = 0;
    int m_max = 0;
    int m_min = 0;
    int m_initial = 0;
};
