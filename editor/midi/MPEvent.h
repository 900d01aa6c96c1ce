#pragma once

#include <cstdint>

// Event record types. A record is long (SysEx bytes behind a pointer) when any bit of kMPEV_LONG_MASK is set.
enum : std::uint32_t {
    MPEV_NONE = 0x1, // no event; also the stop record of a delivery thread
    MPEV_NRPN = 0x2, // send only: data[0] parameter MSB, data[1] parameter LSB, data[2] value MSB, data[3] value LSB
    MPEV_RPN = 0x4,  // send only: as MPEV_NRPN
    MPEV_BANKPROGRAM = 0x8, // send only: data[0] bank MSB, data[1] bank LSB, data[2] program
    MPEV_ACTIVESENSE = 0x10, // FE received: data[1] 0xFE
    MPEV_NOTEOFF = 0x20,
    MPEV_NOTEON = 0x40,
    MPEV_KEYPRESSURE = 0x80,
    MPEV_CONTROL = 0x100,
    MPEV_PROGRAM = 0x200,
    MPEV_CHANPRESSURE = 0x400,
    MPEV_PITCHBEND = 0x800,
    MPEV_SYSEX = 0x10000,     // long message that began with F0
    MPEV_SYSEXCONT = 0x20000, // long message that began with F7
};

inline constexpr std::uint32_t kMPEV_LONG_MASK = 0x3F0000;

// One MIDI event as the transport delivers it and the encoder builds it; copied by value. Records
// built for sending start all-zero (tagMPEVENT record{}).
struct tagMPEVENT {
    std::uint32_t type;
    std::int32_t portId;   // 1-based port the record came from or goes to
    std::int32_t channel;  // 0..15 for channel messages, else 0
    std::uint64_t sequence; // arrival number stamped by the input port
    std::int32_t inbound;  // 1 on every record delivered from an input
    // Long records: bytes behind the leading F0/F7, the closing F7 included. Short records: 0.
    std::int32_t length;
    union {
        unsigned char data[4];    // short records: the data bytes
        unsigned char* longData;  // long records: the bytes behind the leading F0/F7
    };
};

using MPEVENT = tagMPEVENT;

inline bool isLongEvent(const tagMPEVENT& record)
{
    return (record.type & kMPEV_LONG_MASK) != 0;
}

// Channel-message type by the status byte's high nibble minus 8.
inline constexpr std::uint32_t mpevent_short[8] = {0x20, 0x40, 0x80, 0x100, 0x200, 0x400, 0x800, 0};
// Message length, status byte included: below F0 by high nibble, F0..FF by low nibble.
inline constexpr int high_lengths[16] = {1, 1, 1, 1, 1, 1, 1, 1, 3, 3, 3, 3, 2, 2, 3, 1};
inline constexpr int low_lengths[16] = {1, 1, 3, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

inline int midi_msg_length(unsigned char status)
{
    return status < 0xF0 ? high_lengths[status >> 4] : low_lengths[status & 0x0F];
}
