#pragma once

#include "HostApplication.h"

// Host interfaces of devices (mixer channels, instruments, their sub-devices), ports and detection.
namespace Quorvane {

class IValue;

// A host device: a type name, an 8-bit name, sub-devices, named values and a parameter list with
// numeric identifiers and 16-bit names.
class IDevice : public FUnknown
{
public:
    // For example "AudioChannel", "MidiChannel", "Synth".
    virtual const char8* getTypeName() = 0;
    virtual const char8* getName() = 0;
    virtual int32 countSubDevices() = 0;
    virtual IDevice* getSubDevice(int32 index) = 0;
    // A referenced value, or null.
    virtual IValue* getValue(const char8* name) = 0;
    virtual int32 countParameters() = 0;
    virtual int32 getParameterID(int32 index) = 0;
    // A referenced value of the parameter with that identifier, or null.
    virtual IValue* getParameterValue(int32 identifier) = 0;
    // Null when the parameter has no name.
    virtual const char16* getParameterName(int32 index) = 0;

    QUORVANE_IID(0xD33FD4B0, 0xA66C3F92, 0xB5F5BFB5, 0x32F7B6D5)
protected:
    ~IDevice() = default;
};

// Named devices that belong to a device (a track's channel strip devices).
class IDeviceGetter : public FUnknown
{
public:
    virtual IDevice* getDevice(const char8* name) = 0;

    QUORVANE_IID(0x9397EE8E, 0xE66BD7FF, 0x85CC65CD, 0x2E897351)
protected:
    ~IDeviceGetter() = default;
};

// The host's root device list.
class IDeviceList : public FUnknown
{
public:
    virtual int32 countDevices() = 0;
    virtual IDevice* getDeviceAt(int32 index) = 0;
    virtual IDevice* findDevice(const char8* name) = 0;

    QUORVANE_IID(0xECB7D8C0, 0xD393421A, 0xAEAB10D4, 0x39653DD2)
protected:
    ~IDeviceList() = default;
};

// The device list's installation side: devices by name, creation by class, removal.
class IDeviceList2 : public IDeviceList
{
public:
    virtual int32 countDevicesNamed(const char8* name) = 0;
    virtual IDevice* getDeviceNamed(const char8* name, int32 index) = 0;
    // Creates and installs a device of the registered class classId; not referenced.
    virtual IDevice* createDevice(const TUID classId, int32 index, int32 flags) = 0;
    virtual tresult removeDevice(IDevice* device) = 0;

    QUORVANE_IID(0x3EECCDFF, 0x84DC5CCE, 0x2861326E, 0xE88404CB)
protected:
    ~IDeviceList2() = default;
};

// Connections of a device to ports and to other objects.
class IConnector : public FUnknown
{
public:
    virtual tresult connect(FUnknown* port) = 0;
    virtual bool isConnectedTo(FUnknown* object) = 0;

    QUORVANE_IID(0xB6DC6A2F, 0x8BD38B10, 0xE881321B, 0xCFC14CE4)
protected:
    ~IConnector() = default;
};

// A port of the host's port registry (MIDI or audio).
class IPort : public FUnknown
{
public:
    // kind: "midi" or "audio".
    virtual bool isKindOf(const char8* kind) = 0;
    // attribute: for example "system".
    virtual bool hasAttribute(const char8* attribute) = 0;
    virtual bool isInput() = 0;
    virtual const char16* getName() = 0;
    virtual const char16* getDisplayName() = 0;
    virtual tresult setDisplayName(const char16* name) = 0;

    QUORVANE_IID(0x17CABBA9, 0x74F0E25B, 0x10F4DBB5, 0x50465542)
protected:
    ~IPort() = default;
};

class IPortRegistry : public FUnknown
{
public:
    virtual int32 countPorts() = 0;
    virtual IPort* getPort(int32 index) = 0;

    QUORVANE_IID(0x45E5E7E5, 0x41A2236C, 0x47A6CF5C, 0xCB690846)
protected:
    ~IPortRegistry() = default;
};

// The host's record of what a detector finds.
struct IDetectorDeviceInfo
{
    char8 deviceType[64];
    char8 vendor[64];
    char8 detectionKind[64];
};

// Answered by a device detector: the host asks it to find and install its devices.
class IDetector : public FUnknown
{
public:
    virtual tresult detect() = 0;
    virtual tresult getDeviceTypeInfo(IDetectorDeviceInfo* info) = 0;

    QUORVANE_IID(0xF3BF000C, 0x8CAC7F86, 0xB2D14643, 0x57E7CCDE)
protected:
    ~IDetector() = default;
};

} // namespace Quorvane
