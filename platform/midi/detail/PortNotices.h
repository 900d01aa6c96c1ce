#pragma once

#include "MidiSystem.h"
#include "detail/CallbackGate.h"
#include "detail/ReceivedLog.h"

#include <atomic>
#include <cstdint>
#include <mutex>

namespace kwmidi::detail {

// What one port of ours on the machine's MIDI system tells its owner: the bytes that arrive (kept in a log
// for an endpoint we publish) and that its peer went. The engine's thread tells; the callbacks may be
// replaced from any thread, and close() returns once no callback runs and none will follow.
struct PortNotices
{
    void setCallback(ReceiveCallback callback)
    {
        std::lock_guard<std::mutex> lock(callbackMutex);
        this->callback = std::move(callback);
    }
    void setLostCallback(LinkLostCallback callback)
    {
        std::lock_guard<std::mutex> lock(lostMutex);
        lostCallback = std::move(callback);
    }

    // On the engine's thread.
    void deliver(const std::uint8_t* bytes, std::size_t length)
    {
        if (keepLog)
            log.add(bytes, length);
        gate.run([&] {
            ReceiveCallback current;
            {
                std::lock_guard<std::mutex> lock(callbackMutex);
                current = callback;
            }
            if (current)
                current(bytes, length);
        });
    }
    void tellLost()
    {
        lostGate.run([&] {
            LinkLostCallback current;
            {
                std::lock_guard<std::mutex> lock(lostMutex);
                current = lostCallback;
            }
            if (current)
                current();
        });
    }

    // On the owner's thread, as the port goes.
    void close()
    {
        gate.close();
        lostGate.close();
    }

    bool keepLog = false; // set before the port can be found
    ReceivedLog log;
    std::atomic<std::uint64_t> dropped{0}; // messages that arrived but could not be handed on

private:
    CallbackGate gate;
    std::mutex callbackMutex;
    ReceiveCallback callback;
    CallbackGate lostGate;
    std::mutex lostMutex;
    LinkLostCallback lostCallback;
};

} // namespace kwmidi::detail
