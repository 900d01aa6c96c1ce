#include "CommonBase_KDX.h"

#include "ExtensionState.h"
#include "ParameterFinder.h"

#include <algorithm>

using namespace Quorvane;
namespace Msg = ExtensionMessage;

namespace {

// Step kinds of the knobs: the assignable knobs, then the EQ knobs' Q, frequency and gain.
unsigned short stepKind(int knob)
{
    if (knob < CommonBase_KDX::kAssignableKnobCount)
        return ParameterController::kStepKnob;
    if (knob < 16)
        return ParameterController::kStepEQQ;
    if (knob < 20)
        return ParameterController::kStepEQFrequency;
    return ParameterController::kStepEQGain;
}

// Whether interval has passed since the timer's base; a timer the host's clock could not start counts as
// passed, so that a host without a clock never holds the service up.
bool hasElapsed(CElapsedTimeChecker& timer, IHostClasses* host, int32 interval)
{
    return timer.IsBaseTimeReset() || timer.IsPassed(host, 0, interval, false);
}

void startTimer(CElapsedTimeChecker& timer, IHostClasses* host)
{
    if (!timer.UpdateBaseTime(host))
        timer.ResetBaseTime();
}

} // namespace

CommonBase_KDX::CommonBase_KDX()
{
    for (int k = 0; k < kKnobCount; ++k)
        m_knobs[static_cast<std::size_t>(k)].mapping = k;
}

CommonBase_KDX::~CommonBase_KDX()
{
    try {
        Unregister();
    } catch (...) {
    }
    for (unsigned char* message : m_messageQueue)
        Msg::freeMessage(message);
}

tresult CommonBase_KDX::queryInterface(const TUID iid, void** object)
{
    if (!object)
        return kInvalidArgument;
    void* found = nullptr;
    if (iidEqual(iid, FUnknown::iid) || iidEqual(iid, IPluginBase::iid))
        found = static_cast<IPluginBase*>(this);
    else if (iidEqual(iid, IIdleHandler::iid))
        found = static_cast<IIdleHandler*>(this);
    else if (iidEqual(iid, IProjectNotification::iid))
        found = static_cast<IProjectNotification*>(this);
    else if (iidEqual(iid, IActionHandler::iid))
        found = static_cast<IActionHandler*>(this);
    else if (iidEqual(iid, IDependent::iid))
        found = static_cast<IDependent*>(this);
    if (!found) {
        *object = nullptr;
        return kNoInterface;
    }
    addRef();
    *object = found;
    return kResultOk;
}

int32 CommonBase_KDX::addRef()
{
    return ++m_refCount;
}

int32 CommonBase_KDX::release()
{
    const int32 count = --m_refCount;
    if (count == 0) {
        // A host may let the service go without a terminate it accepted: the receive worker stops while
        // the whole object still stands, so it never calls into one whose destructors already run.
        try {
            EndReceiveThread();
        } catch (...) {
        }
        delete this;
    }
    return count;
}

tresult CommonBase_KDX::initialize(FUnknown* context)
{
    try {
        if (!IsTargetDAW(context))
            return kResultFalse;
        FRef<IHostClasses> classes = queryRef<IHostClasses>(context);
        if (!classes)
            return kResultFalse;
        m_hostClasses = classes;
        if (gpHostClasses)
            gpHostClasses->release();
        classes->addRef();
        gpHostClasses = classes.get();
        m_keepsGlobalHostClasses = true;

        if (FRef<IHostApplicationW> application = queryRef<IHostApplicationW>(context)) {
            m_hostInformation.analyzeDAWInfo(application.get());
            if (m_hostInformation.isAllInfoAnalyzed() && m_hostInformation.getDAWNameIndex() != 1) {
                const bool parlex = m_hostInformation.getDAWNameIndex() == DAWInfo::kParlexIndex;
                m_newerHost = m_hostInformation.compareVersion(parlex ? 6 : 7, 5, -1) >= 0;
            }
        }
        setHostClasses(classes.get());
        if (FRef<IProjectInformation> projects = createRef<IProjectInformation>(classes.get()))
            m_projectNotificationAdded =
                projects->addProjectNotification(static_cast<IProjectNotification*>(this)) == kResultOk;
        if (FRef<IPlatform> platform = createRef<IPlatform>(classes.get()))
            m_idleHandlerAdded = platform->addIdleHandler(static_cast<IIdleHandler*>(this)) == kResultOk;
        return kResultOk;
    } catch (...) {
        return kResultFalse;
    }
}

