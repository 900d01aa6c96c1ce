#pragma once

#include "HostApplication.h"

// The two ways the extension reaches a host interface; each hands back a referenced object the caller
// releases, or null when the host does not offer it.
namespace HostQuery {

// An object of the host's classes answering I.
template <class I> I* create(Quorvane::IHostClasses* classes)
{
    void* result = nullptr;
    if (!classes || classes->createInstance(I::iid, &result) != Quorvane::kResultOk)
        return nullptr;
    return static_cast<I*>(result);
}

// The object's interface I.
template <class I> I* query(Quorvane::FUnknown* object)
{
    void* result = nullptr;
    if (!object || object->queryInterface(I::iid, &result) != Quorvane::kResultOk)
        return nullptr;
    return static_cast<I*>(result);
}

} // namespace HostQuery
