#include "detail/JackEngine.h"

#include "MidiPortNames.h"

#include <jack/midiport.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace kwmidi::detail {

namespace {

// How long a new connection may take to show in the graph the server runs: a few process cycles
// normally, more while the server misses cycles under load.
constexpr std::chrono::milliseconds kConnectDeadline{3000};
// How long a port list change waits for a process cycle to let go of the old list; a server that runs
// no cycle that long is stalled, and the old list is kept rather than freed under it.
constexpr std::chrono::milliseconds kCycleDeadline{2000};
// How long a port the server told went may still be in the client library's lists: while the notification
// runs. One listed under that name later came anew.
constexpr std::chrono::milliseconds kToldGoneFor{500};
// How often the link keeper looks at a connection it made until the graph shows it, and at a port told gone
// until it is out of the lists.
constexpr std::chrono::milliseconds kConfirmInterval{10};
// Queue sizes per port: far above what a port buffer carries in one cycle, so that only a reader or
// a server stalled for seconds fills one.
constexpr std::size_t kReceiveQueueBytes = 256 * 1024;
constexpr std::size_t kSendQueueBytes = 256 * 1024;
constexpr std::uint32_t kHeader = sizeof(std::uint32_t);

// What an event takes when a server passes a port buffer on by framing each event anew, as PipeWire's
// JACK does: 32 bytes of framing and the bytes padded to 8, in a buffer the size of the port buffer. A
// cycle whose events do not fit that framing is lost there whole (seen: a burst of 3-byte messages lost
// completely), although the port buffer took them; on jackd the budget costs a little throughput only.
std::size_t framedSize(std::size_t length)
{
    return 32 + ((length + 7) & ~std::size_t(7));
}

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

std::string defaultClientName()
{
    return program_invocation_short_name && *program_invocation_short_name ? program_invocation_short_name : "kwmidi";
}

// Copies a whole message into the queue with one advance; false when it has no room.
bool writeMessage(jack_ringbuffer_t* queue, const std::uint8_t* bytes, std::uint32_t length)
{
    if (jack_ringbuffer_write_space(queue) < kHeader + length)
        return false;
    jack_ringbuffer_data_t parts[2];
    jack_ringbuffer_get_write_vector(queue, parts);
    const auto* header = reinterpret_cast<const std::uint8_t*>(&length);
    std::size_t part = 0;
    std::size_t at = 0;
    auto put = [&](const std::uint8_t* from, std::size_t count) {
        while (count > 0) {
            const std::size_t room = parts[part].len - at;
            const std::size_t n = std::min(room, count);
            std::memcpy(parts[part].buf + at, from, n);
            from += n;
            count -= n;
            at += n;
            if (at == parts[part].len) {
                ++part;
                at = 0;
            }
        }
    };
    put(header, kHeader);
    put(bytes, length);
    jack_ringbuffer_write_advance(queue, kHeader + length);
    return true;
}

// The length of the next whole message in the queue; 0 when none.
std::uint32_t nextMessage(jack_ringbuffer_t* queue)
{
    std::uint32_t length = 0;
    if (jack_ringbuffer_peek(queue, reinterpret_cast<char*>(&length), kHeader) != kHeader)
        return 0;
    return jack_ringbuffer_read_space(queue) >= kHeader + length ? length : 0;
}

} // namespace

JackPort::JackPort(bool receives_, std::size_t queueBytes) : receives(receives_)
{
    queue = jack_ringbuffer_create(queueBytes);
}

JackPort::~JackPort()
{
    if (queue)
        jack_ringbuffer_free(queue);
}

JackEngine::JackEngine(std::string name) : m_wantedName(name.empty() ? defaultClientName() : std::move(name))
{
    sem_init(&m_arrived, 0, 0);
    m_served.store(new Served);
}

JackEngine::~JackEngine()
{
    if (m_client) {
        jack_deactivate(m_client);
        jack_client_close(m_client);
    }
    delete m_served.load();
    sem_destroy(&m_arrived);
}

void JackEngine::start()
{
    auto self = shared_from_this();
    m_reader = std::thread([self] { self->readUntilStopped(); });
    m_keeper = std::thread([self] { self->keepLinksUntilStopped(); });
}

