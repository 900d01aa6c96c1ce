#include "detail/VirtualClient.h"

#include <algorithm>

namespace kwmidi::detail {

namespace {

using Hub = VirtualClient::Hub;
using Receiver = VirtualClient::Receiver;
using SourceState = VirtualClient::SourceState;
using DestinationState = VirtualClient::DestinationState;
using InputLink = VirtualClient::InputLink;
using OutputLink = VirtualClient::OutputLink;
using LinkNotice = VirtualClient::LinkNotice;

bool sameNames(const EndpointInfo& a, const EndpointInfo& b)
{
    return a.deviceName == b.deviceName && a.endpointName == b.endpointName;
}

// The k-th endpoint of the names present, or null.
template <typename State>
std::shared_ptr<State> findByNames(const std::vector<std::shared_ptr<State>>& present, const EndpointInfo& names,
                                   int occurrence)
{
    for (const auto& state : present) {
        if (sameNames(state->info, names) && occurrence-- == 0)
            return state;
    }
    return nullptr;
}

// Which of the endpoints of its names state is.
template <typename State>
int occurrenceOf(const std::vector<std::shared_ptr<State>>& present, const std::shared_ptr<State>& state)
{
    int occurrence = 0;
    for (const auto& other : present) {
        if (other == state)
            break;
        occurrence += sameNames(other->info, state->info) ? 1 : 0;
    }
    return occurrence;
}

void setNoticeCallback(LinkNotice& notice, LinkLostCallback callback)
{
    std::lock_guard<std::mutex> lock(notice.mutex);
    notice.callback = std::move(callback);
}

void detachReceiver(SourceState& source, const std::shared_ptr<Receiver>& receiver)
{
    auto& list = source.receivers;
    list.erase(std::remove(list.begin(), list.end(), receiver), list.end());
}

// Listens to a virtual source by its names; on the owner's thread.
class VirtualInput : public InputConnection
{
public:
    VirtualInput(std::shared_ptr<VirtualClient> client, std::shared_ptr<InputLink> link)
        : m_client(std::move(client)), m_link(std::move(link))
    {
    }
    ~VirtualInput() override
    {
        {
            std::lock_guard<std::mutex> lock(m_client->hub()->mutex);
            if (m_link->source)
                detachReceiver(*m_link->source, m_link->receiver);
            m_link->source.reset();
        }
        m_link->receiver->gate.close();
        m_link->lost->gate.close();
    }
    bool isLinked() const override
    {
        std::lock_guard<std::mutex> lock(m_client->hub()->mutex);
        return m_link->source != nullptr;
    }
    void setLinkLostCallback(LinkLostCallback callback) override
    {
        setNoticeCallback(*m_link->lost, std::move(callback));
    }

private:
    std::shared_ptr<VirtualClient> m_client;
    std::shared_ptr<InputLink> m_link;
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

// Sends to a virtual destination by its names; on the sending thread.
class VirtualOutput : public OutputConnection
{
public:
    VirtualOutput(std::shared_ptr<VirtualClient> client, std::shared_ptr<OutputLink> link)
        : m_client(std::move(client)), m_link(std::move(link))
    {
    }
    ~VirtualOutput() override { m_link->lost->gate.close(); }
    bool send(const std::uint8_t* bytes, std::size_t length) override
    {
        std::shared_ptr<DestinationState> destination;
        {
            std::lock_guard<std::mutex> lock(m_client->hub()->mutex);
            destination = m_link->destination;
        }
        return destination && deliverToDestination(*m_client->hub(), *destination, bytes, length);
    }
    bool isLinked() const override
    {
        std::lock_guard<std::mutex> lock(m_client->hub()->mutex);
        return m_link->destination != nullptr;
    }
    void setLinkLostCallback(LinkLostCallback callback) override
    {
        setNoticeCallback(*m_link->lost, std::move(callback));
    }

private:
    std::shared_ptr<VirtualClient> m_client;
    std::shared_ptr<OutputLink> m_link;
};

// A source made by code; sends from any thread.
class VirtualSource : public PublishedSource
{
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
        hub.relink();
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
class VirtualDestination : public PublishedDestination
{
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
            hub.relink();
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
    std::vector<std::chrono::steady_clock::time_point> receivedTimes() const override { return m_state->log.times(); }
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
        source.lastSerial =
            queue(source.receivers, std::vector<std::uint8_t>(first, first + static_cast<std::ptrdiff_t>(length)));
        offset += length;
    }
}

std::uint64_t VirtualClient::Hub::queue(std::vector<std::shared_ptr<Receiver>> receivers,
                                        std::vector<std::uint8_t> bytes)
{
    const std::uint64_t serial = nextSerial++;
    jobs.push_back(Job{std::move(receivers), std::move(bytes), serial, nullptr});
    wake.notify_all();
    return serial;
}

void VirtualClient::Hub::queueNotice(std::shared_ptr<LinkNotice> notice)
{
    Job job;
    job.serial = nextSerial++;
    job.notice = std::move(notice);
    jobs.push_back(std::move(job));
    wake.notify_all();
}

void VirtualClient::Hub::relink()
{
    std::erase_if(inputLinks, [](const auto& weak) { return weak.expired(); });
    std::erase_if(outputLinks, [](const auto& weak) { return weak.expired(); });
    for (const auto& weak : inputLinks) {
        const auto link = weak.lock();
        auto source = findByNames(sources, link->target, link->occurrence);
        if (source == link->source)
            continue;
        if (link->source) {
            detachReceiver(*link->source, link->receiver);
            queueNotice(link->lost);
        }
        if (source)
            source->receivers.push_back(link->receiver);
        link->source = std::move(source);
    }
    for (const auto& weak : outputLinks) {
        const auto link = weak.lock();
        auto destination = findByNames(destinations, link->target, link->occurrence);
        if (link->destination && destination != link->destination)
            queueNotice(link->lost);
        link->destination = std::move(destination);
    }
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
        if (job.notice) {
            job.notice->gate.run([&] {
                LinkLostCallback callback;
                {
                    std::lock_guard<std::mutex> lock(job.notice->mutex);
                    callback = job.notice->callback;
                }
                if (callback)
                    callback();
            });
        }
        job.receivers.clear();
        job.notice.reset();
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
// The names a listing shows: the k-th endpoint of equal names belongs to the k-th device of that name,
// listed as "Name (k)" from the second on, as the machine's MIDI systems list two devices of one name.
template <typename State>
EndpointInfo listedNames(const std::vector<std::shared_ptr<State>>& present, const std::shared_ptr<State>& state)
{
    EndpointInfo names = state->info;
    const int occurrence = occurrenceOf(present, state);
    if (occurrence > 0)
        names.deviceName += " (" + std::to_string(occurrence + 1) + ")";
    return names;
}
} // namespace

std::vector<EndpointInfo> VirtualClient::sources()
{
    std::lock_guard<std::mutex> lock(m_hub->mutex);
    std::vector<EndpointInfo> list;
    m_listedSources.emplace();
    for (const auto& source : m_hub->sources) {
        list.push_back(listedNames(m_hub->sources, source));
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
        list.push_back(listedNames(m_hub->destinations, destination));
        m_listedDestinations->push_back(destination);
    }
    return list;
}

std::unique_ptr<InputConnection> VirtualClient::connectSource(int index, ReceiveCallback callback,
                                                              LinkLostCallback lost)
{
    std::lock_guard<std::mutex> lock(m_hub->mutex);
    auto source = listedEndpoint(m_listedSources, m_hub->sources, index);
    if (!source)
        return nullptr;
    auto link = std::make_shared<InputLink>();
    link->target = source->info;
    link->occurrence = occurrenceOf(m_hub->sources, source);
    link->receiver = std::make_shared<Receiver>();
    link->receiver->callback = std::move(callback);
    setNoticeCallback(*link->lost, std::move(lost));
    source->receivers.push_back(link->receiver);
    link->source = std::move(source);
    m_hub->inputLinks.push_back(link);
    return std::make_unique<VirtualInput>(shared_from_this(), std::move(link));
}

std::unique_ptr<OutputConnection> VirtualClient::openDestination(int index, LinkLostCallback lost)
{
    std::lock_guard<std::mutex> lock(m_hub->mutex);
    auto destination = listedEndpoint(m_listedDestinations, m_hub->destinations, index);
    if (!destination)
        return nullptr;
    auto link = std::make_shared<OutputLink>();
    link->target = destination->info;
    link->occurrence = occurrenceOf(m_hub->destinations, destination);
    setNoticeCallback(*link->lost, std::move(lost));
    link->destination = std::move(destination);
    m_hub->outputLinks.push_back(link);
    return std::make_unique<VirtualOutput>(shared_from_this(), std::move(link));
}

std::unique_ptr<PublishedSource> VirtualClient::createSource(const std::string& deviceName,
                                                             const std::string& endpointName)
{
    auto state = std::make_shared<SourceState>();
    state->info = {deviceName, endpointName};
    std::lock_guard<std::mutex> lock(m_hub->mutex);
    m_hub->sources.push_back(state);
    m_hub->relink();
    return std::make_unique<VirtualSource>(shared_from_this(), std::move(state));
}

std::unique_ptr<PublishedDestination> VirtualClient::createDestination(const std::string& deviceName,
                                                                       const std::string& endpointName,
                                                                       ReceiveCallback callback)
{
    auto state = std::make_shared<DestinationState>();
    state->info = {deviceName, endpointName};
    if (callback) {
        state->receiver = std::make_shared<Receiver>();
        state->receiver->callback = std::move(callback);
    }
    std::lock_guard<std::mutex> lock(m_hub->mutex);
    m_hub->destinations.push_back(state);
    m_hub->relink();
    return std::make_unique<VirtualDestination>(shared_from_this(), std::move(state));
}

} // namespace kwmidi::detail
