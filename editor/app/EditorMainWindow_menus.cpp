#include "EditorMainWindow.h"

#include "CSimpleNotifier.h"
#include "EditorDefinitions.h"
#include "EditorFile.h"
#include "EditorLibrary.h"
#include "EditorShell.h"
#include "EditorShortcuts.h"
#include "EditorTemplate.h"
#include "ParamAddress.h"
#include "RemoteMemAPI.h"
#include "ShellPanels.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QUrl>

#include <utility>

namespace {

QAction* addEntry(QMenu* menu, const QString& text, const QKeySequence& shortcut, QObject* receiver, const char* slot)
{
    QAction* action = menu->addAction(text);
    action->setShortcut(shortcut);
    QObject::connect(action, SIGNAL(triggered()), receiver, slot);
    return action;
}

} // namespace

void EditorMainWindow::buildMenus()
{
    const QCursor arrow = cursor();
    menuFile = new QMenu(MenuFileMenu, this);
    actionNew = addEntry(menuFile, MenuFileNew, ShortcutFileNew, this, SLOT(fileNew()));
    actionOpen = addEntry(menuFile, MenuFileOpen, ShortcutFileOpen, this, SLOT(fileOpen()));
    actionSave = addEntry(menuFile, MenuFileSave, ShortcutFileSave, this, SLOT(fileSaveBank()));
    actionSaveAs = addEntry(menuFile, MenuFileSaveAs, ShortcutFileSaveAs, this, SLOT(fileSaveBankAs()));
    actionImportTemplate =
        addEntry(menuFile, MenuFileImportTemplate, ShortcutImportTemplate, this, SLOT(fileImportTemplate()));
    menuFile->addSeparator();
    actionSetup = addEntry(menuFile, MenuFileSetup, ShortcutFileSetup, this, SLOT(fileSetup()));
    menuQPXiDatabase = new QMenu(MenuFileQPXiDatabase, this);
    addEntry(menuQPXiDatabase, MenuFileQPXiDatabaseFullScan, ShortcutFileQPXiDatabaseFullScan, this,
             SLOT(fileQPXiDatabaseFullScan()));
    addEntry(menuQPXiDatabase, MenuFileQPXiDatabaseUpdate, ShortcutFileQPXiDatabaseUpdate, this,
             SLOT(fileQPXiDatabaseUpdate()));
    actionQPXiDatabase = menuFile->addMenu(menuQPXiDatabase);

    menuEdit = new QMenu(MenuEditMenu, this);
    actionCopy = addEntry(menuEdit, MenuEditCopy, ShortcutEditCopy, this, SLOT(editCopy()));
    actionPaste = addEntry(menuEdit, MenuEditPaste, ShortcutEditPaste, this, SLOT(editPaste()));
    menuEdit->addSeparator();
    actionInitialize = addEntry(menuEdit, MenuEditInitialize, ShortcutEditInitialize, this, SLOT(editInitialize()));
    actionResetStored = addEntry(menuEdit, MenuEditResetStored, ShortcutEditResetStored, this, SLOT(editResetStored()));
    actionRestoreHW = addEntry(menuEdit, MenuEditRestoreHW, ShortcutEditRestoreHW, this, SLOT(editRestoreHW()));
    actionResetFactory =
        addEntry(menuEdit, MenuEditResetFactory, ShortcutEditResetFactory, this, SLOT(editResetFactory()));

    menuHelp = new QMenu(MenuHelpMenu, this);
    addEntry(menuHelp, MenuHelpManual, ShortcutHelpManual, this, SLOT(helpManual()));
    addEntry(menuHelp, MenuHelpAbout, ShortcutHelpAbout, this, SLOT(helpAbout()));

    for (QMenu* menu : {menuFile, menuQPXiDatabase, menuEdit, menuHelp}) {
        menu->setFont(font());
    }
    for (QMenu* menu : {menuFile, menuEdit, menuHelp}) {
        menu->setCursor(arrow);
    }
}

bool EditorMainWindow::canNew() const
{
    return view == 0;
}

bool EditorMainWindow::canOpen() const
{
    return view == 0;
}

bool EditorMainWindow::canSetup() const
{
    return view == 0;
}

bool EditorMainWindow::canSaveBank() const
{
    return view == 0 && templateEditor->canSaveBank();
}

bool EditorMainWindow::canSaveBankAs() const
{
    return view == 0 && templateEditor->canSaveBankAs();
}

bool EditorMainWindow::canQpxiscan() const
{
    return view == 0 && isQuorvaneDAW();
}

