#pragma once

#include "FObject.h"
#include "HostInterfaces.h"

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// The simulated host's in-memory objects that the extension reaches through the host interfaces.
// Each is reference counted; the SimHost keeps one reference to each for its own life. Any thread:
// every object guards its state with its own mutex and never calls out while holding it.
namespace simhost {

using Quorvane::int32;
using Quorvane::tresult;

// Atomic reference counting of the simulated host objects; the release that reaches 0 deletes.
template <class Interface>
class SimObject : public Interface
{
public:
    int32 addRef() override { return m_refs.fetch_add(1) + 1; }
    int32 release() override
    {
        const int32 count = m_refs.fetch_sub(1) - 1;
        if (count == 0)
            delete this;
        return count;
    }
    int32 refCount() const { return m_refs.load(); }

protected:
    SimObject() = default;
    virtual ~SimObject() = default;

    // Answers a query for I with this object, adding a reference.
    template <class I>
    bool offer(const Quorvane::TUID iid, void** object)
    {
        if (!Quorvane::iidEqual(iid, I::iid))
            return false;
        addRef();
        *object = static_cast<I*>(this);
        return true;
    }

private:
    std::atomic<int32> m_refs{1};
};

// The application's identity: product name, version text and build text (each may be absent).
class SimApplication : public SimObject<Quorvane::IHostApplicationW>
{
public:
    tresult queryInterface(const Quorvane::TUID iid, void** object) override;

    const char16_t* getApplicationName() override;
    const char16_t* getApplicationVersion() override;
    const char16_t* getApplicationBuild() override;

    // An empty optional text is reported as null.
    void set(const std::u16string& name, const std::u16string& version, const std::u16string& build);

private:
    std::mutex m_mutex;
    std::u16string m_name{u"Sonvik"};
    std::u16string m_version{u"Version 7.5.30"};
    std::u16string m_build{u"Build 123"};
};

// Idle handlers called on demand and a manual clock.
class SimPlatform : public SimObject<Quorvane::IPlatform2>
{
public:
    tresult queryInterface(const Quorvane::TUID iid, void** object) override;

    tresult addIdleHandler(Quorvane::IIdleHandler* handler) override;
    tresult removeIdleHandler(Quorvane::IIdleHandler* handler) override;
    tresult getTime(int32* milliseconds) override;
    bool canTerminate() override;

    // Calls every registered idle handler once, in registration order; the number called.
    int runIdle();
    int idleHandlerCount();
    void setTime(int32 milliseconds);
    void advanceTime(int32 milliseconds);
    void setCanTerminate(bool can);
    // When off, getTime fails (a host whose clock cannot be read).
    void setClockAvailable(bool available);

private:
    std::mutex m_mutex;
    std::vector<Quorvane::IIdleHandler*> m_handlers;
    int32 m_time = 1000;
    bool m_canTerminate = true;
    bool m_clockAvailable = true;
};

// The preference pool: integers, floats and 8-bit and 16-bit texts by section and key.
class SimDefaultPool : public SimObject<Quorvane::IDefaultPool3>
{
public:
    tresult queryInterface(const Quorvane::TUID iid, void** object) override;

    bool getInt(const char* section, const char* key, int32* value) override;
    tresult setInt(const char* section, const char* key, int32 value) override;
    const char* getText(const char* section, const char* key) override;
    tresult setText(const char* section, const char* key, const char* text) override;
    bool getFloat(const char* section, const char* key, double* value) override;
    tresult setFloat(const char* section, const char* key, double value) override;
    const char16_t* getText16(const char* section, const char* key) override;
    tresult setText16(const char* section, const char* key, const char16_t* text) override;

    void clear();
    bool contains(const std::string& section, const std::string& key);

private:
    using Key = std::pair<std::string, std::string>;
    static bool makeKey(const char* section, const char* key, Key& out);
    template <class Map>
    bool read(Map& map, const char* section, const char* key, typename Map::mapped_type* value);
    // The stored entry (valid until it is written again), or null.
    template <class Map>
    const typename Map::mapped_type* find(Map& map, const char* section, const char* key);
    template <class Map>
    tresult write(Map& map, const char* section, const char* key, typename Map::mapped_type value);

    std::mutex m_mutex;
    std::map<Key, int32> m_ints;
    std::map<Key, double> m_floats;
    std::map<Key, std::string> m_texts;
    std::map<Key, std::u16string> m_texts16;
};

// Keeps the dependents of objects and delivers change messages, at once or at the next idle turn.
class SimUpdateHandler : public SimObject<Quorvane::IUpdateHandler>
{
public:
    tresult queryInterface(const Quorvane::TUID iid, void** object) override;

    tresult addDependent(Quorvane::FUnknown* object, Quorvane::IDependent* dependent) override;
    tresult removeDependent(Quorvane::FUnknown* object, Quorvane::IDependent* dependent) override;
    tresult triggerUpdates(Quorvane::FUnknown* object, int32 message) override;
    tresult deferUpdates(Quorvane::FUnknown* object, int32 message) override;

    // Delivers the deferred messages in the order they were deferred; the number delivered.
    int flushDeferred();
    int dependentCount(Quorvane::FUnknown* object);
    int totalDependents();

private:
    std::mutex m_mutex;
    std::map<Quorvane::FUnknown*, std::vector<Quorvane::IDependent*>> m_dependents;
    std::vector<std::pair<Quorvane::FUnknown*, int32>> m_deferred;
};

// The context object handed to initialize: it answers IHostClasses (creating or handing out the
// host's objects by interface) and IHostApplicationW.
class SimHostContext : public SimObject<Quorvane::IHostClasses>
{
public:
    SimHostContext(SimApplication* application, SimPlatform* platform, SimDefaultPool* pool,
                   SimUpdateHandler* updateHandler);
    ~SimHostContext() override;

    tresult queryInterface(const Quorvane::TUID iid, void** object) override;

    tresult createInstance(const Quorvane::TUID iid, void** object) override;

    // Makes the context refuse IHostClasses (a host the extension cannot work with).
    void setOffersHostClasses(bool offers) { m_offersHostClasses = offers; }

private:
    SimApplication* m_application;
    SimPlatform* m_platform;
    SimDefaultPool* m_pool;
    SimUpdateHandler* m_updateHandler;
    std::atomic<bool> m_offersHostClasses{true};
};

} // namespace simhost
