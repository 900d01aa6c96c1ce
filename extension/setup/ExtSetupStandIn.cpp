// The setup panel controller until the setup data and panel exist: the user-command pages hold the
// factory commands in memory, the current page starts at 0 and the options at their defaults, and no
// panel opens. Commands are performed and the setup command registered through the host's action
// manager, as the full controller does.
#include "ExtSetupController.h"

#include "FRef.h"
#include "HostCommands.h"

#include <new>
#include <vector>

using namespace Quorvane;

namespace {

constexpr const char* kNoCommand = "---";

// The setup panel controller's stand-in. Host thread only.
class ExtSetupStandIn : public ExtSetupController
{
public:
    bool Initialize(IHostClasses* hostClasses, const char16* panelFile, const char16*, int pages, int buttons,
                    const char* const* buttonNames, const char* const* pageNames,
                    const SUserCommandInfo* defaults) override
    {
        if (!hostClasses || !panelFile || !buttonNames || !defaults || pages <= 0 || buttons <= 0)
            return false;
        m_hostClasses = FRef<IHostClasses>::share(hostClasses);
        m_buttons = buttons;
        m_commands.assign(defaults, defaults + pages * buttons);
        m_pageNames.clear();
        for (int page = 0; page < pages; ++page)
            m_pageNames.emplace_back(pageNames && pageNames[page] ? pageNames[page] : "");
        m_page = 0;
        return true;
    }

    bool Terminate() override
    {
        bool removed = true;
        if (!m_category.empty()) {
            FRef<IActionManager> actions = createRef<IActionManager>(m_hostClasses.get());
            removed = actions && actions->removeAction(m_category.c_str(), m_action.c_str()) == kResultOk;
            m_category.clear();
            m_action.clear();
        }
        m_hostClasses.reset();
        return removed;
    }

    bool AddAction(const char* category, const char* action, const char16* menuText) override
    {
        if (!category || !action)
            return false;
        FRef<IActionManager> actions = createRef<IActionManager>(m_hostClasses.get());
        if (!actions || actions->addAction(category, action, menuText) != kResultOk)
            return false;
        m_category = category;
        m_action = action;
        return true;
    }

    void SetCallbackClass(IExtSetupInfoMonitor* monitor) override
    {
        if (!m_monitor)
            m_monitor = monitor;
    }

    void SetInfoForFile(const char*, const char*, DAWInfo*) override {}
    void AddLoadableModelName(const char*) override {}
    bool SwitchPanelOpenClose(const char*, unsigned char, unsigned char, IExtSetupInfoMonitor*) override
    {
        return false;
    }

    bool PerformAction(int button) override
    {
        const SUserCommandInfo* command = current(button);
        if (!command || !command->isComplete() || command->category == kNoCommand)
            return false;
        FRef<IActionManager> actions = createRef<IActionManager>(m_hostClasses.get());
        return actions && actions->performAction(command->category.c_str(), command->action.c_str()) == kResultOk;
    }

    bool GetDisplayName(int button, std::string& name) override
    {
        const SUserCommandInfo* command = current(button);
        if (!command || !command->isComplete())
            return false;
        name = command->displayName;
        return true;
    }

    void SetUserCommandPageIndex(int page) override
    {
        if (page < 0 || page >= static_cast<int>(m_pageNames.size()) || page == m_page)
            return;
        m_page = page;
        if (m_monitor)
            m_monitor->PageIndexChanged();
    }

    int GetUserCommandPageIndex() override { return m_page; }

    std::string GetCurrentPageName() override
    {
        return m_page < static_cast<int>(m_pageNames.size()) ? m_pageNames[static_cast<std::size_t>(m_page)]
                                                             : std::string();
    }

    bool GetOptionFlagData(int index, bool* on) override
    {
        if (!on || index < 0 || index > kJogStopOption)
            return false;
        *on = true; // both options are on until the setup data keeps them
        return true;
    }

private:
    const SUserCommandInfo* current(int button) const
    {
        if (button < 0 || button >= m_buttons)
            return nullptr;
        const std::size_t row = static_cast<std::size_t>(m_page * m_buttons + button);
        return row < m_commands.size() ? &m_commands[row] : nullptr;
    }

    FRef<IHostClasses> m_hostClasses;
    int m_buttons = 0;
    std::vector<SUserCommandInfo> m_commands;
    std::vector<std::string> m_pageNames;
    int m_page = 0;
    std::string m_category;
    std::string m_action;
    IExtSetupInfoMonitor* m_monitor = nullptr;
};

} // namespace

std::unique_ptr<ExtSetupController> makeExtSetupController(const char*, void*)
{
    return std::unique_ptr<ExtSetupController>(new (std::nothrow) ExtSetupStandIn);
}
