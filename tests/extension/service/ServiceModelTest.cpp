// The model service in the simulated host: its host actions and their answers, the function buttons'
// commands and pages, its life with the host (nothing before a remote device, nothing left behind), and
// its threads: the receive worker never waits for the idle call, and the service goes while the
// synthesizer and the host's threads push messages.
#include "ServiceHostFixture.h"

#include "CNfunction.h"
#include "ExtensionMessages.h"
#include "ExtensionState.h"
#include "SimHostTestSupport.h"

#include <atomic>
#include <future>
#include <thread>

using namespace Quorvane;
using namespace servicetest;
using simhost::SimDevice;
using simhost::SimTrack;
using simhost::TrackKind;

namespace {

class ServiceModel : public ServiceHostTest
{
protected:
    tresult perform(const char* action) { return host.actions().performAction("ZELK6/ZELK8", action); }
    std::vector<float> bandsOn(SimDevice* eq)
    {
        std::vector<float> on;
        for (int band = 1; band <= 4; ++band)
            on.push_back(eq->value("band" + std::to_string(band) + ":on")->current());
        return on;
    }
};

} // namespace

TEST_F(ServiceModel, RegistersItsActionsAndCarriesThemOutAnsweringWhetherTheyWereHandled)
{
    start({kVirluxInstrument});
    EXPECT_EQ(host.actions().addedActions(),
              (std::vector<std::string>{"ZELK6/ZELK8/ZELK6/ZELK8 Extension Setup", "ZELK6/ZELK8/Open Browser",
                                        "ZELK6/ZELK8/All EQs On", "ZELK6/ZELK8/EQ 1 On", "ZELK6/ZELK8/EQ 1 Type",
                                        "ZELK6/ZELK8/EQ 2 On", "ZELK6/ZELK8/EQ 2 Type", "ZELK6/ZELK8/EQ 3 On",
                                        "ZELK6/ZELK8/EQ 3 Type", "ZELK6/ZELK8/EQ 4 On", "ZELK6/ZELK8/EQ 4 Type"}));
    SimTrack* drums = selectNew(TrackKind::Audio, u"Drums");
    settle();
    SimDevice* eq = part(drums->channel(), "EQ");
    eq->value("band1:on")->hostSet(1);
    eq->value("band3:on")->hostSet(1);

    // All four on when any is off, all off when all are on; each answered as handled.
    EXPECT_EQ(perform("All EQs On"), kResultOk);
    EXPECT_EQ(bandsOn(eq), (std::vector<float>{1, 1, 1, 1}));
    EXPECT_EQ(perform("All EQs On"), kResultOk);
    EXPECT_EQ(bandsOn(eq), (std::vector<float>{0, 0, 0, 0}));
    EXPECT_EQ(perform("EQ 2 On"), kResultOk);
    EXPECT_EQ(bandsOn(eq), (std::vector<float>{0, 1, 0, 0}));
    eq->value("band2:type")->hostSet(3);
    EXPECT_EQ(perform("EQ 2 Type"), kResultOk);
    EXPECT_EQ(eq->value("band2:type")->current(), 0) << "past its largest type back to the smallest";
    EXPECT_EQ(perform("EQ 2 Type"), kResultOk);
    EXPECT_EQ(eq->value("band2:type")->current(), 1);

    // Asked whether it takes an action, the service answers without carrying it out; another category's
    // action or an unknown one is not handled.
    FRef<IActionHandler> handler = queryRef<IActionHandler>(service);
    ASSERT_TRUE(handler);
    EXPECT_EQ(handler->handleAction("ZELK6/ZELK8", "EQ 1 On", true), kResultOk);
    EXPECT_EQ(handler->handleAction("ZELK6/ZELK8", "Open Browser", true), kResultOk);
    EXPECT_EQ(bandsOn(eq), (std::vector<float>{0, 1, 0, 0}));
    EXPECT_EQ(handler->handleAction("Other", "EQ 1 On", false), kResultFalse);
    EXPECT_EQ(handler->handleAction("ZELK6/ZELK8", "EQ 5 On", false), kResultFalse);
    EXPECT_EQ(handler->handleAction(nullptr, nullptr, false), kResultFalse);
    EXPECT_TRUE(host.actions().performed().empty());

    // The browser: the track's presets here, the instrument's presets on an instrument track.
    EXPECT_EQ(perform("Open Browser"), kResultOk);
    SimTrack* pad = project->addTrack(TrackKind::Instrument, u"Pad");
    pad->setInstrument(u"Virlux");
    project->select(pad);
    settle();
    EXPECT_EQ(perform("Open Browser"), kResultOk);
    EXPECT_EQ(host.actions().performed(),
              (std::vector<std::string>{"Project/Track Preset: Open Browser", "Preset/Open Browser"}));

    // A MIDI track has no channel EQ: the actions change nothing there.
    selectNew(TrackKind::Midi, u"Lead");
    settle();
    EXPECT_EQ(perform("All EQs On"), kResultOk);
    EXPECT_EQ(bandsOn(eq), (std::vector<float>{0, 1, 0, 0}));
    EXPECT_EQ(perform("ZELK6/ZELK8 Extension Setup"), kResultOk);
}

