#include "FObject.h"

#include "TContainer.h"

#include <atomic>
#include <cstring>
#include <new>

namespace Quorvane {

namespace {

FUID makeRandomIid()
{
    FUID id;
    id.generate();
    return id;
}

} // namespace

const FUID FObject::iid = makeRandomIid();
IUpdateHandler* FObject::gUpdateHandler = nullptr;

tresult FObject::queryInterface(const TUID queried, void** object)
{
    if (!object)
        return kInvalidArgument;
    if (iidEqual(queried, FUnknown::iid) || iidEqual(queried, IDependent::iid) || iidEqual(queried, FObject::iid)) {
        addRef();
        *object = this;
        return kResultOk;
    }
    *object = nullptr;
    return kNoInterface;
}

int32 FObject::addRef()
{
    return FUnknown::atomicAdd(m_refCount, 1);
}

int32 FObject::release()
{
    // The count is parked far below zero while the object goes, so that a stray addRef/release pair
    // during destruction cannot delete it twice.
    const int32 count = FUnknown::atomicAdd(m_refCount, -1);
    if (count == 0) {
        std::atomic_ref<int32>(m_refCount).store(-1000);
        delete this;
        return 0;
    }
    return count;
}

bool FObject::isTypeOf(const char* name, bool) const
{
    return name && std::strcmp(name, isA()) == 0;
}

void FObject::addDependent(IDependent* dependent)
{
    if (gUpdateHandler)
        gUpdateHandler->addDependent(this, dependent);
}

void FObject::removeDependent(IDependent* dependent)
{
    if (gUpdateHandler)
        gUpdateHandler->removeDependent(this, dependent);
}

void FObject::changed(int32 message)
{
    if (gUpdateHandler)
        gUpdateHandler->triggerUpdates(this, message);
    else
        updateDone(message);
}

void FObject::deferUpdate(int32 message)
{
    if (gUpdateHandler)
        gUpdateHandler->deferUpdates(this, message);
    else
        updateDone(message);
}

// ---------------------------------------------------------------------------------------------------
// Singleton

TArray<FObject**>* Singleton::singletonInstances = nullptr;
bool Singleton::singletonsTerminated = false;
Singleton::Deleter Singleton::deleter;

void Singleton::registerInstance(FObject** address)
{
    if (singletonsTerminated || !address)
        return;
    if (!singletonInstances)
        singletonInstances = new (std::nothrow) TArray<FObject**>(0, 10);
    if (singletonInstances)
        singletonInstances->add(address);
}

bool Singleton::isTerminated()
{
    return singletonsTerminated;
}

Singleton::Deleter::~Deleter()
{
    singletonsTerminated = true;
    if (!singletonInstances)
        return;
    for (int32 i = 0; i < singletonInstances->total(); ++i) {
        FObject** address = singletonInstances->at(i);
        if (address && *address) {
            (*address)->release();
            *address = nullptr;
        }
    }
    delete singletonInstances;
    singletonInstances = nullptr;
}

} // namespace Quorvane
