#include "QPXiInfo.h"

#include "CQPXiPathFinder.h"
#include "EditorDefinitions.h"
#include "detail/PluginPaths.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <csignal>

#include <sys/types.h>
#include <unistd.h>

namespace {

// A result file larger than this was not written by a finder; it is treated like an unreadable one.
constexpr qint64 kMaxResultFileBytes = 64 * 1024 * 1024;
// How long a killed finder may take to be reaped.
constexpr int kReapTimeoutMs = 10000;

// The finder is a bundle on its home platform; a plain executable of that name is started directly.
QString finderProgram(const QString& finderPath)
{
    const QFileInfo finder(finderPath);
    if (finder.isDir()) {
        return finderPath + "/Contents/MacOS/" + finder.completeBaseName();
    }
    return finderPath;
}

// Kills everything the finder started, so that nothing it left behind can write into the next
// plug-in's result file.
void killProcessGroup(qint64 pid)
{
    if (pid > 0) {
        ::kill(-static_cast<pid_t>(pid), SIGKILL);
    }
}

QString finderParameterId(int id)
{
    return QString::number(static_cast<quint32>(id), 16).rightJustified(9, QLatin1Char('0'));
}

} // namespace

QString getStringFromFile(QFile* file, bool* error)
{
    if (!file || !error || *error) {
        return QString();
    }
    if (file->atEnd()) {
        *error = true;
        return QString();
    }
    // Read in small pieces: a line read in one call reserves a large buffer first, for every line.
    QByteArray line;
    char piece[256];
    qint64 read = 0;
    while ((read = file->readLine(piece, qint64(sizeof piece))) > 0) {
        line.append(piece, qsizetype(read));
        if (piece[read - 1] == '\n') {
            break;
        }
    }
    return QString::fromLocal8Bit(line).trimmed();
}

int getIntFromFile(QFile* file, bool* error)
{
    const QString line = getStringFromFile(file, error);
    if (!error || *error) {
        return 0;
    }
    bool ok = false;
    const int value = line.toInt(&ok, 10);
    if (!ok) {
        *error = true;
        return 0;
    }
    return value;
}

void QPXiInfo::execQPXiInfoFinder(const QString& finderPath, const QString& pluginPath, const QString& resultPath,
                                  bool isQPX2, CQPXiPathFinder* finder)
{
    QFile::remove(resultPath);

    QProcess process;
    process.setProgram(finderProgram(finderPath));
    process.setArguments({pluginPath, resultPath});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    // A group of its own lets the editor kill the finder together with anything it started.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });

    QElapsedTimer clock;
    clock.start();
    process.start(QIODevice::ReadWrite);
    const bool started = process.waitForStarted(m_finderTimeoutMs);
    const qint64 pid = started ? process.processId() : 0;
    const int remaining = static_cast<int>(qMax<qint64>(0, m_finderTimeoutMs - clock.elapsed()));
    const bool finished = started && process.waitForFinished(remaining);
    killProcessGroup(pid);
    if (!finished) {
        process.kill();
        process.waitForFinished(kReapTimeoutMs);
        markFailure(pluginPath, isQPX2, finder);
    } else if (process.exitStatus() != QProcess::NormalExit) {
        markFailure(pluginPath, isQPX2, finder);
    } else {
        const int exitCode = process.exitCode();
        switch (exitCode) {
        case 0:
        case 2: {
            QFile result(resultPath);
            readQPXiInfoFinderResult(result, pluginPath, isQPX2, exitCode, finder);
            break;
        }
        case 1:
            entryQPXiPreset(pluginPath, isQPX2, finder);
            break;
        case 3:
        case 8:
            markNotSynth(pluginPath, finder);
            break;
        case 4:
        case 5:
        case 6:
        case 7:
            markFailure(pluginPath, isQPX2, finder);
            break;
        default:
            break;
        }
    }
    QFile::remove(resultPath);
}

void QPXiInfo::markFailure(const QString& pluginPath, bool isQPX2, CQPXiPathFinder* finder)
{
    if (!entryQPXiPreset(pluginPath, isQPX2, finder)) {
        markNotSynth(pluginPath, finder);
    }
}

