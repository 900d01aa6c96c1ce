#pragma once

#include "BankData.h"
#include "ParamAddress.h"
#include "RemoteMemAPI.h"

#include <QString>

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

} // namespace kwfuzz
