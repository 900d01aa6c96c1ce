#include "CPopupList.h"
#include "CPopupTree.h"
#include "FlashFrame.h"
#include "RemoteEditorStyle.h"
#include "WidgetTestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyleOption>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

// One style for the tests of this file; made on first use, after the application object exists.
RemoteEditorStyle& style()
{
    static RemoteEditorStyle* instance = new RemoteEditorStyle;
    return *instance;
}

QStyleOptionSlider scrollOption(QScrollBar& bar)
{
    QStyleOptionSlider opt;
    opt.initFrom(&bar);
    opt.orientation = bar.orientation();
    opt.minimum = bar.minimum();
    opt.maximum = bar.maximum();
    opt.sliderPosition = bar.sliderPosition();
    opt.sliderValue = bar.value();
    opt.pageStep = bar.pageStep();
    opt.singleStep = bar.singleStep();
    opt.upsideDown = false;
    opt.subControls = QStyle::SC_All;
    return opt;
}

const QColor ScrollBackground(102, 102, 102);
const QColor ScrollForeground(24, 15, 2);

} // namespace

TEST(RemoteEditorStyle, RecognisesItsOwnWidgetsOnly)
{
    QTreeView otherTree;
    otherTree.setObjectName(QStringLiteral("SomethingElse"));
    EXPECT_FALSE(RemoteEditorStyle::isCustomStyle(&otherTree));
    EXPECT_FALSE(RemoteEditorStyle::isCustomStyle(nullptr));
    QScrollBar bar;
    QLineEdit edit;
    QMenu menu;
    EXPECT_TRUE(RemoteEditorStyle::isCustomStyle(&bar));
    EXPECT_TRUE(RemoteEditorStyle::isCustomStyle(&edit));
    EXPECT_TRUE(RemoteEditorStyle::isCustomStyle(&menu));
    CPopupTree* tree = new CPopupTree;
    CPopupList* list = new CPopupList;
    EXPECT_TRUE(RemoteEditorStyle::isPopupTree(tree->tree()));
    EXPECT_TRUE(RemoteEditorStyle::isPopupList(list->list()));
    EXPECT_EQ(style().styleHint(QStyle::SH_ItemView_ShowDecorationSelected, nullptr, tree->tree()), 0);
    EXPECT_EQ(style().styleHint(QStyle::SH_ItemView_ShowDecorationSelected, nullptr, list->list()), 1);
    EXPECT_EQ(style().pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &bar), 16);
    EXPECT_EQ(style().pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &edit), 1);
    EXPECT_EQ(style().pixelMetric(QStyle::PM_MenuHMargin, nullptr, &menu), 0);
    delete tree;
    delete list;
}

TEST(RemoteEditorStyle, ScrollSliderLengthIsProportionalWithAMinimum)
{
    EXPECT_EQ(remoteEditorScrollSliderLength(175, 0, 100, 10, 10), 15);
    EXPECT_EQ(remoteEditorScrollSliderLength(175, 0, 1000, 10, 10), 10);
    EXPECT_EQ(remoteEditorScrollSliderLength(175, 5, 5, 10, 10), 175);
    // Huge ranges and page steps neither overflow nor exceed the track; a bar shorter than its buttons
    // has no track at all.
    EXPECT_EQ(remoteEditorScrollSliderLength(175, 0, 0x7fffffff, 0x7fffffff, 10), 10);
    EXPECT_EQ(remoteEditorScrollSliderLength(175, -0x7fffffff, 0x7fffffff, 0x7fffffff, 10), 10);
    EXPECT_EQ(remoteEditorScrollSliderLength(-20, 0, 100, 10, 10), 0);
    EXPECT_EQ(remoteEditorScrollSliderLength(5, 0, 100, 10, 10), 5);
}

