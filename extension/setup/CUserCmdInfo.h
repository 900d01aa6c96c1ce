#pragma once

#include "HostApplication.h"
#include "UserCommandInfo.h"

#include <string>
#include <vector>

// The user-command pages ("memories") of the synthesizer's function buttons: per page a name and per
// button a host command with its short name, the factory commands of every page, the current page and
// the button selected in the setup panel. The pages' home is the host's preference pool, in the section
// "ExtensionSetupData_" + the model word. Host thread only.
class CUserCmdInfo
{
public:
    // Larger models are refused at initialization, which keeps every table and file bounded.
    static constexpr int kMaxPages = 20;
    static constexpr int kMaxButtons = 50;

    // Sizes the tables and reads the page names and the current page from the pool. defaults holds
    // pages × buttons commands, row = page × buttons + button; pageNames may be null. Nothing happens
    // without host, model, button names or defaults, or with counts out of 1 … kMaxPages / kMaxButtons.
    void Initialize(Quorvane::IHostClasses* hostClasses, const char* model, int pages, int buttons,
                    const char* const* buttonNames, const char* const* pageNames, const SUserCommandInfo* defaults);

    // The pool's name of page; true and the name unchanged for a model of fewer than two pages.
    bool GetPageNameFromDefaultPool(int page, std::string* name);
    // The pool's current page; 0 for a model of fewer than two pages, -1 when the pool has none.
    int GetPageIndexFromDefaultPool();

    int GetNumberOfUserCmds() const { return m_buttons; }
    int GetNumberOfPages() const { return m_pages; }
    // The button's name; empty for a button out of range.
    std::string GetButtonName(int button) const;
    int GetUserCmdIndex() const { return m_selectedButton; }
    // Selects the button in the panel; a button out of range is ignored.
    void SetUserCmdIndex(int button);

    // Whether page is in range and its row of the current table holds a command per button.
    bool IsAllUserCmdInfoValid(int page) const;
    // The command of the button on the current page; false for a button or page out of range.
    bool GetUserCommandInfo(int button, SUserCommandInfo& info) const;

    // One text of the button's command on the current page: empty for a button or page out of range,
    // where the setters set nothing; a null text sets the empty text.
    std::string GetCategoryName(int button) const;
    std::string GetActionName(int button) const;
    std::string GetDisplayName(int button) const;
    void SetCategoryName(int button, const char* text);
    void SetActionName(int button, const char* text);
    void SetDisplayName(int button, const char* text);

    int GetPageIndex() const { return m_page; }
    // Makes page current; true only when it is in range, the model initialized and page another one.
    bool SetPageIndex(int page);
    // The current page's name; empty (or nothing set) when the page or the model is not valid.
    std::string GetCurrentPageName() const;
    void SetCurrentPageName(const std::string& name);

    // Gives the current page (only) its factory name and commands back.
    void ResetAllUserCommands();

protected:
    using CommandTable = std::vector<std::vector<SUserCommandInfo>>;

    bool IsInitialized() const { return m_hostClasses != nullptr && m_pages > 0; }
    // The entry of the button on the current page, or null.
    SUserCommandInfo* CurrentEntry(int button);
    const SUserCommandInfo* CurrentEntry(int button) const;
    // "ExtensionSetupData_" + the model word.
    std::string PoolSection() const;

    Quorvane::IHostClasses* m_hostClasses = nullptr; // not owned
    std::string m_model;
    int m_pages = 0;
    int m_buttons = 0;
    CommandTable m_commands;
    CommandTable m_defaultCommands;
    std::vector<std::string> m_buttonNames;
    int m_selectedButton = 0;
    int m_page = 0;
    std::vector<std::string> m_pageNames;
    std::vector<std::string> m_defaultPageNames;
};
