#pragma once

#include <QDir>
#include <QTemporaryDir>

namespace kwfuzz {

// A private folder for the files a fuzzer writes on every run. In memory where the system offers a memory
// file system: on a busy disk, truncating and rewriting a file costs milliseconds, far more than the reader
// under test.
inline QTemporaryDir makeScratchFolder()
{
    const QDir memory(QStringLiteral("/dev/shm"));
    if (memory.exists() && QFileInfo(memory.path()).isWritable()) {
        return QTemporaryDir(memory.filePath(QStringLiteral("kwfuzz-XXXXXX")));
    }
    return QTemporaryDir();
}

} // namespace kwfuzz
