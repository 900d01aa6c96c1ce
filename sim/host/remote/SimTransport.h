#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"

#include <mutex>

namespace simhost {

// The host's transport: a project cursor that the jog wheel moves, one unit per wheel step, and that
// the test can move or freeze (a cursor held at the project's end). Read by the extension on the
// host's thread; moved on any thread.
class SimTransport : public HostObject<Quorvane::ITransportDevice>
{
public:
    explicit SimTransport(HostContextRef host);

    tresult getProjectCursorPosition(double* position) override;

    // A wheel movement of signed steps; nothing while frozen.
    void wheel(int steps);
    void setPosition(double position);
    double position() const;
    void setFrozen(bool frozen);
    int wheelSteps() const;

private:
    mutable std::mutex m_mutex;
    double m_position = 0.0;
    bool m_frozen = false;
    int m_wheelSteps = 0;
};

} // namespace simhost
