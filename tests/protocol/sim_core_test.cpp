// The simulated synthesizer's state machine: dumps, acknowledges, requests, edits, faults and bad input.
#include "SimSynthCore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace zelksim;

namespace {

constexpr int kSysExPort = 5;
constexpr int kSensePort = 1;

Bytes bytesOf(std::initializer_list<int> list)
{
    Bytes out;
    for (int b : list) {
        out.push_back(static_cast<std::uint8_t>(b));
    }
    return out;
}

// A synthesizer without active sensing unless a test asks for it, so outputs hold only replies.
SynthCore quietSynth()
{
    SynthOptions options;
    options.senseInterval = 0;
    return SynthCore(options);
}

std::vector<OutMessage> feed(SynthCore& synth, const Bytes& bytes, Millis now = 0)
{
    synth.receive(kSysExPort, bytes, now);
    return synth.poll(now);
}

// The 15 messages with which the editor sends one template.
std::vector<Bytes> editorDump(std::uint8_t area, int t, const TemplateImage& image)
{
    std::vector<Bytes> out;
    out.push_back(buildBulkHeader(0, kFromEditor, area, static_cast<std::uint8_t>(t)));
    for (int block = 0; block < kBlockCount; ++block) {
        out.push_back(buildBulkBlock(0, kFromEditor, block, image.block(block)));
    }
    out.push_back(buildBulkFooter(0, kFromEditor, area, static_cast<std::uint8_t>(t)));
    return out;
}

std::vector<OutMessage> feedAll(SynthCore& synth, const std::vector<Bytes>& messages, Millis now = 0)
{
    std::vector<OutMessage> out;
    for (const Bytes& m : messages) {
        for (OutMessage& o : feed(synth, m, now)) {
            out.push_back(std::move(o));
        }
    }
    return out;
}

bool isAck(const OutMessage& m)
{
    return m.port == kSysExPort && m.bytes == bytesOf({0xF0, 0x43, 0x60, 0x02, 0xF7});
}

// Reads a dump the synthesizer sent back into an image, checking its frame on the way.
struct ReadDump
{
    bool headerOk = false;
    bool footerOk = false;
    int blocks = 0;
    int badChecksums = 0;
    TemplateImage image;
};

ReadDump readDump(const std::vector<OutMessage>& out, std::uint8_t area, int t)
{
    ReadDump r;
    for (const OutMessage& o : out) {
        EXPECT_EQ(o.port, kSysExPort);
        Message m;
        EXPECT_EQ(parseMessage(o.bytes, m), ParseError::Ok);
        EXPECT_EQ(m.kind, Message::Kind::Bulk);
        EXPECT_EQ(m.direction, kFromSynth);
        EXPECT_TRUE(m.countOk);
        if (!m.checksumOk) {
            ++r.badChecksums;
            continue;
        }
        if (m.addrHigh == kBulkHeader) {
            r.headerOk = m.addrMid == area && m.addrLow == t && r.blocks == 0;
        } else if (m.addrHigh == kBulkFooter) {
            r.footerOk = m.addrMid == area && m.addrLow == t;
        } else if (m.addrHigh == kBulkBlock) {
            r.image.setBlock(blockForAddressMid(m.addrMid), m.data);
            ++r.blocks;
        }
    }
    return r;
}

} // namespace

TEST(SimSynth, AnswersBulkRequestsWithFifteenMessageDumpOfTheRightArea)
{
    SynthCore synth = quietSynth();
    synth.fillPattern(10);
    for (std::uint8_t area : {kAreaStored, kAreaEditBuffer}) {
        const auto out = feed(synth, buildBulkRequest(0, area, 7));
        ASSERT_EQ(out.size(), static_cast<std::size_t>(kDumpMessageCount));
        EXPECT_EQ(out.front().bytes, bytesOf({0xF0, 0x43, 0x00, 0x7F, 0x1C, 0x00, 0x04, 0x01, 0x0E, area, 0x07,
                                              (0x80 - ((0x01 + 0x0E + area + 0x07) & 0x7F)) & 0x7F, 0xF7}));
        const ReadDump dump = readDump(out, area, 7);
        EXPECT_TRUE(dump.headerOk);
        EXPECT_TRUE(dump.footerOk);
        EXPECT_EQ(dump.blocks, kBlockCount);
        EXPECT_EQ(dump.badChecksums, 0);
        EXPECT_EQ(dump.image, area == kAreaStored ? synth.storedTemplate(7) : synth.editTemplate(7));
    }
    // The blocks go in address order: common, then knobs 0 to 11.
    const auto out = feed(synth, buildBulkRequest(0, kAreaStored, 0));
    EXPECT_EQ(out[1].bytes[9], 0x00);
    for (int k = 0; k < kKnobCount; ++k) {
        EXPECT_EQ(out[static_cast<std::size_t>(2 + k)].bytes[9], 0x10 + k);
    }
    // Knob 4's display name stands at data offset 09 of its block, blank-filled.
    const std::string name = synth.storedTemplate(0).text(fields::knobDisplayName(4));
    const Bytes& knob4 = out[6].bytes;
    EXPECT_EQ(std::string(knob4.begin() + 11 + 9, knob4.begin() + 11 + 9 + static_cast<long>(name.size())), name);
    EXPECT_EQ(synth.stats().bulkRequestsAnswered, 3);
}

