#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace simhost {

// What a control is bound to in a layer.
struct RemoteBinding
{
    enum class Kind
    {
        Command,     // a host command: category, command
        Value,       // a host value: device (category), value name, channel selector
        DeviceValue, // a value of a device bound with bindDevice: device kind and name, value name
    };
    Kind kind = Kind::Command;
    std::string layer;
    std::string control;
    std::string category; // command category, value device, or device kind
    std::string name;     // command name or value name
    std::string device;   // device name of a DeviceValue
    int32 channelSelector = 0;
    int32 flags = 0;
};

// A host device bound to a bank (the jog wheel, the assignable encoder): its controls bind to the
// device's named values. Made and kept by its bank; the extension uses it on the host's thread.
class SimDeviceBinding : public HostObject<Quorvane::IHWRemoteDeviceBinding>
{
public:
    SimDeviceBinding(HostContextRef host, std::string kind, std::string name, int32 a, int32 b, int32 c);

    tresult bindValue(const char* layer, const char* control, const char* valueName) override;
    tresult setTarget(const char* target) override;

    std::string kindName() const { return m_kind; }
    std::string deviceName() const { return m_name; }
    std::string target() const;
    std::vector<RemoteBinding> bindings() const;

private:
    const std::string m_kind;
    const std::string m_name;
    mutable std::mutex m_mutex;
    std::string m_target;
    std::vector<RemoteBinding> m_bindings;
};

// A bank of a remote device: its layers and the bindings of controls in them. Kept by the standard
// remote interface that made it; the extension sets it up on the host's thread.
class SimRemoteBank : public HostObject<Quorvane::IHWRemoteBank>
{
public:
    SimRemoteBank(HostContextRef host, std::string name);
    ~SimRemoteBank() override;

    tresult createLayer(const char* name) override;
    tresult bindCommand(const char* layer, const char* control, const char* category, const char* command,
                        int32 flags) override;
    tresult bindValue(const char* layer, const char* control, const char* device, int32 channelSelector,
                      const char* valueName, int32 flags) override;
    Quorvane::IHWRemoteDeviceBinding* bindDevice(const char* kind, const char* name, int32 a, int32 b,
                                                 int32 c) override;

    const std::string& name() const { return m_name; }
    std::vector<std::string> layers() const;
    bool hasLayer(const std::string& layer) const;
    // Every binding in declaration order, those of bound devices after the bank's own.
    std::vector<RemoteBinding> bindings() const;
    // The binding of control in layer, else in "Default" (the layer under every other).
    std::optional<RemoteBinding> bindingFor(const std::string& layer, const std::string& control) const;
    std::vector<SimDeviceBinding*> deviceBindings() const;

private:
    const std::string m_name;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_layers;
    std::vector<RemoteBinding> m_bindings;
    std::vector<SimDeviceBinding*> m_devices; // referenced
};

} // namespace simhost
