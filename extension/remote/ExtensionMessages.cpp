#include "ExtensionMessages.h"

#include "HexDigit.h"

#include <algorithm>
#include <cstring>

namespace ExtensionMessage {

namespace {

bool isKnobAddress(unsigned char first)
{
    return first >= kKnobAddressBase && first <= kKnobAddressLimit;
}

bool addressIs(const unsigned char* message, const unsigned char (&address)[2])
{
    return message[k_addressPos] == address[0] && message[k_addressPos + 1] == address[1];
}

unsigned char* buildOneByte(const unsigned char* header, const unsigned char (&address)[2], int value)
{
    unsigned char* message = newMessage(header, address[0], address[1], 1);
    message[k_dataPos] = static_cast<unsigned char>(value & 0x7F);
    return message;
}

unsigned char* buildTextMessage(unsigned char address1, unsigned char address2, const std::string& text, int width)
{
    unsigned char* message = newMessage(k_prmChgHead_Snd, address1, address2, static_cast<std::size_t>(width));
    if (CopyStringToMessage(message, k_dataPos + width + 1, k_dataPos, text, width) < 0) {
        freeMessage(message);
        return nullptr;
    }
    return message;
}

} // namespace

unsigned char* newMessage(const unsigned char* header, unsigned char address1, unsigned char address2,
                          std::size_t dataLength)
{
    const std::size_t length = k_dataPos + dataLength + 1;
    auto* message = new unsigned char[length];
    std::memcpy(message, header, k_headerSize);
    message[k_addressPos] = address1;
    message[k_addressPos + 1] = address2;
    std::memset(message + k_dataPos, ' ', dataLength);
    message[length - 1] = kEnd;
    return message;
}

void freeMessage(unsigned char* message)
{
    delete[] message;
}

std::size_t messageLength(const unsigned char* message)
{
    if (!message)
        return 0;
    std::size_t i = 0;
    while (message[i] != kEnd)
        ++i;
    return i + 1;
}

bool hasHeader(const unsigned char* message, std::size_t length, const unsigned char* header)
{
    return message && header && length >= k_headerSize && std::memcmp(message, header, k_headerSize) == 0;
}

bool isFramed(const unsigned char* message, std::size_t length)
{
    return message && length >= kNoDataLength && message[length - 1] == kEnd;
}

int CopyStringToMessage(unsigned char* buffer, std::size_t bufferLength, int position, const std::string& text,
                        int width)
{
    if (!buffer || position < static_cast<int>(k_dataPos) || width < 0)
        return -1;
    // The field must end before the closing F7.
    if (static_cast<std::size_t>(position) + static_cast<std::size_t>(width) + 1 > bufferLength)
        return -1;
    bool replacing = false;
    for (int i = 0; i < width; ++i) {
        unsigned char c = ' ';
        if (static_cast<std::size_t>(i) < text.size()) {
            c = static_cast<unsigned char>(text[static_cast<std::size_t>(i)]);
            if (c & 0x80)
                replacing = true;
            if (replacing)
                c = '-';
        }
        buffer[position + i] = c;
    }
    return position + width;
}

unsigned char* buildKnobName(int knob, const std::string& name)
{
    if (knob < 0 || knob >= kKnobCount)
        return nullptr;
    return buildTextMessage(static_cast<unsigned char>(kKnobAddressBase + knob), kKnobName, name, kKnobNameWidth);
}

unsigned char* buildKnobValue(int knob, const std::string& valueText)
{
    if (knob < 0 || knob >= kKnobCount)
        return nullptr;
    const int width = kKnobValueWidth + 2;
    unsigned char* message =
        newMessage(k_prmChgHead_Snd, static_cast<unsigned char>(kKnobAddressBase + knob), kKnobValue, width);
    const int behind = CopyStringToMessage(message, k_dataPos + width + 1, k_dataPos, valueText, kKnobValueWidth);
    if (behind < 0) {
        freeMessage(message);
        return nullptr;
    }
    // Catch state: this model always reports the knob as caught.
    message[behind] = 0x00;
    message[behind + 1] = 0x00;
    return message;
}

unsigned char* buildCommandName(int button, const std::string& shortName)
{
    if (button < 0 || button > 5)
        return nullptr;
    return buildTextMessage(kCommandName, static_cast<unsigned char>(button * 6), shortName, kCommandNameWidth);
}

unsigned char* buildInstrumentName(const std::string& name)
{
    if (name.empty())
        return nullptr;
    unsigned char* message =
        newMessage(k_prmChgHead_Snd, k_sysExSnd_qpxiName[0], k_sysExSnd_qpxiName[1], kInstrumentNameWidth);
    // The instrument name goes out as it is, blank padded and cut at the field; only a byte with bit 7
    // set, which would break the SysEx frame, becomes "-".
    const std::size_t n = std::min(name.size(), static_cast<std::size_t>(kInstrumentNameWidth));
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        message[k_dataPos + i] = (c & 0x80) ? '-' : c;
    }
    return message;
}

