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

// The largest SysEx piece sent as one event: a receiver holds an event in cells of its input pool, and one
// piece must fit a pool of the size every client gets (500 cells of 28 bytes) many times over; each piece
// costs the sender one system call.
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
// they come. No byte is lost: a piece that begins a new SysEx while one is open hands the open one on as it
// is, and one that grows past the limit is handed on in parts. One per sender; one thread.
class SysExJoiner
{
public:
    explicit SysExJoiner(std::size_t limit = 1 << 20) : m_limit(limit) {}
    // The byte chunks ready to hand on after this event, in order.
    std::vector<std::vector<std::uint8_t>> add(const MidiEvent& event);
    bool open() const { return !m_pending.empty(); }

private:
    std::size_t m_limit;
    std::vector<std::uint8_t> m_pending;
};

// One port of the sequencer as its client and port information describe it.
struct PortAddress
{
    int client = 0;
    int port = 0;
    friend auto operator<=>(const PortAddress&, const PortAddress&) = default;
};

struct PortRecord
{
    std::string clientName;
    std::string portName;
    bool readable = false; // others may subscribe to it: a source
    bool writable = false; // others may subscribe to it: a destination
};

// The endpoint a link follows: its device and endpoint names, and which of the endpoints of equal names.
struct Target
{
    std::string deviceName;
    std::string endpointName;
    int occurrence = 0;
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
    void portExited(PortAddress address);
    void clientExited(int client);
    // A subscription between sender and dest ended (someone cut it, or a port went).
    void unsubscribed(PortAddress sender, PortAddress dest);
    // Everything a query of the whole sequencer found: ports missing from it went.
    void replaceAll(std::map<PortAddress, PortRecord> ports);
    // The sequencer went: every link lost its peer and no port is known.
    void forgetAll();

    // The endpoints others publish in one direction, in the sequencer's order: the system client, our own
    // link ports and every port whose name marks it as a link of this layer left out.
    std::vector<Endpoint> endpoints(bool sources);

    // A link of our port own (receives: it listens) to the endpoint that endpoints() listed as target.
    void addLink(int own, bool receives, const Target& target, std::optional<PortAddress> peer);
    void removeLink(int own);
    std::optional<PortAddress> peer(int own) const;

    // The links whose peers went since the last call, each told once; tell their owners first.
    std::vector<int> takeLost();
    // The links without a peer whose names are present again, with the port to subscribe to.
    std::vector<std::pair<int, PortAddress>> wantedLinks();
    // The engine subscribed own to peer.
    void linked(int own, PortAddress peer);

private:
    struct Link
    {
        bool receives = false;
        Target target;
        std::optional<PortAddress> peer;
        bool lost = false;
    };
    void lose(const std::optional<PortAddress>& gone);

    DeviceNames m_names;
    int m_ownClient;
    std::map<PortAddress, PortRecord> m_ports;
    std::map<int, Link> m_links;
};

// True for a port name this layer gives the ports it connects and sends through.
bool isLinkPortName(const std::string& portName);

} // namespace kwmidi::detail::alsa
