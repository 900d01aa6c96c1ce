#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace simhost {

class SimRemoteDevice;

// One port of the host's port registry: a MIDI (or audio) input or output with a name, a display name
// and attributes. An output hands what is sent to it to its sink (the synthesizer in process, or the
// machine's MIDI system) and keeps a log; an input delivers what arrives to the devices connected to it.
// A port that vanished sends and delivers nothing. Any thread; the extension reads it on the host's.
class SimPort : public HostObject<Quorvane::IPort>
{
public:
    using Sink = std::function<bool(const std::vector<std::uint8_t>& bytes)>;

    SimPort(HostContextRef host, std::u16string name, bool input, std::string kind = "midi",
            std::vector<std::string> attributes = {"system"});

    bool isKindOf(const char* kind) override;
    bool hasAttribute(const char* attribute) override;
    bool isInput() override { return m_input; }
    const char16_t* getName() override;
    const char16_t* getDisplayName() override;
    tresult setDisplayName(const char16_t* name) override;

    // Output side: where sent bytes go; without a sink they are only logged.
    void setSink(Sink sink);
    // Sends one message; false when the port vanished or the sink refused it (nothing is logged then).
    bool transmit(const std::vector<std::uint8_t>& bytes);
    std::vector<std::vector<std::uint8_t>> sent() const;
    void clearSent();

    // Input side: bytes as the MIDI system delivers them (a chunk may hold part of a message or several).
    void inject(const std::vector<std::uint8_t>& bytes);
    void addListener(SimRemoteDevice* device);
    void removeListener(SimRemoteDevice* device);

    // The port is gone from the system: nothing is sent or delivered any more.
    void vanish();
    bool hasVanished() const;
    std::u16string name() const;

private:
    const bool m_input;
    const std::string m_kind;
    const std::vector<std::string> m_attributes;
    mutable std::mutex m_mutex;
    std::u16string m_name;
    std::u16string m_displayName;
    bool m_vanished = false;
    Sink m_sink;
    std::vector<std::vector<std::uint8_t>> m_sent;
    std::vector<SimRemoteDevice*> m_listeners; // each removes itself before it goes
};

// The host's port registry: ports that appear and vanish as the test (or dbhost) says. The registry
// keeps one reference to each present port; a vanished port lives on while a device still holds it.
class SimPortRegistry : public HostObject<Quorvane::IPortRegistry>
{
public:
    explicit SimPortRegistry(HostContextRef host);
    ~SimPortRegistry() override;

    int32 countPorts() override;
    // Not referenced: valid while the port is in the registry.
    Quorvane::IPort* getPort(int32 index) override;

    // Adds a port and returns it (the registry holds it).
    SimPort* addPort(const std::u16string& name, bool input, const std::string& kind = "midi",
                     const std::vector<std::string>& attributes = {"system"});
    // The port vanishes from the system and from the registry.
    void removePort(SimPort* port);
    SimPort* findPort(const std::u16string& name, bool input) const;
    std::vector<SimPort*> ports() const;

private:
    mutable std::mutex m_mutex;
    std::vector<SimPort*> m_ports; // referenced
};

} // namespace simhost
