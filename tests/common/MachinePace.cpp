#include "MachinePace.h"

#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace kwtest {

namespace {
// Runs for at least this long and this often: a busy machine gives a program its core in turns, and the
// mean over several turns is how fast it runs; one late wake-up alone does not make it.
constexpr qint64 kMeasureNs = 300'000'000;
constexpr int kLeastRuns = 10;
constexpr int kRunMs = 60000;
} // namespace

bool MachinePace::measure()
{
    QElapsedTimer timer;
    timer.start();
    int runs = 0;
    for (; runs < kLeastRuns || timer.nsecsElapsed() < kMeasureNs; ++runs) {
        QProcess program;
        program.start(QStringLiteral("true"), {});
        if (!program.waitForFinished(kRunMs) || program.exitStatus() != QProcess::NormalExit || program.exitCode() != 0)
            return false;
    }
    const auto mean = std::chrono::nanoseconds(timer.nsecsElapsed() / runs);
    m_programRun = std::max(m_programRun, std::chrono::duration_cast<std::chrono::microseconds>(mean));
    return true;
}

double MachinePace::factor() const
{
    return std::max(1.0, double(m_programRun.count()) / double(kIdleProgramRun.count()));
}

std::chrono::milliseconds MachinePace::stretch(std::chrono::milliseconds idle) const
{
    const double stretched = double(idle.count()) * factor();
    return std::chrono::milliseconds(
        static_cast<std::chrono::milliseconds::rep>(std::min(stretched, double(std::numeric_limits<int>::max()))));
}

int MachinePace::stretchMs(int idleMs) const
{
    return static_cast<int>(stretch(std::chrono::milliseconds(idleMs)).count());
}

std::string MachinePace::describe() const
{
    char text[96];
    std::snprintf(text, sizeof text, "a program runs in %.1f ms, budgets stretched %.1f times",
                  double(m_programRun.count()) / 1000.0, factor());
    return text;
}

} // namespace kwtest
