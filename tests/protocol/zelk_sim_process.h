#pragma once

#include "MidiSystem.h"
#include "TestEnvironment.h"

#include <QProcess>

#include <chrono>
#include <cstdlib>

namespace simtest {

inline constexpr const char* kSkipWithoutServer =
    "no MIDI system: no JACK server answers (source scripts/jack-env and run start_test_jack)";

// zelk-sim says "ready" once its ten ports exist. On JACK each port is a client of its own, and the server
// admits clients one at a time: eight simulators starting together take some 4 s each on an idle machine,
// and a full parallel test run with sanitizers multiplies that.
inline constexpr std::chrono::milliseconds kZelkSimReadyDeadline{60000};

// This process's client of the machine's MIDI system, which zelk-sim in another process shares; the
// backend is chosen once per process.
inline kwmidi::ClientRef machineMidiClient()
{
    ::setenv(kwmidi::kBackendVariable, "system", 1);
    return kwmidi::Client::acquire();
}

// Closing its input asks zelk-sim to end; one that does not is killed, so no test leaves it behind.
inline void stopZelkSim(QProcess& sim)
{
    kwtest::endProcess(sim, std::chrono::seconds(30));
}

} // namespace simtest
