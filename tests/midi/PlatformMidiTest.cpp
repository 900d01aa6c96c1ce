#include "MidiPortNames.h"
#include "MidiSystem.h"
#include "TestEnvironment.h"
#include "VirtualMidiFixture.h"
#include "detail/DeviceNames.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <thread>

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Collects what a connection receives, with the thread it arrived on.
struct Collector
{
    std::mutex mutex;
    std::vector<Bytes> chunks;
    std::thread::id thread;
    kwmidi::ReceiveCallback callback()
    {
        return [this](const std::uint8_t* bytes, std::size_t length) {
            std::lock_guard<std::mutex> lock(mutex);
            chunks.emplace_back(bytes, bytes + length);
            thread = std::this_thread::get_id();
        };
    }
    std::vector<Bytes> taken()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return chunks;
    }
};

using VirtualMidi = kwtest::VirtualMidiTest;

} // namespace

TEST(MidiPortNames, AlsaNamesLoseClientAndPortNumbers)
{
    auto info = kwmidi::splitSystemPortName("Synth:Synth Port1 20:0", kwmidi::PortNaming::Alsa);
    EXPECT_EQ(info.deviceName, "Synth");
    EXPECT_EQ(info.endpointName, "Synth Port1");
    info = kwmidi::splitSystemPortName("Midi Through:Port 0", kwmidi::PortNaming::Alsa);
    EXPECT_EQ(info.endpointName, "Port 0");
    info = kwmidi::splitSystemPortName("Lonely 1:2", kwmidi::PortNaming::Alsa);
    EXPECT_EQ(info.deviceName, "");
    EXPECT_EQ(info.endpointName, "Lonely");
}

TEST(MidiPortNames, JackNamesKeepTheClientAsTheServerNamedItAndLoseTheDirectionTag)
{
    // Whether "-01" or "-155" was added by the server only the clients present can tell (DeviceNames).
    for (const char* name : {"ZELK8-01:ZELK8 Port2", "Studio-2024:out", "Box-1:out", "-15:out"}) {
        const std::string text(name);
        EXPECT_EQ(kwmidi::splitSystemPortName(name, kwmidi::PortNaming::Jack).deviceName,
                  text.substr(0, text.find(':')));
    }
    const auto renamed =
        kwmidi::splitSystemPortName("Telvor ZELK6/ZELK8-155:Telvor ZELK6/ZELK8 Port1 (out)", kwmidi::PortNaming::Jack);
    EXPECT_EQ(renamed.deviceName, "Telvor ZELK6/ZELK8-155");
    EXPECT_EQ(renamed.endpointName, "Telvor ZELK6/ZELK8 Port1");
    EXPECT_EQ(kwmidi::splitSystemPortName("Dev:Dev Port1 (out)-65", kwmidi::PortNaming::Jack).endpointName,
              "Dev Port1");
    EXPECT_EQ(kwmidi::splitSystemPortName("Dev:Dev Port1 (in)-7", kwmidi::PortNaming::Jack).endpointName, "Dev Port1");
    EXPECT_EQ(kwmidi::splitSystemPortName("Dev:Dev Port-65", kwmidi::PortNaming::Jack).endpointName, "Dev Port-65");
    EXPECT_EQ(kwmidi::splitSystemPortName("a:b:c", kwmidi::PortNaming::Jack).endpointName, "b:c");
    EXPECT_EQ(kwmidi::splitSystemPortName("nocolon", kwmidi::PortNaming::Jack).endpointName, "nocolon");
    EXPECT_TRUE(kwmidi::isLinkPort("kw-link-03:Input port", kwmidi::PortNaming::Jack));
    EXPECT_TRUE(kwmidi::isLinkPort("Knobwright:kw-link in 4", kwmidi::PortNaming::Jack));
    EXPECT_FALSE(kwmidi::isLinkPort("kw-linker:Input port", kwmidi::PortNaming::Jack));
    EXPECT_FALSE(kwmidi::isLinkPort("ZELK8:kw-link", kwmidi::PortNaming::Jack));
}

