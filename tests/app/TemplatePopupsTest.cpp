#include "TemplateFixture.h"

#include "CLineEdit.h"
#include "CPopupList.h"
#include "CPopupTree.h"
#include "CSpinButton.h"
#include "CText.h"
#include "CTextSlider.h"

namespace {

QStringList childTexts(const QTreeWidgetItem* item)
{
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i) {
        texts << item->child(i)->text(0);
    }
    return texts;
}

} // namespace

TEST_F(TemplateFixture, ParameterTreeWritesTheChosenParameterAndTheControlType)
{
    layOutDAW();
    startEditor();
    activate();
    EditorTemplate* v = view();
    memApi->setParam(field(ParamAddress::kQPXiNameController), QString::fromLatin1(kInstrumentTemplateName));
    memApi->setParam(knob(0, ParamAddress::kRemoteNumberParam), QString::fromLatin1(kLevelId));
    memApi->setParam(field(ParamAddress::kControlTypeController), 1L);
    const long cc = number(knob(0, ParamAddress::kCCNumberParam));
    const QString displayName = text(knob(0, ParamAddress::kDisplayNameParam));

    // The tree: the track section collapsed, the instrument's expanded with its groups collapsed, and the
    // knob's parameter current. Escape writes nothing.
    withPopup<CPopupTree>(
        [&] { QTest::mouseClick(v->btnRemoteControlParameter, Qt::LeftButton); },
        [&](CPopupTree* popup) {
            EXPECT_EQ(popup->size(), QSize(200, 277));
            QTreeWidget* tree = popup->tree();
            ASSERT_EQ(tree->topLevelItemCount(), 2);
            QTreeWidgetItem* track = tree->topLevelItem(0);
            QTreeWidgetItem* instrument = tree->topLevelItem(1);
            EXPECT_EQ(track->text(0), "Track Control");
            EXPECT_FALSE(track->isExpanded());
            EXPECT_EQ(childTexts(track), QStringList({"Volume", "Pan Left-Right", "No Assign", "QuickCtrl"}));
            EXPECT_TRUE(track->child(3)->isExpanded());
            EXPECT_EQ(track->child(3)->childCount(), 8);
            EXPECT_EQ(instrument->text(0), kInstrument);
            EXPECT_TRUE(instrument->isExpanded());
            EXPECT_EQ(childTexts(instrument), QStringList({"Filter", "Level", "Amp"}));
            EXPECT_EQ(childTexts(instrument->child(0)), QStringList({"Cutoff", "Resonance"}));
            EXPECT_FALSE(instrument->child(0)->isExpanded());
            EXPECT_EQ(childTexts(instrument->child(2)), QStringList({"Filter"}))
                << "the same group name under another parent is another group";
            EXPECT_EQ(tree->currentItem(), instrument->child(1));
            kwtest::saveAppScreenshotWithPopup(window.get(), popup, "template-popup-parameters");
            QTest::keyClick(tree, Qt::Key_Escape);
        });
    EXPECT_EQ(text(knob(0, ParamAddress::kRemoteNumberParam)), kLevelId);
    EXPECT_EQ(number(field(ParamAddress::kControlTypeController)), 1);
    EXPECT_EQ(window->focusWidget(), v->btnRemoteControlParameter) << "the focus goes back to the button";

    // By keys: up to the group, open it, down to its first parameter.
    withPopup<CPopupTree>([&] { QTest::mouseClick(v->btnRemoteControlParameter, Qt::LeftButton); },
                          [&](CPopupTree* popup) {
                              for (Qt::Key key : {Qt::Key_Up, Qt::Key_Right, Qt::Key_Down, Qt::Key_Return}) {
                                  QTest::keyClick(popup->tree(), key);
                              }
                          });
    EXPECT_EQ(text(knob(0, ParamAddress::kRemoteNumberParam)), kCutoffId);
    EXPECT_EQ(number(field(ParamAddress::kControlTypeController)), 0);
    EXPECT_EQ(number(knob(0, ParamAddress::kCCNumberParam)), cc);
    EXPECT_EQ(text(knob(0, ParamAddress::kDisplayNameParam)), displayName);
    EXPECT_EQ(fileEditFlag(), 1);

    // By mouse, from a double click on knob B1, whose parameter (No Assign) shows in its open section; a
    // click on a section caption only closes it.
    QTest::mouseClick(v->btnKnobB1, Qt::LeftButton);
    withPopup<CPopupTree>([&] { QTest::mouseDClick(v->btnKnobB1, Qt::LeftButton); },
                          [&](CPopupTree* popup) {
                              QTreeWidget* tree = popup->tree();
                              QTreeWidgetItem* track = tree->topLevelItem(0);
                              EXPECT_EQ(tree->currentItem(), track->child(2));
                              EXPECT_TRUE(track->isExpanded());
                              QTreeWidgetItem* instrument = tree->topLevelItem(1);
                              clickItem(tree, tree->visualItemRect(instrument));
                              EXPECT_FALSE(instrument->isExpanded());
                              EXPECT_TRUE(popup->isVisible()) << "a section caption is no choice";
                              clickItem(tree, tree->visualItemRect(track->child(0)));
                          });
    EXPECT_EQ(text(knob(1, ParamAddress::kRemoteNumberParam)), "100000401");
    EXPECT_EQ(window->focusWidget(), v->btnKnobB1);

    // Without an instrument the tree holds the track section only, open.
    memApi->setParam(field(ParamAddress::kQPXiNameController), QStringLiteral("Unknown"));
    withPopup<CPopupTree>([&] { QTest::mouseClick(v->btnRemoteControlParameter, Qt::LeftButton); },
                          [&](CPopupTree* popup) {
                              ASSERT_EQ(popup->tree()->topLevelItemCount(), 1);
                              EXPECT_TRUE(popup->tree()->topLevelItem(0)->isExpanded());
                              popup->close();
                          });

    // Return on a knob opens the tree, except while a panel holds the window.
    v->btnKnobB1->setFocus();
    withPopup<CPopupTree>([&] { QTest::keyClick(v->btnKnobB1, Qt::Key_Return); },
                          [&](CPopupTree* popup) { popup->close(); });
    window->windowLock();
    bool opened = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            opened = true;
            popup->close();
        }
    });
    QTest::keyClick(v->btnKnobB1, Qt::Key_Return);
    QTest::qWait(0);
    EXPECT_FALSE(opened) << "Return does nothing while a panel holds the window";
    window->windowUnlock();
}

