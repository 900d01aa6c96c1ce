#pragma once

#include "HostApplication.h"

// Host interfaces of hardware remote devices: the device the extension implements, the host's
// standard remote side, banks and layers, and the transport.
namespace Quorvane {

// One control of a remote device as the host knows it.
struct PHWRemoteControl
{
    const char8* name = nullptr;
    uint8 midiStatus = 0;
    uint8 midiChannel = 0;
    uint16 number = 0; // controller or note number
    int32 maximum = 0;
    int32 flags = 0; // host-defined bits
};

// Properties of a host value bound to a control.
struct PHWRemoteValue
{
    int32 type = 0;
    int32 minimum = 0;
    int32 maximum = 0;
    int32 defaultValue = 0;
    int32 flags = 0;
};

class IHWRemoteStandard;

// Answered by a remote device class: the host drives the device through it.
class IHWRemote : public IPluginBase
{
public:
    virtual bool init(IHWRemoteStandard* standard) = 0;
    virtual bool term() = 0;
    virtual bool open() = 0;
    virtual bool close() = 0;
    virtual void resetAll() = 0;
    // A control (by its index of declaration) changed to value.
    virtual void changeValue(int32 index, int32 value) = 0;
    // A MIDI event from the device's input, on the host's MIDI input thread.
    virtual void doMidiEvent(void* event) = 0;
    // The host sets a control's feedback (LED) value.
    virtual void sendController(PHWRemoteControl* control, int32 index, int32 value) = 0;
    virtual void sendText(const char8* text, int32 a, int32 b) = 0;
    virtual void activateBank(const char8* name) = 0;
    virtual void deactivateBank(const char8* name) = 0;
    virtual void activateLayer(const char8* name) = 0;
    virtual void onIdle() = 0;

    QUORVANE_IID(0x99FFC705, 0x035680E0, 0x98538D1F, 0xF4362B53)
protected:
    ~IHWRemote() = default;
};

// A device binding made by IHWRemoteBank::bindDevice: binds controls of layers to the device's values.
class IHWRemoteDeviceBinding : public FUnknown
{
public:
    virtual tresult bindValue(const char8* layer, const char8* control, const char8* valueName) = 0;
    // Names the target the binding falls back to (for example "Default:Assignable").
    virtual tresult setTarget(const char8* target) = 0;

    QUORVANE_IID(0xE6AAA85A, 0xFEE7189E, 0x5E113DC7, 0xFE834680)
protected:
    ~IHWRemoteDeviceBinding() = default;
};

// A bank of a remote device: layers with bindings of controls to host commands and values.
class IHWRemoteBank : public FUnknown
{
public:
    virtual tresult createLayer(const char8* name) = 0;
    virtual tresult bindCommand(const char8* layer, const char8* control, const char8* category,
                                const char8* command, int32 flags) = 0;
    virtual tresult bindValue(const char8* layer, const char8* control, const char8* device, int32 channelSelector,
                              const char8* valueName, int32 flags) = 0;
    // Binds a host device by kind and name; null when the host has none. Not referenced.
    virtual IHWRemoteDeviceBinding* bindDevice(const char8* kind, const char8* name, int32 a, int32 b, int32 c) = 0;

    QUORVANE_IID(0x9872BFED, 0x7B2F0D89, 0x64049486, 0x7A8850BC)
protected:
    ~IHWRemoteBank() = default;
};

// The host's side of a remote device, handed to IHWRemote::init.
class IHWRemoteStandard : public FUnknown
{
public:
    // key: a four-character code.
    virtual tresult setRemoteProperty(uint32 key, int32 value) = 0;
    virtual tresult setRemoteName(const char8* name) = 0;
    virtual tresult setRemoteFamilyID(const char8* id) = 0;
    virtual bool open() = 0;
    virtual bool close() = 0;
    virtual void resetAll() = 0;
    virtual tresult addUserFunctions(const char8** names, int32 count) = 0;
    // Not referenced; null when the host refuses.
    virtual IHWRemoteBank* createBank(const char8* name) = 0;
    virtual IHWRemoteBank* getBank(const char8* name) = 0;
    virtual void doMidiEvent(void* event) = 0;
    // The event's system-exclusive bytes and their count, or null (length 0) when it carries none.
    virtual const uint8* getMIDISysexData(void* event, int32* length) = 0;
    virtual bool getMIDIData(void* event, char8& status, char8& data1, char8& data2) = 0;
    virtual void changeValue(int32 index, int32 value) = 0;
    virtual void sendController(PHWRemoteControl* control, int32 index, int32 value) = 0;
    virtual tresult sendEvent(int32 status, int32 data1, int32 data2) = 0;
    // Sends one complete system-exclusive message, F0 up to and including its first F7.
    virtual tresult send(void* sysex) = 0;
    virtual tresult setBank(const char8* name) = 0;
    // Makes the named layer of the current bank active; the host then calls activateLayer.
    virtual tresult setLayer(const char8* name) = 0;
    virtual tresult requestReset() = 0;
    // Declares a control; the order of declaration is the control's index.
    virtual tresult addRemoteControl(PHWRemoteControl* control) = 0;
    virtual tresult getRemoteControl(int32 index, PHWRemoteControl& control) = 0;
    virtual int32 getRemoteControlAddr(const char8* name) = 0;
    virtual tresult forceRemoteControlUpdate(int32 index) = 0;
    virtual tresult getValueProperties(int32 index, PHWRemoteValue& value) = 0;
    virtual tresult getValueText(int32 index, char8* buffer, int32 size) = 0;
    virtual tresult getValueName(int32 index, char8* buffer, int32 size) = 0;
    virtual tresult addTextDisplay(int32 a, int32 b, int32 c, int32 d, bool e, int32 f) = 0;
    virtual tresult getTextDisplayData(int32 display, int32 row, int32 column, char8* buffer, int32 size) = 0;
    virtual tresult setTextDisplayData(int32 display, int32 row, int32 column, char8* text) = 0;
    virtual tresult getTextDisplayRow(int32 display, int32 row, char8* buffer, int32 size) = 0;
    virtual tresult setTextDisplayRow(int32 display, int32 row, char8* text) = 0;
    virtual tresult requestDisplaySwitch(int32 display, int32 mode) = 0;

    QUORVANE_IID(0x1F9E2948, 0x2A0120E2, 0xD6A2650F, 0xBA0DEE0E)
protected:
    ~IHWRemoteStandard() = default;
};

// The host's transport.
class ITransportDevice : public FUnknown
{
public:
    virtual tresult getProjectCursorPosition(double* position) = 0;

    QUORVANE_IID(0x3C6B9365, 0xBAF5A6D3, 0xE59EDF32, 0x99802F8B)
protected:
    ~ITransportDevice() = default;
};

} // namespace Quorvane
