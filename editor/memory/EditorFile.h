#pragma once

#include <QDir>
#include <QFile>
#include <QString>

class RemoteMemAPI;

// Writes a bank with the edit buffer into a bank file and reads one back into the memory mirror.
// Stateless; the editor windows call it on the GUI thread. Each value passes through the memory
// service, so observers see a load value by value. In every operation error may be null; a message is
// stored there only on failure.
class EditorFile
{
public:
    // Files beyond this size are no bank file (a full one is well under a megabyte) and are not read.
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;
    // Bank files nest four elements deep; deeper documents are no bank file and are not parsed.
    static constexpr int kMaxElementDepth = 32;

    // The document parser's time grows much faster than the nesting depth, so a small document of nothing
    // but nested elements could hold the editor for hours. This streaming pass, linear in the size,
    // refuses such documents (bank files, clipboard and drag documents) before they are parsed. False
    // only for too deep a nesting; malformed XML is left to the parser.
    static bool isNestingWithinBound(const QByteArray& bytes);

    // The bank's templates, bank 0's templates and bank 0's current template number. The old file is
    // replaced only by a complete new one: on any failure it stays as it was.
    static bool save(RemoteMemAPI* memory, int bank, QFile* file, QString* error);
    // With the edit buffer the file's templates go into bank and its edit buffer into bank 0; without,
    // its templates go into bank. No SysEx is sent and the file edit flag is not raised meanwhile. On
    // failure every bank written is put back as it was, its available flag included.
    static bool load(RemoteMemAPI* memory, int bank, QFile* file, bool withEditBuffer, QString* error);
    // Saves into a new file of dir named prefix + a fresh UUID + extension; on failure the bank is
    // marked unavailable.
    static bool create(RemoteMemAPI* memory, int bank, const QDir& dir, const QString& prefix, const QString& extension,
                       QString* error);
};
