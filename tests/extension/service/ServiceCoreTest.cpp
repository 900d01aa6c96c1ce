// The service following the host's selection against the simulated synthesizer: the template's knobs
// bound to the selected track and its instrument, the names and values the synthesizer shows, knob turns
// reaching host parameters, and the exchange of instrument names when the template does not match.
#include "ServiceHostFixture.h"

#include "ExtensionMessages.h"
#include "ExtensionState.h"
#include "SimChannelStrip.h"

#include <algorithm>

using namespace Quorvane;
using namespace servicetest;
using simhost::SimDevice;
using simhost::SimTrack;
using simhost::SimValue;
using simhost::SimValueSetup;
using simhost::TrackKind;

namespace {

// The Virlux template at the synthesizer (template 0): instrument parameters, track parameters, the first
// and the last quick control, one parameter the instrument lacks (its identifier one a channel EQ's value
// would have), no parameter, and a knob that repeats another's.
const std::initializer_list<const char*> kVirluxTemplate = {
    "edit instrument Virlux",      "edit knob 0 id 000000010",
    "edit knob 1 id 100000401",    "edit knob 2 id 000000011",
    "edit knob 3 id 100001069",    "edit knob 4 id 100000001",
    "edit knob 5 id 00000101F",    "edit knob 6 id 200000000",
    "edit knob 7 id 000000011",    "edit knob 8 id 100000008",
    "edit knob 9 id 200000000",    "edit knob 10 id 200000000",
    "edit knob 11 id 200000000",   "select 3",
    "edit instrument Audio Track", "edit knob 0 id 100000401",
    "edit knob 1 id 200000000",    "select 0",
};

class ServiceCore : public ServiceHostTest
{
protected:
    // An instrument track with the Virlux: a cutoff shown with one decimal and a resonance whose host text
    // is empty; its first quick control targets the cutoff, its last targets nothing and shows no text.
    SimTrack* addVirluxTrack(const std::u16string& name)
    {
        SimTrack* track = project->addTrack(TrackKind::Instrument, name);
        SimDevice* virlux = track->setInstrument(u"Virlux");
        cutoff = virlux->addValue("cutoff", SimValueSetup::continuous(0, 127, 64, SimValueSetup::decimals(1, "")), 0x10,
                                  u"Cutoff");
        resonance = virlux->addValue("reso", SimValueSetup::continuous(0, 100, 25, [](float) { return u""; }), 0x11,
                                     u"Resonance");
        part(track->channel(), "Quick Controls")->value("QDestination1")->hostSetText(u"Cutoff");
        part(track->channel(), "Quick Controls")->value("QuickControl8")->hostSetText(u"");
        return track;
    }
    // The track names and instrument names the device sent the synthesizer since the log was cleared.
    std::vector<std::string> sentTexts(unsigned char address)
    {
        std::vector<std::string> texts;
        for (const auto& m : synth->output(2)->sent())
            if (m.size() > 10 && m[7] == address && m[8] == 0) {
                std::string text(m.begin() + 9, m.end() - 1);
                text.erase(text.find_last_not_of(' ') + 1);
                texts.push_back(text);
            }
        return texts;
    }

    SimValue* cutoff = nullptr;
    SimValue* resonance = nullptr;
};

} // namespace

