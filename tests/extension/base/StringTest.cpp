#include "String.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

using namespace Quorvane;

namespace {

std::u16string wide(const String& s)
{
    return std::u16string(s.text16());
}

// A text in each code page, as bytes and as 16-bit text.
struct RoundTrip
{
    uint32 codePage;
    const char* bytes;
    std::u16string text;
};
const RoundTrip kRoundTrips[] = {
    {65001,
     "Gr\xC3\xBC\xC3\x9F"
     "e \xE2\x82\xAC",
     u"Grüße €"},
    {1252, "\x80 caf\xE9", u"€ café"},
    {2, "\x8E\xA5", u"é•"},
    {10029, "\xFC\x8E", u"Łé"},
    {932, "\x93\xFA\x96\x7B", u"日本"},
    {437, "plain", u"plain"},
};

} // namespace

TEST(String, EmptyStringIsWideAndTurnsNarrowWhenReadAsBytes)
{
    String s;
    EXPECT_TRUE(s.isWide());
    EXPECT_STREQ(s.text8(), "");
    EXPECT_FALSE(s.isWide());
    EXPECT_EQ(s.ptr(), nullptr);
    EXPECT_EQ(s.length(), 0);
    EXPECT_EQ(std::u16string(String().text16()), u"");
    EXPECT_EQ(String().text16(), kEmptyString16);
    EXPECT_EQ(kEmptyString, kEmptyString16);
}

TEST(String, ReadingTheOtherWidthConvertsInPlace)
{
    String s("abc");
    EXPECT_FALSE(s.isWide());
    EXPECT_EQ(wide(s), u"abc");
    EXPECT_TRUE(s.isWide());
    EXPECT_EQ(s.length(), 3);
    EXPECT_EQ(s.getChar16(2), u'c');
    EXPECT_EQ(s.getChar16(3), 0);
    EXPECT_EQ(s.getChar16(-1), 0);
    EXPECT_EQ(s.getChar8(0), 'a');
    EXPECT_FALSE(s.isWide());
}

TEST(String, ConstViewReadsOnlyItsOwnWidth)
{
    ConstString narrow("xy");
    EXPECT_STREQ(narrow.text8(), "xy");
    EXPECT_EQ(narrow.text16(), kEmptyString16);
    EXPECT_EQ(narrow.getChar16(0), 0);
    ConstString wideView(u"xy");
    EXPECT_EQ(wideView.length(), 2);
    EXPECT_STREQ(wideView.text8(), "");
    EXPECT_EQ(wideView.getChar16(1), u'y');
    ConstString null(static_cast<const char8*>(nullptr));
    EXPECT_EQ(null.length(), 0);
    EXPECT_STREQ(null.text8(), "");
}

TEST(String, AssignTakesLengthFromTerminatorOrCaller)
{
    String s;
    s.assign("hello", 3);
    EXPECT_STREQ(s.text8(), "hel");
    s.assign("hi", 10);
    EXPECT_STREQ(s.text8(), "hi");
    EXPECT_EQ(s.length(), 2);
    s.assign("abcdef", 4, false);
    EXPECT_STREQ(s.text8(), "abcd");
    s.assign("zzz", -1, false); // a negative length without a terminator changes nothing
    EXPECT_STREQ(s.text8(), "abcd");
    s.assign(u"wide", -1);
    EXPECT_TRUE(s.isWide());
    EXPECT_EQ(wide(s), u"wide");
    s.assign(static_cast<const char8*>(nullptr));
    EXPECT_EQ(s.length(), 0);
    EXPECT_FALSE(s.isWide());
}

TEST(String, CopiesOwnTheirBufferAndKeepTheWidth)
{
    String a(u"copy me");
    String b(a);
    EXPECT_TRUE(b.isWide());
    EXPECT_NE(a.ptr(), b.ptr());
    a.assign(u"changed");
    EXPECT_EQ(wide(b), u"copy me");
    String c;
    c = b;
    EXPECT_EQ(wide(c), u"copy me");
    String d(std::move(c));
    EXPECT_EQ(wide(d), u"copy me");
    EXPECT_EQ(c.length(), 0);
    c = String("narrow");
    EXPECT_FALSE(c.isWide());
    EXPECT_STREQ(c.text8(), "narrow");
    String& alias = c;
    c = alias; // self-assignment keeps the text
    EXPECT_STREQ(c.text8(), "narrow");
}

TEST(String, ResizePadsWithSpacesAndStaysTerminated)
{
    String s("ab");
    ASSERT_TRUE(s.resize(5, false, true));
    EXPECT_EQ(std::memcmp(s.ptr(), "ab   ", 6), 0);
    ASSERT_TRUE(s.resize(1, false));
    EXPECT_EQ(static_cast<const char*>(s.ptr())[1], 0);
    s.updateLength();
    EXPECT_EQ(s.length(), 1);
    ASSERT_TRUE(s.resize(0, true));
    EXPECT_EQ(s.ptr(), nullptr);
    EXPECT_TRUE(s.isWide());
}

