#include "SimSynthMidi.h"

#include <algorithm>
#include <utility>

namespace zelksim {

std::unique_ptr<SynthMidi> SynthMidi::create(kwmidi::ClientRef client, SynthOptions options,
                                             const std::string& deviceName, std::string* error,
                                             const Preparation& prepare)
{
    auto fail = [&](std::string why) -> std::unique_ptr<SynthMidi> {
        if (error) {
            *error = std::move(why);
        }
        return nullptr;
    };
    if (!client || !client->isAvailable()) {
        return fail(std::string("no MIDI system: ") + (client ? client->systemName() : "no client"));
    }
    if (options.sensePort < 1 || options.sensePort > kPortCount || options.sysexPort < 1 ||
        options.sysexPort > kPortCount || options.remotePort < 1 || options.remotePort > kPortCount) {
        return fail("ports are numbered 1 to 5");
    }
    std::unique_ptr<SynthMidi> synth(new SynthMidi(std::move(client), options, deviceName));
    if (prepare && !synth->withCore(prepare)) {
        return fail("the synthesizer's preparation was refused");
    }
    for (int port = 1; port <= kPortCount; ++port) {
        const std::string name = deviceName + " Port" + std::to_string(port);
        auto& source = synth->m_sources[static_cast<std::size_t>(port - 1)];
        auto& destination = synth->m_destinations[static_cast<std::size_t>(port - 1)];
        SynthMidi* self = synth.get();
        source = synth->m_client->createSource(deviceName, name);
        // Heard from the moment it exists: a host that finds it sends at once.
        destination = synth->m_client->createDestination(
            deviceName, name,
            [self, port](const std::uint8_t* bytes, std::size_t length) { self->received(port, bytes, length); });
        if (!source || !destination) {
            return fail("cannot make the port " + name + " on " + synth->m_client->systemName());
        }
    }
    synth->m_thread = std::thread([self = synth.get()] { self->serve(); });
    return synth;
}

SynthMidi::SynthMidi(kwmidi::ClientRef client, SynthOptions options, std::string deviceName)
    : m_client(std::move(client)), m_deviceName(std::move(deviceName)), m_start(std::chrono::steady_clock::now()),
      m_core(options)
{
}

SynthMidi::~SynthMidi()
{
    // Input that still arrives is ignored from here on; the service thread, which also clears the
    // destinations' logs, ends before any port goes.
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    for (auto& destination : m_destinations) {
        destination.reset();
    }
    for (auto& source : m_sources) {
        source.reset();
    }
}

Millis SynthMidi::now() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_start).count();
}

void SynthMidi::received(int port, const std::uint8_t* bytes, std::size_t length)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping || !bytes) {
            return;
        }
        m_core.receive(port, std::span(bytes, length), now());
        m_inputSeen = true;
    }
    m_wake.notify_all();
}

void SynthMidi::serve()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stopping) {
        std::vector<OutMessage> out = m_core.poll(now());
        const bool clearLogs = std::exchange(m_inputSeen, false);
        if (!out.empty() || clearLogs) {
            m_inFlight = out.size();
            lock.unlock();
            // The destinations keep what they received for their own callers; the core already has it.
            if (clearLogs) {
                for (auto& destination : m_destinations) {
                    if (destination) {
                        destination->clearReceived();
                    }
                }
            }
            for (const OutMessage& message : out) {
                auto& source = m_sources[static_cast<std::size_t>(std::clamp(message.port, 1, kPortCount) - 1)];
                source->send(message.bytes);
            }
            lock.lock();
            m_inFlight = 0;
            m_wake.notify_all();
            continue;
        }
        if (const auto due = m_core.nextDue()) {
            m_wake.wait_for(lock, std::chrono::milliseconds(std::max<Millis>(*due - now(), 0)));
        } else {
            m_wake.wait(lock);
        }
    }
}

CommandResult SynthMidi::command(std::string_view line)
{
    return withCore([line](SynthCore& core, Millis now) { return runCommand(core, line, now); });
}

void SynthMidi::setEventListener(std::function<void(const SynthEvent&)> listener)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_core.setEventListener(std::move(listener));
}

bool SynthMidi::waitUntilSent(std::chrono::milliseconds deadline)
{
    const auto until = std::chrono::steady_clock::now() + deadline;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_wake.wait_until(lock, until, [this] { return m_core.queuedCount() == 0 && m_inFlight == 0; })) {
            return false;
        }
    }
    for (auto& source : m_sources) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (!source->waitUntilDelivered(std::max(left, std::chrono::milliseconds(0)))) {
            return false;
        }
    }
    return true;
}

kwmidi::PublishedSource* SynthMidi::source(int port)
{
    return port >= 1 && port <= kPortCount ? m_sources[static_cast<std::size_t>(port - 1)].get() : nullptr;
}

} // namespace zelksim
