#include "detail/JackServer.h"

#include "MidiPortNames.h"

#include <jack/jack.h>

#include <cerrno>
#include <thread>

namespace kwmidi::detail {

namespace {

void dropJackMessage(const char*) {}

// JACK prints its complaints (a missing server among them) to stderr; diagnostics are dropped here.
void silenceJack()
{
    static std::once_flag once;
    std::call_once(once, [] {
        jack_set_error_function(dropJackMessage);
        jack_set_info_function(dropJackMessage);
    });
}

} // namespace

JackServer::~JackServer()
{
    if (m_client)
        jack_client_close(m_client);
}

void JackServer::onShutdown(void* self)
{
    static_cast<JackServer*>(self)->m_lost.store(true);
}

bool JackServer::connectLocked()
{
    if (m_client && m_lost.load()) {
        jack_client_close(m_client);
        m_client = nullptr;
    }
    if (!m_client) {
        silenceJack();
        m_lost.store(false);
        jack_status_t status{};
        m_client = jack_client_open(kLinkClientName, JackNoStartServer, &status);
        if (m_client)
            jack_on_shutdown(m_client, onShutdown, this);
    }
    return m_client != nullptr;
}

bool JackServer::reachable()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return connectLocked();
}

std::vector<std::string> JackServer::midiPorts(bool sources)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> names;
    if (!connectLocked())
        return names;
    const char** ports =
        jack_get_ports(m_client, nullptr, JACK_DEFAULT_MIDI_TYPE, sources ? JackPortIsOutput : JackPortIsInput);
    if (!ports)
        return names;
    for (const char** port = ports; *port; ++port)
        names.emplace_back(*port);
    jack_free(ports);
    return names;
}

std::string JackServer::linkPortName(const std::string& portName)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!connectLocked())
        return std::string();
    const char** ports = jack_get_ports(m_client, nullptr, JACK_DEFAULT_MIDI_TYPE, 0);
    if (!ports)
        return std::string();
    std::string found;
    int matches = 0;
    for (const char** port = ports; *port; ++port) {
        const EndpointInfo parts = splitSystemPortName(*port, PortNaming::Jack);
        if (parts.deviceName == kLinkClientName && parts.endpointName == portName) {
            found = *port;
            ++matches;
        }
    }
    jack_free(ports);
    return matches == 1 ? found : std::string();
}

int JackServer::connectionStateLocked(const std::string& from, const std::string& to)
{
    if (!connectLocked())
        return -1;
    const jack_port_t* port = jack_port_by_name(m_client, from.c_str());
    if (!port || !jack_port_by_name(m_client, to.c_str()))
        return -1;
    return jack_port_connected_to(port, to.c_str()) ? 1 : 0;
}

bool JackServer::connect(const std::string& from, const std::string& to, std::chrono::milliseconds deadline)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!connectLocked())
            return false;
        const int result = jack_connect(m_client, from.c_str(), to.c_str());
        if (result != 0 && result != EEXIST)
            return false;
    }
    // The server adopts a new connection at the start of a process cycle; until then nothing sent
    // would travel through it. The lock is let go between looks so that listing is not held up.
    for (;;) {
        int state = 0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            state = connectionStateLocked(from, to);
        }
        if (state != 0)
            return state > 0;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

} // namespace kwmidi::detail
