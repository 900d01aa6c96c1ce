#pragma once

#include "FRef.h"
#include "FUnknown.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace simhost {

using Quorvane::int32;
using Quorvane::tresult;

class HostRegistry;
using HostContextRef = std::shared_ptr<HostRegistry>;

// What every simulated host object shares: its registration among the live objects, its reference
// count, its table of answered interfaces and the host-thread rule. Counting and queries on any thread.
class HostObjectBase
{
public:
    HostObjectBase(const HostObjectBase&) = delete;
    HostObjectBase& operator=(const HostObjectBase&) = delete;

    const std::string& kind() const { return m_kind; }
    HostRegistry& registry() const { return *m_registry; }
    int32 refCount() const { return m_refs.load(); }

    // Whether a query for iid is answered; tests switch answers off to play a host that lacks one.
    void setAnswering(const Quorvane::FUID& iid, bool answering);

protected:
    HostObjectBase(HostContextRef registry, std::string kind);
    // Unregisters from the live objects.
    virtual ~HostObjectBase();

    // A call from a thread other than the host's is a violation (see HostThread).
    void hostThreadOnly(const char* operation) const;

    // Adds iid to the answers, handing out object (the interface pointer) for it.
    void answer(const Quorvane::FUID& iid, void* object);
    tresult answerQuery(const Quorvane::TUID iid, void** object);
    int32 addReference() { return m_refs.fetch_add(1) + 1; }
    // The release that reaches 0 deletes the object.
    int32 releaseReference();

private:
    struct Answer
    {
        Quorvane::FUID iid;
        void* object;
        bool answering;
    };
    static constexpr std::size_t kTypicalAnswers = 6;

    HostContextRef m_registry;
    std::string m_kind;
    std::atomic<int32> m_refs{1};
    mutable std::mutex m_answersMutex;
    std::vector<Answer> m_answers;
};

// A host object implementing the host interfaces listed; it answers FUnknown (with the first) and each
// of them. The count starts at 1: whoever made the object holds that reference.
template <class First, class... More> class HostObject : public First, public More..., public HostObjectBase
{
public:
    tresult queryInterface(const Quorvane::TUID iid, void** object) override { return answerQuery(iid, object); }
    int32 addRef() override { return addReference(); }
    int32 release() override { return releaseReference(); }

    // The object as FUnknown (through its first interface).
    Quorvane::FUnknown* unknown() { return static_cast<First*>(this); }

protected:
    HostObject(HostContextRef registry, std::string kind) : HostObjectBase(std::move(registry), std::move(kind))
    {
        answer(Quorvane::FUnknown::iid, static_cast<Quorvane::FUnknown*>(static_cast<First*>(this)));
        answer(First::iid, static_cast<First*>(this));
        (answer(More::iid, static_cast<More*>(this)), ...);
    }

    // Also answers I, a base interface of one of the listed interfaces.
    template <class I> void alsoAnswer() { answer(I::iid, static_cast<I*>(this)); }
};

// Makes a host object; the caller holds its one reference.
template <class T, class... Args> T* makeHostObject(Args&&... args)
{
    return new T(std::forward<Args>(args)...);
}

// Stores a query's result as the interface asked for; null when the object does not answer it.
template <class I> I* queryHost(Quorvane::FUnknown* object)
{
    void* result = nullptr;
    if (!object || object->queryInterface(I::iid, &result) != Quorvane::kResultOk)
        return nullptr;
    return static_cast<I*>(result);
}

// The element at an index the extension passed in; null when the index is outside the list.
template <class List> auto* elementAt(List& list, int32 index)
{
    return index >= 0 && index < static_cast<int32>(list.size()) ? &list[static_cast<std::size_t>(index)] : nullptr;
}

// Holds one reference to a host object, releasing it when replaced or destroyed.
template <class T> using HostRef = Quorvane::FRef<T>;

} // namespace simhost