TEST(SimSynth, RefusesBulkRequestsForWhatItDoesNotHold)
{
    SynthCore synth = quietSynth();
    EXPECT_TRUE(feed(synth, buildBulkRequest(0, kAreaStored, 50)).empty());
    EXPECT_TRUE(feed(synth, buildBulkRequest(0, 0x61, 0)).empty());
    EXPECT_TRUE(feed(synth, bytesOf({0xF0, 0x43, 0x20, 0x7F, 0x1C, 0x00, 0x0D, 0x60, 0x00, 0xF7})).empty());
    EXPECT_EQ(synth.stats().rejected, 3);
    EXPECT_EQ(synth.stats().bulkRequestsAnswered, 0);
}

TEST(SimSynth, WritesAndAcknowledgesEachCompleteDumpAfterItsFooter)
{
    SynthCore synth = quietSynth();
    const TemplateImage image = TemplateImage::pattern(3, 12);
    auto messages = editorDump(kAreaEditBuffer, 12, image);
    // Nothing answers before the footer.
    for (std::size_t i = 0; i + 1 < messages.size(); ++i) {
        EXPECT_TRUE(feed(synth, messages[i]).empty()) << "message " << i;
    }
    EXPECT_NE(synth.editTemplate(12), image);
    const auto out = feed(synth, messages.back());
    ASSERT_EQ(out.size(), 2u);
    EXPECT_TRUE(isAck(out[0]));
    EXPECT_EQ(out[1].bytes, bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x23, 0x00, 0x01, 0xF7}))
        << "the first change of the edit buffer sets the bank edit flag, and the editor hears of it";
    EXPECT_TRUE(synth.bankEdited());
    EXPECT_EQ(synth.editTemplate(12), image);
    EXPECT_NE(synth.storedTemplate(12), image);

    // Stored area, blocks in reverse order: still one template, still acknowledged.
    messages = editorDump(kAreaStored, 49, image);
    std::reverse(messages.begin() + 1, messages.end() - 1);
    const auto out2 = feedAll(synth, messages);
    ASSERT_EQ(out2.size(), 1u);
    EXPECT_TRUE(isAck(out2[0]));
    EXPECT_EQ(synth.storedTemplate(49), image);
    EXPECT_EQ(synth.stats().dumpsAccepted, 2);
    EXPECT_EQ(synth.stats().acksSent, 2);
}

TEST(SimSynth, LeavesIncompleteDumpsUnwrittenAndUnacknowledged)
{
    const TemplateImage image = TemplateImage::pattern(5, 2);
    struct Case
    {
        const char* what;
        std::function<void(std::vector<Bytes>&)> spoil;
    };
    const Case cases[] = {
        {"a missing block", [](std::vector<Bytes>& m) { m.erase(m.begin() + 5); }},
        {"a bad checksum", [](std::vector<Bytes>& m) { m[3][m[3].size() - 2] ^= 0x01; }},
        {"a wrong count", [](std::vector<Bytes>& m) { m[2][6] ^= 0x01; }},
        {"a short block",
         [](std::vector<Bytes>& m) { m[4] = buildBulkBlock(0, kFromEditor, 3, Bytes(kKnobBlockSize - 1, 0x41)); }},
        {"the footer of another template",
         [](std::vector<Bytes>& m) { m.back() = buildBulkFooter(0, kFromEditor, kAreaStored, 3); }},
    };
    for (const Case& c : cases) {
        SynthCore synth = quietSynth();
        auto messages = editorDump(kAreaStored, 2, image);
        c.spoil(messages);
        EXPECT_TRUE(feedAll(synth, messages).empty()) << c.what;
        EXPECT_EQ(synth.storedTemplate(2), TemplateImage()) << c.what;
        EXPECT_EQ(synth.stats().dumpsIncomplete, 1) << c.what;
        // The next whole dump goes through.
        const auto out = feedAll(synth, editorDump(kAreaStored, 2, image));
        ASSERT_EQ(out.size(), 1u) << c.what;
        EXPECT_TRUE(isAck(out[0]));
        EXPECT_EQ(synth.storedTemplate(2), image) << c.what;
    }
}

