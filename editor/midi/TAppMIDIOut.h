#pragma once

#include "MPEvent.h"
#include "MidiResult.h"
#include "TMIDITransport.h"

#include <functional>
#include <memory>

// One open output port: owns its transport and turns event records into MIDI bytes. Used under the
// port's mutex of the communication controller, from the GUI thread or a delivery thread.
class TAppMIDIOut
{
public:
    TAppMIDIOut();
    ~TAppMIDIOut();
    TAppMIDIOut(const TAppMIDIOut&) = delete;
    TAppMIDIOut& operator=(const TAppMIDIOut&) = delete;

    bool openPort(long port);
    // Sends the bytes of one record (several packets for NRPN, RPN and bank-program records);
    // kMidiFailure for a type that cannot be sent, a malformed record or a packet that failed.
    HRESULT midiOut(const tagMPEVENT& record);
    // Sends the status (channel & 0F) | statusBase followed by `length` (0..2) of the two data bytes.
    bool midiOut(int channel, int statusBase, unsigned char data0, unsigned char data1, int length);
    // True while the destination the port was opened on is present and connected.
    bool isLinked() const { return m_transport && m_transport->isLinked(); }
    std::string linkedDeviceName() const { return m_transport ? m_transport->linkedDeviceName() : std::string(); }
    // Given to the transport that openPort makes: see TMIDITransport::setLinkLostHandler.
    void setLinkLostHandler(std::function<void()> handler) { m_linkLostHandler = std::move(handler); }

private:
    std::function<void()> m_linkLostHandler;
    std::unique_ptr<TMIDITransport> m_transport;
};
