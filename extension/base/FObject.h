#pragma once

#include "FUnknown.h"

namespace Quorvane {

template <class T> class TArray;

// The host's update handler: keeps dependents of objects and delivers their change messages.
class IUpdateHandler : public FUnknown
{
public:
    // Registers dependent for the changes of object.
    virtual tresult addDependent(FUnknown* object, IDependent* dependent) = 0;
    virtual tresult removeDependent(FUnknown* object, IDependent* dependent) = 0;
    // Delivers message to the dependents of object now, or later on the host's own turn.
    virtual tresult triggerUpdates(FUnknown* object, int32 message) = 0;
    virtual tresult deferUpdates(FUnknown* object, int32 message) = 0;

    QUORVANE_IID(0xC84E2A71, 0x5F0B4E93, 0xB7D6183A, 0x2E95C04F)

protected:
    ~IUpdateHandler() = default;
};

// Reference-counted base object with dependents through the host's update handler; counts are atomic,
// the rest belongs to the owner's thread.
class FObject : public IDependent
{
public:
    FObject() = default;
    FObject(const FObject&) : m_refCount(1) {}
    FObject& operator=(const FObject&) { return *this; }

    tresult queryInterface(const TUID iid, void** object) override;
    int32 addRef() override;
    int32 release() override;

    void update(FUnknown* changedUnknown, int32 message) override {}
    virtual ~FObject() = default;
    virtual const char* isA() const { return "FObject"; }
    virtual bool isA(const char* name) const { return isTypeOf(name, false); }
    virtual bool isTypeOf(const char* name, bool askBaseClass = true) const;
    virtual void changed(int32 message = IDependent::kChanged);
    virtual void deferUpdate(int32 message = IDependent::kChanged);
    virtual void updateDone(int32 message) {}

    void addDependent(IDependent* dependent);
    void removeDependent(IDependent* dependent);

    int32 getRefCount() const { return m_refCount; }

    // A fresh identifier each run, made at load.
    static const FUID iid;
    // The host's update handler, null unless someone sets it.
    static IUpdateHandler* gUpdateHandler;

private:
    int32 m_refCount = 1;
};

// Registry of process-wide objects released at process exit (or when the library unloads).
class Singleton
{
public:
    // Remembers the address of a pointer whose object is released at exit; ignored after termination.
    static void registerInstance(FObject** address);
    static bool isTerminated();

    // Its destruction at exit releases every registered object.
    class Deleter
    {
    public:
        ~Deleter();
    };

private:
    static TArray<FObject**>* singletonInstances;
    static bool singletonsTerminated;
    static Deleter deleter;
    friend class Deleter;
};

} // namespace Quorvane
