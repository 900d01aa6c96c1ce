#include "SysEx.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

// Wire bytes (F0 .. F7) from a list of numbers.
QByteArray wire(std::initializer_list<int> bytes)
{
    QByteArray b;
    for (int v : bytes)
        b.append(char(v));
    return b;
}

// The record form of wire bytes: everything behind F0.
QByteArray record(std::initializer_list<int> bytes)
{
    return wire(bytes).mid(1);
}

#define EXPECT_BYTES(actual, expected) EXPECT_EQ(SysEx::toHex(actual), SysEx::toHex(expected))

} // namespace

TEST(SysExFraming, EditBufferHeaderOfTemplate49MatchesTheWorkedExample)
{
    EXPECT_BYTES(SysEx::wireForm(SysEx::bulkHeader(SysEx::kAreaEditBuffer, 49)),
                 wire({0xF0, 0x43, 0x00, 0x7F, 0x1C, 0x00, 0x04, 0x00, 0x0E, 0x6F, 0x31, 0x52, 0xF7}));
}

TEST(SysExFraming, StoreToFlashMatchesTheWorkedExample)
{
    const QByteArray r = SysEx::storeToFlash();
    EXPECT_BYTES(SysEx::wireForm(r),
                 wire({0xF0, 0x43, 0x00, 0x7F, 0x1C, 0x00, 0x04, 0x00, 0x11, 0x00, 0x00, 0x6F, 0xF7}));
    EXPECT_EQ(r.size(), 12);
}

TEST(SysExFraming, FooterCarriesTheSameAreaAndTemplateAsTheHeader)
{
    EXPECT_BYTES(SysEx::wireForm(SysEx::bulkFooter(SysEx::kAreaStored, 0)),
                 wire({0xF0, 0x43, 0x00, 0x7F, 0x1C, 0x00, 0x04, 0x00, 0x0F, 0x60, 0x00, 0x11, 0xF7}));
}

TEST(SysExFraming, ParameterMessagesHaveTheirFixedForms)
{
    EXPECT_BYTES(SysEx::wireForm(SysEx::storeCommand()),
                 wire({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x22, 0x00, 0xF7}));
    EXPECT_BYTES(SysEx::wireForm(SysEx::parameterRequest(0x20, 0x00)),
                 wire({0xF0, 0x43, 0x30, 0x7F, 0x1C, 0x00, 0x01, 0x20, 0x00, 0xF7}));
    EXPECT_BYTES(SysEx::wireForm(SysEx::bulkRequest(SysEx::kAreaEditBuffer, 49)),
                 wire({0xF0, 0x43, 0x20, 0x7F, 0x1C, 0x00, 0x0E, 0x6F, 0x31, 0xF7}));
    // Knob 2's control-change number set to 64.
    EXPECT_BYTES(SysEx::wireForm(SysEx::parameterChange(0x12, 0x18, QByteArray(1, char(64)))),
                 wire({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x12, 0x18, 0x40, 0xF7}));
    EXPECT_EQ(SysEx::parameterRequest(0x23, 0x00).size(), 9);
    EXPECT_EQ(SysEx::bulkRequest(SysEx::kAreaStored, 0).size(), 9);
    EXPECT_EQ(SysEx::parameterChange(0x14, 0x00, QByteArray(9, 'a')).size(), 9 + 9);
}

TEST(SysExFraming, BlockCountsAre31And30)
{
    const QByteArray common = SysEx::commonBlockMessage({});
    ASSERT_EQ(common.size(), SysEx::kBulkOverhead + 27);
    EXPECT_EQ(uchar(common[4]), 0x00);
    EXPECT_EQ(uchar(common[5]), 0x1F);
    const QByteArray knob = SysEx::controllerBlockMessage(11, {});
    ASSERT_EQ(knob.size(), SysEx::kBulkOverhead + 26);
    EXPECT_EQ(uchar(knob[4]), 0x00);
    EXPECT_EQ(uchar(knob[5]), 0x1E);
    EXPECT_EQ(uchar(knob[8]), 0x1B); // address mid of knob 11
}

TEST(SysExFraming, ByteCountSpillsIntoTheHighByteAbove127)
{
    unsigned char high = 0xFF;
    unsigned char low = 0xFF;
    SysEx::splitByteCount(SysEx::byteCount(200), &high, &low);
    EXPECT_EQ(high, 1);
    EXPECT_EQ(low, (204 & 0x7F));
    const QByteArray r = SysEx::bulkMessage(0x01, 0x00, 0x00, QByteArray(200, 'x'));
    const SysEx::Message m = SysEx::parse(r);
    EXPECT_EQ(m.byteCount, 204);
    EXPECT_TRUE(m.checksumOk);
}

