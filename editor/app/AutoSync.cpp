#include "AutoSync.h"

#include "CSimpleNotifier.h"
#include "EditorMainWindow.h"
#include "EditorShell.h"
#include "ParamAddress.h"
#include "RemoteMemAPI.h"

#include <QGuiApplication>
#include <QTimerEvent>

namespace {

constexpr int kStoredBank = 1;
constexpr int kReceivedStoredBank = 2;
constexpr int kReceivedEditBank = 3;
constexpr int kLedIntervalMs = 50;
// The pop-up lies just under the port pull-down.
const QPoint PopupMidiPortPosition(89, 167);

AutoSync::Timeouts& configuredTimeouts()
{
    static AutoSync::Timeouts timeouts;
    return timeouts;
}

} // namespace

void AutoSync::setDefaultTimeouts(Timeouts timeouts)
{
    configuredTimeouts() = timeouts;
}

AutoSync::Timeouts AutoSync::defaultTimeouts()
{
    return configuredTimeouts();
}

AutoSync::AutoSync(EditorMainWindow* mainWindow, bool sendAfterReceive, bool editBufferOnly)
    : AutoSync(mainWindow, sendAfterReceive, editBufferOnly, defaultTimeouts())
{
}

AutoSync::AutoSync(EditorMainWindow* mainWindow, bool sendAfterReceive, bool editBufferOnly, Timeouts timeouts)
    : EditorOverlap(mainWindow), sendAfterReceive(sendAfterReceive), editBufferOnly(editBufferOnly), timeouts(timeouts),
      ledPixmap(QStringLiteral(":/images/bram_led_autosync.png"))
{
    setupUi(this);
    adjustFont(this);
    mainWindow->installTabCanceller(this);
    fileEditFlagNotifier = new CSimpleNotifier(QStringLiteral("fileEditFlag"), this);
    createMemProxyController(mainWindow->getControllerFactory(), this);

    lblAnimation->hide();
    txtMessage->hide();
    lblError->hide();
    btnRetry->hide();

    portIndex = refreshedPortChoice(&portNameList);
    txtMidiPort->setText(portNameList.value(portIndex));
    if (portIndex == 0) {
        btnStart->hide();
    }

    connect(btnMidiPort, &QAbstractButton::clicked, this, &AutoSync::popupMidiPort);
    connect(btnStart, &QAbstractButton::clicked, this, &AutoSync::start);
    connect(btnRetry, &QAbstractButton::clicked, this, &AutoSync::start);
    connect(memApi, &RemoteMemAPI::synthesizerVanished, this, &AutoSync::synthesizerVanished);
    connect(memApi, &RemoteMemAPI::transferAbandoned, this, &AutoSync::transferAbandoned, Qt::QueuedConnection);
    // The panel's own close, which also lets file opening go on; the form's would be the widget's.
    connect(btnClose, &QAbstractButton::clicked, this, &AutoSync::close);
    connect(btnCancel, &QAbstractButton::clicked, this, &AutoSync::close);
    installShortcut(QStringLiteral("Return"), SLOT(emulateStartPressing()));
    installShortcut(QStringLiteral("Enter"), SLOT(emulateStartPressing()));
    installShortcut(QStringLiteral("Escape"), SLOT(emulateClosePressing()));
}

AutoSync::~AutoSync()
{
    // Gone in the middle of a transfer (the window is going): leave the memory service as a failure would.
    if (receiving || sending) {
        memApi->revokeReceivedBulk();
        memApi->setWaitingBulkReceive(false);
        memApi->setWaitingBulkTransmit(false);
        memApi->allowToRaiseFileEditFlag();
    }
    if (waitCursorShown) {
        QGuiApplication::restoreOverrideCursor();
    }
}

void AutoSync::activePort()
{
    if (!errorShown) {
        start();
    }
}

void AutoSync::start()
{
    // An announcement queued before the synchronisation ended may still reach the closed panel.
    if (timeoutTimerId != 0 || synchronised) {
        return;
    }
    transferVanishedCount = memApi->vanishedCount();
    mainWindow->setPortIndex(portIndex);
    showTransferLook();
    closeLock();
    ledStep = 0;
    ledTimerId = startTimer(kLedIntervalMs);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    waitCursorShown = true;
    if (memApi->getBankAvailableFlag(kReceivedStoredBank).getCurrentValue() == 0 &&
        memApi->getBankAvailableFlag(kReceivedEditBank).getCurrentValue() == 0) {
        bulkReceive();
    } else {
        bulkSend(editBufferOnly);
    }
}

