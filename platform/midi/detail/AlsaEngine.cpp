#include "detail/AlsaEngine.h"

#include "MidiPortNames.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

namespace kwmidi::detail {

namespace {

constexpr const char* kSequencerDevice = "/dev/snd/seq";
// How long a send waits for room in a receiver's pool; a receiver that reads nothing that long is stalled,
// and the caller hears of it rather than waiting for ever.
constexpr std::chrono::milliseconds kSendDeadline{2000};
// A pool cell of the sequencer holds one event record, or that many bytes of a SysEx beside it.
constexpr std::size_t kCellBytes = 28;
// How long a listing waits for the reader to catch up with the sequencer: only a reader held up in an
// owner's callback takes anywhere near as long (see setListingCatchUp).
std::atomic<std::chrono::milliseconds::rep> g_listingCatchUpMs{5000};
// Whether a send to a program waits for room in its queue (see setWaitForRoom).
std::atomic<bool> g_waitForRoom{true};
// How long the reader waits for an event before it looks at the links and at stop().
constexpr int kPollMilliseconds = 50;
// Cells of the client's pools: the most the sequencer gives one client, so that a long SysEx in pieces and
// a burst of answers both fit.
constexpr int kPoolCells = 2000;
constexpr std::size_t kBufferBytes = 256 * 1024;

static_assert(int(alsa::Kind::NoteOn) == SND_SEQ_EVENT_NOTEON && int(alsa::Kind::SysEx) == SND_SEQ_EVENT_SYSEX &&
              int(alsa::Kind::Sensing) == SND_SEQ_EVENT_SENSING &&
              int(alsa::Kind::QuarterFrame) == SND_SEQ_EVENT_QFRAME &&
              int(alsa::Kind::TuneRequest) == SND_SEQ_EVENT_TUNE_REQUEST &&
              int(alsa::Kind::Reset) == SND_SEQ_EVENT_RESET);
static_assert(SND_SEQ_CLIENT_SYSTEM == 0 && SND_SEQ_PORT_SYSTEM_ANNOUNCE == 1);

void dropAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

std::string defaultClientName()
{
    return program_invocation_short_name && *program_invocation_short_name ? program_invocation_short_name : "kwmidi";
}

bool midiKind(int type)
{
    switch (type) {
    case SND_SEQ_EVENT_NOTEON:
    case SND_SEQ_EVENT_NOTEOFF:
    case SND_SEQ_EVENT_KEYPRESS:
    case SND_SEQ_EVENT_CONTROLLER:
    case SND_SEQ_EVENT_PGMCHANGE:
    case SND_SEQ_EVENT_CHANPRESS:
    case SND_SEQ_EVENT_PITCHBEND:
    case SND_SEQ_EVENT_SONGPOS:
    case SND_SEQ_EVENT_SONGSEL:
    case SND_SEQ_EVENT_QFRAME:
    case SND_SEQ_EVENT_START:
    case SND_SEQ_EVENT_CONTINUE:
    case SND_SEQ_EVENT_STOP:
    case SND_SEQ_EVENT_CLOCK:
    case SND_SEQ_EVENT_RESET:
    case SND_SEQ_EVENT_SENSING:
    case SND_SEQ_EVENT_TUNE_REQUEST:
    case SND_SEQ_EVENT_SYSEX:
        return true;
    default:
        return false;
    }
}

alsa::MidiEvent fromSequencer(const snd_seq_event_t& ev)
{
    alsa::MidiEvent event;
    event.kind = static_cast<alsa::Kind>(ev.type);
    switch (ev.type) {
    case SND_SEQ_EVENT_NOTEON:
    case SND_SEQ_EVENT_NOTEOFF:
    case SND_SEQ_EVENT_KEYPRESS:
        event.channel = ev.data.note.channel;
        event.note = ev.data.note.note;
        event.velocity = ev.data.note.velocity;
        break;
    case SND_SEQ_EVENT_SYSEX: {
        const auto* data = static_cast<const std::uint8_t*>(ev.data.ext.ptr);
        if (data)
            event.data.assign(data, data + ev.data.ext.len);
        break;
    }
    default:
        event.channel = ev.data.control.channel;
        event.note = static_cast<std::uint8_t>(ev.data.control.param);
        event.value = ev.data.control.value;
        break;
    }
    return event;
}

void toSequencer(const alsa::MidiEvent& event, snd_seq_event_t& ev)
{
    ev.type = static_cast<snd_seq_event_type_t>(event.kind);
    switch (event.kind) {
    case alsa::Kind::NoteOn:
    case alsa::Kind::NoteOff:
    case alsa::Kind::KeyPressure:
        ev.data.note.channel = event.channel;
        ev.data.note.note = event.note;
        ev.data.note.velocity = event.velocity;
        break;
    case alsa::Kind::SysEx:
        snd_seq_ev_set_sysex(&ev, event.data.size(), const_cast<std::uint8_t*>(event.data.data()));
        break;
    default:
        ev.data.control.channel = event.channel;
        ev.data.control.param = event.note;
        ev.data.control.value = event.value;
        break;
    }
}

// The pool of another client as the sequencer tells it (its own record of SNDRV_SEQ_IOCTL_GET_CLIENT_POOL:
// the library asks only for the caller's own).
struct ClientPool
{
    int client;
    int outputPool;
    int inputPool;
    int outputRoom;
    int outputFree;
    int inputFree;
    char reserved[64];
};

std::optional<ClientPool> poolOf(snd_seq_t* seq, int client)
{
    pollfd fd{};
    if (snd_seq_poll_descriptors(seq, &fd, 1, POLLIN) != 1)
        return std::nullopt;
    ClientPool pool{};
    pool.client = client;
    if (::ioctl(fd.fd, _IOWR('S', 0x4b, ClientPool), &pool) < 0)
        return std::nullopt;
    return pool;
}

// What the book keeps of a port the sequencer describes.
alsa::PortRecord recordOf(const std::string& clientName, const snd_seq_port_info_t& port)
{
    const unsigned caps = snd_seq_port_info_get_capability(&port);
    alsa::PortRecord record;
    record.clientName = clientName;
    record.portName = snd_seq_port_info_get_name(&port);
    record.readable = (caps & SND_SEQ_PORT_CAP_READ) && (caps & SND_SEQ_PORT_CAP_SUBS_READ);
    record.writable = (caps & SND_SEQ_PORT_CAP_WRITE) && (caps & SND_SEQ_PORT_CAP_SUBS_WRITE);
    return record;
}

} // namespace

AlsaEngine::AlsaEngine(std::string name) : m_wantedName(name.empty() ? defaultClientName() : std::move(name)) {}

AlsaEngine::~AlsaEngine()
{
    if (m_seq)
        snd_seq_close(m_seq);
}

void AlsaEngine::setListingCatchUp(std::chrono::milliseconds limit)
{
    g_listingCatchUpMs.store(limit.count());
}

void AlsaEngine::setWaitForRoom(bool wait)
{
    g_waitForRoom.store(wait);
}

bool AlsaEngine::present()
{
    if (::access(kSequencerDevice, R_OK | W_OK) != 0)
        return false;
    snd_lib_error_set_handler(dropAlsaMessage);
    snd_seq_t* probe = nullptr;
    if (snd_seq_open(&probe, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0)
        return false;
    snd_seq_close(probe);
    return true;
}

void AlsaEngine::start()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_started = true;
    openLocked();
}

void AlsaEngine::stop()
{
    m_stopping.store(true);
    std::thread reader;
    {
        // A listing that looked at the flag before it was set is waiting by now, and is woken.
        std::lock_guard<std::mutex> lock(m_mutex);
        reader = std::move(m_reader);
    }
    m_linksKept.notify_all();
    if (!reader.joinable())
        return;
    if (reader.get_id() == std::this_thread::get_id())
        reader.detach();
    else
        reader.join();
}

bool AlsaEngine::openLocked()
{
    if (m_seq)
        return !m_lost.load();
    snd_lib_error_set_handler(dropAlsaMessage);
    if (snd_seq_open(&m_seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
        m_seq = nullptr;
        return false;
    }
    snd_seq_set_client_name(m_seq, m_wantedName.substr(0, 63).c_str());
    m_client = snd_seq_client_id(m_seq);
    m_book.setOwnClient(m_client);
    snd_seq_client_info_t* info;
    snd_seq_client_info_alloca(&info);
    if (snd_seq_get_client_info(m_seq, info) == 0)
        m_clientName = snd_seq_client_info_get_name(info);
    snd_seq_set_client_pool_output(m_seq, kPoolCells);
    snd_seq_set_client_pool_input(m_seq, kPoolCells);
    snd_seq_set_output_buffer_size(m_seq, kBufferBytes);
    snd_seq_set_input_buffer_size(m_seq, kBufferBytes);
    // The sequencer tells every client and port that starts or ends, and every connection made or cut, on
    // its announce port; a port of ours that others cannot connect to hears it.
    m_announcePort = snd_seq_create_simple_port(m_seq, (std::string(kLinkPortPrefix) + "announce").c_str(),
                                                SND_SEQ_PORT_CAP_WRITE, SND_SEQ_PORT_TYPE_APPLICATION);
    if (m_announcePort < 0 ||
        snd_seq_connect_from(m_seq, m_announcePort, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE) < 0) {
        snd_seq_close(m_seq);
        m_seq = nullptr;
        return false;
    }
    m_book.replaceAll(queryLocked());
    // A sequencer that could not be opened at start may be opened by a later call: the reader starts with
    // the first open that succeeds, whichever it is.
    if (m_started && !m_stopping.load() && !m_reader.joinable()) {
        auto self = shared_from_this();
        m_reader = std::thread([self] { self->readUntilStopped(); });
    }
    return true;
}

bool AlsaEngine::reachable()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return openLocked();
}

std::string AlsaEngine::clientName()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    openLocked();
    return m_clientName;
}

