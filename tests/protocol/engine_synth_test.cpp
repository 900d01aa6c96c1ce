// The editor's engine end to end: the memory service with its MIDI route on in-process ports, against
// the simulated synthesizer. Transfers both ways, live edits, hardware-side changes, silence, and
// every fault the synthesizer can inject.
#include "SimSynthMidi.h"

#include "ConnectionWatcher.h"
#include "VirtualMidiFixture.h"
#include "engine_support.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

using namespace enginetest;
using zelksim::SynthCore;
using zelksim::TemplateImage;

namespace {

const ParamAddress kCurrent0(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);

class EngineWithSynth : public kwtest::VirtualMidiTest
{
protected:
    void SetUp() override
    {
        kwtest::VirtualMidiTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        zelksim::SynthOptions options;
        options.senseInterval = 40;
        std::string error;
        synth = zelksim::SynthMidi::create(client, options, zelksim::kDefaultDeviceName, &error);
        ASSERT_NE(synth, nullptr) << error;
        synth->setEventListener([this](const zelksim::SynthEvent& event) {
            if (event.kind != zelksim::SynthEvent::Kind::ParamChanged)
                return;
            std::lock_guard<std::mutex> lock(eventsMutex);
            changes.append(QStringLiteral("%1 %2")
                               .arg(event.mid, 2, 16, QLatin1Char('0'))
                               .arg(event.low, 2, 16, QLatin1Char('0')));
        });
        api = std::make_unique<RemoteMemAPI>();
        makeNineBanks(*api);
        api->setConnectionWatchPeriod(1000);
        QObject::connect(api.get(), &RemoteMemAPI::completeBulkReceive, [this] { ++received; });
        QObject::connect(api.get(), &RemoteMemAPI::completeBulkTransmit, [this] { ++transmitted; });
        QObject::connect(api.get(), &RemoteMemAPI::portActivated, [this] { ++activated; });
        QObject::connect(api.get(), &RemoteMemAPI::notifiedCurrentTemplateNumber, [this] { ++notified; });
        const QString device = QString::fromLatin1(zelksim::kDefaultDeviceName);
        in1 = portNumber(api->getInputPortList(), device, " Port1");
        in5 = portNumber(api->getInputPortList(), device, " Port5");
        out5 = portNumber(api->getOutputPortList(), device, " Port5");
        ASSERT_TRUE(in1 > 0 && in5 > 0 && out5 > 0) << api->getInputPortList().join(", ").toStdString();
        // Nothing is sent twice for want of an answer unless a test asks for it: the counts stay exact
        // however slow the machine.
        api->setAnswerTimeout(600000, 3);
        ASSERT_TRUE(api->createMIDIComunicationRoute(in1, in5, out5));
    }
    void TearDown() override
    {
        api.reset();
        synth.reset();
    }

    template <class F> auto core(F&& f)
    {
        return synth->withCore([&](SynthCore& c, zelksim::Millis) { return f(c); });
    }
    TemplateImage stored(int t)
    {
        return core([t](SynthCore& c) { return c.storedTemplate(t); });
    }
    TemplateImage edited(int t)
    {
        return core([t](SynthCore& c) { return c.editTemplate(t); });
    }
    zelksim::SynthStats stats()
    {
        return core([](SynthCore& c) { return c.stats(); });
    }
    void command(const std::string& line) { ASSERT_TRUE(synth->command(line).ok) << line; }
    // First template of a bank that differs from the synthesizer's stored bank or edit buffer.
    std::string bankDifference(int bank, bool storedArea)
    {
        for (int t = 0; t < 50; ++t) {
            const std::string d = templateDifference(*api, bank, t, storedArea ? stored(t) : edited(t));
            if (!d.empty())
                return d;
        }
        return {};
    }
    std::string bankDifference(int bank, int seed)
    {
        for (int t = 0; t < 50; ++t) {
            const std::string d = templateDifference(*api, bank, t, TemplateImage::pattern(seed, t));
            if (!d.empty())
                return d;
        }
        return {};
    }
    void writeBank(int bank, int seed)
    {
        for (int t = 0; t < 50; ++t)
            writeTemplate(*api, bank, t, TemplateImage::pattern(seed, t));
    }
    bool fullReceive(bool withEditBuffer)
    {
        const int before = received;
        api->setWaitingBulkReceive(true);
        return api->sendHardWareDataReq(withEditBuffer) && waitFor([&] { return received > before; });
    }
    bool fullSend(bool editBufferOnly)
    {
        const int before = transmitted;
        api->setWaitingBulkTransmit(true);
        return api->sendEditorAllData(editBufferOnly) && waitFor([&] { return transmitted > before; });
    }
    // What auto-sync does when a transfer times out.
    void giveUp()
    {
        api->clearTransmitQueue();
        api->clearTransmitedBulkCounter();
        api->clearTransmitedBulkReqCounter();
        api->revokeReceivedBulk();
        api->setWaitingBulkReceive(false);
        api->setWaitingBulkTransmit(false);
        ASSERT_TRUE(synth->waitUntilSent(5s));
    }
    // A condition that must not come true: waits a while for it all the same.
    bool staysFalse(const std::function<bool()>& predicate) { return !waitFor(predicate, 600ms); }
    QStringList takeChanges()
    {
        std::lock_guard<std::mutex> lock(eventsMutex);
        return std::exchange(changes, {});
    }

