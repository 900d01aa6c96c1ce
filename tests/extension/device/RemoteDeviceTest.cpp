// The remote device inside the simulated host, wired to the simulated synthesizer.
#include "DeviceHostFixture.h"

#include "CNfunction.h"

#include <atomic>
#include <pthread.h>
#include <thread>

using namespace Quorvane;
using namespace devicetest;
namespace Msg = ExtensionMessage;

namespace {

class RemoteDevice : public DeviceHostTest
{
protected:
    // An installed, open device past its first idle, with the synthesizer's answers to 56 01 taken.
    simhost::SimRemoteDevice* runningDevice()
    {
        simhost::SimRemoteDevice* device = installDevice();
        if (!device)
            return nullptr;
        idle();
        synth->pump();
        EXPECT_TRUE(host.waitForMidiInput(10s));
        EXPECT_TRUE(received.waitForCount(3)) << "56 01, then the synthesizer's 50 00 and 51 00";
        received.clear();
        device->standard().clearLogs();
        synth->output(2)->clearSent();
        return device;
    }
    unsigned channelOf(simhost::SimRemoteDevice* device)
    {
        return static_cast<unsigned>(extensionDevice(device)->SendChannelIndex());
    }
    bool waitForQueued(simhost::SimRemoteDevice* device, int count)
    {
        return waitUntil([&] { return extensionDevice(device)->QueuedMessageCount() == count; });
    }
    std::size_t sentToSynth() { return synth->output(2)->sent().size(); }
};

std::string describe(const simhost::RemoteBinding& b)
{
    using Kind = simhost::RemoteBinding::Kind;
    std::string s = b.layer + ": " + b.control + " -> ";
    if (b.kind == Kind::DeviceValue)
        return s + b.category + " " + b.device + "/" + b.name;
    s += (b.kind == Kind::Command ? "command " : "value ") + b.category + "/" + b.name;
    if (b.kind == Kind::Value)
        s += " " + std::to_string(b.channelSelector);
    return s + " " + std::to_string(b.flags);
}

} // namespace

