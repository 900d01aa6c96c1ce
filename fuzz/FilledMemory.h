#pragma once

#include "BankData.h"
#include "ParamAddress.h"
#include "RemoteMemAPI.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace kwfuzz {

// Gives the memory the editor's nine banks, each template with a name (with characters XML must escape)
// and knob numbers of its own, so that any overwritten value shows.
inline void fillMemory(RemoteMemAPI& memory)
{
    while (memory.getQuantityOfBank() < 9)
        memory.createBank();
    for (int b = 0; b < 9; ++b) {
        for (int t = 0; t < BankData::kTemplateCount; ++t) {
            memory.setParam(ParamAddress(b, t, ParamAddress::kTemplateNameController, -1),
                            QStringLiteral("b%1 <&> t%2").arg(b).arg(t));
            for (int k = 0; k < 12; ++k)
                memory.setParam(ParamAddress(b, t, k, ParamAddress::kCCNumberParam), (b + t + k) % 128);
        }
    }
}

// A clipboard document made of the fuzzer's bytes: the first byte picks whether the rest is the whole
// document or stands between head and tail of a valid one, so that the element readers see it too.
// Empty without bytes.
inline QByteArray documentFromInput(const std::uint8_t* data, std::size_t size, const QByteArray& head,
                                    const QByteArray& tail)
{
    if (size < 1)
        return {};
    const QByteArray input(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    return data[0] % 2 == 0 ? input : head + input + tail;
}

} // namespace kwfuzz
