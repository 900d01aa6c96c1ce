#pragma once

#include "CFrame.h"
#include "QPXiInfo.h"
#include "ui_EditorMainWindow.h"

#include <QDir>
#include <QList>
#include <QMessageBox>
#include <QPoint>
#include <QPointer>
#include <QSettings>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class CSimpleNotifier;
class EditorLibrary;
class EditorTemplate;
class MemControllerFactory;
class QAction;
class QMenu;
class QMenuBar;
class RemoteMemAPI;

// ---- Constants of the main window ----------------------------------------------------------------------

extern const QRect EditorMenuRect;
extern const QSize EditorWindowLargeSize;
extern const QSize EditorWindowSmallSize;
extern const QString EditorWindowLargePixmap;
extern const QString EditorWindowSmallPixmap;
extern const QSize ViewMainStackLargeSize;
extern const QSize ViewMainStackSmallSize;
extern const QRect EditorWindowControlButtonLargeRect;
extern const QRect EditorWindowControlButtonSmallRect;
extern const QPoint EditorViewPos;
extern const QString TrimLabel;
extern const QString PortNotAssigned;
// How a pop-up shows the set the route waits for while its synthesizer is away (%1: the set's name).
extern const QString PortNotPresent;
extern const QString AppDataFolderPath;
extern const QString UserFolderPath;
extern const QString PortIDNameAndNumberDelimiter;
extern const QString PortNameNumberReplace;
extern const QString PortNameNumberDelimiter;
extern const QString PortNameFilter;
extern const QString PresetBankFile;
inline constexpr int ActiveSensePort = 1;
inline constexpr int CommunicationPort = 5;

// The editor's one frameless top-level window: its own title bar and menu bar, the online lamp, the stack
// of the template and library views, the settings, the MIDI route to the synthesizer and the lock that
// shows the overlay panels one at a time. GUI thread only.
class EditorMainWindow : public CFrame, public Ui::EditorMainWindow
{
    Q_OBJECT

public:
    // One usable synthesizer port set: the device's port 1 input and port 5 input and output.
    struct PortInfo
    {
        QString name;
        int activeSenseInputId = 0;
        int communicationInputId = 0;
        int communicationOutputId = 0;
    };

    // The computer whose plug-ins the database examines and the folder the finder lies in.
    struct PluginPlaces
    {
        QPXiMachine machine;
        QString finderFolder;
    };
    // The places of windows made from now on (tests lay out a machine of their own); without them the
    // program's own: this computer, and the finder among the resources.
    static void setPluginPlaces(const std::optional<PluginPlaces>& places);

    EditorMainWindow(RemoteMemAPI* memApi, bool autoSyncAtStart);
    ~EditorMainWindow() override;

    // ---- What the views and panels use -----------------------------------------------------------------
    RemoteMemAPI* getMemApi() const { return memApi; }
    MemControllerFactory* getControllerFactory() const { return controllerFactory; }
    QPXiInfo* getQPXiInfo() { return &qpxiInfo; }
    QMenuBar* getMenuBar() const { return menuBar; }
    EditorTemplate* getTemplateEditor() const { return templateEditor; }
    EditorLibrary* getLibraryEditor() const { return libraryEditor; }
    QSettings& getSettings() { return settings; }
    bool isOnTop() const { return onTop; }
    bool isShrink() const { return shrink; }
    bool isRouteOpen() const { return routeOpen; }
    int getLockCount() const { return lockCount; }
    int getView() const { return view; }
    QDir getAppDataDir() const { return appDataDir; }
    QDir getInitialDir() const { return initialDir; }

    // ---- Ports, route, DAW and working folder ----------------------------------------------------------
    void updatePortInfoList();
    QList<PortInfo> getPortInfoList() const { return portInfoList; }
    QStringList getPortNameList() const { return portNameList; }
    // The names as the port pop-ups show them: the set an open route waits for while its synthesizer is
    // away is marked as not present.
    QStringList getPortDisplayList() const;
    int getPortIndex() const { return portIndex; }
    void setPortIndex(int index);
    QString getPortName() const { return portName; }
    void setPortName(const QString& name) { portName = name; }
    QStringList getDAWList() const { return dawList; }
    QString getDAWName() const { return dawName; }
    void setDAWName(const QString& name);
    bool isQuorvaneDAW() const;
    void setWorkingFolder(const QString& filePath);
    QString getWorkingFolder();

