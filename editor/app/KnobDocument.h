#pragma once

#include <QByteArray>

class RemoteMemAPI;

// The knob document that the template view's clipboard and drags carry: one knob's settings as a bank file
// writes a controller, its root naming the knob it came from. Stateless; on the thread that uses the memory
// service (the GUI thread in the editor).
namespace KnobDocument {

// A document is a few hundred bytes; larger data is no knob document and is not parsed.
inline constexpr qsizetype kMaxBytes = 64 * 1024;

// The document of knob `knob` of (bank, templ), as the clipboard's data of KnobMimeType.
QByteArray create(RemoteMemAPI* memory, int bank, int templ, int knob);
// The knob the document's root names, 0..11: its "number" read as a decimal number (0 when it is none);
// -1 when the attribute is missing or names no knob, or when the bytes are no document.
int knobNumber(const QByteArray& bytes);
// Writes the settings the document carries into knob `knob` of (bank, templ), value by value through the
// memory service: a setting it lacks, or one the memory refuses, stays as it was. False when it is no
// document.
bool write(RemoteMemAPI* memory, const QByteArray& bytes, int bank, int templ, int knob);

} // namespace KnobDocument
