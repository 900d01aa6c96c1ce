// The setup panel in the simulated host: the values of a host-drawn panel, the panel's views following
// the setup data, the user's edits reaching the setup data and the service, the reset through the host's
// message box, and the panel's window across opening, closing and the controller's end.
#include "CExtSetupPanelController.h"
#include "PValueContainer.h"
#include "SimHost.h"
#include "ZELK_KDX.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dlfcn.h>
#include <memory>
#include <string>
#include <vector>

using namespace Quorvane;
using simhost::SimPanelValueCore;
using simhost::SimPanelWindow;

namespace {

std::string text8(const std::u16string& text)
{
    return std::string(text.begin(), text.end());
}

TEST(PanelValues, AreMadeByTheHostAndFoundByTheirNameAsGiven)
{
    simhost::SimHost host;
    IHostClasses* classes = host.context();
    {
        PValueContainer values(classes, nullptr);
        IValue* reset = values.addOnOffValue(0, "ResetButton", true, true);
        ASSERT_NE(reset, nullptr);
        EXPECT_EQ(values.getValue("ResetButton"), reset);
        EXPECT_EQ(values.getValue("resetbutton"), nullptr);
        SimPanelValueCore* shown = simhost::panelValue(reset);
        EXPECT_EQ(shown->number(), 1);
        EXPECT_EQ(shown->flags(), 1);
        EXPECT_FALSE(shown->isLinked()) << "no controller to link to";
        EXPECT_EQ(values.getValueByTag(0), nullptr) << "an unlinked value reports no tag";

        IValue* page = values.addIntValue(1, "ResetButtons", 0, 5, 3, false, true);
        EXPECT_EQ(page->getInt(), 3);
        EXPECT_EQ(page->getMax(), 5.0f);
        EXPECT_EQ(simhost::panelValue(page)->flags(), 16);
        EXPECT_EQ(queryRef<IValue2>(page)->getDefault(), 3.0f);

        IValue* first = values.addStringValue(10, "Name", u"SF1", false);
        values.addStringValue(11, "Name", u"SF2", false);
        EXPECT_EQ(values.getValue("Name"), first) << "the first of two values of one name";
        const char16* items[] = {u"Zoom", u"Edit", nullptr};
        IValue* list = values.addStringListValue(60, "Category", items, nullptr, false);
        EXPECT_EQ(text8(simhost::panelValue(list)->text()), "Zoom");
        EXPECT_EQ(queryRef<IStringList>(list)->countStrings(), 2);
        EXPECT_FALSE(queryRef<IStringList>(first)) << "only a list answers IStringList";
        EXPECT_EQ(host.registry().liveCount("PanelValue"), 5);
    }
    EXPECT_EQ(host.registry().liveCount("PanelValue"), 0) << "the container releases what it kept";

    host.registry().removeClass(IHostStringListValue::iid);
    PValueContainer values(classes, nullptr);
    EXPECT_EQ(values.addStringListValue(60, "Category", nullptr, nullptr, false), nullptr);
    EXPECT_EQ(values.getValue("Category"), nullptr);
    PValueContainer withoutHost(nullptr, nullptr);
    EXPECT_EQ(withoutHost.addOnOffValue(0, "ResetButton", false, false), nullptr);
}

// What the service hears of the panel, in order.
class RecordingMonitor : public IExtSetupInfoMonitor
{
public:
    void CommandNameChanged(int button) override { events.push_back("name " + std::to_string(button)); }
    void PageIndexChanged() override { events.push_back("page"); }
    void JogStopSettingChanged(bool on) override { events.push_back(on ? "jog on" : "jog off"); }
    long count(const std::string& event) const { return std::count(events.begin(), events.end(), event); }

