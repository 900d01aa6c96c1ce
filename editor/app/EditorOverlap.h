#pragma once

#include "CFrame.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

class COnOffButton;
class EditorMainWindow;
class QAction;
class QCloseEvent;
class QLabel;
class QPixmap;
class QPoint;
class QWidget;
class RemoteMemAPI;

// Base of every overlay panel: a frame inside the main window that holds the window's panel lock for its
// whole life, can keep the window from closing while a question is open, and turns keys into animated
// button clicks. GUI thread only.
class EditorOverlap : public CFrame
{
    Q_OBJECT

public:
    explicit EditorOverlap(EditorMainWindow* mainWindow);
    ~EditorOverlap() override;

    void closeLock();
    void closeUnlock();
    bool isCloseLocked() const { return closeLocked; }
    // Parses keys as a portable key sequence ("Escape", "Return", "Y") and connects it to the slot.
    void installShortcut(const QString& keys, const char* slot);
    // The panel's own shortcut actions, in the order they were installed.
    QList<QAction*> shortcuts() const { return shortcutList; }

public slots:
    void enableShortcut();
    void disableShortcut();

    // One frame of the sliding light strip: draws the strip into the label at the step's place and
    // returns the next step (0 again once the strip has crossed the label).
    static int drawLightStrip(QLabel* label, const QPixmap& strip, int step);

protected:
    // The button shows pressed, then clicks; nothing without a button.
    void emulateButtonPressing(COnOffButton* button);
    // A pop-up list of the names under a pull-down at position (panel coordinates), kept on the screen;
    // runs modally and returns the chosen entry's index, or -1 when none was chosen.
    int popupNameList(const QStringList& names, const QPoint& position);
    // The main window's port list, refreshed, into portNames; returns the window's chosen entry, or 0
    // (not assigned) when the index lies outside the refreshed list.
    int refreshedPortChoice(QStringList* portNames);
    void closeEvent(QCloseEvent* event) override;

    EditorMainWindow* mainWindow;
    RemoteMemAPI* memApi;

private:
    void setWindowCloseButtonVisible(bool visible);

    bool closeLocked = false;
    QList<QAction*> shortcutList;
    // The window's close button as it was when the lock was taken: the window's own destructor may
    // delete it before this panel.
    QPointer<QWidget> windowCloseButton;
};
