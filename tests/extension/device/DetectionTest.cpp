// Detection of the synthesizer among the host's ports and installation of its remote device.
#include "DeviceHostFixture.h"

#include "DeviceSetupManager.h"
#include "ZELK_Detect.h"

using namespace Quorvane;
using namespace devicetest;

namespace {

class Detection : public DeviceHostTest
{
protected:
    // A pair of ports of another program, named as given.
    void addPair(const std::u16string& input, const std::u16string& output)
    {
        host.ports().addPort(input, true);
        host.ports().addPort(output, false);
    }
};

} // namespace

TEST_F(Detection, FindsTheSynthesizerByItsPortNamesAndInstallsOneDevicePerPairOnce)
{
    addPair(u"Other Synth Port2", u"Other Synth Port2");
    host.ports().addPort(u"Telvor ZELK6/ZELK8 Port2", true, "audio");
    host.ports().addPort(u"Telvor ZELK6/ZELK8 Port2", false, "midi", {});

    EXPECT_EQ(detect(), kResultOk);
    ASSERT_EQ(host.remoteDevices().size(), 1u);
    simhost::SimRemoteDevice* device = host.remoteDevices()[0];
    EXPECT_STREQ(device->getName(), "Telvor ZELK6/ZELK8");
    EXPECT_EQ(device->inputPort(), synth->input(2));
    EXPECT_EQ(device->outputPort(), synth->output(2));
    EXPECT_TRUE(device->isConnectedTo(synth->output(2)->unknown()));
    EXPECT_TRUE(g_isRemoteInstalled);

    // Found installed: nothing more is installed, and the detector's set-up now refuses.
    EXPECT_EQ(detect(), kResultOk);
    EXPECT_EQ(host.devices().createdCount(), 1);
    auto* detector = static_cast<IPluginBase*>(host.createInstance(kZELK_Detect_cid, IPluginBase::iid));
    EXPECT_EQ(detector->initialize(host.context()), kResultFalse);
    IDetectorDeviceInfo info{};
    IDetector* detection = simhost::queryHost<IDetector>(detector);
    ASSERT_EQ(detection->getDeviceTypeInfo(&info), kResultOk);
    EXPECT_STREQ(info.deviceType, "Remote Devices");
    EXPECT_STREQ(info.detectionKind, "Plug and Play");
    detection->release();
    detector->release();
}

TEST_F(Detection, MatchesNamesIgnoringCaseAndPairsOnlyEqualNames)
{
    host.unload();
    struct Case
    {
        std::u16string input;
        std::u16string output;
        int devices;
    };
    const Case cases[] = {
        {u"TELVOR ZELK6/ZELK8 PORT2", u"TELVOR ZELK6/ZELK8 PORT2", 1},
        {u"Telvor ZELK6/ZELK8 Port2", u"Telvor ZELK6/ZELK8 Port2 ", 0},
        {u"Telvor ZELK6/ZELK8 Port1", u"Telvor ZELK6/ZELK8 Port3", 0},
        {u"USB: Telvor ZELK6/ZELK8 Port2 (1)", u"USB: Telvor ZELK6/ZELK8 Port2 (1)", 1},
    };
    for (const Case& c : cases) {
        simhost::SimHost h;
        IPluginFactory* factory = GetPluginFactory();
        h.attach(factory);
        factory->release();
        h.ports().addPort(c.input, true);
        h.ports().addPort(c.output, false);
        g_isRemoteInstalled = false;
        DeviceSetupManager manager(h.context());
        const DeviceSetupManager::SearchList names{{"Telvor ZELK6/ZELK8", 2}};
        EXPECT_EQ(manager.searchMIDIPorts(names, false), c.devices > 0);
        EXPECT_EQ(manager.installRemoteDevice(kZELK_HWRemote_cid), c.devices > 0 ? 0 : 1);
        EXPECT_EQ(h.remoteDevices().size(), static_cast<std::size_t>(c.devices));
    }
}

TEST_F(Detection, InstallsADevicePerMatchingPairAndRemovesThemByName)
{
    addPair(u"Telvor ZELK6/ZELK8 Port2 #2", u"Telvor ZELK6/ZELK8 Port2 #2");
    EXPECT_EQ(detect(), kResultOk);
    ASSERT_EQ(host.remoteDevices().size(), 2u);
    EXPECT_EQ(host.remoteDevices()[1]->inputPort()->name(), u"Telvor ZELK6/ZELK8 Port2 #2");

    DeviceSetupManager manager(host.context());
    EXPECT_TRUE(manager.isRemoteDeviceInstalled("Telvor ZELK6/ZELK8"));
    manager.uninstallRemoteDevices("Telvor ZELK6/ZELK8", true);
    EXPECT_EQ(host.remoteDevices().size(), 1u);
    manager.uninstallRemoteDevices("Telvor ZELK6/ZELK8", false);
    EXPECT_TRUE(host.remoteDevices().empty());
    EXPECT_FALSE(manager.isRemoteDeviceInstalled("Telvor ZELK6/ZELK8"));

    manager.replaceDisplayPortName(u"Telvor ", u"", 1);
    EXPECT_EQ(std::u16string(synth->input(2)->getDisplayName()), u"ZELK6/ZELK8 Port2");
    EXPECT_EQ(std::u16string(synth->input(2)->getName()), u"Telvor ZELK6/ZELK8 Port2");
    manager.replaceDisplayPortName(u"ZELK", u"Z", 0);
    EXPECT_EQ(std::u16string(synth->input(2)->getDisplayName()), u"ZELK6/ZELK8 Port2") << "audio ports only";
}

TEST_F(Detection, DetectsNothingWithoutTheSynthesizerOrWithoutTheServicesHostClasses)
{
    simhost::SimHost bare;
    IPluginFactory* factory = GetPluginFactory();
    bare.attach(factory);
    factory->release();
    DeviceSetupManager withoutPorts(bare.context());
    EXPECT_FALSE(withoutPorts.searchMIDIPorts({{"Telvor ZELK6/ZELK8", 2}}, false));
    EXPECT_EQ(withoutPorts.installRemoteDevice(kZELK_HWRemote_cid), 1);
    EXPECT_EQ(withoutPorts.installRemoteDevice(nullptr), 2);

    // The service let the host's classes go: the detector finds nothing and refuses its set-up.
    takeHostClassesBack();
    EXPECT_EQ(detect(), kResultFalse);
    EXPECT_TRUE(host.remoteDevices().empty());
    EXPECT_FALSE(g_isRemoteInstalled);
    auto* detector = static_cast<IPluginBase*>(host.createInstance(kZELK_Detect_cid, IPluginBase::iid));
    EXPECT_EQ(detector->initialize(host.context()), kResultFalse);
    detector->release();
}

TEST_F(Detection, ClearsTheAudioDriverSetupStateWhileNoDeviceIsInstalled)
{
    host.pool().setInt("TelvorService", "SETUP-USB-NOLP", 1);
    auto* detector = static_cast<IPluginBase*>(host.createInstance(kZELK_Detect_cid, IPluginBase::iid));
    EXPECT_EQ(detector->initialize(host.context()), kResultOk);
    int32 value = -1;
    EXPECT_TRUE(host.pool().getInt("TelvorService", "SETUP-USB-NOLP", &value));
    EXPECT_EQ(value, 0);
    detector->release();
}
