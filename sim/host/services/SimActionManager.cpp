#include "SimActionManager.h"

#include "Registrations.h"

#include <algorithm>

using namespace Quorvane;

namespace simhost {

namespace {

// The host's own commands: those the synthesizer's function buttons are set to at first, and the ones
// the extension opens browsers with.
struct Command
{
    const char* category;
    const char* action;
};

constexpr Command kHostCommands[] = {
    {"Zoom", "Zoom In"},
    {"Zoom", "Zoom Out"},
    {"Zoom", "Zoom In Vertically"},
    {"Zoom", "Zoom Out Vertically"},
    {"Devices", "Mixer"},
    {"Edit", "Open Key Editor"},
    {"Edit", "Open Score Editor"},
    {"Edit", "Open Drum Editor"},
    {"Edit", "Open List Editor"},
    {"Edit", "Monitor"},
    {"Edit", "Select Next Grid Type"},
    {"Project", "Open Pool"},
    {"Project", "Track Preset: Open Browser"},
    {"AddTrack", "MIDI"},
    {"AddTrack", "Audio"},
    {"AddTrack", "Audio Mono"},
    {"Quantize Category", "Auto Quantize On/Off"},
    {"Quantize Category", "Quantize"},
    {"Quantize Category", "Quantize Lengths"},
    {"Quantize Category", "Quantize Setup"},
    {"MIDI", "Toggle Step Input"},
    {"File", "Import Audio File"},
    {"File", "Export Audio Mixdown"},
    {"File", "Save New Version"},
    {"Automation", "Show Used Automation (Selected Tracks)"},
    {"Automation", "Show All Used Automation"},
    {"Automation", "Hide All Automation"},
    {"Media", "Open Cratebin"},
    {"Preset", "Open Browser"},
};

std::string joined(const std::string& category, const std::string& action)
{
    return category + "/" + action;
}

} // namespace

SimActionManager::SimActionManager(HostContextRef host) : HostObject(std::move(host), "ActionManager")
{
    alsoAnswer<IActionManager>();
    for (const Command& c : kHostCommands)
        addCommand(c.category, c.action);
}

tresult SimActionManager::registerHandler(IActionHandler* handler)
{
    hostThreadOnly("IActionManager::registerHandler");
    std::lock_guard lock(m_mutex);
    return addRegistration(m_handlers, handler);
}

tresult SimActionManager::unregisterHandler(IActionHandler* handler)
{
    hostThreadOnly("IActionManager::unregisterHandler");
    std::lock_guard lock(m_mutex);
    return removeRegistration(m_handlers, handler);
}

tresult SimActionManager::addAction(const char* category, const char* action, const char16_t* title)
{
    hostThreadOnly("IActionManager::addAction");
    if (!category || !action)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    for (const Added& a : m_added)
        if (a.category == category && a.action == action)
            return kResultFalse;
    m_added.push_back({category, action, title ? title : u""});
    // The host lists the extension's commands among its own (where the user assigns commands to keys).
    addToCatalogueLocked(category, action);
    return kResultOk;
}

tresult SimActionManager::removeAction(const char* category, const char* action)
{
    hostThreadOnly("IActionManager::removeAction");
    if (!category || !action)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    const auto it = std::find_if(m_added.begin(), m_added.end(),
                                 [&](const Added& a) { return a.category == category && a.action == action; });
    if (it == m_added.end())
        return kResultFalse;
    m_added.erase(it);
    const auto listed =
        std::find_if(m_catalogue.begin(), m_catalogue.end(), [&](const Category& c) { return c.name == category; });
    if (listed != m_catalogue.end()) {
        std::erase(listed->actions, std::string(action));
        if (listed->actions.empty())
            m_catalogue.erase(listed);
    }
    return kResultOk;
}

tresult SimActionManager::offerToHandlers(const char* category, const char* action)
{
    std::vector<IActionHandler*> handlers;
    {
        std::lock_guard lock(m_mutex);
        handlers = m_handlers;
    }
    // The first handler that takes the action carries it out.
    for (IActionHandler* handler : handlers)
        if (handler->handleAction(category, action, false) == kResultOk)
            return kResultOk;
    return kResultFalse;
}

tresult SimActionManager::performAction(const char* category, const char* action)
{
    hostThreadOnly("IActionManager::performAction");
    if (!category || !action)
        return kInvalidArgument;
    if (isAdded(category, action))
        return offerToHandlers(category, action);
    if (!isCommand(category, action))
        return kResultFalse;
    std::function<void(const std::string&)> handler;
    {
        std::lock_guard lock(m_mutex);
        m_performed.push_back(joined(category, action));
        handler = m_commandHandler;
    }
    if (handler)
        handler(joined(category, action));
    return kResultOk;
}

void SimActionManager::removeCategory(const std::string& category)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_catalogue, [&](const Category& c) { return c.name == category; });
}