    std::unique_ptr<zelksim::SynthMidi> synth;
    std::unique_ptr<RemoteMemAPI> api;
    int in1 = 0;
    int in5 = 0;
    int out5 = 0;
    std::atomic<int> received{0};
    std::atomic<int> transmitted{0};
    std::atomic<int> activated{0};
    std::atomic<int> notified{0};
    std::mutex eventsMutex;
    QStringList changes;
};

} // namespace

TEST_F(EngineWithSynth, KeepsMemoryAndSynthesizerInStepBothWays)
{
    // A synthesizer that shows up announces itself while the editor is offline.
    ASSERT_TRUE(waitFor([&] { return activated > 0; }, 30s)) << "no portActivated() from active sensing";
    command("fill 7");
    command("select 17");
    ASSERT_TRUE(waitFor([&] { return api->getParam(kCurrent0).getCurrentValue() == 17; }));

    // Full receive: both areas land in banks 2 and 3; the edited banks stay as they were.
    ASSERT_TRUE(fullReceive(true)) << "the full receive did not complete";
    EXPECT_EQ(bankDifference(2, true), "");
    EXPECT_EQ(bankDifference(3, false), "");
    EXPECT_EQ(templateDifference(*api, 0, 17, TemplateImage()), "");
    EXPECT_EQ(templateDifference(*api, 1, 3, TemplateImage()), "");
    EXPECT_EQ(received, 1);
    EXPECT_EQ(transmitted, 0);
    EXPECT_EQ(stats().bulkRequestsAnswered, 100);

    // Auto-sync takes the data over and goes ONLINE.
    api->copyBank(2, 1);
    api->copyBank(3, 0);
    api->setONLINEstate(1);
    ASSERT_TRUE(synth->waitUntilSent(5s));
    takeChanges();

    // Live edits arrive in the order they were made.
    const int t = 17;
    api->setParam(ParamAddress(0, t, ParamAddress::kTemplateNameController, -1), QStringLiteral("Live <&>"));
    for (int v = 1; v <= 30; ++v)
        api->setParam(ParamAddress(0, t, 2, ParamAddress::kCCNumberParam), long(v));
    api->setParam(ParamAddress(0, t, 5, ParamAddress::kRemoteNumberParam), QStringLiteral("2feedbeef"));
    api->setParam(ParamAddress(0, t, 0, ParamAddress::kDisplayNameParam), QStringLiteral("Zed"));
    namespace f = zelksim::fields;
    QStringList expected;
    for (int i = 0; i < 13; ++i)
        expected << QStringLiteral("00 %1").arg(i, 2, 16, QLatin1Char('0'));
    for (int v = 1; v <= 30; ++v)
        expected << "12 18";
    expected << "15 00";
    for (int i = 0; i < 15; ++i)
        expected << QStringLiteral("10 %1").arg(9 + i, 2, 16, QLatin1Char('0'));
    // The name shows whole after its first characters: the wait is for every change to have landed.
    ASSERT_TRUE(waitFor([&] {
        std::lock_guard<std::mutex> lock(eventsMutex);
        return changes.size() >= expected.size();
    }));
    EXPECT_EQ(edited(t).text(f::knobDisplayName(0)), "Zed");
    EXPECT_EQ(edited(t).text(f::templateName()), "Live <&>");
    EXPECT_EQ(edited(t).number(f::knobControlNumber(2)), 30);
    EXPECT_EQ(edited(t).text(f::knobRemoteNumber(5)), "2feedbeef");
    EXPECT_EQ(takeChanges(), expected);

    // A template number sent comes back as an echo, which is not written again.
    const int notifiedBefore = notified;
    api->setParam(kCurrent0, 20);
    ASSERT_TRUE(waitFor([&] { return notified > notifiedBefore; }));
    EXPECT_EQ(core([](SynthCore& c) { return c.currentTemplate(); }), 20);
    EXPECT_TRUE(api->pendingTemplateNumbers().isEmpty());

    // Nothing goes out while offline: a later edit made ONLINE arrives, the offline one never does.
    api->setONLINEstate(0);
    api->setParam(ParamAddress(0, 20, 0, ParamAddress::kCCNumberParam), 77);
    api->setONLINEstate(1);
    api->setParam(ParamAddress(0, 20, 1, ParamAddress::kCCNumberParam), 55);
    ASSERT_TRUE(waitFor([&] { return edited(20).number(f::knobControlNumber(1)) == 55; }));
    EXPECT_NE(edited(20).number(f::knobControlNumber(0)), 77);
    EXPECT_EQ(takeChanges(), QStringList({"11 18"}));

    // Edits and a store at the synthesizer's panel land in the editor, without an answer.
    command("edit name Panel");
    command("edit knob 3 id 3abcdef12");
    command("edit knob 3 cc 101");
    ASSERT_TRUE(waitFor(
        [&] { return api->getParam(ParamAddress(0, 20, 3, ParamAddress::kCCNumberParam)).getCurrentValue() == 101; }));
    EXPECT_EQ(api->getParamQString(ParamAddress(0, 20, ParamAddress::kTemplateNameController, -1)), "Panel");
    EXPECT_EQ(api->getParamQString(ParamAddress(0, 20, 3, ParamAddress::kRemoteNumberParam)), "3abcdef12");
    command("store");
    ASSERT_TRUE(waitFor([&] {
        return api->getParamQString(ParamAddress(1, 20, ParamAddress::kTemplateNameController, -1)) == "Panel";
    }));
    command("select 5");
    ASSERT_TRUE(waitFor([&] { return api->getParam(kCurrent0).getCurrentValue() == 5; }));
    ASSERT_TRUE(synth->waitUntilSent(5s));
    EXPECT_EQ(stats().stores, 0) << "the editor's store after the panel's is not sent back";
    EXPECT_TRUE(takeChanges().isEmpty()) << "received values are not echoed";

    // Full send: bank 0 to the edit buffer, bank 1 to the stored bank, completed once.
    api->setONLINEstate(0);
    writeBank(0, 30);
    writeBank(1, 31);
    ASSERT_TRUE(fullSend(false)) << "the full send did not complete";
    ASSERT_TRUE(waitFor([&] { return stats().acksSent == 100; }));
    EXPECT_EQ(bankDifference(0, false), "");
    EXPECT_EQ(bankDifference(1, true), "");
    EXPECT_EQ(core([](SynthCore& c) { return c.currentTemplate(); }), 5);
    EXPECT_EQ(stats().dumpsIncomplete, 0);

    // With the follow-ups: the synthesizer stores and writes its flash, the editor's backup follows.
    writeBank(0, 40);
    api->setStoreFlag(true);
    api->setStoreToFlashSendingFlag(true);
    ASSERT_TRUE(fullSend(false));
    ASSERT_TRUE(waitFor([&] { return stats().acksSent == 200 && stats().flashStores == 1; }));
    ASSERT_TRUE(synth->waitUntilSent(5s));
    EXPECT_EQ(stats().stores, 1);
    EXPECT_EQ(bankDifference(0, false), "");
    EXPECT_EQ(bankDifference(0, true), "") << "the store made the stored bank the edit buffer";
    EXPECT_EQ(bankDifference(1, 40), "");
    EXPECT_FALSE(api->isStorePending());
    EXPECT_FALSE(api->isStoreToFlashSending());
    EXPECT_EQ(transmitted, 2);
    EXPECT_EQ(received, 1);
    // One chain: every dump after the acknowledge of the one before, the follow-ups after the last.
    const zelksim::FlowRecord flow = core([](SynthCore& c) { return c.flow(); });
    EXPECT_EQ(flow.dumpsBegun, 200);
    EXPECT_EQ(flow.dumpsBegunEarly, 0);
    EXPECT_EQ(flow.acksOut, 200);
    EXPECT_EQ(flow.storeAfterAcks, 200);
    EXPECT_EQ(flow.storeWithAcksUnsent, 0);
    EXPECT_EQ(flow.flashAfterAcks, 200);
    EXPECT_EQ(flow.flashWithAcksUnsent, 0);

    // Silence drops ONLINE within a few watch periods; the synthesizer's return is announced.
    api->setONLINEstate(1);
    api->setParam(kCurrent0, 9);
    command("fault silent on");
    ASSERT_TRUE(waitFor([&] { return !api->isONLINE(); }, 30s)) << "ONLINE did not fall";
    EXPECT_TRUE(api->pendingTemplateNumbers().isEmpty());
    const int activatedBefore = activated;
    command("fault silent off");
    EXPECT_TRUE(waitFor([&] { return activated > activatedBefore; }, 30s));
}

