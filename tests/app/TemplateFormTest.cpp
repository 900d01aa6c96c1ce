#include "TemplateFixture.h"

#include "CLineEdit.h"
#include "CSpinButton.h"
#include "CText.h"
#include "CTextSlider.h"

namespace {

struct Placement
{
    const char* name;
    const char* className;
    const char* parent;
    QRect geometry;
};

// The form's widgets outside the knob cells, in creation order.
const Placement kPlacements[] = {
    {"txtFileName", "CText", "EditorTemplate", {63, 2, 234, 13}},
    {"btnTemplate", "COnOffButton", "EditorTemplate", {278, 24, 19, 19}},
    {"btnQPXiName", "COnOffButton", "EditorTemplate", {417, 24, 19, 19}},
    {"btnLibrary", "COnOffButton", "EditorTemplate", {390, 2, 46, 14}},
    {"btnTemplateNumber", "CSpinButton", "EditorTemplate", {258, 24, 19, 19}},
    {"lblStoreFlash", "QLabel", "EditorTemplate", {338, 1, 48, 16}},
    {"editQPXiName", "CLineEdit", "EditorTemplate", {340, 27, 73, 14}},
    {"btnStore", "COnOffButton", "EditorTemplate", {339, 2, 46, 14}},
    {"lblBankEditFlag", "QLabel", "EditorTemplate", {312, 4, 9, 9}},
    {"lblFileEditFlag", "QLabel", "EditorTemplate", {325, 4, 9, 9}},
    {"txtTemplateNumber", "CText", "EditorTemplate", {9, 27, 106, 14}},
    {"editTemplateName", "CLineEdit", "EditorTemplate", {118, 27, 135, 14}},
    {"frameControllerSetting", "QWidget", "EditorTemplate", {0, 266, 442, 136}},
    {"btnRemoteControlParameter", "COnOffButton", "frameControllerSetting", {202, 38, 19, 18}},
    {"txtCCNumber", "CTextSlider", "frameControllerSetting", {278, 40, 44, 15}},
    {"spinCCNumber", "CSpinButton", "frameControllerSetting", {325, 38, 19, 18}},
    {"btnCCNumberAndDisplayName", "COnOffButton", "frameControllerSetting", {413, 38, 19, 18}},
    {"txtRemoteControlParameter", "CLineEdit", "frameControllerSetting", {54, 40, 146, 15}},
    {"lblRemote", "CFrame", "frameControllerSetting", {8, 22, 38, 106}},
    {"btnRemotePanel", "COnOffButton", "frameControllerSetting", {8, 22, 38, 111}},
    {"lblCC", "CFrame", "frameControllerSetting", {230, 22, 38, 106}},
    {"frameDisplayFormat", "QWidget", "frameControllerSetting", {325, 110, 107, 18}},
    {"btnMinus64to63", "CRadioButton", "frameDisplayFormat", {88, 0, 19, 18}},
    {"btn0to127", "CRadioButton", "frameDisplayFormat", {0, 0, 19, 18}},
    {"btnCCPanel", "COnOffButton", "frameControllerSetting", {230, 22, 38, 106}},
    {"editDisplayName", "CLineEdit", "frameControllerSetting", {277, 74, 123, 15}},
    {"frameControllerPanel", "QWidget", "EditorTemplate", {0, 54, 442, 207}},
    {"frameRemoteCC", "QWidget", "frameControllerPanel", {13, 26, 55, 18}},
    {"btnCC", "CRadioButton", "frameRemoteCC", {36, 0, 19, 18}},
    {"btnRemote", "CRadioButton", "frameRemoteCC", {0, 0, 19, 18}},
    {"frameLCD", "QWidget", "frameControllerPanel", {81, 40, 341, 161}},
};

QColor textColour(QWidget* widget, QPalette::ColorGroup group)
{
    return widget->palette().color(group, QPalette::Text);
}

} // namespace

