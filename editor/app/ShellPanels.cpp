#include "ShellPanels.h"

#include "CText.h"
#include "EditorMainWindow.h"
#include "EditorShell.h"

#include <QKeyEvent>

namespace ShellPanels {

PlaceholderPanel::PlaceholderPanel(EditorMainWindow* mainWindow, const QString& kind, const QString& message)
    : CFrame(mainWindow), mainWindow(mainWindow)
{
    setObjectName(kind);
    mainWindow->windowLock();
    mainWindow->updateWindowSize();
    resize(442, 419);
    setBackgroundPixmap(QPixmap(QStringLiteral(":/images/bram_bak_rename_caution.png")));
    QFont font(QStringLiteral("Telvor EBM 10"));
    font.setStyleStrategy(QFont::NoAntialias);
    auto* text = new CText(this);
    text->setObjectName(QStringLiteral("txtMessage"));
    text->setFont(font);
    text->setGeometry(76, 199, 292, 14);
    text->setAlignment(Qt::AlignCenter);
    text->setText(message);
    adjustFont(this);
    mainWindow->installTabCanceller(this);
    setFocus();
}

PlaceholderPanel::~PlaceholderPanel()
{
    mainWindow->windowUnlock();
    mainWindow->updateWindowSize();
}

void PlaceholderPanel::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        close();
        return;
    default:
        CFrame::keyPressEvent(event);
    }
}

QWidget* createAnalyzeQPXi(EditorMainWindow* mainWindow, const QString& dawName)
{
    return new PlaceholderPanel(mainWindow, QStringLiteral("AnalyzeQPXi"), dawName);
}

QWidget* createAutoSync(EditorMainWindow* mainWindow, bool sendAfterReceive, bool editBufferOnly)
{
    QWidget* panel = new PlaceholderPanel(mainWindow, QStringLiteral("AutoSync"), QStringLiteral("AutoSync"));
    panel->setProperty("sendAfterReceive", sendAfterReceive);
    panel->setProperty("editBufferOnly", editBufferOnly);
    return panel;
}

void autoSyncActivePort(QWidget*) {}

QWidget* createPortOpenError(EditorMainWindow* mainWindow, const QString& name)
{
    QWidget* panel = new PlaceholderPanel(mainWindow, QStringLiteral("PortOpenError"), name);
    panel->setProperty("portName", name);
    return panel;
}

QWidget* createPortNotFound(EditorMainWindow* mainWindow)
{
    return new PlaceholderPanel(mainWindow, QStringLiteral("PortNotFound"), QStringLiteral(" MIDI port is not found."));
}

QWidget* createSetup(EditorMainWindow* mainWindow)
{
    return new PlaceholderPanel(mainWindow, QStringLiteral("Setup"), QStringLiteral("Setup"));
}

QWidget* createAbout(EditorMainWindow* mainWindow)
{
    return new PlaceholderPanel(mainWindow, QStringLiteral("About"), QStringLiteral("Knobwright Ver.1.0.2"));
}

QWidget* createCloseConfirm(EditorMainWindow* mainWindow, int)
{
    return new PlaceholderPanel(mainWindow, QStringLiteral("CloseConfirm"), QStringLiteral(" Save changes?"));
}

QWidget* createExitAnywayConfirm(EditorMainWindow* mainWindow)
{
    return new PlaceholderPanel(mainWindow, QStringLiteral("ExitAnywayConfirm"),
                                QStringLiteral("Unsaved changes. Exit anyway?"));
}

QWidget* createResetStoredConfirm(EditorMainWindow* mainWindow)
{
    return new PlaceholderPanel(mainWindow, QStringLiteral("ResetStoredConfirm"), QString());
}

QWidget* createRestoreHWConfirm(EditorMainWindow* mainWindow)
{
    return new PlaceholderPanel(mainWindow, QStringLiteral("RestoreHWConfirm"), QString());
}

QWidget* createFactorysetConfirm(EditorMainWindow* mainWindow)
{
    return new PlaceholderPanel(mainWindow, QStringLiteral("FactorysetConfirm"), QString());
}

QWidget* createStoreConfirm(EditorMainWindow* mainWindow)
{
    return new PlaceholderPanel(mainWindow, QStringLiteral("StoreConfirm"), QStringLiteral("Are you sure?"));
}

} // namespace ShellPanels
