// The editor and a synthesizer on a MIDI cable, on the ALSA sequencer: the editor's output goes to a kernel
// client of a sound card (the virtual raw MIDI driver's, as a USB synthesizer's or a MIDI interface's),
// whose raw device a test peer reads at the wire's 3,125 bytes a second and hands on, message by message,
// to zelk-sim, which answers over the sequencer. What the editor sends as fast as the user works must
// reach the synthesizer whole, and a full send at the wire's pace must end within the default time-outs.
#include "ZelkSimFixture.h"

#include "CableReader.h"
#include "ConfirmPanels.h"
#include "EditorTemplate.h"
#include "ParamAddress.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <mutex>

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

const ParamAddress kFileEdited(ParamAddress::kFileEditFlagBank, -1, -1, -1);

// The whole messages of a byte stream, and any byte that belongs to none (a message cut short, a lost
// beginning or end).
struct Messages
{
    std::vector<Bytes> whole;
    std::size_t stray = 0;
    Bytes open; // a message still coming

    void add(const Bytes& bytes)
    {
        for (std::uint8_t byte : bytes) {
            if (byte == 0xF0) {
                stray += open.size();
                open = {byte};
            } else if (open.empty()) {
                ++stray;
            } else if (byte == 0xF7) {
                open.push_back(byte);
                whole.push_back(std::move(open));
                open.clear();
            } else if (byte >= 0x80) {
                stray += open.size() + 1;
                open.clear();
            } else {
                open.push_back(byte);
            }
        }
    }
};

class SynthCable : public ZelkSimFixture
{
protected:
    SynthCable() : ZelkSimFixture(QLatin1Char('C')) {}

    void SetUp() override
    {
        ZelkSimFixture::SetUp();
        if (IsSkipped())
            return;
        if (kwmidi::Client::acquire()->systemName() != "ALSA sequencer")
            GTEST_SKIP() << "a kernel client stands for the cable on ALSA only (scripts/uml/test-interprocess)";
        // The system's own time-outs: the full send at the wire's pace must end within them.
        AutoSync::setDefaultTimeouts({});
    }

    // The directory id of the entry whose name matches; -1 when none does.
    static int idOf(const QStringList& entries, const QRegularExpression& name, QString* found = nullptr)
    {
        for (const QString& entry : entries) {
            const QString entryName = entry.section(QLatin1Char(';'), 1);
            if (name.match(entryName).hasMatch()) {
                if (found)
                    *found = entryName;
                return entry.section(QLatin1Char(';'), 0, 0).toInt();
            }
        }
        return -1;
    }
    static int numberAfter(const QString& line, const QString& label)
    {
        const QRegularExpressionMatch m =
            QRegularExpression(QRegularExpression::escape(label) + QStringLiteral(" (-?\\d+)")).match(line);
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }
    long editorCC(int templ, int knob)
    {
        return memApi->getParam(ParamAddress(0, templ, knob, ParamAddress::kCCNumberParam)).getCurrentValue();
    }
};

} // namespace

