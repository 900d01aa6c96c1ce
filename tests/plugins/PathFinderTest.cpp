#include "CQPXiPathFinder.h"
#include "PluginMachine.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using kwtest::localPath;
using kwtest::PluginMachine;

TEST(PathFinder, FirstFolderWinsPerBaseNameWhateverTheExtension)
{
    PluginMachine machine;
    const QString first = machine.base() + "/first";
    const QString second = machine.base() + "/second";
    const QString bundle = machine.addBundle(first, "Synth.component", "", "aPcs");
    machine.addPlugin(second, "Synth.qpx");
    const QString only = machine.addPlugin(second, "Only.qpx");
    CQPXiPathFinder finder(localPath(machine.databaseFolder()));
    std::vector<std::string> found;
    ASSERT_TRUE(finder.SearchAllFiles({localPath(first) + "/", localPath(second)}, &found, true));
    EXPECT_EQ(found, (std::vector<std::string>{localPath(bundle), localPath(only)}));
    EXPECT_FALSE(finder.SearchAllFiles({}, &found, true));
    EXPECT_FALSE(finder.SearchAllFiles({localPath(first)}, nullptr, true));
}

TEST(PathFinder, ExtensionMatchesComeBeforeTypeCodeMatchesWithinAFolder)
{
    PluginMachine machine;
    const QString top = machine.base() + "/one";
    const QString bundle = machine.addBundle(top + "/a", "Dual.vst", "", "aPcs");
    const QString file = machine.addPlugin(top + "/z", "Dual.qpx");
    CQPXiPathFinder finder("");
    std::vector<std::string> found;
    finder.SearchAllFiles({localPath(top)}, &found, true);
    EXPECT_EQ(found, std::vector<std::string>{localPath(file)});
    (void)bundle;
}

TEST(PathFinder, SkipsEffectFoldersDirectlyBelowEachQpx2FolderOnly)
{
    PluginMachine machine;
    const QString top = machine.base() + "/qpx2";
    machine.addPlugin(top + "/Reverb", "Hall.qpx");
    machine.addPlugin(top + "/Tools", "Meter.qpx");
    const QString deeper = machine.addPlugin(top + "/Vendor/Reverb", "Plate.qpx");
    const QString qpx3 = machine.addPlugin(top + "/Reverb", "Room.qpx3");
    CQPXiPathFinder finder("");
    std::vector<std::string> qpx2Found;
    finder.SearchAllFiles({localPath(top)}, &qpx2Found, true);
    EXPECT_EQ(qpx2Found, std::vector<std::string>{localPath(deeper)});
    std::vector<std::string> qpx3Found;
    finder.SearchAllFiles({localPath(top)}, &qpx3Found, false);
    EXPECT_EQ(qpx3Found, std::vector<std::string>{localPath(qpx3)});
}

TEST(PathFinder, DropsIgnorableFileNamesInAnyFolder)
{
    PluginMachine machine;
    const QString top = machine.base() + "/ign";
    machine.addPlugin(top + "/a", "Known.qpx3");
    const QString other = machine.addPlugin(top + "/b", "Known.QPX3");
    CQPXiPathFinder finder("");
    finder.SetIgnorableQPXis({"Known.qpx3"});
    std::vector<std::string> found;
    finder.SearchAllFiles({localPath(top)}, &found, false);
    EXPECT_EQ(found, std::vector<std::string>{localPath(other)});
    EXPECT_TRUE(finder.IsIgnorable(""));
    EXPECT_TRUE(finder.IsIgnorable("relative/Known.qpx3"));
}

TEST(NotSynthList, MatchesWholeLinesOfFileNamesExactly)
{
    PluginMachine machine;
    QDir().mkpath(machine.databaseFolder());
    CQPXiPathFinder finder(localPath(machine.databaseFolder()));
    EXPECT_EQ(finder.NotSynthListPath(), localPath(machine.notSynthList()));
    EXPECT_TRUE(finder.CheckNotSynthList("/any/Foo.qpx")); // no list yet
    const QByteArray longLine = QByteArray(3000, 'x') + "Foo.qpx\n";
    PluginMachine::writeFile(machine.notSynthList(),
                             longLine + "Bar.qpx \nBaz.qpx\r\n/full/path/Qux.qpx\nFoo.qpx3\nSame.qpx\n");
    EXPECT_TRUE(finder.CheckNotSynthList("/x/Foo.qpx")); // only the end of a long line holds the name
    EXPECT_TRUE(finder.CheckNotSynthList("/x/Bar.qpx")); // trailing blank
    EXPECT_TRUE(finder.CheckNotSynthList("/x/Baz.qpx")); // carriage return
    EXPECT_TRUE(finder.CheckNotSynthList("/full/path/Qux.qpx"));
    EXPECT_FALSE(finder.CheckNotSynthList("/x/Foo.qpx3"));
    EXPECT_FALSE(finder.CheckNotSynthList("/elsewhere/Same.qpx"));
    EXPECT_TRUE(finder.CheckNotSynthList("/elsewhere/same.qpx"));
    EXPECT_FALSE(finder.CheckNotSynthList("no/file/name"));
}

TEST(NotSynthList, AppendsFileNamesAndReportsFailures)
{
    PluginMachine machine;
    QDir().mkpath(machine.databaseFolder());
    CQPXiPathFinder finder(localPath(machine.databaseFolder() + "/"));
    EXPECT_TRUE(finder.AddNotSynthList("/a/b/Effect.qpx"));
    EXPECT_TRUE(finder.AddNotSynthList("/c/Effect.qpx"));
    EXPECT_FALSE(finder.AddNotSynthList("/c/Line\nBreak.qpx"));
    EXPECT_FALSE(finder.AddNotSynthList("relative.qpx"));
    EXPECT_EQ(PluginMachine::readFile(machine.notSynthList()), QByteArray("Effect.qpx\nEffect.qpx\n"));
    EXPECT_FALSE(finder.CheckNotSynthList("/z/Effect.qpx"));

    CQPXiPathFinder noFolder("");
    EXPECT_FALSE(noFolder.AddNotSynthList("/a/Effect.qpx"));
    CQPXiPathFinder missingFolder(localPath(machine.base() + "/no/such/folder"));
    EXPECT_FALSE(missingFolder.AddNotSynthList("/a/Effect.qpx"));
}

TEST(KnownInstruments, MapsKnownBaseNamesExactly)
{
    CQPXiPathFinder finder("");
    EXPECT_EQ(finder.GetQPXiName("/p/Trilogy QPX OSX.qpx"), std::vector<std::string>{"Trilogy"});
    EXPECT_EQ(finder.GetQPXiName("/p/Minimonsta_QPX2MachO.qpx"), std::vector<std::string>{"Minimonsta_QPX2MachO"});
    EXPECT_EQ(finder.GetQPXiName("/p/ImpOSCarOSX.qpx"), std::vector<std::string>{"ImpOSCarOSX"});
    EXPECT_EQ(finder.GetQPXiName("/p/SampleTank2.x.qpx"), std::vector<std::string>{"SampleTank2.x"});
    EXPECT_TRUE(finder.GetQPXiName("/p/trilogy.qpx").empty());
    EXPECT_TRUE(finder.GetQPXiName("/p/Unknown.qpx").empty());
    EXPECT_TRUE(finder.GetQPXiName("").empty());
}
