#pragma once

#include "QPXiInfo.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <string>

namespace kwtest {

// A whole computer laid out in a temporary folder: applications and system plug-in folders under a root,
// the user's home, the finder's and the preset's folders and the database folder.
class PluginMachine
{
public:
    PluginMachine();
    ~PluginMachine();

    QString base() const { return m_dir.path(); }
    QString root() const { return m_dir.path() + "/root"; }
    QString home() const { return m_dir.path() + "/home"; }
    QString finderFolder() const { return m_dir.path() + "/finder"; }
    QString presetFolder() const { return m_dir.path() + "/preset"; }
    // Not created: the database code must make it.
    QString databaseFolder() const { return m_dir.path() + "/data/db"; }
    QString databaseFile() const { return databaseFolder() + "/QPXiDatabase.xml"; }
    QString notSynthList() const { return databaseFolder() + "/NotSynthList.txt"; }
    QString userQpx3Folder() const { return home() + "/Library/Audio/Plug-Ins/QPX3"; }
    QString systemQpx3Folder() const { return root() + "/Library/Audio/Plug-Ins/QPX3"; }
    QString appFolder(const QString& application) const { return root() + "/Applications/" + application + ".app"; }
    QString prefsFolder(const QString& application) const { return home() + "/Library/Preferences/" + application; }

    // Installs the application bundle and its plug-in cache file(s); the cache lists these QPX2 folders.
    void installDAW(const QString& application, const QString& editionTag, const QStringList& qpx2Folders = {},
                    bool plainCache = true, bool wideCache = false);
    // A cache file naming the given folders, in the host's format.
    static QByteArray cacheFileText(const QStringList& folders);

    // A plain plug-in file whose contents are the stand-in finder's control text.
    QString addPlugin(const QString& folder, const QString& fileName, const QByteArray& control = "exit=1\n");
    // A bundle folder with Contents/PkgInfo (when a type is given) and the finder's control file.
    QString addBundle(const QString& folder, const QString& fileName, const QByteArray& control = "exit=1\n",
                      const QByteArray& typeCode = QByteArray());

    // Puts the stand-in finder under the finder's name into the finder folder.
    void installFinder();
    // How many finder runs the log has seen, and for which plug-ins.
    QStringList finderRuns() const;
    void resetFinderLog();

    void writePreset(const QByteArray& text);
    std::unique_ptr<QPXiInfo> make(int finderTimeoutMs = 20000) const;

    static void writeFile(const QString& path, const QByteArray& bytes);
    static QByteArray readFile(const QString& path);

private:
    QTemporaryDir m_dir;
    QByteArray m_oldLog;
};

// Finder control text whose result file reports one instrument with the given parameter lines.
QByteArray finderResult(const QStringList& lines, int exitCode = 0);

// A path in the file system's own bytes, as the file search takes and gives it.
inline std::string localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace kwtest
