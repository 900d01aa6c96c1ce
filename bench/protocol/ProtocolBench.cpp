// The editor's time for a full send and a full receive of 100 templates: over the in-process MIDI
// system against the simulated synthesizer answering at once (wall time of the whole exchange), and
// the editor's own encoding and decoding of the same data without any port.
#include "SimSynthMidi.h"

#include "ComuController.h"
#include "MessageDecoder.h"
#include "MessageEncoder.h"
#include "RemoteMemAPI.h"
#include "SysEx.h"
#include "SysExParamChangeAddressTransTable.h"
#include "TMIDIPortAccessor.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>

namespace {

void makeApplication()
{
    static int argc = 1;
    static char name[] = "protocol_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

int portNumber(const QStringList& entries, const QString& suffix)
{
    for (const QString& entry : entries) {
        QString number;
        QString name;
        if (TMIDIPortAccessor::splitEntry(entry, &number, &name) && name.endsWith(suffix))
            return number.toInt();
    }
    return 0;
}

// The memory service routed to the simulated synthesizer on in-process ports.
struct Rig
{
    Rig()
    {
        makeApplication();
        ::setenv(kwmidi::kBackendVariable, "virtual", 1);
        client = kwmidi::Client::acquire();
        zelksim::SynthOptions options;
        options.senseInterval = 0;
        synth = zelksim::SynthMidi::create(client, options);
        synth->command("fill 3");
        while (api.getQuantityOfBank() < 9)
            api.createBank();
        QObject::connect(&api, &RemoteMemAPI::completeBulkReceive, [this] { completed(); });
        QObject::connect(&api, &RemoteMemAPI::completeBulkTransmit, [this] { completed(); });
        const QStringList inputs = api.getInputPortList();
        ok = synth && api.createMIDIComunicationRoute(portNumber(inputs, " Port1"), portNumber(inputs, " Port5"),
                                                      portNumber(api.getOutputPortList(), " Port5"));
    }
    void completed()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++completions;
        }
        done.notify_all();
    }
    bool waitForCompletion(int count)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return done.wait_for(lock, std::chrono::seconds(30), [&] { return completions >= count; });
    }

    kwmidi::ClientRef client;
    std::unique_ptr<zelksim::SynthMidi> synth;
    RemoteMemAPI api;
    bool ok = false;
    std::mutex mutex;
    std::condition_variable done;
    int completions = 0;
};

Rig& rig()
{
    static Rig instance;
    return instance;
}

void BM_FullReceiveOverPorts(benchmark::State& state)
{
    Rig& r = rig();
    if (!r.ok) {
        state.SkipWithError("no route to the simulated synthesizer");
        return;
    }
    for (auto _ : state) {
        const int target = r.completions + 1;
        r.api.setWaitingBulkReceive(true);
        r.api.sendHardWareDataReq(true);
        if (!r.waitForCompletion(target)) {
            state.SkipWithError("the receive did not complete");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_FullReceiveOverPorts)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FullSendOverPorts(benchmark::State& state)
{
    Rig& r = rig();
    if (!r.ok) {
        state.SkipWithError("no route to the simulated synthesizer");
        return;
    }
    r.api.copyBank(2, 1);
    r.api.copyBank(3, 0);
    for (auto _ : state) {
        const int target = r.completions + 1;
        r.api.setWaitingBulkTransmit(true);
        r.api.sendEditorAllData(false);
        if (!r.waitForCompletion(target)) {
            state.SkipWithError("the send did not complete");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_FullSendOverPorts)->Unit(benchmark::kMillisecond)->UseRealTime();

// The encoder's own work for a full send: building and queuing 100 dumps and the select.
void BM_EncodeFullSend(benchmark::State& state)
{
    makeApplication();
    RemoteMemAPI api;
    while (api.getQuantityOfBank() < 9)
        api.createBank();
    for (int t = 0; t < 50; ++t) {
        api.setParam(ParamAddress(0, t, ParamAddress::kTemplateNameController, -1), QStringLiteral("Edit %1").arg(t));
        api.setParam(ParamAddress(1, t, ParamAddress::kTemplateNameController, -1), QStringLiteral("Kept %1").arg(t));
    }
    SysExParamChangeAddressTransTable table;
    ComuController controller(&table);
    const unsigned char model[3] = {0x7F, 0x1C, 0x00};
    MessageEncoder encoder(model, table, controller, 0, &api);
    for (auto _ : state) {
        for (int t = 0; t < 50; ++t) {
            encoder.enqueue1TemplateBulk(0, t);
            encoder.enqueue1TemplateBulk(1, t);
        }
        encoder.enququeTemplateNumberSelect();
        benchmark::DoNotOptimize(encoder.queuedGroupCount());
        encoder.clearTransmitQueue(true);
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_EncodeFullSend)->Unit(benchmark::kMillisecond);

// The decoder's own work for a full receive: 1500 messages written into banks 2 and 3.
void BM_DecodeFullReceive(benchmark::State& state)
{
    RemoteMemAPI api;
    while (api.getQuantityOfBank() < 9)
        api.createBank();
    SysExParamChangeAddressTransTable table;
    const unsigned char model[3] = {0x7F, 0x1C, 0x01};
    MessageDecoder decoder(&table, model, 5, &api, 6);
    QList<QByteArray> messages;
    for (unsigned char area : {SysEx::kAreaStored, SysEx::kAreaEditBuffer}) {
        for (int t = 0; t < 50; ++t) {
            messages << SysEx::bulkMessage(SysEx::kAddressHeader, area, static_cast<unsigned char>(t), {}, 1);
            messages << SysEx::commonBlockMessage({QStringLiteral("Template %1").arg(t), "Instrument", t & 1}, 1);
            for (int k = 0; k < 12; ++k)
                messages << SysEx::controllerBlockMessage(
                    k,
                    {QStringLiteral("1%1").arg(t * 12 + k, 8, 16, QLatin1Char('0')), QStringLiteral("Knob %1").arg(k),
                     k, 1},
                    1);
            messages << SysEx::bulkMessage(SysEx::kAddressFooter, area, static_cast<unsigned char>(t), {}, 1);
        }
    }
    for (auto _ : state) {
        state.PauseTiming();
        // Fresh banks, so that every write is a change.
        api.copyBank(4, 2);
        api.copyBank(4, 3);
        api.sendHardWareDataReq(false);
        state.ResumeTiming();
        for (const QByteArray& m : std::as_const(messages))
            decoder.processRecord(reinterpret_cast<const unsigned char*>(m.constData()), int(m.size()));
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_DecodeFullReceive)->Unit(benchmark::kMillisecond);

} // namespace
