#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

struct _jack_client;

namespace kwmidi::detail {

// One client of the JACK server, kept open to tell whether the server runs and to list its MIDI
// ports, so that neither costs the server a new client (a storm of short-lived clients stalls it).
// Any thread.
class JackServer {
public:
    JackServer() = default;
    ~JackServer();
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    bool reachable();
    // Full names ("client:port") of the MIDI ports others can listen to (sources) or send to.
    std::vector<std::string> midiPorts(bool sources);

private:
    bool connectLocked();
    static void onShutdown(void* self);

    std::mutex m_mutex;
    _jack_client* m_client = nullptr;
    std::atomic<bool> m_lost{false};
};

} // namespace kwmidi::detail
