#pragma once

#include "AddressTransTable.h"
#include "BankData.h"
#include "NumericParameter.h"
#include "PairAdrObs.h"
#include "ParamAddress.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QRecursiveMutex>
#include <QString>
#include <QStringList>

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
    // More banks than this the editor never offers to make (import, Save As).
    static constexpr int kMaxBanks = 128;

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
    // The full send awaited above drained the queue: every group, the follow-ups it queued last among
    // them, went out after the acknowledge of the dump before. Only now are those follow-ups done; a
    // send that fails before keeps their flags for the next full send. Called by the encoder.
    void fullSendDrained();
    void setWaitingBulkReceive(bool on) { m_waitingBulkReceive = on; }
    bool isWaitingBulkReceive() const { return m_waitingBulkReceive; }
    bool takeWaitingBulkReceive() { return m_waitingBulkReceive.exchange(false); }

    // ---- Bank operations ------------------------------------------------------------------------------
    // Banks: 0 edit buffer (mirrored live), 1 editor backup (the synthesizer's stored bank), 2 and 3 the
    // receive buffers of the stored bank and the edit buffer, 4 import, 5 library, 6 and 7 evacuation
    // slots of a file load, 8 factory presets. Every operation runs under the memory lock. A copy into
    // bank 0 or 1 raises the file edit flag (unless denied), a copy into bank 5 the library edit flag.
    void copyBank(int source, int destination);
    void copyStoredBankToArbitraryBank(int bank);
    void copyStoredBankToEditorBackupBank();
    void setupLibraryBank();
    // Bank 0 becomes the library bank without raising the file edit flag.
    void activateLibraryEdit();
    bool copyTemplate(int bank1, int templ1, int bank2, int templ2);
    // Swaps; while ONLINE a swapped template of bank 0 goes to the synthesizer as a bulk dump.
    bool exchangeTemplate(int bank1, int templ1, int bank2, int templ2);
    // While ONLINE a changed knob of bank 0 goes to the synthesizer: as parameter changes when it
    // belongs to the current template (the only one they can reach), else in a dump of its template.
    bool copyController(int bank1, int templ1, int controller1, int bank2, int templ2, int controller2);
    bool exchangeController(int bank1, int templ1, int controller1, int bank2, int templ2, int controller2);
    void initializeInitialTemplate();
    void initializeTemplate(int bank, int templ);
    ControlTemplateData getInitialTemplate();
    // Keeps bank `bank` and bank 0 in the evacuation slots before a file load overwrites them, and puts
    // both back, available flags included, after a load that failed.
    void evacuateSpecificBankAndEditBuff(int bank);
    void restoreSpecificBankAndEditBuff(int bank);
    // Bank 0 becomes the editor backup; raises the file edit flag when bank 0 holds anything but empty
    // templates; with send the synthesizer is told to store too. True when send is false.
    bool storeBank(bool send);
    bool isEditBufferEdited();
    int createBank();
    int getQuantityOfBank();
    // Copies; a bank that does not exist gives an unavailable, empty bank.
    NumericParameter getBankAvailableFlag(int bank);
    void setBankAvailableFlag(int flag, int bank);
    void setBank(const BankData& bank);
    BankData getBank(int bank);
    ControlTemplateData getTemplateData(int bank, int templ);
    bool send1TemplateDataParamChange(int bank, int templ);
    // The full send of auto-sync with its follow-ups (store, store to flash) queued behind its dumps when
    // their flags are set. The flags stay set until the queue drains (fullSendDrained()): a send that
    // fails or is given up on keeps them, and the next full send (Retry, or the auto-sync when the
    // synthesizer comes back) sends them again.
    bool sendEditorAllData(bool editBufferOnly);
    bool sendStoreToFlash();
    bool sendAllTemplatesStoreMessage();

    // ---- MIDI route -----------------------------------------------------------------------------------
    // The watched input (active sensing), the SysEx input and the output, by 1-based port number. The
    // watched and the SysEx input must differ. False, with nothing of the failed side left behind, when
    // a port cannot be opened; an input side that opened stays when only the output failed.
    // GUI thread only, and never under the memory lock (the teardown waits for the delivery threads).
    bool createMIDIComunicationRoute(int watchInput, int commInput, int output);
    bool createMIDIInput(int watchInput, int commInput);
    bool createMIDIOutput(int output);
    void deleteMIDIComunicationRoute();
    bool hasMIDIInput();
    bool hasMIDIOutput();
    // True when the route is open and every one of its ports reaches its endpoint: false once the
    // synthesizer's ports went away (until they come back), so that a retry builds the route anew.
    bool isMIDIRouteLinked();
    // The device name the route's ports are listed under now, while it is linked; empty otherwise.
    QString linkedMIDIRouteDevice();
    QStringList getInputPortList();
    QStringList getOutputPortList();
    // The connection watcher's period for the next route built (tests shorten it).
    void setConnectionWatchPeriod(int milliseconds) { m_watchPeriodMs = milliseconds; }
    // For the next route built: how long the synthesizer may take to answer a dump or a request before
    // it is sent again, and how often it is sent again before the encoder gives up on it. The encoder's
    // defaults otherwise.
    void setAnswerTimeout(int milliseconds, int retries)
    {
        m_answerTimeoutMs = milliseconds;
        m_answerRetries = retries;
    }
    // How many times a port of the route lost the synthesizer's endpoint it was linked to. Each time,
    // at once on the MIDI system's thread, ONLINE falls (as after a silent watch period), the transmit
    // queue is dropped (nothing answers it any more), and synthesizerVanished() is emitted. A transfer
    // that began before the count changed cannot complete.
    int vanishedCount() const { return m_vanishedCount.load(); }

    // ---- Echo guard -----------------------------------------------------------------------------------
    // True when number is a current template number sent and not yet echoed by the synthesizer: the
    // entry and the older ones ahead of it (whose echoes were lost) are removed, and the caller drops
    // the report instead of writing it. The list is bounded and cleared when ONLINE falls and when
    // the route is rebuilt, so one lost echo cannot swallow genuine reports for good.
    bool takePendingTemplateNumberEcho(int number);
    static constexpr int kMaxPendingTemplateNumbers = 16;
    QList<int> pendingTemplateNumbers();

    // ---- Sending --------------------------------------------------------------------------------------
    // The MIDI route's sender and the decoder's counters; not owned, null while no route is open. The
    // counter calls take no lock, so the encoder may make them while it holds its queue lock.
    void setMessageSender(MessageSender* sender);
    void setTransmitCounters(TransmitCounters* counters);
    // Each false when there is no sender. Bulk reception is switched on before the requests go out.
    bool sendHardWareDataReq(bool withEditBuffer);
    bool sendMessage(bool* wasEmpty);
    // The synthesizer's answers, for the decoder (see MessageSender); false when there is no sender.
    bool takeAcknowledge();
    bool takeBulkReply(unsigned char area, int templ);
    bool takeParameterReply(unsigned char mid, unsigned char low);
    void clearTransmitQueue();
    void incrementTransmitedBulkCounter();
    void incrementTransmitedBulkReqCounter();
    void decrementTransmitedBulkCounter();
    void decrementTransmitedBulkReqCounter();
    void clearTransmitedBulkCounter();
    void clearTransmitedBulkReqCounter();

    void emitCompleteBulkReceiveSignal() { emit completeBulkReceive(); }
    void emitCompleteBulkTransmitSignal() { emit completeBulkTransmit(); }
    void emitNotifiedCurrentTemplateNumberSignal() { emit notifiedCurrentTemplateNumber(); }
    void emitPortActivatedSignal() { emit portActivated(); }
    void emitTransferAbandonedSignal() { emit transferAbandoned(); }

    // The name table the service's addresses resolve through.
    AddressTransTable* getAddressTransTable() { return &m_nameTable; }