TEST(SimSynth, ADumpWithoutFooterIsForgottenWhenTheNextHeaderArrives)
{
    SynthCore synth = quietSynth();
    auto messages = editorDump(kAreaStored, 1, TemplateImage::pattern(1, 1));
    messages.pop_back();
    EXPECT_TRUE(feedAll(synth, messages).empty());
    const TemplateImage second = TemplateImage::pattern(2, 4);
    const auto out = feedAll(synth, editorDump(kAreaEditBuffer, 4, second));
    ASSERT_EQ(out.size(), 2u) << "the acknowledge and the bank edit flag";
    EXPECT_EQ(synth.editTemplate(4), second);
    EXPECT_EQ(synth.storedTemplate(1), TemplateImage());
    // Blocks and footers outside a dump change nothing.
    EXPECT_TRUE(feed(synth, buildBulkBlock(0, kFromEditor, 0, Bytes(kCommonBlockSize, 0x41))).empty());
    EXPECT_TRUE(feed(synth, buildBulkFooter(0, kFromEditor, kAreaStored, 1)).empty());
    EXPECT_EQ(synth.storedTemplate(1), TemplateImage());
}

TEST(SimSynth, AppliesParameterChangesToTheCurrentTemplateOfTheEditBuffer)
{
    SynthCore synth = quietSynth();
    synth.fillPattern(1);
    const TemplateImage stored7 = synth.storedTemplate(7);
    const TemplateImage edit6 = synth.editTemplate(6);

    // Selecting template 7 is echoed back, from the synthesizer.
    auto out = feed(synth, bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x20, 0x00, 0x07, 0xF7}));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x20, 0x00, 0x07, 0xF7}));
    EXPECT_EQ(synth.currentTemplate(), 7);

    // "Lead" as the editor sends it: 13 messages, one character each. Only the first change is answered:
    // with the bank edit flag.
    const char name[] = "Lead         ";
    std::vector<OutMessage> answers;
    for (int i = 0; i < 13; ++i) {
        const std::uint8_t c = static_cast<std::uint8_t>(name[i]);
        for (OutMessage& o :
             feed(synth, buildParamChange(0, kFromEditor, 0x00, static_cast<std::uint8_t>(i), std::span(&c, 1)))) {
            answers.push_back(std::move(o));
        }
    }
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].bytes, bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x23, 0x00, 0x01, 0xF7}));
    EXPECT_EQ(synth.editTemplate(7).text(fields::templateName()), "Lead");

    // Knob 2's control-change number; knob 4's parameter identifier, whole.
    const std::uint8_t cc = 0x40;
    feed(synth, buildParamChange(0, kFromEditor, 0x12, 0x18, std::span(&cc, 1)));
    EXPECT_EQ(synth.editTemplate(7).number(fields::knobControlNumber(2)), 0x40);
    const std::string id = "2000000ab";
    feed(synth, buildParamChange(0, kFromEditor, 0x14, 0x00,
                                 std::span(reinterpret_cast<const std::uint8_t*>(id.data()), id.size())));
    EXPECT_EQ(synth.editTemplate(7).text(fields::knobRemoteNumber(4)), id);

    EXPECT_TRUE(synth.bankEdited());
    EXPECT_EQ(synth.storedTemplate(7), stored7) << "edits go to the edit buffer only";
    EXPECT_EQ(synth.editTemplate(6), edit6) << "and only to the current template";
    EXPECT_EQ(synth.stats().paramChangesApplied, 15);
}

