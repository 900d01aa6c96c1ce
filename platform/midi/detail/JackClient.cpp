#include "detail/JackClient.h"

#include "MidiPortNames.h"
#include "detail/JackEngine.h"

namespace kwmidi::detail {

// The owner's side of one port: it keeps the process's client alive while the port lives and
// removes the port when it ends.
class PortHandle
{
public:
    PortHandle(std::shared_ptr<JackClient> client, std::shared_ptr<JackEngine> engine, std::shared_ptr<JackPort> port)
        : m_client(std::move(client)), m_engine(std::move(engine)), m_port(std::move(port))
    {
    }
    ~PortHandle() { m_engine->removePort(m_port); }
    PortHandle(const PortHandle&) = delete;
    PortHandle& operator=(const PortHandle&) = delete;

    JackEngine& engine() const { return *m_engine; }
    JackPort& port() const { return *m_port; }

private:
    std::shared_ptr<JackClient> m_client;
    std::shared_ptr<JackEngine> m_engine;
    std::shared_ptr<JackPort> m_port;
};

namespace {

// Listens to a source of another program through a link port of ours; on the owner's thread.
class JackInput : public InputConnection
{
public:
    explicit JackInput(std::unique_ptr<PortHandle> handle) : m_handle(std::move(handle)) {}
    bool isLinked() const override { return m_handle->engine().isConnected(m_handle->port()); }
    std::uint64_t droppedMessages() const override { return m_handle->port().dropped.load(); }
    void setLinkLostCallback(LinkLostCallback callback) override
    {
        m_handle->engine().setLinkLostCallback(m_handle->port(), std::move(callback));
    }

private:
    std::unique_ptr<PortHandle> m_handle;
};

// Sends to a destination of another program through a link port of ours; one thread at a time.
class JackOutput : public OutputConnection
{
public:
    explicit JackOutput(std::unique_ptr<PortHandle> handle) : m_handle(std::move(handle)) {}
    bool send(const std::uint8_t* bytes, std::size_t length) override
    {
        // Nothing sent through a port without a peer reaches anyone: the caller is told.
        return isLinked() && m_handle->engine().send(m_handle->port(), bytes, length);
    }
    bool isLinked() const override { return m_handle->engine().isConnected(m_handle->port()); }
    void setLinkLostCallback(LinkLostCallback callback) override
    {
        m_handle->engine().setLinkLostCallback(m_handle->port(), std::move(callback));
    }

private:
    std::unique_ptr<PortHandle> m_handle;
};

// A port of ours that others listen to.
class JackSource : public PublishedSource
{
public:
    explicit JackSource(std::unique_ptr<PortHandle> handle) : m_handle(std::move(handle)) {}
    bool send(const std::uint8_t* bytes, std::size_t length) override
    {
        return m_handle->engine().send(m_handle->port(), bytes, length);
    }
    void setChunking(const Chunking&) override {}
    void releaseHeld() override {}
    bool waitUntilDelivered(std::chrono::milliseconds deadline) override
    {
        return m_handle->engine().waitUntilConsumed(m_handle->port(), deadline);
    }

private:
    std::unique_ptr<PortHandle> m_handle;
};

// A port of ours that others send to.
class JackDestination : public PublishedDestination
{
public:
    explicit JackDestination(std::unique_ptr<PortHandle> handle) : m_handle(std::move(handle)) {}
    void setReceiveCallback(ReceiveCallback callback) override
    {
        std::lock_guard<std::mutex> lock(port().callbackMutex);
        port().callback = std::move(callback);
    }
    std::vector<std::vector<std::uint8_t>> receivedChunks() const override { return port().log.chunks(); }
    std::vector<std::uint8_t> receivedBytes() const override { return port().log.bytes(); }
    std::vector<std::chrono::steady_clock::time_point> receivedTimes() const override { return port().log.times(); }
    void clearReceived() override { port().log.clear(); }
    bool waitForBytes(std::size_t count, std::chrono::milliseconds deadline) const override
    {
        return port().log.waitForBytes(count, deadline);
    }
    void setRefusing(bool) override {}

private:
    JackPort& port() const { return m_handle->port(); }
    std::unique_ptr<PortHandle> m_handle;
};

// True when the client is the device's: under its name, or renamed by the server because a client of
// that name was there first (a second device of one name).
bool isClientOf(const std::string& clientName, const std::string& deviceName)
{
    return clientName == deviceName || DeviceNames::baseName(clientName, PortNaming::Jack, {deviceName}) == deviceName;
}

} // namespace

JackClient::JackClient(const std::string& name) : m_engine(std::make_shared<JackEngine>(name))
{
    m_engine->start();
}

JackClient::~JackClient()
{
    // The last reference may go inside a receive callback: the reader thread then ends by itself.
    m_engine->stop();
}

bool JackClient::isAvailable()
{
    return m_engine->reachable();
}

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

std::vector<EndpointInfo> JackClient::sources()
{
    return endpoints(true);
}

std::vector<EndpointInfo> JackClient::destinations()
{
    return endpoints(false);
}

std::unique_ptr<PortHandle> JackClient::link(bool receives, int index)
{
    LinkTarget target;
    const std::string peer = m_engine->listedPort(receives, index, &target);
    auto port = peer.empty() ? nullptr : m_engine->addLink(receives, peer, target);
    return port ? std::make_unique<PortHandle>(shared_from_this(), m_engine, std::move(port)) : nullptr;
}

std::unique_ptr<PortHandle> JackClient::publish(bool receives, const std::string& deviceName,
                                                const std::string& endpointName)
{
    if (endpointName.empty() || !isClientOf(m_engine->clientName(), deviceName))
        return nullptr;
    auto port = m_engine->addEndpoint(receives, endpointName + (receives ? kJackDestinationTag : kJackSourceTag));
    return port ? std::make_unique<PortHandle>(shared_from_this(), m_engine, std::move(port)) : nullptr;
}

std::unique_ptr<InputConnection> JackClient::connectSource(int index, ReceiveCallback callback)
{
    auto handle = link(true, index);
    if (!handle)
        return nullptr;
    {
        std::lock_guard<std::mutex> lock(handle->port().callbackMutex);
        handle->port().callback = std::move(callback);
    }
    return std::make_unique<JackInput>(std::move(handle));
}

std::unique_ptr<OutputConnection> JackClient::openDestination(int index)
{
    auto handle = link(false, index);
    return handle ? std::make_unique<JackOutput>(std::move(handle)) : nullptr;
}

std::unique_ptr<PublishedSource> JackClient::createSource(const std::string& deviceName,
                                                          const std::string& endpointName)
{
    auto handle = publish(false, deviceName, endpointName);
    return handle ? std::make_unique<JackSource>(std::move(handle)) : nullptr;
}

std::unique_ptr<PublishedDestination> JackClient::createDestination(const std::string& deviceName,
                                                                    const std::string& endpointName)
{
    auto handle = publish(true, deviceName, endpointName);
    return handle ? std::make_unique<JackDestination>(std::move(handle)) : nullptr;
}

} // namespace kwmidi::detail
