#include "ExtensionClasses.h"
#include "HostInterfaces.h"
#include "SimHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <dlfcn.h>
#include <string>
#include <vector>

using namespace Quorvane;

namespace {

const char* const kLibrary = DIALBRIDGE_PATH;

std::string hex(const FUID& id)
{
    char text[FUID::kStringSize] = {};
    id.toString(text);
    return text;
}

} // namespace

TEST(ExtensionFactory, HandsOutOneFactoryAndRebuildsItAfterTheLastRelease)
{
    IPluginFactory* first = GetPluginFactory();
    ASSERT_NE(first, nullptr);
    IPluginFactory* again = GetPluginFactory();
    EXPECT_EQ(first, again);
    EXPECT_EQ(gPluginFactory->getRefCount(), 2);
    again->release();
    first->release();
    EXPECT_EQ(gPluginFactory, nullptr);

    IPluginFactory* rebuilt = GetPluginFactory();
    ASSERT_NE(rebuilt, nullptr);
    ASSERT_EQ(rebuilt->countClasses(), 3);
    PClassInfo info;
    const FUID expected[3] = {kZELK_KDX_cid, kZELK_HWRemote_cid, kZELK_Detect_cid};
    for (int32 i = 0; i < 3; ++i) {
        ASSERT_EQ(rebuilt->getClassInfo(i, &info), kResultOk);
        EXPECT_EQ(0, std::memcmp(info.cid, expected[i].data, 16)) << i;
    }
    rebuilt->release();
}

TEST(ExtensionFactory, DescribesTheThreeClasses)
{
    IPluginFactory* factory = GetPluginFactory();
    ASSERT_NE(factory, nullptr);
    PFactoryInfo factoryInfo;
    ASSERT_EQ(factory->getFactoryInfo(&factoryInfo), kResultOk);
    EXPECT_EQ(factoryInfo.flags & 0x10, 0x10);
    EXPECT_STREQ(factoryInfo.vendor, "Telvor");

    IPluginFactory2* factory2 = nullptr;
    ASSERT_EQ(factory->queryInterface(IPluginFactory2::iid, reinterpret_cast<void**>(&factory2)), kResultOk);
    PClassInfo2 service;
    ASSERT_EQ(factory2->getClassInfo2(0, &service), kResultOk);
    EXPECT_STREQ(service.category, "Service");
    EXPECT_STREQ(service.name, "Dialbridge");
    EXPECT_EQ(service.cardinality, 1);
    EXPECT_STREQ(service.version, "1.0.2");
    EXPECT_EQ(service.vendor[0], 0);
    EXPECT_EQ(hex(FUID(service.cid)), "9DF255F2185E447289733758D4409CE3");

    PClassInfo remote;
    ASSERT_EQ(factory->getClassInfo(1, &remote), kResultOk);
    EXPECT_STREQ(remote.category, "Remote Devices");
    EXPECT_STREQ(remote.name, "Telvor ZELK6/ZELK8");
    EXPECT_EQ(remote.cardinality, 0x7FFFFFFF);
    EXPECT_EQ(hex(FUID(remote.cid)), "F8DCF175A7304BE5A1DE1553899D2504");

    PClassInfo detect;
    ASSERT_EQ(factory->getClassInfo(2, &detect), kResultOk);
    EXPECT_STREQ(detect.category, "Device Detection");
    EXPECT_STREQ(detect.name, "");
    EXPECT_EQ(detect.cardinality, 1);
    EXPECT_EQ(hex(FUID(detect.cid)), "A0DC148774BA4BF1A71252FF31B9F1BC");
    factory2->release();
    factory->release();
}

TEST(ExtensionFactory, CreatesAndReleasesEachClass)
{
    IPluginFactory* factory = GetPluginFactory();
    ASSERT_NE(factory, nullptr);
    for (const FUID& cid : {kZELK_KDX_cid, kZELK_HWRemote_cid, kZELK_Detect_cid}) {
        void* object = nullptr;
        ASSERT_EQ(factory->createInstance(cid, IPluginBase::iid, &object), kResultOk);
        auto* plugin = static_cast<IPluginBase*>(object);
        // Without a host only the device's plug-in set-up passes: the service and the detector need one.
        EXPECT_EQ(plugin->initialize(nullptr), cid == kZELK_HWRemote_cid ? kResultOk : kResultFalse);
        EXPECT_EQ(plugin->terminate(), kResultOk);
        FUnknown* unknown = nullptr;
        ASSERT_EQ(plugin->queryInterface(FUnknown::iid, reinterpret_cast<void**>(&unknown)), kResultOk);
        EXPECT_EQ(unknown->release(), 1);
        EXPECT_EQ(plugin->release(), 0);
    }
    void* object = reinterpret_cast<void*>(1);
    const FUID unknownClass(1, 2, 3, 4);
    EXPECT_EQ(factory->createInstance(unknownClass, IPluginBase::iid, &object), kNoInterface);
    EXPECT_EQ(object, nullptr);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->createInstance(kZELK_KDX_cid, IHostClasses::iid, &object), kNoInterface);
    EXPECT_EQ(object, nullptr);
    factory->release();
}

TEST(ExtensionLibrary, LoadsAndUnloadsRepeatedly)
{
    simhost::SimHost host;
    for (int round = 0; round < 25; ++round) {
        std::string error;
        ASSERT_TRUE(host.load(kLibrary, &error)) << error;
        const std::vector<simhost::ClassRecord> classes = host.classes();
        ASSERT_EQ(classes.size(), 3u);
        EXPECT_EQ(classes[0].cid, "9DF255F2185E447289733758D4409CE3");
        EXPECT_EQ(classes[1].cid, "F8DCF175A7304BE5A1DE1553899D2504");
        EXPECT_EQ(classes[2].cid, "A0DC148774BA4BF1A71252FF31B9F1BC");
        EXPECT_EQ(classes[0].version, "1.0.2");

        // The service first: it takes over the host's classes that the others need.
        std::vector<IPluginBase*> plugins;
        for (const FUID& cid : {kZELK_KDX_cid, kZELK_HWRemote_cid, kZELK_Detect_cid}) {
            auto* plugin = static_cast<IPluginBase*>(host.createInstance(cid, IPluginBase::iid));
            ASSERT_NE(plugin, nullptr);
            EXPECT_EQ(plugin->initialize(host.context()), kResultOk);
            plugins.push_back(plugin);
        }
        for (auto it = plugins.rbegin(); it != plugins.rend(); ++it) {
            EXPECT_EQ((*it)->terminate(), kResultOk);
            EXPECT_EQ((*it)->release(), 0);
        }
        // A second factory request while the host holds the first gives the same factory.
        PFactoryInfo info;
        ASSERT_TRUE(host.factoryInfo(info));
        host.unload();
        EXPECT_FALSE(host.isLoaded());
        // Really gone: its static objects were destroyed and the next load builds them anew.
        void* stillThere = dlopen(kLibrary, RTLD_NOW | RTLD_NOLOAD);
        EXPECT_EQ(stillThere, nullptr);
        if (stillThere)
            dlclose(stillThere);
    }
}

TEST(ExtensionLibrary, ReportsALibraryThatCannotBeLoaded)
{
    simhost::SimHost host;
    std::string error;
    EXPECT_FALSE(host.load("/nonexistent/libdialbridge.so", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(host.isLoaded());
    EXPECT_TRUE(host.classes().empty());
}