std::map<alsa::PortAddress, alsa::PortRecord> AlsaEngine::queryLocked()
{
    std::map<alsa::PortAddress, alsa::PortRecord> ports;
    snd_seq_client_info_t* client;
    snd_seq_port_info_t* port;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(m_seq, client) >= 0) {
        const int number = snd_seq_client_info_get_client(client);
        const std::string clientName = snd_seq_client_info_get_name(client);
        snd_seq_port_info_set_client(port, number);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(m_seq, port) >= 0) {
            ports[{number, snd_seq_port_info_get_port(port)}] = recordOf(clientName, *port);
        }
    }
    return ports;
}

std::vector<EndpointInfo> AlsaEngine::endpoints(bool sources)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    std::vector<EndpointInfo> list;
    if (!openLocked())
        return list;
    catchUpLocked(lock);
    listLocked(sources);
    for (const auto& endpoint : m_listed[sources])
        list.push_back(endpoint.info);
    return list;
}

void AlsaEngine::listLocked(bool sources)
{
    m_listed[sources] = m_book.endpoints(sources);
    m_haveListed[sources] = true;
}

void AlsaEngine::catchUpLocked(std::unique_lock<std::mutex>& lock)
{
    // The book follows the announcements in the sequencer's order, and the reader takes them later than they
    // happened. A listing must not run ahead of it by asking the sequencer directly: a synthesizer that is
    // killed and started again gets its client and port numbers back, so its new ports would look like the
    // old ones, whose links the sequencer cut, and a send through them would reach nobody. Instead the
    // listing sends a mark to our own announce port and waits until the reader has taken it: everything
    // announced before it has been told to the owners and relinked by then.
    if (!m_reader.joinable() || std::this_thread::get_id() == m_reader.get_id())
        return;
    const std::uint32_t mark = ++m_marksSent;
    lock.unlock();
    bool sent = false;
    {
        std::lock_guard<std::mutex> output(m_outputMutex);
        snd_seq_event_t ev;
        snd_seq_ev_clear(&ev);
        ev.type = SND_SEQ_EVENT_USR0;
        ev.data.raw32.d[0] = mark;
        snd_seq_ev_set_source(&ev, static_cast<unsigned char>(m_announcePort));
        snd_seq_ev_set_dest(&ev, static_cast<unsigned char>(m_client), static_cast<unsigned char>(m_announcePort));
        snd_seq_ev_set_direct(&ev);
        sent = !m_lost.load() && snd_seq_event_output_direct(m_seq, &ev) >= 0;
    }
    lock.lock();
    if (sent)
        m_linksKept.wait_for(lock, std::chrono::milliseconds(g_listingCatchUpMs.load()), [&] {
            return m_lost.load() || m_stopping.load() || static_cast<std::int32_t>(m_marksTaken - mark) >= 0;
        });
}

