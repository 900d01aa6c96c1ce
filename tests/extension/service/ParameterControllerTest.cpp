#include "ParameterController.h"
#include "FakeHostObjects.h"
#include "HostFixture.h"

#include <cmath>

using namespace Quorvane;
using simhost::SimValue;
using simhost::SimValueSetup;

namespace {

// A whole number of percent of a 0..100 value, cut (not rounded): single knob steps of the finest
// kind (100/1024) leave it unchanged.
std::u16string wholeText(float v)
{
    const std::string text = std::to_string(static_cast<int>(std::floor(v)));
    return std::u16string(text.begin(), text.end());
}

// Tenths of the range: no 16 steps change it.
std::u16string tenthText(float v)
{
    const std::string text = std::to_string(static_cast<int>(std::floor(v / 10)));
    return std::u16string(text.begin(), text.end());
}

// One knob as the service drives it: turns are added, applied on the host's idle, the touch released
// 2000 ms after the last turn, and the host's change reports passed back for the retry.
class Knob : public fakehost::Uncounted<IIdleHandler>, public fakehost::Uncounted<IDependent>
{
public:
    Knob(IHostClasses* host, IValue* value, unsigned short kind) : m_host(host), m_kind(kind)
    {
        controller.SetValueObject(value, ParameterController::kParameterTypeRelative,
                                  ParameterController::kControlStateActive);
        EXPECT_TRUE(controller.AddDependent(host, this));
    }
    ~Knob() { controller.RemoveDependent(m_host, this); }

    void onIdle() override
    {
        if (controller.IsReadyToChangeValue())
            controller.ChangeParameterOnIdle(m_host, true, static_cast<short>(m_kind));
        else if (controller.IsTouched())
            controller.UntouchOnIdle(m_host, 2000);
    }
    void update(FUnknown* changed, int32 message) override
    {
        if (message == kChanged && changed == controller.GetValueObject())
            controller.RechangeFloatValue(m_host, m_kind);
    }

    ParameterController2 controller;

private:
    IHostClasses* m_host;
    unsigned short m_kind;
};

class ParameterControl : public HostFixture
{
protected:
    SimValue* makeValue(SimValueSetup setup)
    {
        return device->addValue("value" + std::to_string(++m_made), std::move(setup));
    }
    // One host idle turn after time ms.
    void idleAfter(int ms)
    {
        host.clock().advance(ms);
        host.idle();
    }
    // The step sizes between writes, in steps of size step, starting from start.
    static std::vector<long> stepsFrom(float start, float step, const std::vector<float>& writes)
    {
        std::vector<long> steps;
        for (float w : writes)
            steps.push_back(std::lround((w - start) / step));
        return steps;
    }

    simhost::SimDevice* device = project->addTrack(simhost::TrackKind::Instrument, u"Synth")->setInstrument(u"Tester");
    int m_made = 0;
};

constexpr float kFineStep = 100.0f / 1024;

} // namespace

TEST_F(ParameterControl, StepSizesFollowTheTableByKindAndSpeed)
{
    // Divisors of the range by kind (rows) for 1..3, 4..7, 8..11, 12..14 and 15+ steps; 1 stands for
    // a change of exactly one per step.
    const float table[7][5] = {
        {1024, 512, 256, 128, 64}, {1024, 128, 128, 128, 128}, {512, 512, 256, 128, 64}, {200, 128, 96, 75, 64},
        {480, 128, 96, 75, 64},    {-1, 1024, 256, 128, 96},   {120, 128, 96, 75, 64},
    };
    // Both ends of each column.
    const int speeds[5][2] = {{1, 3}, {4, 7}, {8, 11}, {12, 14}, {15, 127}};
    ParameterController controller;
    EXPECT_EQ(controller.ConvertControllerVariationToParameterVariation(1, 0), 0.0f) << "not bound";
    controller.SetValueObject(makeValue(SimValueSetup::continuous(0, 6144, 0)), 2, 4);
    for (unsigned short kind = 0; kind < 7; ++kind) {
        for (int column = 0; column < 5; ++column) {
            for (const int speed : speeds[column]) {
                const float divisor = table[kind][column];
                const float expected = speed * (divisor < 0 ? 1.0f : 6144 / divisor);
                EXPECT_FLOAT_EQ(controller.ConvertControllerVariationToParameterVariation(speed, kind), expected)
                    << "kind " << kind << ", " << speed << " steps";
                EXPECT_FLOAT_EQ(controller.ConvertControllerVariationToParameterVariation(-speed, kind), -expected);
            }
        }
    }
    EXPECT_EQ(controller.ConvertControllerVariationToParameterVariation(1, 7), 0.0f);
    EXPECT_EQ(controller.ConvertControllerVariationToParameterVariation(0, 1), 0.0f);

    // A range of exactly 1 moves by one whole step; a smaller range not at all.
    controller.SetValueObject(makeValue(SimValueSetup::onOff(false)), 2, 4);
    EXPECT_EQ(controller.ConvertControllerVariationToParameterVariation(20, 1), 1.0f);
    EXPECT_EQ(controller.ConvertControllerVariationToParameterVariation(-1, 1), -1.0f);
    controller.SetValueObject(makeValue(SimValueSetup::continuous(0, 0.5f, 0)), 2, 4);
    EXPECT_EQ(controller.ConvertControllerVariationToParameterVariation(5, 1), 0.0f);
    // A stepped value moves by at least one.
    controller.SetValueObject(makeValue(SimValueSetup::stepped(0, 12, 0)), 2, 4);
    EXPECT_EQ(controller.ConvertControllerVariationToParameterVariation(1, 1), 1.0f);
    EXPECT_EQ(controller.ConvertControllerVariationToParameterVariation(-2, 0), -1.0f);
    // Only a relative controller steps; type 4 takes the value's own type.
    controller.SetValueObject(makeValue(SimValueSetup::continuous(0, 100, 0)), 4, 4);
    EXPECT_EQ(controller.GetParameterType(), 2);
    controller.SetValueObject(makeValue(SimValueSetup::stepped(0, 100, 0)), 4, 4);
    EXPECT_EQ(controller.GetParameterType(), 1);
    EXPECT_EQ(controller.ConvertControllerVariationToParameterVariation(4, 1), 0.0f);
}

