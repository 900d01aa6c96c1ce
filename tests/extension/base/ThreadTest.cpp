#include "FThread.h"
#include "FUnknown.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <sched.h>
#include <thread>
#include <vector>

using namespace Quorvane;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kDeadline = std::chrono::seconds(10);

// Waits until pred holds or the deadline passes; true when it held.
bool waitUntil(const std::function<bool()>& pred, Clock::duration limit = kDeadline)
{
    const auto end = Clock::now() + limit;
    while (!pred()) {
        if (Clock::now() > end)
            return false;
        std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

// A thread whose body runs a function given by the test.
class TestThread : public FThread
{
public:
    explicit TestThread(const char* name, std::function<int32()> body = {}) : FThread(name), m_body(std::move(body)) {}
    ~TestThread() override { waitDead(); }
    int32 entry() override { return m_body ? m_body() : 0; }

private:
    std::function<int32()> m_body;
};

// Threads that each wait once on the condition and count themselves woken.
std::vector<std::thread> startWaiters(FCondition& condition, int count, std::atomic<int>& woken)
{
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i)
        threads.emplace_back([&condition, &woken] {
            condition.wait();
            ++woken;
        });
    return threads;
}

std::string currentThreadName()
{
    char name[32] = {};
    pthread_getname_np(pthread_self(), name, sizeof name);
    return name;
}

} // namespace

TEST(FThread, RunsTheBodyAndJoinsIt)
{
    std::atomic<bool> ran{false};
    TestThread thread("worker", [&] {
        ran = true;
        return 7;
    });
    EXPECT_FALSE(thread.isStarted());
    thread.run();
    EXPECT_TRUE(thread.isStarted());
    EXPECT_TRUE(thread.waitDead(30000));
    EXPECT_TRUE(ran);
    EXPECT_FALSE(thread.hasThread());
    EXPECT_TRUE(thread.waitDead(0));
}

TEST(FThread, WaitDeadOnANeverStartedThreadReturnsAtOnce)
{
    TestThread thread("idle");
    EXPECT_TRUE(thread.waitDead(0));
    EXPECT_FALSE(thread.isStarted());
}

TEST(FThread, WaitDeadWaitsForTheBodyWhateverTheTimeout)
{
    FCondition go;
    std::atomic<bool> finished{false};
    TestThread thread("waiter", [&] {
        go.wait();
        finished = true;
        return 0;
    });
    thread.run();
    std::thread releaser([&] {
        waitUntil([&] { return go.waitingCount() == 1; });
        go.signal();
    });
    EXPECT_TRUE(thread.waitDead(0));
    EXPECT_TRUE(finished);
    releaser.join();
}

TEST(FThread, NamesTheSystemThread)
{
    std::string seen;
    TestThread named("FThread", [&] {
        seen = currentThreadName();
        return 0;
    });
    named.run();
    named.waitDead();
    EXPECT_EQ(seen, "FThread");

    TestThread longName("SysExSending_ZELK_12", [&] {
        seen = currentThreadName();
        return 0;
    });
    longName.run();
    longName.waitDead();
    EXPECT_EQ(seen, std::string("SysExSending_ZELK_12").substr(0, 15));

    const std::string processName = currentThreadName();
    TestThread unnamed("", [&] {
        seen = currentThreadName();
        return 0;
    });
    unnamed.run();
    unnamed.waitDead();
    EXPECT_EQ(seen, processName);
}

TEST(FThread, PriorityTableMapsTheScale)
{
    int policy = -1;
    int priority = -1;
    FThread::schedulingFor(3, policy, priority);
    EXPECT_EQ(policy, SCHED_RR);
    EXPECT_EQ(priority, 35);
    FThread::schedulingFor(5, policy, priority);
    EXPECT_EQ(policy, SCHED_RR);
    EXPECT_EQ(priority, 48);
    FThread::schedulingFor(4, policy, priority);
    EXPECT_EQ(priority, 39);
    // The time-sharing levels and anything off the scale run under the normal policy.
    FThread::schedulingFor(7, policy, priority);
    EXPECT_EQ(policy, SCHED_OTHER);
    EXPECT_EQ(priority, 0);
    FThread::schedulingFor(1, policy, priority);
    EXPECT_EQ(policy, SCHED_OTHER);
}

TEST(FThread, SetPriorityReportsWhatTheSystemDid)
{
    FCondition go;
    TestThread thread("prio", [&] {
        go.wait();
        return 0;
    });
    EXPECT_FALSE(thread.setPriority(3)); // no thread yet: run applies it
    EXPECT_EQ(thread.getPriority(), 3);
    thread.setPriority(2);
    thread.run();
    EXPECT_TRUE(thread.setPriority(2)); // already running that way

    const bool applied = thread.setPriority(3);
    int policy = -1;
    sched_param param{};
    ASSERT_EQ(pthread_getschedparam(thread.getThreadReference(), &policy, &param), 0);
    if (applied) {
        EXPECT_EQ(policy, SCHED_RR);
        EXPECT_EQ(param.sched_priority, 35);
    } else {
        EXPECT_EQ(policy, SCHED_OTHER);
    }
    EXPECT_EQ(thread.getPriority(), 3);
    EXPECT_TRUE(thread.setPriority(7) || !applied);
    go.signalAll();
    EXPECT_TRUE(thread.waitDead());
}