    std::vector<std::string> events;
};

class SetupPanel : public ::testing::Test
{
protected:
    void SetUp() override
    {
        host.gui().addResourceFolder(DIALBRIDGE_RESOURCE_DIR);
        ASSERT_TRUE(controller->Initialize(host.context(), u"ZELKExtSetupPanel.srf", nullptr, 6, 6,
                                           ZELK_KDX::k_sfButtonNames, ZELK_KDX::k_defaultPageNames,
                                           ZELK_KDX::k_defaultUserCmdInfo))
            << host.gui().lastError();
        ASSERT_TRUE(
            controller->AddAction("ZELK6/ZELK8", "ZELK6/ZELK8 Extension Setup", u"ZELK6/ZELK8 Extension Setup"));
        controller->SetCallbackClass(&monitor);
    }

    void TearDown() override { EXPECT_TRUE(host.thread().violations().empty()); }

    SimPanelWindow* open()
    {
        EXPECT_TRUE(controller->SwitchPanelOpenClose("ZELKExtSetupPanel", 6, 16, &monitor));
        SimPanelWindow* window = host.gui().window("ZELKExtSetupPanel");
        EXPECT_NE(window, nullptr);
        monitor.events.clear();
        return window;
    }
    std::string shown(SimPanelWindow* window, const std::string& view)
    {
        SimPanelValueCore* value = window->value(view);
        return value ? text8(value->text()) : "(none)";
    }
    int number(SimPanelWindow* window, const std::string& view)
    {
        SimPanelValueCore* value = window->value(view);
        return value ? value->number() : -1;
    }
    CExtSetupInfo& data() { return controller->SetupInfo(); }

