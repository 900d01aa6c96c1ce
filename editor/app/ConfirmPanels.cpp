#include "ConfirmPanels.h"

#include "CSimpleNotifier.h"
#include "EditorMainWindow.h"
#include "EditorShell.h"

namespace {

// The steps every panel takes between its base and its own texts and connections.
template <typename Panel> void buildForm(Panel* panel, EditorMainWindow* mainWindow)
{
    panel->setupUi(panel);
    adjustFont(panel);
    mainWindow->installTabCanceller(panel);
}

// A notifier of the panel, bound through the main window's controller factory; used only to write 0.
CSimpleNotifier* boundNotifier(const QString& name, QWidget* panel, EditorMainWindow* mainWindow)
{
    auto* notifier = new CSimpleNotifier(name, panel);
    createMemProxyController(mainWindow->getControllerFactory(), notifier);
    return notifier;
}

} // namespace

// ---- About ---------------------------------------------------------------------------------------------

About::About(EditorMainWindow* mainWindow) : EditorOverlap(mainWindow)
{
    buildForm(this, mainWindow);
    txtEditorNameAndVersion->setText(QStringLiteral("Knobwright Ver.1.0.2"));
    txtCopyright->setText(QStringLiteral("Copyright (C) Telvor."));
    txtRights->setText(QStringLiteral("All rights reserved."));
    installShortcut(QStringLiteral("Escape"), SLOT(emulateClosePressing()));
}

void About::emulateClosePressing()
{
    emulateButtonPressing(btnClose);
}

// ---- CloseConfirm --------------------------------------------------------------------------------------

CloseConfirm::CloseConfirm(EditorMainWindow* mainWindow, NextActionType nextAction)
    : EditorOverlap(mainWindow), nextActionType(nextAction)
{
    buildForm(this, mainWindow);
    fileEditFlagNotifier = boundNotifier(QStringLiteral("fileEditFlag"), this, mainWindow);
    txtMessage->setText(QStringLiteral(" Save changes?"));
    connect(btnClose, &QAbstractButton::clicked, this, &CloseConfirm::cancelClose);
    connect(btnYes, &QAbstractButton::clicked, this, &CloseConfirm::decideCloseWithSave);
    connect(btnNo, &QAbstractButton::clicked, this, &CloseConfirm::decideCloseWithoutSave);
    connect(btnCancel, &QAbstractButton::clicked, this, &CloseConfirm::cancelClose);
    installShortcut(QStringLiteral("Escape"), SLOT(emulateClosePressing()));
    installShortcut(QStringLiteral("Return"), SLOT(emulateYesPressing()));
    installShortcut(QStringLiteral("Enter"), SLOT(emulateYesPressing()));
    installShortcut(QStringLiteral("Y"), SLOT(emulateYesPressing()));
    installShortcut(QStringLiteral("N"), SLOT(emulateNoPressing()));
    closeLock();
}

void CloseConfirm::decideCloseWithSave()
{
    if (!mainWindow->fileSaveBank()) {
        // Not saved: the action that waited for the answer is dropped.
        closeUnlock();
        close();
        return;
    }
    decideCloseWithoutSave();
}

void CloseConfirm::decideCloseWithoutSave()
{
    switch (nextActionType) {
    case CloseMainWindow:
        closeUnlock();
        close();
        fileEditFlagNotifier->setMemAPICurrentValue(0);
        mainWindow->close();
        break;
    case FileNew:
        mainWindow->executefileNew();
        closeUnlock();
        close();
        break;
    case FileOpen:
        closeUnlock();
        close();
        // The chosen file is loaded on a later turn of the event loop; the flag falls now so that the
        // load does not ask again.
        if (mainWindow->selectFileOpen()) {
            fileEditFlagNotifier->setMemAPICurrentValue(0);
        }
        break;
    }
}

void CloseConfirm::cancelClose()
{
    closeUnlock();
    close();
}

void CloseConfirm::emulateYesPressing()
{
    emulateButtonPressing(btnYes);
}

void CloseConfirm::emulateNoPressing()
{
    emulateButtonPressing(btnNo);
}

void CloseConfirm::emulateClosePressing()
{
    emulateButtonPressing(btnClose);
}

// ---- PortOpenError and PortNotFound --------------------------------------------------------------------

PortOpenError::PortOpenError(EditorMainWindow* mainWindow, const QString& name) : EditorOverlap(mainWindow)
{
    buildForm(this, mainWindow);
    txtMessage->setText(name);
    installShortcut(QStringLiteral("Escape"), SLOT(close()));
}

PortNotFound::PortNotFound(EditorMainWindow* mainWindow) : EditorOverlap(mainWindow)
{
    buildForm(this, mainWindow);
    txtMessage->setText(QStringLiteral(" MIDI port is not found."));
    installShortcut(QStringLiteral("Escape"), SLOT(emulateOKPressing()));
    installShortcut(QStringLiteral("Return"), SLOT(emulateOKPressing()));
    installShortcut(QStringLiteral("Enter"), SLOT(emulateOKPressing()));
}

void PortNotFound::emulateOKPressing()
{
    emulateButtonPressing(btnOK);
}

// ---- The three reset questions -------------------------------------------------------------------------

