#pragma once

// A synthesizer on a MIDI cable as the virtual raw MIDI driver shows it to tests: the bytes the sequencer
// hands the driver's kernel client are read from its raw device no faster than 31,250 baud carry them
// (3,125 bytes a second; time the wire spent idle is not made up for later). The driver keeps what waits in
// a 4096-byte buffer and drops what overflows it, as a USB synthesizer's driver does.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace kwtest {

// Reads on a thread of its own; onBytes (when given) is called there with each chunk read. Given a rate of 0,
// it reads whatever the driver holds every few milliseconds: each chunk is then what the sequencer handed the
// driver at once.
class CableReader
{
public:
    using Bytes = std::vector<std::uint8_t>;

    explicit CableReader(const std::string& path, std::function<void(const Bytes&)> onBytes = {},
                         double bytesPerSecond = 3125.0)
        : m_fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK)), m_onBytes(std::move(onBytes)), m_rate(bytesPerSecond)
    {
        if (m_fd < 0)
            return;
        std::uint8_t byte;
        (void)!::read(m_fd, &byte, 0); // the driver passes bytes on only once its device is being read
        m_thread = std::thread([this] { run(); });
    }
    ~CableReader()
    {
        m_stop.store(true);
        if (m_thread.joinable())
            m_thread.join();
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CableReader(const CableReader&) = delete;
    CableReader& operator=(const CableReader&) = delete;

    bool opened() const { return m_fd >= 0; }
    // Everything read once count bytes arrived, or all there is at the deadline.
    Bytes waitFor(std::size_t count, std::chrono::milliseconds deadline)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, deadline, [&] { return m_received.size() >= count; });
        return m_received;
    }
    Bytes received()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_received;
    }

private:
    void run()
    {
        using namespace std::chrono_literals;
        auto since = std::chrono::steady_clock::now();
        std::size_t taken = 0;
        std::uint8_t buffer[4096];
        while (!m_stop.load()) {
            std::this_thread::sleep_for(5ms);
            const auto now = std::chrono::steady_clock::now();
            const auto allowed =
                m_rate > 0 ? static_cast<std::size_t>(std::chrono::duration<double>(now - since).count() * m_rate)
                           : taken + sizeof buffer;
            if (allowed <= taken)
                continue;
            const std::size_t want = std::min(allowed - taken, sizeof buffer);
            const ssize_t got = ::read(m_fd, buffer, want);
            if (got > 0) {
                const Bytes chunk(buffer, buffer + got);
                if (m_onBytes)
                    m_onBytes(chunk);
                std::lock_guard<std::mutex> lock(m_mutex);
                m_received.insert(m_received.end(), chunk.begin(), chunk.end());
                m_changed.notify_all();
            }
            taken += got > 0 ? static_cast<std::size_t>(got) : 0;
            if (got < static_cast<ssize_t>(want)) {
                // The wire idles: its time is not banked for later.
                since = now;
                taken = 0;
            }
        }
    }

    int m_fd;
    std::function<void(const Bytes&)> m_onBytes;
    double m_rate;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Bytes m_received;
};

} // namespace kwtest
