// A full bank file (100 templates with the current template number) saved and loaded through the memory
// service, beside a bare parse of the same bytes, to show what the file code adds to the parser.
#include "BankData.h"
#include "EditorFile.h"
#include "RemoteMemAPI.h"
#include "XmlPrescan.h"

#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <benchmark/benchmark.h>

namespace {

struct FullBank
{
    FullBank()
    {
        while (memory.getQuantityOfBank() < 9)
            memory.createBank();
        for (int b : {0, 1}) {
            for (int t = 0; t < BankData::kTemplateCount; ++t) {
                memory.setParam(ParamAddress(b, t, ParamAddress::kTemplateNameController, -1),
                                QString::fromUtf8("Template <%1> & é").arg(t));
                memory.setParam(ParamAddress(b, t, ParamAddress::kQPXiNameController, -1),
                                QStringLiteral("Synth%1").arg(t));
                for (int k = 0; k < 12; ++k) {
                    memory.setParam(ParamAddress(b, t, k, ParamAddress::kDisplayNameParam),
                                    QStringLiteral("Knob %1").arg(k));
                    memory.setParam(ParamAddress(b, t, k, ParamAddress::kCCNumberParam), (t + k) % 128);
                    memory.setParam(ParamAddress(b, t, k, ParamAddress::kRemoteNumberParam),
                                    QStringLiteral("0%1").arg(t * 12 + k, 8, 16, QLatin1Char('0')));
                }
            }
        }
        path = directory.filePath(QStringLiteral("full.Q9E"));
        QFile file(path);
        EditorFile::save(&memory, 1, &file, nullptr);
        file.open(QIODevice::ReadOnly);
        bytes = file.readAll();
    }

    QTemporaryDir directory;
    RemoteMemAPI memory;
    QString path;
    QByteArray bytes;
};

FullBank& fullBank()
{
    static FullBank bank;
    return bank;
}

void BM_SaveFullBankFile(benchmark::State& state)
{
    FullBank& bank = fullBank();
    QFile file(bank.path);
    for (auto _ : state) {
        if (!EditorFile::save(&bank.memory, 1, &file, nullptr))
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(state.iterations() * bank.bytes.size());
}
BENCHMARK(BM_SaveFullBankFile)->Unit(benchmark::kMillisecond);

void BM_LoadFullBankFile(benchmark::State& state)
{
    FullBank& bank = fullBank();
    QFile file(bank.path);
    for (auto _ : state) {
        if (!EditorFile::load(&bank.memory, 1, &file, true, nullptr))
            state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(state.iterations() * bank.bytes.size());
}
BENCHMARK(BM_LoadFullBankFile)->Unit(benchmark::kMillisecond);

void BM_ParseSameBytesOnly(benchmark::State& state)
{
    FullBank& bank = fullBank();
    for (auto _ : state) {
        QDomDocument document;
        benchmark::DoNotOptimize(document.setContent(bank.bytes, true));
    }
    state.SetBytesProcessed(state.iterations() * bank.bytes.size());
}
BENCHMARK(BM_ParseSameBytesOnly)->Unit(benchmark::kMillisecond);

// The streaming pass that loads made before the parse to refuse too deep a nesting; now only files whose byte-level
// look cannot settle the depth pay it.
void BM_StreamScanSameBytesOnly(benchmark::State& state)
{
    FullBank& bank = fullBank();
    for (auto _ : state) {
        QXmlStreamReader reader(bank.bytes);
        int elements = 0;
        while (!reader.atEnd()) {
            if (reader.readNext() == QXmlStreamReader::StartElement)
                ++elements;
        }
        benchmark::DoNotOptimize(elements);
    }
    state.SetBytesProcessed(state.iterations() * bank.bytes.size());
}
BENCHMARK(BM_StreamScanSameBytesOnly)->Unit(benchmark::kMillisecond);

// The byte-level look a load takes before the parse.
void BM_PrescanSameBytesOnly(benchmark::State& state)
{
    FullBank& bank = fullBank();
    for (auto _ : state)
        benchmark::DoNotOptimize(prescanXml(bank.bytes, {4096, 32}).maxDepth);
    state.SetBytesProcessed(state.iterations() * bank.bytes.size());
}
BENCHMARK(BM_PrescanSameBytesOnly)->Unit(benchmark::kMillisecond);

// A 1.2 MB file whose root carries 80,000 attributes: refused before any parser sees it.
void BM_LoadBankFileWithAHostileStartTag(benchmark::State& state)
{
    FullBank& bank = fullBank();
    QByteArray text = "<!DOCTYPE KnobwrightFile>\n<bank version=\"1.0\"";
    for (int a = 0; a < 80000; ++a)
        text += " a" + QByteArray::number(a) + "=\"x\"";
    text += "/>\n";
    const QString path = bank.directory.filePath(QStringLiteral("hostile.Q9E"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    file.close();
    for (auto _ : state) {
        if (EditorFile::load(&bank.memory, 1, &file, true, nullptr))
            state.SkipWithError("the hostile file loaded");
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_LoadBankFileWithAHostileStartTag)->Unit(benchmark::kMillisecond);

} // namespace
