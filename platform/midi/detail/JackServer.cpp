#include "detail/JackServer.h"

#include "MidiPortNames.h"

#include <jack/jack.h>

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

} // namespace kwmidi::detail
