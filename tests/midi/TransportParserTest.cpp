#include "TransportHarness.h"

#include <gtest/gtest.h>

using kwtest::Received;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Feeds the chunks to a fresh transport, stops its delivery thread (which delivers everything
// queued) and returns what the listener got.
std::vector<Received> parse(const std::vector<Bytes>& chunks)
{
    kwtest::RecordingListener listener;
    {
        kwtest::ParserHarness transport(&listener);
        for (const Bytes& chunk : chunks)
            transport.feed(chunk);
        transport.stopPusherThread();
    }
    return listener.taken();
}

Bytes shortData(std::uint8_t d0, std::uint8_t d1 = 0)
{
    return {d0, d1, 0, 0};
}

} // namespace

TEST(MidiParser, ChannelMessagesBecomeShortRecords)
{
    const auto got = parse({{0x90, 0x40, 0x7F, 0x8A, 0x3C, 0x00, 0xA1, 1, 2, 0xB2, 7, 100, 0xC5, 0x10, 0xD6, 0x33,
                             0xEF, 0x00, 0x40}});
    ASSERT_EQ(got.size(), 7u);
    EXPECT_EQ(got[0].type, MPEV_NOTEON);
    EXPECT_EQ(got[0].channel, 0);
    EXPECT_EQ(got[0].bytes, shortData(0x40, 0x7F));
    EXPECT_EQ(got[0].length, 0);
    EXPECT_EQ(got[1].type, MPEV_NOTEOFF);
    EXPECT_EQ(got[1].channel, 10);
    EXPECT_EQ(got[2].type, MPEV_KEYPRESSURE);
    EXPECT_EQ(got[3].type, MPEV_CONTROL);
    EXPECT_EQ(got[3].bytes, shortData(7, 100));
    EXPECT_EQ(got[4].type, MPEV_PROGRAM);
    EXPECT_EQ(got[4].channel, 5);
    EXPECT_EQ(got[4].bytes, shortData(0x10));
    EXPECT_EQ(got[5].type, MPEV_CHANPRESSURE);
    EXPECT_EQ(got[6].type, MPEV_PITCHBEND);
    EXPECT_EQ(got[6].channel, 15);
    EXPECT_EQ(got[6].bytes, shortData(0x00, 0x40));
}

TEST(MidiParser, ActiveSensingIsRecordedAndOtherRealTimeBytesAreNot)
{
    const auto got = parse({{0xF8, 0xFE, 0xFA, 0xFF}});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].type, MPEV_ACTIVESENSE);
    EXPECT_EQ(got[0].bytes, (Bytes{0, 0xFE, 0, 0}));
}

TEST(MidiParser, SysExInOneChunkIsOneRecordBehindItsF0)
{
    const auto got = parse({{0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x00, 0x00, 0x05, 0xF7}});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].type, MPEV_SYSEX);
    EXPECT_EQ(got[0].length, 10);
    EXPECT_EQ(got[0].bytes, (Bytes{0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x00, 0x00, 0x05, 0xF7}));
}

TEST(MidiParser, SysExSplitAcrossChunksGrowsUntilItsF7)
{
    const Bytes whole{0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0xF7};
    auto got = parse({{0xF0, 0x43, 0x10}, {0x7F, 0x1C, 0x01, 0xF7}});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].bytes, Bytes(whole.begin() + 1, whole.end()));

    std::vector<Bytes> single;
    for (std::uint8_t b : whole)
        single.push_back({b});
    got = parse(single);
    ASSERT_EQ(got.size(), 1u) << "byte-by-byte chunks";
    EXPECT_EQ(got[0].bytes, Bytes(whole.begin() + 1, whole.end()));

    got = parse({{0x90, 0x40, 0x7F, 0xF0}, {0x43, 0xF7}});
    ASSERT_EQ(got.size(), 2u) << "a chunk ending in a lone F0 opens a SysEx the next one continues";
    EXPECT_EQ(got[1].type, MPEV_SYSEX);
    EXPECT_EQ(got[1].bytes, (Bytes{0x43, 0xF7}));
}

TEST(MidiParser, SeveralSysExInOneChunkAreSeparateRecords)
{
    const auto got = parse({{0xF0, 0x43, 0x01, 0xF7, 0xF0, 0x43, 0x02, 0x03, 0xF7, 0xFE, 0xF0, 0x43, 0x04, 0xF7}});
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].bytes, (Bytes{0x43, 0x01, 0xF7}));
    EXPECT_EQ(got[1].bytes, (Bytes{0x43, 0x02, 0x03, 0xF7}));
    EXPECT_EQ(got[1].length, 4);
    EXPECT_EQ(got[2].type, MPEV_ACTIVESENSE);
    EXPECT_EQ(got[3].bytes, (Bytes{0x43, 0x04, 0xF7}));
}

