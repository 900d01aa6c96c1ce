#include "TSystemMIDI.h"

#include "TSystemMIDIPortAccessor.h"

#include <QElapsedTimer>

#include <algorithm>
#include <array>
#include <cstring>

TMIDITransport* MIDITransportInstance()
{
    return new TSystemMIDI(kwmidi::Client::current());
}

TSystemMIDI::TSystemMIDI(kwmidi::ClientRef client) : m_client(std::move(client)) {}

TSystemMIDI::~TSystemMIDI()
{
    // The delivery thread calls into this object: it ends before any member does.
    closeInput();
    closeOutput();
}

int TSystemMIDI::currentIndex(bool input, int port)
{
    const int dir = input ? TMIDIPortAccessor::kInput : TMIDIPortAccessor::kOutput;
    const auto listed = TSystemMIDIPortAccessor::lastListing(m_client, dir);
    // Listing now also makes this the client's last listing, which the index is taken into.
    const std::vector<kwmidi::EndpointInfo> present = input ? m_client->sources() : m_client->destinations();
    if (!listed)
        return port <= int(present.size()) ? port - 1 : -1;
    if (port > int(listed->size()))
        return -1;
    const auto same = [](const kwmidi::EndpointInfo& a, const kwmidi::EndpointInfo& b) {
        return a.deviceName == b.deviceName && a.endpointName == b.endpointName;
    };
    const kwmidi::EndpointInfo& wanted = (*listed)[std::size_t(port - 1)];
    // Ports sharing names are told apart by their order, as the directory numbers them.
    auto occurrence = std::count_if(listed->begin(), listed->begin() + (port - 1),
                                    [&](const kwmidi::EndpointInfo& e) { return same(e, wanted); });
    for (std::size_t i = 0; i < present.size(); ++i) {
        if (same(present[i], wanted) && occurrence-- == 0)
            return int(i);
    }
    return -1;
}

bool TSystemMIDI::openInput(int port, TMIDIReaderRefConInterface* listener, int)
{
    if (!m_client || port < 1)
        return false;
    closeInput();
    const int index = currentIndex(true, port);
    if (index < 0)
        return false;
    setListener(listener);
    startPusherThread();
    // Both callbacks go with the link: a loss or bytes that come as it is made are not missed.
    m_input = m_client->connectSource(
        index,
        [this](const std::uint8_t* bytes, std::size_t length) {
            constexpr std::size_t kMaxPiece = 1 << 20;
            for (std::size_t done = 0; done < length; done += kMaxPiece)
                read(static_cast<int>(std::min(kMaxPiece, length - done)), bytes + done);
        },
        linkLostHandler());
    if (!m_input) {
        closeInput();
        return false;
    }
    return true;
}

void TSystemMIDI::closeInput()
{
    // Disconnecting first: no byte is parsed once the delivery thread has been told to stop.
    m_input.reset();
    stopPusherThread();
    resetParser();
}

bool TSystemMIDI::openOutput(int port)
{
    if (!m_client || port < 1)
        return false;
    const int index = currentIndex(false, port);
    m_output = index < 0 ? nullptr : m_client->openDestination(index, linkLostHandler());
    return m_output != nullptr;
}

bool TSystemMIDI::isLinked() const
{
    return (!m_input || m_input->isLinked()) && (!m_output || m_output->isLinked());
}

std::string TSystemMIDI::linkedDeviceName() const
{
    if (m_output)
        return m_output->linkedDeviceName();
    return m_input ? m_input->linkedDeviceName() : std::string();
}

void TSystemMIDI::closeOutput()
{
    m_output.reset();
}

bool TSystemMIDI::outputData(int length, unsigned char* data, unsigned long status)
{
    if (!m_output || length < 0 || (length > 0 && !data))
        return false;
    long long remaining = static_cast<long long>(length) + (status != 0 ? 1 : 0);
    if (remaining <= 0)
        return false;
    const unsigned char* next = data;
    unsigned long leading = status;
    QElapsedTimer sinceLastPacket;
    while (remaining > 0) {
        if (sinceLastPacket.isValid()) {
            while (sinceLastPacket.elapsed() < kOutputPacketIntervalMs)
                NS_Utilities::milisecondDelay(kOutputPacketIntervalMs - static_cast<long>(sinceLastPacket.elapsed()));
        }
        const int count = static_cast<int>(std::min<long long>(remaining, kMaxOutputPacket));
        if (!outputData2(count, next, leading))
            return false;
        next += count - (leading != 0 ? 1 : 0);
        remaining -= count;
        leading = 0;
        sinceLastPacket.start();
    }
    return true;
}

bool TSystemMIDI::outputData2(int count, const unsigned char* data, unsigned long status)
{
    if (!m_output || count <= 0 || count > kMaxOutputPacket)
        return false;
    std::array<std::uint8_t, kMaxOutputPacket> packet;
    int filled = 0;
    if (status != 0)
        packet[static_cast<std::size_t>(filled++)] = static_cast<std::uint8_t>(status & 0xFF);
    if (count > filled)
        std::memcpy(packet.data() + filled, data, static_cast<std::size_t>(count - filled));
    return m_output->send(packet.data(), static_cast<std::size_t>(count));
}
