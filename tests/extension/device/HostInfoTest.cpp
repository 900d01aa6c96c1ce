// The host product and version, the audio-driver setup state, the service's hand-over of the host's
// classes, and the hardware-remote base's defaults.
#include "CUSBNOLPDriverSetup.h"
#include "DAWInfo.h"
#include "ExtensionClasses.h"
#include "HWRemoteBase.h"
#include "SimHost.h"
#include "ZELK_KDX.h"

#include <gtest/gtest.h>

using namespace Quorvane;

namespace {

DAWInfo analyzed(simhost::SimHost& host, const std::u16string& name, const std::u16string& version,
                 const std::u16string& build = u"Build 1")
{
    host.application().set(name, version, build);
    auto* application = simhost::queryHost<IHostApplicationW>(host.context());
    DAWInfo info(application);
    application->release();
    return info;
}

} // namespace

TEST(DAWInfo, ReadsTheProductVersionAndBuild)
{
    simhost::SimHost host;
    DAWInfo info = analyzed(host, u"Sonvik", u"Version 7.5.30", u"Build 123");
    EXPECT_EQ(info.getDAWName(), "Sonvik");
    EXPECT_EQ(info.getDAWNameIndex(), 5);
    EXPECT_EQ(info.getVersionString(), "7.5.30");
    EXPECT_EQ(info.getMajorVersion(), 7);
    EXPECT_EQ(info.getMinorVersion(), 5);
    EXPECT_EQ(info.getBugFixVersion(), 30);
    EXPECT_EQ(info.getBuildNumber(), 123);
    EXPECT_TRUE(info.isAllInfoAnalyzed());

    info = analyzed(host, u"Parlex", u"8.0");
    EXPECT_EQ(info.getDAWNameIndex(), 6);
    EXPECT_EQ(info.getMajorVersion(), 8);
    EXPECT_EQ(info.getMinorVersion(), -1);
    EXPECT_EQ(info.getBugFixVersion(), -1);
    EXPECT_FALSE(info.isAllInfoAnalyzed());

    info = analyzed(host, u"sonvik stage", u"7.5.30.123", u"no digits");
    EXPECT_EQ(info.getDAWNameIndex(), 4) << "an edition before the plain name, in any letter case";
    EXPECT_EQ(info.getBugFixVersion(), 30);
    EXPECT_EQ(info.getBuildNumber(), -1);
    EXPECT_EQ(analyzed(host, u"Sonvik Pocket", u"7.0.0").getDAWNameIndex(), 1);
    EXPECT_EQ(analyzed(host, u"Sonvik Desk 7", u"7.0.0").getDAWNameIndex(), 3);
    EXPECT_EQ(analyzed(host, u"Other DAW", u"7.0.0").getDAWNameIndex(), 0);

    DAWInfo none(nullptr);
    EXPECT_FALSE(none.analyzeDAWInfo(nullptr));
    EXPECT_EQ(none.getMajorVersion(), -1);
    EXPECT_EQ(DAWInfo::getNumberStringIndex(u"v\u0663 12"), 3) << "only 0-9 are digits";
    EXPECT_EQ(DAWInfo::getNumberStringIndex(nullptr), -1);
}

TEST(DAWInfo, ComparesVersionsPartByPart)
{
    simhost::SimHost host;
    const DAWInfo info = analyzed(host, u"Sonvik", u"7.5.0");
    EXPECT_EQ(info.compareVersion(7, 5, -1), 0);
    EXPECT_EQ(info.compareVersion(7, 6, 0), -1);
    EXPECT_EQ(info.compareVersion(6, 9, 9), 1);
    EXPECT_EQ(info.compareVersion(-1, 5, 1), -1);
    EXPECT_EQ(info.compareVersion(7, 5, 0), 0);
}