TEST(String, IsAsciiStringLooksAtEveryUnit)
{
    EXPECT_TRUE(String().isAsciiString());
    EXPECT_TRUE(String("plain text").isAsciiString());
    EXPECT_FALSE(String("caf\xC3\xA9").isAsciiString());
    EXPECT_TRUE(ConstString(u"abc").isAsciiString());
    EXPECT_FALSE(ConstString(u"\u00E9").isAsciiString());
}

TEST(CodePage, MapsEveryKnownCodePageAndReadsOthersAsAscii)
{
    EXPECT_EQ(encodingForCodePage(0), kEncodingMacRoman);
    EXPECT_EQ(encodingForCodePage(2), kEncodingMacRoman);
    EXPECT_EQ(encodingForCodePage(932), kEncodingShiftJIS_X0213);
    EXPECT_EQ(encodingForCodePage(1252), kEncodingWindowsLatin1);
    EXPECT_EQ(encodingForCodePage(10029), kEncodingMacCentralEurRoman);
    EXPECT_EQ(encodingForCodePage(65001), kEncodingUTF8);
    EXPECT_EQ(encodingForCodePage(437), kEncodingASCII);
}

TEST(CodePage, NarrowToUtf8WidensWithTheDefaultCodePageFirst)
{
    String s("caf\x8E"); // the default code page's e acute
    ASSERT_TRUE(s.toMultiByte(65001));
    EXPECT_FALSE(s.isWide());
    EXPECT_STREQ(s.text8(), "caf\xC3\xA9");
    EXPECT_EQ(s.length(), 5);
}

TEST(CodePage, ConvertsBothWaysInEachCodePage)
{
    for (const RoundTrip& c : kRoundTrips) {
        String narrow(c.bytes);
        ASSERT_TRUE(narrow.toWideString(c.codePage)) << c.codePage;
        EXPECT_EQ(wide(narrow), c.text) << c.codePage;
        String back(c.text.c_str());
        ASSERT_TRUE(back.toMultiByte(c.codePage)) << c.codePage;
        EXPECT_STREQ(back.text8(), c.bytes) << c.codePage;
    }
}

TEST(CodePage, CharactersTheTargetCannotHoldBecomeQuestionMarks)
{
    String greek(u"a\u03A9b");
    ASSERT_TRUE(greek.toMultiByte(1252));
    EXPECT_STREQ(greek.text8(), "a?b");

    String accented(u"\u00E9t\u00E9");
    ASSERT_TRUE(accented.toMultiByte(437)); // ASCII
    EXPECT_STREQ(accented.text8(), "?t?");

    // A character outside the basic plane is one character: one loss byte.
    String emoji(u"x\U0001F600y");
    ASSERT_TRUE(emoji.toMultiByte(1252));
    EXPECT_STREQ(emoji.text8(), "x?y");

    const char16 lone[] = {u'a', 0xD800, u'b', 0};
    String broken(lone);
    ASSERT_TRUE(broken.toMultiByte(65001));
    EXPECT_STREQ(broken.text8(), "a?b");
}

TEST(CodePage, BytesTheSourceDoesNotDefineBecomeSpaces)
{
    String invalidUtf8("a\xFF"
                       "b");
    ASSERT_TRUE(invalidUtf8.toWideString(65001));
    EXPECT_EQ(wide(invalidUtf8), u"a b");

    String cutUtf8("ab\xC3");
    ASSERT_TRUE(cutUtf8.toWideString(65001));
    EXPECT_EQ(wide(cutUtf8), u"ab ");

    String undefined1252("x\x81y");
    ASSERT_TRUE(undefined1252.toWideString(1252));
    EXPECT_EQ(wide(undefined1252), u"x y");

    String highAscii("a\xE9");
    ASSERT_TRUE(highAscii.toWideString(437));
    EXPECT_EQ(wide(highAscii), u"a ");
}

