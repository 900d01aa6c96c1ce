#include "SysEx.h"

namespace SysEx {

namespace {

// Record indices (wire offset - 1) of the two layouts.
constexpr int kDeviceIndex = 1;
constexpr int kModelIndex = 2;
constexpr int kParamDirectionIndex = 4;
constexpr int kParamAddressIndex = 5;
constexpr int kParamDataIndex = 8;
constexpr int kBulkCountIndex = 4;
constexpr int kBulkDirectionIndex = 6;
constexpr int kBulkAddressIndex = 7;
constexpr int kBulkDataIndex = 10;

QByteArray framed(unsigned char device, unsigned char direction)
{
    QByteArray r;
    r.reserve(32);
    r.append(char(kManufacturer));
    r.append(char(device));
    r.append(char(kModelHigh));
    r.append(char(kModelLow));
    r.append(char(direction));
    return r;
}

QByteArray parameterMessage(Kind kind, unsigned char direction, unsigned char deviceNumber, unsigned char mid,
                            unsigned char low, const QByteArray& data)
{
    QByteArray r = framed(static_cast<unsigned char>((kind << 4) | (deviceNumber & 0x0F)), direction);
    r.append(char(kAddressParameter));
    r.append(char(mid & 0x7F));
    r.append(char(low & 0x7F));
    for (char c : data)
        r.append(char(c & 0x7F));
    r.append(char(kEnd));
    return r;
}

unsigned char at(const unsigned char* record, int index)
{
    return record[index];
}

} // namespace

int byteCount(int dataLength)
{
    // direction byte + three address bytes + data
    return 4 + (dataLength > 0 ? dataLength : 0);
}

void splitByteCount(int count, unsigned char* high, unsigned char* low)
{
    if (high)
        *high = static_cast<unsigned char>((count >> 7) & 0x7F);
    if (low)
        *low = static_cast<unsigned char>(count & 0x7F);
}

unsigned char checksum(const unsigned char* bytes, int length)
{
    unsigned int sum = 0;
    for (int i = 0; bytes && i < length; ++i)
        sum += bytes[i] & 0x7F;
    return static_cast<unsigned char>((0u - sum) & 0x7F);
}

unsigned char encodeNumber(int value)
{
    return static_cast<unsigned char>(value & 0x7F);
}

QByteArray encodeText(const QString& text, int length)
{
    QByteArray out;
    if (length <= 0)
        return out;
    out.fill(kTextFill, length);
    const int n = qMin(length, int(text.size()));
    for (int i = 0; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        out[i] = (c >= 0x20 && c <= 0x7E) ? char(c) : kTextReplacement;
    }
    return out;
}

QString decodeText(const unsigned char* bytes, int length)
{
    if (!bytes || length <= 0)
        return QString();
    // Received names are decoded by the thousand in a full receive: the text is made in one piece.
    int end = length;
    while (end > 0 && decodeChar(bytes[end - 1]) == QLatin1Char(kTextFill))
        --end;
    QString s(end, Qt::Uninitialized);
    QChar* out = s.data();
    for (int i = 0; i < end; ++i)
        out[i] = decodeChar(bytes[i]);
    return s;
}

QString decodeText(const QByteArray& bytes)
{
    return decodeText(reinterpret_cast<const unsigned char*>(bytes.constData()), int(bytes.size()));
}

QByteArray parameterChange(unsigned char mid, unsigned char low, const QByteArray& data)
{
    return parameterMessage(KindParameterChange, kDirectionToSynth, 0, mid, low, data);
}

QByteArray parameterChangeFromSynth(unsigned char mid, unsigned char low, const QByteArray& data,
                                    unsigned char deviceNumber)
{
    return parameterMessage(KindParameterChange, kDirectionFromSynth, deviceNumber, mid, low, data);
}

QByteArray parameterRequest(unsigned char mid, unsigned char low)
{
    return parameterMessage(KindParameterRequest, kDirectionToSynth, 0, mid, low, QByteArray());
}

QByteArray storeCommand()
{
    return parameterChange(kMidStoreCommand, 0x00, QByteArray());
}

QList<QByteArray> textFieldChanges(unsigned char mid, unsigned char start, int length, const QString& text,
                                   bool oneMessage)
{
    QList<QByteArray> messages;
    const QByteArray field = encodeText(text, length);
    if (field.isEmpty())
        return messages;
    if (oneMessage) {
        messages.append(parameterChange(mid, start, field));
        return messages;
    }
    for (int i = 0; i < field.size(); ++i)
        messages.append(parameterChange(mid, static_cast<unsigned char>(start + i), field.mid(i, 1)));
    return messages;
}

QByteArray bulkRequest(unsigned char area, int templateNumber)
{
    QByteArray r = framed(KindBulkRequest << 4, kDirectionToSynth);
    r.append(char(kAddressHeader));
    r.append(char(area & 0x7F));
    r.append(char(templateNumber & 0x7F));
    r.append(char(kEnd));
    return r;
}

QByteArray bulkMessage(unsigned char high, unsigned char mid, unsigned char low, const QByteArray& data,
                       unsigned char direction, unsigned char deviceNumber)
{
    QByteArray r;
    r.reserve(kBulkOverhead + data.size());
    r.append(char(kManufacturer));
    r.append(char((KindBulkDump << 4) | (deviceNumber & 0x0F)));
    r.append(char(kModelHigh));
    r.append(char(kModelLow));
    unsigned char bh = 0;
    unsigned char bl = 0;
    splitByteCount(byteCount(int(data.size())), &bh, &bl);
    r.append(char(bh));
    r.append(char(bl));
    r.append(char(direction & 0x7F));
    r.append(char(high & 0x7F));
    r.append(char(mid & 0x7F));
    r.append(char(low & 0x7F));
    for (char c : data)
        r.append(char(c & 0x7F));
    const auto* summed = reinterpret_cast<const unsigned char*>(r.constData()) + kBulkDirectionIndex;
    r.append(char(checksum(summed, int(r.size()) - kBulkDirectionIndex)));
    r.append(char(kEnd));
    return r;
}

QByteArray bulkHeader(unsigned char area, int templateNumber)
{
    return bulkMessage(kAddressHeader, area, static_cast<unsigned char>(templateNumber), QByteArray());
}

QByteArray bulkFooter(unsigned char area, int templateNumber)
{
    return bulkMessage(kAddressFooter, area, static_cast<unsigned char>(templateNumber), QByteArray());
}

QByteArray storeToFlash()
{
    return bulkMessage(kAddressStoreToFlash, 0x00, 0x00, QByteArray());
}

QByteArray bulkAcknowledge(unsigned char deviceNumber)
{
    QByteArray r;
    r.append(char(kManufacturer));
    r.append(char((KindBulkAcknowledge << 4) | (deviceNumber & 0x0F)));
    r.append(char(kAcknowledgeMarker));
    r.append(char(kEnd));
    return r;
}

QByteArray encodeCommonBlock(const CommonBlock& block)
{
    QByteArray d;
    d.reserve(kCommonBlockLength);
    d.append(encodeText(block.templateName, kTemplateNameLength));
    d.append(encodeText(block.qpxiName, kQPXiNameLength));
    d.append(char(encodeNumber(block.controlType)));
    d.append(char(0x00)); // reserved
    return d;
}

QByteArray encodeControllerBlock(const ControllerBlock& block)
{
    QByteArray d;
    d.reserve(kControllerBlockLength);
    d.append(encodeText(block.remoteNumber, kRemoteNumberLength));
    d.append(encodeText(block.displayName, kDisplayNameLength));
    d.append(char(encodeNumber(block.ccNumber)));
    d.append(char(encodeNumber(block.displayFormat)));
    return d;
}

bool decodeCommonBlock(const QByteArray& data, CommonBlock* block)
{
    if (!block || data.size() < kCommonBlockLength)
        return false;
    const auto* d = reinterpret_cast<const unsigned char*>(data.constData());
    block->templateName = decodeText(d + kTemplateNameStart, kTemplateNameLength);
    block->qpxiName = decodeText(d + kQPXiNameStart, kQPXiNameLength);
    block->controlType = d[kControlTypeStart];
    return true;
}

bool decodeControllerBlock(const QByteArray& data, ControllerBlock* block)
{
    if (!block || data.size() < kControllerBlockLength)
        return false;
    const auto* d = reinterpret_cast<const unsigned char*>(data.constData());
    block->remoteNumber = decodeText(d + kRemoteNumberStart, kRemoteNumberLength);
    block->displayName = decodeText(d + kDisplayNameStart, kDisplayNameLength);
    block->ccNumber = d[kCCNumberStart];
    block->displayFormat = d[kDisplayFormatStart];
    return true;
}

QByteArray commonBlockMessage(const CommonBlock& block, unsigned char direction)
{
    return bulkMessage(kAddressParameter, kMidCommonBlock, 0x00, encodeCommonBlock(block), direction);
}

QByteArray controllerBlockMessage(int knob, const ControllerBlock& block, unsigned char direction)
{
    return bulkMessage(kAddressParameter, static_cast<unsigned char>(kMidFirstControllerBlock + (knob & 0x0F)), 0x00,
                       encodeControllerBlock(block), direction);
}

bool Message::isBulk() const
{
    switch (type) {
    case MessageType::BulkHeader:
    case MessageType::BulkFooter:
    case MessageType::CommonBlock:
    case MessageType::ControllerBlock:
    case MessageType::StoreToFlash:
    case MessageType::OtherBulk:
        return true;
    default:
        return false;
    }
}

bool Message::hasValidTemplate() const
{
    return (addressMid == kAreaStored || addressMid == kAreaEditBuffer) && addressLow < kTemplateCount;
}

int Message::knob() const
{
    if (type != MessageType::ControllerBlock)
        return -1;
    return addressMid - kMidFirstControllerBlock;
}

namespace {

Message parseRecord(const unsigned char* record, int length, bool copyData)
{
    const auto dataOf = [&](int from, int count) {
        const auto* start = reinterpret_cast<const char*>(record + from);
        return copyData ? QByteArray(start, count) : QByteArray::fromRawData(start, count);
    };
    Message m;
    // The shortest message of the dialect is an acknowledge: 43 6n 02 F7.
    if (!record || length < 4 || at(record, 0) != kManufacturer || at(record, length - 1) != kEnd)
        return m;
    const unsigned char device = at(record, kDeviceIndex);
    const unsigned char kind = device >> 4;
    m.deviceNumber = device & 0x0F;

    if (kind == KindBulkAcknowledge && at(record, kModelIndex) == kAcknowledgeMarker) {
        m.type = MessageType::BulkAcknowledge;
        return m;
    }
    if (length < kRequestLength || at(record, kModelIndex) != kModelHigh || at(record, kModelIndex + 1) != kModelLow)
        return m;

    switch (kind) {
    case KindParameterChange:
    case KindParameterRequest:
    case KindBulkRequest: {
        m.direction = at(record, kParamDirectionIndex);
        m.addressHigh = at(record, kParamAddressIndex);
        m.addressMid = at(record, kParamAddressIndex + 1);
        m.addressLow = at(record, kParamAddressIndex + 2);
        const int dataLength = length - 1 - kParamDataIndex;
        m.data = dataOf(kParamDataIndex, dataLength);
        if (kind == KindParameterChange) {
            if (m.addressMid == kMidStoreCommand && m.addressLow == 0x00)
                m.type = MessageType::StoreCommand;
            else if (dataLength > 0)
                m.type = MessageType::ParameterChange;
        } else if (dataLength == 0) {
            m.type = kind == KindParameterRequest ? MessageType::ParameterRequest : MessageType::BulkRequest;
        }
        return m;
    }
    case KindBulkDump:
        break;
    default:
        return m;
    }

    if (length < kBulkOverhead)
        return m;
    m.byteCount = (at(record, kBulkCountIndex) << 7) | at(record, kBulkCountIndex + 1);
    m.direction = at(record, kBulkDirectionIndex);
    m.addressHigh = at(record, kBulkAddressIndex);
    m.addressMid = at(record, kBulkAddressIndex + 1);
    m.addressLow = at(record, kBulkAddressIndex + 2);
    const int checksumIndex = length - 2;
    const int dataLength = checksumIndex - kBulkDataIndex;
    m.data = dataOf(kBulkDataIndex, dataLength);
    const unsigned char expected = checksum(record + kBulkDirectionIndex, checksumIndex - kBulkDirectionIndex);
    m.checksumOk = (at(record, checksumIndex) & 0x7F) == expected;

    switch (m.addressHigh) {
    case kAddressHeader:
        m.type = MessageType::BulkHeader;
        break;
    case kAddressFooter:
        m.type = MessageType::BulkFooter;
        break;
    case kAddressStoreToFlash:
        m.type = MessageType::StoreToFlash;
        break;
    case kAddressParameter:
        if (m.addressMid == kMidCommonBlock)
            m.type = dataLength >= kCommonBlockLength ? MessageType::CommonBlock : MessageType::Invalid;
        else if (m.addressMid >= kMidFirstControllerBlock && m.addressMid < kMidFirstControllerBlock + kControllerCount)
            m.type = dataLength >= kControllerBlockLength ? MessageType::ControllerBlock : MessageType::Invalid;
        else
            m.type = MessageType::OtherBulk;
        break;
    default:
        m.type = MessageType::OtherBulk;
        break;
    }
    return m;
}

} // namespace

Message parse(const unsigned char* record, int length)
{
    return parseRecord(record, length, true);
}

Message parseInPlace(const unsigned char* record, int length)
{
    return parseRecord(record, length, false);
}

Message parse(const QByteArray& record)
{
    return parse(reinterpret_cast<const unsigned char*>(record.constData()), int(record.size()));
}

Message parseFromSynth(const unsigned char* record, int length)
{
    Message m = parse(record, length);
    switch (m.type) {
    case MessageType::BulkAcknowledge:
        return m;
    case MessageType::ParameterChange:
    case MessageType::StoreCommand:
        if (m.isFromSynth())
            return m;
        break;
    default:
        if (m.isBulk() && m.isFromSynth() && m.checksumOk)
            return m;
        break;
    }
    return Message();
}

Message parseFromSynth(const QByteArray& record)
{
    return parseFromSynth(reinterpret_cast<const unsigned char*>(record.constData()), int(record.size()));
}

QByteArray wireForm(const QByteArray& record)
{
    QByteArray w;
    w.reserve(record.size() + 1);
    w.append(char(kStart));
    w.append(record);
    return w;
}

QString toHex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ')).toUpper();
}

} // namespace SysEx