void JackEngine::stop()
{
    m_stopping.store(true);
    sem_post(&m_arrived);
    {
        std::lock_guard<std::mutex> lock(m_relinkMutex);
        m_relinkWanted = true;
    }
    m_relinkWake.notify_all();
    for (std::thread* thread : {&m_reader, &m_keeper}) {
        if (!thread->joinable())
            continue;
        if (thread->get_id() == std::this_thread::get_id())
            thread->detach();
        else
            thread->join();
    }
}

// ---- The client ---------------------------------------------------------------------------------------

bool JackEngine::openLocked()
{
    if (m_client && m_lost.load()) {
        // The server went away: its ports went with it, and nothing of ours may touch them again.
        for (const auto& port : m_ports)
            port->port = nullptr;
        m_ports.clear();
        m_idleLinks[0].clear();
        m_idleLinks[1].clear();
        delete m_served.exchange(new Served);
        jack_client_close(m_client);
        m_client = nullptr;
        std::lock_guard<std::mutex> lock(m_noticeMutex);
        m_unregistered.clear();
    }
    if (m_client)
        return true;
    silenceJack();
    m_lost.store(false);
    std::string name = m_wantedName.substr(0, static_cast<std::size_t>(std::max(jack_client_name_size() - 1, 1)));
    jack_status_t status{};
    m_client = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (!m_client)
        return false;
    m_clientName = jack_get_client_name(m_client);
    const std::size_t buffer = jack_port_type_get_buffer_size(m_client, JACK_DEFAULT_MIDI_TYPE);
    // A port buffer keeps a header and one entry per event besides the bytes.
    m_bufferEstimate = buffer > 64 ? buffer - 64 : 0;
    jack_on_shutdown(m_client, onShutdown, this);
    jack_set_process_callback(m_client, process, this);
    jack_set_port_registration_callback(m_client, onPortRegistration, this);
    // A connection cut by someone else while its peer's port stays is a lost peer too.
    jack_set_port_connect_callback(m_client, onPortConnect, this);
    if (jack_activate(m_client) != 0) {
        jack_client_close(m_client);
        m_client = nullptr;
        return false;
    }
    return true;
}

bool JackEngine::reachable()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return openLocked();
}

std::string JackEngine::clientName()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    openLocked();
    return m_clientName;
}

void JackEngine::onShutdown(void* self)
{
    auto* engine = static_cast<JackEngine*>(self);
    engine->m_lost.store(true);
    // Every link lost its peer with the server: the keeper tells their owners.
    engine->wakeKeeper();
}

void JackEngine::onPortConnect(jack_port_id_t a, jack_port_id_t b, int, void* self)
{
    // Only connections of our own links matter; others' (a patchbay's, a churning program's) would wake
    // the keeper for nothing. Looking ports up by id reads the client's own copy of the graph.
    auto* engine = static_cast<JackEngine*>(self);
    jack_client_t* client = engine->m_client;
    const jack_port_t* first = client ? jack_port_by_id(client, a) : nullptr;
    const jack_port_t* second = client ? jack_port_by_id(client, b) : nullptr;
    if ((first && jack_port_is_mine(client, first)) || (second && jack_port_is_mine(client, second)))
        engine->wakeKeeper();
}

void JackEngine::onPortRegistration(std::uint32_t id, int registered, void* self)
{
    // JACK's notification thread may not call back into the server: the keeper does the work.
    auto* engine = static_cast<JackEngine*>(self);
    // The client library takes a port that went out of its lists only once this returns, and the keeper may
    // look before: what it lists must already know the port went (see m_unregistered). Looking a port up by
    // id reads the client's own copy of the graph.
    jack_client_t* client = engine->m_client;
    const jack_port_t* port = client ? jack_port_by_id(client, id) : nullptr;
    if (const char* name = port ? jack_port_name(port) : nullptr) {
        std::lock_guard<std::mutex> lock(engine->m_noticeMutex);
        if (registered)
            engine->m_unregistered.erase(name);
        else
            engine->m_unregistered[name] = std::chrono::steady_clock::now();
    }
    engine->wakeKeeper();
}

void JackEngine::wakeKeeper()
{
    {
        std::lock_guard<std::mutex> lock(m_relinkMutex);
        m_relinkWanted = true;
    }
    m_relinkWake.notify_all();
}

