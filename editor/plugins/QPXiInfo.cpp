#include "QPXiInfo.h"

#include "EditorDefinitions.h"

#include <QDateTime>
#include <QFile>
#include <QSettings>

#include <cstring>

#include <dirent.h>
#include <sys/stat.h>

namespace {

// The supported editions of the host DAW: application name, display name, edition tag.
struct DAWRow
{
    const char* applicationName;
    const char* displayName;
    const char* editionTag;
};

const DAWRow kDAWRows[] = {
    {"Sonvik 8", "Sonvik 8", "Sonvik 8"},
    {"Sonvik 8", "Sonvik Artist 8", "Sonvik Artist 8"},
    {"Sonvik Elements 8", "Sonvik Elements 8", "Sonvik Elements 8"},
    {"Sonvik 7", "Sonvik 7", "Sonvik 7"},
    {"Sonvik 7", "Sonvik Artist 7", "Sonvik Artist 7"},
    {"Sonvik Elements 7", "Sonvik Elements 7", "Sonvik Elements 7"},
    {"Sonvik 6", "Sonvik 6", "Sonvik 6"},
    {"Sonvik 6", "Sonvik Artist 6", "Sonvik Artist 6"},
    {"Sonvik Elements 6", "Sonvik Elements 6", "Sonvik Elements 6"},
    {"Sonvik 5", "Sonvik 5", "Sonvik 5"},
    {"Sonvik 5", "Sonvik Studio 5", "Sonvik Studio 5"},
    {"Sonvik Essential 5", "Sonvik Essential 5", "Sonvik Essential 5"},
    {"Sonvik 4", "Sonvik 4", "Sonvik 4"},
    {"Sonvik 4", "Sonvik Studio 4", "Sonvik Studio 4"},
    {"Sonvik Essential 4", "Sonvik Essential 4", "Sonvik Essential 4"},
    {"Parlex 8", "Parlex 8", "Parlex 8"},
    {"Parlex Lite 8", "Parlex Lite 8", "Parlex Lite 8"},
    {"Parlex 7", "Parlex 7", "Parlex 7"},
    {"Parlex Lite 7", "Parlex Lite 7", "Parlex Lite 7"},
    {"Parlex 6", "Parlex 6", "Parlex 6"},
    {"Parlex Lite 6", "Parlex Lite 6", "Parlex Lite 6"},
    {"Parlex 5", "Parlex 5", "Parlex 5"},
    {"Parlex Lite 5", "Parlex Lite 5", "Parlex Lite 5"},
    {"Parlex 4", "Parlex 4", "Parlex 4"},
    {"Parlex Lite 4", "Parlex Lite 4", "Parlex Lite 4"},
    {"Parlex 3", "Parlex 3", "Parlex 3"},
};

// Allocated bytes of everything below a folder; links are counted as themselves, never followed, so a
// link back up the tree cannot make the walk endless.
quint64 allocatedSizeBelow(const QByteArray& folder, int depth)
{
    constexpr int kMaxDepth = 256;
    if (depth > kMaxDepth) {
        return 0;
    }
    DIR* dir = ::opendir(folder.constData());
    if (!dir) {
        return 0;
    }
    quint64 sum = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        const QByteArray child = folder + '/' + entry->d_name;
        struct stat info = {};
        if (::lstat(child.constData(), &info) != 0) {
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            sum += allocatedSizeBelow(child, depth + 1);
        } else {
            sum += static_cast<quint64>(info.st_blocks) * 512u;
        }
    }
    ::closedir(dir);
    return sum;
}

} // namespace

const char* const QPXiInfo::kFinderTimeoutSettingKey = "preferences/QPXiInfoFinderTimeout";
const char* const QPXiInfo::kSettingsOrganization = "Telvor";

qint64 getQPXiFileSize(const QFileInfo& file)
{
    const QByteArray path = QFile::encodeName(file.absoluteFilePath());
    struct stat info = {};
    if (path.isEmpty() || ::stat(path.constData(), &info) != 0) {
        return file.size();
    }
    if (!S_ISDIR(info.st_mode)) {
        return static_cast<qint64>(info.st_blocks) * 512;
    }
    return static_cast<qint64>(allocatedSizeBelow(path, 0));
}

QString qpxiFileTime(const QFileInfo& file)
{
    return file.lastModified().toLocalTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"));
}

namespace {

bool isXmlCharacter(char16_t u)
{
    return u == 0x9 || u == 0xA || u == 0xD || (u >= 0x20 && u <= 0xD7FF) || (u >= 0xE000 && u <= 0xFFFD);
}

} // namespace

QString removeXmlInvalidCharacters(const QString& text)
{
    // Almost every text is clean: it is then shared, not copied.
    qsizetype firstInvalid = 0;
    for (; firstInvalid < text.size(); ++firstInvalid) {
        const QChar c = text.at(firstInvalid);
        if (c.isHighSurrogate() && firstInvalid + 1 < text.size() && text.at(firstInvalid + 1).isLowSurrogate()) {
            ++firstInvalid;
        } else if (!isXmlCharacter(c.unicode())) {
            break;
        }
    }
    if (firstInvalid == text.size()) {
        return text;
    }
    QString result;
    result.reserve(text.size());
    result.append(QStringView(text).left(firstInvalid));
    for (qsizetype i = firstInvalid; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            result.append(c);
            result.append(text.at(++i));
            continue;
        }
        if (isXmlCharacter(c.unicode())) {
            result.append(c);
        }
    }
    return result;
}

