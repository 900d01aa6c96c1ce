// Feeds arbitrary bytes, cut into arbitrary chunks, to the transport's parser and checks every
// record that reaches the listener.
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
        case MPEV_NOTEOFF: case MPEV_NOTEON: case MPEV_KEYPRESSURE: case MPEV_CONTROL:
        case MPEV_PROGRAM: case MPEV_CHANPRESSURE: case MPEV_PITCHBEND:
            if (record->channel < 0 || record->channel > 15 || record->data[0] >= 0x80 || record->data[1] >= 0x80)
                std::abort();
            break;
        default:
            std::abort();
        }
    }
};

// The parser and delivery thread alone, without a MIDI system.
class FuzzTransport : public TMIDITransport
{
public:
    explicit FuzzTransport(TMIDIReaderRefConInterface* listener)
    {
        setListener(listener);
        startPusherThread();
    }
    bool openInput(int, TMIDIReaderRefConInterface*, int) override { return false; }
    void closeInput() override {}
    bool openOutput(int) override { return false; }
    void closeOutput() override {}
    bool outputData(int, unsigned char*, unsigned long) override { return false; }
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
    transport.stopPusherThread();
    return 0;
}
