#pragma once

#include <QDomDocument>
#include <QFile>

namespace kwplugins {

// Files larger than this are no database, preset, description or cache file of ours and are not parsed.
constexpr qint64 kMaxXmlFileBytes = 64 * 1024 * 1024;

// Deepest group nesting that the tree walks follow; deeper groups are dropped with their contents.
constexpr int kMaxGroupDepth = 64;

// Parses an opened file when its size is within bounds; false for an oversized or malformed file.
inline bool parseBoundedXml(QFile& file, QDomDocument& document)
{
    if (file.size() > kMaxXmlFileBytes) {
        return false;
    }
    // Read what the file holds, not the bound: reading with the bound as the size reserves that much.
    const QByteArray bytes = file.read(file.size());
    return bytes.size() <= kMaxXmlFileBytes && bool(document.setContent(bytes));
}

// Opens the file read-only, parses it within the bounds and closes it again; false when any step fails.
inline bool readXmlFile(QFile& file, QDomDocument& document)
{
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const bool parsed = parseBoundedXml(file, document);
    file.close();
    return parsed;
}

} // namespace kwplugins