TEST_F(ServiceModel, FunctionButtonsPerformTheCurrentPagesCommandsAndPageButtonsChangeThePage)
{
    start({kVirluxInstrument});
    const std::array<std::string, 6> firstPage{"HZoom+", "HZoom-", "VZoom+", "VZoom-", "Mixer", "Setup"};
    EXPECT_EQ(display().buttons, firstPage);
    EXPECT_TRUE(device()->JogStopSetting());

    panel("press f1");
    panel("press sfbank2");
    EXPECT_EQ(display().page, "Project Window");
    EXPECT_EQ(display().buttons, (std::array<std::string, 6>{"KeyEd", "Score", "Drum", "List", "Mixer", "OpenPl"}));
    EXPECT_EQ(device()->SFPageIndex(), 1);
    panel("press f4");
    // The last page has no commands: its buttons show nothing and do nothing.
    panel("press sfbank6");
    EXPECT_EQ(display().page, "---");
    EXPECT_EQ(display().buttons, (std::array<std::string, 6>{}));
    panel("press f2");
    EXPECT_EQ(host.actions().performed(), (std::vector<std::string>{"Zoom/Zoom In", "Edit/Open List Editor"}));

    // The start-up refresh sends the track name, the six command names and the page's name again.
    synth->output(2)->clearSent();
    gSysExReceiving.post(ExtensionMessage::buildExtensionRunning(k_prmChgHead_Rcv));
    settle();
    const auto sent = synth->output(2)->sent();
    std::vector<int> addresses;
    for (const auto& m : sent)
        addresses.push_back(m[7]);
    ASSERT_EQ(addresses, (std::vector<int>{0x60, 0x61, 0x61, 0x61, 0x61, 0x61, 0x61, 0x62, 0x63}));
    EXPECT_EQ(std::string(sent[7].begin() + 9, sent[7].end() - 1), "---             ") << "the last page's name";
}

TEST_F(ServiceModel, SomeHostsGiveTheListEditorsButtonACommandOfTheirOwn)
{
    host.application().set(u"Sonvik Desk", u"7.5.0", u"Build 1");
    start({kVirluxInstrument});
    panel("press sfbank2");
    EXPECT_EQ(display().buttons[3], "OpenCB");
    panel("press f4");
    EXPECT_EQ(host.actions().performed(), std::vector<std::string>{"Media/Open Cratebin"});
}

