// Runs arbitrary text as panel commands, line by line, and checks that the synthesizer's output stays
// well-formed whatever was asked.
#include "SimSynthCommands.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace zelksim;

namespace {

// No status byte may stand inside a message: it would break the stream for the listener.
void check(const std::vector<OutMessage>& out)
{
    for (const OutMessage& m : out) {
        const std::uint8_t* const bytes = m.bytes.data();
        for (std::size_t i = 1; i + 1 < m.bytes.size(); ++i) {
            if (bytes[i] & 0x80) {
                std::abort();
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    SynthOptions options;
    options.senseInterval = 0;
    SynthCore synth(options);
    std::string_view text(reinterpret_cast<const char*>(data), size);
    Millis now = 0;
    // A few dozen commands reach every state; more only slow the run down.
    for (int lines = 0; lines < 32 && !text.empty(); ++lines) {
        const auto newline = text.find('\n');
        const std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
        if (runCommand(synth, line, now).quit) {
            break;
        }
        check(synth.poll(now += 10));
    }
    // A few dumps, so that the faults set above are exercised.
    for (int t = 0; t < 3; ++t) {
        synth.receive(5, buildBulkRequest(0, kAreaEditBuffer, static_cast<std::uint8_t>(t)), now);
        check(synth.poll(now += kMaxInterval + 1));
    }
    return 0;
}
