#pragma once

#include "HostRemote.h"
#include "Useful.h"

#include <atomic>
#include <deque>
#include <string>
#include <vector>

// Gives the synthesizer's data dial its three modes (the host layers "TQ Knob Mode", "Jog Mode" and
// "Restless Mode") and turns dial turns into smooth movement of the host's project cursor. It answers
// whether it consumed a control change and queues value and layer changes that the remote device applies
// one per idle call. It takes no lock: the device calls it under its own mutex, from the host's threads
// and from its sender worker (the jog-stop setting).
class CTQKnobManager
{
public:
    enum Mode : int
    {
        kTQKnobMode = 0,
        kJogMode = 1,
        kRestlessMode = 2,
    };
    static constexpr int kLayerCount = 3;
    static constexpr int kHistorySize = 5;

    // A queued change: a control value for the host, or (index -1) a layer change to mode `value`.
    struct SValueChangeData
    {
        Quorvane::int32 index = -1;
        Quorvane::int32 value = 0;
    };

    // The host's control names and indices of the controls the manager handles.
    struct SControlInfo
    {
        std::string dialName;
        std::string jogName;
        std::string lockName;
        Quorvane::int32 dialIndex = -1;
        Quorvane::int32 jogIndex = -1;
        Quorvane::int32 lockIndex = -1;
        Quorvane::int32 playIndex = -1;
        Quorvane::int32 recordIndex = -1;
        Quorvane::int32 stopIndex = -1;
    };

    // Holds a reference to hostClasses (may be null). startInTQKnobMode: start in mode 0, else in Jog
    // Mode; either way the first idle call makes the host activate the starting layer.
    CTQKnobManager(Quorvane::IHostClasses* hostClasses, bool startInTQKnobMode);
    virtual ~CTQKnobManager();

    CTQKnobManager(const CTQKnobManager&) = delete;
    CTQKnobManager& operator=(const CTQKnobManager&) = delete;

    // Replaces the host classes used for the clock and the transport, holding a reference.
    void SetHostClasses(Quorvane::IHostClasses* hostClasses);

    // Creates the three layers and their bindings in bank; nothing when either is null.
    void RegisterInfo(Quorvane::IHWRemoteBank* bank, const SControlInfo* info);
    // True when the change is consumed; may rewrite *value (the dial conversion).
    bool ValueChanged(Quorvane::int32 index, Quorvane::int32* value, bool convert);
    // True when name is one of the three layers; the mode follows it.
    bool ActiveLayerChanged(const char* name);
    // The layer of mode i; the current mode's for a negative i; empty above 2.
    std::string GetLayerName(int i) const;
    // The Jog and Lock LED values; lock -1 leaves the Lock LED to the host.
    bool GetButtonState(int* jog, int* lock) const;

    void OnIdleCalled();
    bool IsQueueEmpty() const { return m_queue.empty(); }
    bool GetDataFromQueue(SValueChangeData* data);
    void ChangeJogStopSetting(bool on) { m_jogStop.store(on); }
    bool IsJogStopOn() const { return m_jogStop.load(); }

    bool IsTQKnobMode() const { return m_mode == kTQKnobMode; }
    int GetMode() const { return m_mode; }
    int GetCurrentSpeed() const { return m_speed; }
    void ClearStoredValues();
    void ClearCurrentValue();
    // The synthesizer's dial encoding (n clockwise, 64 + n counter-clockwise) to 7-bit two's complement.
    static void ConvertKnobValue(Quorvane::int32* value);
    // The signed step count of a converted dial value.
    static int StepCount(Quorvane::int32 value) { return value < 64 ? value : value - 128; }

private:
    bool StoreCommandToPerformLater(Quorvane::int32 index, Quorvane::int32 value);
    bool StoreValues(Quorvane::int32 value);
    bool IsNeededToMoveProjectCursor();
    void DecreaseValueToSlowDown();
    bool IsNeededToStopProjectCursor();
    bool IsNeededToClearStoredValues();
    void AllowProjectCursorMovingBySlowestTurning();
    void PerformStoredCommands();
    bool ReadClock(Quorvane::int32* now) const;
    void Queue(Quorvane::int32 index, Quorvane::int32 value);

    Quorvane::IHostClasses* m_hostClasses = nullptr; // referenced
    SControlInfo m_info;
    int m_mode = kTQKnobMode;
    bool m_restless = false;
    int m_speed = 0;
    int m_history[kHistorySize] = {};
    double m_lastCursorPosition = 0.0;
    Quorvane::uint8 m_unchangedCount = 0;
    std::vector<Quorvane::int32> m_storedCommands;
    CElapsedTimeChecker m_stepTimer;
    CElapsedTimeChecker m_slowTurnTimer;
    CElapsedTimeChecker m_speedTimer;
    CElapsedTimeChecker m_commandTimer;
    std::deque<SValueChangeData> m_queue;
    // Written by the device's sender worker, read on the idle thread.
    std::atomic<bool> m_jogStop{true};
};

// The three layer names in mode order.
extern const char* const k_layers[CTQKnobManager::kLayerCount];