TEST_F(ServiceModel, DoesNothingBeforeARemoteDeviceAndLeavesNothingBehindEvenAfterARefusedTerminate)
{
    initialize();
    project = host.projects().openProject(u"Song");
    for (int i = 0; i < 3; ++i)
        host.idle();
    EXPECT_FALSE(kdx().isReceiving());
    EXPECT_TRUE(host.actions().addedActions().empty());
    EXPECT_EQ(host.updateHandler().totalDependents(), 0);

    start({kVirluxInstrument});
    SimTrack* pad = project->addTrack(TrackKind::Instrument, u"Pad");
    pad->setInstrument(u"Virlux");
    project->select(pad);
    settle();
    EXPECT_TRUE(kdx().isReceiving());
    EXPECT_GT(host.updateHandler().totalDependents(), 10) << "the knobs' values, the track, the mixer";

    // The project closes: the display blanks and the service lets the project's objects go.
    ASSERT_TRUE(host.projects().closeProject(project));
    settle();
    EXPECT_EQ(display().track, "");
    EXPECT_EQ(display().knobNames[0], "");
    EXPECT_EQ(host.updateHandler().totalDependents(), 0);
    project = host.projects().openProject(u"Song 2");
    pad = project->addTrack(TrackKind::Instrument, u"Pad");
    pad->setInstrument(u"Virlux");
    project->select(pad);
    settle();
    EXPECT_EQ(display().track, "Pad");

    // The host will not let its services go yet, then releases the service anyway while messages keep
    // coming: its receive worker stops before the service's parts go, and nothing the host keeps may
    // point at it any more.
    host.platform().setCanTerminate(false);
    EXPECT_EQ(service->terminate(), kResultFalse);
    host.platform().setCanTerminate(true);
    std::atomic<bool> stop{false};
    std::thread sender([&stop] {
        while (!stop) {
            gSysExReceiving.post(ExtensionMessage::buildKnobTurn(0, 1));
            std::this_thread::yield();
        }
    });
    EXPECT_TRUE(simtest::waitUntil([&] { return kdx().hasPendingMessages(); }));
    service->release();
    service = nullptr;
    stop = true;
    sender.join();
    gSysExReceiving.discardPending();
    EXPECT_EQ(host.platform().idleHandlerCount(), 0);
    EXPECT_EQ(host.projects().notificationCount(), 0);
    EXPECT_EQ(host.updateHandler().totalDependents(), 0);
    EXPECT_EQ(host.actions().handlerCount(), 0);
    EXPECT_TRUE(host.actions().addedActions().empty());
    EXPECT_EQ(gpHostClasses, nullptr);
    pad->channel()->value("volume")->hostSet(0.1f);
    synth->command("turn 0 2");
    for (int i = 0; i < 3; ++i)
        host.idle();
    EXPECT_TRUE(host.waitForMidiInput(10s));
}

TEST_F(ServiceModel, HandlingQueuedMessagesNeverHoldsUpTheReceiveWorker)
{
    start({kVirluxInstrument});
    bool delivered = false;
    // Kept out here: a worker held up would keep the check waiting until the idle call returned.
    std::future<void> drained;
    host.actions().setCommandHandler([&](const std::string&) {
        // The command takes the host a while; meanwhile the page button's message arrives.
        gSysExReceiving.post(ExtensionMessage::buildPageSelect(2));
        drained = std::async(std::launch::async, [] {
            while (gSysExReceiving.pendingCount() > 0)
                std::this_thread::sleep_for(1ms);
        });
        delivered = drained.wait_for(5s) == std::future_status::ready;
    });
    panel("press f1");
    host.actions().setCommandHandler({});
    EXPECT_TRUE(delivered) << "the receive worker waited for the idle call that handled the command";
    settle();
    EXPECT_EQ(display().page, "MIDI");
}

TEST_F(ServiceModel, GoesWhileTheSynthesizerAndTheHostsThreadsPushMessages)
{
    start({kVirluxInstrument});
    SimTrack* pad = project->addTrack(TrackKind::Instrument, u"Pad");
    pad->setInstrument(u"Virlux");
    project->select(pad);
    settle();

    std::atomic<bool> stop{false};
    // Knob turns reach the device on the host's control thread, SysEx (remote mode off) on its MIDI input
    // thread; each pushes about a thousand a second.
    auto push = [&](const char* line) {
        return std::thread([&stop, this, line] {
            while (!stop) {
                synth->command(line);
                std::this_thread::sleep_for(1ms);
            }
        });
    };
    std::thread turner = push("turn 20 1");
    std::thread sysex = push("remote off");
    for (int i = 0; i < 40; ++i) {
        host.clock().advance(10);
        host.idle();
    }
    EXPECT_EQ(service->terminate(), kResultOk);
    service->release();
    service = nullptr;
    for (int i = 0; i < 10; ++i)
        host.idle();
    stop = true;
    turner.join();
    sysex.join();
    EXPECT_TRUE(host.waitForMidiInput(10s));
    EXPECT_EQ(host.updateHandler().totalDependents(), 0);
}