unsigned char* buildTrackName(const std::string& name)
{
    return buildTextMessage(k_sysExSnd_trackName[0], k_sysExSnd_trackName[1], name, kTrackNameWidth);
}

unsigned char* buildPageName(const std::string& name)
{
    if (name.empty())
        return nullptr;
    return buildTextMessage(k_sysExSnd_pageName[0], k_sysExSnd_pageName[1], name, kPageNameWidth);
}

unsigned char* buildProgramChangeMode(bool midiTrackWithoutInstrument)
{
    return buildOneByte(k_prmChgHead_Snd, k_sysExSnd_pcMode, midiTrackWithoutInstrument ? 1 : 0);
}

unsigned char* buildPageIndex(int page)
{
    return buildOneByte(k_prmChgHead_Snd, k_sysEx_pageChange, page);
}

unsigned char* buildJogStopState(bool on)
{
    return buildOneByte(k_prmChgHead_Snd, k_sysEx_jogStopState, on ? 1 : 0);
}

unsigned char* buildExtensionRunning(const unsigned char* header)
{
    return newMessage(header, k_sysExSnd_extState[0], k_sysExSnd_extState[1], 0);
}

unsigned char* buildKnobTurn(int knob, int value)
{
    if (knob < 0 || knob >= kKnobCount || value < 0 || value > 127)
        return nullptr;
    unsigned char* message =
        newMessage(k_prmChgHead_Rcv, static_cast<unsigned char>(kKnobAddressBase + knob), kKnobTurn, 1);
    message[k_dataPos] = static_cast<unsigned char>(value);
    return message;
}

unsigned char* buildUserCommand(int button)
{
    if (button < 0 || button > 5)
        return nullptr;
    return buildOneByte(k_prmChgHead_Rcv, k_sysEx_userCmd, button);
}

unsigned char* buildPageSelect(int page)
{
    if (page < 0 || page > 5)
        return nullptr;
    return buildOneByte(k_prmChgHead_Rcv, k_sysEx_pageChange, page);
}

bool IsSendingSysExForZELK(const unsigned char* message, std::size_t length)
{
    if (!message || length < k_dataPos)
        return false;
    const unsigned char first = message[k_addressPos];
    const unsigned char second = message[k_addressPos + 1];
    if (isKnobAddress(first))
        return second == kKnobName || second == kKnobValue;
    if (first == kCommandName)
        return second == 0 || second == 6 || second == 12 || second == 18 || second == 24 || second == 30;
    return addressIs(message, k_sysExSnd_qpxiName) || addressIs(message, k_sysExSnd_allNames) ||
           addressIs(message, k_sysExSnd_allValues) || addressIs(message, k_sysExSnd_extState) ||
           addressIs(message, k_sysExSnd_trackName) || addressIs(message, k_sysExSnd_pageName) ||
           addressIs(message, k_sysExSnd_pcMode);
}

