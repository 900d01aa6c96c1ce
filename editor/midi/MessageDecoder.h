#pragma once

#include "MessageProcessor.h"
#include "MessageSender.h"
#include "ParamAddress.h"
#include "SysEx.h"

#include <QMutex>

#include <bitset>

class SysExParamChangeAddressTransTable;

// Takes what the synthesizer sends on the communication port and writes it into the memory service
// with sending held off, so nothing received is echoed: parameter changes into bank 0's current
// template, bulk dumps into banks 2 (stored) and 3 (edit buffer). Bulk acknowledges and dump footers
// start the encoder's next sending pass; the two counters tell when a full send or receive is done.
// Process runs on the port's delivery thread; the counters are also changed from the GUI thread.
class MessageDecoder : public MessageProcessor, public TransmitCounters
{
public:
    // model: the three model and direction bytes the synthesizer's messages carry (7F 1C 01).
    MessageDecoder(SysExParamChangeAddressTransTable* table, const unsigned char* model, long port,
                   RemoteMemAPI* service, int filterType);
    ~MessageDecoder() override;

    bool Process(tagMPEVENT& record) override;
    // The same for bytes behind F0 (tests and the fuzzer).
    bool processRecord(const unsigned char* bytes, int length);

    void incrementTransmitedBulkCounter() override;
    void incrementTransmitedBulkReqCounter() override;
    void decrementTransmitedBulkCounter() override;
    void decrementTransmitedBulkReqCounter() override;
    void clearTransmitedBulkCounter() override;
    void clearTransmitedBulkReqCounter() override;
    int transmitedBulkCount();
    int transmitedBulkReqCount();
    bool isReceivingBulk() const { return m_receivingBulk; }

private:
    bool isDesiredModelSysEx(const unsigned char* bytes, const SysEx::Message& message) const;
    bool decodeAcknowledge();
    bool DecodeParameterChange(const SysEx::Message& message);
    bool DecodeBulk(const SysEx::Message& message);
    bool decodeBulkHeader(const SysEx::Message& message);
    bool decodeBulkFooter(const SysEx::Message& message);
    bool decodeBulkContents(const SysEx::Message& message);
    void decodeParameterReply(const SysEx::Message& message);
    bool WriteNumericParamToMemory(const ParamAddress& address, int value);
    bool WriteStringParamToMemory(const ParamAddress& address, const QString& text);
    // Replaces characters of a text field from position index on, without passing the field's end.
    bool WriteStringParamToMemory(const QByteArray& chars, int index, const ParamAddress& address);
    // The field's current text filled to its width, as the synthesizer holds it.
    QString getStringParamFromMemory(const ParamAddress& address);

    SysExParamChangeAddressTransTable* m_table = nullptr;
    unsigned char m_model[3] = {SysEx::kModelHigh, SysEx::kModelLow, SysEx::kDirectionFromSynth};
    int m_bulkTemplate = 0;
    int m_bulkBank = 2;
    unsigned char m_bulkArea = 0;
    // Blocks of the dump in progress that arrived whole: a dump missing one is not counted as received.
    std::bitset<1 + SysEx::kControllerCount> m_blocksReceived;
    int m_bulkCounter = 0;
    int m_bulkReqCounter = 0;
    QMutex m_bulkCounterLock;
    QMutex m_bulkReqCounterLock;
    bool m_receivingBulk = false;
};
