#include "PluginMachine.h"

#include <QDateTime>
#include <QDomDocument>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <ctime>

#include <sys/resource.h>
#include <sys/stat.h>

using kwtest::finderResult;
using kwtest::PluginMachine;

namespace {

class Database : public ::testing::Test
{
protected:
    void SetUp() override
    {
        machine.installFinder();
        machine.installDAW("Sonvik 8", "Sonvik 8");
        machine.installDAW("Parlex 8", "Parlex 8");
    }

    // Selects the DAW, scans and merges, as the scan-progress panel does.
    std::unique_ptr<QPXiInfo> scan(const QString& daw = "Sonvik 8")
    {
        auto info = machine.make();
        info->selectDAW(daw);
        info->analyzeQPXi();
        info->entryQPXiParameter();
        return info;
    }

    QDomDocument database() const
    {
        QDomDocument document;
        EXPECT_TRUE(bool(document.setContent(PluginMachine::readFile(machine.databaseFile()))));
        return document;
    }

    PluginMachine machine;
};

} // namespace

TEST_F(Database, RoundTripsNamesWithNonAsciiAndXmlSpecialCharacters)
{
    const QString name = QString::fromUtf8("Flügel <\"&'> 音");
    machine.addBundle(machine.userQpx3Folder(), "Special.qpx3",
                      finderResult({"1", name + "\x01", "2", "7", QString::fromUtf8("Höhe & <Tiefe>"), "1",
                                    QString::fromUtf8("Grüppe \"1\""), "8",
                                    "Line\x02"
                                    "Feed",
                                    "0"}));
    auto first = scan();
    const QList<QPXiInfo::Parameter> expected{
        {"000000007", {QString::fromUtf8("Grüppe \"1\""), QString::fromUtf8("Höhe & <Tiefe>")}},
        {"000000008", {"LineFeed"}}};
    EXPECT_EQ(first->getQPXiParameterList(name), expected);
    EXPECT_TRUE(first->getQPXiList().contains(name));

    const QByteArray bytes = PluginMachine::readFile(machine.databaseFile());
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE QPXiDatabase>"));
    EXPECT_TRUE(bytes.contains(QString::fromUtf8("Flügel").toUtf8()));

    auto second = machine.make();
    second->selectDAW("Sonvik 8");
    EXPECT_EQ(second->getQPXiParameterList(name), expected);
    EXPECT_EQ(second->pluginFiles().value(name).version, 3);
    EXPECT_EQ(second->getQPXiParameterName(name, "000000008"), QStringList{"LineFeed"});
}

TEST_F(Database, DropsEntriesWhosePluginChangedOrVanished)
{
    const QString touched =
        machine.addPlugin(machine.userQpx3Folder(), "Touched.qpx3", finderResult({"1", "Touched", "0"}));
    const QString grown = machine.addPlugin(machine.userQpx3Folder(), "Grown.qpx3", finderResult({"1", "Grown", "0"}));
    const QString gone = machine.addPlugin(machine.userQpx3Folder(), "Gone.qpx3", finderResult({"1", "Gone", "0"}));
    machine.addPlugin(machine.userQpx3Folder(), "Kept.qpx3", finderResult({"1", "Kept", "0"}));
    scan();

    QFile touchedFile(touched);
    ASSERT_TRUE(touchedFile.open(QIODevice::ReadWrite));
    touchedFile.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
    touchedFile.close();
    QFile grownFile(grown);
    ASSERT_TRUE(grownFile.open(QIODevice::Append));
    grownFile.write(QByteArray(8192, '#'));
    grownFile.close();
    QFile::remove(gone);

    auto info = machine.make();
    info->selectDAW("Sonvik 8");
    EXPECT_EQ(info->pluginFiles().keys(), QStringList{"Kept"});

    // The next scan analyses the changed ones again and the file forgets the vanished one.
    machine.resetFinderLog();
    info->analyzeQPXi();
    info->entryQPXiParameter();
    EXPECT_EQ(machine.finderRuns().size(), 2);
    const QByteArray bytes = PluginMachine::readFile(machine.databaseFile());
    EXPECT_FALSE(bytes.contains("Gone"));
    EXPECT_TRUE(bytes.contains("Touched") && bytes.contains("Grown") && bytes.contains("Kept"));
}

