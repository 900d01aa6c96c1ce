#include "TSystemMIDIPortAccessor.h"

TSystemMIDIPortAccessor::TSystemMIDIPortAccessor(kwmidi::ClientRef client) : m_client(std::move(client)) {}

TSystemMIDIPortAccessor::~TSystemMIDIPortAccessor() = default;

void TSystemMIDIPortAccessor::list(int dir)
{
    m_endpoints[dir].clear();
    if (m_client && m_client->isAvailable())
        m_endpoints[dir] = dir == kInput ? m_client->sources() : m_client->destinations();
    m_listed[dir] = true;
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