TEST_F(TemplateFixture, ControlChangeListWritesDisplayNameNumberAndControlType)
{
    startEditor();
    EditorTemplate* v = view();
    withPopup<CPopupList>([&] { QTest::mouseClick(v->btnCCNumberAndDisplayName, Qt::LeftButton); },
                          [&](CPopupList* popup) {
                              QListWidget* list = popup->list();
                              EXPECT_EQ(popup->size(), QSize(170, 277));
                              EXPECT_EQ(list->gridSize(), QSize(150, 11));
                              ASSERT_EQ(list->count(), 128);
                              EXPECT_EQ(list->item(0)->text(), "    0 : Bank Select MSB");
                              EXPECT_EQ(list->item(2)->text(), "    2 : CC#=002");
                              EXPECT_EQ(list->item(10)->text(), "  10 : Pan");
                              EXPECT_EQ(list->item(74)->text(), "  74 : Brightness");
                              EXPECT_EQ(list->item(100)->text(), "100 : RPN LSB");
                              EXPECT_EQ(list->item(127)->text(), "127 : CC#=127");
                              EXPECT_EQ(list->currentRow(), 21) << "the knob's CC number";
                              kwtest::saveAppScreenshotWithPopup(window.get(), popup, "template-popup-cc");
                              list->scrollToItem(list->item(7));
                              clickItem(list, list->visualItemRect(list->item(7)));
                          });
    EXPECT_EQ(text(knob(0, ParamAddress::kDisplayNameParam)), "Volume");
    EXPECT_EQ(number(knob(0, ParamAddress::kCCNumberParam)), 7);
    EXPECT_EQ(number(field(ParamAddress::kControlTypeController)), 1);

    // By keys, from a double click on knob B1: five rows up from CC 7.
    QTest::mouseClick(v->btnKnobB1, Qt::LeftButton);
    memApi->setParam(knob(1, ParamAddress::kCCNumberParam), 7L);
    withPopup<CPopupList>([&] { QTest::mouseDClick(v->btnKnobB1, Qt::LeftButton); },
                          [&](CPopupList* popup) {
                              for (int i = 0; i < 5; ++i) {
                                  QTest::keyClick(popup->list(), Qt::Key_Up);
                              }
                              QTest::keyClick(popup->list(), Qt::Key_Return);
                          });
    EXPECT_EQ(text(knob(1, ParamAddress::kDisplayNameParam)), "CC#=002");
    EXPECT_EQ(number(knob(1, ParamAddress::kCCNumberParam)), 2);

    withPopup<CPopupList>([&] { QTest::mouseClick(v->btnCCNumberAndDisplayName, Qt::LeftButton); },
                          [&](CPopupList* popup) { QTest::keyClick(popup->list(), Qt::Key_Escape); });
    EXPECT_EQ(number(knob(1, ParamAddress::kCCNumberParam)), 2) << "a dismissed list writes nothing";
}