TEST(SimSynth, RefusesParameterChangesThatDoNotFitTheirField)
{
    SynthCore synth = quietSynth();
    const TemplateImage before = synth.editTemplate(0);
    const Bytes two{0x41, 0x42};
    EXPECT_TRUE(feed(synth, buildParamChange(0, kFromEditor, 0x00, 0x0C, two)).empty()) << "past the name's end";
    EXPECT_TRUE(feed(synth, buildParamChange(0, kFromEditor, 0x13, 0x18, two)).empty()) << "two bytes to a number";
    EXPECT_TRUE(feed(synth, buildParamChange(0, kFromEditor, 0x1C, 0x00, Bytes{1})).empty()) << "no knob 12";
    EXPECT_TRUE(feed(synth, buildParamChange(0, kFromEditor, 0x00, 0x00, Bytes{})).empty()) << "no data";
    EXPECT_TRUE(feed(synth, buildParamChange(0, kFromEditor, 0x20, 0x00, Bytes{50})).empty()) << "template 50";
    EXPECT_TRUE(feed(synth, buildParamChange(0, kFromEditor, 0x22, 0x00, Bytes{1})).empty()) << "store with data";
    EXPECT_EQ(synth.editTemplate(0), before);
    EXPECT_EQ(synth.currentTemplate(), 0);
    EXPECT_FALSE(synth.bankEdited());
    EXPECT_EQ(synth.stats().rejected, 6);
}

TEST(SimSynth, StoresTheEditBufferOnTheEditorsStoreCommandWithoutAnswering)
{
    SynthCore synth = quietSynth();
    synth.fillPattern(20);
    EXPECT_TRUE(feed(synth, bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x23, 0x00, 0x01, 0xF7})).empty())
        << "the editor's own value is not told back";
    EXPECT_TRUE(synth.bankEdited());
    const auto out = feed(synth, bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x22, 0x00, 0xF7}));
    ASSERT_EQ(out.size(), 1u) << "a store answers only with the cleared bank edit flag";
    EXPECT_EQ(out[0].bytes, bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x23, 0x00, 0x00, 0xF7}));
    for (int t = 0; t < kTemplateCount; ++t) {
        EXPECT_EQ(synth.storedTemplate(t), synth.editTemplate(t));
    }
    EXPECT_FALSE(synth.bankEdited());
    EXPECT_TRUE(feed(synth, buildStoreToFlash(0)).empty());
    EXPECT_EQ(synth.stats().stores, 1);
    EXPECT_EQ(synth.stats().flashStores, 1);
}

TEST(SimSynth, AnswersParameterRequestsFromTheCurrentTemplate)
{
    SynthCore synth = quietSynth();
    synth.fillPattern(30);
    synth.hardwareSelectTemplate(9, 0);
    synth.poll(0);
    const TemplateImage& t9 = synth.editTemplate(9);

    auto out = feed(synth, buildParamRequest(0, 0x20, 0x00));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x20, 0x00, 0x09, 0xF7}));
    out = feed(synth, buildParamRequest(0, 0x23, 0x00));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x23, 0x00, 0x00, 0xF7}));

    out = feed(synth, buildParamRequest(0, 0x00, 0x02));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes.size(), 11u);
    EXPECT_EQ(out[0].bytes[9], t9.bytes(fields::templateName())[2]);

    out = feed(synth, buildParamRequest(0, 0x15, 0x00));
    ASSERT_EQ(out.size(), 1u);
    Message m;
    ASSERT_EQ(parseMessage(out[0].bytes, m), ParseError::Ok);
    EXPECT_EQ(std::string(m.data.begin(), m.data.end()), t9.text(fields::knobRemoteNumber(5)))
        << "an identifier answers whole";

    out = feed(synth, buildParamRequest(0, 0x1B, 0x19));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes[9], t9.number(fields::knobDisplayFormat(11)));

    EXPECT_TRUE(feed(synth, buildParamRequest(0, 0x22, 0x00)).empty());
    EXPECT_TRUE(feed(synth, buildParamRequest(0, 0x30, 0x00)).empty());
    EXPECT_EQ(synth.stats().paramRequestsAnswered, 5);

    // Switched on with its last template current: it tells no one, and answers with it when asked.
    SynthOptions options;
    options.senseInterval = 0;
    options.currentTemplate = 49;
    SynthCore onLast(options);
    EXPECT_TRUE(onLast.poll(0).empty());
    out = feed(onLast, buildParamRequest(0, 0x20, 0x00));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x20, 0x00, 0x31, 0xF7}));
    options.currentTemplate = 50;
    EXPECT_EQ(SynthCore(options).currentTemplate(), 0) << "a template the bank does not hold";

    // The answer to the second request from now is lost; the one before and the one after it come.
    onLast.dropAnswer(2);
    EXPECT_EQ(feed(onLast, buildParamRequest(0, 0x23, 0x00)).size(), 1u);
    EXPECT_TRUE(feed(onLast, buildParamRequest(0, 0x20, 0x00)).empty()) << "the dropped answer went out";
    EXPECT_EQ(onLast.stats().dropped, 1);
    out = feed(onLast, buildParamRequest(0, 0x20, 0x00));
    ASSERT_EQ(out.size(), 1u) << "asked again, it answers";
    EXPECT_EQ(out[0].bytes, bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x20, 0x00, 0x31, 0xF7}));
    EXPECT_EQ(onLast.stats().paramRequestsAnswered, 3);
}

