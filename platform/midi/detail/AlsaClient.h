#pragma once

#include "detail/AlsaEngine.h"
#include "detail/PortClient.h"

namespace kwmidi::detail {

// The machine's MIDI system through the ALSA sequencer: one sequencer client holds every port of the
// process (the endpoints it publishes and the ports it connects and sends through); a reader thread of ours
// hands what arrived to the receive callbacks and, told by the sequencer's announcements, tells links of
// their lost endpoints and connects them again, by device and endpoint name, when those come back. Listing
// and opening run on any thread; receive and link-lost callbacks run on the reader thread.
class AlsaClient : public PortClient<AlsaEngine>
{
public:
    // True when the machine has a sequencer this process may open.
    static bool present();
    // name: the client's name on the sequencer (empty: the program's name).
    explicit AlsaClient(const std::string& name);

    std::string systemName() override;
    std::string openError() override;

private:
    std::vector<EndpointInfo> endpoints(bool sources) override;
    std::shared_ptr<Port> addLink(bool receives, int index, ReceiveCallback callback, LinkLostCallback lost) override;
    std::shared_ptr<Port> addEndpoint(bool receives, const std::string& deviceName, const std::string& endpointName,
                                      ReceiveCallback callback) override;
    std::unique_ptr<OutputConnection> makeOutput(std::unique_ptr<Handle> handle) override;
    std::unique_ptr<PublishedSource> makeSource(std::unique_ptr<Handle> handle) override;
};

} // namespace kwmidi::detail