TEST_F(ServiceCore, AMatchingInstrumentShowsTheTemplatesParameterNamesAndValuesAndItsKnobsDriveThem)
{
    start(kVirluxTemplate);
    SimTrack* pad = addVirluxTrack(u"Pad");
    project->select(pad);
    settle();

    zelksim::RemoteDisplay shown = display();
    EXPECT_EQ(shown.track, "Pad");
    EXPECT_EQ(shown.programChangeMode, 0);
    const std::vector<std::string> names(shown.knobNames.begin(), shown.knobNames.begin() + 12);
    EXPECT_EQ(names,
              (std::vector<std::string>{"Cutoff", "Volume", "Resonance", "Pan Left-Right", "Q1:Cutoff", "*Not Found",
                                        "*No Assign", "Resonance", "Q8:", "*No Assign", "*No Assign", "*No Assign"}));
    EXPECT_EQ(shown.knobNames[12], "EQ 1 Q");
    EXPECT_EQ(shown.knobNames[15], "EQ 4 Q");
    EXPECT_EQ(shown.knobNames[19], "EQ 4 Freq.");
    EXPECT_EQ(shown.knobNames[20], "EQ 1 Gain");
    EXPECT_EQ(shown.knobNames[23], "EQ 4 Gain");
    EXPECT_EQ(shown.knobValues[8], "") << "a quick control without a target shows no value";
    const std::vector<std::string> values(shown.knobValues.begin(), shown.knobValues.begin() + 8);
    EXPECT_EQ(values, (std::vector<std::string>{"64.0", "0.75", "(25.000)", "C", "0", "", "", "(25.000)"}))
        << "a value whose host text is empty shows its float in parentheses";
    EXPECT_EQ(shown.knobValues[12], "1.00");
    EXPECT_EQ(shown.knobValues[16], "100.0 Hz");
    EXPECT_EQ(shown.knobValues[20], "0.0 dB");
    EXPECT_EQ(kdx().knobMapping(7), 2) << "equal records share the earlier knob's controller";

    // Three steps of an assignable knob: 3/1024 of the range, touching the value until 2000 ms after.
    const int32 turnedAt = host.clock().now();
    panel("turn 0 3");
    ASSERT_EQ(cutoff->writes().size(), 1u);
    EXPECT_FLOAT_EQ(cutoff->writes()[0], 64 + 127 * 3.0f / 1024);
    EXPECT_EQ(display().knobValues[0], "64.4");
    EXPECT_TRUE(cutoff->isTouched());
    host.clock().advance(1999);
    host.idle();
    EXPECT_TRUE(cutoff->isTouched());
    host.clock().advance(1);
    host.idle();
    EXPECT_FALSE(cutoff->isTouched());
    ASSERT_EQ(cutoff->touches().size(), 2u);
    EXPECT_EQ(cutoff->touches()[0].time, turnedAt);
    EXPECT_EQ(cutoff->touches()[1].time, turnedAt + 2000);

    // Five steps at once: the faster row, 1/128 of the range per step.
    cutoff->clearWrites();
    panel("turn 0 5");
    ASSERT_EQ(cutoff->writes().size(), 1u);
    EXPECT_FLOAT_EQ(cutoff->writes()[0], 64 + 127 * 3.0f / 1024 + 127 * 5.0f / 128);
    // The largest turn down the synthesizer sends, 63 steps at once.
    panel("turn 0 -63");
    EXPECT_NEAR(cutoff->current(), 64 + 127 * 3.0f / 1024 + 127 * 5.0f / 128 - 127 * 63.0f / 128, 1e-3);

    // The repeated knob turns the earlier knob's parameter; both show the new value.
    panel("turn 7 -1");
    EXPECT_FLOAT_EQ(resonance->current(), 25 - 100.0f / 1024);
    EXPECT_EQ(display().knobValues[2], "(24.902)");
    EXPECT_EQ(display().knobValues[7], "(24.902)");

    // The EQ knobs: gain by 1/480 of its range per slow step, a low frequency by a tenth through its text.
    SimDevice* eq = part(pad->channel(), "EQ");
    panel("turn 20 -2");
    EXPECT_FLOAT_EQ(eq->value("band1:gain")->current(), -0.2f);
    EXPECT_EQ(display().knobValues[20], "-0.2 dB");
    panel("turn 16 1");
    EXPECT_EQ(eq->value("band1:freq")->text(), u"100.1 Hz");
    EXPECT_EQ(display().knobValues[16], "100.1 Hz");
    // The last knob of each group steps as its group: Q by 1/120 of its range, a high frequency by 1 Hz.
    panel("turn 15 1");
    EXPECT_FLOAT_EQ(eq->value("band4:q")->current(), 1 + 11.5f / 120);
    panel("turn 19 1");
    EXPECT_EQ(eq->value("band4:freq")->current(), 8001.0f);

    // A change made in the host reaches the display too; so does a new quick-control target.
    pad->channel()->value("volume")->hostSet(0.5f);
    part(pad->channel(), "Quick Controls")->value("QDestination1")->hostSetText(u"Resonance");
    settle();
    EXPECT_EQ(display().knobValues[1], "0.50");
    EXPECT_EQ(display().knobNames[4], "Q1:Resonance");
    pad->channel()->value("name")->hostSetText(u"Pad 2");
    settle();
    EXPECT_EQ(display().track, "Pad 2");

    // One knob's identifier edited at the synthesizer rebinds the knobs: the edited knob now repeats
    // knob 0, and the knob whose parameter was not found is set to none.
    panel("edit knob 6 id 000000010");
    EXPECT_EQ(kdx().knobMapping(6), 0);
    EXPECT_EQ(display().knobNames[6], "Cutoff");
    EXPECT_EQ(display().knobValues[6], display().knobValues[0]);
    panel("edit knob 5 id 200000000");
    EXPECT_EQ(display().knobNames[5], "*No Assign");

    // A knob that repeated another gets its own parameter back when its identifier changes, here two the
    // instrument lacks; knob 7's turn then reaches nothing.
    panel("edit knob 6 id 000000013");
    EXPECT_EQ(kdx().knobMapping(6), 6) << "knob 6 still repeats knob 0";
    EXPECT_EQ(display().knobNames[6], "*Not Found");
    panel("edit knob 7 id 000000012");
    EXPECT_EQ(kdx().knobMapping(7), 7) << "knob 7 still repeats knob 2";
    EXPECT_EQ(display().knobNames[7], "*Not Found");
    EXPECT_EQ(display().knobValues[7], "");
    const float reso = resonance->current();
    panel("turn 7 3");
    EXPECT_EQ(resonance->current(), reso) << "knob 7 turned the resonance it no longer names";
}

