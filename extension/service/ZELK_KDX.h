#pragma once

#include "DAWInfo.h"
#include "HostApplication.h"

// The extension's service (one instance): the host initialises it, and it takes the host's classes
// over for the rest of the extension. Its idle work, notifications and actions come with the rest of
// the service. Host thread only; the reference count is atomic.
class ZELK_KDX : public Quorvane::IPluginBase
{
public:
    static Quorvane::FUnknown* newInstance(void* context);

    Quorvane::tresult queryInterface(const Quorvane::TUID iid, void** object) override;
    Quorvane::int32 addRef() override;
    Quorvane::int32 release() override;

    // 1 when the host is not one the extension works with or offers no IHostClasses; else the host's
    // classes are kept in gpHostClasses and the result is 0.
    Quorvane::tresult initialize(Quorvane::FUnknown* context) override;
    // 1 while the host says it cannot let its services go; else the host's classes are released.
    Quorvane::tresult terminate() override;

    // Whether the host product and version are ones the extension works with.
    virtual bool IsTargetDAW(Quorvane::FUnknown* context);

    const DAWInfo& hostInformation() const { return m_hostInformation; }

protected:
    ZELK_KDX() = default;
    virtual ~ZELK_KDX();

private:
    Quorvane::int32 m_refCount = 1;
    bool m_keepsHostClasses = false;
    DAWInfo m_hostInformation;
};
