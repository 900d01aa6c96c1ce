#include "detail/AlsaLogic.h"

#include <gtest/gtest.h>

using namespace kwmidi::detail::alsa;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes joined(const std::vector<MidiEvent>& events)
{
    Bytes all;
    for (const MidiEvent& event : events) {
        const Bytes bytes = bytesFromEvent(event);
        all.insert(all.end(), bytes.begin(), bytes.end());
    }
    return all;
}

PortRecord port(const std::string& client, const std::string& name, bool readable, bool writable)
{
    return {client, name, readable, writable};
}

} // namespace

TEST(AlsaSequencerEvents, CarryEveryMessageByteForByteAndJoinLongSysExFromItsPieces)
{
    // A long SysEx goes in pieces of at most the size asked for, the first with F0, the last with F7.
    Bytes sysex{0xF0, 0x00, 0x21, 0x1F};
    for (int i = 0; i < 1000; ++i)
        sysex.push_back(static_cast<std::uint8_t>(i & 0x7F));
    sysex.push_back(0xF7);
    Bytes stream{0x90, 0x3C, 0x64, 0xB1, 0x07, 0x7F, 0xE2, 0x00, 0x40, 0xC3, 0x05, 0xF2, 0x10, 0x20, 0xFE};
    stream.insert(stream.end(), sysex.begin(), sysex.end());
    stream.push_back(0xF8);
    const std::vector<MidiEvent> events = eventsFromBytes(stream.data(), stream.size(), 256);
    ASSERT_EQ(events.size(), 6u + 4u + 1u); // 1005 bytes of SysEx: 256 + 256 + 256 + 237
    EXPECT_EQ(events[2].kind, Kind::PitchBend);
    EXPECT_EQ(events[2].value, 0);
    EXPECT_EQ(events[6].data.size(), 256u);
    EXPECT_EQ(events[9].data.size(), 237u);
    EXPECT_EQ(events[9].data.back(), 0xF7);
    EXPECT_EQ(joined(events), stream);

    // Received from one sender, the pieces become one message again; a real-time byte between them goes on.
    SysExJoiner joiner;
    std::vector<Bytes> out;
    for (std::size_t i = 6; i < 10; ++i) {
        for (Bytes& chunk : joiner.add(events[i]))
            out.push_back(std::move(chunk));
        if (i == 7) {
            MidiEvent clock;
            clock.kind = Kind::Clock;
            for (Bytes& chunk : joiner.add(clock))
                out.push_back(std::move(chunk));
        }
    }
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], Bytes{0xF8});
    EXPECT_EQ(out[1], sysex);
    EXPECT_FALSE(joiner.open());

    // A SysEx that never ended is handed on as it came when the next one begins: nothing is lost.
    MidiEvent cut;
    cut.kind = Kind::SysEx;
    cut.data = {0xF0, 0x01, 0x02};
    EXPECT_TRUE(joiner.add(cut).empty());
    const auto after = joiner.add(events[6]);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0], (Bytes{0xF0, 0x01, 0x02}));

    // Bytes that are no whole MIDI messages are refused whole.
    for (const Bytes& bad :
         {Bytes{0x3C, 0x64}, Bytes{0x90, 0x3C}, Bytes{0xF0, 0x01}, Bytes{0x90, 0x3C, 0x90}, Bytes{0xF4}, Bytes{0xF7}}) {
        EXPECT_TRUE(eventsFromBytes(bad.data(), bad.size()).empty()) << int(bad[0]) << " " << bad.size();
    }
}

