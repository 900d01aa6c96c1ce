#include "SimHost.h"
#include "FakeHostObjects.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace Quorvane;

namespace {

template <class I> I* query(FUnknown* object)
{
    void* result = nullptr;
    return object->queryInterface(I::iid, &result) == kResultOk ? static_cast<I*>(result) : nullptr;
}

template <class I> I* create(IHostClasses* classes)
{
    void* result = nullptr;
    return classes->createInstance(I::iid, &result) == kResultOk ? static_cast<I*>(result) : nullptr;
}

// An idle handler that counts its calls and can remove another handler during its turn.
class CountingIdle : public fakehost::Uncounted<IIdleHandler>
{
public:
    void onIdle() override
    {
        ++calls;
        if (removeOther)
            platform->removeIdleHandler(removeOther);
    }
    int calls = 0;
    IPlatform* platform = nullptr;
    IIdleHandler* removeOther = nullptr;
};

using Recorder = fakehost::RecordingDependent;

} // namespace

TEST(SimHost, ContextOffersHostClassesAndTheApplication)
{
    simhost::SimHost host;
    FUnknown* context = host.context();
    IHostClasses* classes = query<IHostClasses>(context);
    ASSERT_NE(classes, nullptr);
    IHostApplicationW* application = query<IHostApplicationW>(context);
    ASSERT_NE(application, nullptr);
    EXPECT_EQ(std::u16string(application->getApplicationName()), u"Sonvik");
    host.application().set(u"Parlex", u"6.5.1", u"");
    EXPECT_EQ(std::u16string(application->getApplicationName()), u"Parlex");
    EXPECT_EQ(std::u16string(application->getApplicationVersion()), u"6.5.1");
    EXPECT_EQ(application->getApplicationBuild(), nullptr);
    application->release();

    IPlatform2* platform = create<IPlatform2>(classes);
    ASSERT_NE(platform, nullptr);
    EXPECT_EQ(platform, static_cast<IPlatform2*>(&host.platform()));
    platform->release();
    IDefaultPool3* pool = create<IDefaultPool3>(classes);
    ASSERT_NE(pool, nullptr);
    pool->release();
    IUpdateHandler* updates = create<IUpdateHandler>(classes);
    ASSERT_NE(updates, nullptr);
    updates->release();
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(classes->createInstance(IDesktop::iid, &none), kNoInterface);
    EXPECT_EQ(none, nullptr);
    classes->release();

    host.context()->setOffersHostClasses(false);
    EXPECT_EQ(query<IHostClasses>(context), nullptr);
}

TEST(SimHost, CallsIdleHandlersOnDemandAndKeepsAManualClock)
{
    simhost::SimHost host;
    simhost::SimPlatform& platform = host.platform();
    CountingIdle first, second;
    first.platform = &platform;
    EXPECT_EQ(platform.addIdleHandler(&first), kResultOk);
    EXPECT_EQ(platform.addIdleHandler(&first), kResultFalse);
    EXPECT_EQ(platform.addIdleHandler(&second), kResultOk);
    EXPECT_EQ(host.idle(), 2);
    first.removeOther = &second; // removed during the turn: not called any more
    EXPECT_EQ(host.idle(), 1);
    EXPECT_EQ(first.calls, 2);
    EXPECT_EQ(second.calls, 1);
    EXPECT_EQ(platform.removeIdleHandler(&first), kResultOk);
    EXPECT_EQ(platform.removeIdleHandler(&first), kResultFalse);
    EXPECT_EQ(host.idle(), 0);

    int32 now = 0;
    host.clock().set(100);
    host.clock().advance(50);
    ASSERT_EQ(platform.getTime(&now), kResultOk);
    EXPECT_EQ(now, 150);
    host.clock().set(0x7FFFFFFF);
    host.clock().advance(1); // the host's clock wraps
    ASSERT_EQ(platform.getTime(&now), kResultOk);
    EXPECT_EQ(now, static_cast<int32>(0x80000000u));
    host.clock().setAvailable(false);
    EXPECT_EQ(platform.getTime(&now), kResultFalse);
    EXPECT_TRUE(platform.canTerminate());
    platform.setCanTerminate(false);
    EXPECT_FALSE(platform.canTerminate());
}