TEST_F(RemoteDevice, DescribesItsControlsBankAndLayersToTheHost)
{
    const int slotsBefore = SendingChannels::slotCount();
    simhost::SimRemoteDevice* device = installDevice(false);
    ASSERT_NE(device, nullptr);
    simhost::SimRemoteStandard& standard = device->standard();
    EXPECT_EQ(standard.properties(),
              (std::vector<std::pair<std::uint32_t, int32>>{
                  {0x6D696469, 1}, {0x66746368, 1}, {0x77726E67, 24}, {0x6D696578, 1}, {0x3F686273, 0}}));

    const std::vector<simhost::DeclaredControl> controls = standard.controls();
    ASSERT_EQ(controls.size(), 55u);
    struct Expected
    {
        int index;
        const char* name;
        int status;
        int number;
        int flags;
    };
    for (const Expected& e : std::initializer_list<Expected>{
             {0, "AsgnKnob1", 0xB0, 16, 5}, {11, "AsgnKnob12", 0xB0, 27, 5}, {12, "EQKnob1", 0xB0, 28, 5},
             {23, "EQKnob12", 0xB0, 39, 5}, {24, "DataDial", 0xB0, 60, 5},   {25, "Top", 0x90, 88, 1},
             {26, "Rewind", 0x90, 91, 1},   {28, "Stop", 0x90, 93, 1},       {29, "Play", 0x90, 94, 35},
             {30, "Record", 0x90, 95, 35},  {31, "Mute", 0x90, 16, 1},       {32, "Solo", 0x90, 8, 1},
             {33, "Inc", 0x90, 49, 1},      {34, "Dec", 0x90, 48, 1},        {35, "SF1", 0x90, 54, 1},
             {40, "SF6", 0x90, 59, 1},      {41, "F1", 0x90, 60, 1},         {46, "F6", 0x90, 65, 1},
             {47, "Jog", 0x90, 118, 35},    {48, "Lock", 0x90, 119, 35},     {49, "SFBank1", 0x90, 66, 35},
             {54, "SFBank6", 0x90, 71, 35}}) {
        const simhost::DeclaredControl& c = controls[static_cast<std::size_t>(e.index)];
        EXPECT_EQ(c.name, e.name);
        EXPECT_EQ(c.status, e.status) << e.name;
        EXPECT_EQ(c.number, e.number) << e.name;
        EXPECT_EQ(c.flags, e.flags) << e.name;
    }
    for (const simhost::DeclaredControl& c : controls) {
        EXPECT_EQ(c.channel, 0);
        EXPECT_EQ(c.maximum, 127);
    }

    simhost::SimRemoteBank* bank = standard.bank("Mixer");
    ASSERT_NE(bank, nullptr);
    EXPECT_EQ(bank->layers(), (std::vector<std::string>{"Default", "TQ Knob Mode", "Jog Mode", "Restless Mode"}));
    std::vector<std::string> bindings;
    for (const simhost::RemoteBinding& b : bank->bindings())
        bindings.push_back(describe(b));
    EXPECT_EQ(bindings, (std::vector<std::string>{
                            "Default: Top -> command Transport/Return to Zero 1",
                            "Default: Play -> value Transport/start -1 513",
                            "Default: Stop -> value Transport/stop -1 513",
                            "Default: Rewind -> command Transport/Step Back Bar 513",
                            "Default: FastFwd -> command Transport/Step Bar 513",
                            "Default: Record -> value Transport/record -1 769",
                            "Default: Mute -> value Mixer/mute -2 769",
                            "Default: Solo -> value Mixer/solo -2 769",
                            "Default: SF1 -> command AddTrack/Instrument 769",
                            "Default: SF2 -> command Edit/Edit QPX Instrument 769",
                            "Default: SF3 -> command Edit/Edit Channel Settings 769",
                            "Default: SF4 -> command Automation/Toggle Read Enable Selected Tracks 769",
                            "Default: SF5 -> command Automation/Toggle Write Enable Selected Tracks 769",
                            "Default: SF6 -> command Edit/Delete 769",
                            "Default: Inc -> command Preset/Next 769",
                            "Default: Dec -> command Preset/Previous 769",
                            "Jog Mode: Lock -> command Remote/Restless Mode 769",
                            "Restless Mode: Lock -> command Remote/Jog Mode 769",
                            "Jog Mode: Jog -> command Remote/TQ Knob Mode 769",
                            "Restless Mode: Jog -> command Remote/TQ Knob Mode 769",
                            "Jog Mode: DataDial -> Wheel Jog/wheel",
                            "Restless Mode: DataDial -> Wheel Jog/wheel",
                            "TQ Knob Mode: DataDial -> Encoder TQKnob/1:dial",
                            "TQ Knob Mode: Lock -> Encoder TQKnob/1:switch",
                        }));
    ASSERT_EQ(bank->deviceBindings().size(), 2u);
    EXPECT_EQ(bank->deviceBindings()[1]->target(), "Default:Assignable");

    // Its own send channel, numbered after every device before it; the service learns of it.
    CNfunction* channel = SendingChannels::at(extensionDevice(device)->SendChannelIndex());
    ASSERT_NE(channel, nullptr);
    EXPECT_STREQ(channel->name(), ("SysExSending_ZELK_" + std::to_string(slotsBefore + 1)).c_str());
    EXPECT_TRUE(gbRemoteDeviceAdded.load());

    // The first idle asks the host for the starting layer, which tells the device back.
    idle();
    EXPECT_EQ(standard.activeLayer(), "TQ Knob Mode");
    EXPECT_EQ(standard.led(47), 0);
    EXPECT_EQ(standard.led(48), -1) << "the host keeps the Lock LED in TQ Knob Mode";

    // The device keeps the host's classes for its clock and transport with a reference of its own, so
    // the service letting them go leaves it working.
    const int32 references = host.context()->refCount();
    takeHostClassesBack();
    EXPECT_EQ(host.context()->refCount(), references - 1);
    idle(2, 50);
    host.devices().removeRemoteDevices();
    EXPECT_EQ(host.context()->refCount(), references - 2);
}

