#pragma once

#include "ExtSetupInfoMonitor.h"
#include "HostInterfaces.h"
#include "PValueContainer.h"

#include <map>
#include <string>
#include <vector>

class CExtSetupInfo;

// The controller of the setup panel's window: declares the panel's parameters, keeps them in step with
// the setup data and turns the user's edits into changes of the setup data and news for the service.
// Lives while its window is open (the window holds a reference). Host's user-interface thread only.
class CExtSetupPanel final : public Quorvane::IPlugController
{
public:
    // Tags of the panel's parameters; the per-button and per-page ones add the button or page.
    enum Tag : Quorvane::int32
    {
        kResetButton = 0,
        kResetButtons = 1,
        kButtonName = 10,
        kCategory = 60,
        kAction = 110,
        kDisplayName = 160,
        kButton = 210,
        kPage = 270,
        kSelectedButtonName = 290,
        kSelectedCategory = 291,
        kSelectedAction = 292,
        kSelectedDisplayName = 293,
        kJogStopFlag = 295,
        kLoadButton = 296,
        kSaveButton = 297,
        kPageName = 298,
        kPictureViewTab = 299,
        kTableViewTab = 300,
        kOptionViewTab = 301,
        kMainView = 302,
    };
    // The entry of a category or action list that stands for no assignment.
    static constexpr const char* kNoAssignment = "---";

    CExtSetupPanel(Quorvane::IHostClasses* hostClasses, CExtSetupInfo* setupInfo, unsigned char displayNameLimit,
                   unsigned char pageNameLimit, IExtSetupInfoMonitor* monitor);

    Quorvane::tresult queryInterface(const Quorvane::TUID iid, void** object) override;
    Quorvane::int32 addRef() override;
    Quorvane::int32 release() override;
    Quorvane::tresult getParameter(const char* name, Quorvane::IParameter** parameter) override;
    Quorvane::tresult parameterChanged(Quorvane::IParameter* parameter, Quorvane::int32 tag) override;

    // Lets go of the setup data and the monitor, which are about to go while the host may still keep the
    // window: later changes of the panel's parameters then do nothing.
    void Detach();

    // Makes page current and shows it; notify tells the monitor when it changed. False when the page is out
    // of range or was current already (true for a model of one page).
    bool ChangePageIndex(int page, bool notify);

private:
    ~CExtSetupPanel();

    void SetupGUI();
    void UpdateCategoryList(int button);
    void SetCategorySelection(int button);
    void UpdateActionList(int button);
    void SetActionSelection(int button);
    void UpdateDisplayName(int button);
    void StoreCategoryName(int button, Quorvane::int32 tag);
    void StoreActionName(int button, Quorvane::int32 tag);
    void StoreDisplayName(int button, Quorvane::int32 tag);
    void StorePageName();
    void ChangeView(int view);
    void UpdateGUI(int view);
    void UpdateTableViewGUI();
    void UpdatePictureViewGUI();
    void SynchronizePictureViewWithPushedButton(Quorvane::int32 tag);
    void TurnOffOtherButtons(Quorvane::int32 keep, Quorvane::int32 first, Quorvane::int32 last);
    bool ConfirmUserCommandsReset();
    void SendAllCommandNamesIfPictureViewSelected();

    // Button -1 stands for the button selected in the picture view.
    int ButtonIndex(int button) const;
    Quorvane::IValue* Parameter(Quorvane::int32 tag) const;
    Quorvane::IValue* ListParameter(Quorvane::int32 perButton, Quorvane::int32 selected, int button) const;
    // A parameter's text, and whether it is pressed (its integer above 0).
    static std::u16string Text(Quorvane::IValue* value);
    static bool IsPressed(Quorvane::IValue* value);
    // Stores a typed name cut to limit; false (and the field emptied) for a text that is not plain ASCII.
    static bool TakeAsciiName(Quorvane::IValue* value, unsigned char limit, std::string& name);
    int CountCategories();
    // The 16-bit names of the host's categories in the host's order, then "---".
    const std::vector<std::u16string>& CategoryNames();
    // Whether category (and action, when given) name a command this host does not list; an empty or "---"
    // category names none.
    bool IsUnlistedCommand(const std::string& category, const std::string& action);

    Quorvane::int32 m_refCount = 1;
    Quorvane::IHostClasses* m_hostClasses;
    Quorvane::PValueContainer m_values;
    CExtSetupInfo* m_setupInfo; // not owned
    int m_buttons = 0;
    int m_pages = 0;
    unsigned char m_displayNameLimit;
    unsigned char m_pageNameLimit;
    IExtSetupInfoMonitor* m_monitor; // not owned
    int m_categoryCount = 0;
    std::vector<std::u16string> m_categoryNames;
    // The 16-bit names of each category's actions (by the host's category index, -1 for none), then "---".
    std::map<Quorvane::int32, std::vector<std::u16string>> m_actionNames;
};
