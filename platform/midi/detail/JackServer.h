#pragma once

#include <atomic>
#include <chrono>
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
    // Full name of the one port of a link client (of any process) whose own part is portName; empty
    // when there is none or more than one.
    std::string linkPortName(const std::string& portName);
    // Connects the port named from to the port named to (full names) and waits until the server
    // shows the connection in the graph it runs. False when either port is missing or the connection
    // did not show by the deadline.
    bool connect(const std::string& from, const std::string& to, std::chrono::milliseconds deadline);

private:
    bool connectLocked();
    // 1 when connected, 0 when not (yet), -1 when a port is missing or the server is gone.
    int connectionStateLocked(const std::string& from, const std::string& to);
    static void onShutdown(void* self);

    std::mutex m_mutex;
    _jack_client* m_client = nullptr;
    std::atomic<bool> m_lost{false};
};

} // namespace kwmidi::detail
