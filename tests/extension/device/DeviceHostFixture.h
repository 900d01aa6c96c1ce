#pragma once

#include "ExtensionClasses.h"
#include "ExtensionMessages.h"
#include "ExtensionThread.h"
#include "SimHost.h"
#include "SimHostTestSupport.h"
#include "SimSynthPorts.h"
#include "ZELK_HWRemote.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace devicetest {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

using simtest::waitUntil;

// Stands in for the service at the end of the receive channel: keeps a copy of every message.
class RecordingReceiver : public IReceiver
{
public:
    void storeExtensionMessage(unsigned char* message) override;
    // Called on the receive worker with each message as it arrives.
    void setListener(std::function<void(const Bytes&)> listener);
    std::vector<Bytes> messages();
    // Waits until at least count messages arrived.
    bool waitForCount(std::size_t count, std::chrono::milliseconds deadline = 10s);
    void clear();

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Bytes> m_messages;
    std::function<void(const Bytes&)> m_listener;
};

// A host with the extension linked in, where the test stands in for the service: it hands the host's
// classes over to the extension and keeps a recorder at the end of the receive channel. Everything here
// runs on the test's thread, which is the host's; a violation of the host's thread rule fails the test.
class DeviceHostTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // What the service does at its initialize and terminate: hand the host's classes over, take them back.
    void giveHostClasses();
    void takeHostClassesBack();
    // Runs the detector once as the host does: create, initialize, detect, release; detect's result.
    Quorvane::tresult detect();
    // Ports of the synthesizer, detection, and the device it installed (opened when asked).
    simhost::SimRemoteDevice* installDevice(bool open = true);
    // The extension's object of an installed device.
    ZELK_HWRemote* extensionDevice(simhost::SimRemoteDevice* device) const;
    // Host idle turns, the clock moving on by step milliseconds before each.
    void idle(int turns = 1, int step = 0);
    // The message as the host's standard interface saw it go out.
    static Bytes sysex(std::initializer_list<int> bytes);

    simhost::SimHost host;
    RecordingReceiver received;
    ReceiveWorker receiveWorker;
    std::unique_ptr<simhost::SimSynthPorts> synth;
};

} // namespace devicetest