TEST_F(EngineWithSynth, ALostMessageCostsOneMoreSendAndOnlyASilentSynthesizerStallsATransfer)
{
    // Short answer time-outs, so that each lost message costs little here.
    api->setAnswerTimeout(400, 3);
    ASSERT_TRUE(api->createMIDIComunicationRoute(in1, in5, out5));
    writeBank(0, 50);
    writeBank(1, 51);
    // One message lost, or spoiled, in each receive: a footer, a block's checksum, the common block, knob
    // 11's block, the fourth request on its way to the synthesizer.
    const std::pair<std::string, int> receiveFaults[] = {{"fault drop-footer 3", 1},
                                                         {"fault bad-checksum 3 5", 0},
                                                         {"fault missing-block 3 0", 1},
                                                         {"fault missing-block 2 12", 1},
                                                         {"fault drop-in 4", 1}};
    for (const auto& [fault, drops] : receiveFaults) {
        SCOPED_TRACE(fault);
        command("fill " + std::to_string(received + 60));
        const zelksim::SynthStats before = stats();
        command(fault);
        ASSERT_TRUE(fullReceive(false)) << "a receive that lost a message did not complete";
        EXPECT_EQ(bankDifference(2, true), "");
        EXPECT_EQ(stats().dropped - before.dropped, drops);
        EXPECT_GE(stats().bulkRequestsAnswered - before.bulkRequestsAnswered, fault == "fault drop-in 4" ? 50 : 51)
            << "the request whose answer went wrong was not sent again";
        EXPECT_EQ(bankDifference(0, 50), "");
        EXPECT_EQ(bankDifference(1, 51), "");
    }

    // A lost acknowledge, and a block of the second dump lost on its way to the synthesizer.
    int seed = 50;
    for (const std::string fault : {"fault drop-ack 4", "fault drop-in 20"}) {
        SCOPED_TRACE(fault);
        const zelksim::SynthStats before = stats();
        const zelksim::FlowRecord flowBefore = core([](SynthCore& c) { return c.flow(); });
        command(fault);
        seed = 52 + transmitted;
        writeBank(0, seed);
        ASSERT_TRUE(fullSend(true)) << "a send that lost a message did not complete";
        ASSERT_TRUE(synth->waitUntilSent(5s));
        EXPECT_EQ(bankDifference(0, false), "");
        EXPECT_EQ(bankDifference(1, 51), "");
        EXPECT_EQ(stats().dropped - before.dropped, 1);
        const zelksim::FlowRecord flow = core([](SynthCore& c) { return c.flow(); });
        EXPECT_EQ(flow.dumpsBegunEarly, 0);
        EXPECT_GE(flow.dumpsRepeated - flowBefore.dumpsRepeated, 1) << "the dump was not sent again";
    }

    // A synthesizer that answers nothing stalls a transfer whatever is sent again; the memory stays as
    // it was, and once it speaks again the next transfer succeeds.
    command("fault silent on");
    const int receivedBefore = received;
    api->setWaitingBulkReceive(true);
    ASSERT_TRUE(api->sendHardWareDataReq(false));
    EXPECT_TRUE(staysFalse([&] { return received > receivedBefore; })) << "a receive from nobody completed";
    EXPECT_EQ(bankDifference(0, seed), "");
    giveUp();
    command("fault clear");
    command("fault silent off");
    ASSERT_TRUE(fullReceive(false)) << "the receive after the silence did not complete";
    EXPECT_EQ(bankDifference(2, true), "");

    // Slow replies only slow a transfer down.
    command("fault delay 3");
    command("fill 77");
    ASSERT_TRUE(fullReceive(true));
    EXPECT_EQ(bankDifference(3, false), "");
    EXPECT_EQ(received, 7);
    EXPECT_EQ(transmitted, 2);
}

