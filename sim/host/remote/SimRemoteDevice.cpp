#include "SimRemoteDevice.h"

#include "SimMidiInput.h"

#include <utility>

using namespace Quorvane;

namespace simhost {

namespace {

// Longest SysEx message the host assembles from its input.
constexpr std::size_t kMaxSysEx = 65536;

// Data bytes that follow a channel status byte.
int dataBytesOf(std::uint8_t status)
{
    const std::uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

} // namespace

SimRemoteDevice::SimRemoteDevice(HostContextRef host, std::string name, SimMidiInput* midi)
    : HostObject(std::move(host), "RemoteDevice"), m_name(std::move(name)), m_midi(midi),
      m_standard(makeHostObject<SimRemoteStandard>(registry().shared_from_this(), this))
{
}

SimRemoteDevice::~SimRemoteDevice()
{
    terminate(false);
    m_standard->release();
}

tresult SimRemoteDevice::connect(FUnknown* port)
{
    hostThreadOnly("IConnector::connect");
    auto* iport = queryHost<IPort>(port);
    auto* sim = dynamic_cast<SimPort*>(iport);
    if (!sim) {
        if (iport)
            iport->release();
        return kInvalidArgument;
    }
    HostRef<SimPort> ref = HostRef<SimPort>::adopt(sim);
    if (sim->isInput()) {
        sim->addListener(this);
        HostRef<SimPort> previous;
        {
            std::lock_guard lock(m_mutex);
            previous = std::exchange(m_input, ref);
        }
        if (previous && previous.get() != sim)
            previous->removeListener(this);
    } else {
        std::lock_guard lock(m_mutex);
        m_output = ref;
    }
    return kResultOk;
}

bool SimRemoteDevice::isConnectedTo(FUnknown* object)
{
    auto* iport = queryHost<IPort>(object);
    if (!iport)
        return false;
    std::lock_guard lock(m_mutex);
    const bool connected = iport == m_input.get() || iport == m_output.get();
    iport->release();
    return connected;
}

bool SimRemoteDevice::install(IHWRemote* remote)
{
    if (!remote)
        return false;
    if (!remote->init(m_standard)) {
        remote->release();
        return false;
    }
    std::unique_lock gate(m_gate);
    m_remote = remote;
    return true;
}

bool SimRemoteDevice::isInstalled() const
{
    std::shared_lock gate(m_gate);
    return m_remote != nullptr;
}

bool SimRemoteDevice::open()
{
    if (!m_remote || m_open)
        return false;
    m_open = true;
    return m_remote->open();
}

bool SimRemoteDevice::close()
{
    if (!m_remote || !m_open)
        return false;
    m_open = false;
    return m_remote->close();
}

void SimRemoteDevice::idle()
{
    if (m_remote)
        m_remote->onIdle();
}

void SimRemoteDevice::followPorts(const SimPortRegistry& ports)
{
    hostThreadOnly("SimRemoteDevice::followPorts");
    if (!m_remote)
        return;
    HostRef<SimPort> input;
    HostRef<SimPort> output;
    {
        std::lock_guard lock(m_mutex);
        input = m_input;
        output = m_output;
    }
    const bool inputGone = input && input->hasVanished();
    const bool outputGone = output && output->hasVanished();
    if (!inputGone && !outputGone)
        return;
    if (m_open) {
        close();
        m_reopenWhenPortsReturn = true;
        m_standard->noteHostAction("device closed: its ports are gone");
    }
    SimPort* newInput = inputGone ? ports.findPort(input->name(), true) : nullptr;
    SimPort* newOutput = outputGone ? ports.findPort(output->name(), false) : nullptr;
    if ((inputGone && !newInput) || (outputGone && !newOutput))
        return;
    if (newInput)
        connect(newInput->unknown());
    if (newOutput)
        connect(newOutput->unknown());
    if (std::exchange(m_reopenWhenPortsReturn, false)) {
        m_standard->noteHostAction("device opened: its ports are back");
        open();
    }
}

void SimRemoteDevice::terminate(bool callTerm)
{
    HostRef<SimPort> input;
    {
        std::lock_guard lock(m_mutex);
        input = std::exchange(m_input, HostRef<SimPort>());
    }
    if (input)
        input->removeListener(this);
    IHWRemote* remote;
    {
        // Waits for a call in flight on the MIDI or control thread; none follows.
        std::unique_lock gate(m_gate);
        remote = std::exchange(m_remote, nullptr);
    }
    if (!remote)
        return;
    if (m_open) {
        m_open = false;
        remote->close();
    }
    if (callTerm)
        remote->term();
    m_standard->detach();
    remote->release();
}

SimPort* SimRemoteDevice::inputPort() const
{
    std::lock_guard lock(m_mutex);
    return m_input.get();
}

SimPort* SimRemoteDevice::outputPort() const
{
    std::lock_guard lock(m_mutex);
    return m_output.get();
}

void SimRemoteDevice::midiArrived(const std::vector<std::uint8_t>& bytes)
{
    if (m_midi)
        m_midi->post(this, bytes);
}

void SimRemoteDevice::parseInput(const std::vector<std::uint8_t>& bytes)
{
    for (std::uint8_t b : bytes) {
        if (b >= 0xF8)
            continue; // real-time bytes mean nothing to a remote device
        if (b == 0xF0) {
            m_pending.assign(1, b);
            m_inSysEx = true;
            continue;
        }
        if (m_inSysEx) {
            if (b == 0xF7) {
                m_pending.push_back(b);
                m_inSysEx = false;
                deliverEvent({std::move(m_pending)});
                m_pending.clear();
            } else if (b & 0x80) {
                m_inSysEx = false; // cut short: dropped
                m_pending.assign(1, b);
            } else if (m_pending.size() < kMaxSysEx) {
                m_pending.push_back(b);
            } else {
                m_inSysEx = false; // longer than the host takes: dropped
                m_pending.clear();
            }
            continue;
        }
        if (b & 0x80) {
            m_pending.assign(1, b);
            continue;
        }
        if (m_pending.empty() || m_pending.front() < 0x80 || m_pending.front() >= 0xF0)
            continue; // a data byte without a status
        m_pending.push_back(b);
        const std::uint8_t status = m_pending.front();
        if (static_cast<int>(m_pending.size()) < 1 + dataBytesOf(status))
            continue;
        const int index = (status & 0xF0) == 0x80 || (status & 0xF0) == 0x90 || (status & 0xF0) == 0xB0
                              ? m_standard->controlForMidi(status, m_pending[1])
                              : -1;
        if (index >= 0) {
            const int value = (status & 0xF0) == 0x80 ? 0 : m_pending[2];
            if (m_midi)
                m_midi->postChange(this, index, value);
        } else {
            deliverEvent({m_pending});
        }
        m_pending.assign(1, status); // running status
    }
}

void SimRemoteDevice::deliverEvent(SimMidiEvent event)
{
    std::shared_lock gate(m_gate);
    if (!m_remote)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_deliveries.push_back({false, -1, 0, event.bytes});
    }
    m_remote->doMidiEvent(&event);
}

void SimRemoteDevice::deliverChange(int index, int value)
{
    std::shared_lock gate(m_gate);
    if (!m_remote)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_deliveries.push_back({true, index, value, {}});
    }
    m_remote->changeValue(index, value);
}

std::vector<SimRemoteDevice::Delivery> SimRemoteDevice::deliveries() const
{
    std::lock_guard lock(m_mutex);
    return m_deliveries;
}

std::vector<SimRemoteDevice::Delivery> SimRemoteDevice::takeDeliveries()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_deliveries, {});
}

bool SimRemoteDevice::transmit(const std::vector<std::uint8_t>& bytes)
{
    HostRef<SimPort> output;
    {
        std::lock_guard lock(m_mutex);
        output = m_output;
    }
    return output && output->transmit(bytes);
}

void SimRemoteDevice::layerActivated(const std::string& layer)
{
    if (m_remote)
        m_remote->activateLayer(layer.c_str());
}

} // namespace simhost
