#include "CQPXiPathFinder.h"
#include "PluginMachine.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/types.h>

using kwtest::finderResult;
using kwtest::PluginMachine;

namespace {

const QStringList kPianoLines{"1", "Piano", "2", "100", "Volume", "0", "-1", "Cutoff", "2", "Filter", "Main"};

class FinderContract : public ::testing::Test
{
protected:
    void SetUp() override
    {
        machine.installFinder();
        QDir().mkpath(machine.databaseFolder());
        info = machine.make();
        pathFinder = std::make_unique<CQPXiPathFinder>(QFile::encodeName(machine.databaseFolder()).toStdString());
    }

    // Runs the finder on one plug-in; returns the plug-in's path.
    QString run(const QString& fileName, const QByteArray& control, bool isQPX2 = true)
    {
        const QString plugin = machine.addPlugin(machine.base() + "/plugins", fileName, control);
        info->getQPXiParamInfo(plugin, isQPX2, pathFinder.get());
        return plugin;
    }

    QByteArray notSynth() const { return PluginMachine::readFile(machine.notSynthList()); }
    const std::vector<SQPXiInfo>& results() const { return info->scanResults(); }
    QString resultFile() const { return machine.databaseFolder() + "/QPXiInfoFinder.txt"; }

    PluginMachine machine;
    std::unique_ptr<QPXiInfo> info;
    std::unique_ptr<CQPXiPathFinder> pathFinder;
};

bool processGone(qint64 pid)
{
    if (::kill(static_cast<pid_t>(pid), 0) != 0) {
        return true;
    }
    // A child left to a parent that does not reap stays a zombie: it is dead all the same.
    const QByteArray stat = PluginMachine::readFile(QString("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    return close > 0 && close + 2 < stat.size() && stat.at(close + 2) == 'Z';
}

} // namespace

TEST_F(FinderContract, ReadsInstrumentsParametersAndGroupsFromTheResultFile)
{
    const QString plugin = run("Keys.qpx", finderResult(kPianoLines), false);
    ASSERT_EQ(results().size(), 1u);
    const SQPXiInfo& piano = results()[0];
    EXPECT_EQ(piano.name, "Piano");
    EXPECT_EQ(piano.path, QFile::encodeName(plugin).toStdString());
    EXPECT_FALSE(piano.isQPX2);
    ASSERT_EQ(piano.parameters.size(), 2u);
    EXPECT_EQ(piano.parameters[0].id, QString("000000064"));
    EXPECT_EQ(piano.parameters[0].name, "Volume");
    EXPECT_TRUE(piano.parameters[0].groups.empty());
    EXPECT_EQ(piano.parameters[1].id, QString("0ffffffff"));
    EXPECT_EQ(piano.parameters[1].groups, (std::vector<std::string>{"Filter", "Main"}));
    EXPECT_TRUE(notSynth().isEmpty());
    EXPECT_FALSE(QFile::exists(resultFile()));
}

TEST_F(FinderContract, ToleratesCarriageReturnsAndIndentation)
{
    run("Crlf.qpx", "exit=0\nresult-bytes=  1\\r\\n\\tPiano \\r\\n 1\\r\\n+4201\\r\\nVol\\r\\n0\\r\\n");
    ASSERT_EQ(results().size(), 1u);
    EXPECT_EQ(results()[0].name, "Piano");
    ASSERT_EQ(results()[0].parameters.size(), 1u);
    EXPECT_EQ(results()[0].parameters[0].id, QString("000001069"));
}

TEST_F(FinderContract, MissingEntryAfterGoodOnesKeepsThemAndMarksThePlugin)
{
    QStringList lines = kPianoLines;
    lines[0] = "2";
    run("Two.qpx", finderResult(lines));
    ASSERT_EQ(results().size(), 1u);
    EXPECT_EQ(results()[0].name, "Piano");
    EXPECT_EQ(notSynth(), QByteArray("Two.qpx\n"));
}

TEST_F(FinderContract, ZeroOrNegativeInstrumentCountRecordsNothing)
{
    run("Zero.qpx", finderResult({"0"}));
    run("Negative.qpx", finderResult({"-3"}));
    EXPECT_TRUE(results().empty());
    EXPECT_TRUE(notSynth().isEmpty());
}

TEST_F(FinderContract, MissingOrEmptyResultFileTakesTheFailurePath)
{
    run("Unknown.qpx", "exit=0\n");
    run("Trilogy QPX OSX.qpx", "exit=0\n");
    run("Empty.qpx", "exit=0\nresult-bytes=\n");
    ASSERT_EQ(results().size(), 1u);
    EXPECT_EQ(results()[0].name, "Trilogy");
    EXPECT_TRUE(results()[0].parameters.empty());
    EXPECT_EQ(notSynth(), QByteArray("Unknown.qpx\nEmpty.qpx\n"));
}

TEST_F(FinderContract, AResultFileLeftByAnEarlierRunIsNeverRead)
{
    PluginMachine::writeFile(resultFile(), "1\nStale\n0\n");
    run("Fresh.qpx", "exit=0\n");
    EXPECT_TRUE(results().empty());
    EXPECT_EQ(notSynth(), QByteArray("Fresh.qpx\n"));
}

TEST_F(FinderContract, ActsOnEveryExitCode)
{
    // 1: preset fallback only.
    run("Massive.qpx", finderResult(kPianoLines, 1));
    run("Nobody1.qpx", "exit=1\n");
    // 3 and 8: not-a-synth, even for a known plug-in.
    run("Nexus.qpx", "exit=3\n");
    run("Nobody8.qpx", "exit=8\n");
    // 4 to 7: preset fallback, else not-a-synth.
    run("Strobe.qpx", "exit=4\n");
    for (int code = 4; code <= 7; ++code) {
        run(QString("Nobody%1.qpx").arg(code), "exit=" + QByteArray::number(code) + "\n");
    }
    // 9 and -1 (255): nothing at all.
    run("Nobody9.qpx", finderResult(kPianoLines, 9));
    run("NobodyMinus.qpx", finderResult(kPianoLines, -1));

    std::vector<std::string> names;
    for (const SQPXiInfo& record : results()) {
        names.push_back(record.name);
        EXPECT_TRUE(record.parameters.empty());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Massive", "Strobe"}));
    EXPECT_EQ(notSynth(), QByteArray("Nexus.qpx\nNobody8.qpx\nNobody4.qpx\nNobody5.qpx\nNobody6.qpx\nNobody7.qpx\n"));
    EXPECT_FALSE(QFile::exists(resultFile()));
}

TEST_F(FinderContract, ExitCodeTwoNeedsADescriptionFileBesideThePlugin)
{
    const QString folder = machine.base() + "/plugins";
    PluginMachine::writeFile(folder + "/Beside.qpxxml", "<QPXParametersStructure/>");
    run("WithSide.qpx", finderResult({"1", "Beside", "1", "5", "P", "0"}, 2));
    ASSERT_EQ(results().size(), 1u);
    EXPECT_EQ(results()[0].name, "Beside");
    EXPECT_EQ(info->descriptionFiles().value("Beside"), folder + "/Beside.qpxxml");
    EXPECT_EQ(info->sideFileNames(), QStringList{"Beside"});

    run("Trilogy.qpx", finderResult({"1", "NoSide", "1", "5", "P", "0"}, 2));
    ASSERT_EQ(results().size(), 2u);
    EXPECT_EQ(results()[1].name, "Trilogy");
    EXPECT_TRUE(results()[1].parameters.empty());
    EXPECT_FALSE(info->descriptionFiles().contains("NoSide"));
}

TEST_F(FinderContract, FindsTheDescriptionFileInsideABundle)
{
    const QString folder = machine.base() + "/plugins";
    const QString bundle = machine.addBundle(folder, "Inside.qpx3", finderResult({"1", "Inner", "0"}));
    PluginMachine::writeFile(bundle + "/Contents/Resources/Inner.qpxxml", "<QPXParametersStructure/>");
    info->getQPXiParamInfo(bundle, false, pathFinder.get());
    ASSERT_EQ(results().size(), 1u);
    EXPECT_EQ(info->descriptionFiles().value("Inner"), bundle + "/Contents/Resources/Inner.qpxxml");
    EXPECT_TRUE(info->sideFileNames().isEmpty());
}

TEST_F(FinderContract, InstrumentNamesThatLeaveAFolderAreNeverPartOfAPath)
{
    const QString folder = machine.base() + "/plugins";
    PluginMachine::writeFile(folder + "/...qpxxml", "<QPXParametersStructure/>");
    PluginMachine::writeFile(machine.base() + "/Escape.qpxxml", "<QPXParametersStructure/>");
    run("Dots.qpx", finderResult({"2", "..", "0", "../Escape", "0"}, 2));
    EXPECT_TRUE(results().empty());
    EXPECT_TRUE(info->descriptionFiles().isEmpty());
    EXPECT_TRUE(info->sideFileNames().isEmpty());

    run("Slash.qpx", finderResult({"1", "a/b", "0"}, 0));
    ASSERT_EQ(results().size(), 1u);
    EXPECT_EQ(results()[0].name, "a/b");
    EXPECT_TRUE(info->descriptionFiles().isEmpty());
}

TEST_F(FinderContract, MalformedNumbersAreReadErrors)
{
    run("Huge.qpx", finderResult({"1", "Big", "1", "4294967295", "P", "0"}));
    run("Word.qpx", finderResult({"one"}));
    run("Short.qpx", finderResult({"1", "Cut", "2", "1", "A", "0"}));
    run("Groups.qpx", finderResult({"1", "G", "1", "1", "A", "3", "x"}));
    EXPECT_TRUE(results().empty());
    EXPECT_EQ(notSynth(), QByteArray("Huge.qpx\nWord.qpx\nShort.qpx\nGroups.qpx\n"));
}

TEST_F(FinderContract, SkipsEmptyNamesAndNeverRecordsGeneric)
{
    run("Mixed.qpx", finderResult({"3", "", "Generic", "1", "1", "A", "0",
                                   "Lead\x01"
                                   "Synth",
                                   "-2"}));
    ASSERT_EQ(results().size(), 1u);
    EXPECT_EQ(results()[0].name, "LeadSynth");
    EXPECT_TRUE(results()[0].parameters.empty());
    EXPECT_TRUE(notSynth().isEmpty());
}

TEST_F(FinderContract, CrashTakesTheFailurePath)
{
    run("Omnisphere.qpx", "crash=1\nresult=1\nresult=X\nresult=0\n");
    run("Crashing.qpx", "crash=1\n");
    ASSERT_EQ(results().size(), 1u);
    EXPECT_EQ(results()[0].name, "Omnisphere");
    EXPECT_EQ(notSynth(), QByteArray("Crashing.qpx\n"));
}

TEST_F(FinderContract, HangingFinderIsKilledAfterTheTimeOut)
{
    info->setFinderTimeout(300);
    QElapsedTimer clock;
    clock.start();
    run("Hanging.qpx", "hang=1\n");
    run("FM8.qpx", "hang=1\n");
    EXPECT_LT(clock.elapsed(), 10000);
    ASSERT_EQ(results().size(), 1u);
    EXPECT_EQ(results()[0].name, "FM8");
    EXPECT_EQ(notSynth(), QByteArray("Hanging.qpx\n"));
}

TEST_F(FinderContract, DefaultTimeOutIsSixtySecondsUnlessSettingsSayOtherwise)
{
    auto timeoutWith = [&](const QVariant& value) {
        QSettings settings(QSettings::UserScope, QPXiInfo::kSettingsOrganization, "Knobwright");
        if (value.isValid()) {
            settings.setValue(QPXiInfo::kFinderTimeoutSettingKey, value);
        } else {
            settings.remove(QPXiInfo::kFinderTimeoutSettingKey);
        }
        settings.sync();
        return QPXiInfo(QDir(machine.finderFolder()), QDir(machine.presetFolder()), QDir(machine.databaseFolder()))
            .finderTimeout();
    };
    EXPECT_EQ(QPXiInfo::kDefaultFinderTimeoutMs, 60000);
    EXPECT_EQ(timeoutWith(QVariant()), 60000);
    EXPECT_EQ(timeoutWith(1500), 1500);
    EXPECT_EQ(timeoutWith(0), 60000);
    EXPECT_EQ(timeoutWith("soon"), 60000);
    timeoutWith(QVariant());
}

TEST_F(FinderContract, MissingFinderTakesTheFailurePathForEveryPlugin)
{
    QFile::remove(machine.finderFolder() + "/qif_zelk6_zelk8_x86.app");
    run("Absent.qpx", finderResult(kPianoLines));
    run("Sylenth1.qpx", finderResult(kPianoLines));
    ASSERT_EQ(results().size(), 1u);
    EXPECT_EQ(results()[0].name, "Sylenth1");
    EXPECT_EQ(notSynth(), QByteArray("Absent.qpx\n"));
}

TEST_F(FinderContract, FinderInABundleFolderIsStartedThroughItsExecutable)
{
    const QString bundle = machine.finderFolder() + "/qif_zelk6_zelk8_x86.app";
    QFile::remove(bundle);
    QDir().mkpath(bundle + "/Contents/MacOS");
    ASSERT_TRUE(QFile::link(QStringLiteral(KW_STAND_IN_FINDER), bundle + "/Contents/MacOS/qif_zelk6_zelk8_x86"));
    run("Bundled.qpx", finderResult({"1", "Bundled", "0"}));
    ASSERT_EQ(results().size(), 1u);
    EXPECT_EQ(results()[0].name, "Bundled");
}

TEST_F(FinderContract, FinderGetsTheTwoArgumentsAndNullStandardStreams)
{
    const QString fds = machine.base() + "/fds.txt";
    const QString plugin =
        run("Streams.qpx", "exit=9\nstdout=noise\nstderr=more noise\nfds-file=" + fds.toUtf8() + "\n");
    EXPECT_EQ(PluginMachine::readFile(fds), QByteArray("/dev/null\n/dev/null\n/dev/null\n"));
    EXPECT_EQ(machine.finderRuns(), QStringList{plugin});
}

TEST_F(FinderContract, ChildrenLeftByTheFinderAreKilled)
{
    const QString pidFile = machine.base() + "/stray.pid";
    run("Stray.qpx", "exit=9\nstray-pid-file=" + pidFile.toUtf8() + "\n");
    const qint64 pid = PluginMachine::readFile(pidFile).trimmed().toLongLong();
    ASSERT_GT(pid, 0) << "the finder left no child behind";
    EXPECT_TRUE(kwtest::waitUntil([&] { return processGone(pid); })) << "the finder's child still runs";
}
