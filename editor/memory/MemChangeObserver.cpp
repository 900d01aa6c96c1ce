#include "MemChangeObserver.h"

#include "RemoteMemAPI.h"

MemChangeObserver::~MemChangeObserver()
{
    detachFromMemAPI();
}

void MemChangeObserver::detachFromMemAPI()
{
    if (m_memAPI)
        m_memAPI->unregistObserver(this);
    m_memAPI = nullptr;
}