TEST_F(ServiceCore, AnIdleCallAppliesAKnobTurnBeforeHandlingTheMessagesQueuedBehindIt)
{
    start(kVirluxTemplate);
    project->select(addVirluxTrack(u"Pad"));
    settle();

    kdx().storeExtensionMessage(ExtensionMessage::buildKnobTurn(0, 2));
    host.idle();
    EXPECT_TRUE(cutoff->writes().empty()) << "a turn reaches the host value at the next idle call";
    kdx().storeExtensionMessage(ExtensionMessage::buildUserCommand(0));
    host.idle();
    EXPECT_EQ(cutoff->writes().size(), 1u);
    EXPECT_TRUE(host.actions().performed().empty());
    host.idle();
    EXPECT_EQ(host.actions().performed(), std::vector<std::string>{"Zoom/Zoom In"});
}

TEST_F(ServiceCore, AMismatchTellsTheTrackAndInstrumentNamesAndFollowsTheTemplateTheSynthesizerChooses)
{
    start(kVirluxTemplate);
    SimTrack* drums = selectNew(TrackKind::Audio, u"Drums");
    settle();
    // The synthesizer had a template for audio tracks and switched to it.
    EXPECT_EQ(sentTexts(0x60).back(), "Drums");
    EXPECT_EQ(sentTexts(0x50), std::vector<std::string>{"Audio Track"});
    EXPECT_EQ(display().instrument, "Audio Track");
    EXPECT_EQ(kdx().templateName(), "Audio Track");
    EXPECT_EQ(display().knobNames[0], "Volume");
    EXPECT_EQ(display().knobNames[1], "*No Assign");
    EXPECT_EQ(boundValue(0), drums->channel()->value("volume"));

    // A MIDI track without an output: no template for it, so the display is blanked; the EQ knobs stay
    // bound to nothing and quietly empty, and the synthesizer is told to send program changes.
    synth->output(2)->clearSent();
    SimTrack* lead = selectNew(TrackKind::Midi, u"Lead");
    settle();
    EXPECT_EQ(sentTexts(0x60), (std::vector<std::string>{"Lead", ""}));
    EXPECT_EQ(sentTexts(0x50), std::vector<std::string>{"MIDI Track"});
    EXPECT_EQ(display().programChangeMode, 1);
    EXPECT_EQ(display().track, "");
    for (int k = 12; k < 24; ++k)
        EXPECT_EQ(kdx().knobName(k), "") << k;
    EXPECT_EQ(kdx().knobValue(12), nullptr);

    // An instrument track whose instrument has no slot yet leaves the knobs on the previous track.
    selectNew(TrackKind::Instrument, u"Empty");
    settle();
    EXPECT_EQ(kdx().currentTrack(), lead->channel());

    // The MIDI track plays the rack's last instrument: found through its connection, and the synthesizer
    // switches to the Virlux template, whose parameters the rack instrument has.
    project->select(lead);
    host.instruments().addInstrument(u"Other Synth");
    simhost::SimInstrument* rack = host.instruments().addInstrument(u"Virlux");
    SimValue* rackCutoff = rack->addValue(
        "cutoff", SimValueSetup::continuous(0, 1, 0.1f, SimValueSetup::decimals(2, "")), 0x10, u"Cutoff");
    lead->routeTo(rack);
    settle();
    EXPECT_EQ(kdx().instrument(), rack);
    EXPECT_EQ(kdx().templateName(), "Virlux");
    EXPECT_EQ(display().programChangeMode, 0);
    EXPECT_EQ(display().knobNames[0], "Cutoff");
    EXPECT_EQ(boundValue(0), rackCutoff);
    EXPECT_EQ(display().knobNames[1], "Volume") << "a MIDI track's own volume";
    EXPECT_EQ(display().knobNames[5], "*Not Found") << "an instrument's parameter, not the track's missing EQ";

    // Every track without a template is blanked alike, whatever was shown before it: the name sent
    // first goes again when the synthesizer answers with its unfitting template.
    project->select(drums);
    settle();
    for (const std::string name : {"Bass", "Arp"}) {
        synth->output(2)->clearSent();
        selectNew(TrackKind::Midi, simhost::asciiText16(name));
        settle();
        EXPECT_EQ(sentTexts(0x60), (std::vector<std::string>{name, ""}));
        EXPECT_EQ(display().track, "");
        EXPECT_EQ(display().instrument, "MIDI Track");
    }
    // A track the synthesizer's template fits: the instrument it shows is the template's again.
    project->select(drums);
    settle();
    EXPECT_EQ(display().track, "Drums");
    EXPECT_EQ(display().instrument, "Audio Track");

    // A template made at the panel for the blanked track's instrument brings its name and knobs back.
    SimTrack* arp = selectNew(TrackKind::Midi, u"Arp 2");
    settle();
    ASSERT_EQ(display().track, "");
    panel("edit instrument MIDI Track");
    EXPECT_EQ(kdx().templateName(), "MIDI Track");
    EXPECT_EQ(display().track, "Arp 2");
    EXPECT_EQ(display().instrument, "MIDI Track");
    EXPECT_EQ(display().programChangeMode, 1);
    EXPECT_EQ(display().knobNames[0], "Volume");
    EXPECT_EQ(boundValue(0), arp->channel()->value("volume"));
    EXPECT_EQ(display().knobValues[0], "0.75");
}

