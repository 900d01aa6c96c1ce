#include "ServiceHostFixture.h"

#include "CNfunction.h"
#include "ExtensionClasses.h"
#include "ExtensionState.h"
#include "SimHostTestSupport.h"
#include "ZELK_Detect.h"

#include <cstdio>
#include <functional>
#include <thread>

using namespace Quorvane;

namespace servicetest {

using simtest::waitUntil;

namespace {

// Every channel worker has handed on what it held (a worker keeps its channel's lock while it delivers).
bool channelsDrained()
{
    if (gSysExReceiving.pendingCount() > 0)
        return false;
    for (unsigned index : SendingChannels::openIndices())
        if (CNfunction* channel = SendingChannels::at(static_cast<int>(index)); channel && channel->pendingCount() > 0)
            return false;
    return true;
}

} // namespace

std::string identifier(int kind, unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%X%08X", static_cast<unsigned>(kind), value);
    return text;
}

void ServiceHostTest::SetUp()
{
    // The process-wide state of the extension starts afresh, as in a host that just loaded it.
    g_isRemoteInstalled = false;
    gbRemoteDeviceAdded = false;
    IPluginFactory* factory = GetPluginFactory();
    ASSERT_TRUE(host.attach(factory));
    factory->release();
    service = static_cast<IPluginBase*>(host.createInstance(kZELK_KDX_cid, IPluginBase::iid));
    ASSERT_NE(service, nullptr);
}

void ServiceHostTest::TearDown()
{
    if (service) {
        service->terminate();
        service->release();
    }
    host.unload();
    EXPECT_TRUE(host.thread().violations().empty());
}

void ServiceHostTest::initialize()
{
    ASSERT_EQ(service->initialize(host.context()), kResultOk);
    initialized = true;
}

void ServiceHostTest::start(std::initializer_list<const char*> synthCommands)
{
    if (!initialized)
        initialize();
    synth = std::make_unique<simhost::SimSynthPorts>(host.ports(), kRemoteDeviceName);
    ASSERT_TRUE(synth->command("fill 1").ok);
    for (const char* line : synthCommands)
        ASSERT_TRUE(synth->command(line).ok) << line;
    auto* detector = static_cast<IPluginBase*>(host.createInstance(kZELK_Detect_cid, IPluginBase::iid));
    ASSERT_NE(detector, nullptr);
    detector->initialize(host.context());
    FRef<IDetector> detection = queryRef<IDetector>(detector);
    ASSERT_TRUE(detection && detection->detect() == kResultOk);
    detection.reset();
    detector->terminate();
    detector->release();
    ASSERT_FALSE(host.remoteDevices().empty());
    remote = host.remoteDevices().back();
    ASSERT_TRUE(remote->open());
    if (!project)
        project = host.projects().openProject(u"Song");
    settle();
}

void ServiceHostTest::settle(int step)
{
    int quiet = 0;
    for (int round = 0; round < 400 && quiet < 6; ++round) {
        const int taken = synth ? synth->display().messagesTaken : 0;
        host.clock().advance(step);
        host.idle();
        if (synth)
            synth->pump();
        ASSERT_TRUE(host.waitForMidiInput(10s)) << "the host's MIDI threads did not finish";
        ASSERT_TRUE(waitUntil(channelsDrained)) << "a channel worker did not hand its messages on";
        const bool busy = (device() && device()->QueuedMessageCount() > 0) || kdx().hasPendingMessages() ||
                          (synth && synth->display().messagesTaken != taken);
        quiet = busy ? 0 : quiet + 1;
    }
    ASSERT_GE(quiet, 6) << "the extension and the synthesizer did not come to rest";
}

void ServiceHostTest::panel(const std::string& line)
{
    ASSERT_TRUE(synth->command(line).ok) << line;
    settle();
}

ZELK_HWRemote* ServiceHostTest::device() const
{
    return remote ? static_cast<ZELK_HWRemote*>(remote->remote()) : nullptr;
}

simhost::SimTrack* ServiceHostTest::selectNew(simhost::TrackKind kind, const std::u16string& name)
{
    simhost::SimTrack* track = project->addTrack(kind, name);
    project->select(track);
    return track;
}

simhost::SimValue* ServiceHostTest::boundValue(int knob) const
{
    return dynamic_cast<simhost::SimValue*>(static_cast<IValue*>(kdx().knobValue(knob)));
}

simhost::SimDevice* part(simhost::SimDevice* device, const std::string& name)
{
    for (simhost::SimDevice* sub : device->subDevices())
        if (sub->name() == name)
            return sub;
    return nullptr;
}

} // namespace servicetest
