#include "detail/JackClient.h"

#include "MidiPortNames.h"

namespace kwmidi::detail {

namespace {

// Sends to a destination of another program through a link port of ours; one thread at a time.
class JackOutput : public PortOutput<JackEngine>
{
public:
    using PortOutput::PortOutput;
    bool send(const std::uint8_t* bytes, std::size_t length) override
    {
        // Nothing sent through a port without a peer reaches anyone: the caller is told.
        return isLinked() && PortOutput::send(bytes, length);
    }
};

// A port of ours that others listen to: what was sent has left once the process callback took it.
class JackSource : public PortSource<JackEngine>
{
public:
    using PortSource::PortSource;
    bool waitUntilDelivered(std::chrono::milliseconds deadline) override
    {
        return handle().engine().waitUntilConsumed(handle().port(), deadline);
    }
};

// True when the client is the device's: under its name, or renamed by the server because a client of
// that name was there first (a second device of one name).
bool isClientOf(const std::string& clientName, const std::string& deviceName)
{
    return clientName == deviceName || DeviceNames::baseName(clientName, PortNaming::Jack, {deviceName}) == deviceName;
}

} // namespace

JackClient::JackClient(const std::string& name) : PortClient(std::make_shared<JackEngine>(name)) {}

std::string JackClient::systemName()
{
    return m_engine->reachable() ? "JACK" : kNoMidiSystem;
}

std::vector<EndpointInfo> JackClient::endpoints(bool sources)
{
    std::vector<NamedPort> ports = m_engine->endpointPorts(sources);
    std::vector<EndpointInfo> list;
    for (const NamedPort& port : ports)
        list.push_back(port.names);
    m_engine->remember(sources, std::move(ports));
    return list;
}

std::shared_ptr<JackPort> JackClient::addLink(bool receives, int index, ReceiveCallback callback, LinkLostCallback lost)
{
    LinkTarget target;
    const std::string peer = m_engine->listedPort(receives, index, &target);
    return peer.empty() ? nullptr : m_engine->addLink(receives, peer, target, std::move(callback), std::move(lost));
}

std::shared_ptr<JackPort> JackClient::addEndpoint(bool receives, const std::string& deviceName,
                                                  const std::string& endpointName, ReceiveCallback callback)
{
    if (!isClientOf(m_engine->clientName(), deviceName))
        return nullptr;
    return m_engine->addEndpoint(receives, endpointName + (receives ? kJackDestinationTag : kJackSourceTag),
                                 std::move(callback));
}

std::unique_ptr<OutputConnection> JackClient::makeOutput(std::unique_ptr<Handle> handle)
{
    return std::make_unique<JackOutput>(std::move(handle));
}

std::unique_ptr<PublishedSource> JackClient::makeSource(std::unique_ptr<Handle> handle)
{
    return std::make_unique<JackSource>(std::move(handle));
}

} // namespace kwmidi::detail