bool EditorMainWindow::canImportTemplate() const
{
    return view == 1;
}

bool EditorMainWindow::canCopy() const
{
    return view == 0 ? templateEditor->canCopy() : libraryEditor->canCopy();
}

bool EditorMainWindow::canPaste() const
{
    return view == 0 ? templateEditor->canPaste() : libraryEditor->canPaste();
}

bool EditorMainWindow::canInitialize() const
{
    return view == 0 ? templateEditor->canInitialize() : libraryEditor->canInitialize();
}

bool EditorMainWindow::canResetStored() const
{
    return notifierValue(onlineNotifier) == 0 || notifierValue(bankEditFlagNotifier) != 0;
}

bool EditorMainWindow::canRestoreHW() const
{
    return memApi->getBankAvailableFlag(2).getCurrentValue() != 0 &&
           memApi->getBankAvailableFlag(3).getCurrentValue() != 0;
}

bool EditorMainWindow::canResetFactory() const
{
    return true;
}

bool EditorMainWindow::canImport() const
{
    return view == 1 && libraryEditor->canImport();
}

bool EditorMainWindow::canNewBank() const
{
    return view == 1 && libraryEditor->canNewBank();
}

bool EditorMainWindow::canDeleteBank() const
{
    return view == 1 && libraryEditor->canDeleteBank();
}

void EditorMainWindow::updatesMenuEnabled()
{
    if (actionNew == nullptr || templateEditor == nullptr || libraryEditor == nullptr) {
        return;
    }
    actionNew->setEnabled(canNew());
    actionOpen->setEnabled(canOpen());
    actionSave->setEnabled(canSaveBank());
    actionSaveAs->setEnabled(canSaveBankAs());
    actionImportTemplate->setEnabled(canImportTemplate());
    actionSetup->setEnabled(canSetup());
    actionQPXiDatabase->setEnabled(canQpxiscan());
    actionCopy->setEnabled(canCopy());
    actionPaste->setEnabled(canPaste());
    actionInitialize->setEnabled(canInitialize());
    actionResetStored->setEnabled(canResetStored());
    actionRestoreHW->setEnabled(canRestoreHW());
    actionResetFactory->setEnabled(canResetFactory());
}

void EditorMainWindow::viewTemplate()
{
    if (view != 0) {
        view = 0;
        updateWindowSize();
        viewMainStack->setCurrentWidget(templateEditor);
        templateEditor->focusKnob();
    }
    updatesMenuEnabled();
}

void EditorMainWindow::viewLibrary()
{
    if (view != 1) {
        view = 1;
        memApi->setupLibraryBank();
        libraryEditor->setCurrentTemplateNumber(templateEditor->getCurrentTemplateNumber());
        libraryEditor->updateLibrary();
        updateWindowSize();
        viewMainStack->setCurrentWidget(libraryEditor);
        libraryEditor->focusList();
    }
    updatesMenuEnabled();
}

void EditorMainWindow::viewStore()
{
    if (lockCount > 0) {
        return;
    }
    if (storeConfirmPanel.isNull()) {
        storeConfirmPanel = ShellPanels::createStoreConfirm(this);
    }
    showPanel(storeConfirmPanel);
}

void EditorMainWindow::applicationFileOpen(const QString& path)
{
    emit fileOpenRequest(path);
}

void EditorMainWindow::fileNew()
{
    if (view != 0) {
        return;
    }
    if (notifierValue(fileEditFlagNotifier) == 1) {
        closeConfirm(1);
    } else {
        executefileNew();
    }
}

void EditorMainWindow::executefileNew()
{
    if (templateEditor == nullptr) {
        return;
    }
    const int wasOnline = notifierValue(onlineNotifier);
    setNotifierValue(onlineNotifier, 0);
    templateEditor->initializeEditBuffer();
    memApi->setParam(ParamAddress(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1), 0);
    if (wasOnline != 0) {
        // The follow-up is set first: the auto-sync panel may start its send at once.
        memApi->setStoreFlag(true);
        autoSync(true, true);
    }
    setNotifierValue(fileEditFlagNotifier, 0);
}

bool EditorMainWindow::fileOpen()
{
    if (notifierValue(fileEditFlagNotifier) == 1) {
        closeConfirm(2);
        return false;
    }
    return selectFileOpen();
}

bool EditorMainWindow::selectFileOpen()
{
    if (view != 0) {
        return false;
    }
    if (!pendingOpenPath.isEmpty()) {
        const QString path = pendingOpenPath;
        pendingOpenPath.clear();
        return fileOpen(path);
    }
    const QString path = getOpenFileName(QStringLiteral("Open"), getWorkingFolder(), EditorOpenFileFilter);
    if (path.isEmpty()) {
        return false;
    }
    return fileOpen(path);
}