tresult CommonBase_KDX::terminate()
{
    try {
        if (FRef<IPlatform2> platform = createRef<IPlatform2>(gpHostClasses))
            if (!platform->canTerminate())
                return kResultFalse;
        EndReceiveThread();
        if (m_projectNotificationAdded) {
            if (FRef<IProjectInformation> projects = createRef<IProjectInformation>(m_hostClasses.get()))
                projects->removeProjectNotification(static_cast<IProjectNotification*>(this));
            m_projectNotificationAdded = false;
        }
        UnconfigureModelDependentData();
        Unregister();
        return kResultOk;
    } catch (...) {
        return kResultFalse;
    }
}

void CommonBase_KDX::Unregister()
{
    m_receiveWorker.end();
    if (m_projectNotificationAdded) {
        if (FRef<IProjectInformation> projects = createRef<IProjectInformation>(m_hostClasses.get()))
            projects->removeProjectNotification(static_cast<IProjectNotification*>(this));
        m_projectNotificationAdded = false;
    }
    if (m_idleHandlerAdded) {
        if (FRef<IPlatform> platform = createRef<IPlatform>(m_hostClasses.get()))
            platform->removeIdleHandler(static_cast<IIdleHandler*>(this));
        m_idleHandlerAdded = false;
    }
    // Every observation goes, so that the host's update handler keeps nothing that points at us.
    if (m_hostClasses)
        CommonBase_KDX::InitializeInfo(0, true);
    setHostClasses(nullptr);
    if (m_keepsGlobalHostClasses && gpHostClasses == m_hostClasses.get() && gpHostClasses) {
        gpHostClasses->release();
        gpHostClasses = nullptr;
    }
    m_keepsGlobalHostClasses = false;
    m_hostClasses.reset();
}

void CommonBase_KDX::storeExtensionMessage(unsigned char* message)
{
    if (!message)
        return;
    try {
        FGuard guard(&m_queueLock);
        m_messageQueue.push_back(message);
        m_messagesPending.store(true);
    } catch (...) {
        Msg::freeMessage(message);
    }
}

bool CommonBase_KDX::BeginReceiveThread()
{
    return m_receiveWorker.begin(this);
}

void CommonBase_KDX::EndReceiveThread()
{
    m_receiveWorker.end();
}

void CommonBase_KDX::onIdle()
{
    try {
        if (m_waitingForRemoteDevice) {
            if (gbRemoteDeviceAdded.load()) {
                BeginReceiveThread();
                ConfigureModelDependentData();
                m_waitingForRemoteDevice = false;
            }
            return;
        }
        if (m_projectActivationPending) {
            if (StartProjectMonitoring())
                m_projectActivationPending = false;
            return;
        }
        if (ChangeParameters())
            return;
        if (m_messagesPending.load()) {
            HandleQueuedMessages();
            return;
        }
        checkSelectChangeOnIdle();
        FollowSelection();
    } catch (...) {
    }
}

