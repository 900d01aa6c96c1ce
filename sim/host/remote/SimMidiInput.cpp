#include "SimMidiInput.h"

#include "SimRemoteDevice.h"

namespace simhost {

SimMidiInput::~SimMidiInput()
{
    stop();
}

void SimMidiInput::start()
{
    if (m_started || m_stopping)
        return;
    m_started = true;
    m_midiThread = std::thread([this] { midiLoop(); });
    m_controlThread = std::thread([this] { controlLoop(); });
}

void SimMidiInput::post(SimRemoteDevice* device, std::vector<std::uint8_t> bytes)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        start();
        m_chunks.push_back({HostRef<SimRemoteDevice>::share(device), std::move(bytes)});
    }
    m_midiWake.notify_one();
}

void SimMidiInput::postChange(SimRemoteDevice* device, int index, int value)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        start();
        m_changes.push_back({HostRef<SimRemoteDevice>::share(device), index, value});
    }
    m_controlWake.notify_one();
}

bool SimMidiInput::waitUntilIdle(std::chrono::milliseconds deadline)
{
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, deadline,
                           [this] { return m_chunks.empty() && m_changes.empty() && !m_midiBusy && !m_controlBusy; });
}

void SimMidiInput::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_midiWake.notify_all();
    m_controlWake.notify_all();
    if (m_midiThread.joinable())
        m_midiThread.join();
    if (m_controlThread.joinable())
        m_controlThread.join();
    std::lock_guard lock(m_mutex);
    m_chunks.clear();
    m_changes.clear();
    m_stopping = false;
    m_started = false;
}

void SimMidiInput::midiLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_midiWake.wait(lock, [this] { return m_stopping || !m_chunks.empty(); });
        if (m_chunks.empty())
            return;
        Chunk chunk = std::move(m_chunks.front());
        m_chunks.pop_front();
        m_midiBusy = true;
        lock.unlock();
        chunk.device->parseInput(chunk.bytes);
        chunk.device = HostRef<SimRemoteDevice>();
        lock.lock();
        m_midiBusy = false;
        m_idle.notify_all();
    }
}

void SimMidiInput::controlLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_controlWake.wait(lock, [this] { return m_stopping || !m_changes.empty(); });
        if (m_changes.empty())
            return;
        Change change = std::move(m_changes.front());
        m_changes.pop_front();
        m_controlBusy = true;
        lock.unlock();
        change.device->deliverChange(change.index, change.value);
        change.device = HostRef<SimRemoteDevice>();
        lock.lock();
        m_controlBusy = false;
        m_idle.notify_all();
    }
}

} // namespace simhost