bool EditorMainWindow::fileOpen(QString filename)
{
    if (view != 0) {
        return false;
    }
    if (memApi->needToWaitAutoSyncDone() || lockCount > 0) {
        // Asked again once the window is free, instead of on every turn of the event loop meanwhile.
        memApi->setFileOpenRequestFlag(memApi->needToWaitAutoSyncDone());
        waitingOpenPaths.append(filename);
        return true;
    }
    if (notifierValue(fileEditFlagNotifier) == 1) {
        pendingOpenPath = filename;
        closeConfirm(2);
        return false;
    }
    bool loaded = false;
    if (QFileInfo::exists(filename)) {
        memApi->denyToRaiseFileEditFlag();
        QFile file(filename);
        QString error;
        loaded = EditorFile::load(memApi, 1, &file, true, &error);
        if (loaded) {
            // The file's stored bank takes the place of a store the synthesizer never carried out: owed to
            // the next send, it would copy the working bank over the bank just opened, here and there.
            memApi->setStoreFlag(false);
            memApi->denyToRaiseFileEditFlag();
            fileNameNotifier->setMemAPIString(filename);
            memApi->allowToRaiseFileEditFlag();
            setWorkingFolder(filename);
        } else {
            critical(error, EditorName, QMessageBox::Ok);
        }
        memApi->allowToRaiseFileEditFlag();
        if (loaded && memApi->isONLINE()) {
            memApi->setONLINEstate(0);
            memApi->setStoreToFlashSendingFlag(true);
            autoSync(true, false);
        }
    }
    updatesMenuEnabled();
    return loaded;
}

void EditorMainWindow::retryWaitingOpens()
{
    if (waitingOpenPaths.isEmpty() || lockCount > 0 || memApi->needToWaitAutoSyncDone()) {
        return;
    }
    const QStringList paths = std::exchange(waitingOpenPaths, {});
    for (const QString& path : paths) {
        applicationFileOpen(path);
    }
}

bool EditorMainWindow::fileSaveBank()
{
    return canSaveBank() && templateEditor->saveBank();
}

bool EditorMainWindow::fileSaveBankAs()
{
    return canSaveBankAs() && templateEditor->saveBankAs();
}

void EditorMainWindow::fileImportTemplate()
{
    if (view == 1) {
        libraryEditor->importBank();
    }
}

void EditorMainWindow::fileImport()
{
    if (view == 1 && libraryEditor->canImport()) {
        libraryEditor->importBank();
    }
}

void EditorMainWindow::fileSetup()
{
    if (lockCount > 0) {
        return;
    }
    if (setupPanelPtr.isNull()) {
        setupPanelPtr = ShellPanels::createSetup(this);
    }
    showPanel(setupPanelPtr);
}

void EditorMainWindow::fileQPXiDatabaseFullScan()
{
    if (isQuorvaneDAW()) {
        qpxiInfo.initializeDatabase();
        analyzeQPXi();
    }
}

void EditorMainWindow::fileQPXiDatabaseUpdate()
{
    if (isQuorvaneDAW()) {
        qpxiInfo.clearNotSynthList();
        analyzeQPXi();
    }
}

void EditorMainWindow::editCopy()
{
    if (!canCopy()) {
        return;
    }
    if (view == 0) {
        templateEditor->copyKnob();
    } else {
        libraryEditor->copyTemplate();
    }
}

void EditorMainWindow::editPaste()
{
    if (!canPaste()) {
        return;
    }
    if (view == 0) {
        templateEditor->pasteKnob();
    } else {
        libraryEditor->pasteTemplate();
    }
}

void EditorMainWindow::editInitialize()
{
    if (!canInitialize()) {
        return;
    }
    if (view == 0) {
        templateEditor->initializeTemplate();
    } else {
        libraryEditor->initializeTemplate();
    }
}

void EditorMainWindow::showModalPanel(QPointer<QWidget>& panel, QWidget* (*create)(EditorMainWindow*))
{
    if (panel.isNull()) {
        panel = create(this);
        connect(panel, &QObject::destroyed, this, &EditorMainWindow::modalDialogClosed);
    }
    libraryEditor->enableKeyboardShortcuts(false);
    showPanel(panel);
}

void EditorMainWindow::editResetStored()
{
    if (lockCount <= 0 && onlineNotifier != nullptr && canResetStored()) {
        showModalPanel(resetStoredPanel, ShellPanels::createResetStoredConfirm);
    }
}

