#include "ShellFixture.h"

#include "EditorDefinitions.h"
#include "ParamAddress.h"

#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QSet>
#include <QTemporaryDir>

#include <thread>
#include <vector>

namespace {

// Ports of a device that is not a whole synthesizer: the given input (source) and output numbers.
struct PartialDevice
{
    std::vector<std::unique_ptr<kwmidi::PublishedSource>> sources;
    std::vector<std::unique_ptr<kwmidi::PublishedDestination>> destinations;

    PartialDevice(const std::string& device, std::vector<int> inputs, std::vector<int> outputs,
                  const std::string& gap = " ")
    {
        auto client = kwmidi::Client::acquire();
        for (int n : inputs) {
            sources.push_back(client->createSource(device, gap.substr(1) + "Port" + std::to_string(n)));
        }
        for (int n : outputs) {
            destinations.push_back(client->createDestination(device, gap.substr(1) + "Port" + std::to_string(n)));
        }
    }
};

} // namespace

TEST_F(ShellFixture, PortListHoldsOnlyWholeSynthesizersOfTheMaker)
{
    startSynth();
    auto capitals = zelksim::SynthMidi::create(kwmidi::Client::acquire(), {}, "TELVOR ZELK6/ZELK8 Studio");
    auto lowerCase = zelksim::SynthMidi::create(kwmidi::Client::acquire(), {}, "telvor ZELK6/ZELK8 Lower");
    auto otherMaker = zelksim::SynthMidi::create(kwmidi::Client::acquire(), {}, "Other Synth");
    PartialDevice missingOutput("Telvor ZELK6/ZELK8 Four", {1, 2, 3, 4, 5}, {1, 2, 3, 4});
    PartialDevice sixPorts("Telvor ZELK6/ZELK8 Six", {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6});
    PartialDevice spaced("Telvor ZELK6/ZELK8 Spaced", {1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}, "    ");
    // A second synthesizer of the first one's name, its ports listed after the first one's.
    auto twin = zelksim::SynthMidi::create(kwmidi::Client::acquire(), {}, "Telvor ZELK6/ZELK8");
    ASSERT_TRUE(capitals && lowerCase && otherMaker && twin);

    startWindow(false);
    QStringList names = window->getPortNameList();
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(names.takeFirst(), PortNotAssigned);
    names.sort();
    EXPECT_EQ(names,
              (QStringList{QStringLiteral("TELVOR ZELK6/ZELK8 Studio"), QStringLiteral("Telvor ZELK6/ZELK8"),
                           QStringLiteral("Telvor ZELK6/ZELK8 (2)"), QStringLiteral("Telvor ZELK6/ZELK8 Spaced")}));
    QList<int> ids;
    for (const EditorMainWindow::PortInfo& info : window->getPortInfoList()) {
        EXPECT_GT(info.activeSenseInputId, 0) << info.name.toStdString();
        EXPECT_NE(info.activeSenseInputId, info.communicationInputId) << info.name.toStdString();
        EXPECT_GT(info.communicationOutputId, 0) << info.name.toStdString();
        ids << info.activeSenseInputId << info.communicationInputId << -info.communicationOutputId;
    }
    // No port is in two sets: the second synthesizer's ports are its own.
    EXPECT_EQ(QSet<int>(ids.begin(), ids.end()).size(), ids.size());
}

TEST_F(ShellFixture, SelectingThePortSetThatIsOpenKeepsTheRouteAndOnlineState)
{
    startSynth();
    startWindow(false);
    ASSERT_TRUE(window->isRouteOpen());
    memApi->setONLINEstate(1);

    window->setPortIndex(1);
    EXPECT_TRUE(memApi->isONLINE()) << "an unchanged selection leaves ONLINE alone";
    EXPECT_EQ(settings().value(QStringLiteral("PortName")).toString(), window->getPortNameList().at(1));

    window->setPortIndex(0);
    EXPECT_FALSE(memApi->isONLINE());
    EXPECT_TRUE(memApi->isWatchPortActivate());
    EXPECT_EQ(window->getPortIndex(), 0);
    EXPECT_EQ(settings().value(QStringLiteral("PortName")).toString(), PortNotAssigned);

    window->setPortIndex(1);
    EXPECT_TRUE(window->isRouteOpen());
    EXPECT_EQ(window->getPortIndex(), 1);
}

TEST_F(ShellFixture, PortSetWhoseOpenFailedIsOpenedAgainWhenChosenAgain)
{
    startSynth();
    auto stored = settings();
    stored.setValue(QStringLiteral("PortName"), PortNotAssigned);
    stored.sync();
    startWindow(false);
    ASSERT_EQ(window->getPortNameList().size(), 2);
    synth.reset();

    window->setPortIndex(1);
    EXPECT_FALSE(window->isRouteOpen());
    ASSERT_NE(window->portOpenErrorPanel(), nullptr);
    EXPECT_EQ(window->getPortName(), QStringLiteral("Telvor ZELK6/ZELK8"));
    ASSERT_TRUE(closePanel(window->portOpenErrorPanel()));

    startSynth();
    window->updatePortInfoList();
    EXPECT_EQ(window->getPortIndex(), 1) << "the selection is found again by its name";
    window->setPortIndex(1);
    EXPECT_TRUE(window->isRouteOpen()) << "a failed selection counts as changed";
    EXPECT_EQ(window->portOpenErrorPanel(), nullptr);
}

