#pragma once

#include "TMIDITransport.h"

#include "MidiSystem.h"

#include <memory>

// The transport over the platform MIDI layer's process-wide client. Opened, closed and sent through
// on one thread at a time; the layer's receive thread runs the parser.
class TSystemMIDI : public TMIDITransport
{
public:
    explicit TSystemMIDI(kwmidi::ClientRef client);
    ~TSystemMIDI() override;

    // port is 1-based: source port - 1 of the client's last listing. filterType is not used.
    bool openInput(int port, TMIDIReaderRefConInterface* listener, int filterType) override;
    void closeInput() override;
    bool openOutput(int port) override;
    void closeOutput() override;
    bool outputData(int length, unsigned char* data, unsigned long status) override;

protected:
    // Sends one packet of count bytes: the status byte (when not 0) followed by count - 1 bytes of
    // data, else count bytes of data.
    virtual bool outputData2(int count, const unsigned char* data, unsigned long status);

private:
    kwmidi::ClientRef m_client;
    std::unique_ptr<kwmidi::InputConnection> m_input;
    std::unique_ptr<kwmidi::OutputConnection> m_output;
};