// ---- Listing ------------------------------------------------------------------------------------------

bool JackEngine::toldGone(const std::string& port)
{
    std::lock_guard<std::mutex> lock(m_noticeMutex);
    const auto told = m_unregistered.find(port);
    return told != m_unregistered.end() && std::chrono::steady_clock::now() - told->second < kToldGoneFor;
}

void JackEngine::listLocked(std::vector<NamedPort>* sources, std::vector<NamedPort>* destinations)
{
    // Device names depend on every client present, whichever direction is asked for.
    std::vector<std::string> clientNames; // as the server gave them: unique while a client lives
    std::vector<std::pair<std::size_t, std::size_t>> clientOf[2]; // per listed port: its client, its index
    std::vector<NamedPort> lists[2];
    std::map<std::string, std::set<std::string>> portsByClient;
    std::set<std::string> unregistered; // told gone a moment ago
    {
        std::lock_guard<std::mutex> lock(m_noticeMutex);
        const auto now = std::chrono::steady_clock::now();
        for (auto told = m_unregistered.begin(); told != m_unregistered.end();) {
            if (now - told->second < kToldGoneFor) {
                unregistered.insert(told->first);
                ++told;
            } else {
                // Listed that long after: a port that came anew under the name.
                told = m_unregistered.erase(told);
            }
        }
    }
    std::set<std::string> listed;
    for (const int which : {0, 1}) {
        const char** ports =
            jack_get_ports(m_client, nullptr, JACK_DEFAULT_MIDI_TYPE, which == 0 ? JackPortIsOutput : JackPortIsInput);
        if (!ports)
            continue;
        for (const char** port = ports; *port; ++port) {
            if (unregistered.count(*port)) {
                listed.insert(*port);
                continue;
            }
            if (!**port || isLinkPort(*port, PortNaming::Jack))
                continue;
            NamedPort named{*port, splitSystemPortName(*port, PortNaming::Jack), {}, 0};
            const std::string& client = named.names.deviceName;
            const auto found = std::find(clientNames.begin(), clientNames.end(), client);
            const std::size_t index = static_cast<std::size_t>(found - clientNames.begin());
            if (found == clientNames.end())
                clientNames.push_back(client);
            portsByClient[client].insert(named.port);
            clientOf[which].emplace_back(index, lists[which].size());
            lists[which].push_back(std::move(named));
        }
        jack_free(ports);
    }
    {
        // A port told gone that the lists no longer show is gone for good.
        std::lock_guard<std::mutex> lock(m_noticeMutex);
        for (const std::string& name : unregistered) {
            if (!listed.count(name))
                m_unregistered.erase(name);
        }
    }
    // The server's client names may stand for two clients one after the other (see ClientInstances).
    std::map<std::string, std::string> keys = m_clientInstances.update(portsByClient);
    std::vector<SystemClient> clients;
    clients.reserve(clientNames.size());
    for (const std::string& name : clientNames)
        clients.push_back({keys[name], name});
    const std::vector<std::string> devices = m_deviceNames.update(clients);
    for (const int which : {0, 1}) {
        for (const auto& [client, port] : clientOf[which]) {
            const DeviceNames::Seen seen = m_deviceNames.seen(clients[client].key);
            lists[which][port].names.deviceName = devices[client];
            lists[which][port].base = seen.base;
            lists[which][port].appeared = seen.appeared;
        }
    }
    if (sources)
        *sources = std::move(lists[0]);
    if (destinations)
        *destinations = std::move(lists[1]);
}

std::vector<NamedPort> JackEngine::endpointPorts(bool sources)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<NamedPort> ports;
    if (!openLocked())
        return ports;
    listLocked(sources ? &ports : nullptr, sources ? nullptr : &ports);
    return ports;
}

void JackEngine::remember(bool sources, std::vector<NamedPort> ports)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_listed[sources ? 0 : 1] = std::move(ports);
    m_haveListed[sources ? 0 : 1] = true;
}