TEST_F(EngineWithSynth, VanishingPortsDropOnlineAndWhatAwaitedAnAnswerAtOnceAndTheReturnIsAnnounced)
{
    // Only the vanishing ports can drop ONLINE here: the watcher would need ten minutes of silence.
    api->setConnectionWatchPeriod(600000);
    ASSERT_TRUE(api->createMIDIComunicationRoute(in1, in5, out5));
    std::atomic<int> vanished{0};
    QObject::connect(api.get(), &RemoteMemAPI::synthesizerVanished, [&] { ++vanished; });
    ASSERT_TRUE(api->setONLINEstate(1));
    // A send whose acknowledges will never come waits in the queue.
    command("fault silent on");
    api->setWaitingBulkTransmit(true);
    ASSERT_TRUE(api->sendEditorAllData(true));
    EXPECT_EQ(api->vanishedCount(), 0);

    synth.reset();
    ASSERT_TRUE(waitFor([&] { return !api->isONLINE() && vanished == 3; }, 10s))
        << "the synthesizer's ports went and the editor stayed online: " << vanished;
    EXPECT_EQ(api->vanishedCount(), 3) << "each of the route's three ports lost its endpoint once";
    bool wasEmpty = false;
    EXPECT_TRUE(api->sendMessage(&wasEmpty));
    EXPECT_TRUE(wasEmpty) << "what awaited the vanished synthesizer's acknowledge stayed queued";

    // Back on another template: it announces itself, and nothing else counts as vanishing.
    const int activatedBefore = activated;
    zelksim::SynthOptions options;
    options.senseInterval = 40;
    synth = zelksim::SynthMidi::create(client, options);
    ASSERT_NE(synth, nullptr);
    command("select 12");
    ASSERT_TRUE(waitFor([&] { return activated > activatedBefore; }, 10s)) << "the synthesizer's return went unnoticed";
    EXPECT_TRUE(waitFor([&] { return api->getParam(kCurrent0).getCurrentValue() == 12; }));
    // Nothing the vanished synthesizer owed is waited for: the next send goes out at once.
    ASSERT_TRUE(fullSend(true)) << "the send waited for acknowledges of a synthesizer that is gone";
    EXPECT_EQ(api->vanishedCount(), 3);

    // A route that is gone hears nothing of the synthesizer going.
    ASSERT_TRUE(api->setONLINEstate(1));
    api->deleteMIDIComunicationRoute();
    synth.reset();
    EXPECT_TRUE(staysFalse([&] { return api->vanishedCount() != 3 || !api->isONLINE(); }));
}

