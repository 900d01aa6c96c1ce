#include "SimDevice.h"

#include "SimUpdateHandler.h"

#include <algorithm>

using namespace Quorvane;

namespace simhost {

SimDevice::SimDevice(HostContextRef host, std::string typeName, std::string name)
    : HostObject(std::move(host), "Device"), m_typeName(std::move(typeName)), m_name(std::move(name))
{
    // Answered once the device has named devices to hand out.
    setAnswering(IDeviceGetter::iid, false);
}

SimDevice::~SimDevice()
{
    // Values the extension still holds outlive their device: they must not name it any more.
    for (Entry& entry : m_values)
        entry.value->setOwner(nullptr, -1);
}

const char* SimDevice::getTypeName()
{
    hostThreadOnly("IDevice::getTypeName");
    std::lock_guard lock(m_mutex);
    return m_typeName.c_str();
}

const char* SimDevice::getName()
{
    hostThreadOnly("IDevice::getName");
    std::lock_guard lock(m_mutex);
    return m_name.c_str();
}

int32 SimDevice::countSubDevices()
{
    hostThreadOnly("IDevice::countSubDevices");
    std::lock_guard lock(m_mutex);
    return static_cast<int32>(m_subDevices.size());
}

IDevice* SimDevice::getSubDevice(int32 index)
{
    hostThreadOnly("IDevice::getSubDevice");
    std::lock_guard lock(m_mutex);
    const HostRef<SimDevice>* device = elementAt(m_subDevices, index);
    return device ? device->get() : nullptr;
}

IValue* SimDevice::getValue(const char* name)
{
    hostThreadOnly("IDevice::getValue");
    if (!name)
        return nullptr;
    std::lock_guard lock(m_mutex);
    for (Entry& entry : m_values) {
        if (!entry.key.empty() && entry.key == name) {
            entry.value->addRef();
            return entry.value.get();
        }
    }
    return nullptr;
}

int32 SimDevice::countParameters()
{
    hostThreadOnly("IDevice::countParameters");
    std::lock_guard lock(m_mutex);
    return static_cast<int32>(m_values.size());
}

int32 SimDevice::getParameterID(int32 index)
{
    hostThreadOnly("IDevice::getParameterID");
    std::lock_guard lock(m_mutex);
    const Entry* entry = elementAt(m_values, index);
    return entry ? entry->identifier : -1;
}

IValue* SimDevice::getParameterValue(int32 identifier)
{
    hostThreadOnly("IDevice::getParameterValue");
    std::lock_guard lock(m_mutex);
    for (Entry& entry : m_values) {
        if (entry.identifier != -1 && entry.identifier == identifier) {
            entry.value->addRef();
            return entry.value.get();
        }
    }
    return nullptr;
}

const char16_t* SimDevice::getParameterName(int32 index)
{
    hostThreadOnly("IDevice::getParameterName");
    std::lock_guard lock(m_mutex);
    const Entry* entry = elementAt(m_values, index);
    return entry && !entry->name.empty() ? entry->name.c_str() : nullptr;
}

IDevice* SimDevice::getDevice(const char* name)
{
    hostThreadOnly("IDeviceGetter::getDevice");
    if (!name)
        return nullptr;
    std::lock_guard lock(m_mutex);
    const auto it = m_namedDevices.find(name);
    return it == m_namedDevices.end() ? nullptr : it->second.get();
}

SimDevice* SimDevice::makeSubDevice(std::string typeName, std::string name)
{
    HostRef<SimDevice> device =
        HostRef<SimDevice>::adopt(makeHostObject<SimDevice>(registry().shared_from_this(), typeName, name));
    addSubDevice(device.get());
    return device.get();
}

void SimDevice::addSubDevice(SimDevice* device)
{
    std::lock_guard lock(m_mutex);
    m_subDevices.push_back(HostRef<SimDevice>::share(device));
}

bool SimDevice::removeSubDevice(SimDevice* device, bool removed)
{
    HostRef<SimDevice> dropped;
    {
        std::lock_guard lock(m_mutex);
        const auto it = std::find_if(m_subDevices.begin(), m_subDevices.end(),
                                     [device](const HostRef<SimDevice>& d) { return d.get() == device; });
        if (it == m_subDevices.end())
            return false;
        dropped = std::move(*it);
        m_subDevices.erase(it);
        std::erase_if(m_namedDevices, [device](const auto& named) { return named.second.get() == device; });
    }
    if (removed)
        dropped->hostRemoved();
    return true;
}

SimValue* SimDevice::addValue(const std::string& key, SimValueSetup setup, int32 identifier, std::u16string name)
{
    HostRef<SimValue> value =
        HostRef<SimValue>::adopt(makeHostObject<SimValue>(registry().shared_from_this(), std::move(setup)));
    std::lock_guard lock(m_mutex);
    value->setOwner(unknown(), static_cast<int32>(m_values.size()));
    m_values.push_back({key, identifier, std::move(name), value});
    return value.get();
}

SimValue* SimDevice::value(const std::string& key)
{
    std::lock_guard lock(m_mutex);
    for (Entry& entry : m_values)
        if (entry.key == key)
            return entry.value.get();
    return nullptr;
}

SimValue* SimDevice::parameter(int32 identifier)
{
    std::lock_guard lock(m_mutex);
    for (Entry& entry : m_values)
        if (entry.identifier == identifier)
            return entry.value.get();
    return nullptr;
}

bool SimDevice::renameParameter(int32 identifier, std::u16string name)
{
    std::lock_guard lock(m_mutex);
    for (Entry& entry : m_values) {
        if (entry.identifier == identifier) {
            entry.name = std::move(name);
            return true;
        }
    }
    return false;
}

void SimDevice::setNamedDevice(const std::string& name, SimDevice* device)
{
    {
        std::lock_guard lock(m_mutex);
        m_namedDevices[name] = HostRef<SimDevice>::share(device);
    }
    setAnswering(IDeviceGetter::iid, true);
}

void SimDevice::setName(std::string name)
{
    std::lock_guard lock(m_mutex);
    m_name = std::move(name);
}

std::string SimDevice::name()
{
    std::lock_guard lock(m_mutex);
    return m_name;
}

std::vector<SimDevice*> SimDevice::subDevices()
{
    std::lock_guard lock(m_mutex);
    std::vector<SimDevice*> devices;
    for (const HostRef<SimDevice>& device : m_subDevices)
        devices.push_back(device.get());
    return devices;
}

void SimDevice::hostRemoved()
{
    std::vector<HostRef<SimDevice>> subDevices;
    std::vector<HostRef<SimValue>> values;
    {
        std::lock_guard lock(m_mutex);
        subDevices = m_subDevices;
        for (const Entry& entry : m_values)
            values.push_back(entry.value);
    }
    for (const HostRef<SimDevice>& device : subDevices)
        device->hostRemoved();
    HostRef<SimUpdateHandler> updates = SimUpdateHandler::of(registry());
    if (!updates)
        return;
    for (const HostRef<SimValue>& value : values)
        updates->objectRemoved(value->unknown());
    updates->objectRemoved(unknown());
}

} // namespace simhost
