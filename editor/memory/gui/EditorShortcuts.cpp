#include "EditorShortcuts.h"

// Built from key codes rather than parsed from text: parsing may consult translations, which do not
// exist yet while static objects are constructed.
const QKeySequence ShortcutFileNew(Qt::CTRL | Qt::Key_N);
const QKeySequence ShortcutFileOpen(Qt::CTRL | Qt::Key_O);
const QKeySequence ShortcutFileSave(Qt::CTRL | Qt::Key_S);
const QKeySequence ShortcutFileSaveAs;
const QKeySequence ShortcutImportTemplate(Qt::CTRL | Qt::Key_I);
const QKeySequence ShortcutFileNewBank;
const QKeySequence ShortcutFileImport;
const QKeySequence ShortcutFileExport;
const QKeySequence ShortcutFileDuplicateBank;
const QKeySequence ShortcutFileDeleteBank;
const QKeySequence ShortcutFileSetup;
const QKeySequence ShortcutFileQPXiDatabaseFullScan;
const QKeySequence ShortcutFileQPXiDatabaseUpdate;
const QKeySequence ShortcutEditCopy(Qt::CTRL | Qt::Key_C);
const QKeySequence ShortcutEditPaste(Qt::CTRL | Qt::Key_V);
const QKeySequence ShortcutEditInitialize;
const QKeySequence ShortcutEditResetStored;
const QKeySequence ShortcutEditRestoreHW;
const QKeySequence ShortcutEditResetFactory;
const QKeySequence ShortcutHelpManual(Qt::Key_F1);
const QKeySequence ShortcutHelpAbout;
