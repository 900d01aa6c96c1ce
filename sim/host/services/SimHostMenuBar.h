#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"

#include <mutex>
#include <string>
#include <vector>

namespace simhost {

class SimActionManager;

// The host's menu bar: the items modules add under a menu, each bound to a command (category and
// action) that the host's action manager then lists and carries out through the action handlers, as
// choosing the item does. Host thread.
class SimHostMenuBar : public HostObject<Quorvane::IHostMenuBar>
{
public:
    SimHostMenuBar(HostContextRef host, SimActionManager* actions);

    tresult addMenuItem(void* module, const char* menu, const char16_t* text, const char* category,
                        const char* action) override;
    tresult removeMenuItems(void* module) override;

    // Host side: the items as "menu/text", in the order they were added.
    std::vector<std::string> items();
    // The user chooses an item ("menu/text"); false when there is none or no handler took its command.
    bool choose(const std::string& item);

private:
    struct Item
    {
        void* module;
        std::string path;
        std::string category;
        std::string action;
    };

    SimActionManager* m_actions; // not referenced: the host keeps both
    std::mutex m_mutex;
    std::vector<Item> m_items;
};

} // namespace simhost
