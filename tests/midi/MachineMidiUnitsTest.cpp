#include "MachineMidiFixture.h"

using namespace std::chrono_literals;
using namespace kwtest;

// Two devices of one name (the server renames the second one's client): each is listed with its five
// ports under a name of its own, a link goes to the one that was listed, and it stays with that device
// when the other goes and comes back, although the names then change places. A link whose connection is
// cut while its peer stays has lost its peer as well, and is made again.
TEST_F(MachineMidi, TwoDevicesOfOneNameStayTwoAndALinkKeepsToItsOwn)
{
    startPeer();
    startPeerIn(otherPeer);
    const std::string second = device + " (2)";
    for (const auto& list : {client->sources(), client->destinations()}) {
        for (int i = 1; i <= 5; ++i) {
            const std::string endpoint = device + " Port" + std::to_string(i);
            EXPECT_GE(indexOf(list, device, endpoint), 0) << endpoint << " of the first device is not listed";
            EXPECT_GE(indexOf(list, second, endpoint), 0) << endpoint << " is not listed under \"" << second << "\"";
        }
    }
    const std::string endpoint = device + " Port2";
    EchoLinks links;
    ASSERT_TRUE(links.open(client, indexOf(client->sources(), second, endpoint),
                           indexOf(client->destinations(), second, endpoint)));
    const auto echoes = [&](std::uint8_t tag, const char* when) {
        links.echo(tag, when);
        // Connected to both devices, the link would hear two echoes.
        EXPECT_FALSE(
            kwtest::waitUntil([&] { return links.arrivals.waitFor(0, 0ms).size() > links.expected.size(); }, 1s))
            << "more than one device echoed " << when;
    };
    echoes(1, "from the second device");

    // The first device goes: the second is the only one of the name now and is listed under it.
    ASSERT_TRUE(stopPeer(peer));
    ASSERT_TRUE(kwtest::waitUntil([&] { return indexOf(client->sources(), second, endpoint) < 0; }, 10s))
        << "the second device kept its number when it was the only one of its name";
    EXPECT_GE(indexOf(client->sources(), device, endpoint), 0);
    // It comes back (under the plain client name, free now) and is the second device of the name.
    startPeer();
    const auto devicesListed = [&] {
        std::string names;
        for (const auto& source : client->sources())
            names += " \"" + source.deviceName + "|" + source.endpointName + "\"";
        return names;
    };
    ASSERT_TRUE(kwtest::waitUntil([&] { return indexOf(client->sources(), second, endpoint) >= 0; }, 10s))
        << "the device that came back is not listed as the second:" << devicesListed();
    echoes(2, "after the other device went and came back");
    EXPECT_EQ(links.inputLost, 0) << "a link was told lost when another device of its name went";
    EXPECT_EQ(links.outputLost, 0);

    // Someone else cuts our connections; the peer's ports stay. Done here with JACK's own calls (on ALSA no other
    // program may: see ARenamedClientIsListedUnderItsNewNameAndAnnouncementsOfAnotherProgramAreIgnored).
    if (client->systemName() != "JACK")
        return;
    jack_client_t* other = jack_client_open(("KW cut " + std::to_string(QCoreApplication::applicationPid())).c_str(),
                                            JackNoStartServer, nullptr);
    ASSERT_NE(other, nullptr) << "no second client of the server";
    for (const char* direction : {"in", "out"}) {
        const char** ours = jack_get_ports(other, ("kw-link " + std::string(direction)).c_str(), nullptr, 0);
        ASSERT_NE(ours, nullptr) << "none of our link ports of direction " << direction;
        for (const char** port = ours; *port; ++port)
            jack_port_disconnect(other, jack_port_by_name(other, *port));
        jack_free(ours);
    }
    jack_client_close(other);
    ASSERT_TRUE(kwtest::waitUntil([&] { return links.inputLost == 1 && links.outputLost == 1; }, 10s))
        << "a link whose connection was cut was not told lost: " << links.inputLost << " " << links.outputLost;
    ASSERT_TRUE(kwtest::waitUntil([&] { return links.input->isLinked() && links.output->isLinked(); }, 10s))
        << "the links were not made again to the port still there";
    echoes(3, "after the connections were cut and made again");
}

