#include "MidiSystem.h"

#include "detail/RtMidiClient.h"
#include "detail/VirtualClient.h"

#include <cstdlib>
#include <mutex>
#include <string_view>

namespace kwmidi {

Backend backendFromEnvironment()
{
    const char* value = std::getenv(kBackendVariable);
    if (value && std::string_view(value) == "virtual")
        return Backend::Virtual;
    return Backend::RtMidi;
}

ClientRef Client::acquire()
{
    static std::mutex mutex;
    static std::weak_ptr<Client> current;
    std::lock_guard<std::mutex> lock(mutex);
    if (ClientRef client = current.lock())
        return client;
    ClientRef client;
    if (backendFromEnvironment() == Backend::Virtual)
        client = std::make_shared<detail::VirtualClient>();
    else
        client = std::make_shared<detail::RtMidiClient>();
    current = client;
    return client;
}

} // namespace kwmidi
