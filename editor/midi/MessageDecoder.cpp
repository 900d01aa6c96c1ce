#include "MessageDecoder.h"

#include "RemoteMemAPI.h"
#include "SysExParamChangeAddressTransTable.h"

#include <QMutexLocker>

namespace {

constexpr int kStoredBank = 2;
constexpr int kEditBufferBank = 3;
// Record indices of the model bytes.
constexpr int kModelIndex = 2;

} // namespace

MessageDecoder::MessageDecoder(SysExParamChangeAddressTransTable* table, const unsigned char* model, long port,
                               RemoteMemAPI* service, int filterType)
    : MessageProcessor(port, service, filterType), m_table(table)
{
    if (model) {
        for (int i = 0; i < 3; ++i)
            m_model[i] = model[i];
    }
}

MessageDecoder::~MessageDecoder() = default;

bool MessageDecoder::Process(tagMPEVENT& record)
{
    if (record.type != MPEV_SYSEX || record.length <= 0 || !record.longData)
        return false;
    return processRecord(record.longData, record.length);
}

bool MessageDecoder::processRecord(const unsigned char* bytes, int length)
{
    if (!m_service || !m_table)
        return false;
    const SysEx::Message message = SysEx::parseInPlace(bytes, length);
    if (message.type == SysEx::MessageType::BulkAcknowledge)
        return decodeAcknowledge();
    if (message.type == SysEx::MessageType::Invalid || !isDesiredModelSysEx(bytes, message))
        return false;
    switch (message.type) {
    case SysEx::MessageType::ParameterChange:
    case SysEx::MessageType::StoreCommand:
        return DecodeParameterChange(message);
    case SysEx::MessageType::BulkHeader:
    case SysEx::MessageType::BulkFooter:
    case SysEx::MessageType::CommonBlock:
    case SysEx::MessageType::ControllerBlock:
    case SysEx::MessageType::OtherBulk:
        return DecodeBulk(message);
    default:
        // Requests are the editor's own kind of message; store to flash is never sent to the editor.
        return false;
    }
}

// parse() has checked the length, so the model bytes are there to read.
bool MessageDecoder::isDesiredModelSysEx(const unsigned char* bytes, const SysEx::Message& message) const
{
    return bytes[kModelIndex] == m_model[0] && bytes[kModelIndex + 1] == m_model[1] && message.direction == m_model[2];
}

bool MessageDecoder::decodeAcknowledge()
{
    // One step for every other thread: no pass of the GUI thread between the answer and the pass it starts.
    QMutexLocker lock(&m_service->memoryLock());
    // An acknowledge the sending chain does not wait for (a late one, of a dump already counted) must
    // neither count nor start a pass: the chain would run one dump ahead of the synthesizer.
    if (!m_service->takeAcknowledge())
        return false;
    decrementTransmitedBulkCounter();
    bool wasEmpty = false;
    const bool sent = m_service->sendMessage(&wasEmpty);
    // The acknowledge of the last dump finds nothing left to send: the full send is complete. Bulk
    // reception is switched off before anyone hears of the completion: a receive started in reaction to
    // it switches reception on again and must not be switched off behind its back.
    if (wasEmpty && transmitedBulkCount() == 0 && m_service->isWaitingBulkTransmit()) {
        m_service->revokeReceivedBulk();
        if (m_service->takeWaitingBulkTransmit())
            m_service->emitCompleteBulkTransmitSignal();
    }
    return sent;
}

// ---- Parameter changes ----------------------------------------------------------------------------------

bool MessageDecoder::DecodeParameterChange(const SysEx::Message& message)
{
    if (message.type == SysEx::MessageType::StoreCommand) {
        // The synthesizer stored its edit buffer: so does the editor, without telling it back.
        m_service->storeBank(false);
        return true;
    }
    const unsigned char address[2] = {message.addressMid, message.addressLow};
    ParamAddress a = m_table->getMemoryParamAddress(address);
    if (message.addressMid == SysEx::kMidCurrentTemplateNumber && message.addressLow == 0) {
        a = ParamAddress(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);
    } else if (message.addressMid == SysEx::kMidBankEditFlag && message.addressLow == 0) {
        a = ParamAddress(ParamAddress::kBankEditFlagBank, -1, -1, -1);
    } else {
        // Nothing in the memory answers an address the table does not know.
        if (a.getParamAddress(2) == -1 && a.getParamAddress(3) == -1)
            return false;
        const ParamAddress current(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);
        a.setParamAddress(0, m_service->getParam(current).getCurrentValue(), -1, -1);
    }
    if (a.isStringParamAdr()) {
        unsigned char info[2] = {0, 0};
        m_table->getSysExAddressParamInfo(address, info);
        const int index = info[0];
        const int fieldLength = info[1];
        // A remote number comes whole from the byte addressed to the end of its field; a name one
        // character at a time. A message without the bytes its address calls for is dropped.
        const int count = a.isRemoteTagIDAdr() ? fieldLength - index : 1;
        if (count < 1 || message.data.size() < count)
            return false;
        const bool written = WriteStringParamToMemory(message.data.left(count), index, a);
        decodeParameterReply(message);
        return written;
    }
    // A value cut short answers nothing: its request is asked again.
    if (message.data.isEmpty())
        return false;
    const bool written = WriteNumericParamToMemory(a, static_cast<unsigned char>(message.data.at(0)));
    if (a.isCurrentTemplateNumAdr())
        m_service->emitNotifiedCurrentTemplateNumberSignal();
    decodeParameterReply(message);
    return written;
}