bool AlsaEngine::subscribeLocked(const AlsaPort& port, alsa::PortAddress peer, bool* heldByOther)
{
    const int result = port.receives ? snd_seq_connect_from(m_seq, port.number, peer.client, peer.port)
                                     : snd_seq_connect_to(m_seq, port.number, peer.client, peer.port);
    if (result != -EBUSY)
        return result == 0;
    // Busy: the subscription is there already, which is what was asked for, or another program holds the
    // port for itself, and nothing of ours would reach it.
    if (subscribedLocked(port, peer))
        return true;
    if (heldByOther)
        *heldByOther = true;
    return false;
}

std::shared_ptr<AlsaPort> AlsaEngine::addLink(bool receives, int index, ReceiveCallback callback, LinkLostCallback lost)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_openError.clear();
    if (!openLocked())
        return nullptr;
    if (!m_haveListed[receives]) {
        catchUpLocked(lock);
        listLocked(receives);
    }
    const auto& listed = m_listed[receives];
    if (index < 0 || static_cast<std::size_t>(index) >= listed.size())
        return nullptr;
    const alsa::Endpoint& endpoint = listed[static_cast<std::size_t>(index)];
    const std::string name =
        std::string(kLinkPortPrefix) + (receives ? "in " : "out ") + std::to_string(++m_linkSerial);
    // No subscription capabilities: nobody else connects to a link, and others leave it out of their lists.
    const int number =
        snd_seq_create_simple_port(m_seq, name.c_str(), receives ? SND_SEQ_PORT_CAP_WRITE : SND_SEQ_PORT_CAP_READ,
                                   SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (number < 0)
        return nullptr;
    auto port = std::make_shared<AlsaPort>();
    port->number = number;
    port->receives = receives;
    port->isLink = true;
    // Set before the subscription: what arrives, and a loss, at once are heard.
    port->setCallback(std::move(callback));
    port->setLostCallback(std::move(lost));
    bool heldByOther = false;
    if (!subscribeLocked(*port, endpoint.address, &heldByOther)) {
        snd_seq_delete_simple_port(m_seq, number);
        if (heldByOther)
            m_openError = endpoint.info.endpointName + " is in use by another program";
        return nullptr;
    }
    m_ports[number] = port;
    m_book.addLink(number, receives, {endpoint.info.deviceName, endpoint.info.endpointName}, endpoint.address);
    return port;
}

