#include "PluginMachine.h"

#include <gtest/gtest.h>

namespace kwtest {

PluginMachine::PluginMachine()
{
    for (const QString& folder : {root(), home(), finderFolder(), presetFolder()}) {
        QDir().mkpath(folder);
    }
    m_oldLog = qgetenv("KW_FINDER_LOG");
    qputenv("KW_FINDER_LOG", QFile::encodeName(base() + "/finder.log"));
}

PluginMachine::~PluginMachine()
{
    if (m_oldLog.isEmpty()) {
        qunsetenv("KW_FINDER_LOG");
    } else {
        qputenv("KW_FINDER_LOG", m_oldLog);
    }
}

QByteArray PluginMachine::cacheFileText(const QStringList& folders)
{
    QByteArray text = "<?xml version=\"1.0\"?>\n<Qpx2xPlugins>\n <list name=\"Entries\" type=\"list\">\n"
                      "  <item>\n   <string name=\"Group\" value=\"Qpx2xPlugManager\"/>\n"
                      "   <member name=\"Values\">\n    <member name=\"PathList\">\n"
                      "     <list name=\"paths\" type=\"obj\">\n";
    for (const QString& folder : folders) {
        const qsizetype slash = folder.lastIndexOf('/');
        text += "      <obj class=\"FNPath\"><string name=\"Path\" value=\"" + folder.left(slash + 1).toUtf8() +
                "\"/><string name=\"Name\" value=\"" + folder.mid(slash + 1).toUtf8() + "\"/></obj>\n";
    }
    text += "     </list>\n    </member>\n   </member>\n  </item>\n </list>\n</Qpx2xPlugins>\n";
    return text;
}

void PluginMachine::installDAW(const QString& application, const QString& editionTag, const QStringList& qpx2Folders,
                               bool plainCache, bool wideCache)
{
    QDir().mkpath(appFolder(application) + "/Contents/QPXPlugIns");
    QDir().mkpath(prefsFolder(application));
    const QString plain = prefsFolder(application) + "/Qpx2xPlugins " + editionTag + ".xml";
    const QString wide = prefsFolder(application) + "/Qpx2xPlugins " + editionTag + " (x86_64).xml";
    if (plainCache) {
        writeFile(plain, cacheFileText(qpx2Folders));
    }
    if (wideCache) {
        writeFile(wide, cacheFileText(qpx2Folders));
    }
}

QString PluginMachine::addPlugin(const QString& folder, const QString& fileName, const QByteArray& control)
{
    QDir().mkpath(folder);
    const QString path = folder + "/" + fileName;
    writeFile(path, control);
    return path;
}

QString PluginMachine::addBundle(const QString& folder, const QString& fileName, const QByteArray& control,
                                 const QByteArray& typeCode)
{
    const QString path = folder + "/" + fileName;
    QDir().mkpath(path + "/Contents/Resources");
    writeFile(path + "/Contents/finder-control.txt", control);
    if (!typeCode.isEmpty()) {
        writeFile(path + "/Contents/PkgInfo", typeCode + "????");
    }
    return path;
}

void PluginMachine::installFinder()
{
    const QString target = finderFolder() + "/qif_zelk6_zelk8_x86.app";
    QFile::remove(target);
    ASSERT_TRUE(QFile::link(QStringLiteral(KW_STAND_IN_FINDER), target));
}

QStringList PluginMachine::finderRuns() const
{
    const QString text = QString::fromUtf8(readFile(base() + "/finder.log"));
    return text.split('\n', Qt::SkipEmptyParts);
}

void PluginMachine::resetFinderLog()
{
    QFile::remove(base() + "/finder.log");
}

void PluginMachine::writePreset(const QByteArray& text)
{
    writeFile(presetFolder() + "/QPXiPreset.xml", text);
}

std::unique_ptr<QPXiInfo> PluginMachine::make(int finderTimeoutMs) const
{
    QPXiMachine machine;
    machine.root = root();
    machine.home = home();
    auto info = std::make_unique<QPXiInfo>(QDir(finderFolder()), QDir(presetFolder()), QDir(databaseFolder()), machine);
    info->setFinderTimeout(finderTimeoutMs);
    return info;
}

void PluginMachine::writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

QByteArray PluginMachine::readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray finderResult(const QStringList& lines, int exitCode)
{
    QByteArray text = "exit=" + QByteArray::number(exitCode) + "\n";
    for (const QString& line : lines) {
        text += "result=" + line.toUtf8() + "\n";
    }
    return text;
}

} // namespace kwtest