// A value the receive asked for came, and was written: the chain moves on as after a requested dump, and
// the receive is complete once nothing it asked for is outstanding.
void MessageDecoder::decodeParameterReply(const SysEx::Message& message)
{
    QMutexLocker lock(&m_service->memoryLock());
    if (!m_service->takeParameterReply(message.addressMid, message.addressLow))
        return;
    decrementTransmitedBulkReqCounter();
    bool wasEmpty = false;
    m_service->sendMessage(&wasEmpty);
    // Nothing more was asked of the synthesizer: no late dump may be taken any more.
    if (wasEmpty)
        m_service->revokeReceivedBulk();
    if (transmitedBulkReqCount() == 0 && m_service->takeWaitingBulkReceive())
        m_service->emitCompleteBulkReceiveSignal();
}

QString MessageDecoder::getStringParamFromMemory(const ParamAddress& address)
{
    const QString text = m_service->getParamQString(address);
    if (address.isTemplateNameAdr())
        return text.leftJustified(SysEx::kTemplateNameLength, QLatin1Char(SysEx::kTextFill));
    if (address.isQPXiNameAdr())
        return text.leftJustified(SysEx::kQPXiNameLength, QLatin1Char(SysEx::kTextFill));
    if (address.isDisplayNameAdr())
        return text.leftJustified(SysEx::kDisplayNameLength, QLatin1Char(SysEx::kTextFill));
    if (address.isRemoteTagIDAdr())
        return text.rightJustified(SysEx::kRemoteNumberLength, QLatin1Char('0'));
    return text;
}

bool MessageDecoder::WriteStringParamToMemory(const QByteArray& chars, int index, const ParamAddress& address)
{
    // Read, change and write back as one step: a GUI edit of the same text must not slip in between.
    QMutexLocker lock(&m_service->memoryLock());
    QString text = getStringParamFromMemory(address);
    for (int i = 0; i < chars.size(); ++i) {
        const int position = index + i;
        const QChar c = SysEx::decodeChar(static_cast<unsigned char>(chars.at(i)));
        if (position < text.size())
            text[position] = c;
        else if (position == text.size())
            text.append(c);
    }
    return WriteStringParamToMemory(address, text);
}

bool MessageDecoder::WriteStringParamToMemory(const ParamAddress& address, const QString& text)
{
    int end = int(text.size());
    while (end > 0 && text.at(end - 1) == QLatin1Char(SysEx::kTextFill))
        --end;
    m_service->setReceivedParam(address, text.left(end));
    return true;
}

bool MessageDecoder::WriteNumericParamToMemory(const ParamAddress& address, int value)
{
    // The synthesizer's echo of a number the editor sent is not written again: the user may have moved
    // on since, and the echo would pull the editor back.
    if (address.isCurrentTemplateNumAdr() && m_service->takePendingTemplateNumberEcho(value))
        return true;
    m_service->setReceivedParam(address, value);
    return true;
}

// ---- Bulk dumps -----------------------------------------------------------------------------------------

bool MessageDecoder::DecodeBulk(const SysEx::Message& message)
{
    if (!m_service->getBulkRecieveEnableFlag() || !message.checksumOk)
        return false;
    switch (message.type) {
    case SysEx::MessageType::CommonBlock:
    case SysEx::MessageType::ControllerBlock:
        return decodeBulkContents(message);
    case SysEx::MessageType::BulkHeader:
        return message.hasValidTemplate() && decodeBulkHeader(message);
    case SysEx::MessageType::BulkFooter:
        return message.hasValidTemplate() && decodeBulkFooter(message);
    default:
        // A block of an address the dialect has no use for: the knob blocks the synthesizer does not
        // have (1C-1F) are refused, anything else passes unread.
        if (message.addressHigh != SysEx::kAddressParameter)
            return false;
        return !(message.addressMid >= SysEx::kMidFirstControllerBlock + SysEx::kControllerCount &&
                 message.addressMid <= 0x1F);
    }
}

