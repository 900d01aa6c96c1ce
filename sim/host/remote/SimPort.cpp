#include "SimPort.h"

#include "SimRemoteDevice.h"

#include <algorithm>

using namespace Quorvane;

namespace simhost {

SimPort::SimPort(HostContextRef host, std::u16string name, bool input, std::string kind,
                 std::vector<std::string> attributes)
    : HostObject(std::move(host), "Port"), m_input(input), m_kind(std::move(kind)), m_attributes(std::move(attributes)),
      m_name(name), m_displayName(std::move(name))
{
}

bool SimPort::isKindOf(const char* kind)
{
    return kind && m_kind == kind;
}

bool SimPort::hasAttribute(const char* attribute)
{
    return attribute && std::find(m_attributes.begin(), m_attributes.end(), attribute) != m_attributes.end();
}

const char16_t* SimPort::getName()
{
    hostThreadOnly("IPort::getName");
    std::lock_guard lock(m_mutex);
    return m_name.c_str();
}

const char16_t* SimPort::getDisplayName()
{
    hostThreadOnly("IPort::getDisplayName");
    std::lock_guard lock(m_mutex);
    return m_displayName.c_str();
}

tresult SimPort::setDisplayName(const char16_t* name)
{
    hostThreadOnly("IPort::setDisplayName");
    if (!name)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    m_displayName = name;
    return kResultOk;
}

void SimPort::setSink(Sink sink)
{
    std::lock_guard lock(m_mutex);
    m_sink = std::move(sink);
}

bool SimPort::transmit(const std::vector<std::uint8_t>& bytes)
{
    Sink sink;
    {
        std::lock_guard lock(m_mutex);
        if (m_vanished || m_input)
            return false;
        sink = m_sink;
    }
    if (sink && !sink(bytes))
        return false;
    std::lock_guard lock(m_mutex);
    m_sent.push_back(bytes);
    return true;
}

std::vector<std::vector<std::uint8_t>> SimPort::sent() const
{
    std::lock_guard lock(m_mutex);
    return m_sent;
}

void SimPort::clearSent()
{
    std::lock_guard lock(m_mutex);
    m_sent.clear();
}

void SimPort::inject(const std::vector<std::uint8_t>& bytes)
{
    std::vector<HostRef<SimRemoteDevice>> listeners;
    {
        std::lock_guard lock(m_mutex);
        if (m_vanished || !m_input)
            return;
        for (SimRemoteDevice* device : m_listeners)
            listeners.push_back(HostRef<SimRemoteDevice>::share(device));
    }
    for (const auto& device : listeners)
        device->midiArrived(bytes);
}

void SimPort::addListener(SimRemoteDevice* device)
{
    std::lock_guard lock(m_mutex);
    if (std::find(m_listeners.begin(), m_listeners.end(), device) == m_listeners.end())
        m_listeners.push_back(device);
}

void SimPort::removeListener(SimRemoteDevice* device)
{
    std::lock_guard lock(m_mutex);
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), device), m_listeners.end());
}

void SimPort::vanish()
{
    std::lock_guard lock(m_mutex);
    m_vanished = true;
}

bool SimPort::hasVanished() const
{
    std::lock_guard lock(m_mutex);
    return m_vanished;
}

std::u16string SimPort::name() const
{
    std::lock_guard lock(m_mutex);
    return m_name;
}

SimPortRegistry::SimPortRegistry(HostContextRef host) : HostObject(std::move(host), "PortRegistry") {}

SimPortRegistry::~SimPortRegistry()
{
    for (SimPort* port : m_ports)
        port->release();
}

int32 SimPortRegistry::countPorts()
{
    hostThreadOnly("IPortRegistry::countPorts");
    std::lock_guard lock(m_mutex);
    return static_cast<int32>(m_ports.size());
}

IPort* SimPortRegistry::getPort(int32 index)
{
    hostThreadOnly("IPortRegistry::getPort");
    std::lock_guard lock(m_mutex);
    SimPort* const* port = elementAt(m_ports, index);
    return port ? *port : nullptr;
}

SimPort* SimPortRegistry::addPort(const std::u16string& name, bool input, const std::string& kind,
                                  const std::vector<std::string>& attributes)
{
    auto* port = makeHostObject<SimPort>(registry().shared_from_this(), name, input, kind, attributes);
    std::lock_guard lock(m_mutex);
    m_ports.push_back(port);
    return port;
}

void SimPortRegistry::removePort(SimPort* port)
{
    {
        std::lock_guard lock(m_mutex);
        const auto it = std::find(m_ports.begin(), m_ports.end(), port);
        if (it == m_ports.end())
            return;
        m_ports.erase(it);
    }
    port->vanish();
    port->release();
}

SimPort* SimPortRegistry::findPort(const std::u16string& name, bool input) const
{
    std::lock_guard lock(m_mutex);
    for (SimPort* port : m_ports)
        if (port->isInput() == input && port->name() == name)
            return port;
    return nullptr;
}

std::vector<SimPort*> SimPortRegistry::ports() const
{
    std::lock_guard lock(m_mutex);
    return m_ports;
}

} // namespace simhost
