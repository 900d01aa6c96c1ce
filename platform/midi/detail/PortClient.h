#pragma once

#include "MidiSystem.h"

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// The owner's side of a machine MIDI system whose one client holds every port of the process, over an engine
// that offers: using Port (a PortNotices); start(), stop(), reachable(), removePort(shared_ptr<Port>),
// isLinked(Port), linkedDeviceName(Port) and send(Port&, bytes, length).
namespace kwmidi::detail {

// The owner's side of one port: it keeps the process's client alive while the port lives and removes the
// port when it ends. Any thread.
template <class Engine> class PortHandle
{
public:
    using Port = typename Engine::Port;

    PortHandle(std::shared_ptr<Client> client, std::shared_ptr<Engine> engine, std::shared_ptr<Port> port)
        : m_client(std::move(client)), m_engine(std::move(engine)), m_port(std::move(port))
    {
    }
    ~PortHandle() { m_engine->removePort(m_port); }
    PortHandle(const PortHandle&) = delete;
    PortHandle& operator=(const PortHandle&) = delete;

    Engine& engine() const { return *m_engine; }
    Port& port() const { return *m_port; }

private:
    std::shared_ptr<Client> m_client;
    std::shared_ptr<Engine> m_engine;
    std::shared_ptr<Port> m_port;
};

// What a link port of ours tells either way: whether its peer is there, and when it goes.
template <class Engine, class Connection> class PortLink : public Connection
{
public:
    explicit PortLink(std::unique_ptr<PortHandle<Engine>> handle) : m_handle(std::move(handle)) {}
    bool isLinked() const override { return m_handle->engine().isLinked(m_handle->port()); }
    std::string linkedDeviceName() const override { return m_handle->engine().linkedDeviceName(m_handle->port()); }
    void setLinkLostCallback(LinkLostCallback callback) override
    {
        m_handle->port().setLostCallback(std::move(callback));
    }

protected:
    PortHandle<Engine>& handle() const { return *m_handle; }

private:
    std::unique_ptr<PortHandle<Engine>> m_handle;
};

// Listens to a source of another program through a link port of ours; on the owner's thread.
template <class Engine> class PortInput : public PortLink<Engine, InputConnection>
{
public:
    explicit PortInput(std::unique_ptr<PortHandle<Engine>> handle)
        : PortLink<Engine, InputConnection>(std::move(handle))
    {
    }
    std::uint64_t droppedMessages() const override { return this->handle().port().dropped.load(); }
};

// Sends to a destination of another program through a link port of ours; one thread at a time.
template <class Engine> class PortOutput : public PortLink<Engine, OutputConnection>
{
public:
    explicit PortOutput(std::unique_ptr<PortHandle<Engine>> handle)
        : PortLink<Engine, OutputConnection>(std::move(handle))
    {
    }
    bool send(const std::uint8_t* bytes, std::size_t length) override
    {
        return this->handle().engine().send(this->handle().port(), bytes, length);
    }
};

// A port of ours that others listen to; when what was sent has left is the engine's own (one thread at a time).
template <class Engine> class PortSource : public PublishedSource
{
public:
    explicit PortSource(std::unique_ptr<PortHandle<Engine>> handle) : m_handle(std::move(handle)) {}
    bool send(const std::uint8_t* bytes, std::size_t length) override
    {
        return m_handle->engine().send(m_handle->port(), bytes, length);
    }
    void setChunking(const Chunking&) override {}
    void releaseHeld() override {}

protected:
    PortHandle<Engine>& handle() const { return *m_handle; }

private:
    std::unique_ptr<PortHandle<Engine>> m_handle;
};

// A port of ours that others send to; any thread.
template <class Engine> class PortDestination : public PublishedDestination
{
public:
    explicit PortDestination(std::unique_ptr<PortHandle<Engine>> handle) : m_handle(std::move(handle)) {}
    void setReceiveCallback(ReceiveCallback callback) override { port().setCallback(std::move(callback)); }
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
    typename Engine::Port& port() const { return m_handle->port(); }
    std::unique_ptr<PortHandle<Engine>> m_handle;
};

// What the system's clients share: the engine's life and the making of the four kinds of connection. Each
// system finds and makes its ports (links by listing index, endpoints by names) and tells how its sends
// and sources behave. Listing and opening run on any thread.
template <class Engine> class PortClient : public Client, public std::enable_shared_from_this<PortClient<Engine>>
{
public:
    using Handle = PortHandle<Engine>;
    using Port = typename Engine::Port;

    ~PortClient() override
    {
        // The last reference may go inside a receive callback: the engine's threads then end by themselves.
        m_engine->stop();
    }

    Backend backend() const override { return Backend::System; }
    bool isAvailable() override { return m_engine->reachable(); }
    std::vector<EndpointInfo> sources() override { return endpoints(true); }
    std::vector<EndpointInfo> destinations() override { return endpoints(false); }

    std::unique_ptr<InputConnection> connectSource(int index, ReceiveCallback callback,
                                                   LinkLostCallback lost = {}) override
    {
        auto port = addLink(true, index, std::move(callback), std::move(lost));
        return port ? std::make_unique<PortInput<Engine>>(handle(std::move(port))) : nullptr;
    }
    std::unique_ptr<OutputConnection> openDestination(int index, LinkLostCallback lost = {}) override
    {
        auto port = addLink(false, index, {}, std::move(lost));
        return port ? makeOutput(handle(std::move(port))) : nullptr;
    }
    std::unique_ptr<PublishedSource> createSource(const std::string& deviceName,
                                                  const std::string& endpointName) override
    {
        auto port = endpointName.empty() ? nullptr : addEndpoint(false, deviceName, endpointName, {});
        return port ? makeSource(handle(std::move(port))) : nullptr;
    }
    std::unique_ptr<PublishedDestination> createDestination(const std::string& deviceName,
                                                            const std::string& endpointName,
                                                            ReceiveCallback callback = {}) override
    {
        auto port = endpointName.empty() ? nullptr : addEndpoint(true, deviceName, endpointName, std::move(callback));
        return port ? std::make_unique<PortDestination<Engine>>(handle(std::move(port))) : nullptr;
    }

protected:
    explicit PortClient(std::shared_ptr<Engine> engine) : m_engine(std::move(engine)) { m_engine->start(); }

    virtual std::vector<EndpointInfo> endpoints(bool sources) = 0;
    // A link to entry index of the direction's last listing, its callbacks given before it can carry
    // anything; null when refused.
    virtual std::shared_ptr<Port> addLink(bool receives, int index, ReceiveCallback callback,
                                          LinkLostCallback lost) = 0;
    // A port of our own (endpointName not empty), a receiving one with its callback; null when refused.
    virtual std::shared_ptr<Port> addEndpoint(bool receives, const std::string& deviceName,
                                              const std::string& endpointName, ReceiveCallback callback) = 0;
    virtual std::unique_ptr<OutputConnection> makeOutput(std::unique_ptr<Handle> handle) = 0;
    virtual std::unique_ptr<PublishedSource> makeSource(std::unique_ptr<Handle> handle) = 0;

    const std::shared_ptr<Engine> m_engine;

private:
    std::unique_ptr<Handle> handle(std::shared_ptr<Port> port)
    {
        return std::make_unique<Handle>(this->shared_from_this(), m_engine, std::move(port));
    }
};

} // namespace kwmidi::detail
