#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"
#include "SimAutomationLane.h"
#include "SimObjectList.h"

#include <atomic>
#include <string>
#include <vector>

namespace simhost {

// A track's automation: a state of its own (active) and its lanes, which it keeps. Host thread.
class SimAutomation : public HostObject<Quorvane::IAutomation>
{
public:
    explicit SimAutomation(HostContextRef host);
    ~SimAutomation() override;

    bool isActive() override;
    // Null while there are no lanes.
    Quorvane::IObjectList* getEntries() override;

    // Host side.
    SimAutomationLane* addLane(std::string name);
    std::vector<SimAutomationLane*> lanes();
    void setActive(bool active) { m_active = active; }
    // The host is done with the lanes: their dependents are told.
    void hostRemoved();

private:
    std::atomic<bool> m_active{true};
    SimObjectList* m_lanes; // kept
};

} // namespace simhost