std::shared_ptr<AlsaPort> AlsaEngine::addEndpoint(bool receives, const std::string& name, ReceiveCallback callback)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!openLocked())
        return nullptr;
    const unsigned caps = receives ? SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE
                                   : SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
    const int number = snd_seq_create_simple_port(m_seq, name.substr(0, 63).c_str(), caps,
                                                  SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION |
                                                      SND_SEQ_PORT_TYPE_SOFTWARE);
    if (number < 0)
        return nullptr;
    auto port = std::make_shared<AlsaPort>();
    port->number = number;
    port->receives = receives;
    port->keepLog = receives;
    // Set before the reader can find the port: what arrives at once is heard.
    port->setCallback(std::move(callback));
    m_ports[number] = port;
    return port;
}

void AlsaEngine::removePort(const std::shared_ptr<AlsaPort>& port)
{
    port->close();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_book.removeLink(port->number);
    m_ports.erase(port->number);
    if (m_seq && !m_lost.load())
        snd_seq_delete_simple_port(m_seq, port->number);
}

bool AlsaEngine::isLinked(const AlsaPort& port)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_lost.load() && m_book.peer(port.number).has_value();
}

std::string AlsaEngine::linkedDeviceName(const AlsaPort& port)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lost.load() ? std::string() : m_book.peerDeviceName(port.number);
}

std::string AlsaEngine::openError()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_openError;
}

// One client that a send reaches.
struct AlsaEngine::Receiver
{
    alsa::PortAddress address;
    bool program = true; // a user client: its queue has a pool
    bool wire = false;   // a device of a sound card (USB, a MIDI cable): its driver drops what outruns the wire
};