TEST(SimSynth, IgnoresMessagesNotMeantForIt)
{
    SynthCore synth = quietSynth();
    // The synthesizer's own direction, another maker, an acknowledge, and SysEx on another port.
    EXPECT_TRUE(feed(synth, bytesOf({0xF0, 0x43, 0x30, 0x7F, 0x1C, 0x01, 0x01, 0x20, 0x00, 0xF7})).empty());
    EXPECT_TRUE(feed(synth, bytesOf({0xF0, 0x41, 0x20, 0x7F, 0x1C, 0x00, 0x0E, 0x60, 0x00, 0xF7})).empty());
    EXPECT_TRUE(feed(synth, buildBulkAck(0)).empty());
    synth.receive(2, buildBulkRequest(0, kAreaStored, 0), 0);
    EXPECT_TRUE(synth.poll(0).empty());
    auto dump = editorDump(kAreaStored, 0, TemplateImage::pattern(1, 0));
    for (Bytes& m : dump) {
        m[7] = kFromSynth;
        m[m.size() - 2] = static_cast<std::uint8_t>((m[m.size() - 2] - 1) & 0x7F);
    }
    EXPECT_TRUE(feedAll(synth, dump).empty());
    EXPECT_EQ(synth.storedTemplate(0), TemplateImage());
    EXPECT_EQ(synth.stats().ignored, 19);
    EXPECT_EQ(synth.stats().rejected, 0);
}

TEST(SimSynth, SendsActiveSensingOnPortOneAtItsInterval)
{
    SynthOptions options;
    options.senseInterval = 300;
    SynthCore synth(options);
    EXPECT_EQ(synth.nextDue(), 0);
    auto out = synth.poll(1000);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].port, kSensePort);
    EXPECT_EQ(out[0].bytes, Bytes{kActiveSensing});
    EXPECT_EQ(synth.nextDue(), 1300);
    EXPECT_TRUE(synth.poll(1299).empty());
    EXPECT_EQ(synth.poll(1300).size(), 1u);
    // A late poll sends one, not a burst.
    EXPECT_EQ(synth.poll(5000).size(), 1u);
    EXPECT_EQ(synth.nextDue(), 5300);

    synth.setSenseInterval(0);
    EXPECT_FALSE(synth.nextDue());
    EXPECT_TRUE(synth.poll(9000).empty());
    synth.setSenseInterval(50);
    EXPECT_EQ(synth.poll(9000).size(), 1u);
    EXPECT_EQ(synth.nextDue(), 9050);
}

TEST(SimSynth, SlowRepliesWaitTheirDelayAndKeepTheirOrder)
{
    SynthCore synth = quietSynth();
    synth.setReplyDelay(250);
    synth.receive(kSysExPort, buildBulkRequest(0, kAreaStored, 1), 100);
    EXPECT_EQ(synth.nextDue(), 350);
    EXPECT_TRUE(synth.poll(349).empty());
    synth.setReplyDelay(0);
    synth.receive(kSysExPort, buildParamRequest(0, 0x20, 0x00), 200);
    auto out = synth.poll(350);
    ASSERT_EQ(out.size(), static_cast<std::size_t>(kDumpMessageCount + 1));
    EXPECT_EQ(out.back().bytes[7], 0x20) << "the later, faster reply still goes last";
}

TEST(SimSynth, GoingSilentStopsEverythingUntilItComesBack)
{
    SynthOptions options;
    options.senseInterval = 100;
    SynthCore synth(options);
    synth.poll(0);
    synth.setReplyDelay(50);
    synth.receive(kSysExPort, buildBulkRequest(0, kAreaStored, 1), 0);
    synth.setSilent(true);
    EXPECT_FALSE(synth.nextDue());
    EXPECT_TRUE(synth.poll(1000).empty()) << "what was queued is lost";
    synth.receive(kSysExPort, buildBulkRequest(0, kAreaStored, 1), 1000);
    synth.receive(kSysExPort, bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x20, 0x00, 0x05, 0xF7}), 1000);
    EXPECT_TRUE(synth.poll(2000).empty());
    EXPECT_EQ(synth.currentTemplate(), 0) << "a silent synthesizer hears nothing either";

    synth.setSilent(false);
    auto out = synth.poll(2001);
    ASSERT_EQ(out.size(), 1u) << "it announces itself at once";
    EXPECT_EQ(out[0].bytes, Bytes{kActiveSensing});
    synth.receive(kSysExPort, buildBulkRequest(0, kAreaStored, 1), 2001);
    EXPECT_EQ(synth.poll(2051).size(), static_cast<std::size_t>(kDumpMessageCount));
}

