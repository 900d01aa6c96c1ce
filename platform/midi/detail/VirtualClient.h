#pragma once

#include "MidiSystem.h"
#include "detail/CallbackGate.h"
#include "detail/ReceivedLog.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace kwmidi::detail {

// The in-process backend: endpoints made by code, delivered by a thread of its own. Listing,
// connecting and sending run on any thread; callbacks run on the delivery thread.
class VirtualClient : public Client, public std::enable_shared_from_this<VirtualClient>
{
public:
    // A receive callback behind its gate.
    struct Receiver
    {
        CallbackGate gate;
        ReceiveCallback callback;
    };
    struct SourceState
    {
        EndpointInfo info;
        std::vector<std::shared_ptr<Receiver>> receivers;
        Chunking chunking;
        std::vector<std::uint8_t> held;
        std::uint64_t lastSerial = 0;
    };
    struct DestinationState
    {
        EndpointInfo info;
        ReceivedLog log;
        std::mutex mutex; // guards the three below
        bool refusing = false;
        bool removed = false;
        std::shared_ptr<Receiver> receiver;
    };
    // A link-lost callback behind its gate; the callback may be replaced from any thread.
    struct LinkNotice
    {
        CallbackGate gate;
        std::mutex mutex;
        LinkLostCallback callback;
    };
    // A connection by device and endpoint names (the k-th of equal names): it follows the endpoint of
    // those names while one is present. Guarded by the hub mutex.
    struct InputLink
    {
        EndpointInfo target;
        int occurrence = 0;
        std::shared_ptr<Receiver> receiver;
        std::shared_ptr<SourceState> source; // null while none of its names is present
        std::shared_ptr<LinkNotice> lost = std::make_shared<LinkNotice>();
    };
    struct OutputLink
    {
        EndpointInfo target;
        int occurrence = 0;
        std::shared_ptr<DestinationState> destination;
        std::shared_ptr<LinkNotice> lost = std::make_shared<LinkNotice>();
    };
    // State shared with the delivery thread, which outlives the client when the client ends inside
    // one of its own callbacks.
    struct Hub
    {
        // Bytes for receivers, or the news that a link lost its endpoint.
        struct Job
        {
            std::vector<std::shared_ptr<Receiver>> receivers;
            std::vector<std::uint8_t> bytes;
            std::uint64_t serial = 0;
            std::shared_ptr<LinkNotice> notice;
        };
        std::mutex mutex;
        std::condition_variable wake;
        std::condition_variable idle;
        std::vector<std::shared_ptr<SourceState>> sources;
        std::vector<std::shared_ptr<DestinationState>> destinations;
        std::vector<std::weak_ptr<InputLink>> inputLinks;
        std::vector<std::weak_ptr<OutputLink>> outputLinks;
        std::deque<Job> jobs;
        std::uint64_t nextSerial = 1;
        std::uint64_t delivered = 0;
        bool stopping = false;

        // Cuts bytes by the source's chunking and queues them for its receivers; hub mutex held.
        void queueFromSource(SourceState& source, const std::vector<std::uint8_t>& bytes);
        std::uint64_t queue(std::vector<std::shared_ptr<Receiver>> receivers, std::vector<std::uint8_t> bytes);
        void queueNotice(std::shared_ptr<LinkNotice> notice);
        void deliverUntilStopped();
        // Points every link at the endpoint of its names present now (after one came or went); a link whose
        // endpoint went is told so on the delivery thread, behind everything its endpoint sent before.
        void relink();
    };

    VirtualClient();
    ~VirtualClient() override;

    Backend backend() const override { return Backend::Virtual; }
    bool isAvailable() override { return true; }
    std::string systemName() override { return "virtual"; }
    std::vector<EndpointInfo> sources() override;
    std::vector<EndpointInfo> destinations() override;
    std::unique_ptr<InputConnection> connectSource(int index, ReceiveCallback callback,
                                                   LinkLostCallback lost = {}) override;
    std::unique_ptr<OutputConnection> openDestination(int index, LinkLostCallback lost = {}) override;
    std::unique_ptr<PublishedSource> createSource(const std::string& deviceName,
                                                  const std::string& endpointName) override;
    std::unique_ptr<PublishedDestination> createDestination(const std::string& deviceName,
                                                            const std::string& endpointName,
                                                            ReceiveCallback callback = {}) override;

    const std::shared_ptr<Hub>& hub() const { return m_hub; }

private:
    std::shared_ptr<Hub> m_hub;
    // What sources() and destinations() last handed out, so that an index a caller took from a list
    // still names that endpoint after others came and went; hub mutex held. Empty before any listing.
    std::optional<std::vector<std::weak_ptr<SourceState>>> m_listedSources;
    std::optional<std::vector<std::weak_ptr<DestinationState>>> m_listedDestinations;
    std::thread m_thread;
};

} // namespace kwmidi::detail
