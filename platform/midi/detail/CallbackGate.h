#pragma once

#include <atomic>
#include <mutex>
#include <thread>

namespace kwmidi::detail {

// Lets a backend thread run a receive callback until close(); close() returns once no callback runs
// and none will follow. Runs on the backend's thread (run) and on the owner's (close).
class CallbackGate {
public:
    template <class F>
    void run(F&& f)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_open)
            return;
        m_inside.store(std::this_thread::get_id());
        f();
        m_inside.store(std::thread::id());
    }

    // From inside the callback it only shuts the gate: waiting there would wait for itself.
    // Returns true when called from inside.
    bool close()
    {
        if (m_inside.load() == std::this_thread::get_id()) {
            m_open = false;
            return true;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open = false;
        return false;
    }

private:
    std::mutex m_mutex;
    bool m_open = true;
    std::atomic<std::thread::id> m_inside{};
};

} // namespace kwmidi::detail