TEST_F(TemplateFixture, InstrumentListRenamesATemplateStillNamedAfterItsInstrument)
{
    layOutDAW();
    startEditor();
    EditorTemplate* v = view();
    ASSERT_EQ(text(field(ParamAddress::kTemplateNameController)), "");
    withPopup<CPopupList>([&] { QTest::mouseClick(v->btnQPXiName, Qt::LeftButton); },
                          [&](CPopupList* popup) {
                              QListWidget* list = popup->list();
                              EXPECT_EQ(popup->size(), QSize(160, 68)) << "six rows of 11 pixels and 2";
                              QStringList names;
                              for (int i = 0; i < list->count(); ++i) {
                                  names << list->item(i)->text();
                              }
                              EXPECT_EQ(names, QStringList({"Basso Nova", "chime tree", kInstrument, "Audio Track",
                                                            "MIDI Track", "Generic"}));
                              kwtest::saveAppScreenshotWithPopup(window.get(), popup, "template-popup-instruments");
                              clickItem(list, list->visualItemRect(list->item(2)));
                          });
    EXPECT_EQ(text(field(ParamAddress::kQPXiNameController)), kInstrumentTemplateName);
    EXPECT_EQ(text(field(ParamAddress::kTemplateNameController)), "Fizzbox Delux") << "an empty name follows";
    EXPECT_EQ(v->editQPXiName->text(), kInstrumentTemplateName);

    // Still the instrument's name: it follows the next instrument, chosen by keys from the current one.
    withPopup<CPopupList>([&] { QTest::mouseClick(v->btnQPXiName, Qt::LeftButton); },
                          [&](CPopupList* popup) {
                              EXPECT_EQ(popup->list()->currentRow(), 2);
                              QTest::keyClick(popup->list(), Qt::Key_Up);
                              QTest::keyClick(popup->list(), Qt::Key_Up);
                              QTest::keyClick(popup->list(), Qt::Key_Return);
                          });
    EXPECT_EQ(text(field(ParamAddress::kQPXiNameController)), "BassoNova");
    EXPECT_EQ(text(field(ParamAddress::kTemplateNameController)), "Basso Nova");

    // A name the user typed stays.
    memApi->setParam(field(ParamAddress::kTemplateNameController), QStringLiteral("My lead"));
    withPopup<CPopupList>([&] { QTest::mouseClick(v->btnQPXiName, Qt::LeftButton); },
                          [&](CPopupList* popup) {
                              popup->list()->setCurrentRow(1);
                              QTest::keyClick(popup->list(), Qt::Key_Return);
                          });
    EXPECT_EQ(text(field(ParamAddress::kQPXiNameController)), "chimetree");
    EXPECT_EQ(text(field(ParamAddress::kTemplateNameController)), "My lead");
}

TEST_F(TemplateFixture, TemplateListChoosesATemplateAndASynthesizerChangeClosesAnOpenChooser)
{
    startEditor();
    activate();
    EditorTemplate* v = view();
    const ParamAddress current(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);
    memApi->setParam(ParamAddress(0, 4, ParamAddress::kTemplateNameController, -1), QStringLiteral("Strings"));
    memApi->setParam(ParamAddress(0, 9, ParamAddress::kTemplateNameController, -1), QStringLiteral("Pads"));
    withPopup<CPopupList>([&] { QTest::mouseClick(v->btnTemplate, Qt::LeftButton); },
                          [&](CPopupList* popup) {
                              QListWidget* list = popup->list();
                              EXPECT_EQ(popup->size(), QSize(140, 552));
                              ASSERT_EQ(list->count(), 50);
                              EXPECT_EQ(list->item(4)->text(), "  5 : Strings");
                              EXPECT_EQ(list->item(9)->text(), "10 : Pads");
                              EXPECT_EQ(list->item(49)->text(), "50 : ");
                              EXPECT_EQ(list->currentRow(), 0);
                              kwtest::saveAppScreenshotWithPopup(window.get(), popup, "template-popup-templates");
                              clickItem(list, list->visualItemRect(list->item(4)));
                          });
    EXPECT_EQ(number(current), 4);
    EXPECT_EQ(v->txtTemplateNumber->text(), "Template No:05");
    EXPECT_EQ(v->editTemplateName->text(), "Strings");
    EXPECT_EQ(window->focusWidget(), v->btnTemplate);
    withPopup<CPopupList>([&] { QTest::mouseClick(v->btnTemplate, Qt::LeftButton); },
                          [&](CPopupList* popup) {
                              for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}) {
                                  QTest::keyClick(popup->list(), key);
                              }
                          });
    EXPECT_EQ(v->txtTemplateNumber->text(), "Template No:07");

    // The synthesizer selects another template while a chooser is open: it closes and writes nothing.
    const long cc = number(knob(0, ParamAddress::kCCNumberParam));
    withPopup<CPopupList>([&] { QTest::mouseClick(v->btnCCNumberAndDisplayName, Qt::LeftButton); },
                          [&](CPopupList*) { memApi->setReceivedParam(current, 9L); });
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(v->txtTemplateNumber->text(), "Template No:10");
    EXPECT_EQ(number(ParamAddress(0, 9, 0, ParamAddress::kCCNumberParam)), cc);
    EXPECT_EQ(number(ParamAddress(0, 4, 0, ParamAddress::kCCNumberParam)), cc);
}