TEST_F(RemoteDevice, AnnouncesItselfAtItsFirstIdleWhenOpenAndAgainOnceTheHostOpensItAnew)
{
    const Bytes running = sysex({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x56, 0x01, 0xF7});
    simhost::SimRemoteDevice* device = installDevice(false);
    ASSERT_NE(device, nullptr);

    // The first idle comes while the device is closed: nothing is sent then, nor after the host opens it.
    idle();
    device->open();
    idle(3);
    EXPECT_TRUE(device->standard().sentSysEx().empty());
    EXPECT_TRUE(waitUntil([] { return gSysExReceiving.pendingCount() == 0; }));
    EXPECT_TRUE(received.messages().empty());

    // Closed and opened again, as the host does when the synthesizer's ports went and came back: the first
    // idle after the new open (not one while closed) announces the extension to the synthesizer and to the
    // service, and sets the synthesizer's LEDs anew.
    PHWRemoteControl record = g_ctrlMap[30];
    device->remote()->sendController(&record, 30, 127); // the host lights Record
    device->close();
    idle(2);
    EXPECT_TRUE(device->standard().sentSysEx().empty());
    device->standard().clearLogs();
    device->open();
    idle();
    EXPECT_EQ(device->standard().sentSysEx(), std::vector<Bytes>{running});
    EXPECT_EQ(synth->output(2)->sent(), std::vector<Bytes>{running});
    EXPECT_EQ(device->standard().ledLog(), (std::vector<std::pair<int, int>>{{29, 0}, {30, 127}, {49, 127}, {47, 0}}));
    ASSERT_TRUE(received.waitForCount(1));
    EXPECT_EQ(received.messages()[0], sysex({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x56, 0x01, 0xF7}));

    // The synthesizer entered remote mode and told its template, which reaches the service's channel.
    EXPECT_TRUE(synth->display().extensionRunning);
    EXPECT_TRUE(synth->display().remoteMode);
    synth->pump();
    ASSERT_TRUE(received.waitForCount(3));
    const std::vector<Bytes> messages = received.messages();
    EXPECT_EQ(Bytes(messages[1].begin(), messages[1].begin() + 9),
              sysex({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x50, 0x00}));
    EXPECT_EQ(messages[1].size(), 22u);
    EXPECT_EQ(messages[2][7], 0x51);
    EXPECT_EQ(messages[2].size(), 226u);

    idle(3);
    EXPECT_EQ(device->standard().sentSysEx().size(), 1u) << "once per open";

    // A synthesizer whose answer to the announcement reaches the device before the host's send returns:
    // the service still hears of the announcement first, or the refresh it answers with would take the
    // knob names of that answer off the device's queue.
    const Bytes answer = sysex({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x50, 0x00, 0x56, 0x69,
                                0x72, 0x6C, 0x75, 0x78, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0xF7});
    device->close();
    idle();
    ASSERT_TRUE(waitUntil([] { return gSysExReceiving.pendingCount() == 0; }));
    received.clear();
    synth->output(2)->setSink([this, running, answer](const std::vector<std::uint8_t>& bytes) {
        if (bytes == running) {
            synth->input(2)->inject(answer);
            EXPECT_TRUE(host.waitForMidiInput(10s)) << "the answer did not reach the device";
        }
        return true;
    });
    device->open();
    idle();
    ASSERT_TRUE(received.waitForCount(2)) << "the announcement and the answer did not both reach the service";
    EXPECT_EQ(received.messages(),
              (std::vector<Bytes>{sysex({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x56, 0x01, 0xF7}), answer}));
}