TEST(SimSynth, DropsTheAcknowledgeItWasToldTo)
{
    SynthCore synth = quietSynth();
    synth.dropAck(2);
    const TemplateImage image = TemplateImage::pattern(8, 8);
    int acks = 0;
    std::vector<int> acked;
    for (int t = 0; t < 3; ++t) {
        const auto out = feedAll(synth, editorDump(kAreaEditBuffer, t, image));
        if (!out.empty() && isAck(out[0])) {
            acked.push_back(t);
            ++acks;
        }
    }
    EXPECT_EQ(acked, (std::vector<int>{0, 2}));
    EXPECT_EQ(synth.editTemplate(1), image) << "the dump was taken; only its acknowledge was lost";
    EXPECT_EQ(synth.stats().acksSent, 2);
    EXPECT_EQ(synth.stats().dropped, 1);
}

TEST(SimSynth, LosesTheMessageHeardItWasToldTo)
{
    SynthCore synth = quietSynth();
    synth.dropInput(2);
    EXPECT_EQ(feed(synth, buildBulkRequest(0, kAreaStored, 0)).size(), static_cast<std::size_t>(kDumpMessageCount));
    EXPECT_TRUE(feed(synth, buildBulkRequest(0, kAreaStored, 1)).empty()) << "the second message heard is lost";
    EXPECT_EQ(feed(synth, buildBulkRequest(0, kAreaStored, 1)).size(), static_cast<std::size_t>(kDumpMessageCount));
    EXPECT_EQ(synth.stats().bulkRequestsAnswered, 2);
    EXPECT_EQ(synth.stats().dropped, 1);
}

// The protocol's pace: a dump begins after the acknowledge of the one before went out, a store or store
// to flash after the last acknowledge. The synthesizer records where the editor kept it and where not.
TEST(SimSynth, RecordsWhetherDumpsAndStoresWaitedForTheAcknowledges)
{
    SynthOptions slow;
    slow.senseInterval = 0;
    slow.replyDelay = 10;
    SynthCore synth(slow);
    const TemplateImage image = TemplateImage::pattern(6, 0);
    feedAll(synth, editorDump(kAreaStored, 0, image), 0);
    ASSERT_EQ(synth.poll(10).size(), 1u);
    feedAll(synth, editorDump(kAreaStored, 1, image), 20);
    // The same dump again while its acknowledge is on the way: sent again, not early.
    feedAll(synth, editorDump(kAreaStored, 1, image), 21);
    // The next dump before that acknowledge went out: early. So is a store.
    feedAll(synth, editorDump(kAreaStored, 2, image), 22);
    feed(synth, buildStoreCommand(0, kFromEditor), 23);
    EXPECT_EQ(synth.poll(100).size(), 3u);
    feed(synth, buildStoreToFlash(0), 100);
    const FlowRecord& f = synth.flow();
    EXPECT_EQ(f.dumpsBegun, 4);
    EXPECT_EQ(f.dumpsBegunEarly, 1);
    EXPECT_EQ(f.dumpsRepeated, 1);
    EXPECT_EQ(f.acksOut, 4);
    EXPECT_EQ(f.storeAfterAcks, 1);
    EXPECT_EQ(f.storeWithAcksUnsent, 3);
    EXPECT_EQ(f.flashAfterAcks, 4);
    EXPECT_EQ(f.flashWithAcksUnsent, 0);
    // Acknowledges lost with a synthesizer that went silent never went out.
    feedAll(synth, editorDump(kAreaStored, 3, image), 200);
    synth.setSilent(true);
    synth.setSilent(false);
    feedAll(synth, editorDump(kAreaStored, 4, image), 300);
    EXPECT_EQ(synth.flow().dumpsBegunEarly, 1);
}

