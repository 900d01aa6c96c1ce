#include "HostThread.h"

#include <cstdio>
#include <cstdlib>

namespace simhost {

namespace {

// Function-local, so that a handler set from another unit's static initialization is kept.
struct DefaultHandler
{
    std::mutex mutex;
    ViolationHandler handler;
};

DefaultHandler& defaultHandler()
{
    static DefaultHandler instance;
    return instance;
}

} // namespace

HostThread::HostThread() : m_thread(std::this_thread::get_id()) {}

void HostThread::bindToCurrentThread()
{
    m_thread.store(std::this_thread::get_id());
}

bool HostThread::isHostThread() const
{
    return m_thread.load() == std::this_thread::get_id();
}

void HostThread::check(const char* operation)
{
    if (isHostThread())
        return;
    const std::string what =
        std::string(operation ? operation : "a host operation") + " was called on a thread other than the host's own";
    ViolationHandler handler;
    {
        std::lock_guard lock(m_mutex);
        m_violations.push_back(what);
        handler = m_handler;
    }
    if (!handler) {
        DefaultHandler& d = defaultHandler();
        std::lock_guard lock(d.mutex);
        handler = d.handler;
    }
    if (handler) {
        handler(what);
        return;
    }
    std::fprintf(stderr, "simulated host: %s\n", what.c_str());
    std::abort();
}

std::vector<std::string> HostThread::violations() const
{
    std::lock_guard lock(m_mutex);
    return m_violations;
}

void HostThread::setViolationHandler(ViolationHandler handler)
{
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

void HostThread::setDefaultViolationHandler(ViolationHandler handler)
{
    DefaultHandler& d = defaultHandler();
    std::lock_guard lock(d.mutex);
    d.handler = std::move(handler);
}

} // namespace simhost
