#include "TemplateFixture.h"

#include "CLineEdit.h"
#include "CSpinButton.h"
#include "CText.h"
#include "CTextSlider.h"

namespace {

constexpr int kC2 = 6;

} // namespace

TEST_F(TemplateFixture, TemplateChangesRetargetEveryBindingAndKeepTheSelectedKnob)
{
    startEditor();
    EditorTemplate* v = view();
    memApi->setParam(ParamAddress(0, 0, kC2, ParamAddress::kDisplayNameParam), QStringLiteral("Near"));
    memApi->setParam(ParamAddress(0, 0, kC2, ParamAddress::kCCNumberParam), 5L);
    memApi->setParam(ParamAddress(0, 49, kC2, ParamAddress::kDisplayNameParam), QStringLiteral("A very long nm"));
    memApi->setParam(ParamAddress(0, 49, kC2, ParamAddress::kCCNumberParam), 99L);
    memApi->setParam(ParamAddress(0, 49, ParamAddress::kTemplateNameController, -1), QStringLiteral("Last one"));
    EXPECT_EQ(v->txtTemplateNumber->text(), "Template No:01");

    QTest::mouseClick(v->btnKnobC2, Qt::LeftButton);
    ASSERT_TRUE(v->btnKnobC2->isChecked());
    EXPECT_EQ(v->editDisplayName->text(), "Near");
    EXPECT_EQ(v->txtCCNumber->value(), 5);
    EXPECT_TRUE(v->lblKnobC2->isVisible());
    EXPECT_FALSE(v->lblKnobA1->isVisible());
    EXPECT_TRUE(v->txtKnobC2->isEnabled());
    EXPECT_FALSE(v->txtKnobA1->isEnabled());

    v->btnTemplateNumber->setValue(49);
    EXPECT_EQ(v->txtTemplateNumber->text(), "Template No:50");
    EXPECT_EQ(v->editTemplateName->text(), "Last one");
    EXPECT_TRUE(v->btnKnobC2->isChecked()) << "the selected knob survives a template change";
    EXPECT_EQ(v->editDisplayName->text(), "A very long nm");
    EXPECT_EQ(v->txtCCNumber->value(), 99);
    // Without a DAW the LCD shows the control change and the whole display name, and no tool tip.
    EXPECT_EQ(v->txtKnobC2->text(), "CC099\nA very long nm");
    EXPECT_EQ(v->btnKnobC2->toolTip(), "");
    EXPECT_EQ(number(ParamAddress(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1)), 49);
    kwtest::saveAppScreenshot(window.get(), "template-lcd-other");

    // The synthesizer's side changing the template moves the view as well.
    memApi->setParam(ParamAddress(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1), 0L);
    ASSERT_TRUE(kwtest::processUntil([&] { return v->txtTemplateNumber->text() == "Template No:01"; }));
    EXPECT_EQ(v->editDisplayName->text(), "Near");

    // Without a DAW there is nothing to choose a DAW parameter with.
    for (QWidget* hidden :
         {static_cast<QWidget*>(v->btnRemote), static_cast<QWidget*>(v->btnCC), static_cast<QWidget*>(v->lblRemote),
          static_cast<QWidget*>(v->btnQPXiName), static_cast<QWidget*>(v->editQPXiName),
          static_cast<QWidget*>(v->btnRemoteControlParameter)}) {
        EXPECT_FALSE(hidden->isVisible()) << hidden->objectName().toStdString();
    }
    EXPECT_TRUE(v->lblCC->isVisible());

    memApi->setParam(ParamAddress(ParamAddress::kFileNameBank, -1, -1, -1), QStringLiteral("/banks/Live set.Q9E"));
    EXPECT_TRUE(kwtest::processUntil([&] { return v->txtFileName->text() == "Live set.Q9E"; }));
}

