#include "MidiSystem.h"

#include "detail/AlsaClient.h"
#include "detail/JackClient.h"
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
    return Backend::System;
}

namespace {

std::mutex s_clientMutex;
std::weak_ptr<Client> s_client;
std::string s_clientName;

} // namespace

void setClientName(const std::string& name)
{
    std::lock_guard<std::mutex> lock(s_clientMutex);
    s_clientName = name;
}

ClientRef Client::acquire()
{
    std::lock_guard<std::mutex> lock(s_clientMutex);
    if (ClientRef client = s_client.lock())
        return client;
    ClientRef client;
    if (backendFromEnvironment() == Backend::Virtual)
        client = std::make_shared<detail::VirtualClient>();
    else if (detail::AlsaClient::present())
        client = std::make_shared<detail::AlsaClient>(s_clientName);
    else
        client = std::make_shared<detail::JackClient>(s_clientName);
    s_client = client;
    return client;
}

ClientRef Client::current()
{
    std::lock_guard<std::mutex> lock(s_clientMutex);
    return s_client.lock();
}

} // namespace kwmidi
