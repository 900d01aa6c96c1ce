#include "CListView.h"
#include "WidgetTestSupport.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QStringList row(const QString& a, const QString& b = QString())
{
    return b.isNull() ? QStringList{a} : QStringList{a, b};
}

} // namespace

TEST(CListView, LaysOutVisibleRowsAndColumnWidthsFromHints)
{
    CListView list;
    list.resize(200, 200);
    list.setColumnCount(3);
    list.setColumnWidthHint(QStringLiteral("50"));
    EXPECT_EQ(list.visibleRows(), 11);
    EXPECT_EQ(list.columnWidths(), (QList<int>{50, 75, 71}));

    // A bad hint keeps the present widths until the next layout.
    list.setColumnWidthHint(QStringLiteral("10,,20"));
    EXPECT_EQ(list.columnWidths(), (QList<int>{50, 75, 71}));
    list.setColumnWidthHint(QStringLiteral("-5"));
    EXPECT_EQ(list.columnWidths(), (QList<int>{50, 75, 71}));
    list.setSpacingWidth(2);
    EXPECT_EQ(list.columnWidths(), (QList<int>{67, 67, 62}));

    // A hint wider than the list takes what is left and the rest get nothing, never less.
    list.setColumnWidthHint(QStringLiteral("500,500"));
    EXPECT_EQ(list.columnWidths(), (QList<int>{200, 0, 0}));
}

TEST(CListView, RowsAndColumnsAtCoordinates)
{
    CListView list;
    list.resize(200, 100);
    list.setColumnCount(2);
    list.setMarginWidth(4);
    list.setMarginHeight(3);
    EXPECT_EQ(list.getIndex(10), -1); // a new list holds no rows although its range is 0..99
    for (int i = 0; i < 10; ++i) {
        list.addItem(row(QString::number(i), QStringLiteral("x")));
    }
    EXPECT_EQ(list.getIndex(2), -1);
    EXPECT_EQ(list.getIndex(3), 0);
    EXPECT_EQ(list.getIndex(3 + 17), 1);
    EXPECT_EQ(list.getIndex(3 + 17 * list.visibleRows()), -1);
    EXPECT_EQ(list.getColumn(3), -1);
    EXPECT_EQ(list.getColumn(4), 0);
    EXPECT_EQ(list.getColumn(196), -1);
    EXPECT_EQ(list.getColumn(195), 1);
    EXPECT_EQ(list.getItemRect(1), QRect(4, 20, 192, 15));
    EXPECT_FALSE(list.getItemRect(9).isValid());
    EXPECT_EQ(list.text(2, 0), QStringLiteral("2"));
    EXPECT_EQ(list.text(2, 5), QString());
    EXPECT_EQ(list.text(20, 0), QString());
}

TEST(CListView, InsertAndRemoveKeepCurrentRowIconsAndMarksOnTheirItems)
{
    CListView list;
    list.resize(100, 200);
    EXPECT_EQ(list.maximum(), 99);
    list.clear();
    EXPECT_EQ(list.maximum(), 0);
    for (int i = 0; i < 4; ++i) {
        list.addItem(row(QString::number(i)));
    }
    EXPECT_EQ(list.maximum(), 3);
    QPixmap icon(8, 8);
    icon.fill(Qt::blue);
    ASSERT_TRUE(list.setItemIcon(2, icon));
    list.addMark(3);
    list.setValue(2);

    EXPECT_FALSE(list.insertItem(4, row(QStringLiteral("end"))));
    EXPECT_FALSE(list.insertItem(-1, row(QStringLiteral("neg"))));
    ASSERT_TRUE(list.insertItem(1, row(QStringLiteral("new"))));
    EXPECT_EQ(list.value(), 3);
    EXPECT_EQ(list.text(3, 0), QStringLiteral("2"));
    EXPECT_TRUE(list.isMarked(4));
    EXPECT_FALSE(list.isMarked(3));

    ASSERT_TRUE(list.removeItem(0));
    EXPECT_EQ(list.value(), 2);
    EXPECT_EQ(list.text(2, 0), QStringLiteral("2"));
    EXPECT_TRUE(list.isMarked(3));
    EXPECT_FALSE(list.removeItem(4));
    EXPECT_FALSE(list.setItem(9, row(QStringLiteral("x"))));
    EXPECT_FALSE(list.setItemIcon(9, icon));

    while (list.count() > 0) {
        list.removeItem(0);
    }
    EXPECT_EQ(list.maximum(), 0);
    list.ensurePolished();
    const QImage face = kwtest::faceOf(&list);
    EXPECT_EQ(face.pixelColor(5, 5).alpha(), 0);
}

TEST(CListView, SettersHoldTheirLimits)
{
    CListView list;
    list.setColumnCount(3);
    list.setColumnIcon(0);
    EXPECT_EQ(list.columnIcon(), 0);
    list.setColumnIcon(7);
    EXPECT_EQ(list.columnIcon(), 2);
    list.setColumnIcon(-4);
    EXPECT_EQ(list.columnIcon(), 0);
    list.setColumnCount(0);
    EXPECT_EQ(list.columnCount(), 1);
    list.setRowHeight(0);
    EXPECT_EQ(list.rowHeight(), 1);
    list.setMarginWidth(-3);
    EXPECT_EQ(list.marginWidth(), 0);
    list.setTextDrawXPointOffset(-3);
    EXPECT_EQ(list.textDrawXPointOffset(), -3);
    list.setRowHeight(15);
    list.resize(100, 1);
    list.updateSize();
    EXPECT_EQ(list.visibleRows(), 0);
}

