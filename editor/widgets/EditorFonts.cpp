#include "EditorFonts.h"

#include <QFont>
#include <QStringList>

#include <utility>

void installEditorFontSubstitutions()
{
    // The bitmap faces leave a blank pixel column between glyphs. Drawn without antialiasing, the
    // condensed DejaVu face runs letters into each other at both sizes ("is", "il"); at 10 pixels the
    // plain face keeps them apart, at 8 pixels only the monospaced one does, every glyph in a cell of its
    // own. Each list falls back on the other face when the first is missing.
    const QStringList small{QStringLiteral("DejaVu Sans Mono"), QStringLiteral("DejaVu Sans")};
    const QStringList large{QStringLiteral("DejaVu Sans"), QStringLiteral("DejaVu Sans Mono")};
    const std::pair<QString, QStringList> table[] = {
        {QStringLiteral("Telvor EBM 8"), small},
        {QStringLiteral("Telvor EBM8 Expanded"), small},
        {QStringLiteral("Telvor EBM 10"), large},
    };
    for (const auto& [family, replacements] : table) {
        if (QFont::substitutes(family) != replacements) {
            QFont::removeSubstitutions(family);
            QFont::insertSubstitutions(family, replacements);
        }
    }
}