TEST(MidiParser, RealTimeBytesInsideSysExAreSkippedWithoutBreakingIt)
{
    const auto got = parse({{0xF0, 0x43, 0xF8, 0x01, 0xFE}, {0xFE, 0x02, 0xFA, 0xF7}});
    ASSERT_EQ(got.size(), 1u) << "active sensing inside a SysEx yields nothing";
    EXPECT_EQ(got[0].type, MPEV_SYSEX);
    EXPECT_EQ(got[0].bytes, (Bytes{0x43, 0x01, 0x02, 0xF7}));
}

TEST(MidiParser, OtherStatusBytesEndAnUnterminatedSysEx)
{
    auto got = parse({{0xF0, 0x43, 0x01}, {0x90, 0x40, 0x7F}});
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].type, MPEV_SYSEX);
    EXPECT_EQ(got[0].bytes, (Bytes{0x43, 0x01, 0xF7})) << "closed with an appended F7";
    EXPECT_EQ(got[1].type, MPEV_NOTEON);

    got = parse({{0xF0, 0x43, 0xF0, 0x44, 0xF7, 0xF0, 0x45, 0xF1, 0x05}});
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].bytes, (Bytes{0x43, 0xF7}));
    EXPECT_EQ(got[1].bytes, (Bytes{0x44, 0xF7}));
    EXPECT_EQ(got[2].bytes, (Bytes{0x45, 0xF7})) << "F1 ends the SysEx and is skipped with its data byte";
}

TEST(MidiParser, F7OpensAContinuationRecordAndALoneF7CarriesNothing)
{
    auto got = parse({{0xF7, 0x43, 0x01, 0xF7}});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].type, MPEV_SYSEXCONT);
    EXPECT_EQ(got[0].bytes, (Bytes{0x43, 0x01, 0xF7}));

    got = parse({{0xF7, 0xF7, 0xF7, 0x90, 0x40, 0x7F}});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].type, MPEV_NOTEON);
}

TEST(MidiParser, TruncatedMessagesAndStrayBytesYieldNothing)
{
    EXPECT_TRUE(parse({{0x40, 0x7F}}).empty()) << "data bytes without a status (no running status)";
    EXPECT_TRUE(parse({{0x90, 0x40}, {0x7F}}).empty()) << "a channel message cut at the end of its chunk";
    EXPECT_TRUE(parse({{0xF1, 0x05, 0xF2, 0x01, 0x02, 0xF3, 0x01, 0xF6, 0xF4, 0xF5}}).empty());
    EXPECT_TRUE(parse({{}}).empty());

    auto got = parse({{0x01, 0x02, 0x03, 0x90, 0x40, 0x7F, 0x11, 0x12}});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].bytes, shortData(0x40, 0x7F));

    got = parse({{0x90, 0x40, 0xF0, 0x43, 0xF7}});
    ASSERT_EQ(got.size(), 1u) << "a status byte where a data byte belongs cuts the message short";
    EXPECT_EQ(got[0].type, MPEV_SYSEX);
    EXPECT_EQ(got[0].bytes, (Bytes{0x43, 0xF7}));
}

TEST(MidiParser, SysExLongerThanTheCapIsDroppedWithItsTail)
{
    const int cap = TMIDITransport::kMaxLongRecordBytes;
    Bytes fits(static_cast<std::size_t>(cap), 0x11);
    fits.front() = 0xF0;
    fits.back() = 0xF7;
    auto got = parse({fits});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].length, cap - 1);

    Bytes tooLong(static_cast<std::size_t>(cap) + 1, 0x22);
    tooLong.front() = 0xF0;
    tooLong.back() = 0xF7;
    got = parse({{tooLong.begin(), tooLong.begin() + 1000}, {tooLong.begin() + 1000, tooLong.end()},
                 {0x90, 0x40, 0x7F, 0xF0, 0x43, 0xF7}});
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].type, MPEV_NOTEON);
    EXPECT_EQ(got[1].bytes, (Bytes{0x43, 0xF7}));

    Bytes endless(200000, 0x33);
    endless.front() = 0xF0;
    got = parse({endless, {0xF8, 0x01, 0xB0, 0x07, 0x10}});
    ASSERT_EQ(got.size(), 1u) << "an unterminated SysEx ends at the next status byte, dropped";
    EXPECT_EQ(got[0].type, MPEV_CONTROL);
}