TEST(SysExChecksum, BringsTheSumToAMultipleOf128)
{
    const unsigned char store[] = {0x00, 0x11, 0x00, 0x00};
    EXPECT_EQ(SysEx::checksum(store, 4), 0x6F);
    const unsigned char zero[] = {0x00, 0x00};
    EXPECT_EQ(SysEx::checksum(zero, 2), 0x00);
    // Bytes are taken & 7F, and the sum wraps.
    const unsigned char high[] = {0xFF, 0x7F, 0x01};
    EXPECT_EQ((0x7F + 0x7F + 0x01 + SysEx::checksum(high, 3)) & 0x7F, 0);
    EXPECT_EQ(SysEx::checksum(nullptr, 5), 0x00);
}

TEST(SysExText, FieldsAreCutAndBlankFilled)
{
    EXPECT_EQ(SysEx::encodeText(QStringLiteral("Lead"), 13), QByteArray("Lead         "));
    EXPECT_EQ(SysEx::encodeText(QStringLiteral("A very long instrument"), 12), QByteArray("A very long "));
    EXPECT_EQ(SysEx::encodeText(QString(), 3), QByteArray("   "));
    EXPECT_TRUE(SysEx::encodeText(QStringLiteral("x"), 0).isEmpty());
}

TEST(SysExText, CharactersOutside7BitAsciiAreReplacedBeforeSending)
{
    const QByteArray t = SysEx::encodeText(QString::fromUtf8("Pi\xC3\xA4no\t\x7F~"), 9);
    EXPECT_EQ(t, QByteArray("Pi?no??~ "));
    for (char c : SysEx::encodeText(QString::fromUtf8("\xE2\x82\xAC\xF0\x9F\x8E\xB9"), 15))
        EXPECT_LT(uchar(c), 0x80);
}

TEST(SysExText, ShortRemoteNumberIsPaddedLikeTheBulkBlock)
{
    const QByteArray id = SysEx::encodeText(QStringLiteral("1234"), SysEx::kRemoteNumberLength);
    EXPECT_EQ(id, QByteArray("1234     "));
    SysEx::ControllerBlock block;
    block.remoteNumber = QStringLiteral("1234");
    EXPECT_EQ(SysEx::encodeControllerBlock(block).left(9), id);
}

TEST(SysExText, ReceivedTextLosesTrailingBlanksAndControlCharacters)
{
    const QByteArray raw("Lead  A      ");
    EXPECT_EQ(SysEx::decodeText(raw), QStringLiteral("Lead  A"));
    EXPECT_EQ(SysEx::decodeText(QByteArray("             ")), QString());
    EXPECT_EQ(SysEx::decodeText(wire({'a', 0x00, 'b', 0x0A, 0x7F, 'c'})), QStringLiteral("a b  c"));
    EXPECT_EQ(SysEx::decodeText(nullptr, 4), QString());
}

TEST(SysExNumbers, StayWithinSevenBits)
{
    EXPECT_EQ(SysEx::encodeNumber(64), 0x40);
    EXPECT_EQ(SysEx::encodeNumber(127), 0x7F);
    EXPECT_LT(SysEx::encodeNumber(0x1FF), 0x80);
    EXPECT_LT(SysEx::encodeNumber(-1), 0x80);
    // No builder lets a status byte into a message body.
    const QByteArray r = SysEx::parameterChange(0x90, 0xFF, QByteArray(1, char(0xF7)));
    for (int i = 1; i < r.size() - 1; ++i)
        EXPECT_LT(uchar(r[i]), 0x80) << i;
}

