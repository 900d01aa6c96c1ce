#pragma once

#include "MessageSender.h"
#include "ParamAddress.h"
#include "RemoteMemAPI.h"
#include "SimSynthTemplate.h"
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

inline QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

// Where the editor's template (bank, t) differs from the synthesizer's image; empty when equal.
inline std::string templateDifference(RemoteMemAPI& api, int bank, int t, const zelksim::TemplateImage& image)
{
    namespace f = zelksim::fields;
    auto text = [&](int controller, int param) {
        return api.getParamQString(ParamAddress(bank, t, controller, param));
    };
    auto number = [&](int controller, int param) {
        return api.getParam(ParamAddress(bank, t, controller, param)).getCurrentValue();
    };
    std::string where = "bank " + std::to_string(bank) + " template " + std::to_string(t) + ": ";
    if (text(ParamAddress::kTemplateNameController, -1) != qs(image.text(f::templateName())))
        return where + "name '" + text(ParamAddress::kTemplateNameController, -1).toStdString() + "' vs '" +
               image.text(f::templateName()) + "'";
    if (text(ParamAddress::kQPXiNameController, -1) != qs(image.text(f::instrumentName())))
        return where + "instrument";
    if (number(ParamAddress::kControlTypeController, -1) != image.number(f::controlType()))
        return where + "control type";
    for (int k = 0; k < 12; ++k) {
        const std::string knob = where + "knob " + std::to_string(k) + " ";
        if (text(k, ParamAddress::kRemoteNumberParam) != qs(image.text(f::knobRemoteNumber(k))))
            return knob + "id '" + text(k, ParamAddress::kRemoteNumberParam).toStdString() + "' vs '" +
                   image.text(f::knobRemoteNumber(k)) + "'";
        if (text(k, ParamAddress::kDisplayNameParam) != qs(image.text(f::knobDisplayName(k))))
            return knob + "name '" + text(k, ParamAddress::kDisplayNameParam).toStdString() + "' vs '" +
                   image.text(f::knobDisplayName(k)) + "'";
        if (number(k, ParamAddress::kCCNumberParam) != image.number(f::knobControlNumber(k)))
            return knob + "cc";
        if (number(k, ParamAddress::kDisplayFormatParam) != image.number(f::knobDisplayFormat(k)))
            return knob + "format";
    }
    return {};
}

// Writes a template image into the editor's memory (bank, t) as a user would, one value at a time.
inline void writeTemplate(RemoteMemAPI& api, int bank, int t, const zelksim::TemplateImage& image)
{
    namespace f = zelksim::fields;
    api.setParam(ParamAddress(bank, t, ParamAddress::kTemplateNameController, -1), qs(image.text(f::templateName())));
    api.setParam(ParamAddress(bank, t, ParamAddress::kQPXiNameController, -1), qs(image.text(f::instrumentName())));
    api.setParam(ParamAddress(bank, t, ParamAddress::kControlTypeController, -1), long(image.number(f::controlType())));
    for (int k = 0; k < 12; ++k) {
        api.setParam(ParamAddress(bank, t, k, ParamAddress::kRemoteNumberParam),
                     qs(image.text(f::knobRemoteNumber(k))));
        api.setParam(ParamAddress(bank, t, k, ParamAddress::kDisplayNameParam), qs(image.text(f::knobDisplayName(k))));
        api.setParam(ParamAddress(bank, t, k, ParamAddress::kCCNumberParam),
                     long(image.number(f::knobControlNumber(k))));
        api.setParam(ParamAddress(bank, t, k, ParamAddress::kDisplayFormatParam),
                     long(image.number(f::knobDisplayFormat(k))));
    }
}

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
