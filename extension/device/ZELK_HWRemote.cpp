#include "ZELK_HWRemote.h"

#include "CNfunction.h"
#include "ExtensionMessages.h"
#include "ExtensionState.h"

#include <new>
#include <string>
#include <utility>

using namespace Quorvane;
namespace Msg = ExtensionMessage;

namespace {

constexpr uint32 fourCC(const char (&code)[5])
{
    return (static_cast<uint32>(static_cast<unsigned char>(code[0])) << 24) |
           (static_cast<uint32>(static_cast<unsigned char>(code[1])) << 16) |
           (static_cast<uint32>(static_cast<unsigned char>(code[2])) << 8) |
           static_cast<uint32>(static_cast<unsigned char>(code[3]));
}

struct Property
{
    uint32 key;
    int32 value;
};

constexpr Property k_remoteProperties[] = {
    {fourCC("midi"), 1}, {fourCC("ftch"), 1}, {fourCC("wrng"), 24}, {fourCC("miex"), 1}, {fourCC("?hbs"), 0},
};

constexpr int kPageCount = 6;
constexpr int32 kLEDOn = 127;

} // namespace

FUnknown* ZELK_HWRemote::createInstance(void*)
{
    return static_cast<IHWRemote*>(new (std::nothrow) ZELK_HWRemote);
}

ZELK_HWRemote::ZELK_HWRemote() : m_knobManager(gpHostClasses, true) {}

ZELK_HWRemote::~ZELK_HWRemote()
{
    // A host may release the device without term: the worker must not outlive what it calls into.
    EndSendingThread();
    FreeQueue();
    DropHeldMessages();
}

void ZELK_HWRemote::DropHeldMessages()
{
    FGuard guard(&m_heldLock);
    for (unsigned char* message : m_heldMessages)
        Msg::freeMessage(message);
    m_heldMessages.clear();
}

bool ZELK_HWRemote::init(IHWRemoteStandard* standard)
{
    try {
        if (!gpHostClasses || !standard)
            return false;
        HWRemoteBase::init(standard);
        {
            FGuard guard(&m_knobLock);
            m_knobManager.SetHostClasses(gpHostClasses);
        }
        for (const Property& p : k_remoteProperties)
            setRemoteProperty(p.key, p.value);
        for (const PHWRemoteControl& control : g_ctrlMap) {
            PHWRemoteControl copy = control;
            addRemoteControl(&copy);
        }
        if (IHWRemoteBank* bank = createBank(k_bank_default)) {
            AssignControls(bank);
            const CTQKnobManager::SControlInfo info = DialControlInfo();
            FGuard guard(&m_knobLock);
            m_knobManager.RegisterInfo(bank, &info);
        }
        // Without its sender the device could never tell the synthesizer anything: a device that half
        // works is worse than one the host knows it could not install.
        if (!BeginSendingThread()) {
            HWRemoteBase::init(nullptr);
            return false;
        }
        gbRemoteDeviceAdded.store(true);
        m_initialized = true;
        return true;
    } catch (...) {
        EndSendingThread();
        HWRemoteBase::init(nullptr);
        return false;
    }
}

CTQKnobManager::SControlInfo ZELK_HWRemote::DialControlInfo()
{
    CTQKnobManager::SControlInfo info;
    info.dialName = "DataDial";
    info.jogName = "Jog";
    info.lockName = "Lock";
    info.dialIndex = kDataDial;
    info.jogIndex = kJog;
    info.lockIndex = kLock;
    info.playIndex = kPlay;
    info.recordIndex = kRecord;
    info.stopIndex = kStop;
    return info;
}

bool ZELK_HWRemote::term()
{
    m_initialized = false;
    EndSendingThread();
    return true;
}

bool ZELK_HWRemote::open()
{
    if (std::exchange(m_announceAtNextOpen, false)) {
        // The synthesizer may have been away (a host closes a device whose ports vanished): it gets the
        // announcement again, and its LEDs, which it lost with everything else.
        m_firstIdle = true;
        m_refreshLEDsWhenAnnouncing = true;
    }
    m_closed.store(false);
    return HWRemoteBase::open();
}

bool ZELK_HWRemote::close()
{
    FGuard guard(&m_queueLock);
    // What was queued still reaches the synthesizer before the port closes.
    while (!m_sendQueue.empty()) {
        unsigned char* message = m_sendQueue.front();
        m_sendQueue.pop_front();
        sendStandard(message);
        Msg::freeMessage(message);
    }
    if (!m_closed.load())
        m_announceAtNextOpen = true;
    m_closed.store(true);
    // What the synthesizer said in this session (its remote mode on and what followed) belongs to it: the
    // next open announces the extension again and the synthesizer answers anew. The page LED asked for is
    // set by that announcement's refresh.
    DropHeldMessages();
    m_pageLEDRequested.store(false);
    return HWRemoteBase::close();
}

void ZELK_HWRemote::resetAll()
{
    HWRemoteBase::resetAll();
}

