// Feeds arbitrary records to the SysEx parsers and the address table, and checks what they report
// against the bytes they were given.
#include "SysEx.h"
#include "SysExParamChangeAddressTransTable.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const SysExParamChangeAddressTransTable table;
    const int length = int(size);

    const SysEx::Message m = SysEx::parse(data, length);
    check(m.data.size() <= length);
    if (m.type != SysEx::MessageType::Invalid) {
        check(length >= 4 && data[0] == SysEx::kManufacturer && data[length - 1] == SysEx::kEnd);
    }
    if (m.type == SysEx::MessageType::CommonBlock) {
        SysEx::CommonBlock block;
        check(SysEx::decodeCommonBlock(m.data, &block));
        check(block.templateName.size() <= SysEx::kTemplateNameLength);
    }
    if (m.type == SysEx::MessageType::ControllerBlock) {
        SysEx::ControllerBlock block;
        check(SysEx::decodeControllerBlock(m.data, &block));
        check(m.knob() >= 0 && m.knob() < SysEx::kControllerCount);
        // What was received can be sent back whole, and parses as the same block.
        const SysEx::Message again = SysEx::parse(SysEx::controllerBlockMessage(m.knob(), block));
        check(again.type == SysEx::MessageType::ControllerBlock && again.checksumOk);
    }

    const SysEx::Message fromSynth = SysEx::parseFromSynth(data, length);
    if (fromSynth.isBulk())
        check(fromSynth.checksumOk && fromSynth.isFromSynth());

    if (m.type == SysEx::MessageType::ParameterChange && m.data.size() >= 1) {
        const unsigned char address[2] = {m.addressMid, m.addressLow};
        unsigned char info[2] = {0, 0};
        table.getSysExAddressParamInfo(address, info);
        const ParamAddress a = table.getMemoryParamAddress(address);
        unsigned char start[4] = {0, 0, 0, 0};
        if (table.getSysExParamAddress(a, start) && a.getParamAddress(1) == -1)
            check(start[0] == address[0] && start[1] + info[0] == address[1]);
    }

    // Text decoding of arbitrary bytes never yields a character outside printable ASCII.
    const QString text = SysEx::decodeText(data, length);
    for (QChar c : text)
        check(c.unicode() >= 0x20 && c.unicode() <= 0x7E);
    return 0;
}
