// The setup data in the simulated host: the user-command pages and the jog-stop option kept in the
// host's preference pool across hosts, and the setup files saved and loaded through the host's file
// dialogs, XML writer and parser, with broken, truncated and hostile files refused leaving everything
// as it was.
#include "CExtSetupInfo.h"
#include "DAWInfo.h"
#include "SimHost.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

using namespace Quorvane;
using simhost::SimHost;

namespace {

constexpr int kPages = 6;
constexpr int kButtons = 6;
const char* const kButtonNames[kButtons] = {"SF1", "SF2", "SF3", "SF4", "SF5", "SF6"};
const char* const kPageNames[kPages] = {"Project Setup", "Project Window", "MIDI", "Audio", "Mix", "---"};
constexpr const char* kSection = "ExtensionSetupData_ZELK";

// Factory commands "C<page>" / "A<page><button>" / "d<page><button>".
std::vector<SUserCommandInfo> factoryCommands()
{
    std::vector<SUserCommandInfo> commands;
    for (int page = 0; page < kPages; ++page)
        for (int button = 0; button < kButtons; ++button)
            commands.push_back({"C" + std::to_string(page), "A" + std::to_string(page * 10 + button),
                                "d" + std::to_string(page * 10 + button)});
    return commands;
}

// Every page's name and commands, in a form a test compares whole.
std::string snapshot(CExtSetupInfo& info)
{
    std::string text;
    const int current = info.GetPageIndex();
    for (int page = 0; page < info.GetNumberOfPages(); ++page) {
        info.SetPageIndex(page);
        text += info.GetCurrentPageName() + ":";
        for (int button = 0; button < info.GetNumberOfUserCmds(); ++button)
            text += " " + info.GetCategoryName(button) + "/" + info.GetActionName(button) + "/" +
                    info.GetDisplayName(button);
        text += "\n";
    }
    info.SetPageIndex(current);
    return text;
}

// The host's message box: records each message and its button.
class RecordingAlert : public simhost::HostObject<IAlert>
{
public:
    explicit RecordingAlert(simhost::HostContextRef host) : HostObject(std::move(host), "Alert") {}
    int32 showMessage(const char16_t* text, const char16_t* button1, const char16_t*) override
    {
        messages.push_back(std::u16string(text) + u" [" + button1 + u"]");
        return 0;
    }
    std::vector<std::u16string> messages;
};

class SetupData : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/setupdata-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        makeHost();
    }
    void TearDown() override
    {
        info.reset();
        host.reset();
        std::filesystem::remove_all(folder);
    }

    // A host keeping its preferences in the test's folder, with the setup data initialized on it.
    void makeHost()
    {
        host = std::make_unique<SimHost>();
        ASSERT_TRUE(host->setPreferencesFile(folder + "/preferences"));
        host->application().set(u"Sonvik Desk", u"7.5.0", u"Build 1234");
        alert = simhost::makeHostObject<RecordingAlert>(host->registry().shared_from_this());
        host->registry().addService(alert->unknown(), {IAlert::iid});
        alert->release(); // the registry keeps it
        dawInfo = std::make_unique<DAWInfo>(&host->application());
        info = std::make_unique<CExtSetupInfo>();
        info->Initialize(host->context(), "ZELK", kPages, kButtons, kButtonNames, kPageNames, defaults.data());
        info->SetInfoForFile("Telvor ZELK6/ZELK8", "1.0.2", dawInfo.get());
        info->AddLoadableModelName("Telvor BRAM6/BRAM8");
    }
    // The host ends (saving its preferences) after the setup data was terminated.
    void endHost()
    {
        info->Terminate();
        info.reset();
        host.reset();
    }

    std::string path(const std::string& name) const { return folder + "/" + name; }
    std::string read(const std::string& name) const
    {
        std::ifstream file(path(name));
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    void write(const std::string& name, const std::string& text) const { std::ofstream(path(name)) << text; }
    bool load(const std::string& name)
    {
        host->files().answerNextDialog({path(name)});
        alert->messages.clear();
        info->LoadAllData();
        return alert->messages.empty();
    }

    std::vector<SUserCommandInfo> defaults = factoryCommands();
    std::string folder;
    std::unique_ptr<SimHost> host;
    RecordingAlert* alert = nullptr;
    std::unique_ptr<DAWInfo> dawInfo;
    std::unique_ptr<CExtSetupInfo> info;
};

} // namespace

