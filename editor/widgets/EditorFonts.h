#pragma once

// Maps the editor's own font family names onto fonts installed on this system (DejaVu), so that forms that
// name them draw real glyphs instead of boxes. Safe to call more than once; needs the application object.
void installEditorFontSubstitutions();
