#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The editor's window onto the machine's MIDI system: endpoints to list, sources to listen to and
// destinations to send to, and endpoints of our own for other programs (or this one) to use.
namespace kwmidi {

// Which implementation serves the process; chosen once from KNOBWRIGHT_MIDI_BACKEND.
enum class Backend
{
    System,  // the machine's MIDI system (ALSA sequencer, or JACK where there is none)
    Virtual, // endpoints that exist only inside this process (tests, the simulated synthesizer)
};

// Name of the environment variable that selects the backend: "system" (the default) or "virtual".
inline constexpr const char* kBackendVariable = "KNOBWRIGHT_MIDI_BACKEND";

// What clients report when neither an ALSA sequencer nor a JACK server can be reached.
inline constexpr const char* kNoMidiSystem = "no MIDI system";

// The backend named by KNOBWRIGHT_MIDI_BACKEND; the only place that reads it. Unknown texts give System.
Backend backendFromEnvironment();

// The name under which this process shows on the machine's MIDI system, where one client holds all of a
// program's ports. Takes effect for a client made after the call: set it before the first
// acquire(). A program that publishes the endpoints of one device names it after the device, since
// the system lists a port's device as its client's name. Empty (the default): the program's own name.
void setClientName(const std::string& name);

// One endpoint as the MIDI system names it. Either name may be empty when the system gives none.
// Device names are stable across runs: no client or port numbers, no suffix that JACK added to
// tell clashing client names apart. Two devices of one name are two: the one seen later is listed as
// "Name (2)" (the k-th "Name (k)") while the earlier one is present.
struct EndpointInfo
{
    std::string deviceName;
    std::string endpointName;
};

// Receives raw bytes in arrival order on a thread the backend owns. A chunk may hold part of a
// message or several messages; the pointer is valid only during the call.
using ReceiveCallback = std::function<void(const std::uint8_t* bytes, std::size_t length)>;

// Told that the endpoint a connection was linked to went away (its device was switched off, its program
// ended or died), on a thread of the backend. The connection itself stays and follows the endpoint when
// it comes back.
//
// How a link follows its endpoint. Across a switch-off nothing but names tells a device apart from another
// of the same name, so a link goes by when a device appeared:
// - While its endpoint is present the link stays with it, whatever the listing calls it meanwhile (when the
//   first of two devices of one name goes, "Name (2)" is listed as "Name").
// - When it goes, the link takes the first endpoint of the same endpoint name on a device of the same name,
//   listed with any suffix or none, that appears after the loss.
// - An endpoint that was present at the loss is never taken over by itself: a second synthesizer of the
//   same name keeps its memory, and only the user links to it (File > Setup). The one exception is the
//   very endpoint the link had, when only the connection was cut (another program cut it).
// So two links to two devices of one name that both went both take whichever comes back first.
using LinkLostCallback = std::function<void()>;

// A listening connection to one source, found by its device and endpoint names (the k-th of equal
// names). It outlives the source: when the source goes away nothing arrives, and when a source of the
// same names appears again it is listened to again (see "How a link follows its endpoint"). Destroying it disconnects:
// the destructor returns once no callback runs and none will follow (it may be destroyed from inside its own callback).
class InputConnection
{
public:
    virtual ~InputConnection() = default;
    // True while the source it was made for is present and connected.
    virtual bool isLinked() const { return true; }
    // The device name the listing gives the linked source now (it may have lost or gained a " (k)");
    // empty while unlinked, or where the backend cannot tell.
    virtual std::string linkedDeviceName() const { return std::string(); }
    // Called once each time the linked source goes away: before anything of a source of the same names
    // that appeared meanwhile arrives. Set it once, before the source can go; destroying the connection
    // waits for a call under way and stops later ones. Backends that cannot follow a source never call it.
    virtual void setLinkLostCallback(LinkLostCallback callback) { (void)callback; }
    // How often something that arrived could not be handed on (JACK: messages its queue had no room for;
    // ALSA: overruns of the sequencer's input, each of which is also told through the link-lost callback);
    // for diagnosis and tests. 0 where the backend cannot lose any.
    virtual std::uint64_t droppedMessages() const { return 0; }
};

// A sending connection to one destination, found by its device and endpoint names (the k-th of equal
// names); it follows the destination when one of the same names appears again (see "How a link follows
// its endpoint"). Used by one thread at
// a time.
class OutputConnection
{
public:
    virtual ~OutputConnection() = default;
    // Hands the bytes to the MIDI system as one packet; never waits indefinitely. False when the
    // system refused them (its queue is full, the packet can never fit), the destination is gone or
    // length is 0.
    virtual bool send(const std::uint8_t* bytes, std::size_t length) = 0;
    // True while the destination it was made for is present and connected.
    virtual bool isLinked() const { return true; }
    // As for InputConnection.
    virtual std::string linkedDeviceName() const { return std::string(); }
    // Called once each time the linked destination goes away, as for InputConnection; on JACK before a
    // destination of the same names that appeared meanwhile can be sent to.
    virtual void setLinkLostCallback(LinkLostCallback callback) { (void)callback; }
};

// How a source of our own hands its bytes to its listeners (honoured by the virtual backend only;
// the machine's MIDI system chunks as it likes).
struct Chunking
{
    // Cut the outgoing byte stream into chunks of these sizes, repeating the list; empty: each
    // send() is delivered as one chunk.
    std::vector<std::size_t> splitSizes;
    // Hold every send() until releaseHeld(), then deliver all held bytes as one stream (merged,
    // then cut by splitSizes).
    bool hold = false;
};

// A source of our own that other programs (or this one) can listen to. Destroying it removes it.
class PublishedSource
{
public:
    virtual ~PublishedSource() = default;
    // Queues bytes for every connected listener; never waits indefinitely. False when refused (the
    // queue is full or the packet can never fit).
    virtual bool send(const std::uint8_t* bytes, std::size_t length) = 0;
    bool send(const std::vector<std::uint8_t>& bytes) { return send(bytes.data(), bytes.size()); }
    // Virtual backend: how deliveries are cut or merged; the others ignore it.
    virtual void setChunking(const Chunking& chunking) = 0;
    // Virtual backend: delivers what hold kept back. No effect elsewhere.
    virtual void releaseHeld() = 0;
    // True once everything sent so far has left this process (the virtual backend waits until its
    // delivery thread has handed it to the listeners' callbacks). False at the deadline.
    virtual bool waitUntilDelivered(std::chrono::milliseconds deadline) = 0;
};

// A destination of our own that other programs (or this one) can send to. It keeps every chunk it
// received and, when given one, calls a callback on the backend's thread. Destroying it removes it.
class PublishedDestination
{
public:
    virtual ~PublishedDestination() = default;
    // Called for each received chunk on the backend's thread; replaces the one it was made with.
    virtual void setReceiveCallback(ReceiveCallback callback) = 0;
    // Every chunk received so far, in order, and all their bytes joined.
    virtual std::vector<std::vector<std::uint8_t>> receivedChunks() const = 0;
    virtual std::vector<std::uint8_t> receivedBytes() const = 0;
    // When each chunk arrived (as it was handed over, before any callback).
    virtual std::vector<std::chrono::steady_clock::time_point> receivedTimes() const = 0;
    virtual void clearReceived() = 0;
    // Waits until at least count bytes were received in all; false at the deadline.
    virtual bool waitForBytes(std::size_t count, std::chrono::milliseconds deadline) const = 0;
    // Virtual backend: while true, every send to this destination fails (and nothing is kept).
    virtual void setRefusing(bool refusing) = 0;
};

// The process-wide MIDI client. acquire() hands out references to one shared instance; it is made
// for the first and ends with the last. Listing and opening run on any thread.
class Client
{
public:
    virtual ~Client() = default;