TEST(AlsaSequencerEvents, CutASysExOfAnyLengthAndContinueOneSentInPackets)
{
    // Whole pieces and one byte more: the last piece holds the F7 alone.
    for (const std::size_t length : {std::size_t(3 * 1024 + 1), std::size_t(64 * 1024 + 1), std::size_t(1024)}) {
        Bytes message(length, 0x11);
        message.front() = 0xF0;
        message.back() = 0xF7;
        const std::vector<MidiEvent> events = eventsFromBytes(message.data(), message.size());
        EXPECT_EQ(events.size(), (length + 1023) / 1024) << length;
        EXPECT_EQ(joined(events), message) << "a message of " << length << " bytes lost bytes on the way";
        EXPECT_EQ(events.back().data.back(), 0xF7);
    }

    // A sender that cuts a long SysEx into packets of its own size (4096 bytes, the first with F0): each
    // packet continues the one before, and the stream is whole again at the end.
    Bytes message(5000, 0x22);
    message.front() = 0xF0;
    message.back() = 0xF7;
    bool open = false;
    const std::vector<MidiEvent> head = eventsFromBytes(message.data(), 4096, 1024, &open);
    EXPECT_TRUE(open);
    ASSERT_EQ(head.size(), 4u);
    const std::vector<MidiEvent> tail = eventsFromBytes(message.data() + 4096, 904, 1024, &open);
    EXPECT_FALSE(open);
    ASSERT_EQ(tail.size(), 1u);
    std::vector<MidiEvent> all = head;
    all.insert(all.end(), tail.begin(), tail.end());
    EXPECT_EQ(joined(all), message);
    // The end alone closes it; a message after it stands on its own.
    open = true;
    const Bytes end{0xF7, 0x90, 0x3C, 0x64};
    const std::vector<MidiEvent> closed = eventsFromBytes(end.data(), end.size(), 1024, &open);
    ASSERT_EQ(closed.size(), 2u);
    EXPECT_EQ(closed[0].data, Bytes{0xF7});
    EXPECT_EQ(closed[1].kind, Kind::NoteOn);
    EXPECT_FALSE(open);
    // Refused bytes leave the state as it was: data without an open SysEx, a status inside one.
    open = false;
    const Bytes data{0x11, 0x22};
    EXPECT_TRUE(eventsFromBytes(data.data(), data.size(), 1024, &open).empty());
    EXPECT_FALSE(open);
    open = true;
    const Bytes broken{0x11, 0x90, 0x22, 0xF7};
    EXPECT_TRUE(eventsFromBytes(broken.data(), broken.size(), 1024, &open).empty());
    EXPECT_TRUE(open);
    // Without a state, a SysEx must end where the bytes end.
    EXPECT_TRUE(eventsFromBytes(message.data(), 4096).empty());
}

TEST(AlsaSequencerEvents, DeviceOnACableIsGivenNoMoreThanItsWireCarries)
{
    // 13,072 bytes in pieces of 256 handed over as fast as allowed: what waits in the device's buffer (what
    // was handed over less what 3,125 bytes a second carried away since) never passes 1,024 bytes, and the
    // last piece goes when the wire has carried all but the burst.
    WirePace pace;
    const auto start = WirePace::Clock::now();
    auto now = start;
    double waiting = 0; // bytes in the device's buffer
    auto last = start;
    std::size_t sent = 0;
    while (sent < 13072) {
        const std::size_t piece = std::min<std::size_t>(256, 13072 - sent);
        const auto at = pace.reserve(piece, now);
        ASSERT_GE(at, now);
        waiting = std::max(0.0, waiting - std::chrono::duration<double>(at - last).count() * 3125.0) + piece;
        EXPECT_LE(waiting, 1024.0 + 0.01) << "the buffer held more than the burst after " << sent << " bytes";
        last = at;
        now = at;
        sent += piece;
    }
    const double seconds = std::chrono::duration<double>(last - start).count();
    EXPECT_NEAR(seconds, (13072.0 - 1024.0) / 3125.0, 0.01);
    // After the wire idled a while the burst goes at once again.
    const auto later = last + std::chrono::seconds(10);
    EXPECT_EQ(pace.reserve(1024, later), later);
    EXPECT_GT(pace.reserve(3, later), later);
}

