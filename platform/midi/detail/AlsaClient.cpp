#include "detail/AlsaClient.h"

namespace kwmidi::detail {

namespace {

// A port of ours that others listen to. The sequencer hands each event to the listeners' queues as it is
// sent, so what was sent has left at once.
class AlsaSource : public PortSource<AlsaEngine>
{
public:
    using PortSource::PortSource;
    bool waitUntilDelivered(std::chrono::milliseconds) override { return handle().engine().reachable(); }
};

} // namespace

AlsaClient::AlsaClient(const std::string& name) : PortClient(std::make_shared<AlsaEngine>(name)) {}

bool AlsaClient::present()
{
    return AlsaEngine::present();
}

std::string AlsaClient::systemName()
{
    return m_engine->reachable() ? "ALSA sequencer" : kNoMidiSystem;
}

std::string AlsaClient::openError()
{
    return m_engine->openError();
}

std::vector<EndpointInfo> AlsaClient::endpoints(bool sources)
{
    return m_engine->endpoints(sources);
}

std::shared_ptr<AlsaPort> AlsaClient::addLink(bool receives, int index, ReceiveCallback callback, LinkLostCallback lost)
{
    return m_engine->addLink(receives, index, std::move(callback), std::move(lost));
}

std::shared_ptr<AlsaPort> AlsaClient::addEndpoint(bool receives, const std::string& deviceName,
                                                  const std::string& endpointName, ReceiveCallback callback)
{
    // One client holds the process's ports, and the sequencer lists a port's device as its client's name.
    if (deviceName != m_engine->clientName())
        return nullptr;
    return m_engine->addEndpoint(receives, endpointName, std::move(callback));
}

std::unique_ptr<OutputConnection> AlsaClient::makeOutput(std::unique_ptr<Handle> handle)
{
    return std::make_unique<PortOutput<AlsaEngine>>(std::move(handle));
}

std::unique_ptr<PublishedSource> AlsaClient::makeSource(std::unique_ptr<Handle> handle)
{
    return std::make_unique<AlsaSource>(std::move(handle));
}

} // namespace kwmidi::detail