TEST_F(RemoteDevice, PutsKnobTurnsButtonPressesAndAcceptedSysExOnTheReceiveChannel)
{
    simhost::SimRemoteDevice* device = runningDevice();
    ASSERT_NE(device, nullptr);
    for (const char* line : {"turn 0 3", "turn 23 -1", "press f3", "press sfbank2", "dial 2", "press play"})
        ASSERT_TRUE(synth->command(line).ok) << line;
    ASSERT_TRUE(host.waitForMidiInput(10s));
    ASSERT_TRUE(received.waitForCount(5));
    const auto fromDevice = [](int a1, int a2, int data) {
        return sysex({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, a1, a2, data, 0xF7});
    };
    EXPECT_EQ(received.messages(),
              (std::vector<Bytes>{fromDevice(0x30, 0x41, 3), fromDevice(0x47, 0x41, 65), fromDevice(0x21, 0x00, 2),
                                  fromDevice(0x22, 0x00, 1), fromDevice(0x22, 0x00, 1)}))
        << "F3's release makes nothing; SFBank2's press and release both select page 1";
    // The dial in TQ Knob Mode and Play go to the host's own handling.
    EXPECT_EQ(device->standard().standardChanges(), (std::vector<std::pair<int, int>>{{24, 2}, {29, 127}, {29, 0}}));
    received.clear();

    // A knob's identifier edited at the synthesizer.
    ASSERT_TRUE(synth->command("edit knob 4 id 0000000ff").ok);
    ASSERT_TRUE(received.waitForCount(1));
    Bytes expected = sysex({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x34, 0x00});
    for (char c : std::string("0000000ff"))
        expected.push_back(static_cast<std::uint8_t>(c));
    expected.push_back(0xF7);
    EXPECT_EQ(received.messages()[0], expected);

    // The host's event holds only the bytes it says it holds: a message cut before its F7 is read no
    // further and dropped; the editor's messages on this port are not the extension's.
    simhost::SimMidiEvent cut{{0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x50, 0x00, 0x41, 0x42}};
    device->remote()->doMidiEvent(&cut);
    synth->input(2)->inject({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x50, 0x00, 0x41, 0xF7});
    synth->input(2)->inject({0xC0, 0x05}); // a program change: the host's own
    ASSERT_TRUE(host.waitForMidiInput(10s));
    EXPECT_EQ(received.messages().size(), 1u);
    EXPECT_EQ(device->standard().midiEventsPassedOn(), 1);
}