TEST(SimHost, PreferencePoolKeepsEntriesBySectionAndKey)
{
    simhost::SimHost host;
    simhost::SimDefaultPool& pool = host.pool();
    int32 value = -1;
    EXPECT_FALSE(pool.getInt("TelvorService", "SETUP-USB-NOLP", &value));
    EXPECT_EQ(pool.setInt("TelvorService", "SETUP-USB-NOLP", 1), kResultOk);
    EXPECT_TRUE(pool.getInt("TelvorService", "SETUP-USB-NOLP", &value));
    EXPECT_EQ(value, 1);
    EXPECT_FALSE(pool.getInt("TelvorService", "setup-usb-nolp", &value));
    EXPECT_EQ(pool.getText("ExtensionSetupData_ZELK", "MemoryName0"), nullptr);
    pool.setText("ExtensionSetupData_ZELK", "MemoryName0", "Project Setup");
    EXPECT_STREQ(pool.getText("ExtensionSetupData_ZELK", "MemoryName0"), "Project Setup");
    pool.setText16("S", "K", u"Caf\u00E9");
    EXPECT_EQ(std::u16string(pool.getText16("S", "K")), u"Caf\u00E9");
    double d = 0;
    pool.setFloat("S", "F", 0.25);
    EXPECT_TRUE(pool.getFloat("S", "F", &d));
    EXPECT_EQ(d, 0.25);
    EXPECT_EQ(pool.setInt(nullptr, "K", 1), kInvalidArgument);
    EXPECT_FALSE(pool.getInt("S", nullptr, &value));
    pool.clear();
    EXPECT_FALSE(pool.contains("TelvorService", "SETUP-USB-NOLP"));
}

TEST(SimHost, UpdateHandlerDeliversAtOnceOrAtTheNextIdle)
{
    simhost::SimHost host;
    simhost::SimUpdateHandler& updates = host.updateHandler();
    Recorder a, b;
    FUnknown* object = host.context();
    EXPECT_EQ(updates.addDependent(object, &a), kResultOk);
    EXPECT_EQ(updates.addDependent(object, &b), kResultOk);
    EXPECT_EQ(updates.addDependent(object, &a), kResultOk); // already there: kept once
    EXPECT_EQ(updates.dependentCount(object), 2);
    updates.triggerUpdates(object, IDependent::kChanged);
    ASSERT_EQ(a.messages.size(), 1u);
    EXPECT_EQ(a.messages[0], std::make_pair(object, int32(IDependent::kChanged)));
    updates.deferUpdates(object, IDependent::kDestroyed);
    EXPECT_EQ(b.messages.size(), 1u);
    host.idle();
    ASSERT_EQ(b.messages.size(), 2u);
    EXPECT_EQ(b.messages[1].second, IDependent::kDestroyed);
    EXPECT_EQ(updates.removeDependent(object, &a), kResultOk);
    EXPECT_EQ(updates.removeDependent(object, &a), kResultFalse);
    updates.triggerUpdates(object, IDependent::kChanged);
    EXPECT_EQ(a.messages.size(), 2u);
    EXPECT_EQ(b.messages.size(), 3u);
    EXPECT_EQ(updates.addDependent(nullptr, &a), kInvalidArgument);
}

namespace {

// A host object of the kind later issues add: one interface, a thread-bound operation, a mutex.
class ProbeObject : public simhost::HostObject<IPlatform2>
{
public:
    explicit ProbeObject(simhost::HostContextRef host, bool* deleted = nullptr)
        : HostObject(std::move(host), "Probe"), m_deleted(deleted)
    {
        alsoAnswer<IPlatform>();
    }
    ~ProbeObject() override
    {
        if (m_deleted)
            *m_deleted = true;
    }
    tresult addIdleHandler(IIdleHandler*) override
    {
        hostThreadOnly("IPlatform::addIdleHandler");
        return kResultOk;
    }
    tresult removeIdleHandler(IIdleHandler*) override { return kResultOk; }
    tresult getTime(int32*) override { return kResultFalse; }
    bool canTerminate() override { return true; }

private:
    bool* m_deleted;
};

} // namespace

