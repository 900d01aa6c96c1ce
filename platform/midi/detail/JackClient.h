#pragma once

#include "MidiSystem.h"

#include <memory>

namespace kwmidi::detail {

class JackEngine;
class PortHandle;

// The machine's MIDI system through a JACK server, as JACK programs do it: one client of the server
// holds every port of the process (the endpoints it publishes and the ports it connects and sends
// through); its process callback only moves bytes between the ports and lock-free queues; a reader
// thread of ours hands what arrived to the receive callbacks, and a link keeper connects our links
// again, by device and endpoint name, when their peers come back. Listing and opening run on any
// thread; receive callbacks run on the reader thread.
class JackClient : public Client, public std::enable_shared_from_this<JackClient>
{
public:
    // name: the client's name on the server (empty: the program's name).
    explicit JackClient(const std::string& name);
    ~JackClient() override;

    Backend backend() const override { return Backend::System; }
    bool isAvailable() override;
    std::string systemName() override;
    std::vector<EndpointInfo> sources() override;
    std::vector<EndpointInfo> destinations() override;
    std::unique_ptr<InputConnection> connectSource(int index, ReceiveCallback callback) override;
    std::unique_ptr<OutputConnection> openDestination(int index) override;
    std::unique_ptr<PublishedSource> createSource(const std::string& deviceName,
                                                  const std::string& endpointName) override;
    std::unique_ptr<PublishedDestination> createDestination(const std::string& deviceName,
                                                            const std::string& endpointName) override;

private:
    std::vector<EndpointInfo> endpoints(bool sources);
    // A link to entry index of the direction's last listing, or a port of our own; null when refused.
    std::unique_ptr<PortHandle> link(bool receives, int index);
    std::unique_ptr<PortHandle> publish(bool receives, const std::string& deviceName, const std::string& endpointName);

    std::shared_ptr<JackEngine> m_engine;
};

} // namespace kwmidi::detail
