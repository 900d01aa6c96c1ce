#include "ZELK_Detect.h"

#include "CUSBNOLPDriverSetup.h"
#include "DeviceSetupManager.h"
#include "ExtensionState.h"

#include <cstring>
#include <new>

using namespace Quorvane;

bool g_isRemoteInstalled = false;

namespace {

// The synthesizer's port the extension talks to.
constexpr std::uint8_t kExtensionPort = 2;

void copyField(char8 (&field)[64], const char* text)
{
    std::memset(field, 0, sizeof field);
    std::strncpy(field, text, sizeof field - 1);
}

} // namespace

FUnknown* ZELK_Detect::createInstance(void*)
{
    return static_cast<IPluginBase*>(new (std::nothrow) ZELK_Detect);
}

tresult ZELK_Detect::queryInterface(const TUID iid, void** object)
{
    if (!object)
        return kInvalidArgument;
    if (iidEqual(iid, FUnknown::iid) || iidEqual(iid, IPluginBase::iid)) {
        addRef();
        *object = static_cast<IPluginBase*>(this);
        return kResultOk;
    }
    if (iidEqual(iid, IDetector::iid)) {
        addRef();
        *object = static_cast<IDetector*>(this);
        return kResultOk;
    }
    *object = nullptr;
    return kNoInterface;
}

int32 ZELK_Detect::addRef()
{
    return FUnknown::atomicAdd(m_refCount, 1);
}

int32 ZELK_Detect::release()
{
    const int32 count = FUnknown::atomicAdd(m_refCount, -1);
    if (count == 0)
        delete this;
    return count;
}

tresult ZELK_Detect::initialize(FUnknown*)
{
    if (!gpHostClasses || g_isRemoteInstalled)
        return kResultFalse;
    try {
        CUSBNOLPDriverSetup driverSetup(gpHostClasses);
        if (driverSetup.IsNOLPSetupDone())
            driverSetup.SetNOLPSetupState(false);
    } catch (...) {
    }
    return kResultOk;
}

tresult ZELK_Detect::detect()
{
    try {
        return InstallRemoteDevice();
    } catch (...) {
        return kResultFalse;
    }
}

tresult ZELK_Detect::getDeviceTypeInfo(IDetectorDeviceInfo* info)
{
    if (!info)
        return kInvalidArgument;
    copyField(info->deviceType, "Remote Devices");
    copyField(info->detectionKind, "Plug and Play");
    return kResultOk;
}

int ZELK_Detect::InstallRemoteDevice()
{
    DeviceSetupManager manager(gpHostClasses);
    const DeviceSetupManager::SearchList names{{kRemoteDeviceName, kExtensionPort}};
    if (!manager.searchMIDIPorts(names, false))
        return DeviceSetupManager::kNothingInstalled;
    if (manager.isRemoteDeviceInstalled(kRemoteDeviceName)) {
        g_isRemoteInstalled = true;
        return DeviceSetupManager::kInstalled;
    }
    const int result = manager.installRemoteDevice(kZELK_HWRemote_cid);
    if (result == DeviceSetupManager::kInstalled)
        g_isRemoteInstalled = true;
    return result;
}