TEST(ExtensionService, TakesTheHostsClassesOnlyFromAHostItWorksWith)
{
    simhost::SimHost host;
    IPluginFactory* factory = GetPluginFactory();
    host.attach(factory);
    factory->release();
    struct Case
    {
        std::u16string name;
        std::u16string version;
        bool accepted;
        // A newer host lists MIDI tracks' instruments in its rack of project instruments.
        bool newer = false;
    };
    for (const Case& c : std::initializer_list<Case>{{u"Sonvik", u"7.0.0", true},
                                                     {u"Sonvik", u"7.4.9", true},
                                                     {u"Sonvik", u"7.5.0", true, true},
                                                     {u"Sonvik", u"6.9.9", false},
                                                     {u"Parlex", u"6.0.1", true},
                                                     {u"Parlex", u"6.5.0", true, true},
                                                     {u"Parlex", u"5.5.0", false},
                                                     {u"Sonvik Pocket", u"9.0.0", false},
                                                     {u"Sonvik", u"7.0", false},
                                                     {u"Unknown", u"9.0.0", false}}) {
        host.application().set(c.name, c.version, u"Build 5");
        auto* service = static_cast<IPluginBase*>(host.createInstance(kZELK_KDX_cid, IPluginBase::iid));
        EXPECT_EQ(service->initialize(host.context()), c.accepted ? kResultOk : kResultFalse);
        EXPECT_EQ(gpHostClasses != nullptr, c.accepted);
        EXPECT_EQ(static_cast<ZELK_KDX*>(service)->isNewerHost(), c.newer)
            << std::string(c.version.begin(), c.version.end());
        EXPECT_EQ(service->terminate(), kResultOk);
        EXPECT_EQ(gpHostClasses, nullptr);
        service->release();
    }

    // The sketch edition, like the desk one, has a command of its own for the second page's list editor
    // button; the editions above them have not.
    for (const auto& [edition, action] :
         {std::pair{u"Sonvik Sketch", "Open Cratebin"}, std::pair{u"Sonvik Atelier", "Open List Editor"}}) {
        host.application().set(edition, u"7.0.0", u"Build 5");
        auto* service = static_cast<IPluginBase*>(host.createInstance(kZELK_KDX_cid, IPluginBase::iid));
        ASSERT_EQ(service->initialize(host.context()), kResultOk);
        SUserCommandInfo commands[ZELK_KDX::kPages * ZELK_KDX::kButtons];
        static_cast<ZELK_KDX*>(service)->SetupDefaultUserCommands(commands);
        EXPECT_EQ(commands[1 * ZELK_KDX::kButtons + 3].action, action);
        EXPECT_EQ(service->terminate(), kResultOk);
        service->release();
    }

    // A host without IHostClasses, and one that will not let the service go yet.
    host.application().set(u"Sonvik", u"7.5.30", u"Build 123");
    auto* service = static_cast<IPluginBase*>(host.createInstance(kZELK_KDX_cid, IPluginBase::iid));
    host.context()->setOffersHostClasses(false);
    EXPECT_EQ(service->initialize(host.context()), kResultFalse);
    host.context()->setOffersHostClasses(true);
    ASSERT_EQ(service->initialize(host.context()), kResultOk);
    host.platform().setCanTerminate(false);
    EXPECT_EQ(service->terminate(), kResultFalse);
    EXPECT_NE(gpHostClasses, nullptr);
    host.platform().setCanTerminate(true);
    // Released without terminate, it still gives the host's classes back.
    service->release();
    EXPECT_EQ(gpHostClasses, nullptr);
    EXPECT_EQ(host.context()->refCount(), 1);
}

TEST(AudioDriverSetup, KeepsItsStateInTheHostsPreferencePool)
{
    simhost::SimHost host;
    CUSBNOLPDriverSetup setup(host.context());
    EXPECT_FALSE(setup.IsNOLPSetupDone());
    setup.SetNOLPSetupState(true);
    int32 value = 0;
    ASSERT_TRUE(host.pool().getInt("TelvorService", "SETUP-USB-NOLP", &value));
    EXPECT_EQ(value, 1);
    EXPECT_TRUE(setup.IsNOLPSetupDone());
    setup.SetNOLPSetupState(false);
    EXPECT_FALSE(setup.IsNOLPSetupDone());

    host.registry().removeClass(IDefaultPool::iid);
    EXPECT_FALSE(setup.IsNOLPSetupDone());
    setup.SetNOLPSetupState(true); // no pool: nothing happens
    CUSBNOLPDriverSetup without(nullptr);
    EXPECT_FALSE(without.IsNOLPSetupDone());
}

TEST(HWRemoteBase, ForwardsToTheHostsStandardInterfaceOnlyOnceItHasOne)
{
    simhost::SimHost host;
    auto* base = new HWRemoteBase;
    auto* standard = simhost::makeHostObject<simhost::SimRemoteStandard>(host.registry().shared_from_this(), nullptr);
    EXPECT_FALSE(base->open()) << "nothing to forward to";
    base->changeValue(3, 7);
    base->resetAll();
    EXPECT_EQ(standard->openCount(), 0);

    IHWRemote* remote = nullptr;
    ASSERT_EQ(base->queryInterface(IHWRemote::iid, reinterpret_cast<void**>(&remote)), kResultOk);
    EXPECT_EQ(remote->addRef(), 3);
    remote->release();
    remote->release();

    EXPECT_TRUE(base->init(standard));
    EXPECT_TRUE(base->open());
    EXPECT_EQ(standard->openCount(), 1);
    EXPECT_TRUE(base->close());
    base->changeValue(3, 7);
    base->changeValueStandard(4, 8);
    EXPECT_EQ(standard->standardChanges(), (std::vector<std::pair<int, int>>{{3, 7}, {4, 8}}));
    base->sendText("x", 0, 0);
    base->activateBank("Mixer");
    base->activateLayer("Jog Mode");
    EXPECT_EQ(standard->activeLayer(), "");
    EXPECT_EQ(base->setRemoteProperty(0x6D696469, 1), kResultOk);
    EXPECT_EQ(standard->properties().size(), 1u);
    EXPECT_NE(base->createBank("Mixer"), nullptr);
    EXPECT_EQ(base->setLayerStandard("Nowhere"), kResultFalse);
    EXPECT_EQ(base->release(), 0);
    standard->release();
}
