#include "CExtSetupPanel.h"

#include "CExtSetupInfo.h"
#include "FRef.h"
#include "Useful.h"

#include <algorithm>

using namespace Quorvane;

namespace {

constexpr int kViews = 3;
constexpr int32 kTextUnits = 256;

const char* const kResetQuestion = "This will reset the command assignment to the factory default.";
const char* const kResetAnswer = "Reset";
const char* const kCancelAnswer = "Cancel";

std::string numbered(const char* name, int index)
{
    return name + std::to_string(index + 1);
}

// The host's translation of one of our literals, copied: the host's text lasts only until its next call.
std::u16string translated(ITranslator2* translator, const char* literal)
{
    const char16* text = translator->translate(ConstStringTable::instance()->getString(literal));
    return text ? std::u16string(text) : Useful::getTString(literal);
}

} // namespace

CExtSetupPanel::CExtSetupPanel(IHostClasses* hostClasses, CExtSetupInfo* setupInfo, unsigned char displayNameLimit,
                               unsigned char pageNameLimit, IExtSetupInfoMonitor* monitor)
    : m_hostClasses(hostClasses), m_values(hostClasses, nullptr), m_setupInfo(setupInfo),
      m_displayNameLimit(displayNameLimit), m_pageNameLimit(pageNameLimit), m_monitor(monitor)
{
    if (!m_setupInfo)
        return;
    m_buttons = m_setupInfo->GetNumberOfUserCmds();
    m_pages = m_setupInfo->GetNumberOfPages();
    SetupGUI();
    ChangePageIndex(m_setupInfo->GetPageIndex(), true);
    for (int button = 0; button < m_buttons; ++button) {
        UpdateCategoryList(button);
        SetCategorySelection(button);
        if (m_displayNameLimit > 0)
            UpdateDisplayName(button);
    }
    UpdateCategoryList(-1);
    if (IValue* pushed = Parameter(kButton + m_setupInfo->GetUserCmdIndex()))
        pushed->setInt(1, true);
    SetCategorySelection(-1);
    if (m_displayNameLimit > 0)
        UpdateDisplayName(-1);
    const int view = m_setupInfo ? m_setupInfo->GetViewIndex() : 0;
    if (IValue* tab = Parameter(kPictureViewTab + view))
        tab->setInt(1, true);
    ChangeView(view);
}

CExtSetupPanel::~CExtSetupPanel() = default;

tresult CExtSetupPanel::queryInterface(const TUID iid, void** object)
{
    if (!object)
        return kInvalidArgument;
    if (iidEqual(iid, FUnknown::iid) || iidEqual(iid, IPlugController::iid)) {
        addRef();
        *object = static_cast<IPlugController*>(this);
        return kResultOk;
    }
    *object = nullptr;
    return kNoInterface;
}

int32 CExtSetupPanel::addRef()
{
    return FUnknown::atomicAdd(m_refCount, 1);
}

int32 CExtSetupPanel::release()
{
    const int32 count = FUnknown::atomicAdd(m_refCount, -1);
    if (count == 0)
        delete this;
    return count;
}

void CExtSetupPanel::Detach()
{
    m_setupInfo = nullptr;
    m_monitor = nullptr;
}

tresult CExtSetupPanel::getParameter(const char* name, IParameter** parameter)
{
    IValue* value = m_values.getValue(name);
    if (parameter)
        *parameter = value;
    return value ? kResultOk : kResultFalse;
}