bool IsReceivingSysExForZELK(const unsigned char* message, std::size_t length)
{
    if (!message || length < k_dataPos)
        return false;
    const unsigned char first = message[k_addressPos];
    const unsigned char second = message[k_addressPos + 1];
    if (isKnobAddress(first))
        return second == kKnobParamID;
    return addressIs(message, k_sysExRcv_qpxiName) || addressIs(message, k_sysExRcv_allParamIDs) ||
           addressIs(message, k_sysExRcv_remoteMode);
}

bool IsRemoteModeOnMessage(const unsigned char* message, std::size_t length)
{
    return isFramed(message, length) && addressIs(message, k_sysExRcv_remoteMode) && dataByte(message, length) == 1;
}

unsigned char* acceptReceivedSysEx(const unsigned char* bytes, std::size_t count)
{
    if (!bytes)
        return nullptr;
    const std::size_t limit = std::min(count, kMaxReceivedBytes);
    std::size_t start = 0;
    while (start < limit && bytes[start] != 0xF0)
        ++start;
    if (start == limit)
        return nullptr;
    std::size_t end = start;
    while (end < limit && bytes[end] != kEnd)
        ++end;
    if (end == limit)
        return nullptr; // no F7 within the bytes examined
    const std::size_t length = end - start + 1;
    const unsigned char* message = bytes + start;
    if (!isFramed(message, length))
        return nullptr;
    if (!hasHeader(message, length, k_prmChgHead_Rcv) && !hasHeader(message, length, k_prmReqHead_Rcv))
        return nullptr;
    if (!IsReceivingSysExForZELK(message, length))
        return nullptr;
    auto* copy = new unsigned char[length];
    std::memcpy(copy, message, length);
    return copy;
}

SendDisposition classifyOutgoing(const unsigned char* message, std::size_t length)
{
    if (!isFramed(message, length))
        return SendDisposition::Drop;
    if (!hasHeader(message, length, k_prmChgHead_Snd) && !hasHeader(message, length, k_prmReqHead_Snd))
        return SendDisposition::Drop;
    if (addressIs(message, k_sysEx_pageChange))
        return dataByte(message, length) >= 0 ? SendDisposition::PageLed : SendDisposition::Drop;
    if (addressIs(message, k_sysEx_jogStopState))
        return dataByte(message, length) >= 0 ? SendDisposition::JogStop : SendDisposition::Drop;
    if (!IsSendingSysExForZELK(message, length))
        return SendDisposition::Drop;
    return addressIs(message, k_sysExSnd_trackName) ? SendDisposition::QueueTrackName : SendDisposition::Queue;
}

ServiceMessage classifyIncoming(const unsigned char* message, std::size_t length)
{
    if (!isFramed(message, length))
        return ServiceMessage::Ignored;
    if (hasHeader(message, length, k_prmReqHead_Rcv) || !hasHeader(message, length, k_prmChgHead_Rcv))
        return ServiceMessage::Ignored;
    const unsigned char first = message[k_addressPos];
    const unsigned char second = message[k_addressPos + 1];
    const bool hasData = dataByte(message, length) >= 0;
    if (addressIs(message, k_sysExRcv_qpxiName))
        return ServiceMessage::InstrumentName;
    if (addressIs(message, k_sysExRcv_allParamIDs))
        return ServiceMessage::AllParamIDs;
    if (addressIs(message, k_sysExRcv_remoteMode))
        return hasData ? ServiceMessage::RemoteMode : ServiceMessage::Ignored;
    if (isKnobAddress(first)) {
        // Knob 24 (0x48) passes the filters but no knob handler takes it.
        if (first - kKnobAddressBase >= kKnobCount)
            return ServiceMessage::Ignored;
        if (second == kKnobTurn)
            return hasData ? ServiceMessage::KnobTurn : ServiceMessage::Ignored;
        if (second == kKnobParamID)
            return ServiceMessage::OneParamID;
        return ServiceMessage::Ignored;
    }
    if (addressIs(message, k_sysEx_userCmd))
        return hasData ? ServiceMessage::UserCommand : ServiceMessage::Ignored;
    if (addressIs(message, k_sysExSnd_extState))
        return ServiceMessage::StartupRefresh;
    if (addressIs(message, k_sysEx_pageChange))
        return hasData ? ServiceMessage::SelectPage : ServiceMessage::Ignored;
    return ServiceMessage::Ignored;
}