TEST(SimSynth, DropsTheFooterOfTheDumpItWasToldTo)
{
    SynthCore synth = quietSynth();
    synth.dropFooter(2);
    EXPECT_EQ(readDump(feed(synth, buildBulkRequest(0, kAreaStored, 0)), kAreaStored, 0).footerOk, true);
    const auto out = feed(synth, buildBulkRequest(0, kAreaStored, 1));
    EXPECT_EQ(out.size(), static_cast<std::size_t>(kDumpMessageCount - 1));
    const ReadDump dump = readDump(out, kAreaStored, 1);
    EXPECT_TRUE(dump.headerOk);
    EXPECT_FALSE(dump.footerOk);
    EXPECT_EQ(dump.blocks, kBlockCount);
    EXPECT_EQ(feed(synth, buildBulkRequest(0, kAreaStored, 2)).size(), static_cast<std::size_t>(kDumpMessageCount));
}

TEST(SimSynth, SpoilsTheChecksumOfOneBlockOnly)
{
    SynthCore synth = quietSynth();
    synth.fillPattern(2);
    synth.corruptChecksum(1, 4);
    const auto out = feed(synth, buildBulkRequest(0, kAreaEditBuffer, 30));
    ASSERT_EQ(out.size(), static_cast<std::size_t>(kDumpMessageCount));
    for (std::size_t i = 0; i < out.size(); ++i) {
        Message m;
        ASSERT_EQ(parseMessage(out[i].bytes, m), ParseError::Ok);
        EXPECT_EQ(m.checksumOk, i != 5) << "message " << i;
        EXPECT_TRUE(m.countOk);
    }
    EXPECT_EQ(readDump(feed(synth, buildBulkRequest(0, kAreaEditBuffer, 30)), kAreaEditBuffer, 30).badChecksums, 0);
}

TEST(SimSynth, LeavesOutOneBlockOfTheDumpItWasToldTo)
{
    SynthCore synth = quietSynth();
    synth.fillPattern(4);
    synth.dropBlock(3, 0);
    synth.dropBlock(3, 12);
    for (int n = 1; n <= 3; ++n) {
        const auto out = feed(synth, buildBulkRequest(0, kAreaStored, 10));
        if (n < 3) {
            EXPECT_EQ(out.size(), static_cast<std::size_t>(kDumpMessageCount));
            continue;
        }
        ASSERT_EQ(out.size(), static_cast<std::size_t>(kDumpMessageCount - 2));
        const ReadDump dump = readDump(out, kAreaStored, 10);
        EXPECT_TRUE(dump.headerOk);
        EXPECT_TRUE(dump.footerOk);
        EXPECT_EQ(dump.blocks, kBlockCount - 2);
        EXPECT_EQ(out[1].bytes[9], 0x10) << "the common block is missing";
        EXPECT_EQ(out[out.size() - 2].bytes[9], 0x1A) << "so is knob 11's";
    }
    EXPECT_EQ(synth.stats().dropped, 2);
    synth.dropAck(1);
    synth.clearFaults();
    EXPECT_EQ(feedAll(synth, editorDump(kAreaStored, 0, TemplateImage())).size(), 1u) << "cleared faults do nothing";
}

TEST(SimSynth, ReportsPanelEditsSelectionsAndStoresToTheEditor)
{
    SynthCore synth = quietSynth();
    synth.fillPattern(40);
    ASSERT_TRUE(synth.hardwareSelectTemplate(3, 0));
    auto out = synth.poll(0);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x20, 0x00, 0x03, 0xF7}));

    ASSERT_TRUE(synth.hardwareEditText(fields::knobDisplayName(1), "Cutoff", 0));
    out = synth.poll(0);
    ASSERT_EQ(out.size(), 16u);
    EXPECT_EQ(out.back().bytes, bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x23, 0x00, 0x01, 0xF7}))
        << "the first edit sets the bank edit flag";
    for (int i = 0; i < 15; ++i) {
        const Bytes& m = out[static_cast<std::size_t>(i)].bytes;
        ASSERT_EQ(m.size(), 11u);
        EXPECT_EQ(m[5], kFromSynth);
        EXPECT_EQ(m[7], 0x11);
        EXPECT_EQ(m[8], 0x09 + i);
        EXPECT_EQ(m[9], i < 6 ? "Cutoff"[i] : ' ');
    }
    ASSERT_TRUE(synth.hardwareEditText(fields::knobRemoteNumber(1), "100000001", 0));
    out = synth.poll(0);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x11, 0x00, '1', '0', '0', '0', '0', '0',
                                     '0', '0', '1', 0xF7}));
    ASSERT_TRUE(synth.hardwareEditNumber(fields::controlType(), 1, 0));
    out = synth.poll(0);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x00, 0x19, 0x01, 0xF7}));
    EXPECT_EQ(synth.editTemplate(3).text(fields::knobDisplayName(1)), "Cutoff");
    EXPECT_TRUE(synth.bankEdited());

    EXPECT_FALSE(synth.hardwareEditNumber(fields::knobDisplayName(1), 3, 0)) << "a text is no number";
    EXPECT_FALSE(synth.hardwareEditText(fields::controlType(), "x", 0));
    EXPECT_FALSE(synth.hardwareEditNumber(fields::knobControlNumber(1), 128, 0));
    EXPECT_FALSE(synth.hardwareEditText(FieldRef{0x00, 0x02, 5, true}, "x", 0)) << "not a field of the template";
    EXPECT_FALSE(synth.hardwareSelectTemplate(50, 0));
    EXPECT_TRUE(synth.poll(0).empty());

    synth.hardwareStore(0);
    out = synth.poll(0);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].bytes, bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x22, 0x00, 0xF7}));
    EXPECT_EQ(out[1].bytes, bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x23, 0x00, 0x00, 0xF7}));
    EXPECT_EQ(synth.storedTemplate(3), synth.editTemplate(3));
    EXPECT_FALSE(synth.bankEdited());
}

