#include "SimDeviceList.h"

#include <algorithm>

using namespace Quorvane;

namespace simhost {

SimDeviceList::SimDeviceList(HostContextRef host) : HostObject(std::move(host), "DeviceList") {}

int32 SimDeviceList::countDevices()
{
    hostThreadOnly("IDeviceList::countDevices");
    std::lock_guard lock(m_mutex);
    return static_cast<int32>(m_devices.size());
}

IDevice* SimDeviceList::getDeviceAt(int32 index)
{
    hostThreadOnly("IDeviceList::getDeviceAt");
    std::lock_guard lock(m_mutex);
    if (index < 0 || index >= static_cast<int32>(m_devices.size()))
        return nullptr;
    return m_devices[static_cast<std::size_t>(index)].get();
}

IDevice* SimDeviceList::findDevice(const char* name)
{
    hostThreadOnly("IDeviceList::findDevice");
    if (!name)
        return nullptr;
    std::vector<HostRef<SimDevice>> devices;
    {
        std::lock_guard lock(m_mutex);
        devices = m_devices;
    }
    for (const HostRef<SimDevice>& device : devices)
        if (device->name() == name)
            return device.get();
    return nullptr;
}

void SimDeviceList::addDevice(SimDevice* device)
{
    std::lock_guard lock(m_mutex);
    m_devices.push_back(HostRef<SimDevice>::share(device));
}

bool SimDeviceList::removeDevice(SimDevice* device)
{
    HostRef<SimDevice> removed;
    {
        std::lock_guard lock(m_mutex);
        const auto it = std::find_if(m_devices.begin(), m_devices.end(),
                                     [device](const HostRef<SimDevice>& d) { return d.get() == device; });
        if (it == m_devices.end())
            return false;
        removed = std::move(*it);
        m_devices.erase(it);
    }
    removed->hostRemoved();
    return true;
}

} // namespace simhost
