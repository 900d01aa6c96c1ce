#pragma once

#include "MidiSystem.h"
#include "SimSynthCommands.h"
#include "SimSynthCore.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace zelksim {

// Device name under which the simulated synthesizer publishes its ports; the editor looks for it.
inline constexpr const char* kDefaultDeviceName = "Telvor ZELK6/ZELK8";

// The simulated synthesizer on MIDI ports of its own: five sources and five destinations of one device,
// named with the device name, a blank and "Port1" to "Port5", on whatever backend the client has
// (in-process virtual ports for tests, the machine's MIDI system for zelk-sim). Input arrives on the backend's threads;
// one service thread of its own sends the core's output when it falls due. Thread-safe.
class SynthMidi
{
public:
    // What the synthesizer holds before its ports appear (its memory); false refuses the start.
    using Preparation = std::function<bool(SynthCore& core, Millis now)>;

    // Null, with a reason in *error when given, when the ports cannot be made or prepare refused; prepare
    // runs on the core before any port exists, so nothing a program sends to the new ports meets a
    // synthesizer that is not ready yet.
    static std::unique_ptr<SynthMidi> create(kwmidi::ClientRef client, SynthOptions options = {},
                                             const std::string& deviceName = kDefaultDeviceName,
                                             std::string* error = nullptr, const Preparation& prepare = {});
    // Stops the service thread and removes the ports; what was not yet sent is dropped.
    ~SynthMidi();

    SynthMidi(const SynthMidi&) = delete;
    SynthMidi& operator=(const SynthMidi&) = delete;

    // Runs f(core, now) under the binding's lock, then lets the service thread send what it queued.
    // f must not call back into this object.
    template <class F> auto withCore(F&& f)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        struct Wake
        {
            SynthMidi* self;
            ~Wake() { self->m_wake.notify_all(); }
        } wake{this};
        return f(m_core, now());
    }

    // One line of the panel language (see runCommand).
    CommandResult command(std::string_view line);

    // Called for every event of the core, on the thread that caused it, under the binding's lock: it
    // must not call back into this object.
    void setEventListener(std::function<void(const SynthEvent&)> listener);

    // Waits until the core has nothing queued (slow replies included), all of it has been sent and, on
    // the virtual backend, delivered to the listeners. False at the deadline.
    bool waitUntilSent(std::chrono::milliseconds deadline);

    // The source behind output port `port` (1-5), for tests that shape its deliveries; null otherwise.
    kwmidi::PublishedSource* source(int port);

    const std::string& deviceName() const { return m_deviceName; }

    // Milliseconds since this object was made: the clock the core runs on.
    Millis now() const;

private:
    SynthMidi(kwmidi::ClientRef client, SynthOptions options, std::string deviceName);
    void serve();
    void received(int port, const std::uint8_t* bytes, std::size_t length);

    kwmidi::ClientRef m_client;
    std::string m_deviceName;
    const std::chrono::steady_clock::time_point m_start;

    mutable std::mutex m_mutex; // guards the core and the fields below it
    std::condition_variable m_wake;
    SynthCore m_core;
    bool m_stopping = false;
    std::size_t m_inFlight = 0; // messages taken from the core and not yet handed to a source
    bool m_inputSeen = false;   // the destinations' own logs want clearing

    std::array<std::unique_ptr<kwmidi::PublishedSource>, kPortCount> m_sources;
    std::array<std::unique_ptr<kwmidi::PublishedDestination>, kPortCount> m_destinations;
    std::thread m_thread;
};

} // namespace zelksim
