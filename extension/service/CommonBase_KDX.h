#pragma once

#include "DAWInfo.h"
#include "ExtensionMessages.h"
#include "ExtensionThread.h"
#include "FRef.h"
#include "FThread.h"
#include "HostInterfaces.h"
#include "MixerMonitor.h"
#include "ParameterController.h"
#include "Useful.h"
#include "ZSelectedNotification.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <string>

// The service core: it follows the host's selected track and its instrument, keeps the synthesizer's
// current template (its instrument name and the 24 knobs' parameter identifiers), binds each knob to a
// host parameter, applies knob turns, and sends names and values back to the synthesizer. The model
// class (ZELK_KDX) completes it with the host check, the dispatch of received messages, the sending of
// each message and the host actions.
//
// Threads: every host interaction runs on the host's thread in the calls the host makes (initialize,
// terminate, onIdle, update, project notifications, actions); the receive worker only queues messages
// (storeExtensionMessage), which the next idle call takes out of the queue under the queue lock and
// handles after letting the lock go. The reference count is atomic. Nothing the service does throws
// into the host.
class CommonBase_KDX : public Quorvane::IPluginBase,
                       public Quorvane::IIdleHandler,
                       public Quorvane::IProjectNotification,
                       public Quorvane::IActionHandler,
                       public Quorvane::IDependent,
                       public IReceiver,
                       public ZSelectedNotification
{
public:
    static constexpr int kKnobCount = ExtensionMessage::kKnobCount;
    static constexpr int kAssignableKnobCount = ExtensionMessage::kAssignableKnobCount;
    static constexpr std::uint32_t kAllKnobs = (1u << kKnobCount) - 1;
    // A knob's touch ends this long after its last turn.
    static constexpr Quorvane::int32 kUntouchDelay = 2000;
    // The assignment update that a matching template name asks for waits this long for the identifiers.
    static constexpr Quorvane::int32 kAssignmentUpdateDelay = 100;
    // How long a selection change waits for the synthesizer's answer to the instrument name we sent;
    // after it the template counts as current, so one lost answer cannot stop track following.
    static constexpr Quorvane::int32 kTemplateReplyTimeout = 2000;

    static constexpr const char* kOtherTrack = "Other Track";
    static constexpr const char* kAudioTrack = "Audio Track";
    static constexpr const char* kMIDITrack = "MIDI Track";
    static constexpr const char* kGenericTemplate = "Generic";
    static constexpr const char* kParamName_NotFound = "*Not Found";
    static constexpr const char* kParamName_NoAssign = "*No Assign";

    // FUnknown: answers FUnknown and IPluginBase with the object, IIdleHandler, IProjectNotification,
    // IActionHandler and IDependent with those interfaces.
    Quorvane::tresult queryInterface(const Quorvane::TUID iid, void** object) override;
    Quorvane::int32 addRef() override;
    Quorvane::int32 release() override;

    // IPluginBase. initialize answers 1 for a host the extension does not work with or without the host's
    // classes; terminate answers 1, changing nothing, while the host says its services cannot go yet.
    Quorvane::tresult initialize(Quorvane::FUnknown* context) override;
    Quorvane::tresult terminate() override;

    // IIdleHandler: one kind of work per call.
    void onIdle() override;

    // IProjectNotification.
    void projectAdded(Quorvane::IProject*) override {}
    void projectRemoved(Quorvane::IProject* project) override;
    void projectActivated(Quorvane::IProject* project) override;
    void projectDeactivated(Quorvane::IProject* project) override;
    Quorvane::tresult canProjectClose(Quorvane::IProject*) override { return Quorvane::kResultOk; }

    // IDependent: changes of the host objects the service observes.
    void update(Quorvane::FUnknown* changed, Quorvane::int32 message) override;

    // IReceiver (the receive worker's thread): queues the message; the service owns it from here.
    void storeExtensionMessage(unsigned char* message) override;

    // For tests and tools: what the service holds now. Host thread.
    const DAWInfo& hostInformation() const { return m_hostInformation; }
    bool isNewerHost() const { return m_newerHost; }
    const std::string& templateName() const { return m_templateName; }
    bool isTemplateNameCurrent() const { return m_templateNameCurrent; }
    // The name the knob shows (its mapped knob's) and the host value bound to the knob it is mapped to.
    std::string knobName(int knob) const;
    Quorvane::IValue2* knobValue(int knob) const;
    int knobMapping(int knob) const;
    Quorvane::IDevice* currentTrack() const { return m_currentTrack.get(); }
    Quorvane::IDevice* instrument() const { return m_instrument.get(); }
    bool isReceiving() const { return m_receiveWorker.isRunning(); }
    // Any thread: whether received messages wait for the next idle.
    bool hasPendingMessages() const { return m_messagesPending.load(); }

protected:
    CommonBase_KDX();
    // Whatever the host did before (a terminate it refused, or none), nothing the host keeps points at
    // the service once it is gone: the receive worker ends, the idle handler, the project notification
    // and every observation are removed and the host's classes let go.
    virtual ~CommonBase_KDX();

    // What the model class supplies.
    virtual void ReceiveExtensionMessage(const unsigned char* message) = 0;
    virtual bool IsTargetDAW(Quorvane::FUnknown* context) = 0;
    virtual void ConfigureModelDependentData() = 0;
    virtual void UnconfigureModelDependentData() = 0;
    virtual void SendAllParamNames() = 0;
    virtual void SendAllParamValues() = 0;
    virtual void SendOneParamName(int knob) = 0;
    virtual void SendOneParamValue(int knob) = 0;
    virtual void SendQPXiName(const std::string& name) = 0;
    // The track's name (24 blanks for null).
    virtual void SendTrackName(Quorvane::IValue* nameValue) = 0;
    virtual void SendProgramChangeMode() = 0;

    virtual bool BeginReceiveThread();
    virtual void EndReceiveThread();

    // Receive handlers; the messages are checked by the dispatch (lengths and headers).
    virtual void ReceiveKnobParamChange(int knob, int value);
    virtual void ReceiveAllParamIDs(const unsigned char* message, std::size_t length);
    virtual void ReceiveOneParamID(const unsigned char* message, std::size_t length);
    virtual void ReceiveTemplateQPXiName(const unsigned char* message, std::size_t length);

    // Knob assignment.
    virtual void UpdateParameterAssignment();
    virtual bool IsParameterAssignmentUpdatable();
    virtual void SearchAndAssignParameter(int knob, bool);
    virtual void SearchAndAssignTrackParameter(int knob, char type, char state);
    virtual void AddParameterToUpdateHandler(int knob);
    virtual std::string GetQuickControlAssignedParamName(int quickControl, Quorvane::IValue* destination);
    // "(%.3f)" of the bound value; empty when unbound or for a quick control without a target.
    virtual std::string GetValueStringFromFloatValue(int knob);
    // The text the knob's value shows: the host's own text, else the float form, in English.
    std::string GetParamValueString(int knob);

    virtual void SendBlankMessage();
    virtual bool StartProjectMonitoring();
    virtual void RespondToTrackSelectionChange();
    virtual void RespondToQPXiChange();
    // Level 4: the knobs; 3: and the instrument; 2: and the track; 1: and the mixer's selected track;
    // 0: and the selection and the mixer. Larger levels do nothing.
    virtual void InitializeInfo(int level, bool untouch);
    virtual void InitializeParameterInfo(int knob, bool untouch);

    // ZSelectedNotification.
    void notifySelectedDeviceDeactivated(Quorvane::IDevice* device) override;
    void notifySelectedTrackDeactivated(Quorvane::ITrack* track) override;
    void notifySelectedTrackActivated(Quorvane::ITrack* track) override;
    void notifySelectedDeviceActivated(Quorvane::IDevice* device) override;

    // The instrument name of the current track (spaces removed), "Audio Track", "MIDI Track" or
    // "Other Track".
    std::string GetQPXiName();
    // Whether the current instrument name and the template name agree (the template's rule).
    bool IsTargetTemplateSelected();
    // The instrument of the current track, found by the track's kind and the host's version.
    Quorvane::FRef<Quorvane::IDevice> GetQPXi();
    Quorvane::FRef<Quorvane::IDevice> GetQPXiFromMIDIOutput();
    void SetQPXiSlot();
    void SetBayProg();
    void SetAutomationWriteOfQPXi();
    // The program-switching sampler's knob names, anew from its parameter list.
    void RefreshProgramNames();
    void SendQuickControlParamName(int knob);
    // Asks for the values of the knobs in mask to be sent at a later idle.
    void MarkValuesToSend(std::uint32_t mask) { m_valuesToSend |= mask; }
    // The blank display no longer stands once a knob is bound or named.
    void ClearBlankDisplayIfAssigned();
    // Nor once a track's name went out: the next template that does not fit blanks the display again.
    void TrackNameShown();

    // Observing host objects through the host's update handler.
    bool AddDependent(Quorvane::FUnknown* object);
    bool RemoveDependent(Quorvane::FUnknown* object);
    // Stops observing the value and lets it go.
    template <class T> void Unobserve(Quorvane::FRef<T>& object)
    {
        if (object)
            RemoveDependent(object.get());
        object.reset();
    }

    Quorvane::IHostClasses* hostClasses() const { return m_hostClasses.get(); }

    // One knob of the synthesizer.
    struct KnobSlot
    {
        ParameterController2 controller;
        // The quick control's target value, observed, for a knob bound to a quick control.
        Quorvane::FRef<Quorvane::IValue> quickControlValue;
        // The text sent as the knob's name.
        std::string name;
        // The knob whose controller and name this knob shows (itself unless an earlier knob has the same
        // parameter).
        int mapping = 0;
    };
    const KnobSlot& mappedSlot(int knob) const;
    KnobSlot& mappedSlot(int knob);

    std::array<KnobSlot, kKnobCount> m_knobs;
    ExtensionMessage::ParamIDRecord m_records[kKnobCount];
    Quorvane::FRef<Quorvane::IValue> m_trackNameValue;
    Quorvane::FRef<Quorvane::IDevice> m_currentTrack;
    Quorvane::FRef<Quorvane::IDevice> m_instrument;
    bool m_newerHost = false;
    DAWInfo m_hostInformation;
    // Set by the synthesizer's remote-mode message; the next template name answers it.
    bool m_remoteModeSwitchedOn = false;

private:
    // The idle cycle's branches.
    bool ChangeParameters();
    void HandleQueuedMessages();
    bool RunDelayedAssignmentUpdate();
    void SendPendingValues();
    void FollowSelection();
    // What terminate and the destructor both take down.
    void Unregister();

    std::atomic<Quorvane::int32> m_refCount{1};
    Quorvane::FRef<Quorvane::IHostClasses> m_hostClasses;
    bool m_keepsGlobalHostClasses = false;
    bool m_idleHandlerAdded = false;
    bool m_projectNotificationAdded = false;

    MixerMonitor m_mixerMonitor;
    ReceiveWorker m_receiveWorker;
    bool m_waitingForRemoteDevice = true;
    bool m_projectActivationPending = false;
    Quorvane::FRef<Quorvane::IDevice> m_instrumentSlot;
    Quorvane::FRef<Quorvane::IValue> m_instrumentProgram;
    Quorvane::FRef<Quorvane::IValue> m_midiOutput;
    Quorvane::FRef<Quorvane::IValue> m_automationWrite;
    Quorvane::FRef<Quorvane::IDevice> m_previousTrack;
    Quorvane::FRef<Quorvane::IDevice> m_selectedDevice;
    bool m_knobChangePending = false;
    bool m_instrumentChangePending = false;
    bool m_blankDisplaySent = false;
    // The blank display took the track's name off, and no name went out since.
    bool m_trackNameBlanked = false;
    std::string m_templateName;
    bool m_assignmentUpdateRequested = false;
    CElapsedTimeChecker m_assignmentUpdateTimer;
    std::uint32_t m_valuesToSend = 0;
    bool m_templateNameCurrent = true;
    CElapsedTimeChecker m_templateReplyTimer;
    bool m_selectionChangePending = false;

    Quorvane::FLock m_queueLock{"CommonBase_KDX"};
    std::deque<unsigned char*> m_messageQueue; // under m_queueLock; owns its buffers
    std::atomic<bool> m_messagesPending{false};
};
