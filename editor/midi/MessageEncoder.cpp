#include "MessageEncoder.h"

#include "ComuController.h"
#include "ControlTemplateData.h"
#include "RemoteMemAPI.h"
#include "SysEx.h"
#include "SysExParamChangeAddressTransTable.h"

#include <QMutexLocker>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

// Record indices (wire offset - 1) the grouping and the model bytes look at.
constexpr int kDeviceIndex = 1;
constexpr int kModelIndex = 2;
constexpr int kParamDirectionIndex = 4;
constexpr int kBulkDirectionIndex = 6;
constexpr int kBulkAddressHighIndex = 7;

unsigned char byteAt(const QByteArray& record, int index)
{
    return index < record.size() ? static_cast<unsigned char>(record.at(index)) : 0;
}

unsigned char areaByte(MessageEncoder::BulkType area)
{
    return area == MessageEncoder::kStoredArea ? SysEx::kAreaStored : SysEx::kAreaEditBuffer;
}

bool isTemplateNumber(int templ)
{
    return templ >= 0 && templ < SysEx::kTemplateCount;
}

} // namespace

MessageEncoder::MessageEncoder(const unsigned char* model, SysExParamChangeAddressTransTable& table,
                               ComuController& controller, long port, RemoteMemAPI* service, int answerTimeoutMs,
                               int answerRetries)
    : m_table(&table), m_controller(&controller), m_port(port), m_service(service),
      m_answerTimeoutMs(std::max(answerTimeoutMs, 1)), m_answerRetries(std::max(answerRetries, 0))
{
    const unsigned char fallback[3] = {SysEx::kModelHigh, SysEx::kModelLow, SysEx::kDirectionToSynth};
    for (int i = 0; i < 3; ++i)
        m_model[i] = model ? model[i] : fallback[i];
    m_nameTable = service ? service->getAddressTransTable() : nullptr;
    m_clock.start();
    m_answerTimer = new QTimer(this);
    m_answerTimer->setSingleShot(true);
    QObject::connect(m_answerTimer, &QTimer::timeout, this, [this] { checkAnswers(); });
}

MessageEncoder::~MessageEncoder()
{
    QMutexLocker lock(&m_queueLock);
    m_awaited.reset();
    clearTransmitQueue(false);
}

// ---- Queue and send -------------------------------------------------------------------------------------

bool MessageEncoder::bufferingMsg(const QByteArray& record)
{
    if (record.size() < 4)
        return false;
    QMutexLocker lock(&m_queueLock);
    const unsigned char kind = byteAt(record, kDeviceIndex) >> 4;
    const unsigned char high = byteAt(record, kBulkAddressHighIndex);
    const bool groupOpen = m_openGroup >= 0;
    auto appendGroup = [this, &record](bool wait) {
        Group group;
        group.wait = wait;
        group.records.append(record);
        m_queue.append(std::move(group));
    };
    switch (kind) {
    case SysEx::KindParameterChange:
        // A parameter message closes an open dump: it must not go out inside one.
        m_openGroup = -1;
        appendGroup(false);
        return true;
    case SysEx::KindParameterRequest:
        // Its answer is awaited like a requested dump's, and counts among the answers a receive waits
        // for: a receive must not end with a value that never came.
        m_openGroup = -1;
        appendGroup(true);
        if (m_service)
            m_service->incrementTransmitedBulkReqCounter();
        return true;
    case SysEx::KindBulkRequest:
        if (groupOpen)
            return false;
        appendGroup(true);
        if (m_service)
            m_service->incrementTransmitedBulkReqCounter();
        return true;
    case SysEx::KindBulkDump:
        break;
    default:
        return false;
    }
    if (high == SysEx::kAddressHeader) {
        if (groupOpen)
            return false;
        appendGroup(true);
        m_openGroup = int(m_queue.size()) - 1;
        if (m_service)
            m_service->incrementTransmitedBulkCounter();
        return true;
    }
    if (high == SysEx::kAddressStoreToFlash) {
        if (groupOpen)
            return false;
        appendGroup(false);
        return true;
    }
    // Blocks and footers belong to the dump a header opened; alone they mean nothing to the synthesizer.
    if (!groupOpen || m_openGroup >= m_queue.size())
        return false;
    m_queue[m_openGroup].records.append(record);
    if (high == SysEx::kAddressFooter)
        m_openGroup = -1;
    return true;
}

