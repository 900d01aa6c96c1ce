#pragma once

#include "AddressTransTable.h"
#include "NumericParameter.h"
#include "PairAdrObs.h"
#include "ParamAddress.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QRecursiveMutex>
#include <QString>

#include <atomic>
#include <memory>

class MemChangeObserver;
class MessageSender;
class RemoteMemory;
class TransmitCounters;

// The one way into the editor's memory mirror: guards it with the recursive memory lock, notifies the
// observers of every change, raises the file edit flag and, while ONLINE, sends every change of bank 0
// to the synthesizer. Lives from before the first window to the end of the program; used from the GUI
// thread and from the MIDI input threads.
class RemoteMemAPI : public QObject
{
    Q_OBJECT

public:
    RemoteMemAPI();
    ~RemoteMemAPI() override;

    // The memory lock. Taking it makes a sequence of service calls one step for every other thread;
    // keep it outermost (before any lock of the MIDI layer) and never wait for another thread under it.
    QRecursiveMutex& memoryLock() { return m_memoryLock; }

    // ---- Values ---------------------------------------------------------------------------------------
    // A write stores, notifies the address's observers, raises the file edit flag for banks 0 and 1
    // (unless denied) and sends bank 0 values while ONLINE and sending is allowed. True only when the
    // stored value changed; a write that changes nothing does none of this.
    bool setParam(const ParamAddress& address, long value);
    bool setParam(const ParamAddress& address, const QString& text);
    // Writes of values the synthesizer reported: stored, notified and flagged like any write, never
    // sent back. Sending stays suppressed for exactly this write, whatever other threads do meanwhile.
    bool setReceivedParam(const ParamAddress& address, long value);
    bool setReceivedParam(const ParamAddress& address, const QString& text);
    // Makes number bank 0's current template as one step: stored, notified, flagged and sent (while
    // ONLINE and allowed) even when it already was current, so the synthesizer follows the library's
    // activation. False only when the number is out of range.
    bool activateCurrentTemplateNumber(long number);
    // Copies taken under the lock; neutral values (all 0, empty) where nothing is stored.
    NumericParameter getParam(const ParamAddress& address);
    QString getParamQString(const ParamAddress& address);

    // ---- Observers ------------------------------------------------------------------------------------
    // Any thread; the list is changed under the memory lock, so a registration waits for a running
    // notification. An observer may unregister itself or others from inside paramUpdate().
    // Registering the same address object and observer again adds no second entry. An observer without
    // a service is given this one, so its destructor unregisters it.
    bool registObserver(ParamAddress* address, MemChangeObserver* observer);
    bool registObserver(const PairAdrObs& entry);
    void unregistObserver(MemChangeObserver* observer);
    // Removes every entry that watches this address object (its owner is about to delete it).
    void unregistObserverAddress(const ParamAddress* address);
    int observerCount();
    // Each calls paramUpdate() of the matching entries in registration order, under the memory lock.
    void notifyObserver(const ParamAddress& address);
    void notifyObserverOfBankAllParam(int bank);
    void notifyObserverOfTemplateAllParam(int bank, int templ);
    void notifyObserverOfControllerAllParam(int bank, int templ, int controller);

    // ---- ONLINE state and flags -----------------------------------------------------------------------
    bool isONLINE();
    // Notifies the observers of the ONLINE address when the state changed; true then.
    bool setONLINEstate(long value);
    // Sending is allowed while no caller holds it off: each false must be matched by one true, so a
    // nested hold (a received write during a file load) cannot turn sending on early.
    void setAllowToSendSysExFlag(bool allowed);
    bool isAllowToSendSysEx();
    // Raising the file edit flag is allowed while the deny counter is 0. Both return the new count.
    int denyToRaiseFileEditFlag();
    int allowToRaiseFileEditFlag();
    bool isAllowToRaiseFileEditFlag() const { return m_denyCounter.load() == 0; }
    void setWatchPortActivate(bool on) { m_watchPortActivate = on; }
    bool isWatchPortActivate() const { return m_watchPortActivate; }
    void setNeedToWaitAutoSyncDoneFlag(bool on) { m_needToWaitAutoSyncDone = on; }
    bool needToWaitAutoSyncDone() const { return m_needToWaitAutoSyncDone; }
    void setFileOpenRequestFlag(bool on) { m_fileOpenRequest = on; }
    bool isFileOpenRequestExist() const { return m_fileOpenRequest; }
    void lockSendParamChange() { m_sendParamChangeLocked = true; }
    void unlockSendParamChange() { m_sendParamChangeLocked = false; }
    bool getBulkRecieveEnableFlag() const { return m_bulkReceiveEnabled; }
    void revokeReceivedBulk() { m_bulkReceiveEnabled = false; }
    void setStoreFlag(bool on) { m_storePending = on; }
    bool isStorePending() const { return m_storePending; }
    void setStoreToFlashSendingFlag(bool on) { m_storeToFlashSending = on; }
    bool isStoreToFlashSending() const { return m_storeToFlashSending; }
    // Set by auto-sync when it starts a full send or receive; whoever completes it takes the flag
    // (true only for the one caller that found it set) and emits the completion signal.
    void setWaitingBulkTransmit(bool on) { m_waitingBulkTransmit = on; }
    bool isWaitingBulkTransmit() const { return m_waitingBulkTransmit; }
    bool takeWaitingBulkTransmit() { return m_waitingBulkTransmit.exchange(false); }
    void setWaitingBulkReceive(bool on) { m_waitingBulkReceive = on; }
    bool isWaitingBulkReceive() const { return m_waitingBulkReceive; }
    bool takeWaitingBulkReceive() { return m_waitingBulkReceive.exchange(false); }