TEST(AlsaSequencerLinks, FollowTheirEndpointByNamesAndTellTheLossBeforeTheReturn)
{
    PortBook book(130);
    book.portPresent({0, 1}, port("System", "Announce", true, false));
    book.portPresent({14, 0}, port("Midi Through", "Midi Through Port-0", true, true));
    book.portPresent({128, 0}, port("Telvor ZELK6/ZELK8", "Telvor ZELK6/ZELK8 Port1", true, true));
    book.portPresent({128, 1}, port("Telvor ZELK6/ZELK8", "Telvor ZELK6/ZELK8 Port2", true, true));
    book.portPresent({129, 0}, port("Telvor ZELK6/ZELK8", "Telvor ZELK6/ZELK8 Port2", true, false));
    // Our own link ports and the announce listener, and another program's link ports, are no endpoints.
    book.portPresent({130, 0}, port("Knobwright", "kw-link announce", false, false));
    book.portPresent({130, 1}, port("Knobwright", "kw-link in 1", false, false));
    book.portPresent({131, 2}, port("Other", "kw-link out 3", true, true));

    const auto sources = book.endpoints(true);
    ASSERT_EQ(sources.size(), 4u);
    EXPECT_EQ(sources[0].info.deviceName, "Midi Through");
    EXPECT_EQ(sources[2].info.endpointName, "Telvor ZELK6/ZELK8 Port2");
    EXPECT_EQ(sources[2].info.deviceName, "Telvor ZELK6/ZELK8");
    // A second device of the same name stays a device of its own.
    EXPECT_EQ(sources[3].info.deviceName, "Telvor ZELK6/ZELK8 (2)");
    EXPECT_EQ(sources[3].occurrence, 0);
    const auto destinations = book.endpoints(false);
    ASSERT_EQ(destinations.size(), 3u);

    book.addLink(1, true, {"Telvor ZELK6/ZELK8", "Telvor ZELK6/ZELK8 Port2", 0}, PortAddress{128, 1});
    book.addLink(2, false, {"Telvor ZELK6/ZELK8", "Telvor ZELK6/ZELK8 Port2", 0}, PortAddress{128, 1});
    EXPECT_TRUE(book.takeLost().empty());
    EXPECT_TRUE(book.wantedLinks().empty());

    // The synthesizer is switched off: its ports and client exit. Both links are told once.
    book.portExited({128, 0});
    book.portExited({128, 1});
    book.clientExited(128);
    EXPECT_FALSE(book.peer(1).has_value());
    // It comes back (same client number, as the sequencer gives the lowest free one) before the loss was
    // told: nothing links to it until the owners heard of the loss.
    book.portPresent({128, 0}, port("Telvor ZELK6/ZELK8", "Telvor ZELK6/ZELK8 Port1", true, true));
    book.portPresent({128, 1}, port("Telvor ZELK6/ZELK8", "Telvor ZELK6/ZELK8 Port2", true, true));
    EXPECT_TRUE(book.wantedLinks().empty());
    EXPECT_EQ(book.takeLost(), (std::vector<int>{1, 2}));
    EXPECT_TRUE(book.takeLost().empty());
    const auto wanted = book.wantedLinks();
    ASSERT_EQ(wanted.size(), 2u);
    EXPECT_EQ(wanted[0].second, (PortAddress{128, 1}));
    book.linked(1, wanted[0].second);
    book.linked(2, wanted[1].second);
    EXPECT_TRUE(book.wantedLinks().empty());

    // A connection cut by someone else counts as lost, the other direction's does not.
    book.unsubscribed({128, 1}, {130, 1});
    book.unsubscribed({128, 1}, {130, 7});
    EXPECT_EQ(book.takeLost(), (std::vector<int>{1}));
    // The device of the other client goes while the first stays: the link keeps its device.
    book.replaceAll({{{128, 1}, port("Telvor ZELK6/ZELK8", "Telvor ZELK6/ZELK8 Port2", true, true)}});
    EXPECT_TRUE(book.takeLost().empty());
    EXPECT_EQ(book.wantedLinks().size(), 1u);
    // The sequencer itself went: every link is lost.
    book.forgetAll();
    EXPECT_EQ(book.takeLost(), (std::vector<int>{2}));
    EXPECT_TRUE(book.endpoints(true).empty());
}
