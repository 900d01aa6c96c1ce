#pragma once

#include "CFrame.h"

class EditorMainWindow;

// The template editor view (view 0 of the main window's stack): for now a plain frame that offers the
// operations the shell calls; its controls come with the template editor itself. GUI thread only.
class EditorTemplate : public CFrame
{
    Q_OBJECT

public:
    explicit EditorTemplate(EditorMainWindow* mainWindow);

    // All 50 templates of bank 0 back to the initial template, and no file name; raises no flag.
    void initializeEditBuffer();
public slots:
    void updateDAW();

public:
    void focusKnob();
    int currentTemplateNumber() const;

    bool canSaveBank() const { return false; }
    bool canSaveBankAs() const { return false; }
    bool saveBank() { return false; }
    bool saveBankAs() { return false; }
    bool canCopy() const { return false; }
    bool canPaste() const { return false; }
    bool canInitialize() const { return false; }
    void copyKnob() {}
    void pasteKnob() {}
    void initializeTemplate() {}

private:
    EditorMainWindow* mainWindow;
};
