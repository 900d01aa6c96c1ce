// The data dial's three modes on concrete turn sequences, on the simulated host's clock and transport.
#include "CTQKnobManager.h"
#include "SimHost.h"
#include "ZELK_HWRemote.h"

#include <gtest/gtest.h>

using namespace Quorvane;

namespace {

constexpr int kDial = 24;
constexpr int kJog = 47;
constexpr int kPlay = 29;
constexpr int kStop = 28;

using Entries = std::vector<std::pair<int, int>>;

class KnobManager : public ::testing::Test
{
protected:
    void SetUp() override
    {
        bank = simhost::makeHostObject<simhost::SimRemoteBank>(host.registry().shared_from_this(), "Mixer");
        const CTQKnobManager::SControlInfo info = ZELK_HWRemote::DialControlInfo();
        manager.RegisterInfo(bank, &info);
        drain(); // the starting layer
    }
    void TearDown() override { bank->release(); }

    // A dial turn as the synthesizer sends it: n steps up as n, down as 64 + n. True when it passes on.
    bool turn(int steps)
    {
        int32 value = steps >= 0 ? steps : 64 - steps;
        return !manager.ValueChanged(kDial, &value, true);
    }
    Entries drain()
    {
        Entries entries;
        CTQKnobManager::SValueChangeData d;
        while (manager.GetDataFromQueue(&d))
            entries.emplace_back(d.index, d.value);
        return entries;
    }
    // Idle turns 50 ms apart; the cursor steps they queue, as signed steps.
    std::vector<int> idleSteps(int turns, bool moveCursor = false)
    {
        std::vector<int> steps;
        for (int i = 0; i < turns; ++i) {
            host.clock().advance(50);
            manager.OnIdleCalled();
            for (const auto& [index, value] : drain()) {
                if (index != kDial)
                    continue;
                const int s = CTQKnobManager::StepCount(value);
                steps.push_back(s);
                if (moveCursor)
                    host.transport().wheel(s);
            }
        }
        return steps;
    }
    void enter(const char* layer) { ASSERT_TRUE(manager.ActiveLayerChanged(layer)); }

    simhost::SimHost host;
    simhost::SimRemoteBank* bank = nullptr;
    CTQKnobManager manager{host.context(), true};
};

} // namespace

TEST_F(KnobManager, StartsInTheLayerItWasAskedFor)
{
    CTQKnobManager jogFirst(host.context(), false);
    CTQKnobManager::SValueChangeData d;
    ASSERT_TRUE(jogFirst.GetDataFromQueue(&d));
    EXPECT_EQ(d.index, -1);
    EXPECT_EQ(d.value, 1);
    EXPECT_EQ(jogFirst.GetLayerName(d.value), "Jog Mode");
    EXPECT_EQ(manager.GetLayerName(-1), "TQ Knob Mode");
    EXPECT_EQ(manager.GetLayerName(5), "");
    EXPECT_FALSE(manager.ActiveLayerChanged("Default"));
    EXPECT_FALSE(manager.ActiveLayerChanged("jog mode")) << "exact names only";
}

TEST_F(KnobManager, PassesTheDialToTheAssignableKnobInTQKnobMode)
{
    int32 value = 65;
    EXPECT_FALSE(manager.ValueChanged(kDial, &value, true));
    EXPECT_EQ(value, 127);
    value = 1;
    EXPECT_FALSE(manager.ValueChanged(kDial, &value, true));
    EXPECT_EQ(value, 1);
    value = 64;
    EXPECT_FALSE(manager.ValueChanged(kDial, &value, true));
    EXPECT_EQ(value, 64);
    int jog = -5, lock = -5;
    ASSERT_TRUE(manager.GetButtonState(&jog, &lock));
    EXPECT_EQ(jog, 0);
    EXPECT_EQ(lock, -1);
    EXPECT_TRUE(idleSteps(3).empty());
    value = 127;
    EXPECT_FALSE(manager.ValueChanged(kPlay, &value, true)) << "Play goes to the host at once";
}

TEST_F(KnobManager, JogModeKeepsTheFastestRecentTurnAndSlowsDown)
{
    enter("Jog Mode");
    manager.ChangeJogStopSetting(false);
    EXPECT_TRUE(turn(3));
    host.clock().advance(100);
    EXPECT_TRUE(turn(5));
    host.clock().advance(100);
    EXPECT_TRUE(turn(2));
    EXPECT_EQ(manager.GetCurrentSpeed(), 5);
    EXPECT_EQ(idleSteps(8), (std::vector<int>{5, 4, 3, 2, 1}));

    // A single step moves the host once and starts nothing.
    host.clock().advance(1000);
    EXPECT_TRUE(turn(1));
    EXPECT_EQ(manager.GetCurrentSpeed(), 0);
    EXPECT_TRUE(idleSteps(3).empty());

    // With jog-stop on, a turn gives exactly one more step.
    manager.ChangeJogStopSetting(true);
    host.clock().advance(1000);
    EXPECT_TRUE(turn(3));
    EXPECT_EQ(idleSteps(5), (std::vector<int>{3}));
    // Half a second after the last cursor step an idle call forgets the turn: a step back is no reversal.
    host.clock().advance(300);
    manager.OnIdleCalled();
    EXPECT_TRUE(turn(-1));

    // Large speeds slow down faster: 30 and more by 6, 10 to 29 by 2, up to 9 by 1.
    manager.ChangeJogStopSetting(false);
    host.clock().advance(1000);
    EXPECT_TRUE(turn(30));
    EXPECT_EQ(idleSteps(10), (std::vector<int>{30, 24, 22, 20, 18, 16, 14, 12, 10, 8}));
    manager.ClearStoredValues();
    host.clock().advance(1000);
    EXPECT_TRUE(turn(29));
    EXPECT_EQ(idleSteps(12), (std::vector<int>{29, 27, 25, 23, 21, 19, 17, 15, 13, 11, 9, 8}));

    // The fastest of the last five turns counts, the oldest of them too; a turn half a second after the
    // one before starts afresh.
    manager.ClearStoredValues();
    host.clock().advance(1000);
    EXPECT_TRUE(turn(6));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(turn(2));
    EXPECT_EQ(idleSteps(1), (std::vector<int>{6}));
    EXPECT_TRUE(turn(2));
    EXPECT_EQ(manager.GetCurrentSpeed(), 6);
    manager.ClearStoredValues();
    EXPECT_TRUE(turn(4));
    host.clock().advance(500);
    EXPECT_TRUE(turn(2));
    EXPECT_EQ(manager.GetCurrentSpeed(), 2);
    int jog = 0, lock = 0;
    ASSERT_TRUE(manager.GetButtonState(&jog, &lock));
    EXPECT_EQ(jog, 127);
    EXPECT_EQ(lock, 0);
}