std::string JackEngine::listedPort(bool sources, int index, LinkTarget* target)
{
    const int which = sources ? 0 : 1;
    bool have = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        have = m_haveListed[which];
    }
    if (!have)
        remember(sources, endpointPorts(sources));
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto& listed = m_listed[which];
    if (index < 0 || static_cast<std::size_t>(index) >= listed.size())
        return std::string();
    const NamedPort& port = listed[static_cast<std::size_t>(index)];
    target->base = port.base;
    target->endpointName = port.names.endpointName;
    return port.port;
}

// ---- Ports --------------------------------------------------------------------------------------------

std::shared_ptr<JackPort> JackEngine::registerLocked(bool receives, const std::string& shortName, bool link,
                                                     ReceiveCallback callback)
{
    if (!openLocked())
        return nullptr;
    auto port = std::make_shared<JackPort>(receives, receives ? kReceiveQueueBytes : kSendQueueBytes);
    if (!port->queue)
        return nullptr;
    auto& idle = m_idleLinks[receives ? 0 : 1];
    if (link && !idle.empty()) {
        port->port = idle.back();
        idle.pop_back();
    } else {
        port->port = jack_port_register(m_client, shortName.c_str(), JACK_DEFAULT_MIDI_TYPE,
                                        receives ? JackPortIsInput : JackPortIsOutput, 0);
    }
    if (!port->port)
        return nullptr;
    // An endpoint of ours keeps what it receives and has its callback before the cycle serves it.
    port->keepLog = receives && !link;
    port->setCallback(std::move(callback));
    m_ports.push_back(port);
    publishLocked();
    return port;
}

void JackEngine::unregisterLocked(JackPort& port)
{
    // A port's buffer on the server keeps what the last cycle that served it wrote, and a reader still
    // connected takes that again in every cycle until the port is gone (seen: the last message of a
    // program that ended arrived twice). So an output's last served cycle leaves its buffer empty.
    // And a link's connection is cut only once a whole cycle ran it: PipeWire's JACK (before 0.3.80) sets a
    // new connection's mixing areas up on one thread while its processing thread uses them, and links cut as
    // soon as they were made crashed the program at one end or the other (ours or the peer's) within some
    // hundreds to thousands at a period of 64 frames; cut a cycle later, none did in 30000.
    if (port.port && (!port.receives || port.isLink)) {
        port.closing.store(!port.receives);
        waitForWholeCycleLocked();
    }
    m_ports.erase(std::remove_if(m_ports.begin(), m_ports.end(), [&](const auto& p) { return p.get() == &port; }),
                  m_ports.end());
    publishLocked();
    if (port.port && m_client && !m_lost.load()) {
        // JACK's client library walks its list of our ports on its notification thread, unguarded, whenever
        // the server has the latencies worked out again (after any connection change on the server, by any
        // program), and unregistering a port takes it out of that list on our thread: the walk was seen to
        // step onto the freed entry and crash the program. So a link's port is only disconnected and kept
        // for the next link; the ports of our own endpoints, whose names others see, still go.
        if (port.isLink && jack_port_disconnect(m_client, port.port) == 0)
            m_idleLinks[port.receives ? 0 : 1].push_back(port.port);
        else
            jack_port_unregister(m_client, port.port);
    }
    port.port = nullptr;
}