bool CommonBase_KDX::ChangeParameters()
{
    for (int k = 0; k < kKnobCount; ++k) {
        ParameterController2& controller = m_knobs[static_cast<std::size_t>(k)].controller;
        if (controller.IsReadyToChangeValue()) {
            const char before = controller.GetControlState();
            controller.ChangeParameterOnIdle(hostClasses(), true, static_cast<short>(stepKind(k)));
            if (before <= 2 && controller.GetControlState() > 2)
                SendOneParamValue(k);
        } else if (controller.IsTouched()) {
            controller.UntouchOnIdle(hostClasses(), kUntouchDelay);
        }
    }
    return std::exchange(m_knobChangePending, false);
}

void CommonBase_KDX::HandleQueuedMessages()
{
    // Taken out under the lock and handled without it: changing host parameters may take the host a
    // while, and the receive worker (with the host's MIDI thread behind it) must not wait for that.
    std::deque<unsigned char*> messages;
    {
        FGuard guard(&m_queueLock);
        messages.swap(m_messageQueue);
        m_messagesPending.store(false);
    }
    for (unsigned char* message : messages) {
        try {
            ReceiveExtensionMessage(message);
        } catch (...) {
        }
        Msg::freeMessage(message);
    }
}

void CommonBase_KDX::FollowSelection()
{
    if (!m_selectionChangePending) {
        if (m_instrumentChangePending) {
            RespondToQPXiChange();
            m_instrumentChangePending = false;
        } else if (!RunDelayedAssignmentUpdate()) {
            SendPendingValues();
        }
        return;
    }
    if (!m_templateNameCurrent && hasElapsed(m_templateReplyTimer, hostClasses(), kTemplateReplyTimeout))
        m_templateNameCurrent = true;
    if (!m_templateNameCurrent)
        return;
    m_selectedDevice = FRef<IDevice>::share(getSelectedDevice());
    ITrack2* track = getSelectedTrack();
    m_currentTrack = FRef<IDevice>::share(track ? track->getDevice() : nullptr);
    RespondToTrackSelectionChange();
    m_selectionChangePending = false;
}

bool CommonBase_KDX::RunDelayedAssignmentUpdate()
{
    if (!m_assignmentUpdateRequested || !hasElapsed(m_assignmentUpdateTimer, hostClasses(), kAssignmentUpdateDelay))
        return false;
    UpdateParameterAssignment();
    SendAllParamNames();
    MarkValuesToSend(kAllKnobs);
    ClearBlankDisplayIfAssigned();
    m_assignmentUpdateRequested = false;
    return true;
}

void CommonBase_KDX::SendPendingValues()
{
    const std::uint32_t mask = std::exchange(m_valuesToSend, 0);
    if (mask == kAllKnobs) {
        SendAllParamValues();
        return;
    }
    for (int k = 0; k < kKnobCount; ++k)
        if (mask & (1u << k))
            SendOneParamValue(k);
}

void CommonBase_KDX::ClearBlankDisplayIfAssigned()
{
    for (const KnobSlot& slot : m_knobs) {
        if (slot.controller.IsValid() || !slot.name.empty()) {
            m_blankDisplaySent = false;
            return;
        }
    }
}

void CommonBase_KDX::TrackNameShown()
{
    m_blankDisplaySent = false;
    m_trackNameBlanked = false;
}

void CommonBase_KDX::projectActivated(IProject*)
{
    m_projectActivationPending = true;
}

void CommonBase_KDX::projectDeactivated(IProject* project)
{
    try {
        FRef<IProjectInformation> projects = createRef<IProjectInformation>(hostClasses());
        if (!project || !projects || projects->getActiveProject() != project)
            return;
        deactivateSelectedObjects();
        InitializeInfo(0, false);
        SendBlankMessage();
    } catch (...) {
    }
}

void CommonBase_KDX::projectRemoved(IProject* project)
{
    try {
        FRef<IProjectInformation> projects = createRef<IProjectInformation>(hostClasses());
        if (!project || !projects || projects->getActiveProject() != project)
            return;
        InitializeInfo(0, false);
        SendBlankMessage();
    } catch (...) {
    }
}