TEST(CodePage, ConversionFunctionsNeverWriteBeyondTheirLimit)
{
    char16 units[4];
    std::memset(units, 0x55, sizeof units);
    EXPECT_EQ(String::multiByteToWideString(nullptr, "abcdef", 0, 0), 7);
    EXPECT_EQ(String::multiByteToWideString(units, "abcdef", 3, 0), 3);
    EXPECT_EQ(std::u16string(units), u"ab");
    EXPECT_EQ(units[3], 0x5555);
    EXPECT_EQ(String::multiByteToWideString(units, nullptr, 4, 0), 0);
    EXPECT_EQ(String::multiByteToWideString(units, "x", 0, 0), 0);

    char bytes[5];
    std::memset(bytes, 0x55, sizeof bytes);
    // Two-byte characters: the third does not fit and is not cut in half.
    EXPECT_EQ(String::wideStringToMultiByte(bytes, u"\u00E9\u00E9\u00E9", 4, 65001), 3);
    EXPECT_STREQ(bytes, "\xC3\xA9");
    EXPECT_EQ(bytes[4], 0x55);
    EXPECT_EQ(String::wideStringToMultiByte(nullptr, u"\u00E9\u00E9", 0, 65001), 4);
    EXPECT_EQ(String::wideStringToMultiByte(bytes, nullptr, 5, 65001), 0);
    EXPECT_EQ(String::wideStringToMultiByte(bytes, u"", 5, 65001), 0);
}

TEST(CodePage, AConversionCutShortLeavesNothingBehindForTheNext)
{
    // Shift-JIS X0213 holds a kana back until it knows whether a combining mark follows.
    char alone[8] = {};
    const int32 length = String::wideStringToMultiByte(alone, u"\u309A", sizeof alone, 932);
    ASSERT_GT(length, 0);
    for (int round = 0; round < 3; ++round) {
        char cut[2] = {};
        String::wideStringToMultiByte(cut, u"\u304B", sizeof cut, 932);
        char again[8] = {};
        EXPECT_EQ(String::wideStringToMultiByte(again, u"\u309A", sizeof again, 932), length);
        EXPECT_STREQ(again, alone);
    }
}

TEST(CodePage, CountingAShiftJisTextThatOverrunsTheCountingAreaEnds)
{
    // Counted in pieces, this text once made the C library's decoder report its area full without taking
    // any input, for ever; it widens to 233 units.
    const std::string text = std::string(" c\x01\x03\x86N") + std::string(140, '\x86') + "F8?DCF1" +
                             std::string(46, '\x86') + "F8?DCF175A7304BE5\x9d\x9d\x9d" + "A1.DE1553899D2504";
    std::vector<char16> whole(1024, 0);
    const int32 written = String::multiByteToWideString(whole.data(), text.c_str(), int32(whole.size()), 932);
    EXPECT_EQ(written, 234); // with the terminator
    EXPECT_EQ(String::multiByteToWideString(nullptr, text.c_str(), 0, 932), written);
    String narrow(text.c_str());
    ASSERT_TRUE(narrow.toWideString(932));
    EXPECT_EQ(narrow.length(), written - 1);
}

