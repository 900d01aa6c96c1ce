#pragma once

#include "XmlPrescan.h"

#include <QByteArray>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>

namespace kwplugins {

// Files larger than this are no database, preset, description or cache file of ours and are not parsed.
constexpr qint64 kMaxXmlFileBytes = 64 * 1024 * 1024;

// Deepest group nesting that the tree walks follow; deeper groups are dropped with their contents.
constexpr int kMaxGroupDepth = 64;

// No element of these files has more than five attributes; a start tag holds at most a path and a few names.
constexpr XmlPrescan::Limits kXmlTagLimits{64 * 1024, 32};

// Reads an opened file whole when its size is within bounds and no start tag is beyond the tag limits; false
// otherwise.
inline bool readBoundedXml(QFile& file, QByteArray* bytes)
{
    if (file.size() > kMaxXmlFileBytes) {
        return false;
    }
    // Read what the file holds, not the bound: reading with the bound as the size reserves that much.
    *bytes = file.read(file.size());
    return bytes->size() <= kMaxXmlFileBytes && prescanXml(*bytes, kXmlTagLimits).withinLimits;
}

// Opens the file read-only, reads it within the bounds and closes it again; false when any step fails. Only
// a regular file is opened: opening a named pipe waits for a writer, for ever. The file is read in one piece,
// so a read buffer would only add a copy.
inline bool readXmlFileBytes(QFile& file, QByteArray* bytes)
{
    if (!QFileInfo(file.fileName()).isFile() || !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return false;
    }
    const bool read = readBoundedXml(file, bytes);
    file.close();
    return read;
}

// As readXmlFileBytes, and parses what it read into a document.
inline bool readXmlFile(QFile& file, QDomDocument& document)
{
    QByteArray bytes;
    return readXmlFileBytes(file, &bytes) && bool(document.setContent(bytes));
}

} // namespace kwplugins