TEST(DeviceNames, TwoDevicesOfOneNameStayTwoAndAReturningOneKeepsItsName)
{
    using kwmidi::detail::SystemClient;
    using List = std::vector<std::string>;
    kwmidi::detail::DeviceNames jack(kwmidi::PortNaming::Jack);
    // jackd renames the second client; PipeWire's JACK appends the node's number.
    EXPECT_EQ(jack.update({{"Telvor ZELK6/ZELK8", "Telvor ZELK6/ZELK8"},
                           {"Telvor ZELK6/ZELK8-51", "Telvor ZELK6/ZELK8-51"},
                           {"Knobwright", "Knobwright"}}),
              (List{"Telvor ZELK6/ZELK8", "Telvor ZELK6/ZELK8 (2)", "Knobwright"}));
    // The first one switched off: the second is the only one of its name now.
    EXPECT_EQ(jack.update({{"Telvor ZELK6/ZELK8-51", "Telvor ZELK6/ZELK8-51"}}), (List{"Telvor ZELK6/ZELK8"}));
    // A synthesizer switched off and on that shows again before its old client went keeps its number until
    // the old one goes, then has its name back, and keeps it against a later client of the plain name.
    EXPECT_EQ(jack.update({{"ZELK8", "ZELK8"}}), (List{"ZELK8"}));
    EXPECT_EQ(jack.update({{"ZELK8-155", "ZELK8-155"}, {"ZELK8", "ZELK8"}}), (List{"ZELK8 (2)", "ZELK8"}));
    EXPECT_EQ(jack.update({{"ZELK8-155", "ZELK8-155"}}), (List{"ZELK8"}));
    EXPECT_EQ(jack.update({{"ZELK8", "ZELK8"}, {"ZELK8-155", "ZELK8-155"}}), (List{"ZELK8 (2)", "ZELK8"}));
    // Seen together for the first time, they are named in the order they came to the server, whatever the
    // order of the listing (PipeWire's JACK lists a later client first): a renamed client came later.
    kwmidi::detail::DeviceNames together(kwmidi::PortNaming::Jack);
    EXPECT_EQ(together.update({{"ZELK8-52", "ZELK8-52"}, {"ZELK8-7", "ZELK8-7"}, {"ZELK8", "ZELK8"}}),
              (List{"ZELK8 (3)", "ZELK8 (2)", "ZELK8"}));
    // Names that end in digits of their own stay as they are, and so two models stay two.
    kwmidi::detail::DeviceNames fresh(kwmidi::PortNaming::Jack);
    EXPECT_EQ(fresh.update({{"Studio-2024", "Studio-2024"},
                            {"MC-101", "MC-101"},
                            {"microKEY-25", "microKEY-25"},
                            {"microKEY-37", "microKEY-37"},
                            {"Box-1", "Box-1"}}),
              (List{"Studio-2024", "MC-101", "microKEY-25", "microKEY-37", "Box-1"}));
    // A name taken already by a client of another base is skipped in the numbering.
    EXPECT_EQ(fresh.update({{"A", "A"}, {"A (2)", "A (2)"}, {"A-11", "A-11"}}), (List{"A", "A (2)", "A (3)"}));
    // On ALSA a client's name is its base name; its number can come free and go to another client.
    kwmidi::detail::DeviceNames alsa(kwmidi::PortNaming::Alsa);
    EXPECT_EQ(alsa.update({{"128", "ZELK8"}, {"129", "ZELK8"}, {"130", "ZELK8-01"}}),
              (List{"ZELK8", "ZELK8 (2)", "ZELK8-01"}));
    EXPECT_EQ(alsa.update({{"129", "ZELK8"}, {"128", "Midi Through"}, {"131", "ZELK8"}}),
              (List{"ZELK8", "Midi Through", "ZELK8 (2)"}));
    EXPECT_EQ(alsa.update({{"131", "ZELK8"}, {"131", "ZELK8"}}), (List{"ZELK8", "ZELK8"})) << "one client listed twice";
}

