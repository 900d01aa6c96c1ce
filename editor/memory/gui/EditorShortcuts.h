#pragma once

#include <QKeySequence>

// Shortcuts of the editor's menu entries (the menu texts are in EditorDefinitions.h). An empty sequence
// means the entry has none. Built before main runs and never written.
extern const QKeySequence ShortcutFileNew;
extern const QKeySequence ShortcutFileOpen;
extern const QKeySequence ShortcutFileSave;
extern const QKeySequence ShortcutFileSaveAs;
extern const QKeySequence ShortcutImportTemplate;
extern const QKeySequence ShortcutFileNewBank;
extern const QKeySequence ShortcutFileImport;
extern const QKeySequence ShortcutFileExport;
extern const QKeySequence ShortcutFileDuplicateBank;
extern const QKeySequence ShortcutFileDeleteBank;
extern const QKeySequence ShortcutFileSetup;
extern const QKeySequence ShortcutFileQPXiDatabaseFullScan;
extern const QKeySequence ShortcutFileQPXiDatabaseUpdate;
extern const QKeySequence ShortcutEditCopy;
extern const QKeySequence ShortcutEditPaste;
extern const QKeySequence ShortcutEditInitialize;
extern const QKeySequence ShortcutEditResetStored;
extern const QKeySequence ShortcutEditRestoreHW;
extern const QKeySequence ShortcutEditResetFactory;
extern const QKeySequence ShortcutHelpManual;
extern const QKeySequence ShortcutHelpAbout;
