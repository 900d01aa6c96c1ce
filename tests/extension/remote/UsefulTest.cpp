#include "Useful.h"

#include "FakeHostObjects.h"
#include "SimHost.h"

#include <gtest/gtest.h>

using namespace Useful;

TEST(UsefulText, ComparesWithAndWithoutCase)
{
    EXPECT_TRUE(isSameString(u"Abc", u"aBC", true));
    EXPECT_FALSE(isSameString(u"Abc", u"aBC", false));
    EXPECT_FALSE(isSameString(static_cast<const char16_t*>(nullptr), u"a", true));
    EXPECT_FALSE(isSameString(u"a", static_cast<const char16_t*>(nullptr), false));
    EXPECT_TRUE(isSameString("Abc", "aBC", true));
    EXPECT_FALSE(isSameString(static_cast<const char*>(nullptr), "a", true));
    EXPECT_TRUE(isSameString(String16(u"EQ"), String16(u"eq"), true));
    EXPECT_TRUE(isSameString(String8("x"), String8("x"), false));
}

TEST(UsefulText, FoldsOnlyUnitsItCanFoldSafely)
{
    // Units above 255 never reach the C library: they stay as they are, and so compare exactly.
    EXPECT_EQ(getLowerCaseString(u"A\u0100Z\u03A9"), String16(u"a\u0100z\u03A9"));
    EXPECT_FALSE(isSameString(u"\u0100", u"\u0101", true));
    EXPECT_EQ(getLowerCaseString("AbC\xC3\x89"), String8("abc\xC3\x89"));
    EXPECT_EQ(getLowerCaseString(static_cast<const char*>(nullptr)), String8());
}

TEST(UsefulText, FindsPartsWithAndWithoutCase)
{
    EXPECT_TRUE(isContainedInString(u"Telvor ZELK6/ZELK8 Port2", u"zelk6/zelk8 port2", true));
    EXPECT_FALSE(isContainedInString(u"Telvor ZELK6/ZELK8 Port2", u"zelk6/zelk8 port2", false));
    EXPECT_FALSE(isContainedInString(u"abc", nullptr, true));
    EXPECT_TRUE(isContainedInString("Bass Pad", "Pad", false));
}

TEST(UsefulText, ReplacesTheFirstOccurrenceOnly)
{
    String16 s = u"EQ 1 Gain Gain";
    EXPECT_TRUE(replaceString(&s, u"Gain", u"G"));
    EXPECT_EQ(s, u"EQ 1 G Gain");
    EXPECT_FALSE(replaceString(&s, u"", u"x"));
    EXPECT_FALSE(replaceString(&s, u"Freq", u"F"));
    EXPECT_FALSE(replaceString(&s, u"G", nullptr));
    String16 empty;
    EXPECT_FALSE(replaceString(&empty, u"a", u"b"));
    String8 s8 = "EQ 1 Gain";
    EXPECT_TRUE(replaceString(&s8, "Gain", "G"));
    EXPECT_EQ(s8, "EQ 1 G");
}

TEST(UsefulText, RemovesSpaces)
{
    String16 all = u"  a b ";
    removeSpaceFromString(&all, false);
    EXPECT_EQ(all, u"ab");
    String16 leading = u"  a b ";
    removeSpaceFromString(&leading, true);
    EXPECT_EQ(leading, u"a b ");
    String16 blanks = u"    ";
    removeSpaceFromString(&blanks, false);
    EXPECT_EQ(blanks, u"");
    String8 pad = "Bass Pad";
    removeSpaceFromString(&pad, false);
    EXPECT_EQ(pad, "BassPad");
    String8 two = " a ";
    removeSpaceFromString(&two, false);
    EXPECT_EQ(two, "a");
}

TEST(UsefulText, ConvertsBetweenHostTextAndUtf8)
{
    EXPECT_EQ(getCString(u"Caf\u00E9"), String8("Caf\xC3\xA9"));
    EXPECT_EQ(getCString(nullptr), String8());
    EXPECT_EQ(getTString("Caf\xC3\xA9"), String16(u"Caf\u00E9"));
    EXPECT_EQ(getTString(nullptr), String16());
    EXPECT_EQ(strToL(u"1F", true), 31);
    EXPECT_EQ(strToL(u"12ab", false), 12);
    EXPECT_EQ(strToL(nullptr, true), 0);
    EXPECT_TRUE(isASCIIString(u"Volume"));
    EXPECT_FALSE(isASCIIString(u"Caf\u00E9"));
    EXPECT_FALSE(isASCIIString(nullptr));
}

TEST(UsefulValues, ReadsTheValueTextAndTerminatesAFullBuffer)
{
    fakehost::FakeValue value;
    value.text = u"-6.0 dB";
    EXPECT_EQ(getValueString(&value), u"-6.0 dB");
    // A host that fills all 256 units and leaves no terminator: the text is cut at 255 units.
    value.text = String16(300, u'x');
    value.fillWithoutTerminator = true;
    EXPECT_EQ(getValueString(&value), String16(255, u'x'));
    EXPECT_EQ(getValueString(nullptr), String16());
}

