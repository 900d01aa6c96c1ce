#pragma once

#include "MessageSender.h"
#include "ParamAddress.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QRecursiveMutex>

#include <optional>

class AddressTransTable;
class ComuController;
class QTimer;
class RemoteMemAPI;
class SysExParamChangeAddressTransTable;

// Builds every SysEx message the editor sends, queues them in groups and sends the groups with the
// synthesizer's flow control: a group that awaits an answer (a bulk dump, which the synthesizer
// acknowledges, a bulk request, which it answers with a dump, or a parameter request, which it answers
// with the value) ends a sending pass, and nothing more leaves until the decoder hands over that answer:
// so there is one chain of sends, whoever asks for a pass. A group whose answer does not come within the
// answer time-out is sent again, a few times, before the encoder gives up on it, which takes the editor
// offline. Runs on the GUI thread and on the SysEx input's delivery thread, always under the memory
// service's lock; its own queue lock comes after that one. Its timer lives on the GUI thread.
class MessageEncoder : public QObject, public MessageSender
{
public:
    // Areas of bulk requests and dumps: the synthesizer's stored templates and its edit buffer.
    enum BulkType
    {
        kStoredArea = 0,
        kEditBufferArea = 1
    };
    // Parts of a dump; a request uses the header form.
    enum BulkType2
    {
        kHeaderPart = 0,
        kFooterPart = 2
    };

    // How long the synthesizer may take to answer a dump or a request before it is sent again: some six
    // times what one template's dump (534 bytes) takes on a 31250-baud MIDI cable, 171 ms, so that a slow
    // but working link is not flooded with copies. And how often it is sent again: a lost message costs
    // one time-out (a lost acknowledge also the late limit of its copy, below), a synthesizer that stopped
    // answering is given up on after four copies, four seconds.
    static constexpr int kDefaultAnswerTimeoutMs = 1000;
    static constexpr int kDefaultAnswerRetries = 3;

    // model: the three model and direction bytes put into every message (7F 1C 00).
    MessageEncoder(const unsigned char* model, SysExParamChangeAddressTransTable& table, ComuController& controller,
                   long port, RemoteMemAPI* service, int answerTimeoutMs = kDefaultAnswerTimeoutMs,
                   int answerRetries = kDefaultAnswerRetries);
    ~MessageEncoder() override;

    // ---- Queue and send -------------------------------------------------------------------------------
    // Queues one message (bytes behind F0) by the grouping rules; false when they refuse it.
    bool bufferingMsg(const QByteArray& record);
    bool sendMessage(bool* wasEmpty) override;
    void clearTransmitQueue(bool lock) override;
    // Groups queued, and records in each, for tests and the benchmark.
    int queuedGroupCount();
    QList<int> queuedRecordCounts();

    // ---- Answers ----------------------------------------------------------------------------------------
    bool takeAcknowledge() override;
    bool takeBulkReply(unsigned char area, int templ) override;
    bool takeParameterReply(unsigned char mid, unsigned char low) override;
    void forgetAnswers() override;
    // A group sent waits for its answer, or acknowledges that earlier copies may still bring hold the
    // chain.
    bool isHoldingChain();
    // Copies sent again since construction, and answers that nobody waited for.
    int resentCount();
    int strayAnswerCount();
    int answerTimeoutMs() const { return m_answerTimeoutMs; }
    int answerRetries() const { return m_answerRetries; }

    // ---- Single messages (queued, not sent) -----------------------------------------------------------
    bool enqueueParamChange(const ParamAddress& address, int value) override;
    bool enqueueParamChange(const ParamAddress& address, const QString& text) override;
    bool enqueueParamChange(const unsigned char* address, const unsigned char* data, int n);
    bool enqueueParamReq(const unsigned char* address);
    bool enququeTemplateNumberReq();
    bool enququeBankEditFlagReq();
    bool enququeTemplateNumberSelect();
    bool enqueueBulkReqHeaderFooter(BulkType area, BulkType2 part, int templ);
    bool enqueueStoreToFlash() override;

