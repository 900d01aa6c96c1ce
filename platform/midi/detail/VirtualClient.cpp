#include "detail/VirtualClient.h"

#include <algorithm>

namespace kwmidi::detail {

namespace {

using Hub = VirtualClient::Hub;
using Receiver = VirtualClient::Receiver;
using SourceState = VirtualClient::SourceState;
using DestinationState = VirtualClient::DestinationState;

// Listens to a virtual source; on the owner's thread.
class VirtualInput : public InputConnection {
public:
    VirtualInput(std::shared_ptr<VirtualClient> client, std::shared_ptr<SourceState> source,
                 std::shared_ptr<Receiver> receiver)
        : m_client(std::move(client)), m_source(std::move(source)), m_receiver(std::move(receiver))
    {
    }
    ~VirtualInput() override
    {
        {
            std::lock_guard<std::mutex> lock(m_client->hub()->mutex);
            auto& list = m_source->receivers;
            list.erase(std::remove(list.begin(), list.end(), m_receiver), list.end());
        }
        m_receiver->gate.close();
    }

private:
    std::shared_ptr<VirtualClient> m_client;
    std::shared_ptr<SourceState> m_source;
    std::shared_ptr<Receiver> m_receiver;
};

// Captures what is sent to a destination and queues it for the destination's callback.
bool deliverToDestination(Hub& hub, DestinationState& destination, const std::uint8_t* bytes, std::size_t length)
{
    if (length == 0)
        return false;
    std::shared_ptr<Receiver> receiver;
    {
        std::lock_guard<std::mutex> lock(destination.mutex);
        if (destination.removed || destination.refusing)
            return false;
        receiver = destination.receiver;
    }
    destination.log.add(bytes, length);
    if (receiver) {
        std::lock_guard<std::mutex> lock(hub.mutex);
        hub.queue({receiver}, std::vector<std::uint8_t>(bytes, bytes + length));
    }
    return true;
}

// Sends to a virtual destination; on the sending thread.
class VirtualOutput : public OutputConnection {
public:
    VirtualOutput(std::shared_ptr<VirtualClient> client, std::shared_ptr<DestinationState> destination)
        : m_client(std::move(client)), m_destination(std::move(destination))
    {
    }
    bool send(const std::uint8_t* bytes, std::size_t length) override
    {
        return deliverToDestination(*m_client->hub(), *m_destination, bytes, length);
    }

private:
    std::shared_ptr<VirtualClient> m_client;
    std::shared_ptr<DestinationState> m_destination;
};

// A source made by code; sends from any thread.
class VirtualSource : public PublishedSource {
public:
    VirtualSource(std::shared_ptr<VirtualClient> client, std::shared_ptr<SourceState> state)
        : m_client(std::move(client)), m_state(std::move(state))
    {
    }
    ~VirtualSource() override
    {
        Hub& hub = *m_client->hub();
        std::lock_guard<std::mutex> lock(hub.mutex);
        hub.sources.erase(std::remove(hub.sources.begin(), hub.sources.end(), m_state), hub.sources.end());
    }
    bool send(const std::uint8_t* bytes, std::size_t length) override
    {
        if (length == 0)
            return false;
        Hub& hub = *m_client->hub();
        std::lock_guard<std::mutex> lock(hub.mutex);
        if (m_state->chunking.hold)
            m_state->held.insert(m_state->held.end(), bytes, bytes + length);
        else
            hub.queueFromSource(*m_state, std::vector<std::uint8_t>(bytes, bytes + length));
        return true;
    }
    void setChunking(const Chunking& chunking) override
    {
        std::lock_guard<std::mutex> lock(m_client->hub()->mutex);
        m_state->chunking = chunking;
        m_state->chunking.splitSizes.erase(
            std::remove(m_state->chunking.splitSizes.begin(), m_state->chunking.splitSizes.end(), 0u),
            m_state->chunking.splitSizes.end());
    }
    void releaseHeld() override
    {
        Hub& hub = *m_client->hub();
        std::lock_guard<std::mutex> lock(hub.mutex);
        std::vector<std::uint8_t> held;
        held.swap(m_state->held);
        if (!held.empty())
            hub.queueFromSource(*m_state, held);
    }
    bool waitUntilDelivered(std::chrono::milliseconds deadline) override
    {
        Hub& hub = *m_client->hub();
        std::unique_lock<std::mutex> lock(hub.mutex);
        return hub.idle.wait_for(lock, deadline, [&] { return hub.delivered >= m_state->lastSerial; });
    }

private:
    std::shared_ptr<VirtualClient> m_client;
    std::shared_ptr<SourceState> m_state;
};

// A destination made by code; keeps what it receives.
class VirtualDestination : public PublishedDestination {
public:
    VirtualDestination(std::shared_ptr<VirtualClient> client, std::shared_ptr<DestinationState> state)
        : m_client(std::move(client)), m_state(std::move(state))
    {
    }
    ~VirtualDestination() override
    {
        Hub& hub = *m_client->hub();
        {
            std::lock_guard<std::mutex> lock(hub.mutex);
            hub.destinations.erase(std::remove(hub.destinations.begin(), hub.destinations.end(), m_state),
                                   hub.destinations.end());
        }
        std::shared_ptr<Receiver> receiver;
        {
            std::lock_guard<std::mutex> lock(m_state->mutex);
            m_state->removed = true;
            receiver.swap(m_state->receiver);
        }
        if (receiver)
            receiver->gate.close();
    }
    void setReceiveCallback(ReceiveCallback callback) override
    {
        auto receiver = std::make_shared<Receiver>();
        receiver->callback = std::move(callback);
        {
            std::lock_guard<std::mutex> lock(m_state->mutex);
            receiver.swap(m_state->receiver);
        }
        if (receiver)
            receiver->gate.close();
    }
    std::vector<std::vector<std::uint8_t>> receivedChunks() const override { return m_state->log.chunks(); }
    std::vector<std::uint8_t> receivedBytes() const override { return m_state->log.bytes(); }
    std::vector<std::chrono::steady_clock::time_point> receivedTimes() const override
    {
        return m_state->log.times();
    }
    void clearReceived() override { m_state->log.clear(); }
    bool waitForBytes(std::size_t count, std::chrono::milliseconds deadline) const override
    {
        return m_state->log.waitForBytes(count, deadline);
    }
    void setRefusing(bool refusing) override
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->refusing = refusing;
    }

private:
    std::shared_ptr<VirtualClient> m_client;
    std::shared_ptr<DestinationState> m_state;
};

} // namespace

