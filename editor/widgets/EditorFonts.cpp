#include "EditorFonts.h"

#include <QFont>
#include <QStringList>

#include <utility>

void installEditorFontSubstitutions()
{
    // The bitmap families are small, narrow faces; DejaVu Sans Condensed comes closest, the expanded one is
    // closer to the plain face. The monospaced face stands behind both when the others are missing.
    const QStringList narrow{QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans"),
                             QStringLiteral("DejaVu Sans Mono")};
    const QStringList wide{QStringLiteral("DejaVu Sans"), QStringLiteral("DejaVu Sans Mono")};
    const std::pair<QString, QStringList> table[] = {
        {QStringLiteral("Telvor EBM 8"), narrow},
        {QStringLiteral("Telvor EBM 10"), narrow},
        {QStringLiteral("Telvor EBM8 Expanded"), wide},
    };
    for (const auto& [family, replacements] : table) {
        if (QFont::substitutes(family) != replacements) {
            QFont::removeSubstitutions(family);
            QFont::insertSubstitutions(family, replacements);
        }
    }
}
