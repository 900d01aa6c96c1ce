// Every simulated host in these tests reports a violation of its threading rules as a test failure, on
// whatever thread the extension broke the rule.
#include "SimHostTestSupport.h"

#include "HostThread.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

const bool g_installed = [] {
    simhost::HostThread::setDefaultViolationHandler(
        [](const std::string& what) { ADD_FAILURE() << "simulated host: " << what; });
    return true;
}();

} // namespace

namespace simtest {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline)
{
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace simtest