bool MessageEncoder::sendMessage(bool* wasEmpty)
{
    QMutexLocker lock(&m_queueLock);
    if (wasEmpty)
        *wasEmpty = m_queue.isEmpty();
    // Whoever asks for a pass, nothing leaves while the synthesizer owes an answer: what is queued goes
    // out when the decoder hands the answer over, or when the encoder gives up waiting for it. A second
    // pass started meanwhile would send a second chain beside the first.
    forgetLateAcknowledges();
    if (m_awaited || m_owedAcknowledges > 0)
        return true;
    while (!m_queue.isEmpty()) {
        Group group = m_queue.takeFirst();
        m_openGroup = m_openGroup > 0 ? m_openGroup - 1 : -1;
        if (!dispatch(group)) {
            // Dropped with what waits behind it, and owed as that is: a refused store is a store lost.
            m_queue.prepend(std::move(group));
            giveUp();
            return false;
        }
        if (group.wait) {
            await(std::move(group));
            return true;
        }
        if (m_queue.isEmpty())
            queueDrained();
    }
    return true;
}

bool MessageEncoder::dispatch(const Group& group)
{
    for (const QByteArray& record : group.records) {
        tagMPEVENT event{};
        event.type = MPEV_SYSEX;
        event.portId = static_cast<std::int32_t>(m_port);
        event.channel = 0;
        event.length = static_cast<std::int32_t>(record.size());
        event.longData = reinterpret_cast<unsigned char*>(const_cast<char*>(record.constData()));
        if (!m_controller || m_controller->midiOutDispatch(event, 1) != kMidiSuccess)
            return false;
    }
    return true;
}

// ---- Answers --------------------------------------------------------------------------------------------
//
// An acknowledge names no dump. When a dump was sent again, the synthesizer may acknowledge each copy it
// got (the first answer was only late) or only one (a copy or its answer was lost): nobody can tell which
// from the acknowledges alone. So the first acknowledge after the dump's copies answers the dump, and the
// chain then holds, sending nothing, until the other copies' acknowledges have come or are late beyond
// the encoder's whole patience: a late acknowledge is never taken for the next dump's, and a dump never
// counts as acknowledged twice. A bulk request is answered by a dump whose footer names its area and
// template, so a late or second answer to a request is told apart by what it names.

void MessageEncoder::await(Group group)
{
    Awaited awaited;
    const SysEx::Message first = group.records.isEmpty() ? SysEx::Message() : SysEx::parse(group.records.first());
    awaited.dump = first.type == SysEx::MessageType::BulkHeader;
    awaited.parameter = first.type == SysEx::MessageType::ParameterRequest;
    awaited.area = first.area();
    awaited.templ = first.templateNumber();
    awaited.lastSentMs = m_clock.elapsed();
    awaited.group = std::move(group);
    m_awaited = std::move(awaited);
    scheduleAnswerCheck();
}

bool MessageEncoder::takeAcknowledge()
{
    QMutexLocker lock(&m_queueLock);
    forgetLateAcknowledges();
    if (m_owedAcknowledges > 0) {
        ++m_strayAnswers;
        if (--m_owedAcknowledges == 0)
            sendMessage(nullptr);
        return false;
    }
    if (!m_awaited || !m_awaited->dump) {
        ++m_strayAnswers;
        return false;
    }
    oweAcknowledges(m_awaited->copies - 1, m_awaited->lastSentMs);
    m_awaited.reset();
    return true;
}

bool MessageEncoder::takeBulkReply(unsigned char area, int templ)
{
    QMutexLocker lock(&m_queueLock);
    if (!m_awaited || m_awaited->dump || m_awaited->parameter || m_awaited->area != area || m_awaited->templ != templ) {
        ++m_strayAnswers;
        return false;
    }
    m_awaited.reset();
    return true;
}

// The synthesizer also reports values nobody asked for (its bank edit flag after an edit, a template
// chosen at its panel): a parameter change that answers nothing awaited is no stray answer.
bool MessageEncoder::takeParameterReply(unsigned char mid, unsigned char low)
{
    QMutexLocker lock(&m_queueLock);
    if (!m_awaited || !m_awaited->parameter || m_awaited->area != mid || m_awaited->templ != low)
        return false;
    m_awaited.reset();
    return true;
}

