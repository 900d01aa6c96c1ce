#pragma once

#include "CircularBuffer.h"
#include "MPEvent.h"

#include <QObject>
#include <QThread>
#include <QWaitCondition>

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

// The delivery thread of one open input: takes records out of its ring and hands them to the
// transport's listener, until it takes a stop record. Runs at time-critical priority.
class TMIDIEventPushThread : public QThread
{
public:
    // Records the ring holds.
    static constexpr int kRingRecords = 960;

    explicit TMIDIEventPushThread(TMIDITransport* transport);
    ~TMIDIEventPushThread() override;

    // Queues the stop record behind everything queued before it (waits for room if the ring is full).
    void requestTermination();

    CircularBuffer& ring() { return m_ring; }
    QWaitCondition& recordsQueued() { return m_recordsQueued; }

protected:
    void run() override;

private:
    TMIDITransport* m_transport;
    QWaitCondition m_recordsQueued;
    CircularBuffer m_ring;
};

// One open port's link to the MIDI system: for an input it parses the received byte stream into
// records, carries them from the system's receive thread through a ring to a delivery thread of its
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

    bool startPusherThread();
    // Delivers every record queued before it, then ends the delivery thread. Never from the delivery
    // thread itself (a listener closes no input inside midiIn).
    void stopPusherThread();
    // Hands one record to the listener; the long record's buffer is released after unless keepLong
    // (the listener then owns it; it starts one byte before longData).
    void doEvent(tagMPEVENT* record, bool keepLong);

protected:
    void setListener(TMIDIReaderRefConInterface* listener) { m_listener = listener; }
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
    TMIDIEventPushThread* m_pushThread = nullptr;
    // Parser state, touched only by the receive thread.
    tagMPEVENT m_current{};
    std::vector<unsigned char> m_longBuffer;
    bool m_discardingLong = false;
};

// Makes the transport of the running system over the process's current MIDI client.
TMIDITransport* MIDITransportInstance();