TEST_F(RemoteDevice, RefreshesItsLEDsBeforeTheServiceHearsThatTheSynthesizerEnteredRemoteMode)
{
    simhost::SimRemoteDevice* device = runningDevice();
    ASSERT_NE(device, nullptr);
    const auto allDelivered = [] { return gSysExReceiving.pendingCount() == 0; };
    // The last page lights the last SFBank LED; a page past it changes nothing.
    AddSendMessage(channelOf(device), Msg::buildPageIndex(5));
    AddSendMessage(channelOf(device), Msg::buildPageIndex(6));
    ASSERT_TRUE(
        waitUntil([&] { return SendingChannels::at(static_cast<int>(channelOf(device)))->pendingCount() == 0; }));
    idle();
    EXPECT_EQ(extensionDevice(device)->SFPageIndex(), 5);
    EXPECT_EQ(device->standard().ledLog(), (std::vector<std::pair<int, int>>{{54, 127}}));
    PHWRemoteControl record = g_ctrlMap[30];
    device->remote()->sendController(&record, 30, 127); // the host lights Record
    device->standard().clearLogs();
    std::atomic<std::size_t> ledsWhenHeard{0};
    received.setListener([&, standard = &device->standard()](const Bytes& m) {
        if (m.size() == 11 && m[7] == 0x56 && m[8] == 0x00 && m[9] == 1)
            ledsWhenHeard = standard->ledLog().size();
    });

    // Remote mode off reaches the service at once and sets no LED.
    ASSERT_TRUE(synth->command("remote off").ok);
    ASSERT_TRUE(received.waitForCount(1));
    EXPECT_EQ(received.messages()[0], sysex({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x56, 0x00, 0x00, 0xF7}));
    received.clear();

    // Remote mode on, and the template the synthesizer tells after it, wait for the host's thread.
    ASSERT_TRUE(synth->command("remote on").ok);
    ASSERT_TRUE(host.waitForMidiInput(10s));
    ASSERT_TRUE(waitUntil(allDelivered));
    EXPECT_TRUE(received.messages().empty()) << "the service heard of remote mode before the LEDs were set";
    EXPECT_TRUE(device->standard().ledLog().empty()) << "not from the MIDI input thread";
    idle();
    ASSERT_TRUE(received.waitForCount(3));
    const std::vector<Bytes> messages = received.messages();
    EXPECT_EQ(messages[0], sysex({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x56, 0x00, 0x01, 0xF7}));
    EXPECT_EQ(messages[1][7], 0x50);
    EXPECT_EQ(messages[2][7], 0x51);
    EXPECT_EQ(device->standard().ledLog(), (std::vector<std::pair<int, int>>{{29, 0}, {30, 127}, {54, 127}, {47, 0}}));
    EXPECT_EQ(ledsWhenHeard.load(), 4u) << "the service heard of remote mode before the LEDs were set";

    // Nothing is held any more: a knob identifier edited now reaches the service without an idle call.
    ASSERT_TRUE(synth->command("edit knob 11 id 0000000ff").ok);
    ASSERT_TRUE(received.waitForCount(4));
    EXPECT_EQ(received.messages()[3][7], 0x3B);
    received.setListener({});

    // Held when the host closes the device (its ports went): what the synthesizer said, and the page LED
    // asked for, belong to the session that ended. An idle while closed sets no LED and passes nothing on,
    // nor does anything the synthesizer says while closed; the next open starts with the announcement.
    AddSendMessage(channelOf(device), Msg::buildPageIndex(2));
    ASSERT_TRUE(waitUntil([&] { return extensionDevice(device)->SFPageIndex() == 2; }));
    ASSERT_TRUE(synth->command("remote on").ok);
    ASSERT_TRUE(host.waitForMidiInput(10s));
    ASSERT_TRUE(waitUntil(allDelivered));
    received.clear();
    device->close();
    device->standard().clearLogs();
    idle(2);
    ASSERT_TRUE(synth->command("edit knob 10 id 0000000fe").ok);
    ASSERT_TRUE(host.waitForMidiInput(10s));
    idle();
    ASSERT_TRUE(waitUntil(allDelivered));
    EXPECT_TRUE(received.messages().empty()) << "the service heard the closed session's synthesizer";
    EXPECT_TRUE(device->standard().ledLog().empty()) << "LEDs set on a closed device";
    EXPECT_TRUE(device->standard().sentSysEx().empty());
    device->open();
    idle(2);
    ASSERT_TRUE(received.waitForCount(1));
    ASSERT_TRUE(waitUntil(allDelivered));
    EXPECT_EQ(received.messages(),
              std::vector<Bytes>{sysex({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x56, 0x01, 0xF7})})
        << "only the new session's announcement";
    EXPECT_EQ(device->standard().ledLog(), (std::vector<std::pair<int, int>>{{29, 0}, {30, 127}, {51, 127}, {47, 0}}))
        << "the announcement's refresh, once";
}

