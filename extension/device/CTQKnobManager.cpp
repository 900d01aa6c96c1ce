#include "CTQKnobManager.h"
#include "HostQuery.h"

#include <cstdlib>
#include <cstring>

using namespace Quorvane;

const char* const k_layers[CTQKnobManager::kLayerCount] = {"TQ Knob Mode", "Jog Mode", "Restless Mode"};

namespace {

// Intervals on the host's clock, in milliseconds.
constexpr int32 kCursorStepInterval = 50;
constexpr int32 kSlowTurnInterval = 200;
constexpr int32 kSpeedInterval = 500;
constexpr int32 kCommandDelay = 200;
constexpr int32 kClearInterval = 500;
// The tenth unchanged cursor reading in Restless Mode stops the motion.
constexpr int kUnchangedReadingsToStop = 9;
constexpr int32 kLayerFlags = 0x301;

constexpr const char* kRemoteCategory = "Remote";

} // namespace

CTQKnobManager::CTQKnobManager(IHostClasses* hostClasses, bool startInTQKnobMode)
    : m_mode(startInTQKnobMode ? kTQKnobMode : kJogMode)
{
    SetHostClasses(hostClasses);
    Queue(-1, m_mode);
}

CTQKnobManager::~CTQKnobManager()
{
    SetHostClasses(nullptr);
}

void CTQKnobManager::SetHostClasses(IHostClasses* hostClasses)
{
    if (hostClasses)
        hostClasses->addRef();
    if (m_hostClasses)
        m_hostClasses->release();
    m_hostClasses = hostClasses;
}

void CTQKnobManager::RegisterInfo(IHWRemoteBank* bank, const SControlInfo* info)
{
    if (!bank || !info)
        return;
    m_info = *info;
    for (const char* layer : k_layers)
        bank->createLayer(layer);
    const char* dial = m_info.dialName.c_str();
    const char* jog = m_info.jogName.c_str();
    const char* lock = m_info.lockName.c_str();
    bank->bindCommand(k_layers[kJogMode], lock, kRemoteCategory, k_layers[kRestlessMode], kLayerFlags);
    bank->bindCommand(k_layers[kRestlessMode], lock, kRemoteCategory, k_layers[kJogMode], kLayerFlags);
    bank->bindCommand(k_layers[kJogMode], jog, kRemoteCategory, k_layers[kTQKnobMode], kLayerFlags);
    bank->bindCommand(k_layers[kRestlessMode], jog, kRemoteCategory, k_layers[kTQKnobMode], kLayerFlags);
    if (IHWRemoteDeviceBinding* wheel = bank->bindDevice("Wheel", "Jog", 0, -1, 0)) {
        wheel->bindValue(k_layers[kJogMode], dial, "wheel");
        wheel->bindValue(k_layers[kRestlessMode], dial, "wheel");
    }
    IHWRemoteDeviceBinding* encoder = bank->bindDevice("Encoder", "TQKnob", 1, -1, 0);
    if (!encoder)
        return;
    encoder->bindValue(k_layers[kTQKnobMode], dial, "1:dial");
    encoder->bindValue(k_layers[kTQKnobMode], lock, "1:switch");
    encoder->setTarget("Default:Assignable");
}

void CTQKnobManager::ConvertKnobValue(int32* value)
{
    if (value && *value >= 65)
        *value = 192 - *value;
}

bool CTQKnobManager::ValueChanged(int32 index, int32* value, bool convert)
{
    if (!value || index < 0)
        return false;
    if (index == m_info.stopIndex) {
        if (m_mode != kTQKnobMode)
            ClearCurrentValue();
        return false;
    }
    if (index == m_info.playIndex || index == m_info.recordIndex)
        return StoreCommandToPerformLater(index, *value);
    if (index == m_info.jogIndex && m_mode == kTQKnobMode) {
        if (*value == 0)
            return false;
        Queue(-1, m_restless ? kRestlessMode : kJogMode);
        return true;
    }
    if (index == m_info.dialIndex) {
        if (convert)
            ConvertKnobValue(value);
        if (m_mode == kTQKnobMode)
            return false;
        return !StoreValues(*value);
    }
    return false;
}

bool CTQKnobManager::StoreCommandToPerformLater(int32 index, int32 value)
{
    if (m_mode == kTQKnobMode || m_speed == 0)
        return false;
    if (value <= 0)
        return true;
    if (m_commandTimer.IsBaseTimeReset())
        m_commandTimer.UpdateBaseTime(m_hostClasses);
    ClearCurrentValue();
    m_storedCommands.push_back(index);
    return true;
}

bool CTQKnobManager::StoreValues(int32 value)
{
    const int steps = StepCount(value);
    const int magnitude = std::abs(steps);
    if (!m_slowTurnTimer.IsBaseTimeReset()) {
        if (magnitude == 1)
            return false;
        m_slowTurnTimer.ResetBaseTime();
    }
    int32 now = 0;
    if (!ReadClock(&now))
        return true;
    if (m_history[kHistorySize - 1] * steps < 0) {
        ClearStoredValues();
        m_speedTimer.SetBaseTime(now);
        if (magnitude == 1) {
            // The reversing single step stops the motion and single steps are ignored for a moment, so a
            // knob let go does not start the cursor the other way.
            m_slowTurnTimer.SetBaseTime(now);
            return false;
        }
    } else {
        if (m_speedTimer.IsPassed(nullptr, now, kSpeedInterval, false))
            ClearStoredValues();
        else
            std::memmove(m_history, m_history + 1, sizeof(int) * (kHistorySize - 1));
        m_speedTimer.SetBaseTime(now);
    }
    m_history[kHistorySize - 1] = steps;
    for (int entry : m_history)
        if (std::abs(entry) > std::abs(m_speed))
            m_speed = entry;
    if (!m_restless && std::abs(m_speed) == 1)
        m_speed = 0;
    return true;
}

