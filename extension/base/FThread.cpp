#include "FThread.h"

#include "FUnknown.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <new>
#include <sched.h>
#include <thread>

namespace Quorvane {

// ---------------------------------------------------------------------------------------------------
// Atomics

int32 FAtomicIncrement(int32& value)
{
    return std::atomic_ref<int32>(value).fetch_add(1, std::memory_order_seq_cst);
}

int32 FAtomicDecrement(int32& value)
{
    return std::atomic_ref<int32>(value).fetch_sub(1, std::memory_order_seq_cst);
}

int32 FAtomicAdd(int32& value, int32 n)
{
    return std::atomic_ref<int32>(value).fetch_add(n, std::memory_order_seq_cst);
}

bool FAtomicCompareAndSwap(int32& value, int32 oldValue, int32 newValue)
{
    return std::atomic_ref<int32>(value).compare_exchange_strong(oldValue, newValue, std::memory_order_seq_cst);
}

void FThreadSleep(int32 ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// ---------------------------------------------------------------------------------------------------
// FThread

namespace {

// Longest thread name the system takes, without its terminator.
constexpr std::size_t kMaxThreadName = 15;

struct PriorityEntry
{
    int schedPriority;
    int policy;
};
constexpr PriorityEntry kPriorityTable[5] = {
    {27, SCHED_OTHER}, {31, SCHED_OTHER}, {35, SCHED_RR}, {39, SCHED_RR}, {48, SCHED_RR},
};
constexpr PriorityEntry kOtherPriority = {15, SCHED_OTHER};

} // namespace

void FThread::schedulingFor(int32 priority, int& policy, int& schedPriority)
{
    const PriorityEntry& entry = (priority >= 1 && priority <= 5) ? kPriorityTable[priority - 1] : kOtherPriority;
    policy = entry.policy;
    // This system's time-sharing policy takes no static priority; only the real-time levels keep theirs.
    schedPriority = entry.policy == SCHED_OTHER ? 0 : entry.schedPriority;
}

FThread::FThread(const char8* name) : m_name(name ? name : "") {}

FThread::~FThread()
{
    if (m_hasThread) {
        // A thread still running its body would run on a destroyed object: wait for its end unless the
        // body itself is destroying its object.
        if (pthread_equal(pthread_self(), m_thread))
            pthread_detach(m_thread);
        else
            pthread_join(m_thread, nullptr);
        m_hasThread = false;
    }
}

void* FThread::startRoutine(void* arg)
{
    auto* self = static_cast<FThread*>(arg);
    {
        std::unique_lock<std::mutex> lock(self->m_gateMutex);
        self->m_gateCondition.wait(lock, [self] { return self->m_gateOpen; });
    }
    const char8* name = self->m_name.text8();
    if (name && name[0] != 0) {
        char shortName[kMaxThreadName + 1] = {};
        std::strncpy(shortName, name, kMaxThreadName);
        pthread_setname_np(pthread_self(), shortName);
    }
    const int32 result = self->entry();
    return reinterpret_cast<void*>(static_cast<intptr_t>(result));
}

void FThread::run()
{
    if (m_hasThread)
        return;
    m_started = true;
    {
        std::lock_guard<std::mutex> lock(m_gateMutex);
        m_gateOpen = false;
    }
    // The body waits at the gate until the priority is applied.
    if (pthread_create(&m_thread, nullptr, &FThread::startRoutine, this) != 0) {
        m_started = false;
        return;
    }
    m_hasThread = true;
    setPriority(m_priority);
    {
        std::lock_guard<std::mutex> lock(m_gateMutex);
        m_gateOpen = true;
    }
    m_gateCondition.notify_all();
}

bool FThread::setPriority(int32 priority)
{
    m_priority = priority;
    if (!m_hasThread)
        return false;
    int policy = 0;
    int schedPriority = 0;
    schedulingFor(priority, policy, schedPriority);
    int currentPolicy = 0;
    sched_param current{};
    if (pthread_getschedparam(m_thread, &currentPolicy, &current) != 0)
        return false;
    if (currentPolicy == policy && current.sched_priority == schedPriority)
        return true;
    sched_param wanted{};
    wanted.sched_priority = schedPriority;
    return pthread_setschedparam(m_thread, policy, &wanted) == 0;
}

bool FThread::waitDead(int32 timeoutMs)
{
    if (!m_hasThread)
        return true;
    if (pthread_equal(pthread_self(), m_thread))
        return false;
    const bool joined = pthread_join(m_thread, nullptr) == 0;
    m_hasThread = false;
    m_thread = pthread_t{};
    return joined;
}

void FThread::terminate()
{
    waitDead(-1);
}

bool FThread::isInThreadContext() const
{
    return m_hasThread && pthread_equal(pthread_self(), m_thread);
}

bool FThread::setCpuAffinity(int32 cpu)
{
    m_cpuAffinity = cpu;
    if (cpu < 0 || cpu >= CPU_SETSIZE)
        return false;
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    return pthread_setaffinity_np(pthread_self(), sizeof set, &set) == 0;
}

// ---------------------------------------------------------------------------------------------------
// FLock

FLock::FLock(const char8*)
{
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&m_mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

FLock::~FLock()
{
    pthread_mutex_destroy(&m_mutex);
}

int32 FLock::lock()
{
    return pthread_mutex_lock(&m_mutex);
}

int32 FLock::unlock()
{
    return pthread_mutex_unlock(&m_mutex);
}

bool FLock::trylock()
{
    return pthread_mutex_trylock(&m_mutex) == 0;
}

// ---------------------------------------------------------------------------------------------------
// FCondition

FCondition::FCondition(const char8*)
{
    pthread_mutex_init(&m_mutex, nullptr);
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
    // Timed waits measure against a clock that wall-clock changes do not move.
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    pthread_cond_init(&m_cond, &attributes);
    pthread_condattr_destroy(&attributes);
}

FCondition::~FCondition()
{
    pthread_cond_destroy(&m_cond);
    pthread_mutex_destroy(&m_mutex);
}

void FCondition::wait()
{
    pthread_mutex_lock(&m_mutex);
    ++m_waiters;
    while (m_signalled == 0)
        pthread_cond_wait(&m_cond, &m_mutex);
    consumeSignal();
    --m_waiters;
    pthread_mutex_unlock(&m_mutex);
}

bool FCondition::waitTimeout(int32 ms)
{
    if (ms == -1) {
        wait();
        return true;
    }
    if (ms < 0)
        ms = 0;
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += ms / 1000;
    deadline.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    pthread_mutex_lock(&m_mutex);
    ++m_waiters;
    bool signalled = true;
    while (m_signalled == 0) {
        if (pthread_cond_timedwait(&m_cond, &m_mutex, &deadline) == ETIMEDOUT && m_signalled == 0) {
            signalled = false;
            break;
        }
    }
    if (signalled)
        consumeSignal();
    --m_waiters;
    pthread_mutex_unlock(&m_mutex);
    return signalled;
}

void FCondition::consumeSignal()
{
    // The last waiter to leave takes what is left of the signal.
    if (m_waiters == 1)
        m_signalled = 0;
    else
        --m_signalled;
}

void FCondition::signalAll()
{
    pthread_mutex_lock(&m_mutex);
    m_signalled = m_waiters + 1;
    pthread_cond_broadcast(&m_cond);
    pthread_mutex_unlock(&m_mutex);
}

void FCondition::signal()
{
    pthread_mutex_lock(&m_mutex);
    m_signalled = 1;
    pthread_cond_signal(&m_cond);
    pthread_mutex_unlock(&m_mutex);
}

void FCondition::reset()
{
    pthread_mutex_lock(&m_mutex);
    m_signalled = 0;
    pthread_mutex_unlock(&m_mutex);
}

int32 FCondition::waitingCount()
{
    pthread_mutex_lock(&m_mutex);
    const int32 n = m_waiters;
    pthread_mutex_unlock(&m_mutex);
    return n;
}

// ---------------------------------------------------------------------------------------------------
// FRwLock

void FRwLock::waitToRead()
{
    for (;;) {
        m_counterLock.lock();
        if (m_activeWriters == 0 || pthread_equal(m_writer, pthread_self()))
            break;
        ++m_waitingReaders;
        m_counterLock.unlock();
        m_readers.wait();
        m_counterLock.lock();
        --m_waitingReaders;
        m_counterLock.unlock();
    }
    ++m_activeReaders;
    m_counterLock.unlock();
}

void FRwLock::doneReading()
{
    m_counterLock.lock();
    --m_activeReaders;
    if (m_waitingWriters > 0)
        m_writers.signalAll();
    m_counterLock.unlock();
}

void FRwLock::waitToWrite()
{
    for (;;) {
        m_counterLock.lock();
        const bool ownWrite = m_activeWriters > 0 && pthread_equal(m_writer, pthread_self());
        if ((m_activeReaders == 0 && m_activeWriters == 0) || ownWrite)
            break;
        ++m_waitingWriters;
        m_counterLock.unlock();
        m_writers.wait();
        m_counterLock.lock();
        --m_waitingWriters;
        m_counterLock.unlock();
    }
    m_writer = pthread_self();
    ++m_activeWriters;
    m_counterLock.unlock();
}

void FRwLock::doneWriting()
{
    m_counterLock.lock();
    if (--m_activeWriters == 0)
        m_writer = pthread_t{};
    m_writers.signalAll();
    m_readers.signalAll();
    m_counterLock.unlock();
}

// ---------------------------------------------------------------------------------------------------
// FSemaphore

FSemaphore::FSemaphore(int32 initialCount, const char8*) : m_count(initialCount < 0 ? 0 : initialCount) {}

bool FSemaphore::acquire(int32 ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    ++m_waiters;
    bool taken;
    if (ms < 0) {
        m_condition.wait(lock, [this] { return m_count > 0; });
        taken = true;
    } else {
        taken = m_condition.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_count > 0; });
    }
    --m_waiters;
    if (taken)
        --m_count;
    return taken;
}

void FSemaphore::release(int32 count)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (count < 1)
            m_count += m_waiters;
        else
            m_count += count;
    }
    m_condition.notify_all();
}