TEST_F(RemoteDevice, SendsQueuedMessagesAtMostFourPerIdleAndHandlesPageAndJogStopItself)
{
    simhost::SimRemoteDevice* device = runningDevice();
    ASSERT_NE(device, nullptr);
    ZELK_HWRemote* remote = extensionDevice(device);
    const unsigned channel = channelOf(device);

    for (int k = 0; k < 10; ++k)
        AddSendMessage(channel, Msg::buildKnobValue(k, "v" + std::to_string(k)));
    ASSERT_TRUE(waitForQueued(device, 10));
    std::vector<std::size_t> counts;
    for (int i = 0; i < 4; ++i) {
        idle();
        counts.push_back(sentToSynth());
    }
    EXPECT_EQ(counts, (std::vector<std::size_t>{4, 8, 10, 10}));
    EXPECT_EQ(synth->output(2)->sent()[0], sysex({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x30, 0x21, 'v',
                                                  '0',  ' ',  ' ',  ' ',  ' ',  ' ',  ' ',  0x00, 0x00, 0xF7}));
    EXPECT_EQ(synth->display().knobValues[9], "v9");

    // A track name makes the queued knob names and values stale.
    synth->output(2)->clearSent();
    AddSendMessage(channel, Msg::buildKnobName(0, "Cutoff"));
    AddSendMessage(channel, Msg::buildInstrumentName("Piano"));
    AddSendMessage(channel, Msg::buildKnobValue(1, "12"));
    ASSERT_TRUE(waitForQueued(device, 3));
    AddSendMessage(channel, Msg::buildTrackName("Strings"));
    ASSERT_TRUE(waitForQueued(device, 2));
    idle();
    const std::vector<Bytes> sent = synth->output(2)->sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0][7], 0x50);
    EXPECT_EQ(sent[1][7], 0x60);
    EXPECT_EQ(synth->display().track, "Strings");

    // The page lights its SFBank LED at the next idle and the jog-stop setting goes to the knob manager;
    // neither reaches the synthesizer.
    synth->output(2)->clearSent();
    AddSendMessage(channel, Msg::buildPageIndex(3));
    AddSendMessage(channel, Msg::buildJogStopState(false));
    ASSERT_TRUE(waitUntil([&] { return !remote->JogStopSetting(); }));
    idle();
    EXPECT_EQ(device->standard().led(52), 127);
    EXPECT_EQ(remote->SFPageIndex(), 3);
    EXPECT_TRUE(synth->output(2)->sent().empty());

    // Closed, it takes nothing: neither messages for the synthesizer nor the page or the jog-stop setting.
    device->close();
    AddSendMessage(channel, Msg::buildKnobName(2, "Gone"));
    AddSendMessage(channel, Msg::buildJogStopState(true));
    AddSendMessage(channel, Msg::buildPageIndex(0));
    ASSERT_TRUE(waitUntil([&] { return SendingChannels::at(static_cast<int>(channel))->pendingCount() == 0; }));
    idle();
    EXPECT_EQ(remote->QueuedMessageCount(), 0);
    EXPECT_FALSE(remote->JogStopSetting());
    EXPECT_EQ(remote->SFPageIndex(), 3);
    EXPECT_EQ(device->standard().led(49), -1);

    // Open again; closing sends what is still queued first.
    device->open();
    for (int k = 0; k < 3; ++k)
        AddSendMessage(channel, Msg::buildKnobName(k, "K" + std::to_string(k)));
    ASSERT_TRUE(waitForQueued(device, 3));
    device->close();
    EXPECT_EQ(synth->output(2)->sent().size(), 3u);
    EXPECT_EQ(device->standard().closeCount(), 2);
}

TEST_F(RemoteDevice, TurnsTheDialIntoCursorMotionByLayer)
{
    simhost::SimRemoteDevice* device = runningDevice();
    ASSERT_NE(device, nullptr);
    simhost::SimRemoteStandard& standard = device->standard();
    simhost::SimTransport& transport = host.transport();
    const auto dialSteps = [&] {
        std::vector<int> steps;
        for (const auto& [index, value] : standard.standardChanges())
            if (index == 24)
                steps.push_back(value < 64 ? value : value - 128);
        return steps;
    };
    const auto command = [&](const char* line) {
        ASSERT_TRUE(synth->command(line).ok) << line;
        ASSERT_TRUE(host.waitForMidiInput(10s));
    };
    AddSendMessage(channelOf(device), Msg::buildJogStopState(false));
    ASSERT_TRUE(waitUntil([&] { return !extensionDevice(device)->JogStopSetting(); }));

    // Jog, pressed in TQ Knob Mode, asks the host for Jog Mode.
    command("press jog");
    idle(2);
    EXPECT_EQ(standard.activeLayer(), "Jog Mode");
    EXPECT_EQ(standard.led(47), 127);
    EXPECT_EQ(standard.led(48), 0);

    // In Jog Mode a turn moves the cursor at once and then keeps moving it, slowing down.
    standard.clearLogs();
    command("dial 3");
    idle(6, 50);
    EXPECT_EQ(dialSteps(), (std::vector<int>{3, 3, 2, 1}));
    EXPECT_EQ(transport.position(), 9.0);

    // Play during a motion stops it and reaches the host 200 ms later, pressed and let go. (Its own
    // release passes at once: the motion had already stopped.)
    using Changes = std::vector<std::pair<int, int>>;
    standard.clearLogs();
    command("dial 5");
    idle(1, 50);
    command("press play");
    idle(2, 50);
    EXPECT_EQ(standard.standardChanges(), (Changes{{24, 5}, {24, 5}, {29, 0}}));
    idle(4, 50);
    EXPECT_EQ(standard.standardChanges(), (Changes{{24, 5}, {24, 5}, {29, 0}, {29, 127}, {29, 0}}));

    // Lock in Jog Mode is the host's "Remote" command to Restless Mode.
    command("press lock");
    idle(2);
    EXPECT_EQ(standard.activeLayer(), "Restless Mode");
    EXPECT_EQ(standard.led(48), 127);

    // In Restless Mode a single step runs on until the cursor stops moving: held at the project's end,
    // the tenth unchanged reading stops it.
    transport.setFrozen(true);
    standard.clearLogs();
    command("dial 1");
    idle(20, 50);
    EXPECT_EQ(dialSteps(), std::vector<int>(12, 1)) << "the turn itself and eleven cursor steps";
}

