#pragma once

#include "MPEvent.h"

#include <QMutex>
#include <QObject>
#include <QThread>
#include <QWaitCondition>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace NS_Utilities {
// Sleeps the calling thread ms milliseconds (nothing for 0 or less).
void milisecondDelay(long ms);
} // namespace NS_Utilities

// Receives the records of an open input, one at a time on the input's delivery thread. The record
// and a long record's bytes are valid only during the call: copy what you keep.
class TMIDIReaderRefConInterface
{
public:
    virtual ~TMIDIReaderRefConInterface() = default;
    virtual void midiIn(tagMPEVENT* record) = 0;
};

class TMIDITransport;

// The delivery thread of one open input: takes the records the parser queued and hands them to the
// transport's listener, in order, until it is told to stop. The parser hands over everything one
// received chunk yielded in one batch, with one wake-up at most, and the thread takes all that is
// queued at once: a burst costs neither side a lock or a wake per record. Runs at time-critical priority.
class TMIDIEventPushThread : public QThread
{
public:
    // A parsed record and, for a long record, where its bytes (the leading F0/F7 first) start in the
    // batch's byte store.
    struct Queued
    {
        tagMPEVENT record;
        std::size_t offset;
    };
    struct Batch
    {
        std::vector<Queued> records;
        std::vector<unsigned char> bytes;
        bool empty() const { return records.empty(); }
        void clear()
        {
            records.clear();
            bytes.clear();
        }
        std::size_t footprint() const { return records.size() * sizeof(Queued) + bytes.size(); }
    };
    // What may wait for delivery before new records are refused (and counted): far beyond any burst the
    // synthesizer sends, so only a delivery thread stuck for good reaches it.
    static constexpr std::size_t kMaxQueuedBytes = std::size_t(64) << 20;

    explicit TMIDIEventPushThread(TMIDITransport* transport);
    ~TMIDIEventPushThread() override;

    // Queues the records of batch behind those queued before (the parser's thread); batch comes back
    // empty. A batch that would pass kMaxQueuedBytes is refused whole and counted.
    void queue(Batch& batch);
    // Lets the thread end once it has delivered everything queued so far.
    void requestTermination();
    // Records refused since the thread started.
    std::uint64_t droppedRecords() const { return m_dropped.load(); }

protected:
    void run() override;

private:
    TMIDITransport* m_transport;
    QMutex m_mutex;
    QWaitCondition m_recordsQueued;
    // Guarded by m_mutex.
    Batch m_inbox;
    bool m_stopping = false;
    bool m_waiting = false;
    std::atomic<std::uint64_t> m_dropped{0};
};

// One open port's link to the MIDI system: for an input it parses the received byte stream into
// records, carries them from the system's receive thread through a queue to a delivery thread of its
// own and hands each to the listener; for an output it sends bytes in paced packets. Opened, closed
// and sent through on one thread at a time (the GUI thread or a delivery thread).
class TMIDITransport : public QObject
{
public:
    // A long record is dropped when it grows past this many bytes (leading F0/F7 included): far above
    // any message of the synthesizer, and an unterminated SysEx must not eat memory.
    static constexpr int kMaxLongRecordBytes = 64 * 1024;
    // Output packets carry at most this many bytes, and follow each other no faster than one per
    // kOutputPacketIntervalMs.
    static constexpr int kMaxOutputPacket = 4096;
    static constexpr int kOutputPacketIntervalMs = 100;

    TMIDITransport();
    ~TMIDITransport() override;

    virtual bool openInput(int port, TMIDIReaderRefConInterface* listener, int filterType) = 0;
    virtual void closeInput() = 0;
    virtual bool openOutput(int port) = 0;
    virtual void closeOutput() = 0;
    // Sends length bytes of data; a non-zero status goes first as one byte of its own. Long sends are
    // cut into paced packets. False when nothing could be sent or a packet failed.
    virtual bool outputData(int length, unsigned char* data, unsigned long status) = 0;
    // Parses one chunk of received bytes (the system's receive thread only). Always 0.
    virtual int read(int length, const void* bytes);
    // True while the endpoints the open directions were opened on are present and connected: a port
    // whose device went away stays open and follows it when it comes back, but carries nothing meanwhile.
    virtual bool isLinked() const { return true; }
    // The device name under which the MIDI system lists the linked endpoint now (it may have gained or lost
    // a " (k)" since it was opened); empty while unlinked or where the system cannot tell.
    virtual std::string linkedDeviceName() const { return std::string(); }
    // Called on a thread of the MIDI system each time an endpoint that an open direction is linked to
    // goes away, before anything of an endpoint of the same names that appeared meanwhile arrives (on
    // JACK also before one can be sent to). Set before the directions are opened; closing a direction
    // waits for a call under way, so the handler must not wait for the thread that closes.
    void setLinkLostHandler(std::function<void()> handler) { m_linkLostHandler = std::move(handler); }

    bool startPusherThread();
    // Delivers every record queued before it, then ends the delivery thread. Never from the delivery
    // thread itself (a listener closes no input inside midiIn).
    void stopPusherThread();
    // Hands one record to the listener; the long record's buffer is released after unless keepLong
    // (the listener then owns it; it starts one byte before longData).
    void doEvent(tagMPEVENT* record, bool keepLong);
    // Hands one queued record to the listener (the delivery thread); its bytes stay the batch's.
    void deliver(tagMPEVENT& record);
    // Records the delivery thread refused since the input opened: none unless it was stuck.
    std::uint64_t droppedRecords() const;

protected:
    void setListener(TMIDIReaderRefConInterface* listener) { m_listener = listener; }
    const std::function<void()>& linkLostHandler() const { return m_linkLostHandler; }
    // Takes what one chunk yielded (the receive thread): queues it for the delivery thread, or drops it
    // while none runs. The batch is left empty.
    virtual void handOver(TMIDIEventPushThread::Batch& batch);
    // Forgets a record being assembled (after the input closed, nothing will finish it).
    void resetParser();

private:
    int readShort(const unsigned char* bytes, int remaining);
    int readLong(const unsigned char* bytes, int remaining);
    int skipDiscarded(const unsigned char* bytes, int remaining);
    void startLong(unsigned char leadingByte);
    bool appendLong(const unsigned char* bytes, int count);
    void pushLongEvent();
    void pushEvent(tagMPEVENT& record);

    TMIDIReaderRefConInterface* m_listener = nullptr;
    std::function<void()> m_linkLostHandler;
    TMIDIEventPushThread* m_pushThread = nullptr;
    std::uint64_t m_droppedBefore = 0; // by delivery threads of earlier inputs
    // Parser state, touched only by the receive thread.
    tagMPEVENT m_current{};
    std::vector<unsigned char> m_longBuffer;
    bool m_discardingLong = false;
    // What the chunk being parsed yielded so far.
    TMIDIEventPushThread::Batch m_batch;
};

// Makes the transport of the running system over the process's current MIDI client.
TMIDITransport* MIDITransportInstance();
