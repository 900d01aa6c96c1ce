// Feeds arbitrary MIDI bytes to the simulated synthesizer, cut into arbitrary chunks on arbitrary ports
// and times, and checks that whatever it sends back is well-formed.
#include "SimSynthCore.h"

#include <cstdint>
#include <cstdlib>

using namespace zelksim;

namespace {

void check(const std::vector<OutMessage>& out)
{
    for (const OutMessage& m : out) {
        if (m.port < 1 || m.port > kPortCount || m.bytes.empty()) {
            std::abort();
        }
        if (m.bytes.size() == 1 && m.bytes[0] == kActiveSensing) {
            continue;
        }
        Message parsed;
        if (parseMessage(m.bytes, parsed) != ParseError::Ok || parsed.kind == Message::Kind::Unknown) {
            std::abort();
        }
        for (std::size_t i = 1; i + 1 < m.bytes.size(); ++i) {
            if (m.bytes[i] & 0x80) {
                std::abort(); // a status byte inside a SysEx would break the stream
            }
        }
        if (parsed.kind == Message::Kind::Bulk && (!parsed.countOk || !parsed.checksumOk)) {
            std::abort(); // no fault was asked for
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    SynthOptions options;
    options.senseInterval = 7;
    SynthCore synth(options);
    Millis now = 0;
    std::size_t i = 0;
    while (i < size) {
        // A control byte: chunk length in the low 5 bits, port and clock step in the high 3.
        const std::uint8_t control = data[i++];
        const std::size_t length = std::min<std::size_t>(control & 0x1F, size - i);
        const int port = (control >> 5) == 0 ? 1 + (control & 3) : 5;
        synth.receive(port, std::span(data + i, length), now);
        i += length;
        now += control >> 5;
        check(synth.poll(now));
    }
    check(synth.poll(now + kMaxInterval + 1));
    // The synthesizer's memory holds 7-bit bytes only, whatever it was sent. Checking every template on
    // every run would slow the fuzzer tenfold: the current one and one chosen by the input are enough.
    for (const int t : {synth.currentTemplate(), static_cast<int>(size % kTemplateCount)}) {
        for (int block = 0; block < kBlockCount; ++block) {
            for (const TemplateImage* image : {&synth.storedTemplate(t), &synth.editTemplate(t)}) {
                for (std::uint8_t b : image->block(block)) {
                    if (b & 0x80) {
                        std::abort();
                    }
                }
            }
        }
    }
    if (synth.currentTemplate() < 0 || synth.currentTemplate() >= kTemplateCount) {
        std::abort();
    }
    return 0;
}
