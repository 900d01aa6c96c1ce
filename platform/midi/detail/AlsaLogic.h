#pragma once

#include "MidiSystem.h"
#include "detail/DeviceNames.h"

#include <chrono>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// What the ALSA sequencer backend decides, kept apart from the libasound calls so that it runs (and is tested
// and fuzzed) without a sequencer: MIDI bytes to sequencer events and back, whole SysEx from its pieces, and
// which ports are listed and which port each link follows as the System Announce port tells of ports coming
// and going.
namespace kwmidi::detail::alsa {

// The kinds of sequencer event this layer handles; the values are the sequencer's own event types.
enum class Kind : std::uint8_t
{
    Start = 30,
    Continue = 31,
    Stop = 32,
    Clock = 36,
    Reset = 41,
    Sensing = 42,
    TuneRequest = 40,
    NoteOn = 6,
    NoteOff = 7,
    KeyPressure = 8,
    Controller = 10,
    Program = 11,
    ChannelPressure = 12,
    PitchBend = 13,
    SongPosition = 20,
    SongSelect = 21,
    QuarterFrame = 22,
    SysEx = 130,
};

// One sequencer event's MIDI content (the thin layer copies it to and from snd_seq_event_t).
struct MidiEvent
{
    Kind kind = Kind::Clock;
    std::uint8_t channel = 0;
    std::uint8_t note = 0;          // note events: note; controller: its number
    std::uint8_t velocity = 0;      // note events
    std::int32_t value = 0;         // controller, program, pressures, bend (-8192..8191), song position/select, frame
    std::vector<std::uint8_t> data; // SysEx: this piece's bytes
};

// The largest SysEx piece sent as one event: a receiver holds an event in cells of its input pool (one cell
// and one per 28 bytes: 38 for a whole piece), and a client that never sizes its pool gets 200 cells, five
// whole pieces; ours asks for 2000 (the most the sequencer gives one client), 52 pieces. Each piece costs the
// sender one system call.
inline constexpr std::size_t kSysExPiece = 1024;

// The events that carry bytes, one message after another; empty (nothing to send) when the bytes are no
// complete MIDI messages: a data byte without a status, a message cut short, a SysEx without its end.
// Given sysExOpen, a SysEx may run on from the bytes before (*sysExOpen: leading data bytes and F7 continue
// it) and into the bytes after (*sysExOpen set), as a MIDI stream carries it in packets of a sender's size;
// a status byte other than F7 ends an open one. *sysExOpen is left as it was when the bytes are refused.
std::vector<MidiEvent> eventsFromBytes(const std::uint8_t* bytes, std::size_t length, std::size_t piece = kSysExPiece,
                                       bool* sysExOpen = nullptr);

// When bytes may go to a device behind a MIDI cable, whose driver holds what waits for the wire in a buffer
// of its own (4096 bytes by default) and drops what does not fit without telling the sender: no faster than
// the wire takes them, after at most a burst that the buffer holds many times over. One per device; under
// its owner's lock.
class WirePace
{
public:
    using Clock = std::chrono::steady_clock;
    // 31,250 baud of ten bits a byte.
    static constexpr double kWireBytesPerSecond = 3125.0;
    static constexpr std::size_t kBurstBytes = 1024;

