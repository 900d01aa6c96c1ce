#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"

#include <mutex>
#include <string>
#include <vector>

namespace simhost {

// What every value of a host-drawn panel is, whatever its kind: a number (on/off, an integer in a range,
// or the selected entry of a list), a text, a list's entries, whether its view is enabled, its flags and
// default, and the controller it is linked to under a tag. A change that the extension makes with
// notification, and every change the user makes in the panel, reaches the controller's parameterChanged
// before the setter returns. Host thread; tests and the panel's window read it there too.
class SimPanelValueCore
{
public:
    enum class Kind
    {
        OnOff,
        Int,
        Text,
        List,
    };

    // What the value holds, apart from its link to the controller.
    struct State
    {
        int32 number = 0;
        int32 minimum = 0;
        int32 maximum = 1;
        std::u16string text;
        std::vector<std::u16string> entries;
        bool enabled = true;
        int32 flags = 0;
        bool hasDefault = false;
        float defaultValue = 0;
    };

    Kind kind() const { return m_kind; }

    // Host side: what the user does in the panel, told to the linked controller.
    void userSetNumber(int32 number);
    void userSetText(const std::u16string& text);
    // Host side: what the panel's views show.
    int32 number();
    std::u16string text();
    std::vector<std::u16string> entries();
    bool enabled();
    int32 flags();
    int32 tag();
    bool isLinked();
    // Host side, for a rig that runs many sessions on one open panel: the value's state, and putting such
    // a state back without telling the controller.
    State state();
    void restore(const State& state);

protected:
    SimPanelValueCore(Kind kind, Quorvane::IValue* self, HostThread& thread)
        : m_kind(kind), m_self(self), m_thread(thread)
    {
    }

    int32 getType();
    int32 getInt();
    float getFloat();
    tresult setFloat(float value);
    float getNormalized();
    tresult setNormalized(float value);
    tresult connect(Quorvane::IPlugController* controller, int32 tag);
    float getMin();
    float getMax();
    int32 getTag() { return tag(); }
    tresult setEnabled(bool enabled);
    tresult toString(char16_t* buffer, int32 size);
    tresult fromString(const char16_t* text);
    tresult setInt(int32 value, bool notify);
    tresult setMin(int32 minimum);
    tresult setMax(int32 maximum);
    bool hasDefault();
    float getDefault();
    tresult setDefault(float value);
    tresult setFlag(int32 flag, bool on);
    tresult removeAll();
    tresult setStrings(const char16_t* const* items);
    int32 countStrings();
    tresult addString(const char16_t* text);

private:
    // Stores number within the value's range.
    static constexpr std::size_t kUsualEntries = 32;

    void storeLocked(int32 number);
    int32 maximumLocked() const;
    void tellController();

    const Kind m_kind;
    Quorvane::IValue* const m_self;
    HostThread& m_thread;
    std::mutex m_mutex;
    State m_state;
    Quorvane::IPlugController* m_controller = nullptr; // not referenced: the panel's window holds it
    int32 m_tag = -1;
};

// A value of a host-drawn panel of the kind I (IHostOnOffValue, IHostIntValue, IHostStringValue or
// IHostStringListValue), as IHostClasses::createInstance makes it. Only a list answers IStringList.
template <class I> class SimPanelValue : public HostObject<I, Quorvane::IStringList>, public SimPanelValueCore
{
public:
    SimPanelValue(HostContextRef host, Kind kind)
        : HostObject<I, Quorvane::IStringList>(std::move(host), "PanelValue"),
          SimPanelValueCore(kind, static_cast<I*>(this), this->registry().thread())
    {
        this->template alsoAnswer<Quorvane::IValue>();
        this->template alsoAnswer<Quorvane::IValue2>();
        if (kind != Kind::List)
            this->setAnswering(Quorvane::IStringList::iid, false);
    }

    int32 getType() override { return SimPanelValueCore::getType(); }
    int32 getInt() override { return SimPanelValueCore::getInt(); }
    float getFloat() override { return SimPanelValueCore::getFloat(); }
    tresult setFloat(float value) override { return SimPanelValueCore::setFloat(value); }
    float getNormalized() override { return SimPanelValueCore::getNormalized(); }
    tresult setNormalized(float value) override { return SimPanelValueCore::setNormalized(value); }
    tresult connect(Quorvane::IPlugController* controller, int32 tag) override
    {
        return SimPanelValueCore::connect(controller, tag);
    }
    float getMin() override { return SimPanelValueCore::getMin(); }
    float getMax() override { return SimPanelValueCore::getMax(); }
    tresult beginEdit() override { return Quorvane::kResultOk; }
    tresult endEdit() override { return Quorvane::kResultOk; }
    int32 getParamIndex() override { return -1; }
    int32 getTag() override { return SimPanelValueCore::getTag(); }
    tresult setEnabled(bool enabled) override { return SimPanelValueCore::setEnabled(enabled); }
    tresult toString(char16_t* buffer, int32 size) override { return SimPanelValueCore::toString(buffer, size); }
    tresult fromString(const char16_t* text) override { return SimPanelValueCore::fromString(text); }
    tresult setInt(int32 value, bool notify) override { return SimPanelValueCore::setInt(value, notify); }
    tresult setMin(int32 minimum) override { return SimPanelValueCore::setMin(minimum); }
    tresult setMax(int32 maximum) override { return SimPanelValueCore::setMax(maximum); }
    bool hasDefault() override { return SimPanelValueCore::hasDefault(); }
    float getDefault() override { return SimPanelValueCore::getDefault(); }
    Quorvane::FUnknown* getOwner() override { return nullptr; }
    tresult setDefault(float value) override { return SimPanelValueCore::setDefault(value); }
    tresult setFlag(int32 flag, bool on) override { return SimPanelValueCore::setFlag(flag, on); }
    tresult removeAll() override { return SimPanelValueCore::removeAll(); }
    tresult setStrings(const char16_t* const* items) override { return SimPanelValueCore::setStrings(items); }
    int32 countStrings() override { return SimPanelValueCore::countStrings(); }
    tresult addString(const char16_t* text) override { return SimPanelValueCore::addString(text); }
};

// Registers the four panel value kinds with the host's classes.
void addPanelValueClasses(HostRegistry& registry);

// The host-side view of a panel parameter the extension handed out; null when it is not a panel value.
SimPanelValueCore* panelValue(Quorvane::IValue* value);

} // namespace simhost
