#include "QPXiInfo.h"

#include "CQPXiPathFinder.h"
#include "EditorDefinitions.h"
#include "detail/PluginPaths.h"

#include <QFile>
#include <QLockFile>

#include <algorithm>
#include <map>

namespace {

// Only one scan may use the database folder's result file at a time, also across editors.
const char* const kScanLockFileName = "QPXiInfoFinder.lock";

// The host maker's two instruments that live outside every plug-in folder, by instrument name.
const QString k_virluxSonicSEPath =
    QStringLiteral("/Library/Application Support/Quorvane/Components/Virlux Sonic SE.qpx3");
const QString k_drumvaleSEPath = QStringLiteral("/Library/Application Support/Quorvane/Components/Drumvale SE.qpx3");

std::vector<std::string> searchFolders(const QList<QDir>& folders)
{
    std::vector<std::string> result;
    for (const QDir& folder : folders) {
        result.push_back(kwplugins::toLocalPath(folder.absolutePath() + "/"));
    }
    return result;
}

QString fileNameOf(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(CQPXiPathFinder::FileNameOf(path)));
}

} // namespace

void QPXiInfo::analyzeQPXi()
{
    QMutexLocker locker(&m_mutex);
    QDir().mkpath(m_databaseFolder.absolutePath());
    QLockFile scanLock(m_databaseFolder.absoluteFilePath(QLatin1String(kScanLockFileName)));
    scanLock.setStaleLockTime(0);
    scanLock.lock();

    CQPXiPathFinder finder(kwplugins::toLocalPath(m_databaseFolder.absolutePath() + "/"));
    m_scanResults.clear();
    m_descriptionFiles.clear();
    m_sideFileNames.clear();

    std::vector<std::string> ignorable;
    std::vector<std::string> qpx3BaseNames;
    for (auto it = m_pluginFiles.cbegin(); it != m_pluginFiles.cend(); ++it) {
        if (it.value().file.filePath().isEmpty()) {
            continue; // a fixed name without a plug-in file
        }
        const std::string path = kwplugins::toLocalPath(it.value().file.absoluteFilePath());
        ignorable.push_back(CQPXiPathFinder::FileNameOf(path));
        if (it.value().version == 3) {
            qpx3BaseNames.push_back(CQPXiPathFinder::BaseNameOf(path));
        }
    }
    finder.SetIgnorableQPXis(ignorable);

    std::vector<std::string> qpx3Paths;
    std::vector<std::string> qpx2Paths;
    if (!m_qpx3Folders.isEmpty()) {
        finder.SearchAllFiles(searchFolders(m_qpx3Folders), &qpx3Paths, false);
    }
    if (!m_qpx2Folders.isEmpty()) {
        finder.SearchAllFiles(searchFolders(m_qpx2Folders), &qpx2Paths, true);
    }
    const std::map<QString, QString> fixedInstruments{{QStringLiteral("Drumvale SE"), k_drumvaleSEPath},
                                                      {QStringLiteral("Virlux Sonic SE"), k_virluxSonicSEPath}};
    for (const auto& [name, path] : fixedInstruments) {
        const QString located = m_machine.systemPath(path);
        if (!m_pluginFiles.contains(name) && QFileInfo::exists(located)) {
            qpx3Paths.push_back(kwplugins::toLocalPath(located));
        }
    }

    for (const std::string& path : qpx3Paths) {
        const QString pluginPath = QFile::decodeName(QByteArray::fromStdString(path));
        emit analyzingQPXi(fileNameOf(path));
        getQPXiParamInfo(pluginPath, false, &finder);
        if (!m_scanResults.empty() && m_scanResults.back().path == path) {
            qpx3BaseNames.push_back(CQPXiPathFinder::BaseNameOf(path));
        }
    }
    for (const std::string& path : qpx2Paths) {
        if (std::find(qpx3BaseNames.begin(), qpx3BaseNames.end(), CQPXiPathFinder::BaseNameOf(path)) !=
            qpx3BaseNames.end()) {
            finder.AddNotSynthList(path);
            continue;
        }
        emit analyzingQPXi(fileNameOf(path));
        getQPXiParamInfo(QFile::decodeName(QByteArray::fromStdString(path)), true, &finder);
    }
    emit analyzingQPXi(QString());
}

void QPXiInfo::getQPXiParamInfo(const QString& pluginPath, bool isQPX2, CQPXiPathFinder* finder)
{
    execQPXiInfoFinder(m_finderModuleFolder.absoluteFilePath(QPXiInfoFinderX86Module), pluginPath,
                       m_databaseFolder.absoluteFilePath(QPXiInfoFinderTempFileName), isQPX2, finder);
}
