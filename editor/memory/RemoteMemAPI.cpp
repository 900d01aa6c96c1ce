#include "RemoteMemAPI.h"

#include "MemChangeObserver.h"
#include "MessageSender.h"
#include "RemoteMemory.h"

#include <QMutexLocker>

// An observer list entry. Notification walks a snapshot of the list, so an entry removed while a walk
// is under way is marked and skipped rather than called after its observer may be gone.
struct RemoteMemAPI::ObserverEntry
{
    PairAdrObs pair;
    bool removed = false;
};

namespace {

const ParamAddress kFileEditFlagAddress(ParamAddress::kFileEditFlagBank, -1, -1, -1);
const ParamAddress kOnlineStateAddress(ParamAddress::kOnlineStateBank, -1, -1, -1);
const ParamAddress kCurrentTemplateNumberOfBank0(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);

// Decrements counter unless it is 0 already; returns the value it leaves.
int decrementToZero(std::atomic<int>& counter)
{
    int value = counter.load();
    while (value > 0 && !counter.compare_exchange_weak(value, value - 1)) {
    }
    return value > 0 ? value - 1 : 0;
}

} // namespace

RemoteMemAPI::RemoteMemAPI() : m_store(std::make_unique<RemoteMemory>()) {}

RemoteMemAPI::~RemoteMemAPI()
{
    // The route first, outside the memory lock: its delivery threads may be waiting for that lock.
    m_midi.reset();
    QMutexLocker lock(&m_memoryLock);
    // Observers that outlive the service must not unregister from it when they go.
    for (const auto& entry : std::as_const(m_observers)) {
        MemChangeObserver* observer = entry->pair.getObserver();
        if (observer && observer->getMemAPI() == this)
            observer->setMemAPI(nullptr);
    }
    m_observers.clear();
}

// ---- Values ---------------------------------------------------------------------------------------------

bool RemoteMemAPI::setParam(const ParamAddress& address, long value)
{
    return writeNumeric(address, value, WriteKind::Edit);
}

bool RemoteMemAPI::setParam(const ParamAddress& address, const QString& text)
{
    return writeText(address, text, WriteKind::Edit);
}

bool RemoteMemAPI::setReceivedParam(const ParamAddress& address, long value)
{
    return writeNumeric(address, value, WriteKind::Received);
}

bool RemoteMemAPI::setReceivedParam(const ParamAddress& address, const QString& text)
{
    return writeText(address, text, WriteKind::Received);
}

bool RemoteMemAPI::activateCurrentTemplateNumber(long number)
{
    return writeNumeric(kCurrentTemplateNumberOfBank0, number, WriteKind::Activation);
}

bool RemoteMemAPI::writeNumeric(const ParamAddress& address, long value, WriteKind kind)
{
    QMutexLocker lock(&m_memoryLock);
    bool changed = m_store->setParam(address, value);
    if (!changed && kind == WriteKind::Activation)
        changed = m_store->getParam(address).getCurrentValue() == value;
    if (!changed)
        return false;
    notifyObserver(address);
    // Neither flag is bank data of the file, and neither is ever sent.
    if (address.isFileEditFlagAdr() || address.isBankAvailFlagAdr())
        return true;
    if (address.isBankParam() && address.isEditBufferOrStoredBankParam() && !address.isBankEditFlagAdr())
        raiseFileEditFlag();
    if (maySend(address, kind) && !address.isBankEditFlagAdr()) {
        if (address.isCurrentTemplateNumAdr()) {
            QMutexLocker pending(&m_pendingLock);
            m_pendingTemplateNumbers.append(static_cast<int>(value));
            while (m_pendingTemplateNumbers.size() > kMaxPendingTemplateNumbers)
                m_pendingTemplateNumbers.removeFirst();
        }
        if (m_sender->enqueueParamChange(address, static_cast<int>(value)))
            m_sender->sendMessage(nullptr);
    }
    return true;
}

bool RemoteMemAPI::writeText(const ParamAddress& address, const QString& text, WriteKind kind)
{
    QMutexLocker lock(&m_memoryLock);
    if (!m_store->setParam(address, text))
        return false;
    notifyObserver(address);
    if (!address.isBankEditFlagAdr() && !address.isFileEditFlagAdr() && !address.isFileNameAdr() &&
        address.isBankParam() && address.isEditBufferOrStoredBankParam())
        raiseFileEditFlag();
    if (maySend(address, kind) && !address.isParamUsedInOnlyEditor()) {
        if (m_sender->enqueueParamChange(address, text))
            m_sender->sendMessage(nullptr);
    }
    return true;
}

