#include "ComuController.h"
#include "MidiSystem.h"
#include "RecordingProcessor.h"
#include "SysEx.h"
#include "TMIDIPortAccessor.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// The port number of an entry named `name` in a directory list; 0 when there is none.
long numberOf(const QStringList& entries, const QString& name)
{
    for (const QString& entry : entries) {
        QString number;
        QString entryName;
        if (TMIDIPortAccessor::splitEntry(entry, &number, &entryName) && entryName == name)
            return number.toLong();
    }
    return 0;
}

} // namespace

// The controller on the machine's MIDI system: a second process publishes a device whose ports echo
// what they receive, and a whole template dump goes out and comes back through the port objects.
TEST(ComuControllerOverJack, ATemplateDumpGoesOutAndComesBackRecordForRecord)
{
    qputenv(kwmidi::kBackendVariable, "system");
    qputenv("JACK_NO_START_SERVER", "1");
    auto client = kwmidi::Client::acquire();
    if (!client->isAvailable())
        GTEST_SKIP() << "no MIDI system: no JACK server answers (source scripts/jack-env and run start_test_jack)";

    const QString device = QStringLiteral("KW Comu Jack %1").arg(QCoreApplication::applicationPid());
    QProcess peer;
    peer.start(QStringLiteral(KW_MIDI_PEER), {device});
    ASSERT_TRUE(peer.waitForStarted(10000)) << "the second MIDI program did not start";
    ASSERT_TRUE(peer.waitForReadyRead(45000)) << "the second MIDI program never said ready";
    ASSERT_EQ(peer.readLine().trimmed().toStdString(), "ready");

    {
        ComuController controller(nullptr);
        const QString port5 = device + QStringLiteral(" Port5");
        // Each list call lists both directions anew, and a port number names a place in the latest
        // listing: both numbers are taken from one listing, or other programs' ports coming and going
        // in between could make the first name another port.
        const long out = numberOf(controller.getOutputPortList(), port5);
        const long in = numberOf(controller.portAccessor()->getInputPortList(), port5);
        ASSERT_GT(in, 0) << controller.portAccessor()->getInputPortList().join('|').toStdString();
        ASSERT_GT(out, 0) << controller.portAccessor()->getOutputPortList().join('|').toStdString();

        kwtest::RecordingProcessor processor(in, 6);
        ASSERT_TRUE(controller.setMessageProcessorAndOpenPort(&processor));
        ASSERT_TRUE(controller.requestPort(ComuController::kOutput, out, 0, nullptr));

        QList<QByteArray> dump;
        dump.append(SysEx::bulkHeader(SysEx::kAreaEditBuffer, 7));
        SysEx::CommonBlock common;
        common.templateName = QStringLiteral("Round Trip");
        common.qpxiName = QStringLiteral("Instrument");
        dump.append(SysEx::commonBlockMessage(common));
        for (int k = 0; k < SysEx::kControllerCount; ++k) {
            SysEx::ControllerBlock knob;
            knob.remoteNumber = QStringLiteral("1000000%1").arg(k, 2, 10, QLatin1Char('0'));
            knob.displayName = QStringLiteral("Knob %1").arg(k);
            knob.ccNumber = 20 + k;
            dump.append(SysEx::controllerBlockMessage(k, knob));
        }
        dump.append(SysEx::bulkFooter(SysEx::kAreaEditBuffer, 7));
        ASSERT_EQ(dump.size(), SysEx::kMessagesPerTemplateDump);

        for (QByteArray& message : dump) {
            tagMPEVENT record{};
            record.type = MPEV_SYSEX;
            record.portId = std::int32_t(out);
            record.length = std::int32_t(message.size());
            record.longData = reinterpret_cast<unsigned char*>(message.data());
            ASSERT_EQ(controller.midiOutDispatch(record, 1), kMidiSuccess);
        }
        ASSERT_TRUE(kwtest::waitUntil([&] { return processor.count() >= size_t(dump.size()); }, 10s))
            << "only " << processor.count() << " of " << dump.size() << " messages came back";
        const auto back = processor.taken();
        ASSERT_EQ(back.size(), size_t(dump.size()));
        for (int i = 0; i < dump.size(); ++i) {
            EXPECT_EQ(back[size_t(i)].record.type, MPEV_SYSEX) << i;
            EXPECT_EQ(back[size_t(i)].record.portId, in);
            const QByteArray bytes(reinterpret_cast<const char*>(back[size_t(i)].bytes.data()),
                                   qsizetype(back[size_t(i)].bytes.size()));
            EXPECT_EQ(SysEx::toHex(bytes), SysEx::toHex(dump[i])) << "message " << i;
            if (i > 0) {
                EXPECT_GT(back[size_t(i)].record.sequence, back[size_t(i - 1)].record.sequence);
            }
        }
        controller.CloseAllOpendPortAndDeleteAllTransporters();
    }
    kwtest::endProcess(peer, std::chrono::seconds(10));
}
