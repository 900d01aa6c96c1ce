#include "detail/AlsaClient.h"

#include "detail/AlsaEngine.h"

namespace kwmidi::detail {

// The owner's side of one port: it keeps the process's client alive while the port lives and removes the
// port when it ends.
class AlsaPortHandle
{
public:
    AlsaPortHandle(std::shared_ptr<AlsaClient> client, std::shared_ptr<AlsaEngine> engine,
                   std::shared_ptr<AlsaPort> port)
        : m_client(std::move(client)), m_engine(std::move(engine)), m_port(std::move(port))
    {
    }
    ~AlsaPortHandle() { m_engine->removePort(m_port); }
    AlsaPortHandle(const AlsaPortHandle&) = delete;
    AlsaPortHandle& operator=(const AlsaPortHandle&) = delete;

    AlsaEngine& engine() const { return *m_engine; }
    AlsaPort& port() const { return *m_port; }

private:
    std::shared_ptr<AlsaClient> m_client;
    std::shared_ptr<AlsaEngine> m_engine;
    std::shared_ptr<AlsaPort> m_port;
};

namespace {

// Listens to a source of another client through a link port of ours; on the owner's thread.
class AlsaInput : public InputConnection
{
public:
    explicit AlsaInput(std::unique_ptr<AlsaPortHandle> handle) : m_handle(std::move(handle)) {}
    bool isLinked() const override { return m_handle->engine().isLinked(m_handle->port()); }
    std::uint64_t droppedMessages() const override { return m_handle->port().dropped.load(); }
    void setLinkLostCallback(LinkLostCallback callback) override
    {
        m_handle->engine().setLinkLostCallback(m_handle->port(), std::move(callback));
    }

private:
    std::unique_ptr<AlsaPortHandle> m_handle;
};

// Sends to a destination of another client through a link port of ours; one thread at a time.
class AlsaOutput : public OutputConnection
{
public:
    explicit AlsaOutput(std::unique_ptr<AlsaPortHandle> handle) : m_handle(std::move(handle)) {}
    bool send(const std::uint8_t* bytes, std::size_t length) override
    {
        return m_handle->engine().send(m_handle->port(), bytes, length);
    }
    bool isLinked() const override { return m_handle->engine().isLinked(m_handle->port()); }
    void setLinkLostCallback(LinkLostCallback callback) override
    {
        m_handle->engine().setLinkLostCallback(m_handle->port(), std::move(callback));
    }

private:
    std::unique_ptr<AlsaPortHandle> m_handle;
};

// A port of ours that others listen to. The sequencer hands each event to the listeners' queues as it is
// sent, so what was sent has left at once.
class AlsaSource : public PublishedSource
{
public:
    explicit AlsaSource(std::unique_ptr<AlsaPortHandle> handle) : m_handle(std::move(handle)) {}
    bool send(const std::uint8_t* bytes, std::size_t length) override
    {
        return m_handle->engine().send(m_handle->port(), bytes, length);
    }
    void setChunking(const Chunking&) override {}
    void releaseHeld() override {}
    bool waitUntilDelivered(std::chrono::milliseconds) override { return m_handle->engine().reachable(); }

private:
    std::unique_ptr<AlsaPortHandle> m_handle;
};

// A port of ours that others send to.
class AlsaDestination : public PublishedDestination
{
public:
    explicit AlsaDestination(std::unique_ptr<AlsaPortHandle> handle) : m_handle(std::move(handle)) {}
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
    AlsaPort& port() const { return m_handle->port(); }
    std::unique_ptr<AlsaPortHandle> m_handle;
};

} // namespace

AlsaClient::AlsaClient(const std::string& name) : m_engine(std::make_shared<AlsaEngine>(name))
{
    m_engine->start();
}

AlsaClient::~AlsaClient()
{
    // The last reference may go inside a receive callback: the reader thread then ends by itself.
    m_engine->stop();
}

bool AlsaClient::present()
{
    return AlsaEngine::present();
}

bool AlsaClient::isAvailable()
{
    return m_engine->reachable();
}

std::string AlsaClient::systemName()
{
    return m_engine->reachable() ? "ALSA sequencer" : kNoMidiSystem;
}

std::vector<EndpointInfo> AlsaClient::sources()
{
    return m_engine->endpoints(true);
}

std::vector<EndpointInfo> AlsaClient::destinations()
{
    return m_engine->endpoints(false);
}

std::unique_ptr<AlsaPortHandle> AlsaClient::publish(bool receives, const std::string& deviceName,
                                                    const std::string& endpointName)
{
    // One client holds the process's ports, and the sequencer lists a port's device as its client's name.
    if (endpointName.empty() || deviceName != m_engine->clientName())
        return nullptr;
    auto port = m_engine->addEndpoint(receives, endpointName);
    return port ? std::make_unique<AlsaPortHandle>(shared_from_this(), m_engine, std::move(port)) : nullptr;
}

std::unique_ptr<InputConnection> AlsaClient::connectSource(int index, ReceiveCallback callback)
{
    auto port = m_engine->addLink(true, index);
    if (!port)
        return nullptr;
    {
        std::lock_guard<std::mutex> lock(port->callbackMutex);
        port->callback = std::move(callback);
    }
    return std::make_unique<AlsaInput>(std::make_unique<AlsaPortHandle>(shared_from_this(), m_engine, port));
}

std::unique_ptr<OutputConnection> AlsaClient::openDestination(int index)
{
    auto port = m_engine->addLink(false, index);
    return port ? std::make_unique<AlsaOutput>(std::make_unique<AlsaPortHandle>(shared_from_this(), m_engine, port))
                : nullptr;
}

std::unique_ptr<PublishedSource> AlsaClient::createSource(const std::string& deviceName,
                                                          const std::string& endpointName)
{
    auto handle = publish(false, deviceName, endpointName);
    return handle ? std::make_unique<AlsaSource>(std::move(handle)) : nullptr;
}

std::unique_ptr<PublishedDestination> AlsaClient::createDestination(const std::string& deviceName,
                                                                    const std::string& endpointName)
{
    auto handle = publish(true, deviceName, endpointName);
    return handle ? std::make_unique<AlsaDestination>(std::move(handle)) : nullptr;
}

} // namespace kwmidi::detail
