#include "PairAdrObs.h"

void PairAdrObs::setParamAddress(const ParamAddress& address)
{
    if (m_address)
        *m_address = address;
}
