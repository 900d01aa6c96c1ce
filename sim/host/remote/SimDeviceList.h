#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"
#include "SimRemoteDevice.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace simhost {

class SimMidiInput;
class SimPortRegistry;

// The host's device list: the devices of the host (remote devices that detection installed, and any
// other device a test adds), by index and by name; it creates remote devices of a registered class of
// the loaded extension and removes them, and at each idle turn has every remote device follow the ports
// of the host's registry it is connected to. Called on the host's thread.
class SimDeviceList : public HostObject<Quorvane::IDeviceList2>
{
public:
    // Makes an instance of classId answering IHWRemote (referenced) and names its class; null when the
    // extension has no such class.
    using Creator = std::function<Quorvane::IHWRemote*(const char* classId, std::string* className)>;

    SimDeviceList(HostContextRef host, SimMidiInput* midi, SimPortRegistry* ports);
    ~SimDeviceList() override;

    int32 countDevices() override;
    Quorvane::IDevice* getDeviceAt(int32 index) override;
    Quorvane::IDevice* findDevice(const char* name) override;
    int32 countDevicesNamed(const char* name) override;
    Quorvane::IDevice* getDeviceNamed(const char* name, int32 index) override;
    // Creates the instance, installs it (init) and keeps it; null when the class is unknown or init
    // refused. Not referenced.
    Quorvane::IDevice* createDevice(const char* classId, int32 index, int32 flags) override;
    // A remote device is terminated (close, term) and released.
    tresult removeDevice(Quorvane::IDevice* device) override;

    void setCreator(Creator creator);
    // Adds a device of another kind (the list keeps a reference).
    void addDevice(Quorvane::IDevice* device);
    std::vector<SimRemoteDevice*> remoteDevices() const;
    // Removes every remote device, terminated first when asked (else released as they are); the host's
    // own devices (its mixer, devices a test added) stay.
    void removeRemoteDevices(bool callTerm = true);
    // The host's idle turn for every installed remote device: it follows its ports (see
    // SimRemoteDevice::followPorts), then gets its idle call.
    void idleRemoteDevices();
    int createdCount() const;

private:
    struct Entry
    {
        Quorvane::IDevice* device; // referenced
        SimRemoteDevice* remote;   // the same object when it is a remote device, else null
    };

    SimMidiInput* m_midi;
    HostRef<SimPortRegistry> m_ports;
    mutable std::mutex m_mutex;
    Creator m_creator;
    std::vector<Entry> m_devices;
    int m_created = 0;
};

} // namespace simhost
