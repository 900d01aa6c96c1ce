#pragma once

#include "detail/JackEngine.h"
#include "detail/PortClient.h"

namespace kwmidi::detail {

// The machine's MIDI system through a JACK server, as JACK programs do it: one client of the server
// holds every port of the process (the endpoints it publishes and the ports it connects and sends
// through); its process callback only moves bytes between the ports and lock-free queues; a reader
// thread of ours hands what arrived to the receive callbacks, and a link keeper connects our links
// again, by device and endpoint name, when their peers come back. Listing and opening run on any
// thread; receive callbacks run on the reader thread.
class JackClient : public PortClient<JackEngine>
{
public:
    // name: the client's name on the server (empty: the program's name).
    explicit JackClient(const std::string& name);

    std::string systemName() override;

private:
    std::vector<EndpointInfo> endpoints(bool sources) override;
    std::shared_ptr<Port> addLink(bool receives, int index, ReceiveCallback callback, LinkLostCallback lost) override;
    std::shared_ptr<Port> addEndpoint(bool receives, const std::string& deviceName, const std::string& endpointName,
                                      ReceiveCallback callback) override;
    std::unique_ptr<OutputConnection> makeOutput(std::unique_ptr<Handle> handle) override;
    std::unique_ptr<PublishedSource> makeSource(std::unique_ptr<Handle> handle) override;
};

} // namespace kwmidi::detail