TEST(CListView, PaintsRowColoursCurrentRowAndMarks)
{
    CListView list;
    list.resize(100, 60);
    list.setSpacingHeight(0);
    list.setRowHeight(10);
    for (int i = 0; i < 4; ++i) {
        list.addItem(row(QString()));
    }
    list.addMark(3);
    list.setValue(1);
    list.ensurePolished();
    QImage face = kwtest::faceOf(&list);
    EXPECT_EQ(face.pixelColor(50, 5), list.backgroundOddRowColor());
    EXPECT_EQ(face.pixelColor(50, 15), list.backgroundFocusColor());
    EXPECT_EQ(face.pixelColor(50, 25), list.backgroundOddRowColor());
    EXPECT_EQ(face.pixelColor(50, 35), list.backgroundEvenRowColor());
    EXPECT_EQ(face.pixelColor(0, 30), list.markedFrameColor());
    EXPECT_EQ(face.pixelColor(50, 45).alpha(), 0);

    list.selectList();
    face = kwtest::faceOf(&list);
    EXPECT_EQ(face.pixelColor(50, 15), QColor(0, 162, 0));

    // Icons: the upper half for other rows, the lower half for the current row.
    QImage iconImage(6, 10, QImage::Format_ARGB32);
    iconImage.fill(Qt::yellow);
    for (int y = 5; y < 10; ++y) {
        for (int x = 0; x < 6; ++x) {
            iconImage.setPixelColor(x, y, Qt::magenta);
        }
    }
    list.setItemIcon(0, QPixmap::fromImage(iconImage));
    list.setItemIcon(1, QPixmap::fromImage(iconImage));
    face = kwtest::faceOf(&list);
    EXPECT_EQ(face.pixelColor(2, 4), QColor(Qt::yellow));
    EXPECT_EQ(face.pixelColor(2, 14), QColor(Qt::magenta));
}

TEST(CListView, WheelAndFocusSelectTheListAndScrollBarFollowsKeys)
{
    QWidget host;
    host.resize(300, 300);
    auto* list = new CListView(&host);
    list->setGeometry(0, 0, 100, 100); // 6 visible rows of 17 pixels
    auto* bar = new QScrollBar(Qt::Vertical, &host);
    bar->setGeometry(100, 0, 16, 100);
    list->setScrollBar(bar);
    auto* other = new QWidget(&host);
    other->setFocusPolicy(Qt::StrongFocus);
    for (int i = 0; i < 20; ++i) {
        list->addItem(row(QString::number(i)));
    }
    EXPECT_EQ(bar->maximum(), 14);
    EXPECT_EQ(bar->pageStep(), 6);
    kwtest::showAndWait(&host);

    QSignalSpy selected(list, &CListView::listSelected);
    QWheelEvent wheel(QPointF(10, 10), list->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(list, &wheel);
    EXPECT_TRUE(list->hasFocus());
    EXPECT_EQ(selected.count(), 1);
    EXPECT_TRUE(list->isListSelected());
    EXPECT_GT(bar->value(), 0);

    other->setFocus();
    EXPECT_TRUE(list->isListSelected());
    list->unselectList();
    EXPECT_FALSE(list->isListSelected());

    list->setFocus();
    list->setValue(0);
    bar->setValue(0);
    QTest::keyClick(list, Qt::Key_End);
    EXPECT_EQ(list->value(), 19);
    EXPECT_EQ(bar->value(), 14);
    QTest::keyClick(list, Qt::Key_Home);
    EXPECT_EQ(list->value(), 0);
    EXPECT_EQ(bar->value(), 0);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->value(), 1);
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(list->value(), 0);
    QTest::keyClick(list, Qt::Key_Right);
    EXPECT_EQ(list->value(), 0);
}

TEST(CListView, PressSelectsAndDoubleClickOnCurrentRowReportsIt)
{
    CListView list;
    list.resize(100, 100);
    list.setMarginWidth(5);
    for (int i = 0; i < 3; ++i) {
        list.addItem(row(QString::number(i)));
    }
    QSignalSpy doubleClicks(&list, &CListView::itemDoubleClick);
    QTest::mousePress(&list, Qt::LeftButton, Qt::NoModifier, QPoint(2, 20));
    EXPECT_EQ(list.value(), 0); // the margin selects nothing
    QTest::mousePress(&list, Qt::RightButton, Qt::NoModifier, QPoint(50, 20));
    EXPECT_EQ(list.value(), 1);
    const auto doubleClick = [&](const QPoint& p) {
        QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(p), list.mapToGlobal(QPointF(p)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&list, &e);
    };
    doubleClick(QPoint(50, 37)); // another row: it becomes current
    EXPECT_EQ(list.value(), 2);
    EXPECT_EQ(doubleClicks.count(), 0);
    doubleClick(QPoint(50, 37));
    ASSERT_EQ(doubleClicks.count(), 1);
    EXPECT_EQ(doubleClicks.first().at(0).toInt(), 2);
    EXPECT_EQ(doubleClicks.first().at(1).toInt(), 0);
}

