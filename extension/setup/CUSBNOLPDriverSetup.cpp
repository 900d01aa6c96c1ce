#include "CUSBNOLPDriverSetup.h"

#include "HostFiles.h"
#include "HostQuery.h"

using namespace Quorvane;

bool CUSBNOLPDriverSetup::IsNOLPSetupDone()
{
    IDefaultPool* pool = HostQuery::create<IDefaultPool>(m_hostClasses);
    if (!pool)
        return false;
    int32 value = 0;
    const bool done = pool->getInt(kSection, kKey, &value) && value > 0;
    pool->release();
    return done;
}

void CUSBNOLPDriverSetup::SetNOLPSetupState(bool done)
{
    IDefaultPool* pool = HostQuery::create<IDefaultPool>(m_hostClasses);
    if (!pool)
        return;
    pool->setInt(kSection, kKey, done ? 1 : 0);
    pool->release();
}
