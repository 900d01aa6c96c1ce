// Speed of the plug-in search beside find(1) on one generated tree, and of loading, writing and querying a
// large database, each beside its baseline: a bare stream reader's pass over the same file, a bare stream
// writer writing the same content. Compare the ratios within one run: absolute times on a shared machine vary.
#include "CFileSearch.h"
#include "EditorData.h"
#include "QPXiInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kTreeFolders = 1000;
constexpr int kEntriesPerFolder = 99; // with the folders: 100,000 entries
constexpr int kInstruments = 300;
constexpr int kParametersPerInstrument = 1000;

QTemporaryDir& scratch()
{
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    return dir;
}

void touch(const QString& path, const QByteArray& bytes = QByteArray())
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(bytes);
    }
}

// Ten top folders of a hundred folders each; one entry in twenty is a plug-in, so the search never reaches
// its limit of stored paths and has to walk everything.
const QString& generatedTree()
{
    static const QString root = [] {
        const QString top = scratch().path() + "/tree";
        for (int f = 0; f < kTreeFolders; ++f) {
            const QString folder = QString("%1/vendor%2/product%3").arg(top).arg(f / 100).arg(f);
            QDir().mkpath(folder);
            for (int e = 0; e < kEntriesPerFolder; ++e) {
                const bool plugin = f % 2 == 0 && e == 0;
                touch(folder + QString("/entry%1.%2").arg(e).arg(plugin ? "qpx" : "dat"));
            }
        }
        return top;
    }();
    return root;
}

QPXiMachine benchMachine()
{
    QPXiMachine machine;
    machine.root = scratch().path() + "/root";
    machine.home = scratch().path() + "/home";
    return machine;
}

// A database of that many instruments with 1,000 parameters each, in ten groups, whose plug-in files exist.
const QString& generatedDatabaseFolder(int instruments = kInstruments)
{
    static QHash<int, QString> folders;
    if (folders.contains(instruments)) {
        return folders[instruments];
    }
    const QString db = scratch().path() + QString("/db%1").arg(instruments);
    const QString plugins = scratch().path() + "/plugins";
    QDir().mkpath(db);
    QDir().mkpath(plugins);
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE QPXiDatabase>\n<dawlist>\n"
                      "    <daw name=\"Sonvik 8\">\n";
    for (int i = 0; i < instruments; ++i) {
        const QString path = QString("%1/Instrument %2.qpx3").arg(plugins).arg(i);
        if (!QFileInfo::exists(path)) {
            touch(path, "plug-in");
        }
        const QFileInfo file(path);
        text += QString("        <qpxi name=\"Instrument %1\" path=\"%2\" time=\"%3\" size=\"%4\" version=\"3\">\n")
                    .arg(i)
                    .arg(path, qpxiFileTime(file))
                    .arg(getQPXiFileSize(file))
                    .toUtf8();
        for (int g = 0; g < 10; ++g) {
            text += "            <group name=\"Group " + QByteArray::number(g) + "\">\n";
            for (int p = 0; p < kParametersPerInstrument / 10; ++p) {
                const int id = 4201 + g * 100 + p;
                text += "                <parameter id=\"0" + QByteArray::number(id).rightJustified(10, '0') +
                        "\" name=\"Parameter " + QByteArray::number(id) + "\"/>\n";
            }
            text += "            </group>\n";
        }
        text += "        </qpxi>\n";
    }
    text += "    </daw>\n</dawlist>\n";
    touch(db + "/QPXiDatabase.xml", text);
    return folders[instruments] = db;
}

std::unique_ptr<QPXiInfo> loadedDatabase(int instruments = kInstruments)
{
    auto info = std::make_unique<QPXiInfo>(QDir(scratch().path() + "/finder"), QDir(scratch().path() + "/preset"),
                                           QDir(generatedDatabaseFolder(instruments)), benchMachine());
    info->selectDAW("Sonvik 8");
    return info;
}

