#pragma once

#include "FThread.h"
#include "TContainer.h"

#include <atomic>
#include <vector>

// A named message channel: a queue of message buffers guarded by a lock, with a condition that is
// signalled when messages were added. Producers on any thread, one worker thread consumes.
//
// The channel owns the buffers it queues; whatever is still queued when it is destroyed is freed.
class CNfunction
{
public:
    static constexpr int kMaxNameLength = 66;

    explicit CNfunction(const char* name);
    ~CNfunction();

    CNfunction(const CNfunction&) = delete;
    CNfunction& operator=(const CNfunction&) = delete;

    const char* name() const { return m_name; }
    // A channel whose lock or condition could not be made takes no messages and runs no worker.
    bool isUsable() const { return m_condition && m_lock; }

    // Appends message under the lock and signals the condition after unlocking. The channel takes
    // ownership; a message it cannot take (null, unusable channel, no memory) is freed. True when queued.
    bool post(unsigned char* message);

    // The stop flag is written under the channel's lock so that a worker that is draining cannot
    // reset the condition after the stop signal and then sleep through it.
    void requestStop();
    void clearStop();
    bool isStopRequested() const { return m_stop.load(); }

    Quorvane::FCondition* condition() const { return m_condition; }
    Quorvane::FLock* lock() const { return m_lock; }
    // Only under lock(): the pending messages in arrival order.
    Quorvane::TArray<unsigned char*>& queue() { return m_queue; }
    int pendingCount();
    // Frees every queued message; the number freed.
    int discardPending();

private:

    std::atomic<bool> m_stop{false};
    char m_name[kMaxNameLength + 1] = {};
    Quorvane::FCondition* m_condition = nullptr;
    Quorvane::FLock* m_lock = nullptr;
    Quorvane::TArray<unsigned char*> m_queue{0, 10};
};

// The receive channel: messages towards the service, shared by every remote device; lives from load
// to unload.
extern CNfunction gSysExReceiving;

// The send channels, one slot per remote device that ever started its sender; the slot of an ended
// device stays, empty. All access goes through the functions below, which guard the table.
namespace SendingChannels {
// Appends a new channel named "SysExSending_ZELK_<index + 1>"; its index, or -1 when none could be made.
int create();
// Empties slot index and returns its channel (to be stopped and deleted by the caller); null when none.
CNfunction* take(int index);
// The channel of slot index without taking it, or null; valid while its owner keeps it.
CNfunction* at(int index);
int slotCount();
// Indices of the slots that hold a channel, in order.
std::vector<unsigned int> openIndices();
} // namespace SendingChannels

// Posts message to the send channel of slot index. A message for an index outside the table or an
// empty slot is freed.
void AddSendMessage(unsigned int index, unsigned char* message);
