// dbhost: the simulated DAW host's command line.
//   dbhost list <library>                 loads the extension and prints its factory and classes
//   dbhost scenario <library> <name>      drives the extension against the simulated synthesizer in this
//                                         process and prints what its device sends and gets
//   dbhost run <library> [--seconds N]    runs the host on the machine's MIDI ports with the demonstration
//                                         project: installs the device on the synthesizer's ports, opens it
//                                         and idles every 10 ms, printing what the device sends and gets and
//                                         the parameters the extension changes; "select <track>" on standard
//                                         input selects a track; until end of input, a signal or N seconds
#include "DbHostSession.h"
#include "SimSynthPorts.h"

#ifdef DBHOST_WITH_MIDI
#include "DbHostMachinePorts.h"
#endif

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include <poll.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

constexpr const char* kDeviceName = "Telvor ZELK6/ZELK8";

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int)
{
    g_stop = 1;
}

int usage()
{
    std::fprintf(stderr, "usage: dbhost list <library>\n"
                         "       dbhost scenario <library> startup|controls|dial|template\n"
                         "       dbhost run <library> [--seconds N]\n");
    return 2;
}

void synthCommand(simhost::DbHostSession& session, simhost::SimSynthPorts& synth, const std::string& line)
{
    session.say("synth: " + line);
    const zelksim::CommandResult result = synth.command(line);
    if (!result.ok)
        session.say("synth: " + result.text);
    session.host().waitForMidiInput(10s);
}

// The device installed, idling while closed, opened, and the synthesizer's answer to its announcement.
bool startup(simhost::DbHostSession& session, simhost::SimSynthPorts& synth)
{
    if (session.detect() != 0)
        return false;
    session.say("idle while closed");
    session.idle();
    session.openDevices();
    session.idle();
    synth.pump();
    session.host().waitForMidiInput(10s);
    session.report();
    const zelksim::RemoteDisplay display = synth.display();
    session.say(std::string("synth: extension ") + (display.extensionRunning ? "running" : "not running") +
                ", remote mode " + (display.remoteMode ? "on" : "off"));
    return true;
}

// Idles, with the synthesizer answering, until done() or the deadline; false at the deadline.
bool idleUntil(simhost::DbHostSession& session, simhost::SimSynthPorts& synth, const std::function<bool()>& done,
               std::chrono::seconds deadline = 20s)
{
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        session.idle();
        synth.pump();
        session.host().waitForMidiInput(10s);
        std::this_thread::sleep_for(1ms); // the extension's workers hand messages on meanwhile
    }
    return true;
}

void showDisplay(simhost::DbHostSession& session, simhost::SimSynthPorts& synth)
{
    std::istringstream lines(synth.display().describe());
    for (std::string line; std::getline(lines, line);)
        session.say("synth shows: " + line);
}

// The demonstration project against a synthesizer whose template is made for its instrument: the
// parameter names reach the synthesizer's display, and a knob turned there changes the parameter.
bool templateScenario(simhost::DbHostSession& session, simhost::SimSynthPorts& synth)
{
    session.openDemoProject();
    if (!startup(session, synth))
        return false;
    if (!idleUntil(session, synth, [&] {
            const zelksim::RemoteDisplay shown = synth.display();
            return shown.knobNames[2] == "Attack" && shown.knobValues[2] == "5.0";
        })) {
        std::fprintf(stderr, "dbhost: the synthesizer never showed the template's parameter names\n");
        return false;
    }
    showDisplay(session, synth);
    synthCommand(session, synth, "turn 0 3");
    if (!idleUntil(session, synth, [&] { return synth.display().knobValues[0] == "64.4"; })) {
        std::fprintf(stderr, "dbhost: the knob turn never reached the parameter\n");
        return false;
    }
    showDisplay(session, synth);
    return true;
}