void RemoteMemAPI::raiseFileEditFlag()
{
    if (isAllowToRaiseFileEditFlag())
        writeNumeric(kFileEditFlagAddress, 1, WriteKind::Edit);
}

bool RemoteMemAPI::maySend(const ParamAddress& address, WriteKind kind)
{
    return kind != WriteKind::Received && address.isStoredBankParamAdr() && m_sender && isONLINE() &&
           isAllowToSendSysEx();
}

NumericParameter RemoteMemAPI::getParam(const ParamAddress& address)
{
    QMutexLocker lock(&m_memoryLock);
    return m_store->getParam(address);
}

QString RemoteMemAPI::getParamQString(const ParamAddress& address)
{
    QMutexLocker lock(&m_memoryLock);
    return m_store->getParamQString(address);
}

// ---- Observers ------------------------------------------------------------------------------------------

bool RemoteMemAPI::registObserver(ParamAddress* address, MemChangeObserver* observer)
{
    if (address == nullptr || observer == nullptr)
        return false;
    QMutexLocker lock(&m_memoryLock);
    for (const auto& entry : std::as_const(m_observers)) {
        if (entry->pair.getParamAddressPointer() == address && entry->pair.getObserver() == observer)
            return true;
    }
    auto entry = std::make_shared<ObserverEntry>();
    entry->pair = PairAdrObs(address, observer);
    m_observers.append(entry);
    // An observer that knows no service yet learns this one, so that it leaves the list when it goes.
    if (observer->getMemAPI() == nullptr)
        observer->setMemAPI(this);
    return true;
}

bool RemoteMemAPI::registObserver(const PairAdrObs& entry)
{
    return registObserver(entry.getParamAddressPointer(), entry.getObserver());
}

void RemoteMemAPI::unregistObserver(MemChangeObserver* observer)
{
    QMutexLocker lock(&m_memoryLock);
    m_observers.removeIf([observer](const std::shared_ptr<ObserverEntry>& entry) {
        if (entry->pair.getObserver() != observer)
            return false;
        entry->removed = true;
        return true;
    });
}

void RemoteMemAPI::unregistObserverAddress(const ParamAddress* address)
{
    QMutexLocker lock(&m_memoryLock);
    m_observers.removeIf([address](const std::shared_ptr<ObserverEntry>& entry) {
        if (entry->pair.getParamAddressPointer() != address)
            return false;
        entry->removed = true;
        return true;
    });
}

int RemoteMemAPI::observerCount()
{
    QMutexLocker lock(&m_memoryLock);
    return static_cast<int>(m_observers.size());
}

template <typename Match> void RemoteMemAPI::notifyMatching(Match match)
{
    QMutexLocker lock(&m_memoryLock);
    const QList<std::shared_ptr<ObserverEntry>> snapshot = m_observers;
    for (const auto& entry : snapshot) {
        if (entry->removed)
            continue;
        const ParamAddress* address = entry->pair.getParamAddressPointer();
        MemChangeObserver* observer = entry->pair.getObserver();
        if (address && observer && match(*address))
            observer->paramUpdate();
    }
}

void RemoteMemAPI::notifyObserver(const ParamAddress& address)
{
    notifyMatching([&address](const ParamAddress& watched) { return watched == address; });
}

void RemoteMemAPI::notifyObserverOfBankAllParam(int bank)
{
    notifyMatching([bank](const ParamAddress& watched) { return watched.isThisBank(bank); });
}

void RemoteMemAPI::notifyObserverOfTemplateAllParam(int bank, int templ)
{
    notifyMatching([bank, templ](const ParamAddress& watched) {
        return watched.isThisBank(bank) && watched.isThisTemplate(templ);
    });
}

void RemoteMemAPI::notifyObserverOfControllerAllParam(int bank, int templ, int controller)
{
    notifyMatching([bank, templ, controller](const ParamAddress& watched) {
        return watched.isThisBank(bank) && watched.isThisTemplate(templ) && watched.isThisController(controller);
    });
}

// ---- ONLINE state and flags -----------------------------------------------------------------------------

bool RemoteMemAPI::isONLINE()
{
    QMutexLocker lock(&m_memoryLock);
    return m_store->isONLINE();
}

