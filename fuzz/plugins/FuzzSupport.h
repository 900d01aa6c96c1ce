#pragma once

#include "../ScratchFolder.h"
#include "QPXiInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kwfuzz {

// One private folder per fuzzer process, holding an empty machine and the files the fuzzer writes.
inline QTemporaryDir& workFolder()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
    static QTemporaryDir dir = makeScratchFolder();
    return dir;
}

inline QString workPath(const QString& name)
{
    return workFolder().path() + "/" + name;
}

inline std::unique_ptr<QPXiInfo> makeInfo()
{
    QPXiMachine machine;
    machine.root = workPath("root");
    machine.home = workPath("home");
    return std::make_unique<QPXiInfo>(QDir(workPath("finder")), QDir(workPath("preset")), QDir(workPath("db")),
                                      machine);
}

// Unbuffered: a buffered file reserves and fills a large buffer on every run, which under the address
// sanitizer costs more than the reader under test.
inline void writeInput(const QString& path, const uint8_t* data, size_t size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        QDir().mkpath(QFileInfo(path).absolutePath());
    }
    if (file.isOpen() || file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
}

} // namespace kwfuzz
