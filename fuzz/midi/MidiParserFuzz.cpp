// Feeds arbitrary bytes, cut into arbitrary chunks, to the transport's parser and checks every
// record that reaches the listener. The records of each chunk are delivered as the delivery thread
// delivers them, but on the calling thread, so that an input costs no thread of its own.
#include "TMIDITransport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Aborts on a record the parser must never make.
class CheckingListener : public TMIDIReaderRefConInterface
{
public:
    void midiIn(tagMPEVENT* record) override
    {
        if (isLongEvent(*record)) {
            if (record->type != MPEV_SYSEX && record->type != MPEV_SYSEXCONT)
                std::abort();
            if (record->length < 1 || record->length >= TMIDITransport::kMaxLongRecordBytes || !record->longData)
                std::abort();
            // Data bytes only, then the closing F7.
            for (int i = 0; i + 1 < record->length; ++i) {
                if (record->longData[i] >= 0x80)
                    std::abort();
            }
            if (record->longData[record->length - 1] != 0xF7)
                std::abort();
            return;
        }
        switch (record->type) {
        case MPEV_ACTIVESENSE:
            if (record->data[1] != 0xFE)
                std::abort();
            break;
        case MPEV_NOTEOFF:
        case MPEV_NOTEON:
        case MPEV_KEYPRESSURE:
        case MPEV_CONTROL:
        case MPEV_PROGRAM:
        case MPEV_CHANPRESSURE:
        case MPEV_PITCHBEND:
            if (record->channel < 0 || record->channel > 15 || record->data[0] >= 0x80 || record->data[1] >= 0x80)
                std::abort();
            break;
        default:
            std::abort();
        }
    }
};

// The parser and the delivery of its batches, without a MIDI system or a delivery thread.
class FuzzTransport : public TMIDITransport
{
public:
    explicit FuzzTransport(TMIDIReaderRefConInterface* listener) { setListener(listener); }
    bool openInput(int, TMIDIReaderRefConInterface*, int) override { return false; }
    void closeInput() override {}
    bool openOutput(int) override { return false; }
    void closeOutput() override {}
    bool outputData(int, unsigned char*, unsigned long) override { return false; }

protected:
    void handOver(TMIDIEventPushThread::Batch& batch) override
    {
        for (TMIDIEventPushThread::Queued& queued : batch.records) {
            if (isLongEvent(queued.record)) {
                // The record's bytes, its leading F0/F7 included, lie whole inside the batch.
                if (queued.record.length < 1 ||
                    queued.offset + 1 + static_cast<std::size_t>(queued.record.length) > batch.bytes.size())
                    std::abort();
                const unsigned char leading = batch.bytes[queued.offset];
                if (leading != (queued.record.type == MPEV_SYSEX ? 0xF0 : 0xF7))
                    std::abort();
                queued.record.longData = batch.bytes.data() + queued.offset + 1;
            }
            deliver(queued.record);
        }
        batch.clear();
    }
};

} // namespace

// Input: the first byte seeds the chunk lengths; the rest is the byte stream.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    unsigned seed = data[0];
    ++data;
    --size;
    CheckingListener listener;
    FuzzTransport transport(&listener);
    std::size_t pos = 0;
    while (pos < size) {
        seed = seed * 1103515245u + 12345u;
        const std::size_t chunk = 1 + (seed >> 16) % 64;
        const std::size_t length = chunk < size - pos ? chunk : size - pos;
        transport.read(static_cast<int>(length), data + pos);
        pos += length;
    }
    return 0;
}