TEST(SimSynth, ReassemblesSysExSplitAnywhereAndSkipsRealTimeBytes)
{
    const Bytes request = buildBulkRequest(0, kAreaStored, 5);
    for (std::size_t split = 1; split < request.size(); ++split) {
        SynthCore synth = quietSynth();
        synth.receive(kSysExPort, std::span(request).first(split), 0);
        synth.receive(kSysExPort, std::span(request).subspan(split), 0);
        EXPECT_EQ(synth.poll(0).size(), static_cast<std::size_t>(kDumpMessageCount)) << "split at " << split;
    }
    SynthCore synth = quietSynth();
    Bytes withClock = request;
    withClock.insert(withClock.begin() + 4, 0xF8);
    withClock.insert(withClock.begin() + 7, 0xFE);
    EXPECT_EQ(feed(synth, withClock).size(), static_cast<std::size_t>(kDumpMessageCount));
    // Channel messages around it mean nothing.
    Bytes noisy = bytesOf({0x90, 0x40, 0x7F, 0x40, 0xB0, 0x07});
    noisy.insert(noisy.end(), request.begin(), request.end());
    EXPECT_EQ(feed(synth, noisy).size(), static_cast<std::size_t>(kDumpMessageCount));
}

TEST(SimSynth, DropsBrokenSysExWithoutCrashing)
{
    SynthCore synth = quietSynth();
    const Bytes request = buildBulkRequest(0, kAreaStored, 5);
    // Cut by a status byte, by a new F0, and an overlong one: each dropped, the next message still heard.
    Bytes cut(request.begin(), request.begin() + 6);
    cut.push_back(0x90);
    EXPECT_TRUE(feed(synth, cut).empty());
    Bytes restarted(request.begin(), request.begin() + 6);
    restarted.insert(restarted.end(), request.begin(), request.end());
    EXPECT_EQ(feed(synth, restarted).size(), static_cast<std::size_t>(kDumpMessageCount));
    Bytes overlong{0xF0, 0x43, 0x00, 0x7F, 0x1C};
    overlong.resize(5000, 0x11);
    overlong.push_back(0xF7);
    EXPECT_TRUE(feed(synth, overlong).empty());
    EXPECT_EQ(synth.stats().rejected, 3);
    EXPECT_EQ(feed(synth, request).size(), static_cast<std::size_t>(kDumpMessageCount));

    // Every cut-short form of every kind of message, and random bytes: refused quietly.
    const std::vector<Bytes> valid = {buildBulkRequest(0, kAreaEditBuffer, 2), buildParamRequest(0, 0x14, 0x00),
                                      buildParamChange(0, kFromEditor, 0x20, 0x00, Bytes{4}),
                                      buildBulkBlock(0, kFromEditor, 0, Bytes(kCommonBlockSize, 0x41)),
                                      buildStoreToFlash(0)};
    for (const Bytes& v : valid) {
        for (std::size_t n = 1; n + 1 < v.size(); ++n) {
            Bytes m(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n));
            m.push_back(kSysExEnd);
            feed(synth, m);
        }
    }
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        Bytes m{0xF0, 0x43};
        const int length = static_cast<int>(random() % 40);
        for (int i = 0; i < length; ++i) {
            m.push_back(static_cast<std::uint8_t>(random() % 0x80));
        }
        m.push_back(0xF7);
        synth.receive(kSysExPort, m, round);
        synth.poll(round);
    }
    SUCCEED() << "rejected " << synth.stats().rejected;
}
