// The simulated synthesizer on in-process MIDI ports: the ports it shows, and its answers through them.
#include "SimSynthMidi.h"
#include "VirtualMidiFixture.h"
#include "sim_midi_support.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using namespace zelksim;
using simtest::Collector;

namespace {

// The dump the synthesizer sends of one template, built here from its image.
Bytes expectedDump(std::uint8_t area, int t, const TemplateImage& image)
{
    std::vector<Bytes> messages{buildBulkHeader(0, kFromSynth, area, static_cast<std::uint8_t>(t))};
    for (int block = 0; block < kBlockCount; ++block) {
        messages.push_back(buildBulkBlock(0, kFromSynth, block, image.block(block)));
    }
    messages.push_back(buildBulkFooter(0, kFromSynth, area, static_cast<std::uint8_t>(t)));
    return simtest::joined(messages);
}

class SimSynthOnVirtualPorts : public kwtest::VirtualMidiTest
{
protected:
    void SetUp() override
    {
        kwtest::VirtualMidiTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
    }

    void start(SynthOptions options)
    {
        std::string error;
        synth = SynthMidi::create(client, options, kDefaultDeviceName, &error);
        ASSERT_NE(synth, nullptr) << error;
        const std::string port1 = std::string(kDefaultDeviceName) + " Port1";
        const std::string port5 = std::string(kDefaultDeviceName) + " Port5";
        ASSERT_TRUE(sense.connect(*client, simtest::indexOf(client->sources(), kDefaultDeviceName, port1)));
        ASSERT_TRUE(sysex.connect(*client, simtest::indexOf(client->sources(), kDefaultDeviceName, port5)));
        toSynth = client->openDestination(simtest::indexOf(client->destinations(), kDefaultDeviceName, port5));
        ASSERT_NE(toSynth, nullptr);
    }

    void TearDown() override
    {
        toSynth.reset();
        sense.disconnect();
        sysex.disconnect();
        synth.reset();
    }

    void send(const Bytes& bytes) { ASSERT_TRUE(toSynth->send(bytes.data(), bytes.size())); }

    std::unique_ptr<SynthMidi> synth;
    Collector sense;
    Collector sysex;
    std::unique_ptr<kwmidi::OutputConnection> toSynth;
};

} // namespace

