#pragma once

#include "HostModel.h"
#include "PluginFactory.h"
#include "SimActionManager.h"
#include "SimApplication.h"
#include "SimDefaultPool.h"
#include "SimDeviceList.h"
#include "SimHostContext.h"
#include "SimInstruments.h"
#include "SimMidiInput.h"
#include "SimMixer.h"
#include "SimPlatform.h"
#include "SimPort.h"
#include "SimProjectInformation.h"
#include "SimTranslator.h"
#include "SimTransport.h"
#include "SimUpdateHandler.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace simhost {

// One class of a loaded extension's factory, as the host reads it.
struct ClassRecord
{
    std::string cid; // 32 upper-case hexadecimal digits
    std::string category;
    std::string name;
    int32 cardinality = 0;
    std::string version; // empty unless the class has an extended record
};

// The simulated DAW host: loads an extension library with dlopen, calls its entry points and offers it
// the host's objects, all kept in one registry (see HostModel.h). The thread that makes it is the host's
// user-interface thread: it drives the host (load, idle, set-up calls); the host objects check which of
// their operations the extension calls from other threads.
class SimHost
{
public:
    SimHost();
    ~SimHost();

    SimHost(const SimHost&) = delete;
    SimHost& operator=(const SimHost&) = delete;

    // Loads the library, runs bundleEntry and takes the factory. False with a reason in error.
    bool load(const std::string& path, std::string* error = nullptr);
    // Uses the factory of an extension linked into this program (a reference is added), for tests that
    // look into the extension while the host drives it.
    bool attach(Quorvane::IPluginFactory* factory);
    // Removes every device, releases the factory, runs bundleExit and unloads the library; harmless
    // when nothing is loaded.
    void unload();
    bool isLoaded() const { return m_factory != nullptr; }

    Quorvane::IPluginFactory* factory() const { return m_factory; }
    // The factory's record texts and its classes in registration order.
    bool factoryInfo(Quorvane::PFactoryInfo& info) const;
    std::vector<ClassRecord> classes() const;

    // Creates an instance of a registered class answering iid; a referenced object, or null.
    void* createInstance(const Quorvane::FUID& cid, const Quorvane::FUID& iid);

    // The context object handed to the extension's initialize calls (not referenced).
    SimHostContext* context() const { return m_context; }
    SimApplication& application() const { return *m_application; }
    SimPlatform& platform() const { return *m_platform; }
    SimDefaultPool& pool() const { return *m_pool; }
    SimUpdateHandler& updateHandler() const { return *m_updateHandler; }
    SimPortRegistry& ports() const { return *m_ports; }
    SimDeviceList& devices() const { return *m_devices; }
    SimTransport& transport() const { return *m_transport; }
    // The installed remote devices, in the order they were created.
    std::vector<SimRemoteDevice*> remoteDevices() const { return m_devices->remoteDevices(); }
    // Waits until the host's MIDI input and control threads have delivered everything; false at the deadline.
    bool waitForMidiInput(std::chrono::milliseconds deadline) { return m_midi->waitUntilIdle(deadline); }
    // The project model: projects with their tracks, the mixer (one of the host's devices), and what
    // the host's translators translate with.
    SimProjectInformation& projects() const { return *m_projects; }
    SimMixer& mixer() const { return *m_mixer; }
    // The instrument rack ("QPX Mixer", one of the host's devices) and the host's commands.
    SimInstrumentRack& instruments() const { return *m_instruments; }
    SimActionManager& actions() const { return *m_actions; }
    SimTranslation& translation() const { return *m_translation; }

    HostRegistry& registry() const { return *m_registry; }
    ManualClock& clock() const { return m_registry->clock(); }
    HostThread& thread() const { return m_registry->thread(); }

    // One idle turn on the host's thread: what the host's objects posted, the deferred updates, every
    // idle handler, then every installed remote device; the number of idle handlers called.
    int idle();

private:
    HostContextRef m_registry;
    void* m_handle = nullptr;
    Quorvane::IPluginFactory* m_factory = nullptr;
    bool (*m_bundleExit)() = nullptr;

    SimApplication* m_application;
    SimPlatform* m_platform;
    SimDefaultPool* m_pool;
    SimUpdateHandler* m_updateHandler;
    SimHostContext* m_context;
    std::unique_ptr<SimMidiInput> m_midi;
    SimPortRegistry* m_ports;
    SimDeviceList* m_devices;
    SimTransport* m_transport;
    SimMixer* m_mixer;
    SimInstrumentRack* m_instruments;
    SimActionManager* m_actions;
    SimProjectInformation* m_projects;
    std::shared_ptr<SimTranslation> m_translation;
};

// Prints what `dbhost list` prints for a loaded host; returns the number of classes.
int printFactory(const SimHost& host, std::FILE* out);

} // namespace simhost