// What a JACK link weighs when its unit went: the clients' base names and when each was first seen, and the
// rule that takes the first unit of its name to appear after the loss, never one that was there.
TEST(DeviceNames, ALostLinkTakesTheFirstUnitOfItsNameSeenAfterTheLossAndNoOtherThatWasThere)
{
    using kwmidi::detail::FollowCandidate;
    using kwmidi::detail::SystemClient;
    kwmidi::detail::DeviceNames jack(kwmidi::PortNaming::Jack);
    jack.update({{"ZELK8", "ZELK8"}, {"ZELK8-01", "ZELK8-01"}});
    const auto first = jack.seen("ZELK8");
    const auto second = jack.seen("ZELK8-01");
    EXPECT_EQ(first.base, "ZELK8");
    EXPECT_EQ(second.base, "ZELK8");
    EXPECT_LT(first.appeared, second.appeared);
    EXPECT_EQ(jack.seen("gone").appeared, 0u);

    // The first goes; the loss is counted with the second present.
    jack.update({{"ZELK8-01", "ZELK8-01"}});
    const std::uint64_t lostAt = jack.lastSeen();
    EXPECT_EQ(jack.seen("ZELK8").appeared, 0u) << "a client gone is forgotten";
    EXPECT_EQ(kwmidi::detail::followAfterLoss("ZELK8", "Port2", lostAt, {{"ZELK8", "Port2", second.appeared, false}}),
              -1)
        << "the unit present at the loss was taken over";
    // It comes back under the plain name, free now: a new client, seen after the loss.
    jack.update({{"ZELK8-01", "ZELK8-01"}, {"ZELK8", "ZELK8"}});
    const auto back = jack.seen("ZELK8");
    EXPECT_GT(back.appeared, lostAt);
    const std::vector<FollowCandidate> present{{"ZELK8", "Port1", back.appeared, false},
                                               {"ZELK8", "Port2", second.appeared, false},
                                               {"Other", "Port2", back.appeared + 1, false},
                                               {"ZELK8", "Port2", back.appeared, false}};
    EXPECT_EQ(kwmidi::detail::followAfterLoss("ZELK8", "Port2", lostAt, present), 3);
    // Of two that came after the loss the earlier one; the endpoint the link had, where only the connection
    // was cut, before either.
    std::vector<FollowCandidate> two{{"ZELK8", "Port2", lostAt + 5, false}, {"ZELK8", "Port2", lostAt + 2, false}};
    EXPECT_EQ(kwmidi::detail::followAfterLoss("ZELK8", "Port2", lostAt, two), 1);
    two.push_back({"ZELK8", "Port2", 1, true});
    EXPECT_EQ(kwmidi::detail::followAfterLoss("ZELK8", "Port2", lostAt, two), 2);
    EXPECT_EQ(kwmidi::detail::followAfterLoss("ZELK8", "Port2", lostAt, {}), -1);
}

// A JACK client name can stand for two clients one after the other, with no listing between them that lacks
// the name (seen under PipeWire's JACK, which lists a client's ports for a moment after telling they went):
// a unit switched off and on is a device that appeared after the loss, one that only changes its ports is not.
TEST(DeviceNames, AJackClientNameThatCameBackWithOtherPortsBetweenTwoListingsIsANewDevice)
{
    using Ports = std::map<std::string, std::set<std::string>>;
    kwmidi::detail::ClientInstances instances;
    kwmidi::detail::DeviceNames jack(kwmidi::PortNaming::Jack);
    std::map<std::string, std::string> keys;
    std::vector<std::string> devices;
    const auto list = [&](const Ports& ports) {
        keys = instances.update(ports);
        std::vector<kwmidi::detail::SystemClient> clients;
        for (const auto& [name, unused] : ports)
            clients.push_back({keys.at(name), name});
        devices = jack.update(clients);
    };
    const auto seen = [&](const std::string& name) { return jack.seen(keys.at(name)); };
    const std::string unit = "KW Peer", other = "KW Peer-41";
    list({{unit, {"KW Peer:Port1 (out)", "KW Peer:Port2 (out)", "KW Peer:Port2 (in)"}}});
    const std::uint64_t first = seen(unit).appeared;

    // Its ports go one by one, one of them comes back, a port is added: the same client all along.
    list({{unit, {"KW Peer:Port2 (out)", "KW Peer:Port2 (in)"}}});
    list({{unit, {"KW Peer:Port2 (in)", "KW Peer:Port3 (in)"}}});
    list({{unit, {"KW Peer:Port1 (out)", "KW Peer:Port2 (in)", "KW Peer:Port3 (in)"}},
          {other, {"KW Peer-41:Port2 (out)"}}});
    EXPECT_EQ(seen(unit).appeared, first) << "a client that kept a port was taken for a new one";
    EXPECT_EQ(devices, (std::vector<std::string>{"KW Peer", "KW Peer (2)"}));

    // Switched off and on between two listings: its last port was still listed, its successor's are others
    // (the server numbered them, their names being taken a moment before). A device that appeared now.
    list({{unit, {"KW Peer:Port3 (in)"}}, {other, {"KW Peer-41:Port2 (out)"}}});
    const std::uint64_t lostAt = jack.lastSeen();
    list({{unit, {"KW Peer:Port1 (out)-2047", "KW Peer:Port2 (out)-2048"}}, {other, {"KW Peer-41:Port2 (out)"}}});
    EXPECT_GT(seen(unit).appeared, lostAt) << "the unit that came back was taken for the one that went";
    EXPECT_EQ(seen(other).appeared, first + 1);
    EXPECT_EQ(devices, (std::vector<std::string>{"KW Peer (2)", "KW Peer"}))
        << "the unit that came back kept its place";
    EXPECT_EQ(kwmidi::detail::followAfterLoss("KW Peer", "Port2", lostAt,
                                              {{seen(other).base, "Port2", seen(other).appeared, false},
                                               {seen(unit).base, "Port2", seen(unit).appeared, false}}),
              1);
}

