#include "SimSynthPorts.h"

namespace simhost {

namespace {

zelksim::SynthOptions quiet()
{
    zelksim::SynthOptions options;
    options.senseInterval = 0; // the host's ports carry the remote port's traffic only
    return options;
}

} // namespace

SimSynthPorts::SimSynthPorts(SimPortRegistry& ports, const std::string& deviceName) : m_ports(ports), m_core(quiet())
{
    for (int port = 1; port <= zelksim::kPortCount; ++port) {
        const std::string name = deviceName + " Port" + std::to_string(port);
        const std::u16string name16(name.begin(), name.end());
        m_inputs.push_back(HostRef<SimPort>::share(ports.addPort(name16, true)));
        SimPort* output = ports.addPort(name16, false);
        output->setSink([this, port](const std::vector<std::uint8_t>& bytes) {
            std::lock_guard lock(m_mutex);
            m_core.receive(port, bytes, 0);
            return true;
        });
        m_outputs.push_back(HostRef<SimPort>::share(output));
    }
}

SimSynthPorts::~SimSynthPorts()
{
    for (const HostRef<SimPort>& output : m_outputs)
        output->setSink({});
    for (const HostRef<SimPort>& port : m_inputs)
        m_ports.removePort(port.get());
    for (const HostRef<SimPort>& port : m_outputs)
        m_ports.removePort(port.get());
}

zelksim::CommandResult SimSynthPorts::command(const std::string& line)
{
    zelksim::CommandResult result;
    {
        std::lock_guard lock(m_mutex);
        result = zelksim::runCommand(m_core, line, 0);
    }
    pump();
    return result;
}

void SimSynthPorts::pump()
{
    std::vector<zelksim::OutMessage> out;
    {
        std::lock_guard lock(m_mutex);
        out = m_core.poll(0);
    }
    for (const zelksim::OutMessage& m : out)
        if (m.port >= 1 && m.port <= zelksim::kPortCount)
            input(m.port)->inject(m.bytes);
}

zelksim::RemoteDisplay SimSynthPorts::display()
{
    std::lock_guard lock(m_mutex);
    return m_core.display();
}

} // namespace simhost