    // ---- Panel launchers and the lock ------------------------------------------------------------------
    void analyzeQPXi();
    void autoSync(bool sendAfterReceive, bool editBufferOnly);
    void portOpenError(const QString& name);
    void portNotFound();
    void windowLock();
    void windowUnlock();
    // The panel of each kind while it exists (empty afterwards).
    QWidget* analyzeQPXiPanel() const { return analyzePanel; }
    QWidget* autoSyncPanel() const { return autoSyncPanelPtr; }
    QWidget* portOpenErrorPanel() const { return portOpenErrorPanelPtr; }
    QWidget* portNotFoundPanel() const { return portNotFoundPanelPtr; }
    QWidget* setupPanel() const { return setupPanelPtr; }

    // ---- Window behaviour ------------------------------------------------------------------------------
    void updateWindowStaysOnTop();
    void updateWindowSize();
    void installTabCanceller(QWidget* widget);
    QMessageBox::StandardButton critical(const QString& text, const QString& title,
                                         QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                         QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    QMessageBox::StandardButton warning(const QString& text, const QString& title,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    QMessageBox::StandardButton question(const QString& text, const QString& title,
                                         QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No,
                                         QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    // A file dialog through the same road as the message boxes, with the stay-on-top level dropped.
    QString getOpenFileName(const QString& caption, const QString& folder, const QString& filter);
    QString getSaveFileName(const QString& caption, const QString& folder, const QString& filter);

    // ---- Menus and commands ----------------------------------------------------------------------------
    // Emits fileOpenRequest: the file is opened on a later turn of the event loop.
    void applicationFileOpen(const QString& path);
    bool selectFileOpen();
    void closeConfirm(int nextAction);
    void resetStoredData();
    void restoreHWBackup();
    void resetFactorySet();
    bool storeBank(bool send);
    bool isClosing() const { return closing; }
    QAction* qpxiDatabaseAction() const { return actionQPXiDatabase; }

    // What enables each menu entry; the current view's predicate where the entry works on the view.
    bool canNew() const;
    bool canOpen() const;
    bool canSetup() const;
    bool canSaveBank() const;
    bool canSaveBankAs() const;
    bool canQpxiscan() const;
    bool canImportTemplate() const;
    bool canCopy() const;
    bool canPaste() const;
    bool canInitialize() const;
    bool canResetStored() const;
    bool canRestoreHW() const;
    bool canResetFactory() const;
    bool canImport() const;
    bool canNewBank() const;
    bool canDeleteBank() const;

signals:
    void fileOpenRequest(QString filename);

public slots:
    void updatesMenuEnabled();
    void staysOnTop(bool on);
    void viewTemplate();
    void viewLibrary();
    void viewStore();
    void controlWindowSize();
    void fileNew();
    bool fileSaveBank();
    bool fileSaveBankAs();
    bool fileOpen();
    void executefileNew();
    void modalDialogClosed();
    void helpManual();
    void activePort();
    void updateOnline();

private slots:
    bool fileOpen(QString filename);
    void fileImportTemplate();
    void fileImport();
    void fileSetup();
    void fileQPXiDatabaseFullScan();
    void fileQPXiDatabaseUpdate();
    void editCopy();
    void editPaste();
    void editResetStored();
    void editRestoreHW();
    void editResetFactory();
    void editInitialize();
    void helpAbout();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;

private:
    void buildMenus();
    void loadPresetBank();
    void restoreWindowPosition();
    void chooseDAWAtStart();
    void choosePortAtStart();
    bool openRoute(int index);
    void showPanel(QWidget* panel);
    // Shows the panel of a kind (made once), or marks it pending while another panel holds the window.
    bool launchPanel(QPointer<QWidget>& panel, bool& pending, const std::function<QWidget*()>& create);
    // A panel shown while the library's keyboard shortcuts rest.
    void showModalPanel(QPointer<QWidget>& panel, QWidget* (*create)(EditorMainWindow*));
    QMessageBox::StandardButton messageBox(QMessageBox::Icon icon, const QString& text, const QString& title,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton);
    QString fileDialog(const QString& caption, const QString& folder, const QString& filter, bool save);
    int notifierValue(CSimpleNotifier* notifier) const;
    void setNotifierValue(CSimpleNotifier* notifier, int value);
    // Files asked for while the window was held wait here; each goes back through the queued request
    // once the window is free.
    void retryWaitingOpens();

    RemoteMemAPI* memApi;
    MemControllerFactory* controllerFactory = nullptr;
    QMenuBar* menuBar = nullptr;
    int lockCount = 0;
    bool onTop = false;
    bool shrink = false;
    int view = 0;
    QSettings settings;
    QDir appDataDir;
    QDir initialDir;
    QDir executeDir;
    QList<PortInfo> portInfoList;
    QStringList portNameList;
    int portIndex = 0;
    int routeActiveSenseInputId = 0;
    int routeCommunicationInputId = 0;
    int routeCommunicationOutputId = 0;
    // The port set the open route was made for, under the name the MIDI system lists its synthesizer now;
    // empty once the route is dropped. Its links follow that synthesizer's ports, so the set stays the
    // selection while those ports are away: then it is the entry at waitingPortIndex (else 0).
    QString routePortName;
    int waitingPortIndex = 0;
    QStringList dawList;
    QString dawName;
    QString portName;
    QString pendingOpenPath;
    QStringList waitingOpenPaths;
    QPXiInfo qpxiInfo;
    bool analyzePending = false;
    bool autoSyncPending = false;
    bool pendingSendAfterReceive = false;
    bool pendingEditBufferOnly = false;
    bool portOpenErrorPending = false;
    bool portNotFoundPending = false;
    bool activePortPending = false;
    bool routeOpen = false;
    EditorTemplate* templateEditor = nullptr;
    EditorLibrary* libraryEditor = nullptr;
    QPointer<QWidget> analyzePanel;
    QPointer<QWidget> autoSyncPanelPtr;
    QPointer<QWidget> setupPanelPtr;
    QPointer<QWidget> aboutPanel;
    QPointer<QWidget> closeConfirmPanel;
    QPointer<QWidget> portOpenErrorPanelPtr;
    QPointer<QWidget> portNotFoundPanelPtr;
    QPointer<QWidget> resetStoredPanel;
    QPointer<QWidget> restoreHWPanel;
    QPointer<QWidget> factorySetPanel;
    QPointer<QWidget> exitAnywayPanel;
    QPointer<QWidget> storeConfirmPanel;
    QMenu* menuFile = nullptr;
    QMenu* menuQPXiDatabase = nullptr;
    QMenu* menuEdit = nullptr;
    QMenu* menuHelp = nullptr;
    QAction* actionNew = nullptr;
    QAction* actionOpen = nullptr;
    QAction* actionSave = nullptr;
    QAction* actionSaveAs = nullptr;
    QAction* actionImportTemplate = nullptr;
    QAction* actionSetup = nullptr;
    QAction* actionQPXiDatabase = nullptr;
    QAction* actionCopy = nullptr;
    QAction* actionPaste = nullptr;
    QAction* actionInitialize = nullptr;
    QAction* actionResetStored = nullptr;
    QAction* actionRestoreHW = nullptr;
    QAction* actionResetFactory = nullptr;
    CSimpleNotifier* onlineNotifier = nullptr;
    CSimpleNotifier* bankEditFlagNotifier = nullptr;
    CSimpleNotifier* libraryEditFlagNotifier = nullptr;
    CSimpleNotifier* fileEditFlagNotifier = nullptr;
    CSimpleNotifier* fileNameNotifier = nullptr;
    bool destroying = false;
    bool closing = false;
    bool dragging = false;
    QPoint dragOffset;
};