signals:
    void completeBulkReceive();
    void completeBulkTransmit();
    void notifiedCurrentTemplateNumber();
    void portActivated();
    void synthesizerVanished();
    // The encoder gave up on an answer after its resends and dropped what was queued: a transfer
    // under way cannot complete. Emitted on the thread that gave up; connect queued.
    void transferAbandoned();

private:
    enum class WriteKind
    {
        Edit,
        Received,
        Activation
    };
    struct ObserverEntry;
    // The MIDI layer (controller, encoder, processors, SysEx address table); made at the first port or
    // route call, so that a service that never opens a route never touches the MIDI system.
    class MidiLayer
    {
    public:
        virtual ~MidiLayer() = default;
    };
    struct MidiLayerObjects;

    bool writeNumeric(const ParamAddress& address, long value, WriteKind kind);
    bool writeText(const ParamAddress& address, const QString& text, WriteKind kind);
    void raiseFileEditFlag();
    bool maySend(const ParamAddress& address, WriteKind kind);
    template <typename Match> void notifyMatching(Match match);
    void applyEditFlagRule(int destination);
    void sendKnobChange(int templ, int controller);
    MidiLayerObjects& midiLayer();
    void routeLinkLost();

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
    // The follow-ups the running full send queued (kFollowUpStore, kFollowUpFlash).
    std::atomic<int> m_queuedFollowUps{0};
    static constexpr int kFollowUpStore = 1;
    static constexpr int kFollowUpFlash = 2;
    // Available flags of the evacuated banks (the bank, then bank 0), for an exact restore.
    int m_evacuatedAvailable[2] = {1, 1};
    int m_watchPeriodMs = 5000;
    int m_answerTimeoutMs = -1; // -1: the encoder's own defaults
    int m_answerRetries = -1;
    std::atomic<int> m_vanishedCount{0};
    // Last member: the route goes before anything its threads may reach.
    std::unique_ptr<MidiLayer> m_midi;
};
