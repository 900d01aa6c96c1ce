#pragma once

#include <chrono>
#include <functional>

namespace simtest {

// Waits for a condition another thread brings about; false at the deadline.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline = std::chrono::seconds(10));

} // namespace simtest