TEST(RemoteEditorStyle, ScrollBarSubControlsSitWhereTheLayoutPutsThem)
{
    QScrollBar bar(Qt::Horizontal);
    bar.resize(200, 16);
    bar.setRange(0, 100);
    bar.setPageStep(10);
    bar.setValue(0);
    const QStyleOptionSlider opt = scrollOption(bar);
    EXPECT_EQ(style().subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSubLine, &bar),
              QRect(QPoint(3, 3), QPoint(9, 12)));
    EXPECT_EQ(style().subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarAddLine, &bar),
              QRect(QPoint(11, 3), QPoint(17, 12)));
    EXPECT_EQ(style().subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, &bar),
              QRect(QPoint(21, 4), QPoint(35, 11)));
    EXPECT_EQ(style().subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarGroove, &bar),
              QRect(QPoint(21, 4), QPoint(195, 11)));
    EXPECT_EQ(style().hitTestComplexControl(QStyle::CC_ScrollBar, &opt, QPoint(25, 8), &bar),
              QStyle::SC_ScrollBarSlider);
    EXPECT_EQ(style().hitTestComplexControl(QStyle::CC_ScrollBar, &opt, QPoint(100, 8), &bar),
              QStyle::SC_ScrollBarAddPage);

    QScrollBar vertical(Qt::Vertical);
    vertical.resize(16, 100);
    vertical.setRange(0, 10);
    const QStyleOptionSlider vopt = scrollOption(vertical);
    EXPECT_EQ(style().subControlRect(QStyle::CC_ScrollBar, &vopt, QStyle::SC_ScrollBarSubLine, &vertical),
              QRect(QPoint(3, 3), QPoint(12, 9)));
}

TEST(RemoteEditorStyle, ScrollBarWithoutRangeShowsBackgroundAndGrooveOnly)
{
    QScrollBar bar(Qt::Horizontal);
    bar.resize(200, 16);
    bar.setRange(0, 0);
    QStyleOptionSlider opt = scrollOption(bar);
    QImage image(200, 16, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        style().drawComplexControl(QStyle::CC_ScrollBar, &opt, &p, &bar);
    }
    EXPECT_EQ(image.pixelColor(100, 1), ScrollBackground);
    EXPECT_EQ(image.pixelColor(100, 3), ScrollForeground); // groove outline, grown by one at the top
    EXPECT_EQ(image.pixelColor(100, 8), ScrollBackground); // no slider inside it
    EXPECT_EQ(image.pixelColor(6, 8), ScrollBackground);   // no arrow button

    bar.setRange(0, 100);
    bar.setPageStep(10);
    opt = scrollOption(bar);
    {
        QPainter p(&image);
        style().drawComplexControl(QStyle::CC_ScrollBar, &opt, &p, &bar);
    }
    EXPECT_EQ(image.pixelColor(28, 8), ScrollForeground); // slider
    EXPECT_EQ(image.pixelColor(3, 3), QColor(0x18, 0x0f, 0x02)); // arrow picture's dark border
}

TEST(RemoteEditorStyle, BranchIndicatorShowsOpenAndClosedPictures)
{
    CPopupTree* popup = new CPopupTree;
    QStyleOption opt;
    opt.rect = QRect(0, 0, 21, 21);
    QImage image(21, 21, QImage::Format_ARGB32);
    const auto draw = [&](QStyle::State state) {
        image.fill(Qt::white);
        opt.state = state;
        QPainter p(&image);
        style().drawPrimitive(QStyle::PE_IndicatorBranch, &opt, &p, popup->tree());
    };
    // The 9 x 9 picture's top-left lands at (6, 6); its middle column holds the vertical bar of the
    // collapsed picture only.
    draw(QStyle::State_Children);
    EXPECT_EQ(image.pixelColor(10, 8), QColor(0x18, 0x0f, 0x02));
    draw(QStyle::State_Children | QStyle::State_Open);
    EXPECT_EQ(image.pixelColor(10, 8), QColor(0x99, 0x99, 0x99));
    EXPECT_EQ(image.pixelColor(8, 10), QColor(0x18, 0x0f, 0x02));
    delete popup;
}

TEST(RemoteEditorStyle, PopupAndMenuGetTheEditorPalette)
{
    EXPECT_EQ(style().popupPalette().color(QPalette::Active, QPalette::Base), QColor(153, 153, 153));
    EXPECT_EQ(style().menuPalette().color(QPalette::Disabled, QPalette::HighlightedText), QColor(0, 204, 0));
    EXPECT_EQ(style().menuPalette().color(QPalette::Inactive, QPalette::Shadow), QColor(255, 255, 255));
    QMenu menu;
    style().polish(&menu);
    EXPECT_EQ(menu.palette().color(QPalette::Active, QPalette::Text), QColor(24, 15, 2));
    QLineEdit edit;
    edit.resize(50, 12);
    EXPECT_EQ(style().subElementRect(QStyle::SE_LineEditContents, nullptr, &edit),
              QRect(QPoint(0, -1), QPoint(49, 11)));
}

TEST(RemoteEditorStyle, EditorFontNamesResolveToInstalledFonts)
{
    style();
    EXPECT_FALSE(QFont::substitutes(QStringLiteral("Telvor EBM 8")).isEmpty());
    QFont font(QStringLiteral("Telvor EBM 10"));
    EXPECT_TRUE(QFontInfo(font).family().startsWith(QStringLiteral("DejaVu")));
}