TEST_F(Database, ReadsOnlyValidEntriesOfTheSelectedDAW)
{
    const QString plugin = machine.addPlugin(machine.base() + "/p", "One.qpx3", "x");
    const QFileInfo file(plugin);
    const QString time = qpxiFileTime(file);
    const QString size = QString::number(getQPXiFileSize(file));
    auto entry = [&](const QString& name, const QString& attributes, const QString& body) {
        return QString("<qpxi name=\"%1\" path=\"%2\" %3>%4</qpxi>\n").arg(name, plugin, attributes, body);
    };
    const QString good = QString("time=\"%1\" size=\"%2\" version=\"3\"").arg(time, size);
    QString text = "<?xml version=\"1.0\"?>\n<!DOCTYPE QPXiDatabase>\n<dawlist>\n<daw name=\"Sonvik 8\">\n";
    text += entry("First", good, "<parameter id=\"00000000001\" name=\"A\"/>");
    text += entry("First", good, "<parameter id=\"00000000002\" name=\"B\"/>");
    text += entry("Four", QString("time=\"%1\" size=\"%2\" version=\"4\"").arg(time, size), "");
    text += entry("NoSize", QString("time=\"%1\" version=\"3\"").arg(time), "");
    text += entry("BadSize", QString("time=\"%1\" size=\"12x\" version=\"3\"").arg(time), "");
    text += entry("OldTime", QString("time=\"2001-01-01T00:00:00\" size=\"%1\" version=\"3\"").arg(size), "");
    text += entry("Tree", good,
                  "<group name=\"G\"><parameter id=\"00000000003\" name=\"C\"/><group><parameter id=\"00000000004\" "
                  "name=\"Lost\"/></group></group><other/>");
    text += "</daw>\n<daw name=\"Sonvik 8\">" + entry("Later", good, "") + "</daw>\n";
    text += "<daw name=\"Parlex 8\">" + entry("Other", good, "") + "</daw>\n</dawlist>\n";
    PluginMachine::writeFile(machine.databaseFile(), text.toUtf8());

    auto info = machine.make();
    info->selectDAW("Sonvik 8");
    QStringList names = info->pluginFiles().keys();
    names.sort();
    EXPECT_EQ(names, (QStringList{"First", "Tree"}));
    EXPECT_EQ(info->getQPXiParameterList("First"), (QList<QPXiInfo::Parameter>{{"000000001", {"A"}}}));
    EXPECT_EQ(info->getQPXiParameterList("Tree"), (QList<QPXiInfo::Parameter>{{"000000003", {"G", "C"}}}));
}

TEST_F(Database, ForeignOrBrokenFilesReadAsEmptyAndAreReplacedOnWrite)
{
    machine.addPlugin(machine.userQpx3Folder(), "Solo.qpx3", finderResult({"1", "Solo", "0"}));
    for (const QByteArray& text : {QByteArray("<!DOCTYPE Other>\n<dawlist/>"),
                                   QByteArray("<!DOCTYPE QPXiDatabase>\n<x/>"), QByteArray("<dawlist"), QByteArray()}) {
        PluginMachine::writeFile(machine.databaseFile(), text);
        auto info = scan();
        EXPECT_TRUE(info->getQPXiList().contains("Solo"));
        const QDomDocument document = database();
        EXPECT_EQ(document.doctype().name(), QString("QPXiDatabase"));
        EXPECT_EQ(document.documentElement().tagName(), QString("dawlist"));
        EXPECT_EQ(document.documentElement().elementsByTagName("qpxi").size(), 1);
    }
}

