#include "SimRemoteStandard.h"

#include "SimMidiEvent.h"
#include "SimRemoteDevice.h"
#include "SimTransport.h"

#include <algorithm>
#include <cstring>

using namespace Quorvane;

namespace simhost {

namespace {

// Longest SysEx message the host takes from a device.
constexpr std::size_t kMaxSysEx = 65536;

std::string text(const char* s)
{
    return s ? s : "";
}

} // namespace

SimRemoteStandard::SimRemoteStandard(HostContextRef host, SimRemoteDevice* owner)
    : HostObject(std::move(host), "RemoteStandard"), m_owner(owner)
{
}

SimRemoteStandard::~SimRemoteStandard()
{
    for (SimRemoteBank* bank : m_banks)
        bank->release();
}

void SimRemoteStandard::detach()
{
    std::lock_guard lock(m_mutex);
    m_owner = nullptr;
}

tresult SimRemoteStandard::setRemoteProperty(std::uint32_t key, int32 value)
{
    hostThreadOnly("IHWRemoteStandard::setRemoteProperty");
    std::lock_guard lock(m_mutex);
    m_properties.emplace_back(key, value);
    return kResultOk;
}

tresult SimRemoteStandard::setRemoteName(const char* name)
{
    hostThreadOnly("IHWRemoteStandard::setRemoteName");
    std::lock_guard lock(m_mutex);
    m_name = text(name);
    return kResultOk;
}

tresult SimRemoteStandard::setRemoteFamilyID(const char* id)
{
    hostThreadOnly("IHWRemoteStandard::setRemoteFamilyID");
    std::lock_guard lock(m_mutex);
    m_familyID = text(id);
    return kResultOk;
}

bool SimRemoteStandard::open()
{
    hostThreadOnly("IHWRemoteStandard::open");
    std::lock_guard lock(m_mutex);
    ++m_opens;
    return true;
}

bool SimRemoteStandard::close()
{
    hostThreadOnly("IHWRemoteStandard::close");
    std::lock_guard lock(m_mutex);
    ++m_closes;
    return true;
}

void SimRemoteStandard::resetAll()
{
    hostThreadOnly("IHWRemoteStandard::resetAll");
    logAction("reset all");
}

tresult SimRemoteStandard::addUserFunctions(const char**, int32 count)
{
    hostThreadOnly("IHWRemoteStandard::addUserFunctions");
    return count >= 0 ? kResultOk : kInvalidArgument;
}

IHWRemoteBank* SimRemoteStandard::createBank(const char* name)
{
    hostThreadOnly("IHWRemoteStandard::createBank");
    if (!name || !*name)
        return nullptr;
    auto* bank = makeHostObject<SimRemoteBank>(registry().shared_from_this(), name);
    std::lock_guard lock(m_mutex);
    m_banks.push_back(bank);
    if (m_currentBank.empty())
        m_currentBank = name;
    return bank;
}

IHWRemoteBank* SimRemoteStandard::getBank(const char* name)
{
    hostThreadOnly("IHWRemoteStandard::getBank");
    return name ? bank(name) : nullptr;
}

void SimRemoteStandard::doMidiEvent(void* event)
{
    if (!event)
        return;
    std::lock_guard lock(m_mutex);
    ++m_midiEventsPassedOn;
}

const std::uint8_t* SimRemoteStandard::getMIDISysexData(void* event, int32* length)
{
    const auto* e = static_cast<const SimMidiEvent*>(event);
    if (length)
        *length = 0;
    if (!e || !e->isSysEx())
        return nullptr;
    if (length)
        *length = static_cast<int32>(e->bytes.size());
    return e->bytes.data();
}

bool SimRemoteStandard::getMIDIData(void* event, char& status, char& data1, char& data2)
{
    const auto* e = static_cast<const SimMidiEvent*>(event);
    if (!e || e->bytes.empty() || e->isSysEx())
        return false;
    status = static_cast<char>(e->bytes[0]);
    data1 = e->bytes.size() > 1 ? static_cast<char>(e->bytes[1]) : 0;
    data2 = e->bytes.size() > 2 ? static_cast<char>(e->bytes[2]) : 0;
    return true;
}

void SimRemoteStandard::changeValue(int32 index, int32 value)
{
    std::optional<RemoteBinding> binding;
    {
        std::lock_guard lock(m_mutex);
        m_standardChanges.emplace_back(index, value);
        if (index < 0 || index >= static_cast<int32>(m_controls.size()))
            return;
        const std::string control = m_controls[static_cast<std::size_t>(index)].name;
        for (SimRemoteBank* bank : m_banks)
            if (bank->name() == m_currentBank)
                binding = bank->bindingFor(m_activeLayer, control);
    }
    if (!binding)
        return;
    // The host handles the change on its own thread, as it does with any control.
    HostRef<SimRemoteStandard> self = HostRef<SimRemoteStandard>::share(this);
    registry().post([self, binding, value] { self->perform(binding, value); });
}

void SimRemoteStandard::perform(const std::optional<RemoteBinding>& binding, int value)
{
    const RemoteBinding& b = *binding;
    switch (b.kind) {
    case RemoteBinding::Kind::Command:
        if (value <= 0)
            return;
        if (b.category == "Remote") {
            activate(b.name);
            return;
        }
        logAction("command " + b.category + "/" + b.name);
        return;
    case RemoteBinding::Kind::Value:
        logAction("value " + b.category + "/" + b.name + " " + std::to_string(value));
        return;
    case RemoteBinding::Kind::DeviceValue:
        if (b.name == "wheel") {
            const int steps = value < 64 ? value : value - 128;
            void* object = nullptr;
            if (registry().createInstance(ITransportDevice::iid, &object) == kResultOk) {
                auto* transport = static_cast<ITransportDevice*>(object);
                if (auto* sim = dynamic_cast<SimTransport*>(transport))
                    sim->wheel(steps);
                transport->release();
            }
            logAction("wheel " + std::to_string(steps));
            return;
        }
        logAction("value " + b.category + " " + b.device + "/" + b.name + " " + std::to_string(value));
        return;
    }
}

void SimRemoteStandard::activate(const std::string& layer)
{
    SimRemoteDevice* owner;
    {
        std::lock_guard lock(m_mutex);
        m_activeLayer = layer;
        owner = m_owner;
    }
    logAction("layer " + layer);
    if (owner)
        owner->layerActivated(layer);
}

void SimRemoteStandard::sendController(PHWRemoteControl* control, int32 index, int32 value)
{
    hostThreadOnly("IHWRemoteStandard::sendController");
    if (!control)
        return;
    std::lock_guard lock(m_mutex);
    m_leds[index] = value;
    m_ledLog.emplace_back(index, value);
}

tresult SimRemoteStandard::sendEvent(int32 status, int32 data1, int32 data2)
{
    hostThreadOnly("IHWRemoteStandard::sendEvent");
    SimRemoteDevice* owner;
    {
        std::lock_guard lock(m_mutex);
        owner = m_owner;
    }
    const std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1 & 0x7F),
                                          static_cast<std::uint8_t>(data2 & 0x7F)};
    return owner && owner->transmit(bytes) ? kResultOk : kResultFalse;
}

