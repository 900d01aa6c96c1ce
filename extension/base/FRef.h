#pragma once

#include "FUnknown.h"

#include <utility>

namespace Quorvane {

// Holds one reference to a reference-counted object (a host object or one of ours) and releases it
// when replaced or destroyed, so that an object kept across host calls stays alive until we let it go
// even when its owner drops it meanwhile. Belongs to the thread that uses it.
template <class T> class FRef
{
public:
    FRef() = default;
    FRef(std::nullptr_t) {}

    // Takes over a reference the caller holds (an object from create..., createInstance or a query).
    static FRef adopt(T* object)
    {
        FRef r;
        r.m_object = object;
        return r;
    }
    // Adds a reference of its own (an object the owner hands out without one).
    static FRef share(T* object)
    {
        if (object)
            object->addRef();
        return adopt(object);
    }
    FRef(const FRef& other) : m_object(other.m_object)
    {
        if (m_object)
            m_object->addRef();
    }
    FRef(FRef&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    FRef& operator=(FRef other) noexcept
    {
        std::swap(m_object, other.m_object);
        return *this;
    }
    ~FRef() { reset(); }

    void reset()
    {
        if (T* object = std::exchange(m_object, nullptr))
            object->release();
    }

    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }

private:
    T* m_object = nullptr;
};

// The object's interface I, referenced; empty when it does not answer I.
template <class I> FRef<I> queryRef(FUnknown* object)
{
    void* result = nullptr;
    if (!object || object->queryInterface(I::iid, &result) != kResultOk)
        return {};
    return FRef<I>::adopt(static_cast<I*>(result));
}

// A new host object answering I, made through the host's classes; empty when there is none.
template <class I, class Classes> FRef<I> createRef(Classes* hostClasses)
{
    void* result = nullptr;
    if (!hostClasses || hostClasses->createInstance(I::iid, &result) != kResultOk)
        return {};
    return FRef<I>::adopt(static_cast<I*>(result));
}

} // namespace Quorvane
