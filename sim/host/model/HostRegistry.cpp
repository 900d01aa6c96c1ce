#include "HostRegistry.h"

using namespace Quorvane;

namespace simhost {

HostObjectBase::HostObjectBase(HostContextRef registry, std::string kind)
    : m_registry(std::move(registry)), m_kind(std::move(kind))
{
    // Room for the interfaces an object answers: growing the table one at a time was a good part of
    // making a panel's values.
    m_answers.reserve(kTypicalAnswers);
    m_registry->objectMade(this);
}

HostObjectBase::~HostObjectBase()
{
    m_registry->objectDeleted(this);
}

void HostObjectBase::setAnswering(const FUID& iid, bool answering)
{
    std::lock_guard lock(m_answersMutex);
    for (Answer& a : m_answers)
        if (a.iid == iid)
            a.answering = answering;
}

void HostObjectBase::hostThreadOnly(const char* operation) const
{
    m_registry->thread().check(operation);
}

void HostObjectBase::answer(const FUID& iid, void* object)
{
    std::lock_guard lock(m_answersMutex);
    for (Answer& a : m_answers) {
        if (a.iid == iid) {
            a.object = object;
            return;
        }
    }
    m_answers.push_back({iid, object, true});
}

tresult HostObjectBase::answerQuery(const TUID iid, void** object)
{
    if (!object)
        return kInvalidArgument;
    {
        std::lock_guard lock(m_answersMutex);
        for (const Answer& a : m_answers) {
            if (a.answering && iidEqual(a.iid.data, iid)) {
                addReference();
                *object = a.object;
                return kResultOk;
            }
        }
    }
    *object = nullptr;
    return kNoInterface;
}

int32 HostObjectBase::releaseReference()
{
    const int32 count = m_refs.fetch_sub(1) - 1;
    if (count == 0)
        delete this;
    return count;
}

HostContextRef HostRegistry::create()
{
    return HostContextRef(new HostRegistry);
}

HostRegistry::~HostRegistry() = default;

void HostRegistry::addService(FUnknown* service, std::initializer_list<FUID> iids)
{
    if (!service)
        return;
    for (const FUID& iid : iids) {
        service->addRef();
        Entry previous;
        {
            std::lock_guard lock(m_mutex);
            previous = std::exchange(m_classes[iid], Entry{service, {}});
        }
        if (previous.service)
            previous.service->release();
    }
}

void HostRegistry::addClass(const FUID& iid, Factory factory)
{
    Entry previous;
    {
        std::lock_guard lock(m_mutex);
        previous = std::exchange(m_classes[iid], Entry{nullptr, std::move(factory)});
    }
    if (previous.service)
        previous.service->release();
}

void HostRegistry::removeClass(const FUID& iid)
{
    Entry previous;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_classes.find(iid);
        if (it == m_classes.end())
            return;
        previous = std::move(it->second);
        m_classes.erase(it);
    }
    if (previous.service)
        previous.service->release();
}

void HostRegistry::clearClasses()
{
    std::map<FUID, Entry> classes;
    {
        std::lock_guard lock(m_mutex);
        classes.swap(m_classes);
    }
    // Released outside the lock: a service's deletion unregisters it here.
    for (auto& [iid, entry] : classes)
        if (entry.service)
            entry.service->release();
}

tresult HostRegistry::createInstance(const TUID iid, void** object)
{
    if (!object)
        return kInvalidArgument;
    *object = nullptr;
    FUnknown* service = nullptr;
    Factory factory;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_classes.find(FUID(iid));
        if (it == m_classes.end())
            return kNoInterface;
        service = it->second.service;
        if (service)
            service->addRef();
        else
            factory = it->second.factory;
    }
    if (service) {
        const tresult result = service->queryInterface(iid, object);
        service->release();
        return result;
    }
    FUnknown* made = factory ? factory(shared_from_this()) : nullptr;
    if (!made)
        return kNoInterface;
    const tresult result = made->queryInterface(iid, object);
    made->release();
    return result;
}

void HostRegistry::post(std::function<void()> work)
{
    std::lock_guard lock(m_mutex);
    m_posted.push_back(std::move(work));
}

int HostRegistry::runPosted()
{
    std::vector<std::function<void()>> work;
    {
        std::lock_guard lock(m_mutex);
        work.swap(m_posted);
    }
    for (auto& w : work)
        w();
    return static_cast<int>(work.size());
}

void HostRegistry::dropPosted()
{
    std::vector<std::function<void()>> work;
    {
        std::lock_guard lock(m_mutex);
        work.swap(m_posted);
    }
}

int HostRegistry::liveCount() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_live.size());
}

int HostRegistry::liveCount(const std::string& kind) const
{
    std::lock_guard lock(m_mutex);
    int count = 0;
    for (const auto& [object, k] : m_live)
        count += *k == kind ? 1 : 0;
    return count;
}

std::map<std::string, int> HostRegistry::liveKinds() const
{
    std::lock_guard lock(m_mutex);
    std::map<std::string, int> kinds;
    for (const auto& [object, k] : m_live)
        ++kinds[*k];
    return kinds;
}

void HostRegistry::objectMade(HostObjectBase* object)
{
    std::lock_guard lock(m_mutex);
    m_live[object] = &object->kind();
}

void HostRegistry::objectDeleted(HostObjectBase* object)
{
    std::lock_guard lock(m_mutex);
    m_live.erase(object);
}

} // namespace simhost
