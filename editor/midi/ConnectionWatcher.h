#pragma once

#include "MessageProcessor.h"

#include <QObject>

#include <atomic>

// Keeps the ONLINE state from the traffic on the synthesizer's watched port: a watch period without any
// record drops ONLINE; active sensing while offline (and watching) announces the synthesizer through
// the service's portActivated(). Process runs on the port's delivery thread, the timer on the thread
// that made the watcher (the GUI thread).
class ConnectionWatcher : public MessageProcessor, public QObject
{
public:
    static constexpr int kDefaultWatchPeriodMs = 5000;

    ConnectionWatcher(int port, RemoteMemAPI* service, int filterType, int watchPeriodMs = kDefaultWatchPeriodMs);
    ~ConnectionWatcher() override;

    bool Process(tagMPEVENT& record) override;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    int m_watchTimer = 0;
    // Written by the delivery thread, read and cleared by the timer.
    std::atomic<bool> m_trafficSeen{false};
};
