#pragma once

#include "RemoteMemAPI.h"

#include <QElapsedTimer>
#include <QObject>
#include <QtTest/QTest>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace enginetest {

// Runs full transfers back to back the way auto-sync chains them: each receive's completion handler
// starts a full send (a receive that goes on to send), each send's completion handler starts the next
// full receive. The handlers run on this (the GUI) thread, queued from the delivery thread that
// completed the transfer. A transfer that has not completed by the stall deadline is a stall: it is
// noted with what the engine and the synthesizer say, given up as auto-sync's time-out would, and the
// chain goes on.
class TransferChain
{
public:
    using Describe = std::function<std::string()>;

    TransferChain(RemoteMemAPI& api, std::chrono::milliseconds stallDeadline, Describe describe)
        : m_api(api), m_stallDeadline(stallDeadline), m_describe(std::move(describe))
    {
        m_connections.push_back(QObject::connect(&m_api, &RemoteMemAPI::completeBulkReceive, [this] {
            if (!m_receiving)
                return;
            m_receiving = false;
            ++m_completed;
            startSend();
        }));
        m_connections.push_back(QObject::connect(&m_api, &RemoteMemAPI::completeBulkTransmit, [this] {
            if (!m_sending)
                return;
            m_sending = false;
            ++m_completed;
            if (m_completed < m_wanted)
                startReceive();
        }));
    }
    ~TransferChain()
    {
        for (const auto& c : m_connections)
            QObject::disconnect(c);
    }

    // Runs until `transfers` transfers completed (receives and sends alike); false at the first one that
    // could not even start.
    bool run(int transfers)
    {
        m_wanted = transfers;
        startReceive();
        while (m_completed < m_wanted) {
            const int before = m_completed;
            if (m_failedToStart)
                return false;
            if (QTest::qWaitFor([&] { return m_completed > before || m_failedToStart; },
                                static_cast<int>(m_stallDeadline.count())))
                continue;
            m_stalls.push_back(std::string(m_receiving ? "receive" : "send") + " " + std::to_string(m_completed + 1) +
                               ": " + m_describe());
            recover();
            startReceive();
        }
        return true;
    }

    int completed() const { return m_completed; }
    const std::vector<std::string>& stalls() const { return m_stalls; }
    std::string stallReport() const
    {
        std::string text;
        for (const auto& s : m_stalls)
            text += s + "\n";
        return text;
    }

private:
    void startReceive()
    {
        m_receiving = true;
        m_api.setWaitingBulkReceive(true);
        if (!m_api.sendHardWareDataReq(true))
            m_failedToStart = true;
    }
    void startSend()
    {
        m_sending = true;
        m_api.setWaitingBulkTransmit(true);
        if (!m_api.sendEditorAllData(false))
            m_failedToStart = true;
    }
    // What auto-sync's error state does.
    void recover()
    {
        m_receiving = m_sending = false;
        m_api.setWaitingBulkReceive(false);
        m_api.setWaitingBulkTransmit(false);
        m_api.revokeReceivedBulk();
        m_api.clearTransmitedBulkReqCounter();
        m_api.clearTransmitedBulkCounter();
        m_api.clearTransmitQueue();
    }

    RemoteMemAPI& m_api;
    std::chrono::milliseconds m_stallDeadline;
    Describe m_describe;
    std::vector<QMetaObject::Connection> m_connections;
    std::vector<std::string> m_stalls;
    int m_wanted = 0;
    int m_completed = 0;
    bool m_receiving = false;
    bool m_sending = false;
    bool m_failedToStart = false;
};

} // namespace enginetest
