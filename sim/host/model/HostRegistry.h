#pragma once

#include "HostObject.h"
#include "HostThread.h"
#include "ManualClock.h"

#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace simhost {

// The registry of the simulated host: the host classes that IHostClasses::createInstance hands out by
// interface (single services and kinds made anew on each request), every live host object, the
// host's thread and its clock. Shared by every host object (which keeps it alive), so an object that
// the extension holds past the host's end still has its registry. Any thread.
class HostRegistry : public std::enable_shared_from_this<HostRegistry>
{
public:
    // Makes a new object answering the interface asked for; the caller takes its one reference.
    using Factory = std::function<Quorvane::FUnknown*(const HostContextRef& registry)>;

    static HostContextRef create();
    ~HostRegistry();

    HostRegistry(const HostRegistry&) = delete;
    HostRegistry& operator=(const HostRegistry&) = delete;

    // One object serving every request for the interfaces given; the registry keeps a reference to it
    // until clearClasses. A later registration for the same interface replaces the earlier one.
    void addService(Quorvane::FUnknown* service, std::initializer_list<Quorvane::FUID> iids);
    // A kind of object made anew for each request for iid.
    void addClass(const Quorvane::FUID& iid, Factory factory);
    // Forgets what iid served (a host without that class), releasing a service it held.
    void removeClass(const Quorvane::FUID& iid);
    // Releases every service and forgets every class (the host's end).
    void clearClasses();

    // What IHostClasses::createInstance does: a referenced object answering iid, or kNoInterface.
    tresult createInstance(const Quorvane::TUID iid, void** object);

    // Live host objects by kind; objects deleted are gone from here.
    int liveCount() const;
    int liveCount(const std::string& kind) const;
    std::map<std::string, int> liveKinds() const;

    // Work the host does on its own thread at its next idle turn, posted by host objects called on other
    // threads (as a host queues what it cannot do on the caller's thread). Any thread.
    void post(std::function<void()> work);
    // Runs what was posted, in order, on the calling (host) thread; the number run.
    int runPosted();
    // Forgets what was posted without running it (the host's end: work holds references to objects).
    void dropPosted();

    HostThread& thread() { return m_thread; }
    ManualClock& clock() { return m_clock; }

private:
    friend class HostObjectBase;
    HostRegistry() = default;
    void objectMade(HostObjectBase* object);
    void objectDeleted(HostObjectBase* object);

    struct Entry
    {
        Quorvane::FUnknown* service = nullptr; // referenced
        Factory factory;
    };

    mutable std::mutex m_mutex;
    std::map<Quorvane::FUID, Entry> m_classes;
    // Each live object with its kind (the object's own text: an object leaves here before its kind goes, and
    // copying the kind for every object made was a good part of opening a panel).
    std::map<const HostObjectBase*, const std::string*> m_live;
    std::vector<std::function<void()>> m_posted;
    HostThread m_thread;
    ManualClock m_clock;
};

} // namespace simhost
