// The setup panel under arbitrary input from the host's side: every line is something the user does at
// the panel's window (press, select, set), a page chosen at the synthesizer, or the panel switched; the
// whole input is also read as a panel description file.
#include "CExtSetupPanelController.h"
#include "SimHost.h"

#include <dlfcn.h>

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kPages = 6;
constexpr int kButtons = 6;
const char* const kButtonNames[kButtons] = {"SF1", "SF2", "SF3", "SF4", "SF5", "SF6"};
const char* const kPageNames[kPages] = {"One", "Two", "Three", "Four", "Five", "---"};

class SilentMonitor : public IExtSetupInfoMonitor
{
public:
    void CommandNameChanged(int) override {}
    void PageIndexChanged() override {}
    void JogStopSettingChanged(bool) override {}
};

std::u16string widened(const std::string& bytes)
{
    return std::u16string(bytes.begin(), bytes.end());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<simhost::SimPanelDescription> panels;
    simhost::readPanelDescriptions(input, panels, nullptr);

    static void* const module = dlopen(nullptr, RTLD_NOW);
    static const std::vector<SUserCommandInfo> defaults = [] {
        std::vector<SUserCommandInfo> commands(kPages * kButtons);
        for (std::size_t row = 0; row < commands.size(); ++row)
            commands[row] = {"Zoom", row % 2 ? "Zoom In" : "Zoom Out", "Zoom"};
        return commands;
    }();
    simhost::SimHost host;
    host.gui().addResourceFolder(DIALBRIDGE_RESOURCE_DIR);
    SilentMonitor monitor;
    CExtSetupPanelController controller("ZELK", module);
    if (!controller.Initialize(host.context(), u"ZELKExtSetupPanel.srf", nullptr, kPages, kButtons, kButtonNames,
                               kPageNames, defaults.data()))
        __builtin_trap(); // the description beside the build must load
    controller.SetCallbackClass(&monitor);
    controller.SwitchPanelOpenClose("ZELKExtSetupPanel", 6, 16, &monitor);

    std::istringstream lines(input);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string command, view, rest;
        words >> command >> view;
        std::getline(words >> std::ws, rest);
        simhost::SimPanelWindow* window = host.gui().window();
        if (command == "page")
            controller.SetUserCommandPageIndex(view.empty() ? -1 : view[0] - '0');
        else if (command == "switch")
            controller.SwitchPanelOpenClose("ZELKExtSetupPanel", 6, 16, &monitor);
        else if (command == "perform")
            controller.PerformAction(view.empty() ? -1 : view[0] - '0');
        else if (window && command == "press")
            window->press(view);
        else if (window && command == "select")
            window->select(view, rest);
        else if (window && command == "set")
            window->setText(view, widened(rest));
        std::string name;
        for (int button = -1; button <= kButtons; ++button)
            controller.GetDisplayName(button, name);
        if (name.size() > 6)
            __builtin_trap(); // a display name is never longer than its limit
    }
    controller.Terminate();
    return 0;
}
