#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"
#include "SimValue.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace simhost {

// A host device: a mixer channel, a channel's panner, quick controls or EQ, an instrument slot, an
// instrument and its parts. It has a type name, an 8-bit name, sub-devices, values (each also a
// parameter with a numeric identifier and a 16-bit name, at its place in the device's list) and,
// when given some, named devices it hands out through IDeviceGetter. It keeps one reference to each
// sub-device and value; when the host removes it, its dependents and those of its values are told.
// The extension reads it on the host's thread.
class SimDevice : public HostObject<Quorvane::IDevice, Quorvane::IDeviceGetter>
{
public:
    SimDevice(HostContextRef host, std::string typeName, std::string name);
    ~SimDevice() override;

    const char* getTypeName() override;
    const char* getName() override;
    int32 countSubDevices() override;
    Quorvane::IDevice* getSubDevice(int32 index) override;
    Quorvane::IValue* getValue(const char* name) override;
    int32 countParameters() override;
    int32 getParameterID(int32 index) override;
    Quorvane::IValue* getParameterValue(int32 identifier) override;
    const char16_t* getParameterName(int32 index) override;
    Quorvane::IDevice* getDevice(const char* name) override;

    // Host side. The device made or added is kept by this one; the pointer returned stays valid while
    // it is.
    SimDevice* makeSubDevice(std::string typeName, std::string name);
    // Keeps one more reference to a device made elsewhere (a channel listed in the mixer too).
    void addSubDevice(SimDevice* device);
    // Drops a sub-device; when removed is true, the host is done with it (its dependents are told).
    bool removeSubDevice(SimDevice* device, bool removed);
    // A value found by key (empty for a parameter without one) and, when identifier is not -1, by the
    // identifier; name is the parameter's 16-bit name (none when empty).
    SimValue* addValue(const std::string& key, SimValueSetup setup, int32 identifier = -1, std::u16string name = {});
    SimValue* value(const std::string& key);
    SimValue* parameter(int32 identifier);
    // Gives the parameter with that identifier a new 16-bit name (a sampler's program switch renames its
    // parameters); false when there is none.
    bool renameParameter(int32 identifier, std::u16string name);
    // Hands device out through IDeviceGetter under name (which the device then answers).
    void setNamedDevice(const std::string& name, SimDevice* device);
    void setName(std::string name);
    std::string name();
    std::vector<SimDevice*> subDevices();
    // Tells the dependents of this device, its values and its sub-devices that the host is done with
    // them (message destroyed) and forgets their dependencies.
    void hostRemoved();

private:
    struct Entry
    {
        std::string key;
        int32 identifier;
        std::u16string name; // none when empty
        HostRef<SimValue> value;
    };

    std::mutex m_mutex;
    std::string m_typeName;
    std::string m_name;
    std::vector<HostRef<SimDevice>> m_subDevices;
    std::vector<Entry> m_values;
    std::map<std::string, HostRef<SimDevice>> m_namedDevices;
};

} // namespace simhost
