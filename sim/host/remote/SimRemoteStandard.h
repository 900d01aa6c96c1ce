#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"
#include "SimRemoteBank.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace simhost {

class SimRemoteDevice;

// One control as the device declared it.
struct DeclaredControl
{
    std::string name;
    int status = 0;
    int channel = 0;
    int number = 0;
    int maximum = 0;
    int flags = 0;
};

// The host's standard remote interface handed to one device's init. It records what the device set up
// (properties, controls, banks, layers) and everything it did (SysEx sent, LEDs, control changes handed
// back to the host), and plays the host's part: a command bound to a control runs when the control is
// pressed, the "Remote" commands switch layers, the jog wheel moves the transport, and setLayer calls
// the device's activateLayer. What changes what the host shows runs on the host's thread: set-up,
// sending, LEDs and layers must be called there; changeValue and the MIDI event operations may come
// from any thread, and what they cause is done at the host's next idle turn.
class SimRemoteStandard : public HostObject<Quorvane::IHWRemoteStandard>
{
public:
    SimRemoteStandard(HostContextRef host, SimRemoteDevice* owner);
    ~SimRemoteStandard() override;

    tresult setRemoteProperty(std::uint32_t key, int32 value) override;
    tresult setRemoteName(const char* name) override;
    tresult setRemoteFamilyID(const char* id) override;
    bool open() override;
    bool close() override;
    void resetAll() override;
    tresult addUserFunctions(const char** names, int32 count) override;
    Quorvane::IHWRemoteBank* createBank(const char* name) override;
    Quorvane::IHWRemoteBank* getBank(const char* name) override;
    void doMidiEvent(void* event) override;
    const std::uint8_t* getMIDISysexData(void* event, int32* length) override;
    bool getMIDIData(void* event, char& status, char& data1, char& data2) override;
    void changeValue(int32 index, int32 value) override;
    void sendController(Quorvane::PHWRemoteControl* control, int32 index, int32 value) override;
    tresult sendEvent(int32 status, int32 data1, int32 data2) override;
    tresult send(void* sysex) override;
    tresult setBank(const char* name) override;
    tresult setLayer(const char* name) override;
    tresult requestReset() override;
    tresult addRemoteControl(Quorvane::PHWRemoteControl* control) override;
    tresult getRemoteControl(int32 index, Quorvane::PHWRemoteControl& control) override;
    int32 getRemoteControlAddr(const char* name) override;
    tresult forceRemoteControlUpdate(int32 index) override;
    tresult getValueProperties(int32 index, Quorvane::PHWRemoteValue& value) override;
    tresult getValueText(int32 index, char* buffer, int32 size) override;
    tresult getValueName(int32 index, char* buffer, int32 size) override;
    tresult addTextDisplay(int32 a, int32 b, int32 c, int32 d, bool e, int32 f) override;
    tresult getTextDisplayData(int32 display, int32 row, int32 column, char* buffer, int32 size) override;
    tresult setTextDisplayData(int32 display, int32 row, int32 column, char* text) override;
    tresult getTextDisplayRow(int32 display, int32 row, char* buffer, int32 size) override;
    tresult setTextDisplayRow(int32 display, int32 row, char* text) override;
    tresult requestDisplaySwitch(int32 display, int32 mode) override;

    // What the device set up.
    std::vector<std::pair<std::uint32_t, int32>> properties() const;
    std::vector<DeclaredControl> controls() const;
    int controlIndex(const std::string& name) const;
    // The control a channel message addresses (note off counts as note on), or -1.
    int controlForMidi(int status, int number) const;
    SimRemoteBank* bank(const std::string& name) const;
    std::string activeLayer() const;

    // What the device did.
    std::vector<std::vector<std::uint8_t>> sentSysEx() const;
    // The last value each control's LED was set to; -1 for one never set.
    int led(int index) const;
    std::vector<std::pair<int, int>> ledLog() const;
    // Control changes the device handed back to the host's standard handling, in order.
    std::vector<std::pair<int, int>> standardChanges() const;
    // What the host did for the device: "command Transport/Return to Zero", "value Transport/start 127",
    // "wheel 3", "layer Jog Mode".
    std::vector<std::string> hostActions() const;
    int midiEventsPassedOn() const;
    // Notes something else the host did for the device (its owner closing or opening it).
    void noteHostAction(std::string action) { logAction(std::move(action)); }
    int openCount() const;
    int closeCount() const;
    void clearLogs();

    // The owner is going: nothing reaches it any more.
    void detach();

private:
    void perform(const std::optional<RemoteBinding>& binding, int value);
    void activate(const std::string& layer);
    void logAction(std::string action);

    mutable std::mutex m_mutex;
    SimRemoteDevice* m_owner;
    std::string m_name;
    std::string m_familyID;
    std::vector<std::pair<std::uint32_t, int32>> m_properties;
    std::vector<DeclaredControl> m_controls;
    std::vector<SimRemoteBank*> m_banks; // referenced
    std::string m_currentBank;
    std::string m_activeLayer;
    std::vector<std::vector<std::uint8_t>> m_sent;
    std::map<int, int> m_leds;
    std::vector<std::pair<int, int>> m_ledLog;
    std::vector<std::pair<int, int>> m_standardChanges;
    std::vector<std::string> m_hostActions;
    int m_midiEventsPassedOn = 0;
    int m_opens = 0;
    int m_closes = 0;
};

} // namespace simhost
