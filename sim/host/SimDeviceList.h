#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"
#include "SimDevice.h"

#include <mutex>
#include <vector>

namespace simhost {

// The host's root device list: the mixer and the host's other top-level devices, found by position or
// by name. It keeps one reference to each. Host thread.
class SimDeviceList : public HostObject<Quorvane::IDeviceList>
{
public:
    explicit SimDeviceList(HostContextRef host);

    int32 countDevices() override;
    Quorvane::IDevice* getDeviceAt(int32 index) override;
    // The first device of that name.
    Quorvane::IDevice* findDevice(const char* name) override;

    // Host side.
    void addDevice(SimDevice* device);
    // Takes the device off the list; the host is done with it (its dependents are told).
    bool removeDevice(SimDevice* device);

private:
    std::mutex m_mutex;
    std::vector<HostRef<SimDevice>> m_devices;
};

} // namespace simhost