tresult SimRemoteStandard::send(void* sysex)
{
    hostThreadOnly("IHWRemoteStandard::send");
    const auto* bytes = static_cast<const std::uint8_t*>(sysex);
    if (!bytes || bytes[0] != 0xF0)
        return kInvalidArgument;
    std::size_t length = 1;
    while (length < kMaxSysEx && bytes[length - 1] != 0xF7)
        ++length;
    if (bytes[length - 1] != 0xF7)
        return kInvalidArgument;
    std::vector<std::uint8_t> message(bytes, bytes + length);
    SimRemoteDevice* owner;
    {
        std::lock_guard lock(m_mutex);
        m_sent.push_back(message);
        owner = m_owner;
    }
    return owner && owner->transmit(message) ? kResultOk : kResultFalse;
}

tresult SimRemoteStandard::setBank(const char* name)
{
    hostThreadOnly("IHWRemoteStandard::setBank");
    if (!name || !bank(name))
        return kResultFalse;
    std::lock_guard lock(m_mutex);
    m_currentBank = name;
    return kResultOk;
}

tresult SimRemoteStandard::setLayer(const char* name)
{
    hostThreadOnly("IHWRemoteStandard::setLayer");
    if (!name)
        return kInvalidArgument;
    SimRemoteBank* current;
    {
        std::lock_guard lock(m_mutex);
        current = nullptr;
        for (SimRemoteBank* b : m_banks)
            if (b->name() == m_currentBank)
                current = b;
    }
    if (!current || !current->hasLayer(name))
        return kResultFalse;
    activate(name);
    return kResultOk;
}

tresult SimRemoteStandard::requestReset()
{
    hostThreadOnly("IHWRemoteStandard::requestReset");
    logAction("reset requested");
    return kResultOk;
}

tresult SimRemoteStandard::addRemoteControl(PHWRemoteControl* control)
{
    hostThreadOnly("IHWRemoteStandard::addRemoteControl");
    if (!control)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    m_controls.push_back({text(control->name), control->midiStatus, control->midiChannel, control->number,
                          control->maximum, control->flags});
    return kResultOk;
}

