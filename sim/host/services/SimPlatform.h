#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"

#include <mutex>
#include <vector>

namespace simhost {

// The host's platform services: idle handlers, called on demand, and the registry's manual clock.
// Handlers are added and removed on the host's thread; the clock is read on any thread.
class SimPlatform : public HostObject<Quorvane::IPlatform2>
{
public:
    explicit SimPlatform(HostContextRef host);

    tresult addIdleHandler(Quorvane::IIdleHandler* handler) override;
    tresult removeIdleHandler(Quorvane::IIdleHandler* handler) override;
    tresult getTime(int32* milliseconds) override;
    bool canTerminate() override;

    // Calls every registered idle handler once, in registration order; the number called.
    int runIdle();
    int idleHandlerCount();
    void setCanTerminate(bool can);

private:
    std::mutex m_mutex;
    std::vector<Quorvane::IIdleHandler*> m_handlers;
    bool m_canTerminate = true;
};

} // namespace simhost