TEST(FThread, ARefusedPriorityDoesNotStopTheThread)
{
    std::atomic<bool> ran{false};
    TestThread thread("rt", [&] {
        ran = true;
        return 0;
    });
    thread.setPriority(5);
    thread.run();
    EXPECT_TRUE(thread.waitDead());
    EXPECT_TRUE(ran);
}

TEST(FThread, StopProtocolEndsTheBodyNormally)
{
    FCondition condition;
    std::atomic<bool> stop{false};
    std::atomic<bool> returnedNormally{false};
    TestThread thread("stopper", [&] {
        for (;;) {
            condition.wait();
            if (stop)
                break;
        }
        returnedNormally = true;
        return 0;
    });
    thread.run();
    condition.signalAll(); // a wake-up without the flag keeps it running
    stop = true;
    condition.signalAll();
    EXPECT_TRUE(thread.waitDead(30000));
    thread.terminate();
    EXPECT_TRUE(returnedNormally);
}

TEST(FThread, TerminateWaitsInsteadOfCancelling)
{
    FCondition condition;
    std::atomic<bool> stop{false};
    std::atomic<bool> returnedNormally{false};
    TestThread thread("term", [&] {
        while (!stop)
            condition.waitTimeout(5);
        returnedNormally = true;
        return 0;
    });
    thread.run();
    stop = true;
    thread.terminate();
    EXPECT_TRUE(returnedNormally);
    EXPECT_FALSE(thread.hasThread());
}

TEST(FThread, DestructorWaitsForARunningBody)
{
    std::atomic<int> finished{0};
    FCondition go;
    auto* thread = new TestThread("dtor", [&] {
        go.wait();
        finished = 1;
        return 0;
    });
    thread->run();
    go.signalAll();
    delete thread;
    EXPECT_EQ(finished, 1);
}

TEST(FThread, KnowsItsOwnContext)
{
    std::atomic<bool> inside{false};
    TestThread* self = nullptr;
    TestThread thread("ctx", [&] {
        inside = self->isInThreadContext();
        return 0;
    });
    self = &thread;
    EXPECT_FALSE(thread.isInThreadContext());
    thread.run();
    thread.waitDead();
    EXPECT_TRUE(inside);
}

TEST(FLock, IsRecursiveAndExcludesOtherThreads)
{
    FLock lock("test");
    EXPECT_EQ(lock.lock(), 0);
    EXPECT_EQ(lock.lock(), 0);
    auto tryFromOther = [&] {
        bool taken = false;
        std::thread other([&] {
            taken = lock.trylock();
            if (taken)
                lock.unlock();
        });
        other.join();
        return taken;
    };
    EXPECT_FALSE(tryFromOther());
    EXPECT_EQ(lock.unlock(), 0);
    EXPECT_FALSE(tryFromOther());
    EXPECT_EQ(lock.unlock(), 0);
    EXPECT_TRUE(tryFromOther());
    EXPECT_TRUE(lock.trylock());
    lock.unlock();
}

TEST(FLock, GuardsSharedCountsAcrossThreads)
{
    FLock lock;
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 1000; ++i) {
                FGuard guard(&lock);
                ++counter;
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(counter, 4000);
}

TEST(FCondition, SignalAllBeforeAnyWaitLetsOneWaitThrough)
{
    FCondition condition;
    condition.signalAll();
    EXPECT_TRUE(condition.waitTimeout(1000));
    EXPECT_FALSE(condition.waitTimeout(20));
}

TEST(FCondition, SignalAllWakesEveryWaiterAndThenResets)
{
    FCondition condition;
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters = startWaiters(condition, 2, woken);
    ASSERT_TRUE(waitUntil([&] { return condition.waitingCount() == 2; })) << "the waiters never waited";
    condition.signalAll();
    for (auto& t : waiters)
        t.join();
    EXPECT_EQ(woken, 2);
    // Both have left, so the signal is used up: a third wait blocks.
    EXPECT_FALSE(condition.waitTimeout(20));
}

TEST(FCondition, SignalWakesOneWaiter)
{
    FCondition condition;
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters = startWaiters(condition, 2, woken);
    ASSERT_TRUE(waitUntil([&] { return condition.waitingCount() == 2; }));
    condition.signal();
    ASSERT_TRUE(waitUntil([&] { return woken == 1; }));
    EXPECT_EQ(condition.waitingCount(), 1);
    condition.signal();
    ASSERT_TRUE(waitUntil([&] { return woken == 2; }));
    for (auto& t : waiters)
        t.join();
}

