#include "TestEnvironment.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include <sched.h>
#include <sys/mount.h>

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

// A run may start several JACK servers so that tests of the machine's MIDI system run side by side, each
// alone on one (scripts/jack-env). Each server has a /dev/shm of its own, the folder KW_JACK_SLOTS_DIR/<id>,
// and ctest says which one this test was given ("id:s2,slots:1"): the test, and every program it starts,
// takes that folder as its /dev/shm, in a mount namespace of its own. Stops the test program in words where
// it cannot: on another server's /dev/shm it would not reach its own.
void joinGivenJackServer()
{
    const QByteArray folders = qgetenv("KW_JACK_SLOTS_DIR");
    const QByteArray given = qgetenv("CTEST_RESOURCE_GROUP_0_JACK");
    if (folders.isEmpty() || qgetenv("CTEST_RESOURCE_GROUP_0") != "jack" || !given.startsWith("id:"))
        return;
    const QByteArray shm = folders + '/' + given.mid(3, given.indexOf(',') - 3);
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount(shm.constData(), "/dev/shm", nullptr, MS_BIND, nullptr) != 0) {
        std::fprintf(stderr, "the test cannot take %s, the /dev/shm of its JACK server: %s\n", shm.constData(),
                     std::strerror(errno));
        std::exit(1);
    }
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
        joinGivenJackServer();
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