TEST(FlashFrame, OutlinesTheWidgetOrTheAreaAndRemovesItself)
{
    FlashFrame::setTimings(30, 10);
    QWidget host;
    host.resize(100, 80);
    kwtest::showAndWait(&host);

    FlashFrame::start(nullptr, QRect(0, 0, 5, 5));
    FlashFrame::start(&host, 10, 10, 0, 5);
    EXPECT_TRUE(host.findChildren<FlashFrame*>().isEmpty());

    FlashFrame::start(&host, QRect());
    QList<FlashFrame*> frames = host.findChildren<FlashFrame*>();
    ASSERT_EQ(frames.size(), 1);
    EXPECT_EQ(frames.first()->geometry(), QRect(0, 0, 100, 80));
    const QImage outline = frames.first()->pixmap().toImage();
    EXPECT_EQ(outline.pixelColor(0, 40), QColor(0, 255, 0));
    EXPECT_EQ(outline.pixelColor(99, 79), QColor(0, 255, 0));
    EXPECT_EQ(outline.pixelColor(50, 40).alpha(), 0);

    FlashFrame::start(&host, QRect(5, 6, 20, 10));
    frames = host.findChildren<FlashFrame*>();
    ASSERT_EQ(frames.size(), 2);
    EXPECT_EQ(frames.last()->geometry(), QRect(5, 6, 20, 10));

    EXPECT_TRUE(QTest::qWaitFor([&] { return host.findChildren<FlashFrame*>().isEmpty(); }, 5000))
        << "the outlines did not remove themselves";
    FlashFrame::setTimings(500, 100);
}

TEST(RemoteEditorStyle, MenuShortcutsShowBackspaceByItsKeyCap)
{
    EXPECT_EQ(remoteEditorShortcutText(QStringLiteral("Ctrl+Backspace")), QStringLiteral("Ctrl+Del (BS)"));
    EXPECT_EQ(remoteEditorShortcutText(QStringLiteral("Ctrl+C")), QStringLiteral("Ctrl+C"));
}

namespace {

// Draws one menu item without text into an image and returns it.
QImage menuItem(QStyle::State state, QStyleOptionMenuItem::MenuItemType type, bool checkable, bool checked)
{
    QMenu menu;
    QStyleOptionMenuItem opt;
    opt.initFrom(&menu);
    opt.rect = QRect(0, 0, 80, 20);
    opt.state = state;
    opt.menuItemType = type;
    opt.checkType = checkable ? QStyleOptionMenuItem::Exclusive : QStyleOptionMenuItem::NotCheckable;
    opt.checked = checked;
    opt.maxIconWidth = 0;
    opt.reservedShortcutWidth = 0;
    QImage image(80, 20, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    style().drawControl(QStyle::CE_MenuItem, &opt, &p, &menu);
    return image;
}

} // namespace

TEST(RemoteEditorStyle, MenuItemsTakeTheColoursOfTheirState)
{
    const QStyle::State enabled = QStyle::State_Enabled;
    EXPECT_EQ(menuItem(enabled, QStyleOptionMenuItem::Normal, false, false).pixelColor(40, 10),
              QColor(153, 153, 153));
    EXPECT_EQ(menuItem(enabled | QStyle::State_Selected, QStyleOptionMenuItem::Normal, false, false)
                  .pixelColor(40, 10),
              QColor(24, 15, 2));
    EXPECT_EQ(menuItem(enabled | QStyle::State_Sunken, QStyleOptionMenuItem::Normal, false, false).pixelColor(40, 10),
              QColor(0, 0, 0));
    // The check mark: a 5 x 5 square at the left, filled green when checked.
    EXPECT_EQ(menuItem(enabled, QStyleOptionMenuItem::Normal, true, true).pixelColor(7, 10), QColor(0, 204, 0));
    EXPECT_EQ(menuItem(enabled, QStyleOptionMenuItem::Normal, true, false).pixelColor(7, 10), QColor(0x37, 0x37, 0x37));
    // A separator: a line in the menu's text colour across the middle.
    const QImage separator = menuItem(enabled, QStyleOptionMenuItem::Separator, false, false);
    EXPECT_EQ(separator.pixelColor(40, 9), QColor(24, 15, 2));
    EXPECT_EQ(separator.pixelColor(40, 3), QColor(153, 153, 153));
}
