#include "SimHost.h"

#include "SimXml.h"

#include <cstdio>
#include <cstring>
#include <dlfcn.h>

using namespace Quorvane;

namespace simhost {

namespace {

using BundleEntryFunction = bool (*)(void*);
using BundleExitFunction = bool (*)();
using GetFactoryFunction = IPluginFactory* (*)();

// A fixed text field that may fill its whole size without a terminator.
std::string fieldText(const char* field, std::size_t size)
{
    return std::string(field, strnlen(field, size));
}

std::string hexIdentifier(const char* cid)
{
    char text[FUID::kStringSize] = {};
    FUID(cid).toString(text);
    return text;
}

void setError(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
}

} // namespace

SimHost::SimHost()
    : m_registry(HostRegistry::create()), m_application(makeHostObject<SimApplication>(m_registry)),
      m_platform(makeHostObject<SimPlatform>(m_registry)), m_pool(makeHostObject<SimDefaultPool>(m_registry)),
      m_updateHandler(makeHostObject<SimUpdateHandler>(m_registry)),
      m_context(makeHostObject<SimHostContext>(m_registry)), m_midi(std::make_unique<SimMidiInput>()),
      m_ports(makeHostObject<SimPortRegistry>(m_registry)),
      m_devices(makeHostObject<SimDeviceList>(m_registry, m_midi.get(), m_ports)),
      m_transport(makeHostObject<SimTransport>(m_registry)), m_mixer(makeHostObject<SimMixer>(m_registry)),
      m_instruments(makeHostObject<SimInstrumentRack>(m_registry)),
      m_actions(makeHostObject<SimActionManager>(m_registry)),
      m_projects(makeHostObject<SimProjectInformation>(m_registry, m_mixer, m_instruments)),
      m_translation(std::make_shared<SimTranslation>()), m_gui(makeHostObject<SimGuiDescription>(m_registry)),
      m_menuBar(makeHostObject<SimHostMenuBar>(m_registry, m_actions)), m_alert(makeHostObject<SimAlert>(m_registry))
{
    m_registry->addService(m_application->unknown(), {IHostApplicationW::iid});
    m_registry->addService(m_platform->unknown(), {IPlatform::iid, IPlatform2::iid});
    m_registry->addService(m_pool->unknown(), {IDefaultPool::iid, IDefaultPool3::iid});
    addFileServices();
    m_registry->addService(m_updateHandler->unknown(), {IUpdateHandler::iid});
    m_registry->addService(m_ports->unknown(), {IPortRegistry::iid});
    m_registry->addService(m_devices->unknown(), {IDeviceList::iid, IDeviceList2::iid});
    m_registry->addService(m_transport->unknown(), {ITransportDevice::iid});
    m_devices->setCreator([this](const char* classId, std::string* className) -> IHWRemote* {
        auto* remote = static_cast<IHWRemote*>(createInstance(FUID(classId), IHWRemote::iid));
        if (remote && className) {
            const std::string cid = hexIdentifier(classId);
            for (const ClassRecord& record : classes())
                if (record.cid == cid)
                    *className = record.name;
        }
        return remote;
    });
    m_registry->addService(m_projects->unknown(), {IProjectInformation::iid});
    m_registry->addService(m_actions->unknown(), {IActionManager::iid, IActionManager2::iid});
    const HostRegistry::Factory translator = [translation = m_translation](const HostContextRef& registry) {
        return makeHostObject<SimTranslator>(registry, translation)->unknown();
    };
    m_registry->addClass(ITranslator2::iid, translator);
    m_registry->addClass(ITranslator::iid, translator);
    m_devices->addDevice(m_mixer);
    m_devices->addDevice(m_instruments);
    m_registry->addService(m_gui->unknown(), {IGuiDescription::iid});
    m_registry->addService(m_menuBar->unknown(), {IHostMenuBar::iid});
    m_registry->addService(m_alert->unknown(), {IAlert::iid});
    addPanelValueClasses(*m_registry);
}

void SimHost::addFileServices()
{
    m_files = makeHostObject<SimFileSystem>(m_registry);
    m_registry->addService(m_files->unknown(), {IFileSystem::iid, IFileSystem2::iid});
    m_registry->addClass(IXmlWriter::iid, [](const HostContextRef& registry) {
        return makeHostObject<SimXmlWriter>(registry)->unknown();
    });
    m_registry->addClass(IXmlParser::iid, [](const HostContextRef& registry) {
        return makeHostObject<SimXmlParser>(registry)->unknown();
    });
}

SimHost::~SimHost()
{
    unload();
    m_pool->saveFile();
    m_registry->dropPosted();
    m_registry->clearClasses();
    m_alert->release();
    m_menuBar->release();
    m_gui->release();
    m_projects->release();
    m_actions->release();
    m_instruments->release();
    m_mixer->release();
    m_transport->release();
    m_devices->release();
    m_ports->release();
    m_context->release();
    m_updateHandler->release();
    m_pool->release();
    m_files->release();
    m_platform->release();
    m_application->release();
}

bool SimHost::load(const std::string& path, std::string* error)
{
    unload();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        setError(error, reason ? reason : "the library could not be loaded");
        return false;
    }
    auto entry = reinterpret_cast<BundleEntryFunction>(dlsym(handle, "bundleEntry"));
    auto exit = reinterpret_cast<BundleExitFunction>(dlsym(handle, "bundleExit"));
    auto getFactory = reinterpret_cast<GetFactoryFunction>(dlsym(handle, "GetPluginFactory"));
    if (!entry || !exit || !getFactory) {
        dlclose(handle);
        setError(error, "the library lacks an entry point (bundleEntry, bundleExit or GetPluginFactory)");
        return false;
    }
    if (!entry(handle)) {
        dlclose(handle);
        setError(error, "bundleEntry refused the library");
        return false;
    }
    IPluginFactory* factory = getFactory();
    if (!factory) {
        exit();
        dlclose(handle);
        setError(error, "GetPluginFactory gave no factory");
        return false;
    }
    m_handle = handle;
    m_bundleExit = exit;
    m_factory = factory;
    return true;
}

