#include "ComuController.h"

#include "MessageProcessor.h"
#include "TAppMIDIIn.h"
#include "TAppMIDIOut.h"
#include "TMIDIPortAccessor.h"

#include <set>

std::atomic<std::uint64_t> ComuController::s_timeCounter{0};

ComuController::ComuController(SysExParamChangeAddressTransTable*, TMIDIPortAccessor* directory)
    : m_portAccessor(directory ? directory : MIDIPortAccessor())
{
}

ComuController::~ComuController()
{
    CloseAllOpendPortAndDeleteAllTransporters();
}

bool ComuController::requestPort(int io, DWORD dwPortId, int FType, MessageProcessor* p1)
{
    if (dwPortId == 0)
        return false;
    if (io == kInput) {
        if (m_midiInTransporters.count(dwPortId))
            return true;
        auto port = std::make_unique<TAppMIDIIn>(p1);
        port->setLinkLostHandler(m_linkLostHandler);
        if (!port->openPort(dwPortId, FType))
            return false;
        m_midiInTransporters.emplace(dwPortId, std::move(port));
        return true;
    }
    if (io != kOutput)
        return false;
    {
        QMutexLocker registry(&m_registryMutex);
        if (m_midiOutTransporters.count(dwPortId))
            return true;
    }
    std::shared_ptr<QRecursiveMutex> mutex = portMutex(dwPortId);
    const bool newMutex = !mutex;
    if (newMutex)
        mutex = std::make_shared<QRecursiveMutex>();
    auto port = std::make_unique<TAppMIDIOut>();
    port->setLinkLostHandler(m_linkLostHandler);
    if (!port->openPort(dwPortId))
        return false;
    QMutexLocker registry(&m_registryMutex);
    m_midiOutTransporters.emplace(dwPortId, std::move(port));
    if (newMutex)
        m_midiOutMutexes.emplace(dwPortId, std::move(mutex));
    return true;
}

void ComuController::releasePort(int io, DWORD dwPortId)
{
    if (io == kInput) {
        auto it = m_midiInTransporters.find(dwPortId);
        if (it == m_midiInTransporters.end())
            return;
        // Deleting the port stops its delivery thread after the records already queued.
        std::unique_ptr<TAppMIDIIn> port = std::move(it->second);
        m_midiInTransporters.erase(it);
        port.reset();
        return;
    }
    if (io != kOutput)
        return;
    const std::shared_ptr<QRecursiveMutex> mutex = portMutex(dwPortId);
    std::unique_ptr<TAppMIDIOut> port;
    {
        // Waits for a send in progress on the port (a port without a mutex has no send in progress).
        QMutexLocker portLock(mutex.get());
        QMutexLocker registry(&m_registryMutex);
        auto it = m_midiOutTransporters.find(dwPortId);
        if (it == m_midiOutTransporters.end())
            return;
        port = std::move(it->second);
        m_midiOutTransporters.erase(it);
    }
    port.reset();
}

bool ComuController::isPortActive(int io, DWORD dwPortId) const
{
    if (io == kInput)
        return m_midiInTransporters.count(dwPortId) != 0;
    if (io != kOutput)
        return false;
    QMutexLocker registry(&m_registryMutex);
    return m_midiOutTransporters.count(dwPortId) != 0;
}

bool ComuController::isEveryPortLinked() const
{
    for (const auto& [number, port] : m_midiInTransporters) {
        if (!port->isLinked())
            return false;
    }
    QMutexLocker registry(&m_registryMutex);
    for (const auto& [number, port] : m_midiOutTransporters) {
        if (!port->isLinked())
            return false;
    }
    return true;
}

QString ComuController::linkedDeviceName() const
{
    std::set<std::string> names;
    for (const auto& [number, port] : m_midiInTransporters)
        names.insert(port->linkedDeviceName());
    {
        QMutexLocker registry(&m_registryMutex);
        for (const auto& [number, port] : m_midiOutTransporters)
            names.insert(port->linkedDeviceName());
    }
    return names.size() == 1 ? QString::fromStdString(*names.begin()) : QString();
}

bool ComuController::setMessageProcessorAndOpenPort(MessageProcessor* p1)
{
    m_processor = p1;
    if (!p1)
        return false;
    return requestPort(kInput, p1->getPortID(), p1->getMidiFilterType(), p1);
}

std::shared_ptr<QRecursiveMutex> ComuController::portMutex(DWORD port) const
{
    QMutexLocker registry(&m_registryMutex);
    const auto it = m_midiOutMutexes.find(port);
    return it == m_midiOutMutexes.end() ? nullptr : it->second;
}

HRESULT ComuController::midiOutDispatch(const MPEVENT& rEvent, MPASYNC_MODE eMode)
{
    if ((eMode & 1) == 0)
        return kMidiSuccess;
    const DWORD port = rEvent.portId;
    const std::shared_ptr<QRecursiveMutex> mutex = portMutex(port);
    if (!mutex)
        return kMidiFailure;
    QMutexLocker portLock(mutex.get());
    TAppMIDIOut* out = nullptr;
    {
        QMutexLocker registry(&m_registryMutex);
        // A close-all between the look-up and the lock may have replaced the port's mutex: then this one
        // no longer serialises the port.
        const auto m = m_midiOutMutexes.find(port);
        const auto o = m_midiOutTransporters.find(port);
        if (m == m_midiOutMutexes.end() || m->second != mutex || o == m_midiOutTransporters.end())
            return kMidiFailure;
        out = o->second.get();
    }
    return out->midiOut(rEvent);
}

QStringList ComuController::getInputPortList()
{
    if (auto* directory = dynamic_cast<TUniMIDIPortAccessor*>(m_portAccessor.get()))
        directory->updatePortInfo(TMIDIPortAccessor::kInput);
    return m_portAccessor ? m_portAccessor->getInputPortList() : QStringList();
}

QStringList ComuController::getOutputPortList()
{
    if (auto* directory = dynamic_cast<TUniMIDIPortAccessor*>(m_portAccessor.get()))
        directory->updatePortInfo(TMIDIPortAccessor::kOutput);
    return m_portAccessor ? m_portAccessor->getOutputPortList() : QStringList();
}

void ComuController::CloseAllOpendPortAndDeleteAllTransporters()
{
    while (!m_midiInTransporters.empty())
        releasePort(kInput, m_midiInTransporters.begin()->first);
    m_processor = nullptr;
    for (;;) {
        DWORD port = 0;
        {
            QMutexLocker registry(&m_registryMutex);
            if (m_midiOutTransporters.empty())
                break;
            port = m_midiOutTransporters.begin()->first;
        }
        releasePort(kOutput, port);
    }
    QMutexLocker registry(&m_registryMutex);
    m_midiOutMutexes.clear();
}
