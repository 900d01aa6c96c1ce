#pragma once

#include "MidiSystem.h"
#include "SimSynthCodec.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace simtest {

using zelksim::Bytes;

// Index of the endpoint with that device and endpoint name in a list, or -1.
inline int indexOf(const std::vector<kwmidi::EndpointInfo>& list, const std::string& device,
                   const std::string& endpoint)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].deviceName == device && list[i].endpointName == endpoint) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Collects what one of the synthesizer's sources sends, on the backend's thread, for a test to wait on.
class Collector
{
public:
    bool connect(kwmidi::Client& client, int sourceIndex)
    {
        m_connection = client.connectSource(sourceIndex, [this](const std::uint8_t* bytes, std::size_t length) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_bytes.insert(m_bytes.end(), bytes, bytes + length);
            }
            m_arrived.notify_all();
        });
        return m_connection != nullptr;
    }
    void disconnect() { m_connection.reset(); }

    // Waits until at least count bytes are in; false at the deadline.
    bool waitForBytes(std::size_t count, std::chrono::milliseconds deadline)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_arrived.wait_for(lock, deadline, [&] { return m_bytes.size() >= count; });
    }
    Bytes take()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Bytes out;
        out.swap(m_bytes);
        return out;
    }
    // The received bytes without active sensing, which may fall anywhere.
    Bytes takeWithoutSensing()
    {
        Bytes all = take();
        std::erase(all, zelksim::kActiveSensing);
        return all;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    Bytes m_bytes;
    std::unique_ptr<kwmidi::InputConnection> m_connection;
};

// The 15 messages of a dump joined, as the synthesizer sends them.
inline Bytes joined(const std::vector<Bytes>& messages)
{
    Bytes out;
    for (const Bytes& m : messages) {
        out.insert(out.end(), m.begin(), m.end());
    }
    return out;
}

} // namespace simtest
