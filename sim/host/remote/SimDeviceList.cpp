#include "SimDeviceList.h"

#include "SimPort.h"

#include <algorithm>
#include <cstring>

using namespace Quorvane;

namespace simhost {

namespace {

bool named(IDevice* device, const char* name)
{
    const char* own = device->getName();
    return own && name && std::strcmp(own, name) == 0;
}

} // namespace

SimDeviceList::SimDeviceList(HostContextRef host, SimMidiInput* midi, SimPortRegistry* ports)
    : HostObject(std::move(host), "DeviceList"), m_midi(midi), m_ports(HostRef<SimPortRegistry>::share(ports))
{
    alsoAnswer<IDeviceList>();
}

SimDeviceList::~SimDeviceList()
{
    removeRemoteDevices(false);
    for (const Entry& e : m_devices)
        e.device->release();
}

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
    const Entry* entry = elementAt(m_devices, index);
    return entry ? entry->device : nullptr;
}

IDevice* SimDeviceList::findDevice(const char* name)
{
    hostThreadOnly("IDeviceList::findDevice");
    return getDeviceNamed(name, 0);
}

int32 SimDeviceList::countDevicesNamed(const char* name)
{
    hostThreadOnly("IDeviceList2::countDevicesNamed");
    std::lock_guard lock(m_mutex);
    int32 count = 0;
    for (const Entry& e : m_devices)
        count += named(e.device, name) ? 1 : 0;
    return count;
}

IDevice* SimDeviceList::getDeviceNamed(const char* name, int32 index)
{
    hostThreadOnly("IDeviceList2::getDeviceNamed");
    std::lock_guard lock(m_mutex);
    int32 seen = 0;
    for (const Entry& e : m_devices)
        if (named(e.device, name) && seen++ == index)
            return e.device;
    return nullptr;
}

IDevice* SimDeviceList::createDevice(const char* classId, int32, int32)
{
    hostThreadOnly("IDeviceList2::createDevice");
    Creator creator;
    {
        std::lock_guard lock(m_mutex);
        creator = m_creator;
    }
    std::string className;
    IHWRemote* remote = creator && classId ? creator(classId, &className) : nullptr;
    if (!remote)
        return nullptr;
    auto* device = makeHostObject<SimRemoteDevice>(registry().shared_from_this(), className, m_midi);
    if (!device->install(remote)) {
        device->release();
        return nullptr;
    }
    std::lock_guard lock(m_mutex);
    m_devices.push_back({device, device});
    ++m_created;
    return device;
}

tresult SimDeviceList::removeDevice(IDevice* device)
{
    hostThreadOnly("IDeviceList2::removeDevice");
    Entry entry{nullptr, nullptr};
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_devices.begin(); it != m_devices.end(); ++it) {
            if (it->device == device) {
                entry = *it;
                m_devices.erase(it);
                break;
            }
        }
    }
    if (!entry.device)
        return kResultFalse;
    if (entry.remote)
        entry.remote->terminate(true);
    entry.device->release();
    return kResultOk;
}

void SimDeviceList::setCreator(Creator creator)
{
    std::lock_guard lock(m_mutex);
    m_creator = std::move(creator);
}

void SimDeviceList::addDevice(IDevice* device)
{
    if (!device)
        return;
    device->addRef();
    std::lock_guard lock(m_mutex);
    m_devices.push_back({device, nullptr});
}

std::vector<SimRemoteDevice*> SimDeviceList::remoteDevices() const
{
    std::lock_guard lock(m_mutex);
    std::vector<SimRemoteDevice*> remotes;
    for (const Entry& e : m_devices)
        if (e.remote)
            remotes.push_back(e.remote);
    return remotes;
}

void SimDeviceList::removeRemoteDevices(bool callTerm)
{
    std::vector<Entry> devices;
    {
        std::lock_guard lock(m_mutex);
        const auto others =
            std::stable_partition(m_devices.begin(), m_devices.end(), [](const Entry& e) { return !e.remote; });
        devices.assign(others, m_devices.end());
        m_devices.erase(others, m_devices.end());
    }
    for (const Entry& e : devices) {
        if (e.remote)
            e.remote->terminate(callTerm);
        e.device->release();
    }
}

void SimDeviceList::idleRemoteDevices()
{
    std::vector<HostRef<SimRemoteDevice>> devices;
    for (SimRemoteDevice* device : remoteDevices())
        devices.push_back(HostRef<SimRemoteDevice>::share(device));
    for (const auto& device : devices) {
        if (m_ports)
            device->followPorts(*m_ports.get());
        device->idle();
    }
}

int SimDeviceList::createdCount() const
{
    std::lock_guard lock(m_mutex);
    return m_created;
}

} // namespace simhost