bool RemoteMemAPI::setONLINEstate(long value)
{
    QMutexLocker lock(&m_memoryLock);
    if (!m_store->setONLINEstate(value))
        return false;
    // Echoes still awaited from a synthesizer that went away will not come.
    if (!m_store->isONLINE()) {
        QMutexLocker pending(&m_pendingLock);
        m_pendingTemplateNumbers.clear();
    }
    notifyObserver(kOnlineStateAddress);
    return true;
}

void RemoteMemAPI::setAllowToSendSysExFlag(bool allowed)
{
    QMutexLocker lock(&m_memoryLock);
    const int holds = allowed ? decrementToZero(m_sendHoldCounter) : ++m_sendHoldCounter;
    m_store->setFlagOfIsAllowedToSendSysEx(holds == 0);
}

bool RemoteMemAPI::isAllowToSendSysEx()
{
    QMutexLocker lock(&m_memoryLock);
    return m_store->isAllowedToSendSysEx();
}

int RemoteMemAPI::denyToRaiseFileEditFlag()
{
    return ++m_denyCounter;
}

int RemoteMemAPI::allowToRaiseFileEditFlag()
{
    return decrementToZero(m_denyCounter);
}

// ---- Echo guard -----------------------------------------------------------------------------------------

bool RemoteMemAPI::takePendingTemplateNumberEcho(int number)
{
    QMutexLocker lock(&m_pendingLock);
    const qsizetype at = m_pendingTemplateNumbers.indexOf(number);
    if (at < 0)
        return false;
    m_pendingTemplateNumbers.remove(0, at + 1);
    return true;
}

QList<int> RemoteMemAPI::pendingTemplateNumbers()
{
    QMutexLocker lock(&m_pendingLock);
    return m_pendingTemplateNumbers;
}

// ---- Sending --------------------------------------------------------------------------------------------

void RemoteMemAPI::setMessageSender(MessageSender* sender)
{
    QMutexLocker lock(&m_memoryLock);
    m_sender = sender;
}

void RemoteMemAPI::setTransmitCounters(TransmitCounters* counters)
{
    m_counters = counters;
}

bool RemoteMemAPI::sendHardWareDataReq(bool withEditBuffer)
{
    QMutexLocker lock(&m_memoryLock);
    m_bulkReceiveEnabled = true;
    return m_sender && m_sender->sendHardWareDataReq(withEditBuffer);
}

bool RemoteMemAPI::sendMessage(bool* wasEmpty)
{
    QMutexLocker lock(&m_memoryLock);
    return m_sender && m_sender->sendMessage(wasEmpty);
}

bool RemoteMemAPI::takeAcknowledge()
{
    QMutexLocker lock(&m_memoryLock);
    return m_sender && m_sender->takeAcknowledge();
}

bool RemoteMemAPI::takeBulkReply(unsigned char area, int templ)
{
    QMutexLocker lock(&m_memoryLock);
    return m_sender && m_sender->takeBulkReply(area, templ);
}

bool RemoteMemAPI::takeParameterReply(unsigned char mid, unsigned char low)
{
    QMutexLocker lock(&m_memoryLock);
    return m_sender && m_sender->takeParameterReply(mid, low);
}

void RemoteMemAPI::clearTransmitQueue()
{
    QMutexLocker lock(&m_memoryLock);
    if (m_sender)
        m_sender->clearTransmitQueue(true);
}

void RemoteMemAPI::incrementTransmitedBulkCounter()
{
    if (TransmitCounters* counters = m_counters.load())
        counters->incrementTransmitedBulkCounter();
}

void RemoteMemAPI::incrementTransmitedBulkReqCounter()
{
    if (TransmitCounters* counters = m_counters.load())
        counters->incrementTransmitedBulkReqCounter();
}

void RemoteMemAPI::decrementTransmitedBulkCounter()
{
    if (TransmitCounters* counters = m_counters.load())
        counters->decrementTransmitedBulkCounter();
}

void RemoteMemAPI::decrementTransmitedBulkReqCounter()
{
    if (TransmitCounters* counters = m_counters.load())
        counters->decrementTransmitedBulkReqCounter();
}

void RemoteMemAPI::clearTransmitedBulkCounter()
{
    if (TransmitCounters* counters = m_counters.load())
        counters->clearTransmitedBulkCounter();
}

void RemoteMemAPI::clearTransmitedBulkReqCounter()
{
    if (TransmitCounters* counters = m_counters.load())
        counters->clearTransmitedBulkReqCounter();
}
