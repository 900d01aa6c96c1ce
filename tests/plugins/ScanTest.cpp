#include "PluginMachine.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QMutex>
#include <QThread>

#include <gtest/gtest.h>

using kwtest::finderResult;
using kwtest::PluginMachine;

namespace {

// Collects the scan's announcements, which arrive on the scan's thread.
class Announcements
{
public:
    explicit Announcements(QPXiInfo& info)
    {
        QObject::connect(
            &info, &QPXiInfo::analyzingQPXi, &info,
            [this](const QString& name) {
                QMutexLocker locker(&m_mutex);
                m_names.append(name);
            },
            Qt::DirectConnection);
    }
    QStringList names() const
    {
        QMutexLocker locker(&m_mutex);
        return m_names;
    }

private:
    mutable QMutex m_mutex;
    QStringList m_names;
};

class Scan : public ::testing::Test
{
protected:
    void SetUp() override
    {
        machine.installFinder();
        machine.installDAW("Sonvik 8", "Sonvik 8", {qpx2Folder()});
    }
    QString qpx2Folder() const { return machine.base() + "/qpx2"; }

    std::unique_ptr<QPXiInfo> selected()
    {
        auto info = machine.make();
        info->selectDAW("Sonvik 8");
        return info;
    }

    PluginMachine machine;
};

} // namespace

TEST_F(Scan, FullScanOfAFixtureMachineWritesTheDatabaseAndASecondScanStartsNoFinder)
{
    // Sixty plug-ins, a third of each kind: every one starts a finder process, which under the
    // sanitizers costs a good part of a second on a loaded machine.
    QStringList expected;
    for (int i = 0; i < 60; ++i) {
        const QString name = QString("Instrument %1").arg(i, 3, 10, QChar('0'));
        const QByteArray result =
            finderResult({"1", name, "2", QString::number(i), "Cutoff", "1", "Filter", "4201", "Level", "0"});
        if (i % 3 == 0) {
            machine.addBundle(machine.systemQpx3Folder() + "/Vendor", name + ".qpx3", result);
        } else if (i % 3 == 1) {
            machine.addPlugin(machine.userQpx3Folder(), name + ".qpx3", result);
        } else {
            machine.addBundle(qpx2Folder() + "/Bundles", name + ".component", result, "aPcs");
        }
        expected << name;
    }
    machine.addPlugin(qpx2Folder() + "/Reverb", "Hall.qpx", "exit=3\n");
    machine.addPlugin(qpx2Folder(), "Effect.qpx", "exit=3\n");

    auto info = selected();
    Announcements announcements(*info);
    QThread* worker = QThread::create([&] { info->analyzeQPXi(); });
    worker->start(QThread::LowestPriority);
    const bool finished = worker->wait(QDeadlineTimer(120000));
    if (!finished) {
        // The worker still uses the database object: let it end before the test unwinds.
        worker->wait();
    }
    delete worker;
    ASSERT_TRUE(finished) << "the scan did not finish within two minutes";
    info->entryQPXiParameter();

    EXPECT_EQ(machine.finderRuns().size(), 61);
    EXPECT_EQ(announcements.names().size(), 62);
    EXPECT_EQ(announcements.names().last(), QString());
    EXPECT_EQ(info->getQPXiList(), (expected + QStringList{"Audio Track", "MIDI Track", "Generic"}));
    EXPECT_EQ(info->getQPXiParameterName("Instrument 045", "00000002d"), (QStringList{"Filter", "Cutoff"}));
    EXPECT_EQ(PluginMachine::readFile(machine.notSynthList()), QByteArray("Effect.qpx\n"));
    EXPECT_FALSE(QFile::exists(machine.databaseFolder() + "/QPXiInfoFinder.txt"));

    machine.resetFinderLog();
    auto again = selected();
    Announcements second(*again);
    again->analyzeQPXi();
    again->entryQPXiParameter();
    EXPECT_TRUE(machine.finderRuns().isEmpty());
    EXPECT_EQ(second.names(), QStringList{QString()});
    EXPECT_EQ(again->getQPXiList(), info->getQPXiList());
    EXPECT_EQ(again->getQPXiParameterList("Instrument 050"), info->getQPXiParameterList("Instrument 050"));
}

TEST_F(Scan, Qpx2TwinOfAKnownQpx3PluginIsRetiredWithoutAFinder)
{
    machine.addPlugin(machine.userQpx3Folder(), "Foo.qpx3", finderResult({"1", "Foo", "0"}));
    {
        auto info = selected();
        info->analyzeQPXi();
        info->entryQPXiParameter();
    }
    machine.addPlugin(qpx2Folder(), "Foo.qpx", finderResult({"1", "Foo Old", "0"}));
    machine.resetFinderLog();
    auto info = selected();
    Announcements announcements(*info);
    info->analyzeQPXi();
    EXPECT_TRUE(machine.finderRuns().isEmpty());
    EXPECT_EQ(announcements.names(), QStringList{QString()});
    EXPECT_EQ(PluginMachine::readFile(machine.notSynthList()), QByteArray("Foo.qpx\n"));
}

