#pragma once

#include "QuorvaneTypes.h"
#include "String.h"

#include <condition_variable>
#include <mutex>
#include <pthread.h>

namespace Quorvane {

class FUnknown;

// Full-barrier atomic operations on a 32-bit integer; any thread.
int32 FAtomicIncrement(int32& value);    // returns the value before the change
int32 FAtomicDecrement(int32& value);    // returns the value before the change
int32 FAtomicAdd(int32& value, int32 n); // returns the value before adding n
bool FAtomicCompareAndSwap(int32& value, int32 oldValue, int32 newValue);

// Sleeps the calling thread for ms milliseconds.
void FThreadSleep(int32 ms);

// A named thread object with a priority scale of 1 (lowest) to 5 and a virtual body; created and
// stopped on its owner's thread, the body runs on its own thread.
class FThread
{
public:
    static constexpr int32 kDefaultPriority = 2;

    explicit FThread(const char8* name = nullptr);
    virtual ~FThread();

    // Stores the priority and applies it to a running thread; true only when the thread now runs with
    // it. Without a thread it returns false (run applies it).
    virtual bool setPriority(int32 priority);
    virtual void cleanup() {}
    virtual int32 entry() { return 0; }

    // Starts the thread at the stored priority; a priority the system refuses does not stop it.
    void run();
    // Waits for the body to return (the time-out is not applied); true when the thread was never
    // started or was joined.
    bool waitDead(int32 timeoutMs = -1);
    // Waits for the body to return, as waitDead: a thread is never cancelled, since cancellation would
    // unwind through code that cannot take it. The owner asks the body to stop first.
    void terminate();

    bool isStarted() const { return m_started; }
    bool hasThread() const { return m_hasThread; }
    bool isInThreadContext() const;
    int32 getPriority() const { return m_priority; }
    int32 getCpuAffinity() const { return m_cpuAffinity; }
    // Binds the calling thread to one processor; true on success.
    bool setCpuAffinity(int32 cpu);
    pthread_t getThreadReference() const { return m_thread; }
    const String& getName() const { return m_name; }

    // The scheduling policy and priority a priority of the scale maps to on this system.
    static void schedulingFor(int32 priority, int& policy, int& schedPriority);

    FThread(const FThread&) = delete;
    FThread& operator=(const FThread&) = delete;

private:
    static void* startRoutine(void* arg);

    int32 m_priority = kDefaultPriority;
    int32 m_cpuAffinity = -1;
    bool m_started = false;
    bool m_hasThread = false;
    pthread_t m_thread{};
    String m_name;

    // The body waits here until run has applied the priority.
    std::mutex m_gateMutex;
    std::condition_variable m_gateCondition;
    bool m_gateOpen = false;
};

// Lock interface of the extension.
class ILock
{
public:
    virtual ~ILock() = default;
    virtual int32 lock() = 0;
    virtual int32 unlock() = 0;
    virtual bool trylock() = 0;
};

// Recursive mutex; any thread, each lock needs its unlock.
class FLock : public ILock
{
public:
    explicit FLock(const char8* name = nullptr);
    ~FLock() override;
    int32 lock() override;
    int32 unlock() override;
    bool trylock() override;

    FLock(const FLock&) = delete;
    FLock& operator=(const FLock&) = delete;

private:
    pthread_mutex_t m_mutex;
};

// Scoped hold of an ILock.
class FGuard
{
public:
    explicit FGuard(ILock* lock) : m_lock(lock)
    {
        if (m_lock)
            m_lock->lock();
    }
    ~FGuard()
    {
        if (m_lock)
            m_lock->unlock();
    }
    FGuard(const FGuard&) = delete;
    FGuard& operator=(const FGuard&) = delete;

private:
    ILock* m_lock;
};

// Event that stays signalled until a waiter consumes it or it is reset; any thread.
class FCondition
{
public:
    explicit FCondition(const char8* name = nullptr);
    ~FCondition();

    void wait();
    // ms = -1 waits without limit; true when signalled. A time-out consumes no signal.
    bool waitTimeout(int32 ms);
    // Wakes every waiter; one more wait passes at once afterwards.
    void signalAll();
    void signal();
    void reset();
    // How many threads wait at this moment.
    int32 waitingCount();

    FCondition(const FCondition&) = delete;
    FCondition& operator=(const FCondition&) = delete;

private:
    void consumeSignal();

    pthread_mutex_t m_mutex;
    pthread_cond_t m_cond;
    int32 m_signalled = 0;
    int32 m_waiters = 0;
};

// Readers/writer lock whose writing thread may read and write again; any thread.
class FRwLock
{
public:
    FRwLock() = default;
    void waitToRead();
    void doneReading();
    void waitToWrite();
    void doneWriting();
    bool verify() const { return true; }

private:
    FCondition m_readers;
    FCondition m_writers;
    FLock m_counterLock;
    int32 m_activeReaders = 0;
    int32 m_activeWriters = 0;
    int32 m_waitingReaders = 0;
    int32 m_waitingWriters = 0;
    pthread_t m_writer{};
};

// Counting semaphore; any thread.
class FSemaphore
{
public:
    explicit FSemaphore(int32 initialCount = 0, const char8* name = nullptr);
    // Negative ms waits without limit; true when a count was taken.
    bool acquire(int32 ms = -1);
    // count < 1 wakes every waiter; otherwise adds count.
    void release(int32 count = 1);
    bool verify() const { return true; }

private:
    std::mutex m_mutex;
    std::condition_variable m_condition;
    int64 m_count;
    int32 m_waiters = 0;
};

// A per-thread slot holding one referenced object, released when its thread ends; any thread.
class FLocalThreadStorage
{
public:
    FLocalThreadStorage() = default;
    ~FLocalThreadStorage();
    bool init();
    static FLocalThreadStorage* create();
    bool setData(FUnknown* object);
    FUnknown* getData() const;

    FLocalThreadStorage(const FLocalThreadStorage&) = delete;
    FLocalThreadStorage& operator=(const FLocalThreadStorage&) = delete;

private:
    pthread_key_t m_key{};
    bool m_valid = false;
};

} // namespace Quorvane
