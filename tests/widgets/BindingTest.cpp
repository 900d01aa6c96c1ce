#include "BindingFixture.h"
#include "CSimpleNotifier.h"
#include "CSpinButton.h"
#include "CTextSlider.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>

namespace {

// A proxy that records where and how often it was asked to pull its value.
class RecordingProxy : public MemProxy
{
public:
    void updateMemAPI() override
    {
        ++updates;
        onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    }
    std::atomic<int> updates{0};
    std::atomic<bool> onGuiThread{false};
};

} // namespace

TEST_F(BindingTest, NamesWithASlashIgnoreTheKnobAndOthersUseIt)
{
    RecordingProxy knobParam;
    knobParam.initializeMemAPI(factory.get());
    knobParam.assignClassMemAPI(5, 2);
    knobParam.setNamedAddress(QStringLiteral("knobB1/ccNumber"));
    knobParam.assignMemAPI();
    ASSERT_TRUE(knobParam.isBound());
    EXPECT_EQ(*knobParam.getParamAddress(), ParamAddress(0, 0, 1, 1));

    RecordingProxy plain;
    plain.initializeMemAPI(factory.get());
    plain.assignClassMemAPI(QList<int>{0, 3, 2});
    plain.setNamedAddress(QStringLiteral("ccNumber"));
    plain.assignMemAPI();
    ASSERT_TRUE(plain.isBound());
    EXPECT_EQ(*plain.getParamAddress(), ParamAddress(0, 3, 2, 1));
}

TEST_F(BindingTest, NumericAddressesTakeTheLowBytesSigned)
{
    RecordingProxy proxy;
    proxy.initializeMemAPI(factory.get());
    proxy.setNumericAddress(300, -1);
    proxy.assignMemAPI();
    ASSERT_NE(proxy.getParamAddress(), nullptr);
    EXPECT_EQ(proxy.getParamAddress()->getParamAddress(2), 44);
    EXPECT_EQ(proxy.getParamAddress()->getParamAddress(3), -1);
}

TEST_F(BindingTest, UnboundProxyStoresComponentsReadsNeutralValuesAndDropsWrites)
{
    RecordingProxy proxy;
    proxy.assignClassMemAPI(5, 1);
    proxy.assignClassMemAPI(9, 7);
    EXPECT_EQ(proxy.templateComponent(), 5);
    EXPECT_EQ(proxy.bankComponent(), 0);
    EXPECT_EQ(proxy.knobComponent(), 0);
    EXPECT_EQ(proxy.getMemAPICurrentValue(), 0);
    EXPECT_EQ(proxy.getMemAPIString(), NoAssignID);
    proxy.setMemAPICurrentValue(12);
    EXPECT_EQ(proxy.updates, 0);

    proxy.initializeMemAPI(factory.get());
    proxy.setNamedAddress(QStringLiteral("knobA1/ccNumber"));
    proxy.assignMemAPI();
    EXPECT_EQ(*proxy.getParamAddress(), ccNumber(5));
}

TEST_F(BindingTest, RetargetingFollowsAndRefreshes)
{
    api->setParam(ccNumber(0, 3), 77);
    RecordingProxy proxy;
    proxy.initializeMemAPI(factory.get());
    proxy.setNamedAddress(QStringLiteral("knobA1/ccNumber"));
    proxy.assignMemAPI();
    const int before = proxy.updates;
    proxy.setNamedAddress(QStringLiteral("knobD1/ccNumber"));
    EXPECT_EQ(*proxy.getParamAddress(), ccNumber(0, 3));
    EXPECT_EQ(proxy.getMemAPICurrentValue(), 77);
    proxy.assignClassMemAPI(2, 1);
    EXPECT_EQ(*proxy.getParamAddress(), ccNumber(2, 3));
    EXPECT_GT(proxy.updates, before);
}

