#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace simhost {

// What a value is made of: its kind, range, current and default value and how it shows as text.
struct SimValueSetup
{
    // The value's display text for a float; without one, the float with two decimals.
    using TextOf = std::function<std::u16string(float)>;
    // The float a text stands for; false when the text stands for none.
    using ValueOf = std::function<bool(const std::u16string&, float*)>;

    int32 type = Quorvane::IValue::kContinuous;
    float minimum = 0;
    float maximum = 1;
    float value = 0;
    std::optional<float> defaultValue;
    TextOf text;
    ValueOf parse;
    // A text value (a name, a target): shows this text, and fromString replaces it.
    std::optional<std::u16string> fixedText;

    // Ready-made kinds.
    static SimValueSetup onOff(bool on);
    static SimValueSetup stepped(int32 minimum, int32 maximum, int32 value);
    static SimValueSetup continuous(float minimum, float maximum, float value, TextOf text = {});
    static SimValueSetup textValue(std::u16string text);
    // A frequency in hertz shown as "%.1f Hz" (and read back from that form).
    static SimValueSetup frequency(float minimum, float maximum, float value);

    // The float with a fixed number of decimals and a unit ("-3.5 dB").
    static TextOf decimals(int digits, const char* unit);
};

// The host's 16-bit form of an ASCII text, and the 8-bit form of a 16-bit one (other units as "?").
std::u16string asciiText16(const std::string& text);
std::string asciiText8(const std::u16string& text);

// A host value: a parameter of a device (or a value of the host itself) with integer, float and text
// forms, a touch (begin and end edit) and change reports to its dependents. How it takes a change is
// the test's to choose: reported at once, at the next idle turn, later on the host's clock or never,
// or refused. The extension calls it on the host's thread; tests drive and inspect it from there too.
class SimValue : public HostObject<Quorvane::IValue2>
{
public:
    enum class Report
    {
        AtOnce,   // the dependents hear of a change before the setter returns
        NextIdle, // at the host's next idle turn
        Late,     // at the first idle turn once lateBy milliseconds have passed on the host's clock
        Never,
    };

    // A touch as the host saw it: at which time it began (true) or ended (false).
    struct TouchEvent
    {
        int32 time;
        bool begin;
    };

    SimValue(HostContextRef host, SimValueSetup setup);

    int32 getType() override;
    int32 getInt() override;
    float getFloat() override;
    tresult setFloat(float value) override;
    float getNormalized() override;
    tresult setNormalized(float value) override;
    tresult connect(Quorvane::IPlugController* controller, int32 tag) override;
    float getMin() override;
    float getMax() override;
    tresult beginEdit() override;
    tresult endEdit() override;
    int32 getParamIndex() override;
    int32 getTag() override;
    tresult setEnabled(bool enabled) override;
    tresult toString(char16_t* buffer, int32 size) override;
    tresult fromString(const char16_t* text) override;
    tresult setInt(int32 value, bool notify) override;
    tresult setMin(int32 minimum) override;
    tresult setMax(int32 maximum) override;
    bool hasDefault() override;
    float getDefault() override;
    Quorvane::FUnknown* getOwner() override;
    tresult setDefault(float value) override;
    tresult setFlag(int32 flag, bool on) override;

    // Host side.
    // The device that lists the value, and its index there; the device clears it when it goes.
    void setOwner(Quorvane::FUnknown* owner, int32 parameterIndex);
    void setReport(Report report, int32 lateBy = 0);
    // A refusing value keeps what it has and answers every change with kResultFalse.
    void setRefusing(bool refusing);
    // A change made in the host (by the user or automation), reported like any other.
    void hostSet(float value);
    void hostSetText(const std::u16string& text);
    float current();
    std::u16string text();
    // Every float the value took from a setter, in order.
    std::vector<float> writes();
    void clearWrites();
    bool isTouched();
    std::vector<TouchEvent> touches();

private:
    // Stores value (clamped); whether it changed.
    bool store(float value);
    void report();
    std::u16string textLocked() const;

    std::mutex m_mutex;
    SimValueSetup m_setup;
    float m_value;
    std::vector<float> m_writes;
    Quorvane::FUnknown* m_owner = nullptr; // not referenced: the owner outlives its listing
    int32 m_parameterIndex = -1;
    Report m_report = Report::AtOnce;
    int32 m_lateBy = 0;
    bool m_refusing = false;
    int m_touchDepth = 0;
    std::vector<TouchEvent> m_touches;
};

} // namespace simhost