QPXiInfo::QPXiInfo(QDir finderModuleFolder, QDir presetFolder, QDir databaseFolder, const QPXiMachine& machine)
    : QObject(nullptr), m_dawSettingFolder(QString()), m_finderModuleFolder(finderModuleFolder),
      m_presetFolder(presetFolder), m_databaseFolder(databaseFolder), m_machine(machine)
{
    // The editor's own settings store, the one its main window keeps its options in.
    const QSettings settings(QSettings::UserScope, QLatin1String(kSettingsOrganization), SettingName);
    const int configured = settings.value(QLatin1String(kFinderTimeoutSettingKey), kDefaultFinderTimeoutMs).toInt();
    m_finderTimeoutMs = configured > 0 ? configured : kDefaultFinderTimeoutMs;
    for (const DAWRow& row : kDAWRows) {
        installDAWJudgment(QString::fromUtf8(row.applicationName), QString::fromUtf8(row.displayName),
                           QString::fromUtf8(row.editionTag));
    }
    appendPreset();
}

QPXiInfo::~QPXiInfo() = default;

void QPXiInfo::installDAWJudgment(const QString& applicationName, const QString& displayName, const QString& editionTag)
{
    const QString bundle = m_machine.systemPath(QStringLiteral("/Applications/") + applicationName + ".app");
    if (!QFileInfo(bundle).isExecutable()) {
        return;
    }
    const QString plain = k_qpx2xSettingFileNameWithoutExt + " " + editionTag + k_qpx2xSettingFileExtension;
    const QString wide = k_qpx2xSettingFileNameWithoutExt + " " + editionTag + k_qpx2xSettingFileMac64Suffix +
                         k_qpx2xSettingFileExtension;
    const QDir settings(m_machine.homePath(DAWSettingBasePath + "/" + applicationName));
    if (QFileInfo(settings.absoluteFilePath(plain)).isReadable() ||
        QFileInfo(settings.absoluteFilePath(wide)).isReadable()) {
        m_dawTable.insert(displayName, qMakePair(applicationName, plain));
    }
}

QStringList QPXiInfo::getDAWList() const
{
    return m_dawTable.keys();
}

QDir QPXiInfo::getDAWSettingFolder(QString& applicationName) const
{
    return QDir(m_machine.homePath(DAWSettingBasePath + "/" + applicationName));
}

void QPXiInfo::selectDAW(const QString& displayName)
{
    QMutexLocker locker(&m_mutex);
    m_selectedDAW = displayName;
    QString applicationName = m_dawTable.value(displayName).first;
    m_dawSettingFolder = getDAWSettingFolder(applicationName);
    m_parameterLists.clear();
    m_parameterNames.clear();
    m_pluginFiles.clear();
    getQPXi2Folder();
    getQPXi3Folder();
    QFile database(databaseFilePath());
    createParameterListFromDatabase(database);
}

void QPXiInfo::getQPXi2Folder()
{
    m_qpx2Folders.clear();
    if (m_selectedDAW.isEmpty()) {
        return;
    }
    const QPair<QString, QString> entry = m_dawTable.value(m_selectedDAW);
    m_qpx2Folders.append(
        QDir(m_machine.systemPath(QStringLiteral("/Applications/") + entry.first + ".app/Contents/QPXPlugIns")));
    if (entry.second.isEmpty()) {
        return;
    }
    const QFileInfo cache(m_dawSettingFolder.absoluteFilePath(entry.second));
    if (cache.isReadable()) {
        QString path = cache.absoluteFilePath();
        analyzeXmlToFindQPX2Folders(path);
    }
    const QFileInfo wide(cache.absolutePath() + "/" + cache.completeBaseName() + k_qpx2xSettingFileMac64Suffix + "." +
                         cache.suffix());
    if (wide.isReadable()) {
        QString path = wide.absoluteFilePath();
        analyzeXmlToFindQPX2Folders(path);
    }
}

void QPXiInfo::getQPXi3Folder()
{
    m_qpx3Folders.clear();
    if (m_selectedDAW.isEmpty()) {
        return;
    }
    const QString applicationName = m_dawTable.value(m_selectedDAW).first;
    m_qpx3Folders.append(
        QDir(m_machine.systemPath(QStringLiteral("/Applications/") + applicationName + ".app/Contents/QPX3")));
    m_qpx3Folders.append(QDir(m_machine.systemPath(QStringLiteral("/Library/Audio/Plug-Ins/QPX3"))));
    m_qpx3Folders.append(QDir(m_machine.homePath(QStringLiteral("/Library/Audio/Plug-Ins/QPX3"))));
}

void QPXiInfo::appendPreset()
{
    QFile preset(m_presetFolder.absoluteFilePath(PresetFileName));
    createParameterListFromPreset(preset);
    for (const QString& name : {AudioTrackName, MIDITrackName, GenericName}) {
        if (m_parameterLists.contains(name)) {
            continue;
        }
        m_parameterLists.insert(name, {});
        m_pluginFiles.insert(name, QPXiFileInfo{QFileInfo(), 0});
        m_qpxiList.append(name);
    }
}

void QPXiInfo::initializeDatabase()
{
    QFile::remove(databaseFilePath());
    QFile::remove(notSynthListPath());
}

void QPXiInfo::clearNotSynthList()
{
    QFile::remove(notSynthListPath());
}

QString QPXiInfo::databaseFilePath() const
{
    return m_databaseFolder.absoluteFilePath(DatabaseFileName);
}

QString QPXiInfo::notSynthListPath() const
{
    return m_databaseFolder.absoluteFilePath(NotSynthListFileName);
}
