#pragma once

#include "MessageSender.h"
#include "ParamAddress.h"
#include "RemoteMemAPI.h"
#include "SimSynthTemplate.h"
#include "SynthImages.h"
#include "TMIDIPortAccessor.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtTest/QTest>

#include <chrono>
#include <functional>
#include <string>

namespace enginetest {

using namespace std::chrono_literals;

// Waits for a condition with a deadline, running the event loop (the watcher's timer and queued
// signals need it) in between.
inline bool waitFor(const std::function<bool()>& predicate, std::chrono::milliseconds deadline = 20s)
{
    return QTest::qWaitFor(predicate, static_cast<int>(deadline.count()));
}

// The service with the nine banks the editor works with.
inline void makeNineBanks(RemoteMemAPI& api)
{
    while (api.getQuantityOfBank() < 9)
        api.createBank();
}

// The port number of the entry whose name ends with suffix (" Port5") and holds device; 0 when none.
inline int portNumber(const QStringList& entries, const QString& device, const QString& suffix)
{
    for (const QString& entry : entries) {
        QString number;
        QString name;
        if (TMIDIPortAccessor::splitEntry(entry, &number, &name) && name.contains(device) && name.endsWith(suffix))
            return number.toInt();
    }
    return 0;
}

using kwtest::qs;
using kwtest::templateDifference;
using kwtest::writeTemplate;

// Stands in for the encoder: records every call the memory service makes.
class RecordingSender : public MessageSender
{
public:
    bool enqueueParamChange(const ParamAddress&, int) override { return record("param"); }
    bool enqueueParamChange(const ParamAddress&, const QString&) override { return record("text"); }
    bool sendMessage(bool* wasEmpty) override
    {
        if (wasEmpty)
            *wasEmpty = queueEmpty;
        return true;
    }
    bool sendHardWareDataReq(bool) override { return record("request"); }
    void clearTransmitQueue(bool) override { record("clear"); }
    bool sendBulk(int bank, int t) override { return record(QStringLiteral("bulk %1 %2").arg(bank).arg(t)); }
    bool sendParamChangeOfController(int bank, int t, int k) override
    {
        return record(QStringLiteral("knob %1 %2 %3").arg(bank).arg(t).arg(k));
    }
    bool send1TemplateDataParamChange(int bank, int t) override
    {
        return record(QStringLiteral("template %1 %2").arg(bank).arg(t));
    }
    bool sendEditorAllData(bool editBufferOnly) override
    {
        return record(QStringLiteral("all %1").arg(editBufferOnly)) && !failAllData;
    }
    bool sendStoreMessage() override { return record("store"); }
    bool enqueueStoreToFlash() override { return record("flash"); }

    bool record(const QString& call)
    {
        calls.append(call);
        return true;
    }

    QStringList calls;
    bool queueEmpty = true;
    bool failAllData = false;
};

} // namespace enginetest
