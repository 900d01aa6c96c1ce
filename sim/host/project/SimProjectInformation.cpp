#include "SimProjectInformation.h"

#include "Registrations.h"

#include <algorithm>

using namespace Quorvane;

namespace simhost {

SimProjectInformation::SimProjectInformation(HostContextRef host, SimMixer* mixer, SimInstrumentRack* rack)
    : HostObject(std::move(host), "ProjectInformation"), m_mixer(mixer), m_rack(HostRef<SimInstrumentRack>::share(rack))
{
    m_mixer->addRef();
}

SimProjectInformation::~SimProjectInformation()
{
    m_projects.clear();
    m_mixer->release();
}

IProject* SimProjectInformation::getActiveProject()
{
    hostThreadOnly("IProjectInformation::getActiveProject");
    std::lock_guard lock(m_mutex);
    return m_active;
}

tresult SimProjectInformation::addProjectNotification(IProjectNotification* notification)
{
    hostThreadOnly("IProjectInformation::addProjectNotification");
    std::lock_guard lock(m_mutex);
    return addRegistration(m_notifications, notification);
}

tresult SimProjectInformation::removeProjectNotification(IProjectNotification* notification)
{
    hostThreadOnly("IProjectInformation::removeProjectNotification");
    std::lock_guard lock(m_mutex);
    return removeRegistration(m_notifications, notification);
}

SimProject* SimProjectInformation::openProject(const std::u16string& name)
{
    HostRef<SimProject> project = HostRef<SimProject>::adopt(
        makeHostObject<SimProject>(registry().shared_from_this(), name, m_mixer, m_rack.get()));
    bool first = false;
    {
        std::lock_guard lock(m_mutex);
        m_projects.push_back(project);
        first = m_active == nullptr;
    }
    for (IProjectNotification* notification : notifications())
        notification->projectAdded(project.get());
    if (first)
        activate(project.get());
    return project.get();
}

void SimProjectInformation::activate(SimProject* project)
{
    SimProject* old = nullptr;
    {
        std::lock_guard lock(m_mutex);
        old = m_active;
    }
    if (old == project)
        return;
    if (old)
        for (IProjectNotification* notification : notifications())
            notification->projectDeactivated(old);
    {
        std::lock_guard lock(m_mutex);
        m_active = project;
    }
    if (project)
        for (IProjectNotification* notification : notifications())
            notification->projectActivated(project);
}

bool SimProjectInformation::closeProject(SimProject* project)
{
    for (IProjectNotification* notification : notifications())
        if (notification->canProjectClose(project) != kResultOk)
            return false;
    if (activeProject() == project) {
        for (IProjectNotification* notification : notifications())
            notification->projectDeactivated(project);
        std::lock_guard lock(m_mutex);
        m_active = nullptr;
    }
    for (IProjectNotification* notification : notifications())
        notification->projectRemoved(project);
    HostRef<SimProject> closed;
    {
        std::lock_guard lock(m_mutex);
        const auto it = std::find_if(m_projects.begin(), m_projects.end(),
                                     [project](const HostRef<SimProject>& p) { return p.get() == project; });
        if (it == m_projects.end())
            return true;
        closed = std::move(*it);
        m_projects.erase(it);
    }
    closed->close();
    return true;
}

SimProject* SimProjectInformation::activeProject()
{
    std::lock_guard lock(m_mutex);
    return m_active;
}

int SimProjectInformation::notificationCount()
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_notifications.size());
}

std::vector<IProjectNotification*> SimProjectInformation::notifications()
{
    std::lock_guard lock(m_mutex);
    return m_notifications;
}

} // namespace simhost
