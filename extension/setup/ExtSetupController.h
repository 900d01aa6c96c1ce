#pragma once

#include "ExtSetupInfoMonitor.h"
#include "HostApplication.h"
#include "UserCommandInfo.h"

#include <memory>
#include <string>

class DAWInfo;

// What the service needs of the setup panel controller, which owns the user-command pages (the commands
// of the synthesizer's six function buttons, page by page), the extension's options and the setup panel:
// setting it up and tearing it down with the service, the command names and the current page the
// synthesizer shows, performing a button's command, and the jog-stop option. Host thread only.
class ExtSetupController
{
public:
    // Index of the jog-stop option among the option flags.
    static constexpr int kJogStopOption = 1;

    virtual ~ExtSetupController() = default;

    // Takes the host's classes, the panel description (and optionally its language file, both host
    // resources of the module), the number of pages and buttons, the buttons' and pages' names and the
    // factory commands, pages × buttons rows with row = page × buttons + button. False when the setup
    // cannot be used; the service then registers no setup command.
    virtual bool Initialize(Quorvane::IHostClasses* hostClasses, const Quorvane::char16* panelFile,
                            const Quorvane::char16* languageFile, int pages, int buttons,
                            const char* const* buttonNames, const char* const* pageNames,
                            const SUserCommandInfo* defaults) = 0;
    // Removes what Initialize and AddAction registered with the host; true when that succeeded.
    virtual bool Terminate() = 0;
    // Registers the host command that opens the setup panel (under menuText in the host's menu when given).
    virtual bool AddAction(const char* category, const char* action, const Quorvane::char16* menuText) = 0;
    // The monitor told of changes; only the first one set counts.
    virtual void SetCallbackClass(IExtSetupInfoMonitor* monitor) = 0;
    // What setup files record: the model written, the extension's version and the host's product.
    virtual void SetInfoForFile(const char* model, const char* version, DAWInfo* hostInformation) = 0;
    // A further model whose setup files load.
    virtual void AddLoadableModelName(const char* model) = 0;
    // Opens the named setup panel, or closes it when open; false when no panel could be opened.
    virtual bool SwitchPanelOpenClose(const char* panelName, unsigned char displayNameLimit,
                                      unsigned char pageNameLimit, IExtSetupInfoMonitor* monitor) = 0;

    // Performs the command of the button on the current page; false when it has none or the host refused.
    virtual bool PerformAction(int button) = 0;
    // The short name of the button's command on the current page; false when the button has no command.
    virtual bool GetDisplayName(int button, std::string& name) = 0;
    // Makes page current; the monitor hears of it when the page changed.
    virtual void SetUserCommandPageIndex(int page) = 0;
    virtual int GetUserCommandPageIndex() = 0;
    virtual std::string GetCurrentPageName() = 0;
    // Option flag index (kJogStopOption: the jog-stop setting) into on; false for an unknown index.
    virtual bool GetOptionFlagData(int index, bool* on) = 0;
};

// The setup panel controller of the model whose setup sections carry the model word, for the module
// the host loaded (the panel's resources are found through it).
std::unique_ptr<ExtSetupController> makeExtSetupController(const char* model, void* moduleHandle);