TEST_F(ShellFixture, RebuiltListWithoutTheSelectedSetNeverPointsPastItsEnd)
{
    startSynth();
    startWindow(false);
    ASSERT_EQ(window->getPortIndex(), 1);
    synth.reset();
    // The open route waits for the synthesizer's ports to come back: its set stays the selection.
    window->updatePortInfoList();
    EXPECT_EQ(window->getPortNameList(), (QStringList{PortNotAssigned, QStringLiteral("Telvor ZELK6/ZELK8")}));
    EXPECT_EQ(window->getPortIndex(), 1);
    window->setPortIndex(5);
    EXPECT_EQ(window->getPortIndex(), 0);
    EXPECT_EQ(settings().value(QStringLiteral("PortName")).toString(), PortNotAssigned);
    window->updatePortInfoList();
    EXPECT_EQ(window->getPortNameList(), QStringList{PortNotAssigned}) << "a dropped route's set stayed listed";
    EXPECT_EQ(window->getPortIndex(), 0);
}

TEST_F(ShellFixture, DAWChoiceAndWorkingFolder)
{
    startWindow(false);
    window->setDAWName(QStringLiteral("Not Installed"));
    EXPECT_EQ(window->getDAWName(), QString());
    EXPECT_EQ(settings().value(QStringLiteral("DAWName")).toString(), QString());
    EXPECT_FALSE(window->qpxiDatabaseAction()->isEnabled());
    EXPECT_FALSE(window->isQuorvaneDAW());

    const QString documents = window->getWorkingFolder();
    EXPECT_TRUE(QFileInfo(documents).isDir());
    QTemporaryDir folder;
    window->setWorkingFolder(folder.filePath(QStringLiteral("bank.Q9E")));
    EXPECT_EQ(window->getWorkingFolder(), QDir(folder.path()).absolutePath());
    window->setWorkingFolder(folder.filePath(QStringLiteral("missing/bank.Q9E")));
    EXPECT_EQ(window->getWorkingFolder(), QDir(folder.path()).absolutePath()) << "a missing folder is not kept";
    const QString longPath = folder.path() + QLatin1Char('/') + QString(200, QLatin1Char('d'));
    ASSERT_TRUE(QDir().mkpath(longPath + QLatin1Char('/') + QString(200, QLatin1Char('e'))));
    window->setWorkingFolder(longPath + QLatin1Char('/') + QString(200, QLatin1Char('e')) + QStringLiteral("/x.Q9E"));
    EXPECT_EQ(window->getWorkingFolder(), longPath + QLatin1Char('/') + QString(200, QLatin1Char('e')))
        << "long paths are kept whole";
    folder.remove();
    EXPECT_EQ(window->getWorkingFolder(), documents);
}

TEST_F(ShellFixture, ActiveSensingAsksForAutoSyncByWhetherTheBankWasEdited)
{
    zelksim::SynthOptions quiet;
    quiet.senseInterval = 0;
    startSynth(quiet);
    startWindow(false);
    ASSERT_TRUE(window->isRouteOpen());

    memApi->setParam(ParamAddress(ParamAddress::kFileEditFlagBank, -1, -1, -1), 1);
    std::thread([api = memApi.get()] { api->emitPortActivatedSignal(); }).join();
    ASSERT_TRUE(kwtest::processUntil([&] { return autoSyncsShown() == 1; }));
    EXPECT_TRUE(shownAutoSyncs.last().sendAfterReceive) << "an edited bank is sent";
    EXPECT_FALSE(shownAutoSyncs.last().editBufferOnly);
    EXPECT_TRUE(shownAutoSyncs.last().fileOpeningWaits);
    // The announcement starts the exchange; the panel closes itself when it is done.
    ASSERT_TRUE(kwtest::processUntil([&] { return window->autoSyncPanel() == nullptr; }, std::chrono::seconds(30)));

    // Announced while another panel holds the window: auto-sync waits, file opening keeps waiting for it.
    // The synthesizer announces itself again only once the editor has gone offline.
    memApi->setONLINEstate(0);
    memApi->setParam(ParamAddress(ParamAddress::kFileEditFlagBank, -1, -1, -1), 0);
    memApi->setNeedToWaitAutoSyncDoneFlag(false);
    synth->withCore([](zelksim::SynthCore& core, zelksim::Millis) { core.setSilent(true); });
    window->viewStore();
    std::thread([api = memApi.get()] { api->emitPortActivatedSignal(); }).join();
    ASSERT_TRUE(kwtest::processUntil([&] { return memApi->needToWaitAutoSyncDone(); }));
    EXPECT_EQ(window->autoSyncPanel(), nullptr);
    ASSERT_TRUE(closePanel(window->findChild<QWidget*>(QStringLiteral("StoreConfirm"))));
    ASSERT_NE(window->autoSyncPanel(), nullptr);
    EXPECT_FALSE(window->autoSyncPanel()->property("sendAfterReceive").toBool()) << "an unedited bank is received";
    EXPECT_TRUE(window->autoSyncPanel()->property("editBufferOnly").toBool());
}
