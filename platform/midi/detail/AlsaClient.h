#pragma once

#include "MidiSystem.h"

#include <memory>

namespace kwmidi::detail {

class AlsaEngine;
class AlsaPortHandle;

// The machine's MIDI system through the ALSA sequencer: one sequencer client holds every port of the
// process (the endpoints it publishes and the ports it connects and sends through); a reader thread of ours
// hands what arrived to the receive callbacks and, told by the sequencer's announcements, tells links of
// their lost endpoints and connects them again, by device and endpoint name, when those come back. Listing
// and opening run on any thread; receive and link-lost callbacks run on the reader thread.
class AlsaClient : public Client, public std::enable_shared_from_this<AlsaClient>
{
public:
    // True when the machine has a sequencer this process may open.
    static bool present();
    // name: the client's name on the sequencer (empty: the program's name).
    explicit AlsaClient(const std::string& name);
    ~AlsaClient() override;

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
    // A port of our own; null when refused.
    std::unique_ptr<AlsaPortHandle> publish(bool receives, const std::string& deviceName,
                                            const std::string& endpointName);

    std::shared_ptr<AlsaEngine> m_engine;
};

} // namespace kwmidi::detail
