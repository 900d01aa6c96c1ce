#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"

#include <atomic>
#include <string>

namespace simhost {

// An automation lane of a track: a project object of the kind "automation" that the user can select,
// with a state of its own (active) that the host's automation lane interface reports. Host thread.
class SimAutomationLane : public HostObject<Quorvane::IProjectObject, Quorvane::IAutomationTrack>
{
public:
    SimAutomationLane(HostContextRef host, std::string name);

    Quorvane::IObjectList* getChildren() override { return nullptr; }
    bool isKindOf(const char* kind) override;
    bool isSelected() override;
    bool isActive() override;

    // Host side.
    void setSelected(bool selected) { m_selected = selected; }
    void setActive(bool active) { m_active = active; }
    const std::string& name() const { return m_name; }

private:
    const std::string m_name;
    std::atomic<bool> m_selected{false};
    std::atomic<bool> m_active{true};
};

} // namespace simhost