    // The process's client, made with the backend from the environment if none lives.
    static std::shared_ptr<Client> acquire();
    // The process's client if one lives, else null; makes none.
    static std::shared_ptr<Client> current();

    virtual Backend backend() const = 0;
    // False when no MIDI system can be reached (then nothing is listed and nothing opens).
    virtual bool isAvailable() = 0;
    // "ALSA sequencer", "JACK", "virtual", or kNoMidiSystem.
    virtual std::string systemName() = 0;

    // The endpoints present now, in the system's order. connectSource and openDestination take an
    // index into the list that sources() or destinations() last returned (the current list if none
    // was asked for), so that other programs adding ports in between do not shift it.
    virtual std::vector<EndpointInfo> sources() = 0;
    virtual std::vector<EndpointInfo> destinations() = 0;

    // Listens to source index (0-based). Null when it does not exist or cannot be connected. Both callbacks
    // are in place before the link can carry anything: what arrives, and a loss, at once are told (lost as
    // setLinkLostCallback, which may replace it).
    virtual std::unique_ptr<InputConnection> connectSource(int index, ReceiveCallback callback,
                                                           LinkLostCallback lost = {}) = 0;
    // Opens destination index (0-based) for sending. Null when it does not exist or cannot be opened.
    virtual std::unique_ptr<OutputConnection> openDestination(int index, LinkLostCallback lost = {}) = 0;
    // Why the last connectSource or openDestination that gave null failed, in words for the user ("... is in
    // use by another program"); empty when the system said nothing more than that it failed.
    virtual std::string openError() { return {}; }

    // Endpoints of our own, listed under deviceName / endpointName (by this process too). Null
    // when the MIDI system cannot make them; also when deviceName is not this process's
    // client name (see setClientName).
    virtual std::unique_ptr<PublishedSource> createSource(const std::string& deviceName,
                                                          const std::string& endpointName) = 0;
    // A destination's callback is in place before the destination can be seen: a program that sends as
    // soon as it finds it (a host that finds a synthesizer switched on again) is heard.
    virtual std::unique_ptr<PublishedDestination> createDestination(const std::string& deviceName,
                                                                    const std::string& endpointName,
                                                                    ReceiveCallback callback = {}) = 0;
};

using ClientRef = std::shared_ptr<Client>;

} // namespace kwmidi