void EditorMainWindow::editRestoreHW()
{
    if (lockCount <= 0 && canRestoreHW()) {
        showModalPanel(restoreHWPanel, ShellPanels::createRestoreHWConfirm);
    }
}

void EditorMainWindow::editResetFactory()
{
    if (lockCount <= 0) {
        showModalPanel(factorySetPanel, ShellPanels::createFactorysetConfirm);
    }
}

void EditorMainWindow::helpAbout()
{
    if (lockCount <= 0) {
        showModalPanel(aboutPanel, ShellPanels::createAbout);
    }
}

void EditorMainWindow::modalDialogClosed()
{
    if (libraryEditor != nullptr && !destroying) {
        libraryEditor->enableKeyboardShortcuts(true);
    }
}

void EditorMainWindow::resetStoredData()
{
    if (!canResetStored()) {
        return;
    }
    libraryEditor->resetStoredData(view == 1 ? -1 : templateEditor->getCurrentTemplateNumber());
}

void EditorMainWindow::restoreHWBackup()
{
    if (!canRestoreHW()) {
        return;
    }
    libraryEditor->restoreHWBackup(view == 1 ? -1 : templateEditor->getCurrentTemplateNumber());
}

void EditorMainWindow::resetFactorySet()
{
    libraryEditor->resetFactorySet(view == 1 ? -1 : templateEditor->getCurrentTemplateNumber());
}

bool EditorMainWindow::storeBank(bool send)
{
    return memApi->storeBank(send);
}

void EditorMainWindow::closeConfirm(int nextAction)
{
    if (view == 1) {
        showModalPanel(exitAnywayPanel, ShellPanels::createExitAnywayConfirm);
        return;
    }
    if (closeConfirmPanel.isNull()) {
        closeConfirmPanel = ShellPanels::createCloseConfirm(this, nextAction);
        // Only the answer that opens the file takes the path (before the question is gone); every other
        // way out drops it, so that a later Open asks for a file again.
        connect(closeConfirmPanel, &QObject::destroyed, this, [this] { pendingOpenPath.clear(); });
    }
    showPanel(closeConfirmPanel);
}

void EditorMainWindow::closeEvent(QCloseEvent* event)
{
    for (QWidget* panel : {analyzePanel.data(), autoSyncPanelPtr.data()}) {
        if (panel != nullptr && !panel->close()) {
            event->ignore();
            return;
        }
    }
    for (QWidget* panel :
         {setupPanelPtr.data(), aboutPanel.data(), portOpenErrorPanelPtr.data(), portNotFoundPanelPtr.data(),
          resetStoredPanel.data(), restoreHWPanel.data(), factorySetPanel.data(), storeConfirmPanel.data()}) {
        if (panel != nullptr) {
            panel->close();
        }
    }
    const bool asking = (!closeConfirmPanel.isNull() && closeConfirmPanel->isVisible()) ||
                        (!exitAnywayPanel.isNull() && exitAnywayPanel->isVisible());
    if (!asking && notifierValue(fileEditFlagNotifier) == 0 && notifierValue(libraryEditFlagNotifier) == 0) {
        closing = true;
        event->accept();
        return;
    }
    if (!asking) {
        closeConfirm(0);
        update();
    }
    if (isMinimized()) {
        showNormal();
    }
    event->ignore();
}

void EditorMainWindow::helpManual()
{
    const QString language = QLocale::languageToString(QLocale::system().language());
    QString path = searchHelpFile(language, initialDir, HelpFileName);
    if (path.isEmpty()) {
        path = searchHelpFile(QStringLiteral("English"), initialDir, HelpFileName);
    }
    if (!path.isEmpty()) {
        const QUrl url = QUrl::fromLocalFile(path);
        if (!url.isValid()) {
            critical(
                QStringLiteral("Due to some technical difficulties, your help file can not be opened at this time."),
                EditorName, QMessageBox::Ok);
            return;
        }
        if (QDesktopServices::openUrl(url)) {
            return;
        }
        warning(QStringLiteral("Failed to load \"%1\" help document.\nPlease try re-installing the package.").arg(path),
                EditorName, QMessageBox::Ok);
        return;
    }
    warning(QStringLiteral("Failed to load help document.\nPlease try re-installing the package."), EditorName,
            QMessageBox::Ok);
}

void EditorMainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
}

void EditorMainWindow::dragMoveEvent(QDragMoveEvent* event)
{
    event->ignore();
}
