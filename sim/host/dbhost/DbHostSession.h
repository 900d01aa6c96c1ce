#pragma once

#include "SimHost.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace simhost {

// What dbhost runs: the simulated host with the extension loaded and its service initialised, and a
// report, line by line, of what every installed device did since the last report: SysEx it sent, LEDs,
// layers and commands the host carried out, and what the host's MIDI and control threads handed it; of
// every host command the extension performed (a user command of the synthesizer's F buttons); and of
// every new value of a parameter of the demonstration project. Host thread only.
class DbHostSession
{
public:
    explicit DbHostSession(std::FILE* out) : m_out(out) {}
    ~DbHostSession();

    DbHostSession(const DbHostSession&) = delete;
    DbHostSession& operator=(const DbHostSession&) = delete;

    // Loads the library and initialises its service (which takes the host's classes over).
    bool load(const std::string& path, std::string* error);
    // Runs the extension's detector once; its result.
    int detect();
    void openDevices();
    // The demonstration project: an instrument track "Pad" playing the "Virlux" (parameters Cutoff,
    // Resonance and Attack, identifiers 10, 11 and 12 hexadecimal), an audio track "Drums" and a MIDI
    // track "Lead"; "Pad" is selected.
    void openDemoProject();
    // Selects the demonstration project's track of that name; false when there is none.
    bool selectTrack(const std::string& name);
    // The Virlux's parameter of the demonstration project by key ("cutoff", "resonance", "attack"); null
    // before the project is open.
    SimValue* demoParameter(const std::string& key);
    // Idle turns, the clock moving on by stepMs before each, then a report.
    void idle(int turns = 1, int stepMs = 0);
    void report();
    // "host performs: <category>/<action>" for every host command performed since the last report.
    void reportHostCommands();
    void say(const std::string& line);
    // Terminates and releases the service, then removes the devices and unloads the library.
    void close();
    SimHost& host() { return m_host; }

private:
    void reportParameters();

    struct Seen
    {
        std::size_t sent = 0;
        std::size_t leds = 0;
        std::size_t changes = 0;
        std::size_t actions = 0;
        std::size_t deliveries = 0;
    };

    std::FILE* m_out;
    SimHost m_host;
    Quorvane::IPluginBase* m_service = nullptr;
    std::map<const SimRemoteDevice*, Seen> m_seen;
    std::size_t m_commandsSeen = 0;
    struct Watched
    {
        std::string key;
        std::string name;
        HostRef<SimValue> value;
        std::string text; // as last reported
    };
    std::vector<Watched> m_watched;
    SimProject* m_demo = nullptr;
};

// The synthesizer's template for the demonstration project's instrument, as zelk-sim panel commands.
extern const std::vector<std::string> kDemoTemplate;

// "F0 43 ... F7"
std::string hexBytes(const std::vector<std::uint8_t>& bytes);

} // namespace simhost