int scenario(simhost::DbHostSession& session, const std::string& name)
{
    simhost::SimSynthPorts synth(session.host().ports(), kDeviceName);
    synthCommand(session, synth, "fill 1");
    if (name != "startup" && name != "controls" && name != "dial" && name != "template")
        return usage();
    if (name == "template") {
        for (const std::string& line : simhost::kDemoTemplate)
            synthCommand(session, synth, line);
        return templateScenario(session, synth) ? 0 : 1;
    }
    if (!startup(session, synth))
        return 1;
    if (name == "controls") {
        for (const char* line : {"turn 0 3", "turn 12 -2", "press f1", "press sfbank3", "dial 2", "press play",
                                 "edit knob 0 id 012345678", "remote on"}) {
            synthCommand(session, synth, line);
            session.idle();
        }
    } else if (name == "dial") {
        synthCommand(session, synth, "press jog");
        session.idle(2);
        for (int steps : {3, 5}) {
            synthCommand(session, synth, "dial " + std::to_string(steps));
            session.idle(6, 50);
        }
        synthCommand(session, synth, "press lock");
        session.idle(2);
        session.say("transport held at the project's end");
        session.host().transport().setFrozen(true);
        synthCommand(session, synth, "dial 1");
        session.idle(15, 50);
        session.say("cursor at " + std::to_string(session.host().transport().position()));
    }
    return 0;
}

#ifdef DBHOST_WITH_MIDI
int run(simhost::DbHostSession& session, int seconds)
{
    ::setenv(kwmidi::kBackendVariable, "rtmidi", 1);
    kwmidi::ClientRef client = kwmidi::Client::acquire();
    if (!client || !client->isAvailable()) {
        std::fprintf(stderr, "dbhost: %s\n", kwmidi::kNoMidiSystem);
        return 3;
    }
    simhost::DbHostMachinePorts ports(session.host(), client);
    session.openDemoProject();
    const std::string wanted = std::string(kDeviceName) + " Port2";
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::seconds(seconds);
    // The synthesizer may come a moment later than the host.
    while (ports.refresh(), !ports.hasPortNamed(wanted)) {
        if (g_stop || std::chrono::steady_clock::now() > deadline) {
            std::fprintf(stderr, "dbhost: no ports named \"%s\"\n", wanted.c_str());
            return 1;
        }
        std::this_thread::sleep_for(100ms);
    }
    if (session.detect() != 0)
        return 1;
    ports.listen();
    session.openDevices();
    session.say("ready");
    auto last = std::chrono::steady_clock::now();
    std::string input;
    while (!g_stop && std::chrono::steady_clock::now() < deadline) {
        pollfd fd{STDIN_FILENO, POLLIN, 0};
        if (poll(&fd, 1, 10) > 0) {
            char buffer[256];
            const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0)
                break; // end of input
            input.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t end; (end = input.find('\n')) != std::string::npos; input.erase(0, end + 1)) {
                const std::string line = input.substr(0, end);
                if (line.rfind("select ", 0) != 0 || !session.selectTrack(line.substr(7)))
                    session.say("dbhost understands: select Pad|Drums|Lead");
            }
        }
        const auto now = std::chrono::steady_clock::now();
        session.idle(1, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(now - last).count()));
        last = now;
    }
    session.close(); // the devices close while the ports still listen
    return 0;
}
#endif

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return usage();
    const std::string command = argv[1];
    const std::string library = argv[2];
    if (command == "list" && argc == 3) {
        simhost::SimHost host;
        std::string error;
        if (!host.load(library, &error)) {
            std::fprintf(stderr, "dbhost: %s: %s\n", library.c_str(), error.c_str());
            return 1;
        }
        simhost::printFactory(host, stdout);
        host.unload();
        return 0;
    }
    if (command != "scenario" && command != "run")
        return usage();

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    simhost::DbHostSession session(stdout);
    // The extension breaking the host's thread rule is reported and ends the run with a failure.
    std::atomic<int> violations{0};
    session.host().thread().setViolationHandler([&](const std::string& what) {
        std::fprintf(stderr, "dbhost: %s\n", what.c_str());
        ++violations;
    });
    std::string error;
    if (!session.load(library, &error)) {
        std::fprintf(stderr, "dbhost: %s: %s\n", library.c_str(), error.c_str());
        return 1;
    }
    int result = 2;
    if (command == "scenario" && argc == 4) {
        result = scenario(session, argv[3]);
    } else if (command == "run") {
        int seconds = 3600;
        if (argc == 5 && std::strcmp(argv[3], "--seconds") == 0)
            seconds = std::atoi(argv[4]);
        else if (argc != 3)
            return usage();
#ifdef DBHOST_WITH_MIDI
        result = run(session, seconds > 0 ? seconds : 3600);
#else
        (void)seconds;
        std::fprintf(stderr, "dbhost: built without the MIDI layer\n");
        result = 3;
#endif
    } else {
        return usage();
    }
    return violations > 0 ? 4 : result;
}
