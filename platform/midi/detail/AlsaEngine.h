#pragma once

#include "MidiSystem.h"
#include "detail/AlsaLogic.h"
#include "detail/PortNotices.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

typedef struct _snd_seq snd_seq_t;

namespace kwmidi::detail {

// One port of ours on the sequencer: a link (connected to one endpoint of another client, followed by names)
// or an endpoint we publish.
struct AlsaPort : PortNotices
{
    int number = -1;
    bool receives = false;
    bool isLink = false;
    alsa::SysExJoiners joiners; // reader thread only
    std::mutex sendMutex;       // one sender at a time, so that a SysEx sent in packets reaches each receiver whole
    bool sysExOpen = false;     // the last send left a SysEx to be continued; under sendMutex
};

// Everything of the process's one sequencer client, shared with its reader thread so that the facade may go
// away on it (a receive callback that drops the last reference). The reader takes what arrives and what the
// System Announce port tells, in the sequencer's order: a link's loss is told before anything of an endpoint
// that came back under its names reaches it. Any thread.
class AlsaEngine : public std::enable_shared_from_this<AlsaEngine>
{
public:
    using Port = AlsaPort;

    explicit AlsaEngine(std::string name);
    ~AlsaEngine();

    // True when the machine has a sequencer this process may open.
    static bool present();
    // How long a listing waits for the reader at most (5 s). A test that must tell a listing that waited for
    // a mark the sequencer threw away from one that waited for a loaded machine makes it long.
    static void setListingCatchUp(std::chrono::milliseconds limit);
    // Whether a send to a program waits until its queue has room (the default). Programs of other makers send
    // without looking, and overrun a receiver that reads too slowly; the tests' peer program does so too when
    // it stands for one of them.
    static void setWaitForRoom(bool wait);

    void start();
    void stop();

    bool reachable();
    std::string clientName();
    std::vector<EndpointInfo> endpoints(bool sources);

    // A link to entry index of the direction's last listing, with its owner's callbacks in place before it
    // can carry anything.
    std::shared_ptr<AlsaPort> addLink(bool receives, int index, ReceiveCallback callback, LinkLostCallback lost);
    std::shared_ptr<AlsaPort> addEndpoint(bool receives, const std::string& name, ReceiveCallback callback);
    void removePort(const std::shared_ptr<AlsaPort>& port);

    bool isLinked(const AlsaPort& port);
    std::string linkedDeviceName(const AlsaPort& port);
    bool send(AlsaPort& port, const std::uint8_t* bytes, std::size_t length);
    // Why the last addLink() gave nothing, in words; empty when nothing was said.
    std::string openError();

private:
    bool openLocked();
    std::map<alsa::PortAddress, alsa::PortRecord> queryLocked();
    void catchUpLocked(std::unique_lock<std::mutex>& lock);
    void listLocked(bool sources);
    bool subscribeLocked(const AlsaPort& port, alsa::PortAddress peer, bool* heldByOther = nullptr);
    struct Receiver;
    std::vector<Receiver> receiversLocked(const AlsaPort& port);
    bool sendTo(const AlsaPort& port, const Receiver& receiver, const std::vector<alsa::MidiEvent>& events);
    void readUntilStopped();
    void handleAnnounce(int type, alsa::PortAddress one, alsa::PortAddress two);
    std::uint32_t recoverInput();
    bool subscribedLocked(const AlsaPort& port, alsa::PortAddress peer);
    void handleMidi(const alsa::MidiEvent& event, int destPort, alsa::PortAddress sender);
    void keepLinks(std::optional<std::uint32_t> mark);
    void loseSequencer();

    const std::string m_wantedName;
    std::mutex m_mutex;                  // guards the handle's control calls, the ports, the book and the listings
    std::condition_variable m_linksKept; // notified by the reader each time it has told losses and relinked
    std::uint32_t m_marksSent = 0;       // listings' marks sent to our announce port
    std::uint32_t m_marksTaken = 0;      // the last mark the reader took, once it had relinked after it
    std::mutex m_outputMutex;            // one sender at a time: the handle's output buffer is shared
    snd_seq_t* m_seq = nullptr;
    int m_client = -1;
    int m_announcePort = -1;
    std::string m_clientName;
    std::atomic<bool> m_lost{false};
    std::map<int, std::shared_ptr<AlsaPort>> m_ports;
    alsa::PortBook m_book;
    std::vector<alsa::Endpoint> m_listed[2]; // destinations, sources
    bool m_haveListed[2] = {false, false};
    unsigned m_linkSerial = 0;
    std::atomic<bool> m_stopping{false};
    bool m_started = false; // start() was called: the first open that succeeds starts the reader
    std::thread m_reader;   // set under m_mutex

    std::mutex m_paceMutex;  // guards m_paces; held for no wait
    alsa::WirePaces m_paces; // devices behind a MIDI cable
    std::string m_openError; // why the last link could not be made; under m_mutex
};

} // namespace kwmidi::detail