void SimActionManager::setCommandHandler(std::function<void(const std::string&)> handler)
{
    std::lock_guard lock(m_mutex);
    m_commandHandler = std::move(handler);
}

int32 SimActionManager::countCategories()
{
    hostThreadOnly("IActionManager2::countCategories");
    std::lock_guard lock(m_mutex);
    return static_cast<int32>(m_catalogue.size());
}

const char* SimActionManager::getCategoryName(int32 index)
{
    hostThreadOnly("IActionManager2::getCategoryName");
    std::lock_guard lock(m_mutex);
    const auto* category = elementAt(m_catalogue, index);
    return category ? category->name.c_str() : nullptr;
}

int32 SimActionManager::getCategoryIndex(const char* name)
{
    hostThreadOnly("IActionManager2::getCategoryIndex");
    std::lock_guard lock(m_mutex);
    for (std::size_t i = 0; name && i < m_catalogue.size(); ++i)
        if (m_catalogue[i].name == name)
            return static_cast<int32>(i);
    return -1;
}

int32 SimActionManager::countActions(int32 category)
{
    hostThreadOnly("IActionManager2::countActions");
    std::lock_guard lock(m_mutex);
    if (category < 0 || category >= static_cast<int32>(m_catalogue.size()))
        return 0;
    return static_cast<int32>(m_catalogue[static_cast<std::size_t>(category)].actions.size());
}

const char* SimActionManager::getActionName(int32 category, int32 index)
{
    hostThreadOnly("IActionManager2::getActionName");
    std::lock_guard lock(m_mutex);
    const auto* found = elementAt(m_catalogue, category);
    const std::string* action = found ? elementAt(found->actions, index) : nullptr;
    return action ? action->c_str() : nullptr;
}

int32 SimActionManager::getActionIndex(int32 category, const char* name)
{
    hostThreadOnly("IActionManager2::getActionIndex");
    std::lock_guard lock(m_mutex);
    if (!name || category < 0 || category >= static_cast<int32>(m_catalogue.size()))
        return -1;
    const auto& actions = m_catalogue[static_cast<std::size_t>(category)].actions;
    for (std::size_t i = 0; i < actions.size(); ++i)
        if (actions[i] == name)
            return static_cast<int32>(i);
    return -1;
}

void SimActionManager::addCommand(const std::string& category, const std::string& action)
{
    std::lock_guard lock(m_mutex);
    addToCatalogueLocked(category, action);
}

void SimActionManager::addToCatalogueLocked(const std::string& category, const std::string& action)
{
    auto it =
        std::find_if(m_catalogue.begin(), m_catalogue.end(), [&](const Category& c) { return c.name == category; });
    if (it == m_catalogue.end())
        it = m_catalogue.insert(m_catalogue.end(), Category{category, {}});
    if (std::find(it->actions.begin(), it->actions.end(), action) == it->actions.end())
        it->actions.push_back(action);
}

std::vector<std::string> SimActionManager::addedActions()
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> actions;
    for (const Added& a : m_added)
        actions.push_back(joined(a.category, a.action));
    return actions;
}

int SimActionManager::handlerCount()
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_handlers.size());
}

std::vector<std::string> SimActionManager::performed()
{
    std::lock_guard lock(m_mutex);
    return m_performed;
}

void SimActionManager::clearPerformed()
{
    std::lock_guard lock(m_mutex);
    m_performed.clear();
}

bool SimActionManager::isAdded(const std::string& category, const std::string& action)
{
    std::lock_guard lock(m_mutex);
    return std::any_of(m_added.begin(), m_added.end(),
                       [&](const Added& a) { return a.category == category && a.action == action; });
}

bool SimActionManager::isCommand(const std::string& category, const std::string& action)
{
    std::lock_guard lock(m_mutex);
    for (const Category& c : m_catalogue)
        if (c.name == category)
            return std::find(c.actions.begin(), c.actions.end(), action) != c.actions.end();
    return false;
}

} // namespace simhost
