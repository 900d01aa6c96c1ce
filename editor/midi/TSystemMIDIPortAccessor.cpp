#include "TSystemMIDIPortAccessor.h"

#include <mutex>

namespace {

// The last listing of each direction any directory took, and the client it was taken over. Ports are
// opened by number long after the listing, while other programs' ports come and go.
struct LastListing
{
    std::mutex mutex;
    std::weak_ptr<kwmidi::Client> client[2];
    std::vector<kwmidi::EndpointInfo> endpoints[2];
};

LastListing& lastListings()
{
    static LastListing listings;
    return listings;
}

} // namespace

TSystemMIDIPortAccessor::TSystemMIDIPortAccessor(kwmidi::ClientRef client) : m_client(std::move(client)) {}

TSystemMIDIPortAccessor::~TSystemMIDIPortAccessor() = default;

void TSystemMIDIPortAccessor::list(int dir)
{
    m_endpoints[dir].clear();
    if (m_client && m_client->isAvailable())
        m_endpoints[dir] = dir == kInput ? m_client->sources() : m_client->destinations();
    m_listed[dir] = true;
    LastListing& last = lastListings();
    std::lock_guard<std::mutex> lock(last.mutex);
    last.client[dir] = m_client;
    last.endpoints[dir] = m_endpoints[dir];
}

std::optional<std::vector<kwmidi::EndpointInfo>> TSystemMIDIPortAccessor::lastListing(const kwmidi::ClientRef& client,
                                                                                      int dir)
{
    dir = dir == kInput ? kInput : kOutput;
    LastListing& last = lastListings();
    std::lock_guard<std::mutex> lock(last.mutex);
    if (!client || last.client[dir].lock() != client)
        return std::nullopt;
    return last.endpoints[dir];
}

int TSystemMIDIPortAccessor::getNumPorts(int dir)
{
    dir = dir == kInput ? kInput : kOutput;
    list(dir);
    return int(m_endpoints[dir].size());
}

QString TSystemMIDIPortAccessor::identifierForIndex(int dir, int index)
{
    dir = dir == kInput ? kInput : kOutput;
    if (!m_listed[dir])
        list(dir);
    const auto& endpoints = m_endpoints[dir];
    if (index < 0 || index >= int(endpoints.size()))
        return QString();
    const kwmidi::EndpointInfo& info = endpoints[size_t(index)];
    return portName(QString::fromStdString(info.deviceName), QString::fromStdString(info.endpointName), index + 1);
}

TMIDIPortAccessor* MIDIPortAccessor()
{
    auto* accessor = new TSystemMIDIPortAccessor();
    accessor->updatePortInfo();
    return accessor;
}