bool CommonBase_KDX::StartProjectMonitoring()
{
    m_mixerMonitor.initializeAll();
    if (!m_mixerMonitor.setData(static_cast<IDependent*>(this), hostClasses()))
        return false;
    m_mixerMonitor.addDependencyToMixer();
    m_mixerMonitor.addDependencyToTrackSelection();
    InitializeInfo(1, true);
    ZSelectedNotification::update(m_mixerMonitor.getMixer(), IDependent::kChanged);
    return true;
}

void CommonBase_KDX::notifySelectedTrackDeactivated(ITrack*)
{
    InitializeInfo(1, true);
}

void CommonBase_KDX::notifySelectedDeviceDeactivated(IDevice*)
{
    InitializeInfo(1, true);
}

void CommonBase_KDX::notifySelectedDeviceActivated(IDevice*)
{
    InitializeInfo(1, true);
    m_selectionChangePending = true;
}

void CommonBase_KDX::notifySelectedTrackActivated(ITrack* track)
{
    FRef<ITrack2> track2 = queryRef<ITrack2>(track);
    if (track2 && track2->isReadyForRemote() == kResultOk) {
        InitializeInfo(1, true);
        m_selectionChangePending = true;
    }
}

void CommonBase_KDX::RespondToTrackSelectionChange()
{
    if (!m_currentTrack && !m_selectedDevice) {
        SendBlankMessage();
        return;
    }
    // A new instrument track whose instrument has no slot yet leaves the knobs on the previous track
    // while that track is still in the mixer.
    IDevice* track = m_currentTrack.get();
    if (Useful::isInstrumentTrack(track) && !ParameterFinder::getDeviceObject(nullptr, track, "Slot") &&
        m_previousTrack && m_mixerMonitor.doesTrackExist(m_previousTrack.get()))
        m_currentTrack = m_previousTrack;
    else
        m_previousTrack.reset();

    Unobserve(m_trackNameValue);
    m_trackNameValue = ParameterFinder::getTrackParameter(m_currentTrack.get(), ParameterFinder::kTrackName);
    if (m_trackNameValue)
        AddDependent(m_trackNameValue.get());
    Unobserve(m_midiOutput);
    if (Useful::isMIDITrack(m_currentTrack.get())) {
        m_midiOutput = FRef<IValue>::adopt(m_currentTrack->getValue("output"));
        if (m_midiOutput)
            AddDependent(m_midiOutput.get());
    }
    RespondToQPXiChange();
    if (m_currentTrack || m_selectedDevice)
        SetAutomationWriteOfQPXi();
}

void CommonBase_KDX::RespondToQPXiChange()
{
    InitializeInfo(3, true);
    Unobserve(m_automationWrite);
    std::string name;
    if (m_currentTrack || m_selectedDevice) {
        m_instrument = GetQPXi();
        SetQPXiSlot();
        SetBayProg();
        SetAutomationWriteOfQPXi();
        name = GetQPXiName();
    }
    if (name.empty()) {
        SendBlankMessage();
        return;
    }
    if (name.size() > static_cast<std::size_t>(Msg::kInstrumentNameWidth))
        name.resize(static_cast<std::size_t>(Msg::kInstrumentNameWidth));
    const bool match = Useful::isSameString(name, m_templateName, false) ||
                       (name == kOtherTrack && m_templateName == kGenericTemplate);
    if (match) {
        UpdateParameterAssignment();
        SendTrackName(m_trackNameValue.get());
        SendProgramChangeMode();
        SendAllParamNames();
        MarkValuesToSend(kAllKnobs);
        ClearBlankDisplayIfAssigned();
        return;
    }
    SendTrackName(m_trackNameValue.get());
    SendProgramChangeMode();
    // The synthesizer answers the instrument name with the template it chose; the selection waits for it.
    m_templateNameCurrent = false;
    startTimer(m_templateReplyTimer, hostClasses());
    SendQPXiName(name);
}