void ZELK_HWRemote::changeValue(int32 index, int32 value)
{
    try {
        if (SendKnobChangeToKDX(index, value))
            return;
        if (index >= kF1 && index <= kF6) {
            if (value > 0)
                gSysExReceiving.post(Msg::buildUserCommand(index - kF1));
            return;
        }
        bool consumed;
        {
            FGuard guard(&m_knobLock);
            consumed = m_knobManager.ValueChanged(index, &value, true);
        }
        if (consumed)
            return;
        if (index >= kSFBank1 && index <= kSFBank6) {
            SendSFPageChangeToKDX(index - kSFBank1);
            return;
        }
        HWRemoteBase::changeValue(index, value);
    } catch (...) {
    }
}

bool ZELK_HWRemote::SendKnobChangeToKDX(int32 index, int32 value)
{
    if (index < kAssignableKnob1 || index > kEQKnob12 || value < 0 || value > 127)
        return false;
    gSysExReceiving.post(Msg::buildKnobTurn(index, value));
    return true;
}

bool ZELK_HWRemote::SendSFPageChangeToKDX(int page)
{
    return gSysExReceiving.post(Msg::buildPageSelect(page));
}

void ZELK_HWRemote::doMidiEvent(void* event)
{
    try {
        if (!event || !standard())
            return;
        int32 length = 0;
        const uint8* bytes = getMIDISysexData(event, &length);
        if (!bytes || length <= 0) {
            HWRemoteBase::doMidiEvent(event);
            return;
        }
        // Only the bytes the host gave are read.
        unsigned char* message = Msg::acceptReceivedSysEx(bytes, static_cast<std::size_t>(length));
        if (!message)
            return;
        const bool remoteModeOn = Msg::IsRemoteModeOnMessage(message, Msg::messageLength(message));
        FGuard guard(&m_heldLock);
        // Checked under the held lock, which close takes after setting the flag: nothing is held past it.
        if (m_closed.load()) {
            Msg::freeMessage(message);
            return;
        }
        // The synthesizer entered its remote mode: its LEDs are set anew before the service hears of it.
        // The host takes LEDs on its own thread only, so the message, and whatever follows it, waits for
        // the next onIdle.
        if (remoteModeOn || !m_heldMessages.empty()) {
            try {
                m_heldMessages.push_back(message);
            } catch (...) {
                Msg::freeMessage(message);
            }
            return;
        }
        gSysExReceiving.post(message);
    } catch (...) {
    }
}

void ZELK_HWRemote::SendExtensionMessage(unsigned char* message)
{
    if (!message)
        return;
    const std::size_t length = Msg::messageLength(message);
    try {
        const Msg::SendDisposition disposition = Msg::classifyOutgoing(message, length);
        // A closed device takes nothing: the service sends the page again with the refresh that answers
        // the device's announcement at its next open.
        if (m_closed.load()) {
            Msg::freeMessage(message);
            return;
        }
        switch (disposition) {
        case Msg::SendDisposition::PageLed: {
            const int page = Msg::dataByte(message, length);
            if (page >= 0 && page < kPageCount) {
                m_sfPageIndex.store(page);
                m_pageLEDRequested.store(true);
            }
            break;
        }
        case Msg::SendDisposition::JogStop: {
            FGuard guard(&m_knobLock);
            m_knobManager.ChangeJogStopSetting(Msg::dataByte(message, length) != 0);
            break;
        }
        case Msg::SendDisposition::Queue:
        case Msg::SendDisposition::QueueTrackName: {
            FGuard guard(&m_queueLock);
            if (m_closed.load())
                break;
            if (disposition == Msg::SendDisposition::QueueTrackName)
                EraseOneParamMsgsOnQueue();
            m_sendQueue.push_back(message);
            return;
        }
        case Msg::SendDisposition::Drop:
            break;
        }
    } catch (...) {
    }
    Msg::freeMessage(message);
}

void ZELK_HWRemote::EraseOneParamMsgsOnQueue()
{
    for (auto it = m_sendQueue.begin(); it != m_sendQueue.end();) {
        const unsigned char* m = *it;
        const unsigned char function = m[k_addressPos + 1];
        if (function == Msg::kKnobName || function == Msg::kKnobValue) {
            Msg::freeMessage(*it);
            it = m_sendQueue.erase(it);
        } else {
            ++it;
        }
    }
}

