// The receive path of a full receive's byte stream (1,500 SysEx messages of 100 templates), in MB/s:
// the parser alone, and the whole path from the MIDI system's receive thread through the parser, the
// queue and the input's delivery thread into the decoder and the memory, as the editor runs it (over
// the in-process MIDI system, which hands the bytes over in chunks of 4 KiB).
#include "MessageDecoder.h"
#include "MidiSystem.h"
#include "RemoteMemAPI.h"
#include "SysEx.h"
#include "SysExParamChangeAddressTransTable.h"
#include "TAppMIDIIn.h"
#include "TMIDITransport.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>

namespace {

constexpr std::size_t kChunk = 4096;

void makeApplication()
{
    static int argc = 1;
    static char name[] = "receive_path_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

// What the synthesizer sends for a full receive with its edit buffer, F0 and F7 included. The two
// variants differ in every value, so that passes taking turns change everything they write.
std::vector<std::uint8_t> makeStream(int variant)
{
    std::vector<std::uint8_t> bytes;
    auto add = [&](const QByteArray& message) {
        bytes.push_back(0xF0);
        bytes.insert(bytes.end(), message.begin(), message.end());
    };
    for (unsigned char area : {SysEx::kAreaStored, SysEx::kAreaEditBuffer}) {
        for (int t = 0; t < 50; ++t) {
            add(SysEx::bulkMessage(SysEx::kAddressHeader, area, static_cast<unsigned char>(t), {}, 1));
            add(SysEx::commonBlockMessage(
                {QStringLiteral("Template %1%2").arg(t).arg(variant), "Instrument", (t + variant) & 1}, 1));
            for (int k = 0; k < 12; ++k)
                add(SysEx::controllerBlockMessage(
                    k,
                    {QStringLiteral("1%1").arg(t * 12 + k + variant, 8, 16, QLatin1Char('0')),
                     QStringLiteral("Knob %1%2").arg(k).arg(variant), k + variant, 1 + variant},
                    1));
            add(SysEx::bulkMessage(SysEx::kAddressFooter, area, static_cast<unsigned char>(t), {}, 1));
        }
    }
    return bytes;
}

const std::vector<std::uint8_t>& fullReceiveStream(int variant = 0)
{
    static const std::vector<std::uint8_t> streams[2] = {makeStream(0), makeStream(1)};
    return streams[variant & 1];
}

// The parser without a delivery thread: what it yields is dropped.
class ParserOnly : public TMIDITransport
{
public:
    bool openInput(int, TMIDIReaderRefConInterface*, int) override { return false; }
    void closeInput() override {}
    bool openOutput(int) override { return false; }
    void closeOutput() override {}
    bool outputData(int, unsigned char*, unsigned long) override { return false; }
    std::size_t records = 0;

protected:
    void handOver(TMIDIEventPushThread::Batch& batch) override
    {
        records += batch.records.size();
        batch.clear();
    }
};

void BM_ParserAlone(benchmark::State& state)
{
    const auto& stream = fullReceiveStream();
    ParserOnly parser;
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += kChunk)
            parser.read(static_cast<int>(std::min(kChunk, stream.size() - at)), stream.data() + at);
    }
    benchmark::DoNotOptimize(parser.records);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_ParserAlone)->Unit(benchmark::kMillisecond);

// Counts the footers the decoder took whole, so that the benchmark knows when a pass has arrived.
class CountingDecoder : public MessageDecoder
{
public:
    using MessageDecoder::MessageDecoder;
    bool Process(tagMPEVENT& record) override
    {
        const bool taken = MessageDecoder::Process(record);
        if (++m_seen == kMessages) {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_passes;
            m_seen = 0;
            m_done.notify_all();
        }
        return taken;
    }
    void waitForPasses(int passes)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_done.wait(lock, [&] { return m_passes >= passes; });
    }
    static constexpr int kMessages = 1500;

private:
    int m_seen = 0;
    std::mutex m_mutex;
    std::condition_variable m_done;
    int m_passes = 0;
};

void BM_ReceivePathToDecoder(benchmark::State& state)
{
    makeApplication();
    ::setenv(kwmidi::kBackendVariable, "virtual", 1);
    auto client = kwmidi::Client::acquire();
    auto source = client->createSource("Telvor ZELK6/ZELK8", "Telvor ZELK6/ZELK8 Port5");
    RemoteMemAPI api;
    while (api.getQuantityOfBank() < 9)
        api.createBank();
    SysExParamChangeAddressTransTable table;
    const unsigned char model[3] = {0x7F, 0x1C, 0x01};
    CountingDecoder decoder(&table, model, 1, &api, 6);
    api.sendHardWareDataReq(false); // switches bulk reception on; there is no route to send through
    client->sources();
    TAppMIDIIn input(&decoder);
    if (!input.openPort(1, 6)) {
        state.SkipWithError("the input did not open");
        return;
    }
    const auto& stream = fullReceiveStream();
    int passes = 0;
    // Fills the banks with the other variant first, so that the first timed pass changes them too.
    const auto& first = fullReceiveStream(1);
    source->send(first.data(), first.size());
    decoder.waitForPasses(++passes);
    for (auto _ : state) {
        const auto& pass = fullReceiveStream(passes);
        for (std::size_t at = 0; at < pass.size(); at += kChunk)
            source->send(pass.data() + at, std::min(kChunk, pass.size() - at));
        decoder.waitForPasses(++passes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_ReceivePathToDecoder)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
