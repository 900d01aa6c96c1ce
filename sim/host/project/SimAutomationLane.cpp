#include "SimAutomationLane.h"

#include <cstring>

namespace simhost {

SimAutomationLane::SimAutomationLane(HostContextRef host, std::string name)
    : HostObject(std::move(host), "AutomationLane"), m_name(std::move(name))
{
}

bool SimAutomationLane::isKindOf(const char* kind)
{
    hostThreadOnly("IProjectObject::isKindOf");
    return kind && std::strcmp(kind, "automation") == 0;
}

bool SimAutomationLane::isSelected()
{
    hostThreadOnly("IProjectObject::isSelected");
    return m_selected;
}

bool SimAutomationLane::isActive()
{
    hostThreadOnly("IAutomationTrack::isActive");
    return m_active;
}

} // namespace simhost