TEST(MidiClient, OneClientPerProcessEndingWithItsLastReference)
{
    qputenv(kwmidi::kBackendVariable, "virtual");
    std::weak_ptr<kwmidi::Client> first;
    {
        auto a = kwmidi::Client::acquire();
        auto b = kwmidi::Client::acquire();
        EXPECT_EQ(a, b);
        EXPECT_EQ(kwmidi::Client::current(), a);
        first = a;
    }
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(kwmidi::Client::current(), nullptr) << "asking for the current client made one";
    qputenv(kwmidi::kBackendVariable, "something else");
    EXPECT_EQ(kwmidi::backendFromEnvironment(), kwmidi::Backend::System);
    qunsetenv(kwmidi::kBackendVariable);
    EXPECT_EQ(kwmidi::backendFromEnvironment(), kwmidi::Backend::System);
}

TEST_F(VirtualMidi, ListsEndpointsInCreationOrderUntilRemoved)
{
    auto s1 = client->createSource("Synth", "Synth Port1");
    auto s2 = client->createSource("Synth", "Synth Port2");
    auto d1 = client->createDestination("Synth", "Synth Port1");
    ASSERT_EQ(client->sources().size(), 2u);
    EXPECT_EQ(client->sources()[1].endpointName, "Synth Port2");
    EXPECT_EQ(client->destinations()[0].deviceName, "Synth");
    // A second device of the name is listed as the second; the first one gone, it is the only one.
    auto twin = client->createSource("Synth", "Synth Port1");
    ASSERT_EQ(client->sources().size(), 3u);
    EXPECT_EQ(client->sources()[2].deviceName, "Synth (2)");
    EXPECT_EQ(client->sources()[2].endpointName, "Synth Port1");
    twin.reset();
    s1.reset();
    ASSERT_EQ(client->sources().size(), 1u);
    EXPECT_EQ(client->sources()[0].endpointName, "Synth Port2");
    EXPECT_EQ(client->connectSource(1, nullptr), nullptr);
    EXPECT_EQ(client->connectSource(-1, nullptr), nullptr);
    EXPECT_EQ(client->openDestination(1), nullptr);
    EXPECT_TRUE(client->isAvailable());
}

TEST_F(VirtualMidi, IndicesNameWhatTheLastListShowedWhileOthersComeAndGo)
{
    auto d1 = client->createDestination("Synth", "Synth Port1");
    auto d2 = client->createDestination("Synth", "Synth Port2");
    auto s1 = client->createSource("Synth", "Synth Port1");
    auto s2 = client->createSource("Synth", "Synth Port2");
    ASSERT_EQ(client->destinations().size(), 2u);
    ASSERT_EQ(client->sources().size(), 2u);

    // Another program's ports come and go after the listing: the listed indices still name Port2.
    d1.reset();
    s1.reset();
    auto late = client->createDestination("Other", "Other In");
    auto output = client->openDestination(1);
    ASSERT_NE(output, nullptr);
    const Bytes note{0x90, 0x40, 0x7F};
    ASSERT_TRUE(output->send(note.data(), note.size()));
    ASSERT_TRUE(d2->waitForBytes(note.size(), 5s)) << "the listed destination got nothing";
    EXPECT_TRUE(late->receivedBytes().empty()) << "bytes went to a port that was not listed";

    std::atomic<int> received{0};
    auto input = client->connectSource(1, [&](const std::uint8_t*, std::size_t) { ++received; });
    ASSERT_NE(input, nullptr);
    ASSERT_TRUE(s2->send(Bytes{0xFE}));
    EXPECT_TRUE(kwtest::waitUntil([&] { return received.load() == 1; })) << "the listed source delivered nothing";

    // What the list showed and has gone since opens nothing.
    EXPECT_EQ(client->openDestination(0), nullptr);
    EXPECT_EQ(client->connectSource(0, nullptr), nullptr);
}