void VirtualClient::Hub::queueFromSource(SourceState& source, const std::vector<std::uint8_t>& bytes)
{
    const auto& sizes = source.chunking.splitSizes;
    if (sizes.empty()) {
        source.lastSerial = queue(source.receivers, bytes);
        return;
    }
    std::size_t offset = 0;
    for (std::size_t i = 0; offset < bytes.size(); i = (i + 1) % sizes.size()) {
        const std::size_t length = std::min(sizes[i], bytes.size() - offset);
        const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(offset);
        source.lastSerial = queue(source.receivers, std::vector<std::uint8_t>(first, first + static_cast<std::ptrdiff_t>(length)));
        offset += length;
    }
}

std::uint64_t VirtualClient::Hub::queue(std::vector<std::shared_ptr<Receiver>> receivers,
                                        std::vector<std::uint8_t> bytes)
{
    const std::uint64_t serial = nextSerial++;
    jobs.push_back(Job{std::move(receivers), std::move(bytes), serial});
    wake.notify_all();
    return serial;
}

void VirtualClient::Hub::deliverUntilStopped()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [&] { return stopping || !jobs.empty(); });
        if (stopping)
            return;
        Job job = std::move(jobs.front());
        jobs.pop_front();
        lock.unlock();
        for (const auto& receiver : job.receivers) {
            receiver->gate.run([&] {
                if (receiver->callback)
                    receiver->callback(job.bytes.data(), job.bytes.size());
            });
        }
        job.receivers.clear();
        lock.lock();
        delivered = job.serial;
        idle.notify_all();
    }
}