    // The moment bytes (at most kBurstBytes) may be handed over, now or later; they count as handed over then.
    Clock::time_point reserve(std::size_t bytes, Clock::time_point now);

private:
    std::optional<Clock::time_point> m_drained; // when the wire will have carried everything handed over
};

// The largest SysEx piece for a device behind a cable: a quarter of the burst, so that bytes flow evenly.
inline constexpr std::size_t kWirePiece = WirePace::kBurstBytes / 4;

// The bytes of one event as a MIDI stream carries them (a SysEx piece: its bytes as they are).
std::vector<std::uint8_t> bytesFromEvent(const MidiEvent& event);

// Joins the SysEx pieces the sequencer delivers from one sender into whole messages; other events pass as
// they come. A message that lost a piece is dropped rather than handed on as if whole: a piece that begins
// a new SysEx while one is open, a channel message while one is open (a status byte ends a SysEx on the
// wire), and a piece that continues none all show that the sequencer dropped something between them. One
// that grows past the limit is handed on in parts. One per sender; one thread.
class SysExJoiner
{
public:
    explicit SysExJoiner(std::size_t limit = 1 << 20) : m_limit(limit) {}
    // The byte chunks ready to hand on after this event, in order.
    std::vector<std::vector<std::uint8_t>> add(const MidiEvent& event);
    bool open() const { return !m_pending.empty(); }
    // Forgets a half-joined message: its remaining pieces were lost (our input overran).
    void drop()
    {
        m_pending.clear();
        m_handedOnPart = false;
    }

private:
    std::size_t m_limit;
    std::vector<std::uint8_t> m_pending;
    bool m_handedOnPart = false; // the open message outgrew the limit: its head is gone on already
};

// One port of the sequencer as its client and port information describe it.
struct PortAddress
{
    int client = 0;
    int port = 0;
    friend auto operator<=>(const PortAddress&, const PortAddress&) = default;
};

// The paces of the devices behind MIDI cables that sends reach, one per client: a device's ports (a
// synthesizer's or an interface's several inputs) all lead to it, and what it takes through all of them
// together stays within one wire's rate. Under its owner's lock.
class WirePaces
{
public:
    WirePace::Clock::time_point reserve(PortAddress receiver, std::size_t bytes, WirePace::Clock::time_point now)
    {
        return m_byClient[receiver.client].reserve(bytes, now);
    }

private:
    std::map<int, WirePace> m_byClient;
};

// True for an event the sequencer itself sent from its System Announce port (client 0, port 1). Any program
// may send events of the announcements' types to a port of ours; only that port's word on ports coming and
// going is believed.
bool fromSystemAnnounce(PortAddress source);

// The joiners of one port of ours, one per sender. A sender that went never ends what it left half-sent, and
// the next client or port at its address starts afresh. One thread.
class SysExJoiners
{
public:
    std::vector<std::vector<std::uint8_t>> add(PortAddress sender, const MidiEvent& event)
    {
        return m_bySender[sender].add(event);
    }
    // The port (or, wholeClient, every port of its client) ended.
    void senderExited(PortAddress sender, bool wholeClient);
    // Our input overran: every half-joined message lost its rest.
    void dropAll() { m_bySender.clear(); }

private:
    std::map<PortAddress, SysExJoiner> m_bySender;
};

struct PortRecord
{
    std::string clientName;
    std::string portName;
    bool readable = false; // others may subscribe to it: a source
    bool writable = false; // others may subscribe to it: a destination
};

// The endpoint a link follows: the names it had when the link was made.
struct Target
{
    std::string deviceName;
    std::string endpointName;
};

struct Endpoint
{
    PortAddress address;
    EndpointInfo info;
    int occurrence = 0; // among the listed endpoints of equal names before it
};

// The sequencer's ports as far as they are known, and the links that follow ports by names. The engine feeds
// it what the System Announce port says and carries out the subscriptions it asks for. Under the engine's
// lock.
class PortBook
{
public:
    explicit PortBook(int ownClient = -1) : m_names(PortNaming::Alsa), m_ownClient(ownClient) {}
    void setOwnClient(int client) { m_ownClient = client; }

    // What the sequencer told (or a query found).
    void portPresent(PortAddress address, const PortRecord& record);
    // A client renamed itself: its ports are listed under the new name.
    void clientRenamed(int client, const std::string& name);
    void portExited(PortAddress address);
    void clientExited(int client);
    // A subscription between sender and dest ended (someone cut it, or a port went).
    void unsubscribed(PortAddress sender, PortAddress dest);
    // Everything a query of the whole sequencer found: ports missing from it went.
    void replaceAll(std::map<PortAddress, PortRecord> ports);
    // The sequencer went: every link lost its peer and no port is known.
    void forgetAll();
    // Our input overran and the sequencer emptied it, announcements with it: ports is a new query, and
    // subscribed tells which links' subscriptions are still there. Every link's owner is told of the loss (what
    // it was sent is gone); a link whose subscription went takes the port it had again once that is told.
    void inputLost(std::map<PortAddress, PortRecord> ports, const std::vector<int>& subscribed);

    // The endpoints in one direction, in the sequencer's order, ours that we publish among them: the system
    // client, and every port whose name marks it as a link of this layer (our links and announce port), left
    // out.
    std::vector<Endpoint> endpoints(bool sources);

    // A link of our port own (receives: it listens) to the endpoint that endpoints() listed as target.
    void addLink(int own, bool receives, const Target& target, std::optional<PortAddress> peer);
    void removeLink(int own);
    std::optional<PortAddress> peer(int own) const;
    // Our links and the peer each is subscribed to now.
    std::vector<std::pair<int, PortAddress>> linkedPeers() const;

    // The links whose peers went since the last call, each told once; tell their owners first.
    std::vector<int> takeLost();
    // The links without a peer and the port each takes now (see "How a link follows its endpoint" in
    // MidiSystem.h): one of its names that appeared after the loss, or the one it had if only the
    // subscription was cut.
    std::vector<std::pair<int, PortAddress>> wantedLinks();
    // The engine subscribed own to peer.
    void linked(int own, PortAddress peer);
    // The device name the listing gives a link's peer now; empty while it has none.
    std::string peerDeviceName(int own);

private:
    struct Link
    {
        bool receives = false;
        std::string base; // the client name of the device it follows (the listing may add " (k)")
        std::string endpointName;
        std::optional<PortAddress> peer;
        std::uint64_t peerAppeared = 0;
        bool lost = false;
        // The peer it had and when it lost it, on the book's count of appearances.
        std::optional<PortAddress> lastPeer;
        std::uint64_t lastPeerAppeared = 0;
        std::uint64_t lostAt = 0;
    };
    void lose(const std::optional<PortAddress>& gone);
    void loseLink(Link& link);
    std::uint64_t appearedOf(PortAddress address) const;

    DeviceNames m_names;
    int m_ownClient;
    std::map<PortAddress, PortRecord> m_ports;
    // When each present port appeared: a port that went and came back at the same address is a new one.
    std::map<PortAddress, std::uint64_t> m_appeared;
    std::uint64_t m_appearances = 0;
    std::map<int, Link> m_links;
};

// True for a port name this layer gives the ports it connects and sends through.
bool isLinkPortName(const std::string& portName);

} // namespace kwmidi::detail::alsa