TEST_F(Scan, Qpx3PluginWithoutARecordDoesNotRetireItsTwin)
{
    machine.addPlugin(machine.userQpx3Folder(), "Bar.qpx3", "exit=9\n");
    const QString twin = machine.addPlugin(qpx2Folder(), "Bar.qpx", finderResult({"1", "Bar", "0"}));
    const QString analysed = machine.addPlugin(machine.userQpx3Folder(), "Baz.qpx3", finderResult({"1", "Baz", "0"}));
    machine.addPlugin(qpx2Folder(), "Baz.qpx", finderResult({"1", "Baz Old", "0"}));
    auto info = selected();
    Announcements announcements(*info);
    info->analyzeQPXi();
    QStringList order = announcements.names();
    EXPECT_EQ(order.takeLast(), QString());
    std::sort(order.begin(), order.end() - 1);
    EXPECT_EQ(order, (QStringList{"Bar.qpx3", "Baz.qpx3", "Bar.qpx"}));
    EXPECT_EQ(PluginMachine::readFile(machine.notSynthList()), QByteArray("Baz.qpx\n"));
    (void)twin;
    (void)analysed;
}

TEST_F(Scan, FixedInstrumentsComeLastAndOnlyWhenNotKnown)
{
    const QString components = machine.root() + "/Library/Application Support/Quorvane/Components";
    machine.addPlugin(components, "Virlux Sonic SE.qpx3", finderResult({"1", "Virlux Sonic SE", "0"}));
    machine.addPlugin(components, "Drumvale SE.qpx3", finderResult({"1", "Drumvale SE", "0"}));
    machine.addPlugin(machine.systemQpx3Folder(), "Searched.qpx3", finderResult({"1", "Searched", "0"}));
    auto info = selected();
    Announcements announcements(*info);
    info->analyzeQPXi();
    info->entryQPXiParameter();
    EXPECT_EQ(announcements.names(),
              (QStringList{"Searched.qpx3", "Drumvale SE.qpx3", "Virlux Sonic SE.qpx3", QString()}));

    machine.resetFinderLog();
    auto again = selected();
    again->analyzeQPXi();
    EXPECT_TRUE(machine.finderRuns().isEmpty());
}

TEST_F(Scan, NothingToScanAnnouncesOnlyTheEnd)
{
    auto info = selected();
    Announcements announcements(*info);
    info->analyzeQPXi();
    EXPECT_EQ(announcements.names(), QStringList{QString()});
    EXPECT_TRUE(info->scanResults().empty());

    auto none = machine.make();
    Announcements unselected(*none);
    none->analyzeQPXi();
    EXPECT_EQ(unselected.names(), QStringList{QString()});
}

TEST_F(Scan, ResetsDeleteTheDatabaseAndTheNotSynthList)
{
    machine.addPlugin(qpx2Folder(), "NoSynth.qpx", "exit=3\n");
    machine.addPlugin(machine.userQpx3Folder(), "Synth.qpx3", finderResult({"1", "Synth", "0"}));
    auto info = selected();
    info->analyzeQPXi();
    info->entryQPXiParameter();
    ASSERT_TRUE(QFile::exists(machine.databaseFile()));
    ASSERT_TRUE(QFile::exists(machine.notSynthList()));
    info->clearNotSynthList();
    EXPECT_FALSE(QFile::exists(machine.notSynthList()));
    EXPECT_TRUE(QFile::exists(machine.databaseFile()));
    info->analyzeQPXi();
    EXPECT_TRUE(QFile::exists(machine.notSynthList()));
    info->initializeDatabase();
    EXPECT_FALSE(QFile::exists(machine.notSynthList()));
    EXPECT_FALSE(QFile::exists(machine.databaseFile()));
    info->initializeDatabase();
}

TEST_F(Scan, TwoEditorsScanningOneDatabaseFolderTakeTurns)
{
    const QString busy = machine.base() + "/busy";
    for (int i = 0; i < 6; ++i) {
        machine.addPlugin(machine.userQpx3Folder(), QString("T%1.qpx3").arg(i),
                          "exit=9\ndelay-ms=20\nexclusive-file=" + busy.toUtf8() + "\n");
    }
    auto first = selected();
    auto second = selected();
    QThread* a = QThread::create([&] { first->analyzeQPXi(); });
    QThread* b = QThread::create([&] { second->analyzeQPXi(); });
    a->start();
    b->start();
    EXPECT_TRUE(a->wait(QDeadlineTimer(60000)));
    EXPECT_TRUE(b->wait(QDeadlineTimer(60000)));
    delete a;
    delete b;
    EXPECT_EQ(machine.finderRuns().size(), 12);
    EXPECT_FALSE(QFile::exists(busy + ".overlap")) << "two finders ran at once";
}

TEST_F(Scan, TwinsAreMatchedByTheTextBeforeTheLastDot)
{
    machine.addPlugin(machine.userQpx3Folder(), "Foo.v2.qpx3", finderResult({"1", "Foo v2", "0"}));
    machine.addPlugin(qpx2Folder(), "Foo.v2.qpx", finderResult({"1", "Foo v2 old", "0"}));
    machine.addPlugin(qpx2Folder() + "/other", "Foo.v3.qpx", finderResult({"1", "Foo v3", "0"}));
    auto info = selected();
    Announcements announcements(*info);
    info->analyzeQPXi();
    EXPECT_EQ(announcements.names(), (QStringList{"Foo.v2.qpx3", "Foo.v3.qpx", QString()}));
    EXPECT_EQ(PluginMachine::readFile(machine.notSynthList()), QByteArray("Foo.v2.qpx\n"));
}