std::vector<AlsaEngine::Receiver> AlsaEngine::receiversLocked(const AlsaPort& port)
{
    std::vector<alsa::PortAddress> addresses;
    if (port.isLink) {
        if (const auto peer = m_book.peer(port.number))
            addresses.push_back(*peer);
    } else {
        snd_seq_query_subscribe_t* query;
        snd_seq_query_subscribe_alloca(&query);
        const snd_seq_addr_t own{static_cast<unsigned char>(m_client), static_cast<unsigned char>(port.number)};
        snd_seq_query_subscribe_set_root(query, &own);
        snd_seq_query_subscribe_set_type(query, SND_SEQ_QUERY_SUBS_READ);
        for (int index = 0;; ++index) {
            snd_seq_query_subscribe_set_index(query, index);
            if (snd_seq_query_port_subscribers(m_seq, query) < 0)
                break;
            const snd_seq_addr_t* address = snd_seq_query_subscribe_get_addr(query);
            addresses.push_back({address->client, address->port});
        }
    }
    std::vector<Receiver> receivers;
    snd_seq_client_info_t* info;
    snd_seq_client_info_alloca(&info);
    for (const alsa::PortAddress& address : addresses) {
        Receiver receiver{address};
        // A kernel client without a card passes events on in software (Midi Through) and is not slowed.
        if (snd_seq_get_any_client_info(m_seq, address.client, info) == 0 &&
            snd_seq_client_info_get_type(info) == SND_SEQ_KERNEL_CLIENT) {
            receiver.program = false;
            receiver.wire = snd_seq_client_info_get_card(info) >= 0;
        }
        receivers.push_back(receiver);
    }
    return receivers;
}

bool AlsaEngine::send(AlsaPort& port, const std::uint8_t* bytes, std::size_t length)
{
    if (port.receives || !bytes || length == 0 || m_lost.load())
        return false;
    std::lock_guard<std::mutex> sending(port.sendMutex);
    const bool openBefore = port.sysExOpen;
    bool open = openBefore;
    const std::vector<alsa::MidiEvent> events = alsa::eventsFromBytes(bytes, length, alsa::kSysExPiece, &open);
    if (events.empty())
        return false;
    std::vector<Receiver> receivers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_lost.load())
            return false;
        receivers = receiversLocked(port);
    }
    if (port.isLink && receivers.empty())
        return false;
    port.sysExOpen = open;
    // Each receiver by its address rather than all subscribers at once: one that must be waited for, or that
    // refuses, then holds up or fails only its own copy, and a retry never feeds the others twice.
    bool all = true;
    std::vector<alsa::MidiEvent> wireEvents;
    for (const Receiver& receiver : receivers) {
        if (receiver.wire && wireEvents.empty()) {
            bool wireOpen = openBefore;
            wireEvents = alsa::eventsFromBytes(bytes, length, alsa::kWirePiece, &wireOpen);
        }
        all = sendTo(port, receiver, receiver.wire ? wireEvents : events) && all;
    }
    return all;
}

