// The simulated synthesizer's memory rules, and its side of the DAW extension's protocol on port 2.
#include "SimSynthCommands.h"
#include "SimSynthCore.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace zelksim;

namespace {

constexpr int kEditorPort = 5;
constexpr int kRemotePort = 2;

SynthCore quietSynth()
{
    SynthOptions options;
    options.senseInterval = 0;
    return SynthCore(options);
}

Bytes text(std::string_view s)
{
    return Bytes(s.begin(), s.end());
}

// A message of the extension as the protocol's tables give it: send header, address, data, F7.
Bytes fromExtension(int a1, int a2, const Bytes& data = {})
{
    Bytes m{0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, static_cast<std::uint8_t>(a1), static_cast<std::uint8_t>(a2)};
    m.insert(m.end(), data.begin(), data.end());
    m.push_back(0xF7);
    return m;
}

// What the synthesizer sends to the extension: receive header, address, data, F7.
Bytes toExtension(int a1, int a2, const Bytes& data = {})
{
    Bytes m{0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, static_cast<std::uint8_t>(a1), static_cast<std::uint8_t>(a2)};
    m.insert(m.end(), data.begin(), data.end());
    m.push_back(0xF7);
    return m;
}

std::vector<Bytes> onPort(const std::vector<OutMessage>& out, int port)
{
    std::vector<Bytes> bytes;
    for (const OutMessage& m : out)
        if (m.port == port)
            bytes.push_back(m.bytes);
    return bytes;
}

std::vector<Bytes> feedRemote(SynthCore& synth, const Bytes& bytes)
{
    synth.receive(kRemotePort, bytes, 0);
    return onPort(synth.poll(0), kRemotePort);
}

std::vector<OutMessage> feedEditor(SynthCore& synth, const Bytes& bytes)
{
    synth.receive(kEditorPort, bytes, 0);
    return synth.poll(0);
}

// 50 00 and 51 00 of template t of the edit buffer, built from the template's fields.
std::vector<Bytes> templateMessages(const SynthCore& synth, int t)
{
    const TemplateImage& image = synth.editTemplate(t);
    const auto name = image.bytes(fields::instrumentName());
    Bytes records;
    for (int k = 0; k < 12; ++k) {
        const auto id = image.bytes(fields::knobRemoteNumber(k));
        records.insert(records.end(), id.begin(), id.end());
    }
    for (int k = 12; k < 24; ++k) {
        const Bytes none = text("200000000");
        records.insert(records.end(), none.begin(), none.end());
    }
    return {toExtension(0x50, 0x00, Bytes(name.begin(), name.end())), toExtension(0x51, 0x00, records)};
}

} // namespace

TEST(SimSynthMemory, FillsIdentifiersOfEveryIdentifierSpace)
{
    std::set<char> spaces;
    for (int t = 0; t < kTemplateCount; ++t)
        for (int k = 0; k < kKnobCount; ++k)
            spaces.insert(TemplateImage::pattern(7, t).text(fields::knobRemoteNumber(k))[0]);
    EXPECT_EQ(spaces, (std::set<char>{'0', '1', '2'}));
}

TEST(SimSynthMemory, AnswersAnIdentifierRequestOnlyAtTheIdentifiersStart)
{
    SynthCore synth = quietSynth();
    synth.fillPattern(3);
    EXPECT_TRUE(feedEditor(synth, buildParamRequest(0, 0x15, 0x03)).empty());
    EXPECT_EQ(synth.stats().rejected, 1);
    const auto out = feedEditor(synth, buildParamRequest(0, 0x15, 0x00));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes.size(), 19u) << "all nine characters";
}

TEST(SimSynthMemory, RefusesAnIdentifierChangeThatIsNotWhole)
{
    SynthCore synth = quietSynth();
    const std::string before = synth.editTemplate(0).text(fields::knobRemoteNumber(4));
    const Bytes one{'0'};
    const Bytes nine = text("012345678");
    feedEditor(synth, buildParamChange(0, kFromEditor, 0x14, 0x00, one));
    feedEditor(synth, buildParamChange(0, kFromEditor, 0x14, 0x03, one));
    feedEditor(synth, buildParamChange(0, kFromEditor, 0x14, 0x01, Bytes(nine.begin(), nine.end() - 1)));
    EXPECT_EQ(synth.editTemplate(0).text(fields::knobRemoteNumber(4)), before);
    EXPECT_EQ(synth.stats().rejected, 3);
    feedEditor(synth, buildParamChange(0, kFromEditor, 0x14, 0x00, nine));
    EXPECT_EQ(synth.editTemplate(0).text(fields::knobRemoteNumber(4)), "012345678");
}