void BM_SearchGeneratedTree(benchmark::State& state)
{
    const QByteArray root = QFile::encodeName(generatedTree());
    long found = 0;
    for (auto _ : state) {
        CFileSearch search;
        search.SetSearchExtension("qpx");
        search.SearchFiles(root.constData(), 0, false);
        found = search.GetNumberOfPaths(0);
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = static_cast<double>(found);
    state.counters["entries"] = kTreeFolders * (kEntriesPerFolder + 1);
}
BENCHMARK(BM_SearchGeneratedTree)->Unit(benchmark::kMillisecond);

void BM_FindOnTheSameTree(benchmark::State& state)
{
    const QByteArray command = "find '" + QFile::encodeName(generatedTree()) + "' -iname '*.qpx'";
    long found = 0;
    for (auto _ : state) {
        found = 0;
        std::FILE* pipe = ::popen(command.constData(), "r");
        char line[4096];
        while (pipe && std::fgets(line, sizeof line, pipe)) {
            ++found;
        }
        if (pipe) {
            ::pclose(pipe);
        }
    }
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_FindOnTheSameTree)->Unit(benchmark::kMillisecond);

// Load time against the number of instruments, to show that it grows in proportion. Each load is the first of
// its service, as when a DAW is selected at start; making the service and dropping its tables are not timed.
void BM_LoadDatabase(benchmark::State& state)
{
    const int instruments = int(state.range(0));
    const QString db = generatedDatabaseFolder(instruments);
    qsizetype loaded = 0;
    qsizetype parameters = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto info = std::make_unique<QPXiInfo>(QDir(scratch().path() + "/finder"), QDir(scratch().path() + "/preset"),
                                               QDir(db), benchMachine());
        state.ResumeTiming();
        info->selectDAW("Sonvik 8");
        state.PauseTiming();
        loaded = info->pluginFiles().size();
        parameters = info->getQPXiParameterList("Instrument 7").size();
        info.reset();
        state.ResumeTiming();
    }
    state.counters["instruments"] = static_cast<double>(loaded);
    state.counters["parameters"] = static_cast<double>(parameters);
    state.counters["ms_per_100_instruments"] = benchmark::Counter(
        double(state.iterations()) * instruments / 100000.0, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LoadDatabase)->Arg(30)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond)->UseRealTime();

// The baseline of a load: the stream reader's pass over the same file, read as a device (its fastest way),
// doing nothing else.
void BM_BareStreamScanOfTheDatabase(benchmark::State& state)
{
    const QString path = generatedDatabaseFolder(int(state.range(0))) + "/QPXiDatabase.xml";
    qint64 tokens = 0;
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        QXmlStreamReader reader(&file);
        tokens = 0;
        while (!reader.atEnd()) {
            reader.readNext();
            ++tokens;
        }
        benchmark::DoNotOptimize(tokens);
    }
    state.counters["tokens"] = static_cast<double>(tokens);
}
BENCHMARK(BM_BareStreamScanOfTheDatabase)->Arg(30)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond)->UseRealTime();

