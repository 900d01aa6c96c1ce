// Feeds arbitrary bytes to the extension's receive acceptance and to every parser of its message set.
#include "ExtensionMessages.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace ExtensionMessage;

namespace {

void parseAll(const unsigned char* message, std::size_t length)
{
    std::string name;
    parseInstrumentName(message, length, name);
    ParamIDRecord records[kKnobCount];
    parseAllParamIDs(message, length, records);
    int knob = -1;
    ParamIDRecord record;
    parseOneParamID(message, length, knob, record);
    dataByte(message, length);
    IsRemoteModeOnMessage(message, length);
    IsReceivingSysExForZELK(message, length);
    IsSendingSysExForZELK(message, length);
    classifyIncoming(message, length);
    classifyOutgoing(message, length);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The bytes as a host MIDI event would carry them.
    if (unsigned char* accepted = acceptReceivedSysEx(data, size)) {
        const std::size_t length = messageLength(accepted);
        parseAll(accepted, length);
        freeMessage(accepted);
    }
    // The bytes taken as a message of exactly that length.
    parseAll(data, size);
    if (size >= 9)
        parseParamIDRecord(data);
    // The bytes as a text written into outgoing fields.
    const std::string text(reinterpret_cast<const char*>(data), size);
    freeMessage(buildTrackName(text));
    freeMessage(buildInstrumentName(text));
    freeMessage(buildKnobValue(static_cast<int>(size % 25), text));
    return 0;
}
