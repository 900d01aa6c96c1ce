#include "BundleEntry.h"
#include "FObject.h"
#include "PluginFactory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <dlfcn.h>
#include <stdexcept>
#include <string>

using namespace Quorvane;

// The module hooks the bundle entry points call; the tests steer their results.
namespace {
bool gInitResult = true;
bool gDeinitResult = true;
int gInitCalls = 0;
} // namespace

bool InitModule()
{
    ++gInitCalls;
    return gInitResult;
}

bool DeinitModule()
{
    return gDeinitResult;
}

namespace {

const FUID kClassA(0xF8DCF175, 0xA7304BE5, 0xA1DE1553, 0x899D2504);
const FUID kClassB(0xA0DC1487, 0x74BA4BF1, 0xA71252FF, 0x31B9F1BC);
const FUID kClassThrows(0x11111111, 0x22222222, 0x33333333, 0x44444444);
const FUID kUnknownClass(0x0, 0x0, 0x0, 0x1);

// An object counting how many of it are alive.
class Product : public FObject
{
public:
    Product() { ++alive; }
    ~Product() override { --alive; }
    static inline int alive = 0;
};

FUnknown* createProduct(void* context)
{
    if (context)
        ++*static_cast<int*>(context);
    return static_cast<FUnknown*>(new Product);
}

FUnknown* createNothing(void*)
{
    return nullptr;
}

FUnknown* createThrowing(void*)
{
    throw std::runtime_error("constructor failed");
}

std::u16string field16(const char16* units, std::size_t count)
{
    std::u16string s(units, count);
    return s.substr(0, s.find(u'\0'));
}

bool allZero(const void* p, std::size_t n)
{
    const auto* bytes = static_cast<const unsigned char*>(p);
    for (std::size_t i = 0; i < n; ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}

} // namespace

TEST(ClassRecords, ConstructorsCutTextsAtTheirFields)
{
    const PFactoryInfo info("Telvor", "", "", 0);
    EXPECT_STREQ(info.vendor, "Telvor");
    EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);
    EXPECT_TRUE(allZero(info.url, sizeof info.url));

    const std::string longName(70, 'n');
    const PClassInfo ci(kClassA, PClassInfo::kManyInstances, "Remote Devices", longName.c_str());
    EXPECT_EQ(std::memcmp(ci.cid, kClassA.data, 16), 0);
    EXPECT_EQ(ci.cardinality, 0x7FFFFFFF);
    EXPECT_STREQ(ci.category, "Remote Devices");
    // A name longer than its field fills the field with no terminator.
    EXPECT_EQ(std::string(ci.name, sizeof ci.name), longName.substr(0, 64));

    const PClassInfo2 ci2(kClassB, 1, "Service", "Dialbridge", 0, nullptr, nullptr, "1.0.2", "");
    EXPECT_STREQ(ci2.version, "1.0.2");
    EXPECT_TRUE(allZero(ci2.vendor, sizeof ci2.vendor));
    EXPECT_TRUE(allZero(ci2.subCategories, sizeof ci2.subCategories));
}

TEST(ClassRecords, FromAsciiWidensAndAlwaysTerminates)
{
    PClassInfo2 ci2(kClassA, 3, "Category", "", 0x55, "Sub", "", "1.0", "sdk");
    std::memset(ci2.name, 'x', sizeof ci2.name); // 64 bytes, no terminator
    ci2.vendor[0] = static_cast<char>(0xE9);
    PClassInfoW w;
    w.fromAscii(ci2);
    EXPECT_EQ(std::memcmp(w.cid, kClassA.data, 16), 0);
    EXPECT_EQ(w.cardinality, 3);
    EXPECT_STREQ(w.category, "Category");
    EXPECT_EQ(w.classFlags, 0x55u);
    EXPECT_STREQ(w.subCategories, "Sub");
    EXPECT_EQ(field16(w.name, 64), std::u16string(63, u'x'));
    EXPECT_EQ(w.name[63], 0);
    EXPECT_EQ(w.vendor[0], 0xFFE9); // sign extension
    EXPECT_EQ(field16(w.version, 64), u"1.0");
    EXPECT_EQ(field16(w.sdkVersion, 64), u"sdk");
    EXPECT_TRUE(allZero(w.version + 3, (64 - 3) * 2));
}

class FactoryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Product::alive = 0;
        factory = new CPluginFactory(PFactoryInfo("Telvor", "", "", 0));
    }
    void TearDown() override
    {
        if (factory) {
            EXPECT_EQ(factory->release(), 0);
        }
        EXPECT_EQ(Product::alive, 0);
    }
    CPluginFactory* factory = nullptr;
};

TEST_F(FactoryTest, ReportsItsInfoAndAnswersItsInterfaces)
{
    PFactoryInfo info;
    EXPECT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "Telvor");
    EXPECT_EQ(info.flags & PFactoryInfo::kUnicode, PFactoryInfo::kUnicode);
    EXPECT_EQ(factory->getFactoryInfo(nullptr), kResultOk);

    for (const FUID* id : {&FUnknown::iid, &IPluginFactory::iid, &IPluginFactory2::iid, &IPluginFactory3::iid}) {
        void* object = nullptr;
        EXPECT_EQ(factory->queryInterface(*id, &object), kResultOk);
        EXPECT_NE(object, nullptr);
        static_cast<FUnknown*>(object)->release();
    }
    void* object = factory;
    EXPECT_EQ(factory->queryInterface(IDependent::iid, &object), kNoInterface);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory->addRef(), 2);
    EXPECT_EQ(factory->release(), 1);
    EXPECT_EQ(factory->setHostContext(nullptr), kResultOk);
}

TEST_F(FactoryTest, ListsClassesInAllThreeForms)
{
    const PClassInfo2 service(kClassB, 1, "Service", "Dialbridge", 0, "", nullptr, "1.0.2", "");
    const PClassInfo remote(kClassA, PClassInfo::kManyInstances, "Remote Devices", "Telvor ZELK6/ZELK8");
    ASSERT_TRUE(factory->registerClass(&service, createProduct));
    ASSERT_TRUE(factory->registerClass(&remote, createProduct));
    EXPECT_FALSE(factory->registerClass(static_cast<const PClassInfo*>(nullptr), createProduct));
    EXPECT_FALSE(factory->registerClass(&remote, nullptr));
    EXPECT_EQ(factory->countClasses(), 2);

    PClassInfo ci;
    EXPECT_EQ(factory->getClassInfo(0, &ci), kResultOk);
    EXPECT_STREQ(ci.category, "Service");
    EXPECT_EQ(ci.cardinality, 1);
    PClassInfo2 ci2;
    EXPECT_EQ(factory->getClassInfo2(0, &ci2), kResultOk);
    EXPECT_STREQ(ci2.version, "1.0.2");

    // A class registered in the short form reports empty extended fields and a wide name.
    EXPECT_EQ(factory->getClassInfo2(1, &ci2), kResultOk);
    EXPECT_EQ(ci2.classFlags, 0u);
    EXPECT_EQ(ci2.cardinality, 0x7FFFFFFF);
    EXPECT_TRUE(allZero(ci2.subCategories, sizeof ci2.subCategories));
    EXPECT_TRUE(allZero(ci2.vendor, sizeof ci2.vendor));
    EXPECT_TRUE(allZero(ci2.version, sizeof ci2.version));
    EXPECT_TRUE(allZero(ci2.sdkVersion, sizeof ci2.sdkVersion));
    PClassInfoW ciw;
    EXPECT_EQ(factory->getClassInfoUnicode(1, &ciw), kResultOk);
    EXPECT_EQ(field16(ciw.name, 64), u"Telvor ZELK6/ZELK8");
    EXPECT_STREQ(ciw.category, "Remote Devices");

    EXPECT_TRUE(factory->isClassRegistered(kClassA));
    EXPECT_FALSE(factory->isClassRegistered(kUnknownClass));
}