bool AlsaEngine::sendTo(const AlsaPort& port, const Receiver& receiver, const std::vector<alsa::MidiEvent>& events)
{
    // Waits hold neither the engine's lock nor the output lock: listings and other ports' sends go on.
    auto until = std::chrono::steady_clock::now() + kSendDeadline;
    for (const alsa::MidiEvent& event : events) {
        snd_seq_event_t ev;
        snd_seq_ev_clear(&ev);
        snd_seq_ev_set_source(&ev, static_cast<unsigned char>(port.number));
        snd_seq_ev_set_dest(&ev, static_cast<unsigned char>(receiver.address.client),
                            static_cast<unsigned char>(receiver.address.port));
        snd_seq_ev_set_direct(&ev);
        toSequencer(event, ev);
        const bool sysEx = event.kind == alsa::Kind::SysEx;
        if (receiver.wire) {
            // A device's driver reports success for what it then drops: it is given no more than the wire
            // carries, whatever its buffer's state.
            const std::size_t size = sysEx ? event.data.size() : alsa::bytesFromEvent(event).size();
            std::chrono::steady_clock::time_point at;
            {
                std::lock_guard<std::mutex> lock(m_paceMutex);
                at = m_paces.reserve(receiver.address, size, std::chrono::steady_clock::now());
            }
            std::this_thread::sleep_until(at);
        } else if (receiver.program && g_waitForRoom.load()) {
            // A program's queue that refuses an event is marked overrun, and the sequencer empties it at the
            // program's next read, so an event goes only when the queue has room for it.
            const int cells = 1 + static_cast<int>(sysEx ? (event.data.size() + kCellBytes - 1) / kCellBytes : 0);
            for (;;) {
                const std::optional<ClientPool> pool = poolOf(m_seq, receiver.address.client);
                if (!pool || pool->inputPool < cells)
                    return false; // gone, or it can never hold the event
                if (pool->inputFree >= cells)
                    break;
                if (m_lost.load() || std::chrono::steady_clock::now() >= until)
                    return false;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        {
            std::lock_guard<std::mutex> lock(m_outputMutex);
            if (m_lost.load() || snd_seq_event_output_direct(m_seq, &ev) < 0)
                return false;
        }
        until = std::chrono::steady_clock::now() + kSendDeadline;
    }
    return true;
}

// ---- The reader thread --------------------------------------------------------------------------------

void AlsaEngine::readUntilStopped()
{
    if (!m_seq)
        return;
    const int count = snd_seq_poll_descriptors_count(m_seq, POLLIN);
    std::vector<pollfd> fds(static_cast<std::size_t>(std::max(count, 1)));
    snd_seq_poll_descriptors(m_seq, fds.data(), static_cast<unsigned>(fds.size()), POLLIN);
    std::optional<std::uint32_t> mark;
    while (!m_stopping.load() && !m_lost.load()) {
        ::poll(fds.data(), fds.size(), kPollMilliseconds);
        for (;;) {
            snd_seq_event_t* ev = nullptr;
            const int result = snd_seq_event_input(m_seq, &ev);
            if (result == -EAGAIN)
                break;
            if (result == -ENOSPC) {
                // Our input overran, and the sequencer emptied it: announcements and listings' marks went
                // with what was sent to us.
                mark = recoverInput();
                continue;
            }
            if (result < 0 || !ev) {
                loseSequencer();
                break;
            }
            const bool announced = alsa::fromSystemAnnounce({ev->source.client, ev->source.port});
            if (ev->dest.port == m_announcePort && ev->type == SND_SEQ_EVENT_USR0 && ev->source.client == m_client &&
                ev->source.port == m_announcePort) {
                const std::uint32_t taken = ev->data.raw32.d[0];
                if (!mark || static_cast<std::int32_t>(taken - *mark) > 0)
                    mark = taken;
            } else if (ev->dest.port == m_announcePort && announced) {
                alsa::PortAddress one{ev->data.addr.client, ev->data.addr.port};
                alsa::PortAddress two{};
                if (ev->type == SND_SEQ_EVENT_PORT_SUBSCRIBED || ev->type == SND_SEQ_EVENT_PORT_UNSUBSCRIBED) {
                    one = {ev->data.connect.sender.client, ev->data.connect.sender.port};
                    two = {ev->data.connect.dest.client, ev->data.connect.dest.port};
                }
                handleAnnounce(ev->type, one, two);
            } else if (midiKind(ev->type)) {
                handleMidi(fromSequencer(*ev), ev->dest.port, {ev->source.client, ev->source.port});
            }
            if (m_stopping.load())
                return;
            // Each look at the sequencer is a system call, dear under a loaded or emulated kernel: read
            // again only while the last read left events buffered.
            if (snd_seq_event_input_pending(m_seq, 0) == 0)
                break;
        }
        keepLinks(std::exchange(mark, std::nullopt));
    }
    keepLinks(std::nullopt);
}

void AlsaEngine::handleAnnounce(int type, alsa::PortAddress one, alsa::PortAddress two)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    switch (type) {
    case SND_SEQ_EVENT_PORT_START:
    case SND_SEQ_EVENT_PORT_CHANGE: {
        snd_seq_client_info_t* client;
        snd_seq_port_info_t* port;
        snd_seq_client_info_alloca(&client);
        snd_seq_port_info_alloca(&port);
        if (snd_seq_get_any_client_info(m_seq, one.client, client) < 0 ||
            snd_seq_get_any_port_info(m_seq, one.client, one.port, port) < 0)
            break; // gone again before we looked: its exit follows
        m_book.portPresent(one, recordOf(snd_seq_client_info_get_name(client), *port));
        break;
    }
    case SND_SEQ_EVENT_CLIENT_CHANGE: {
        snd_seq_client_info_t* client;
        snd_seq_client_info_alloca(&client);
        if (snd_seq_get_any_client_info(m_seq, one.client, client) == 0)
            m_book.clientRenamed(one.client, snd_seq_client_info_get_name(client));
        break;
    }
    case SND_SEQ_EVENT_PORT_EXIT:
        m_book.portExited(one);
        for (const auto& [number, port] : m_ports)
            port->joiners.senderExited(one, false);
        break;
    case SND_SEQ_EVENT_CLIENT_EXIT:
        m_book.clientExited(one.client);
        for (const auto& [number, port] : m_ports)
            port->joiners.senderExited(one, true);
        break;
    case SND_SEQ_EVENT_PORT_UNSUBSCRIBED:
        m_book.unsubscribed(one, two);
        break;
    default:
        break;
    }
}

void AlsaEngine::handleMidi(const alsa::MidiEvent& event, int destPort, alsa::PortAddress sender)
{
    std::shared_ptr<AlsaPort> port;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = m_ports.find(destPort);
        if (it == m_ports.end() || !it->second->receives)
            return;
        port = it->second;
    }
    for (const auto& bytes : port->joiners.add(sender, event))
        port->deliver(bytes.data(), bytes.size());
}