TEST_F(SynthCable, SynthesizerOnACableGetsEveryByteWhileTheUserWorksAndAFullSendEndsInTime)
{
    startSim({"--fill", "5"});
    startWindow();
    ASSERT_TRUE(kwtest::processUntil([&] { return synchronised(); }, paced(120s)))
        << "the start-up receive did not end";

    // The cable: the first device of the virtual raw MIDI driver.
    QString cableName;
    const int cable = idOf(memApi->getOutputPortList(),
                           QRegularExpression(QStringLiteral("^Virtual Raw MIDI (\\d+)-(\\d+) ")), &cableName);
    ASSERT_GE(cable, 0) << "no virtual raw MIDI device: the guest kernel lacks SND_VIRMIDI";
    const QRegularExpressionMatch numbers =
        QRegularExpression(QStringLiteral("^Virtual Raw MIDI (\\d+)-(\\d+) ")).match(cableName);
    const std::string rawDevice =
        "/dev/snd/midiC" + numbers.captured(1).toStdString() + "D" + numbers.captured(2).toStdString();
    // The peer hands each whole message it read on to the synthesizer's port 5.
    auto client = kwmidi::Client::acquire();
    int toSynth = -1;
    const auto destinations = client->destinations();
    for (std::size_t i = 0; i < destinations.size(); ++i) {
        if (destinations[i].deviceName == device.toStdString() &&
            destinations[i].endpointName == device.toStdString() + " Port5")
            toSynth = static_cast<int>(i);
    }
    ASSERT_GE(toSynth, 0);
    std::unique_ptr<kwmidi::OutputConnection> synthInput = client->openDestination(toSynth);
    ASSERT_NE(synthInput, nullptr);
    Messages wire; // under wireMutex
    std::mutex wireMutex;
    std::atomic<int> unsent{0};
    kwtest::CableReader peer(rawDevice, [&](const Bytes& bytes) {
        std::lock_guard<std::mutex> lock(wireMutex);
        const std::size_t before = wire.whole.size();
        wire.add(bytes);
        for (std::size_t i = before; i < wire.whole.size(); ++i) {
            if (!synthInput->send(wire.whole[i].data(), wire.whole[i].size()))
                ++unsent;
        }
    });
    ASSERT_TRUE(peer.opened()) << "the raw device " << rawDevice << " does not open";

    // The editor sends to the cable; it hears the synthesizer as before.
    const int watch =
        idOf(memApi->getInputPortList(), QRegularExpression(QRegularExpression::escape(device) + " Port1$"));
    const int comm =
        idOf(memApi->getInputPortList(), QRegularExpression(QRegularExpression::escape(device) + " Port5$"));
    ASSERT_GE(watch, 0);
    ASSERT_GE(comm, 0);
    ASSERT_TRUE(memApi->createMIDIComunicationRoute(watch, comm, cable)) << "the route over the cable did not open";
    ASSERT_TRUE(memApi->isMIDIRouteLinked());
    // A new route is offline until the synthesizer's announcement brings the two into step again, as when
    // the user picks a port set: the receive's requests go over the cable too.
    memApi->setONLINEstate(0);
    memApi->setWatchPortActivate(true);
    ASSERT_TRUE(kwtest::processUntil([&] { return synchronised(); }, paced(120s)))
        << "the receive over the cable did not end; " << peer.received().size() << " bytes reached the cable";

    // Two templates initialized within 0.4 s (some 2.8 KB each), then twelve knobs edited in a row: more
    // than the cable's driver holds, sent as fast as the user works.
    const int acksBefore = numberAfter(ask(QStringLiteral("flow")), QStringLiteral("acknowledges out"));
    ASSERT_GE(acksBefore, 0);
    // Template > Initialize on templates 3 and 4, as the menu does it online.
    for (int templ : {3, 4}) {
        ASSERT_TRUE(memApi->activateCurrentTemplateNumber(templ));
        memApi->initializeTemplate(0, templ);
        memApi->send1TemplateDataParamChange(0, templ);
    }
    ASSERT_TRUE(memApi->activateCurrentTemplateNumber(5));
    for (int knob = 0; knob < 12; ++knob)
        ASSERT_TRUE(memApi->setParam(ParamAddress(0, 5, knob, ParamAddress::kCCNumberParam), (knob * 7 + 3) % 128));
    std::printf("after the edits: %zu bytes reached the cable\n", peer.received().size());
    std::fflush(stdout);
    for (int knob = 0; knob < 12; ++knob) {
        const QString cc = QStringLiteral(" cc %1 ").arg((knob * 7 + 3) % 128);
        EXPECT_TRUE(simSays(QStringLiteral("show 5 %1").arg(knob), cc, 20s)) << "knob " << knob << " edit lost";
    }
    for (int templ : {3, 4}) {
        for (int knob : {0, 11}) {
            const QString cc = QStringLiteral(" cc %1 ").arg(editorCC(templ, knob));
            EXPECT_TRUE(simSays(QStringLiteral("show %1 %2").arg(templ).arg(knob), cc, 60s))
                << "template " << templ << " was not initialized at the synthesizer";
        }
    }
    EXPECT_TRUE(ask(QStringLiteral("show 3")).contains(QStringLiteral("name \"")));

    // File > Open online: both banks and the store to flash, each dump after the one before was
    // acknowledged, under the default time-outs.
    QTemporaryDir folder;
    const QString bankFile = folder.filePath(QStringLiteral("Live Set.Q9E"));
    ASSERT_TRUE(QFile::copy(qEnvironmentVariable(kResourceDirVariable) + QStringLiteral("/BankPreset1.Q9E"), bankFile));
    memApi->setParam(kFileEdited, 0L);
    fileAnswer = bankFile;
    QElapsedTimer sending;
    sending.start();
    ASSERT_TRUE(window->fileOpen());
    ASSERT_NE(window->autoSyncPanel(), nullptr);
    ASSERT_TRUE(kwtest::processUntil(
        [&] {
            return synchronised() ||
                   (window->autoSyncPanel() && static_cast<AutoSync*>(window->autoSyncPanel())->isErrorShown());
        },
        paced(300s)));
    ASSERT_TRUE(synchronised()) << "the full send over the cable failed";
    const double seconds = static_cast<double>(sending.elapsed()) / 1000.0;
    const QString flow = askUntil(QStringLiteral("flow"),
                                  [](const QString& line) { return line.contains(QStringLiteral("flash after")); });
    EXPECT_EQ(numberAfter(flow, QStringLiteral("acknowledges out")) - acksBefore, 100) << flow.toStdString();
    EXPECT_EQ(numberAfter(flow, QStringLiteral("repeated")), 0)
        << "a dump was lost and sent again: " << flow.toStdString();
    EXPECT_TRUE(flow.contains(QStringLiteral("flash after"))) << flow.toStdString();
    EXPECT_TRUE(ask(QStringLiteral("show 40 11")).contains(QStringLiteral(" cc %1 ").arg(editorCC(40, 11))));

    // Every byte that reached the cable belongs to a whole message, and every message went on.
    const Bytes all = peer.received();
    std::lock_guard<std::mutex> lock(wireMutex);
    EXPECT_EQ(wire.stray, 0u) << "bytes were lost on the cable: messages arrived cut";
    EXPECT_TRUE(wire.open.empty());
    EXPECT_EQ(unsent.load(), 0);
    std::printf("over the cable: %zu bytes in %zu messages; the full send took %.1f s\n", all.size(), wire.whole.size(),
                seconds);
    std::fflush(stdout);
}
