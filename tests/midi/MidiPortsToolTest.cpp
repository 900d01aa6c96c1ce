#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

struct ToolRun
{
    int exitCode = -1;
    QStringList lines;
};

ToolRun runMidiports(const QProcessEnvironment& env)
{
    QProcess tool;
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral(KW_MIDIPORTS), {});
    ToolRun run;
    if (!tool.waitForFinished(30000)) {
        tool.kill();
        tool.waitForFinished();
        ADD_FAILURE() << "midiports did not finish";
        return run;
    }
    run.exitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    run.lines = QString::fromLocal8Bit(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    return run;
}

QProcessEnvironment systemEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KNOBWRIGHT_MIDI_BACKEND"), QStringLiteral("system"));
    env.insert(QStringLiteral("JACK_NO_START_SERVER"), QStringLiteral("1"));
    return env;
}

} // namespace

TEST(MidiPortsTool, SaysSoInOneLineWhenThereIsNoMidiSystem)
{
    QProcessEnvironment env = systemEnvironment();
    // A JACK server name that nothing answers to, and no ALSA sequencer on this machine.
    env.insert(QStringLiteral("JACK_DEFAULT_SERVER"),
               QStringLiteral("kw-nobody-%1").arg(QCoreApplication::applicationPid()));
    if (QFile::exists(QStringLiteral("/dev/snd/seq")))
        GTEST_SKIP() << "this machine has an ALSA sequencer, so there is always a MIDI system";
    const ToolRun run = runMidiports(env);
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.lines.size(), 1) << run.lines.join('|').toStdString();
    EXPECT_TRUE(run.lines.first().contains(QStringLiteral("no MIDI system")));
}

TEST(MidiPortsTool, ListsNothingOverTheInProcessBackend)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KNOBWRIGHT_MIDI_BACKEND"), QStringLiteral("virtual"));
    const ToolRun run = runMidiports(env);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.lines, (QStringList{"Inputs:", "Outputs:"}));
}

TEST(MidiPortsTool, ListsTheFivePortsOfADeviceOnJackUnderOneName)
{
    const QProcessEnvironment env = systemEnvironment();
    const ToolRun before = runMidiports(env);
    if (before.lines.size() == 1 && before.lines.first().contains(QStringLiteral("no MIDI system")))
        GTEST_SKIP() << "no MIDI system: no JACK server answers (source scripts/jack-env and run start_test_jack)";

    const QString device = QStringLiteral("KW Ports %1").arg(QCoreApplication::applicationPid());
    QProcess peer;
    peer.setProcessEnvironment(env);
    peer.start(QStringLiteral(KW_MIDI_PEER), {device});
    ASSERT_TRUE(peer.waitForStarted(10000)) << "the second MIDI program did not start";
    ASSERT_TRUE(peer.waitForReadyRead(45000)) << "the second MIDI program never said ready";
    ASSERT_EQ(peer.readLine().trimmed().toStdString(), "ready");

    const ToolRun run = runMidiports(env);
    kwtest::endProcess(peer, std::chrono::seconds(10));

    EXPECT_EQ(run.exitCode, 0);
    const qsizetype outputsAt = run.lines.indexOf(QStringLiteral("Outputs:"));
    ASSERT_EQ(run.lines.value(0), QStringLiteral("Inputs:"));
    ASSERT_GT(outputsAt, 0);
    for (int dir = 0; dir < 2; ++dir) {
        const QStringList part = dir == 0 ? run.lines.mid(1, outputsAt - 1) : run.lines.mid(outputsAt + 1);
        for (int k = 1; k <= 5; ++k) {
            const QRegularExpression entry(
                QStringLiteral("^\\d+;%1 Port%2$").arg(QRegularExpression::escape(device)).arg(k));
            EXPECT_EQ(part.filter(entry).size(), 1) << "port " << k << " in " << part.join('|').toStdString();
        }
        // Whatever order the system registered the ports in, they are listed by port number.
        int previous = 0;
        for (const QString& line : part) {
            const int number = line.section(QLatin1Char(';'), 0, 0).toInt();
            EXPECT_GT(number, previous) << part.join('|').toStdString();
            previous = number;
        }
    }
}
