#include "ZELK_KDX.h"

#include "ExtensionState.h"
#include "HostQuery.h"

#include <new>

using namespace Quorvane;

FUnknown* ZELK_KDX::newInstance(void*)
{
    return static_cast<IPluginBase*>(new (std::nothrow) ZELK_KDX);
}

ZELK_KDX::~ZELK_KDX()
{
    // A host that releases the service without terminate must not leave its classes behind a dangling
    // pointer.
    if (m_keepsHostClasses && gpHostClasses) {
        gpHostClasses->release();
        gpHostClasses = nullptr;
    }
}

tresult ZELK_KDX::queryInterface(const TUID iid, void** object)
{
    if (!object)
        return kInvalidArgument;
    if (iidEqual(iid, FUnknown::iid) || iidEqual(iid, IPluginBase::iid)) {
        addRef();
        *object = static_cast<IPluginBase*>(this);
        return kResultOk;
    }
    *object = nullptr;
    return kNoInterface;
}

int32 ZELK_KDX::addRef()
{
    return FUnknown::atomicAdd(m_refCount, 1);
}

int32 ZELK_KDX::release()
{
    const int32 count = FUnknown::atomicAdd(m_refCount, -1);
    if (count == 0)
        delete this;
    return count;
}

bool ZELK_KDX::IsTargetDAW(FUnknown* context)
{
    auto* application = HostQuery::query<IHostApplicationW>(context);
    if (!application)
        return false;
    m_hostInformation.analyzeDAWInfo(application);
    application->release();
    if (!m_hostInformation.isAllInfoAnalyzed() || m_hostInformation.getDAWNameIndex() == 1)
        return false;
    const int lowestMajor = m_hostInformation.getDAWNameIndex() == DAWInfo::kParlexIndex ? 6 : 7;
    return m_hostInformation.getMajorVersion() >= lowestMajor;
}

tresult ZELK_KDX::initialize(FUnknown* context)
{
    try {
        if (!IsTargetDAW(context))
            return kResultFalse;
        auto* classes = HostQuery::query<IHostClasses>(context);
        if (!classes)
            return kResultFalse;
        if (gpHostClasses)
            gpHostClasses->release();
        gpHostClasses = classes;
        m_keepsHostClasses = true;
        return kResultOk;
    } catch (...) {
        return kResultFalse;
    }
}

tresult ZELK_KDX::terminate()
{
    if (auto* platform = HostQuery::create<IPlatform2>(gpHostClasses)) {
        const bool canGo = platform->canTerminate();
        platform->release();
        if (!canGo)
            return kResultFalse;
    }
    if (m_keepsHostClasses && gpHostClasses) {
        gpHostClasses->release();
        gpHostClasses = nullptr;
    }
    m_keepsHostClasses = false;
    return kResultOk;
}
