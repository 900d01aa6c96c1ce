#include "SimHostMenuBar.h"

#include "SimActionManager.h"

#include <algorithm>

using namespace Quorvane;

namespace simhost {

SimHostMenuBar::SimHostMenuBar(HostContextRef host, SimActionManager* actions)
    : HostObject(std::move(host), "HostMenuBar"), m_actions(actions)
{
}

tresult SimHostMenuBar::addMenuItem(void* module, const char* menu, const char16_t* text, const char* category,
                                    const char* action)
{
    hostThreadOnly("IHostMenuBar::addMenuItem");
    if (!menu || !text || !category || !action)
        return kInvalidArgument;
    std::string path = std::string(menu) + "/";
    for (const char16_t* c = text; *c; ++c)
        path.push_back(*c < 128 ? static_cast<char>(*c) : '?');
    std::lock_guard lock(m_mutex);
    m_items.push_back({module, path, category, action});
    return kResultOk;
}

tresult SimHostMenuBar::removeMenuItems(void* module)
{
    hostThreadOnly("IHostMenuBar::removeMenuItems");
    std::lock_guard lock(m_mutex);
    std::erase_if(m_items, [&](const Item& item) { return item.module == module; });
    return kResultOk;
}

std::vector<std::string> SimHostMenuBar::items()
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> paths;
    for (const Item& item : m_items)
        paths.push_back(item.path);
    return paths;
}

bool SimHostMenuBar::choose(const std::string& path)
{
    std::string category;
    std::string action;
    {
        std::lock_guard lock(m_mutex);
        const auto it = std::find_if(m_items.begin(), m_items.end(), [&](const Item& i) { return i.path == path; });
        if (it == m_items.end())
            return false;
        category = it->category;
        action = it->action;
    }
    return m_actions->offerToHandlers(category.c_str(), action.c_str()) == kResultOk;
}

} // namespace simhost