// Two units of one name, a link to the first: switched off for good, the link waits for a unit of its name
// that comes after the loss and never goes over to the one that was there (a second synthesizer whose
// memory the editor would overwrite). A link to "Name (2)" follows its own unit back when the first of the
// name has gone for good, though the unit then comes back under the plain name.
TEST_F(MachineMidi, ALinkWaitsForItsOwnUnitAndNeverTakesOverAnotherOfItsName)
{
    startPeer();
    startPeerIn(otherPeer);
    const std::string second = device + " (2)";
    const std::string endpoint = device + " Port2";
    EchoLinks links;
    ASSERT_TRUE(links.open(client, indexOf(client->sources(), device, endpoint),
                           indexOf(client->destinations(), device, endpoint)));
    EXPECT_EQ(links.input->linkedDeviceName(), device);
    links.echo(1, "from the first unit");

    // The first unit is switched off for good: the other one is listed under the plain name now, and the
    // links stay without a peer.
    ASSERT_TRUE(stopPeer(peer));
    ASSERT_TRUE(kwtest::waitUntil([&] { return links.inputLost == 1 && links.outputLost == 1; }, 10s))
        << "the loss was not told: " << links.inputLost << " " << links.outputLost;
    ASSERT_TRUE(kwtest::waitUntil([&] { return indexOf(client->sources(), second, endpoint) < 0; }, 10s));
    EXPECT_FALSE(kwtest::waitUntil([&] { return links.input->isLinked() || links.output->isLinked(); }, 2s))
        << "a link went over to the other unit of its name";
    const Bytes probe{0xF0, 0x7D, 0x02, 0x7F, 0xF7};
    EXPECT_FALSE(links.output->send(probe.data(), probe.size())) << "a send without the unit was taken";
    EXPECT_EQ(links.input->linkedDeviceName(), "");
    EXPECT_EQ(links.arrivals.waitFor(links.expected.size() + 1, 500ms), links.expected) << "the other unit was reached";

    // Switched on again it is a unit that appeared after the loss: the links take it, as "Name (2)".
    startPeer();
    ASSERT_TRUE(kwtest::waitUntil([&] { return links.input->isLinked() && links.output->isLinked(); }, 10s))
        << "the links did not follow their unit back";
    EXPECT_EQ(links.input->linkedDeviceName(), second);
    links.echo(2, "after the unit came back");
    // A link made to it now, while it is listed "(2)", follows it as well.
    links.output =
        client->openDestination(indexOf(client->destinations(), second, endpoint), [&] { ++links.outputLost; });
    ASSERT_NE(links.output, nullptr);

    // Now the unit that stayed goes for good: ours takes the plain name and the links stay with it.
    ASSERT_TRUE(stopPeer(otherPeer));
    ASSERT_TRUE(kwtest::waitUntil([&] { return links.output->linkedDeviceName() == device; }, 10s))
        << "the link's unit is listed as \"" << links.output->linkedDeviceName() << "\"";
    EXPECT_EQ(links.inputLost, 1) << "a link was told lost when another unit of its name went";
    links.echo(3, "after the other unit went");
    // Switched off and on, it comes back under the plain name: still its own, and followed.
    ASSERT_TRUE(stopPeer(peer));
    ASSERT_TRUE(kwtest::waitUntil([&] { return links.inputLost == 2 && links.outputLost == 2; }, 10s));
    startPeer();
    ASSERT_TRUE(kwtest::waitUntil([&] { return links.input->isLinked() && links.output->isLinked(); }, 10s))
        << "a link made to \"" << second << "\" did not follow its unit back under the plain name";
    EXPECT_EQ(links.input->linkedDeviceName(), device);
    links.echo(4, "after the unit came back under the plain name");
}

