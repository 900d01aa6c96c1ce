#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace simhost {

// Called with a description of each violation of the host's threading rules.
using ViolationHandler = std::function<void(const std::string& what)>;

// The host's user-interface thread: the only one on which the host lets the extension call its
// thread-bound operations. A call from another thread is recorded as a violation and reported to the
// host's handler, else to the process-wide default (which tests turn into a test failure; without one
// the violation is printed and the process aborts). Any thread.
class HostThread
{
public:
    // Bound to the thread that makes it.
    HostThread();

    // Makes the calling thread the host's thread (a host driven from a thread of its own).
    void bindToCurrentThread();
    bool isHostThread() const;

    // Records a violation when the calling thread is not the host's. operation names the call.
    void check(const char* operation);
    std::vector<std::string> violations() const;
    void setViolationHandler(ViolationHandler handler);

    // The handler of every host that has none of its own.
    static void setDefaultViolationHandler(ViolationHandler handler);

private:
    std::atomic<std::thread::id> m_thread;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_violations;
    ViolationHandler m_handler;
};

} // namespace simhost