void CExtSetupPanel::SetupGUI()
{
    m_values.setController(this);
    m_values.addOnOffValue(kResetButton, "ResetButton", false, false);
    m_values.addIntValue(kResetButtons, "ResetButtons", 0, m_pages - 1, 0, false, false);
    m_values.addOnOffValue(kPictureViewTab, "PictureViewTab", false, false);
    m_values.addOnOffValue(kTableViewTab, "TableViewTab", false, false);
    m_values.addOnOffValue(kOptionViewTab, "OptionViewTab", false, false);
    m_values.addIntValue(kMainView, "MainView", 0, kViews - 1, 0, false, false);
    m_values.addOnOffValue(kLoadButton, "LoadButton", false, false);
    m_values.addOnOffValue(kSaveButton, "SaveButton", false, false);
    for (int page = 0; page < m_pages; ++page)
        m_values.addOnOffValue(kPage + page, numbered("Page", page).c_str(), false, false);
    m_values.addStringValue(kPageName, "PageName", u"", false);
    for (int button = 0; button < m_buttons; ++button) {
        const std::u16string name = Useful::getTString(m_setupInfo->GetButtonName(button).c_str());
        m_values.addStringValue(kButtonName + button, numbered("ButtonName", button).c_str(), name.c_str(), false);
        m_values.addStringListValue(kCategory + button, numbered("Category", button).c_str(), nullptr, nullptr, false);
        m_values.addStringListValue(kAction + button, numbered("Action", button).c_str(), nullptr, nullptr, false);
        m_values.addOnOffValue(kButton + button, numbered("Button", button).c_str(), false, false);
        if (m_displayNameLimit > 0)
            m_values.addStringValue(kDisplayName + button, numbered("DisplayName", button).c_str(), u"", false);
    }
    const std::u16string first = Useful::getTString(m_setupInfo->GetButtonName(0).c_str());
    m_values.addStringValue(kSelectedButtonName, "ButtonName", first.c_str(), false);
    m_values.addStringListValue(kSelectedCategory, "Category", nullptr, nullptr, false);
    m_values.addStringListValue(kSelectedAction, "Action", nullptr, nullptr, false);
    if (m_displayNameLimit > 0)
        m_values.addStringValue(kSelectedDisplayName, "DisplayName", u"", false);
    bool jogStop = true;
    m_setupInfo->GetFlagState(CExtOption::kJogStopFlag, &jogStop);
    m_values.addOnOffValue(kJogStopFlag, "JogStopFlag", jogStop, false);
}

int CExtSetupPanel::ButtonIndex(int button) const
{
    return button < 0 && m_setupInfo ? m_setupInfo->GetUserCmdIndex() : button;
}

IValue* CExtSetupPanel::Parameter(int32 tag) const
{
    return m_values.getValueByTag(tag);
}

IValue* CExtSetupPanel::ListParameter(int32 perButton, int32 selected, int button) const
{
    return Parameter(button < 0 ? selected : perButton + button);
}

std::u16string CExtSetupPanel::Text(IValue* value)
{
    char16 buffer[kTextUnits] = {};
    if (!value || value->toString(buffer, kTextUnits) != kResultOk)
        return {};
    buffer[kTextUnits - 1] = 0;
    return buffer;
}

bool CExtSetupPanel::IsPressed(IValue* value)
{
    return value && value->getInt() > 0;
}

int CExtSetupPanel::CountCategories()
{
    if (m_categoryCount == 0) {
        if (FRef<IActionManager2> actions = createRef<IActionManager2>(m_hostClasses))
            m_categoryCount = std::max<int32>(0, actions->countCategories());
    }
    return m_categoryCount;
}

bool CExtSetupPanel::ChangePageIndex(int page, bool notify)
{
    if (!m_setupInfo || page < 0 || page >= m_pages)
        return false;
    if (m_pages < 2)
        return true;
    IValue* pageButton = Parameter(kPage + page);
    if (pageButton && !IsPressed(pageButton))
        pageButton->setInt(1, true);
    if (!m_setupInfo)
        return false; // the panel was detached meanwhile
    TurnOffOtherButtons(kPage + page, kPage, kPage + m_pages - 1);
    if (!m_setupInfo->SetPageIndex(page))
        return false;
    if (notify && m_monitor)
        m_monitor->PageIndexChanged();
    return true;
}

void CExtSetupPanel::TurnOffOtherButtons(int32 keep, int32 first, int32 last)
{
    if (first < 0 || keep < first || keep > last)
        return;
    for (int32 tag = first; tag <= last; ++tag) {
        if (tag == keep)
            continue;
        IValue* value = Parameter(tag);
        if (IsPressed(value)) {
            value->setInt(0, true);
            return;
        }
    }
}

const std::vector<std::u16string>& CExtSetupPanel::CategoryNames()
{
    // Taken once, as their number: every category list of the panel shows the same names.
    if (m_categoryNames.empty()) {
        FRef<IActionManager2> actions = createRef<IActionManager2>(m_hostClasses);
        const int count = actions ? CountCategories() : 0;
        for (int index = 0; index < count; ++index)
            m_categoryNames.push_back(Useful::getTString(actions->getCategoryName(index)));
        m_categoryNames.push_back(Useful::getTString(kNoAssignment));
    }
    return m_categoryNames;
}