TEST_F(KnobManager, RestlessModeRunsUntilTheCursorStopsMoving)
{
    enter("Restless Mode");
    host.transport().setPosition(40.0);
    EXPECT_TRUE(turn(1));
    EXPECT_EQ(manager.GetCurrentSpeed(), 1);
    // The cursor moves on: the motion goes on.
    EXPECT_EQ(idleSteps(30, true), std::vector<int>(30, 1));

    // Held still (the project's end): the tenth unchanged reading ends the motion.
    host.transport().setFrozen(true);
    const std::vector<int> steps = idleSteps(30, true);
    EXPECT_EQ(steps, std::vector<int>(11, 1)) << "one changed reading, then ten unchanged";
    EXPECT_EQ(manager.GetCurrentSpeed(), 0);
    int jog = 0, lock = 0;
    ASSERT_TRUE(manager.GetButtonState(&jog, &lock));
    EXPECT_EQ(lock, 127);
}

TEST_F(KnobManager, AReversingSingleStepStopsTheMotionAndHoldsSingleStepsBack)
{
    enter("Restless Mode");
    host.transport().setFrozen(false);
    EXPECT_TRUE(turn(4));
    EXPECT_EQ(idleSteps(1), (std::vector<int>{4}));
    EXPECT_FALSE(turn(-1)) << "the reversing step stops the motion and is not passed on";
    EXPECT_EQ(manager.GetCurrentSpeed(), 0);
    host.clock().advance(100);
    EXPECT_FALSE(turn(1));
    EXPECT_FALSE(turn(-1));
    EXPECT_TRUE(idleSteps(2).empty()); // 200 ms after the reversal: single steps count again
    EXPECT_TRUE(turn(1));
    EXPECT_EQ(manager.GetCurrentSpeed(), 1);

    // A larger reversing turn starts the motion the other way.
    manager.ClearStoredValues();
    host.clock().advance(1000);
    EXPECT_TRUE(turn(4));
    host.clock().advance(50);
    EXPECT_TRUE(turn(-4));
    EXPECT_EQ(manager.GetCurrentSpeed(), -4);
    manager.OnIdleCalled();
    EXPECT_EQ(drain(), (Entries{{kDial, 124}}));
}

TEST_F(KnobManager, HoldsPlayAndRecordBackDuringAMotionAndStopKeepsItsOwnMeaning)
{
    enter("Restless Mode");
    EXPECT_TRUE(turn(2));
    EXPECT_EQ(idleSteps(1), (std::vector<int>{2}));
    int32 value = 127;
    EXPECT_TRUE(manager.ValueChanged(kPlay, &value, true));
    EXPECT_EQ(manager.GetCurrentSpeed(), 0) << "the press stops the motion";
    value = 0;
    EXPECT_FALSE(manager.ValueChanged(kPlay, &value, true)) << "the motion has stopped: the release passes";
    EXPECT_TRUE(idleSteps(3).empty());
    EXPECT_EQ(drain(), Entries{});
    host.clock().advance(50);
    manager.OnIdleCalled();
    EXPECT_EQ(drain(), (Entries{{kPlay, 127}, {kPlay, 0}})) << "200 ms after the press";

    EXPECT_TRUE(turn(3));
    value = 127;
    EXPECT_FALSE(manager.ValueChanged(kStop, &value, true)) << "Stop goes on to the host";
    EXPECT_EQ(manager.GetCurrentSpeed(), 0);
}

TEST_F(KnobManager, JogAsksForTheLastNonTQModeAndTheHostsLayersSwitchModes)
{
    int32 value = 127;
    EXPECT_TRUE(manager.ValueChanged(kJog, &value, true));
    EXPECT_EQ(drain(), (Entries{{-1, 1}})) << "Jog Mode first";
    enter("Restless Mode");
    EXPECT_FALSE(manager.ValueChanged(kJog, &value, true)) << "the host's Remote binding takes it";
    enter("TQ Knob Mode");
    value = 0;
    EXPECT_FALSE(manager.ValueChanged(kJog, &value, true));
    value = 127;
    EXPECT_TRUE(manager.ValueChanged(kJog, &value, true));
    EXPECT_EQ(drain(), (Entries{{-1, 2}})) << "Restless Mode was used last";
    EXPECT_EQ(manager.GetLayerName(2), "Restless Mode");
}

TEST_F(KnobManager, LetsTheDialPassWhenTheHostsClockCannotBeRead)
{
    enter("Jog Mode");
    host.clock().setAvailable(false);
    EXPECT_TRUE(turn(7));
    EXPECT_EQ(manager.GetCurrentSpeed(), 0);
    host.clock().setAvailable(true);
    EXPECT_TRUE(idleSteps(2).empty());
}
