#include "SimObjectList.h"

#include <algorithm>

using namespace Quorvane;

namespace simhost {

SimObjectList::SimObjectList(HostContextRef host) : HostObject(std::move(host), "ObjectList") {}

int32 SimObjectList::countObjects()
{
    hostThreadOnly("IObjectList::countObjects");
    std::lock_guard lock(m_mutex);
    return static_cast<int32>(m_objects.size());
}

IProjectObject* SimObjectList::getObjectAt(int32 index)
{
    hostThreadOnly("IObjectList::getObjectAt");
    std::lock_guard lock(m_mutex);
    const HostRef<IProjectObject>* object = elementAt(m_objects, index);
    return object ? object->get() : nullptr;
}

void SimObjectList::add(IProjectObject* object)
{
    std::lock_guard lock(m_mutex);
    m_objects.push_back(HostRef<IProjectObject>::share(object));
}

bool SimObjectList::remove(IProjectObject* object)
{
    HostRef<IProjectObject> dropped; // released outside the lock: the object may go with it
    std::lock_guard lock(m_mutex);
    const auto it = std::find_if(m_objects.begin(), m_objects.end(),
                                 [object](const HostRef<IProjectObject>& o) { return o.get() == object; });
    if (it == m_objects.end())
        return false;
    dropped = std::move(*it);
    m_objects.erase(it);
    return true;
}

int32 SimObjectList::indexOf(IProjectObject* object)
{
    std::lock_guard lock(m_mutex);
    for (std::size_t i = 0; i < m_objects.size(); ++i)
        if (m_objects[i].get() == object)
            return static_cast<int32>(i);
    return -1;
}

std::vector<IProjectObject*> SimObjectList::objects()
{
    std::lock_guard lock(m_mutex);
    std::vector<IProjectObject*> result;
    for (const HostRef<IProjectObject>& object : m_objects)
        result.push_back(object.get());
    return result;
}

} // namespace simhost
