#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"
#include "SimPanelDescription.h"
#include "SimPanelWindow.h"

#include <mutex>
#include <string>
#include <vector>

namespace simhost {

// The host's panel descriptions and the windows made from them. A module's description file is looked
// for beside the module's library, then in the resource folders the host was given. The host keeps each
// window it made until the window closes; at its end it closes those still open. Host thread.
class SimGuiDescription : public HostObject<Quorvane::IGuiDescription>
{
public:
    explicit SimGuiDescription(HostContextRef host);
    ~SimGuiDescription() override;

    tresult loadDescription(void* module, const char16_t* file) override;
    Quorvane::IWindow* createWindow(const char* panelName, Quorvane::IPlugController* controller) override;

    // Host side.
    void addResourceFolder(const std::string& folder);
    // What the last failed load reported.
    std::string lastError();
    // The newest open window of the named panel (any panel when empty); null when none is open.
    SimPanelWindow* window(const std::string& panelName = {});
    int windowCount();
    // Closes every window still open (the host's end).
    void closeAll();
    // A closing window lets go of its place here.
    void forget(SimPanelWindow* window);

private:
    std::string findFile(void* module, const std::string& file);

    std::mutex m_mutex;
    std::vector<std::string> m_folders;
    std::vector<SimPanelDescription> m_panels;
    std::vector<SimPanelWindow*> m_windows; // referenced
    std::string m_lastError;
};

} // namespace simhost
