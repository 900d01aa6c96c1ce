#pragma once

#include "EditorOverlap.h"
#include "ui_About.h"
#include "ui_CloseConfirm.h"
#include "ui_ExitAnywayConfirm.h"
#include "ui_FactorysetConfirm.h"
#include "ui_PortNotFound.h"
#include "ui_PortOpenError.h"
#include "ui_ResetStoredConfirm.h"
#include "ui_RestoreHWConfirm.h"
#include "ui_StoreConfirm.h"

#include <QString>

class CSimpleNotifier;

// The program's name, version and the maker's notice; Escape closes it. GUI thread only.
class About : public EditorOverlap, public Ui_About
{
    Q_OBJECT

public:
    explicit About(EditorMainWindow* mainWindow);

public slots:
    void emulateClosePressing();
};

// Asks whether to save the edited file before the window closes or another file replaces it, and holds
// the window's close path until answered. GUI thread only.
class CloseConfirm : public EditorOverlap, public Ui_CloseConfirm
{
    Q_OBJECT

public:
    // What follows once the question is answered.
    enum NextActionType
    {
        CloseMainWindow = 0,
        FileNew = 1,
        FileOpen = 2
    };

    CloseConfirm(EditorMainWindow* mainWindow, NextActionType nextAction);

    NextActionType nextAction() const { return nextActionType; }

public slots:
    void decideCloseWithSave();
    void decideCloseWithoutSave();
    void cancelClose();
    void emulateYesPressing();
    void emulateNoPressing();
    void emulateClosePressing();

private:
    NextActionType nextActionType;
    CSimpleNotifier* fileEditFlagNotifier;
};

// Names the port set whose route could not be opened. GUI thread only.
class PortOpenError : public EditorOverlap, public Ui_PortOpenError
{
    Q_OBJECT
    Q_PROPERTY(QString portName READ portName)

public:
    PortOpenError(EditorMainWindow* mainWindow, const QString& name);

    QString portName() const { return txtMessage->text(); }
};

// Tells that no synthesizer port set was found. GUI thread only.
class PortNotFound : public EditorOverlap, public Ui_PortNotFound
{
    Q_OBJECT

public:
    explicit PortNotFound(EditorMainWindow* mainWindow);

public slots:
    void emulateOKPressing();
};

// The three questions before a reset: the panel hides on OK, then the main window's reset runs. GUI
// thread only.
class ResetStoredConfirm : public EditorOverlap, public Ui_ResetStoredConfirm
{
    Q_OBJECT

public:
    explicit ResetStoredConfirm(EditorMainWindow* mainWindow);

public slots:
    void selectOk();
    void emulateOKPressing();
    void emulateCancelPressing();
};

class FactorysetConfirm : public EditorOverlap, public Ui_FactorysetConfirm
{
    Q_OBJECT

public:
    explicit FactorysetConfirm(EditorMainWindow* mainWindow);

public slots:
    void selectOk();
    void emulateOKPressing();
    void emulateCancelPressing();
};

class RestoreHWConfirm : public EditorOverlap, public Ui_RestoreHWConfirm
{
    Q_OBJECT

public:
    explicit RestoreHWConfirm(EditorMainWindow* mainWindow);

public slots:
    void selectOk();
    void emulateOKPressing();
    void emulateCancelPressing();
};

// Asks before the window closes with unsaved edits in the library view. GUI thread only.
class ExitAnywayConfirm : public EditorOverlap, public Ui_ExitAnywayConfirm
{
    Q_OBJECT

public:
    explicit ExitAnywayConfirm(EditorMainWindow* mainWindow);

public slots:
    void selectOk();
    void cancelClose();
    void emulateYesPressing();
    void emulateNoPressing();
    void emulateClosePressing();

private:
    CSimpleNotifier* fileEditFlagNotifier;
    CSimpleNotifier* libraryEditFlagNotifier;
};

// Asks before the working bank is stored (and the synthesizer told to store). GUI thread only.
class StoreConfirm : public EditorOverlap, public Ui_StoreConfirm
{
    Q_OBJECT

public:
    explicit StoreConfirm(EditorMainWindow* mainWindow);

public slots:
    void selectOk();
    void emulateYesPressing();
    void emulateNoPressing();
    void emulateClosePressing();
};
