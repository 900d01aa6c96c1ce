// The editor with the time-outs it ships with against a synthesizer that answers as slowly as one on a
// MIDI cable: every acknowledge and every answer some 150 ms late. A whole bank sent with its store to
// flash takes longer than a quick synthesizer would ever need, and must still complete.
#include "PanelFixture.h"
#include "SynthImages.h"

#include "MessageEncoder.h"
#include "ParamAddress.h"

#include <QTemporaryDir>

#include <cstdio>
#include <string>

namespace {

using namespace std::chrono_literals;

constexpr int kTemplates = 50;
constexpr int kReplyDelayMs = 150;

const ParamAddress kFileEdited(ParamAddress::kFileEditFlagBank, -1, -1, -1);

class SynthLate : public PanelFixture
{
protected:
    AutoSync* panel() const { return qobject_cast<AutoSync*>(window->autoSyncPanel()); }
    bool online()
    {
        return memApi->getParam(ParamAddress(ParamAddress::kOnlineStateBank, -1, -1, -1)).getCurrentValue() == 1;
    }
    template <typename F> auto core(F&& f)
    {
        return synth->withCore([&](zelksim::SynthCore& c, zelksim::Millis now) { return f(c, now); });
    }
    // Where the editor's bank differs from the synthesizer's edit buffer or stored bank; empty when equal.
    std::string bankDifference(int bank, bool editBuffer)
    {
        for (int t = 0; t < kTemplates; ++t) {
            const zelksim::TemplateImage image = core([&](zelksim::SynthCore& c, zelksim::Millis) {
                return editBuffer ? c.editTemplate(t) : c.storedTemplate(t);
            });
            std::string difference = kwtest::templateDifference(*memApi, bank, t, image);
            if (!difference.empty()) {
                return difference;
            }
        }
        return {};
    }
    // The panel has gone (the transfer completed) or shows its error: either ends the wait.
    bool transferEnded(const QPointer<AutoSync>& p) { return p.isNull() || p->isErrorShown(); }
};

} // namespace

TEST_F(SynthLate, AFullSendWithStoreToFlashCompletesUnderTheShippedTimeOutsWhenEveryReplyIsLate)
{
    // The time-outs as the product ships them, not the short ones of the other panel tests.
    AutoSync::setDefaultTimeouts({});
    EXPECT_EQ(AutoSync::defaultTimeouts().receiveMs, 60000);
    EXPECT_EQ(AutoSync::defaultTimeouts().sendMs, 100000);
    EXPECT_EQ(MessageEncoder::kDefaultAnswerTimeoutMs, 1000);
    EXPECT_EQ(MessageEncoder::kDefaultAnswerRetries, 3);

    startSynth();
    core([](zelksim::SynthCore& c, zelksim::Millis) {
        c.fillPattern(9);
        return 0;
    });
    startWindow(true);
    QPointer<AutoSync> first(panel());
    ASSERT_FALSE(first.isNull()) << "no auto-sync at start";
    ASSERT_TRUE(kwtest::processUntil([&] { return transferEnded(first); }, 120s)) << "the first receive never ended";
    ASSERT_TRUE(first.isNull()) << "the first receive failed";
    ASSERT_TRUE(online());

    // From now on the synthesizer answers each dump, request and store late.
    ASSERT_TRUE(synth->command("fault delay " + std::to_string(kReplyDelayMs)).ok);
    const zelksim::SynthStats before = core([](zelksim::SynthCore& c, zelksim::Millis) { return c.stats(); });

    // File > Open online sends both banks, the store to flash following.
    QTemporaryDir folder;
    const QString bankFile = folder.filePath(QStringLiteral("Live Set.Q9E"));
    ASSERT_TRUE(QFile::copy(qEnvironmentVariable(kResourceDirVariable) + QStringLiteral("/BankPreset1.Q9E"), bankFile));
    memApi->setParam(kFileEdited, 0L);
    fileAnswer = bankFile;
    const zelksim::Millis sendStarted = synth->now();
    ASSERT_TRUE(window->fileOpen());
    QPointer<AutoSync> send(panel());
    ASSERT_FALSE(send.isNull()) << "File > Open showed no auto-sync panel";
    // Far beyond the send time-out, so that only the panel's own verdict ends the wait.
    ASSERT_TRUE(kwtest::processUntil([&] { return transferEnded(send); }, 240s))
        << "the send after File > Open neither completed nor failed";
    const zelksim::Millis sendTook = synth->now() - sendStarted;
    ASSERT_TRUE(send.isNull()) << "the send at " << kReplyDelayMs << " ms a reply failed after " << sendTook << " ms";
    std::printf("the send of 100 templates with the store to flash took %lld ms\n", static_cast<long long>(sendTook));
    EXPECT_TRUE(online());

    ASSERT_TRUE(synth->waitUntilSent(10s));
    const zelksim::SynthStats after = core([](zelksim::SynthCore& c, zelksim::Millis) { return c.stats(); });
    EXPECT_EQ(after.dumpsAccepted - before.dumpsAccepted, 2 * kTemplates);
    EXPECT_EQ(after.flashStores - before.flashStores, 1) << "no store to flash after File > Open";
    EXPECT_EQ(after.rejected, before.rejected);
    EXPECT_GE(sendTook, 2 * kTemplates * kReplyDelayMs) << "the acknowledges were not late";
    const zelksim::FlowRecord flow = core([](zelksim::SynthCore& c, zelksim::Millis) { return c.flow(); });
    EXPECT_EQ(flow.dumpsRepeated, 0) << "a late acknowledge was taken for a lost one and its dump sent again";
    EXPECT_EQ(flow.dumpsBegunEarly, 0) << "a dump began before the acknowledge of the one before it";
    EXPECT_EQ(flow.flashAfterAcks, flow.acksOut) << "the store to flash did not follow the last acknowledge";
    EXPECT_EQ(flow.flashWithAcksUnsent, 0);
    EXPECT_EQ(bankDifference(0, true), "") << "the synthesizer's edit buffer is the working bank";
    EXPECT_EQ(bankDifference(1, false), "") << "the synthesizer's stored bank is the stored data";
}