TEST_F(FactoryTest, BadIndexOrTargetGivesInvalidArgumentAndLeavesTheTarget)
{
    const PClassInfo remote(kClassA, 1, "Remote Devices", "x");
    factory->registerClass(&remote, createProduct);
    PClassInfo ci;
    std::memset(static_cast<void*>(&ci), 0x7A, sizeof ci);
    EXPECT_EQ(factory->getClassInfo(1, &ci), kInvalidArgument);
    EXPECT_EQ(static_cast<unsigned char>(ci.name[0]), 0x7A);
    EXPECT_EQ(factory->getClassInfo(-1, &ci), kInvalidArgument);
    EXPECT_EQ(factory->getClassInfo(0, nullptr), kInvalidArgument);
    EXPECT_EQ(factory->getClassInfo2(1, nullptr), kInvalidArgument);
    PClassInfoW ciw;
    EXPECT_EQ(factory->getClassInfoUnicode(5, &ciw), kInvalidArgument);
}

TEST_F(FactoryTest, WideOnlyClassIsNotAvailableInNarrowForm)
{
    PClassInfoW wideOnly;
    std::memcpy(wideOnly.cid, kClassB.data, 16);
    wideOnly.cardinality = 1;
    std::memcpy(wideOnly.name, u"Wide", 10);
    ASSERT_TRUE(factory->registerClass(&wideOnly, createProduct));
    PClassInfo ci;
    std::memset(static_cast<void*>(&ci), 0x7A, sizeof ci);
    EXPECT_EQ(factory->getClassInfo(0, &ci), kNotAvailable);
    EXPECT_TRUE(allZero(&ci, sizeof ci));
    PClassInfo2 ci2;
    EXPECT_EQ(factory->getClassInfo2(0, &ci2), kNotAvailable);
    PClassInfoW back;
    EXPECT_EQ(factory->getClassInfoUnicode(0, &back), kResultOk);
    EXPECT_EQ(field16(back.name, 64), u"Wide");
    void* object = nullptr;
    EXPECT_EQ(factory->createInstance(kClassB, FUnknown::iid, &object), kResultOk);
    static_cast<FUnknown*>(object)->release();
}

TEST_F(FactoryTest, EleventhRegistrationGrowsTheTable)
{
    for (uint32 i = 0; i < 10; ++i) {
        const PClassInfo ci(FUID(i + 1, 0, 0, 0), 1, "Category", ("Class " + std::to_string(i)).c_str());
        ASSERT_TRUE(factory->registerClass(&ci, createProduct));
    }
    EXPECT_EQ(factory->classCapacity(), 10);
    const PClassInfo eleventh(FUID(11, 0, 0, 0), 1, "Category", "Class 10");
    ASSERT_TRUE(factory->registerClass(&eleventh, createProduct));
    EXPECT_EQ(factory->classCapacity(), 20);
    EXPECT_EQ(factory->countClasses(), 11);
    for (int32 i = 0; i < 11; ++i) {
        PClassInfo ci;
        ASSERT_EQ(factory->getClassInfo(i, &ci), kResultOk);
        EXPECT_EQ(std::string(ci.name), "Class " + std::to_string(i));
        EXPECT_TRUE(FUID(ci.cid) == FUID(static_cast<uint32>(i) + 1, 0, 0, 0));
    }
    factory->removeAllClasses();
    EXPECT_EQ(factory->countClasses(), 0);
}

TEST_F(FactoryTest, CreatesInstancesByClassIdentifier)
{
    int created = 0;
    const PClassInfo ci(kClassA, 1, "Category", "Product");
    factory->registerClass(&ci, createProduct, &created);
    void* object = nullptr;
    EXPECT_EQ(factory->createInstance(kClassA, IDependent::iid, &object), kResultOk);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(created, 1);
    EXPECT_EQ(Product::alive, 1);
    auto* dependent = static_cast<IDependent*>(object);
    EXPECT_EQ(dependent->addRef(), 2); // the caller holds the only reference
    dependent->release();
    dependent->release();
    EXPECT_EQ(Product::alive, 0);
}

