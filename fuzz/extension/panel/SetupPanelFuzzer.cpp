// The setup panel under arbitrary input from the host's side: every line is something the user does at
// the panel's window (press, select, set), a page chosen at the synthesizer, the panel switched, or the
// controller ended and begun again (its pages going to the host's preferences and coming back); the
// whole input is also read as a panel description file. One host keeps one panel open for every input:
// each input starts from the panel and setup data as they were when the panel first opened (a panel
// closed by the input before is opened afresh), so an input always does the same. The state is put back
// at the end of each input rather than at the start of the next: what an input made is then gone when it
// returns, and libFuzzer, which runs an input again and searches the whole heap for leaks whenever it
// allocated more than it freed, does so only where something really stayed behind.
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
constexpr const char* kPanel = "ZELKExtSetupPanel";
constexpr int kMaxLines = 32;
// Switching the panel and restarting the controller are the dearest lines: two of them reach closing and
// opening the panel on changed data, and ending and beginning again.
constexpr int kMaxSwitches = 2;

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

const std::vector<SUserCommandInfo>& defaults()
{
    static const std::vector<SUserCommandInfo> commands = [] {
        std::vector<SUserCommandInfo> rows(kPages * kButtons);
        for (std::size_t row = 0; row < rows.size(); ++row)
            rows[row] = {"Zoom", row % 2 ? "Zoom In" : "Zoom Out", "Zoom"};
        return rows;
    }();
    return commands;
}

class Rig
{
public:
    Rig()
    {
        host.gui().addResourceFolder(DIALBRIDGE_RESOURCE_DIR);
        begin();
        controller.SetCallbackClass(&monitor);
        switchPanel();
        simhost::SimPanelWindow* window = host.gui().window();
        if (!window)
            __builtin_trap();
        m_firstData = controller.SetupInfo();
        for (const simhost::SimPanelView& view : window->description().views)
            if (simhost::SimPanelValueCore* value = window->value(view.parameter))
                m_firstPanel.emplace_back(view.parameter, value->state());
    }
    ~Rig() { controller.Terminate(); }

    void switchPanel() { controller.SwitchPanelOpenClose(kPanel, 6, 16, &monitor); }
    // The controller ends (writing the pages to the host's preferences) and begins again from them.
    void restart()
    {
        controller.Terminate();
        begin();
    }

    // The setup data and the panel as they were first, and nothing left of what the host recorded or kept.
    void reset()
    {
        controller.SetupInfo() = m_firstData;
        simhost::SimPanelWindow* window = host.gui().window();
        // A panel opened on the first data shows what the first one showed.
        const bool opened = !window;
        if (opened) {
            switchPanel();
            window = host.gui().window();
        }
        // The values of the window found once: a window the last input opened is another one. The window
        // held before is let go at once, so that what it kept goes in the input that closed it.
        if (window != m_window.get()) {
            m_window = simhost::HostRef<Quorvane::IWindow>::share(window);
            m_values.clear();
            for (const auto& [parameter, state] : m_firstPanel)
                m_values.push_back(window ? window->value(parameter) : nullptr);
        }
        if (!opened)
            for (std::size_t i = 0; i < m_values.size(); ++i)
                if (m_values[i])
                    m_values[i]->restore(m_firstPanel[i].second);
        host.actions().clearPerformed();
        host.alert().clearMessages();
        host.files().clearDialogs();
        // What an input wrote there (its jog-stop choice, or its pages at a restart) never reaches another.
        host.pool().clear();
    }

    simhost::SimHost host;
    SilentMonitor monitor;
    CExtSetupPanelController controller{"ZELK", dlopen(nullptr, RTLD_NOW)};

private:
    void begin()
    {
        if (!controller.Initialize(host.context(), u"ZELKExtSetupPanel.srf", nullptr, kPages, kButtons, kButtonNames,
                                   kPageNames, defaults().data()))
            __builtin_trap(); // the description beside the build must load
    }

    CExtSetupInfo m_firstData;
    std::vector<std::pair<std::string, simhost::SimPanelValueCore::State>> m_firstPanel;
    // The window whose values were found last (held, so that no other window takes its address).
    simhost::HostRef<Quorvane::IWindow> m_window;
    std::vector<simhost::SimPanelValueCore*> m_values;
};

// A display name is never longer than its limit.
void checkDisplayNames(CExtSetupPanelController& controller)
{
    std::string name;
    for (int button = 0; button < kButtons; ++button)
        if (controller.GetDisplayName(button, name) && name.size() > 6)
            __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<simhost::SimPanelDescription> panels;
    simhost::readPanelDescriptions(input, panels, nullptr);

    static Rig rig;
    std::istringstream lines(input);
    int switches = 0;
    int count = 0;
    for (std::string line; count < kMaxLines && std::getline(lines, line); ++count) {
        std::istringstream words(line);
        std::string command, view, rest;
        words >> command >> view;
        std::getline(words >> std::ws, rest);
        simhost::SimPanelWindow* window = rig.host.gui().window();
        if (command == "page")
            rig.controller.SetUserCommandPageIndex(view.empty() ? -1 : view[0] - '0');
        else if (command == "switch" && switches++ < kMaxSwitches)
            rig.switchPanel();
        else if (command == "restart" && switches++ < kMaxSwitches)
            rig.restart();
        else if (command == "perform")
            rig.controller.PerformAction(view.empty() ? -1 : view[0] - '0');
        else if (window && command == "press")
            window->press(view);
        else if (window && command == "select")
            window->select(view, rest);
        else if (window && command == "set")
            window->setText(view, widened(rest));
        // Only typing, a reset and a load change display names.
        if (command == "set" || command == "press")
            checkDisplayNames(rig.controller);
    }
    rig.reset();
    return 0;
}
