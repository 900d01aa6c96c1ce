#include "DbHostMachinePorts.h"

#include <algorithm>

namespace simhost {

namespace {

std::u16string wide(const std::string& s)
{
    return std::u16string(s.begin(), s.end());
}

int indexOf(const std::vector<kwmidi::EndpointInfo>& endpoints, const std::string& name)
{
    for (std::size_t i = 0; i < endpoints.size(); ++i)
        if (endpoints[i].endpointName == name)
            return static_cast<int>(i);
    return -1;
}

} // namespace

DbHostMachinePorts::DbHostMachinePorts(SimHost& host, kwmidi::ClientRef client)
    : m_host(host), m_client(std::move(client))
{
}

DbHostMachinePorts::~DbHostMachinePorts()
{
    // No input may reach the host once it goes.
    m_listening.clear();
}

int DbHostMachinePorts::refresh()
{
    int added = 0;
    for (const kwmidi::EndpointInfo& source : m_client->sources()) {
        const std::string& name = source.endpointName;
        if (name.empty() || std::find(m_sources.begin(), m_sources.end(), name) != m_sources.end())
            continue;
        m_sources.push_back(name);
        m_host.ports().addPort(wide(name), true);
        ++added;
    }
    for (const kwmidi::EndpointInfo& destination : m_client->destinations()) {
        const std::string& name = destination.endpointName;
        if (name.empty() || std::find(m_destinations.begin(), m_destinations.end(), name) != m_destinations.end())
            continue;
        m_destinations.push_back(name);
        auto output = std::make_shared<Output>();
        m_outputs[name] = output;
        SimPort* port = m_host.ports().addPort(wide(name), false);
        port->setSink([client = m_client, output, name](const std::vector<std::uint8_t>& bytes) {
            std::lock_guard lock(output->mutex);
            if (!output->connection) {
                const int index = indexOf(client->destinations(), name);
                if (index >= 0)
                    output->connection = client->openDestination(index);
            }
            return output->connection && output->connection->send(bytes.data(), bytes.size());
        });
        ++added;
    }
    return added;
}

bool DbHostMachinePorts::hasPortNamed(const std::string& name) const
{
    return std::find(m_sources.begin(), m_sources.end(), name) != m_sources.end() &&
           std::find(m_destinations.begin(), m_destinations.end(), name) != m_destinations.end();
}

void DbHostMachinePorts::listen()
{
    for (SimRemoteDevice* device : m_host.remoteDevices()) {
        SimPort* input = device->inputPort();
        if (!input)
            continue;
        const std::u16string name16 = input->name();
        const std::string name(name16.begin(), name16.end());
        if (m_listening.count(name))
            continue;
        const int index = indexOf(m_client->sources(), name);
        if (index < 0)
            continue;
        HostRef<SimPort> port = HostRef<SimPort>::share(input);
        m_listening[name] = m_client->connectSource(index, [port](const std::uint8_t* bytes, std::size_t length) {
            port->inject(std::vector<std::uint8_t>(bytes, bytes + length));
        });
    }
}

} // namespace simhost