// A synthesizer switched off and on: its ports vanish and reappear under the same names.
TEST_F(VirtualMidi, ConnectionsFollowTheirEndpointsByNameWhenTheyGoAndComeBack)
{
    auto source = client->createSource("Synth", "Synth Port1");
    auto destination = client->createDestination("Synth", "Synth Port1");
    ASSERT_EQ(client->sources().size(), 1u);
    ASSERT_EQ(client->destinations().size(), 1u);
    std::atomic<int> received{0};
    auto input = client->connectSource(0, [&](const std::uint8_t*, std::size_t) { ++received; });
    auto output = client->openDestination(0);
    ASSERT_TRUE(input && output);
    EXPECT_TRUE(input->isLinked() && output->isLinked());
    std::atomic<int> inputLost{0};
    std::atomic<int> outputLost{0};
    std::atomic<int> receivedWhenLost{-1};
    input->setLinkLostCallback([&] {
        receivedWhenLost = received.load();
        ++inputLost;
    });
    output->setLinkLostCallback([&] { ++outputLost; });

    // What the source sent before it went arrives before the news that it went.
    ASSERT_TRUE(source->send(Bytes{0xFE}));
    source.reset();
    destination.reset();
    EXPECT_FALSE(input->isLinked());
    EXPECT_FALSE(output->isLinked());
    ASSERT_TRUE(kwtest::waitUntil([&] { return inputLost == 1 && outputLost == 1; }))
        << "the owner was not told that the endpoints went";
    EXPECT_EQ(receivedWhenLost, 1);
    const Bytes note{0x90, 0x40, 0x7F};
    EXPECT_FALSE(output->send(note.data(), note.size())) << "a send to a vanished destination reported success";
    auto otherDevice = client->createSource("Other", "Synth Port1");
    EXPECT_FALSE(input->isLinked()) << "a port of another device was taken for the vanished one";

    source = client->createSource("Synth", "Synth Port1");
    destination = client->createDestination("Synth", "Synth Port1");
    EXPECT_TRUE(input->isLinked() && output->isLinked());
    ASSERT_TRUE(output->send(note.data(), note.size()));
    EXPECT_TRUE(destination->waitForBytes(note.size(), 5s)) << "the destination that came back got nothing";
    ASSERT_TRUE(source->send(Bytes{0xFE}));
    EXPECT_TRUE(kwtest::waitUntil([&] { return received.load() == 2; })) << "the source that came back is not heard";
    EXPECT_EQ(inputLost, 1) << "another device's port or the return counted as a loss";
    EXPECT_EQ(outputLost, 1);

    // Gone and back again before anyone listened: told once more. Connections that ended hear nothing.
    source.reset();
    source = client->createSource("Synth", "Synth Port1");
    ASSERT_TRUE(kwtest::waitUntil([&] { return inputLost == 2; })) << "a quick restart went unreported";
    input.reset();
    output.reset();
    source.reset();
    destination.reset();
    // Delivered in order: once this is through, any news queued before it was told.
    auto later = client->createSource("Late", "Late Port1");
    ASSERT_TRUE(later->send(Bytes{0xFE}));
    ASSERT_TRUE(later->waitUntilDelivered(5s));
    EXPECT_EQ(inputLost, 2) << "an ended connection was told";
    EXPECT_EQ(outputLost, 1);
}