TEST(SysExBlocks, RoundTripThroughEncodeAndParse)
{
    SysEx::CommonBlock common;
    common.templateName = QStringLiteral("Bright Pad");
    common.qpxiName = QStringLiteral("SuperSynth");
    common.controlType = 1;
    const SysEx::Message c = SysEx::parse(SysEx::commonBlockMessage(common, SysEx::kDirectionFromSynth));
    ASSERT_EQ(c.type, SysEx::MessageType::CommonBlock);
    EXPECT_TRUE(c.checksumOk);
    EXPECT_EQ(c.byteCount, 31);
    EXPECT_EQ(uchar(c.data[26]), 0x00); // reserved byte
    SysEx::CommonBlock back;
    ASSERT_TRUE(SysEx::decodeCommonBlock(c.data, &back));
    EXPECT_EQ(back.templateName, common.templateName);
    EXPECT_EQ(back.qpxiName, common.qpxiName);
    EXPECT_EQ(back.controlType, 1);

    SysEx::ControllerBlock knob;
    knob.remoteNumber = QStringLiteral("204143dff");
    knob.displayName = QStringLiteral("Cutoff");
    knob.ccNumber = 74;
    knob.displayFormat = 1;
    const SysEx::Message k = SysEx::parse(SysEx::controllerBlockMessage(7, knob, SysEx::kDirectionFromSynth));
    ASSERT_EQ(k.type, SysEx::MessageType::ControllerBlock);
    EXPECT_EQ(k.knob(), 7);
    SysEx::ControllerBlock kb;
    ASSERT_TRUE(SysEx::decodeControllerBlock(k.data, &kb));
    EXPECT_EQ(kb.remoteNumber, knob.remoteNumber);
    EXPECT_EQ(kb.displayName, knob.displayName);
    EXPECT_EQ(kb.ccNumber, 74);
    EXPECT_EQ(kb.displayFormat, 1);

    EXPECT_FALSE(SysEx::decodeCommonBlock(QByteArray(26, ' '), &back));
    EXPECT_FALSE(SysEx::decodeControllerBlock(QByteArray(25, ' '), &kb));
    EXPECT_FALSE(SysEx::decodeControllerBlock(QByteArray(26, ' '), nullptr));
}

TEST(SysExParse, ClassifiesTheSynthesizersParameterChanges)
{
    // Position 5 of the template name set to 'A'.
    const SysEx::Message m =
        SysEx::parseFromSynth(record({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x00, 0x05, 0x41, 0xF7}));
    ASSERT_EQ(m.type, SysEx::MessageType::ParameterChange);
    EXPECT_EQ(m.addressMid, 0x00);
    EXPECT_EQ(m.addressLow, 0x05);
    EXPECT_EQ(m.data, QByteArray("A"));

    const SysEx::Message s =
        SysEx::parseFromSynth(record({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x22, 0x00, 0xF7}));
    EXPECT_EQ(s.type, SysEx::MessageType::StoreCommand);
    EXPECT_TRUE(s.data.isEmpty());

    // Any device number is accepted.
    const QByteArray id = record(
        {0xF0, 0x43, 0x1A, 0x7F, 0x1C, 0x01, 0x01, 0x14, 0x00, '1', '0', '0', '0', '0', 'f', 'f', 'f', 'f', 0xF7});
    const SysEx::Message r = SysEx::parseFromSynth(id);
    ASSERT_EQ(r.type, SysEx::MessageType::ParameterChange);
    EXPECT_EQ(r.deviceNumber, 0x0A);
    EXPECT_EQ(r.data, QByteArray("10000ffff"));
}

TEST(SysExParse, IgnoresWhatTheSynthesizerDoesNotSend)
{
    // Requests from the synthesizer, the editor's own direction, another model, another manufacturer.
    EXPECT_EQ(SysEx::parseFromSynth(record({0xF0, 0x43, 0x30, 0x7F, 0x1C, 0x01, 0x01, 0x20, 0x00, 0xF7})).type,
              SysEx::MessageType::Invalid);
    EXPECT_EQ(SysEx::parseFromSynth(record({0xF0, 0x43, 0x20, 0x7F, 0x1C, 0x01, 0x0E, 0x60, 0x00, 0xF7})).type,
              SysEx::MessageType::Invalid);
    EXPECT_EQ(SysEx::parseFromSynth(record({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x00, 0x05, 0x41, 0xF7})).type,
              SysEx::MessageType::Invalid);
    EXPECT_EQ(SysEx::parseFromSynth(record({0xF0, 0x43, 0x10, 0x7F, 0x1D, 0x01, 0x01, 0x00, 0x05, 0x41, 0xF7})).type,
              SysEx::MessageType::Invalid);
    EXPECT_EQ(SysEx::parseFromSynth(record({0xF0, 0x41, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x00, 0x05, 0x41, 0xF7})).type,
              SysEx::MessageType::Invalid);
    EXPECT_EQ(SysEx::parseFromSynth(SysEx::bulkHeader(SysEx::kAreaStored, 3)).type, SysEx::MessageType::Invalid);
    // Kinds 4, 5, 7..F.
    EXPECT_EQ(SysEx::parseFromSynth(record({0xF0, 0x43, 0x40, 0x7F, 0x1C, 0x01, 0x01, 0x00, 0x05, 0x41, 0xF7})).type,
              SysEx::MessageType::Invalid);
    // The editor's own messages parse in either direction for whoever plays the synthesizer.
    EXPECT_EQ(SysEx::parse(SysEx::bulkRequest(SysEx::kAreaStored, 3)).type, SysEx::MessageType::BulkRequest);
    EXPECT_EQ(SysEx::parse(SysEx::parameterRequest(0x23, 0x00)).type, SysEx::MessageType::ParameterRequest);
}