TEST_F(SetupData, PagesAndTheJogStopOptionLiveInTheHostsPreferencesAcrossHosts)
{
    // An empty pool: the factory commands on the first page, the jog stop on (and written back).
    EXPECT_EQ(info->GetPageIndex(), 0);
    EXPECT_EQ(info->GetCurrentPageName(), "Project Setup");
    EXPECT_EQ(info->GetActionName(5), "A5");
    bool jogStop = false;
    EXPECT_TRUE(info->GetFlagState(1, &jogStop) && jogStop);
    int32 stored = -1;
    EXPECT_TRUE(host->pool().getInt("ZELK Extension Settings", "JogStop", &stored) && stored == 1);

    ASSERT_TRUE(info->SetPageIndex(3));
    EXPECT_FALSE(info->SetPageIndex(3)) << "the page was current already";
    EXPECT_FALSE(info->SetPageIndex(6));
    info->SetCurrentPageName("Dr\tu\\ms\n"); // the preference file keeps any text
    info->SetCategoryName(2, "Edit");
    info->SetActionName(2, "Undo");
    info->SetDisplayName(2, nullptr);
    EXPECT_TRUE(info->SetFlagState(1, false));
    const std::string before = snapshot(*info);
    endHost();

    makeHost();
    EXPECT_EQ(snapshot(*info), before);
    EXPECT_EQ(info->GetPageIndex(), 3);
    EXPECT_EQ(info->GetCurrentPageName(), "Dr\tu\\ms\n");
    EXPECT_TRUE(info->GetFlagState(1, &jogStop) && !jogStop);
    const char* action = host->pool().getText(kSection, "Action3-2");
    EXPECT_STREQ(action, "Undo");
    EXPECT_STREQ(host->pool().getText(kSection, "MemoryName3"), "Dr\tu\\ms\n");

    // A command the pool holds only in part is the factory's; the reset gives back the current page only.
    host->pool().setText(kSection, "Category2-3", "Half");
    host->pool().setText(kSection, "Action2-3", nullptr);
    host->pool().setInt(kSection, "MemoryIndex", 6);
    info = std::make_unique<CExtSetupInfo>();
    info->Initialize(host->context(), "ZELK", kPages, kButtons, kButtonNames, kPageNames, defaults.data());
    EXPECT_EQ(info->GetPageIndex(), 0) << "a page out of range in the pool";
    info->SetPageIndex(2);
    EXPECT_EQ(info->GetCategoryName(3), "C2");
    EXPECT_EQ(info->GetActionName(3), "A23");
    info->SetPageIndex(0);
    info->SetCategoryName(0, "Kept");
    info->SetPageIndex(3);
    info->ResetAllUserCommands();
    EXPECT_EQ(info->GetCurrentPageName(), "Audio");
    EXPECT_EQ(info->GetActionName(2), "A32");
    info->SetPageIndex(0);
    EXPECT_EQ(info->GetCategoryName(0), "Kept") << "only the current page is reset";
}

TEST_F(SetupData, TerminateWritesThePagesWhileTheHostIsThereAndNothingReachesTheHostAfter)
{
    info->SetPageIndex(4);
    info->Terminate();
    int32 page = -1;
    EXPECT_TRUE(host->pool().getInt(kSection, "MemoryIndex", &page) && page == 4);
    // The host is gone before the setup data: destroying it must not reach the host's objects.
    host.reset();
    info.reset();
}

