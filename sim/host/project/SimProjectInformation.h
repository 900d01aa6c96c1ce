#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"
#include "SimProject.h"

#include <mutex>
#include <string>
#include <vector>

namespace simhost {

// The host's projects: the open ones, the active one, and the project notifications the extension
// registers, which the host calls as projects open, become active and close. Host thread.
class SimProjectInformation : public HostObject<Quorvane::IProjectInformation>
{
public:
    SimProjectInformation(HostContextRef host, SimMixer* mixer, SimInstrumentRack* rack = nullptr);
    ~SimProjectInformation() override;

    Quorvane::IProject* getActiveProject() override;
    tresult addProjectNotification(Quorvane::IProjectNotification* notification) override;
    tresult removeProjectNotification(Quorvane::IProjectNotification* notification) override;

    // Host side.
    // Opens a project (told as added); the first one opened also becomes active.
    SimProject* openProject(const std::u16string& name);
    // Makes the project active (the active one told deactivated first, the new one activated).
    void activate(SimProject* project);
    // Closes the project: refused (false) when a notification says it cannot close; otherwise it is
    // deactivated when active, told removed, its tracks deleted and the project freed unless held.
    bool closeProject(SimProject* project);
    SimProject* activeProject();
    int notificationCount();

private:
    std::vector<Quorvane::IProjectNotification*> notifications();

    std::mutex m_mutex;
    SimMixer* m_mixer; // kept
    HostRef<SimInstrumentRack> m_rack;
    std::vector<HostRef<SimProject>> m_projects;
    SimProject* m_active = nullptr;
    std::vector<Quorvane::IProjectNotification*> m_notifications;
};

} // namespace simhost