TEST_F(EngineWithSynth, RouteRefusesSharedPortsAndLeavesNothingOfAFailedSide)
{
    RemoteMemAPI other;
    makeNineBanks(other);
    EXPECT_FALSE(other.createMIDIComunicationRoute(in5, in5, out5)) << "one port for watching and SysEx";
    EXPECT_FALSE(other.hasMIDIInput());
    EXPECT_FALSE(other.createMIDIComunicationRoute(9999, in5, out5));
    EXPECT_FALSE(other.hasMIDIInput());
    EXPECT_FALSE(other.hasMIDIOutput()) << "the output is not tried after the input failed";
    // The SysEx input opened before the watched one failed: it must not deliver to a decoder that is gone.
    EXPECT_FALSE(other.createMIDIInput(9999, in5));
    command("select 3");
    ASSERT_TRUE(synth->waitUntilSent(5s));
    EXPECT_FALSE(other.sendMessage(nullptr));

    // An input that opened stays when only the output fails, and keeps writing what arrives.
    EXPECT_FALSE(other.createMIDIComunicationRoute(in1, in5, 9999));
    EXPECT_TRUE(other.hasMIDIInput());
    EXPECT_FALSE(other.hasMIDIOutput());
    EXPECT_FALSE(other.createMIDIInput(in1, in5)) << "processors exist already";
    command("select 8");
    ASSERT_TRUE(waitFor([&] { return other.getParam(kCurrent0).getCurrentValue() == 8; }));
    EXPECT_TRUE(other.createMIDIOutput(out5));
    EXPECT_FALSE(other.createMIDIOutput(out5)) << "an encoder exists already";
    other.setONLINEstate(1);
    other.setParam(ParamAddress(0, 8, 0, ParamAddress::kCCNumberParam), 42);
    namespace f = zelksim::fields;
    ASSERT_TRUE(waitFor([&] { return edited(8).number(f::knobControlNumber(0)) == 42; }));

    // Teardown in the middle of a transfer, with the decoder starting sending passes, and while the
    // synthesizer keeps talking; twice; a rebuilt route works again.
    other.setWaitingBulkReceive(true);
    ASSERT_TRUE(other.sendHardWareDataReq(true));
    ASSERT_TRUE(waitFor([&] { return stats().bulkRequestsAnswered > 2; }));
    command("sense 1");
    other.deleteMIDIComunicationRoute();
    other.deleteMIDIComunicationRoute();
    EXPECT_FALSE(other.hasMIDIInput());
    EXPECT_FALSE(other.setParam(ParamAddress(0, 8, 0, ParamAddress::kCCNumberParam), 42));
    EXPECT_TRUE(other.setParam(ParamAddress(0, 8, 0, ParamAddress::kCCNumberParam), 43));
    EXPECT_FALSE(other.sendMessage(nullptr)) << "no route, nothing sent";
    ASSERT_TRUE(other.createMIDIComunicationRoute(in1, in5, out5));
    other.setWaitingBulkReceive(true);
    ASSERT_TRUE(other.sendHardWareDataReq(false));
    ASSERT_TRUE(waitFor([&] {
        return other.getParamQString(ParamAddress(2, 49, ParamAddress::kTemplateNameController, -1)) ==
               QString::fromStdString(stored(49).text(f::templateName()));
    }));
}

