// The editor's engine over the machine's MIDI system (a JACK server here) against zelk-sim running as
// a program of its own: the full receive and the full send across processes.
#include "MachinePace.h"
#include "MessageEncoder.h"
#include "MidiSystem.h"
#include "SimSynthTemplate.h"
#include "TestEnvironment.h"
#include "engine_support.h"
#include "zelk_sim_process.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

using namespace enginetest;
using zelksim::TemplateImage;

namespace {

constexpr int kSeed = 9;

class EngineAcrossProcesses : public ::testing::Test
{
protected:
    void SetUp() override
    {
        client = simtest::machineMidiClient();
        ASSERT_EQ(client->backend(), kwmidi::Backend::System);
        if (!client->isAvailable())
            GTEST_SKIP() << simtest::kSkipWithoutServer;
        // The waits and the encoder's patience below are an idle machine's, stretched by how fast this one
        // runs now: no time-out is what this test is about.
        ASSERT_TRUE(pace.measure()) << "no program could be run: the machine's pace is unknown";
        std::printf("machine pace: %s\n", pace.describe().c_str());
        std::fflush(stdout);
        api.setAnswerTimeout(pace.stretchMs(MessageEncoder::kDefaultAnswerTimeoutMs),
                             MessageEncoder::kDefaultAnswerRetries);
        sim.setStandardErrorFile(kwtest::isolatedRoot() + "/engine-zelk-sim.err");
        sim.start(QStringLiteral(KW_ZELK_SIM), {"--name", device, "--sense", "50", "--fill", QString::number(kSeed)});
        ASSERT_TRUE(sim.waitForStarted(10000)) << "zelk-sim did not start";
        ASSERT_TRUE(waitFor([&] { return sim.canReadLine(); }, pace.stretch(simtest::kZelkSimReadyDeadline)))
            << "zelk-sim never said ready";
        ASSERT_TRUE(sim.readLine().startsWith("ready"));
        makeNineBanks(api);
        QObject::connect(&api, &RemoteMemAPI::completeBulkReceive, [this] { ++received; });
        QObject::connect(&api, &RemoteMemAPI::completeBulkTransmit, [this] { ++transmitted; });
        QObject::connect(&api, &RemoteMemAPI::portActivated, [this] { ++activated; });
    }
    void TearDown() override
    {
        api.deleteMIDIComunicationRoute();
        simtest::stopZelkSim(sim);
    }

    // The route to zelk-sim's ports, made again from fresh port lists while other programs may add
    // and remove ports on the shared server; kept once active sensing is seen on the watched port.
    bool connect()
    {
        for (int attempt = 0; attempt < 5; ++attempt) {
            const int in1 = portNumber(api.getInputPortList(), device, " Port1");
            const int in5 = portNumber(api.getInputPortList(), device, " Port5");
            const int out5 = portNumber(api.getOutputPortList(), device, " Port5");
            const int before = activated;
            if (in1 > 0 && in5 > 0 && out5 > 0 && api.createMIDIComunicationRoute(in1, in5, out5) &&
                waitFor([&] { return activated > before; }, pace.stretch(3s)))
                return true;
        }
        return false;
    }
    // Waits for the transfer that start() begins for as long as zelk-sim keeps reporting events; a transfer
    // that stops moving is a failure, not a reason to try again.
    bool transfer(const std::function<bool()>& start, const std::atomic<int>& completions)
    {
        const int before = completions;
        if (!start())
            return false;
        qint64 progress = -1;
        while (waitFor([&] { return completions > before; }, pace.stretch(4s)) == false) {
            const qint64 now = QFileInfo(errorFile).size();
            if (now == progress)
                break;
            progress = now;
        }
        return completions > before;
    }
    bool fullReceive()
    {
        return transfer(
            [&] {
                api.setWaitingBulkReceive(true);
                return api.sendHardWareDataReq(true);
            },
            received);
    }
    std::string bankDifference(int bank, int seed)
    {
        for (int t = 0; t < 50; ++t) {
            const std::string d = templateDifference(api, bank, t, TemplateImage::pattern(seed, t));
            if (!d.empty())
                return d;
        }
        return {};
    }

    kwmidi::ClientRef client;
    kwtest::MachinePace pace;
    QProcess sim;
    QString device = QStringLiteral("Telvor ZELK6/ZELK8 E%1").arg(QCoreApplication::applicationPid());
    RemoteMemAPI api;
    std::atomic<int> received{0};
    std::atomic<int> transmitted{0};
    std::atomic<int> activated{0};
    QString errorFile = kwtest::isolatedRoot() + "/engine-zelk-sim.err";
};

} // namespace

TEST_F(EngineAcrossProcesses, FullReceiveAndSendWithZelkSim)
{
    ASSERT_TRUE(connect()) << "zelk-sim's ports could not be reached";
    ASSERT_TRUE(fullReceive()) << "the full receive did not complete";
    EXPECT_EQ(bankDifference(2, kSeed), "");
    EXPECT_EQ(bankDifference(3, kSeed + 1), "");

    for (int t = 0; t < 50; ++t) {
        writeTemplate(api, 0, t, TemplateImage::pattern(20, t));
        writeTemplate(api, 1, t, TemplateImage::pattern(21, t));
    }
    ASSERT_TRUE(transfer(
        [&] {
            api.setWaitingBulkTransmit(true);
            return api.sendEditorAllData(false);
        },
        transmitted))
        << "the full send did not complete";

    // What the synthesizer holds now comes back as what was sent.
    ASSERT_TRUE(fullReceive());
    EXPECT_EQ(bankDifference(2, 21), "");
    EXPECT_EQ(bankDifference(3, 20), "");
}
