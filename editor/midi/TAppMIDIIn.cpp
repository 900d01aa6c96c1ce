#include "TAppMIDIIn.h"

#include "ComuController.h"
#include "MessageProcessor.h"

TAppMIDIIn::TAppMIDIIn(MessageProcessor* processor) : m_processor(processor) {}

TAppMIDIIn::~TAppMIDIIn()
{
    // The delivery thread calls midiIn, which takes m_mutex: it must end before any member goes.
    if (m_transport)
        m_transport->closeInput();
    m_transport.reset();
}

bool TAppMIDIIn::openPort(long port, int filterType)
{
    m_port = port;
    m_filterType = filterType;
    if (!m_transport)
        m_transport.reset(MIDITransportInstance());
    if (!m_transport)
        return false;
    m_transport->setLinkLostHandler(m_linkLostHandler);
    return m_transport->openInput(int(port), this, filterType);
}

void TAppMIDIIn::midiIn(tagMPEVENT* record)
{
    if (!record)
        return;
    QMutexLocker locker(&m_mutex);
    record->portId = static_cast<std::int32_t>(m_port);
    record->sequence = ComuController::nextSequence();
    record->inbound = 1;
    if (m_processor)
        m_processor->Process(*record);
}

void TAppMIDIIn::attachEventFilter(IMPEventFilter* filter)
{
    QMutexLocker locker(&m_mutex);
    if (filter && !m_filters.contains(filter))
        m_filters.append(filter);
}

void TAppMIDIIn::detachEventFilter(IMPEventFilter* filter)
{
    QMutexLocker locker(&m_mutex);
    m_filters.removeOne(filter);
}