TEST(SysExParse, AcknowledgeNeedsOnlyTheKindAndTheMarker)
{
    EXPECT_EQ(SysEx::parseFromSynth(record({0xF0, 0x43, 0x60, 0x02, 0xF7})).type, SysEx::MessageType::BulkAcknowledge);
    EXPECT_EQ(SysEx::parseFromSynth(record({0xF0, 0x43, 0x6F, 0x02, 0x11, 0x22, 0xF7})).type,
              SysEx::MessageType::BulkAcknowledge);
    EXPECT_EQ(SysEx::parseFromSynth(SysEx::bulkAcknowledge(3)).type, SysEx::MessageType::BulkAcknowledge);
    EXPECT_EQ(SysEx::parseFromSynth(record({0xF0, 0x43, 0x60, 0x03, 0xF7})).type, SysEx::MessageType::Invalid);
    EXPECT_EQ(SysEx::parseFromSynth(record({0xF0, 0x43, 0x60, 0x7F, 0x1C, 0x01, 0x01, 0x00, 0x00, 0xF7})).type,
              SysEx::MessageType::Invalid);
}

TEST(SysExParse, DropsBulkMessageWithBadChecksumWhateverItsCount)
{
    QByteArray r = SysEx::bulkHeader(SysEx::kAreaStored, 7);
    r[1] = 0x00;
    r[6] = SysEx::kDirectionFromSynth;
    r[r.size() - 2] = char(SysEx::checksum(reinterpret_cast<const uchar*>(r.constData()) + 6, 4));
    EXPECT_EQ(SysEx::parseFromSynth(r).type, SysEx::MessageType::BulkHeader);
    r[r.size() - 2] = char((r[r.size() - 2] + 1) & 0x7F);
    const SysEx::Message bad = SysEx::parse(r);
    EXPECT_EQ(bad.type, SysEx::MessageType::BulkHeader);
    EXPECT_FALSE(bad.checksumOk);
    EXPECT_EQ(bad.byteCount, 4);
    EXPECT_EQ(SysEx::parseFromSynth(r).type, SysEx::MessageType::Invalid);
    // A checksum byte with its top bit set is read & 7F.
    QByteArray high = SysEx::bulkFooter(SysEx::kAreaEditBuffer, 1);
    high[6] = SysEx::kDirectionFromSynth;
    high[high.size() - 2] = char(uchar(high[high.size() - 2]) - 1 + 0x80);
    EXPECT_TRUE(SysEx::parse(high).checksumOk);
}

TEST(SysExParse, ClassifiesBulkAddressesAndTemplates)
{
    auto fromSynth = [](uchar high, uchar mid, uchar low, int dataLength) {
        return SysEx::parseFromSynth(
            SysEx::bulkMessage(high, mid, low, QByteArray(dataLength, ' '), SysEx::kDirectionFromSynth, 5));
    };
    const SysEx::Message h = fromSynth(0x0E, 0x6F, 49, 0);
    EXPECT_EQ(h.type, SysEx::MessageType::BulkHeader);
    EXPECT_TRUE(h.hasValidTemplate());
    EXPECT_EQ(h.templateNumber(), 49);
    EXPECT_EQ(h.area(), 0x6F);
    EXPECT_FALSE(fromSynth(0x0E, 0x60, 50, 0).hasValidTemplate());
    EXPECT_FALSE(fromSynth(0x0F, 0x61, 0, 0).hasValidTemplate());
    EXPECT_EQ(fromSynth(0x01, 0x1C, 0x00, 26).type, SysEx::MessageType::OtherBulk);
    EXPECT_EQ(fromSynth(0x01, 0x05, 0x00, 26).type, SysEx::MessageType::OtherBulk);
    EXPECT_EQ(fromSynth(0x01, 0x1B, 0x00, 26).knob(), 11);
    EXPECT_EQ(fromSynth(0x01, 0x10, 0x00, 30).knob(), 0);
    EXPECT_EQ(fromSynth(0x11, 0x00, 0x00, 0).type, SysEx::MessageType::StoreToFlash);
    EXPECT_EQ(fromSynth(0x33, 0x00, 0x00, 0).type, SysEx::MessageType::OtherBulk);
    EXPECT_EQ(fromSynth(0x0E, 0x6F, 49, 0).deviceNumber, 5);
}

