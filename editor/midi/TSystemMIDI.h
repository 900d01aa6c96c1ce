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

    // port is 1-based: the port number of the directory's last listing of the direction (of the
    // client's listing when no directory has listed it). The endpoint it named there is opened, found
    // by its names (the k-th of equal names) among those present now; false when it is gone.
    // filterType is not used.
    bool openInput(int port, TMIDIReaderRefConInterface* listener, int filterType) override;
    void closeInput() override;
    bool openOutput(int port) override;
    void closeOutput() override;
    bool outputData(int length, unsigned char* data, unsigned long status) override;
    bool isLinked() const override;
    std::string linkedDeviceName() const override;

protected:
    // Sends one packet of count bytes: the status byte (when not 0) followed by count - 1 bytes of
    // data, else count bytes of data.
    virtual bool outputData2(int count, const unsigned char* data, unsigned long status);

private:
    // The index in a fresh listing of the client of the endpoint port names; -1 when there is none.
    int currentIndex(bool input, int port);

    kwmidi::ClientRef m_client;
    std::unique_ptr<kwmidi::InputConnection> m_input;
    std::unique_ptr<kwmidi::OutputConnection> m_output;
};
