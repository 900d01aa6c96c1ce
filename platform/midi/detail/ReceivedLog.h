#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace kwmidi::detail {

// What a destination of our own received, chunk by chunk; written on the backend's thread and read
// on any other.
class ReceivedLog {
public:
    void add(const std::uint8_t* bytes, std::size_t length)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_chunks.emplace_back(bytes, bytes + length);
            m_times.push_back(std::chrono::steady_clock::now());
            m_byteCount += length;
        }
        m_arrived.notify_all();
    }
    std::vector<std::vector<std::uint8_t>> chunks() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_chunks;
    }
    std::vector<std::uint8_t> bytes() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::uint8_t> all;
        for (const auto& chunk : m_chunks)
            all.insert(all.end(), chunk.begin(), chunk.end());
        return all;
    }
    std::vector<std::chrono::steady_clock::time_point> times() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_times;
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_chunks.clear();
        m_times.clear();
        m_byteCount = 0;
    }
    bool waitForBytes(std::size_t count, std::chrono::milliseconds deadline) const
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_arrived.wait_for(lock, deadline, [&] { return m_byteCount >= count; });
    }

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    std::vector<std::vector<std::uint8_t>> m_chunks;
    std::vector<std::chrono::steady_clock::time_point> m_times;
    std::size_t m_byteCount = 0;
};

} // namespace kwmidi::detail