TEST_F(BindingTest, EmptyNameUnbindsAtTheNextBindingAndStopsNotifications)
{
    RecordingProxy proxy;
    proxy.initializeMemAPI(factory.get());
    proxy.setNamedAddress(QStringLiteral("knobA1/ccNumber"));
    proxy.assignMemAPI();
    const int observers = api->observerCount();
    proxy.setNamedAddress(QString());
    EXPECT_TRUE(proxy.isBound());
    proxy.assignMemAPI();
    EXPECT_FALSE(proxy.isBound());
    EXPECT_EQ(proxy.getController(), nullptr);
    EXPECT_LT(api->observerCount(), observers);
    const int updates = proxy.updates;
    api->setParam(ccNumber(), 33);
    EXPECT_EQ(proxy.updates, updates);
    // A later binding makes a fresh controller.
    proxy.setNamedAddress(QStringLiteral("knobA1/ccNumber"));
    proxy.assignMemAPI();
    EXPECT_TRUE(proxy.isBound());
    EXPECT_EQ(proxy.getMemAPICurrentValue(), 33);
}

TEST_F(BindingTest, WritesFromAnotherThreadReachTheControlOnTheGuiThread)
{
    CTextSlider slider;
    slider.initializeMemAPI(factory.get());
    slider.setNamedAddress(QStringLiteral("knobA1/ccNumber"));
    slider.assignMemAPI();
    ASSERT_TRUE(slider.isBound());
    EXPECT_EQ(slider.maximum(), api->getParam(ccNumber()).getMaxValue());

    std::thread writer([this] { api->setParam(ccNumber(), 42); });
    writer.join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return slider.value() == 42; }, 5000))
        << "the control did not follow a write made on another thread";

    RecordingProxy proxy;
    proxy.initializeMemAPI(factory.get());
    proxy.setNamedAddress(QStringLiteral("knobA1/ccNumber"));
    proxy.assignMemAPI();
    proxy.updates = 0;
    std::thread second([this] { api->setParam(ccNumber(), 43); });
    second.join();
    EXPECT_EQ(proxy.updates, 0); // nothing ran on the writing thread
    EXPECT_TRUE(QTest::qWaitFor([&] { return proxy.updates > 0; }, 5000));
    EXPECT_TRUE(proxy.onGuiThread);

    // The reverse path writes memory.
    slider.setValue(17);
    EXPECT_EQ(valueAt(ccNumber()), 17);
}

TEST_F(BindingTest, DestroyingABoundControlWhileAnotherThreadWritesIsSafe)
{
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        long v = 0;
        while (!stop) {
            api->setParam(ccNumber(), v++ % 100);
        }
    });
    for (int i = 0; i < 50; ++i) {
        auto* spin = new CSpinButton;
        spin->initializeMemAPI(factory.get());
        spin->setNamedAddress(QStringLiteral("knobA1/ccNumber"));
        spin->assignMemAPI();
        QCoreApplication::processEvents();
        delete spin;
    }
    stop = true;
    writer.join();
    QCoreApplication::processEvents();
    SUCCEED();
}

TEST_F(BindingTest, NotifierSignalsOnceWhenBoundAndOncePerChange)
{
    CSimpleNotifier notifier(QStringLiteral("fileEditFlag"), nullptr);
    QSignalSpy updates(&notifier, &CSimpleNotifier::update);
    notifier.initializeMemAPI(factory.get());
    notifier.assignMemAPI();
    EXPECT_EQ(updates.count(), 1);
    api->setParam(ParamAddress(-3, -1, -1, -1), 1);
    EXPECT_EQ(updates.count(), 2);
    EXPECT_EQ(notifier.getMemAPICurrentValue(), 1);

    CSimpleNotifier numeric(0, 1, nullptr);
    EXPECT_TRUE(numeric.hasAddress());
    CSimpleNotifier none;
    QSignalSpy noneUpdates(&none, &CSimpleNotifier::update);
    none.initializeMemAPI(factory.get());
    none.assignMemAPI();
    EXPECT_EQ(noneUpdates.count(), 0);
}

TEST_F(BindingTest, SpinButtonTakesRangeAndValueWithoutWritingBackAClampedValue)
{
    api->setParam(ccNumber(), 100);
    CSpinButton spin;
    spin.setRange(0, 200);
    spin.setValue(150);
    spin.initializeMemAPI(factory.get());
    spin.setNamedAddress(QStringLiteral("knobA1/ccNumber"));
    spin.assignMemAPI();
    EXPECT_EQ(spin.value(), 100);
    EXPECT_EQ(valueAt(ccNumber()), 100);
    EXPECT_EQ(spin.minimum(), 0);
    EXPECT_EQ(spin.maximum(), api->getParam(ccNumber()).getMaxValue());
    EXPECT_LT(spin.maximum(), 150);
}
