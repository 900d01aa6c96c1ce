#pragma once

#include "MidiSystem.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

// The index of a device's endpoint in a listing, as connectSource and openDestination take it; -1 when the
// listing has none of those names.
inline int indexOf(const std::vector<kwmidi::EndpointInfo>& list, const std::string& device,
                   const std::string& endpoint)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].deviceName == device && list[i].endpointName == endpoint)
            return static_cast<int>(i);
    }
    return -1;
}

// How many devices the client lists with all five ports of a test program of that name ("<name> Port1" to
// "<name> Port5", each a source and a destination), whatever numbers the listing gives devices of one name. A
// program says it is ready once its ports exist; another program may list them a moment later (PipeWire's
// JACK does), so a test waits for this before it looks for them.
inline int devicesWithFivePorts(const kwmidi::ClientRef& client, const std::string& name)
{
    std::map<std::string, int> ports;
    for (const auto& list : {client->sources(), client->destinations()}) {
        for (const auto& endpoint : list) {
            for (int i = 1; i <= 5; ++i)
                ports[endpoint.deviceName] += endpoint.endpointName == name + " Port" + std::to_string(i) ? 1 : 0;
        }
    }
    return static_cast<int>(std::count_if(ports.begin(), ports.end(), [](const auto& p) { return p.second == 10; }));
}