void JackEngine::publishLocked()
{
    auto* next = new Served;
    for (const auto& port : m_ports) {
        if (port->port)
            next->ports.push_back(port.get());
    }
    Served* old = m_served.exchange(next);
    // A cycle that began before the exchange may still walk the old list: wait for it to end. One that
    // begins after it sees the new list.
    const std::uint64_t cycles = m_cycles.load();
    const auto until = std::chrono::steady_clock::now() + kCycleDeadline;
    while (m_inCycle.load() && m_cycles.load() == cycles && !m_lost.load()) {
        if (std::chrono::steady_clock::now() >= until)
            return; // the old list stays allocated: freeing it under a stalled cycle would be worse
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    delete old;
}

bool JackEngine::waitForWholeCycleLocked()
{
    // A cycle that was running at the call may have looked before it; the one after it cannot.
    const std::uint64_t wanted = m_cycles.load() + 2;
    const auto until = std::chrono::steady_clock::now() + kCycleDeadline;
    while (m_cycles.load() < wanted) {
        if (!m_client || m_lost.load() || std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

std::shared_ptr<JackPort> JackEngine::addEndpoint(bool receives, const std::string& shortName, ReceiveCallback callback)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return registerLocked(receives, shortName, false, std::move(callback));
}

std::shared_ptr<JackPort> JackEngine::addLink(bool receives, const std::string& peer, const LinkTarget& target,
                                              ReceiveCallback callback, LinkLostCallback lost)
{
    std::shared_ptr<JackPort> port;
    std::string own;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const std::string shortName =
            std::string(kLinkPortPrefix) + (receives ? "in " : "out ") + std::to_string(++m_linkSerial);
        // The owner's callbacks are in place before the connection is: what comes at once is heard.
        port = registerLocked(receives, shortName, true, std::move(callback));
        if (!port)
            return nullptr;
        port->setLostCallback(std::move(lost));
        port->isLink = true;
        port->target = target;
        own = jack_port_name(port->port);
        const int result = receives ? jack_connect(m_client, peer.c_str(), own.c_str())
                                    : jack_connect(m_client, own.c_str(), peer.c_str());
        if (result != 0 && result != EEXIST) {
            unregisterLocked(*port);
            return nullptr;
        }
        port->peer = peer;
        port->confirmed = false;
        port->confirmBy = std::chrono::steady_clock::now() + kConnectDeadline;
    }
    if (!waitForConnection(own, peer, kConnectDeadline)) {
        removePort(port);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (port->peer == peer)
        port->confirmed = true;
    return port;
}

void JackEngine::removePort(const std::shared_ptr<JackPort>& port)
{
    port->close();
    std::lock_guard<std::mutex> lock(m_mutex);
    unregisterLocked(*port);
}

bool JackEngine::waitForConnection(const std::string& own, const std::string& peer, std::chrono::milliseconds deadline)
{
    // The server adopts a new connection at the start of a process cycle; until then nothing sent
    // would travel through it. The lock is let go between looks so that listing is not held up.
    const auto until = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_client || m_lost.load())
                return false;
            const jack_port_t* port = jack_port_by_name(m_client, own.c_str());
            if (!port || !jack_port_by_name(m_client, peer.c_str()) || toldGone(peer))
                return false;
            if (jack_port_connected_to(port, peer.c_str()))
                return true;
        }
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

bool JackEngine::isLinked(const JackPort& port)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return port.port && !m_lost.load() && jack_port_connected(port.port) > 0;
}

std::string JackEngine::linkedDeviceName(const JackPort& port)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!port.port || m_lost.load() || port.peer.empty() || !jack_port_connected_to(port.port, port.peer.c_str()))
        return std::string();
    std::vector<NamedPort> present;
    listLocked(port.receives ? &present : nullptr, port.receives ? nullptr : &present);
    const auto peer =
        std::find_if(present.begin(), present.end(), [&](const NamedPort& p) { return p.port == port.peer; });
    return peer == present.end() ? std::string() : peer->names.deviceName;
}

// ---- Sending ------------------------------------------------------------------------------------------

bool JackEngine::send(JackPort& port, const std::uint8_t* bytes, std::size_t length)
{
    if (length == 0 || !bytes || port.receives)
        return false;
    std::size_t largest = m_maxEvent.load();
    if (largest == 0) {
        std::lock_guard<std::mutex> lock(m_mutex);
        largest = m_bufferEstimate;
    }
    if (length > largest || m_lost.load())
        return false;
    std::lock_guard<std::mutex> lock(port.sendMutex);
    // A message the process callback had to give up on is reported to the next send.
    const std::uint64_t lost = port.lost.load();
    if (lost != port.lostReported) {
        port.lostReported = lost;
        return false;
    }
    if (!writeMessage(port.queue, bytes, static_cast<std::uint32_t>(length)))
        return false;
    port.queued.fetch_add(1);
    return true;
}