TEST_F(TemplateFixture, FormPlacesEveryWidgetWithItsGeometryPictureFontAndBinding)
{
    startEditor();
    EditorTemplate* v = view();
    EXPECT_EQ(v->size(), QSize(442, 402));
    EXPECT_EQ(v->windowTitle(), "Template");
    EXPECT_EQ(v->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(v->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(v->font().family(), "Telvor EBM 8");

    for (const Placement& p : kPlacements) {
        auto* widget = v->findChild<QWidget*>(p.name);
        ASSERT_NE(widget, nullptr) << p.name;
        EXPECT_STREQ(widget->metaObject()->className(), p.className) << p.name;
        EXPECT_EQ(widget->parentWidget()->objectName(), p.parent) << p.name;
        EXPECT_EQ(widget->geometry(), p.geometry) << p.name;
    }

    // The knob cells: column c at x = 1 + 84c, row r at y = 22 + 49(r - 1); D1's button one pixel higher.
    const QList<QPoint> cells = {{1, 22},   {85, 22},  {169, 22}, {253, 22}, {1, 71},    {85, 71},
                                 {169, 71}, {253, 71}, {1, 120},  {85, 120}, {169, 120}, {253, 120}};
    const QStringList names = {"A1", "B1", "C1", "D1", "A2", "B2", "C2", "D2", "A3", "B3", "C3", "D3"};
    const QObjectList lcd = v->frameLCD->children();
    for (int k = 0; k < 12; ++k) {
        auto* label = v->findChild<CFrame*>("lblKnob" + names[k]);
        auto* cellText = v->findChild<CText*>("txtKnob" + names[k]);
        auto* button = v->findChild<CRadioButton*>("btnKnob" + names[k]);
        ASSERT_TRUE(label && cellText && button) << names[k].toStdString();
        const QPoint at = cells[k];
        EXPECT_EQ(label->geometry(), QRect(at.x(), at.y(), 71, 23)) << names[k].toStdString();
        EXPECT_EQ(cellText->geometry(), QRect(at.x(), at.y() + 1, 71, 21)) << names[k].toStdString();
        EXPECT_EQ(button->geometry(), QRect(at.x(), names[k] == "D1" ? 21 : at.y(), 71, 23)) << names[k].toStdString();
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
        EXPECT_TRUE(button->acceptDrops());
        EXPECT_EQ(cellText->alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
        EXPECT_EQ(textColour(cellText, QPalette::Active), QColor(18, 38, 142));
        EXPECT_EQ(textColour(cellText, QPalette::Disabled), QColor(0, 0, 0));
        // Label before text, and every cell before the buttons: the buttons take the clicks and drops.
        EXPECT_LT(lcd.indexOf(label), lcd.indexOf(cellText));
        EXPECT_GT(lcd.indexOf(button), lcd.indexOf(v->txtKnobD3));
        EXPECT_EQ(v->frameLCD->childAt(label->geometry().center()), button) << names[k].toStdString();
        EXPECT_EQ(cellText->isEnabled(), k == 0) << "only the selected knob's text is enabled";
        EXPECT_EQ(label->isVisible(), k == 0) << "only the selected knob's cell is lit";
    }
    EXPECT_EQ(v->btnKnobA1->font().family(), "Telvor EBM8 Expanded");
    EXPECT_TRUE(v->btnKnobA1->isChecked());

    EXPECT_EQ(v->txtTemplateNumber->font().family(), "Telvor EBM 10");
    EXPECT_EQ(v->editTemplateName->font().family(), "Telvor EBM 10");
    EXPECT_EQ(textColour(v->txtFileName, QPalette::Disabled), QColor(32, 18, 0));
    EXPECT_EQ(textColour(v->txtTemplateNumber, QPalette::Inactive), QColor(180, 198, 231));
    EXPECT_EQ(textColour(v->editTemplateName, QPalette::Active), QColor(0, 77, 177));
    EXPECT_EQ(v->editTemplateName->palette().color(QPalette::Inactive, QPalette::HighlightedText),
              QColor(192, 209, 236));
    EXPECT_EQ(textColour(v->editTemplateName, QPalette::Disabled), QColor(18, 38, 142));
    EXPECT_EQ(v->btnMinus64to63->onValue(), 1);
    EXPECT_EQ(v->btnCC->onValue(), 1);
    EXPECT_EQ(v->btn0to127->onValue(), 0);
    EXPECT_TRUE(v->txtRemoteControlParameter->isReadOnly());
    EXPECT_EQ(v->txtRemoteControlParameter->contextMenuPolicy(), Qt::NoContextMenu);
    EXPECT_EQ(v->lblBankEditFlag->pixmap().size(), QPixmap(":/images/bram_led_edit_t.png").size());
    EXPECT_FALSE(v->lblRemote->backgroundPixmap().isNull());
    EXPECT_TRUE(v->btnRemotePanel->combinedImage().isNull()) << "a transparent click area";

    const QList<QPair<MemProxy*, QString>> bindings = {
        {v->btnTemplateNumber, "currentTemplateNumber"},
        {v->editQPXiName, "qpxiName"},
        {v->editTemplateName, "templateName"},
        {v->txtCCNumber, "knobA1/ccNumber"},
        {v->spinCCNumber, "knobA1/ccNumber"},
        {v->btnMinus64to63, "knobA1/displayFormat"},
        {v->btn0to127, "knobA1/displayFormat"},
        {v->editDisplayName, "knobA1/displayName"},
        {v->btnCC, "controlType"},
        {v->btnRemote, "controlType"},
        {v->txtRemoteControlParameter, ""},
    };
    for (const auto& [proxy, name] : bindings) {
        EXPECT_EQ(proxy->namedAddress(), name);
    }
}

TEST_F(TemplateFixture, FieldsTakeOnlyPrintableTextUpToTheirLengths)
{
    startEditor();
    EditorTemplate* v = view();
    const auto accepts = [](CLineEdit* edit, QString text) {
        int position = 0;
        return edit->validator()->validate(text, position) == QValidator::Acceptable;
    };
    for (CLineEdit* edit : {v->editQPXiName, v->editTemplateName, v->editDisplayName}) {
        EXPECT_TRUE(accepts(edit, "!\"#$%&'()*+,-./09:;<=>?@AZ[\\]^_`az{|}"));
        EXPECT_FALSE(accepts(edit, "a~b"));
        EXPECT_FALSE(accepts(edit, QString::fromUtf8("Caf\xc3\xa9")));
        EXPECT_FALSE(accepts(edit, "tab\there"));
    }
    EXPECT_FALSE(accepts(v->editQPXiName, "two words"));
    EXPECT_TRUE(accepts(v->editTemplateName, "two words"));
    EXPECT_TRUE(accepts(v->editDisplayName, "two words"));
    EXPECT_EQ(v->editQPXiName->maxLength(), 12);
    EXPECT_EQ(v->editTemplateName->maxLength(), 13);
    EXPECT_EQ(v->editDisplayName->maxLength(), 15);
}

TEST_F(TemplateFixture, ControlTypeFollowsTheHand)
{
    layOutDAW();
    startEditor();
    EditorTemplate* v = view();
    const ParamAddress type = field(ParamAddress::kControlTypeController);
    const auto expectType = [&](long expected, const char* after) { EXPECT_EQ(number(type), expected) << after; };

    memApi->setParam(type, 0L);
    QTest::mouseClick(v->spinCCNumber->upperButton(), Qt::LeftButton);
    expectType(1, "stepping the CC number");
    EXPECT_EQ(number(knob(0, ParamAddress::kCCNumberParam)), 22);

    QTest::mouseClick(v->btnRemotePanel, Qt::LeftButton);
    expectType(0, "a click on the DAW parameter panel");
    QTest::mouseClick(v->btnMinus64to63, Qt::LeftButton);
    expectType(1, "a display format");
    EXPECT_EQ(number(knob(0, ParamAddress::kDisplayFormatParam)), 1);

    memApi->setParam(type, 0L);
    v->editDisplayName->setFocus();
    QTest::keyClicks(v->editDisplayName, "Sub");
    QTest::keyClick(v->editDisplayName, Qt::Key_Return);
    expectType(1, "an accepted display name");
    EXPECT_EQ(text(knob(0, ParamAddress::kDisplayNameParam)), "A1Sub");

    memApi->setParam(type, 0L);
    QTest::mouseClick(v->btnCCPanel, Qt::LeftButton);
    expectType(1, "a click on the control-change panel");
}
