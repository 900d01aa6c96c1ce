// dbhost: the simulated DAW host's command line.
//   dbhost list <library>                 loads the extension and prints its factory and classes
//   dbhost scenario <library> <name>      drives the extension against the simulated synthesizer in this
//                                         process and prints what its device sends and gets (startup,
//                                         controls, dial, template; restart switches the synthesizer off
//                                         and on again)
//   dbhost run <library> [--seconds N]    runs the host on the machine's MIDI ports with the demonstration
//                                         project: waits (saying so) for the synthesizer's ports, installs the
//                                         device on them, opens it and idles every 10 ms (closing it while
//                                         those ports are gone and opening it again when they are back),
//                                         printing what the device sends and gets, the host commands it
//                                         performs and the parameters the extension changes; "select <track>"
//                                         on standard input selects a track; until end of input, a signal or
//                                         N seconds
//   dbhost panel [<library>]              opens the extension's setup panel (against the simulated synthesizer
//                                         in this process) and reads the user's commands on standard input:
//                                         press, select, set, show, ... ("help" lists them)
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
#include <iostream>
#include <memory>
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
                         "       dbhost scenario <library> startup|controls|dial|template|restart\n"
                         "       dbhost run <library> [--seconds N]\n"
                         "       dbhost panel [<library>]\n");
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

// The device installed and opened, and the synthesizer's answer to its announcement at the first idle.
bool startup(simhost::DbHostSession& session, simhost::SimSynthPorts& synth)
{
    if (session.detect() != 0)
        return false;
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

// The synthesizer switched off and on again while the host runs: the host closes the device when its
// ports go and opens it again when they are back, and the extension brings the synthesizer back to the
// page, the template and the names and values it showed.
bool restartScenario(simhost::DbHostSession& session)
{
    auto synth = std::make_unique<simhost::SimSynthPorts>(session.host().ports(), kDeviceName);
    const auto switchOn = [&] {
        synthCommand(session, *synth, "fill 1");
        for (const std::string& line : simhost::kDemoTemplate)
            synthCommand(session, *synth, line);
    };
    const auto backWhereItWas = [&] {
        const zelksim::RemoteDisplay shown = synth->display();
        return shown.extensionRunning && shown.remoteMode && shown.page == "MIDI" && shown.track == "Pad" &&
               shown.knobNames[2] == "Attack" && shown.knobValues[2] == "5.0";
    };
    switchOn();
    session.openDemoProject();
    if (!startup(session, *synth))
        return false;
    synthCommand(session, *synth, "press sfbank3");
    if (!idleUntil(session, *synth, backWhereItWas)) {
        std::fprintf(stderr, "dbhost: the synthesizer never showed the page and the template's parameters\n");
        return false;
    }
    showDisplay(session, *synth);
    session.say("synth: switched off");
    synth.reset();
    session.idle(3);
    session.say("synth: switched on");
    synth = std::make_unique<simhost::SimSynthPorts>(session.host().ports(), kDeviceName);
    switchOn();
    if (!idleUntil(session, *synth, backWhereItWas)) {
        std::fprintf(stderr, "dbhost: the synthesizer was not brought back\n");
        return false;
    }
    showDisplay(session, *synth);
    return true;
}

int scenario(simhost::DbHostSession& session, const std::string& name)
{
    if (name == "restart")
        return restartScenario(session) ? 0 : 1;
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

constexpr const char* kSetupMenuItem = "Devices/ZELK6/ZELK8 Extension Setup";
constexpr const char* kPanelHelp =
    "press <view>            press a button, switch a toggle, choose a tab, page or button\n"
    "select <view> <entry>   choose an entry of a menu by its text or number\n"
    "set <view> <text>       type a text into a field\n"
    "show                    the panel's views as the user sees them\n"
    "entries <view>          the entries of a menu\n"
    "answer reset|cancel     the answer to the next message box (the first button otherwise)\n"
    "file <path>             the file the next file dialog chooses (for Save... and Load...)\n"
    "synth <command>         a command at the synthesizer (\"synth press f1\", \"synth display\")\n"
    "menu                    chooses the panel's menu item (closes the panel, or opens it)\n";

// What the synthesizer's display shows of the user commands: the page name and the six button names.
std::string commandLine(const zelksim::RemoteDisplay& display)
{
    std::string line = "synth shows: page \"" + display.page + "\":";
    for (const std::string& name : display.buttons)
        line += " [" + name + "]";
    return line;
}

// The extension's setup panel, driven by the user's commands on standard input. Prints the panel after
// "show", each host command carried out, each message box with the answer given, and each change of what
// the synthesizer shows of the user commands.
int panelFrontEnd(simhost::DbHostSession& session)
{
    simhost::SimHost& host = session.host();
    simhost::SimSynthPorts synth(host.ports(), kDeviceName);
    synth.command("fill 1");
    if (session.detect() != 0)
        return 1;
    session.openDevices();
    std::string shown;
    const auto settle = [&] {
        for (int turn = 0; turn < 20; ++turn) {
            host.idle();
            synth.pump();
            host.waitForMidiInput(10s);
            std::this_thread::sleep_for(1ms); // the extension's workers hand messages on meanwhile
        }
        session.reportHostCommands();
        const std::string now = commandLine(synth.display());
        if (now != shown)
            session.say(now);
        shown = now;
    };
    if (!idleUntil(session, synth, [&] { return !host.menuBar().items().empty(); })) {
        std::fprintf(stderr, "dbhost: the extension added no menu item for its setup panel\n");
        return 1;
    }
    settle();
    int answer = 0;
    host.alert().setAnswerer([&](const simhost::SimAlert::Message& message) {
        const int given = message.button2.empty() ? 0 : answer;
        answer = 0;
        std::string buttons = "[" + simhost::asciiText8(message.button1) + "]";
        if (!message.button2.empty())
            buttons += " [" + simhost::asciiText8(message.button2) + "]";
        session.say("host asks: \"" + simhost::asciiText8(message.text) + "\" " + buttons + " -> " +
                    simhost::asciiText8(given == 0 ? message.button1 : message.button2));
        return given;
    });
    session.say(std::string("host: chooses ") + kSetupMenuItem);
    host.menuBar().choose(kSetupMenuItem);
    settle();
    for (std::string line; std::getline(std::cin, line);) {
        std::istringstream words(line);
        std::string command, view;
        words >> command >> view;
        std::string rest;
        std::getline(words >> std::ws, rest);
        simhost::SimPanelWindow* window = host.gui().window();
        std::string error;
        bool ok = true;
        if (command.empty() || command[0] == '#') {
            continue;
        } else if (command == "help") {
            std::fputs(kPanelHelp, stdout);
        } else if (command == "menu") {
            ok = host.menuBar().choose(kSetupMenuItem);
            error = "the menu item did nothing";
        } else if (command == "synth") {
            synthCommand(session, synth, view + (rest.empty() ? "" : " " + rest));
            if (view == "display")
                showDisplay(session, synth);
        } else if (command == "file" && !view.empty()) {
            host.files().answerNextDialog({view + (rest.empty() ? "" : " " + rest)});
        } else if (command == "answer" && (view == "reset" || view == "cancel")) {
            answer = view == "reset" ? 0 : 1;
        } else if (!window) {
            ok = false;
            error = "the panel is not open (\"menu\" opens it)";
        } else if (command == "show") {
            std::fputs(window->describe().c_str(), stdout);
        } else if (command == "entries") {
            const std::string entries = window->entries(view, &error);
            ok = error.empty();
            std::fputs(entries.c_str(), stdout);
        } else if (command == "press" && rest.empty()) {
            ok = window->press(view, &error);
        } else if (command == "select" && !rest.empty()) {
            ok = window->select(view, rest, &error);
        } else if (command == "set") {
            ok = window->setText(view, simhost::asciiText16(rest), &error);
        } else {
            ok = false;
            error = "dbhost panel understands:\n" + std::string(kPanelHelp);
        }
        if (!ok)
            session.say("panel: " + error);
        settle();
        std::fflush(stdout);
    }
    session.close();
    return 0;
}

#ifdef DBHOST_WITH_MIDI
// Waits up to timeout for standard input and hands each complete line to line; false at end of input.
bool readLines(std::string& input, std::chrono::milliseconds timeout,
               const std::function<void(const std::string&)>& line)
{
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    if (poll(&fd, 1, static_cast<int>(timeout.count())) <= 0)
        return true;
    char buffer[256];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0)
        return false;
    input.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t end; (end = input.find('\n')) != std::string::npos; input.erase(0, end + 1))
        line(input.substr(0, end));
    return true;
}

