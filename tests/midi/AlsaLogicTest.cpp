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

MidiEvent piece(Bytes data)
{
    MidiEvent event;
    event.kind = Kind::SysEx;
    event.data = std::move(data);
    return event;
}

// Everything the joiners hand on for what one sender sent, one chunk after another.
std::vector<Bytes> feed(SysExJoiners& joiners, PortAddress sender, const std::vector<MidiEvent>& events)
{
    std::vector<Bytes> out;
    for (const MidiEvent& event : events) {
        for (Bytes& chunk : joiners.add(sender, event))
            out.push_back(std::move(chunk));
    }
    return out;
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

    // Two ports of one device fed at once: the device behind them takes no more through both than its wire
    // carries, so what waits for it never passes its 4,096-byte buffer and the last piece goes no sooner than
    // the wire has carried all but that. Another device, whose port has the same number as the first's, has a
    // wire of its own: it takes a burst at once meanwhile.
    WirePaces paces;
    const PortAddress port1{20, 0};
    const PortAddress port2{20, 1};
    now = start;
    waiting = 0;
    last = start;
    sent = 0;
    double most = 0;
    while (sent < 13072) {
        const std::size_t piece = std::min<std::size_t>(256, 13072 - sent);
        const auto at = paces.reserve((sent / 256) % 2 ? port2 : port1, piece, now);
        waiting = std::max(0.0, waiting - std::chrono::duration<double>(at - last).count() * 3125.0) + piece;
        most = std::max(most, waiting);
        last = at;
        now = at;
        sent += piece;
    }
    EXPECT_LE(most, 4096.0) << "the device's buffer overflowed: two ports of it were fed a wire each";
    EXPECT_GE(std::chrono::duration<double>(last - start).count(), (13072.0 - 4096.0) / 3125.0)
        << "two ports of one device were fed faster than its wire";
    EXPECT_EQ(paces.reserve(PortAddress{21, 0}, 1024, last), last) << "another device waited for the first's wire";
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

    book.addLink(1, true, {"Telvor ZELK6/ZELK8", "Telvor ZELK6/ZELK8 Port2"}, PortAddress{128, 1});
    book.addLink(2, false, {"Telvor ZELK6/ZELK8", "Telvor ZELK6/ZELK8 Port2"}, PortAddress{128, 1});
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

// The sequencer drops events when our input overruns, and a sender may end in the middle of a message: a
// message with a piece missing is never handed on as if whole, and what a sender left half-sent never
// comes in front of what the next one at its address sends.
TEST(AlsaSequencerEvents, DropAMessageThatLostAPieceAndWhatAVanishedSenderLeftHalfSent)
{
    const PortAddress synth{128, 0};
    const PortAddress other{129, 0};
    const Bytes whole{0xF0, 0x43, 0x10, 0x01, 0x02, 0x03, 0x04, 0xF7};
    SysExJoiners joiners;
    const MidiEvent clock = [] {
        MidiEvent event;
        event.kind = Kind::Clock;
        return event;
    }();
    MidiEvent note;
    note.kind = Kind::NoteOn;
    note.note = 0x3C;
    note.velocity = 0x40;

    // The end of a message lost: the next one begins while it is open. Only the whole one is handed on.
    EXPECT_EQ(feed(joiners, synth, {piece({0xF0, 0x43, 0x10}), piece({0x05, 0x06}), piece(whole)}),
              std::vector<Bytes>{whole});
    // Its beginning lost: a piece that continues nothing, and its end, are dropped.
    EXPECT_TRUE(feed(joiners, synth, {piece({0x05, 0x06}), piece({0x07, 0xF7})}).empty());
    // A channel message ends a SysEx on the wire: the open one lost its end. Real-time bytes fall between
    // pieces and keep the message.
    EXPECT_EQ(feed(joiners, synth, {piece({0xF0, 0x43}), note, piece({0x01, 0xF7})}),
              (std::vector<Bytes>{{0x90, 0x3C, 0x40}}));
    EXPECT_EQ(feed(joiners, synth, {piece({0xF0, 0x43, 0x10}), clock, piece({0x01, 0x02, 0x03, 0x04, 0xF7})}),
              (std::vector<Bytes>{{0xF8}, whole}));

    // Our input overran with a message of each sender half-joined: neither is finished by what follows.
    EXPECT_TRUE(feed(joiners, synth, {piece({0xF0, 0x43, 0x10})}).empty());
    EXPECT_TRUE(feed(joiners, other, {piece({0xF0, 0x43, 0x10})}).empty());
    joiners.dropAll();
    EXPECT_TRUE(feed(joiners, synth, {piece({0x01, 0x02, 0xF7})}).empty());
    EXPECT_TRUE(feed(joiners, other, {piece({0x01, 0x02, 0xF7})}).empty());

    // A synthesizer switched off in the middle of a message; the next client at its address sends a
    // message in pieces, whose beginning must not be taken for the rest of the old one.
    EXPECT_TRUE(feed(joiners, synth, {piece({0xF0, 0x43, 0x10, 0x01})}).empty());
    EXPECT_TRUE(feed(joiners, other, {piece({0xF0, 0x43, 0x10})}).empty());
    joiners.senderExited({128, 5}, false); // another port of the client: nothing of port 0 goes
    joiners.senderExited({128, 0}, true);
    EXPECT_TRUE(feed(joiners, synth, {piece({0x02, 0x03, 0x04, 0xF7})}).empty())
        << "the rest of a vanished sender's message was joined to its beginning";
    EXPECT_EQ(feed(joiners, synth, {piece({0xF0, 0x43}), piece({0x10, 0x01, 0x02, 0x03, 0x04, 0xF7})}),
              std::vector<Bytes>{whole});
    // The port of the other sender went, not its client: its half-joined message goes with it.
    joiners.senderExited(other, false);
    EXPECT_TRUE(feed(joiners, other, {piece({0x01, 0x02, 0x03, 0x04, 0xF7})}).empty());

    // One that grows past the limit goes on in parts, and its rest still counts as continuing it.
    SysExJoiner small(4);
    EXPECT_EQ(small.add(piece({0xF0, 0x01, 0x02, 0x03})), (std::vector<Bytes>{{0xF0, 0x01, 0x02, 0x03}}));
    EXPECT_EQ(small.add(piece({0x04, 0xF7})), (std::vector<Bytes>{{0x04, 0xF7}}));
}

// Our input overran and the sequencer emptied it, announcements with it. Every link's owner hears of the
// loss; a link whose peer ended and came back at the same address meanwhile is made again once told.
// A client that renames itself is listed under its new name, and what this process publishes is listed.
TEST(AlsaSequencerLinks, AfterAnOverrunTellEveryLinkAndRelinkThoseWhoseSubscriptionWent)
{
    PortBook book(130);
    book.portPresent({128, 0}, port("Synth A", "A Port1", true, true));
    book.portPresent({129, 0}, port("Synth B", "B Port1", true, true));
    book.portPresent({130, 0}, port("Knobwright", "kw-link announce", false, true));
    book.portPresent({130, 1}, port("Knobwright", "kw-link in 1", false, true));
    book.portPresent({130, 4}, port("Knobwright", "Knobwright Out", true, false));
    const auto sources = book.endpoints(true);
    ASSERT_EQ(sources.size(), 3u) << "what this process publishes is not listed with the rest";
    EXPECT_EQ(sources[2].info.deviceName, "Knobwright");
    EXPECT_EQ(sources[2].info.endpointName, "Knobwright Out");
    ASSERT_EQ(book.endpoints(false).size(), 2u) << "a link port or the announce port of ours was listed";

    book.addLink(1, true, {"Synth A", "A Port1"}, PortAddress{128, 0});
    book.addLink(2, false, {"Synth B", "B Port1"}, PortAddress{129, 0});
    book.addLink(3, false, {"Synth C", "C Port1"}, std::nullopt); // waiting for its device
    EXPECT_EQ(book.linkedPeers(), (std::vector<std::pair<int, PortAddress>>{{1, {128, 0}}, {2, {129, 0}}}));

    // B restarted during the overrun (its subscription went with its old port; the new one is at the same
    // address), and renamed itself on the way.
    book.inputLost({{{128, 0}, port("Synth A", "A Port1", true, true)},
                    {{129, 0}, port("Synth B", "B Port1", true, true)},
                    {{130, 4}, port("Knobwright", "Knobwright Out", true, false)}},
                   {1});
    EXPECT_TRUE(book.wantedLinks().empty()) << "a link was made again before its owner heard of the loss";
    EXPECT_EQ(book.takeLost(), (std::vector<int>{1, 2})) << "not every linked owner was told once";
    EXPECT_EQ(book.peer(1), (PortAddress{128, 0})) << "a link whose subscription stayed lost its peer";
    EXPECT_EQ(book.wantedLinks(), (std::vector<std::pair<int, PortAddress>>{{2, {129, 0}}}));
    book.linked(2, {129, 0});
    EXPECT_TRUE(book.takeLost().empty());

    book.clientRenamed(129, "Synth C");
    EXPECT_EQ(book.endpoints(false)[1].info.deviceName, "Synth C") << "a renamed client kept its old name";
    // A renamed client keeps its links: it is the same port.
    EXPECT_TRUE(book.takeLost().empty());
    EXPECT_EQ(book.peer(2), (PortAddress{129, 0}));
}

// Only the sequencer's own System Announce port tells of ports coming and going: neither its timer port nor
// port 1 of another program, which may send events of the same types to our announce port.
TEST(AlsaSequencerLinks, BelieveAnnouncementsFromTheSystemAnnouncePortOnly)
{
    EXPECT_TRUE(fromSystemAnnounce({0, 1}));
    EXPECT_FALSE(fromSystemAnnounce({0, 0})) << "the system timer port was believed";
    EXPECT_FALSE(fromSystemAnnounce({128, 1})) << "port 1 of another program was believed";
    EXPECT_FALSE(fromSystemAnnounce({128, 0}));
}

// A link made to a unit the listing numbers follows it by the unit's own name: once the other of its name has
// gone for good, its unit comes back under the plain name and is taken.
TEST(AlsaSequencerLinks, ALinkMadeToANumberedUnitFollowsItBackUnderThePlainName)
{
    const std::string name = "Telvor ZELK6/ZELK8";
    const std::string port2 = name + " Port2";
    PortBook book(140);
    book.portPresent({128, 1}, port(name, port2, true, true));
    book.portPresent({129, 1}, port(name, port2, true, true));
    const auto sources = book.endpoints(true);
    ASSERT_EQ(sources.size(), 2u);
    ASSERT_EQ(sources[1].info.deviceName, name + " (2)");
    // Made as the engine makes it, with the names the listing shows.
    book.addLink(1, true, {sources[1].info.deviceName, sources[1].info.endpointName}, sources[1].address);
    book.clientExited(128);
    EXPECT_EQ(book.peerDeviceName(1), name);
    EXPECT_TRUE(book.takeLost().empty());
    book.clientExited(129);
    EXPECT_EQ(book.takeLost(), (std::vector<int>{1}));
    book.portPresent({128, 1}, port(name, port2, true, true));
    EXPECT_EQ(book.wantedLinks(), (std::vector<std::pair<int, PortAddress>>{{1, {128, 1}}}))
        << "a link made to \"" << name << " (2)\" did not follow its unit back under the plain name";
}

// Two units of one name: a link whose unit goes waits for one of its name that appears after the loss, never
// takes over the unit that was there, and follows its own unit back whatever " (k)" the listing gives it.
TEST(AlsaSequencerLinks, WaitForAUnitThatComesAfterTheLossAndNeverTakeOverTheOther)
{
    const std::string name = "Telvor ZELK6/ZELK8";
    const std::string port2 = name + " Port2";
    const auto unit = [&](PortBook& book, int client) {
        book.portPresent({client, 0}, port(name, name + " Port1", true, true));
        book.portPresent({client, 1}, port(name, port2, true, true));
    };
    const auto deviceAt = [](PortBook& book, PortAddress address) {
        for (const Endpoint& endpoint : book.endpoints(true)) {
            if (endpoint.address == address)
                return endpoint.info.deviceName;
        }
        return std::string("(not listed)");
    };
    PortBook book(140);
    unit(book, 128);
    unit(book, 129);
    ASSERT_EQ(deviceAt(book, {129, 1}), name + " (2)");
    book.addLink(1, true, {name, port2}, PortAddress{128, 1});
    book.addLink(2, false, {name, port2}, PortAddress{128, 1});
    EXPECT_EQ(book.peerDeviceName(1), name);

    // The first unit is switched off for good: the second is listed under the plain name, and was there.
    book.portExited({128, 0});
    book.portExited({128, 1});
    book.clientExited(128);
    EXPECT_EQ(book.takeLost(), (std::vector<int>{1, 2}));
    EXPECT_EQ(deviceAt(book, {129, 1}), name);
    EXPECT_TRUE(book.wantedLinks().empty()) << "a link took over the unit that was there at the loss";
    // Another program's port changes: the unit stays one that was there.
    book.portPresent({129, 1}, port(name, port2, true, true));
    book.replaceAll({{{129, 0}, port(name, name + " Port1", true, true)}, {{129, 1}, port(name, port2, true, true)}});
    EXPECT_TRUE(book.wantedLinks().empty());

    // Switched on again (the sequencer gives it a number of its own): listed "(2)", and followed.
    unit(book, 130);
    EXPECT_EQ(deviceAt(book, {130, 1}), name + " (2)");
    auto wanted = book.wantedLinks();
    ASSERT_EQ(wanted.size(), 2u);
    EXPECT_EQ(wanted[0], (std::pair<int, PortAddress>{1, {130, 1}}));
    EXPECT_EQ(wanted[1], (std::pair<int, PortAddress>{2, {130, 1}}));
    book.linked(1, {130, 1});
    book.linked(2, {130, 1});
    EXPECT_EQ(book.peerDeviceName(2), name + " (2)");

    // The unit that stayed goes for good: ours takes the plain name, and the links keep it.
    book.clientExited(129);
    EXPECT_TRUE(book.takeLost().empty());
    EXPECT_EQ(book.peerDeviceName(1), name);
    // Ours switched off and on at the number that came free: "(2)" before, the plain name now, still its own.
    book.clientExited(130);
    EXPECT_EQ(book.takeLost().size(), 2u);
    unit(book, 129);
    wanted = book.wantedLinks();
    ASSERT_EQ(wanted.size(), 2u);
    EXPECT_EQ(wanted[0].second, (PortAddress{129, 1}));
    EXPECT_EQ(deviceAt(book, {129, 1}), name);
    book.linked(1, {129, 1});
    book.linked(2, {129, 1});

    // A unit that goes and comes back at the same number before anyone looked is a new port: a link to it
    // takes it; one of its name that was present all along is not taken by a link of another unit.
    book.addLink(3, true, {name, port2}, PortAddress{129, 1});
    unit(book, 131);
    book.clientExited(129);
    unit(book, 129);
    EXPECT_EQ(book.takeLost(), (std::vector<int>{1, 2, 3}));
    wanted = book.wantedLinks();
    ASSERT_EQ(wanted.size(), 3u);
    for (const auto& [own, peer] : wanted)
        EXPECT_EQ(peer, (PortAddress{129, 1})) << "link " << own;
}

// The sequencer gives a freed client number to the next client that comes: a link whose subscription was cut
// takes back the very port it had while that port is still there, never another program that came up at its
// address since, whether the book heard the exit or only found the newcomer in a query after an overrun.
TEST(AlsaSequencerLinks, ALinkWhoseSubscriptionWasCutTakesBackItsOwnPortButNoNewcomerAtItsAddress)
{
    using Wanted = std::vector<std::pair<int, PortAddress>>;
    const PortAddress synth{128, 1};
    const PortAddress mine{140, 1};
    PortBook book(mine.client);
    book.portPresent(synth, port("Synth A", "A Port2", true, true));
    book.addLink(mine.port, true, {"Synth A", "A Port2"}, synth);

    // Someone cuts the subscription; the port stays: the link takes it back.
    book.unsubscribed(synth, mine);
    EXPECT_EQ(book.takeLost(), (std::vector<int>{mine.port}));
    EXPECT_EQ(book.wantedLinks(), (Wanted{{mine.port, synth}}));
    book.linked(mine.port, synth);

    // Cut again, and before the link is made again its program ends and a monitor comes up at its number.
    book.unsubscribed(synth, mine);
    EXPECT_EQ(book.takeLost(), (std::vector<int>{mine.port}));
    book.clientExited(synth.client);
    book.portPresent(synth, port("MIDI Monitor", "Monitor In", true, true));
    EXPECT_TRUE(book.wantedLinks().empty()) << "the link took another program that came up at its peer's address";
    // The monitor goes and the synthesizer comes back elsewhere: a unit of its names after the loss, taken.
    book.clientExited(synth.client);
    const PortAddress back{129, 1};
    book.portPresent(back, port("Synth A", "A Port2", true, true));
    EXPECT_EQ(book.wantedLinks(), (Wanted{{mine.port, back}}));
    book.linked(mine.port, back);

    // Cut once more, then our input overruns: the query finds a newcomer at the address, no exit was heard.
    book.unsubscribed(back, mine);
    EXPECT_EQ(book.takeLost(), (std::vector<int>{mine.port}));
    book.inputLost({{back, port("MIDI Monitor", "Monitor In", true, true)}}, {});
    EXPECT_TRUE(book.takeLost().empty()) << "a loss already told was told again";
    EXPECT_TRUE(book.wantedLinks().empty()) << "the link took a newcomer the query found at its peer's address";
}
