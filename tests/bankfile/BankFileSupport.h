#pragma once

#include "BankData.h"
#include "MemChangeObserver.h"
#include "MessageSender.h"
#include "RemoteMemAPI.h"

#include <QByteArray>
#include <QDomDocument>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace bankfiletest {

constexpr int kBankCount = 9;

// Appends banks until the memory has the nine the editor works with.
void makeNineBanks(RemoteMemAPI& memory);

// Fills every value of bank with texts full of XML-special and non-ASCII characters and numbers that
// differ per bank, template and knob; seed tells two fillings of one bank apart. Sets the bank's
// current template number too. Leaves the file edit flag at 0.
void fillBank(RemoteMemAPI& memory, int bank, int seed);

// Every bank's contents and flags, and the editor's file edit flag, to compare before and after.
struct MemorySnapshot
{
    QList<BankData> banks;
    int fileEditFlag = 0;
};
MemorySnapshot takeSnapshot(RemoteMemAPI& memory);
// Empty when the two banks hold the same templates and flags; otherwise what differs first.
QString bankDifference(const BankData& expected, const BankData& actual);
// The same for the 50 templates alone (a bank file keeps no flags of its template bank).
QString templatesDifference(const BankData& expected, const BankData& actual);

// Parses bytes, lets edit change the document and writes it back as a bank file is written.
QByteArray editDocument(const QByteArray& bytes, const std::function<void(QDomDocument&)>& edit);

// Counts what the memory service hands the encoder; called under the memory lock on the writing thread.
class CountingSender : public MessageSender
{
public:
    bool enqueueParamChange(const ParamAddress&, int) override { return ++enqueued, true; }
    bool enqueueParamChange(const ParamAddress&, const QString&) override { return ++enqueued, true; }
    bool sendMessage(bool*) override { return true; }
    bool sendHardWareDataReq(bool) override { return true; }
    void clearTransmitQueue(bool) override {}

    int enqueued = 0;
};

// Counts its notifications; called on the writing thread (here the test's own).
class Counter : public MemChangeObserver
{
public:
    ~Counter() override { detachFromMemAPI(); }
    void paramUpdate() override { ++count; }
    int count = 0;
};

// A source memory whose bank 1 and bank 0 a file is saved from, and a target memory, every bank of it
// filled otherwise, that the file is loaded into; with a private folder for the files. Test thread only.
class TwoMemories : public ::testing::Test
{
protected:
    void SetUp() override;
    // The file of the source's bank 1 with its edit buffer, as saved.
    QByteArray savedBytes();

    QTemporaryDir dir;
    RemoteMemAPI source;
    RemoteMemAPI target;
};

} // namespace bankfiletest
