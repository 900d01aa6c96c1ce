#include "SimHostMenuBar.h"

#include "SimActionManager.h"
#include "SimValue.h"

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
    const std::string path = std::string(menu) + "/" + asciiText8(text);
    // The item's command is one more of the host's commands, carried out by the extension's handler.
    const tresult added = m_actions->addAction(category, action, text);
    if (added != kResultOk)
        return added;
    std::lock_guard lock(m_mutex);
    m_items.push_back({module, path, category, action});
    return kResultOk;
}

tresult SimHostMenuBar::removeMenuItems(void* module)
{
    hostThreadOnly("IHostMenuBar::removeMenuItems");
    std::vector<Item> removed;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_items.begin(); it != m_items.end();)
            if (it->module == module) {
                removed.push_back(*it);
                it = m_items.erase(it);
            } else {
                ++it;
            }
    }
    for (const Item& item : removed)
        m_actions->removeAction(item.category.c_str(), item.action.c_str());
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
    return m_actions->performAction(category.c_str(), action.c_str()) == kResultOk;
}

} // namespace simhost