void MessageEncoder::forgetAnswers()
{
    QMutexLocker lock(&m_queueLock);
    if (m_awaited) {
        uncount(m_awaited->group);
        m_awaited.reset();
    }
    m_owedAcknowledges = 0;
    scheduleAnswerCheck();
}

bool MessageEncoder::isHoldingChain()
{
    QMutexLocker lock(&m_queueLock);
    forgetLateAcknowledges();
    return m_awaited || m_owedAcknowledges > 0;
}

int MessageEncoder::resentCount()
{
    QMutexLocker lock(&m_queueLock);
    return m_resent;
}

int MessageEncoder::strayAnswerCount()
{
    QMutexLocker lock(&m_queueLock);
    return m_strayAnswers;
}

void MessageEncoder::oweAcknowledges(int count, qint64 lastSentMs)
{
    if (count <= 0)
        return;
    m_owedAcknowledges += count;
    m_owedUntilMs = std::max(m_owedUntilMs, lastSentMs + lateLimitMs());
    scheduleAnswerCheck();
}

void MessageEncoder::forgetLateAcknowledges()
{
    if (m_owedAcknowledges > 0 && m_clock.elapsed() >= m_owedUntilMs)
        m_owedAcknowledges = 0;
}

void MessageEncoder::uncount(const Group& group)
{
    if (!group.wait || !m_service || group.records.isEmpty())
        return;
    const unsigned char kind = byteAt(group.records.first(), kDeviceIndex) >> 4;
    if (kind == SysEx::KindBulkRequest || kind == SysEx::KindParameterRequest)
        m_service->decrementTransmitedBulkReqCounter();
    else
        m_service->decrementTransmitedBulkCounter();
}

void MessageEncoder::checkAnswers()
{
    // The order of every sending pass: the memory lock, then the queue lock.
    std::optional<QMutexLocker<QRecursiveMutex>> memory;
    if (m_service)
        memory.emplace(&m_service->memoryLock());
    QMutexLocker lock(&m_queueLock);
    if (m_awaited && m_clock.elapsed() - m_awaited->lastSentMs >= m_answerTimeoutMs) {
        if (m_awaited->copies > m_answerRetries) {
            // The synthesizer does not answer: the rest of the chain cannot go out in order, as after a
            // failed send, and whoever waits for the transfer must hear it now rather than at its own
            // much longer time-out.
            giveUp();
        } else if (dispatch(m_awaited->group)) {
            ++m_awaited->copies;
            ++m_resent;
            m_awaited->lastSentMs = m_clock.elapsed();
        } else {
            giveUp();
        }
    }
    forgetLateAcknowledges();
    if (!m_awaited && m_owedAcknowledges == 0 && !m_queue.isEmpty())
        sendMessage(nullptr);
    scheduleAnswerCheck();
}

// The timer belongs to the GUI thread; a pass on the delivery thread has it armed there.
void MessageEncoder::scheduleAnswerCheck()
{
    if (QThread::currentThread() == thread())
        armAnswerTimer();
    else
        QMetaObject::invokeMethod(
            this, [this] { armAnswerTimer(); }, Qt::QueuedConnection);
}

void MessageEncoder::armAnswerTimer()
{
    QMutexLocker lock(&m_queueLock);
    qint64 due = -1;
    if (m_awaited)
        due = m_awaited->lastSentMs + m_answerTimeoutMs;
    if (m_owedAcknowledges > 0)
        due = due < 0 ? m_owedUntilMs : std::min(due, m_owedUntilMs);
    if (due < 0) {
        m_answerTimer->stop();
        return;
    }
    m_answerTimer->start(int(std::clamp<qint64>(due - m_clock.elapsed(), 0, qint64(std::numeric_limits<int>::max()))));
}

// A drained queue ends bulk reception (nothing more was asked of the synthesizer) and a full send that
// was waiting for it, in that order: a receive started in reaction to the completion must find
// reception on.
void MessageEncoder::queueDrained()
{
    if (!m_service)
        return;
    m_service->revokeReceivedBulk();
    if (m_service->takeWaitingBulkTransmit()) {
        m_service->fullSendDrained();
        m_service->emitCompleteBulkTransmitSignal();
    }
}