bool JackEngine::waitUntilConsumed(const JackPort& port, std::chrono::milliseconds deadline)
{
    const std::uint64_t wanted = port.queued.load();
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (port.consumed.load() < wanted) {
        if (m_lost.load() || std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// ---- The process callback (JACK's real-time thread: no lock, no allocation) ---------------------------

int JackEngine::process(std::uint32_t frames, void* self)
{
    auto* engine = static_cast<JackEngine*>(self);
    engine->m_inCycle.store(true);
    const Served* served = engine->m_served.load();
    bool arrived = false;
    for (JackPort* port : served->ports) {
        void* buffer = jack_port_get_buffer(port->port, frames);
        if (!buffer)
            continue;
        if (port->receives) {
            const std::uint32_t count = jack_midi_get_event_count(buffer);
            for (std::uint32_t i = 0; i < count; ++i) {
                jack_midi_event_t event;
                if (jack_midi_event_get(&event, buffer, i) != 0 || event.size == 0)
                    continue;
                if (writeMessage(port->queue, event.buffer, static_cast<std::uint32_t>(event.size)))
                    arrived = true;
                else
                    port->dropped.fetch_add(1);
            }
            continue;
        }
        jack_midi_clear_buffer(buffer);
        if (port->closing.load())
            continue;
        const std::size_t empty = jack_midi_max_event_size(buffer);
        engine->m_maxEvent.store(empty);
        bool wrote = false;
        std::size_t framed = 0;
        while (const std::uint32_t length = nextMessage(port->queue)) {
            // A message that does not fit waits for the next cycle's empty buffer; one that does not fit
            // an empty buffer either can never go, and its sender hears of it. Nor does a cycle take more
            // than every server passes on whole (see framedSize).
            framed += framedSize(length);
            if (length > jack_midi_max_event_size(buffer) || (wrote && framed > empty)) {
                if (wrote)
                    break;
                jack_ringbuffer_read_advance(port->queue, kHeader + length);
                port->lost.fetch_add(1);
                port->consumed.fetch_add(1);
                continue;
            }
            jack_midi_data_t* data = jack_midi_event_reserve(buffer, 0, length);
            if (!data)
                break;
            jack_ringbuffer_read_advance(port->queue, kHeader);
            jack_ringbuffer_read(port->queue, reinterpret_cast<char*>(data), length);
            port->consumed.fetch_add(1);
            wrote = true;
        }
    }
    if (arrived)
        sem_post(&engine->m_arrived);
    engine->m_cycles.fetch_add(1);
    engine->m_inCycle.store(false);
    return 0;
}

// ---- The reader thread --------------------------------------------------------------------------------

void JackEngine::readUntilStopped()
{
    std::vector<std::uint8_t> message;
    std::vector<std::shared_ptr<JackPort>> inputs;
    while (!m_stopping.load()) {
        // Timed, so that bytes a cycle queued just before a port list change are not left waiting.
        timespec until{};
        clock_gettime(CLOCK_REALTIME, &until);
        until.tv_nsec += 100 * 1000 * 1000;
        if (until.tv_nsec >= 1000 * 1000 * 1000) {
            until.tv_sec += 1;
            until.tv_nsec -= 1000 * 1000 * 1000;
        }
        sem_timedwait(&m_arrived, &until);
        if (m_stopping.load())
            break;
        inputs.clear();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (const auto& port : m_ports) {
                if (port->receives)
                    inputs.push_back(port);
            }
        }
        for (const auto& port : inputs) {
            while (const std::uint32_t length = nextMessage(port->queue)) {
                message.resize(length);
                jack_ringbuffer_read_advance(port->queue, kHeader);
                jack_ringbuffer_read(port->queue, reinterpret_cast<char*>(message.data()), length);
                port->deliver(message.data(), length);
            }
        }
        inputs.clear();
    }
}

// ---- The link keeper ----------------------------------------------------------------------------------

void JackEngine::keepLinksUntilStopped()
{
    bool confirming = false;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_relinkMutex);
            // A connection made by the last pass is looked at again soon: until the graph shows it, the
            // link cannot tell a peer that went from one that is still coming.
            if (confirming)
                m_relinkWake.wait_for(lock, kConfirmInterval, [&] { return m_relinkWanted; });
            else
                m_relinkWake.wait(lock, [&] { return m_relinkWanted; });
            m_relinkWanted = false;
        }
        if (m_stopping.load())
            return;
        confirming = keepLinks();
    }
}

