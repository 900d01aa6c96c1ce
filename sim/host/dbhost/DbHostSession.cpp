#include "DbHostSession.h"

namespace simhost {

const std::vector<std::string> kDemoTemplate = [] {
    std::vector<std::string> lines = {"edit instrument Virlux", "edit knob 0 id 000000010", "edit knob 1 id 000000011",
                                      "edit knob 2 id 000000012"};
    for (int knob = 3; knob < 12; ++knob)
        lines.push_back("edit knob " + std::to_string(knob) + " id 200000000");
    return lines;
}();

namespace {

// The class identifiers the host asks the extension's factory for, by the names they are registered under.
bool findClass(SimHost& host, const std::string& category, Quorvane::FUID& cid)
{
    for (const ClassRecord& record : host.classes())
        if (record.category == category)
            return cid.fromString(record.cid.c_str());
    return false;
}

std::string controlName(const SimRemoteStandard& standard, int index)
{
    const std::vector<DeclaredControl> controls = standard.controls();
    if (index >= 0 && index < static_cast<int>(controls.size()))
        return controls[static_cast<std::size_t>(index)].name;
    return "control " + std::to_string(index);
}

} // namespace

std::string hexBytes(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    char b[4];
    for (std::uint8_t byte : bytes) {
        std::snprintf(b, sizeof b, "%02X ", byte);
        text += b;
    }
    if (!text.empty())
        text.pop_back();
    return text;
}

DbHostSession::~DbHostSession()
{
    close();
}

void DbHostSession::close()
{
    // The service goes first, while its code is still loaded; the devices go with the library.
    if (m_service) {
        m_service->terminate();
        m_service->release();
        m_service = nullptr;
    }
    m_host.unload();
}

bool DbHostSession::load(const std::string& path, std::string* error)
{
    if (!m_host.load(path, error))
        return false;
    Quorvane::FUID cid;
    if (!findClass(m_host, "Service", cid)) {
        *error = "the library registers no service";
        return false;
    }
    m_service = static_cast<Quorvane::IPluginBase*>(m_host.createInstance(cid, Quorvane::IPluginBase::iid));
    const int result = m_service ? m_service->initialize(m_host.context()) : -1;
    say("service initialize -> " + std::to_string(result));
    return true;
}

int DbHostSession::detect()
{
    Quorvane::FUID cid;
    if (!findClass(m_host, "Device Detection", cid))
        return -1;
    auto* detector = static_cast<Quorvane::IPluginBase*>(m_host.createInstance(cid, Quorvane::IPluginBase::iid));
    if (!detector)
        return -1;
    detector->initialize(m_host.context());
    auto* detection = queryHost<Quorvane::IDetector>(detector);
    const int result = detection ? detection->detect() : -1;
    if (detection)
        detection->release();
    detector->terminate();
    detector->release();
    say("detect -> " + std::to_string(result) + ", devices: " + std::to_string(m_host.remoteDevices().size()));
    for (SimRemoteDevice* device : m_host.remoteDevices()) {
        const SimPort* input = device->inputPort();
        const std::u16string port = input ? input->name() : u"";
        say(std::string("device \"") + device->getName() + "\" on \"" + std::string(port.begin(), port.end()) + "\"");
    }
    return result;
}

void DbHostSession::openDevices()
{
    for (SimRemoteDevice* device : m_host.remoteDevices())
        say(std::string("open -> ") + (device->open() ? "1" : "0"));
}

void DbHostSession::openDemoProject()
{
    m_demo = m_host.projects().openProject(u"Demo");
    SimTrack* pad = m_demo->addTrack(TrackKind::Instrument, u"Pad");
    SimDevice* virlux = pad->setInstrument(u"Virlux");
    const struct
    {
        const char* key;
        const char16_t* name;
        int32 identifier;
        float value;
    } parameters[] = {
        {"cutoff", u"Cutoff", 0x10, 64}, {"resonance", u"Resonance", 0x11, 20}, {"attack", u"Attack", 0x12, 5}};
    for (const auto& p : parameters) {
        SimValue* value = virlux->addValue(
            p.key, SimValueSetup::continuous(0, 127, p.value, SimValueSetup::decimals(1, "")), p.identifier, p.name);
        m_watched.push_back(
            {p.key, "Pad " + asciiText8(p.name), HostRef<SimValue>::share(value), asciiText8(value->text())});
    }
    m_demo->addTrack(TrackKind::Audio, u"Drums");
    m_demo->addTrack(TrackKind::Midi, u"Lead");
    m_demo->select(pad);
    say("project: tracks Pad (instrument Virlux: Cutoff, Resonance, Attack), Drums (audio), Lead (MIDI); Pad selected");
}

bool DbHostSession::selectTrack(const std::string& name)
{
    if (!m_demo)
        return false;
    for (SimTrack* track : m_demo->tracks()) {
        if (track->channel() && track->channel()->name() == name) {
            m_demo->select(track);
            say("host: selected " + name);
            return true;
        }
    }
    return false;
}

SimValue* DbHostSession::demoParameter(const std::string& key)
{
    for (const Watched& w : m_watched)
        if (w.key == key)
            return w.value.get();
    return nullptr;
}

void DbHostSession::idle(int turns, int stepMs)
{
    for (int i = 0; i < turns; ++i) {
        m_host.clock().advance(stepMs);
        m_host.idle();
    }
    report();
}

void DbHostSession::report()
{
    for (SimRemoteDevice* device : m_host.remoteDevices()) {
        Seen& seen = m_seen[device];
        const SimRemoteStandard& standard = device->standard();
        const auto deliveries = device->deliveries();
        for (std::size_t i = seen.deliveries; i < deliveries.size(); ++i) {
            const SimRemoteDevice::Delivery& d = deliveries[i];
            say(d.isChange ? "device gets: " + controlName(standard, d.index) + " " + std::to_string(d.value)
                           : "device gets: " + hexBytes(d.event));
        }
        seen.deliveries = deliveries.size();
        const auto sent = standard.sentSysEx();
        for (std::size_t i = seen.sent; i < sent.size(); ++i)
            say("device sends: " + hexBytes(sent[i]));
        seen.sent = sent.size();
        const auto changes = standard.standardChanges();
        for (std::size_t i = seen.changes; i < changes.size(); ++i)
            say("host handles: " + controlName(standard, changes[i].first) + " " + std::to_string(changes[i].second));
        seen.changes = changes.size();
        const auto leds = standard.ledLog();
        for (std::size_t i = seen.leds; i < leds.size(); ++i)
            say("led: " + controlName(standard, leds[i].first) + " " + std::to_string(leds[i].second));
        seen.leds = leds.size();
        const auto actions = standard.hostActions();
        for (std::size_t i = seen.actions; i < actions.size(); ++i)
            say("host: " + actions[i]);
        seen.actions = actions.size();
    }
    reportHostCommands();
    reportParameters();
}

void DbHostSession::reportHostCommands()
{
    const std::vector<std::string> commands = m_host.actions().performed();
    for (; m_commandsSeen < commands.size(); ++m_commandsSeen)
        say("host performs: " + commands[m_commandsSeen]);
}

void DbHostSession::reportParameters()
{
    for (Watched& w : m_watched) {
        const std::string text = asciiText8(w.value->text());
        if (text == w.text)
            continue;
        w.text = text;
        say("host: " + w.name + " " + text);
    }
}

void DbHostSession::say(const std::string& line)
{
    std::fprintf(m_out, "%s\n", line.c_str());
    std::fflush(m_out);
}

} // namespace simhost
