#include "TMIDITransport.h"

#include <cstring>

namespace NS_Utilities {

void milisecondDelay(long ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

} // namespace NS_Utilities

namespace {

bool isRealTime(unsigned char c)
{
    return c >= 0xF8;
}

} // namespace

TMIDIEventPushThread::TMIDIEventPushThread(TMIDITransport* transport) : m_transport(transport) {}

TMIDIEventPushThread::~TMIDIEventPushThread() = default;

void TMIDIEventPushThread::queue(Batch& batch)
{
    if (batch.empty())
        return;
    bool wake = false;
    {
        QMutexLocker lock(&m_mutex);
        if (m_inbox.footprint() + batch.footprint() > kMaxQueuedBytes) {
            m_dropped.fetch_add(batch.records.size());
        } else if (m_inbox.empty()) {
            // The batch becomes the inbox; the parser goes on in the inbox's spent storage.
            std::swap(m_inbox, batch);
        } else {
            const std::size_t base = m_inbox.bytes.size();
            m_inbox.bytes.insert(m_inbox.bytes.end(), batch.bytes.begin(), batch.bytes.end());
            for (Queued q : batch.records) {
                q.offset += base;
                m_inbox.records.push_back(q);
            }
        }
        wake = m_waiting;
    }
    batch.clear();
    if (wake)
        m_recordsQueued.wakeOne();
}

void TMIDIEventPushThread::requestTermination()
{
    {
        QMutexLocker lock(&m_mutex);
        m_stopping = true;
    }
    m_recordsQueued.wakeOne();
}

void TMIDIEventPushThread::run()
{
    Batch working;
    for (;;) {
        {
            QMutexLocker lock(&m_mutex);
            while (m_inbox.empty() && !m_stopping) {
                m_waiting = true;
                m_recordsQueued.wait(&m_mutex);
                m_waiting = false;
            }
            if (m_inbox.empty())
                return; // stopping, and everything queued before has been delivered
            std::swap(m_inbox, working);
        }
        for (Queued& q : working.records) {
            if (isLongEvent(q.record))
                q.record.longData = working.bytes.data() + q.offset + 1;
            m_transport->deliver(q.record);
        }
        working.clear();
    }
}

TMIDITransport::TMIDITransport()
{
    m_current.type = MPEV_NONE;
}

TMIDITransport::~TMIDITransport()
{
    stopPusherThread();
}

bool TMIDITransport::startPusherThread()
{
    if (!m_pushThread) {
        m_pushThread = new TMIDIEventPushThread(this);
        m_pushThread->start(QThread::TimeCriticalPriority);
    }
    return true;
}

void TMIDITransport::stopPusherThread()
{
    if (!m_pushThread)
        return;
    m_pushThread->requestTermination();
    m_pushThread->wait();
    m_droppedBefore += m_pushThread->droppedRecords();
    delete m_pushThread;
    m_pushThread = nullptr;
}

std::uint64_t TMIDITransport::droppedRecords() const
{
    return m_droppedBefore + (m_pushThread ? m_pushThread->droppedRecords() : 0);
}

void TMIDITransport::deliver(tagMPEVENT& record)
{
    if (m_listener)
        m_listener->midiIn(&record);
}

void TMIDITransport::doEvent(tagMPEVENT* record, bool keepLong)
{
    unsigned char* buffer = nullptr;
    if (isLongEvent(*record)) {
        buffer = record->longData;
        record->longData = buffer ? buffer + 1 : nullptr;
    }
    if (m_listener)
        m_listener->midiIn(record);
    if (!keepLong)
        delete[] buffer;
}

void TMIDITransport::resetParser()
{
    m_current = tagMPEVENT{};
    m_current.type = MPEV_NONE;
    m_longBuffer.clear();
    m_discardingLong = false;
}

int TMIDITransport::read(int length, const void* bytes)
{
    if (length <= 0 || !bytes)
        return 0;
    const auto* chunk = static_cast<const unsigned char*>(bytes);
    int pos = 0;
    while (pos < length) {
        const unsigned char* at = chunk + pos;
        const int remaining = length - pos;
        const unsigned char c = *at;
        if (m_current.type != MPEV_NONE) {
            if (c < 0x80 || c == 0xF7) {
                pos += readLong(at, remaining);
            } else if (isRealTime(c)) {
                ++pos; // real-time bytes may sit inside a SysEx without ending it
            } else {
                // Any other status byte ends the unterminated record; it is then parsed afresh.
                const unsigned char end = 0xF7;
                if (m_current.type == MPEV_SYSEXCONT && m_longBuffer.size() <= 1)
                    resetParser(); // a lone F7 carries nothing
                else if (appendLong(&end, 1))
                    pushLongEvent();
            }
        } else if (m_discardingLong) {
            pos += skipDiscarded(at, remaining);
        } else if (c < 0x80) {
            // Stray data bytes (no running status): skip up to the next status byte.
            while (pos < length && chunk[pos] < 0x80)
                ++pos;
        } else if (c == 0xF0 || c == 0xF7) {
            startLong(c);
            ++pos;
        } else if (c >= 0xF1 && c <= 0xF6) {
            ++pos;
        } else {
            pos += readShort(at, remaining);
        }
    }
    // Everything this chunk completed goes to the delivery thread at once.
    if (!m_batch.empty())
        handOver(m_batch);
    return 0;
}

void TMIDITransport::handOver(TMIDIEventPushThread::Batch& batch)
{
    if (m_pushThread)
        m_pushThread->queue(batch);
    batch.clear();
}

int TMIDITransport::readShort(const unsigned char* bytes, int remaining)
{
    const unsigned char status = bytes[0];
    const int length = midi_msg_length(status);
    if (length > remaining)
        return remaining; // truncated at the end of the chunk: nothing to record
    tagMPEVENT record{};
    if (status < 0xF0) {
        for (int i = 1; i < length; ++i) {
            // A status byte where a data byte belongs cuts the message short; it is parsed itself.
            if (bytes[i] >= 0x80)
                return i;
        }
        record.type = mpevent_short[(status >> 4) - 8];
        record.channel = status & 0x0F;
        record.data[0] = bytes[1];
        record.data[1] = length == 3 ? bytes[2] : 0;
        pushEvent(record);
    } else if (status == 0xFE) {
        record.type = MPEV_ACTIVESENSE;
        record.data[1] = 0xFE;
        pushEvent(record);
    }
    return length;
}

int TMIDITransport::readLong(const unsigned char* bytes, int remaining)
{
    int dataBytes = 0;
    while (dataBytes < remaining && bytes[dataBytes] < 0x80)
        ++dataBytes;
    const bool finished = dataBytes < remaining && bytes[dataBytes] == 0xF7;
    const int taken = dataBytes + (finished ? 1 : 0);
    if (finished && dataBytes == 0 && m_current.type == MPEV_SYSEXCONT && m_longBuffer.size() <= 1) {
        resetParser(); // F7 F7: nothing between
        return taken;
    }
    if (!appendLong(bytes, taken)) {
        m_discardingLong = !finished;
        return taken;
    }
    if (finished)
        pushLongEvent();
    return taken;
}

int TMIDITransport::skipDiscarded(const unsigned char* bytes, int remaining)
{
    int pos = 0;
    while (pos < remaining && (bytes[pos] < 0x80 || isRealTime(bytes[pos])))
        ++pos;
    if (pos < remaining) {
        m_discardingLong = false;
        if (bytes[pos] == 0xF7)
            ++pos; // the end of the dropped record
    }
    return pos;
}

void TMIDITransport::startLong(unsigned char leadingByte)
{
    m_current = tagMPEVENT{};
    m_current.type = leadingByte == 0xF0 ? MPEV_SYSEX : MPEV_SYSEXCONT;
    m_longBuffer.assign(1, leadingByte);
}

bool TMIDITransport::appendLong(const unsigned char* bytes, int count)
{
    if (m_longBuffer.size() + static_cast<std::size_t>(count) > static_cast<std::size_t>(kMaxLongRecordBytes)) {
        resetParser();
        m_longBuffer.shrink_to_fit();
        return false;
    }
    m_longBuffer.insert(m_longBuffer.end(), bytes, bytes + count);
    return true;
}

void TMIDITransport::pushLongEvent()
{
    m_current.length = static_cast<std::int32_t>(m_longBuffer.size()) - 1;
    m_current.longData = nullptr;
    const std::size_t offset = m_batch.bytes.size();
    m_batch.bytes.insert(m_batch.bytes.end(), m_longBuffer.begin(), m_longBuffer.end());
    m_longBuffer.clear();
    m_batch.records.push_back({m_current, offset});
    m_current = tagMPEVENT{};
    m_current.type = MPEV_NONE;
}

void TMIDITransport::pushEvent(tagMPEVENT& record)
{
    m_batch.records.push_back({record, 0});
    m_current = tagMPEVENT{};
    m_current.type = MPEV_NONE;
}