// A unit of its name that is there when a link's unit goes is never taken over, even one that no listing had
// seen yet (it started just before the other went): renaming a port wakes nobody, so the second unit's
// endpoint, renamed into place, is first seen as the first unit's goes. A unit that comes after the loss is taken.
TEST_F(JackMidi, AUnitNotYetListedWhenTheLinksUnitGoesIsNotTakenOver)
{
    startPeer();
    const std::string endpoint = device + " Port2";
    std::atomic<int> lost{0};
    auto output = client->openDestination(indexOf(client->destinations(), device, endpoint), [&] { ++lost; });
    ASSERT_NE(output, nullptr);
    // The second unit: a client of the device's name (the server renames it), its destination registered under a
    // name that listings leave out.
    using JackClient = std::unique_ptr<jack_client_t, int (*)(jack_client_t*)>;
    JackClient second(jack_client_open(device.c_str(), JackNoStartServer, nullptr), jack_client_close);
    const std::string pid = std::to_string(QCoreApplication::applicationPid());
    JackClient watcher(jack_client_open(("KW watch " + pid).c_str(), JackNoStartServer, nullptr), jack_client_close);
    ASSERT_TRUE(second && watcher) << "no other clients of the server";
    jack_port_t* hidden = jack_port_register(second.get(), "kw-link unit", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    ASSERT_TRUE(hidden && jack_activate(second.get()) == 0);
    ASSERT_EQ(jack_port_rename(second.get(), hidden, (endpoint + " (in)").c_str()), 0);
    // As another client sees it; PipeWire's JACK shows others no renamed port.
    const auto renamedShown = [&] {
        const char** ports = jack_get_ports(watcher.get(), nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput);
        const std::string tail = ":" + endpoint + " (in)";
        bool shown = false;
        for (const char** port = ports; ports && *port; ++port) {
            const std::string name = *port;
            shown = shown || (name != device + tail && name.size() > tail.size() &&
                              name.compare(name.size() - tail.size(), tail.size(), tail) == 0);
        }
        jack_free(ports);
        return shown;
    };
    if (!kwtest::waitUntil(renamedShown, 1s))
        GTEST_SKIP() << "the server shows other clients no renamed port";

    // The first unit's program removes the destination.
    ASSERT_EQ(ask(peer, "close 2"), "closed 2");
    closedAPort.insert(&peer);
    ASSERT_TRUE(kwtest::waitUntil([&] { return lost == 1; }, 10s)) << "the loss was not told";
    EXPECT_FALSE(kwtest::waitUntil([&] { return output->isLinked(); }, 2s))
        << "the link took over a unit of its name that was there at the loss";
    EXPECT_GE(indexOf(client->destinations(), device + " (2)", endpoint), 0) << "the unit that was there is not listed";
    startPeerIn(otherPeer);
    EXPECT_TRUE(kwtest::waitUntil([&] { return output->isLinked(); }, 10s))
        << "the link did not take the unit that came after the loss";
    EXPECT_EQ(output->linkedDeviceName(), device + " (3)");
}

// JACK's client library walks its list of a program's ports on its notification thread whenever the
// server works the latencies out again, which any connection change by any program makes it do; a port
// taken out of that list meanwhile crashed the program now and then when a link was closed. And PipeWire's
// JACK before 0.3.80 sets a new connection's mixing areas up on one thread while the processing thread uses
// them: a connection cut within its first cycle crashed the program at either end, so each link here is
// closed as soon as it is made.
TEST_F(JackMidi, LinksOpenAndCloseWhileAnotherProgramKeepsChangingTheGraph)
{
    startPeer();
    jack_client_t* other = jack_client_open(("KW churn " + std::to_string(QCoreApplication::applicationPid())).c_str(),
                                            JackNoStartServer, nullptr);
    ASSERT_NE(other, nullptr) << "no second client of the server";
    jack_port_t* from = jack_port_register(other, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    jack_port_t* to = jack_port_register(other, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    std::atomic<std::uint64_t> otherCycles{0};
    ASSERT_TRUE(from && to);
    jack_set_process_callback(
        other,
        [](jack_nframes_t, void* cycles) {
            static_cast<std::atomic<std::uint64_t>*>(cycles)->fetch_add(1);
            return 0;
        },
        &otherCycles);
    ASSERT_EQ(jack_activate(other), 0);
    // That PipeWire crashes the other program too when it cuts its own connections at once, thousands a
    // second (seen within seconds): there it cuts only connections that ran a whole cycle, as a patchbay's do.
    const bool cutAfterACycle = pipeWireJackBefore(0, 3, 80);
    std::atomic<bool> stop{false};
    std::atomic<int> changes{0};
    std::thread churn([&] {
        const std::string out = jack_port_name(from);
        const std::string in = jack_port_name(to);
        while (!stop) {
            jack_connect(other, out.c_str(), in.c_str());
            if (cutAfterACycle) {
                const std::uint64_t cycles = otherCycles.load();
                kwtest::waitUntil([&] { return stop || otherCycles.load() >= cycles + 2; }, 10s);
            }
            jack_disconnect(other, out.c_str(), in.c_str());
            ++changes;
        }
    });
    const int source = indexOf(client->sources(), device, device + " Port1");
    const int destination = indexOf(client->destinations(), device, device + " Port1");
    constexpr int kRounds = 100;
    int opened = 0;
    for (int round = 0; round < kRounds && source >= 0 && destination >= 0; ++round) {
        auto input = client->connectSource(source, [](const std::uint8_t*, std::size_t) {});
        const bool listened = input != nullptr;
        input.reset();
        auto output = client->openDestination(destination);
        opened += listened && output ? 1 : 0;
    }
    // A link made after all that still carries both ways.
    Arrivals arrivals;
    auto input = client->connectSource(source, arrivals.callback());
    auto output = client->openDestination(destination);
    stop = true;
    churn.join();
    jack_client_close(other);
    ASSERT_GE(source, 0);
    ASSERT_GE(destination, 0);
    EXPECT_EQ(opened, kRounds);
    EXPECT_GT(changes.load(), 0);
    ASSERT_TRUE(input && output);
    const Bytes sysex = {0xF0, 0x7D, 0x01, 0x02, 0x03, 0xF7};
    ASSERT_TRUE(output->send(sysex.data(), sysex.size()));
    EXPECT_EQ(arrivals.waitFor(sysex.size(), 20s), sysex) << "the echo did not come back through the new links";
}

// The server itself goes and another starts under its name (a user restarts it): our ports went with the
// old one, the link ports that closed links had left idle among them, and links on the new server work.
TEST(JackServerLost, LinksAreToldAndLinksOnTheNextServerOfTheNameCarry)
{
    using Need = simtest::PrivateJackServer::Need;
    simtest::PrivateJackServer server;
    QString why;
    if (!server.start(1024, &why, Need::Always))
        GTEST_SKIP() << "no JACK server of the test's own could be started: " << why.toStdString();
    qputenv(kwmidi::kBackendVariable, "rtmidi");
    auto client = kwmidi::Client::acquire();
    ASSERT_TRUE(client->isAvailable());
    const QString device = QStringLiteral("KW Lost %1").arg(QCoreApplication::applicationPid());
    const std::string endpoint = device.toStdString() + " Port1";
    QProcess peer;
    const auto startPeer = [&] {
        peer.start(QStringLiteral(KW_MIDI_PEER), {device});
        return peer.waitForStarted(10000) && peer.waitForReadyRead(45000) && peer.readLine().startsWith("ready");
    };
    const auto find = [&](const std::vector<kwmidi::EndpointInfo>& list) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (list[i].deviceName == device.toStdString() && list[i].endpointName == endpoint)
                return static_cast<int>(i);
        }
        return -1;
    };
    const Bytes sysex{0xF0, 0x7D, 0x03, 0x01, 0xF7};
    const auto echoOnce = [&](const char* when) {
        Arrivals arrivals;
        auto input = client->connectSource(find(client->sources()), arrivals.callback());
        auto output = client->openDestination(find(client->destinations()));
        ASSERT_TRUE(input && output) << "no links to the peer " << when;
        ASSERT_TRUE(output->send(sysex.data(), sysex.size())) << when;
        EXPECT_EQ(arrivals.waitFor(sysex.size(), 10s), sysex) << "no echo " << when;
    };

    ASSERT_TRUE(startPeer()) << "the peer did not start";
    echoOnce("on the first server"); // its two link ports are idle now
    std::atomic<int> lost{0};
    auto kept = client->connectSource(find(client->sources()), [](const std::uint8_t*, std::size_t) {});
    ASSERT_NE(kept, nullptr);
    kept->setLinkLostCallback([&] { ++lost; });

    server.stop();
    peer.kill();
    peer.waitForFinished(10000);
    EXPECT_TRUE(kwtest::waitUntil([&] { return lost == 1; }, 10s)) << "a link was not told that the server went";
    EXPECT_FALSE(kept->isLinked());
    ASSERT_TRUE(kwtest::waitUntil([&] { return !client->isAvailable(); }, 10s))
        << "the server that went is still reachable";

    ASSERT_TRUE(server.start(1024, &why, Need::Always)) << "the second server did not start: " << why.toStdString();
    ASSERT_TRUE(kwtest::waitUntil([&] { return client->isAvailable(); }, 10s)) << "the second server was never reached";
    ASSERT_TRUE(startPeer()) << "the peer did not start on the second server";
    echoOnce("on the second server");
    kept.reset();
    kwtest::endProcess(peer, 10s);
}

TEST(MidiWithoutSystem, ReportsNoMidiSystemListsNothingAndOpensNothing)
{
    // Points JACK at a server that does not exist: the same as a machine where none runs.
    qputenv("JACK_DEFAULT_SERVER", "kw-absent-" + QByteArray::number(QCoreApplication::applicationPid()));
    qputenv(kwmidi::kBackendVariable, "system");
    auto client = kwmidi::Client::acquire();
    if (client->systemName() == "ALSA sequencer")
        GTEST_SKIP() << "this machine has an ALSA sequencer";
    EXPECT_FALSE(client->isAvailable());
    EXPECT_EQ(client->systemName(), kwmidi::kNoMidiSystem);
    EXPECT_TRUE(client->sources().empty());
    EXPECT_TRUE(client->destinations().empty());
    EXPECT_EQ(client->connectSource(0, nullptr), nullptr);
    EXPECT_EQ(client->openDestination(0), nullptr);
    EXPECT_EQ(client->createSource("Synth", "Out"), nullptr);
    EXPECT_EQ(client->createDestination("Synth", "In"), nullptr);
}