TEST(SimSynthMemory, RefusesADisplayFormatAboveOne)
{
    SynthCore synth = quietSynth();
    feedEditor(synth, buildParamChange(0, kFromEditor, 0x13, 0x19, Bytes{2}));
    EXPECT_EQ(synth.editTemplate(0).number(fields::knobDisplayFormat(3)), 0);
    EXPECT_EQ(synth.stats().rejected, 1);
    feedEditor(synth, buildParamChange(0, kFromEditor, 0x13, 0x19, Bytes{1}));
    EXPECT_EQ(synth.editTemplate(0).number(fields::knobDisplayFormat(3)), 1);
    EXPECT_FALSE(synth.hardwareEditNumber(fields::knobDisplayFormat(3), 2, 0));
    EXPECT_FALSE(runCommand(synth, "edit knob 3 format 5", 0).ok);
    EXPECT_EQ(synth.editTemplate(0).number(fields::knobDisplayFormat(3)), 1);
}

TEST(SimSynthRemote, EntersRemoteModeAndTellsTheExtensionItsTemplate)
{
    SynthCore synth = quietSynth();
    synth.fillPattern(5);

    // Nothing goes to the extension before remote mode.
    synth.hardwareSelectTemplate(3, 0);
    EXPECT_TRUE(onPort(synth.poll(0), kRemotePort).empty());

    // The extension says it runs: remote mode starts with the current template's name and identifiers.
    std::vector<Bytes> out = feedRemote(synth, fromExtension(0x56, 0x01));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out, templateMessages(synth, 3));
    EXPECT_EQ(out[0].size(), 22u);
    EXPECT_EQ(out[1].size(), 226u);
    EXPECT_EQ(Bytes(out[1].begin() + 9 + 12 * 9, out[1].begin() + 9 + 13 * 9), text("200000000"));
    EXPECT_TRUE(synth.display().extensionRunning);
    EXPECT_TRUE(synth.remoteMode());

    // A template selected, at the panel or by the editor.
    synth.hardwareSelectTemplate(8, 0);
    EXPECT_EQ(onPort(synth.poll(0), kRemotePort), templateMessages(synth, 8));
    EXPECT_EQ(onPort(feedEditor(synth, buildParamChange(0, kFromEditor, 0x20, 0x00, Bytes{9})), kRemotePort),
              templateMessages(synth, 9));

    // The extension tells an instrument name: shown, and answered with the template's data.
    Bytes name = text("Bass Pad    ");
    out = feedRemote(synth, fromExtension(0x50, 0x00, name));
    EXPECT_EQ(out, templateMessages(synth, 9));
    EXPECT_EQ(synth.display().instrument, "Bass Pad");
    // One of its templates is made for that instrument: that template becomes current.
    TemplateImage bass = synth.editTemplate(17);
    bass.setText(fields::instrumentName(), "Bass Pad");
    synth.setEditTemplate(17, bass);
    out = feedRemote(synth, fromExtension(0x50, 0x00, name));
    EXPECT_EQ(synth.currentTemplate(), 17);
    EXPECT_EQ(out, templateMessages(synth, 17));

    // An instrument no template is made for is shown until a track is shown without one; a blank track
    // name leaves it.
    feedRemote(synth, fromExtension(0x50, 0x00, text("Cello       ")));
    EXPECT_EQ(synth.display().instrument, "Cello");
    feedRemote(synth, fromExtension(0x60, 0x00, text(std::string(24, ' '))));
    EXPECT_EQ(synth.display().instrument, "Cello");
    feedRemote(synth, fromExtension(0x60, 0x00, text("Strings                 ")));
    EXPECT_EQ(synth.display().instrument, "Bass Pad");

    // The current template's instrument name edited at the panel and by the editor: the extension learns
    // the template anew, as after a selection.
    ASSERT_TRUE(runCommand(synth, "edit instrument Strings", 0).ok);
    EXPECT_EQ(onPort(synth.poll(0), kRemotePort), templateMessages(synth, 17));
    EXPECT_EQ(synth.display().instrument, "Strings");
    out = onPort(feedEditor(synth, buildParamChange(0, kFromEditor, 0x00, 0x0D, text("Organ       "))), kRemotePort);
    EXPECT_EQ(out, templateMessages(synth, 17));
    EXPECT_EQ(synth.display().instrument, "Organ");
    ASSERT_TRUE(runCommand(synth, "edit name Organ Lead", 0).ok);
    EXPECT_TRUE(onPort(synth.poll(0), kRemotePort).empty()) << "the template's own name is not the extension's";

    // A knob's identifier edited at the panel and by the editor.
    ASSERT_TRUE(runCommand(synth, "edit knob 2 id 012345678", 0).ok);
    EXPECT_EQ(onPort(synth.poll(0), kRemotePort), std::vector<Bytes>{toExtension(0x32, 0x00, text("012345678"))});
    EXPECT_EQ(onPort(feedEditor(synth, buildParamChange(0, kFromEditor, 0x1B, 0x00, text("1000000ff"))), kRemotePort),
              std::vector<Bytes>{toExtension(0x3B, 0x00, text("1000000ff"))});

    // The panel's remote switch.
    ASSERT_TRUE(runCommand(synth, "remote off", 0).ok);
    EXPECT_EQ(onPort(synth.poll(0), kRemotePort), std::vector<Bytes>{toExtension(0x56, 0x00, Bytes{0})});
    synth.hardwareSelectTemplate(1, 0);
    EXPECT_TRUE(onPort(synth.poll(0), kRemotePort).empty()) << "out of remote mode";
    ASSERT_TRUE(runCommand(synth, "remote on", 0).ok);
    out = onPort(synth.poll(0), kRemotePort);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], toExtension(0x56, 0x00, Bytes{1}));
    EXPECT_EQ(std::vector<Bytes>(out.begin() + 1, out.end()), templateMessages(synth, 1));
}