TEST_F(VirtualMidi, DeliversInOrderOnItsOwnThreadCutAndMergedAsTold)
{
    auto source = client->createSource("Synth", "Out");
    Collector collector;
    auto input = client->connectSource(0, collector.callback());
    ASSERT_NE(input, nullptr);

    ASSERT_TRUE(source->send(Bytes{0x90, 0x40, 0x7F}));
    ASSERT_TRUE(source->send(Bytes{0xFE}));
    EXPECT_FALSE(source->send(Bytes{}));
    source->setChunking({{3, 1}, false});
    ASSERT_TRUE(source->send(Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    source->setChunking({{}, true});
    ASSERT_TRUE(source->send(Bytes{0xF0, 0x43}));
    ASSERT_TRUE(source->send(Bytes{0x10, 0xF7}));
    ASSERT_TRUE(source->waitUntilDelivered(5s));
    EXPECT_EQ(collector.taken().size(), 7u) << "held bytes went out before their release";
    source->releaseHeld();
    ASSERT_TRUE(source->waitUntilDelivered(5s));

    const std::vector<Bytes> expected{{0x90, 0x40, 0x7F}, {0xFE}, {1, 2, 3}, {4},
                                      {5, 6, 7},          {8},    {9},       {0xF0, 0x43, 0x10, 0xF7}};
    EXPECT_EQ(collector.taken(), expected);
    EXPECT_NE(collector.thread, std::this_thread::get_id());
}

TEST_F(VirtualMidi, DisconnectWaitsForTheRunningCallbackAndNoneFollows)
{
    auto source = client->createSource("Synth", "Out");
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> calls{0};
    auto input = client->connectSource(0, [&](const std::uint8_t*, std::size_t) {
        if (calls++ == 0) {
            entered.set_value();
            released.wait();
        }
    });
    source->send(Bytes{0xFE});
    entered.get_future().wait();
    auto disconnected = std::async(std::launch::async, [&] { input.reset(); });
    EXPECT_EQ(disconnected.wait_for(50ms), std::future_status::timeout)
        << "disconnecting returned while a callback still ran";
    release.set_value();
    ASSERT_EQ(disconnected.wait_for(5s), std::future_status::ready);
    source->send(Bytes{0xFE});
    ASSERT_TRUE(source->waitUntilDelivered(5s));
    EXPECT_EQ(calls.load(), 1);
}

TEST_F(VirtualMidi, ConnectionMayEndInsideItsOwnCallback)
{
    auto source = client->createSource("Synth", "Out");
    std::unique_ptr<kwmidi::InputConnection> input;
    std::atomic<int> calls{0};
    input = client->connectSource(0, [&](const std::uint8_t*, std::size_t) {
        ++calls;
        input.reset();
    });
    source->send(Bytes{0xFE});
    source->send(Bytes{0xFE});
    ASSERT_TRUE(source->waitUntilDelivered(5s));
    EXPECT_EQ(calls.load(), 1);
    EXPECT_EQ(input, nullptr);
}

TEST_F(VirtualMidi, DestinationKeepsWhatArrivesAndRefusesOrVanishesOnDemand)
{
    Collector collector;
    auto destination = client->createDestination("Synth", "In", collector.callback());
    auto output = client->openDestination(0);
    ASSERT_NE(output, nullptr);
    const Bytes sysex{0xF0, 0x43, 0x10, 0x7F, 0xF7};
    EXPECT_TRUE(output->send(sysex.data(), sysex.size()));
    EXPECT_TRUE(output->send(sysex.data(), 2));
    EXPECT_FALSE(output->send(sysex.data(), 0));
    ASSERT_TRUE(destination->waitForBytes(7, 5s));
    EXPECT_EQ(destination->receivedChunks().size(), 2u);
    EXPECT_EQ(destination->receivedTimes().size(), 2u);
    EXPECT_EQ(destination->receivedBytes(), (Bytes{0xF0, 0x43, 0x10, 0x7F, 0xF7, 0xF0, 0x43}));
    ASSERT_TRUE(kwtest::waitUntil([&] { return collector.taken().size() == 2; }));
    EXPECT_NE(collector.thread, std::this_thread::get_id());

    destination->clearReceived();
    destination->setRefusing(true);
    EXPECT_FALSE(output->send(sysex.data(), sysex.size()));
    destination->setRefusing(false);
    Collector replacing;
    destination->setReceiveCallback(replacing.callback());
    EXPECT_TRUE(output->send(sysex.data(), 1));
    EXPECT_EQ(destination->receivedBytes(), Bytes{0xF0});
    ASSERT_TRUE(kwtest::waitUntil([&] { return replacing.taken().size() == 1; }));
    EXPECT_EQ(collector.taken().size(), 2u);
    destination.reset();
    EXPECT_FALSE(output->send(sysex.data(), sysex.size())) << "a vanished destination took bytes";
    EXPECT_TRUE(client->destinations().empty());
}