void MessageEncoder::giveUp()
{
    if (!m_service) {
        clearTransmitQueue(false);
        return;
    }
    // A store or a store to flash dropped here was never carried out: the next full send sends it.
    auto oweFollowUps = [this](const Group& group) {
        for (const QByteArray& record : group.records) {
            const SysEx::Message message = SysEx::parse(record);
            if (message.type == SysEx::MessageType::StoreCommand)
                m_service->setStoreFlag(true);
            else if (message.type == SysEx::MessageType::StoreToFlash)
                m_service->setStoreToFlashSendingFlag(true);
        }
    };
    for (const Group& group : std::as_const(m_queue))
        oweFollowUps(group);
    if (m_awaited)
        oweFollowUps(m_awaited->group);
    clearTransmitQueue(false);
    // What was dropped never reached the synthesizer, in a transfer or in a live edit alike: the editor is
    // offline, exactly as when the synthesizer is lost, so that nothing more is sent as if in step and the
    // synthesizer's next announcement synchronises the two (bank 0, and what is owed above, go whole).
    m_service->setONLINEstate(0);
    m_service->emitTransferAbandonedSignal();
}

void MessageEncoder::clearTransmitQueue(bool lock)
{
    // Recursive: a caller inside a pass that passes false already holds it.
    QMutexLocker locker(lock ? &m_queueLock : nullptr);
    for (const Group& group : std::as_const(m_queue))
        uncount(group);
    m_queue.clear();
    m_openGroup = -1;
    // The dump sent last may still be acknowledged; its acknowledges must not be taken for a later one's.
    if (m_awaited) {
        uncount(m_awaited->group);
        if (m_awaited->dump)
            oweAcknowledges(m_awaited->copies, m_awaited->lastSentMs);
        m_awaited.reset();
    }
}

int MessageEncoder::queuedGroupCount()
{
    QMutexLocker lock(&m_queueLock);
    return int(m_queue.size());
}

QList<int> MessageEncoder::queuedRecordCounts()
{
    QMutexLocker lock(&m_queueLock);
    QList<int> counts;
    for (const Group& group : std::as_const(m_queue))
        counts.append(int(group.records.size()));
    return counts;
}

bool MessageEncoder::enqueueOrClear(const QByteArray& record)
{
    if (bufferingMsg(withModel(record)))
        return true;
    clearTransmitQueue(true);
    return false;
}

QByteArray MessageEncoder::withModel(QByteArray record) const
{
    if (record.size() < kBulkDirectionIndex + 3)
        return record;
    record[kModelIndex] = char(m_model[0] & 0x7F);
    record[kModelIndex + 1] = char(m_model[1] & 0x7F);
    if ((byteAt(record, kDeviceIndex) >> 4) != SysEx::KindBulkDump) {
        record[kParamDirectionIndex] = char(m_model[2] & 0x7F);
        return record;
    }
    record[kBulkDirectionIndex] = char(m_model[2] & 0x7F);
    record[record.size() - 2] = char(CreateBulkChecksum(record.left(record.size() - 2)));
    return record;
}

// ---- Single messages ------------------------------------------------------------------------------------

bool MessageEncoder::enqueueParamChange(const ParamAddress& address, int value)
{
    unsigned char sysex[4];
    if (!m_table || !m_table->getSysExParamAddress(address, sysex))
        return false;
    const unsigned char data = SysEx::encodeNumber(value);
    return enqueueParamChange(sysex, &data, 1);
}

bool MessageEncoder::enqueueParamChange(const ParamAddress& address, const QString& text)
{
    return enqueueTextChange(address, text);
}

bool MessageEncoder::enqueueTextChange(const ParamAddress& address, const QString& text)
{
    unsigned char sysex[4];
    if (!m_table || !m_table->getSysExParamAddress(address, sysex))
        return false;
    int length = 0;
    bool oneMessage = false;
    if (address.isTemplateNameAdr())
        length = SysEx::kTemplateNameLength;
    else if (address.isQPXiNameAdr())
        length = SysEx::kQPXiNameLength;
    else if (address.isDisplayNameAdr())
        length = SysEx::kDisplayNameLength;
    else if (address.isRemoteTagIDAdr()) {
        length = SysEx::kRemoteNumberLength;
        oneMessage = true;
    } else {
        return false;
    }
    const QList<QByteArray> messages = SysEx::textFieldChanges(sysex[0], sysex[1], length, text, oneMessage);
    for (const QByteArray& message : messages) {
        if (!enqueueOrClear(message))
            return false;
    }
    return !messages.isEmpty();
}

