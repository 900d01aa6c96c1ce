#include "ExtensionClasses.h"

#include "BundleEntry.h"
#include "ZELK_Detect.h"
#include "ZELK_HWRemote.h"
#include "ZELK_KDX.h"

#include <new>

using namespace Quorvane;

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
    static const PClassInfo2 serviceClass(kZELK_KDX_cid, 1, "Service", "Dialbridge", 0, "", nullptr, kExtensionVersion,
                                          "");
    static const PClassInfo remoteClass(kZELK_HWRemote_cid, PClassInfo::kManyInstances, "Remote Devices",
                                        kRemoteDeviceName);
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
