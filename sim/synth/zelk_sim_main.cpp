// zelk-sim: the simulated synthesizer on the machine's MIDI ports, for tests across processes and for
// trying the editor by hand. Panel commands come on standard input; the program ends on SIGINT,
// SIGTERM, end of input or "quit".
#include "SimSynthMidi.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto ignored = write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

void usage(std::FILE* to)
{
    std::fprintf(to,
                 "usage: zelk-sim [options]\n"
                 "  --name NAME          device name of the five ports (default \"%s\")\n"
                 "  --device N           device number 0-15 in the messages sent (default 0)\n"
                 "  --sense MS           active sensing interval on Port1, 0 for none (default 300)\n"
                 "  --template T         the current template at power-on, 0-49 (default 0); unlike\n"
                 "                       -c \"select T\" it tells no one\n"
                 "  --fill SEED          fill the stored bank and edit buffer with test contents\n"
                 "  --fault KIND[=ARGS]  a fault from the start, as the command \"fault KIND ARGS\" with\n"
                 "                       commas for blanks: drop-ack=2, bad-checksum=1,4, delay=200, silent=on\n"
                 "  -c, --command LINE   run one panel command at the start (repeatable)\n"
                 "  --no-stdin           ignore standard input; run until a signal\n"
                 "  -v, --verbose        report every event on standard error\n"
                 "  -h, --help           this text, then the panel commands\n"
                 "Panel commands, one per line on standard input:\n%s",
                 zelksim::kDefaultDeviceName, zelksim::commandHelp().c_str());
}

std::optional<long> number(const char* text, long min, long max)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < min || v > max) {
        return std::nullopt;
    }
    return v;
}

const char* eventName(zelksim::SynthEvent::Kind kind)
{
    using K = zelksim::SynthEvent::Kind;
    switch (kind) {
    case K::TemplateSelected:
        return "template selected";
    case K::ParamChanged:
        return "parameter changed";
    case K::BankEditFlagSet:
        return "bank edit flag";
    case K::ParamRequestAnswered:
        return "parameter request answered";
    case K::BulkRequestAnswered:
        return "bulk request answered";
    case K::DumpAccepted:
        return "dump accepted";
    case K::DumpIncomplete:
        return "dump incomplete";
    case K::Stored:
        return "stored";
    case K::StoredToFlash:
        return "stored to flash";
    case K::HardwareEdit:
        return "panel edit";
    case K::HardwareStore:
        return "panel store";
    case K::ExtensionMessage:
        return "extension message";
    case K::PanelControl:
        return "panel control";
    case K::RemoteMode:
        return "remote mode";
    case K::FaultApplied:
        return "fault";
    case K::Rejected:
        return "rejected";
    }
    return "event";
}

void logEvent(const zelksim::SynthEvent& e)
{
    std::fprintf(stderr, "zelk-sim: %s", eventName(e.kind));
    if (e.area) {
        std::fprintf(stderr, " area %02X", e.area);
    }
    if (e.templateNumber >= 0) {
        std::fprintf(stderr, " template %d", e.templateNumber);
    }
    if (e.kind == zelksim::SynthEvent::Kind::ParamChanged || e.kind == zelksim::SynthEvent::Kind::HardwareEdit) {
        std::fprintf(stderr, " at 01 %02X %02X", e.mid, e.low);
    }
    if (!e.detail.empty()) {
        std::fprintf(stderr, ": %s", e.detail.c_str());
    }
    std::fputc('\n', stderr);
}

} // namespace

int main(int argc, char** argv)
{
    zelksim::SynthOptions options;
    std::string deviceName = zelksim::kDefaultDeviceName;
    std::vector<std::string> startCommands;
    bool readStdin = true;
    bool verbose = false;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "zelk-sim: %s needs a value\n", arg.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        auto bad = [&](const char* v) {
            std::fprintf(stderr, "zelk-sim: bad value for %s: %s\n", arg.c_str(), v);
            std::exit(2);
        };
        if (arg == "--name") {
            deviceName = value();
            if (deviceName.empty()) {
                bad("(empty)");
            }
        } else if (arg == "--device") {
            const char* v = value();
            const auto n = number(v, 0, 15);
            n ? void(options.device = static_cast<std::uint8_t>(*n)) : bad(v);
        } else if (arg == "--sense") {
            const char* v = value();
            const auto n = number(v, 0, 3600000);
            n ? void(options.senseInterval = *n) : bad(v);
        } else if (arg == "--template") {
            const char* v = value();
            const auto n = number(v, 0, zelksim::kTemplateCount - 1);
            n ? void(options.currentTemplate = static_cast<int>(*n)) : bad(v);
        } else if (arg == "--fill") {
            startCommands.push_back(std::string("fill ") + value());
        } else if (arg == "--fault") {
            std::string spec = value();
            for (char& c : spec) {
                if (c == '=' || c == ',') {
                    c = ' ';
                }
            }
            startCommands.push_back("fault " + spec);
        } else if (arg == "-c" || arg == "--command") {
            startCommands.push_back(value());
        } else if (arg == "--no-stdin") {
            readStdin = false;
        } else if (arg == "-v" || arg == "--verbose") {
            verbose = true;
        } else if (arg == "-h" || arg == "--help") {
            usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "zelk-sim: unknown option %s\n", arg.c_str());
            usage(stderr);
            return 2;
        }
    }

    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("zelk-sim: pipe");
        return 1;
    }
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    // On JACK the program is one client named after its device, as a synthesizer's ports show.
    kwmidi::setClientName(deviceName);
    // As a synthesizer's memory is there before its ports are, the start commands run before the ports
    // appear: a host may talk to them at once.
    bool refused = false;
    const auto startUp = [&](zelksim::SynthCore& core, zelksim::Millis now) {
        if (verbose) {
            core.setEventListener(logEvent);
        }
        for (const std::string& line : startCommands) {
            const zelksim::CommandResult r = zelksim::runCommand(core, line, now);
            if (!r.ok) {
                std::fprintf(stderr, "zelk-sim: %s: %s\n", line.c_str(), r.text.c_str());
                refused = true;
                return false;
            }
        }
        return true;
    };
    // The MIDI system may refuse a port for a moment while other programs come and go.
    std::string error;
    std::unique_ptr<zelksim::SynthMidi> synth;
    for (int attempt = 0; attempt < 5 && !synth && !refused; ++attempt) {
        if (attempt > 0) {
            usleep(200000);
        }
        synth = zelksim::SynthMidi::create(kwmidi::Client::acquire(), options, deviceName, &error, startUp);
    }
    if (refused) {
        return 2;
    }
    if (!synth) {
        std::fprintf(stderr, "zelk-sim: %s\n", error.c_str());
        return 1;
    }
    // Tests wait for this line before they look for the ports.
    std::printf("ready: %s Port1-Port5\n", deviceName.c_str());
    std::fflush(stdout);

    std::string pending;
    bool running = true;
    while (running) {
        pollfd fds[2] = {{g_signalPipe[0], POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        const int count = poll(fds, readStdin ? 2 : 1, -1);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (fds[0].revents & POLLIN) {
            break;
        }
        if (!readStdin || !(fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            continue;
        }
        char buffer[4096];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break; // end of input
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t newline;
        while (running && (newline = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, newline);
            pending.erase(0, newline + 1);
            const zelksim::CommandResult r = synth->command(line);
            if (!r.text.empty()) {
                std::printf("%s\n", r.text.c_str());
                std::fflush(stdout);
            }
            running = !r.quit;
        }
        if (pending.size() > 65536) {
            pending.clear(); // no command is that long
        }
    }
    synth.reset();
    return 0;
}
