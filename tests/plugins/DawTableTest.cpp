#include "PluginMachine.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

using kwtest::PluginMachine;

namespace {

QStringList pathsOf(const QList<QDir>& folders)
{
    QStringList paths;
    for (const QDir& folder : folders) {
        paths << folder.absolutePath();
    }
    return paths;
}

} // namespace

TEST(DAWTable, EmptyWhenNoEditionIsInstalled)
{
    PluginMachine machine;
    EXPECT_TRUE(machine.make()->getDAWList().isEmpty());
}

TEST(DAWTable, ListsInstalledEditionsWithAReadableCacheFileInCodeUnitOrder)
{
    PluginMachine machine;
    machine.installDAW("Sonvik 8", "Sonvik 8");
    machine.installDAW("Sonvik 8", "Sonvik Artist 8");
    machine.installDAW("Parlex 7", "Parlex 7", {}, false, true);  // only the 64-bit cache file
    machine.installDAW("Sonvik 7", "Sonvik 7", {}, false, false); // application without a cache file
    QDir().mkpath(machine.prefsFolder("Parlex 6"));               // cache file without the application
    PluginMachine::writeFile(machine.prefsFolder("Parlex 6") + "/Qpx2xPlugins Parlex 6.xml", "<Qpx2xPlugins/>");
    auto info = machine.make();
    EXPECT_EQ(info->getDAWList(), (QStringList{"Parlex 7", "Sonvik 8", "Sonvik Artist 8"}));
    EXPECT_EQ(info->dawEntry("Parlex 7"), qMakePair(QString("Parlex 7"), QString("Qpx2xPlugins Parlex 7.xml")));
    EXPECT_EQ(info->dawEntry("Sonvik Artist 8").first, QString("Sonvik 8"));
    EXPECT_EQ(info->dawEntry("Sonvik Artist 8").second, QString("Qpx2xPlugins Sonvik Artist 8.xml"));
}

