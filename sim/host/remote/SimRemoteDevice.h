#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"
#include "SimMidiEvent.h"
#include "SimPort.h"
#include "SimRemoteStandard.h"

#include <cstdint>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

namespace simhost {

class SimMidiInput;

// A remote device installed in the host: the host's side of one instance of a remote device class of the
// loaded extension. It made the instance through the factory, handed it its standard remote interface in
// init and drives it: open, close, idle calls, term; the MIDI that its connected input port delivers
// reaches the instance on the host's MIDI input and control threads, and what the instance sends leaves
// through its connected output port. As hosts keep remote devices, it follows its ports: the device is
// closed when one of them vanishes and, once ports of the same names are back, connected to them and
// opened again. Set up and driven on the host's thread.
class SimRemoteDevice : public HostObject<Quorvane::IDevice, Quorvane::IConnector>
{
public:
    SimRemoteDevice(HostContextRef host, std::string name, SimMidiInput* midi);
    ~SimRemoteDevice() override;

    // IDevice: a device without sub-devices, values or parameters.
    const char* getTypeName() override { return "RemoteDevice"; }
    const char* getName() override { return m_name.c_str(); }
    int32 countSubDevices() override { return 0; }
    Quorvane::IDevice* getSubDevice(int32) override { return nullptr; }
    Quorvane::IValue* getValue(const char*) override { return nullptr; }
    int32 countParameters() override { return 0; }
    int32 getParameterID(int32) override { return -1; }
    Quorvane::IValue* getParameterValue(int32) override { return nullptr; }
    const char16_t* getParameterName(int32) override { return nullptr; }

    // IConnector: a port of the host's registry, the input or the output.
    tresult connect(Quorvane::FUnknown* port) override;
    bool isConnectedTo(Quorvane::FUnknown* object) override;

    // Takes the instance (and its reference) and calls its init; false (instance released) when refused.
    bool install(Quorvane::IHWRemote* remote);
    bool open();
    bool close();
    void idle();
    // What the host does when the system's ports change (at its idle turn): an open device whose input or
    // output port vanished is closed (noted as the host action "device closed: its ports are gone"); once
    // the registry has ports of the vanished ones' names and directions again, the device is connected to
    // them and, if the host had closed it, opened again ("device opened: its ports are back").
    void followPorts(const SimPortRegistry& ports);
    // Stops all deliveries, closes an open device, calls term when asked, and releases the instance.
    void terminate(bool callTerm);

    bool isInstalled() const;
    bool isOpen() const { return m_open; }
    // The instance, for tests that call it directly (host thread); null once terminated.
    Quorvane::IHWRemote* remote() const { return m_remote; }
    SimRemoteStandard& standard() const { return *m_standard; }
    SimPort* inputPort() const;
    SimPort* outputPort() const;

    // From the input port (any thread): queued for the MIDI input thread.
    void midiArrived(const std::vector<std::uint8_t>& bytes);
    // On the MIDI input thread: parses and delivers SysEx and unbound channel messages as MIDI events,
    // and hands changes of declared controls to the control thread.
    void parseInput(const std::vector<std::uint8_t>& bytes);
    // On the control thread.
    void deliverChange(int index, int value);
    // To the output port; false when none is connected or it vanished.
    bool transmit(const std::vector<std::uint8_t>& bytes);
    // The host made layer active: the instance hears of it (host thread).
    void layerActivated(const std::string& layer);

    // What the host's MIDI input and control threads handed the instance, in order: SysEx and other
    // MIDI events (doMidiEvent) and control changes (changeValue).
    struct Delivery
    {
        bool isChange = false;
        int index = -1; // the control, for a change
        int value = 0;
        std::vector<std::uint8_t> event; // the MIDI bytes, for an event
    };
    std::vector<Delivery> deliveries() const;
    // The deliveries so far, leaving none: a long session reads them as it goes instead of keeping all.
    std::vector<Delivery> takeDeliveries();

private:
    void deliverEvent(SimMidiEvent event);

    const std::string m_name;
    SimMidiInput* m_midi;
    SimRemoteStandard* m_standard; // referenced
    Quorvane::IHWRemote* m_remote = nullptr;
    bool m_open = false;
    // Closed by the host because a port vanished: opened again when the ports are back.
    bool m_reopenWhenPortsReturn = false;
    // Calls from the host's other threads hold it shared; terminate takes it alone, so no call is in
    // flight once the instance is released.
    mutable std::shared_mutex m_gate;
    mutable std::mutex m_mutex;
    HostRef<SimPort> m_input;
    HostRef<SimPort> m_output;
    std::vector<Delivery> m_deliveries; // under m_mutex
    // The MIDI input thread's parser state.
    std::vector<std::uint8_t> m_pending;
    bool m_inSysEx = false;
};

} // namespace simhost
