// Every simulated host in these tests reports a violation of its threading rules as a test failure, on
// whatever thread the extension broke the rule.
#include "HostThread.h"

#include <gtest/gtest.h>

namespace {

const bool g_installed = [] {
    simhost::HostThread::setDefaultViolationHandler(
        [](const std::string& what) { ADD_FAILURE() << "simulated host: " << what; });
    return true;
}();

} // namespace