void AutoSync::showTransferLook()
{
    lblAnimation->setPixmap(QPixmap());
    lblAnimation->show();
    txtMessage->setText(QString());
    txtMessage->show();
    lblError->hide();
    btnClose->hide();
    btnMidiPort->hide();
    btnStart->hide();
    btnRetry->hide();
    btnCancel->hide();
}

void AutoSync::showErrorLook()
{
    lblAnimation->hide();
    txtMessage->hide();
    lblError->show();
    btnStart->hide();
    btnClose->show();
    btnMidiPort->show();
    btnRetry->show();
    btnCancel->show();
}

void AutoSync::bulkReceive()
{
    memApi->denyToRaiseFileEditFlag();
    receiving = true;
    receiveWithEditBuffer = !sendAfterReceive;
    memApi->setWaitingBulkReceive(true);
    txtMessage->setText(QStringLiteral("Receiving"));
    connect(memApi, &RemoteMemAPI::completeBulkReceive, this, &AutoSync::bulkReceived, Qt::UniqueConnection);
    timeoutTimerId = startTimer(timeouts.receiveMs);
    if (!memApi->sendHardWareDataReq(receiveWithEditBuffer)) {
        bulkError();
    }
}

void AutoSync::bulkSend(bool editBufferOnlyNow)
{
    memApi->denyToRaiseFileEditFlag();
    sending = true;
    storeWanted = memApi->isStorePending();
    storeToFlashWanted = memApi->isStoreToFlashSending();
    memApi->setWaitingBulkTransmit(true);
    txtMessage->setText(QStringLiteral("Sending"));
    connect(memApi, &RemoteMemAPI::completeBulkTransmit, this, &AutoSync::bulkSended, Qt::UniqueConnection);
    timeoutTimerId = startTimer(timeouts.sendMs);
    if (!memApi->sendEditorAllData(editBufferOnlyNow)) {
        bulkError();
    }
}

// A completion counts only for the synthesizer the transfer talked to: when its news of vanishing is
// still queued behind the completion, the one linked now may be another that was never synchronised with.
bool AutoSync::sameSynthesizerSinceStart()
{
    if (memApi->vanishedCount() == transferVanishedCount) {
        return true;
    }
    bulkError();
    return false;
}

void AutoSync::bulkReceived()
{
    if (!receiving || !sameSynthesizerSinceStart()) {
        return;
    }
    receiving = false;
    disconnect(memApi, &RemoteMemAPI::completeBulkReceive, this, &AutoSync::bulkReceived);
    stopTimer(&timeoutTimerId);
    memApi->allowToRaiseFileEditFlag();

    // Only what was asked for arrived: a receive without the edit buffer leaves bank 3 as it was, so
    // that a later reset to the data at start-up cannot send what was never received.
    memApi->setBankAvailableFlag(1, kReceivedStoredBank);
    if (receiveWithEditBuffer) {
        memApi->setBankAvailableFlag(1, kReceivedEditBank);
    }

    if (sendAfterReceive) {
        bulkSend(editBufferOnly);
        return;
    }

    memApi->denyToRaiseFileEditFlag();
    const ParamAddress currentTemplate(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);
    const long reported = memApi->getParam(currentTemplate).getCurrentValue();
    memApi->copyBank(kReceivedStoredBank, kStoredBank);
    memApi->copyBank(kReceivedEditBank, 0);
    memApi->setParam(currentTemplate, reported);
    memApi->allowToRaiseFileEditFlag();

    memApi->setONLINEstate(1);
    if (memApi->isFileOpenRequestExist()) {
        memApi->setFileOpenRequestFlag(false);
    } else {
        // The received data count as unsaved changes.
        fileEditFlagNotifier->setMemAPICurrentValue(1);
    }
    syncSucceeded();
}

