#include "CPopupList.h"
#include "CPopupTree.h"
#include "detail/PopupPlacement.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs action on the running pop-up as soon as it is the active pop-up widget.
void whenPopupShown(const std::function<void(QWidget*)>& action)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            timer->stop();
            timer->deleteLater();
            action(popup);
        }
    });
    timer->start();
}

void flushDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace

TEST(PopupPlacement, FlipsAboveOrLeftOfThePointNearScreenEdges)
{
    const QRect screen(0, 0, 1000, 800);
    const QSize size(150, 250);
    EXPECT_EQ(kwwidgets::popupPositionAtPoint(QPoint(10, 10), size, screen), QPoint(10, 10));
    EXPECT_EQ(kwwidgets::popupPositionAtPoint(QPoint(10, 700), size, screen), QPoint(10, 450));
    EXPECT_EQ(kwwidgets::popupPositionAtPoint(QPoint(900, 10), size, screen), QPoint(750, 10));
    EXPECT_EQ(kwwidgets::popupPositionAtPoint(QPoint(850, 550), size, screen), QPoint(850, 550));
}

TEST(PopupPlacement, BesideARectangleStaysInsideTheScreen)
{
    const QRect screen(0, 0, 1000, 800);
    const QSize size(150, 250);
    EXPECT_EQ(kwwidgets::popupPositionBesideRect(QRect(100, 100, 20, 20), size, screen), QPoint(120, 100));
    EXPECT_EQ(kwwidgets::popupPositionBesideRect(QRect(960, 100, 40, 20), size, screen), QPoint(850, 100));
    EXPECT_EQ(kwwidgets::popupPositionBesideRect(QRect(100, 700, 20, 20), size, screen), QPoint(120, 550));
}

TEST(CPopupTree, ReturnOnALeafDecidesAndThePopupGoesAfterwards)
{
    QPointer<CPopupTree> popup = new CPopupTree;
    EXPECT_EQ(popup->size(), QSize(150, 250));
    EXPECT_EQ(popup->tree()->objectName(), QStringLiteral("CPopupTreeWidget"));
    auto* group = new QTreeWidgetItem(popup->tree(), {QStringLiteral("Group")});
    auto* leaf = new QTreeWidgetItem(group, {QStringLiteral("Leaf")});
    whenPopupShown([&](QWidget*) {
        EXPECT_EQ(popup->tree()->currentItem(), group);
        // A branch decides nothing; the pop-up stays.
        popup->tree()->setCurrentItem(group);
        QTest::keyClick(popup->tree(), Qt::Key_Return);
        EXPECT_TRUE(popup->isVisible());
        group->setExpanded(true);
        popup->tree()->setCurrentItem(leaf);
        QTest::keyClick(popup->tree(), Qt::Key_Return);
    });
    QTreeWidgetItem* chosen = popup->exec(QPoint(20, 20));
    EXPECT_EQ(chosen, leaf);
    EXPECT_EQ(chosen->text(0), QStringLiteral("Leaf"));
    ASSERT_FALSE(popup.isNull());
    flushDeferredDeletes();
    EXPECT_TRUE(popup.isNull());
}

TEST(CPopupTree, ClickOnABranchOpensItAndOnALeafDecides)
{
    auto* popup = new CPopupTree;
    auto* group = new QTreeWidgetItem(popup->tree(), {QStringLiteral("Group")});
    auto* leaf = new QTreeWidgetItem(group, {QStringLiteral("Leaf")});
    whenPopupShown([&](QWidget*) {
        QWidget* viewport = popup->tree()->viewport();
        const QPoint branchPoint = popup->tree()->visualItemRect(group).center();
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, branchPoint);
        EXPECT_TRUE(group->isExpanded());
        EXPECT_TRUE(popup->isVisible());
        const QPoint leafPoint = popup->tree()->visualItemRect(leaf).center();
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, leafPoint);
    });
    EXPECT_EQ(popup->exec(QRect(0, 0, 10, 10)), leaf);
    flushDeferredDeletes();
}

TEST(CPopupList, ClosingWithoutAChoiceReturnsNull)
{
    QPointer<CPopupList> popup = new CPopupList;
    popup->list()->addItem(QStringLiteral("one"));
    popup->list()->addItem(QStringLiteral("two"));
    EXPECT_EQ(popup->list()->objectName(), QStringLiteral("CPopupListWidget"));
    whenPopupShown([](QWidget* shown) { shown->close(); });
    EXPECT_EQ(popup->exec(QPoint(30, 30)), nullptr);
    flushDeferredDeletes();
    EXPECT_TRUE(popup.isNull());
}

TEST(CPopupList, ClickOutsideReturnsNull)
{
    QWidget outside;
    outside.setGeometry(400, 400, 200, 200);
    outside.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&outside));
    auto* popup = new CPopupList;
    popup->list()->addItem(QStringLiteral("one"));
    whenPopupShown([&](QWidget* shown) {
        // Should the click not close it, a late close keeps the test from hanging; the result then tells.
        QTimer::singleShot(3000, shown, [shown] { shown->close(); });
        QTest::mouseClick(outside.windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(popup->exec(QPoint(0, 0)), nullptr);
    EXPECT_LT(clock.elapsed(), 3000) << "the click outside did not close the pop-up";
    flushDeferredDeletes();
}

TEST(CPopupList, ClickOnAnItemDecidesIt)
{
    auto* popup = new CPopupList;
    popup->list()->addItem(QStringLiteral("one"));
    popup->list()->addItem(QStringLiteral("two"));
    QListWidgetItem* second = popup->list()->item(1);
    whenPopupShown([&](QWidget*) {
        const QPoint p = popup->list()->visualItemRect(second).center();
        QTest::mouseClick(popup->list()->viewport(), Qt::LeftButton, Qt::NoModifier, p);
    });
    EXPECT_EQ(popup->exec(QPoint(0, 0)), second);
    flushDeferredDeletes();
}