TEST(DAWTable, ApplicationWithoutSearchPermissionIsNotInstalled)
{
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind the super-user";
    }
    PluginMachine machine;
    machine.installDAW("Sonvik 8", "Sonvik 8");
    QFile::setPermissions(machine.appFolder("Sonvik 8"), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_TRUE(machine.make()->getDAWList().isEmpty());
    QFile::setPermissions(machine.appFolder("Sonvik 8"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(DAWSelection, BuildsTheFolderListsFromTheApplicationAndBothCacheFiles)
{
    PluginMachine machine;
    const QString shared = machine.base() + "/shared/";
    machine.installDAW("Sonvik 8", "Sonvik 8", {machine.base() + "/plain", shared + "Both"}, true, false);
    PluginMachine::writeFile(machine.prefsFolder("Sonvik 8") + "/Qpx2xPlugins Sonvik 8 (x86_64).xml",
                             PluginMachine::cacheFileText({shared + "Both", machine.base() + "/wide"}));
    auto info = machine.make();
    info->selectDAW("Sonvik 8");
    EXPECT_EQ(info->selectedDAW(), QString("Sonvik 8"));
    EXPECT_EQ(pathsOf(info->qpx2Folders()),
              (QStringList{machine.appFolder("Sonvik 8") + "/Contents/QPXPlugIns", machine.base() + "/plain",
                           shared + "Both", machine.base() + "/wide"}));
    EXPECT_EQ(pathsOf(info->qpx3Folders()), (QStringList{machine.appFolder("Sonvik 8") + "/Contents/QPX3",
                                                         machine.systemQpx3Folder(), machine.userQpx3Folder()}));
}

TEST(DAWSelection, ReachesTheWideCacheFileThroughTheDerivedName)
{
    PluginMachine machine;
    machine.installDAW("Parlex 7", "Parlex 7", {machine.base() + "/wideonly"}, false, true);
    auto info = machine.make();
    info->selectDAW("Parlex 7");
    EXPECT_EQ(pathsOf(info->qpx2Folders()),
              (QStringList{machine.appFolder("Parlex 7") + "/Contents/QPXPlugIns", machine.base() + "/wideonly"}));
}

TEST(DAWSelection, EditionsSharingAnApplicationUseTheirOwnCacheFile)
{
    PluginMachine machine;
    machine.installDAW("Sonvik 8", "Sonvik 8", {machine.base() + "/pro"});
    machine.installDAW("Sonvik 8", "Sonvik Artist 8", {machine.base() + "/artist"});
    auto info = machine.make();
    info->selectDAW("Sonvik Artist 8");
    EXPECT_EQ(pathsOf(info->qpx2Folders()).last(), machine.base() + "/artist");
    info->selectDAW("Sonvik 8");
    EXPECT_EQ(pathsOf(info->qpx2Folders()).last(), machine.base() + "/pro");
}

TEST(DAWSelection, EmptyNameLeavesEverythingEmpty)
{
    PluginMachine machine;
    machine.installDAW("Sonvik 8", "Sonvik 8");
    auto info = machine.make();
    info->selectDAW("");
    EXPECT_TRUE(info->qpx2Folders().isEmpty());
    EXPECT_TRUE(info->qpx3Folders().isEmpty());
    EXPECT_TRUE(info->getQPXiExistsAndPresetList().isEmpty());
    EXPECT_TRUE(info->pluginFiles().isEmpty());
    // The instrument list keeps its names until the next merge.
    EXPECT_EQ(info->getQPXiList(), (QStringList{"Audio Track", "MIDI Track", "Generic"}));
}

TEST(CacheFile, FollowsOnlyTheHostsPathListShape)
{
    PluginMachine machine;
    const QString cache = machine.base() + "/cache.xml";
    PluginMachine::writeFile(cache, R"(<Qpx2xPlugins>
 <list name="Entries" type="list">
  <item>
   <string name="Group" value="Qpx2xPlugManager"/>
   <string name="Group" value="Qpx2xPlugManager"/>
   <member name="Values"><member name="PathList"><list name="paths" type="obj">
     <obj class="FNPath"><string name="Path" value="/a/"/><string name="Name" value="Joined"/></obj>
     <obj class="FNPath"><string name="Path" value="/b"/><string name="Name" value="RunOn"/></obj>
     <obj class="FNPath"><string name="Name" value="NoPath"/></obj>
     <obj class="Other"><string name="Path" value="/c/"/><string name="Name" value="WrongClass"/></obj>
     <obj class="FNPath"><string name="Path" value="/x/"/><string name="Path" value="/d/"/><string name="Name" value="Later"/></obj>
   </list></member></member>
  </item>
  <item>
   <string name="Group" value="SomethingElse"/>
   <member name="Values"><member name="PathList"><list name="paths" type="obj">
     <obj class="FNPath"><string name="Path" value="/e/"/><string name="Name" value="OtherGroup"/></obj>
   </list></member></member>
  </item>
 </list>
 <list name="Entries" type="obj">
  <item><string name="Group" value="Qpx2xPlugManager"/><member name="Values"><member name="PathList">
   <list name="paths" type="obj"><obj class="FNPath"><string name="Path" value="/f/"/><string name="Name" value="WrongType"/></obj></list>
  </member></member></item>
 </list>
</Qpx2xPlugins>)");
    PluginMachine::writeFile(machine.base() + "/foreign.xml", "<Other><list name=\"Entries\" type=\"list\"/></Other>");
    PluginMachine::writeFile(machine.base() + "/broken.xml", "<Qpx2xPlugins><list");
    machine.installDAW("Sonvik 8", "Sonvik 8", {});
    auto info = machine.make();
    info->selectDAW("Sonvik 8");
    QString path = cache;
    info->analyzeXmlToFindQPX2Folders(path);
    for (const QString& other :
         {machine.base() + "/foreign.xml", machine.base() + "/broken.xml", machine.base() + "/missing.xml"}) {
        QString p = other;
        info->analyzeXmlToFindQPX2Folders(p);
    }
    EXPECT_EQ(pathsOf(info->qpx2Folders()), (QStringList{machine.appFolder("Sonvik 8") + "/Contents/QPXPlugIns",
                                                         "/a/Joined", "/bRunOn", "/d/Later"}));
}