bool JackEngine::keepLinks()
{
    std::vector<std::shared_ptr<JackPort>> lost;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_client)
            return false;
        lost = takeLostLinksLocked();
    }
    // Outside the engine's mutex: the owner's callback may take its own locks, whose holders may be
    // sending. And before the relinking below, so that the owner hears of the loss before anything of a
    // peer that came back under the same names reaches it or can be reached.
    for (const auto& port : lost)
        port->tellLost();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_client || m_lost.load())
        return false;
    const bool confirming = relinkLocked();
    // A port told gone is looked for again until the lists no longer show it, or show it anew.
    std::lock_guard<std::mutex> notices(m_noticeMutex);
    return confirming || !m_unregistered.empty();
}

// The links whose peers went away since the last look; each is reported once and has no peer afterwards.
std::vector<std::shared_ptr<JackPort>> JackEngine::takeLostLinksLocked()
{
    std::vector<std::shared_ptr<JackPort>> lost;
    const bool serverGone = m_lost.load();
    bool counted = false;
    for (const auto& port : m_ports) {
        if (!port->isLink || !port->port || port->peer.empty())
            continue;
        bool gone = serverGone;
        if (!gone) {
            // The port of that name may be the peer's successor already (a quick restart): a connection
            // the graph showed and shows no more went with the peer.
            const bool present = jack_port_by_name(m_client, port->peer.c_str()) != nullptr && !toldGone(port->peer);
            const bool connected = present && jack_port_connected_to(port->port, port->peer.c_str());
            gone = !present || (port->confirmed && !connected);
            port->confirmed = port->confirmed || connected;
        }
        if (gone) {
            // Every client present now counts as there at the loss, so that none of them is taken over.
            if (!counted && !serverGone)
                listLocked(nullptr, nullptr);
            counted = true;
            port->lastPeer = port->peer;
            port->lostAt = m_deviceNames.lastSeen();
            port->peer.clear();
            port->confirmed = false;
            lost.push_back(port);
        }
    }
    return lost;
}

// Connects every link to its peer, or, when it lost it, to the port it follows now (see followAfterLoss).
bool JackEngine::relinkLocked()
{
    std::vector<NamedPort> sources;
    std::vector<NamedPort> destinations;
    listLocked(&sources, &destinations);
    const auto now = std::chrono::steady_clock::now();
    bool confirming = false;
    for (const auto& port : m_ports) {
        if (!port->isLink || !port->port)
            continue;
        const auto& present = port->receives ? sources : destinations;
        const NamedPort* chosen = nullptr;
        if (!port->peer.empty()) {
            // While its peer lives a link stays with it, whatever it is listed as now; one that went since the
            // last look is told as lost by the next pass before the link follows anything.
            const auto peer =
                std::find_if(present.begin(), present.end(), [&](const NamedPort& p) { return p.port == port->peer; });
            if (peer == present.end())
                continue;
            if (port->confirmed && !jack_port_connected_to(port->port, port->peer.c_str())) {
                // Cut since the last look (someone else disconnected it): the next pass tells the loss before
                // the link is made again, as for a peer that went.
                confirming = true;
                continue;
            }
            port->target = {peer->base, peer->names.endpointName};
            chosen = &*peer;
        } else {
            std::vector<FollowCandidate> candidates;
            candidates.reserve(present.size());
            for (const NamedPort& p : present)
                candidates.push_back({p.base, p.names.endpointName, p.appeared, p.port == port->lastPeer});
            const int index = followAfterLoss(port->target.base, port->target.endpointName, port->lostAt, candidates);
            if (index < 0)
                continue;
            chosen = &present[static_cast<std::size_t>(index)];
        }
        const std::string& name = chosen->port;
        if (!jack_port_connected_to(port->port, name.c_str())) {
            const char* own = jack_port_name(port->port);
            const int result =
                port->receives ? jack_connect(m_client, name.c_str(), own) : jack_connect(m_client, own, name.c_str());
            if ((result == 0 || result == EEXIST) && port->peer != name) {
                port->peer = name;
                port->confirmed = false;
                port->confirmBy = now + kConnectDeadline;
            }
        } else if (port->peer != name) {
            port->peer = name;
            port->confirmed = true;
        }
        confirming = confirming || (!port->peer.empty() && !port->confirmed && now < port->confirmBy);
    }
    return confirming;
}

} // namespace kwmidi::detail
