#include "MemoryTestSupport.h"
#include "RemoteMemAPI.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using kwtest::CountingObserver;

// A writer thread keeps notifying while other threads register and unregister observers of the same
// address; every registered observer must be called only while registered and never after it is gone.
TEST(ObserverThreads, RegistrationFromOtherThreadsWhileNotificationsRun)
{
    RemoteMemAPI api;
    const ParamAddress watched(0, 0, 0, 1);
    std::atomic<bool> stop{false};
    std::atomic<int> writes{0};

    CountingObserver steady;
    ParamAddress steadyAddress = watched;
    steady.setMemAPI(&api);
    api.registObserver(&steadyAddress, &steady);

    std::thread writer([&] {
        int value = 0;
        while (!stop) {
            value = (value + 1) % 128;
            api.setReceivedParam(watched, static_cast<long>(value));
            ++writes;
        }
    });

    std::vector<std::thread> registrars;
    std::atomic<int> rounds{0};
    for (int t = 0; t < 3; ++t) {
        registrars.emplace_back([&] {
            for (int i = 0; i < 300; ++i) {
                ParamAddress address = watched;
                auto observer = std::make_unique<CountingObserver>();
                observer->setMemAPI(&api);
                // Leaves from inside its own notification half of the time, from outside otherwise.
                if (i % 2 == 0)
                    observer->onUpdate = [&api, o = observer.get()] { api.unregistObserver(o); };
                api.registObserver(&address, observer.get());
                kwtest::waitUntil([&] { return observer->count > 0 || stop; }, std::chrono::seconds(5));
                observer.reset(); // the destructor unregisters under the memory lock
                ++rounds;
            }
        });
    }
    for (auto& thread : registrars)
        thread.join();
    stop = true;
    writer.join();

    EXPECT_EQ(rounds, 900);
    EXPECT_EQ(api.observerCount(), 1) << "only the steady observer is left";
    EXPECT_GT(steady.count, 0);
    EXPECT_EQ(steady.count, writes.load()) << "every changing write notified the steady observer once";
}

// Registration waits while a notification is under way on another thread, so the list a walk sees
// never changes under it.
TEST(ObserverThreads, RegistrationWaitsForARunningNotification)
{
    RemoteMemAPI api;
    ParamAddress address(0, 0, 0, 1);
    CountingObserver blocking;
    blocking.setMemAPI(&api);
    std::atomic<bool> inside{false};
    std::atomic<bool> release{false};
    blocking.onUpdate = [&] {
        inside = true;
        kwtest::waitUntil([&] { return release.load(); }, std::chrono::seconds(10));
    };
    api.registObserver(&address, &blocking);

    std::thread writer([&] { api.setParam(address, 5L); });
    ASSERT_TRUE(kwtest::waitUntil([&] { return inside.load(); })) << "the notification did not start";

    std::atomic<bool> registered{false};
    CountingObserver late;
    late.setMemAPI(&api);
    ParamAddress lateAddress(0, 0, 0, 1);
    std::thread registrar([&] {
        api.registObserver(&lateAddress, &late);
        registered = true;
    });
    EXPECT_FALSE(kwtest::waitUntil([&] { return registered.load(); }, std::chrono::milliseconds(100)))
        << "registration got in during a notification";
    release = true;
    writer.join();
    registrar.join();
    EXPECT_TRUE(registered);
    EXPECT_EQ(late.count, 0) << "joined after the walk had started";
    EXPECT_EQ(blocking.count, 1);
}
