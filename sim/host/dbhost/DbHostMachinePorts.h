#pragma once

#include "MidiSystem.h"
#include "SimHost.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace simhost {

// The machine's MIDI endpoints as ports of the host's registry, for dbhost: a source of the MIDI
// system is an input port, a destination an output port, each named by the endpoint's name. Bytes sent
// to an output port go to its destination; an installed device's input port hears its source once
// listen() connected it. Made and refreshed on the host's thread; MIDI arrives on the backend's.
class DbHostMachinePorts
{
public:
    DbHostMachinePorts(SimHost& host, kwmidi::ClientRef client);
    ~DbHostMachinePorts();

    DbHostMachinePorts(const DbHostMachinePorts&) = delete;
    DbHostMachinePorts& operator=(const DbHostMachinePorts&) = delete;

    // Adds a port for every endpoint not yet there; the number of ports added.
    int refresh();
    bool hasPortNamed(const std::string& name) const;
    // Connects the sources of the installed devices' input ports.
    void listen();

private:
    SimHost& m_host;
    kwmidi::ClientRef m_client;
    std::vector<std::string> m_sources;      // endpoint names with an input port
    std::vector<std::string> m_destinations; // endpoint names with an output port
    std::map<std::string, std::unique_ptr<kwmidi::InputConnection>> m_listening;
    struct Output
    {
        std::mutex mutex;
        std::unique_ptr<kwmidi::OutputConnection> connection;
    };
    std::map<std::string, std::shared_ptr<Output>> m_outputs;
};

} // namespace simhost
