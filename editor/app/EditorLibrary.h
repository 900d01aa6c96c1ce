#pragma once

#include "CFrame.h"

class EditorMainWindow;

// The library editor view (view 1 of the main window's stack): for now a plain frame that offers the
// operations the shell calls; its lists come with the library editor itself. GUI thread only.
class EditorLibrary : public CFrame
{
    Q_OBJECT

public:
    explicit EditorLibrary(EditorMainWindow* mainWindow);

    void initializeList() { updateLibrary(); }
    void updateLibrary() {}
public slots:
    void updateDAW() {}

public:
    void setCurrentTemplateNumber(int number) { currentTemplate = number; }
    void focusList() { setFocus(); }
    void enableKeyboardShortcuts(bool on) { shortcutsEnabled = on; }
    bool keyboardShortcutsEnabled() const { return shortcutsEnabled; }

    bool canImport() const { return false; }
    bool canNewBank() const { return false; }
    bool canDeleteBank() const { return false; }
    void importBank() {}
    bool canCopy() const { return false; }
    bool canPaste() const { return false; }
    bool canInitialize() const { return false; }
    void copyTemplate() {}
    void pasteTemplate() {}
    void initializeTemplate() {}
    void resetStoredData(int) {}
    void restoreHWBackup(int) {}
    void resetFactorySet(int) {}

private:
    EditorMainWindow* mainWindow;
    int currentTemplate = 0;
    bool shortcutsEnabled = true;
};