bool MessageEncoder::enqueueParamChange(const unsigned char* address, const unsigned char* data, int n)
{
    if (!address || n < 0 || (n > 0 && !data))
        return false;
    return enqueueOrClear(
        SysEx::parameterChange(address[0], address[1], QByteArray(reinterpret_cast<const char*>(data), n)));
}

bool MessageEncoder::enqueueParamReq(const unsigned char* address)
{
    if (!address)
        return false;
    return enqueueOrClear(SysEx::parameterRequest(address[0], address[1]));
}

bool MessageEncoder::enququeTemplateNumberReq()
{
    const unsigned char address[2] = {SysEx::kMidCurrentTemplateNumber, 0x00};
    return enqueueParamReq(address);
}

bool MessageEncoder::enququeBankEditFlagReq()
{
    if (!m_table)
        return false;
    const unsigned char address[2] = {SysEx::kMidBankEditFlag, 0x00};
    return enqueueParamReq(address);
}

bool MessageEncoder::enququeTemplateNumberSelect()
{
    if (!m_service)
        return false;
    const ParamAddress current(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);
    const unsigned char address[2] = {SysEx::kMidCurrentTemplateNumber, 0x00};
    const unsigned char number = SysEx::encodeNumber(m_service->getParam(current).getCurrentValue());
    return enqueueParamChange(address, &number, 1);
}

bool MessageEncoder::enqueueBulkReqHeaderFooter(BulkType area, BulkType2 part, int templ)
{
    const QByteArray request = createBulkReqHeaderFooter(area, part, templ);
    return !request.isEmpty() && bufferingMsg(withModel(request));
}

bool MessageEncoder::enqueueStoreToFlash()
{
    return bufferingMsg(withModel(SysEx::storeToFlash()));
}

// ---- Several messages -----------------------------------------------------------------------------------

bool MessageEncoder::enqueue1TemplateBulk(int bank, int templ)
{
    if ((bank != 0 && bank != 1) || !isTemplateNumber(templ) || !m_service)
        return false;
    const BulkType area = bank == 0 ? kEditBufferArea : kStoredArea;
    if (!enqueueOrClear(createBulkHeaderFooter(area, kHeaderPart, templ)))
        return false;
    for (int block = 0; block <= SysEx::kControllerCount; ++block) {
        if (!enqueueOrClear(createBulkContent(block, bank, templ)))
            return false;
    }
    return enqueueOrClear(createBulkHeaderFooter(area, kFooterPart, templ));
}

bool MessageEncoder::sendBulk(int bank, int templ)
{
    return enqueue1TemplateBulk(bank, templ) && sendMessage(nullptr);
}

bool MessageEncoder::sendHardWareDataReq(bool withEditBuffer)
{
    auto requestArea = [this](BulkType area) {
        for (int t = 0; t < SysEx::kTemplateCount; ++t) {
            if (!enqueueBulkReqHeaderFooter(area, kHeaderPart, t))
                return false;
        }
        return true;
    };
    bool ok = requestArea(kStoredArea) && enququeBankEditFlagReq();
    if (ok && withEditBuffer)
        ok = enququeTemplateNumberReq() && requestArea(kEditBufferArea);
    if (!ok) {
        clearTransmitQueue(true);
        return false;
    }
    return sendMessage(nullptr);
}

bool MessageEncoder::sendEditorAllData(bool editBufferOnly)
{
    bool ok = true;
    for (int t = 0; ok && t < SysEx::kTemplateCount; ++t)
        ok = enqueue1TemplateBulk(0, t);
    ok = ok && enququeTemplateNumberSelect();
    for (int t = 0; ok && !editBufferOnly && t < SysEx::kTemplateCount; ++t)
        ok = enqueue1TemplateBulk(1, t);
    if (!ok) {
        clearTransmitQueue(true);
        return false;
    }
    return sendMessage(nullptr);
}