TEST_F(RemoteDevice, StopsItsSenderWhenTheHostReleasesItWithoutTerm)
{
    simhost::SimRemoteDevice* device = runningDevice();
    ASSERT_NE(device, nullptr);
    const unsigned channel = channelOf(device);
    std::atomic<bool> stop{false};
    std::atomic<int> posted{0};
    std::thread service([&] {
        while (!stop.load()) {
            AddSendMessage(channel, Msg::buildKnobName(posted.load() % 24, "Flood"));
            ++posted;
        }
    });
    std::thread midi([&, input = synth->input(2)] {
        while (!stop.load()) {
            input->inject({0xB0, 0x10, 0x01});
            input->inject({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x56, 0x00, 0x00, 0xF7});
        }
    });
    EXPECT_TRUE(waitUntil([&] { return extensionDevice(device)->QueuedMessageCount() > 0; }));
    EXPECT_TRUE(received.waitForCount(2));

    host.devices().removeRemoteDevices(/*callTerm=*/false);
    EXPECT_EQ(SendingChannels::at(static_cast<int>(channel)), nullptr);
    const int after = posted.load();
    EXPECT_TRUE(waitUntil([&] { return posted.load() > after + 100; })) << "posting on goes nowhere";
    stop = true;
    service.join();
    midi.join();
    EXPECT_TRUE(host.waitForMidiInput(10s));
}

TEST_F(RemoteDevice, KeepsGoingWhenItsPortsVanishWhileItSends)
{
    simhost::SimRemoteDevice* device = runningDevice();
    ASSERT_NE(device, nullptr);
    for (int k = 0; k < 8; ++k)
        AddSendMessage(channelOf(device), Msg::buildKnobValue(k, "x"));
    ASSERT_TRUE(waitForQueued(device, 8));
    idle();
    EXPECT_EQ(sentToSynth(), 4u);
    const int ports = host.registry().liveCount("Port");

    simhost::SimPort* output = synth->output(2);
    host.ports().removePort(output);
    host.ports().removePort(synth->input(2));
    idle(2);
    EXPECT_EQ(extensionDevice(device)->QueuedMessageCount(), 0);
    EXPECT_EQ(output->sent().size(), 4u) << "nothing reaches a vanished port";
    EXPECT_EQ(device->standard().sentSysEx().size(), 8u);
    EXPECT_EQ(host.registry().liveCount("Port"), ports) << "the device still holds its ports";

    const int32 held = output->refCount();
    host.devices().removeRemoteDevices();
    EXPECT_EQ(output->refCount(), held - 1) << "and lets them go when it goes";
    EXPECT_EQ(synth->input(2)->refCount(), 1) << "only the synthesizer that made it holds it now";
}

