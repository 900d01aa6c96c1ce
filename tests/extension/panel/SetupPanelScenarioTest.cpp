// The synthesizer's user-command buttons with the whole extension in the simulated host: a command chosen
// in the setup panel is what the button performs and shows, a setup file saved from the panel is written
// whole or the user hears why not, a command the host does not list survives the panel, and the panel ends
// with the service.
#include "ServiceHostFixture.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <sys/resource.h>

using namespace Quorvane;
using namespace servicetest;

namespace {

constexpr const char* kMenuItem = "Devices/ZELK6/ZELK8 Extension Setup";
constexpr const char* kSection = "ExtensionSetupData_ZELK";

class SetupPanelScenario : public ServiceHostTest
{
protected:
    std::string shown(simhost::SimPanelWindow* window, const std::string& view)
    {
        simhost::SimPanelValueCore* value = window->value(view);
        return value ? simhost::asciiText8(value->text()) : "(none)";
    }
};

std::string contents(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// While it lives, no file this process writes grows past limit bytes: a disk that fills.
class FullDisk
{
public:
    explicit FullDisk(rlim_t limit)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        const rlimit full{limit, m_old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &full);
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int);
};

TEST_F(SetupPanelScenario, AButtonPressedAtTheSynthesizerPerformsTheCommandChosenInThePanel)
{
    start({kVirluxInstrument});
    EXPECT_EQ(display().buttons[0], "HZoom+");
    ASSERT_TRUE(host.menuBar().choose(kMenuItem));
    simhost::SimPanelWindow* window = host.gui().window("ZELKExtSetupPanel");
    ASSERT_NE(window, nullptr);

    // The first button of the first page becomes the score editor, shown as "Score".
    ASSERT_TRUE(window->select("Category", "Edit"));
    ASSERT_TRUE(window->select("Action", "Open Score Editor"));
    ASSERT_TRUE(window->setText("DisplayName", u"Score"));
    settle();
    EXPECT_EQ(display().buttons[0], "Score");
    panel("press f1");
    EXPECT_EQ(host.actions().performed(), std::vector<std::string>{"Edit/Open Score Editor"});

    // A page chosen at the synthesizer: the open panel follows it.
    panel("press sfbank2");
    EXPECT_EQ(display().page, "Project Window");
    EXPECT_EQ(window->value("Page2")->number(), 1);
    EXPECT_EQ(window->value("Page1")->number(), 0);
    EXPECT_EQ(simhost::asciiText8(window->value("PageName")->text()), "Project Window");

    // Saved: the file holds the command. A folder nobody may write in (not even the superuser), a folder
    // chosen as the file, a full device, a disk that fills while the earlier file is replaced and a disk
    // that takes every write but fails at the close each fail with a word in the host's message box, and
    // the earlier file stays whole, with nothing left beside it.
    char pattern[] = "/tmp/panel-save-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    const std::string earlier = folder + "/setup.Q9K";
    host.files().answerNextDialog({earlier});
    ASSERT_TRUE(window->press("SaveButton"));
    EXPECT_TRUE(host.alert().messages().empty());
    const std::string saved = contents(earlier);
    EXPECT_NE(saved.find("category=\"Edit\" action=\"Open Score Editor\" display=\"Score\""), std::string::npos);
    ASSERT_TRUE(window->setText("DisplayName", u"Notes"));
    const std::string failingClose = earlier + " (close fails)";
    for (const std::string& target :
         std::vector<std::string>{"/proc/panel-save.Q9K", folder, "/dev/full", earlier, failingClose}) {
        host.alert().clearMessages();
        host.files().answerNextDialog({target == failingClose ? earlier : target});
        if (target == failingClose)
            host.files().failNextClose();
        {
            std::optional<FullDisk> full;
            if (target == earlier)
                full.emplace(100);
            ASSERT_TRUE(window->press("SaveButton"));
        }
        ASSERT_EQ(host.alert().messages().size(), 1u) << target;
        EXPECT_EQ(host.alert().messages()[0].text, u"Failed to save.") << target;
        EXPECT_EQ(host.alert().messages()[0].button1, u"OK");
        EXPECT_EQ(host.alert().messages()[0].button2, u"");
    }
    EXPECT_EQ(contents(earlier), saved);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
    std::filesystem::remove_all(folder);

    // The first page's last button performs the panel's own command: it closes the panel, then opens it.
    panel("press sfbank1");
    panel("press f6");
    EXPECT_EQ(host.gui().window(), nullptr);
    panel("press f6");
    ASSERT_NE(host.gui().window(), nullptr);

    // The service ends with the panel open: its window closes and its menu item goes while the host is
    // there, the commands stay in the host's preferences, and the host's end reaches nothing freed.
    EXPECT_EQ(service->terminate(), kResultOk);
    EXPECT_EQ(host.gui().window(), nullptr);
    EXPECT_TRUE(host.menuBar().items().empty());
    service->release();
    service = nullptr;
    EXPECT_STREQ(host.pool().getText("ExtensionSetupData_ZELK", "DisplayName0-0"), "Score");
    EXPECT_EQ(host.registry().liveCount("PanelWindow"), 0);
    EXPECT_EQ(host.registry().liveCount("PanelValue"), 0);
}

TEST_F(SetupPanelScenario, ACommandTheHostDoesNotListShowsAsNoAssignmentAndIsKept)
{
    // Another host version: no zoom commands at all, and no tab editor among the editors. The fifth button
    // had been given the tab editor on a host that lists it.
    host.actions().removeCategory("Zoom");
    host.pool().setText(kSection, "Category0-4", "Edit");
    host.pool().setText(kSection, "Action0-4", "Open Tab Editor");
    host.pool().setText(kSection, "DisplayName0-4", "TabEd");
    start({kVirluxInstrument});
    ASSERT_TRUE(host.menuBar().choose(kMenuItem));
    simhost::SimPanelWindow* window = host.gui().window("ZELKExtSetupPanel");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->press("TableViewTab"));
    EXPECT_EQ(shown(window, "Category2"), "---");
    EXPECT_EQ(shown(window, "Action2"), "---");
    EXPECT_EQ(shown(window, "Category5"), "Edit");
    EXPECT_EQ(shown(window, "Action5"), "---");
    settle();
    EXPECT_EQ(display().buttons[1], "HZoom-");
    // The user gives the first button another command; a new category drops the old category's action.
    ASSERT_TRUE(window->select("Category1", "Edit"));
    EXPECT_EQ(shown(window, "Action1"), "---");
    ASSERT_TRUE(window->select("Action1", "Open Key Editor"));

    ASSERT_TRUE(host.menuBar().choose(kMenuItem));
    EXPECT_EQ(host.gui().window(), nullptr);
    ASSERT_EQ(service->terminate(), kResultOk);
    EXPECT_STREQ(host.pool().getText(kSection, "Category0-1"), "Zoom");
    EXPECT_STREQ(host.pool().getText(kSection, "Action0-1"), "Zoom Out");
    EXPECT_STREQ(host.pool().getText(kSection, "Action0-3"), "Zoom Out Vertically");
    EXPECT_STREQ(host.pool().getText(kSection, "Action0-4"), "Open Tab Editor");
    EXPECT_STREQ(host.pool().getText(kSection, "Category0-0"), "Edit");
    EXPECT_STREQ(host.pool().getText(kSection, "Action0-0"), "Open Key Editor");
}

} // namespace
