// Arbitrary MIDI bytes, cut into arbitrary chunks, reach an installed and open remote device through the
// simulated host's input port; the device turns what it accepts into messages for the service and
// control changes for the host, and the service handles them against a project with a selected
// instrument track. Nothing may crash, every message for the service must be well-formed, and the host hands
// the device only events that start with a status byte and changes of declared controls. Each run ends
// with nothing in flight (every message the run made delivered and freed) and the host's records of
// deliveries, of what it did and of what went out emptied, so the rig lives on without growing: libFuzzer
// searches the whole heap for leaks after every run that allocated more than it freed.
#include "CNfunction.h"
#include "ExtensionClasses.h"
#include "ExtensionMessages.h"
#include "SimHost.h"
#include "ZELK_HWRemote.h"
#include "ZELK_KDX.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>

using namespace Quorvane;

namespace {

struct Rig
{
    Rig()
    {
        IPluginFactory* factory = GetPluginFactory();
        host.attach(factory);
        factory->release();
        service = static_cast<IPluginBase*>(host.createInstance(kZELK_KDX_cid, IPluginBase::iid));
        service->initialize(host.context());
        input = host.ports().addPort(u"Telvor ZELK6/ZELK8 Port2", true);
        output = host.ports().addPort(u"Telvor ZELK6/ZELK8 Port2", false);
        auto* detector = static_cast<IPluginBase*>(host.createInstance(kZELK_Detect_cid, IPluginBase::iid));
        IDetector* detection = simhost::queryHost<IDetector>(detector);
        detection->detect();
        detection->release();
        detector->release();
        device = host.remoteDevices().at(0);
        device->open();
        simhost::SimProject* project = host.projects().openProject(u"Song");
        simhost::SimTrack* track = project->addTrack(simhost::TrackKind::Instrument, u"Pad");
        track->setInstrument(u"Virlux")->addValue("cutoff", simhost::SimValueSetup::continuous(0, 127, 64), 0x10,
                                                  u"Cutoff");
        project->select(track);
        for (int i = 0; i < 4; ++i)
            host.idle();
        settle();
    }
    ~Rig()
    {
        host.unload();
        service->terminate();
        service->release();
    }

    // Idle calls, without the clock moving, until no message waits in a channel, in the service's queue or
    // in the device's: the device sends four at most per idle call, and a message left waiting would be
    // freed in a later run.
    void settle()
    {
        auto* remote = static_cast<ZELK_HWRemote*>(device->remote());
        auto* kdx = static_cast<ZELK_KDX*>(service);
        for (int round = 0; round < 1000; ++round) {
            host.waitForMidiInput(std::chrono::seconds(10));
            // A channel's worker keeps the lock while it delivers: an empty queue is a delivered one.
            while (!channelsEmpty())
                std::this_thread::yield();
            if (remote->QueuedMessageCount() == 0 && !kdx->hasPendingMessages())
                return;
            host.idle();
        }
        std::abort(); // the extension never came to rest
    }

    simhost::SimHost host;
    IPluginBase* service = nullptr;
    simhost::SimPort* input = nullptr;
    simhost::SimPort* output = nullptr;
    simhost::SimRemoteDevice* device = nullptr;

private:
    static bool channelsEmpty()
    {
        if (gSysExReceiving.pendingCount() > 0)
            return false;
        for (unsigned index : SendingChannels::openIndices())
            if (CNfunction* channel = SendingChannels::at(static_cast<int>(index));
                channel && channel->pendingCount() > 0)
                return false;
        return true;
    }
};

void checkReceived()
{
    Quorvane::FGuard guard(gSysExReceiving.lock());
    Quorvane::TArray<unsigned char*>& queue = gSysExReceiving.queue();
    for (int i = 0; i < queue.total(); ++i) {
        const unsigned char* m = queue.at(i);
        const std::size_t length = ExtensionMessage::messageLength(m);
        const bool header =
            std::memcmp(m, k_prmChgHead_Rcv, k_headerSize) == 0 || std::memcmp(m, k_prmReqHead_Rcv, k_headerSize) == 0;
        if (length < ExtensionMessage::kNoDataLength || m[length - 1] != 0xF7 || !header)
            std::abort();
    }
}

void checkDelivered(simhost::SimRemoteDevice& device)
{
    for (const simhost::SimRemoteDevice::Delivery& d : device.takeDeliveries()) {
        const bool wellFormed = d.isChange ? d.index >= 0 && d.value >= 0 && d.value <= 0x7F
                                           : !d.event.empty() && (d.event.front() & 0x80) != 0;
        if (!wellFormed)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Rig rig;
    std::size_t i = 0;
    while (i < size) {
        const std::size_t wanted = data[i++] & 0x3F;
        const std::size_t length = std::min(wanted, size - i);
        rig.input->inject(std::vector<std::uint8_t>(data + i, data + i + length));
        i += length;
    }
    rig.host.waitForMidiInput(std::chrono::seconds(10));
    checkReceived();
    // The service takes what its receive worker queued, one kind of work per idle call.
    for (int i = 0; i < 3; ++i) {
        rig.host.clock().advance(700);
        rig.host.idle();
    }
    rig.settle();
    checkDelivered(*rig.device);
    rig.device->standard().clearLogs();
    rig.output->clearSent();
    rig.host.actions().clearPerformed();
    return 0;
}