    simhost::SimHost host;
    RecordingMonitor monitor;
    std::unique_ptr<CExtSetupPanelController> controller =
        std::make_unique<CExtSetupPanelController>("ZELK", dlopen(nullptr, RTLD_NOW));
};

TEST_F(SetupPanel, ViewsFollowTheirValuesAndTheUsersEditsReachTheSetupData)
{
    EXPECT_EQ(host.menuBar().items(), std::vector<std::string>{"Devices/ZELK6/ZELK8 Extension Setup"});
    SimPanelWindow* window = open();
    ASSERT_NE(window, nullptr);

    // The picture view of the first button on the first page.
    EXPECT_EQ(number(window, "MainView"), 0);
    EXPECT_EQ(number(window, "PictureViewTab"), 1);
    EXPECT_EQ(number(window, "Page1"), 1);
    EXPECT_EQ(number(window, "Button1"), 1);
    EXPECT_EQ(shown(window, "PageName"), "Project Setup");
    EXPECT_EQ(shown(window, "ButtonName"), "SF1");
    EXPECT_EQ(shown(window, "Category"), "Zoom");
    EXPECT_EQ(shown(window, "Action"), "Zoom In");
    EXPECT_EQ(shown(window, "DisplayName"), "HZoom+");
    const std::vector<std::u16string> categories = window->value("Category")->entries();
    EXPECT_EQ(categories.back(), u"---");
    EXPECT_NE(std::find(categories.begin(), categories.end(), u"ZELK6/ZELK8"), categories.end())
        << "the host lists the extension's own commands";
    EXPECT_EQ(shown(window, "Category6"), "ZELK6/ZELK8");

    // Another button pushed: the picture view shows its command, the other buttons are off.
    ASSERT_TRUE(window->press("Button3"));
    EXPECT_EQ(number(window, "Button1"), 0);
    EXPECT_EQ(shown(window, "ButtonName"), "SF3");
    EXPECT_EQ(shown(window, "Action"), "Zoom In Vertically");
    EXPECT_EQ(shown(window, "DisplayName"), "VZoom+");
    ASSERT_TRUE(window->press("Button6"));
    EXPECT_EQ(shown(window, "ButtonName"), "SF6");

    // The table view, on the last button: a new category refills the button's actions and, lacking the
    // old action, selects no assignment, which is stored; the category's last action can be chosen.
    ASSERT_TRUE(window->press("TableViewTab"));
    EXPECT_EQ(number(window, "MainView"), 1);
    EXPECT_EQ(number(window, "PictureViewTab"), 0);
    EXPECT_EQ(shown(window, "Action2"), "Zoom Out");
    ASSERT_TRUE(window->select("Category6", "Edit"));
    EXPECT_EQ(window->value("Action6")->entries(),
              (std::vector<std::u16string>{u"Open Key Editor", u"Open Score Editor", u"Open Drum Editor",
                                           u"Open List Editor", u"Monitor", u"Select Next Grid Type", u"---"}));
    EXPECT_EQ(shown(window, "Action6"), "---");
    EXPECT_EQ(data().GetCategoryName(5), "Edit");
    EXPECT_EQ(data().GetActionName(5), "---");
    ASSERT_TRUE(window->select("Action6", "Select Next Grid Type"));
    EXPECT_EQ(data().GetActionName(5), "Select Next Grid Type");

    // Display names: ten letters keep their first six; an accented letter empties the field.
    monitor.events.clear();
    ASSERT_TRUE(window->setText("DisplayName6", u"Scorewrite"));
    EXPECT_EQ(shown(window, "DisplayName6"), "Scorew");
    EXPECT_EQ(data().GetDisplayName(5), "Scorew");
    EXPECT_EQ(monitor.count("name 5"), 1);
    ASSERT_TRUE(window->setText("DisplayName6", u"Sc\u00f6re"));
    EXPECT_EQ(shown(window, "DisplayName6"), "");
    EXPECT_EQ(data().GetDisplayName(5), "Scorew");

    // The third page: the other page buttons go off, the service hears of it once.
    monitor.events.clear();
    ASSERT_TRUE(window->press("Page3"));
    EXPECT_EQ(data().GetPageIndex(), 2);
    EXPECT_EQ(number(window, "Page1"), 0);
    EXPECT_EQ(number(window, "Page3"), 1);
    EXPECT_EQ(number(window, "ResetButtons"), 2);
    EXPECT_EQ(monitor.count("page"), 1);
    EXPECT_EQ(shown(window, "PageName"), "MIDI");
    EXPECT_EQ(shown(window, "Category1"), data().GetCategoryName(0));
    ASSERT_TRUE(window->setText("PageName", u"Sixteen letters and more"));
    EXPECT_EQ(data().GetCurrentPageName(), "Sixteen letters ");
    ASSERT_TRUE(window->press("Page6"));
    EXPECT_EQ(data().GetPageIndex(), 5);
    EXPECT_EQ(number(window, "Page3"), 0);

    // The options: no reset there; the jog-stop setting goes to the pool and to the service.
    ASSERT_TRUE(window->press("OptionViewTab"));
    EXPECT_EQ(number(window, "MainView"), 2);
    EXPECT_FALSE(window->value("ResetButton")->enabled());
    ASSERT_TRUE(window->press("JogStopFlag"));
    EXPECT_EQ(monitor.count("jog off"), 1);
    int32 jogStop = -1;
    EXPECT_TRUE(host.pool().getInt("ZELK Extension Settings", "JogStop", &jogStop));
    EXPECT_EQ(jogStop, 0);
    EXPECT_NE(window->describe().find("toggle JogStopFlag \"Stop the jog dial with the transport\": off"),
              std::string::npos)
        << window->describe();
}

TEST_F(SetupPanel, ResetAsksThroughTheHostsMessageBoxAndRestoresOnlyTheCurrentPage)
{
    host.translation().set(u"Cancel", u"Abbrechen");
    SimPanelWindow* window = open();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->setText("DisplayName", u"Mine"));
    ASSERT_TRUE(window->press("Page2"));
    ASSERT_TRUE(window->setText("DisplayName", u"Yours"));

    host.alert().scriptAnswer(1);
    ASSERT_TRUE(window->press("ResetButton"));
    ASSERT_EQ(host.alert().messages().size(), 1u);
    const simhost::SimAlert::Message asked = host.alert().messages()[0];
    EXPECT_EQ(asked.text, u"This will reset the command assignment to the factory default.");
    EXPECT_EQ(asked.button1, u"Reset");
    EXPECT_EQ(asked.button2, u"Abbrechen");
    EXPECT_EQ(data().GetDisplayName(0), "Yours") << "cancelled";