TEST_F(SimSynthOnVirtualPorts, ShowsFiveInputsAndOutputsOfOneDevice)
{
    auto synth = SynthMidi::create(client);
    ASSERT_NE(synth, nullptr);
    for (const auto& list : {client->sources(), client->destinations()}) {
        for (int port = 1; port <= kPortCount; ++port) {
            const std::string name = std::string(kDefaultDeviceName) + " Port" + std::to_string(port);
            EXPECT_GE(simtest::indexOf(list, kDefaultDeviceName, name), 0) << name;
        }
    }
    synth.reset();
    EXPECT_TRUE(client->sources().empty()) << "the ports go with the synthesizer";
    EXPECT_TRUE(client->destinations().empty());

    SynthOptions bad;
    bad.sysexPort = 6;
    std::string error;
    EXPECT_EQ(SynthMidi::create(client, bad, kDefaultDeviceName, &error), nullptr);
    EXPECT_FALSE(error.empty());

    // Its memory is set before its ports appear; a preparation that fails leaves no ports behind.
    bool portsWhilePreparing = true;
    synth = SynthMidi::create(client, {}, kDefaultDeviceName, &error, [&](SynthCore& core, Millis now) {
        portsWhilePreparing = !client->sources().empty();
        return runCommand(core, "edit instrument Virlux", now).ok;
    });
    ASSERT_NE(synth, nullptr) << error;
    EXPECT_FALSE(portsWhilePreparing);
    EXPECT_EQ(
        synth->withCore([](SynthCore& core, Millis) { return core.editTemplate(0).text(fields::instrumentName()); }),
        "Virlux");
    synth.reset();
    error.clear();
    EXPECT_EQ(SynthMidi::create(client, {}, kDefaultDeviceName, &error, [](SynthCore&, Millis) { return false; }),
              nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(client->sources().empty());
}

TEST_F(SimSynthOnVirtualPorts, SendsActiveSensingOnPort1Only)
{
    SynthOptions options;
    options.senseInterval = 10;
    start(options);
    ASSERT_TRUE(sense.waitForBytes(3, 5s)) << "no active sensing came on Port1";
    const Bytes got = sense.take();
    EXPECT_EQ(got, Bytes(got.size(), kActiveSensing));
    EXPECT_TRUE(synth->waitUntilSent(5s));
    EXPECT_TRUE(sysex.take().empty()) << "nothing but sensing was asked for";
}

TEST_F(SimSynthOnVirtualPorts, AnswersRequestsDumpsAndPanelCommandsThroughItsPorts)
{
    SynthOptions options;
    options.senseInterval = 0;
    start(options);
    ASSERT_TRUE(synth->command("fill 11").ok);

    // A bulk request cut into small pieces by the way it travels.
    const Bytes request = buildBulkRequest(0, kAreaEditBuffer, 21);
    send(Bytes(request.begin(), request.begin() + 3));
    send(Bytes(request.begin() + 3, request.end()));
    const Bytes dump = expectedDump(kAreaEditBuffer, 21, TemplateImage::pattern(12, 21));
    ASSERT_TRUE(sysex.waitForBytes(dump.size(), 5s)) << "the dump did not come";
    EXPECT_EQ(sysex.take(), dump);

    // A dump from the editor, acknowledged after its footer.
    const TemplateImage image = TemplateImage::pattern(77, 3);
    send(buildBulkHeader(0, kFromEditor, kAreaStored, 3));
    for (int block = 0; block < kBlockCount; ++block) {
        send(buildBulkBlock(0, kFromEditor, block, image.block(block)));
    }
    send(buildBulkFooter(0, kFromEditor, kAreaStored, 3));
    ASSERT_TRUE(sysex.waitForBytes(5, 5s)) << "no acknowledge";
    EXPECT_EQ(sysex.take(), buildBulkAck(0));
    EXPECT_EQ(synth->withCore([](SynthCore& core, Millis) { return core.storedTemplate(3); }), image);

    // The panel's edits go out on Port5 too.
    ASSERT_TRUE(synth->command("select 8").ok);
    ASSERT_TRUE(synth->command("store").ok);
    ASSERT_TRUE(synth->waitUntilSent(5s));
    Bytes expected = buildParamChange(0, kFromSynth, kAddrTemplateNumber, 0, Bytes{8});
    const Bytes store = buildStoreCommand(0, kFromSynth);
    expected.insert(expected.end(), store.begin(), store.end());
    ASSERT_TRUE(sysex.waitForBytes(expected.size(), 5s));
    EXPECT_EQ(sysex.take(), expected);
}

TEST_F(SimSynthOnVirtualPorts, SlowRepliesAndSilenceHoldTheAnswersBack)
{
    SynthOptions options;
    options.senseInterval = 5;
    start(options);
    ASSERT_TRUE(sense.waitForBytes(1, 5s));

    ASSERT_TRUE(synth->command("fault delay 150").ok);
    const Millis asked = synth->now();
    send(buildParamRequest(0, kAddrTemplateNumber, 0));
    ASSERT_TRUE(sysex.waitForBytes(11, 5s));
    EXPECT_GE(synth->now() - asked, 150) << "the reply came early";
    sysex.take();

    ASSERT_TRUE(synth->command("fault silent on").ok);
    ASSERT_TRUE(synth->waitUntilSent(5s));
    sense.take();
    send(buildParamRequest(0, kAddrTemplateNumber, 0));
    // Nothing may come while silent: a few sensing intervals without a byte.
    EXPECT_FALSE(sense.waitForBytes(1, 100ms));
    EXPECT_FALSE(sysex.waitForBytes(1, 1ms));
    ASSERT_TRUE(synth->command("fault clear").ok);
    EXPECT_TRUE(sense.waitForBytes(1, 5s)) << "sensing did not come back";
    send(buildParamRequest(0, kAddrTemplateNumber, 0));
    EXPECT_TRUE(sysex.waitForBytes(11, 5s)) << "a request after the silence is answered";
}

TEST_F(SimSynthOnVirtualPorts, GoesAwayCleanlyInTheMiddleOfTraffic)
{
    SynthOptions options;
    options.senseInterval = 1;
    start(options);
    for (int t = 0; t < kTemplateCount; ++t) {
        send(buildBulkRequest(0, kAreaStored, static_cast<std::uint8_t>(t)));
    }
    synth.reset();
    SUCCEED();
}