TEST_F(TemplateFixture, LCDShowsParameterNamesOrControlChangesWithADAW)
{
    layOutDAW();
    startEditor();
    EditorTemplate* v = view();
    EXPECT_TRUE(v->btnQPXiName->isVisible()) << "the scan found an instrument";
    EXPECT_TRUE(v->editQPXiName->isVisible());
    EXPECT_TRUE(v->btnRemote->isVisible());
    EXPECT_TRUE(v->lblRemote->isVisible());
    EXPECT_FALSE(v->lblCC->isVisible());

    memApi->setParam(field(ParamAddress::kControlTypeController), 0L);
    memApi->setParam(knob(0, ParamAddress::kRemoteNumberParam), QString::fromLatin1(kCutoffId));
    memApi->setParam(knob(1, ParamAddress::kRemoteNumberParam), QString::fromLatin1(kLevelId));
    memApi->setParam(knob(2, ParamAddress::kRemoteNumberParam), QStringLiteral("0deadbeef"));
    memApi->setParam(knob(3, ParamAddress::kRemoteNumberParam), QStringLiteral("000000009"));
    memApi->setParam(field(ParamAddress::kQPXiNameController), QString::fromLatin1(kInstrumentTemplateName));
    ASSERT_TRUE(kwtest::processUntil([&] { return v->txtKnobA1->text() == "Cutoff"; }));
    EXPECT_EQ(v->btnKnobA1->toolTip(), "Filter - Cutoff") << "a grouped parameter shows its path";
    EXPECT_EQ(v->txtKnobB1->text(), "Level");
    EXPECT_EQ(v->btnKnobB1->toolTip(), "") << "a parameter outside any group that fits has no tool tip";
    EXPECT_EQ(v->txtKnobC1->text(), "") << "an identifier the instrument lacks";
    EXPECT_EQ(v->btnKnobC1->toolTip(), "");
    EXPECT_EQ(v->btnKnobD1->toolTip(), "Amp - Filter - Drive");
    EXPECT_EQ(v->txtRemoteControlParameter->text(), "Filter - Cutoff");
    kwtest::saveAppScreenshot(window.get(), "template-lcd-parameters");

    const QString longName = QStringLiteral("Wwwwwwwwwwwwwww");
    memApi->setParam(knob(0, ParamAddress::kDisplayNameParam), longName);
    memApi->setParam(knob(0, ParamAddress::kCCNumberParam), 7L);
    QTest::mouseClick(v->btnCCPanel, Qt::LeftButton);
    ASSERT_EQ(number(field(ParamAddress::kControlTypeController)), 1);
    ASSERT_TRUE(kwtest::processUntil([&] { return v->txtKnobA1->text().startsWith("CC007\n"); }));
    EXPECT_TRUE(v->txtKnobA1->text().endsWith(TrimLabel)) << "a long display name is shortened to the cell";
    EXPECT_EQ(v->btnKnobA1->toolTip(), longName);
    EXPECT_EQ(v->txtKnobB1->text(), "CC022\nB1");
    EXPECT_EQ(v->btnKnobB1->toolTip(), "");
    EXPECT_TRUE(v->lblCC->isVisible());
    EXPECT_FALSE(v->lblRemote->isVisible());
    kwtest::saveAppScreenshot(window.get(), "template-lcd-cc");
}

TEST_F(TemplateFixture, LampsFollowTheFlagsAndTheStoreLampFadesOutAndIn)
{
    startEditor();
    EditorTemplate* v = view();
    const ParamAddress bankEdited(ParamAddress::kBankEditFlagBank, -1, -1, -1);
    const ParamAddress fileEdited(ParamAddress::kFileEditFlagBank, -1, -1, -1);
    const ParamAddress online(ParamAddress::kOnlineStateBank, -1, -1, -1);

    EXPECT_FALSE(v->lblFileEditFlag->isVisible());
    memApi->setParam(fileEdited, 1L);
    EXPECT_TRUE(v->lblFileEditFlag->isVisible());
    memApi->setParam(fileEdited, 0L);
    EXPECT_FALSE(v->lblFileEditFlag->isVisible()) << "the file lamp stayed lit after the flag fell";

    // Offline the store button and lamp are there whatever the bank says.
    memApi->setParam(bankEdited, 0L);
    EXPECT_TRUE(v->btnStore->isVisible());
    EXPECT_TRUE(v->lblStoreFlash->isVisible());
    EXPECT_FALSE(v->lblBankEditFlag->isVisible());
    memApi->setONLINEstate(1);
    EXPECT_FALSE(v->btnStore->isVisible()) << "online with the bank unchanged";
    EXPECT_FALSE(v->lblStoreFlash->isVisible());
    memApi->setParam(bankEdited, 1L);
    EXPECT_TRUE(v->btnStore->isVisible());
    EXPECT_TRUE(v->lblStoreFlash->isVisible());
    EXPECT_TRUE(v->lblBankEditFlag->isVisible());
    memApi->setONLINEstate(0);
    EXPECT_EQ(number(online), 0);

    // Twenty ticks of 100 ms: full, pictures 9 to 1, dark, pictures 1 to 9; picture k is the store
    // picture at 256k/11 (truncated) of its opacity. The lamp has run since the start: first to its dark phase.
    const int timer = storeLampTimer();
    ASSERT_NE(timer, 0) << "no 100 ms lamp timer";
    const auto tick = [&] {
        QTimerEvent event(timer);
        QCoreApplication::sendEvent(v, &event);
    };
    for (int i = 0; i < 21; ++i) {
        tick();
        if (v->lblStoreFlash->pixmap().isNull()) {
            break;
        }
    }
    ASSERT_TRUE(v->lblStoreFlash->pixmap().isNull()) << "the lamp never went dark";
    const QImage full = QImage(":/images/t51m_btn_back_store.png").convertToFormat(QImage::Format_ARGB32);
    QPoint opaque(-1, -1);
    for (int y = 0; y < full.height() && opaque.x() < 0; ++y) {
        for (int x = 0; x < full.width(); ++x) {
            if (qAlpha(full.pixel(x, y)) == 255) {
                opaque = QPoint(x, y);
                break;
            }
        }
    }
    ASSERT_GE(opaque.x(), 0);
    const int gray[] = {255, 23, 46, 69, 93, 116, 139, 162, 186, 209};
    const int sequence[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 9, 8, 7, 6, 5, 4, 3, 2, 1, -1, 1};
    for (int picture : sequence) {
        tick();
        const QPixmap shown = v->lblStoreFlash->pixmap();
        if (picture < 0) {
            EXPECT_TRUE(shown.isNull()) << "the dark phase";
            continue;
        }
        ASSERT_FALSE(shown.isNull());
        const int alpha = qAlpha(shown.toImage().convertToFormat(QImage::Format_ARGB32).pixel(opaque));
        EXPECT_NEAR(alpha, gray[picture], 1) << "picture " << picture;
    }
}
