// Speed of the plug-in search beside find(1) on one generated tree, and of loading, writing and querying a
// large database.
#include "CFileSearch.h"
#include "QPXiInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

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

// A database of 300 instruments with 1,000 parameters each, in ten groups, whose plug-in files exist.
const QString& generatedDatabaseFolder()
{
    static const QString folder = [] {
        const QString db = scratch().path() + "/db";
        const QString plugins = scratch().path() + "/plugins";
        QDir().mkpath(db);
        QDir().mkpath(plugins);
        QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE QPXiDatabase>\n<dawlist>\n"
                          "    <daw name=\"Sonvik 8\">\n";
        for (int i = 0; i < kInstruments; ++i) {
            const QString path = QString("%1/Instrument %2.qpx3").arg(plugins).arg(i);
            touch(path, "plug-in");
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
        return db;
    }();
    return folder;
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

void BM_LoadDatabase(benchmark::State& state)
{
    const QString db = generatedDatabaseFolder();
    QPXiInfo info(QDir(scratch().path() + "/finder"), QDir(scratch().path() + "/preset"), QDir(db), benchMachine());
    for (auto _ : state) {
        info.selectDAW("Sonvik 8");
    }
    state.counters["instruments"] = static_cast<double>(info.pluginFiles().size());
    state.counters["parameters"] = static_cast<double>(info.getQPXiParameterList("Instrument 7").size());
}
BENCHMARK(BM_LoadDatabase)->Unit(benchmark::kMillisecond);

void BM_WriteDatabase(benchmark::State& state)
{
    const QString db = generatedDatabaseFolder();
    QPXiInfo info(QDir(scratch().path() + "/finder"), QDir(scratch().path() + "/preset"), QDir(db), benchMachine());
    info.selectDAW("Sonvik 8");
    QFile out(scratch().path() + "/written.xml");
    for (auto _ : state) {
        benchmark::DoNotOptimize(info.writeParameterListDatabase(out));
    }
}
BENCHMARK(BM_WriteDatabase)->Unit(benchmark::kMillisecond);

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
