#pragma once

#include "FObject.h"
#include "FUnknown.h"

// Host interfaces of the application, its platform services and the plug-in life cycle.
//
// Rules for every host interface of this set: an object handed out by an operation named create...,
// by IHostClasses::createInstance or by queryInterface carries a reference the caller releases; any
// other object or text handed out stays owned by the host and is valid while the host keeps it (texts
// until the next call on the same object). 16-bit texts are zero-terminated UTF-16.
namespace Quorvane {

// Host side: marks an interface operation slot that nothing of ours calls, so that the operations
// after it keep their places in the host's table.
#define QUORVANE_RESERVED_SLOT(n) \
    virtual void reservedSlot##n() {}

// Answered by every class the extension registers: the host's set-up and tear-down of an instance.
class IPluginBase : public FUnknown
{
public:
    // context is the host's object from which the instance reaches IHostClasses and the application.
    virtual tresult initialize(FUnknown* context) = 0;
    virtual tresult terminate() = 0;

    QUORVANE_IID(0x9C9D914A, 0xC0B59C93, 0x7A37F95A, 0xD28C1015)
protected:
    ~IPluginBase() = default;
};

// The host's object factory: creates host objects (values, platform services, the default pool, ...)
// and hands out the host's single services, each by interface identifier.
class IHostClasses : public FUnknown
{
public:
    // On success stores a referenced object answering iid in object and returns kResultOk.
    virtual tresult createInstance(const TUID iid, void** object) = 0;

    QUORVANE_IID(0x402B134C, 0x4F4CCF34, 0xF8694A32, 0xE5152B0A)
protected:
    ~IHostClasses() = default;
};

// The host application's identity; each text may be null.
class IHostApplicationW : public FUnknown
{
public:
    virtual const char16* getApplicationName() = 0;
    virtual const char16* getApplicationVersion() = 0;
    virtual const char16* getApplicationBuild() = 0;

    QUORVANE_IID(0x6705031A, 0xA33D76EC, 0x54FDE4EA, 0x1E179AB8)
protected:
    ~IHostApplicationW() = default;
};

// Called by the host on its user-interface thread once per idle turn.
class IIdleHandler : public FUnknown
{
public:
    virtual void onIdle() = 0;

    QUORVANE_IID(0xA0AA3A16, 0x6D55515D, 0x67E0C295, 0x714B28E5)
protected:
    ~IIdleHandler() = default;
};

// Platform services of the host: idle handlers and the host's clock.
class IPlatform : public FUnknown
{
public:
    virtual tresult addIdleHandler(IIdleHandler* handler) = 0;
    virtual tresult removeIdleHandler(IIdleHandler* handler) = 0;
    QUORVANE_RESERVED_SLOT(5)
    QUORVANE_RESERVED_SLOT(6)
    QUORVANE_RESERVED_SLOT(7)
    QUORVANE_RESERVED_SLOT(8)
    QUORVANE_RESERVED_SLOT(9)
    QUORVANE_RESERVED_SLOT(10)
    QUORVANE_RESERVED_SLOT(11)
    QUORVANE_RESERVED_SLOT(12)
    QUORVANE_RESERVED_SLOT(13)
    // The host's clock in milliseconds (wrapping at the range of 32 bits).
    virtual tresult getTime(int32* milliseconds) = 0;

    QUORVANE_IID(0xCEAEECBC, 0x16E8255F, 0x6D86AB82, 0x470CA5B6)
protected:
    ~IPlatform() = default;
};

class IPlatform2 : public IPlatform
{
public:
    // Whether the host lets its services be torn down now.
    virtual bool canTerminate() = 0;

    QUORVANE_IID(0x3D898A7B, 0x07B8ACE5, 0x9496E30D, 0xCA1DFE09)
protected:
    ~IPlatform2() = default;
};

// Host commands reach the extension's registered actions through this handler.
class IActionHandler : public FUnknown
{
public:
    // flag: the host only asks whether the action is available (true) or performs it (false).
    virtual tresult handleAction(const char8* category, const char8* action, bool flag) = 0;

    QUORVANE_IID(0xF74DCD33, 0x97ACFDA8, 0x0D965686, 0x777C40F5)
protected:
    ~IActionHandler() = default;
};

} // namespace Quorvane
