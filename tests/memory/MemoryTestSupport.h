#pragma once

#include "MemChangeObserver.h"
#include "MessageSender.h"
#include "ParamAddress.h"

#include <QList>
#include <QString>

#include <atomic>
#include <functional>

namespace kwtest {

// An observer that counts its notifications and may run an action inside them.
class CountingObserver : public MemChangeObserver
{
public:
    ~CountingObserver() override { detachFromMemAPI(); }

    void paramUpdate() override
    {
        ++count;
        if (onUpdate)
            onUpdate();
    }

    std::atomic<int> count{0};
    std::function<void()> onUpdate;
};

// Stands in for the SysEx encoder: records what the memory service hands it.
class RecordingSender : public MessageSender
{
public:
    struct Change
    {
        ParamAddress address;
        int value = 0;
        QString text;
        bool isText = false;
    };

    bool enqueueParamChange(const ParamAddress& address, int value) override
    {
        if (failEnqueue)
            return false;
        changes.append({address, value, QString(), false});
        return true;
    }
    bool enqueueParamChange(const ParamAddress& address, const QString& text) override
    {
        if (failEnqueue)
            return false;
        changes.append({address, 0, text, true});
        return true;
    }
    bool sendMessage(bool* wasEmpty) override
    {
        if (wasEmpty)
            *wasEmpty = changes.size() == sentUpTo;
        sentUpTo = static_cast<int>(changes.size());
        ++passes;
        return true;
    }
    bool sendHardWareDataReq(bool editBufferOnly) override
    {
        lastRequestEditBufferOnly = editBufferOnly;
        ++hardwareRequests;
        return true;
    }
    void clearTransmitQueue(bool) override { ++clears; }

    QList<Change> changes;
    int sentUpTo = 0;
    int passes = 0;
    int hardwareRequests = 0;
    bool lastRequestEditBufferOnly = false;
    int clears = 0;
    bool failEnqueue = false;
};

} // namespace kwtest
