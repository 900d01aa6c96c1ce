#pragma once

#include "QuorvaneTypes.h"

#include <atomic>

namespace simhost {

// The host's clock in milliseconds, moved only by the test (or dbhost), so that every interval the
// extension measures is exact. It wraps at the range of 32 bits as the host's does. Any thread.
class ManualClock
{
public:
    static constexpr Quorvane::int32 kStart = 1000;

    Quorvane::int32 now() const { return static_cast<Quorvane::int32>(m_time.load()); }
    void set(Quorvane::int32 milliseconds) { m_time.store(static_cast<Quorvane::uint32>(milliseconds)); }
    void advance(Quorvane::int32 milliseconds) { m_time.fetch_add(static_cast<Quorvane::uint32>(milliseconds)); }
    // The time milliseconds from now, wrapping as the clock does.
    Quorvane::int32 after(Quorvane::int32 milliseconds) const
    {
        return static_cast<Quorvane::int32>(m_time.load() + static_cast<Quorvane::uint32>(milliseconds));
    }
    // Whether the clock has reached due (times less than half the clock's range apart compare across a wrap).
    bool hasReached(Quorvane::int32 due) const
    {
        return static_cast<Quorvane::int32>(m_time.load() - static_cast<Quorvane::uint32>(due)) >= 0;
    }
    // When off, reading the clock fails (a host whose clock cannot be read).
    void setAvailable(bool available) { m_available.store(available); }
    bool isAvailable() const { return m_available.load(); }

private:
    std::atomic<Quorvane::uint32> m_time{kStart}; // unsigned, so that it wraps
    std::atomic<bool> m_available{true};
};

} // namespace simhost
