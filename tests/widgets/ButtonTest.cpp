#include "BindingFixture.h"
#include "COnOffButton.h"
#include "CRadioButton.h"
#include "CSpinButton.h"
#include "WidgetTestSupport.h"

#include <QSignalSpy>
#include <QTest>

using kwtest::cellColour;
using kwtest::faceOf;
using kwtest::solidCellImage;

TEST(COnOffButton, DrawsTheRowOfItsStateInTheColumnOfItsCategory)
{
    COnOffButton button;
    button.resize(20, 20);
    button.setCheckable(true);
    button.setCombinedImage(solidCellImage(3, 3, 10, 10));
    button.setImageCategories(3);
    button.ensurePolished();
    EXPECT_EQ(faceOf(&button).pixelColor(10, 10), cellColour(0, 0));
    button.setChecked(true);
    EXPECT_EQ(faceOf(&button).pixelColor(10, 10), cellColour(0, 1));
    button.setDown(true);
    button.updateDoubleBuffer(); // setting the down state by program emits nothing that renders
    EXPECT_EQ(faceOf(&button).pixelColor(10, 10), cellColour(0, 2));
    button.setHasDownImage(false);
    button.setCombinedImage(solidCellImage(3, 2, 10, 10));
    EXPECT_EQ(faceOf(&button).pixelColor(10, 10), cellColour(0, 1));
    button.setDown(false);
    button.setChecked(false);
    button.updateDoubleBuffer();
    button.setCategory(99);
    EXPECT_EQ(button.category(), 2);
    EXPECT_EQ(faceOf(&button).pixelColor(10, 10), cellColour(2, 0));
    button.setCategory(-3);
    EXPECT_EQ(faceOf(&button).pixelColor(10, 10), cellColour(0, 0));
    button.setImageCategories(0);
    EXPECT_EQ(button.imageCategories(), 1);
    // Around the centred cell the face stays transparent, and a null picture draws nothing.
    EXPECT_EQ(faceOf(&button).pixelColor(1, 1).alpha(), 0);
    button.setCombinedImage(QPixmap());
    EXPECT_EQ(faceOf(&button).pixelColor(10, 10).alpha(), 0);
}

TEST(COnOffButton, PushTriggersChangeStateOnThePress)
{
    COnOffButton button;
    button.resize(20, 20);
    button.setCheckable(true);
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    button.setOnStateTrigger(COnOffButton::buttonPush);
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_TRUE(button.isChecked());
    EXPECT_EQ(clicks.count(), 1);
    QTest::mouseRelease(&button, Qt::LeftButton);

    // With both triggers on push, a press on an unchecked button checks it and unchecks it again.
    button.setChecked(false);
    button.setOffStateTrigger(COnOffButton::buttonPush);
    clicks.clear();
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_FALSE(button.isChecked());
    EXPECT_EQ(clicks.count(), 2);
    QTest::mouseRelease(&button, Qt::LeftButton);
}

TEST(COnOffButton, SwallowsArrowKeys)
{
    COnOffButton button;
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    left.ignore();
    QCoreApplication::sendEvent(&button, &left);
    EXPECT_TRUE(left.isAccepted());
}

TEST_F(BindingTest, OnOffButtonWritesItsStateAndFollowsTheParameter)
{
    COnOffButton button;
    button.setCheckable(true);
    button.initializeMemAPI(factory.get());
    button.setNamedAddress(QStringLiteral("knobA1/ccNumber"));
    button.assignMemAPI();
    ASSERT_TRUE(button.isBound());
    EXPECT_FALSE(button.isChecked());

    button.setChecked(true);
    EXPECT_EQ(valueAt(ccNumber()), 1);
    button.setOnValue(5); // checked: written at once
    EXPECT_EQ(valueAt(ccNumber()), 5);
    EXPECT_TRUE(button.isChecked());
    button.setOffValue(7); // checked: nothing is written
    EXPECT_EQ(valueAt(ccNumber()), 5);
    button.setChecked(false);
    EXPECT_EQ(valueAt(ccNumber()), 7);

    api->setParam(ccNumber(), 5);
    EXPECT_TRUE(button.isChecked());
    api->setParam(ccNumber(), 7);
    EXPECT_FALSE(button.isChecked());
    // A value equal to neither leaves the state as it is.
    api->setParam(ccNumber(), 9);
    EXPECT_FALSE(button.isChecked());
    EXPECT_EQ(valueAt(ccNumber()), 9);
}

