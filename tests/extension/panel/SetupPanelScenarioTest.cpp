// The synthesizer's user-command buttons with the whole extension in the simulated host: a command chosen
// in the setup panel is what the button performs and shows, and the panel ends with the service.
#include "ServiceHostFixture.h"

using namespace Quorvane;
using namespace servicetest;

namespace {

constexpr const char* kMenuItem = "Devices/ZELK6/ZELK8 Extension Setup";

class SetupPanelScenario : public ServiceHostTest
{
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

} // namespace
