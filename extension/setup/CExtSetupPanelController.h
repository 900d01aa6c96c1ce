#pragma once

#include "CExtSetupInfo.h"
#include "ExtSetupController.h"
#include "HostInterfaces.h"

#include <string>

class CExtSetupPanel;

// The service's single entry to the user commands: owns the setup data, loads the setup panel's
// description and language section, adds the host command (a menu item or an action) that opens the
// panel, opens and closes the panel's window, performs a button's command when the synthesizer asks, and
// answers the service about command names and the current page. Host's user-interface thread only.
class CExtSetupPanelController : public ExtSetupController, public Quorvane::ICloseWindowNotification
{
public:
    CExtSetupPanelController(const char* model, void* moduleHandle);
    ~CExtSetupPanelController() override;

    CExtSetupPanelController(const CExtSetupPanelController&) = delete;
    CExtSetupPanelController& operator=(const CExtSetupPanelController&) = delete;

    bool Initialize(Quorvane::IHostClasses* hostClasses, const Quorvane::char16* panelFile,
                    const Quorvane::char16* languageFile, int pages, int buttons, const char* const* buttonNames,
                    const char* const* pageNames, const SUserCommandInfo* defaults) override;
    // Also closes the panel's window while the host is still there, and writes the setup data to the
    // host's preferences.
    bool Terminate() override;
    bool AddAction(const char* category, const char* action, const Quorvane::char16* menuText) override;
    void SetCallbackClass(IExtSetupInfoMonitor* monitor) override;
    void SetInfoForFile(const char* model, const char* version, DAWInfo* hostInformation) override;
    void AddLoadableModelName(const char* model) override;
    bool SwitchPanelOpenClose(const char* panelName, unsigned char displayNameLimit, unsigned char pageNameLimit,
                              IExtSetupInfoMonitor* monitor) override;

    void windowClosed(Quorvane::IWindow* window) override;

    bool PerformAction(int button) override;
    bool GetDisplayName(int button, std::string& name) override;
    void SetUserCommandPageIndex(int page) override;
    int GetUserCommandPageIndex() override;
    std::string GetCurrentPageName() override;
    bool GetOptionFlagData(int index, bool* on) override;

    CExtSetupInfo& SetupInfo() { return m_setupInfo; }
    bool IsPanelOpen() const { return m_window != nullptr; }

private:
    std::string m_model;
    void* m_moduleHandle;
    Quorvane::IHostClasses* m_hostClasses = nullptr; // not owned
    CExtSetupInfo m_setupInfo;
    CExtSetupPanel* m_panel = nullptr;                     // not owned: its window keeps it
    Quorvane::IGuiDescription* m_guiDescription = nullptr; // referenced from Initialize to Terminate
    Quorvane::IWindow* m_window = nullptr;
    std::string m_category;
    std::string m_action;
    bool m_isMenuItem = false;
    IExtSetupInfoMonitor* m_monitor = nullptr; // not owned
};