TEST_F(ServiceCore, ATrackNoTemplateFitsShowsItsInstrumentAndTheEQKnobsAndKeepsThePageAndButtons)
{
    // Only the Virlux has a template: nothing the synthesizer holds fits an audio track.
    start({kVirluxInstrument, "edit knob 0 id 000000010"});
    SimTrack* pad = addVirluxTrack(u"Pad");
    project->select(pad);
    settle();
    ASSERT_EQ(display().knobNames[0], "Cutoff");
    const zelksim::RemoteDisplay before = display();
    ASSERT_EQ(before.buttons[0], "HZoom+");

    SimTrack* drums = selectNew(TrackKind::Audio, u"Drums");
    settle();
    const zelksim::RemoteDisplay shown = display();
    EXPECT_EQ(kdx().templateName(), "Virlux");
    EXPECT_EQ(shown.instrument, "Audio Track");
    EXPECT_EQ(shown.track, "");
    for (int k = 0; k < 12; ++k) {
        EXPECT_EQ(shown.knobNames[k], "") << k;
        EXPECT_EQ(shown.knobValues[k], "") << k;
    }
    // The channel EQ of the track stays on knobs 12 to 23, with its values, and turns the track's EQ.
    EXPECT_EQ(shown.knobNames[12], "EQ 1 Q");
    EXPECT_EQ(shown.knobNames[19], "EQ 4 Freq.");
    EXPECT_EQ(shown.knobNames[23], "EQ 4 Gain");
    EXPECT_EQ(shown.knobValues[12], "1.00");
    EXPECT_EQ(shown.knobValues[16], "100.0 Hz");
    EXPECT_EQ(shown.knobValues[23], "0.0 dB");
    panel("turn 20 -2");
    EXPECT_FLOAT_EQ(part(drums->channel(), "EQ")->value("band1:gain")->current(), -0.2f);
    EXPECT_EQ(display().knobValues[20], "-0.2 dB");
    // The page and the user-command buttons are the device's, not the template's: they stay.
    EXPECT_EQ(shown.page, before.page);
    EXPECT_EQ(shown.buttons, before.buttons);
}

