#include "CExtSetupPanelController.h"

#include "CExtSetupPanel.h"
#include "FRef.h"

#include <new>

using namespace Quorvane;

namespace {

constexpr const char* kMenu = "Devices";
constexpr const char* kLanguageSection = "ExtensionSetup_Language_";

} // namespace

CExtSetupPanelController::CExtSetupPanelController(const char* model, void* moduleHandle)
    : m_model(model ? model : ""), m_moduleHandle(moduleHandle)
{
}

CExtSetupPanelController::~CExtSetupPanelController()
{
    // A service released without terminate: nothing of ours may stay with the host.
    if (m_window || m_guiDescription)
        Terminate();
}

bool CExtSetupPanelController::Initialize(IHostClasses* hostClasses, const char16* panelFile,
                                          const char16* languageFile, int pages, int buttons,
                                          const char* const* buttonNames, const char* const* pageNames,
                                          const SUserCommandInfo* defaults)
{
    m_hostClasses = hostClasses;
    m_setupInfo.Initialize(hostClasses, m_model.c_str(), pages, buttons, buttonNames, pageNames, defaults);
    if (!hostClasses || !m_moduleHandle || !panelFile)
        return false;
    if (!m_guiDescription) {
        FRef<IGuiDescription> description = createRef<IGuiDescription>(hostClasses);
        if (!description)
            return false;
        m_guiDescription = description.get();
        m_guiDescription->addRef();
    }
    if (m_guiDescription->loadDescription(m_moduleHandle, panelFile) != kResultOk)
        return false;
    if (!languageFile)
        return true;
    FRef<ITranslator2> translator = createRef<ITranslator2>(hostClasses);
    const std::string section = kLanguageSection + m_model;
    return translator && translator->loadSection(m_moduleHandle, languageFile, section.c_str()) == kResultOk;
}

bool CExtSetupPanelController::Terminate()
{
    // The panel's window would outlive the setup data and the service it reports to: close it now, and
    // should the host keep the panel past that, it no longer reaches either.
    if (m_panel)
        m_panel->Detach();
    if (m_window)
        m_window->close();
    windowClosed(m_window);
    m_setupInfo.Terminate();
    if (m_guiDescription)
        m_guiDescription->release();
    m_guiDescription = nullptr;
    bool removed = true;
    if (!m_category.empty()) {
        if (m_isMenuItem) {
            FRef<IHostMenuBar> menuBar = createRef<IHostMenuBar>(m_hostClasses);
            removed = menuBar && menuBar->removeMenuItems(m_moduleHandle) == kResultOk;
        } else {
            FRef<IActionManager> actions = createRef<IActionManager>(m_hostClasses);
            removed = actions && actions->removeAction(m_category.c_str(), m_action.c_str()) == kResultOk;
        }
        m_category.clear();
        m_action.clear();
    }
    m_hostClasses = nullptr;
    return removed;
}

bool CExtSetupPanelController::AddAction(const char* category, const char* action, const char16* menuText)
{
    if (!category || !action)
        return false;
    bool added = false;
    if (menuText) {
        FRef<IHostMenuBar> menuBar = createRef<IHostMenuBar>(m_hostClasses);
        added = menuBar && menuBar->addMenuItem(m_moduleHandle, kMenu, menuText, category, action) == kResultOk;
    } else {
        FRef<IActionManager> actions = createRef<IActionManager>(m_hostClasses);
        added = actions && actions->addAction(category, action, nullptr) == kResultOk;
    }
    if (!added)
        return false;
    m_category = category;
    m_action = action;
    m_isMenuItem = menuText != nullptr;
    return true;
}

void CExtSetupPanelController::SetCallbackClass(IExtSetupInfoMonitor* monitor)
{
    if (!m_monitor)
        m_monitor = monitor;
}

void CExtSetupPanelController::SetInfoForFile(const char* model, const char* version, DAWInfo* hostInformation)
{
    m_setupInfo.SetInfoForFile(model, version, hostInformation);
}

void CExtSetupPanelController::AddLoadableModelName(const char* model)
{
    m_setupInfo.AddLoadableModelName(model);
}

bool CExtSetupPanelController::SwitchPanelOpenClose(const char* panelName, unsigned char displayNameLimit,
                                                    unsigned char pageNameLimit, IExtSetupInfoMonitor* monitor)
{
    if (m_window) {
        m_window->close(); // the host tells windowClosed
        return true;
    }
    if (!m_guiDescription || !panelName || m_model.empty())
        return false;
    m_panel = new (std::nothrow)
        CExtSetupPanel(m_hostClasses, &m_setupInfo, displayNameLimit, pageNameLimit, monitor ? monitor : m_monitor);
    if (!m_panel)
        return false;
    IWindow* window = m_guiDescription->createWindow(panelName, m_panel);
    m_panel->release(); // the window keeps its own reference
    if (!window) {
        m_panel = nullptr;
        return false;
    }
    m_window = window;
    m_window->open();
    m_window->addCloseNotification(this);
    SetCallbackClass(monitor);
    return true;
}

void CExtSetupPanelController::windowClosed(IWindow*)
{
    m_panel = nullptr;
    if (m_window)
        m_window->removeCloseNotification(this);
    m_window = nullptr;
}

bool CExtSetupPanelController::PerformAction(int button)
{
    SUserCommandInfo command;
    if (!m_setupInfo.GetUserCommandInfo(button, command) || !command.isComplete())
        return false;
    FRef<IActionManager> actions = createRef<IActionManager>(m_hostClasses);
    return actions && actions->performAction(command.category.c_str(), command.action.c_str()) == kResultOk;
}

bool CExtSetupPanelController::GetDisplayName(int button, std::string& name)
{
    SUserCommandInfo command;
    if (!m_setupInfo.GetUserCommandInfo(button, command) || !command.isComplete())
        return false;
    name = command.displayName;
    return true;
}

void CExtSetupPanelController::SetUserCommandPageIndex(int page)
{
    const bool changed = m_panel ? m_panel->ChangePageIndex(page, false) : m_setupInfo.SetPageIndex(page);
    if (changed && m_monitor)
        m_monitor->PageIndexChanged();
}

int CExtSetupPanelController::GetUserCommandPageIndex()
{
    return m_setupInfo.GetPageIndex();
}

std::string CExtSetupPanelController::GetCurrentPageName()
{
    return m_setupInfo.GetCurrentPageName();
}

bool CExtSetupPanelController::GetOptionFlagData(int index, bool* on)
{
    return m_setupInfo.GetFlagState(index, on);
}

std::unique_ptr<ExtSetupController> makeExtSetupController(const char* model, void* moduleHandle)
{
    return std::unique_ptr<ExtSetupController>(new (std::nothrow) CExtSetupPanelController(model, moduleHandle));
}
