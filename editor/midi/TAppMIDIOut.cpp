#include "TAppMIDIOut.h"

#include <algorithm>

namespace {

// Controller numbers of the parameter-number and bank messages.
constexpr unsigned char kNrpnMsb = 0x63;
constexpr unsigned char kNrpnLsb = 0x62;
constexpr unsigned char kRpnMsb = 0x65;
constexpr unsigned char kRpnLsb = 0x64;
constexpr unsigned char kDataEntryMsb = 0x06;
constexpr unsigned char kDataEntryLsb = 0x26;
constexpr unsigned char kBankMsb = 0x00;
constexpr unsigned char kBankLsb = 0x20;

} // namespace

TAppMIDIOut::TAppMIDIOut() = default;

TAppMIDIOut::~TAppMIDIOut()
{
    if (m_transport)
        m_transport->closeOutput();
}

bool TAppMIDIOut::openPort(long port)
{
    if (!m_transport)
        m_transport.reset(MIDITransportInstance());
    if (!m_transport)
        return false;
    m_transport->setLinkLostHandler(m_linkLostHandler);
    return m_transport->openOutput(int(port));
}

bool TAppMIDIOut::midiOut(int channel, int statusBase, unsigned char data0, unsigned char data1, int length)
{
    if (!m_transport)
        return false;
    unsigned char data[2] = {data0, data1};
    const unsigned long status = static_cast<unsigned long>(((channel & 0x0F) | statusBase) & 0xFF);
    return m_transport->outputData(std::clamp(length, 0, 2), data, status);
}

HRESULT TAppMIDIOut::midiOut(const tagMPEVENT& record)
{
    if (!m_transport)
        return kMidiFailure;
    const int n = record.channel & 0x0F;
    const unsigned char* d = record.data;
    bool ok = false;
    switch (record.type) {
    case MPEV_NOTEOFF:
        ok = midiOut(n, 0x80, d[0], d[1], 2);
        break;
    case MPEV_NOTEON:
        ok = record.length == 0 && midiOut(n, 0x90, d[0], d[1], 2);
        break;
    case MPEV_KEYPRESSURE:
        ok = midiOut(n, 0xA0, d[0], d[1], 2);
        break;
    case MPEV_CONTROL:
        ok = midiOut(n, 0xB0, d[0], d[1], 2);
        break;
    case MPEV_PROGRAM:
        ok = midiOut(n, 0xC0, d[0], 0, 1);
        break;
    case MPEV_CHANPRESSURE:
        ok = midiOut(n, 0xD0, d[0], 0, 1);
        break;
    case MPEV_PITCHBEND:
        ok = midiOut(n, 0xE0, d[0], d[1], 2);
        break;
    case MPEV_NRPN:
    case MPEV_RPN: {
        const bool nrpn = record.type == MPEV_NRPN;
        // Each packet goes only when the one before it went.
        ok = midiOut(n, 0xB0, nrpn ? kNrpnMsb : kRpnMsb, d[0], 2) &&
             midiOut(n, 0xB0, nrpn ? kNrpnLsb : kRpnLsb, d[1], 2) && midiOut(n, 0xB0, kDataEntryMsb, d[2], 2) &&
             midiOut(n, 0xB0, kDataEntryLsb, d[3], 2);
        break;
    }
    case MPEV_BANKPROGRAM:
        ok = midiOut(n, 0xB0, kBankMsb, d[0], 2) && midiOut(n, 0xB0, kBankLsb, d[1], 2) && midiOut(n, 0xC0, d[2], 0, 1);
        break;
    case MPEV_SYSEX:
    case MPEV_SYSEXCONT:
        // A long record must carry its bytes; a lone F0 would leave the receiver inside a SysEx.
        if (record.length > 0 && record.longData)
            ok = m_transport->outputData(record.length, record.longData, record.type == MPEV_SYSEX ? 0xF0 : 0xF7);
        break;
    default:
        break;
    }
    return ok ? kMidiSuccess : kMidiFailure;
}
