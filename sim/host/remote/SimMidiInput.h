#pragma once

#include "HostModel.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace simhost {

class SimRemoteDevice;

// The host's two threads that call remote devices from outside the host's own thread, as a host does:
// the MIDI input thread, which parses what the devices' input ports deliver and calls doMidiEvent, and
// the control thread, which calls changeValue for the controls those messages address. Started at the
// first delivery; stopped (after what is queued) by stop or the destructor, and started again by the
// next delivery. Any thread may post.
class SimMidiInput
{
public:
    SimMidiInput() = default;
    ~SimMidiInput();

    SimMidiInput(const SimMidiInput&) = delete;
    SimMidiInput& operator=(const SimMidiInput&) = delete;

    // Bytes that arrived for device (parsed on the MIDI input thread).
    void post(SimRemoteDevice* device, std::vector<std::uint8_t> bytes);
    // A control change for device (called on the control thread).
    void postChange(SimRemoteDevice* device, int index, int value);
    // True once everything posted was delivered and neither thread is busy; false at the deadline.
    bool waitUntilIdle(std::chrono::milliseconds deadline);
    void stop();

private:
    struct Chunk
    {
        HostRef<SimRemoteDevice> device;
        std::vector<std::uint8_t> bytes;
    };
    struct Change
    {
        HostRef<SimRemoteDevice> device;
        int index;
        int value;
    };

    void start();
    void midiLoop();
    void controlLoop();

    std::mutex m_mutex;
    // Each thread waits on its own condition, so that a delivery wakes only the thread it is for.
    std::condition_variable m_midiWake;
    std::condition_variable m_controlWake;
    std::condition_variable m_idle;
    std::deque<Chunk> m_chunks;
    std::deque<Change> m_changes;
    bool m_midiBusy = false;
    bool m_controlBusy = false;
    bool m_stopping = false;
    bool m_started = false;
    std::thread m_midiThread;
    std::thread m_controlThread;
};

} // namespace simhost
