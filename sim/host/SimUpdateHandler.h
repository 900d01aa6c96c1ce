#pragma once

#include "FObject.h"
#include "HostModel.h"

#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace simhost {

// Keeps the dependents of objects and delivers change messages, at once or at the next idle turn. The
// extension registers and triggers on the host's thread; the host delivers on its own.
class SimUpdateHandler : public HostObject<Quorvane::IUpdateHandler>
{
public:
    explicit SimUpdateHandler(HostContextRef host);

    tresult addDependent(Quorvane::FUnknown* object, Quorvane::IDependent* dependent) override;
    tresult removeDependent(Quorvane::FUnknown* object, Quorvane::IDependent* dependent) override;
    tresult triggerUpdates(Quorvane::FUnknown* object, int32 message) override;
    tresult deferUpdates(Quorvane::FUnknown* object, int32 message) override;

    // Delivers the deferred messages in the order they were deferred; the number delivered.
    int flushDeferred();
    int dependentCount(Quorvane::FUnknown* object);
    int totalDependents();

private:
    void deliver(Quorvane::FUnknown* object, int32 message);

    std::mutex m_mutex;
    std::map<Quorvane::FUnknown*, std::vector<Quorvane::IDependent*>> m_dependents;
    std::vector<std::pair<Quorvane::FUnknown*, int32>> m_deferred;
};

} // namespace simhost
