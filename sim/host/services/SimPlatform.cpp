#include "SimPlatform.h"

#include "Registrations.h"

#include <algorithm>

using namespace Quorvane;

namespace simhost {

SimPlatform::SimPlatform(HostContextRef host) : HostObject(std::move(host), "Platform")
{
    alsoAnswer<IPlatform>();
}

tresult SimPlatform::addIdleHandler(IIdleHandler* handler)
{
    hostThreadOnly("IPlatform::addIdleHandler");
    std::lock_guard lock(m_mutex);
    return addRegistration(m_handlers, handler);
}

tresult SimPlatform::removeIdleHandler(IIdleHandler* handler)
{
    hostThreadOnly("IPlatform::removeIdleHandler");
    std::lock_guard lock(m_mutex);
    return removeRegistration(m_handlers, handler);
}

tresult SimPlatform::getTime(int32* milliseconds)
{
    if (!milliseconds)
        return kInvalidArgument;
    const ManualClock& clock = registry().clock();
    if (!clock.isAvailable())
        return kResultFalse;
    *milliseconds = clock.now();
    return kResultOk;
}

bool SimPlatform::canTerminate()
{
    hostThreadOnly("IPlatform2::canTerminate");
    std::lock_guard lock(m_mutex);
    return m_canTerminate;
}

int SimPlatform::runIdle()
{
    std::vector<IIdleHandler*> handlers;
    {
        std::lock_guard lock(m_mutex);
        handlers = m_handlers;
    }
    int called = 0;
    for (IIdleHandler* handler : handlers) {
        // A handler removed by an earlier one during this turn is not called any more.
        {
            std::lock_guard lock(m_mutex);
            if (std::find(m_handlers.begin(), m_handlers.end(), handler) == m_handlers.end())
                continue;
        }
        handler->onIdle();
        ++called;
    }
    return called;
}

int SimPlatform::idleHandlerCount()
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_handlers.size());
}

void SimPlatform::setCanTerminate(bool can)
{
    std::lock_guard lock(m_mutex);
    m_canTerminate = can;
}

} // namespace simhost