namespace {

// The form already closes the panel on OK and Cancel; OK then runs the reset in the same click.
template <typename Panel> void buildResetQuestion(Panel* panel, EditorMainWindow* mainWindow)
{
    buildForm(panel, mainWindow);
    QObject::connect(panel->btnOK, &QAbstractButton::clicked, panel, &Panel::selectOk);
    panel->installShortcut(QStringLiteral("Escape"), SLOT(emulateCancelPressing()));
    panel->installShortcut(QStringLiteral("Enter"), SLOT(emulateOKPressing()));
    panel->installShortcut(QStringLiteral("Return"), SLOT(emulateOKPressing()));
}

} // namespace

ResetStoredConfirm::ResetStoredConfirm(EditorMainWindow* mainWindow) : EditorOverlap(mainWindow)
{
    buildResetQuestion(this, mainWindow);
}

void ResetStoredConfirm::selectOk()
{
    mainWindow->resetStoredData();
    close();
}

void ResetStoredConfirm::emulateOKPressing()
{
    emulateButtonPressing(btnOK);
}

void ResetStoredConfirm::emulateCancelPressing()
{
    emulateButtonPressing(btnCancel);
}

FactorysetConfirm::FactorysetConfirm(EditorMainWindow* mainWindow) : EditorOverlap(mainWindow)
{
    buildResetQuestion(this, mainWindow);
}

void FactorysetConfirm::selectOk()
{
    mainWindow->resetFactorySet();
    close();
}

void FactorysetConfirm::emulateOKPressing()
{
    emulateButtonPressing(btnOK);
}

void FactorysetConfirm::emulateCancelPressing()
{
    emulateButtonPressing(btnCancel);
}

RestoreHWConfirm::RestoreHWConfirm(EditorMainWindow* mainWindow) : EditorOverlap(mainWindow)
{
    buildResetQuestion(this, mainWindow);
}

void RestoreHWConfirm::selectOk()
{
    mainWindow->restoreHWBackup();
    close();
}

void RestoreHWConfirm::emulateOKPressing()
{
    emulateButtonPressing(btnOK);
}

void RestoreHWConfirm::emulateCancelPressing()
{
    emulateButtonPressing(btnCancel);
}

// ---- ExitAnywayConfirm ---------------------------------------------------------------------------------

ExitAnywayConfirm::ExitAnywayConfirm(EditorMainWindow* mainWindow) : EditorOverlap(mainWindow)
{
    buildForm(this, mainWindow);
    fileEditFlagNotifier = boundNotifier(QStringLiteral("fileEditFlag"), this, mainWindow);
    libraryEditFlagNotifier = boundNotifier(QStringLiteral("libraryEditFlag"), this, mainWindow);
    txtMessage->setText(QStringLiteral("Unsaved changes. Exit anyway?"));
    connect(btnClose, &QAbstractButton::clicked, this, &ExitAnywayConfirm::cancelClose);
    connect(btnYes, &QAbstractButton::clicked, this, &ExitAnywayConfirm::selectOk);
    connect(btnNo, &QAbstractButton::clicked, this, &ExitAnywayConfirm::cancelClose);
    installShortcut(QStringLiteral("Escape"), SLOT(emulateClosePressing()));
    installShortcut(QStringLiteral("Enter"), SLOT(emulateYesPressing()));
    installShortcut(QStringLiteral("Return"), SLOT(emulateYesPressing()));
    installShortcut(QStringLiteral("Y"), SLOT(emulateYesPressing()));
    installShortcut(QStringLiteral("N"), SLOT(emulateNoPressing()));
}

void ExitAnywayConfirm::selectOk()
{
    libraryEditFlagNotifier->setMemAPICurrentValue(0);
    fileEditFlagNotifier->setMemAPICurrentValue(0);
    closeUnlock();
    close();
    mainWindow->close();
}

void ExitAnywayConfirm::cancelClose()
{
    closeUnlock();
    close();
}

void ExitAnywayConfirm::emulateYesPressing()
{
    emulateButtonPressing(btnYes);
}

void ExitAnywayConfirm::emulateNoPressing()
{
    emulateButtonPressing(btnNo);
}

void ExitAnywayConfirm::emulateClosePressing()
{
    emulateButtonPressing(btnClose);
}

// ---- StoreConfirm --------------------------------------------------------------------------------------

StoreConfirm::StoreConfirm(EditorMainWindow* mainWindow) : EditorOverlap(mainWindow)
{
    buildForm(this, mainWindow);
    txtMessage->setText(QStringLiteral("Are you sure?"));
    connect(btnYes, &QAbstractButton::clicked, this, &StoreConfirm::selectOk);
    installShortcut(QStringLiteral("Escape"), SLOT(emulateClosePressing()));
    installShortcut(QStringLiteral("Enter"), SLOT(emulateYesPressing()));
    installShortcut(QStringLiteral("Return"), SLOT(emulateYesPressing()));
    installShortcut(QStringLiteral("Y"), SLOT(emulateYesPressing()));
    installShortcut(QStringLiteral("N"), SLOT(emulateNoPressing()));
}

void StoreConfirm::selectOk()
{
    mainWindow->storeBank(true);
    close();
}

void StoreConfirm::emulateYesPressing()
{
    emulateButtonPressing(btnYes);
}

void StoreConfirm::emulateNoPressing()
{
    emulateButtonPressing(btnNo);
}

void StoreConfirm::emulateClosePressing()
{
    emulateButtonPressing(btnClose);
}
