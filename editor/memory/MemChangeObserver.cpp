#include "MemChangeObserver.h"

#include "RemoteMemAPI.h"

MemChangeObserver::~MemChangeObserver()
{
    if (m_memAPI)
        m_memAPI->unregistObserver(this);
}