// Peak memory of a first load in a fresh process: the load runs in a child, which reports its peak resident
// size (VmHWM) and its resident size before the load, in megabytes.
void BM_DatabaseLoadPeakMemory(benchmark::State& state)
{
    generatedDatabaseFolder();
    auto residentMB = [](const char* key) {
        QFile status("/proc/self/status");
        status.open(QIODevice::ReadOnly);
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith(key)) {
                return line.mid(qsizetype(std::strlen(key))).trimmed().split(' ').first().toDouble() / 1024.0;
            }
        }
        return 0.0;
    };
    double figures[2] = {0, 0};
    for (auto _ : state) {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0) {
            state.SkipWithError("no pipe");
            return;
        }
        const pid_t child = ::fork();
        if (child == 0) {
            const double before = residentMB("VmRSS:");
            {
                auto info = loadedDatabase();
                benchmark::DoNotOptimize(info->pluginFiles().size());
                const double measured[2] = {before, residentMB("VmHWM:")};
                (void)!::write(pipeEnds[1], measured, sizeof measured);
            }
            ::_exit(0);
        }
        ::close(pipeEnds[1]);
        if (::read(pipeEnds[0], figures, sizeof figures) != sizeof figures) {
            state.SkipWithError("the child reported nothing");
        }
        ::close(pipeEnds[0]);
        ::waitpid(child, nullptr, 0);
    }
    state.counters["rss_before_MB"] = figures[0];
    state.counters["peak_rss_MB"] = figures[1];
}
BENCHMARK(BM_DatabaseLoadPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Writes into a folder where no database is yet.
void BM_WriteDatabaseNewFile(benchmark::State& state)
{
    const auto info = loadedDatabase();
    const QString path = scratch().path() + "/written-new.xml";
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(path);
        state.ResumeTiming();
        QFile out(path);
        benchmark::DoNotOptimize(info->writeParameterListDatabase(out));
    }
}
BENCHMARK(BM_WriteDatabaseNewFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// Writes over a database that holds the same DAW's element, which the write replaces.
void BM_WriteDatabaseOverExisting(benchmark::State& state)
{
    const auto info = loadedDatabase();
    const QString path = scratch().path() + "/written-over.xml";
    QFile::remove(path);
    QFile::copy(generatedDatabaseFolder() + "/QPXiDatabase.xml", path);
    for (auto _ : state) {
        QFile out(path);
        benchmark::DoNotOptimize(info->writeParameterListDatabase(out));
    }
}
BENCHMARK(BM_WriteDatabaseOverExisting)->Unit(benchmark::kMillisecond)->UseRealTime();

// The baseline of a write: the stream writer writing the same elements from the same tables into a file saved
// the same way, doing nothing else.
void BM_BareStreamWriterOfTheDatabase(benchmark::State& state)
{
    const auto info = loadedDatabase();
    const QString path = scratch().path() + "/written-bare.xml";
    QStringList names = info->pluginFiles().keys();
    names.sort();
    for (auto _ : state) {
        QSaveFile file(path);
        file.open(QIODevice::WriteOnly);
        QXmlStreamWriter writer(&file);
        writer.setAutoFormatting(true);
        writer.setAutoFormattingIndent(4);
        writer.writeStartDocument();
        writer.writeDTD("<!DOCTYPE QPXiDatabase>");
        writer.writeStartElement("dawlist");
        writer.writeStartElement("daw");
        writer.writeAttribute("name", "Sonvik 8");
        for (const QString& name : names) {
            const QPXiInfo::QPXiFileInfo plugin = info->pluginFiles().value(name);
            if (plugin.version == 0) {
                continue;
            }
            writer.writeStartElement("qpxi");
            writer.writeAttribute("name", name);
            writer.writeAttribute("path", plugin.file.absoluteFilePath());
            writer.writeAttribute("time", qpxiFileTime(plugin.file));
            writer.writeAttribute("size", QString::number(getQPXiFileSize(plugin.file)));
            writer.writeAttribute("version", QString::number(plugin.version));
            QString group;
            for (const QPXiInfo::Parameter& parameter : info->getQPXiParameterList(name)) {
                if (parameter.namePath.first() != group) {
                    if (!group.isEmpty()) {
                        writer.writeEndElement();
                    }
                    group = parameter.namePath.first();
                    writer.writeStartElement("group");
                    writer.writeAttribute("name", group);
                }
                writer.writeEmptyElement("parameter");
                writer.writeAttribute("id", EditorData::translateSremoteparam2Dwremoteparam(parameter.id));
                writer.writeAttribute("name", parameter.namePath.last());
            }
            if (!group.isEmpty()) {
                writer.writeEndElement();
            }
            writer.writeEndElement();
        }
        writer.writeEndDocument();
        benchmark::DoNotOptimize(file.commit());
    }
}
BENCHMARK(BM_BareStreamWriterOfTheDatabase)->Unit(benchmark::kMillisecond)->UseRealTime();

// A database whose element carries 40,000 attributes: refused by the byte-level look before any parser.
void BM_LoadDatabaseWithAHostileStartTag(benchmark::State& state)
{
    const QString db = scratch().path() + "/hostile";
    QDir().mkpath(db);
    QByteArray text = "<!DOCTYPE QPXiDatabase>\n<dawlist><daw name=\"Sonvik 8\"";
    for (int a = 0; a < 40000; ++a) {
        text += " a" + QByteArray::number(a) + "=\"\"";
    }
    touch(db + "/QPXiDatabase.xml", text + "/></dawlist>\n");
    QPXiInfo info(QDir(scratch().path() + "/finder"), QDir(scratch().path() + "/preset"), QDir(db), benchMachine());
    for (auto _ : state) {
        info.selectDAW("Sonvik 8");
    }
}
BENCHMARK(BM_LoadDatabaseWithAHostileStartTag)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QueryParameterNames(benchmark::State& state)
{
    const QString db = generatedDatabaseFolder();
    QPXiInfo info(QDir(scratch().path() + "/finder"), QDir(scratch().path() + "/preset"), QDir(db), benchMachine());
    info.selectDAW("Sonvik 8");
    const QStringList ids{"000001069", "0000011CC", "100000003", "100000401", "000009999"};
    qsizetype i = 0;
    for (auto _ : state) {
        const QString name = info.getQPXiNameFromQPXiExtensionName("Instrument29");
        benchmark::DoNotOptimize(info.getParameterName(name, ids.at(i++ % ids.size())));
    }
}
BENCHMARK(BM_QueryParameterNames);

} // namespace
