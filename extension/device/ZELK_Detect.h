#pragma once

#include "HostDevices.h"

#include <atomic>

// The extension's device detector (one instance): when the host looks for hardware, it finds the
// synthesizer's MIDI ports and installs one remote device per port pair, once. Host thread only; the
// reference count is atomic.
class ZELK_Detect : public Quorvane::IPluginBase, public Quorvane::IDetector
{
public:
    static Quorvane::FUnknown* createInstance(void* context);

    Quorvane::tresult queryInterface(const Quorvane::TUID iid, void** object) override;
    Quorvane::int32 addRef() override;
    Quorvane::int32 release() override;

    // 1 while the service has not kept the host's classes or a device is already installed; otherwise
    // it clears the audio-driver setup state and answers 0.
    Quorvane::tresult initialize(Quorvane::FUnknown* context) override;
    Quorvane::tresult terminate() override { return Quorvane::kResultOk; }

    Quorvane::tresult detect() override;
    Quorvane::tresult getDeviceTypeInfo(Quorvane::IDetectorDeviceInfo* info) override;

    // 0 installed or found installed, 1 synthesizer not connected or nothing installed, 2 invalid
    // argument, -1 no device list.
    int InstallRemoteDevice();

protected:
    ZELK_Detect() = default;
    virtual ~ZELK_Detect() = default;

private:
    Quorvane::int32 m_refCount = 1;
};

// Set once a remote device was installed or found installed; written and read on the host's thread.
extern bool g_isRemoteInstalled;
