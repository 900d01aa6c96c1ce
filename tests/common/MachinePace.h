#pragma once

#include <chrono>
#include <string>

namespace kwtest {

// How much slower than an idle machine this one (or the guest kernel a test runs in) runs now, measured by
// the mean time a small program takes from its start to its end: its start and end cost hundreds of system
// calls and page faults and two hand-overs by the scheduler, as the exchanges between the tests' programs
// do, and a guest that gets its core in turns shows it in proportion. Budgets sized on an idle machine (a
// test's waits, the patience it gives the encoder, a panel's time-out) are stretched by it where they are
// not what a test is about; a test whose subject is a time-out keeps its value. Never shrinks a budget.
// Measures on the calling thread, which it blocks meanwhile (a third of a second idle).
class MachinePace
{
public:
    // The mean run in a guest kernel on an idle machine, where the budgets of the tests across programs are
    // known to hold: a faster machine (or a guest there) stretches nothing.
    static constexpr std::chrono::microseconds kIdleProgramRun{10000};

    // Measures again; the pace is the slowest one measured so far. False (and the pace unchanged) when the
    // program could not be run.
    bool measure();

    // 1 until a measure found the machine slower than an idle one.
    double factor() const;
    std::chrono::milliseconds stretch(std::chrono::milliseconds idle) const;
    int stretchMs(int idleMs) const;
    // The slowest mean run measured and the factor, for a test's log.
    std::string describe() const;

private:
    std::chrono::microseconds m_programRun{0};
};

} // namespace kwtest
