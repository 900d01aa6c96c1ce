// The simulated synthesizer's codec against the dialect's worked examples, byte for byte.
#include "SimSynthCodec.h"
#include "SimSynthTemplate.h"

#include <gtest/gtest.h>

using namespace zelksim;

namespace {

Bytes bytesOf(std::initializer_list<int> list)
{
    Bytes out;
    for (int b : list) {
        out.push_back(static_cast<std::uint8_t>(b));
    }
    return out;
}

} // namespace

TEST(SimCodec, StoreToFlashMessageMatchesItsWorkedExample)
{
    EXPECT_EQ(buildStoreToFlash(0),
              bytesOf({0xF0, 0x43, 0x00, 0x7F, 0x1C, 0x00, 0x04, 0x00, 0x11, 0x00, 0x00, 0x6F, 0xF7}));
    const Bytes summed = bytesOf({0x00, 0x11, 0x00, 0x00});
    EXPECT_EQ(bulkChecksum(summed), 0x6F);
}

TEST(SimCodec, EditBufferHeaderOfTemplate49HasChecksum52)
{
    EXPECT_EQ(buildBulkHeader(0, kFromEditor, kAreaEditBuffer, 49),
              bytesOf({0xF0, 0x43, 0x00, 0x7F, 0x1C, 0x00, 0x04, 0x00, 0x0E, 0x6F, 0x31, 0x52, 0xF7}));
    // From the synthesizer the direction byte is 01 and takes part in the sum.
    EXPECT_EQ(buildBulkHeader(0, kFromSynth, kAreaEditBuffer, 49),
              bytesOf({0xF0, 0x43, 0x00, 0x7F, 0x1C, 0x00, 0x04, 0x01, 0x0E, 0x6F, 0x31, 0x51, 0xF7}));
}

TEST(SimCodec, BlockCountsAreThirtyOneAndThirty)
{
    const Bytes common = buildBulkBlock(0, kFromSynth, 0, Bytes(kCommonBlockSize, 0x20));
    ASSERT_EQ(common.size(), 13u + kCommonBlockSize);
    EXPECT_EQ(common[5], 0x00);
    EXPECT_EQ(common[6], 0x1F);
    EXPECT_EQ(common[8], 0x01);
    EXPECT_EQ(common[9], 0x00);
    const Bytes knob = buildBulkBlock(0, kFromSynth, 12, Bytes(kKnobBlockSize, 0x20));
    ASSERT_EQ(knob.size(), 13u + kKnobBlockSize);
    EXPECT_EQ(knob[5], 0x00);
    EXPECT_EQ(knob[6], 0x1E);
    EXPECT_EQ(knob[9], 0x1B) << "knob 11 is addressed 01 1B 00";
    EXPECT_EQ(bulkByteCount(300).high, 0x02);
    EXPECT_EQ(bulkByteCount(300).low, 0x2C);
}

TEST(SimCodec, ParameterMessagesMatchTheirFixedForms)
{
    const std::uint8_t cc = 0x40;
    EXPECT_EQ(buildParamChange(0, kFromEditor, 0x12, 0x18, std::span(&cc, 1)),
              bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x12, 0x18, 0x40, 0xF7}));
    EXPECT_EQ(buildStoreCommand(0, kFromEditor), bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x22, 0x00, 0xF7}));
    EXPECT_EQ(buildParamRequest(0, 0x20, 0x00), bytesOf({0xF0, 0x43, 0x30, 0x7F, 0x1C, 0x00, 0x01, 0x20, 0x00, 0xF7}));
    EXPECT_EQ(buildBulkRequest(0, kAreaStored, 49),
              bytesOf({0xF0, 0x43, 0x20, 0x7F, 0x1C, 0x00, 0x0E, 0x60, 0x31, 0xF7}));
    EXPECT_EQ(buildBulkAck(3), bytesOf({0xF0, 0x43, 0x63, 0x02, 0xF7}));
}

TEST(SimCodec, AddressMapLocatesEveryByteInItsField)
{
    auto at = fields::locate(0x14, 0x0C);
    ASSERT_TRUE(at);
    EXPECT_EQ(at->field, fields::knobDisplayName(4));
    EXPECT_EQ(at->position, 3);
    EXPECT_EQ(at->field.length, 15);

    at = fields::locate(0x00, 0x1A);
    ASSERT_TRUE(at);
    EXPECT_EQ(at->field, fields::reserved());
    EXPECT_EQ(fields::templateName().length, 13);
    EXPECT_EQ(fields::knobDisplayName(4).mid, 0x14);
    EXPECT_EQ(fields::knobDisplayName(4).start, 0x09);

    EXPECT_FALSE(fields::locate(0x20, 0x00)) << "the template number is no template field";
    EXPECT_FALSE(fields::locate(0x23, 0x00));
    EXPECT_FALSE(fields::locate(0x1C, 0x00)) << "there are only twelve knobs";
    EXPECT_FALSE(fields::locate(0x00, 0x1B)) << "the common block has 27 bytes";
    EXPECT_FALSE(fields::locate(0x10, 0x1A)) << "a knob block has 26 bytes";

    // Every one of the 339 addressable bytes belongs to exactly one field.
    int count = 0;
    for (int mid = 0; mid < 0x80; ++mid) {
        for (int low = 0; low < 0x80; ++low) {
            count += fields::locate(static_cast<std::uint8_t>(mid), static_cast<std::uint8_t>(low)) ? 1 : 0;
        }
    }
    EXPECT_EQ(count, TemplateImage::kSize);
}

