// Feeds arbitrary bytes as a port name, as the machine's MIDI system hands them over, to the name rules of
// both systems and checks what comes out: parts of the name, never more than it held.
#include "MidiPortNames.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string name(reinterpret_cast<const char*>(data), size);
    for (const kwmidi::PortNaming naming : {kwmidi::PortNaming::Alsa, kwmidi::PortNaming::Jack}) {
        const kwmidi::EndpointInfo info = kwmidi::splitSystemPortName(name, naming);
        if (info.deviceName.size() + info.endpointName.size() > name.size())
            std::abort();
        if (name.find(info.endpointName) == std::string::npos)
            std::abort();
        // The device name is where the name begins, less a suffix the system added.
        if (name.compare(0, info.deviceName.size(), info.deviceName) != 0)
            std::abort();
        kwmidi::isLinkPort(name, naming);
    }
    return 0;
}
