#include "BindingFixture.h"
#include "CLineEdit.h"
#include "CTextSlider.h"
#include "WidgetTestSupport.h"
#include "detail/DisplayFormat.h"

#include <QSignalSpy>
#include <QTest>

#include <limits>

using kwwidgets::formatDisplayValue;
using kwwidgets::isSafeDisplayFormat;

TEST(DisplayFormat, AcceptsOnlyOneFloatingPointConversion)
{
    EXPECT_TRUE(isSafeDisplayFormat(QStringLiteral("%.0f")));
    EXPECT_TRUE(isSafeDisplayFormat(QStringLiteral("%+6.2f dB")));
    EXPECT_TRUE(isSafeDisplayFormat(QStringLiteral("%g %%")));
    EXPECT_FALSE(isSafeDisplayFormat(QStringLiteral("%s")));
    EXPECT_FALSE(isSafeDisplayFormat(QStringLiteral("%d")));
    EXPECT_FALSE(isSafeDisplayFormat(QStringLiteral("%f %f")));
    EXPECT_FALSE(isSafeDisplayFormat(QStringLiteral("plain")));
    EXPECT_FALSE(isSafeDisplayFormat(QStringLiteral("%*f")));
    EXPECT_FALSE(isSafeDisplayFormat(QStringLiteral("%lf")));
    EXPECT_FALSE(isSafeDisplayFormat(QStringLiteral("%n")));
    EXPECT_FALSE(isSafeDisplayFormat(QStringLiteral("%.999f")));
    EXPECT_FALSE(isSafeDisplayFormat(QStringLiteral("%")));
    EXPECT_FALSE(isSafeDisplayFormat(QStringLiteral("%.")));
    EXPECT_EQ(formatDisplayValue(QStringLiteral("%.0f"), 0), QStringLiteral("0"));
    EXPECT_EQ(formatDisplayValue(QStringLiteral("%.1f%%"), 2.25), QStringLiteral("2.2%"));
    EXPECT_EQ(formatDisplayValue(QStringLiteral("%s%s%s"), 3), QStringLiteral("3"));
    EXPECT_EQ(formatDisplayValue(QStringLiteral("%.99f"), 1).size(), 101);
}

TEST(CTextSlider, DragStepsPerPixelFollowTheRange)
{
    EXPECT_DOUBLE_EQ(CTextSlider::dragStepsPerPixel(7, false), 0.125);
    EXPECT_DOUBLE_EQ(CTextSlider::dragStepsPerPixel(7, true), 0.03125);
    EXPECT_DOUBLE_EQ(CTextSlider::dragStepsPerPixel(16, false), 0.25);
    EXPECT_DOUBLE_EQ(CTextSlider::dragStepsPerPixel(32, false), 0.5);
    EXPECT_DOUBLE_EQ(CTextSlider::dragStepsPerPixel(127, false), 1);
    EXPECT_DOUBLE_EQ(CTextSlider::dragStepsPerPixel(16383, false), 10);
    EXPECT_DOUBLE_EQ(CTextSlider::dragStepsPerPixel(16383, true), 0.25);
}