void CommonBase_KDX::SendBlankMessage()
{
    if (m_blankDisplaySent)
        return;
    InitializeInfo(4, true);
    SendTrackName(nullptr);
    SendAllParamNames();
    SendAllParamValues();
    m_blankDisplaySent = true;
    m_trackNameBlanked = true;
}

void CommonBase_KDX::InitializeInfo(int level, bool untouch)
{
    if (level > 4)
        return;
    for (int k = 0; k < kKnobCount; ++k)
        InitializeParameterInfo(k, untouch);
    if (level <= 3) {
        Unobserve(m_instrumentSlot);
        Unobserve(m_instrumentProgram);
        m_instrument.reset();
    }
    if (level <= 2) {
        if (m_currentTrack)
            m_previousTrack = m_currentTrack;
        m_currentTrack.reset();
        m_selectedDevice.reset();
        Unobserve(m_trackNameValue);
        Unobserve(m_automationWrite);
        Unobserve(m_midiOutput);
    }
    if (level <= 1) {
        m_mixerMonitor.removeDependencyFromTrackSelectionOfSelectedTrack();
        m_mixerMonitor.initializeSelectedTrack();
    }
    if (level <= 0) {
        initializeSelectedObjects();
        m_mixerMonitor.initializeAll();
    }
}

void CommonBase_KDX::InitializeParameterInfo(int knob, bool untouch)
{
    if (knob < 0 || knob >= kKnobCount)
        return;
    KnobSlot& slot = m_knobs[static_cast<std::size_t>(knob)];
    if (slot.controller.IsValid()) {
        if (untouch)
            slot.controller.Untouch();
        slot.controller.RemoveDependent(hostClasses(), static_cast<IDependent*>(this));
        slot.controller.Initialize();
    }
    Unobserve(slot.quickControlValue);
    slot.name.clear();
    slot.mapping = knob;
}

void CommonBase_KDX::update(FUnknown* changed, int32 message)
{
    try {
        if (!changed || !hostClasses())
            return;
        const FRef<IDevice> device = queryRef<IDevice>(changed);
        const FRef<IValue> value = queryRef<IValue>(changed);
        ZSelectedNotification::update(changed, message);
        if ((device && device.get() == m_instrumentSlot.get()) || (value && value.get() == m_midiOutput.get())) {
            if (message == IDependent::kDestroyed)
                InitializeInfo(1, false);
            else if (message == IDependent::kChanged)
                m_instrumentChangePending = true;
            return;
        }
        if (!value)
            return;
        if (value.get() == m_instrumentProgram.get()) {
            if (message == IDependent::kChanged)
                RefreshProgramNames();
            return;
        }
        if (value.get() == m_automationWrite.get()) {
            if (message == IDependent::kDestroyed)
                Unobserve(m_automationWrite);
            return;
        }
        if (message != IDependent::kChanged)
            return;
        if (value.get() == m_trackNameValue.get())
            SendTrackName(value.get());
        for (int k = 0; k < kKnobCount; ++k) {
            KnobSlot& slot = m_knobs[static_cast<std::size_t>(k)];
            if (slot.controller.IsValid() && static_cast<IValue*>(slot.controller.GetValueObject()) == value.get()) {
                for (int j = 0; j < kKnobCount; ++j)
                    if (m_knobs[static_cast<std::size_t>(j)].mapping == k)
                        SendOneParamValue(j);
                slot.controller.RechangeFloatValue(hostClasses(), stepKind(k));
            }
            if (slot.quickControlValue && slot.quickControlValue.get() == value.get())
                for (int j = 0; j < kKnobCount; ++j)
                    if (m_knobs[static_cast<std::size_t>(j)].mapping == k)
                        SendQuickControlParamName(j);
        }
    } catch (...) {
    }
}

bool CommonBase_KDX::AddDependent(FUnknown* object)
{
    FRef<IUpdateHandler> updates = createRef<IUpdateHandler>(hostClasses());
    return object && updates && updates->addDependent(object, static_cast<IDependent*>(this)) == kResultOk;
}