TEST(SysExParse, DropsMessagesTooShortForWhatTheyAnnounce)
{
    // Blocks short of their fields.
    EXPECT_EQ(SysEx::parse(SysEx::bulkMessage(0x01, 0x00, 0x00, QByteArray(26, ' '))).type,
              SysEx::MessageType::Invalid);
    EXPECT_EQ(SysEx::parse(SysEx::bulkMessage(0x01, 0x13, 0x00, QByteArray(25, ' '))).type,
              SysEx::MessageType::Invalid);
    // A parameter change without its data byte, requests with data.
    EXPECT_EQ(SysEx::parse(record({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x12, 0x18, 0xF7})).type,
              SysEx::MessageType::Invalid);
    EXPECT_EQ(SysEx::parse(record({0xF0, 0x43, 0x30, 0x7F, 0x1C, 0x00, 0x01, 0x12, 0x18, 0x00, 0xF7})).type,
              SysEx::MessageType::Invalid);
    // Bulk messages short of their template byte or checksum, whatever their checksum byte holds.
    EXPECT_EQ(SysEx::parse(record({0xF0, 0x43, 0x00, 0x7F, 0x1C, 0x00, 0x04, 0x01, 0x0F, 0x00})).type,
              SysEx::MessageType::Invalid);
    EXPECT_EQ(SysEx::parse(record({0xF0, 0x43, 0x00, 0x7F, 0x1C, 0x00, 0x04, 0x01, 0x00, 0xF7})).type,
              SysEx::MessageType::Invalid);
    EXPECT_EQ(SysEx::parse(record({0xF0, 0x43, 0x00, 0x7F, 0x1C, 0x00, 0x04, 0x01, 0x0E, 0x60, 0xF7})).type,
              SysEx::MessageType::Invalid);
    // Truncated framing, no closing F7, nothing at all.
    EXPECT_EQ(SysEx::parse(record({0xF0, 0x43, 0x60, 0xF7})).type, SysEx::MessageType::Invalid);
    EXPECT_EQ(SysEx::parse(record({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x00, 0x05, 0x41})).type,
              SysEx::MessageType::Invalid);
    EXPECT_EQ(SysEx::parse(QByteArray()).type, SysEx::MessageType::Invalid);
    EXPECT_EQ(SysEx::parse(nullptr, 12).type, SysEx::MessageType::Invalid);
}

TEST(SysExParse, TheTransportsExampleRecordIsAParameterChange)
{
    const QByteArray r = record({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x00, 0x00, 0x05, 0xF7});
    EXPECT_EQ(r.size(), 10);
    const SysEx::Message m = SysEx::parseFromSynth(r);
    EXPECT_EQ(m.type, SysEx::MessageType::ParameterChange);
    EXPECT_EQ(m.data, QByteArray(1, 0x05));
}

TEST(SysExText, TextFieldGoesOutOneCharacterPerMessage)
{
    const QList<QByteArray> name =
        SysEx::textFieldChanges(0x00, 0x00, SysEx::kTemplateNameLength, QStringLiteral("Lead"), false);
    ASSERT_EQ(name.size(), 13);
    const QByteArray letters("Lead         ");
    for (int i = 0; i < 13; ++i) {
        EXPECT_BYTES(SysEx::wireForm(name[i]),
                     wire({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x00, i, uchar(letters[i]), 0xF7}));
    }
    // A display name starts at 09 of its knob's block.
    const QList<QByteArray> display =
        SysEx::textFieldChanges(0x13, 0x09, SysEx::kDisplayNameLength, QString::fromUtf8("Cut\xC3\xB6"), false);
    ASSERT_EQ(display.size(), 15);
    EXPECT_EQ(uchar(display[3][8]), '?');
    EXPECT_EQ(uchar(display[14][7]), 0x09 + 14);
}

TEST(SysExText, RemoteNumberGoesOutWholeAndPadded)
{
    const QList<QByteArray> id =
        SysEx::textFieldChanges(0x14, 0x00, SysEx::kRemoteNumberLength, QStringLiteral("1001"), true);
    ASSERT_EQ(id.size(), 1);
    EXPECT_BYTES(SysEx::wireForm(id.first()), wire({0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x14, 0x00, '1', '0', '0',
                                                    '1', ' ', ' ', ' ', ' ', ' ', 0xF7}));
    EXPECT_EQ(SysEx::textFieldChanges(0x14, 0x00, SysEx::kRemoteNumberLength, QStringLiteral("204143dff0000"), true)
                  .first()
                  .mid(8, 9),
              QByteArray("204143dff"));
    EXPECT_TRUE(SysEx::textFieldChanges(0x14, 0x00, 0, QStringLiteral("x"), false).isEmpty());
}
