#pragma once

#include "MidiSystem.h"

#include <string>

// How the machine's MIDI system names its ports, turned into names that stay the same across runs.
namespace kwmidi {

enum class PortNaming
{
    Alsa, // "Client name:Port name 20:0"
    Jack, // "client:port", the client renamed "client-01" (jackd) or "client-155" (PipeWire) when its name was taken
};

// Client name under which this layer makes the ports it connects and sends through on the ALSA
// sequencer (and did on JACK). Ports of such clients (of any process) are no endpoints and are left
// out of the lists.
inline constexpr const char* kLinkClientName = "kw-link";
// On JACK the ports this layer connects and sends through belong to the program's one client; their
// names begin with this, and they are left out of the lists as well.
inline constexpr const char* kLinkPortPrefix = "kw-link ";
// One JACK client may not hold an input and an output of the same name, so an endpoint published on
// JACK carries its direction behind its name; listing drops it again.
inline constexpr const char* kJackSourceTag = " (out)";
inline constexpr const char* kJackDestinationTag = " (in)";

// Client and endpoint name of a port name as the system gives it: no client or port numbers, and on
// JACK no direction tag, so that a source and a destination of one name show that name. The client name
// is as the system shows it (on JACK perhaps renamed "client-01" for a clash): DeviceNames turns the
// clients present into device names. A name without a separator is an endpoint name with no client name.
EndpointInfo splitSystemPortName(const std::string& portName, PortNaming naming);

// True for a port that this layer made to connect or send through (of this process or another).
bool isLinkPort(const std::string& portName, PortNaming naming);

} // namespace kwmidi
