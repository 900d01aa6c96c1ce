#pragma once

#include "MPEvent.h"
#include "TMIDITransport.h"

#include <QList>
#include <QRecursiveMutex>

#include <functional>
#include <memory>

class MessageProcessor;

// A filter that an input port could consult before delivering; the port keeps a list of them.
class IMPEventFilter
{
public:
    virtual ~IMPEventFilter() = default;
};

// One open input port: owns its transport and hands every received record, stamped with the port
// number and a process-wide sequence number, to its message processor. midiIn runs on the transport's
// delivery thread under the port's mutex; opening and closing run on the GUI thread.
class TAppMIDIIn : public TMIDIReaderRefConInterface
{
public:
    explicit TAppMIDIIn(MessageProcessor* processor);
    ~TAppMIDIIn() override;
    TAppMIDIIn(const TAppMIDIIn&) = delete;
    TAppMIDIIn& operator=(const TAppMIDIIn&) = delete;

    bool openPort(long port, int filterType);
    void midiIn(tagMPEVENT* record) override;
    long getPortID() const { return m_port; }
    // True while the source the port was opened on is present and connected.
    bool isLinked() const { return m_transport && m_transport->isLinked(); }
    std::string linkedDeviceName() const { return m_transport ? m_transport->linkedDeviceName() : std::string(); }
    // Given to the transport that openPort makes: see TMIDITransport::setLinkLostHandler.
    void setLinkLostHandler(std::function<void()> handler) { m_linkLostHandler = std::move(handler); }
    int getFilterType() const { return m_filterType; }

    void attachEventFilter(IMPEventFilter* filter);
    void detachEventFilter(IMPEventFilter* filter);

private:
    long m_port = 0;
    int m_filterType = 0;
    MessageProcessor* m_processor;
    QRecursiveMutex m_mutex;
    QList<IMPEventFilter*> m_filters;
    std::function<void()> m_linkLostHandler;
    // Declared last so that, whatever the destructor does, the delivery thread ends before the mutex
    // and the processor pointer it uses are gone.
    std::unique_ptr<TMIDITransport> m_transport;
};
