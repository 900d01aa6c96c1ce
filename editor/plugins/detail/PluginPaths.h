#pragma once

#include <QFile>
#include <QString>

#include <string>

namespace kwplugins {

// An instrument name comes from the finder; it becomes part of a file path only when it cannot leave the
// folder it is put in.
inline bool isPathSafeName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String("..") &&
           !name.contains(QChar(0));
}

// A path as the file search and the not-a-synth list keep it: in the file system's own bytes.
inline std::string toLocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace kwplugins