bool AlsaEngine::subscribedLocked(const AlsaPort& port, alsa::PortAddress peer)
{
    snd_seq_port_subscribe_t* subscription;
    snd_seq_port_subscribe_alloca(&subscription);
    const snd_seq_addr_t mine{static_cast<unsigned char>(m_client), static_cast<unsigned char>(port.number)};
    const snd_seq_addr_t other{static_cast<unsigned char>(peer.client), static_cast<unsigned char>(peer.port)};
    snd_seq_port_subscribe_set_sender(subscription, port.receives ? &other : &mine);
    snd_seq_port_subscribe_set_dest(subscription, port.receives ? &mine : &other);
    return snd_seq_get_port_subscription(m_seq, subscription) == 0;
}

std::uint32_t AlsaEngine::recoverInput()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    // What was lost cannot be told apart: every half-joined message lost its rest, every link's owner
    // missed something (a transfer under way fails now, not at its time-out), and what the announcements
    // said is asked of the sequencer again, as at the start. A link whose subscription went (its peer
    // ended, perhaps came back at the same address) follows its names again once its owner was told.
    for (const auto& [number, port] : m_ports) {
        port->joiners.dropAll();
        if (port->receives)
            port->dropped.fetch_add(1);
    }
    std::vector<int> subscribed;
    for (const auto& [own, peer] : m_book.linkedPeers()) {
        const auto it = m_ports.find(own);
        if (it != m_ports.end() && subscribedLocked(*it->second, peer))
            subscribed.push_back(own);
    }
    m_book.inputLost(queryLocked(), subscribed);
    // The marks of listings waiting now may have gone with the rest: each is taken once the losses are
    // told and the links made again.
    return m_marksSent;
}

void AlsaEngine::loseSequencer()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lost.store(true);
    m_book.forgetAll();
    m_linksKept.notify_all(); // a listing waiting for the reader waits no more
}

void AlsaEngine::keepLinks(std::optional<std::uint32_t> mark)
{
    std::vector<std::shared_ptr<AlsaPort>> lost;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (int number : m_book.takeLost()) {
            const auto it = m_ports.find(number);
            if (it != m_ports.end())
                lost.push_back(it->second);
        }
    }
    // Outside the lock (the owner's callback may take its own locks, whose holders may be sending), and
    // before any relinking, so that the owner hears of the loss before a returning endpoint is reached.
    for (const auto& port : lost)
        port->tellLost();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_seq || m_lost.load())
        return;
    for (const auto& [number, peer] : m_book.wantedLinks()) {
        const auto it = m_ports.find(number);
        if (it != m_ports.end() && subscribeLocked(*it->second, peer))
            m_book.linked(number, peer);
    }
    if (mark && static_cast<std::int32_t>(*mark - m_marksTaken) > 0)
        m_marksTaken = *mark;
    m_linksKept.notify_all();
}

} // namespace kwmidi::detail
