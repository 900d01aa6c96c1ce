#pragma once

#include "MidiPortNames.h"
#include "MidiSystem.h"

#include <mutex>

namespace kwmidi::detail {

// The machine's ALSA sequencer through RtMidi. Listing and opening run on any thread; receive callbacks
// run on RtMidi's thread.
class RtMidiClient : public Client
{
public:
    // True when this machine has a sequencer to use; without one the machine's MIDI system is JACK.
    static bool hasAlsaSequencer();

    Backend backend() const override { return Backend::RtMidi; }
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
    // The system's own port names of one direction, ports of our links left out; empty without a
    // system.
    std::vector<std::string> systemPortNames(bool sources);
    std::vector<EndpointInfo> endpoints(bool sources);
    // The system name of entry index of the list last handed out (listed now if none was), so that
    // an index names what the caller saw even when other programs added or removed ports since.
    std::string listedPortName(bool sources, int index);
    std::mutex m_mutex;
    std::vector<std::string> m_listed[2]; // sources, destinations
    bool m_haveListed[2] = {false, false};
};

} // namespace kwmidi::detail
