#include "detail/AlsaLogic.h"

#include "MidiPortNames.h"

#include <algorithm>

namespace kwmidi::detail::alsa {

namespace {

// Data bytes that follow each channel status (by its high nibble) and each system common status.
int dataBytesOf(std::uint8_t status)
{
    switch (status & 0xF0) {
    case 0x80:
    case 0x90:
    case 0xA0:
    case 0xB0:
    case 0xE0:
        return 2;
    case 0xC0:
    case 0xD0:
        return 1;
    default:
        break;
    }
    switch (status) {
    case 0xF1:
    case 0xF3:
        return 1;
    case 0xF2:
        return 2;
    default:
        return 0;
    }
}

std::optional<Kind> kindOf(std::uint8_t status)
{
    switch (status & 0xF0) {
    case 0x80:
        return Kind::NoteOff;
    case 0x90:
        return Kind::NoteOn;
    case 0xA0:
        return Kind::KeyPressure;
    case 0xB0:
        return Kind::Controller;
    case 0xC0:
        return Kind::Program;
    case 0xD0:
        return Kind::ChannelPressure;
    case 0xE0:
        return Kind::PitchBend;
    default:
        break;
    }
    switch (status) {
    case 0xF1:
        return Kind::QuarterFrame;
    case 0xF2:
        return Kind::SongPosition;
    case 0xF3:
        return Kind::SongSelect;
    case 0xF6:
        return Kind::TuneRequest;
    case 0xF8:
        return Kind::Clock;
    case 0xFA:
        return Kind::Start;
    case 0xFB:
        return Kind::Continue;
    case 0xFC:
        return Kind::Stop;
    case 0xFE:
        return Kind::Sensing;
    case 0xFF:
        return Kind::Reset;
    default:
        return std::nullopt; // F4, F5, F9, FD are undefined, F7 ends a SysEx only
    }
}

std::uint8_t low7(std::int32_t value)
{
    return static_cast<std::uint8_t>(value & 0x7F);
}

} // namespace

std::vector<MidiEvent> eventsFromBytes(const std::uint8_t* bytes, std::size_t length, std::size_t piece,
                                       bool* sysExOpen)
{
    std::vector<MidiEvent> events;
    if (!bytes || piece == 0)
        return events;
    bool open = sysExOpen && *sysExOpen;
    std::size_t at = 0;
    while (at < length) {
        const std::uint8_t status = bytes[at];
        if (status == 0xF0 || (open && (status < 0x80 || status == 0xF7))) {
            std::size_t end = status == 0xF0 ? at + 1 : at;
            while (end < length && bytes[end] < 0x80)
                ++end;
            const bool ended = end < length && bytes[end] == 0xF7;
            if (!ended && (end < length || !sysExOpen))
                return {};
            const std::size_t last = ended ? end + 1 : length;
            for (std::size_t from = at; from < last; from += piece) {
                MidiEvent event;
                event.kind = Kind::SysEx;
                event.data.assign(bytes + from, bytes + std::min(last, from + piece));
                events.push_back(std::move(event));
            }
            open = !ended;
            at = last;
            continue;
        }
        open = false;
        const std::optional<Kind> kind = kindOf(status);
        const int count = dataBytesOf(status);
        if (!kind || at + static_cast<std::size_t>(count) >= length)
            return {};
        for (int i = 1; i <= count; ++i) {
            if (bytes[at + i] >= 0x80)
                return {};
        }
        MidiEvent event;
        event.kind = *kind;
        event.channel = status & 0x0F;
        const std::uint8_t d1 = count > 0 ? bytes[at + 1] : 0;
        const std::uint8_t d2 = count > 1 ? bytes[at + 2] : 0;
        switch (*kind) {
        case Kind::NoteOn:
        case Kind::NoteOff:
        case Kind::KeyPressure:
            event.note = d1;
            event.velocity = d2;
            break;
        case Kind::Controller:
            event.note = d1;
            event.value = d2;
            break;
        case Kind::PitchBend:
            event.value = (d1 | (d2 << 7)) - 8192;
            break;
        case Kind::SongPosition:
            event.value = d1 | (d2 << 7);
            break;
        default:
            event.value = d1;
            break;
        }
        if (status >= 0xF0)
            event.channel = 0;
        events.push_back(std::move(event));
        at += 1 + static_cast<std::size_t>(count);
    }
    if (sysExOpen)
        *sysExOpen = open;
    return events;
}

WirePace::Clock::time_point WirePace::reserve(std::size_t bytes, Clock::time_point now)
{
    using Seconds = std::chrono::duration<double>;
    const auto span = [](std::size_t count) {
        return std::chrono::duration_cast<Clock::duration>(Seconds(double(count) / kWireBytesPerSecond));
    };
    // What waits in the device's buffer, bytes included, stays within the burst.
    Clock::time_point at = now;
    if (m_drained && *m_drained > now) {
        const std::size_t room = kBurstBytes - std::min(bytes, kBurstBytes);
        at = std::max(now, *m_drained - span(room));
    }
    m_drained = std::max(m_drained.value_or(at), at) + span(bytes);
    return at;
}

std::vector<std::uint8_t> bytesFromEvent(const MidiEvent& event)
{
    const std::uint8_t ch = event.channel & 0x0F;
    switch (event.kind) {
    case Kind::NoteOff:
        return {std::uint8_t(0x80 | ch), low7(event.note), low7(event.velocity)};
    case Kind::NoteOn:
        return {std::uint8_t(0x90 | ch), low7(event.note), low7(event.velocity)};
    case Kind::KeyPressure:
        return {std::uint8_t(0xA0 | ch), low7(event.note), low7(event.velocity)};
    case Kind::Controller:
        return {std::uint8_t(0xB0 | ch), low7(event.note), low7(event.value)};
    case Kind::Program:
        return {std::uint8_t(0xC0 | ch), low7(event.value)};
    case Kind::ChannelPressure:
        return {std::uint8_t(0xD0 | ch), low7(event.value)};
    case Kind::PitchBend: {
        const std::int32_t v = std::clamp(event.value + 8192, 0, 16383);
        return {std::uint8_t(0xE0 | ch), low7(v), low7(v >> 7)};
    }
    case Kind::QuarterFrame:
        return {0xF1, low7(event.value)};
    case Kind::SongPosition:
        return {0xF2, low7(event.value), low7(event.value >> 7)};
    case Kind::SongSelect:
        return {0xF3, low7(event.value)};
    case Kind::TuneRequest:
        return {0xF6};
    case Kind::Clock:
        return {0xF8};
    case Kind::Start:
        return {0xFA};
    case Kind::Continue:
        return {0xFB};
    case Kind::Stop:
        return {0xFC};
    case Kind::Sensing:
        return {0xFE};
    case Kind::Reset:
        return {0xFF};
    case Kind::SysEx:
        return event.data;
    }
    return {};
}

std::vector<std::vector<std::uint8_t>> SysExJoiner::add(const MidiEvent& event)
{
    std::vector<std::vector<std::uint8_t>> ready;
    if (event.kind != Kind::SysEx) {
        // Real-time messages may fall between a SysEx's pieces; they go on at once, as on the wire. Any other
        // message would have ended it there: its end was lost.
        std::vector<std::uint8_t> bytes = bytesFromEvent(event);
        if (!bytes.empty() && bytes.front() < 0xF8)
            drop();
        if (!bytes.empty())
            ready.push_back(std::move(bytes));
        return ready;
    }
    const auto& data = event.data;
    if (data.empty())
        return ready;
    const bool begins = data.front() == 0xF0;
    if (begins == (open() || m_handedOnPart)) {
        // A new message while one is open lost the open one's end; a piece that continues nothing lost its
        // beginning. Neither is handed on as if whole.
        drop();
        if (!begins)
            return ready;
    }
    const auto end = std::find(data.begin(), data.end(), 0xF7);
    m_pending.insert(m_pending.end(), data.begin(), end == data.end() ? end : end + 1);
    if (end != data.end()) {
        ready.push_back(std::move(m_pending));
        m_pending.clear();
        m_handedOnPart = false;
    } else if (m_pending.size() >= m_limit) {
        ready.push_back(std::move(m_pending));
        m_pending.clear();
        m_handedOnPart = true;
    }
    return ready;
}

void SysExJoiners::senderExited(PortAddress sender, bool wholeClient)
{
    for (auto it = m_bySender.begin(); it != m_bySender.end();) {
        if (it->first.client == sender.client && (wholeClient || it->first.port == sender.port))
            it = m_bySender.erase(it);
        else
            ++it;
    }
}

bool fromSystemAnnounce(PortAddress source)
{
    return source.client == 0 && source.port == 1;
}

bool isLinkPortName(const std::string& portName)
{
    return portName.rfind(kLinkPortPrefix, 0) == 0;
}

void PortBook::portPresent(PortAddress address, const PortRecord& record)
{
    // A change of a present port (its name, its capabilities) keeps it the port it was.
    if (m_ports.insert_or_assign(address, record).second)
        m_appeared[address] = ++m_appearances;
}

std::uint64_t PortBook::appearedOf(PortAddress address) const
{
    const auto it = m_appeared.find(address);
    return it == m_appeared.end() ? 0 : it->second;
}

void PortBook::loseLink(Link& link)
{
    link.lastPeer = link.peer;
    link.lastPeerAppeared = link.peerAppeared;
    link.lostAt = m_appearances;
    link.peer.reset();
    link.lost = true;
}

void PortBook::clientRenamed(int client, const std::string& name)
{
    for (auto& [address, record] : m_ports) {
        if (address.client == client)
            record.clientName = name;
    }
}

void PortBook::lose(const std::optional<PortAddress>& gone)
{
    for (auto& [own, link] : m_links) {
        if (link.peer && (!gone || *link.peer == *gone))
            loseLink(link);
    }
}

void PortBook::portExited(PortAddress address)
{
    m_ports.erase(address);
    m_appeared.erase(address);
    lose(address);
}

void PortBook::clientExited(int client)
{
    for (auto it = m_ports.begin(); it != m_ports.end();) {
        if (it->first.client == client) {
            const PortAddress gone = it->first;
            it = m_ports.erase(it);
            m_appeared.erase(gone);
            lose(gone);
        } else {
            ++it;
        }
    }
    for (auto& [own, link] : m_links) {
        if (link.peer && link.peer->client == client)
            loseLink(link);
    }
}

void PortBook::unsubscribed(PortAddress sender, PortAddress dest)
{
    for (auto& [own, link] : m_links) {
        if (!link.peer)
            continue;
        const PortAddress mine{m_ownClient, own};
        const bool ours =
            link.receives ? (sender == *link.peer && dest == mine) : (sender == mine && dest == *link.peer);
        if (ours)
            loseLink(link);
    }
}

void PortBook::replaceAll(std::map<PortAddress, PortRecord> ports)
{
    for (const auto& [address, record] : m_ports) {
        if (!ports.count(address))
            lose(address);
    }
    // A port found where one of the same client and port names was is taken for the same port: nothing
    // else can tell them apart.
    std::map<PortAddress, std::uint64_t> appeared;
    for (const auto& [address, record] : ports) {
        const auto known = m_ports.find(address);
        const bool same = known != m_ports.end() && known->second.clientName == record.clientName &&
                          known->second.portName == record.portName;
        appeared[address] = same ? appearedOf(address) : ++m_appearances;
    }
    m_ports = std::move(ports);
    m_appeared = std::move(appeared);
}

void PortBook::forgetAll()
{
    m_ports.clear();
    m_appeared.clear();
    lose(std::nullopt);
}

void PortBook::inputLost(std::map<PortAddress, PortRecord> ports, const std::vector<int>& subscribed)
{
    replaceAll(std::move(ports));
    for (auto& [own, link] : m_links) {
        if (!link.peer)
            continue; // told when it went, and waiting for its names
        // A link whose subscription went takes the port it had again: whether its program went and came back
        // at the same address meanwhile is in what the emptied queue held, and nothing else tells.
        if (std::find(subscribed.begin(), subscribed.end(), own) == subscribed.end())
            loseLink(link);
        else
            link.lost = true;
    }
}

std::vector<std::pair<int, PortAddress>> PortBook::linkedPeers() const
{
    std::vector<std::pair<int, PortAddress>> linked;
    for (const auto& [own, link] : m_links) {
        if (link.peer)
            linked.emplace_back(own, *link.peer);
    }
    return linked;
}

std::vector<Endpoint> PortBook::endpoints(bool sources)
{
    // Device names come from all present clients at once, so that two of one name are told apart.
    std::vector<SystemClient> clients;
    for (const auto& [address, record] : m_ports) {
        if (clients.empty() || clients.back().key != std::to_string(address.client))
            clients.push_back({std::to_string(address.client), record.clientName});
    }
    const std::vector<std::string> devices = m_names.update(clients);
    std::map<int, std::string> deviceOf;
    for (std::size_t i = 0; i < clients.size() && i < devices.size(); ++i)
        deviceOf[std::stoi(clients[i].key)] = devices[i];

    std::vector<Endpoint> list;
    for (const auto& [address, record] : m_ports) {
        // Client 0 is the sequencer's own (timer, announcements).
        if (address.client == 0 || isLinkPortName(record.portName) || record.clientName == kLinkClientName)
            continue;
        if (!(sources ? record.readable : record.writable))
            continue;
        Endpoint endpoint{address, {deviceOf[address.client], record.portName}, 0};
        for (const Endpoint& before : list) {
            if (before.info.deviceName == endpoint.info.deviceName &&
                before.info.endpointName == endpoint.info.endpointName)
                ++endpoint.occurrence;
        }
        list.push_back(std::move(endpoint));
    }
    return list;
}

void PortBook::addLink(int own, bool receives, const Target& target, std::optional<PortAddress> peer)
{
    Link link;
    link.receives = receives;
    const auto record = peer ? m_ports.find(*peer) : m_ports.end();
    link.base = record != m_ports.end() ? record->second.clientName : target.deviceName;
    link.endpointName = target.endpointName;
    link.peer = peer;
    link.peerAppeared = peer ? appearedOf(*peer) : 0;
    link.lostAt = m_appearances;
    m_links[own] = std::move(link);
}

void PortBook::removeLink(int own)
{
    m_links.erase(own);
}

std::optional<PortAddress> PortBook::peer(int own) const
{
    const auto it = m_links.find(own);
    return it == m_links.end() ? std::nullopt : it->second.peer;
}

std::string PortBook::peerDeviceName(int own)
{
    const auto it = m_links.find(own);
    if (it == m_links.end() || !it->second.peer)
        return std::string();
    for (const Endpoint& endpoint : endpoints(it->second.receives)) {
        if (endpoint.address == *it->second.peer)
            return endpoint.info.deviceName;
    }
    return std::string();
}

std::vector<int> PortBook::takeLost()
{
    std::vector<int> lost;
    for (auto& [own, link] : m_links) {
        if (link.lost) {
            link.lost = false;
            lost.push_back(own);
        }
    }
    return lost;
}

std::vector<std::pair<int, PortAddress>> PortBook::wantedLinks()
{
    std::vector<std::pair<int, PortAddress>> wanted;
    bool listed[2] = {false, false};
    std::vector<Endpoint> lists[2];
    for (const auto& [own, link] : m_links) {
        // A loss not yet told is told before the link follows anything new.
        if (link.peer || link.lost)
            continue;
        const int side = link.receives ? 0 : 1;
        if (!listed[side]) {
            lists[side] = endpoints(link.receives);
            listed[side] = true;
        }
        std::vector<FollowCandidate> candidates;
        candidates.reserve(lists[side].size());
        for (const Endpoint& endpoint : lists[side]) {
            const std::uint64_t appeared = appearedOf(endpoint.address);
            candidates.push_back({m_ports[endpoint.address].clientName, endpoint.info.endpointName, appeared,
                                  link.lastPeer == endpoint.address && appeared == link.lastPeerAppeared});
        }
        const int chosen = followAfterLoss(link.base, link.endpointName, link.lostAt, candidates);
        if (chosen >= 0)
            wanted.emplace_back(own, lists[side][static_cast<std::size_t>(chosen)].address);
    }
    return wanted;
}

void PortBook::linked(int own, PortAddress peer)
{
    const auto it = m_links.find(own);
    if (it == m_links.end())
        return;
    it->second.peer = peer;
    it->second.peerAppeared = appearedOf(peer);
    it->second.lastPeer.reset();
}

} // namespace kwmidi::detail::alsa
