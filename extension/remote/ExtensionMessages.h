#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The extension's SysEx message set: headers, addresses, builders, filters and parse rules.
//
// Every message is one heap buffer (array new) of exactly the message's length: a 7-byte header,
// two address bytes, the data and a closing F7. Whoever holds a buffer owns it and frees it with
// ExtensionMessage::freeMessage (array delete). Every buffer built or accepted here ends with F7 and
// holds no F7 before its end, so messageLength() can recover a buffer's length from its bytes.

inline constexpr std::size_t k_headerSize = 7;
inline constexpr std::size_t k_addressPos = 7;
inline constexpr std::size_t k_dataPos = 9;

inline constexpr unsigned char k_prmChgHead_Snd[k_headerSize] = {0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01};
inline constexpr unsigned char k_prmReqHead_Snd[k_headerSize] = {0xF0, 0x43, 0x30, 0x7F, 0x1C, 0x00, 0x01};
inline constexpr unsigned char k_prmChgHead_Rcv[k_headerSize] = {0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01};
inline constexpr unsigned char k_prmReqHead_Rcv[k_headerSize] = {0xF0, 0x43, 0x30, 0x7F, 0x1C, 0x01, 0x01};

inline constexpr unsigned char k_sysExSnd_extState[2] = {0x56, 0x01};
inline constexpr unsigned char k_sysEx_pageChange[2] = {0x22, 0x00};
inline constexpr unsigned char k_sysEx_jogStopState[2] = {0x23, 0x00};
inline constexpr unsigned char k_sysEx_userCmd[2] = {0x21, 0x00};
inline constexpr unsigned char k_sysExSnd_trackName[2] = {0x60, 0x00};
inline constexpr unsigned char k_sysExSnd_qpxiName[2] = {0x50, 0x00};
inline constexpr unsigned char k_sysExRcv_qpxiName[2] = {0x50, 0x00};
inline constexpr unsigned char k_sysExRcv_allParamIDs[2] = {0x51, 0x00};
inline constexpr unsigned char k_sysExRcv_remoteMode[2] = {0x56, 0x00};
inline constexpr unsigned char k_sysExSnd_allNames[2] = {0x52, 0x00};
inline constexpr unsigned char k_sysExSnd_allValues[2] = {0x53, 0x00};
inline constexpr unsigned char k_sysExSnd_pageName[2] = {0x62, 0x00};
inline constexpr unsigned char k_sysExSnd_pcMode[2] = {0x63, 0x00};