TEST_F(ServiceCore, ALostTemplateAnswerHoldsTrackFollowingOnlyUntilItsTimeOut)
{
    start(kVirluxTemplate);
    SimTrack* pad = addVirluxTrack(u"Pad");
    synth->command("fault silent on");
    synth->output(2)->clearSent();
    selectNew(TrackKind::Audio, u"Drums");
    settle();
    const int32 askedAt = host.clock().now();
    EXPECT_EQ(sentTexts(0x50), std::vector<std::string>{"Audio Track"});
    EXPECT_FALSE(kdx().isTemplateNameCurrent());

    // The answer never comes: the next selection waits for it, but not for ever.
    project->select(pad);
    settle();
    EXPECT_EQ(sentTexts(0x60), std::vector<std::string>{"Drums"});
    host.clock().set(askedAt + 1999);
    settle();
    EXPECT_EQ(sentTexts(0x60), std::vector<std::string>{"Drums"});
    host.clock().set(askedAt + 2000);
    synth->command("fault silent off");
    settle();
    EXPECT_EQ(sentTexts(0x60).back(), "Pad");
    EXPECT_TRUE(kdx().isTemplateNameCurrent());
    EXPECT_EQ(display().knobNames[0], "Cutoff");
}

TEST_F(ServiceCore, RemoteModeRefreshesTheNamesAndANonMatchingTemplateThenAsksForTheInstrumentsOwn)
{
    start(kVirluxTemplate);
    SimTrack* pad = addVirluxTrack(u"Pad");
    project->select(pad);
    settle();

    // The panel selects the audio template: the display blanks. Remote mode on then refreshes the track
    // name and command names and, as the template still does not match, asks for the Virlux template.
    panel("select 3");
    EXPECT_EQ(display().knobNames[0], "");
    // Remote mode off at the panel changes nothing the extension sends.
    synth->output(2)->clearSent();
    panel("remote off");
    EXPECT_TRUE(synth->output(2)->sent().empty());
    panel("remote on");
    EXPECT_EQ(sentTexts(0x60).front(), "Pad");
    EXPECT_EQ(display().buttons[0], "HZoom+");
    EXPECT_EQ(sentTexts(0x50), std::vector<std::string>{"Virlux"});
    EXPECT_EQ(kdx().templateName(), "Virlux");
    settle(50);
    EXPECT_EQ(display().knobNames[0], "Cutoff");
    EXPECT_EQ(display().knobValues[0], "64.0");
}

