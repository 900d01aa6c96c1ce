#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace simhost {

// The host's commands: a catalogue of the host's own commands by category, the actions extensions add
// with the handlers that carry them out, and performing a command by category and action. A host command
// performed is recorded; an extension's action goes to the registered handlers. Host thread.
class SimActionManager : public HostObject<Quorvane::IActionManager2>
{
public:
    explicit SimActionManager(HostContextRef host);

    tresult registerHandler(Quorvane::IActionHandler* handler) override;
    tresult unregisterHandler(Quorvane::IActionHandler* handler) override;
    tresult addAction(const char* category, const char* action, const char16_t* title) override;
    tresult removeAction(const char* category, const char* action) override;
    tresult performAction(const char* category, const char* action) override;
    int32 countCategories() override;
    const char* getCategoryName(int32 index) override;
    int32 getCategoryIndex(const char* name) override;
    int32 countActions(int32 category) override;
    const char* getActionName(int32 category, int32 index) override;
    int32 getActionIndex(int32 category, const char* name) override;

    // Host side.
    // One more command of the host's own.
    void addCommand(const std::string& category, const std::string& action);
    // The host lists none of this category's commands (another host version).
    void removeCategory(const std::string& category);
    // The extensions' actions as they were added: "category/action".
    std::vector<std::string> addedActions();
    int handlerCount();
    // What carrying out a host command does besides recording it (it may take the host a while); called
    // on the host's thread with "category/action".
    void setCommandHandler(std::function<void(const std::string&)> handler);
    // Every host command performed, "category/action", in order.
    std::vector<std::string> performed();
    void clearPerformed();

private:
    struct Category
    {
        std::string name;
        std::vector<std::string> actions;
    };
    struct Added
    {
        std::string category;
        std::string action;
        std::u16string title;
    };

    bool isAdded(const std::string& category, const std::string& action);
    void addToCatalogueLocked(const std::string& category, const std::string& action);
    // Offers an extension's command to the registered handlers; kResultOk when one carried it out.
    tresult offerToHandlers(const char* category, const char* action);
    bool isCommand(const std::string& category, const std::string& action);

    std::mutex m_mutex;
    std::vector<Category> m_catalogue;
    std::vector<Added> m_added;
    std::vector<Quorvane::IActionHandler*> m_handlers;
    std::vector<std::string> m_performed;
    std::function<void(const std::string&)> m_commandHandler;
};

} // namespace simhost