TEST(FCondition, TimeoutConsumesNoSignalAndResetClearsIt)
{
    FCondition condition;
    const auto start = Clock::now();
    EXPECT_FALSE(condition.waitTimeout(30));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(29));
    EXPECT_EQ(condition.waitingCount(), 0);
    condition.signal();
    EXPECT_TRUE(condition.waitTimeout(0));
    condition.signal();
    condition.reset();
    EXPECT_FALSE(condition.waitTimeout(0));
    condition.signalAll();
    EXPECT_TRUE(condition.waitTimeout(-1));
}

TEST(FRwLock, ReadersShareAndWritersExclude)
{
    FRwLock rw;
    rw.waitToRead();
    rw.waitToRead(); // a second reader does not block
    std::atomic<bool> writing{false};
    std::thread writer([&] {
        rw.waitToWrite();
        writing = true;
        rw.doneWriting();
    });
    EXPECT_FALSE(waitUntil([&] { return writing.load(); }, std::chrono::milliseconds(30)));
    rw.doneReading();
    EXPECT_FALSE(waitUntil([&] { return writing.load(); }, std::chrono::milliseconds(10)));
    rw.doneReading();
    EXPECT_TRUE(waitUntil([&] { return writing.load(); })) << "the writer never got the lock";
    writer.join();
    EXPECT_TRUE(rw.verify());
}

TEST(FRwLock, WriterMayReadAndWriteAgain)
{
    FRwLock rw;
    rw.waitToWrite();
    rw.waitToWrite();
    rw.waitToRead();
    rw.doneReading();
    std::atomic<bool> reading{false};
    std::thread reader([&] {
        rw.waitToRead();
        reading = true;
        rw.doneReading();
    });
    rw.doneWriting();
    EXPECT_FALSE(waitUntil([&] { return reading.load(); }, std::chrono::milliseconds(20)));
    rw.doneWriting();
    EXPECT_TRUE(waitUntil([&] { return reading.load(); })) << "the reader never got the lock";
    reader.join();
}

TEST(FSemaphore, AcquireTimesOutWithoutCount)
{
    FSemaphore semaphore(0);
    const auto start = Clock::now();
    EXPECT_FALSE(semaphore.acquire(100));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(99));
}

TEST(FSemaphore, CountsReleasesAndWakesAllOnZero)
{
    FSemaphore semaphore(1);
    EXPECT_TRUE(semaphore.acquire(0));
    semaphore.release(2);
    EXPECT_TRUE(semaphore.acquire(0));
    EXPECT_TRUE(semaphore.acquire(0));
    EXPECT_FALSE(semaphore.acquire(0));

    std::atomic<int> done{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            semaphore.acquire(-1);
            ++done;
        });
    EXPECT_TRUE(waitUntil([&] {
        semaphore.release(0);
        return done == 3;
    })) << "not every waiter was woken";
    for (auto& t : waiters)
        t.join();
}

TEST(FThreadSleep, SleepsAtLeastTheTime)
{
    const auto start = Clock::now();
    FThreadSleep(20);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(19));
}

namespace {

// Counts its references; never deletes itself (lives on the test's stack).
class CountedObject : public FUnknown
{
public:
    tresult queryInterface(const TUID, void** object) override
    {
        *object = nullptr;
        return kNoInterface;
    }
    int32 addRef() override { return atomicAdd(count, 1); }
    int32 release() override { return atomicAdd(count, -1); }
    int32 count = 1;
};

} // namespace

TEST(FLocalThreadStorage, HoldsOneReferencePerThreadAndReleasesItAtThreadEnd)
{
    FLocalThreadStorage* storage = FLocalThreadStorage::create();
    ASSERT_NE(storage, nullptr);
    CountedObject a;
    CountedObject b;
    std::thread user([&] {
        EXPECT_EQ(storage->getData(), nullptr);
        EXPECT_TRUE(storage->setData(&a));
        EXPECT_EQ(storage->getData(), &a);
        EXPECT_EQ(a.count, 2);
        EXPECT_TRUE(storage->setData(&b));
        EXPECT_EQ(a.count, 1);
        EXPECT_EQ(b.count, 2);
    });
    user.join();
    EXPECT_EQ(b.count, 1);
    EXPECT_EQ(storage->getData(), nullptr);
    EXPECT_TRUE(storage->setData(&a));
    EXPECT_TRUE(storage->setData(nullptr));
    EXPECT_EQ(a.count, 1);
    delete storage;
}

TEST(FAtomic, OperationsReturnThePreviousValue)
{
    int32 value = 5;
    EXPECT_EQ(FAtomicIncrement(value), 5);
    EXPECT_EQ(value, 6);
    EXPECT_EQ(FAtomicDecrement(value), 6);
    EXPECT_EQ(FAtomicAdd(value, 10), 5);
    EXPECT_EQ(value, 15);
    EXPECT_FALSE(FAtomicCompareAndSwap(value, 14, 0));
    EXPECT_TRUE(FAtomicCompareAndSwap(value, 15, 0));
    EXPECT_EQ(value, 0);
    EXPECT_EQ(FUnknown::atomicAdd(value, 3), 3);

    int32 shared = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i)
                FAtomicIncrement(shared);
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(shared, 40000);
}
