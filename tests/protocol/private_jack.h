#pragma once

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QThread>

#include <chrono>
#include <unistd.h>

#include <csignal>
#include <sys/prctl.h>

namespace simtest {

// A JACK server with the dummy driver of the test's own, named after the run's test server (and so unique
// to the run and the process), so that a long run can use short periods (fast round trips) without loading
// the server other tests use. This process and the programs it starts use it: start() points
// JACK_DEFAULT_SERVER at it, before any MIDI client of this process is made. It runs synchronously, as the
// run's one does (see scripts/jack-env). The server goes with this process however that ends (a crash, an
// abort, ctest's time-out kill), not only through the destructor: the machine has eight JACK server places.
// Start it from the thread that lives as long as the test (the main thread): the kernel's parent-death
// signal follows the thread that started the child.
class PrivateJackServer
{
public:
    ~PrivateJackServer() { stop(); }

    // Whether the test needs this server even where the programs could meet elsewhere.
    enum class Need
    {
        WhereNoOtherSystem,
        Always
    };

    // False (with the reason) when jackd is missing or the server never answered. Where the tests run
    // over a server that was started for them and whose period is not theirs to choose (KW_TEST_JACK_GIVEN
    // set, as scripts/test-pipewire does for PipeWire's JACK), that server is used as it is, unless the
    // test needs a server of its own (Need::Always: it stops and starts it). A server started again after
    // stop() keeps its name.
    bool start(int periodFrames, QString* why, Need need = Need::WhereNoOtherSystem)
    {
        // Where the ALSA sequencer is the machine's MIDI system, the programs meet on it and need no server.
        if (need == Need::WhereNoOtherSystem &&
            (qEnvironmentVariableIsSet("KW_TEST_JACK_GIVEN") || ::access("/dev/snd/seq", R_OK | W_OK) == 0))
            return true;
        const QString jackd = QStandardPaths::findExecutable(QStringLiteral("jackd"));
        if (jackd.isEmpty()) {
            *why = QStringLiteral("jackd is not installed");
            return false;
        }
        if (m_name.isEmpty()) {
            const QString shared = qEnvironmentVariable("JACK_DEFAULT_SERVER", QStringLiteral("default"));
            m_name = shared + QStringLiteral("-own-%1").arg(QCoreApplication::applicationPid());
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("JACK_NO_AUDIO_RESERVATION"), QStringLiteral("1"));
        m_server.setProcessEnvironment(env);
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.setStandardOutputFile(kwtest::isolatedRoot() + "/private-jackd.log");
        // The server leaves its timing profile where it runs when it ends.
        m_server.setWorkingDirectory(kwtest::isolatedRoot());
        const pid_t testProcess = getpid();
        m_server.setChildProcessModifier([testProcess] {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != testProcess) // the test ended before the signal was armed
                _exit(1);
        });
        m_server.start(jackd, {"--no-realtime", "--sync", "-n", m_name, "-d", "dummy", "-r", "48000", "-p",
                               QString::number(periodFrames)});
        if (!m_server.waitForStarted(10000)) {
            *why = QStringLiteral("jackd did not start");
            return false;
        }
        qputenv("JACK_DEFAULT_SERVER", m_name.toLocal8Bit());
        qputenv("JACK_NO_START_SERVER", "1");
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < until) {
            QProcess probe;
            probe.setStandardOutputFile(QProcess::nullDevice());
            probe.setStandardErrorFile(QProcess::nullDevice());
            probe.start(QStringLiteral("jack_lsp"), {});
            if (probe.waitForFinished(5000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0)
                return true;
            if (m_server.state() == QProcess::NotRunning)
                break;
            QThread::msleep(100);
        }
        *why = QStringLiteral("the JACK server %1 never answered").arg(m_name);
        return false;
    }

    // Ends the server (as a user who stops it); its clients lose it.
    void stop()
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        m_server.terminate();
        if (!m_server.waitForFinished(10000)) {
            m_server.kill();
            m_server.waitForFinished(5000);
        }
    }

private:
    QProcess m_server;
    QString m_name;
};

} // namespace simtest
