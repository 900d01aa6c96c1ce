// The simulated host's project model itself: what the extension's tests rely on.
#include "FakeHostObjects.h"
#include "HostFixture.h"

#include <gtest/gtest-spi.h>

#include <thread>

using namespace Quorvane;
using simhost::SimValue;
using simhost::SimValueSetup;
using simhost::TrackKind;

using Recorder = fakehost::RecordingDependent;

TEST_F(HostFixture, ValuesReportChangesAsToldAndOutliveTheirDeviceWithoutItsName)
{
    simhost::SimTrack* track = project->addTrack(TrackKind::Audio, u"Drums");
    SimValue* volume = track->channel()->value("volume");
    Recorder recorder;
    ASSERT_EQ(host.updateHandler().addDependent(volume->unknown(), &recorder), kResultOk);

    EXPECT_EQ(volume->setFloat(0.5f), kResultOk);
    EXPECT_EQ(recorder.messages.size(), 1u) << "reported at once";
    volume->setFloat(0.5f);
    EXPECT_EQ(recorder.messages.size(), 1u) << "no change, no report";
    volume->setReport(SimValue::Report::NextIdle);
    volume->setFloat(0.25f);
    EXPECT_EQ(recorder.messages.size(), 1u);
    host.idle();
    EXPECT_EQ(recorder.messages.size(), 2u);
    volume->setReport(SimValue::Report::Late, 300);
    volume->setFloat(0.75f);
    host.clock().advance(299);
    host.idle();
    EXPECT_EQ(recorder.messages.size(), 2u);
    host.clock().advance(1);
    host.idle();
    EXPECT_EQ(recorder.messages.size(), 3u);
    volume->setRefusing(true);
    EXPECT_EQ(volume->setFloat(0.1f), kResultFalse);
    EXPECT_EQ(volume->current(), 0.75f);
    volume->setRefusing(false);
    volume->setFloat(7);
    EXPECT_EQ(volume->current(), 1.0f) << "clamped to the range";

    // The extension holds the value; the host deletes the track: the value is told, lives on, and no
    // longer names the freed device as its owner.
    FRef<IValue2> held = queryRef<IValue2>(volume->unknown());
    EXPECT_EQ(held->getOwner(), static_cast<FUnknown*>(track->getDevice()));
    project->removeTrack(track);
    ASSERT_EQ(recorder.messages.size(), 4u);
    EXPECT_EQ(recorder.messages.back().second, IDependent::kDestroyed);
    EXPECT_EQ(host.registry().liveCount("Track"), 0);
    EXPECT_EQ(held->getOwner(), nullptr);
    EXPECT_EQ(host.updateHandler().dependentCount(held.get()), 0) << "the host forgot its dependents";
    const int liveValues = host.registry().liveCount("Value");
    held.reset();
    EXPECT_EQ(host.registry().liveCount("Value"), liveValues - 1);

    // A value's operations are the host thread's.
    SimValue* pan = project->addTrack(TrackKind::Midi, u"Lead")->channel()->value("pan");
    EXPECT_NONFATAL_FAILURE_ON_ALL_THREADS(std::thread([pan] { pan->getFloat(); }).join(),
                                           "IValue::getFloat was called on a thread other than the host's own");
}

TEST_F(HostFixture, ProjectsAreToldToTheirNotificationsAndClosingFreesTheirTracks)
{
    class Notes : public fakehost::Uncounted<IProjectNotification>
    {
    public:
        void projectAdded(IProject*) override { log += "added "; }
        void projectRemoved(IProject*) override { log += "removed "; }
        void projectActivated(IProject*) override { log += "activated "; }
        void projectDeactivated(IProject*) override { log += "deactivated "; }
        tresult canProjectClose(IProject*) override { return canClose ? kResultOk : kResultFalse; }
        std::string log;
        bool canClose = true;
    } notes;
    FRef<IProjectInformation> projects = createRef<IProjectInformation>(hostClasses());
    ASSERT_TRUE(projects);
    EXPECT_EQ(projects->getActiveProject(), static_cast<IProject*>(project));
    EXPECT_EQ(projects->addProjectNotification(&notes), kResultOk);
    EXPECT_EQ(projects->addProjectNotification(&notes), kResultFalse);
    project->addTrack(TrackKind::Instrument, u"Pad")
        ->setInstrument(u"Virlux")
        ->addValue("cutoff", SimValueSetup::continuous(0, 1, 0));

    simhost::SimProject* second = host.projects().openProject(u"Other");
    host.projects().activate(second);
    EXPECT_EQ(notes.log, "added deactivated activated ");
    notes.log.clear();
    notes.canClose = false;
    EXPECT_FALSE(host.projects().closeProject(project));
    notes.canClose = true;
    EXPECT_TRUE(host.projects().closeProject(project));
    EXPECT_EQ(notes.log, "removed ");
    EXPECT_EQ(host.registry().liveCount("Track"), 0);
    EXPECT_EQ(host.registry().liveCount("Project"), 1);
    EXPECT_TRUE(host.projects().closeProject(second));
    EXPECT_EQ(projects->getActiveProject(), nullptr);
    EXPECT_EQ(projects->removeProjectNotification(&notes), kResultOk);

    // The mixer is the host's own device: unloading an extension leaves it in the device list.
    host.unload();
    EXPECT_EQ(host.devices().findDevice("Mixer"), static_cast<IDevice*>(&host.mixer()));
}
