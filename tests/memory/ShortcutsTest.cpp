#include "EditorShortcuts.h"

#include <gtest/gtest.h>

TEST(EditorShortcuts, MenuEntriesCarryTheirKeys)
{
    EXPECT_EQ(ShortcutFileNew, QKeySequence(QStringLiteral("Ctrl+N")));
    EXPECT_EQ(ShortcutFileOpen, QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(ShortcutFileSave, QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_EQ(ShortcutImportTemplate, QKeySequence(QStringLiteral("Ctrl+I")));
    EXPECT_EQ(ShortcutEditCopy, QKeySequence(QStringLiteral("Ctrl+C")));
    EXPECT_EQ(ShortcutEditPaste, QKeySequence(QStringLiteral("Ctrl+V")));
    EXPECT_EQ(ShortcutHelpManual, QKeySequence(QStringLiteral("F1")));
    for (const QKeySequence* none :
         {&ShortcutFileSaveAs, &ShortcutFileNewBank, &ShortcutFileImport, &ShortcutFileExport,
          &ShortcutFileDuplicateBank, &ShortcutFileDeleteBank, &ShortcutFileSetup, &ShortcutFileQPXiDatabaseFullScan,
          &ShortcutFileQPXiDatabaseUpdate, &ShortcutEditInitialize, &ShortcutEditResetStored, &ShortcutEditRestoreHW,
          &ShortcutEditResetFactory, &ShortcutHelpAbout})
        EXPECT_TRUE(none->isEmpty());
}