bool MessageDecoder::decodeBulkHeader(const SysEx::Message& message)
{
    m_receivingBulk = true;
    m_bulkTemplate = message.templateNumber();
    m_bulkArea = message.area();
    m_bulkBank = message.area() == SysEx::kAreaStored ? kStoredBank : kEditBufferBank;
    m_blocksReceived.reset();
    return true;
}

bool MessageDecoder::decodeBulkContents(const SysEx::Message& message)
{
    if (!m_receivingBulk)
        return false;
    // One lock for the block's writes instead of one per write; each write takes it again, recursively.
    QMutexLocker lock(&m_service->memoryLock());
    const int b = m_bulkBank;
    const int t = m_bulkTemplate;
    if (message.type == SysEx::MessageType::CommonBlock) {
        SysEx::CommonBlock common;
        if (!SysEx::decodeCommonBlock(message.data, &common))
            return false;
        m_service->setReceivedParam(ParamAddress(b, t, ParamAddress::kTemplateNameController, -1), common.templateName);
        m_service->setReceivedParam(ParamAddress(b, t, ParamAddress::kControlTypeController, -1),
                                    long(common.controlType));
        m_service->setReceivedParam(ParamAddress(b, t, ParamAddress::kQPXiNameController, -1), common.qpxiName);
        m_blocksReceived.set(0);
        return true;
    }
    const int k = message.knob();
    SysEx::ControllerBlock knob;
    if (k < 0 || k >= SysEx::kControllerCount || !SysEx::decodeControllerBlock(message.data, &knob))
        return false;
    m_service->setReceivedParam(ParamAddress(b, t, k, ParamAddress::kDisplayNameParam), knob.displayName);
    m_service->setReceivedParam(ParamAddress(b, t, k, ParamAddress::kCCNumberParam), long(knob.ccNumber));
    m_service->setReceivedParam(ParamAddress(b, t, k, ParamAddress::kDisplayFormatParam), long(knob.displayFormat));
    m_service->setReceivedParam(ParamAddress(b, t, k, ParamAddress::kRemoteNumberParam), knob.remoteNumber);
    m_blocksReceived.set(std::size_t(1 + k));
    return true;
}

bool MessageDecoder::decodeBulkFooter(const SysEx::Message& message)
{
    // Only a dump that arrived whole counts: a template with a block missing or damaged would otherwise
    // pass as received with half-old contents. Its request stays outstanding, so the transfer stalls
    // into auto-sync's time-out instead of ending in success.
    const bool whole = m_receivingBulk && m_blocksReceived.all() && message.area() == m_bulkArea &&
                       message.templateNumber() == m_bulkTemplate;
    m_receivingBulk = false;
    if (!whole)
        return false;
    // The same template again (the answer to a request that was sent twice) was written once more, and
    // that is all: it answers nothing that is still asked.
    QMutexLocker lock(&m_service->memoryLock());
    if (!m_service->takeBulkReply(message.area(), message.templateNumber()))
        return false;
    decrementTransmitedBulkReqCounter();
    const bool sent = m_service->sendMessage(nullptr);
    if (transmitedBulkReqCount() == 0 && m_service->takeWaitingBulkReceive())
        m_service->emitCompleteBulkReceiveSignal();
    return sent;
}

// ---- Counters -------------------------------------------------------------------------------------------

void MessageDecoder::incrementTransmitedBulkCounter()
{
    QMutexLocker lock(&m_bulkCounterLock);
    ++m_bulkCounter;
}

void MessageDecoder::incrementTransmitedBulkReqCounter()
{
    QMutexLocker lock(&m_bulkReqCounterLock);
    ++m_bulkReqCounter;
}

void MessageDecoder::decrementTransmitedBulkCounter()
{
    QMutexLocker lock(&m_bulkCounterLock);
    m_bulkCounter = m_bulkCounter > 0 ? m_bulkCounter - 1 : 0;
}

void MessageDecoder::decrementTransmitedBulkReqCounter()
{
    QMutexLocker lock(&m_bulkReqCounterLock);
    m_bulkReqCounter = m_bulkReqCounter > 0 ? m_bulkReqCounter - 1 : 0;
}

void MessageDecoder::clearTransmitedBulkCounter()
{
    QMutexLocker lock(&m_bulkCounterLock);
    m_bulkCounter = 0;
}

void MessageDecoder::clearTransmitedBulkReqCounter()
{
    QMutexLocker lock(&m_bulkReqCounterLock);
    m_bulkReqCounter = 0;
}

int MessageDecoder::transmitedBulkCount()
{
    QMutexLocker lock(&m_bulkCounterLock);
    return m_bulkCounter;
}

int MessageDecoder::transmitedBulkReqCount()
{
    QMutexLocker lock(&m_bulkReqCounterLock);
    return m_bulkReqCounter;
}
