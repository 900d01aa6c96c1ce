// The simulator's panel language, as zelk-sim reads it from its standard input.
#include "SimSynthCommands.h"

#include <gtest/gtest.h>

using namespace zelksim;

namespace {

SynthCore quietSynth()
{
    SynthOptions options;
    options.senseInterval = 0;
    return SynthCore(options);
}

} // namespace

TEST(SimCommands, DrivesPanelEditsSelectionAndStore)
{
    SynthCore synth = quietSynth();
    const std::string blank = runCommand(synth, "memory", 0).text;
    EXPECT_EQ(blank.rfind("memory stored ", 0), 0u) << blank;
    EXPECT_TRUE(runCommand(synth, "select 12", 0).ok);
    EXPECT_EQ(synth.currentTemplate(), 12);
    EXPECT_TRUE(runCommand(synth, "edit name  My Lead\r\n", 0).ok);
    EXPECT_EQ(synth.editTemplate(12).text(fields::templateName()), "My Lead") << "inner blanks stay";
    EXPECT_TRUE(runCommand(synth, "edit instrument Strings", 0).ok);
    EXPECT_TRUE(runCommand(synth, "edit type 1", 0).ok);
    EXPECT_TRUE(runCommand(synth, "edit knob 11 name Filter Env", 0).ok);
    EXPECT_TRUE(runCommand(synth, "edit knob 3 id 300000abc", 0).ok);
    EXPECT_TRUE(runCommand(synth, "edit knob 3 cc 74", 0).ok);
    EXPECT_TRUE(runCommand(synth, "edit knob 3 format 1", 0).ok);
    const TemplateImage& t = synth.editTemplate(12);
    EXPECT_EQ(t.text(fields::instrumentName()), "Strings");
    EXPECT_EQ(t.number(fields::controlType()), 1);
    EXPECT_EQ(t.text(fields::knobDisplayName(11)), "Filter Env");
    EXPECT_EQ(t.text(fields::knobRemoteNumber(3)), "300000abc");
    EXPECT_EQ(t.number(fields::knobControlNumber(3)), 74);
    EXPECT_EQ(t.number(fields::knobDisplayFormat(3)), 1);
    EXPECT_EQ(runCommand(synth, "show 12", 0).text, "template 12: name \"My Lead\" instrument \"Strings\" type 1");
    EXPECT_EQ(runCommand(synth, "show 12 3", 0).text, "template 12 knob 3: name \"\" id \"300000abc\" cc 74 format 1");
    EXPECT_EQ(runCommand(synth, "show 12 11", 0).text,
              "template 12 knob 11: name \"Filter Env\" id \"204143dff\" cc 0 format 0");
    EXPECT_EQ(runCommand(synth, "show 49 0", 0).text, "template 49 knob 0: name \"\" id \"204143dff\" cc 0 format 0");
    // The select, each edit's value, and once the bank edit flag.
    EXPECT_EQ(synth.poll(0).size(), 1u + 13 + 1 + 12 + 1 + 15 + 1 + 1 + 1);
    // The digest changes with one byte of one knob of the edit buffer, and comes back with it.
    const std::string edited = runCommand(synth, "memory", 0).text;
    EXPECT_NE(edited, blank);
    EXPECT_TRUE(runCommand(synth, "edit knob 3 cc 75", 0).ok);
    EXPECT_NE(runCommand(synth, "memory", 0).text, edited);
    EXPECT_TRUE(runCommand(synth, "edit knob 3 cc 74", 0).ok);
    EXPECT_EQ(runCommand(synth, "memory", 0).text, edited);
    synth.poll(0);
    EXPECT_TRUE(runCommand(synth, "store", 0).ok);
    EXPECT_EQ(synth.storedTemplate(12), t);
    EXPECT_NE(runCommand(synth, "status", 0).text.find("template 12"), std::string::npos);
}

