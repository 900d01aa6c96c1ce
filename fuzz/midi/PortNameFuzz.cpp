// Feeds arbitrary bytes as port names, as the machine's MIDI system hands them over, to the name rules of
// both systems and checks what comes out: parts of the name, never more than it held. The same bytes, read
// as a series of client listings, go through the device naming of both systems: one name for each client,
// no two clients of one name, each name the client's own or the one the server renamed it from.
#include "MidiPortNames.h"
#include "detail/DeviceNames.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

// Listings are separated by 0x01 bytes, clients by new lines; a tab separates a client's key from its
// name (without one the name is the key, as on JACK).
std::vector<std::vector<kwmidi::detail::SystemClient>> listingsOf(const std::string& text)
{
    std::vector<std::vector<kwmidi::detail::SystemClient>> listings(1);
    std::string line;
    auto endLine = [&] {
        if (line.empty())
            return;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos)
            listings.back().push_back({line, line});
        else
            listings.back().push_back({line.substr(0, tab), line.substr(tab + 1)});
        line.clear();
    };
    for (const char c : text) {
        if (c == '\n') {
            endLine();
        } else if (c == '\x01') {
            endLine();
            listings.emplace_back();
        } else {
            line += c;
        }
    }
    endLine();
    return listings;
}

bool isNameOrRenamedFrom(const std::string& name, const std::string& base)
{
    return name == base ||
           (name.size() > base.size() && name.compare(0, base.size(), base) == 0 && name[base.size()] == '-');
}

// The device name is the client's name, or the one the server renamed it from, possibly numbered " (k)".
bool isOwnOrRenamedFrom(const std::string& device, const std::string& name)
{
    if (isNameOrRenamedFrom(name, device))
        return true;
    const std::size_t open = device.rfind(" (");
    return open != std::string::npos && device.back() == ')' && isNameOrRenamedFrom(name, device.substr(0, open));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string name(reinterpret_cast<const char*>(data), size);
    for (const kwmidi::PortNaming naming : {kwmidi::PortNaming::Alsa, kwmidi::PortNaming::Jack}) {
        const kwmidi::EndpointInfo info = kwmidi::splitSystemPortName(name, naming);
        if (info.deviceName.size() + info.endpointName.size() > name.size())
            std::abort();
        if (name.find(info.endpointName) == std::string::npos)
            std::abort();
        // The device name is where the name begins.
        if (name.compare(0, info.deviceName.size(), info.deviceName) != 0)
            std::abort();
        kwmidi::isLinkPort(name, naming);

        kwmidi::detail::DeviceNames names(naming);
        for (const auto& listing : listingsOf(name)) {
            const std::vector<std::string> devices = names.update(listing);
            if (devices.size() != listing.size())
                std::abort();
            std::set<std::string> keys;
            std::set<std::string> distinct;
            for (std::size_t i = 0; i < listing.size(); ++i) {
                if (!keys.insert(listing[i].key).second)
                    continue; // a client listed twice is one client
                if (!isOwnOrRenamedFrom(devices[i], listing[i].name))
                    std::abort();
                if (!distinct.insert(devices[i]).second)
                    std::abort(); // two clients under one device name
            }
        }
    }
    return 0;
}