void CExtSetupPanel::UpdateCategoryList(int button)
{
    FRef<IStringList> list = queryRef<IStringList>(ListParameter(kCategory, kSelectedCategory, button));
    if (!list)
        return;
    list->removeAll();
    for (const std::u16string& name : CategoryNames())
        list->addString(name.c_str());
}

void CExtSetupPanel::UpdateActionList(int button)
{
    FRef<IStringList> list = queryRef<IStringList>(ListParameter(kAction, kSelectedAction, button));
    if (!list || !m_setupInfo)
        return;
    list->removeAll();
    const std::string category = m_setupInfo->GetCategoryName(ButtonIndex(button));
    FRef<IActionManager2> actions = createRef<IActionManager2>(m_hostClasses);
    const int32 index = actions && !category.empty() ? actions->getCategoryIndex(category.c_str()) : -1;
    // The lists are refilled whenever a category is chosen or shown: each category's names are taken once.
    std::vector<std::u16string>& names = m_actionNames[index];
    if (names.empty()) {
        const int32 count = index >= 0 ? actions->countActions(index) : 0;
        for (int32 action = 0; action < count; ++action)
            names.push_back(Useful::getTString(actions->getActionName(index, action)));
        names.push_back(Useful::getTString(kNoAssignment));
    }
    for (const std::u16string& name : names)
        list->addString(name.c_str());
}

void CExtSetupPanel::SetCategorySelection(int button)
{
    IValue* list = ListParameter(kCategory, kSelectedCategory, button);
    if (!list || !m_setupInfo)
        return;
    const std::string category = m_setupInfo->GetCategoryName(ButtonIndex(button));
    int32 index = CountCategories();
    FRef<IActionManager2> actions = createRef<IActionManager2>(m_hostClasses);
    if (actions && !category.empty() && category != kNoAssignment) {
        const int32 known = actions->getCategoryIndex(category.c_str());
        if (known >= 0)
            index = known;
    }
    list->setInt(index, true);
}

void CExtSetupPanel::SetActionSelection(int button)
{
    IValue* list = ListParameter(kAction, kSelectedAction, button);
    if (!list || !m_setupInfo)
        return;
    const int index = ButtonIndex(button);
    const std::string category = m_setupInfo->GetCategoryName(index);
    const std::string action = m_setupInfo->GetActionName(index);
    int32 selection = 0;
    FRef<IActionManager2> actions = createRef<IActionManager2>(m_hostClasses);
    const int32 categoryIndex =
        actions && !category.empty() && category != kNoAssignment ? actions->getCategoryIndex(category.c_str()) : -1;
    if (categoryIndex >= 0) {
        selection = actions->countActions(categoryIndex);
        const int32 known = action.empty() ? -1 : actions->getActionIndex(categoryIndex, action.c_str());
        if (known >= 0)
            selection = known;
    }
    list->setInt(selection, true);
}

void CExtSetupPanel::UpdateDisplayName(int button)
{
    IValue* field = ListParameter(kDisplayName, kSelectedDisplayName, button);
    if (!field || !m_setupInfo)
        return;
    const int index = ButtonIndex(button);
    field->fromString(Useful::getTString(m_setupInfo->GetDisplayName(index).c_str()).c_str());
    // A host reports a text the panel sets; the service then shows the name, as after the user typed it.
    if (m_monitor)
        m_monitor->CommandNameChanged(index);
}

bool CExtSetupPanel::IsUnlistedCommand(const std::string& category, const std::string& action)
{
    if (category.empty() || category == kNoAssignment)
        return false;
    FRef<IActionManager2> actions = createRef<IActionManager2>(m_hostClasses);
    const int32 categoryIndex = actions ? actions->getCategoryIndex(category.c_str()) : -1;
    if (categoryIndex < 0)
        return true;
    return !action.empty() && action != kNoAssignment && actions->getActionIndex(categoryIndex, action.c_str()) < 0;
}

void CExtSetupPanel::StoreCategoryName(int button, int32 tag)
{
    const int index = ButtonIndex(button);
    const std::string stored = m_setupInfo->GetCategoryName(index);
    IValue* list = Parameter(tag);
    FRef<IActionManager2> actions = createRef<IActionManager2>(m_hostClasses);
    const int32 selected = list ? list->getInt() : -1;
    std::string chosen;
    if (actions && selected >= 0 && selected < CountCategories())
        if (const char* name = actions->getCategoryName(selected))
            chosen = name;
    if (chosen.empty()) {
        // A category this host does not list shows as no assignment, yet stays the button's until the user
        // chooses another: another host (or version) may well list it.
        if (IsUnlistedCommand(stored, std::string()))
            return;
        chosen = kNoAssignment;
    }
    if (chosen == stored)
        return;
    m_setupInfo->SetCategoryName(index, chosen.c_str());
    // The action belonged to the category the user left.
    if (IsUnlistedCommand(chosen, m_setupInfo->GetActionName(index)) || chosen == kNoAssignment)
        m_setupInfo->SetActionName(index, kNoAssignment);
}

