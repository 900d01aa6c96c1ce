#include "RemoteMemAPI.h"

#include "ComuController.h"
#include "ConnectionWatcher.h"
#include "MessageDecoder.h"
#include "MessageEncoder.h"
#include "SysExParamChangeAddressTransTable.h"

#include <QMutexLocker>

namespace {

// Model and direction bytes of what the editor sends and of what it accepts.
const unsigned char kSendModel[3] = {0x7F, 0x1C, 0x00};
const unsigned char kReceiveModel[3] = {0x7F, 0x1C, 0x01};
constexpr int kDecoderFilterType = 6;
constexpr int kWatcherFilterType = 0;

} // namespace

// The objects of the MIDI layer the service owns. The table and the controller live as long as the
// service; the encoder and the two processors as long as the route.
struct RemoteMemAPI::MidiLayerObjects : RemoteMemAPI::MidiLayer
{
    explicit MidiLayerObjects(RemoteMemAPI* owner) : service(owner), controller(&table)
    {
        controller.setLinkLostHandler([owner] { owner->routeLinkLost(); });
    }
    ~MidiLayerObjects() override { closeRoute(); }
    void closeRoute();

    RemoteMemAPI* service;
    SysExParamChangeAddressTransTable table;
    ComuController controller;
    std::unique_ptr<MessageEncoder> encoder;
    std::unique_ptr<MessageDecoder> decoder;
    std::unique_ptr<ConnectionWatcher> watcher;
};

RemoteMemAPI::MidiLayerObjects& RemoteMemAPI::midiLayer()
{
    if (!m_midi)
        m_midi = std::make_unique<MidiLayerObjects>(this);
    return static_cast<MidiLayerObjects&>(*m_midi);
}

bool RemoteMemAPI::createMIDIComunicationRoute(int watchInput, int commInput, int output)
{
    // One port cannot feed both processors: the second would never be attached, and the route would
    // stand half-built.
    if (watchInput == commInput)
        return false;
    deleteMIDIComunicationRoute();
    return createMIDIInput(watchInput, commInput) && createMIDIOutput(output);
}

bool RemoteMemAPI::createMIDIInput(int watchInput, int commInput)
{
    MidiLayerObjects& midi = midiLayer();
    if (midi.decoder || midi.watcher || watchInput == commInput)
        return false;
    auto decoder = std::make_unique<MessageDecoder>(&midi.table, kReceiveModel, commInput, this, kDecoderFilterType);
    auto watcher = std::make_unique<ConnectionWatcher>(watchInput, this, kWatcherFilterType, m_watchPeriodMs);
    setTransmitCounters(decoder.get());
    if (!midi.controller.setMessageProcessorAndOpenPort(decoder.get())) {
        setTransmitCounters(nullptr);
        return false;
    }
    if (!midi.controller.setMessageProcessorAndOpenPort(watcher.get())) {
        // The decoder's port is open already and must not deliver to a decoder that is gone.
        midi.controller.releasePort(ComuController::kInput, commInput);
        setTransmitCounters(nullptr);
        return false;
    }
    midi.decoder = std::move(decoder);
    midi.watcher = std::move(watcher);
    return true;
}

bool RemoteMemAPI::createMIDIOutput(int output)
{
    MidiLayerObjects& midi = midiLayer();
    if (midi.encoder)
        return false;
    auto encoder = std::make_unique<MessageEncoder>(
        kSendModel, midi.table, midi.controller, output, this,
        m_answerTimeoutMs >= 0 ? m_answerTimeoutMs : MessageEncoder::kDefaultAnswerTimeoutMs,
        m_answerRetries >= 0 ? m_answerRetries : MessageEncoder::kDefaultAnswerRetries);
    if (!midi.controller.requestPort(ComuController::kOutput, output, 0, nullptr))
        return false;
    midi.encoder = std::move(encoder);
    setMessageSender(midi.encoder.get());
    return true;
}

void RemoteMemAPI::deleteMIDIComunicationRoute()
{
    if (m_midi)
        static_cast<MidiLayerObjects&>(*m_midi).closeRoute();
}

void RemoteMemAPI::MidiLayerObjects::closeRoute()
{
    // Detached under the memory lock: a sending pass runs under it, so none is left inside the encoder
    // afterwards, and a decoder that runs on finds no sender and no counters.
    service->setMessageSender(nullptr);
    service->setTransmitCounters(nullptr);
    // Outside the memory lock: closing the inputs waits for their delivery threads, which may be
    // waiting for that lock.
    controller.CloseAllOpendPortAndDeleteAllTransporters();
    encoder.reset();
    decoder.reset();
    watcher.reset();
    // Echoes of what the old route sent will not come back through the new one.
    QMutexLocker pending(&service->m_pendingLock);
    service->m_pendingTemplateNumbers.clear();
}

void RemoteMemAPI::routeLinkLost()
{
    // The synthesizer's ports went away, whether or not they are back already: whatever answers on them
    // now must be synchronised with before anything is sent to it, so the editor is offline at once,
    // exactly as after a watch period of silence. Runs on the MIDI system's thread before anything of a
    // synthesizer that came back reaches the decoder or the watcher; the panels hear of it through the
    // queued signal.
    ++m_vanishedCount;
    {
        QMutexLocker lock(&m_memoryLock);
        setONLINEstate(0);
        clearTransmitQueue();
        if (m_sender)
            m_sender->forgetAnswers();
    }
    emit synthesizerVanished();
}

bool RemoteMemAPI::hasMIDIInput()
{
    return m_midi && static_cast<MidiLayerObjects&>(*m_midi).decoder;
}

bool RemoteMemAPI::hasMIDIOutput()
{
    return m_midi && static_cast<MidiLayerObjects&>(*m_midi).encoder;
}

bool RemoteMemAPI::isMIDIRouteLinked()
{
    if (!hasMIDIInput() || !hasMIDIOutput())
        return false;
    return static_cast<MidiLayerObjects&>(*m_midi).controller.isEveryPortLinked();
}

QString RemoteMemAPI::linkedMIDIRouteDevice()
{
    if (!isMIDIRouteLinked())
        return QString();
    return static_cast<MidiLayerObjects&>(*m_midi).controller.linkedDeviceName();
}

QStringList RemoteMemAPI::getInputPortList()
{
    return midiLayer().controller.getInputPortList();
}

QStringList RemoteMemAPI::getOutputPortList()
{
    return midiLayer().controller.getOutputPortList();
}