TEST(CodePage, ManyThreadsConvertingAtOnceEachGetTheirOwnText)
{
    constexpr int kThreads = 8;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            for (int round = 0; round < 200; ++round) {
                const RoundTrip& c = kRoundTrips[static_cast<std::size_t>(i + round) % std::size(kRoundTrips)];
                String narrow(c.bytes);
                String back(c.text.c_str());
                if (!narrow.toWideString(c.codePage) || wide(narrow) != c.text || !back.toMultiByte(c.codePage) ||
                    std::strcmp(back.text8(), c.bytes) != 0)
                    failures.fetch_add(1);
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST(StringCompare, EmptyStringsAndZeroCountFollowTheRules)
{
    const String empty;
    const String a("a");
    EXPECT_EQ(empty.compare(String()), 0);
    EXPECT_EQ(a.compare(empty), 1);
    EXPECT_EQ(empty.compare(a), -1);
    EXPECT_EQ(a.compare(String("zzz"), 0, ConstString::kCaseSensitive), 0);
    EXPECT_EQ(empty.compare(a, 0, ConstString::kCaseSensitive), 0);
}

TEST(StringCompare, WideTextsCompareUnitByUnit)
{
    const String abc(u"abc");
    EXPECT_EQ(abc.compare(String(u"abd")), u'c' - u'd');
    EXPECT_EQ(abc.compare(String(u"ab")), 1);
    EXPECT_EQ(String(u"ab").compare(abc), -1);
    EXPECT_EQ(abc.compare(String(u"abc")), 0);
    EXPECT_EQ(abc.compare(String(u"abz"), 2, ConstString::kCaseSensitive), 0);
    EXPECT_EQ(abc.compare(String(u"ABC"), ConstString::kCaseInsensitive), 0);
    EXPECT_EQ(String(u"\u00C4RGER").compare(String(u"\u00E4rger"), ConstString::kCaseInsensitive), 0);
    EXPECT_EQ(String(u"\u0416").compare(String(u"\u0436"), ConstString::kCaseInsensitive), 0);
    // Units without a one-to-one case mapping compare as they are.
    EXPECT_NE(String(u"\u4E00").compare(String(u"\u4E01"), ConstString::kCaseInsensitive), 0);
    EXPECT_LT(String(u"a").compare(String(u"B"), ConstString::kCaseInsensitive), 0);
}

TEST(StringCompare, NarrowAndMixedWidthTexts)
{
    EXPECT_LT(String("apple").compare(String("banana")), 0);
    EXPECT_EQ(String("HeLLo").compare(String("hello"), ConstString::kCaseInsensitive), 0);
    EXPECT_EQ(String("hello world").compare(String("help"), 3, ConstString::kCaseSensitive), 0);
    EXPECT_EQ(ConstString("abc").compare(ConstString(u"abc")), 0);
    EXPECT_GT(ConstString(u"abd").compare(ConstString("abc")), 0);
    EXPECT_EQ(ConstString("ABC").compare(ConstString(u"abc"), ConstString::kCaseInsensitive), 0);
    // A mixed comparison leaves both sides as they were.
    String narrow("abc");
    String wideText(u"abc");
    EXPECT_EQ(narrow.compare(wideText), 0);
    EXPECT_FALSE(narrow.isWide());
    EXPECT_TRUE(wideText.isWide());
}

TEST(StringCompare, CompareAtStartsAtTheIndex)
{
    const String text("prefix-body");
    EXPECT_EQ(text.compareAt(7, String("body")), 0);
    EXPECT_EQ(text.compareAt(11, String("body")), -1);
    EXPECT_EQ(text.compareAt(-1, String("body")), -1);
    EXPECT_EQ(String(u"prefix-body").compareAt(7, String("BODY"), -1, ConstString::kCaseInsensitive), 0);
    EXPECT_EQ(String("prefix-body").compareAt(7, String(u"body")), 0);
}

TEST(StringCase, FoldsOnlyWhatMapsOneToOne)
{
    EXPECT_EQ(ConstString::toLower('A'), 'a');
    EXPECT_EQ(ConstString::toUpper('z'), 'Z');
    EXPECT_EQ(ConstString::toLower('1'), '1');
    EXPECT_EQ(ConstString::toLower(char16(u'\u00C9')), u'\u00E9');
    EXPECT_EQ(ConstString::toUpper(char16(u'\u00FF')), u'\u0178');
    EXPECT_EQ(ConstString::toLower(char16(u'\u00D7')), u'\u00D7');
    EXPECT_EQ(ConstString::toLower(char16(u'\u0141')), u'\u0142');
    EXPECT_EQ(ConstString::toUpper(char16(u'\u0142')), u'\u0141');
    EXPECT_EQ(ConstString::toLower(char16(u'\u0100')), u'\u0101');
    EXPECT_EQ(ConstString::toUpper(char16(u'\u03C9')), u'\u03A9');
    EXPECT_EQ(ConstString::toLower(char16(0xFFFF)), 0xFFFF);
    EXPECT_EQ(ConstString::toLower(char16(0x3042)), 0x3042);
}

TEST(ConstStringTable, SameLiteralGivesTheSamePointer)
{
    static const char first[] = "Volume";
    static const char second[] = "Volume";
    ConstStringTable* table = ConstStringTable::instance();
    ASSERT_EQ(table, ConstStringTable::instance());
    const char16* a = table->getString(first);
    EXPECT_EQ(a, table->getString(first));
    EXPECT_EQ(std::u16string(a), u"Volume");
    const char16* b = table->getString(second);
    EXPECT_NE(a, b);
    EXPECT_EQ(std::u16string(b), u"Volume");
    EXPECT_EQ(table->getString(static_cast<const char*>(nullptr)), kEmptyString16);
}

TEST(ConstStringTable, WidensBytesBySignExtension)
{
    static const char high[] = "\xE9!";
    const char16* s = ConstStringTable::instance()->getString(high);
    EXPECT_EQ(s[0], 0xFFE9);
    EXPECT_EQ(s[1], u'!');
    EXPECT_EQ(ConstStringTable::instance()->getString('A'), u'A');
    EXPECT_EQ(ConstStringTable::instance()->getString('\x80'), 0xFF80);
}

TEST(ConstStringTable, ManyThreadsFetchingOneLiteralShareOneCopy)
{
    static const char literal[] = "Pan Left-Right";
    constexpr int kThreads = 8;
    std::vector<const char16*> results(kThreads);
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            ready.fetch_add(1);
            while (ready.load() < kThreads) {
            }
            static const char* others[] = {"a", "b", "c", "d"};
            for (const char* other : others)
                ConstStringTable::instance()->getString(other);
            results[static_cast<std::size_t>(i)] = ConstStringTable::instance()->getString(literal);
        });
    }
    for (auto& t : threads)
        t.join();
    for (const char16* r : results)
        EXPECT_EQ(r, results[0]);
}