TEST_F(SetupData, ASavedFileLoadsBackWithEveryPageAndItsPredecessorsFilesLoadToo)
{
    host->files().answerNextDialog({path("setup.q9k")});
    info->SaveAllData();
    const std::string file = read("setup.q9k");
    EXPECT_EQ(file.find("<ExtensionSetupData>\n  <data name=\"General\">\n"
                        "    <model name=\"Telvor ZELK6/ZELK8\" buttons=\"6\" memories=\"6\"/>\n"
                        "    <file version=\"100\"/>\n"
                        "    <daw name=\"Sonvik Desk\" version=\"7.5.0\" build=\"1234\"/>\n"
                        "    <extension version=\"1.0.2\"/>\n  </data>\n"),
              file.find("<ExtensionSetupData>"));
    EXPECT_NE(file.find("  <data name=\"Memory 1\">\n    <memory name=\"Project Setup\"/>\n"
                        "    <command button=\"SF1\" category=\"C0\" action=\"A0\" display=\"d0\"/>\n"),
              std::string::npos);
    for (int memory = 1; memory <= 6; ++memory)
        EXPECT_NE(file.find("<data name=\"Memory " + std::to_string(memory) + "\">"), std::string::npos);
    EXPECT_EQ(file.find("Memory 7"), std::string::npos);
    const auto dialogs = host->files().dialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_TRUE(dialogs[0].save);
    EXPECT_EQ(dialogs[0].title, "Save");
    EXPECT_EQ(dialogs[0].types, std::vector<std::string>{"Q9K Extension Setup File"});

    const std::string saved = snapshot(*info);
    info->SetCategoryName(0, "Changed & <quoted> \"text\"\tGr\xC3\xB6\xC3\x9F"
                             "e");
    info->SetDisplayName(1, "bad\xFF");
    info->SetCurrentPageName("Other");
    host->files().answerNextDialog({path("odd.q9k")});
    info->SaveAllData();
    ASSERT_TRUE(load("setup.q9k"));
    EXPECT_EQ(snapshot(*info), saved);
    ASSERT_TRUE(load("odd.q9k")) << "texts with markup characters come back as they were";
    EXPECT_EQ(info->GetCategoryName(0), "Changed & <quoted> \"text\"\tGr\xC3\xB6\xC3\x9F"
                                        "e");
    EXPECT_EQ(info->GetDisplayName(1), "bad?") << "the host writes what is not UTF-8 so that it reads back";
    EXPECT_EQ(host->files().dialogs().back().title, "Open");
    EXPECT_EQ(host->files().dialogs().back().types, (std::vector<std::string>{"Q9K ZELK6/ZELK8 Extension Setup File",
                                                                              "Q8K BRAM6/BRAM8 Extension Setup File"}));

    // The predecessor's file; buttons a file leaves out are empty after the load.
    std::string older = read("setup.q9k");
    older.replace(older.find("Telvor ZELK6/ZELK8"), 18, "Telvor BRAM6/BRAM8");
    older.erase(older.find("    <command button=\"SF2\""),
                older.find("    <command button=\"SF3\"") - older.find("    <command button=\"SF2\""));
    write("older.q8k", older);
    ASSERT_TRUE(load("older.q8k"));
    info->SetPageIndex(0);
    EXPECT_EQ(info->GetCategoryName(1) + info->GetActionName(1) + info->GetDisplayName(1), "");
    EXPECT_EQ(info->GetActionName(2), "A2");

    // A cancelled save writes nothing and says nothing; a file that cannot be made writes nothing and says so.
    info->SaveAllData();
    EXPECT_TRUE(alert->messages.empty());
    host->files().answerNextDialog({path("missing/setup.q9k")});
    info->SaveAllData();
    EXPECT_FALSE(std::filesystem::exists(path("missing")));
    EXPECT_EQ(alert->messages, std::vector<std::u16string>{u"Failed to save. [OK]"});
    alert->messages.clear();
    // Setup data that cannot make a whole file (it does not know what it is) leaves the earlier file whole.
    const std::string whole = read("setup.q9k");
    CExtSetupInfo nameless;
    nameless.Initialize(host->context(), "ZELK", kPages, kButtons, kButtonNames, kPageNames, defaults.data());
    host->files().answerNextDialog({path("setup.q9k")});
    nameless.SaveAllData();
    EXPECT_EQ(read("setup.q9k"), whole);
    EXPECT_EQ(alert->messages, std::vector<std::u16string>{u"Failed to save. [OK]"});
    alert->messages.clear();

    // Cancelling or choosing two files shows nothing and changes nothing.
    const std::string kept = snapshot(*info);
    info->LoadAllData();
    host->files().answerNextDialog({path("setup.q9k"), path("odd.q9k")});
    info->LoadAllData();
    EXPECT_TRUE(alert->messages.empty());
    EXPECT_EQ(snapshot(*info), kept);
}

