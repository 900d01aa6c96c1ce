// Many full transfers back to back between the editor's engine and the simulated synthesizer on
// in-process ports, which lose nothing: any transfer that stalls there stalls in the engine.
#include "SimSynthMidi.h"

#include "VirtualMidiFixture.h"
#include "engine_support.h"
#include "stress_support.h"

#include <gtest/gtest.h>

using namespace enginetest;
using zelksim::SynthCore;
using zelksim::TemplateImage;

namespace {

constexpr int kTransfers = 200;

TEST(EngineStress, TwoHundredFullTransfersInProcessNeverStall)
{
    qputenv(kwmidi::kBackendVariable, "virtual");
    auto client = kwmidi::Client::acquire();
    zelksim::SynthOptions options;
    options.senseInterval = 0;
    std::string error;
    auto synth = zelksim::SynthMidi::create(client, options, zelksim::kDefaultDeviceName, &error);
    ASSERT_NE(synth, nullptr) << error;
    RemoteMemAPI api;
    makeNineBanks(api);
    const QString device = QString::fromLatin1(zelksim::kDefaultDeviceName);
    ASSERT_TRUE(api.createMIDIComunicationRoute(portNumber(api.getInputPortList(), device, " Port1"),
                                                portNumber(api.getInputPortList(), device, " Port5"),
                                                portNumber(api.getOutputPortList(), device, " Port5")));
    for (int t = 0; t < 50; ++t) {
        writeTemplate(api, 0, t, TemplateImage::pattern(30, t));
        writeTemplate(api, 1, t, TemplateImage::pattern(31, t));
    }
    auto stats = [&] { return synth->withCore([](SynthCore& c, zelksim::Millis) { return c.stats(); }); };

    TransferChain chain(api, 10s, [&] {
        const zelksim::SynthStats s = stats();
        return "synthesizer answered " + std::to_string(s.bulkRequestsAnswered) + " requests, acknowledged " +
               std::to_string(s.acksSent) + " dumps, rejected " + std::to_string(s.rejected) + "; bulk reception " +
               (api.getBulkRecieveEnableFlag() ? "on" : "off");
    });
    ASSERT_TRUE(chain.run(kTransfers)) << "a transfer could not start";
    EXPECT_EQ(chain.stalls().size(), 0u) << chain.stallReport();
    EXPECT_GE(chain.completed(), kTransfers);

    // Nothing was lost on the way either: the last receive brought back what the sends put there.
    ASSERT_TRUE(synth->waitUntilSent(5s));
    for (int t = 0; t < 50; ++t) {
        ASSERT_EQ(templateDifference(api, 2, t, TemplateImage::pattern(31, t)), "");
        ASSERT_EQ(templateDifference(api, 3, t, TemplateImage::pattern(30, t)), "");
    }
}

} // namespace