namespace {

// Moves the pointer by dy pixels from where the slider measures the drag: the centre when the platform
// moved the pointer there, otherwise the last position the slider saw (platforms that cannot move it).
void dragBy(CTextSlider* slider, QPoint& lastGlobal, int dy)
{
    const QPoint centre = slider->mapToGlobal(QPoint((slider->width() - 1) / 2, (slider->height() - 1) / 2));
    const QPoint from = QCursor::pos() == centre ? centre : lastGlobal;
    const QPoint to = from + QPoint(0, dy);
    QMouseEvent move(QEvent::MouseMove, QPointF(slider->mapFromGlobal(to)), QPointF(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(slider, &move);
    lastGlobal = to;
}

} // namespace

TEST(CTextSlider, DraggingDownLowersTheValueWithRemainders)
{
    QWidget host;
    host.resize(200, 100);
    auto* slider = new CTextSlider(&host);
    slider->setGeometry(10, 10, 44, 15);
    slider->setRange(0, 127);
    slider->setValue(64);
    kwtest::showAndWait(&host);

    QSignalSpy actions(slider, &QAbstractSlider::actionTriggered);
    QPoint last = slider->mapToGlobal(QPoint(3, 3));
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    ASSERT_TRUE(slider->isDragging());
    EXPECT_EQ(slider->cursor().shape(), Qt::BlankCursor);
    dragBy(slider, last, 3);
    EXPECT_EQ(slider->value(), 61);
    EXPECT_EQ(actions.count(), 1);
    dragBy(slider, last, -2);
    EXPECT_EQ(slider->value(), 63);
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    EXPECT_FALSE(slider->isDragging());

    // Range 0..7: eight pixels per step, and the remainder carries over.
    slider->setRange(0, 7);
    slider->setValue(4);
    last = slider->mapToGlobal(QPoint(3, 3));
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    dragBy(slider, last, 5);
    EXPECT_EQ(slider->value(), 4);
    dragBy(slider, last, 3);
    EXPECT_EQ(slider->value(), 3);
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
}

TEST(CTextSlider, ShowsFormattedValueAndWheelSteps)
{
    CTextSlider slider;
    slider.resize(44, 15);
    slider.setRange(0, 127);
    slider.setValue(64);
    slider.setOffset(-64);
    slider.ensurePolished();
    kwtest::faceOf(&slider);
    EXPECT_EQ(slider.shownText(), QStringLiteral("0"));
    slider.setFormat(QStringLiteral("%s"));
    kwtest::faceOf(&slider);
    EXPECT_EQ(slider.shownText(), QStringLiteral("0"));
    slider.setFormat(QStringLiteral("%.1f"));
    slider.setMultiplier(0.5);
    kwtest::faceOf(&slider);
    EXPECT_EQ(slider.shownText(), QStringLiteral("-32.0"));

    QWheelEvent down(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&slider, &down);
    EXPECT_EQ(slider.value(), 63);
    EXPECT_EQ(slider.sizeHint(), QSize(64, 16));
}

class DirectEdit : public ::testing::Test
{
protected:
    DirectEdit()
    {
        host.resize(200, 100);
        slider = new CTextSlider(&host);
        slider->setGeometry(10, 10, 44, 15);
        slider->setRange(0, 127);
        slider->setDirectEdit(true);
        kwtest::showAndWait(&host);
    }

    // Opens the editor, types text over the selection, and presses Return.
    void enter(const QString& text)
    {
        kwtest::faceOf(slider);
        QTest::mouseDClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        ASSERT_TRUE(slider->editor()->isVisible());
        if (!text.isNull()) {
            slider->editor()->setValidator(nullptr);
            slider->editor()->setText(text);
        }
        QTest::keyClick(slider->editor(), Qt::Key_Return);
        EXPECT_FALSE(slider->editor()->isVisible());
    }

    QWidget host;
    CTextSlider* slider;
};

TEST_F(DirectEdit, EnterWithoutChangeKeepsTheValue)
{
    slider->setValue(64);
    slider->setOffset(-64);
    enter(QString());
    EXPECT_EQ(slider->value(), 64);
}

TEST_F(DirectEdit, TypedValueComesBackThroughOffsetAndMultiplier)
{
    slider->setValue(5);
    slider->setMultiplier(2);
    slider->setOffset(1);
    kwtest::faceOf(slider);
    EXPECT_EQ(slider->shownText(), QStringLiteral("11"));
    enter(QString());
    EXPECT_EQ(slider->value(), 5);
    enter(QStringLiteral("21"));
    EXPECT_EQ(slider->value(), 10);
}

TEST_F(DirectEdit, BadOrAbsurdEntriesNeverCorruptTheValue)
{
    slider->setValue(20);
    QSignalSpy actions(slider, &QAbstractSlider::actionTriggered);
    enter(QStringLiteral("abc"));
    EXPECT_EQ(slider->value(), 20);
    EXPECT_EQ(actions.count(), 0);
    enter(QStringLiteral("1e300"));
    EXPECT_EQ(slider->value(), 127);
    enter(QStringLiteral("-1e300"));
    EXPECT_EQ(slider->value(), 0);
    slider->setMultiplier(0);
    enter(QStringLiteral("5"));
    EXPECT_EQ(slider->value(), 0);
}

TEST_F(DirectEdit, EscapeAbortsWithoutChange)
{
    slider->setValue(30);
    kwtest::faceOf(slider);
    QTest::mouseDClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    ASSERT_TRUE(slider->editor()->isVisible());
    slider->editor()->setText(QStringLiteral("99"));
    QTest::keyClick(slider->editor(), Qt::Key_Escape);
    EXPECT_FALSE(slider->editor()->isVisible());
    EXPECT_EQ(slider->value(), 30);
}

class LineEditTest : public BindingTest
{
protected:
    LineEditTest()
    {
        host.resize(200, 60);
        edit = new CLineEdit(&host);
        edit->setGeometry(0, 0, 120, 15);
        other = new QWidget(&host);
        other->setFocusPolicy(Qt::StrongFocus);
        other->setGeometry(0, 30, 20, 20);
        edit->initializeMemAPI(factory.get());
        edit->setNamedAddress(QStringLiteral("knobA1/displayName"));
        edit->assignMemAPI();
        kwtest::showAndWait(&host);
    }

    QString stored() { return api->getParamQString(ParamAddress(0, 0, 0, 0)); }

    QWidget host;
    CLineEdit* edit;
    QWidget* other;
};

TEST_F(LineEditTest, TypingWritesOnlyWhenTheEditIsAcceptedAndTrimsTheEnd)
{
    edit->setEndTrim(true);
    QSignalSpy accepted(edit, &CLineEdit::accepted);
    edit->setFocus();
    ASSERT_TRUE(edit->isEditing());
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral(" Lead"));
    edit->insert(QStringLiteral(" \t"));
    EXPECT_NE(stored(), QStringLiteral(" Lead"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(accepted.count(), 1);
    EXPECT_FALSE(edit->isEditing());
    EXPECT_EQ(edit->text(), QStringLiteral(" Lead"));
    EXPECT_EQ(stored(), QStringLiteral(" Lead"));

    // Text set by the program while not editing is written at once.
    edit->setText(QStringLiteral("Bass"));
    EXPECT_EQ(stored(), QStringLiteral("Bass"));
    api->setParam(ParamAddress(0, 0, 0, 0), QStringLiteral("Pad"));
    EXPECT_EQ(edit->text(), QStringLiteral("Pad"));

    // A value longer than the field shows cut and is not written back cut.
    edit->setMaxLength(4);
    api->setParam(ParamAddress(0, 0, 0, 0), QStringLiteral("Strings"));
    EXPECT_EQ(edit->text(), QStringLiteral("Stri"));
    EXPECT_EQ(stored(), QStringLiteral("Strings"));
}

TEST_F(LineEditTest, EscapeRestoresTheTextFromFocusIn)
{
    edit->setText(QStringLiteral("Keep"));
    QSignalSpy aborted(edit, &CLineEdit::aborted);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("Gone"));
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(aborted.count(), 1);
    EXPECT_EQ(edit->text(), QStringLiteral("Keep"));
    EXPECT_EQ(stored(), QStringLiteral("Keep"));
    EXPECT_FALSE(edit->hasFocus());
}

TEST_F(LineEditTest, FocusLossAcceptsGoodTextAndAbortsBadText)
{
    edit->setText(QStringLiteral("Old"));
    edit->setValidatorRegExp(QStringLiteral("[A-Za-z ]*"));
    QSignalSpy accepted(edit, &CLineEdit::accepted);
    QSignalSpy aborted(edit, &CLineEdit::aborted);

    // Unchanged text: the edit still ends, so the next focus-in starts a new one.
    edit->setFocus();
    other->setFocus();
    EXPECT_FALSE(edit->isEditing());
    EXPECT_EQ(accepted.count(), 1);

    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("New"));
    other->setFocus();
    EXPECT_EQ(accepted.count(), 2);
    EXPECT_EQ(stored(), QStringLiteral("New"));

    edit->setValidatorRegExp(QStringLiteral("[0-9]+"));
    edit->setFocus();
    ASSERT_FALSE(edit->hasAcceptableInput());
    other->setFocus();
    EXPECT_EQ(aborted.count(), 1);
    EXPECT_EQ(edit->text(), QStringLiteral("New"));
    EXPECT_EQ(stored(), QStringLiteral("New"));
    edit->setValidatorRegExp(QString());
    EXPECT_EQ(edit->validator(), nullptr);
}
