#include "MidiPortNames.h"

#include <cctype>
#include <string_view>

namespace kwmidi {

namespace {

bool allDigits(const std::string& text, std::size_t from, std::size_t to)
{
    if (from >= to)
        return false;
    for (std::size_t i = from; i < to; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    }
    return true;
}

// ALSA appends " client:port" in numbers, which change from run to run.
std::string withoutAlsaAddress(const std::string& name)
{
    const std::size_t blank = name.rfind(' ');
    if (blank == std::string::npos)
        return name;
    const std::size_t colon = name.find(':', blank);
    if (colon == std::string::npos || !allDigits(name, blank + 1, colon) || !allDigits(name, colon + 1, name.size()))
        return name;
    return name.substr(0, blank);
}

// A client whose name is taken is renamed: jackd appends "-01" to "-99", PipeWire's JACK "-" and the
// node's number. Only our own links' client name is recognised through it here; device names are
// DeviceNames' business, which knows whether the name was taken.
bool isLinkClientName(const std::string& client)
{
    const std::string base(kLinkClientName);
    if (client == base)
        return true;
    return client.size() > base.size() + 1 && client.compare(0, base.size(), base) == 0 && client[base.size()] == '-' &&
           allDigits(client, base.size() + 1, client.size());
}

bool endsWith(const std::string& text, std::string_view tail)
{
    return text.size() > tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string withoutDirectionTag(std::string endpoint)
{
    // PipeWire's JACK appends "-" and a number to a port name that another client of the same name holds
    // already (seen while a device of one name came back beside another): only our tag comes before it.
    const std::size_t dash = endpoint.rfind('-');
    if (dash != std::string::npos && allDigits(endpoint, dash + 1, endpoint.size()) &&
        (endsWith(endpoint.substr(0, dash), kJackSourceTag) || endsWith(endpoint.substr(0, dash), kJackDestinationTag)))
        endpoint.resize(dash);
    for (const std::string_view tag : {std::string_view(kJackSourceTag), std::string_view(kJackDestinationTag)}) {
        if (endsWith(endpoint, tag))
            return endpoint.substr(0, endpoint.size() - tag.size());
    }
    return endpoint;
}

} // namespace

EndpointInfo splitSystemPortName(const std::string& portName, PortNaming naming)
{
    const std::string name = naming == PortNaming::Alsa ? withoutAlsaAddress(portName) : portName;
    const std::size_t colon = name.find(':');
    if (colon == std::string::npos)
        return {std::string(), name};
    if (naming == PortNaming::Alsa)
        return {name.substr(0, colon), name.substr(colon + 1)};
    return {name.substr(0, colon), withoutDirectionTag(name.substr(colon + 1))};
}

bool isLinkPort(const std::string& portName, PortNaming naming)
{
    const EndpointInfo parts = splitSystemPortName(portName, naming);
    return (naming == PortNaming::Jack ? isLinkClientName(parts.deviceName) : parts.deviceName == kLinkClientName) ||
           (naming == PortNaming::Jack && parts.endpointName.rfind(kLinkPortPrefix, 0) == 0);
}

} // namespace kwmidi
