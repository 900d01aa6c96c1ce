#include "DeviceSetupManager.h"

#include "HostQuery.h"
#include "Useful.h"

#include <cstdio>

using namespace Quorvane;

namespace {

std::string portName(IPort* port)
{
    const char16_t* name = port->getName();
    return name ? Useful::getCString(name) : std::string();
}

} // namespace

bool DeviceSetupManager::comparePortName(const char* portName, const SearchList& names, bool exactMatch)
{
    if (!portName || names.empty())
        return false;
    for (const auto& [device, number] : names) {
        char wanted[256];
        std::snprintf(wanted, sizeof wanted, k_midiPortFormat, device.c_str(), number);
        if (exactMatch ? Useful::isSameString(portName, wanted, true)
                       : Useful::isContainedInString(portName, wanted, true))
            return true;
    }
    return false;
}

bool DeviceSetupManager::searchMIDIPorts(const SearchList& names, bool exactMatch)
{
    if (!m_hostClasses || names.empty())
        return false;
    auto* registry = HostQuery::create<IPortRegistry>(m_hostClasses);
    if (!registry)
        return false;
    std::vector<std::pair<IPort*, std::string>> inputs;
    std::vector<std::pair<IPort*, std::string>> outputs;
    const int32 count = registry->countPorts();
    for (int32 i = 0; i < count; ++i) {
        IPort* port = registry->getPort(i);
        if (!port || !port->isKindOf("midi") || !port->hasAttribute("system"))
            continue;
        const std::string name = portName(port);
        if (name.empty() || !comparePortName(name.c_str(), names, exactMatch))
            continue;
        (port->isInput() ? inputs : outputs).emplace_back(port, name);
    }
    m_portSets.clear();
    for (const auto& [input, name] : inputs) {
        for (const auto& [output, outputName] : outputs) {
            if (outputName == name) {
                m_portSets.push_back({input, output});
                break;
            }
        }
    }
    registry->release();
    return !m_portSets.empty();
}

bool DeviceSetupManager::isRemoteDeviceInstalled(const char* name)
{
    if (!name)
        return false;
    auto* devices = HostQuery::create<IDeviceList2>(m_hostClasses);
    if (!devices)
        return false;
    const bool installed = devices->getDeviceNamed(name, 0) != nullptr;
    devices->release();
    return installed;
}

int DeviceSetupManager::installRemoteDevice(const char* classId)
{
    if (!m_hostClasses || !classId)
        return kInvalidArgument;
    auto* devices = HostQuery::create<IDeviceList2>(m_hostClasses);
    if (!devices)
        return kNoDeviceList;
    int result = kNothingInstalled;
    for (std::size_t j = 0; j < m_portSets.size(); ++j) {
        IDevice* device = devices->createDevice(classId, static_cast<int32>(j), 1);
        auto* connector = HostQuery::query<IConnector>(device);
        if (!connector)
            continue;
        connector->connect(m_portSets[j].input);
        connector->connect(m_portSets[j].output);
        result = kInstalled;
        connector->release();
    }
    devices->release();
    return result;
}

void DeviceSetupManager::uninstallRemoteDevices(const char* name, bool keepOne)
{
    if (!name)
        return;
    auto* devices = HostQuery::create<IDeviceList2>(m_hostClasses);
    if (!devices)
        return;
    const int32 count = devices->countDevicesNamed(name);
    int32 searchIndex = 0;
    bool kept = false;
    for (int32 i = 0; i < count; ++i) {
        IDevice* device = devices->getDeviceNamed(name, searchIndex);
        if (!device)
            break;
        const char* ownName = device->getName();
        if (keepOne && !kept && ownName && Useful::isSameString(ownName, name, false)) {
            kept = true;
            searchIndex = 1;
            continue;
        }
        devices->removeDevice(device);
    }
    devices->release();
}

void DeviceSetupManager::replaceDisplayPortName(const char16_t* find, const char16_t* replace, std::uint8_t kind)
{
    if (!find || !replace || kind > 2)
        return;
    auto* registry = HostQuery::create<IPortRegistry>(m_hostClasses);
    if (!registry)
        return;
    const int32 count = registry->countPorts();
    for (int32 i = 0; i < count; ++i) {
        IPort* port = registry->getPort(i);
        if (!port || !port->hasAttribute("system"))
            continue;
        const bool fits = (kind != 1 && port->isKindOf("audio")) || (kind != 0 && port->isKindOf("midi"));
        const char16_t* display = fits ? port->getDisplayName() : nullptr;
        if (!display)
            continue;
        std::u16string text(display);
        if (Useful::replaceString(&text, find, replace))
            port->setDisplayName(text.c_str());
    }
    registry->release();
}
