#pragma once

#include "MidiSystem.h"

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