ParamIDRecord parseParamIDRecord(const unsigned char* record)
{
    ParamIDRecord result;
    if (!record)
        return result;
    const int kind = Quorvane::hexDigitValue(record[0]);
    result.kind = (kind >= 0 && kind <= 2) ? kind : 2;
    std::uint32_t identifier = 0;
    for (int i = 1; i < kParamIDRecordSize; ++i) {
        const int digit = Quorvane::hexDigitValue(record[i]);
        if (digit < 0)
            break;
        identifier = (identifier << 4) | static_cast<std::uint32_t>(digit);
    }
    result.identifier = identifier;
    return result;
}

std::uint32_t fixedTrackParamID(int knob)
{
    if (knob >= 12 && knob <= 15)
        return static_cast<std::uint32_t>(knob + 4123); // EQ Q of bands 1..4
    if (knob >= 16 && knob <= 19)
        return static_cast<std::uint32_t>(knob + 4115); // EQ frequency
    if (knob >= 20 && knob <= 23)
        return static_cast<std::uint32_t>(knob + 4107); // EQ gain
    return 0;
}

bool recordForKnob(int knob, const unsigned char* record, ParamIDRecord& out)
{
    if (knob < 0 || knob >= kKnobCount)
        return false;
    if (knob >= kAssignableKnobCount) {
        out = ParamIDRecord{1, fixedTrackParamID(knob)};
        return true;
    }
    out = parseParamIDRecord(record);
    return true;
}

bool parseInstrumentName(const unsigned char* message, std::size_t length, std::string& name)
{
    if (!isFramed(message, length) || !addressIs(message, k_sysExRcv_qpxiName))
        return false;
    const std::size_t available = std::min(length - 1 - k_dataPos, static_cast<std::size_t>(kInstrumentNameWidth));
    std::size_t n = 0;
    while (n < available && message[k_dataPos + n] != 0)
        ++n;
    name.assign(reinterpret_cast<const char*>(message + k_dataPos), n);
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    return true;
}

bool parseAllParamIDs(const unsigned char* message, std::size_t length, ParamIDRecord (&records)[kKnobCount])
{
    if (!isFramed(message, length) || !addressIs(message, k_sysExRcv_allParamIDs))
        return false;
    const std::size_t dataEnd = length - 1; // position of the closing F7
    for (int knob = 0; knob < kKnobCount; ++knob) {
        const std::size_t position = k_dataPos + static_cast<std::size_t>(knob) * kParamIDRecordSize;
        if (position + kParamIDRecordSize > dataEnd)
            break;
        recordForKnob(knob, message + position, records[knob]);
    }
    return length == kAllParamIDsLength;
}

OneParamIDResult parseOneParamID(const unsigned char* message, std::size_t length, int& knob, ParamIDRecord& record)
{
    knob = -1;
    if (!isFramed(message, length) || !isKnobAddress(message[k_addressPos]) ||
        message[k_addressPos + 1] != kKnobParamID)
        return OneParamIDResult::Ignored;
    knob = message[k_addressPos] - kKnobAddressBase;
    if (knob >= kKnobCount || k_dataPos + kParamIDRecordSize > length - 1)
        return OneParamIDResult::Ignored;
    recordForKnob(knob, message + k_dataPos, record);
    return length == kOneParamIDLength ? OneParamIDResult::Complete : OneParamIDResult::StoredOnly;
}

int dataByte(const unsigned char* message, std::size_t length)
{
    if (!isFramed(message, length) || length < kOneByteLength)
        return -1;
    return message[k_dataPos];
}

int knobTurnSteps(int value)
{
    if (value <= 0 || value > 127)
        return 0;
    if (value <= 64)
        return value;
    return 64 - value;
}

} // namespace ExtensionMessage
