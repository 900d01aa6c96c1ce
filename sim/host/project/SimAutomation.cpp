#include "SimAutomation.h"

#include "SimUpdateHandler.h"

using namespace Quorvane;

namespace simhost {

SimAutomation::SimAutomation(HostContextRef host)
    : HostObject(std::move(host), "Automation"), m_lanes(makeHostObject<SimObjectList>(registry().shared_from_this()))
{
}

SimAutomation::~SimAutomation()
{
    m_lanes->release();
}

bool SimAutomation::isActive()
{
    hostThreadOnly("IAutomation::isActive");
    return m_active;
}

IObjectList* SimAutomation::getEntries()
{
    hostThreadOnly("IAutomation::getEntries");
    return m_lanes->objects().empty() ? nullptr : m_lanes;
}

SimAutomationLane* SimAutomation::addLane(std::string name)
{
    HostRef<SimAutomationLane> lane = HostRef<SimAutomationLane>::adopt(
        makeHostObject<SimAutomationLane>(registry().shared_from_this(), std::move(name)));
    m_lanes->add(lane.get());
    return lane.get();
}

std::vector<SimAutomationLane*> SimAutomation::lanes()
{
    std::vector<SimAutomationLane*> result;
    for (IProjectObject* object : m_lanes->objects())
        result.push_back(static_cast<SimAutomationLane*>(object));
    return result;
}

void SimAutomation::hostRemoved()
{
    if (HostRef<SimUpdateHandler> updates = SimUpdateHandler::of(registry())) {
        for (SimAutomationLane* lane : lanes())
            updates->objectRemoved(lane->unknown());
        updates->objectRemoved(unknown());
    }
}

} // namespace simhost