TEST_F(SetupData, BrokenTruncatedAndHostileFilesAreRefusedChangingNothing)
{
    host->files().answerNextDialog({path("good.q9k")});
    info->SaveAllData();
    const std::string good = read("good.q9k");
    const auto edited = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    const std::string firstCommand = "<command button=\"SF1\" category=\"C0\" action=\"A0\" display=\"d0\"/>";
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"another model", edited("Telvor ZELK6/ZELK8", "Telvor ZELK9")},
        {"five buttons", edited("buttons=\"6\"", "buttons=\"5\"")},
        {"a file version too new", edited("version=\"100\"", "version=\"110\"")},
        {"a file version 0", edited("version=\"100\"", "version=\"0\"")},
        {"a button that does not exist", edited("button=\"SF1\"", "button=\"SF7\"")},
        {"attributes in another order",
         edited(firstCommand, "<command button=\"SF1\" category=\"C0\" display=\"d0\" action=\"A0\"/>")},
        {"a memory numbered 0", edited("Memory 1\"", "Memory 0\"")},
        {"a memory past the last", edited("Memory 6\"", "Memory 7\"")},
        {"a memory number with more after it", edited("Memory 1\"", "Memory 1x\"")},
        {"a memory number too large", edited("Memory 1\"", "Memory 99999999999\"")},
        {"a command outside every memory", edited("<file version=\"100\"/>", "<file version=\"100\"/>" + firstCommand)},
        {"a root inside the root", edited("<data name=\"General\">", "<ExtensionSetupData><data name=\"General\">")},
        {"an unknown element", edited("<file version=\"100\"/>", "<file version=\"100\"/><script/>")},
        {"truncated", good.substr(0, good.size() / 2)},
        {"truncated before the root ends", good.substr(0, good.rfind("</ExtensionSetupData>"))},
        {"junk after the root", good + "<more/>"},
        {"not XML", "\x01\x02 not a setup file \xff"},
        {"empty", ""},
        {"entities that grow without bound",
         "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">]>" +
             good.substr(good.find("<ExtensionSetupData>"))},
    };
    info->SetCategoryName(0, "Kept");
    const std::string before = snapshot(*info);
    for (const auto& [what, text] : refused) {
        write("bad.q9k", text);
        EXPECT_FALSE(load("bad.q9k")) << what;
        EXPECT_EQ(alert->messages, std::vector<std::u16string>{u"Failed to load. [OK]"}) << what;
        EXPECT_EQ(snapshot(*info), before) << what;
    }
    // The oldest and the newest file version this model reads.
    for (const char* version : {"1", "109"}) {
        write("version.q9k", edited("version=\"100\"", std::string("version=\"") + version + "\""));
        EXPECT_TRUE(load("version.q9k")) << version;
    }
    write("missing-button.q9k", edited(firstCommand + "\n", ""));
    // A refused file's commands never reach a later load: SF1 of the first memory stays empty after a file
    // that leaves it out, even right after a refused file that named it.
    write("refused-late.q9k", edited("</ExtensionSetupData>", "<script/></ExtensionSetupData>"));
    EXPECT_FALSE(load("refused-late.q9k"));
    ASSERT_TRUE(load("missing-button.q9k"));
    info->SetPageIndex(0);
    EXPECT_EQ(info->GetCategoryName(0), "");
    EXPECT_EQ(info->GetActionName(1), "A1");
}
