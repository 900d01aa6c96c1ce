#include "detail/DeviceNames.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace kwmidi::detail {

namespace {

// jackd renames a clashing client "-01" to "-99", PipeWire's JACK "-" and the node's number.
constexpr std::size_t kMaxSuffixDigits = 10;

} // namespace

DeviceNames::DeviceNames(PortNaming naming) : m_naming(naming) {}

std::string DeviceNames::baseName(const std::string& name, PortNaming naming, const std::set<std::string>& present)
{
    if (naming != PortNaming::Jack)
        return name;
    const std::size_t dash = name.rfind('-');
    if (dash == std::string::npos || dash == 0)
        return name;
    const std::size_t digits = name.size() - dash - 1;
    if (digits == 0 || digits > kMaxSuffixDigits ||
        !std::all_of(name.begin() + static_cast<std::ptrdiff_t>(dash) + 1, name.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }))
        return name;
    // Only a name the server made up has the digits added: "Studio-2024" or "MC-101" alone is its own name.
    std::string base = name.substr(0, dash);
    return present.count(base) ? base : name;
}

DeviceNames::Seen DeviceNames::seen(const std::string& key) const
{
    const auto it = m_known.find(key);
    return it == m_known.end() ? Seen{} : Seen{it->second.base, it->second.firstSeen};
}

int followAfterLoss(const std::string& base, const std::string& endpointName, std::uint64_t lostAt,
                    const std::vector<FollowCandidate>& candidates)
{
    int best = -1;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const FollowCandidate& candidate = candidates[i];
        if (candidate.lastPeer)
            return static_cast<int>(i);
        // A device that was there at the loss may be a second unit of the same name: only the user takes it.
        if (candidate.base != base || candidate.endpointName != endpointName || candidate.appeared <= lostAt)
            continue;
        if (best < 0 || candidate.appeared < candidates[static_cast<std::size_t>(best)].appeared)
            best = static_cast<int>(i);
    }
    return best;
}

std::map<std::string, std::string>
ClientInstances::update(const std::map<std::string, std::set<std::string>>& portsByClient)
{
    std::map<std::string, Instance> listed;
    std::map<std::string, std::string> keys;
    for (const auto& [name, ports] : portsByClient) {
        Instance instance{ports, 0};
        const auto before = m_last.find(name);
        if (before != m_last.end()) {
            const bool kept = std::any_of(ports.begin(), ports.end(), [&](const std::string& port) {
                return before->second.ports.count(port) > 0;
            });
            instance.number = before->second.number + (kept ? 0 : 1);
        }
        keys[name] = name + '\n' + std::to_string(instance.number);
        listed.emplace(name, std::move(instance));
    }
    m_last = std::move(listed);
    return keys;
}

std::vector<std::string> DeviceNames::update(const std::vector<SystemClient>& present)
{
    // A client named X that went since the last look may have been present when the server renamed
    // the one that replaced it, so both looks count.
    std::set<std::string> names = m_lastNames;
    for (const SystemClient& client : present)
        names.insert(client.name);

    std::map<std::string, Known> known;
    std::vector<std::pair<std::string, Known>> newcomers;
    std::set<std::string> keys;
    for (const SystemClient& client : present) {
        if (!keys.insert(client.key).second)
            continue; // listed twice: one client
        const auto old = m_known.find(client.key);
        // ALSA gives a number that came free to the next client: a new name under an old key is a new client.
        if (old != m_known.end() && old->second.name == client.name)
            known.emplace(client.key, old->second);
        else
            newcomers.emplace_back(client.key, Known{client.name, baseName(client.name, m_naming, names), 0});
    }
    // Clients first seen together are counted in the order they came to the server, which a listing need
    // not follow (PipeWire's JACK lists a later client before an earlier one): a client the server renamed
    // came while one of its base name was there, and the server numbers renamed clients as they come.
    const auto suffix = [](const Known& k) {
        return k.name == k.base ? 0ul : std::strtoul(k.name.c_str() + k.base.size() + 1, nullptr, 10) + 1;
    };
    std::stable_sort(newcomers.begin(), newcomers.end(),
                     [&](const auto& a, const auto& b) { return suffix(a.second) < suffix(b.second); });
    for (auto& [key, client] : newcomers) {
        client.firstSeen = ++m_serial;
        known.emplace(key, std::move(client));
    }

    std::vector<const std::pair<const std::string, Known>*> order;
    order.reserve(known.size());
    for (const auto& entry : known)
        order.push_back(&entry);
    std::sort(order.begin(), order.end(),
              [](const auto* a, const auto* b) { return a->second.firstSeen < b->second.firstSeen; });

    // Every base name is taken by the first client of that base; the later ones are numbered around them.
    std::set<std::string> taken;
    for (const auto* entry : order)
        taken.insert(entry->second.base);
    std::set<std::string> firstDone;
    std::map<std::string, unsigned> nextNumber;
    std::map<std::string, std::string> deviceByKey;
    for (const auto* entry : order) {
        const std::string& base = entry->second.base;
        if (firstDone.insert(base).second) {
            deviceByKey[entry->first] = base;
            continue;
        }
        unsigned& number = nextNumber.try_emplace(base, 2u).first->second;
        std::string device = base + " (" + std::to_string(number) + ")";
        while (taken.count(device))
            device = base + " (" + std::to_string(++number) + ")";
        ++number;
        taken.insert(device);
        deviceByKey[entry->first] = std::move(device);
    }

    std::vector<std::string> devices;
    devices.reserve(present.size());
    for (const SystemClient& client : present)
        devices.push_back(deviceByKey[client.key]);

    m_known = std::move(known);
    m_lastNames.clear();
    for (const SystemClient& client : present)
        m_lastNames.insert(client.name);
    return devices;
}

} // namespace kwmidi::detail
