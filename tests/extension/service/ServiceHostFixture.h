#pragma once

#include "SimHost.h"
#include "SimSynthPorts.h"
#include "ZELK_HWRemote.h"
#include "ZELK_KDX.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

namespace servicetest {

using namespace std::chrono_literals;

// The whole extension in the simulated host, as a host runs it: the service initialised, the
// synthesizer's ports present, the remote device installed by detection and opened, a project open;
// the simulated synthesizer's core answers on the ports in this process. Tests drive the host on their
// own thread (the host's) and look into the service, which the extension linked in lets them do.
class ServiceHostTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // The host initialises the service.
    void initialize();
    // Starts the service (initialize, unless done before), the synthesizer (fill 1, then the given panel
    // commands), the device and a project, and idles until the first exchange settled.
    void start(std::initializer_list<const char*> synthCommands = {});
    // Host idle turns, the clock moving step ms before each, with the synthesizer answering, until
    // neither side has anything left to do.
    void settle(int step = 0);
    // A panel command at the synthesizer, then settle.
    void panel(const std::string& line);
    ZELK_KDX& kdx() const { return *static_cast<ZELK_KDX*>(service); }
    ZELK_HWRemote* device() const;
    zelksim::RemoteDisplay display() { return synth->display(); }
    // A new track of the open project, selected.
    simhost::SimTrack* selectNew(simhost::TrackKind kind, const std::u16string& name);
    // The channel value of the current track the knob's mapped controller is bound to.
    simhost::SimValue* boundValue(int knob) const;

    simhost::SimHost host;
    Quorvane::IPluginBase* service = nullptr;
    bool initialized = false;
    std::unique_ptr<simhost::SimSynthPorts> synth;
    simhost::SimRemoteDevice* remote = nullptr;
    simhost::SimProject* project = nullptr;
};

// Panel commands that make the synthesizer's current template the Virlux's.
inline constexpr const char* kVirluxInstrument = "edit instrument Virlux";

// The sub-device of that name, or null.
simhost::SimDevice* part(simhost::SimDevice* device, const std::string& name);

// "012345678" records of the template's knob identifiers.
std::string identifier(int kind, unsigned value);

} // namespace servicetest
