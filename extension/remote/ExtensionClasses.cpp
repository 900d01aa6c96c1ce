#include "ExtensionClasses.h"

#include "BundleEntry.h"

#include <new>

using namespace Quorvane;

tresult PluginObject::queryInterface(const TUID iid, void** object)
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

int32 PluginObject::addRef()
{
    return FUnknown::atomicAdd(m_refCount, 1);
}

int32 PluginObject::release()
{
    const int32 count = FUnknown::atomicAdd(m_refCount, -1);
    if (count == 0)
        delete this;
    return count;
}

FUnknown* ZELK_KDX::newInstance(void*)
{
    return static_cast<IPluginBase*>(new (std::nothrow) ZELK_KDX);
}

FUnknown* ZELK_HWRemote::createInstance(void*)
{
    return static_cast<IPluginBase*>(new (std::nothrow) ZELK_HWRemote);
}

FUnknown* ZELK_Detect::createInstance(void*)
{
    return static_cast<IPluginBase*>(new (std::nothrow) ZELK_Detect);
}

bool InitModule()
{
    return true;
}

bool DeinitModule()
{
    return true;
}

IPluginFactory* GetPluginFactory()
{
    if (gPluginFactory) {
        gPluginFactory->addRef();
        return gPluginFactory;
    }
    static const PFactoryInfo factoryInfo(kExtensionVendor, "", "", PFactoryInfo::kNoFlags);
    static const PClassInfo2 serviceClass(kZELK_KDX_cid, 1, "Service", "Dialbridge", 0, "", nullptr,
                                          kExtensionVersion, "");
    static const PClassInfo remoteClass(kZELK_HWRemote_cid, PClassInfo::kManyInstances, "Remote Devices",
                                        "Telvor ZELK6/ZELK8");
    static const PClassInfo detectClass(kZELK_Detect_cid, 1, "Device Detection", "");

    // No exception may reach the host: without memory there is no factory.
    auto* factory = new (std::nothrow) CPluginFactory(factoryInfo);
    if (!factory)
        return nullptr;
    gPluginFactory = factory;
    factory->registerClass(&serviceClass, &ZELK_KDX::newInstance, nullptr);
    factory->registerClass(&remoteClass, &ZELK_HWRemote::createInstance, nullptr);
    factory->registerClass(&detectClass, &ZELK_Detect::createInstance, nullptr);
    return factory;
}