// ---------------------------------------------------------------------------------------------------
// FLocalThreadStorage

namespace {

void releaseStored(void* object)
{
    if (object)
        static_cast<FUnknown*>(object)->release();
}

} // namespace

FLocalThreadStorage::~FLocalThreadStorage()
{
    if (m_valid)
        pthread_key_delete(m_key);
}

bool FLocalThreadStorage::init()
{
    if (m_valid)
        return true;
    m_valid = pthread_key_create(&m_key, &releaseStored) == 0;
    return m_valid;
}

FLocalThreadStorage* FLocalThreadStorage::create()
{
    auto* storage = new (std::nothrow) FLocalThreadStorage;
    if (storage && !storage->init()) {
        delete storage;
        return nullptr;
    }
    return storage;
}

bool FLocalThreadStorage::setData(FUnknown* object)
{
    if (!m_valid)
        return false;
    auto* old = static_cast<FUnknown*>(pthread_getspecific(m_key));
    if (object)
        object->addRef();
    if (pthread_setspecific(m_key, object) != 0) {
        if (object)
            object->release();
        return false;
    }
    if (old)
        old->release();
    return true;
}

FUnknown* FLocalThreadStorage::getData() const
{
    return m_valid ? static_cast<FUnknown*>(pthread_getspecific(m_key)) : nullptr;
}

} // namespace Quorvane
