#pragma once

#include "MidiSystem.h"
#include "detail/DeviceNames.h"
#include "detail/PortNotices.h"

#include <jack/jack.h>
#include <jack/ringbuffer.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <semaphore.h>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace kwmidi::detail {

// The endpoint a link follows: its device's own name (no " (k)" of the listing) and its endpoint name.
struct LinkTarget
{
    std::string base;
    std::string endpointName;
};

// A port another program publishes: its full name on the server and the names a listing shows for it, with
// its device's own name and when its client was first seen (DeviceNames' count).
struct NamedPort
{
    std::string port;
    EndpointInfo names;
    std::string base;
    std::uint64_t appeared = 0;
};

// One port of ours on the server, with the queue between it and the process callback. Bytes travel
// through the queue as whole messages (a 32-bit length, then the bytes), each written with one
// advance of the queue, so the reader never sees half a message.
// Bytes that arrive are told by the reader (dropped counts what the queue had no room for), a lost peer by
// the link keeper.
struct JackPort : PortNotices
{
    explicit JackPort(bool receives, std::size_t queueBytes);
    ~JackPort();
    JackPort(const JackPort&) = delete;
    JackPort& operator=(const JackPort&) = delete;

    const bool receives; // a JACK input port: bytes arrive through it
    jack_ringbuffer_t* queue = nullptr;
    jack_port_t* port = nullptr; // null once unregistered or the server went away (guarded by the engine's mutex)

    // Sending (one sender at a time under sendMutex; the process callback consumes).
    std::mutex sendMutex;
    std::atomic<std::uint64_t> queued{0};
    std::atomic<std::uint64_t> consumed{0};
    std::atomic<std::uint64_t> lost{0}; // messages the port buffer could never take
    std::uint64_t lostReported = 0;     // under sendMutex
    // Set while the port goes: its last served cycles leave its buffer empty.
    std::atomic<bool> closing{false};

    // A link's peer, when the port is one (guarded by the engine's mutex): the names it follows, the
    // full name of the port it was connected to (empty while it has none) and whether the server's graph
    // has shown that connection yet (a new one shows a cycle or more after the server took it). After a
    // loss: the peer it had, and the count of clients seen by then (see followAfterLoss).
    bool isLink = false;
    LinkTarget target;
    std::string peer;
    bool confirmed = false;
    std::chrono::steady_clock::time_point confirmBy;
    std::string lastPeer;
    std::uint64_t lostAt = 0;
};

// Everything of the process's one JACK client, shared with its two threads so that the facade may go
// away on one of them (a receive callback that drops the last reference). Any thread; the process
// callback runs on JACK's real-time thread and takes no lock and allocates nothing.
class JackEngine : public std::enable_shared_from_this<JackEngine>
{
public:
    using Port = JackPort;

    explicit JackEngine(std::string name);
    ~JackEngine();

    // Starts the reader and the link keeper; they hold the engine until stop().
    void start();
    // Ends both threads (detaching the caller's own, which then ends by itself).
    void stop();

    bool reachable();
    // The MIDI ports others publish in one direction, our links left out, with their device names.
    std::vector<NamedPort> endpointPorts(bool sources);
    // The full name at index of the list last handed out for the direction (listed now if none was).
    std::string listedPort(bool sources, int index, LinkTarget* target);
    void remember(bool sources, std::vector<NamedPort> ports);
    std::string clientName();

    // A port of ours; null when the server refuses it. A link is connected to the port named peer (a
    // full name) and waited for until the server runs the connection.
    std::shared_ptr<JackPort> addEndpoint(bool receives, const std::string& shortName, ReceiveCallback callback);
    std::shared_ptr<JackPort> addLink(bool receives, const std::string& peer, const LinkTarget& target,
                                      ReceiveCallback callback, LinkLostCallback lost);
    void removePort(const std::shared_ptr<JackPort>& port);

    bool isLinked(const JackPort& port);
    std::string linkedDeviceName(const JackPort& port);
    // Queues one message for the process callback; false when it cannot go (see OutputConnection).
    bool send(JackPort& port, const std::uint8_t* bytes, std::size_t length);
    bool waitUntilConsumed(const JackPort& port, std::chrono::milliseconds deadline);

private:
    bool openLocked();
    // Both directions' ports of others, named by the clients present now.
    void listLocked(std::vector<NamedPort>* sources, std::vector<NamedPort>* destinations);
    bool toldGone(const std::string& port);
    // A link takes a port that an earlier link left idle where there is one (see unregisterLocked).
    std::shared_ptr<JackPort> registerLocked(bool receives, const std::string& shortName, bool link = false,
                                             ReceiveCallback callback = {});
    void unregisterLocked(JackPort& port);
    // Publishes the ports the process callback serves and waits until it no longer uses the old list.
    void publishLocked();
    // Waits until a whole process cycle ran after the call (false at the deadline or without a server).
    bool waitForWholeCycleLocked();
    bool waitForConnection(const std::string& own, const std::string& peer, std::chrono::milliseconds deadline);
    // One pass of the link keeper: tells the links whose peers went away, then connects every link whose
    // peer's names are present (again). True while a connection it made has not shown yet.
    bool keepLinks();
    std::vector<std::shared_ptr<JackPort>> takeLostLinksLocked();
    bool relinkLocked();
    void readUntilStopped();
    void keepLinksUntilStopped();

    void wakeKeeper();

    static int process(std::uint32_t frames, void* self);
    static void onShutdown(void* self);
    static void onPortRegistration(std::uint32_t port, int registered, void* self);
    static void onPortConnect(jack_port_id_t a, jack_port_id_t b, int connected, void* self);

    const std::string m_wantedName;
    std::mutex m_mutex; // guards the client, the port lists and the listings; serialises our server calls
    jack_client_t* m_client = nullptr;
    std::string m_clientName;
    std::atomic<bool> m_lost{false};
    std::vector<std::shared_ptr<JackPort>> m_ports;
    std::vector<NamedPort> m_listed[2]; // sources, destinations
    DeviceNames m_deviceNames{PortNaming::Jack};
    ClientInstances m_clientInstances;
    // The ports the server told went (full names), and when: the client library drops a port from its lists
    // only after the notification, so for a moment they show it still. Not listed then, and no link's peer.
    std::mutex m_noticeMutex; // taken on JACK's notification thread: nothing is called under it
    std::map<std::string, std::chrono::steady_clock::time_point> m_unregistered;
    bool m_haveListed[2] = {false, false};
    unsigned m_linkSerial = 0;
    // Link ports of ours that no link uses now, disconnected: those that listen, then those that send; they
    // stay registered until the client closes.
    std::vector<jack_port_t*> m_idleLinks[2];
    std::size_t m_bufferEstimate = 0; // the largest message a port buffer takes, before a cycle told

    // The process callback's list of ports: replaced whole, the old one freed once no cycle uses it.
    struct Served
    {
        std::vector<JackPort*> ports;
    };
    std::atomic<Served*> m_served{nullptr};
    std::atomic<bool> m_inCycle{false};
    std::atomic<std::uint64_t> m_cycles{0};
    std::atomic<std::size_t> m_maxEvent{0};

    sem_t m_arrived; // posted by the process callback when bytes came in
    std::mutex m_relinkMutex;
    std::condition_variable m_relinkWake;
    bool m_relinkWanted = false;
    std::atomic<bool> m_stopping{false};
    std::thread m_reader;
    std::thread m_keeper;
};

} // namespace kwmidi::detail
