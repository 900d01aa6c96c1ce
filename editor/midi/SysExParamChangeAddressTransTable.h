#pragma once

#include "ParamAddress.h"

#include <QMultiHash>
#include <QPair>

// Translates a memory address into the SysEx address of its field (mid, low, length) and back. Built
// once and only read afterwards, so the GUI thread and the delivery threads may share one instance.
class SysExParamChangeAddressTransTable
{
public:
    // Value of the hash: first (mid << 8) | low of one byte, second (index << 8) | field length.
    using Entry = QPair<unsigned short, unsigned short>;

    SysExParamChangeAddressTransTable();
    ~SysExParamChangeAddressTransTable();

    // Adds one entry per byte of a field of `length` bytes starting at (mid, start), under the key of
    // (controller, param); nothing for a length of 0 or less.
    void enregister(int controller, int param, int mid, int start, int length);

    // out receives 4 bytes: address mid, address low of the field start, 0, field length. False when
    // the address has no SysEx address or out is null.
    bool getSysExParamAddress(const ParamAddress& a, unsigned char* out) const;
    // address holds (mid, low); out receives (index in the field, field length); untouched when no
    // field holds that address.
    void getSysExAddressParamInfo(const unsigned char* address, unsigned char* out) const;
    // The memory element of a SysEx address (mid, low): (-1, 52, -1, -1) for the current template
    // number, (-1, -1, controller, param) for a field byte, all -1 otherwise. The caller fills in bank
    // and template.
    ParamAddress getMemoryParamAddress(const unsigned char* address) const;

    // Packs two components as the keys are packed (-1 gives FF).
    static unsigned short Combine(int high, int low);
    static void Devide(unsigned short v, unsigned char* out);

    int entryCount() const { return int(m_table.size()); }

private:
    // The entry of a SysEx address (mid << 8 | low), with its key; false when none holds it.
    bool findBySysExAddress(unsigned short address, unsigned short* key, Entry* entry) const;

    QMultiHash<unsigned short, Entry> m_table;
};