void CTQKnobManager::OnIdleCalled()
{
    if (m_mode != kTQKnobMode) {
        if (IsNeededToMoveProjectCursor()) {
            Queue(m_info.dialIndex, m_speed > 0 ? m_speed : m_speed + 128);
            DecreaseValueToSlowDown();
            if (IsNeededToStopProjectCursor())
                ClearCurrentValue();
        }
        if (IsNeededToClearStoredValues())
            ClearStoredValues();
        AllowProjectCursorMovingBySlowestTurning();
    }
    if (!m_storedCommands.empty())
        PerformStoredCommands();
}

bool CTQKnobManager::IsNeededToMoveProjectCursor()
{
    return m_speed != 0 && m_stepTimer.IsPassed(m_hostClasses, 0, kCursorStepInterval, true);
}

void CTQKnobManager::DecreaseValueToSlowDown()
{
    if (m_mode != kJogMode || m_speed == 0)
        return;
    if (m_jogStop.load()) {
        ClearCurrentValue();
        return;
    }
    const int magnitude = std::abs(m_speed);
    const int step = magnitude <= 9 ? 1 : (magnitude <= 29 ? 2 : 6);
    const int slowed = m_speed > 0 ? m_speed - step : m_speed + step;
    if (slowed == 0 || (slowed > 0) != (m_speed > 0))
        ClearCurrentValue();
    else
        m_speed = slowed;
}

bool CTQKnobManager::IsNeededToStopProjectCursor()
{
    if (m_mode != kRestlessMode || m_speed == 0 || !m_hostClasses)
        return false;
    ITransportDevice* transport = HostQuery::create<ITransportDevice>(m_hostClasses);
    if (!transport)
        return false;
    double position = 0.0;
    bool stop = false;
    if (transport->getProjectCursorPosition(&position) == kResultOk) {
        if (position == m_lastCursorPosition) {
            ++m_unchangedCount;
            stop = m_unchangedCount > kUnchangedReadingsToStop;
        } else {
            m_unchangedCount = 0;
            m_lastCursorPosition = position;
        }
    }
    transport->release();
    return stop;
}

bool CTQKnobManager::IsNeededToClearStoredValues()
{
    return m_speed == 0 && m_history[kHistorySize - 1] != 0 &&
           m_stepTimer.IsPassed(m_hostClasses, 0, kClearInterval, false);
}

void CTQKnobManager::AllowProjectCursorMovingBySlowestTurning()
{
    if (!m_slowTurnTimer.IsBaseTimeReset() && m_slowTurnTimer.IsPassed(m_hostClasses, 0, kSlowTurnInterval, false))
        m_slowTurnTimer.ResetBaseTime();
}

void CTQKnobManager::PerformStoredCommands()
{
    if (!m_commandTimer.IsPassed(m_hostClasses, 0, kCommandDelay, false))
        return;
    for (int32 index : m_storedCommands) {
        Queue(index, 127);
        Queue(index, 0);
    }
    m_storedCommands.clear();
    m_commandTimer.ResetBaseTime();
}

bool CTQKnobManager::ActiveLayerChanged(const char* name)
{
    if (!name)
        return false;
    for (int mode = 0; mode < kLayerCount; ++mode) {
        if (std::strcmp(name, k_layers[mode]) != 0)
            continue;
        m_mode = mode;
        if (mode == kJogMode)
            m_restless = false;
        else if (mode == kRestlessMode)
            m_restless = true;
        ClearStoredValues();
        return true;
    }
    return false;
}

std::string CTQKnobManager::GetLayerName(int i) const
{
    if (i < 0)
        i = m_mode;
    return i < kLayerCount ? k_layers[i] : std::string();
}

bool CTQKnobManager::GetButtonState(int* jog, int* lock) const
{
    if (!jog)
        return false;
    if (m_mode == kTQKnobMode) {
        *jog = 0;
        if (lock)
            *lock = -1;
        return true;
    }
    if (!lock)
        return false;
    *jog = 127;
    *lock = m_mode == kJogMode ? 0 : 127;
    return true;
}

bool CTQKnobManager::GetDataFromQueue(SValueChangeData* data)
{
    if (!data || m_queue.empty())
        return false;
    *data = m_queue.front();
    m_queue.pop_front();
    return true;
}

void CTQKnobManager::ClearStoredValues()
{
    std::memset(m_history, 0, sizeof m_history);
    ClearCurrentValue();
}

void CTQKnobManager::ClearCurrentValue()
{
    m_speed = 0;
    m_unchangedCount = 0;
}

bool CTQKnobManager::ReadClock(int32* now) const
{
    return CElapsedTimeChecker::GetCurrentTime(m_hostClasses, now);
}

void CTQKnobManager::Queue(int32 index, int32 value)
{
    m_queue.push_back({index, value});
}