TEST_F(Database, HostileFilesReadAsEmptyAndAreReplacedOnWrite)
{
    machine.addPlugin(machine.userQpx3Folder(), "Solo.qpx3", finderResult({"1", "Solo", "0"}));
    scan();
    const QByteArray good = PluginMachine::readFile(machine.databaseFile());
    // An element with 40,000 attributes; a database that is a named pipe, whose opening would wait for ever.
    QByteArray many;
    for (int a = 0; a < 40000; ++a) {
        many += " a" + QByteArray::number(a) + "=\"\"";
    }
    PluginMachine::writeFile(machine.databaseFile(), QByteArray(good).replace("<daw ", "<daw" + many + " "));
    auto hostile = machine.make();
    hostile->selectDAW("Sonvik 8");
    EXPECT_FALSE(hostile->pluginFiles().contains("Solo"));

    QFile::remove(machine.databaseFile());
    ASSERT_EQ(::mkfifo(QFile::encodeName(machine.databaseFile()).constData(), 0600), 0);
    auto piped = scan();
    EXPECT_TRUE(piped->getQPXiList().contains("Solo"));
    EXPECT_TRUE(QFileInfo(machine.databaseFile()).isFile());
    auto reread = machine.make();
    reread->selectDAW("Sonvik 8");
    EXPECT_TRUE(reread->pluginFiles().contains("Solo"));
}

TEST_F(Database, KeepsOtherDAWsAndReplacesTheScannedOneInPlace)
{
    machine.addPlugin(machine.userQpx3Folder(), "A.qpx3", finderResult({"1", "Alpha", "0"}));
    scan("Sonvik 8");
    scan("Parlex 8");
    QDomDocument before = database();
    EXPECT_EQ(before.documentElement().elementsByTagName("daw").size(), 2);

    machine.addPlugin(machine.userQpx3Folder(), "B.qpx3", finderResult({"1", "Beta", "0"}));
    scan("Sonvik 8");
    const QDomDocument after = database();
    const QDomElement first = after.documentElement().firstChildElement("daw");
    const QDomElement second = first.nextSiblingElement("daw");
    EXPECT_EQ(first.attribute("name"), QString("Sonvik 8"));
    EXPECT_EQ(first.elementsByTagName("qpxi").size(), 2);
    EXPECT_EQ(second.attribute("name"), QString("Parlex 8"));
    EXPECT_EQ(second.elementsByTagName("qpxi").size(), 1);
}

TEST_F(Database, ParametersShareTheirLeadingGroups)
{
    machine.addPlugin(machine.userQpx3Folder(), "G.qpx3",
                      finderResult({"1", "Grouped", "3", "1", "Cutoff", "1", "Filter", "2", "Level", "1", "Amp", "3",
                                    "Resonance", "1", "Filter"}));
    scan();
    const QDomElement qpxi = database().documentElement().firstChildElement("daw").firstChildElement("qpxi");
    const QDomElement filter = qpxi.firstChildElement();
    EXPECT_EQ(filter.tagName(), QString("group"));
    EXPECT_EQ(filter.attribute("name"), QString("Filter"));
    EXPECT_EQ(filter.elementsByTagName("parameter").size(), 2);
    EXPECT_EQ(filter.firstChildElement("parameter").attribute("id"), QString("00000000001"));
    const QDomElement amp = filter.nextSiblingElement();
    EXPECT_EQ(amp.attribute("name"), QString("Amp"));
    EXPECT_TRUE(amp.nextSiblingElement().isNull());
}

TEST_F(Database, PresetFallbackInstrumentsAreWrittenWithoutChildrenAndFilledFromThePreset)
{
    machine.writePreset(R"(<!DOCTYPE QPXiPreset>
<qpxilist><qpxi name="Massive"><parameter id="00000000042" name="Macro"/></qpxi></qpxilist>)");
    machine.addPlugin(machine.userQpx3Folder(), "Massive.qpx3", "exit=1\n");
    auto info = scan();
    const QDomElement qpxi = database().documentElement().firstChildElement("daw").firstChildElement("qpxi");
    EXPECT_EQ(qpxi.attribute("name"), QString("Massive"));
    EXPECT_FALSE(qpxi.hasChildNodes());
    EXPECT_EQ(info->getQPXiParameterList("Massive"), (QList<QPXiInfo::Parameter>{{"00000002a", {"Macro"}}}));
    EXPECT_EQ(info->getQPXiList(), (QStringList{"Massive", "Audio Track", "MIDI Track", "Generic"}));
}