void QPXiInfo::markNotSynth(const QString& pluginPath, CQPXiPathFinder* finder)
{
    if (finder) {
        finder->AddNotSynthList(kwplugins::toLocalPath(pluginPath));
    }
}

bool QPXiInfo::entryQPXiPreset(const QString& pluginPath, bool isQPX2, CQPXiPathFinder* finder)
{
    if (!finder) {
        return false;
    }
    const std::string path = kwplugins::toLocalPath(pluginPath);
    const std::vector<std::string> names = finder->GetQPXiName(path);
    for (const std::string& name : names) {
        m_scanResults.push_back(SQPXiInfo{name, path, isQPX2, {}});
    }
    return !names.empty();
}

void QPXiInfo::readQPXiInfoFinderResult(QFile& file, const QString& pluginPath, bool isQPX2, int exitCode,
                                        CQPXiPathFinder* finder)
{
    if (!file.open(QIODevice::ReadOnly)) {
        markFailure(pluginPath, isQPX2, finder);
        return;
    }
    if (file.size() == 0 || file.size() > kMaxResultFileBytes) {
        file.close();
        markFailure(pluginPath, isQPX2, finder);
        return;
    }
    bool error = false;
    const int entries = getIntFromFile(&file, &error);
    if (error) {
        markNotSynth(pluginPath, finder);
        file.close();
        return;
    }
    // The counts come from outside: every loop ends at the file's end through the error flag, and
    // nothing is reserved ahead from them.
    for (int entry = 0; entry < entries && !error; ++entry) {
        const QString rawName = getStringFromFile(&file, &error);
        if (error) {
            break;
        }
        if (rawName.isEmpty()) {
            continue;
        }
        const QString name = removeXmlInvalidCharacters(rawName);
        SQPXiInfo record{name.toLocal8Bit().toStdString(), kwplugins::toLocalPath(pluginPath), isQPX2, {}};
        const int parameters = getIntFromFile(&file, &error);
        for (int p = 0; p < parameters && !error; ++p) {
            SQPXiParameterInfo parameter;
            parameter.id = finderParameterId(getIntFromFile(&file, &error));
            parameter.name = getStringFromFile(&file, &error).toLocal8Bit().toStdString();
            const int groups = getIntFromFile(&file, &error);
            for (int g = 0; g < groups && !error; ++g) {
                const QString group = getStringFromFile(&file, &error);
                if (!error) {
                    parameter.groups.push_back(group.toLocal8Bit().toStdString());
                }
            }
            record.parameters.push_back(std::move(parameter));
        }
        if (error) {
            break;
        }
        if (!name.isEmpty() && name != GenericName) {
            recordFinderOutcome(std::move(record), pluginPath, exitCode, isQPX2, finder);
        }
    }
    if (error) {
        markNotSynth(pluginPath, finder);
    }
    file.close();
}

void QPXiInfo::recordFinderOutcome(SQPXiInfo record, const QString& pluginPath, int exitCode, bool isQPX2,
                                   CQPXiPathFinder* finder)
{
    const QString name = QString::fromLocal8Bit(record.name);
    const bool pathSafe = kwplugins::isPathSafeName(name);
    if (pathSafe) {
        const QString inBundle = pluginPath + ResourceQPXXML + name + ExtensionQPXXML;
        if (QFileInfo::exists(inBundle)) {
            m_descriptionFiles.insert(name, inBundle);
        }
    }
    if (exitCode == 0) {
        m_scanResults.push_back(std::move(record));
        return;
    }
    const QString beside = QFileInfo(pluginPath).absolutePath() + "/" + name + ExtensionQPXXML;
    if (pathSafe && QFileInfo(beside).isFile()) {
        m_scanResults.push_back(std::move(record));
        m_descriptionFiles.insert(name, beside);
        if (!m_sideFileNames.contains(name)) {
            m_sideFileNames.append(name);
        }
    } else {
        entryQPXiPreset(pluginPath, isQPX2, finder);
    }
}
