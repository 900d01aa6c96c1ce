#include "SimTransport.h"

using namespace Quorvane;

namespace simhost {

SimTransport::SimTransport(HostContextRef host) : HostObject(std::move(host), "Transport") {}

tresult SimTransport::getProjectCursorPosition(double* position)
{
    hostThreadOnly("ITransportDevice::getProjectCursorPosition");
    if (!position)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    *position = m_position;
    return kResultOk;
}

void SimTransport::wheel(int steps)
{
    std::lock_guard lock(m_mutex);
    m_wheelSteps += steps;
    if (!m_frozen)
        m_position += steps;
}

void SimTransport::setPosition(double position)
{
    std::lock_guard lock(m_mutex);
    m_position = position;
}

double SimTransport::position() const
{
    std::lock_guard lock(m_mutex);
    return m_position;
}

void SimTransport::setFrozen(bool frozen)
{
    std::lock_guard lock(m_mutex);
    m_frozen = frozen;
}

int SimTransport::wheelSteps() const
{
    std::lock_guard lock(m_mutex);
    return m_wheelSteps;
}

} // namespace simhost