bool SimHost::attach(IPluginFactory* factory)
{
    unload();
    if (!factory)
        return false;
    factory->addRef();
    m_factory = factory;
    return true;
}

void SimHost::unload()
{
    // The host's threads stop calling the devices, and the devices go, while their code is still there;
    // so do the panel windows with their controllers.
    m_gui->closeAll();
    m_midi->stop();
    m_devices->removeRemoteDevices();
    if (m_factory)
        m_factory->release();
    m_factory = nullptr;
    if (!m_handle)
        return;
    if (m_bundleExit)
        m_bundleExit();
    m_bundleExit = nullptr;
    dlclose(m_handle);
    m_handle = nullptr;
}

bool SimHost::factoryInfo(PFactoryInfo& info) const
{
    return m_factory && m_factory->getFactoryInfo(&info) == kResultOk;
}

std::vector<ClassRecord> SimHost::classes() const
{
    std::vector<ClassRecord> records;
    if (!m_factory)
        return records;
    IPluginFactory2* factory2 = nullptr;
    m_factory->queryInterface(IPluginFactory2::iid, reinterpret_cast<void**>(&factory2));
    const int32 count = m_factory->countClasses();
    for (int32 i = 0; i < count; ++i) {
        PClassInfo info;
        if (m_factory->getClassInfo(i, &info) != kResultOk)
            continue;
        ClassRecord record;
        record.cid = hexIdentifier(info.cid);
        record.category = fieldText(info.category, sizeof info.category);
        record.name = fieldText(info.name, sizeof info.name);
        record.cardinality = info.cardinality;
        PClassInfo2 info2;
        if (factory2 && factory2->getClassInfo2(i, &info2) == kResultOk)
            record.version = fieldText(info2.version, sizeof info2.version);
        records.push_back(record);
    }
    if (factory2)
        factory2->release();
    return records;
}

void* SimHost::createInstance(const FUID& cid, const FUID& iid)
{
    if (!m_factory)
        return nullptr;
    void* object = nullptr;
    if (m_factory->createInstance(cid, iid, &object) != kResultOk)
        return nullptr;
    return object;
}

int SimHost::idle()
{
    m_registry->thread().check("SimHost::idle");
    m_registry->runPosted();
    m_updateHandler->flushDeferred();
    const int handlers = m_platform->runIdle();
    m_devices->idleRemoteDevices();
    return handlers;
}

int printFactory(const SimHost& host, std::FILE* out)
{
    PFactoryInfo info;
    if (host.factoryInfo(info))
        std::fprintf(out, "factory: vendor \"%s\" url \"%s\" email \"%s\" flags 0x%X\n",
                     fieldText(info.vendor, sizeof info.vendor).c_str(), fieldText(info.url, sizeof info.url).c_str(),
                     fieldText(info.email, sizeof info.email).c_str(), static_cast<unsigned>(info.flags));
    const std::vector<ClassRecord> classes = host.classes();
    std::fprintf(out, "classes: %zu\n", classes.size());
    for (std::size_t i = 0; i < classes.size(); ++i) {
        const ClassRecord& c = classes[i];
        std::fprintf(out, "class %zu: cid %s category \"%s\" name \"%s\" cardinality %d", i, c.cid.c_str(),
                     c.category.c_str(), c.name.c_str(), c.cardinality);
        if (!c.version.empty())
            std::fprintf(out, " version \"%s\"", c.version.c_str());
        std::fprintf(out, "\n");
    }
    return static_cast<int>(classes.size());
}

} // namespace simhost
