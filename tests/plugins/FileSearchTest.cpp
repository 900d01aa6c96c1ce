#include "CFileSearch.h"
#include "PluginMachine.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

using kwtest::localPath;
using kwtest::PluginMachine;

namespace {

std::vector<std::string> pathsOf(const CFileSearch& search, long index)
{
    std::vector<std::string> paths;
    for (long n = 0; n < search.GetNumberOfPaths(static_cast<unsigned long>(index)); ++n) {
        paths.push_back(search.GetPath(static_cast<unsigned long>(index), static_cast<unsigned long>(n)));
    }
    return paths;
}

// Searches a folder for items with the extension qpx; a failed search gives no paths and a test failure.
std::vector<std::string> searchQpx(const QString& top, bool unique = false)
{
    CFileSearch search;
    search.SetSearchExtension("qpx");
    EXPECT_TRUE(search.SearchFiles(localPath(top).c_str(), 0, unique)) << top.toStdString();
    return pathsOf(search, 0);
}

bool contains(const std::vector<std::string>& paths, const QString& path)
{
    return std::find(paths.begin(), paths.end(), localPath(path)) != paths.end();
}

} // namespace

TEST(FileSearchSplitPath, SplitsFolderBaseNameAndExtensionAtTheLastDot)
{
    std::string folder, base, extension;
    const std::string path = "/a/b/Foo.bar.qpx";
    ASSERT_TRUE(CFileSearch::SplitPath(&path, &folder, &base, &extension, false));
    EXPECT_EQ(folder, "/a/b/");
    EXPECT_EQ(base, "Foo.bar");
    EXPECT_EQ(extension, ".qpx");

    const std::string hidden = "/a/.hidden";
    ASSERT_TRUE(CFileSearch::SplitPath(&hidden, nullptr, &base, &extension, false));
    EXPECT_EQ(base, ".hidden");
    EXPECT_EQ(extension, "");

    const std::string trailing = "/a/Foo.";
    ASSERT_TRUE(CFileSearch::SplitPath(&trailing, nullptr, &base, &extension, false));
    EXPECT_EQ(base, "Foo.");
    EXPECT_EQ(extension, "");

    const std::string relative = "a/b";
    EXPECT_FALSE(CFileSearch::SplitPath(&relative, &folder, &base, &extension, false));
    EXPECT_TRUE(folder.empty() && base.empty() && extension.empty());
    EXPECT_FALSE(CFileSearch::SplitPath(nullptr, &folder, &base, &extension, false));

    const std::string name = "Grand.Piano.qpx3";
    ASSERT_TRUE(CFileSearch::SplitPath(&name, &folder, &base, &extension, true));
    EXPECT_EQ(base, "Grand.Piano");
    EXPECT_EQ(extension, ".qpx3");
}

TEST(FileSearchSplitPath, DirectoryNameIsTheTextBetweenTheLastTwoSlashes)
{
    std::string name;
    const std::string path = "/x/y/Foo.qpx";
    EXPECT_TRUE(CFileSearch::GetDirectoryName(&path, &name));
    EXPECT_EQ(name, "y");
    const std::string shallow = "Foo/bar";
    EXPECT_FALSE(CFileSearch::GetDirectoryName(&shallow, &name));
    EXPECT_FALSE(CFileSearch::GetDirectoryName(&path, nullptr));
}