TEST_F(ServiceCore, ASynthesizerSwitchedOffAndOnIsBroughtBackToItsPageTemplateNamesAndValuesWithoutTheUser)
{
    start(kVirluxTemplate);
    SimTrack* pad = addVirluxTrack(u"Pad");
    project->select(pad);
    settle();
    panel("press sfbank3");
    const zelksim::RemoteDisplay before = display();
    ASSERT_EQ(before.page, "MIDI");
    ASSERT_EQ(before.knobNames[0], "Cutoff");
    ASSERT_EQ(before.knobNames[23], "EQ 4 Gain");

    // Switched off and on again with its memory: the host closes the device while the ports are gone and
    // opens it when they are back, and the synthesizer shows what it showed.
    const auto switchOff = [&] {
        synth.reset();
        settle();
        ASSERT_TRUE(device()->IsClosed());
    };
    const auto switchOn = [&](const char* panelLine) {
        synth = std::make_unique<simhost::SimSynthPorts>(host.ports(), kRemoteDeviceName);
        ASSERT_TRUE(synth->command("fill 1").ok);
        for (const char* line : kVirluxTemplate)
            ASSERT_TRUE(synth->command(line).ok) << line;
        ASSERT_TRUE(synth->command(panelLine).ok);
        settle(50);
    };
    switchOff();
    switchOn("select 0");
    zelksim::RemoteDisplay after = display();
    EXPECT_TRUE(after.extensionRunning);
    EXPECT_TRUE(after.remoteMode);
    EXPECT_EQ(after.track, "Pad");
    EXPECT_EQ(after.page, "MIDI");
    EXPECT_EQ(after.buttons, before.buttons);
    EXPECT_EQ(after.knobNames, before.knobNames);
    EXPECT_EQ(after.knobValues, before.knobValues);
    EXPECT_EQ(remote->standard().led(51), 127) << "SFBank3";
    EXPECT_TRUE(sentTexts(0x50).empty()) << "its template fits";

    // It comes back on the audio template: it is asked for the Virlux's and shows its parameters again.
    switchOff();
    switchOn("select 3");
    EXPECT_EQ(sentTexts(0x50), std::vector<std::string>{"Virlux"});
    EXPECT_EQ(synth->command("status").text.rfind("template 0,", 0), 0u);
    after = display();
    EXPECT_TRUE(after.remoteMode);
    EXPECT_EQ(after.page, "MIDI");
    EXPECT_EQ(after.knobNames, before.knobNames);
    EXPECT_EQ(after.knobValues, before.knobValues);
}