VirtualClient::VirtualClient() : m_hub(std::make_shared<Hub>())
{
    m_thread = std::thread([hub = m_hub] { hub->deliverUntilStopped(); });
}

VirtualClient::~VirtualClient()
{
    {
        std::lock_guard<std::mutex> lock(m_hub->mutex);
        m_hub->stopping = true;
    }
    m_hub->wake.notify_all();
    // The last reference may go inside a callback: the thread then ends by itself after it.
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach();
    else
        m_thread.join();
}

namespace {
// The endpoint that `index` named in the last listing (in the present list when there was none), or null
// when it is out of range or has gone since.
template <typename State>
std::shared_ptr<State> listedEndpoint(const std::optional<std::vector<std::weak_ptr<State>>>& listed,
                                      const std::vector<std::shared_ptr<State>>& present, int index)
{
    if (index < 0)
        return nullptr;
    const auto at = static_cast<std::size_t>(index);
    if (!listed)
        return at < present.size() ? present[at] : nullptr;
    if (at >= listed->size())
        return nullptr;
    auto state = (*listed)[at].lock();
    if (!state || std::find(present.begin(), present.end(), state) == present.end())
        return nullptr;
    return state;
}
} // namespace

std::vector<EndpointInfo> VirtualClient::sources()
{
    std::lock_guard<std::mutex> lock(m_hub->mutex);
    std::vector<EndpointInfo> list;
    m_listedSources.emplace();
    for (const auto& source : m_hub->sources) {
        list.push_back(source->info);
        m_listedSources->push_back(source);
    }
    return list;
}

std::vector<EndpointInfo> VirtualClient::destinations()
{
    std::lock_guard<std::mutex> lock(m_hub->mutex);
    std::vector<EndpointInfo> list;
    m_listedDestinations.emplace();
    for (const auto& destination : m_hub->destinations) {
        list.push_back(destination->info);
        m_listedDestinations->push_back(destination);
    }
    return list;
}

std::unique_ptr<InputConnection> VirtualClient::connectSource(int index, ReceiveCallback callback)
{
    std::lock_guard<std::mutex> lock(m_hub->mutex);
    auto source = listedEndpoint(m_listedSources, m_hub->sources, index);
    if (!source)
        return nullptr;
    auto receiver = std::make_shared<Receiver>();
    receiver->callback = std::move(callback);
    source->receivers.push_back(receiver);
    return std::make_unique<VirtualInput>(shared_from_this(), std::move(source), std::move(receiver));
}

std::unique_ptr<OutputConnection> VirtualClient::openDestination(int index)
{
    std::lock_guard<std::mutex> lock(m_hub->mutex);
    auto destination = listedEndpoint(m_listedDestinations, m_hub->destinations, index);
    if (!destination)
        return nullptr;
    return std::make_unique<VirtualOutput>(shared_from_this(), std::move(destination));
}

std::unique_ptr<PublishedSource> VirtualClient::createSource(const std::string& deviceName,
                                                             const std::string& endpointName)
{
    auto state = std::make_shared<SourceState>();
    state->info = {deviceName, endpointName};
    std::lock_guard<std::mutex> lock(m_hub->mutex);
    m_hub->sources.push_back(state);
    return std::make_unique<VirtualSource>(shared_from_this(), std::move(state));
}

std::unique_ptr<PublishedDestination> VirtualClient::createDestination(const std::string& deviceName,
                                                                       const std::string& endpointName)
{
    auto state = std::make_shared<DestinationState>();
    state->info = {deviceName, endpointName};
    std::lock_guard<std::mutex> lock(m_hub->mutex);
    m_hub->destinations.push_back(state);
    return std::make_unique<VirtualDestination>(shared_from_this(), std::move(state));
}

} // namespace kwmidi::detail
