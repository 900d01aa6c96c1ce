#include "Setup.h"

#include "EditorMainWindow.h"
#include "EditorShell.h"

namespace {

// The pop-ups lie just under their pull-downs.
const QPoint PopupMidiPortPosition(89, 167);
const QPoint PopupDAWNamePosition(89, 215);

} // namespace

Setup::Setup(EditorMainWindow* mainWindow) : EditorOverlap(mainWindow)
{
    setupUi(this);
    adjustFont(this);
    mainWindow->installTabCanceller(this);

    portIndex = refreshedPortChoice(&portNameList);
    txtMidiPort->setText(portNameList.value(portIndex));
    dawList = mainWindow->getDAWList();
    dawName = mainWindow->getDAWName();
    txtDAWName->setText(dawName);
    if (dawList.isEmpty()) {
        btnDAWName->hide();
    }

    connect(btnMidiPort, &QAbstractButton::clicked, this, &Setup::popupMidiPort);
    connect(btnDAWName, &QAbstractButton::clicked, this, &Setup::popupDAWName);
    connect(btnOK, &QAbstractButton::clicked, this, &Setup::decideClose);
    installShortcut(QStringLiteral("Escape"), SLOT(emulateClosePressing()));
    installShortcut(QStringLiteral("Return"), SLOT(emulateOKPressing()));
    installShortcut(QStringLiteral("Enter"), SLOT(emulateOKPressing()));
}

void Setup::decideClose()
{
    // Deleted on the next turn of the event loop: the panel still holds the window, so the panels the
    // choice may ask for (port error, scan) come after it is gone.
    close();
    mainWindow->setPortIndex(portIndex);
    mainWindow->setDAWName(dawName);
}

void Setup::popupMidiPort()
{
    const int index = popupNameList(portNameList, PopupMidiPortPosition);
    if (index >= 0) {
        portIndex = index;
        txtMidiPort->setText(portNameList.at(index));
    }
}

void Setup::popupDAWName()
{
    const int index = popupNameList(dawList, PopupDAWNamePosition);
    if (index >= 0) {
        dawName = dawList.at(index);
        txtDAWName->setText(dawName);
    }
}

void Setup::emulateOKPressing()
{
    emulateButtonPressing(btnOK);
}

void Setup::emulateClosePressing()
{
    emulateButtonPressing(btnClose);
}
