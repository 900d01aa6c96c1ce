#include "CUserCmdInfo.h"

#include "FRef.h"
#include "HostFiles.h"

#include <cstdio>

using namespace Quorvane;

namespace {

std::string formatKey(const char* format, int first)
{
    char key[32];
    std::snprintf(key, sizeof key, format, first);
    return key;
}

} // namespace

void CUserCmdInfo::Initialize(IHostClasses* hostClasses, const char* model, int pages, int buttons,
                              const char* const* buttonNames, const char* const* pageNames,
                              const SUserCommandInfo* defaults)
{
    if (!hostClasses || !model || !buttonNames || !defaults || pages <= 0 || buttons <= 0 || pages > kMaxPages ||
        buttons > kMaxButtons)
        return;
    m_hostClasses = hostClasses;
    m_model = model;
    m_pages = pages;
    m_buttons = buttons;
    const auto pageCount = static_cast<std::size_t>(pages);
    const auto buttonCount = static_cast<std::size_t>(buttons);
    m_commands.assign(pageCount, std::vector<SUserCommandInfo>(buttonCount));
    m_defaultCommands.assign(pageCount, std::vector<SUserCommandInfo>(buttonCount));
    m_pageNames.assign(pageCount, std::string());
    m_defaultPageNames.assign(pageCount, std::string());
    for (int page = 0; page < pages; ++page) {
        std::string& name = m_pageNames[static_cast<std::size_t>(page)];
        if (!GetPageNameFromDefaultPool(page, &name) && pageNames && pageNames[page])
            name = pageNames[page];
    }
    const int poolPage = GetPageIndexFromDefaultPool();
    m_page = poolPage < 0 ? 0 : poolPage;
    m_selectedButton = 0;
    m_buttonNames.assign(buttonCount, std::string());
    for (int button = 0; button < buttons; ++button)
        if (buttonNames[button])
            m_buttonNames[static_cast<std::size_t>(button)] = buttonNames[button];
    for (int page = 0; page < pages; ++page) {
        if (pageNames && pageNames[page])
            m_defaultPageNames[static_cast<std::size_t>(page)] = pageNames[page];
        for (int button = 0; button < buttons; ++button)
            m_defaultCommands[static_cast<std::size_t>(page)][static_cast<std::size_t>(button)] =
                defaults[page * buttons + button];
    }
}

std::string CUserCmdInfo::PoolSection() const
{
    return "ExtensionSetupData_" + m_model;
}

bool CUserCmdInfo::GetPageNameFromDefaultPool(int page, std::string* name)
{
    if (page < 0 || page >= m_pages)
        return false;
    if (m_pages < 2)
        return true;
    FRef<IDefaultPool> pool = createRef<IDefaultPool>(m_hostClasses);
    if (!pool || !name)
        return false;
    const char* text = pool->getText(PoolSection().c_str(), formatKey("MemoryName%d", page).c_str());
    if (!text)
        return false;
    *name = text;
    return true;
}

int CUserCmdInfo::GetPageIndexFromDefaultPool()
{
    if (m_pages < 2)
        return 0;
    FRef<IDefaultPool> pool = createRef<IDefaultPool>(m_hostClasses);
    int32 page = -1;
    if (!pool || !pool->getInt(PoolSection().c_str(), "MemoryIndex", &page) || page >= m_pages)
        return -1;
    return page < 0 ? -1 : page;
}

std::string CUserCmdInfo::GetButtonName(int button) const
{
    if (button < 0 || button >= static_cast<int>(m_buttonNames.size()))
        return {};
    return m_buttonNames[static_cast<std::size_t>(button)];
}

void CUserCmdInfo::SetUserCmdIndex(int button)
{
    if (button >= 0 && button < m_buttons)
        m_selectedButton = button;
}

bool CUserCmdInfo::IsAllUserCmdInfoValid(int page) const
{
    return page >= 0 && page < m_pages && m_buttons > 0 && static_cast<int>(m_commands.size()) == m_pages &&
           static_cast<int>(m_commands[static_cast<std::size_t>(page)].size()) == m_buttons;
}

const SUserCommandInfo* CUserCmdInfo::CurrentEntry(int button) const
{
    if (button < 0 || button >= m_buttons || !IsAllUserCmdInfoValid(m_page))
        return nullptr;
    return &m_commands[static_cast<std::size_t>(m_page)][static_cast<std::size_t>(button)];
}

SUserCommandInfo* CUserCmdInfo::CurrentEntry(int button)
{
    return const_cast<SUserCommandInfo*>(static_cast<const CUserCmdInfo*>(this)->CurrentEntry(button));
}

bool CUserCmdInfo::GetUserCommandInfo(int button, SUserCommandInfo& info) const
{
    const SUserCommandInfo* entry = CurrentEntry(button);
    if (!entry)
        return false;
    info = *entry;
    return true;
}

std::string CUserCmdInfo::GetCategoryName(int button) const
{
    const SUserCommandInfo* entry = CurrentEntry(button);
    return entry ? entry->category : std::string();
}

std::string CUserCmdInfo::GetActionName(int button) const
{
    const SUserCommandInfo* entry = CurrentEntry(button);
    return entry ? entry->action : std::string();
}

std::string CUserCmdInfo::GetDisplayName(int button) const
{
    const SUserCommandInfo* entry = CurrentEntry(button);
    return entry ? entry->displayName : std::string();
}

void CUserCmdInfo::SetCategoryName(int button, const char* text)
{
    if (SUserCommandInfo* entry = CurrentEntry(button))
        entry->category = text ? text : "";
}

void CUserCmdInfo::SetActionName(int button, const char* text)
{
    if (SUserCommandInfo* entry = CurrentEntry(button))
        entry->action = text ? text : "";
}

void CUserCmdInfo::SetDisplayName(int button, const char* text)
{
    if (SUserCommandInfo* entry = CurrentEntry(button))
        entry->displayName = text ? text : "";
}

bool CUserCmdInfo::SetPageIndex(int page)
{
    if (page < 0 || page >= m_pages || !IsInitialized() || page == m_page)
        return false;
    m_page = page;
    return true;
}

std::string CUserCmdInfo::GetCurrentPageName() const
{
    if (!IsInitialized() || m_page < 0 || m_page >= static_cast<int>(m_pageNames.size()))
        return {};
    return m_pageNames[static_cast<std::size_t>(m_page)];
}

void CUserCmdInfo::SetCurrentPageName(const std::string& name)
{
    if (IsInitialized() && m_page >= 0 && m_page < static_cast<int>(m_pageNames.size()))
        m_pageNames[static_cast<std::size_t>(m_page)] = name;
}

void CUserCmdInfo::ResetAllUserCommands()
{
    if (!IsAllUserCmdInfoValid(m_page) || static_cast<int>(m_defaultCommands.size()) != m_pages)
        return;
    const auto page = static_cast<std::size_t>(m_page);
    if (m_pages >= 2)
        m_pageNames[page] = m_defaultPageNames[page];
    m_commands[page] = m_defaultCommands[page];
}