TEST_F(RemoteDevice, IdlesWithoutTouchingTheHostWhenItsInitFailed)
{
    const auto failedInit = [&](const char* step, bool withStandard) {
        SCOPED_TRACE(step);
        auto* remote = static_cast<IHWRemote*>(host.createInstance(kZELK_HWRemote_cid, IHWRemote::iid));
        ASSERT_NE(remote, nullptr);
        auto* standard =
            simhost::makeHostObject<simhost::SimRemoteStandard>(host.registry().shared_from_this(), nullptr);
        const int slots = SendingChannels::slotCount();
        EXPECT_FALSE(remote->init(withStandard ? standard : nullptr));
        // The knob manager asked for its first layer when it was made, and Jog asks for another; the host
        // opens the device, idles it, lights a control and passes it a message all the same.
        remote->open();
        remote->onIdle();
        remote->changeValue(ZELK_HWRemote::kJog, 127);
        simhost::SimMidiEvent remoteOn{{0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x56, 0x00, 0x01, 0xF7}};
        remote->doMidiEvent(&remoteOn);
        PHWRemoteControl record = g_ctrlMap[30];
        remote->sendController(&record, 30, 127);
        remote->onIdle();
        remote->onIdle();
        remote->close();
        EXPECT_EQ(standard->activeLayer(), "");
        EXPECT_TRUE(standard->sentSysEx().empty());
        EXPECT_TRUE(standard->ledLog().empty());
        EXPECT_TRUE(standard->standardChanges().empty());
        EXPECT_EQ(standard->openCount(), 0);
        for (int slot = slots; slot < SendingChannels::slotCount(); ++slot)
            EXPECT_EQ(SendingChannels::at(slot), nullptr) << "a sender channel outlived the failed init";
        remote->release();
        standard->release();
    };
    failedInit("a null standard interface", false);
    // The system refuses the sender's thread, after the host took the controls and the bank.
    {
        pthread_attr_t saved;
        ASSERT_EQ(pthread_getattr_default_np(&saved), 0);
        pthread_attr_t huge;
        pthread_attr_init(&huge);
        pthread_attr_setstacksize(&huge, std::size_t{1} << 50);
        ASSERT_EQ(pthread_setattr_default_np(&huge), 0);
        failedInit("no thread for the sender", true);
        pthread_setattr_default_np(&saved);
        pthread_attr_destroy(&huge);
        pthread_attr_destroy(&saved);
    }
    // No service took the host's classes.
    takeHostClassesBack();
    failedInit("no host classes", true);
}

TEST_F(RemoteDevice, TheHostClosesADeviceWhosePortsVanishAndOpensItAgainOnThePortsThatReplaceThem)
{
    // A second synthesizer makes the second (last) device of the host's list.
    auto second = std::make_unique<simhost::SimSynthPorts>(host.ports(), std::string("B ") + kRemoteDeviceName);
    ASSERT_EQ(detect(), kResultOk);
    const std::vector<simhost::SimRemoteDevice*> devices = host.remoteDevices();
    ASSERT_EQ(devices.size(), 2u);
    simhost::SimRemoteDevice* last = devices[1];
    ASSERT_EQ(last->inputPort(), second->input(2));
    for (simhost::SimRemoteDevice* device : devices)
        device->open();
    idle();
    second->pump();
    ASSERT_TRUE(host.waitForMidiInput(10s));
    EXPECT_TRUE(second->display().remoteMode);

    // Switched off: its ports vanish and the host closes its device, and only that one.
    simhost::SimPort* oldInput = second->input(2);
    second.reset();
    idle(2);
    EXPECT_FALSE(last->isOpen());
    EXPECT_TRUE(devices[0]->isOpen());
    EXPECT_EQ(last->standard().hostActions().back(), "device closed: its ports are gone");
    EXPECT_EQ(last->inputPort(), oldInput) << "kept until ports of its name are back";

    // Switched on: the host connects the device to the new ports and opens it; it announces itself and
    // the synthesizer is in remote mode again.
    second = std::make_unique<simhost::SimSynthPorts>(host.ports(), std::string("B ") + kRemoteDeviceName);
    EXPECT_FALSE(second->display().extensionRunning);
    idle();
    EXPECT_TRUE(last->isOpen());
    EXPECT_EQ(last->inputPort(), second->input(2));
    EXPECT_EQ(last->outputPort(), second->output(2));
    EXPECT_EQ(last->standard().openCount(), 2);
    EXPECT_EQ(last->standard().hostActions().back(), "device opened: its ports are back");
    EXPECT_TRUE(second->display().extensionRunning);
    EXPECT_TRUE(second->display().remoteMode);
    EXPECT_EQ(devices[0]->standard().openCount(), 1);
    ASSERT_TRUE(second->command("turn 23 1").ok);
    ASSERT_TRUE(host.waitForMidiInput(10s));
    EXPECT_TRUE(last->deliveries().back().isChange);
    EXPECT_EQ(last->deliveries().back().index, 23);
}
