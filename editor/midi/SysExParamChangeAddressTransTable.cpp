#include "SysExParamChangeAddressTransTable.h"

#include "SysEx.h"

namespace {

constexpr unsigned char kCurrentTemplateNumberMid = SysEx::kMidCurrentTemplateNumber;
constexpr unsigned char kBankEditFlagMid = SysEx::kMidBankEditFlag;

} // namespace

SysExParamChangeAddressTransTable::SysExParamChangeAddressTransTable()
{
    using namespace SysEx;
    enregister(ParamAddress::kTemplateNameController, -1, kMidCommonBlock, kTemplateNameStart, kTemplateNameLength);
    enregister(ParamAddress::kQPXiNameController, -1, kMidCommonBlock, kQPXiNameStart, kQPXiNameLength);
    enregister(ParamAddress::kControlTypeController, -1, kMidCommonBlock, kControlTypeStart, 1);
    // The reserved byte has a key of its own so that every byte of the block has one entry; the
    // memory holds nothing under controller 16.
    enregister(16, -1, kMidCommonBlock, kReservedStart, 1);
    for (int k = 0; k < kControllerCount; ++k)
        enregister(k, ParamAddress::kRemoteNumberParam, kMidFirstControllerBlock + k, kRemoteNumberStart,
                   kRemoteNumberLength);
    for (int k = 0; k < kControllerCount; ++k)
        enregister(k, ParamAddress::kDisplayNameParam, kMidFirstControllerBlock + k, kDisplayNameStart,
                   kDisplayNameLength);
    for (int k = 0; k < kControllerCount; ++k)
        enregister(k, ParamAddress::kCCNumberParam, kMidFirstControllerBlock + k, kCCNumberStart, 1);
    for (int k = 0; k < kControllerCount; ++k)
        enregister(k, ParamAddress::kDisplayFormatParam, kMidFirstControllerBlock + k, kDisplayFormatStart, 1);
}

SysExParamChangeAddressTransTable::~SysExParamChangeAddressTransTable() = default;

void SysExParamChangeAddressTransTable::enregister(int controller, int param, int mid, int start, int length)
{
    const unsigned short key = Combine(controller, param);
    for (int i = length - 1; i >= 0; --i) {
        const auto address = static_cast<unsigned short>(((mid & 0xFF) << 8) | ((start + i) & 0xFF));
        const auto info = static_cast<unsigned short>(((i & 0xFF) << 8) | (length & 0xFF));
        m_table.insert(key, Entry(address, info));
    }
}

bool SysExParamChangeAddressTransTable::getSysExParamAddress(const ParamAddress& a, unsigned char* out) const
{
    if (!out)
        return false;
    if (a.isCurrentTemplateNumAdr() || a.isBankEditFlagAdr()) {
        out[0] = a.isCurrentTemplateNumAdr() ? kCurrentTemplateNumberMid : kBankEditFlagMid;
        out[1] = 0x00;
        out[2] = 0x00;
        out[3] = 0x01;
        return true;
    }
    // A key holds one entry per byte of its field; the one of index 0 names the field start.
    const unsigned short key = Combine(a.getParamAddress(2), a.getParamAddress(3));
    const auto range = m_table.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) {
        const Entry& e = it.value();
        if ((e.second >> 8) != 0)
            continue;
        Devide(e.first, out);
        Devide(e.second, out + 2);
        return true;
    }
    return false;
}

bool SysExParamChangeAddressTransTable::findBySysExAddress(unsigned short address, unsigned short* key,
                                                           Entry* entry) const
{
    for (auto it = m_table.cbegin(); it != m_table.cend(); ++it) {
        if (it.value().first == address) {
            *key = it.key();
            *entry = it.value();
            return true;
        }
    }
    return false;
}

void SysExParamChangeAddressTransTable::getSysExAddressParamInfo(const unsigned char* address, unsigned char* out) const
{
    if (!address || !out)
        return;
    unsigned short key = 0;
    Entry entry;
    if (findBySysExAddress(static_cast<unsigned short>((address[0] << 8) | address[1]), &key, &entry))
        Devide(entry.second, out);
}

ParamAddress SysExParamChangeAddressTransTable::getMemoryParamAddress(const unsigned char* address) const
{
    if (!address)
        return ParamAddress(-1, -1, -1, -1);
    if (address[0] == kCurrentTemplateNumberMid && address[1] == 0x00)
        return ParamAddress(-1, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);
    unsigned short key = 0;
    Entry entry;
    if (!findBySysExAddress(static_cast<unsigned short>((address[0] << 8) | address[1]), &key, &entry))
        return ParamAddress(-1, -1, -1, -1);
    const int controller = key >> 8;
    const int param = key & 0xFF;
    return ParamAddress(-1, -1, controller == 0xFF ? -1 : controller, param == 0xFF ? -1 : param);
}

unsigned short SysExParamChangeAddressTransTable::Combine(int high, int low)
{
    const unsigned short h = high == -1 ? 0xFF00 : static_cast<unsigned short>((high << 8) & 0xFFFF);
    return static_cast<unsigned short>(h | (low & 0xFF));
}

void SysExParamChangeAddressTransTable::Devide(unsigned short v, unsigned char* out)
{
    if (!out)
        return;
    out[0] = static_cast<unsigned char>(v >> 8);
    out[1] = static_cast<unsigned char>(v & 0xFF);
}
