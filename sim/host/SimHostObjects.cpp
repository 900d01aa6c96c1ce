#include "SimHostObjects.h"

#include <algorithm>

using namespace Quorvane;

namespace simhost {

namespace {

tresult refuse(void** object)
{
    if (object)
        *object = nullptr;
    return kNoInterface;
}

} // namespace

tresult SimApplication::queryInterface(const TUID iid, void** object)
{
    if (!object)
        return kInvalidArgument;
    if (offer<FUnknown>(iid, object) || offer<IHostApplicationW>(iid, object))
        return kResultOk;
    return refuse(object);
}

const char16_t* SimApplication::getApplicationName()
{
    std::lock_guard lock(m_mutex);
    return m_name.empty() ? nullptr : m_name.c_str();
}

const char16_t* SimApplication::getApplicationVersion()
{
    std::lock_guard lock(m_mutex);
    return m_version.empty() ? nullptr : m_version.c_str();
}

const char16_t* SimApplication::getApplicationBuild()
{
    std::lock_guard lock(m_mutex);
    return m_build.empty() ? nullptr : m_build.c_str();
}

void SimApplication::set(const std::u16string& name, const std::u16string& version, const std::u16string& build)
{
    std::lock_guard lock(m_mutex);
    m_name = name;
    m_version = version;
    m_build = build;
}

tresult SimPlatform::queryInterface(const TUID iid, void** object)
{
    if (!object)
        return kInvalidArgument;
    if (offer<FUnknown>(iid, object) || offer<IPlatform>(iid, object) || offer<IPlatform2>(iid, object))
        return kResultOk;
    return refuse(object);
}

tresult SimPlatform::addIdleHandler(IIdleHandler* handler)
{
    if (!handler)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    if (std::find(m_handlers.begin(), m_handlers.end(), handler) != m_handlers.end())
        return kResultFalse;
    m_handlers.push_back(handler);
    return kResultOk;
}

tresult SimPlatform::removeIdleHandler(IIdleHandler* handler)
{
    std::lock_guard lock(m_mutex);
    const auto it = std::find(m_handlers.begin(), m_handlers.end(), handler);
    if (it == m_handlers.end())
        return kResultFalse;
    m_handlers.erase(it);
    return kResultOk;
}

tresult SimPlatform::getTime(int32* milliseconds)
{
    if (!milliseconds)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    if (!m_clockAvailable)
        return kResultFalse;
    *milliseconds = m_time;
    return kResultOk;
}

bool SimPlatform::canTerminate()
{
    std::lock_guard lock(m_mutex);
    return m_canTerminate;
}

int SimPlatform::runIdle()
{
    std::vector<IIdleHandler*> handlers;
    {
        std::lock_guard lock(m_mutex);
        handlers = m_handlers;
    }
    int called = 0;
    for (IIdleHandler* handler : handlers) {
        // A handler removed by an earlier one during this turn is not called any more.
        {
            std::lock_guard lock(m_mutex);
            if (std::find(m_handlers.begin(), m_handlers.end(), handler) == m_handlers.end())
                continue;
        }
        handler->onIdle();
        ++called;
    }
    return called;
}

int SimPlatform::idleHandlerCount()
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_handlers.size());
}

void SimPlatform::setTime(int32 milliseconds)
{
    std::lock_guard lock(m_mutex);
    m_time = milliseconds;
}

void SimPlatform::advanceTime(int32 milliseconds)
{
    std::lock_guard lock(m_mutex);
    m_time = static_cast<int32>(static_cast<uint32>(m_time) + static_cast<uint32>(milliseconds));
}

void SimPlatform::setCanTerminate(bool can)
{
    std::lock_guard lock(m_mutex);
    m_canTerminate = can;
}

void SimPlatform::setClockAvailable(bool available)
{
    std::lock_guard lock(m_mutex);
    m_clockAvailable = available;
}

tresult SimDefaultPool::queryInterface(const TUID iid, void** object)
{
    if (!object)
        return kInvalidArgument;
    if (offer<FUnknown>(iid, object) || offer<IDefaultPool>(iid, object) || offer<IDefaultPool3>(iid, object))
        return kResultOk;
    return refuse(object);
}

bool SimDefaultPool::makeKey(const char* section, const char* key, Key& out)
{
    if (!section || !key)
        return false;
    out = Key(section, key);
    return true;
}

template <class Map>
bool SimDefaultPool::read(Map& map, const char* section, const char* key, typename Map::mapped_type* value)
{
    Key k;
    if (!value || !makeKey(section, key, k))
        return false;
    std::lock_guard lock(m_mutex);
    const auto it = map.find(k);
    if (it == map.end())
        return false;
    *value = it->second;
    return true;
}

template <class Map>
const typename Map::mapped_type* SimDefaultPool::find(Map& map, const char* section, const char* key)
{
    Key k;
    if (!makeKey(section, key, k))
        return nullptr;
    std::lock_guard lock(m_mutex);
    const auto it = map.find(k);
    return it == map.end() ? nullptr : &it->second;
}

template <class Map>
tresult SimDefaultPool::write(Map& map, const char* section, const char* key, typename Map::mapped_type value)
{
    Key k;
    if (!makeKey(section, key, k))
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    map[k] = std::move(value);
    return kResultOk;
}

bool SimDefaultPool::getInt(const char* section, const char* key, int32* value)
{
    return read(m_ints, section, key, value);
}

tresult SimDefaultPool::setInt(const char* section, const char* key, int32 value)
{
    return write(m_ints, section, key, value);
}

