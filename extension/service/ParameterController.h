#pragma once

#include "FRef.h"
#include "HostInterfaces.h"
#include "Useful.h"

#include <limits>
#include <string>
#include <vector>

// Binds one host value to one endless knob of the synthesizer: collects the knob's relative turns,
// turns them into a change of the value on the host's idle call (step sizes by kind and speed),
// touches the value while the knob moves and releases the touch after a pause. Turns are added and
// applied on the host's thread (the service's receive handlers run inside its idle call), so it
// needs no lock.
class ParameterController
{
public:
    // Step kinds: which table row converts turns into a change.
    enum StepKind : unsigned short
    {
        kStepFine = 0,
        kStepKnob = 1, // assignable knobs
        kStepMedium = 2,
        kStepCoarse = 3,
        kStepEQGain = 4,
        kStepEQFrequency = 5,
        kStepEQQ = 6,
    };
    static constexpr char kParameterTypeRelative = 2;
    static constexpr char kParameterTypeUnset = 4;
    static constexpr char kControlStateActive = 4;
    // Frequencies below this many hertz move by 0.1 Hz through their text.
    static constexpr float kFineFrequencyLimit = 150.0f;

    ParameterController() = default;
    virtual ~ParameterController();
    ParameterController(const ParameterController&) = delete;
    ParameterController& operator=(const ParameterController&) = delete;

    // Unbinds: releases the value and forgets turns, touch and state.
    virtual void Initialize();
    virtual Quorvane::IValue2* GetValueObject() const { return m_value.get(); }
    // Binds value (through its IValue2); type 4 takes the value's own type when it is 0..2.
    virtual void SetValueObject(Quorvane::IValue* value, char type, char state);
    virtual bool IsValid() const { return static_cast<bool>(m_value); }
    virtual char GetParameterType() const { return m_parameterType; }
    virtual void SetControlState(char state) { m_controlState = state; }
    virtual char GetControlState() const { return m_controlState; }
    // Observes the bound value through the host's update handler; false when not bound or refused.
    virtual bool AddDependent(Quorvane::IHostClasses* host, Quorvane::IDependent* dependent);
    virtual bool RemoveDependent(Quorvane::IHostClasses* host, Quorvane::IDependent* dependent);
    virtual void AddControllerVariation(int steps);
    virtual bool IsReadyToChangeValue() const { return m_changeReady; }
    // Reads or writes the value's own float, or with normalized its 0..1 form; false when not bound.
    virtual bool GetFloatValue(float& value, bool normalized);
    virtual bool SetFloatValue(float value, bool normalized);
    virtual float GetLastFloatValue() const { return m_lastFloatValue; }
    virtual bool IsControllable() const { return m_controlState == 3 || m_controlState == 4; }
    // Applies the collected turns (touching first when asked); false when none were waiting.
    virtual bool ChangeParameterOnIdle(Quorvane::IHostClasses* host, bool touch, short kind);
    virtual void UntouchOnIdle(Quorvane::IHostClasses* host, int ms);
    virtual void Touch(Quorvane::IHostClasses* host);
    virtual bool IsTouched() const { return m_touched; }
    virtual bool IsUntouchable(Quorvane::IHostClasses* host, int ms);
    virtual void Untouch();
    // Turns the collected turns into one change of the value.
    virtual void ChangeFloatValue(Quorvane::IHostClasses* host, unsigned short kind);

    bool IsDefault();
    // The total of the last run of turns in one direction (turns outside -127..127 are skipped).
    int GetTotalControllerVariations() const;
    // The change of the value that steps turns make with the step kind; 0 when none applies.
    float ConvertControllerVariationToParameterVariation(int steps, unsigned short kind);

protected:
    bool CanChange(unsigned short kind) const;
    // The collected total; the turns are cleared.
    int TakeControllerVariations();
    // Changes the value by the step table (or a low frequency by its text) and clamps it.
    void ApplyVariation(unsigned short kind, int total);

    Quorvane::FRef<Quorvane::IValue2> m_value;

private:
    bool ChangeFrequencyByText(int total);

    char m_parameterType = kParameterTypeUnset;
    CElapsedTimeChecker m_touchTimer;
    std::vector<int> m_variations;
    bool m_changeReady = false;
    char m_controlState = 0;
    bool m_touched = false;
    float m_lastFloatValue = std::numeric_limits<float>::max();
};

// A parameter controller that retries a single knob step whose change leaves the value's displayed
// text as it was: once the host reports the change, it goes back to the value before the step and
// applies 2, 4, 8 and then 16 steps until the text changes. The retry advances only on the host's
// change reports, never on idle calls, and a report that does not come within the report time-out
// (host clock) ends it, so the value never creeps. Host thread only.
class ParameterController2 : public ParameterController
{
public:
    static constexpr Quorvane::int32 kDefaultReportTimeout = 1000; // ms

    explicit ParameterController2(Quorvane::int32 reportTimeout = kDefaultReportTimeout)
        : m_reportTimeout(reportTimeout)
    {
    }

    void Initialize() override;
    void UntouchOnIdle(Quorvane::IHostClasses* host, int ms) override;
    void Untouch() override;
    void ChangeFloatValue(Quorvane::IHostClasses* host, unsigned short kind) override;
    // Called when the host reports that the bound value changed.
    virtual void RechangeFloatValue(Quorvane::IHostClasses* host, unsigned short kind);

    // How many steps the running retry applied (1 for the first step), 0 when none runs.
    int GetRechangeCounter() const { return m_rechangeCounter; }

    // Equal only when both texts are non-empty and the same.
    static bool CompareValueStrings(const std::u16string& a, const std::u16string& b);

private:
    void Rechange(Quorvane::IHostClasses* host, unsigned short kind);
    void HandleReportsDuringWrite(Quorvane::IHostClasses* host);
    void RememberValue();
    void WaitForReport(Quorvane::IHostClasses* host);
    bool ReportTimedOut(Quorvane::IHostClasses* host);
    void EndRechange();

    Quorvane::int32 m_reportTimeout;
    signed char m_rechangeCounter = 0;
    int m_rechangeStep = 0; // the single step being retried
    std::u16string m_textBeforeChange;
    float m_floatBeforeChange = 0;
    CElapsedTimeChecker m_reportTimer;
    // Reports that arrive while we write the value (a host that reports at once) are handled after
    // the write: only then does the text show what the write did.
    bool m_writing = false;
    bool m_reportDuringWrite = false;
    unsigned short m_reportKind = 0;
};