bool MessageEncoder::sendParamChangeOfController(int bank, int templ, int controller)
{
    if (!m_service || controller < 0 || controller >= SysEx::kControllerCount)
        return false;
    const ParamAddress name(bank, templ, controller, ParamAddress::kDisplayNameParam);
    const ParamAddress cc(bank, templ, controller, ParamAddress::kCCNumberParam);
    const ParamAddress format(bank, templ, controller, ParamAddress::kDisplayFormatParam);
    const ParamAddress id(bank, templ, controller, ParamAddress::kRemoteNumberParam);
    const bool ok = enqueueTextChange(name, m_service->getParamQString(name)) &&
                    enqueueParamChange(cc, m_service->getParam(cc).getCurrentValue()) &&
                    enqueueParamChange(format, m_service->getParam(format).getCurrentValue()) &&
                    enqueueTextChange(id, m_service->getParamQString(id));
    if (!ok) {
        clearTransmitQueue(true);
        return false;
    }
    return sendMessage(nullptr);
}

bool MessageEncoder::send1TemplateDataParamChange(int bank, int templ)
{
    if (!m_service)
        return false;
    const ParamAddress name(bank, templ, ParamAddress::kTemplateNameController, -1);
    const ParamAddress qpxi(bank, templ, ParamAddress::kQPXiNameController, -1);
    const ParamAddress type(bank, templ, ParamAddress::kControlTypeController, -1);
    const unsigned char reserved[2] = {SysEx::kMidCommonBlock, SysEx::kReservedStart};
    const unsigned char zero = 0;
    bool ok = enqueueTextChange(name, m_service->getParamQString(name)) &&
              enqueueTextChange(qpxi, m_service->getParamQString(qpxi)) &&
              enqueueParamChange(type, m_service->getParam(type).getCurrentValue()) &&
              enqueueParamChange(reserved, &zero, 1);
    for (int k = 0; ok && k < SysEx::kControllerCount; ++k)
        ok = sendParamChangeOfController(bank, templ, k);
    if (!ok) {
        clearTransmitQueue(true);
        return false;
    }
    return sendMessage(nullptr);
}

bool MessageEncoder::sendStoreMessage()
{
    return enqueueOrClear(SysEx::storeCommand()) && sendMessage(nullptr);
}

bool MessageEncoder::sendParamChange(const unsigned char* address, unsigned char value)
{
    return enqueueParamChange(address, &value, 1) && sendMessage(nullptr);
}

// ---- Builders -------------------------------------------------------------------------------------------

QByteArray MessageEncoder::createBulkContent(int block, int bank, int templ)
{
    if (block < 0 || block > SysEx::kControllerCount || !m_service)
        return QByteArray();
    const ControlTemplateData data = m_service->getTemplateData(bank, templ);
    if (block == 0) {
        SysEx::CommonBlock common;
        common.templateName = data.getTemplateName();
        common.qpxiName = data.getQPXiName();
        common.controlType = data.getCtrlType().getCurrentValue();
        return SysEx::commonBlockMessage(common);
    }
    const ControllerData knob = data.getController(block - 1);
    SysEx::ControllerBlock content;
    content.remoteNumber = knob.getRemoteTagID();
    content.displayName = knob.getDisplayName();
    content.ccNumber = knob.getCCNum().getCurrentValue();
    content.displayFormat = knob.getDispFormat().getCurrentValue();
    return SysEx::controllerBlockMessage(block - 1, content);
}

QByteArray MessageEncoder::createBulkHeaderFooter(BulkType area, BulkType2 part, int templ)
{
    if (!isTemplateNumber(templ) || (area != kStoredArea && area != kEditBufferArea))
        return QByteArray();
    if (part == kHeaderPart)
        return SysEx::bulkHeader(areaByte(area), templ);
    if (part == kFooterPart)
        return SysEx::bulkFooter(areaByte(area), templ);
    return QByteArray();
}

QByteArray MessageEncoder::createBulkReqHeaderFooter(BulkType area, BulkType2 part, int templ)
{
    if (part != kHeaderPart || !isTemplateNumber(templ) || (area != kStoredArea && area != kEditBufferArea))
        return QByteArray();
    return SysEx::bulkRequest(areaByte(area), templ);
}

unsigned char MessageEncoder::CreateBulkChecksum(const QByteArray& record)
{
    if (record.size() < kBulkDirectionIndex + 1)
        return 0;
    return SysEx::checksum(reinterpret_cast<const unsigned char*>(record.constData()) + kBulkDirectionIndex,
                           int(record.size()) - kBulkDirectionIndex);
}
