#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The SysEx dialect spoken with the synthesizer: framing, byte count, checksum, text and number encoding,
// builders for every message and a parser that checks lengths before it reads.
//
// Messages are handled in record form: the bytes behind the leading F0, from the manufacturer byte 43
// through the closing F7, exactly what an event record of type MPEV_SYSEX carries. wireForm() adds the
// F0 back for logs and tests. In the comments below "wire offset w" is record index w - 1.
namespace SysEx {

constexpr unsigned char kStart = 0xF0;
constexpr unsigned char kEnd = 0xF7;
constexpr unsigned char kManufacturer = 0x43;
constexpr unsigned char kModelHigh = 0x7F;
constexpr unsigned char kModelLow = 0x1C;
// The editor sends with direction 00 and accepts only direction 01 (the synthesizer's).
constexpr unsigned char kDirectionToSynth = 0x00;
constexpr unsigned char kDirectionFromSynth = 0x01;
constexpr unsigned char kAcknowledgeMarker = 0x02;

// Message kinds: the high nibble of the device byte.
enum Kind : unsigned char
{
    KindBulkDump = 0x0,
    KindParameterChange = 0x1,
    KindBulkRequest = 0x2,
    KindParameterRequest = 0x3,
    KindBulkAcknowledge = 0x6,
};

// Address high bytes.
constexpr unsigned char kAddressParameter = 0x01; // parameter messages and bulk blocks
constexpr unsigned char kAddressHeader = 0x0E;
constexpr unsigned char kAddressFooter = 0x0F;
constexpr unsigned char kAddressStoreToFlash = 0x11;

// Areas of bulk headers, footers and requests.
constexpr unsigned char kAreaStored = 0x60;
constexpr unsigned char kAreaEditBuffer = 0x6F;

// Address mid bytes.
constexpr unsigned char kMidCommonBlock = 0x00;
constexpr unsigned char kMidFirstControllerBlock = 0x10;
constexpr unsigned char kMidCurrentTemplateNumber = 0x20;
constexpr unsigned char kMidStoreCommand = 0x22;
constexpr unsigned char kMidBankEditFlag = 0x23;

constexpr int kTemplateCount = 50;
constexpr int kControllerCount = 12;
constexpr int kMessagesPerTemplateDump = 15;

// Field layout of the blocks (start, length); the parameter-change addresses use the same offsets.
constexpr int kCommonBlockLength = 27;
constexpr int kTemplateNameStart = 0x00, kTemplateNameLength = 13;
constexpr int kQPXiNameStart = 0x0D, kQPXiNameLength = 12;
constexpr int kControlTypeStart = 0x19;
constexpr int kReservedStart = 0x1A;
constexpr int kControllerBlockLength = 26;
constexpr int kRemoteNumberStart = 0x00, kRemoteNumberLength = 9;
constexpr int kDisplayNameStart = 0x09, kDisplayNameLength = 15;
constexpr int kCCNumberStart = 0x18;
constexpr int kDisplayFormatStart = 0x19;

// Fill byte of text fields, and what stands in for a character that 7-bit SysEx cannot carry.
constexpr char kTextFill = ' ';
constexpr char kTextReplacement = '?';

// Record sizes of the fixed messages (bytes behind F0).
constexpr int kBulkOverhead = 12; // framing, count, direction, address, checksum, F7: a header's size
constexpr int kParameterChangeOverhead = 9;
constexpr int kRequestLength = 9;

// Byte count of a bulk message: the bytes from the direction byte through the last data byte.
int byteCount(int dataLength);
// The two 7-bit count bytes of a count.
void splitByteCount(int count, unsigned char* high, unsigned char* low);
// Checksum over the bytes from the direction byte through the last data byte: (-sum of each & 7F) & 7F.
unsigned char checksum(const unsigned char* bytes, int length);

// One data byte of a number: a SysEx data byte can hold 7 bits only, so higher bits are dropped rather
// than letting a status byte into the message.
unsigned char encodeNumber(int value);
// A text field of exactly `length` bytes: cut, blank-filled, and every character outside 20..7E replaced
// by kTextReplacement, so that the message stays 7-bit and a remote number is padded as a block pads it.
QByteArray encodeText(const QString& text, int length);
// One received text byte as a character: control characters and bytes outside 7 bits become a blank, so
// that a received name can always be stored and saved.
inline QChar decodeChar(unsigned char byte)
{
    return (byte >= 0x20 && byte <= 0x7E) ? QChar(char16_t(byte)) : QChar(char16_t(kTextFill));
}
// A received text field with its trailing blanks removed.
QString decodeText(const unsigned char* bytes, int length);
QString decodeText(const QByteArray& bytes);

// Builders, all in record form with the editor's direction and device number 0.
QByteArray parameterChange(unsigned char mid, unsigned char low, const QByteArray& data);
QByteArray parameterRequest(unsigned char mid, unsigned char low);
QByteArray storeCommand();
// The parameter changes that set a text field of `length` bytes at (mid, start): one message per
// position of the field, blank-filled, or with oneMessage (the remote number) a single message carrying
// all of them. Characters are made 7-bit as encodeText does.
QList<QByteArray> textFieldChanges(unsigned char mid, unsigned char start, int length, const QString& text,
                                   bool oneMessage);
QByteArray bulkRequest(unsigned char area, int templateNumber);
// A bulk message with its count and checksum.
QByteArray bulkMessage(unsigned char high, unsigned char mid, unsigned char low, const QByteArray& data,
                       unsigned char direction = kDirectionToSynth, unsigned char deviceNumber = 0);
QByteArray bulkHeader(unsigned char area, int templateNumber);
QByteArray bulkFooter(unsigned char area, int templateNumber);
QByteArray storeToFlash();
// The same messages as the synthesizer sends them (direction 01), for simulations and tests.
QByteArray parameterChangeFromSynth(unsigned char mid, unsigned char low, const QByteArray& data,
                                    unsigned char deviceNumber = 0);
QByteArray bulkAcknowledge(unsigned char deviceNumber = 0);

// Contents of the common block.
struct CommonBlock
{
    QString templateName;
    QString qpxiName;
    int controlType = 0;
};
// Contents of a controller block.
struct ControllerBlock
{
    QString remoteNumber;
    QString displayName;
    int ccNumber = 0;
    int displayFormat = 0;
};
QByteArray encodeCommonBlock(const CommonBlock& block);
QByteArray encodeControllerBlock(const ControllerBlock& block);
// Block contents from a block's data bytes; false when fewer bytes than the block holds are given.
bool decodeCommonBlock(const QByteArray& data, CommonBlock* block);
bool decodeControllerBlock(const QByteArray& data, ControllerBlock* block);
// Whole block messages; knob is 0..11.
QByteArray commonBlockMessage(const CommonBlock& block, unsigned char direction = kDirectionToSynth);
QByteArray controllerBlockMessage(int knob, const ControllerBlock& block, unsigned char direction = kDirectionToSynth);

// What parse() makes of a record.
enum class MessageType
{
    Invalid,          // not of this dialect, or too short for what its bytes announce
    ParameterChange,  // 1n, any address but the store command
    StoreCommand,     // 1n to 01 22 00 without data
    ParameterRequest, // 3n
    BulkRequest,      // 2n
    BulkHeader,       // 0n to 0E aa tt
    BulkFooter,       // 0n to 0F aa tt
    CommonBlock,      // 0n to 01 00 00
    ControllerBlock,  // 0n to 01 1k 00, k 0..11
    StoreToFlash,     // 0n to 11 00 00
    OtherBulk,        // any other bulk dump (a well-framed block of an address this dialect has no use for)
    BulkAcknowledge,  // 6n 02 ...
};

// A parsed record. Offsets and sizes were checked against the record's length before anything was read.
struct Message
{
    MessageType type = MessageType::Invalid;
    unsigned char deviceNumber = 0;
    unsigned char direction = 0;
    unsigned char addressHigh = 0;
    unsigned char addressMid = 0;
    unsigned char addressLow = 0;
    // Bulk dumps only: the received byte count and whether the checksum brings the sum to 0.
    int byteCount = 0;
    bool checksumOk = false;
    // Data bytes: behind the address up to F7 (parameter messages) or up to the checksum (bulk).
    QByteArray data;