TEST(UsefulValues, FindsTheDeviceOwningAValue)
{
    fakehost::FakeDevice device("Synth");
    fakehost::FakeValue value;
    value.owner = &device;
    EXPECT_EQ(getIDeviceFromIValue(&value), &device);
    EXPECT_EQ(value.refs, 1);
    EXPECT_EQ(device.refs, 1);
    value.owner = nullptr;
    EXPECT_EQ(getIDeviceFromIValue(&value), nullptr);
    value.owner = &device;
    value.answersValue2 = false;
    EXPECT_EQ(getIDeviceFromIValue(&value), nullptr);
    EXPECT_EQ(getIDeviceFromIValue(nullptr), nullptr);
}

TEST(UsefulValues, TellsTrackKindsByTypeName)
{
    fakehost::FakeDevice audio("AudioChannel"), midi("MidiChannel"), synth("Synth"), fx("FxChannel"),
        group("GroupChannel"), input("InputChannel"), output("OutputChannel"), nameless("");
    EXPECT_TRUE(isAudioTrack(&audio));
    EXPECT_TRUE(isMIDITrack(&midi));
    EXPECT_TRUE(isInstrumentTrack(&synth));
    EXPECT_TRUE(isFXTrack(&fx));
    EXPECT_TRUE(isGroupTrack(&group));
    EXPECT_TRUE(isInputChannel(&input));
    EXPECT_TRUE(isOutputChannel(&output));
    EXPECT_FALSE(isAudioTrack(&midi));
    EXPECT_FALSE(isMIDITrack(&nameless));
    EXPECT_FALSE(isInstrumentTrack(nullptr));
    fakehost::FakeDevice lower("synth");
    EXPECT_FALSE(isInstrumentTrack(&lower));
}

TEST(UsefulValues, ComparesSysExHeads)
{
    const unsigned char data[] = {0xF0, 0x43, 0x10};
    const unsigned char head[] = {0xF0, 0x43, 0x30};
    EXPECT_TRUE(isSysExMessage(data, head, 2));
    EXPECT_FALSE(isSysExMessage(data, head, 3));
    EXPECT_FALSE(isSysExMessage(data, head, 0));
    EXPECT_FALSE(isSysExMessage(nullptr, head, 1));
}

TEST(ElapsedTimeChecker, DecidesWhetherAnIntervalPassed)
{
    CElapsedTimeChecker checker;
    EXPECT_TRUE(checker.IsBaseTimeReset());
    checker.SetBaseTime(400);
    EXPECT_TRUE(checker.IsPassed(nullptr, 1000, 500, true));
    EXPECT_EQ(checker.GetBaseTime(), 1000);
    checker.SetBaseTime(600);
    EXPECT_FALSE(checker.IsPassed(nullptr, 1000, 500, true));
    EXPECT_EQ(checker.GetBaseTime(), 600);
    checker.SetBaseTime(1200); // the clock ran backwards
    EXPECT_TRUE(checker.IsPassed(nullptr, 1000, 500, false));
    EXPECT_EQ(checker.GetBaseTime(), 1200);
    EXPECT_FALSE(checker.IsPassed(nullptr, 1000, -1, true));
    checker.ResetBaseTime();
    EXPECT_TRUE(checker.IsBaseTimeReset());
}

TEST(ElapsedTimeChecker, ReadsTheHostsClock)
{
    simhost::SimHost host;
    Quorvane::IHostClasses* classes = host.context();
    host.clock().set(5000);
    Quorvane::int32 now = 0;
    ASSERT_TRUE(CElapsedTimeChecker::GetCurrentTime(classes, &now));
    EXPECT_EQ(now, 5000);
    EXPECT_FALSE(CElapsedTimeChecker::GetCurrentTime(classes, nullptr));
    EXPECT_FALSE(CElapsedTimeChecker::GetCurrentTime(nullptr, &now));

    CElapsedTimeChecker checker;
    ASSERT_TRUE(checker.UpdateBaseTime(classes));
    EXPECT_EQ(checker.GetBaseTime(), 5000);
    host.clock().advance(99);
    EXPECT_FALSE(checker.IsPassed(classes, 0, 100, true));
    host.clock().advance(1);
    EXPECT_TRUE(checker.IsPassed(classes, 0, 100, true));
    EXPECT_EQ(checker.GetBaseTime(), 5100);

    host.clock().setAvailable(false);
    EXPECT_FALSE(checker.UpdateBaseTime(classes));
    EXPECT_FALSE(checker.IsPassed(classes, 0, 0, true));
    EXPECT_EQ(checker.GetBaseTime(), 5100);
}