TEST(FileSearchKeywords, NormalisesExtensionsAndRefusesDuplicates)
{
    CFileSearch search;
    EXPECT_TRUE(search.SetSearchExtension(".QPX"));
    EXPECT_FALSE(search.SetSearchExtension("qpx"));
    EXPECT_FALSE(search.SetSearchExtension(nullptr));
    EXPECT_TRUE(search.SetSearchPackageType("aPcs"));
    EXPECT_FALSE(search.SetSearchPackageType("aPcs"));
    EXPECT_TRUE(search.SetSearchPackageType("APCS")); // type codes keep their case
    std::string keyword;
    EXPECT_TRUE(search.GetSearchExtension(0, &keyword));
    EXPECT_EQ(keyword, "qpx");
    EXPECT_FALSE(search.GetSearchExtension(1, &keyword));
    EXPECT_TRUE(keyword.empty());
    EXPECT_TRUE(search.GetSearchPackageType(1, &keyword));
    EXPECT_EQ(keyword, "aPcs");
    EXPECT_EQ(search.GetKeywordIndex("aPcs", true), -1);
    EXPECT_EQ(search.GetKeywordIndex(".Qpx", true), 0);
    EXPECT_EQ(search.GetNumberOfPaths(7), -1);
    EXPECT_EQ(search.GetPath(7, 0), "");
    EXPECT_EQ(search.GetPath(0, 3), "");
    EXPECT_TRUE(search.RemoveSearchKeywordAndPaths(0));
    EXPECT_FALSE(search.RemoveSearchKeywordAndPaths(5));
    EXPECT_EQ(search.GetNumberOfSearchKeywords(), 2u);
    EXPECT_FALSE(search.SetIgnorableDirPath(""));
    EXPECT_TRUE(search.SetIgnorableDirPath("/x/Reverb/"));
    EXPECT_TRUE(search.GetIgnorableDirPath(0, &keyword));
    EXPECT_EQ(keyword, "/x/Reverb");
    search.ResetAll();
    EXPECT_EQ(search.GetNumberOfSearchKeywords(), 0u);
    EXPECT_EQ(search.GetNumberOfIgnorableDirPaths(), 0u);
}

TEST(FileSearchWalk, FindsFilesAndBundlesByExtensionAndTypeCodeAndEntersBundles)
{
    PluginMachine machine;
    const QString top = machine.base() + "/plugins";
    const QString upper = machine.addPlugin(top + "/sub", "Foo.QPX");
    const QString bundle = machine.addBundle(top, "Bar.component", "", "aPcs");
    const QString inner = machine.addPlugin(bundle + "/Contents", "Inner.qpx");
    machine.addPlugin(top, "Other.txt");
    CFileSearch search;
    search.SetSearchExtension("qpx");
    search.SetSearchPackageType("aPcs");
    ASSERT_TRUE(search.SearchFiles(localPath(top).c_str(), 0, false));
    const auto byExtension = pathsOf(search, 0);
    EXPECT_EQ(byExtension.size(), 2u);
    EXPECT_TRUE(contains(byExtension, upper));
    EXPECT_TRUE(contains(byExtension, inner));
    EXPECT_EQ(pathsOf(search, 1), std::vector<std::string>{localPath(bundle)});
    EXPECT_FALSE(search.SearchFiles(localPath(top + "/missing").c_str(), 0, false));
    EXPECT_FALSE(search.SearchFiles(localPath(upper).c_str(), 0, false));
    EXPECT_FALSE(search.SearchFiles("", 0, false));
}

TEST(FileSearchWalk, ListsNineteenLevelsBelowTheStartButNotTwenty)
{
    PluginMachine machine;
    QString folder = machine.base() + "/deep";
    for (int level = 1; level <= 20; ++level) {
        folder += "/d";
        machine.addPlugin(folder, QString("L%1.qpx").arg(level));
    }
    const auto paths = searchQpx(machine.base() + "/deep");
    EXPECT_EQ(paths.size(), 19u);
    EXPECT_TRUE(std::any_of(paths.begin(), paths.end(), [](const std::string& p) { return p.ends_with("/L19.qpx"); }));
    EXPECT_FALSE(std::any_of(paths.begin(), paths.end(), [](const std::string& p) { return p.ends_with("/L20.qpx"); }));
}