    bool isFromSynth() const { return direction == kDirectionFromSynth; }
    bool isBulk() const;
    // Headers, footers and bulk requests: the area and template bytes.
    unsigned char area() const { return addressMid; }
    int templateNumber() const { return addressLow; }
    // Headers, footers and requests with area 60 or 6F and template 0..49.
    bool hasValidTemplate() const;
    // Controller blocks: the knob 0..11; -1 otherwise.
    int knob() const;
};

// Parses one record (bytes behind F0, closing F7 included). Never reads past `length`.
Message parse(const unsigned char* record, int length);
Message parse(const QByteArray& record);
// The same without copying: the message's data refer to the record's bytes and are valid only while
// those are (the decoder parses each received record this way).
Message parseInPlace(const unsigned char* record, int length);
// What the editor accepts from the synthesizer: parameter changes and the store command, bulk dumps with a
// correct checksum (direction 01 and model 7F 1C), and acknowledges. Anything else is Invalid.
Message parseFromSynth(const QByteArray& record);
Message parseFromSynth(const unsigned char* record, int length);

// The record with the leading F0.
QByteArray wireForm(const QByteArray& record);
// Bytes as "F0 43 10 ..." for messages of tests and logs.
QString toHex(const QByteArray& bytes);

} // namespace SysEx