void CExtSetupPanel::StoreActionName(int button, int32 tag)
{
    const int index = ButtonIndex(button);
    const std::string category = m_setupInfo->GetCategoryName(index);
    IValue* list = Parameter(tag);
    FRef<IActionManager2> actions = createRef<IActionManager2>(m_hostClasses);
    const int32 categoryIndex = actions && !category.empty() ? actions->getCategoryIndex(category.c_str()) : -1;
    const int32 selected = list ? list->getInt() : -1;
    std::string chosen;
    if (categoryIndex >= 0 && selected >= 0 && selected < actions->countActions(categoryIndex))
        if (const char* name = actions->getActionName(categoryIndex, selected))
            chosen = name;
    // A command this host does not list shows as no assignment and is kept, as its category is.
    if (chosen.empty() && IsUnlistedCommand(category, m_setupInfo->GetActionName(index)))
        return;
    m_setupInfo->SetActionName(index, chosen.empty() ? kNoAssignment : chosen.c_str());
}

bool CExtSetupPanel::TakeAsciiName(IValue* value, unsigned char limit, std::string& name)
{
    const std::u16string text = Text(value);
    if (!Useful::isASCIIString(text.c_str()) && !text.empty()) {
        value->fromString(u"");
        return false;
    }
    if (text.size() > limit) {
        const std::u16string cut = text.substr(0, limit);
        value->fromString(cut.c_str());
        name = Useful::getCString(cut.c_str());
    } else {
        name = Useful::getCString(text.c_str());
    }
    return true;
}

void CExtSetupPanel::StoreDisplayName(int button, int32 tag)
{
    std::string name;
    if (IValue* field = Parameter(tag); field && TakeAsciiName(field, m_displayNameLimit, name))
        m_setupInfo->SetDisplayName(ButtonIndex(button), name.c_str());
}

void CExtSetupPanel::StorePageName()
{
    std::string name;
    if (IValue* field = Parameter(kPageName); field && TakeAsciiName(field, m_pageNameLimit, name))
        m_setupInfo->SetCurrentPageName(name);
}

void CExtSetupPanel::ChangeView(int view)
{
    if (view >= kViews)
        return;
    IValue* mainView = Parameter(kMainView);
    if (!mainView)
        return;
    if (view < 0)
        view = (mainView->getInt() + 1) % kViews;
    if (view != mainView->getInt())
        mainView->setInt(view, true);
}

void CExtSetupPanel::UpdateGUI(int view)
{
    if (!m_setupInfo)
        return;
    if (view < 0)
        view = m_setupInfo->GetViewIndex();
    if (IValue* reset = Parameter(kResetButton))
        reset->setEnabled(view != 2);
    if (view == 0)
        UpdatePictureViewGUI();
    else if (view == 1)
        UpdateTableViewGUI();
    if (IValue* pageName = Parameter(kPageName); pageName && m_setupInfo)
        pageName->fromString(Useful::getTString(m_setupInfo->GetCurrentPageName().c_str()).c_str());
}

void CExtSetupPanel::UpdateTableViewGUI()
{
    for (int button = 0; button < m_buttons && m_setupInfo; ++button) {
        FRef<IStringList> list = queryRef<IStringList>(Parameter(kCategory + button));
        if (list && list->countStrings() > 0)
            SetCategorySelection(button);
        UpdateDisplayName(button);
    }
}

void CExtSetupPanel::UpdatePictureViewGUI()
{
    FRef<IStringList> list = queryRef<IStringList>(Parameter(kSelectedCategory));
    if (list && list->countStrings() > 0)
        SetCategorySelection(-1);
    UpdateDisplayName(-1);
}