TEST_F(FactoryTest, UnknownClassOrInterfaceGivesNoInterfaceAndLeaksNothing)
{
    const PClassInfo product(kClassA, 1, "Category", "Product");
    const PClassInfo nothing(kClassB, 1, "Category", "Nothing");
    const PClassInfo throwing(kClassThrows, 1, "Category", "Throwing");
    factory->registerClass(&product, createProduct);
    factory->registerClass(&nothing, createNothing);
    factory->registerClass(&throwing, createThrowing);

    void* object = factory;
    EXPECT_EQ(factory->createInstance(kUnknownClass, FUnknown::iid, &object), kNoInterface);
    EXPECT_EQ(object, nullptr);
    object = factory;
    EXPECT_EQ(factory->createInstance(kClassA, IPluginFactory::iid, &object), kNoInterface);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(Product::alive, 0); // the object that did not answer was destroyed
    EXPECT_EQ(factory->createInstance(kClassB, FUnknown::iid, &object), kNoInterface);
    EXPECT_EQ(factory->createInstance(kClassThrows, FUnknown::iid, &object), kNoInterface);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory->createInstance(nullptr, FUnknown::iid, &object), kNoInterface);
    EXPECT_EQ(factory->createInstance(kClassA, FUnknown::iid, nullptr), kInvalidArgument);
    EXPECT_EQ(Product::alive, 0);
}

TEST_F(FactoryTest, DestructionClearsTheProcessWideFactory)
{
    gPluginFactory = factory;
    EXPECT_EQ(factory->release(), 0);
    factory = nullptr;
    EXPECT_EQ(gPluginFactory, nullptr);

    auto* other = new CPluginFactory(PFactoryInfo());
    auto* keep = new CPluginFactory(PFactoryInfo());
    gPluginFactory = keep;
    other->release();
    EXPECT_EQ(gPluginFactory, keep);
    keep->release();
    EXPECT_EQ(gPluginFactory, nullptr);
}

namespace {

bool isLoaded(const char* path)
{
    void* handle = dlopen(path, RTLD_LAZY | RTLD_NOLOAD);
    if (!handle)
        return false;
    dlclose(handle);
    return true;
}

} // namespace

TEST(BundleEntry, RetainsTheBundleUntilTheLastExit)
{
    const char* path = DB_TEST_BUNDLE_PATH;
    ASSERT_FALSE(isLoaded(path));
    void* first = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(first, nullptr) << dlerror();
    void* second = dlopen(path, RTLD_NOW | RTLD_LOCAL);

    // The first handle is kept for the life of the process, so only the first run in a process sees it set.
    void* const keptHandle = moduleHandle ? moduleHandle : first;
    gInitCalls = 0;
    gInitResult = true;
    EXPECT_TRUE(bundleEntry(first));
    EXPECT_TRUE(bundleEntry(second));
    EXPECT_EQ(gInitCalls, 2);
    EXPECT_EQ(bundleRefCounter, 2);
    EXPECT_EQ(moduleHandle, keptHandle);
    EXPECT_EQ(ghInst, keptHandle);
    char resolved[4096];
    ASSERT_NE(realpath(path, resolved), nullptr);
    EXPECT_STREQ(gPath, resolved);

    // The host lets go of its own handles: the bundle stays loaded while we hold it.
    dlclose(first);
    dlclose(second);
    EXPECT_TRUE(isLoaded(path));

    gDeinitResult = false;
    EXPECT_FALSE(bundleExit()); // a refused module exit releases nothing
    EXPECT_EQ(bundleRefCounter, 2);
    gDeinitResult = true;
    EXPECT_TRUE(bundleExit());
    EXPECT_EQ(bundleRefCounter, 1);
    EXPECT_TRUE(isLoaded(path));
    EXPECT_TRUE(bundleExit());
    EXPECT_EQ(bundleRefCounter, 0);
    EXPECT_FALSE(isLoaded(path));
    // The first handle and the path stay known after the last exit.
    EXPECT_EQ(moduleHandle, keptHandle);
    EXPECT_STREQ(gPath, resolved);
    EXPECT_TRUE(bundleExit());
    EXPECT_EQ(bundleRefCounter, 0);
}

TEST(BundleEntry, NullBundleOnlyRunsTheModuleHook)
{
    const int32 before = bundleRefCounter;
    gInitResult = false;
    EXPECT_FALSE(bundleEntry(nullptr));
    gInitResult = true;
    EXPECT_TRUE(bundleEntry(nullptr));
    EXPECT_EQ(bundleRefCounter, before);
}