    // ---- Echo guard -----------------------------------------------------------------------------------
    // True, and the entry removed, when number is the oldest current template number sent and not yet
    // echoed by the synthesizer: the caller then drops the report instead of writing it.
    bool takePendingTemplateNumberEcho(int number);
    QList<int> pendingTemplateNumbers();

    // ---- Sending --------------------------------------------------------------------------------------
    // The MIDI route's sender and the decoder's counters; not owned, null while no route is open. The
    // counter calls take no lock, so the encoder may make them while it holds its queue lock.
    void setMessageSender(MessageSender* sender);
    void setTransmitCounters(TransmitCounters* counters);
    // Each false when there is no sender.
    bool sendHardWareDataReq(bool editBufferOnly);
    bool sendMessage(bool* wasEmpty);
    void clearTransmitQueue();
    void incrementTransmitedBulkCounter();
    void incrementTransmitedBulkReqCounter();
    void clearTransmitedBulkCounter();
    void clearTransmitedBulkReqCounter();

    void emitCompleteBulkReceiveSignal() { emit completeBulkReceive(); }
    void emitCompleteBulkTransmitSignal() { emit completeBulkTransmit(); }
    void emitNotifiedCurrentTemplateNumberSignal() { emit notifiedCurrentTemplateNumber(); }
    void emitPortActivatedSignal() { emit portActivated(); }

    // The name table the service's addresses resolve through.
    AddressTransTable* getAddressTransTable() { return &m_nameTable; }

signals:
    void completeBulkReceive();
    void completeBulkTransmit();
    void notifiedCurrentTemplateNumber();
    void portActivated();

private:
    enum class WriteKind
    {
        Edit,
        Received,
        Activation
    };
    struct ObserverEntry;

    bool writeNumeric(const ParamAddress& address, long value, WriteKind kind);
    bool writeText(const ParamAddress& address, const QString& text, WriteKind kind);
    void raiseFileEditFlag();
    bool maySend(const ParamAddress& address, WriteKind kind);
    template <typename Match> void notifyMatching(Match match);

    QList<int> m_pendingTemplateNumbers;
    QMutex m_pendingLock;
    QRecursiveMutex m_memoryLock;
    std::unique_ptr<RemoteMemory> m_store;
    QList<std::shared_ptr<ObserverEntry>> m_observers;
    AddressTransTable m_nameTable;
    MessageSender* m_sender = nullptr;
    // Read without the memory lock: the encoder reaches the counters while it holds its queue lock.
    std::atomic<TransmitCounters*> m_counters{nullptr};
    std::atomic<bool> m_bulkReceiveEnabled{true};
    std::atomic<bool> m_watchPortActivate{true};
    std::atomic<bool> m_needToWaitAutoSyncDone{false};
    std::atomic<bool> m_fileOpenRequest{false};
    std::atomic<bool> m_sendParamChangeLocked{false};
    std::atomic<bool> m_waitingBulkTransmit{false};
    std::atomic<bool> m_waitingBulkReceive{false};
    std::atomic<int> m_denyCounter{0};
    std::atomic<int> m_sendHoldCounter{0};
    std::atomic<bool> m_storeToFlashSending{false};
    std::atomic<bool> m_storePending{false};
};