TEST(FileSearchWalk, StopsStoringAfterTheHitLimitAndStillSucceeds)
{
    PluginMachine machine;
    const QString top = machine.base() + "/many";
    QDir().mkpath(top);
    for (int i = 0; i < 1100; ++i) {
        QFile file(top + QString("/P%1.qpx").arg(i));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(searchQpx(top).size(), 1024u);
}

TEST(FileSearchWalk, SkipsItemsWhosePathReachesTheLengthLimit)
{
    PluginMachine machine;
    const QString top = machine.base() + "/long";
    QDir().mkpath(top);
    const int prefix = static_cast<int>(QFile::encodeName(top).size()) + 1;
    // One name that makes the path exactly 1023 bytes, one that makes it 1024 (split over folders,
    // as a single name may not exceed 255 bytes).
    auto makeNested = [&](int total, const QString& tag) {
        QString path = top;
        int remaining = total - prefix;
        while (remaining > 200 + 8) {
            path += "/" + QString(199, QChar('d'));
            remaining -= 200;
        }
        const QString name = QString(remaining - 4 - tag.size(), QChar('n')) + tag + ".qpx";
        QDir().mkpath(path);
        QFile file(path + "/" + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return QFile::encodeName(path + "/" + name).size();
    };
    EXPECT_EQ(makeNested(1023, "A"), 1023);
    EXPECT_EQ(searchQpx(top).size(), 1u);

    QDir(top).removeRecursively();
    QDir().mkpath(top);
    EXPECT_EQ(makeNested(1024, "B"), 1024);
    EXPECT_TRUE(searchQpx(top).empty());
}

TEST(FileSearchWalk, UniqueFlagKeepsTheFirstPathPerBaseName)
{
    PluginMachine machine;
    const QString top = machine.base() + "/uniq";
    machine.addPlugin(top + "/a", "Foo.qpx");
    machine.addPlugin(top + "/b", "Foo.qpx");
    machine.addPlugin(top + "/b", "foo.qpx");
    const auto paths = searchQpx(top, true);
    EXPECT_EQ(std::count_if(paths.begin(), paths.end(), [](const std::string& p) { return p.ends_with("/Foo.qpx"); }),
              1);
    EXPECT_TRUE(contains(paths, top + "/b/foo.qpx"));
}

TEST(FileSearchWalk, SkipsOnlyTheRegisteredFolderAndItsContents)
{
    PluginMachine machine;
    const QString top = machine.base() + "/skip";
    machine.addPlugin(top + "/Reverb", "InReverb.qpx");
    machine.addPlugin(top + "/Reverb2", "Beside.qpx");
    machine.addPlugin(top + "/x/Reverb", "Deeper.qpx");
    QDir().mkpath(top + "/Reverb.qpx");
    CFileSearch search;
    search.SetSearchExtension("qpx");
    search.SetIgnorableDirPath(localPath(top + "/Reverb/").c_str());
    ASSERT_TRUE(search.SearchFiles(localPath(top).c_str(), 0, false));
    const auto paths = pathsOf(search, 0);
    EXPECT_FALSE(contains(paths, top + "/Reverb/InReverb.qpx"));
    EXPECT_TRUE(contains(paths, top + "/Reverb2/Beside.qpx"));
    EXPECT_TRUE(contains(paths, top + "/x/Reverb/Deeper.qpx"));
    EXPECT_TRUE(contains(paths, top + "/Reverb.qpx"));
}

TEST(FileSearchWalk, NeverEntersAFolderTwiceThroughLinks)
{
    PluginMachine machine;
    const QString top = machine.base() + "/loop";
    machine.addPlugin(top + "/a", "Looped.qpx");
    ASSERT_TRUE(QFile::link(top, top + "/a/back"));
    ASSERT_TRUE(QFile::link(top + "/a", top + "/again"));
    EXPECT_EQ(searchQpx(top).size(), 1u);
}

TEST(FileSearchWalk, SkipsNamesThatAreNoValidText)
{
    PluginMachine machine;
    const QString top = machine.base() + "/bytes";
    machine.addPlugin(top, "Good.qpx");
    const QByteArray bad = QFile::encodeName(top) + "/Bad\xff\xfe.qpx";
    const int fd = ::open(bad.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(searchQpx(top), std::vector<std::string>{localPath(top + "/Good.qpx")});
}
