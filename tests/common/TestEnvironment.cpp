#include "TestEnvironment.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>
#include <thread>

namespace kwtest {

namespace {
std::unique_ptr<QTemporaryDir>& rootDir()
{
    static std::unique_ptr<QTemporaryDir> dir;
    return dir;
}

void setFolderVariable(const char* name, const QString& path)
{
    QDir().mkpath(path);
    qputenv(name, QFile::encodeName(path));
}

// A run may start several JACK servers so that tests of the machine's MIDI system run side by side, one on
// each (scripts/jack-env): ctest says which one this test was given ("id:s2,slots:1"). "s0" is the server
// JACK_DEFAULT_SERVER names, "sK" the one named after it with "-sK". The programs the test starts inherit it.
void useGivenJackServer(const QByteArray& runServer)
{
    if (qgetenv("CTEST_RESOURCE_GROUP_0") != "jack")
        return;
    const QByteArray given = qgetenv("CTEST_RESOURCE_GROUP_0_JACK");
    const QByteArray id = given.startsWith("id:") ? given.mid(3, given.indexOf(',') - 3) : QByteArray();
    if (!id.isEmpty() && id != "s0")
        qputenv("JACK_DEFAULT_SERVER", runServer + '-' + id);
}
} // namespace

void isolateFromUserFiles()
{
    if (rootDir()) {
        return;
    }
    rootDir() = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/kwtest-XXXXXX");
    const QString root = rootDir()->path();
    setFolderVariable("HOME", root + "/home");
    setFolderVariable("XDG_CONFIG_HOME", root + "/config");
    setFolderVariable("XDG_DATA_HOME", root + "/data");
    setFolderVariable("XDG_CACHE_HOME", root + "/cache");
    QDir().mkpath(root + "/runtime");
    QFile::setPermissions(root + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root + "/runtime"));
    // JACK's server called "default" (the one a program reaches when none is named) is a user's session:
    // tests create and link ports only in a server started for them (scripts/jack-env's start_test_jack
    // names one), and skip where there is none. Nor do they start one by the way.
    const QByteArray jackServer = qgetenv("JACK_DEFAULT_SERVER");
    if (jackServer.isEmpty() || jackServer == "default")
        qputenv("JACK_DEFAULT_SERVER", "kw-tests-have-no-jack-server");
    else
        useGivenJackServer(jackServer);
    qputenv("JACK_NO_START_SERVER", "1");
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, root + "/settings");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, root + "/settings");
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, root + "/settings-system");
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, root + "/settings-system");
}

QString isolatedRoot()
{
    return rootDir() ? rootDir()->path() : QString();
}

bool waitUntil(const std::function<bool()>& predicate, std::chrono::milliseconds deadline)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!predicate()) {
        if (std::chrono::steady_clock::now() >= end) {
            return predicate();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool endProcess(QProcess& process, std::chrono::milliseconds grace)
{
    if (process.state() == QProcess::NotRunning)
        return true;
    process.closeWriteChannel();
    if (process.waitForFinished(static_cast<int>(grace.count())))
        return true;
    process.kill();
    return process.waitForFinished(5000);
}

} // namespace kwtest
