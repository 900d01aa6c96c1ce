#include "ConnectionWatcher.h"

#include "RemoteMemAPI.h"

#include <QTimerEvent>

ConnectionWatcher::ConnectionWatcher(int port, RemoteMemAPI* service, int filterType, int watchPeriodMs)
    : MessageProcessor(port, service, filterType)
{
    m_watchTimer = startTimer(watchPeriodMs > 0 ? watchPeriodMs : kDefaultWatchPeriodMs);
}

ConnectionWatcher::~ConnectionWatcher()
{
    if (m_watchTimer != 0)
        killTimer(m_watchTimer);
}

bool ConnectionWatcher::Process(tagMPEVENT& record)
{
    m_trafficSeen = true;
    if (!m_service || record.type != MPEV_ACTIVESENSE || record.data[1] != 0xFE)
        return true;
    if (!m_service->isONLINE() && m_service->isWatchPortActivate())
        m_service->emitPortActivatedSignal();
    return true;
}

void ConnectionWatcher::timerEvent(QTimerEvent* event)
{
    if (m_watchTimer == 0 || event->timerId() != m_watchTimer)
        return;
    // The tick after the last record only clears the mark; a whole period of silence drops ONLINE.
    if (m_trafficSeen.exchange(false))
        return;
    if (m_service && m_service->isONLINE())
        m_service->setONLINEstate(0);
}
