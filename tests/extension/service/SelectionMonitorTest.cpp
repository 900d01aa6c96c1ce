#include "FakeHostObjects.h"
#include "HostFixture.h"
#include "MixerMonitor.h"
#include "SimChannelStrip.h"
#include "ZSelectedNotification.h"

#include <string>
#include <vector>

using namespace Quorvane;
using simhost::SimTrack;
using simhost::TrackKind;

namespace {

std::string deviceName(IDevice* device)
{
    return device ? device->getName() : "(none)";
}

// Plays the service: hears the host's reports as a dependent and records the four notifications,
// reading from each object it is given so that a freed one shows up under AddressSanitizer.
class SelectionRecorder : public ZSelectedNotification, public fakehost::Uncounted<IDependent>
{
public:
    void update(FUnknown* changed, int32 message) override { ZSelectedNotification::update(changed, message); }

    void notifySelectedDeviceDeactivated(IDevice* device) override
    {
        events.push_back("device off " + deviceName(device));
    }
    void notifySelectedTrackDeactivated(ITrack* track) override
    {
        events.push_back("track off " + deviceName(track->getDevice()));
    }
    void notifySelectedTrackActivated(ITrack* track) override
    {
        events.push_back("track on " + deviceName(track->getDevice()));
    }
    void notifySelectedDeviceActivated(IDevice* device) override
    {
        events.push_back("device on " + deviceName(device));
    }

    std::vector<std::string> take() { return std::exchange(events, {}); }

    std::vector<std::string> events;
};

using Events = std::vector<std::string>;

class SelectionMonitor : public HostFixture
{
protected:
    SelectionMonitor()
    {
        // Song: Drums, [Outer: [Inner: Pad, Bass]], Lead (MIDI, with a volume lane)
        drums = project->addTrack(TrackKind::Audio, u"Drums");
        outer = project->addTrack(TrackKind::Folder, u"Outer");
        inner = project->addTrack(TrackKind::Folder, u"Inner", outer);
        pad = project->addTrack(TrackKind::Instrument, u"Pad", inner);
        bass = project->addTrack(TrackKind::Instrument, u"Bass", inner);
        lead = project->addTrack(TrackKind::Midi, u"Lead");
        lane = lead->automation()->addLane("Volume");

        recorder.setHostClasses(hostClasses());
        EXPECT_TRUE(monitor.setData(&recorder, hostClasses()));
        EXPECT_TRUE(monitor.addDependencyToMixer());
        EXPECT_TRUE(monitor.addDependencyToTrackSelection());
    }

    SelectionRecorder recorder;
    MixerMonitor monitor;
    SimTrack* drums;
    SimTrack* outer;
    SimTrack* inner;
    SimTrack* pad;
    SimTrack* bass;
    SimTrack* lead;
    simhost::SimAutomationLane* lane;
};

} // namespace

TEST_F(SelectionMonitor, FollowsTheSelectionThroughFoldersLanesAndTheMixerInNotificationOrder)
{
    // The mixer's report of the new selection starts a search: found two folders down.
    project->select(bass);
    EXPECT_EQ(recorder.take(), (Events{"track on Bass", "device on Bass"}));
    EXPECT_EQ(recorder.getTrackPath(), (TrackPath{1, 0, 1}));
    EXPECT_EQ(monitor.getCurrentSelectedTrack(), bass->getDevice());

    // An unchanged selection costs a walk down the path: the tracks before it are not asked again.
    const int drumsAsked = drums->selectionQueries();
    const int padAsked = pad->selectionQueries();
    for (int i = 0; i < 3; ++i)
        recorder.checkSelectChangeOnIdle();
    EXPECT_TRUE(recorder.take().empty());
    EXPECT_EQ(drums->selectionQueries(), drumsAsked);
    EXPECT_EQ(pad->selectionQueries(), padAsked);

    // A selected, active lane makes its track the selected one.
    project->selectLane(lead, lane);
    EXPECT_EQ(recorder.take(), (Events{"device off Bass", "track off Bass", "track on Lead", "device on Lead"}));
    EXPECT_EQ(recorder.getTrackPath(), (TrackPath{2}));
    recorder.checkSelectChangeOnIdle();
    EXPECT_TRUE(recorder.take().empty());

    // An inactive lane does not count: no track is selected, and the mixer's channel (still Lead's)
    // becomes the device on its own.
    lane->setActive(false);
    recorder.checkSelectChangeOnIdle();
    EXPECT_EQ(recorder.take(), (Events{"track off Lead"}));
    EXPECT_EQ(deviceName(recorder.getSelectedDevice()), "Lead");
    EXPECT_TRUE(recorder.getTrackPath().empty());

    // A channel of the mixer alone.
    auto* input = simhost::makeChannelStrip(host.registry(), simhost::ChannelType::kInput, u"Input 1");
    host.mixer().addChannel(input);
    project->select(nullptr);
    host.mixer().selectChannel(input);
    EXPECT_EQ(recorder.take(), (Events{"device off Lead", "device on Input 1"}));
    EXPECT_EQ(recorder.getSelectedTrack(), nullptr);
    // Without a remembered track each idle searches, and finds the same.
    recorder.checkSelectChangeOnIdle();
    EXPECT_TRUE(recorder.take().empty());

    // Only the host's "changed" message of the mixer or its selection counts.
    project->select(drums); // reported through the mixer
    recorder.take();
    pad->setSelected(true);
    drums->setSelected(false);
    recorder.update(host.mixer().selection()->unknown(), IDependent::kDestroyed);
    recorder.update(drums->getDevice(), IDependent::kChanged);
    EXPECT_TRUE(recorder.take().empty());
    recorder.update(host.mixer().unknown(), IDependent::kChanged);
    EXPECT_EQ(recorder.take(), (Events{"device off Drums", "track off Drums", "track on Pad", "device on Pad"}));

    // A project that sends the search to the mixer.
    project->setUsesMixerSelection(true);
    host.mixer().selectChannel(bass->channel());
    EXPECT_EQ(recorder.take(), (Events{"device off Pad", "track off Pad", "device on Bass"}));

    EXPECT_TRUE(recorder.deactivateSelectedObjects());
    EXPECT_EQ(recorder.take(), (Events{"device off Bass"}));
    EXPECT_FALSE(recorder.deactivateSelectedObjects());
    input->release();
}

