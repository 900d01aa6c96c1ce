// The setup panel controller until the panel exists: the user-command pages and options are the setup
// data's (kept in the host's preference pool), and no panel opens. Commands are performed and the setup
// command registered through the host's action manager, as the full controller does.
#include "CExtSetupInfo.h"
#include "ExtSetupController.h"

#include "FRef.h"
#include "HostCommands.h"

#include <new>
#include <string>

using namespace Quorvane;

namespace {

constexpr const char* kNoCommand = "---";

// The setup panel controller's stand-in. Host thread only.
class ExtSetupStandIn : public ExtSetupController
{
public:
    explicit ExtSetupStandIn(const char* model) : m_model(model ? model : "") {}

    bool Initialize(IHostClasses* hostClasses, const char16* panelFile, const char16*, int pages, int buttons,
                    const char* const* buttonNames, const char* const* pageNames,
                    const SUserCommandInfo* defaults) override
    {
        m_info.Initialize(hostClasses, m_model.c_str(), pages, buttons, buttonNames, pageNames, defaults);
        if (!hostClasses || !panelFile || m_info.GetNumberOfPages() <= 0)
            return false;
        m_hostClasses = FRef<IHostClasses>::share(hostClasses);
        return true;
    }

    bool Terminate() override
    {
        // The pages go to the pool while the host is still there to take them.
        m_info.Terminate();
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

    void SetInfoForFile(const char* model, const char* version, DAWInfo* hostInformation) override
    {
        m_info.SetInfoForFile(model, version, hostInformation);
    }
    void AddLoadableModelName(const char* model) override { m_info.AddLoadableModelName(model); }
    bool SwitchPanelOpenClose(const char*, unsigned char, unsigned char, IExtSetupInfoMonitor*) override
    {
        return false;
    }

    bool PerformAction(int button) override
    {
        SUserCommandInfo command;
        if (!m_info.GetUserCommandInfo(button, command) || !command.isComplete() || command.category == kNoCommand)
            return false;
        FRef<IActionManager> actions = createRef<IActionManager>(m_hostClasses.get());
        return actions && actions->performAction(command.category.c_str(), command.action.c_str()) == kResultOk;
    }

    bool GetDisplayName(int button, std::string& name) override
    {
        SUserCommandInfo command;
        if (!m_info.GetUserCommandInfo(button, command) || !command.isComplete())
            return false;
        name = command.displayName;
        return true;
    }

    void SetUserCommandPageIndex(int page) override
    {
        if (m_info.SetPageIndex(page) && m_monitor)
            m_monitor->PageIndexChanged();
    }

    int GetUserCommandPageIndex() override { return m_info.GetPageIndex(); }
    std::string GetCurrentPageName() override { return m_info.GetCurrentPageName(); }
    bool GetOptionFlagData(int index, bool* on) override { return m_info.GetFlagState(index, on); }

private:
    std::string m_model;
    CExtSetupInfo m_info;
    FRef<IHostClasses> m_hostClasses;
    std::string m_category;
    std::string m_action;
    IExtSetupInfoMonitor* m_monitor = nullptr;
};

} // namespace

std::unique_ptr<ExtSetupController> makeExtSetupController(const char* model, void*)
{
    return std::unique_ptr<ExtSetupController>(new (std::nothrow) ExtSetupStandIn(model));
}
