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

    // The update handler the registry serves, when it is one of these.
    static HostRef<SimUpdateHandler> of(HostRegistry& registry);

    tresult addDependent(Quorvane::FUnknown* object, Quorvane::IDependent* dependent) override;
    tresult removeDependent(Quorvane::FUnknown* object, Quorvane::IDependent* dependent) override;
    tresult triggerUpdates(Quorvane::FUnknown* object, int32 message) override;
    tresult deferUpdates(Quorvane::FUnknown* object, int32 message) override;

    // Host side: delivers message at the first idle turn at which the host's clock has reached due.
    void deferUpdatesUntil(Quorvane::FUnknown* object, int32 message, int32 due);
    // Host side: the host let object go; its dependents are told (destroyed) and forgotten, and
    // messages still waiting for it are dropped.
    void objectRemoved(Quorvane::FUnknown* object);

    // Delivers the deferred messages that are due, in the order they were deferred; the number delivered.
    int flushDeferred();
    int dependentCount(Quorvane::FUnknown* object);
    int totalDependents();

private:
    void deliver(Quorvane::FUnknown* object, int32 message);

    std::mutex m_mutex;
    std::map<Quorvane::FUnknown*, std::vector<Quorvane::IDependent*>> m_dependents;
    struct Deferred
    {
        Quorvane::FUnknown* object;
        int32 message;
        bool timed; // else due at the next turn
        int32 due;
    };
    std::vector<Deferred> m_deferred;
};

} // namespace simhost