TEST_F(SelectionMonitor, ADeletedSelectedTrackIsReportedOffAndThenFreed)
{
    const int tracksBefore = host.registry().liveCount("Track");

    // Deleted with a report from the mixer, whose selected channel goes with it.
    project->select(pad);
    recorder.take();
    project->removeTrack(pad);
    EXPECT_EQ(recorder.take(), (Events{"device off Pad", "track off Pad"}));
    EXPECT_EQ(host.registry().liveCount("Track"), tracksBefore - 1) << "the track lives on after it was reported";

    // Deleted between two idles without any report: a folder holds no channel, so the mixer's
    // selection does not change. The remembered folder is still valid when it is reported off.
    project->select(outer);
    EXPECT_TRUE(recorder.take().empty()) << "the mixer's selection stayed as it was";
    recorder.checkSelectChangeOnIdle();
    EXPECT_EQ(recorder.take(), (Events{"track on (none)"}));
    project->removeTrack(outer);
    EXPECT_TRUE(recorder.take().empty());
    EXPECT_EQ(host.registry().liveCount("Track"), tracksBefore - 3) << "the extension still holds the folder";
    recorder.checkSelectChangeOnIdle();
    EXPECT_EQ(recorder.take(), (Events{"track off (none)"}));
    EXPECT_EQ(host.registry().liveCount("Track"), tracksBefore - 4);

    // A track moving up a place is found again at its new path.
    project->select(lead);
    recorder.take();
    EXPECT_EQ(recorder.getTrackPath(), (TrackPath{1}));
    project->removeTrack(drums);
    recorder.checkSelectChangeOnIdle();
    EXPECT_TRUE(recorder.take().empty());
    EXPECT_EQ(recorder.getTrackPath(), (TrackPath{0}));
    const TrackPath beyond{5};
    EXPECT_EQ(traceSubProjectObject(static_cast<IProject*>(project), &beyond), nullptr);
}

TEST_F(SelectionMonitor, MixerMonitorFollowsTheSelectedChannelAndLetsItsObjectsGo)
{
    project->select(bass);
    ASSERT_TRUE(monitor.update());
    EXPECT_EQ(monitor.getSelectedTrack(), bass->getDevice());
    EXPECT_TRUE(monitor.addDependencyToTrackSelectionOfSelectedTrack());
    EXPECT_EQ(host.updateHandler().dependentCount(bass->channel()->value("selected")->unknown()), 1);
    EXPECT_TRUE(monitor.doesTrackExist(bass->getDevice()));

    // Following the selection to another channel and back drops the dependency on the channel left.
    const auto dependents = [&](SimTrack* track) {
        return host.updateHandler().dependentCount(track->channel()->value("selected")->unknown());
    };
    for (SimTrack* next : {pad, bass}) {
        SimTrack* left = next == pad ? bass : pad;
        project->select(next);
        ASSERT_TRUE(monitor.update());
        EXPECT_EQ(dependents(left), 0) << "still a dependent of the channel left";
        EXPECT_TRUE(monitor.addDependencyToTrackSelectionOfSelectedTrack());
        EXPECT_EQ(dependents(next), 1);
    }

    // The channel is deleted while the monitor holds it: still valid, no longer in the mixer.
    IDevice* channel = monitor.getSelectedTrack();
    project->removeTrack(bass);
    EXPECT_STREQ(channel->getName(), "Bass");
    EXPECT_FALSE(monitor.doesTrackExist(channel));
    EXPECT_FALSE(monitor.update()) << "nothing is selected any more";
    EXPECT_EQ(monitor.getSelectedTrack(), nullptr);

    const int before = host.updateHandler().totalDependents();
    monitor.initializeAll();
    EXPECT_EQ(host.updateHandler().totalDependents(), before - 2);
    EXPECT_FALSE(monitor.isMixerValid());
    EXPECT_FALSE(monitor.addDependencyToMixer());

    // A host without a mixer.
    host.devices().removeDevice(&host.mixer());
    EXPECT_FALSE(monitor.setData(&recorder, hostClasses()));
    EXPECT_FALSE(monitor.setData(nullptr, hostClasses()));
}