TEST_F(ParameterControl, TurnsApplyOnIdleClampedSnappedToTheDefaultAndTouchEndsAfterTwoSeconds)
{
    SimValueSetup setup = SimValueSetup::continuous(-24, 24, -0.06f);
    setup.defaultValue = 0;
    SimValue* gain = makeValue(setup);
    Knob knob(hostClasses(), gain, ParameterController::kStepEQGain);
    host.platform().addIdleHandler(&knob);

    // Turns collected before an idle: the last run in one direction counts (+3, +2, -1 gives -1);
    // nothing changes before the idle. One step of 48/480 lands within half a step of the default.
    knob.controller.AddControllerVariation(3);
    knob.controller.AddControllerVariation(2);
    knob.controller.AddControllerVariation(-1);
    knob.controller.AddControllerVariation(500); // not a turn any knob makes: skipped
    EXPECT_EQ(gain->current(), -0.06f);
    idleAfter(0);
    EXPECT_FLOAT_EQ(gain->current(), -0.16f);
    knob.controller.AddControllerVariation(1);
    idleAfter(10);
    EXPECT_FLOAT_EQ(gain->current(), -0.06f);
    knob.controller.AddControllerVariation(1);
    idleAfter(10);
    EXPECT_EQ(gain->current(), 0.0f) << "within half a step of the default";
    EXPECT_TRUE(knob.controller.IsDefault());
    EXPECT_FLOAT_EQ(knob.controller.GetLastFloatValue(), 0.0f);

    // Clamped at the ends.
    knob.controller.AddControllerVariation(127);
    idleAfter(10);
    EXPECT_EQ(gain->current(), 24.0f);
    const int32 lastTurn = host.clock().now();

    // The touch began with the first change and ends 2000 ms after the last turn, writing the value
    // back once.
    ASSERT_EQ(gain->touches().size(), 1u);
    EXPECT_TRUE(gain->touches()[0].begin);
    gain->clearWrites();
    idleAfter(1999);
    EXPECT_TRUE(gain->isTouched());
    idleAfter(1);
    EXPECT_FALSE(gain->isTouched());
    ASSERT_EQ(gain->touches().size(), 2u);
    EXPECT_EQ(gain->touches()[1].time, lastTurn + 2000);
    EXPECT_EQ(gain->writes(), std::vector<float>{24.0f});
    idleAfter(5000);
    EXPECT_EQ(gain->touches().size(), 2u);
    host.platform().removeIdleHandler(&knob);

    // Unbinding forgets the turns; an unbound controller takes none.
    knob.controller.AddControllerVariation(1);
    knob.controller.Initialize();
    EXPECT_FALSE(knob.controller.IsValid());
    EXPECT_FALSE(knob.controller.IsReadyToChangeValue());
    knob.controller.AddControllerVariation(1);
    EXPECT_FALSE(knob.controller.ChangeParameterOnIdle(hostClasses(), true, 1));
}

