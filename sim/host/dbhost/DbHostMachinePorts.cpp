#include "DbHostMachinePorts.h"

#include <algorithm>
#include <set>

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

std::set<std::string> namesOf(const std::vector<kwmidi::EndpointInfo>& endpoints)
{
    std::set<std::string> names;
    for (const kwmidi::EndpointInfo& endpoint : endpoints)
        if (!endpoint.endpointName.empty())
            names.insert(endpoint.endpointName);
    return names;
}

} // namespace

DbHostMachinePorts::DbHostMachinePorts(SimHost& host, kwmidi::ClientRef client)
    : m_host(host), m_client(std::move(client))
{
}

DbHostMachinePorts::~DbHostMachinePorts()
{
    // No input may reach the host once it goes.
    for (auto& [name, source] : m_sources)
        source.connection.reset();
}

HostRef<SimPort> DbHostMachinePorts::portOf(Slot& slot)
{
    std::lock_guard lock(slot.mutex);
    return slot.port;
}

bool DbHostMachinePorts::linked(const Destination& destination) const
{
    std::lock_guard lock(destination.output->mutex);
    return !destination.output->connection || destination.output->connection->isLinked();
}

int DbHostMachinePorts::refresh()
{
    int changed = 0;
    const std::set<std::string> sources = namesOf(m_client->sources());
    for (const std::string& name : sources) {
        Source& source = m_sources[name];
        // A source we listened to is back: its port returns once the connection hears it again.
        if (portOf(*source.slot) || (source.connection && !source.connection->isLinked()))
            continue;
        SimPort* port = m_host.ports().addPort(wide(name), true);
        std::lock_guard lock(source.slot->mutex);
        source.slot->port = HostRef<SimPort>::share(port);
        ++changed;
    }
    for (auto& [name, source] : m_sources) {
        if (sources.count(name))
            continue;
        HostRef<SimPort> gone;
        {
            std::lock_guard lock(source.slot->mutex);
            gone = std::move(source.slot->port);
        }
        if (gone) {
            m_host.ports().removePort(gone.get());
            ++changed;
        }
    }

    const std::set<std::string> destinations = namesOf(m_client->destinations());
    for (const std::string& name : destinations) {
        Destination& destination = m_destinations[name];
        if (destination.port || !linked(destination))
            continue;
        SimPort* port = m_host.ports().addPort(wide(name), false);
        port->setSink([client = m_client, output = destination.output, name](const std::vector<std::uint8_t>& bytes) {
            std::lock_guard lock(output->mutex);
            if (!output->connection) {
                const int index = indexOf(client->destinations(), name);
                if (index >= 0)
                    output->connection = client->openDestination(index);
            }
            return output->connection && output->connection->send(bytes.data(), bytes.size());
        });
        destination.port = HostRef<SimPort>::share(port);
        ++changed;
    }
    for (auto& [name, destination] : m_destinations) {
        if (destinations.count(name) || !destination.port)
            continue;
        m_host.ports().removePort(destination.port.get());
        destination.port.reset();
        ++changed;
    }
    return changed;
}

bool DbHostMachinePorts::hasPortNamed(const std::string& name) const
{
    const auto source = m_sources.find(name);
    const auto destination = m_destinations.find(name);
    return source != m_sources.end() && portOf(*source->second.slot) && destination != m_destinations.end() &&
           destination->second.port;
}

void DbHostMachinePorts::listen()
{
    for (SimRemoteDevice* device : m_host.remoteDevices()) {
        SimPort* input = device->inputPort();
        if (!input)
            continue;
        const std::u16string name16 = input->name();
        const std::string name(name16.begin(), name16.end());
        const auto it = m_sources.find(name);
        if (it == m_sources.end() || it->second.connection)
            continue;
        const int index = indexOf(m_client->sources(), name);
        if (index < 0)
            continue;
        // What the source sends goes to the port its name has now.
        it->second.connection =
            m_client->connectSource(index, [slot = it->second.slot](const std::uint8_t* bytes, std::size_t length) {
                if (HostRef<SimPort> port = portOf(*slot))
                    port->inject(std::vector<std::uint8_t>(bytes, bytes + length));
            });
    }
}

} // namespace simhost
