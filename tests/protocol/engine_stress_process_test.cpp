// Many full transfers back to back between the editor's engine and zelk-sim in another process over
// the machine's MIDI system (a JACK server of the test's own, with short periods so that round trips
// are quick), while the server also carries active sensing.
#include "EndpointIndex.h"
#include "MachinePace.h"
#include "MessageEncoder.h"
#include "MidiSystem.h"
#include "SimSynthTemplate.h"
#include "TestEnvironment.h"
#include "engine_support.h"
#include "private_jack.h"
#include "stress_support.h"
#include "zelk_sim_process.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <cstdio>

#include <gtest/gtest.h>

using namespace enginetest;
using zelksim::TemplateImage;

namespace {

constexpr int kTransfers = 50;

TEST(EngineStressAcrossProcesses, FiftyFullTransfersWithZelkSimOverJackNeverStall)
{
    simtest::PrivateJackServer server;
    QString why;
    if (!server.start(256, &why))
        GTEST_SKIP() << why.toStdString();
    auto client = simtest::machineMidiClient();
    ASSERT_TRUE(client->isAvailable()) << "the private JACK server does not answer this process";
    // The stall deadline, the waits and the encoder's patience are an idle machine's, stretched by how fast
    // this one runs now: a transfer that is slow but goes on is no stall.
    kwtest::MachinePace pace;
    ASSERT_TRUE(pace.measure()) << "no program could be run: the machine's pace is unknown";
    std::printf("machine pace: %s\n", pace.describe().c_str());
    std::fflush(stdout);

    const QString device = QStringLiteral("Telvor ZELK6/ZELK8 S%1").arg(QCoreApplication::applicationPid());
    QProcess sim;
    const QString simLog = kwtest::isolatedRoot() + "/stress-zelk-sim.err";
    sim.setStandardErrorFile(simLog);
    sim.start(QStringLiteral(KW_ZELK_SIM), {"--name", device, "--sense", "100", "--fill", "3", "--verbose"});
    ASSERT_TRUE(sim.waitForStarted(10000)) << "zelk-sim did not start";
    ASSERT_TRUE(waitFor([&] { return sim.canReadLine(); }, pace.stretch(simtest::kZelkSimReadyDeadline)))
        << "zelk-sim never said ready";
    ASSERT_TRUE(sim.readLine().startsWith("ready"));
    ASSERT_TRUE(waitFor([&] { return devicesWithFivePorts(client, device.toStdString()) == 1; }, pace.stretch(30s)))
        << "zelk-sim's ports were not listed";

    RemoteMemAPI api;
    api.setAnswerTimeout(pace.stretchMs(MessageEncoder::kDefaultAnswerTimeoutMs),
                         MessageEncoder::kDefaultAnswerRetries);
    makeNineBanks(api);
    const int in1 = portNumber(api.getInputPortList(), device, " Port1");
    const int in5 = portNumber(api.getInputPortList(), device, " Port5");
    const int out5 = portNumber(api.getOutputPortList(), device, " Port5");
    ASSERT_TRUE(in1 > 0 && in5 > 0 && out5 > 0) << api.getInputPortList().join('|').toStdString();
    ASSERT_TRUE(api.createMIDIComunicationRoute(in1, in5, out5));
    for (int t = 0; t < 50; ++t) {
        writeTemplate(api, 0, t, TemplateImage::pattern(40, t));
        writeTemplate(api, 1, t, TemplateImage::pattern(41, t));
    }

    // The stall report gives the engine's side and the last events zelk-sim reported.
    TransferChain chain(api, pace.stretch(30s), [&] {
        QFile log(simLog);
        QByteArrayList lines;
        if (log.open(QIODevice::ReadOnly))
            lines = log.readAll().trimmed().split('\n');
        const QByteArrayList last = lines.mid(std::max<qsizetype>(0, lines.size() - 3));
        return std::string("bulk reception ") + (api.getBulkRecieveEnableFlag() ? "on" : "off") + ", route " +
               (api.isMIDIRouteLinked() ? "linked" : "unlinked") +
               "; zelk-sim last said: " + last.join(" | ").toStdString();
    });
    ASSERT_TRUE(chain.run(kTransfers)) << "a transfer could not start";
    EXPECT_EQ(chain.stalls().size(), 0u) << chain.stallReport();
    EXPECT_GE(chain.completed(), kTransfers);
    for (int t = 0; t < 50; ++t) {
        ASSERT_EQ(templateDifference(api, 2, t, TemplateImage::pattern(41, t)), "");
        ASSERT_EQ(templateDifference(api, 3, t, TemplateImage::pattern(40, t)), "");
    }
    api.deleteMIDIComunicationRoute();
    simtest::stopZelkSim(sim);
}

} // namespace