    monitor.events.clear();
    ASSERT_TRUE(window->press("ResetButton")); // the first button: reset
    EXPECT_EQ(data().GetDisplayName(0), "KeyEd");
    EXPECT_EQ(shown(window, "DisplayName"), "KeyEd");
    for (int button = 0; button < 6; ++button)
        EXPECT_GE(monitor.count("name " + std::to_string(button)), 1) << "the picture view reports every name";
    ASSERT_TRUE(window->press("Page1"));
    EXPECT_EQ(data().GetDisplayName(0), "Mine") << "another page keeps its commands";
}

TEST_F(SetupPanel, OpensAndClosesByTurnsAndTerminateClosesTheWindowWhileTheHostIsThere)
{
    SimPanelWindow* window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_GT(host.registry().liveCount("PanelValue"), 0);
    EXPECT_TRUE(controller->SwitchPanelOpenClose("ZELKExtSetupPanel", 6, 16, &monitor));
    EXPECT_EQ(host.gui().window(), nullptr);
    EXPECT_FALSE(controller->IsPanelOpen());
    EXPECT_EQ(host.registry().liveCount("PanelValue"), 0) << "the panel went with its window";
    EXPECT_FALSE(controller->SwitchPanelOpenClose("NoSuchPanel", 6, 16, &monitor));
    EXPECT_FALSE(controller->IsPanelOpen());

    // The synthesizer changes the page while the panel is open: the panel follows, the service hears once.
    window = open();
    controller->SetUserCommandPageIndex(3);
    EXPECT_EQ(number(window, "Page4"), 1);
    EXPECT_EQ(number(window, "Page1"), 0);
    controller->SetUserCommandPageIndex(3);
    EXPECT_EQ(monitor.count("page"), 1);

    // The end of the service with the panel open: the window closes and the menu item goes while the
    // host is there; nothing the host does later reaches the controller.
    EXPECT_TRUE(controller->Terminate());
    EXPECT_EQ(host.gui().window(), nullptr);
    EXPECT_TRUE(host.menuBar().items().empty());
    int32 page = -1;
    EXPECT_TRUE(host.pool().getInt("ExtensionSetupData_ZELK", "MemoryIndex", &page));
    EXPECT_EQ(page, 3);
    controller.reset();
    EXPECT_EQ(host.registry().liveCount("PanelValue"), 0);
    EXPECT_EQ(host.registry().liveCount("PanelWindow"), 0);
}

TEST(SetupPanelDescription, MissingOrBrokenLeavesTheSetupWithoutPanel)
{
    simhost::SimHost host;
    CExtSetupPanelController controller("ZELK", dlopen(nullptr, RTLD_NOW));
    EXPECT_FALSE(controller.Initialize(host.context(), u"ZELKExtSetupPanel.srf", nullptr, 6, 6,
                                       ZELK_KDX::k_sfButtonNames, ZELK_KDX::k_defaultPageNames,
                                       ZELK_KDX::k_defaultUserCmdInfo));
    EXPECT_NE(host.gui().lastError().find("no panel description"), std::string::npos);
    std::vector<simhost::SimPanelDescription> panels;
    std::string error;
    EXPECT_FALSE(simhost::readPanelDescriptions("panel P \"T\"\nslider Volume * \"V\"\n", panels, &error));
    EXPECT_EQ(error, "line 2: unknown view kind \"slider\"");
    EXPECT_FALSE(simhost::readPanelDescriptions("radio Page1 * \"1\"\n", panels, &error));
    EXPECT_FALSE(simhost::readPanelDescriptions("panel P \"T\nradio Page1 * \"1\"\n", panels, &error));
    EXPECT_TRUE(panels.empty());
    EXPECT_FALSE(controller.SwitchPanelOpenClose("ZELKExtSetupPanel", 6, 16, nullptr));
    EXPECT_TRUE(controller.Terminate());
}

} // namespace