TEST(ConnectionWatcher, TrafficKeepsOnlineSilenceDropsItAndSensingAnnouncesTheSynthesizer)
{
    RemoteMemAPI api;
    std::atomic<int> activated{0};
    QObject::connect(&api, &RemoteMemAPI::portActivated, [&] { ++activated; });
    // A period that a starved traffic thread on a loaded machine does not overrun.
    ConnectionWatcher watcher(1, &api, 0, 1000);
    tagMPEVENT sense{};
    sense.type = MPEV_ACTIVESENSE;
    sense.data[1] = 0xFE;
    tagMPEVENT note{};
    note.type = MPEV_NOTEON;
    tagMPEVENT sysex{};
    sysex.type = MPEV_SYSEX;

    EXPECT_TRUE(watcher.Process(sense));
    EXPECT_EQ(activated, 1);
    EXPECT_TRUE(watcher.Process(note));
    EXPECT_TRUE(watcher.Process(sysex));
    api.setWatchPortActivate(false);
    watcher.Process(sense);
    api.setWatchPortActivate(true);
    api.setONLINEstate(1);
    watcher.Process(sense);
    EXPECT_EQ(activated, 1) << "only sensing, only offline, only while watching";

    // Records far more often than the period keep ONLINE.
    std::atomic<bool> stop{false};
    std::thread traffic([&] {
        while (!stop) {
            tagMPEVENT r{};
            r.type = MPEV_CONTROL;
            watcher.Process(r);
            std::this_thread::sleep_for(2ms);
        }
    });
    EXPECT_FALSE(waitFor([&] { return !api.isONLINE(); }, 1s)) << "ONLINE fell despite traffic";
    stop = true;
    traffic.join();
    QElapsedTimer silence;
    silence.start();
    EXPECT_TRUE(waitFor([&] { return !api.isONLINE(); }, 30s)) << "ONLINE did not fall after silence";
    EXPECT_GE(silence.elapsed(), 750) << "a whole period of silence comes first";
}