int run(simhost::DbHostSession& session, int seconds)
{
    ::setenv(kwmidi::kBackendVariable, "system", 1);
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
    std::string input;
    const auto command = [&](const std::string& line) {
        if (line.rfind("select ", 0) != 0 || !session.selectTrack(line.substr(7)))
            session.say("dbhost understands: select Pad|Drums|Lead");
    };
    // The synthesizer may come a moment later than the host; the user may give up on it.
    bool told = false;
    while (ports.refresh(), !ports.hasPortNamed(wanted)) {
        if (!told)
            session.say("waiting for the synthesizer's ports \"" + wanted + "\" (Ctrl-D ends)");
        told = true;
        if (g_stop || std::chrono::steady_clock::now() > deadline || !readLines(input, 100ms, command)) {
            std::fprintf(stderr, "dbhost: no ports named \"%s\"\n", wanted.c_str());
            return 1;
        }
    }
    if (session.detect() != 0)
        return 1;
    ports.listen();
    session.openDevices();
    session.say("ready");
    auto last = std::chrono::steady_clock::now();
    while (!g_stop && std::chrono::steady_clock::now() < deadline && readLines(input, 10ms, command)) {
        // The synthesizer may be switched off and on: the host follows its ports at every turn.
        ports.refresh();
        ports.listen();
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
    // The panel front end finds the library built beside it when none is named.
    const bool panel = argc >= 2 && std::strcmp(argv[1], "panel") == 0;
    if (argc < 3 && !(panel && argc == 2 && std::strlen(DBHOST_DEFAULT_LIBRARY) > 0))
        return usage();
    const std::string command = argv[1];
    const std::string library = argc >= 3 ? argv[2] : DBHOST_DEFAULT_LIBRARY;
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
    if (command != "scenario" && command != "run" && command != "panel")
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
    } else if (panel && argc <= 3) {
        result = panelFrontEnd(session);
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