TEST(SimCodec, ParsesTheSynthesizersOwnReports)
{
    const Bytes bytes = bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x00, 0x05, 0x41, 0xF7});
    Message m;
    ASSERT_EQ(parseMessage(bytes, m), ParseError::Ok);
    EXPECT_EQ(m.kind, Message::Kind::ParamChange);
    EXPECT_EQ(m.direction, kFromSynth);
    EXPECT_EQ(m.addrMid, 0x00);
    EXPECT_EQ(m.addrLow, 0x05);
    ASSERT_EQ(m.data.size(), 1u);
    EXPECT_EQ(m.data[0], 0x41);

    ASSERT_EQ(parseMessage(bytesOf({0xF0, 0x43, 0x65, 0x02, 0xF7}), m), ParseError::Ok);
    EXPECT_EQ(m.kind, Message::Kind::BulkAck);
    EXPECT_EQ(m.device, 5);
}

TEST(SimCodec, FlagsBulkWithWrongChecksumHoweverCorrectItsCount)
{
    Bytes block = buildBulkBlock(0, kFromEditor, 1, Bytes(kKnobBlockSize, 0x41));
    Message m;
    ASSERT_EQ(parseMessage(block, m), ParseError::Ok);
    EXPECT_TRUE(m.checksumOk);
    EXPECT_TRUE(m.countOk);
    EXPECT_EQ(m.data.size(), static_cast<std::size_t>(kKnobBlockSize));

    block[block.size() - 2] ^= 0x01;
    ASSERT_EQ(parseMessage(block, m), ParseError::Ok);
    EXPECT_FALSE(m.checksumOk);
    EXPECT_TRUE(m.countOk);

    Bytes badCount = buildBulkHeader(0, kFromEditor, kAreaStored, 3);
    badCount[6] = 0x05;
    ASSERT_EQ(parseMessage(badCount, m), ParseError::Ok);
    EXPECT_FALSE(m.countOk);
}

TEST(SimCodec, RefusesTruncatedAndForeignMessagesWithoutReadingPastThem)
{
    Message m;
    EXPECT_EQ(parseMessage(Bytes{}, m), ParseError::NotSysEx);
    EXPECT_EQ(parseMessage(bytesOf({0xF0}), m), ParseError::NotSysEx);
    EXPECT_EQ(parseMessage(bytesOf({0xF0, 0xF7}), m), ParseError::TooShort);
    EXPECT_EQ(parseMessage(bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0xF7}), m), ParseError::TooShort);
    EXPECT_EQ(parseMessage(bytesOf({0xF0, 0x43, 0x00, 0x7F, 0x1C, 0x00, 0x04, 0x00, 0x0E, 0x6F, 0xF7}), m),
              ParseError::TooShort);
    EXPECT_EQ(parseMessage(bytesOf({0xF0, 0x43, 0x30, 0x7F, 0x1C, 0x00, 0x01, 0x20, 0x00, 0x00, 0xF7}), m),
              ParseError::WrongLength);
    EXPECT_EQ(parseMessage(bytesOf({0xF0, 0x43, 0x10, 0x7F, 0x1D, 0x00, 0x01, 0x20, 0x00, 0x00, 0xF7}), m),
              ParseError::BadModel);

    ASSERT_EQ(parseMessage(bytesOf({0xF0, 0x41, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x20, 0x00, 0x00, 0xF7}), m),
              ParseError::Ok);
    EXPECT_EQ(m.kind, Message::Kind::Unknown) << "another maker";
    ASSERT_EQ(parseMessage(bytesOf({0xF0, 0x43, 0x60, 0x03, 0xF7}), m), ParseError::Ok);
    EXPECT_EQ(m.kind, Message::Kind::Unknown) << "kind 6 without the 02 is no acknowledge";

    // Every prefix of a valid message, closed early, parses without reading past its end.
    const Bytes full = buildBulkBlock(0, kFromEditor, 0, Bytes(kCommonBlockSize, 0x30));
    for (std::size_t n = 1; n + 1 < full.size(); ++n) {
        Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        cut.push_back(kSysExEnd);
        const ParseError e = parseMessage(cut, m);
        if (e == ParseError::Ok && m.kind == Message::Kind::Bulk) {
            EXPECT_FALSE(m.countOk && m.checksumOk && m.data.size() == static_cast<std::size_t>(kCommonBlockSize))
                << "a cut block must not pass as whole at length " << n;
        }
    }
}

TEST(SimCodec, TemplateImageKeepsTextsBlankFilledAndSevenBit)
{
    TemplateImage image;
    EXPECT_EQ(image.text(fields::templateName()), "");
    EXPECT_EQ(image.text(fields::knobRemoteNumber(0)), "204143dff");
    image.setText(fields::templateName(), "A name that is far too long");
    EXPECT_EQ(image.text(fields::templateName()), "A name that i");
    image.setText(fields::knobDisplayName(11), "\xC3\xA9t\xC3\xA9");
    for (std::uint8_t b : image.bytes(fields::knobDisplayName(11))) {
        EXPECT_LT(b, 0x80);
    }
    EXPECT_FALSE(image.write(fields::controlType(), 0, Bytes{1, 2})) << "two bytes do not fit a number";
    EXPECT_FALSE(image.write(fields::templateName(), 12, Bytes{0x41, 0x42}));
    EXPECT_TRUE(image.write(fields::templateName(), 12, Bytes{0x41}));

    EXPECT_NE(TemplateImage::pattern(1, 0), TemplateImage::pattern(1, 1));
    EXPECT_NE(TemplateImage::pattern(1, 0), TemplateImage::pattern(2, 0));
    EXPECT_EQ(TemplateImage::pattern(4, 9), TemplateImage::pattern(4, 9));
}