bool CommonBase_KDX::RemoveDependent(FUnknown* object)
{
    FRef<IUpdateHandler> updates = createRef<IUpdateHandler>(hostClasses());
    return object && updates && updates->removeDependent(object, static_cast<IDependent*>(this)) == kResultOk;
}

void CommonBase_KDX::ReceiveKnobParamChange(int knob, int value)
{
    if (!m_mixerMonitor.isMixerValid() || value < 1 || value > 127 || knob < 0 || knob >= kKnobCount)
        return;
    ParameterController2& controller = mappedSlot(knob).controller;
    if (!controller.IsControllable())
        return;
    controller.AddControllerVariation(Msg::knobTurnSteps(value));
    m_knobChangePending = true;
}

void CommonBase_KDX::ReceiveTemplateQPXiName(const unsigned char* message, std::size_t length)
{
    std::string name;
    if (!Msg::parseInstrumentName(message, length, name))
        return;
    m_templateName = name;
    m_templateNameCurrent = true;
    const bool match = IsTargetTemplateSelected();
    if (m_remoteModeSwitchedOn) {
        if (!match) {
            SendBlankMessage();
            SendQPXiName(GetQPXiName());
        }
        m_remoteModeSwitchedOn = false;
    } else if (match && (m_blankDisplaySent || m_trackNameBlanked)) {
        // The template fits the track now (chosen or edited at the synthesizer): the track's name that the
        // blank display took comes back with it.
        if (m_trackNameBlanked && m_trackNameValue) {
            SendTrackName(m_trackNameValue.get());
            SendProgramChangeMode();
        }
        m_assignmentUpdateRequested = true;
        startTimer(m_assignmentUpdateTimer, hostClasses());
    } else if (!match && m_templateName != kGenericTemplate) {
        SendBlankMessage();
    }
}

void CommonBase_KDX::ReceiveAllParamIDs(const unsigned char* message, std::size_t length)
{
    if (!Msg::parseAllParamIDs(message, length, m_records))
        return;
    UpdateParameterAssignment();
    SendAllParamNames();
    MarkValuesToSend(kAllKnobs);
    ClearBlankDisplayIfAssigned();
}

void CommonBase_KDX::ReceiveOneParamID(const unsigned char* message, std::size_t length)
{
    int knob = -1;
    Msg::ParamIDRecord record;
    const Msg::OneParamIDResult result = Msg::parseOneParamID(message, length, knob, record);
    if (result == Msg::OneParamIDResult::Ignored)
        return;
    m_records[knob] = record;
    if (result != Msg::OneParamIDResult::Complete)
        return;
    UpdateParameterAssignment();
    SendOneParamName(knob);
    MarkValuesToSend(1u << knob);
    ClearBlankDisplayIfAssigned();
}

std::string CommonBase_KDX::knobName(int knob) const
{
    return knob >= 0 && knob < kKnobCount ? mappedSlot(knob).name : std::string();
}

IValue2* CommonBase_KDX::knobValue(int knob) const
{
    return knob >= 0 && knob < kKnobCount ? mappedSlot(knob).controller.GetValueObject() : nullptr;
}

int CommonBase_KDX::knobMapping(int knob) const
{
    return knob >= 0 && knob < kKnobCount ? m_knobs[static_cast<std::size_t>(knob)].mapping : -1;
}

const CommonBase_KDX::KnobSlot& CommonBase_KDX::mappedSlot(int knob) const
{
    return m_knobs[static_cast<std::size_t>(m_knobs[static_cast<std::size_t>(knob)].mapping)];
}

CommonBase_KDX::KnobSlot& CommonBase_KDX::mappedSlot(int knob)
{
    return m_knobs[static_cast<std::size_t>(m_knobs[static_cast<std::size_t>(knob)].mapping)];
}
