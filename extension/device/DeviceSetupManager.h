#pragma once

#include "HostDevices.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Finds the synthesizer's MIDI ports among the host's ports, installs remote devices on matched port
// pairs, removes installed devices and renames ports' display names. Lives for one detection on the
// host's thread and keeps no host object beyond it.
class DeviceSetupManager
{
public:
    // Printf format of a port name: the device name and the port number.
    static constexpr const char* k_midiPortFormat = "%s Port%d";

    // One usable input/output pair; the host keeps the ports (not referenced).
    struct MIDIPortSet
    {
        Quorvane::IPort* input = nullptr;
        Quorvane::IPort* output = nullptr;
    };
    // Pairs of a device name and a port number, each standing for the port name k_midiPortFormat makes.
    using SearchList = std::vector<std::pair<std::string, std::uint8_t>>;

    // Installation results.
    enum : int
    {
        kInstalled = 0,
        kNothingInstalled = 1,
        kInvalidArgument = 2,
        kNoDeviceList = -1,
    };

    explicit DeviceSetupManager(Quorvane::IHostClasses* hostClasses) : m_hostClasses(hostClasses) {}
    virtual ~DeviceSetupManager() = default;

    // True when at least one input/output pair matched; the pairs are kept here.
    bool searchMIDIPorts(const SearchList& names, bool exactMatch);
    static bool comparePortName(const char* portName, const SearchList& names, bool exactMatch);
    bool isRemoteDeviceInstalled(const char* name);
    // Creates a device of classId on every kept pair and connects both ports.
    int installRemoteDevice(const char* classId);
    // Removes every device of that name, or all but one whose own name is exactly name.
    void uninstallRemoteDevices(const char* name, bool keepOne);
    // kind: 0 audio ports, 1 MIDI ports, 2 both.
    void replaceDisplayPortName(const char16_t* find, const char16_t* replace, std::uint8_t kind);

    const std::vector<MIDIPortSet>& portSets() const { return m_portSets; }

private:
    Quorvane::IHostClasses* m_hostClasses;
    std::vector<MIDIPortSet> m_portSets;
};