void AutoSync::bulkSended()
{
    if (!sending || !sameSynthesizerSinceStart()) {
        return;
    }
    memApi->allowToRaiseFileEditFlag();
    sending = false;
    disconnect(memApi, &RemoteMemAPI::completeBulkTransmit, this, &AutoSync::bulkSended);
    memApi->setONLINEstate(1);
    syncSucceeded();
}

void AutoSync::synthesizerVanished()
{
    // The synthesizer the transfer talks to went away: nothing will answer it, and waiting for the
    // time-out would only keep the window from closing. The news of a vanishing before the transfer
    // began, arriving late, does not end it.
    if (timeoutTimerId != 0 && memApi->vanishedCount() != transferVanishedCount) {
        bulkError();
    }
}

void AutoSync::transferAbandoned()
{
    if (timeoutTimerId != 0) {
        bulkError();
    }
}

void AutoSync::syncSucceeded()
{
    stopTimer(&timeoutTimerId);
    stopTimer(&ledTimerId);
    if (waitCursorShown) {
        waitCursorShown = false;
        QGuiApplication::restoreOverrideCursor();
    }
    closeUnlock();
    memApi->setNeedToWaitAutoSyncDoneFlag(false);
    synchronised = true;
    QWidget::close();
}

void AutoSync::bulkError()
{
    stopTimer(&timeoutTimerId);
    stopTimer(&ledTimerId);
    errorShown = true;
    if (receiving) {
        receiving = false;
        memApi->revokeReceivedBulk();
        memApi->setWaitingBulkReceive(false);
        disconnect(memApi, &RemoteMemAPI::completeBulkReceive, this, &AutoSync::bulkReceived);
        memApi->clearTransmitedBulkReqCounter();
    }
    if (sending) {
        sending = false;
        memApi->setWaitingBulkTransmit(false);
        disconnect(memApi, &RemoteMemAPI::completeBulkTransmit, this, &AutoSync::bulkSended);
        memApi->clearTransmitedBulkCounter();
        // What the user asked to follow the data is still owed, even when the queue drained before the
        // synthesizer was found gone: Retry, or the next send, sends it.
        if (storeWanted) {
            memApi->setStoreFlag(true);
        }
        if (storeToFlashWanted) {
            memApi->setStoreToFlashSendingFlag(true);
        }
    }
    memApi->clearTransmitQueue();
    showErrorLook();
    if (waitCursorShown) {
        waitCursorShown = false;
        QGuiApplication::restoreOverrideCursor();
    }
    closeUnlock();
    memApi->allowToRaiseFileEditFlag();
}

void AutoSync::stopTimer(int* id)
{
    if (*id != 0) {
        killTimer(*id);
        *id = 0;
    }
}

void AutoSync::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == ledTimerId && ledTimerId != 0) {
        ledStep = drawLightStrip(lblAnimation, ledPixmap, ledStep);
    } else if (event->timerId() == timeoutTimerId && timeoutTimerId != 0) {
        bulkError();
    }
}

void AutoSync::popupMidiPort()
{
    const int index = popupNameList(portNameList, PopupMidiPortPosition);
    if (index >= 0) {
        selectPort(index);
    }
}

void AutoSync::selectPort(int index)
{
    txtMidiPort->setText(portNameList.value(index));
    portIndex = index;
    btnStart->setVisible(index > 0 && !errorShown);
    btnRetry->setVisible(index > 0 && errorShown);
}

void AutoSync::close()
{
    // While a transfer runs the close is refused, and file opening still waits for its end.
    if (QWidget::close()) {
        memApi->setNeedToWaitAutoSyncDoneFlag(false);
        // An announcement the failed panel ignored must not be the last: the synthesizer's next one
        // starts the auto-sync that sends what is still owed.
        if (!memApi->isONLINE()) {
            memApi->setWatchPortActivate(true);
        }
    }
}

void AutoSync::emulateStartPressing()
{
    // Return and Enter press the button that is there: nothing while it is hidden (no port chosen, or
    // a transfer running).
    COnOffButton* button = errorShown ? btnRetry : btnStart;
    if (button->isVisibleTo(this)) {
        emulateButtonPressing(button);
    }
}

void AutoSync::emulateClosePressing()
{
    emulateButtonPressing(btnClose);
}