void CExtSetupPanel::SynchronizePictureViewWithPushedButton(int32 tag)
{
    const int button = tag - kButton;
    if (button < 0 || button >= m_buttons)
        return;
    TurnOffOtherButtons(tag, kButton, kButton + m_buttons - 1);
    if (!m_setupInfo)
        return;
    m_setupInfo->SetUserCmdIndex(button);
    if (IValue* name = Parameter(kSelectedButtonName))
        name->fromString(Useful::getTString(m_setupInfo->GetButtonName(button).c_str()).c_str());
    SetCategorySelection(-1);
    SetActionSelection(-1);
    UpdateDisplayName(-1);
}

void CExtSetupPanel::SendAllCommandNamesIfPictureViewSelected()
{
    if (!m_monitor || !m_setupInfo || m_setupInfo->GetViewIndex() != 0)
        return;
    for (int button = 0; button < m_buttons; ++button)
        m_monitor->CommandNameChanged(button);
}

bool CExtSetupPanel::ConfirmUserCommandsReset()
{
    FRef<IAlert> alert = createRef<IAlert>(m_hostClasses);
    FRef<ITranslator2> translator = createRef<ITranslator2>(m_hostClasses);
    if (!alert || !translator)
        return false;
    const std::u16string question = translated(translator.get(), kResetQuestion);
    const std::u16string reset = translated(translator.get(), kResetAnswer);
    const std::u16string cancel = translated(translator.get(), kCancelAnswer);
    return alert->showMessage(question.c_str(), reset.c_str(), cancel.c_str()) == 0;
}

tresult CExtSetupPanel::parameterChanged(IParameter* parameter, int32 tag)
{
    if (!parameter || !m_setupInfo)
        return kResultOk;
    const bool pressed = IsPressed(parameter);
    if (tag >= kPictureViewTab && tag <= kOptionViewTab) {
        if (pressed) {
            const int32 current = kPictureViewTab + m_setupInfo->GetViewIndex();
            if (current != tag)
                if (IValue* tab = Parameter(current))
                    tab->setInt(0, true);
            ChangeView(tag - kPictureViewTab);
        }
    } else if (tag == kResetButton) {
        if (pressed && ConfirmUserCommandsReset() && m_setupInfo) {
            m_setupInfo->ResetAllUserCommands();
            UpdateGUI(-1);
            SendAllCommandNamesIfPictureViewSelected();
        }
    } else if (tag == kLoadButton) {
        if (pressed) {
            m_setupInfo->LoadAllData();
            UpdateGUI(-1);
            SendAllCommandNamesIfPictureViewSelected();
        }
    } else if (tag == kSaveButton) {
        if (pressed)
            m_setupInfo->SaveAllData();
    } else if (tag == kMainView) {
        m_setupInfo->SetViewIndex(parameter->getInt());
        UpdateGUI(-1);
    } else if (tag >= kPage && tag < kPage + m_pages) {
        if (pressed) {
            ChangePageIndex(tag - kPage, true);
            UpdateGUI(-1);
            if (IValue* chosen = Parameter(kResetButtons))
                chosen->setInt(tag - kPage, false);
        }
    } else if (tag == kPageName) {
        StorePageName();
    } else if (tag >= kCategory && tag < kCategory + m_buttons) {
        StoreCategoryName(tag - kCategory, tag);
        UpdateActionList(tag - kCategory);
        SetActionSelection(tag - kCategory);
    } else if (tag >= kAction && tag < kAction + m_buttons) {
        StoreActionName(tag - kAction, tag);
    } else if (tag >= kDisplayName && tag < kDisplayName + m_buttons) {
        StoreDisplayName(tag - kDisplayName, tag);
        if (m_monitor)
            m_monitor->CommandNameChanged(tag - kDisplayName);
    } else if (tag >= kButton && tag < kButton + m_buttons) {
        if (pressed)
            SynchronizePictureViewWithPushedButton(tag);
    } else if (tag == kSelectedCategory) {
        StoreCategoryName(-1, tag);
        UpdateActionList(-1);
        SetActionSelection(-1);
    } else if (tag == kSelectedAction) {
        StoreActionName(-1, tag);
    } else if (tag == kSelectedDisplayName) {
        StoreDisplayName(-1, tag);
        if (m_monitor)
            m_monitor->CommandNameChanged(m_setupInfo->GetUserCmdIndex());
    } else if (tag == kJogStopFlag) {
        m_setupInfo->SetFlagState(CExtOption::kJogStopFlag, pressed);
        if (m_monitor)
            m_monitor->JogStopSettingChanged(pressed);
    }
    return kResultOk;
}