tresult SimRemoteStandard::getRemoteControl(int32, PHWRemoteControl&)
{
    return kNotAvailable;
}

int32 SimRemoteStandard::getRemoteControlAddr(const char* name)
{
    return name ? controlIndex(name) : -1;
}

tresult SimRemoteStandard::forceRemoteControlUpdate(int32)
{
    return kNotAvailable;
}

tresult SimRemoteStandard::getValueProperties(int32, PHWRemoteValue&)
{
    return kNotAvailable;
}

tresult SimRemoteStandard::getValueText(int32, char*, int32)
{
    return kNotAvailable;
}

tresult SimRemoteStandard::getValueName(int32, char*, int32)
{
    return kNotAvailable;
}

tresult SimRemoteStandard::addTextDisplay(int32, int32, int32, int32, bool, int32)
{
    return kNotAvailable;
}

tresult SimRemoteStandard::getTextDisplayData(int32, int32, int32, char*, int32)
{
    return kNotAvailable;
}

tresult SimRemoteStandard::setTextDisplayData(int32, int32, int32, char*)
{
    return kNotAvailable;
}

tresult SimRemoteStandard::getTextDisplayRow(int32, int32, char*, int32)
{
    return kNotAvailable;
}

tresult SimRemoteStandard::setTextDisplayRow(int32, int32, char*)
{
    return kNotAvailable;
}

tresult SimRemoteStandard::requestDisplaySwitch(int32, int32)
{
    return kNotAvailable;
}

std::vector<std::pair<std::uint32_t, int32>> SimRemoteStandard::properties() const
{
    std::lock_guard lock(m_mutex);
    return m_properties;
}

std::vector<DeclaredControl> SimRemoteStandard::controls() const
{
    std::lock_guard lock(m_mutex);
    return m_controls;
}

int SimRemoteStandard::controlIndex(const std::string& name) const
{
    std::lock_guard lock(m_mutex);
    for (std::size_t i = 0; i < m_controls.size(); ++i)
        if (m_controls[i].name == name)
            return static_cast<int>(i);
    return -1;
}

int SimRemoteStandard::controlForMidi(int status, int number) const
{
    const int kind = (status & 0xF0) == 0x80 ? 0x90 : (status & 0xF0);
    const int channel = status & 0x0F;
    std::lock_guard lock(m_mutex);
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        const DeclaredControl& c = m_controls[i];
        if (c.status == kind && c.channel == channel && c.number == number)
            return static_cast<int>(i);
    }
    return -1;
}

SimRemoteBank* SimRemoteStandard::bank(const std::string& name) const
{
    std::lock_guard lock(m_mutex);
    for (SimRemoteBank* b : m_banks)
        if (b->name() == name)
            return b;
    return nullptr;
}

std::string SimRemoteStandard::activeLayer() const
{
    std::lock_guard lock(m_mutex);
    return m_activeLayer;
}

std::vector<std::vector<std::uint8_t>> SimRemoteStandard::sentSysEx() const
{
    std::lock_guard lock(m_mutex);
    return m_sent;
}

int SimRemoteStandard::led(int index) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_leds.find(index);
    return it == m_leds.end() ? -1 : it->second;
}

std::vector<std::pair<int, int>> SimRemoteStandard::ledLog() const
{
    std::lock_guard lock(m_mutex);
    return m_ledLog;
}

std::vector<std::pair<int, int>> SimRemoteStandard::standardChanges() const
{
    std::lock_guard lock(m_mutex);
    return m_standardChanges;
}

std::vector<std::string> SimRemoteStandard::hostActions() const
{
    std::lock_guard lock(m_mutex);
    return m_hostActions;
}

int SimRemoteStandard::midiEventsPassedOn() const
{
    std::lock_guard lock(m_mutex);
    return m_midiEventsPassedOn;
}

int SimRemoteStandard::openCount() const
{
    std::lock_guard lock(m_mutex);
    return m_opens;
}

int SimRemoteStandard::closeCount() const
{
    std::lock_guard lock(m_mutex);
    return m_closes;
}

void SimRemoteStandard::clearLogs()
{
    std::lock_guard lock(m_mutex);
    m_sent.clear();
    m_ledLog.clear();
    m_standardChanges.clear();
    m_hostActions.clear();
    m_midiEventsPassedOn = 0;
}

void SimRemoteStandard::logAction(std::string action)
{
    std::lock_guard lock(m_mutex);
    m_hostActions.push_back(std::move(action));
}

} // namespace simhost
