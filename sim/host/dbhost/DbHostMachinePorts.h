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
// listen() connected it. An endpoint that goes (a synthesizer switched off) takes its port out of the
// registry; when it is back, a new port of its name appears once its connection carries MIDI again, so
// that the host, which follows the ports, opens the device only when the synthesizer can hear and answer.
// Made and refreshed on the host's thread; MIDI arrives on the backend's.
class DbHostMachinePorts
{
public:
    DbHostMachinePorts(SimHost& host, kwmidi::ClientRef client);
    ~DbHostMachinePorts();

    DbHostMachinePorts(const DbHostMachinePorts&) = delete;
    DbHostMachinePorts& operator=(const DbHostMachinePorts&) = delete;

    // Adds a port for every endpoint that appeared and removes the port of every endpoint that went;
    // the number of ports added and removed. A caller that refreshes often sees every endpoint that goes
    // and comes back (the MIDI system tells of the change only through what it lists).
    int refresh();
    // Whether the source and the destination of that name have ports now.
    bool hasPortNamed(const std::string& name) const;
    // Connects the sources of the installed devices' input ports.
    void listen();

private:
    // The port an endpoint has now; null while the endpoint is gone. Read by the MIDI thread that
    // delivers a source's bytes.
    struct Slot
    {
        std::mutex mutex;
        HostRef<SimPort> port;
    };
    struct Source
    {
        std::shared_ptr<Slot> slot = std::make_shared<Slot>();
        std::unique_ptr<kwmidi::InputConnection> connection; // follows the source when it comes back
    };
    struct Output
    {
        std::mutex mutex;
        std::unique_ptr<kwmidi::OutputConnection> connection; // opened at the first send; follows too
    };
    struct Destination
    {
        HostRef<SimPort> port;
        std::shared_ptr<Output> output = std::make_shared<Output>();
    };

    static HostRef<SimPort> portOf(Slot& slot);
    bool linked(const Destination& destination) const;

    SimHost& m_host;
    kwmidi::ClientRef m_client;
    std::map<std::string, Source> m_sources;
    std::map<std::string, Destination> m_destinations;
};

} // namespace simhost
