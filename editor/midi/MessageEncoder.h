#pragma once

#include "MessageSender.h"
#include "ParamAddress.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QRecursiveMutex>

class AddressTransTable;
class ComuController;
class RemoteMemAPI;
class SysExParamChangeAddressTransTable;

// Builds every SysEx message the editor sends, queues them in groups and sends the groups with the
// synthesizer's flow control: a group that awaits an answer (a bulk dump, which the synthesizer
// acknowledges, or a bulk request, which it answers with a dump) ends a sending pass, and the decoder
// starts the next pass when the answer has come. Runs on the GUI thread and on the SysEx input's
// delivery thread, always under the memory service's lock; its own queue lock comes after that one.
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

    // model: the three model and direction bytes put into every message (7F 1C 00).
    MessageEncoder(const unsigned char* model, SysExParamChangeAddressTransTable& table, ComuController& controller,
                   long port, RemoteMemAPI* service);
    ~MessageEncoder() override;

    // ---- Queue and send -------------------------------------------------------------------------------
    // Queues one message (bytes behind F0) by the grouping rules; false when they refuse it.
    bool bufferingMsg(const QByteArray& record);
    bool sendMessage(bool* wasEmpty) override;
    void clearTransmitQueue(bool lock) override;
    // Groups queued, and records in each, for tests and the benchmark.
    int queuedGroupCount();
    QList<int> queuedRecordCounts();

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

    // Queues, clearing the whole queue on failure (a message that cannot go out spoils what follows).
    bool enqueueOrClear(const QByteArray& record);
    bool enqueueTextChange(const ParamAddress& address, const QString& text);
    QByteArray withModel(QByteArray record) const;
    void queueDrained();

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
};