    // ---- Several messages -----------------------------------------------------------------------------
    // The 15-message dump of one template of bank 0 (to the edit buffer) or 1 (to the stored bank).
    bool enqueue1TemplateBulk(int bank, int templ);
    bool sendBulk(int bank, int templ) override;
    bool sendHardWareDataReq(bool withEditBuffer) override;
    bool sendEditorAllData(bool editBufferOnly) override;
    bool sendParamChangeOfController(int bank, int templ, int controller) override;
    bool send1TemplateDataParamChange(int bank, int templ) override;
    bool sendStoreMessage() override;
    bool sendParamChange(const unsigned char* address, unsigned char value);

    // ---- Builders (bytes behind F0) -------------------------------------------------------------------
    // Empty for a block outside 0..12 (0 the common block, 1 + k the block of knob k).
    QByteArray createBulkContent(int block, int bank, int templ);
    static QByteArray createBulkHeaderFooter(BulkType area, BulkType2 part, int templ);
    static QByteArray createBulkReqHeaderFooter(BulkType area, BulkType2 part, int templ);
    // The checksum over the bytes from the direction byte (record index 6) to the end; 0 when fewer
    // than 7 bytes are given.
    static unsigned char CreateBulkChecksum(const QByteArray& record);

private:
    struct Group
    {
        bool wait = false;
        QList<QByteArray> records;
    };

    // The group sent last that waits for its answer, kept to be sent again.
    struct Awaited
    {
        Group group;
        bool dump = false; // answered by an acknowledge; a bulk request is answered by a dump's footer
        // A parameter request, answered by a parameter change of the address it asked (mid, low).
        bool parameter = false;
        unsigned char area = 0; // or the address mid byte of a parameter request
        int templ = -1;         // or its address low byte
        int copies = 1;
        qint64 lastSentMs = 0;
    };

    // Queues, clearing the whole queue on failure (a message that cannot go out spoils what follows).
    bool enqueueOrClear(const QByteArray& record);
    bool enqueueTextChange(const ParamAddress& address, const QString& text);
    QByteArray withModel(QByteArray record) const;
    void queueDrained();
    bool dispatch(const Group& group);
    void await(Group group);
    // Every copy of a dump may still be acknowledged until the late limit after the last one was sent.
    void oweAcknowledges(int count, qint64 lastSentMs);
    // Acknowledges that are owed for longer than the late limit count as lost.
    void forgetLateAcknowledges();
    // A dump or request dropped unanswered no longer counts as awaiting its answer.
    void uncount(const Group& group);
    // Drops the queue after a group could not go out or was never answered: the editor goes offline, a
    // store or store to flash that was dropped stays owed, and the service says so.
    void giveUp();
    // Timer work on the GUI thread: sends the awaited group again, gives up on it, or lets the chain go on
    // once owed acknowledges are given up for lost.
    void checkAnswers();
    void scheduleAnswerCheck();
    void armAnswerTimer();
    // An answer later than this after its copy was sent counts as lost: the encoder's whole patience.
    qint64 lateLimitMs() const { return qint64(m_answerTimeoutMs) * (m_answerRetries + 1); }

    unsigned char m_model[3];
    SysExParamChangeAddressTransTable* m_table = nullptr;
    ComuController* m_controller = nullptr;
    QList<Group> m_queue;
    // Index of the group a bulk header opened and no footer has closed yet; -1 when none is open.
    int m_openGroup = -1;
    long m_port = 0;
    AddressTransTable* m_nameTable = nullptr;
    RemoteMemAPI* m_service = nullptr;
    QRecursiveMutex m_queueLock;
    // Guarded by the queue lock.
    std::optional<Awaited> m_awaited;
    int m_owedAcknowledges = 0;
    qint64 m_owedUntilMs = 0;
    int m_resent = 0;
    int m_strayAnswers = 0;
    int m_answerTimeoutMs = kDefaultAnswerTimeoutMs;
    int m_answerRetries = kDefaultAnswerRetries;
    QElapsedTimer m_clock;
    QTimer* m_answerTimer = nullptr;
};