void ZELK_HWRemote::onIdle()
{
    // A device whose init failed (or never came, or was undone by term) has no host interface to work
    // with; the layer change its knob manager queued at construction must not reach the host through it.
    if (!m_initialized || !standard())
        return;
    try {
        if (m_firstIdle) {
            // Cleared even while closed, when nothing is sent: only a later open announces again.
            m_firstIdle = false;
            const bool refreshLEDs = std::exchange(m_refreshLEDsWhenAnnouncing, false);
            if (SendExtensionRunning() && refreshLEDs)
                UpdateLEDs(false);
        }
        // A closed device sets no LED and tells the service nothing the synthesizer said.
        if (!m_closed.load()) {
            ApplyRequestedLEDs();
            ReleaseHeldMessages();
        }
        {
            FGuard guard(&m_queueLock);
            for (int sent = 0; sent < kMaxSendsPerIdle && !m_sendQueue.empty(); ++sent) {
                unsigned char* message = m_sendQueue.front();
                m_sendQueue.pop_front();
                sendStandard(message);
                Msg::freeMessage(message);
            }
        }
        CTQKnobManager::SValueChangeData entry;
        bool hasEntry;
        std::string layer;
        {
            FGuard guard(&m_knobLock);
            m_knobManager.OnIdleCalled();
            hasEntry = m_knobManager.GetDataFromQueue(&entry);
            if (hasEntry && entry.index < 0)
                layer = m_knobManager.GetLayerName(entry.value);
        }
        // The host answers a layer change with activateLayer, which takes the knob lock again.
        if (hasEntry && entry.index >= 0)
            HWRemoteBase::changeValue(entry.index, entry.value);
        else if (hasEntry && !layer.empty())
            setLayerStandard(layer.c_str());
        HWRemoteBase::onIdle();
    } catch (...) {
    }
}

bool ZELK_HWRemote::SendExtensionRunning()
{
    if (m_closed.load() || !standard())
        return false;
    // The service hears of it first: a synthesizer may answer (its template, its knobs' identifiers) before
    // the send returns, and the refresh of the announcement, whose track name takes queued knob names off
    // the queue, must come before that answer, not after it.
    gSysExReceiving.post(Msg::buildExtensionRunning(k_prmChgHead_Rcv));
    unsigned char* toSynth = Msg::buildExtensionRunning(k_prmChgHead_Snd);
    sendStandard(toSynth);
    Msg::freeMessage(toSynth);
    return true;
}

void ZELK_HWRemote::sendController(PHWRemoteControl* control, int32 index, int32 value)
{
    if (!control)
        return;
    if (index == kRecord)
        m_recordLED.store(value != 0);
    else if (index == kPlay)
        m_playLED.store(value != 0);
    HWRemoteBase::sendController(control, index, value);
}

void ZELK_HWRemote::activateLayer(const char* name)
{
    bool known;
    {
        FGuard guard(&m_knobLock);
        known = name && m_knobManager.ActiveLayerChanged(name);
    }
    if (known)
        UpdateLEDs(true);
}

void ZELK_HWRemote::ApplyRequestedLEDs()
{
    if (m_pageLEDRequested.exchange(false))
        SetLED(kSFBank1 + m_sfPageIndex.load(), kLEDOn);
}

void ZELK_HWRemote::ReleaseHeldMessages()
{
    {
        FGuard guard(&m_heldLock);
        if (m_heldMessages.empty())
            return;
    }
    // Set without the lock: the host is called. What arrives meanwhile is held and goes with the rest,
    // after LEDs that are already right.
    UpdateLEDs(false);
    FGuard guard(&m_heldLock);
    while (!m_heldMessages.empty()) {
        gSysExReceiving.post(m_heldMessages.front());
        m_heldMessages.pop_front();
    }
}

void ZELK_HWRemote::UpdateLEDs(bool dialOnly)
{
    if (!dialOnly) {
        SetLED(kPlay, m_playLED.load() ? kLEDOn : 0);
        SetLED(kRecord, m_recordLED.load() ? kLEDOn : 0);
        SetLED(kSFBank1 + m_sfPageIndex.load(), kLEDOn);
    }
    int jog = 0;
    int lock = -1;
    bool known;
    {
        FGuard guard(&m_knobLock);
        known = m_knobManager.GetButtonState(&jog, &lock);
    }
    if (!known)
        return;
    SetLED(kJog, jog);
    if (lock >= 0)
        SetLED(kLock, lock);
}

void ZELK_HWRemote::SetLED(int index, int32 value)
{
    if (index < 0 || index >= kControlCount || !standard())
        return;
    PHWRemoteControl control = g_ctrlMap[static_cast<std::size_t>(index)];
    HWRemoteBase::sendController(&control, index, value);
}

bool ZELK_HWRemote::BeginSendingThread()
{
    return m_sendWorker.begin(this);
}

void ZELK_HWRemote::EndSendingThread()
{
    m_sendWorker.end();
}

int ZELK_HWRemote::QueuedMessageCount()
{
    FGuard guard(&m_queueLock);
    return static_cast<int>(m_sendQueue.size());
}

bool ZELK_HWRemote::JogStopSetting()
{
    FGuard guard(&m_knobLock);
    return m_knobManager.IsJogStopOn();
}

int ZELK_HWRemote::KnobMode()
{
    FGuard guard(&m_knobLock);
    return m_knobManager.GetMode();
}

void ZELK_HWRemote::FreeQueue()
{
    FGuard guard(&m_queueLock);
    for (unsigned char* message : m_sendQueue)
        Msg::freeMessage(message);
    m_sendQueue.clear();
}
