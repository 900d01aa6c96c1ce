#pragma once

#include "CTQKnobManager.h"
#include "ExtensionThread.h"
#include "FThread.h"
#include "HWRemoteBase.h"

#include <array>
#include <atomic>
#include <deque>

// The synthesizer as a remote device of the host. It declares the 55 controls, binds transport, mixer
// and function buttons in the bank "Mixer", turns knob, F-button and page-button changes and the
// synthesizer's accepted SysEx into messages on the receive channel, and sends the service's messages
// to the synthesizer from its idle call, at most four per call.
//
// Threads: init, term, open, close and onIdle on the host's thread; doMidiEvent on the host's MIDI
// input thread; changeValue, sendController and activateLayer on whichever thread the host chooses;
// SendExtensionMessage on the device's own sender worker. Every call to the host's remote interface that
// changes what the host shows (LEDs, layers, SysEx out) is made on the host's thread: the other threads
// leave a request that the next onIdle carries out. Nothing the device does throws into the host.
//
// A host closes the device when the synthesizer's ports go and opens it again when they are back: the
// synthesizer may have been switched off meanwhile and knows nothing of the extension, so the first idle
// after such a new open announces the extension again, as the first idle after the first open does.
class ZELK_HWRemote : public Quorvane::HWRemoteBase, public ISender
{
public:
    static constexpr int kControlCount = 55;
    static constexpr int kMaxSendsPerIdle = 4;
    // Control indices of the control map.
    enum Control : int
    {
        kAssignableKnob1 = 0,
        kEQKnob12 = 23,
        kDataDial = 24,
        kTop = 25,
        kRewind = 26,
        kFastForward = 27,
        kStop = 28,
        kPlay = 29,
        kRecord = 30,
        kF1 = 41,
        kF6 = 46,
        kJog = 47,
        kLock = 48,
        kSFBank1 = 49,
        kSFBank6 = 54,
    };

    static Quorvane::FUnknown* createInstance(void* context);
    // The controls the knob manager handles, by name and index in the control map.
    static CTQKnobManager::SControlInfo DialControlInfo();

    bool init(Quorvane::IHWRemoteStandard* standard) override;
    bool term() override;
    bool open() override;
    bool close() override;
    void resetAll() override;
    void changeValue(Quorvane::int32 index, Quorvane::int32 value) override;
    void doMidiEvent(void* event) override;
    void sendController(Quorvane::PHWRemoteControl* control, Quorvane::int32 index, Quorvane::int32 value) override;
    void activateBank(const char* name) override {}
    void activateLayer(const char* name) override;
    void onIdle() override;

    // ISender: the service's outgoing messages, handed over by the sender worker.
    void SendExtensionMessage(unsigned char* message) override;
    void SendSonvikReady() override {}

    bool IsClosed() const { return m_closed.load(); }
    int SFPageIndex() const { return m_sfPageIndex.load(); }
    int SendChannelIndex() const { return m_sendWorker.index(); }
    int QueuedMessageCount();
    bool JogStopSetting();
    int KnobMode();

protected:
    ZELK_HWRemote();
    ~ZELK_HWRemote() override;

private:
    void AssignControls(Quorvane::IHWRemoteBank* bank);
    bool BeginSendingThread();
    void EndSendingThread();
    void UpdateLEDs(bool dialOnly);
    // Sends 56 01 to the synthesizer and tells the service; false (nothing sent) while closed.
    bool SendExtensionRunning();
    // Hands the held messages to the service, after the LEDs were set anew for the remote-mode message
    // that started holding.
    void ReleaseHeldMessages();
    void DropHeldMessages();
    void EraseOneParamMsgsOnQueue();
    bool SendKnobChangeToKDX(Quorvane::int32 index, Quorvane::int32 value);
    bool SendSFPageChangeToKDX(int page);
    void ApplyRequestedLEDs();
    void SetLED(int index, Quorvane::int32 value);
    void FreeQueue();

    SendWorker m_sendWorker;
    // Host thread only. m_initialized is set only once init did every step, its sender running; term clears it.
    bool m_initialized = false;
    bool m_firstIdle = true;
    // Set by close: the next open is a new start for a synthesizer that may have been away.
    bool m_announceAtNextOpen = false;
    bool m_refreshLEDsWhenAnnouncing = false;
    // Every call into the knob manager holds this lock (the host may call changeValue on any thread
    // while the idle call runs); the host is never called back while it is held, except for its clock
    // and transport, which never call the device.
    Quorvane::FLock m_knobLock{"ZELK_HWRemote-Knobs"};
    CTQKnobManager m_knobManager;
    std::atomic<bool> m_playLED{false};
    std::atomic<bool> m_recordLED{false};
    std::atomic<int> m_sfPageIndex{0};
    // LED work asked for off the host's thread, done by the next onIdle.
    std::atomic<bool> m_pageLEDRequested{false};
    // From the synthesizer's remote-mode message on, what it sends waits here (in order) until the next
    // onIdle has refreshed the LEDs; the service then gets it. Posting to the receive channel happens
    // under this lock too, so that nothing overtakes what is held. A close drops what is held (taken under
    // the queue lock there; the queue lock is never taken under this one), and nothing is held while closed.
    Quorvane::FLock m_heldLock{"ZELK_HWRemote-Held"};
    std::deque<unsigned char*> m_heldMessages; // under m_heldLock; owns its buffers
    Quorvane::FLock m_queueLock{"ZELK_HWRemote"};
    std::deque<unsigned char*> m_sendQueue; // under m_queueLock; owns its buffers
    std::atomic<bool> m_closed{true};       // written under m_queueLock
};

// The control map: the 55 controls in index order, as declared to the host.
extern const std::array<Quorvane::PHWRemoteControl, ZELK_HWRemote::kControlCount> g_ctrlMap;
extern const char* const k_layer_default;
extern const char* const k_bank_default;