TEST(SimCommands, SetsFaultsAndSensing)
{
    SynthCore synth = quietSynth();
    EXPECT_TRUE(runCommand(synth, "fault missing-block 1 3", 0).ok);
    synth.receive(5, buildBulkRequest(0, kAreaStored, 0), 0);
    EXPECT_EQ(synth.poll(0).size(), static_cast<std::size_t>(kDumpMessageCount - 1));
    EXPECT_TRUE(runCommand(synth, "fault drop-footer", 0).ok);
    synth.receive(5, buildBulkRequest(0, kAreaStored, 0), 0);
    EXPECT_EQ(synth.poll(0).size(), static_cast<std::size_t>(kDumpMessageCount - 1));
    EXPECT_TRUE(runCommand(synth, "fault drop-answer", 0).ok);
    synth.receive(5, buildParamRequest(0, 0x20, 0x00), 0);
    EXPECT_TRUE(synth.poll(0).empty()) << "the answer to the request went out";
    EXPECT_FALSE(runCommand(synth, "fault drop-answer 0", 0).ok);
    EXPECT_TRUE(runCommand(synth, "fault delay 40", 0).ok);
    synth.receive(5, buildBulkRequest(0, kAreaStored, 0), 0);
    EXPECT_TRUE(synth.poll(39).empty());
    EXPECT_EQ(synth.poll(40).size(), static_cast<std::size_t>(kDumpMessageCount));
    EXPECT_TRUE(runCommand(synth, "fault silent on", 0).ok);
    EXPECT_TRUE(synth.isSilent());
    EXPECT_TRUE(runCommand(synth, "fault clear", 0).ok);
    EXPECT_FALSE(synth.isSilent());
    EXPECT_TRUE(runCommand(synth, "sense 100", 0).ok);
    EXPECT_EQ(synth.poll(50).size(), 1u);
    EXPECT_TRUE(runCommand(synth, "fill 3", 0).ok);
    EXPECT_EQ(synth.storedTemplate(4), TemplateImage::pattern(3, 4));
    EXPECT_TRUE(runCommand(synth, "fault drop-in 2", 0).ok);
    synth.receive(5, buildBulkRequest(0, kAreaStored, 0), 100);
    synth.receive(5, buildBulkRequest(0, kAreaStored, 1), 100);
    EXPECT_EQ(synth.poll(100).size(), static_cast<std::size_t>(kDumpMessageCount)) << "the second request was lost";
    const std::string status = runCommand(synth, "status", 100).text;
    EXPECT_NE(status.find("dropped 4"), std::string::npos) << status;
    EXPECT_EQ(runCommand(synth, "flow", 100).text,
              "flow: dumps 0, begun early 0, repeated 0, acknowledges out 0; store none; flash none");
}

TEST(SimCommands, RefusesWhatItDoesNotUnderstandAndChangesNothing)
{
    SynthCore synth = quietSynth();
    const char* bad[] = {"select",
                         "select 50",
                         "select -1",
                         "select 3x",
                         "edit",
                         "edit knob 12 cc 3",
                         "edit knob 1 cc 128",
                         "edit knob 1 pan 3",
                         "edit type",
                         "fault",
                         "fault drop-ack 0",
                         "fault drop-in x",
                         "fault bad-checksum 1 13",
                         "fault silent maybe",
                         "fault delay -5",
                         "fault delay 3600001",
                         "sense 99999999999",
                         "sense",
                         "fill x",
                         "show",
                         "show 50",
                         "show -1",
                         "show 1 12",
                         "show 1 -1",
                         "show 1 2 3",
                         "show 1x",
                         "dance",
                         "edit knob 99999999999999999999 cc 1"};
    for (const char* line : bad) {
        const CommandResult r = runCommand(synth, line, 0);
        EXPECT_FALSE(r.ok) << line;
        EXPECT_EQ(r.text.rfind("error: ", 0), 0u) << line;
        EXPECT_FALSE(r.quit);
    }
    EXPECT_EQ(synth.currentTemplate(), 0);
    EXPECT_EQ(synth.editTemplate(0), TemplateImage());
    EXPECT_TRUE(synth.poll(0).empty());
    EXPECT_TRUE(runCommand(synth, "", 0).ok);
    EXPECT_TRUE(runCommand(synth, "# a comment", 0).ok);
    EXPECT_TRUE(runCommand(synth, "quit", 0).quit);
}
