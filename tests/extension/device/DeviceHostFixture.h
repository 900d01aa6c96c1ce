#pragma once

#include "ExtensionClasses.h"
#include "ExtensionMessages.h"
#include "ExtensionThread.h"
#include "SimHost.h"
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

// Waits for a condition another thread brings about; false at the deadline.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline = 10s);

// Stands in for the service at the end of the receive channel: keeps a copy of every message.
class RecordingReceiver : public IReceiver
{
public:
    void storeExtensionMessage(unsigned char* message) override;
    std::vector<Bytes> messages();
    // Waits until at least count messages arrived.
    bool waitForCount(std::size_t count, std::chrono::milliseconds deadline = 10s);
    void clear();

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Bytes> m_messages;
};

// A host with the extension linked in, its service initialised (so the host's classes are handed over)
// and a recorder at the end of the receive channel. Everything here runs on the test's thread, which is
// the host's; a violation of the host's thread rule fails the test.
class DeviceHostTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

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
    Quorvane::IPluginBase* service = nullptr;
    RecordingReceiver received;
    ReceiveWorker receiveWorker;
    std::unique_ptr<simhost::SimSynthPorts> synth;
};

} // namespace devicetest