TEST(SimSynthRemote, TakesTheExtensionsMessagesOntoItsDisplay)
{
    SynthCore synth = quietSynth();
    feedRemote(synth, fromExtension(0x60, 0x00, text("Strings                 ")));
    feedRemote(synth, fromExtension(0x35, 0x09, text("Cutoff                  ")));
    feedRemote(synth, fromExtension(0x35, 0x21, Bytes{'1', '2', '.', '5', ' ', ' ', ' ', ' ', 0, 0}));
    feedRemote(synth, fromExtension(0x61, 0x0C, text("Mixer ")));
    feedRemote(synth, fromExtension(0x62, 0x00, text("Project Setup   ")));
    feedRemote(synth, fromExtension(0x63, 0x00, Bytes{1}));
    const RemoteDisplay& d = synth.display();
    EXPECT_EQ(d.track, "Strings");
    EXPECT_EQ(d.knobNames[5], "Cutoff");
    EXPECT_EQ(d.knobValues[5], "12.5");
    EXPECT_EQ(d.buttons[2], "Mixer");
    EXPECT_EQ(d.page, "Project Setup");
    EXPECT_EQ(d.programChangeMode, 1);
    EXPECT_EQ(d.messagesTaken, 6);
    EXPECT_FALSE(d.remoteMode) << "only 56 01 or the panel start remote mode";
    const std::string shown = runCommand(synth, "display", 0).text;
    EXPECT_NE(shown.find("track \"Strings\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("knob 5 \"Cutoff\" = \"12.5\""), std::string::npos) << shown;

    // Wrong lengths, addresses outside the tables, and messages in the synthesizer's own direction.
    feedRemote(synth, fromExtension(0x60, 0x00, text("Short")));
    feedRemote(synth, fromExtension(0x61, 0x05, text("Mixer ")));
    feedRemote(synth, fromExtension(0x48, 0x09, text("Cutoff                  ")));
    feedRemote(synth, fromExtension(0x22, 0x00, Bytes{3}));
    EXPECT_EQ(synth.stats().rejected, 4);
    feedRemote(synth, toExtension(0x60, 0x00, text("Strings                 ")));
    EXPECT_EQ(synth.stats().ignored, 1);
    EXPECT_EQ(synth.display().messagesTaken, 6);
}

TEST(SimSynthRemote, SendsKnobTurnsAsRelativeControlChangesAndButtonsAsNotes)
{
    SynthCore synth = quietSynth();
    for (const char* line : {"turn 0 3", "turn 11 -1", "turn 12 -2", "turn 23 63", "dial -4", "press play",
                             "button f3 down", "button f3 up", "press sfbank2", "press jog"})
        ASSERT_TRUE(runCommand(synth, line, 0).ok) << line;
    const std::vector<Bytes> expected{{0xB0, 0x10, 0x03}, {0xB0, 0x1B, 0x41}, {0xB0, 0x1C, 0x42}, {0xB0, 0x27, 0x3F},
                                      {0xB0, 0x3C, 0x44}, {0x90, 0x5E, 0x7F}, {0x90, 0x5E, 0x00}, {0x90, 0x3E, 0x7F},
                                      {0x90, 0x3E, 0x00}, {0x90, 0x43, 0x7F}, {0x90, 0x43, 0x00}, {0x90, 0x76, 0x7F},
                                      {0x90, 0x76, 0x00}};
    EXPECT_EQ(onPort(synth.poll(0), kRemotePort), expected);
    for (const char* line : {"turn 24 1", "turn 0 0", "turn 0 64", "dial 99", "press shift", "button play sideways"})
        EXPECT_FALSE(runCommand(synth, line, 0).ok) << line;
    EXPECT_TRUE(synth.poll(0).empty());
    EXPECT_EQ(synth.stats().panelControls, 13);
}