const char* SimDefaultPool::getText(const char* section, const char* key)
{
    const std::string* text = find(m_texts, section, key);
    return text ? text->c_str() : nullptr;
}

tresult SimDefaultPool::setText(const char* section, const char* key, const char* text)
{
    return write(m_texts, section, key, std::string(text ? text : ""));
}

bool SimDefaultPool::getFloat(const char* section, const char* key, double* value)
{
    return read(m_floats, section, key, value);
}

tresult SimDefaultPool::setFloat(const char* section, const char* key, double value)
{
    return write(m_floats, section, key, value);
}

const char16_t* SimDefaultPool::getText16(const char* section, const char* key)
{
    const std::u16string* text = find(m_texts16, section, key);
    return text ? text->c_str() : nullptr;
}

tresult SimDefaultPool::setText16(const char* section, const char* key, const char16_t* text)
{
    return write(m_texts16, section, key, std::u16string(text ? text : u""));
}

void SimDefaultPool::clear()
{
    std::lock_guard lock(m_mutex);
    m_ints.clear();
    m_floats.clear();
    m_texts.clear();
    m_texts16.clear();
}

bool SimDefaultPool::contains(const std::string& section, const std::string& key)
{
    const Key k(section, key);
    std::lock_guard lock(m_mutex);
    return m_ints.count(k) || m_floats.count(k) || m_texts.count(k) || m_texts16.count(k);
}

tresult SimUpdateHandler::queryInterface(const TUID iid, void** object)
{
    if (!object)
        return kInvalidArgument;
    if (offer<FUnknown>(iid, object) || offer<IUpdateHandler>(iid, object))
        return kResultOk;
    return refuse(object);
}

tresult SimUpdateHandler::addDependent(FUnknown* object, IDependent* dependent)
{
    if (!object || !dependent)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    auto& list = m_dependents[object];
    if (std::find(list.begin(), list.end(), dependent) == list.end())
        list.push_back(dependent);
    return kResultOk;
}

tresult SimUpdateHandler::removeDependent(FUnknown* object, IDependent* dependent)
{
    if (!object || !dependent)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    const auto entry = m_dependents.find(object);
    if (entry == m_dependents.end())
        return kResultFalse;
    auto& list = entry->second;
    const auto it = std::find(list.begin(), list.end(), dependent);
    if (it == list.end())
        return kResultFalse;
    list.erase(it);
    if (list.empty())
        m_dependents.erase(entry);
    return kResultOk;
}

tresult SimUpdateHandler::triggerUpdates(FUnknown* object, int32 message)
{
    if (!object)
        return kInvalidArgument;
    std::vector<IDependent*> dependents;
    {
        std::lock_guard lock(m_mutex);
        const auto entry = m_dependents.find(object);
        if (entry != m_dependents.end())
            dependents = entry->second;
    }
    for (IDependent* dependent : dependents)
        dependent->update(object, message);
    return kResultOk;
}

tresult SimUpdateHandler::deferUpdates(FUnknown* object, int32 message)
{
    if (!object)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    m_deferred.emplace_back(object, message);
    return kResultOk;
}

int SimUpdateHandler::flushDeferred()
{
    std::vector<std::pair<FUnknown*, int32>> deferred;
    {
        std::lock_guard lock(m_mutex);
        deferred.swap(m_deferred);
    }
    for (const auto& [object, message] : deferred)
        triggerUpdates(object, message);
    return static_cast<int>(deferred.size());
}

int SimUpdateHandler::dependentCount(FUnknown* object)
{
    std::lock_guard lock(m_mutex);
    const auto entry = m_dependents.find(object);
    return entry == m_dependents.end() ? 0 : static_cast<int>(entry->second.size());
}

int SimUpdateHandler::totalDependents()
{
    std::lock_guard lock(m_mutex);
    int total = 0;
    for (const auto& entry : m_dependents)
        total += static_cast<int>(entry.second.size());
    return total;
}

SimHostContext::SimHostContext(SimApplication* application, SimPlatform* platform, SimDefaultPool* pool,
                               SimUpdateHandler* updateHandler)
    : m_application(application), m_platform(platform), m_pool(pool), m_updateHandler(updateHandler)
{
    m_application->addRef();
    m_platform->addRef();
    m_pool->addRef();
    m_updateHandler->addRef();
}

SimHostContext::~SimHostContext()
{
    m_updateHandler->release();
    m_pool->release();
    m_platform->release();
    m_application->release();
}

tresult SimHostContext::queryInterface(const TUID iid, void** object)
{
    if (!object)
        return kInvalidArgument;
    if (offer<FUnknown>(iid, object))
        return kResultOk;
    if (m_offersHostClasses && offer<IHostClasses>(iid, object))
        return kResultOk;
    if (iidEqual(iid, IHostApplicationW::iid))
        return m_application->queryInterface(iid, object);
    return refuse(object);
}

tresult SimHostContext::createInstance(const TUID iid, void** object)
{
    if (!object)
        return kInvalidArgument;
    if (iidEqual(iid, IPlatform::iid) || iidEqual(iid, IPlatform2::iid))
        return m_platform->queryInterface(iid, object);
    if (iidEqual(iid, IDefaultPool::iid) || iidEqual(iid, IDefaultPool3::iid))
        return m_pool->queryInterface(iid, object);
    if (iidEqual(iid, IUpdateHandler::iid))
        return m_updateHandler->queryInterface(iid, object);
    if (iidEqual(iid, IHostApplicationW::iid))
        return m_application->queryInterface(iid, object);
    return refuse(object);
}

} // namespace simhost
