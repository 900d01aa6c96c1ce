#pragma once

#include <QByteArray>

class RemoteMemAPI;

// The template document that the library's clipboard and drags carry: one template as a bank file writes
// it, its root naming the template and bank it came from. Stateless; on the thread that uses the memory
// service (the GUI thread in the editor).
namespace TemplateDocument {

// A document is a few kilobytes; larger data is no template document and is not parsed.
inline constexpr qsizetype kMaxBytes = 256 * 1024;

// The document of (bank, templ), as the clipboard's data of TemplateMimeType.
QByteArray create(RemoteMemAPI* memory, int bank, int templ);
// The template and bank numbers on the document's root; -1 when missing, not a number, or when the bytes
// are no document.
int templateNumber(const QByteArray& bytes);
int bankNumber(const QByteArray& bytes);
// Writes the template the document carries over (bank, templ), value by value through the memory service.
// False, with nothing written, unless the document holds every value of a template. A value the memory
// refuses (too long, out of range) keeps the old one, as a bank file's does.
bool write(RemoteMemAPI* memory, const QByteArray& bytes, int bank, int templ);

} // namespace TemplateDocument
