#pragma once

#include "EditorOverlap.h"
#include "ui_AutoSync.h"

#include <QPixmap>
#include <QStringList>

class CSimpleNotifier;
class QTimerEvent;

// Brings the editor and the synthesizer into step: receives the synthesizer's memory the first time,
// sends the editor's afterwards, animates a light strip meanwhile, and on a time-out or a refused
// transfer offers Retry and another port. The only place that turns ONLINE on. GUI thread only; the
// completion signals arrive queued from the MIDI threads.
class AutoSync : public EditorOverlap, public Ui::AutoSync
{
    Q_OBJECT
    Q_PROPERTY(bool sendAfterReceive READ isSendAfterReceive)
    Q_PROPERTY(bool editBufferOnly READ isEditBufferOnly)

public:
    // How long a transfer may take before it counts as failed.
    struct Timeouts
    {
        int receiveMs = 60000;
        int sendMs = 100000;
    };
    // The time-outs of panels made from now on (tests shorten them); the defaults above otherwise.
    static void setDefaultTimeouts(Timeouts timeouts);
    static Timeouts defaultTimeouts();

    AutoSync(EditorMainWindow* mainWindow, bool sendAfterReceive, bool editBufferOnly);
    AutoSync(EditorMainWindow* mainWindow, bool sendAfterReceive, bool editBufferOnly, Timeouts timeouts);
    ~AutoSync() override;

    // The synthesizer announced itself: starts unless a failure waits for the user.
    void activePort();

    // What the panel shows and does, for the window's tests.
    bool isSendAfterReceive() const { return sendAfterReceive; }
    bool isEditBufferOnly() const { return editBufferOnly; }
    bool isErrorShown() const { return errorShown; }
    bool isReceiving() const { return receiving; }
    bool isSending() const { return sending; }
    bool isTransferRunning() const { return timeoutTimerId != 0; }
    int selectedPortIndex() const { return portIndex; }

private slots:
    void start();
    void bulkReceived();
    void bulkSended();
    void synthesizerVanished();
    void transferAbandoned();
    void popupMidiPort();
    void close();
    void emulateStartPressing();
    void emulateClosePressing();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void bulkReceive();
    void bulkSend(bool editBufferOnly);
    void bulkError();
    void syncSucceeded();
    bool sameSynthesizerSinceStart();
    void showTransferLook();
    void showErrorLook();
    void stopTimer(int* id);
    void selectPort(int index);

    bool sendAfterReceive;
    int portIndex = 0;
    QStringList portNameList;
    bool errorShown = false;
    bool receiving = false;
    bool sending = false;
    bool editBufferOnly;
    // The receive asked for the synthesizer's edit buffer too (bank 3 is filled only then).
    bool receiveWithEditBuffer = false;
    bool waitCursorShown = false;
    // The panel has done its work and closed; it only waits for its deletion.
    bool synchronised = false;
    // The memory service's count of vanished synthesizers when the running transfer began.
    int transferVanishedCount = 0;
    // The follow-ups the running send was asked for, owed again if it fails.
    bool storeWanted = false;
    bool storeToFlashWanted = false;
    Timeouts timeouts;
    QPixmap ledPixmap;
    int ledStep = 0;
    int ledTimerId = 0;
    int timeoutTimerId = 0;
    CSimpleNotifier* fileEditFlagNotifier = nullptr;
};