TEST_F(BindingTest, RadioButtonsWriteTheirValueAndCheckThemselves)
{
    QWidget group;
    auto* zero = new CRadioButton(&group);
    auto* one = new CRadioButton(&group);
    zero->setGeometry(0, 0, 19, 18);
    one->setGeometry(30, 0, 19, 18);
    one->setOnValue(1);
    zero->setChecked(true);
    for (CRadioButton* b : {zero, one}) {
        b->initializeMemAPI(factory.get());
        b->setNamedAddress(QStringLiteral("knobA1/displayFormat"));
        b->assignMemAPI();
    }
    // A click anywhere in the rectangle hits the button.
    QTest::mouseClick(one, Qt::LeftButton, Qt::NoModifier, QPoint(17, 16));
    EXPECT_TRUE(one->isChecked());
    EXPECT_FALSE(zero->isChecked());
    EXPECT_EQ(valueAt(displayFormat()), 1);

    api->setParam(displayFormat(), 0);
    EXPECT_TRUE(zero->isChecked());
    EXPECT_FALSE(one->isChecked());
    EXPECT_EQ(valueAt(displayFormat()), 0);
}

TEST(CSpinButton, StepsShowTheirHalfAndStopAtTheLimits)
{
    QWidget host;
    auto* spin = new CSpinButton(&host);
    spin->setGeometry(0, 0, 19, 19);
    spin->setCombinedImage(solidCellImage(1, 3, 19, 19));
    spin->setPressedLookMs(20);
    spin->setRange(0, 3);
    spin->setValue(2);
    kwtest::showAndWait(&host);
    EXPECT_EQ(spin->upperButton()->geometry(), QRect(0, 0, 19, 9));
    EXPECT_EQ(spin->lowerButton()->geometry(), QRect(0, 9, 19, 10));

    QWheelEvent up(QPointF(5, 5), spin->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(spin, &up);
    EXPECT_EQ(spin->value(), 3);
    EXPECT_TRUE(spin->upperShown());
    EXPECT_EQ(faceOf(spin).pixelColor(9, 9), cellColour(0, 1));
    EXPECT_FALSE(spin->upperButton()->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !spin->upperShown(); }, 5000)) << "the pressed look did not end";
    EXPECT_EQ(faceOf(spin).pixelColor(9, 9), cellColour(0, 0));

    // At the maximum the wheel and the Up key show nothing and change nothing.
    QCoreApplication::sendEvent(spin, &up);
    EXPECT_EQ(spin->value(), 3);
    EXPECT_FALSE(spin->upperShown());
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_Up);
    EXPECT_EQ(spin->value(), 3);
    EXPECT_FALSE(spin->upperShown());

    QTest::keyClick(spin, Qt::Key_Down);
    EXPECT_EQ(spin->value(), 2);
    EXPECT_TRUE(spin->lowerShown());
    EXPECT_EQ(faceOf(spin).pixelColor(9, 9), cellColour(0, 2));

    spin->setInvertedControls(true);
    QCoreApplication::sendEvent(spin, &up);
    EXPECT_EQ(spin->value(), 1);

    // Clicking the invisible lower half steps down.
    spin->setInvertedControls(false);
    QTest::mouseClick(spin->lowerButton(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(spin->value(), 0);
    EXPECT_FALSE(spin->lowerButton()->isEnabled());
    EXPECT_EQ(spin->sizeHint(), QSize(16, 16));
}
