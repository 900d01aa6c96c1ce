#pragma once

#include "ParamAddress.h"

class MemChangeObserver;

// One entry of the memory service's observer list: an address object and the observer that watches
// it, neither owned. Keeping a pointer to the address lets a controller that re-aims its address be
// matched by the new address without registering again. Used under the memory lock only.
class PairAdrObs
{
public:
    PairAdrObs() = default;
    PairAdrObs(ParamAddress* address, MemChangeObserver* observer) : m_address(address), m_observer(observer) {}
    virtual ~PairAdrObs() = default;

    // A copy of the address pointed to; an unset address when there is none.
    ParamAddress getParamAddress() const { return m_address ? *m_address : ParamAddress(); }
    // Writes through the pointer; nothing when there is none.
    void setParamAddress(const ParamAddress& address);
    ParamAddress* getParamAddressPointer() const { return m_address; }
    void setParamAddressPointer(ParamAddress* address) { m_address = address; }
    MemChangeObserver* getObserver() const { return m_observer; }
    void setObserver(MemChangeObserver* observer) { m_observer = observer; }

private:
    ParamAddress* m_address = nullptr;
    MemChangeObserver* m_observer = nullptr;
};
