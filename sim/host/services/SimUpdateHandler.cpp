#include "SimUpdateHandler.h"

#include <algorithm>

using namespace Quorvane;

namespace simhost {

SimUpdateHandler::SimUpdateHandler(HostContextRef host) : HostObject(std::move(host), "UpdateHandler") {}

HostRef<SimUpdateHandler> SimUpdateHandler::of(HostRegistry& registry)
{
    void* found = nullptr;
    if (registry.createInstance(IUpdateHandler::iid, &found) != kResultOk)
        return {};
    auto* updates = static_cast<IUpdateHandler*>(found);
    if (auto* own = dynamic_cast<SimUpdateHandler*>(updates))
        return HostRef<SimUpdateHandler>::adopt(own);
    updates->release();
    return {};
}

tresult SimUpdateHandler::addDependent(FUnknown* object, IDependent* dependent)
{
    hostThreadOnly("IUpdateHandler::addDependent");
    if (!object || !dependent)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    auto& list = m_dependents[object];
    if (std::find(list.begin(), list.end(), dependent) == list.end())
        list.push_back(dependent);
    return kResultOk;
}

tresult SimUpdateHandler::removeDependent(FUnknown* object, IDependent* dependent)
{
    hostThreadOnly("IUpdateHandler::removeDependent");
    if (!object || !dependent)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    const auto entry = m_dependents.find(object);
    if (entry == m_dependents.end())
        return kResultFalse;
    auto& list = entry->second;
    const auto it = std::find(list.begin(), list.end(), dependent);
    if (it == list.end())
        return kResultFalse;
    list.erase(it);
    if (list.empty())
        m_dependents.erase(entry);
    return kResultOk;
}

tresult SimUpdateHandler::triggerUpdates(FUnknown* object, int32 message)
{
    hostThreadOnly("IUpdateHandler::triggerUpdates");
    if (!object)
        return kInvalidArgument;
    deliver(object, message);
    return kResultOk;
}

tresult SimUpdateHandler::deferUpdates(FUnknown* object, int32 message)
{
    hostThreadOnly("IUpdateHandler::deferUpdates");
    if (!object)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    m_deferred.push_back({object, message, false, 0});
    return kResultOk;
}

void SimUpdateHandler::deferUpdatesUntil(FUnknown* object, int32 message, int32 due)
{
    std::lock_guard lock(m_mutex);
    m_deferred.push_back({object, message, true, due});
}

void SimUpdateHandler::objectRemoved(FUnknown* object)
{
    deliver(object, IDependent::kDestroyed);
    std::lock_guard lock(m_mutex);
    m_dependents.erase(object);
    std::erase_if(m_deferred, [object](const Deferred& d) { return d.object == object; });
}

void SimUpdateHandler::deliver(FUnknown* object, int32 message)
{
    std::vector<IDependent*> dependents;
    {
        std::lock_guard lock(m_mutex);
        const auto entry = m_dependents.find(object);
        if (entry != m_dependents.end())
            dependents = entry->second;
    }
    for (IDependent* dependent : dependents)
        dependent->update(object, message);
}

int SimUpdateHandler::flushDeferred()
{
    const ManualClock& clock = registry().clock();
    std::vector<Deferred> due;
    {
        std::lock_guard lock(m_mutex);
        const auto waiting = std::stable_partition(m_deferred.begin(), m_deferred.end(), [&clock](const Deferred& d) {
            return d.timed && !clock.hasReached(d.due);
        });
        due.assign(waiting, m_deferred.end());
        m_deferred.erase(waiting, m_deferred.end());
    }
    for (const Deferred& d : due)
        deliver(d.object, d.message);
    return static_cast<int>(due.size());
}

int SimUpdateHandler::dependentCount(FUnknown* object)
{
    std::lock_guard lock(m_mutex);
    const auto entry = m_dependents.find(object);
    return entry == m_dependents.end() ? 0 : static_cast<int>(entry->second.size());
}

int SimUpdateHandler::totalDependents()
{
    std::lock_guard lock(m_mutex);
    int total = 0;
    for (const auto& entry : m_dependents)
        total += static_cast<int>(entry.second.size());
    return total;
}

} // namespace simhost
