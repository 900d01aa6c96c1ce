#include "CUSBNOLPDriverSetup.h"

#include "HostFiles.h"

using namespace Quorvane;

namespace {

IDefaultPool* openPool(IHostClasses* hostClasses)
{
    void* pool = nullptr;
    if (!hostClasses || hostClasses->createInstance(IDefaultPool::iid, &pool) != kResultOk)
        return nullptr;
    return static_cast<IDefaultPool*>(pool);
}

} // namespace

bool CUSBNOLPDriverSetup::IsNOLPSetupDone()
{
    IDefaultPool* pool = openPool(m_hostClasses);
    if (!pool)
        return false;
    int32 value = 0;
    const bool done = pool->getInt(kSection, kKey, &value) && value > 0;
    pool->release();
    return done;
}

void CUSBNOLPDriverSetup::SetNOLPSetupState(bool done)
{
    IDefaultPool* pool = openPool(m_hostClasses);
    if (!pool)
        return;
    pool->setInt(kSection, kKey, done ? 1 : 0);
    pool->release();
}