TEST_F(Database, ARecordWithoutParametersDropsTheOldNamesSoThePresetApplies)
{
    machine.writePreset(R"(<!DOCTYPE QPXiPreset>
<qpxilist><qpxi name="Massive"><parameter id="00000000042" name="Macro"/></qpxi></qpxilist>)");
    machine.addPlugin(machine.userQpx3Folder(), "Massive.qpx", finderResult({"1", "Massive", "1", "7", "Old", "0"}));
    machine.installDAW("Sonvik 8", "Sonvik 8", {machine.userQpx3Folder()});
    auto info = scan();
    EXPECT_EQ(info->getQPXiParameterName("Massive", "000000007"), QStringList{"Old"});

    machine.addPlugin(machine.systemQpx3Folder(), "Massive.qpx3", "exit=1\n");
    info->analyzeQPXi();
    info->entryQPXiParameter();
    EXPECT_EQ(info->getQPXiParameterList("Massive"), (QList<QPXiInfo::Parameter>{{"00000002a", {"Macro"}}}));
    EXPECT_TRUE(info->getQPXiParameterName("Massive", "000000007").isEmpty());
}

TEST_F(Database, Qpx2DescriptionFileBesideThePluginIsAppliedAfterTheWrite)
{
    const QString folder = machine.base() + "/qpx2";
    machine.installDAW("Sonvik 8", "Sonvik 8", {folder});
    machine.addPlugin(folder, "Two.qpx", finderResult({"1", "Two", "2", "4201", "Keep", "0", "4202", "Drop", "0"}));
    PluginMachine::writeFile(folder + "/Two.qpxxml",
                             "<QPXParametersStructure><Param name=\"Kept\" id=\"0\"/></QPXParametersStructure>");
    auto info = scan();
    EXPECT_EQ(info->getQPXiParameterList("Two"), (QList<QPXiInfo::Parameter>{{"000001069", {"Kept"}}}));
    EXPECT_EQ(database().documentElement().elementsByTagName("parameter").size(), 2);

    auto reloaded = machine.make();
    reloaded->selectDAW("Sonvik 8");
    reloaded->analyzeQPXi();
    reloaded->entryQPXiParameter();
    EXPECT_EQ(reloaded->getQPXiParameterList("Two"), (QList<QPXiInfo::Parameter>{{"000001069", {"Kept"}}}));
}

TEST_F(Database, AFailedWriteLeavesTheOldFile)
{
    machine.addPlugin(machine.userQpx3Folder(), "Big.qpx3", finderResult({"1", "Big", "0"}));
    scan();
    const QByteArray old = PluginMachine::readFile(machine.databaseFile());
    ASSERT_FALSE(old.isEmpty());

    machine.addPlugin(machine.userQpx3Folder(), "More.qpx3", finderResult({"1", "More", "0"}));
    auto info = machine.make();
    info->selectDAW("Sonvik 8");
    info->analyzeQPXi();
    // The file system refuses anything but a few bytes while the database is written.
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit tiny = saved;
    tiny.rlim_cur = 16;
    ::setrlimit(RLIMIT_FSIZE, &tiny);
    QFile file(machine.databaseFile());
    const bool written = info->writeParameterListDatabase(file);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_EQ(PluginMachine::readFile(machine.databaseFile()), old);
}

TEST_F(Database, AnotherTimeZoneMakesEveryEntryStale)
{
    machine.addPlugin(machine.userQpx3Folder(), "Zoned.qpx3", finderResult({"1", "Zoned", "0"}));
    const QByteArray oldZone = qgetenv("TZ");
    qputenv("TZ", "UTC0");
    ::tzset();
    scan();
    auto same = machine.make();
    same->selectDAW("Sonvik 8");
    EXPECT_TRUE(same->pluginFiles().contains("Zoned"));

    qputenv("TZ", "XYZ-5:30"); // a POSIX rule: needs no zone files
    ::tzset();
    auto moved = machine.make();
    moved->selectDAW("Sonvik 8");
    EXPECT_FALSE(moved->pluginFiles().contains("Zoned"));

    if (oldZone.isEmpty()) {
        qunsetenv("TZ");
    } else {
        qputenv("TZ", oldZone);
    }
    ::tzset();
}
