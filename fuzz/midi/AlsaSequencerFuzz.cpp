// Bytes to send and sequencer announcements, as the ALSA sequencer backend would see them from outside.
#include "detail/AlsaLogic.h"

#include <cstdlib>
#include <cstring>

using namespace kwmidi::detail::alsa;

namespace {

// Sends the input as MIDI in pieces of a size the input chooses, joins the pieces again and checks that
// every byte came back in order.
void roundTrip(const std::uint8_t* data, std::size_t size, std::size_t piece)
{
    const std::vector<MidiEvent> events = eventsFromBytes(data, size, piece);
    if (events.empty())
        return;
    SysExJoiner joiner;
    std::vector<std::uint8_t> back;
    for (const MidiEvent& event : events) {
        for (const auto& chunk : joiner.add(event))
            back.insert(back.end(), chunk.begin(), chunk.end());
    }
    if (joiner.open() || back.size() != size || std::memcmp(back.data(), data, size) != 0)
        std::abort();
}

// Each 4 bytes are one announcement or one step of the owner: a port's start (with a name from a small
// set, so that names clash), its exit, a client's exit or rename, a cut connection, an overrun of our input,
// a link made or removed, the loss told and the relinking done.
void announcements(const std::uint8_t* data, std::size_t size)
{
    static const char* const names[] = {"Telvor ZELK6/ZELK8", "Midi Through", "kw-link", "Knobwright", ""};
    static const char* const ports[] = {"Telvor ZELK6/ZELK8 Port1", "Telvor ZELK6/ZELK8 Port2", "kw-link in 1",
                                        "Port-0"};
    PortBook book(130);
    for (std::size_t at = 0; at + 4 <= size; at += 4) {
        const PortAddress address{128 + (data[at + 1] & 3), data[at + 2] & 3};
        const int own = data[at + 3] & 7;
        switch (data[at] % 11) {
        case 0:
            book.portPresent(address, {names[data[at + 3] % 5], ports[(data[at + 3] >> 3) % 4],
                                       (data[at + 3] & 0x40) != 0, (data[at + 3] & 0x80) != 0});
            break;
        case 1:
            book.portExited(address);
            break;
        case 2:
            book.clientExited(address.client);
            break;
        case 3:
            book.unsubscribed(address, {130, own});
            break;
        case 4: {
            const auto list = book.endpoints((data[at + 3] & 8) != 0);
            if (!list.empty()) {
                const Endpoint& e = list[data[at + 2] % list.size()];
                book.addLink(own, (data[at + 3] & 8) != 0, {e.info.deviceName, e.info.endpointName}, e.address);
            }
            break;
        }
        case 5:
            book.removeLink(own);
            break;
        case 6:
            book.takeLost();
            break;
        case 7:
            for (const auto& [link, peer] : book.wantedLinks())
                book.linked(link, peer);
            break;
        case 8:
            book.clientRenamed(address.client, names[data[at + 3] % 5]);
            break;
        case 9:
            // An overrun of our input: the sequencer is asked again, and one link's subscription stayed.
            book.inputLost({{address, {names[data[at + 3] % 5], ports[(data[at + 3] >> 3) % 4], true, true}}}, {own});
            break;
        default:
            book.forgetAll();
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    if (data[0] & 1)
        roundTrip(data + 1, size - 1, 1 + (data[0] >> 1));
    else
        announcements(data + 1, size - 1);
    return 0;
}
