#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"

#include <mutex>
#include <vector>

namespace simhost {

// A list of project objects (a project's or folder's children, an automation's lanes). It keeps one
// reference to each object; the objects it hands out carry none. Host thread.
class SimObjectList : public HostObject<Quorvane::IObjectList>
{
public:
    explicit SimObjectList(HostContextRef host);

    int32 countObjects() override;
    Quorvane::IProjectObject* getObjectAt(int32 index) override;

    // Host side.
    void add(Quorvane::IProjectObject* object);
    // Drops the object (the list's reference); false when it is not listed.
    bool remove(Quorvane::IProjectObject* object);
    int32 indexOf(Quorvane::IProjectObject* object);
    std::vector<Quorvane::IProjectObject*> objects();

private:
    std::mutex m_mutex;
    std::vector<HostRef<Quorvane::IProjectObject>> m_objects;
};

} // namespace simhost
