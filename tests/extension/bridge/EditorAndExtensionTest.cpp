// Knobwright and Dialbridge meet only in the synthesizer's memory: the editor's engine writes a template
// into the simulated synthesizer, and the extension, loaded by the simulated host from the built library
// and connected to the same synthesizer, binds the template's knobs to the selected track's instrument,
// shows the parameters' names on the synthesizer's display, and turns the right parameter when a knob is
// turned at the synthesizer.
#include "SimSynthMidi.h"

#include "DbHostMachinePorts.h"
#include "DbHostSession.h"
#include "VirtualMidiFixture.h"
#include "engine_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>

using namespace enginetest;
using zelksim::TemplateImage;

namespace {

class EditorAndExtension : public kwtest::VirtualMidiTest
{
protected:
    void SetUp() override
    {
        kwtest::VirtualMidiTest::SetUp();
        if (HasFatalFailure())
            return;
        zelksim::SynthOptions options;
        options.senseInterval = 0;
        std::string error;
        synth = zelksim::SynthMidi::create(client, options, zelksim::kDefaultDeviceName, &error);
        ASSERT_NE(synth, nullptr) << error;
        api = std::make_unique<RemoteMemAPI>();
        makeNineBanks(*api);
        QObject::connect(api.get(), &RemoteMemAPI::completeBulkTransmit, [this] { ++transmitted; });
        const QString device = QString::fromLatin1(zelksim::kDefaultDeviceName);
        const int in1 = portNumber(api->getInputPortList(), device, " Port1");
        const int in5 = portNumber(api->getInputPortList(), device, " Port5");
        const int out5 = portNumber(api->getOutputPortList(), device, " Port5");
        ASSERT_TRUE(in1 > 0 && in5 > 0 && out5 > 0) << api->getInputPortList().join(", ").toStdString();
        ASSERT_TRUE(api->createMIDIComunicationRoute(in1, in5, out5));
        log = std::tmpfile();
        ASSERT_NE(log, nullptr);
    }
    void TearDown() override
    {
        ports.reset();
        session.reset();
        api.reset();
        synth.reset();
        if (log)
            std::fclose(log);
    }

    zelksim::RemoteDisplay display()
    {
        return synth->withCore([](zelksim::SynthCore& c, zelksim::Millis) { return c.display(); });
    }
    // Host idle turns (10 ms apart on the host's clock) with the event loop running, until done().
    bool idleUntil(const std::function<bool()>& done)
    {
        return waitFor([&] {
            session->idle(1, 10);
            return done();
        });
    }

    std::unique_ptr<zelksim::SynthMidi> synth;
    std::unique_ptr<RemoteMemAPI> api;
    std::atomic<int> transmitted{0};
    std::FILE* log = nullptr;
    std::unique_ptr<simhost::DbHostSession> session;
    std::unique_ptr<simhost::DbHostMachinePorts> ports;
};

} // namespace

TEST_F(EditorAndExtension, ATemplateTheEditorWritesDrivesTheSelectedInstrumentThroughTheSynthesizer)
{
    // The editor: a template for the Virlux with three of its parameters on the first three knobs, sent
    // to the synthesizer's edit buffer, where it is the current template.
    namespace f = zelksim::fields;
    TemplateImage image;
    image.setText(f::templateName(), "Virlux Lead");
    image.setText(f::instrumentName(), "Virlux");
    const char* identifiers[] = {"000000010", "000000011", "000000012"};
    for (int k = 0; k < 12; ++k)
        image.setText(f::knobRemoteNumber(k), k < 3 ? identifiers[k] : "200000000");
    writeTemplate(*api, 0, 0, image);
    api->setWaitingBulkTransmit(true);
    ASSERT_TRUE(api->sendEditorAllData(true));
    ASSERT_TRUE(waitFor([&] { return transmitted > 0; })) << "the editor's send did not complete";
    ASSERT_TRUE(synth->waitUntilSent(5s));
    const TemplateImage written =
        synth->withCore([](zelksim::SynthCore& c, zelksim::Millis) { return c.editTemplate(0); });
    ASSERT_EQ(written.text(f::instrumentName()), "Virlux");
    ASSERT_EQ(synth->withCore([](zelksim::SynthCore& c, zelksim::Millis) { return c.currentTemplate(); }), 0);

    // The host: the extension loaded from its library, the synthesizer's ports as the host's, and a
    // project whose selected track plays the Virlux.
    session = std::make_unique<simhost::DbHostSession>(log);
    std::string error;
    ASSERT_TRUE(session->load(DIALBRIDGE_PATH, &error)) << error;
    ports = std::make_unique<simhost::DbHostMachinePorts>(session->host(), client);
    ports->refresh();
    ASSERT_TRUE(ports->hasPortNamed(std::string(zelksim::kDefaultDeviceName) + " Port2"));
    session->openDemoProject();
    ASSERT_EQ(session->detect(), 0);
    ports->listen();
    session->openDevices();

    // The template's three parameter names and values reach the synthesizer's display.
    ASSERT_TRUE(idleUntil([&] {
        const zelksim::RemoteDisplay shown = display();
        return shown.knobValues[2] == "5.0";
    })) << display().describe();
    zelksim::RemoteDisplay shown = display();
    EXPECT_EQ(shown.track, "Pad");
    EXPECT_EQ(shown.knobNames[0], "Cutoff");
    EXPECT_EQ(shown.knobNames[1], "Resonance");
    EXPECT_EQ(shown.knobNames[2], "Attack");
    EXPECT_EQ(shown.knobNames[3], "*No Assign");
    EXPECT_EQ(shown.knobValues[0], "64.0");

    // A knob turned at the synthesizer changes the parameter the template named for it, and only that.
    simhost::SimValue* cutoff = session->demoParameter("cutoff");
    simhost::SimValue* resonance = session->demoParameter("resonance");
    ASSERT_TRUE(cutoff && resonance);
    ASSERT_TRUE(synth->command("turn 1 3").ok);
    ASSERT_TRUE(idleUntil([&] { return display().knobValues[1] == "20.4"; })) << display().describe();
    EXPECT_FLOAT_EQ(resonance->current(), 20 + 127 * 3.0f / 1024);
    EXPECT_FLOAT_EQ(cutoff->current(), 64);
    EXPECT_TRUE(cutoff->writes().empty());
    session->close();
}