TEST(SimHostModel, HandsOutServicesSharedAndClassesNewAndDeletesAtTheLastRelease)
{
    simhost::SimHost host;
    simhost::HostRegistry& registry = host.registry();
    const int before = registry.liveCount();

    bool serviceDeleted = false;
    auto* service = simhost::makeHostObject<ProbeObject>(host.registry().shared_from_this(), &serviceDeleted);
    registry.addService(service->unknown(), {IPlatform2::iid});
    IPlatform2* a = create<IPlatform2>(host.context());
    IPlatform2* b = create<IPlatform2>(host.context());
    EXPECT_EQ(a, b);
    EXPECT_EQ(service->refCount(), 4); // ours, the registry's, a and b
    IPlatform* platform = create<IPlatform>(host.context());
    EXPECT_EQ(platform, static_cast<IPlatform*>(&host.platform())) << "the probe serves IPlatform2 only";
    platform->release();
    a->release();
    b->release();

    registry.addClass(IPlatform::iid, [](const simhost::HostContextRef& r) -> FUnknown* {
        return simhost::makeHostObject<ProbeObject>(r)->unknown();
    });
    IPlatform* made = create<IPlatform>(host.context());
    IPlatform* another = create<IPlatform>(host.context());
    ASSERT_NE(made, nullptr);
    EXPECT_NE(made, another);
    EXPECT_EQ(registry.liveCount("Probe"), 3);
    IPlatform2* asTwo = query<IPlatform2>(made);
    ASSERT_NE(asTwo, nullptr);
    EXPECT_EQ(made->release(), 1);
    EXPECT_EQ(asTwo->release(), 0); // really deleted
    another->release();
    EXPECT_EQ(registry.liveCount("Probe"), 1);

    service->setAnswering(IPlatform2::iid, false);
    EXPECT_EQ(create<IPlatform2>(host.context()), nullptr);
    registry.removeClass(IPlatform2::iid);
    EXPECT_FALSE(serviceDeleted);
    EXPECT_EQ(service->release(), 0);
    EXPECT_TRUE(serviceDeleted);
    EXPECT_EQ(registry.liveCount(), before);
    EXPECT_EQ(registry.liveKinds().count("Probe"), 0u);
}

TEST(SimHostModel, ACallFromAnotherThreadThanTheHostsFailsTheTest)
{
    simhost::SimHost host;
    IPlatform* platform = create<IPlatform>(host.context());
    ASSERT_NE(platform, nullptr);
    CountingIdle idle;
    EXPECT_EQ(platform->addIdleHandler(&idle), kResultOk); // on the host's thread: fine
    platform->removeIdleHandler(&idle);
    EXPECT_TRUE(host.thread().violations().empty());

    EXPECT_NONFATAL_FAILURE_ON_ALL_THREADS(
        std::thread([&] { platform->addIdleHandler(&idle); }).join(),
        "IPlatform::addIdleHandler was called on a thread other than the host's own");
    ASSERT_EQ(host.thread().violations().size(), 1u);

    // The clock may be read anywhere.
    int32 now = 0;
    std::thread([&] { platform->getTime(&now); }).join();
    EXPECT_EQ(now, simhost::ManualClock::kStart);
    EXPECT_EQ(host.thread().violations().size(), 1u);

    // A host driven from a thread of its own.
    std::thread([&] {
        host.thread().bindToCurrentThread();
        platform->removeIdleHandler(&idle);
    }).join();
    EXPECT_EQ(host.thread().violations().size(), 1u);
    host.thread().bindToCurrentThread();
    platform->release();
}
