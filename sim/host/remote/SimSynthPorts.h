#pragma once

#include "SimPort.h"
#include "SimSynthCommands.h"
#include "SimSynthCore.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace simhost {

// The simulated synthesizer's core on ports of the host's registry, in this process: its five port pairs
// appear under the device name, what the host sends to an output reaches the core, and pump() hands what
// the core sent to the host's inputs. The core runs on the caller's clock (0 unless told). Any thread.
class SimSynthPorts
{
public:
    SimSynthPorts(SimPortRegistry& ports, const std::string& deviceName);
    // The synthesizer goes: its ports vanish, so nothing the host sends later reaches the core.
    ~SimSynthPorts();

    SimSynthPorts(const SimSynthPorts&) = delete;
    SimSynthPorts& operator=(const SimSynthPorts&) = delete;

    // A panel command (the zelk-sim language); what it makes the synthesizer send is pumped at once.
    zelksim::CommandResult command(const std::string& line);
    // Hands everything the core has sent by now to the host's input ports.
    void pump();
    zelksim::RemoteDisplay display();
    // The host's ports of port pair 1-5: input (from the synthesizer) and output (to it).
    SimPort* input(int port) const { return m_inputs[static_cast<std::size_t>(port - 1)].get(); }
    SimPort* output(int port) const { return m_outputs[static_cast<std::size_t>(port - 1)].get(); }

private:
    SimPortRegistry& m_ports;
    std::mutex m_mutex;
    zelksim::SynthCore m_core;
    // Held: a test may take a port away while the synthesizer is still there.
    std::vector<HostRef<SimPort>> m_inputs;
    std::vector<HostRef<SimPort>> m_outputs;
};

} // namespace simhost