TEST_F(ParameterControl, LowFrequenciesMoveByATenthThroughTheirText)
{
    SimValue* frequency = makeValue(SimValueSetup::frequency(20, 20000, 100));
    Knob knob(hostClasses(), frequency, ParameterController::kStepEQFrequency);
    host.platform().addIdleHandler(&knob);
    const auto turn = [&](int steps) {
        knob.controller.AddControllerVariation(steps);
        idleAfter(10);
    };

    turn(1);
    EXPECT_EQ(frequency->text(), u"100.1 Hz");
    turn(-3);
    EXPECT_EQ(frequency->text(), u"100.0 Hz") << "up to three steps move by a tenth";
    turn(4);
    EXPECT_FLOAT_EQ(frequency->current(), 100 + 4 * 19980.0f / 1024) << "faster turns take the table";
    frequency->hostSet(149.9f);
    turn(1);
    EXPECT_EQ(frequency->text(), u"150.0 Hz");
    turn(1);
    EXPECT_EQ(frequency->text(), u"151.0 Hz") << "from 150 Hz on, one step is one hertz";
    host.platform().removeIdleHandler(&knob);

    // A text of another form ("100 Hz") takes the table: one hertz per step.
    SimValue* whole =
        makeValue(SimValueSetup::continuous(20, 20000, 100, [](float v) { return wholeText(v) + u" Hz"; }));
    Knob wholeKnob(hostClasses(), whole, ParameterController::kStepEQFrequency);
    wholeKnob.controller.AddControllerVariation(-1);
    wholeKnob.onIdle();
    EXPECT_EQ(whole->text(), u"99 Hz");
}

TEST_F(ParameterControl, ASingleStepThatLeavesTheTextUnchangedIsRetriedWithTwoFourEightAndSixteenSteps)
{
    for (const SimValue::Report report :
         {SimValue::Report::AtOnce, SimValue::Report::NextIdle, SimValue::Report::Late}) {
        SCOPED_TRACE(static_cast<int>(report));
        SimValue* value = makeValue(SimValueSetup::continuous(0, 100, 50, wholeText));
        value->setReport(report, 300);
        Knob knob(hostClasses(), value, ParameterController::kStepKnob);
        host.platform().addIdleHandler(&knob);

        knob.controller.AddControllerVariation(1);
        for (int i = 0; i < 20; ++i)
            idleAfter(100);
        // From 50 each retry goes back to 50 and applies twice the steps, until 16 steps show "51".
        const std::vector<long> expected{1, 0, 1, 2, 0, 1, 2, 3, 4, 0, 1,  2,  3,  4,  5,  6,  7, 8,
                                         0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        EXPECT_EQ(stepsFrom(50, kFineStep, value->writes()), expected);
        EXPECT_EQ(value->text(), u"51");
        EXPECT_EQ(knob.controller.GetRechangeCounter(), 0);
        host.platform().removeIdleHandler(&knob);
    }

    // Text that 16 steps do not change: the retry ends there and the value stays.
    SimValue* coarse = makeValue(SimValueSetup::continuous(0, 100, 55, tenthText));
    Knob knob(hostClasses(), coarse, ParameterController::kStepKnob);
    host.platform().addIdleHandler(&knob);
    knob.controller.AddControllerVariation(-1);
    for (int i = 0; i < 10; ++i)
        idleAfter(10);
    EXPECT_FLOAT_EQ(coarse->current(), 55 - 16 * kFineStep);
    EXPECT_EQ(knob.controller.GetRechangeCounter(), 0);

    // At the maximum a step up changes nothing and is not kept for a retry.
    coarse->hostSet(100);
    coarse->clearWrites();
    knob.controller.AddControllerVariation(1);
    idleAfter(10);
    EXPECT_EQ(knob.controller.GetRechangeCounter(), 0);
    EXPECT_EQ(coarse->current(), 100.0f);
    host.platform().removeIdleHandler(&knob);
}

TEST_F(ParameterControl, AReportThatIsLateOrNeverComesDoesNotRepeatTheStepAndEndsTheRetry)
{
    // Each waits the time-out on the host's clock: with no report, and with one that comes after it.
    for (const int lateBy : {-1, 1500}) {
        SCOPED_TRACE(lateBy);
        SimValue* value = makeValue(SimValueSetup::continuous(0, 100, 50, wholeText));
        value->setReport(lateBy < 0 ? SimValue::Report::Never : SimValue::Report::Late, lateBy);
        Knob knob(hostClasses(), value, ParameterController::kStepKnob);
        host.platform().addIdleHandler(&knob);

        knob.controller.AddControllerVariation(1);
        idleAfter(0);
        EXPECT_EQ(knob.controller.GetRechangeCounter(), 1) << "waiting for the host's report";
        for (int i = 0; i < 99; ++i)
            idleAfter(10);
        EXPECT_EQ(value->writes().size(), 1u) << "the step is never applied again while the report is late";
        EXPECT_EQ(knob.controller.GetRechangeCounter(), 1);
        idleAfter(10); // ParameterController2::kDefaultReportTimeout after the step
        EXPECT_EQ(knob.controller.GetRechangeCounter(), 0);
        for (int i = 0; i < 300; ++i)
            idleAfter(10);
        EXPECT_FLOAT_EQ(value->current(), 50 + kFineStep) << "the value did not creep";
        // The writes: the step, and the touch's write-back 2000 ms after the turn.
        EXPECT_EQ(value->writes().size(), 2u);
        EXPECT_FALSE(value->isTouched());
        host.platform().removeIdleHandler(&knob);
    }
}