namespace ExtensionMessage {

inline constexpr unsigned char kEnd = 0xF7;
inline constexpr int kKnobCount = 24;
inline constexpr int kAssignableKnobCount = 12;
// Knob addresses: first byte 0x30 + knob, second byte the function.
inline constexpr unsigned char kKnobAddressBase = 0x30;
inline constexpr unsigned char kKnobAddressLimit = 0x48; // last first byte the filters accept
inline constexpr unsigned char kKnobParamID = 0x00;
inline constexpr unsigned char kKnobName = 0x09;
inline constexpr unsigned char kKnobValue = 0x21;
inline constexpr unsigned char kKnobTurn = 0x41;
inline constexpr unsigned char kCommandName = 0x61;

inline constexpr int kKnobNameWidth = 24;
inline constexpr int kKnobValueWidth = 8;
inline constexpr int kCommandNameWidth = 6;
inline constexpr int kInstrumentNameWidth = 12;
inline constexpr int kTrackNameWidth = 24;
inline constexpr int kPageNameWidth = 16;
inline constexpr int kParamIDRecordSize = 9;

inline constexpr std::size_t kMaxReceivedBytes = 512;
inline constexpr std::size_t kAllParamIDsLength = k_dataPos + kKnobCount * kParamIDRecordSize + 1; // 226
inline constexpr std::size_t kOneParamIDLength = k_dataPos + kParamIDRecordSize + 1;               // 19
inline constexpr std::size_t kInstrumentNameLength = k_dataPos + kInstrumentNameWidth + 1;         // 22
inline constexpr std::size_t kOneByteLength = k_dataPos + 1 + 1;                                   // 11
inline constexpr std::size_t kNoDataLength = k_dataPos + 1;                                        // 10

// Allocates a message of exactly 10 + dataLength bytes with header, address and F7 in place; the
// data bytes are blanks.
unsigned char* newMessage(const unsigned char* header, unsigned char address1, unsigned char address2,
                          std::size_t dataLength);
void freeMessage(unsigned char* message);

// The length of a buffer of this message set: the position of its first F7 plus one (0 for null).
// Only for buffers made by newMessage or acceptReceivedSysEx, which always end with their first F7.
std::size_t messageLength(const unsigned char* message);

bool hasHeader(const unsigned char* message, std::size_t length, const unsigned char* header);
// True when the message is at least header, address and F7 long and closes with F7.
bool isFramed(const unsigned char* message, std::size_t length);

// Writes text into a fixed field: blanks beyond the text, "-" from the first byte with bit 7 set on,
// cut at the field's width. Returns the position behind the field, or -1 when the buffer is missing,
// the field would start before the data or would run into the closing F7 (bufferLength counts it).
int CopyStringToMessage(unsigned char* buffer, std::size_t bufferLength, int position, const std::string& text,
                        int width);

// Messages the service sends to the synthesizer (send header). Null when the text has no room or
// the message is not built for that input (empty instrument or page name, knob or button out of range).
unsigned char* buildKnobName(int knob, const std::string& name);
unsigned char* buildKnobValue(int knob, const std::string& valueText);
unsigned char* buildCommandName(int button, const std::string& shortName);
unsigned char* buildInstrumentName(const std::string& name);
unsigned char* buildTrackName(const std::string& name);
unsigned char* buildPageName(const std::string& name);
unsigned char* buildProgramChangeMode(bool midiTrackWithoutInstrument);
unsigned char* buildPageIndex(int page);
unsigned char* buildJogStopState(bool on);
// 56 01 with either the send header (to the synthesizer) or the receive header (to the service).
unsigned char* buildExtensionRunning(const unsigned char* header);

// Messages the remote device makes for the service (receive header).
unsigned char* buildKnobTurn(int knob, int value);
unsigned char* buildUserCommand(int button);
unsigned char* buildPageSelect(int page);

// Address filters (the callers test the header). Both read only the two address bytes, and only
// when the message is long enough to hold them.
bool IsSendingSysExForZELK(const unsigned char* message, std::size_t length);
bool IsReceivingSysExForZELK(const unsigned char* message, std::size_t length);
// 56 00 with data byte 1: the synthesizer entered its remote mode.
bool IsRemoteModeOnMessage(const unsigned char* message, std::size_t length);

// Receive acceptance of the SysEx bytes of a host MIDI event: examines at most 512 bytes, skips what
// precedes the first F0 and takes everything up to and including the first F7. Returns a new buffer
// of exactly that length when header and address are accepted, else null.
unsigned char* acceptReceivedSysEx(const unsigned char* bytes, std::size_t count);

// What the remote device does with a message the service hands over.
enum class SendDisposition { Drop, PageLed, JogStop, Queue, QueueTrackName };
SendDisposition classifyOutgoing(const unsigned char* message, std::size_t length);

// The service's dispatch of a received message, in the order the handlers are tried.
enum class ServiceMessage {
    Ignored,
    InstrumentName,
    AllParamIDs,
    RemoteMode,
    KnobTurn,
    OneParamID,
    UserCommand,
    StartupRefresh,
    SelectPage
};
ServiceMessage classifyIncoming(const unsigned char* message, std::size_t length);

// Parameter-identifier record: kind 0 instrument parameter, 1 track parameter, 2 none.
struct ParamIDRecord
{
    int kind = 2;
    std::uint32_t identifier = 0;
    bool operator==(const ParamIDRecord&) const = default;
};
ParamIDRecord parseParamIDRecord(const unsigned char* record);
// Knobs 12..23 always control fixed track parameters, whatever their record says; knobs 0..11 take
// the record. Returns false for a knob outside 0..23.
bool recordForKnob(int knob, const unsigned char* record, ParamIDRecord& out);
std::uint32_t fixedTrackParamID(int knob);

// Data of 50 00: bytes up to the first zero (at most 12), trailing blanks removed. False when the
// message is not a framed 50 00.
bool parseInstrumentName(const unsigned char* message, std::size_t length, std::string& name);

// 51 00: stores the records that lie wholly inside the message into records[0..23] (others stay as
// they were) and returns true only when the message is complete (exactly 226 bytes).
bool parseAllParamIDs(const unsigned char* message, std::size_t length, ParamIDRecord (&records)[kKnobCount]);

// 3n 00: knob = first address byte - 0x30. The record is stored for knobs 0..23 when it lies inside
// the message; the result says whether the message takes effect (exactly 19 bytes).
enum class OneParamIDResult { Ignored, StoredOnly, Complete };
OneParamIDResult parseOneParamID(const unsigned char* message, std::size_t length, int& knob, ParamIDRecord& record);

// Data byte 9 of a one-byte message, or -1 when the message does not hold it.
int dataByte(const unsigned char* message, std::size_t length);

// Knob turn value: 0 no change, 1..64 steps up, 65..127 (value - 64) steps down; bit 7 set: ignored.
int knobTurnSteps(int value);

} // namespace ExtensionMessage