TEST_F(ServiceCore, TheHostVersionChoosesHowAMIDITracksInstrumentIsFound)
{
    host.application().set(u"Sonvik", u"Version 7.0.2", u"Build 3");
    start(kVirluxTemplate);
    EXPECT_FALSE(kdx().isNewerHost());
    host.instruments().addInstrument(u"Other Synth");
    simhost::SimInstrument* virlux = host.instruments().addInstrument(u"Virlux");
    SimTrack* lead = selectNew(TrackKind::Midi, u"Lead");
    // An older host names the output "<rack number> - <name>" and lists no slot for a MIDI track.
    lead->routeTo(virlux);
    settle();
    EXPECT_EQ(kdx().instrument(), virlux);
    EXPECT_EQ(display().programChangeMode, 0);
    lead->channel()->value("output")->hostSetText(u"  2 - Virlux");
    settle();
    EXPECT_EQ(kdx().instrument(), virlux) << "the dash as late as its fifth character";
    lead->channel()->value("output")->hostSetText(u"2 - virlux");
    settle();
    EXPECT_EQ(kdx().instrument(), nullptr) << "the instrument's name compares with case";
    lead->channel()->value("output")->hostSetText(u"1 - Virlux");
    settle();
    EXPECT_EQ(kdx().instrument(), nullptr) << "rack instrument 1 is another one";

    // An instrument track: its slot's name, as with a newer host.
    SimTrack* pad = addVirluxTrack(u"Pad");
    project->select(pad);
    settle();
    EXPECT_EQ(display().knobNames[0], "Cutoff");

    // The program-switching sampler renames its parameters with each program; an older host tells only
    // of the program change, after which the names are read anew.
    SimTrack* sampler = project->addTrack(TrackKind::Instrument, u"Keys");
    SimDevice* virluxOne = sampler->setInstrument(u"VirluxOne");
    SimDevice* program = virluxOne->makeSubDevice("Program", "0");
    program->addValue("p1", SimValueSetup::continuous(0, 127, 0), 0x10, u"Pitch");
    SimValue* bayProg = virluxOne->addValue("bayProg", SimValueSetup::stepped(0, 127, 0));
    panel("edit instrument VirluxOne");
    project->select(sampler);
    settle();
    ASSERT_EQ(kdx().templateName(), "VirluxOne");
    EXPECT_EQ(display().knobNames[0], "Pitch");
    program->renameParameter(0x10, u"Filter Env");
    bayProg->hostSet(5);
    settle();
    EXPECT_EQ(display().knobNames[0], "Filter Env");
}

TEST_F(ServiceCore, InstrumentNamesMatchWithoutTheirSpacesAndTheGenericTemplateFitsOnlyOtherTracks)
{
    start({"edit instrument BassPad", "edit knob 0 id 000000010", "select 5", "edit instrument Generic",
           "edit knob 0 id 100000401", "select 6", "edit instrument BassPadDelux", "edit knob 0 id 000000010",
           "select 7", "edit instrument BassPadDeluY", "edit knob 0 id 000000010", "select 0"});
    SimTrack* bass = project->addTrack(TrackKind::Instrument, u"Bass");
    bass->setInstrument(u"Bass Pad")->addValue("cutoff", SimValueSetup::continuous(0, 127, 64), 0x10, u"Cutoff");
    project->select(bass);
    settle();
    EXPECT_EQ(display().knobNames[0], "Cutoff");
    EXPECT_TRUE(sentTexts(0x50).empty()) << "the instrument matched the template without asking for another";

    // The generic template, chosen at the panel, binds whatever the track has and blanks nothing.
    panel("select 5");
    EXPECT_EQ(kdx().templateName(), "Generic");
    EXPECT_EQ(display().knobNames[0], "Volume");
    EXPECT_EQ(boundValue(0), bass->channel()->value("volume"));

    // An audio track is no "Other Track": the synthesizer is asked for an audio template first.
    synth->output(2)->clearSent();
    selectNew(TrackKind::Audio, u"Drums");
    settle();
    EXPECT_EQ(sentTexts(0x50), std::vector<std::string>{"Audio Track"});
    EXPECT_EQ(kdx().templateName(), "Generic");

    // A folder track is one, and the generic template fits it at once.
    synth->output(2)->clearSent();
    selectNew(TrackKind::Folder, u"Group");
    settle();
    EXPECT_TRUE(sentTexts(0x50).empty());
    EXPECT_TRUE(kdx().isTemplateNameCurrent());

    // Twelve characters of a name count: Bass Pad Deluxe fits the template made for its first twelve at
    // once, and not one whose twelfth character differs.
    SimTrack* deluxe = project->addTrack(TrackKind::Instrument, u"Deluxe");
    deluxe->setInstrument(u"Bass Pad Deluxe")
        ->addValue("cutoff", SimValueSetup::continuous(0, 127, 64), 0x10, u"Cutoff");
    panel("select 6");
    synth->output(2)->clearSent();
    project->select(deluxe);
    settle();
    EXPECT_TRUE(sentTexts(0x50).empty());
    EXPECT_EQ(display().knobNames[0], "Cutoff");
    panel("select 7");
    EXPECT_EQ(display().knobNames[0], "");
}
