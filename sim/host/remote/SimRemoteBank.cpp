#include "SimRemoteBank.h"

#include <algorithm>

using namespace Quorvane;

namespace simhost {

namespace {

std::string text(const char* s)
{
    return s ? s : "";
}

} // namespace

SimDeviceBinding::SimDeviceBinding(HostContextRef host, std::string kind, std::string name, int32, int32, int32)
    : HostObject(std::move(host), "RemoteDeviceBinding"), m_kind(std::move(kind)), m_name(std::move(name))
{
}

tresult SimDeviceBinding::bindValue(const char* layer, const char* control, const char* valueName)
{
    hostThreadOnly("IHWRemoteDeviceBinding::bindValue");
    if (!layer || !control || !valueName)
        return kInvalidArgument;
    RemoteBinding b;
    b.kind = RemoteBinding::Kind::DeviceValue;
    b.layer = layer;
    b.control = control;
    b.category = m_kind;
    b.device = m_name;
    b.name = valueName;
    std::lock_guard lock(m_mutex);
    m_bindings.push_back(std::move(b));
    return kResultOk;
}

tresult SimDeviceBinding::setTarget(const char* target)
{
    hostThreadOnly("IHWRemoteDeviceBinding::setTarget");
    std::lock_guard lock(m_mutex);
    m_target = text(target);
    return kResultOk;
}

std::string SimDeviceBinding::target() const
{
    std::lock_guard lock(m_mutex);
    return m_target;
}

std::vector<RemoteBinding> SimDeviceBinding::bindings() const
{
    std::lock_guard lock(m_mutex);
    return m_bindings;
}

SimRemoteBank::SimRemoteBank(HostContextRef host, std::string name)
    : HostObject(std::move(host), "RemoteBank"), m_name(std::move(name))
{
}

SimRemoteBank::~SimRemoteBank()
{
    for (SimDeviceBinding* device : m_devices)
        device->release();
}

tresult SimRemoteBank::createLayer(const char* name)
{
    hostThreadOnly("IHWRemoteBank::createLayer");
    if (!name || !*name)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    if (std::find(m_layers.begin(), m_layers.end(), name) != m_layers.end())
        return kResultFalse;
    m_layers.emplace_back(name);
    return kResultOk;
}

tresult SimRemoteBank::bindCommand(const char* layer, const char* control, const char* category, const char* command,
                                   int32 flags)
{
    hostThreadOnly("IHWRemoteBank::bindCommand");
    if (!layer || !control || !category || !command)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    if (std::find(m_layers.begin(), m_layers.end(), layer) == m_layers.end())
        return kResultFalse;
    m_bindings.push_back({RemoteBinding::Kind::Command, layer, control, category, command, {}, 0, flags});
    return kResultOk;
}

tresult SimRemoteBank::bindValue(const char* layer, const char* control, const char* device, int32 channelSelector,
                                 const char* valueName, int32 flags)
{
    hostThreadOnly("IHWRemoteBank::bindValue");
    if (!layer || !control || !device || !valueName)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    if (std::find(m_layers.begin(), m_layers.end(), layer) == m_layers.end())
        return kResultFalse;
    m_bindings.push_back({RemoteBinding::Kind::Value, layer, control, device, valueName, {}, channelSelector, flags});
    return kResultOk;
}

IHWRemoteDeviceBinding* SimRemoteBank::bindDevice(const char* kind, const char* name, int32 a, int32 b, int32 c)
{
    hostThreadOnly("IHWRemoteBank::bindDevice");
    if (!kind || !name)
        return nullptr;
    auto* device = makeHostObject<SimDeviceBinding>(registry().shared_from_this(), kind, name, a, b, c);
    std::lock_guard lock(m_mutex);
    m_devices.push_back(device);
    return device;
}

std::vector<std::string> SimRemoteBank::layers() const
{
    std::lock_guard lock(m_mutex);
    return m_layers;
}

bool SimRemoteBank::hasLayer(const std::string& layer) const
{
    std::lock_guard lock(m_mutex);
    return std::find(m_layers.begin(), m_layers.end(), layer) != m_layers.end();
}

std::vector<RemoteBinding> SimRemoteBank::bindings() const
{
    std::vector<RemoteBinding> all;
    std::vector<SimDeviceBinding*> devices;
    {
        std::lock_guard lock(m_mutex);
        all = m_bindings;
        devices = m_devices;
    }
    for (SimDeviceBinding* device : devices) {
        const auto more = device->bindings();
        all.insert(all.end(), more.begin(), more.end());
    }
    return all;
}

std::optional<RemoteBinding> SimRemoteBank::bindingFor(const std::string& layer, const std::string& control) const
{
    const std::vector<RemoteBinding> all = bindings();
    for (const std::string& l : {layer, std::string("Default")})
        for (const RemoteBinding& b : all)
            if (b.layer == l && b.control == control)
                return b;
    return std::nullopt;
}

std::vector<SimDeviceBinding*> SimRemoteBank::deviceBindings() const
{
    std::lock_guard lock(m_mutex);
    return m_devices;
}

} // namespace simhost
