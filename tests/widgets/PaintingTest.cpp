#include "CFrame.h"
#include "CText.h"
#include "DoubleBuffer.h"
#include "WidgetTestSupport.h"

#include <QPainter>
#include <QPaintEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A widget that counts its renderings and paints its face one solid colour.
class Probe : public QWidget, public DoubleBuffer
{
public:
    explicit Probe(QWidget* parent = nullptr)
        : QWidget(parent)
        , DoubleBuffer(this)
    {
    }
    int renders = 0;
    bool lastEventResult = true;

protected:
    bool event(QEvent* e) override
    {
        if (eventDoubleBuffer(e)) {
            lastEventResult = false;
            return false;
        }
        lastEventResult = QWidget::event(e);
        return lastEventResult;
    }
    void paintDoubleBuffer(QPainter* p) override
    {
        ++renders;
        p->fillRect(rect(), Qt::red);
    }
};

} // namespace

TEST(DoubleBuffer, RendersFirstAtPolishAndNotBefore)
{
    Probe probe;
    probe.resize(20, 10);
    probe.updateDoubleBuffer();
    EXPECT_FALSE(probe.isDoubleBufferPolished());
    EXPECT_EQ(probe.renders, 0);
    probe.ensurePolished();
    EXPECT_TRUE(probe.isDoubleBufferPolished());
    EXPECT_EQ(probe.renders, 1);
    EXPECT_FALSE(probe.isDoubleBufferDirty());
    EXPECT_EQ(probe.doubleBufferPixmap().size(), QSize(20, 10));
}

TEST(DoubleBuffer, EmptyWidgetIsNeverRenderedUntilItHasASize)
{
    Probe probe;
    probe.resize(0, 10);
    probe.ensurePolished();
    EXPECT_EQ(probe.renders, 0);
    EXPECT_TRUE(probe.isDoubleBufferDirty());
    probe.resize(5, 5);
    QShowEvent show;
    QCoreApplication::sendEvent(&probe, &show);
    EXPECT_EQ(probe.renders, 1);
}

TEST(DoubleBuffer, PaintCopiesWithoutRenderingAgainAndReportsEventsItTook)
{
    QWidget host;
    host.resize(40, 40);
    auto* probe = new Probe(&host);
    probe->setGeometry(0, 0, 20, 20);
    kwtest::showAndWait(&host);
    const int rendersAfterShow = probe->renders;
    QPaintEvent paint(probe->rect());
    QCoreApplication::sendEvent(probe, &paint);
    EXPECT_FALSE(probe->lastEventResult);
    EXPECT_EQ(probe->renders, rendersAfterShow);
    const QImage shot = host.grab().toImage();
    EXPECT_EQ(shot.pixelColor(5, 5), QColor(Qt::red));
    EXPECT_EQ(probe->renders, rendersAfterShow);

    probe->updateDoubleBuffer();
    EXPECT_TRUE(probe->isDoubleBufferDirty());
    QCoreApplication::sendEvent(probe, &paint);
    EXPECT_EQ(probe->renders, rendersAfterShow + 1);
}

TEST(DoubleBuffer, SizeChangeRendersAFaceOfTheNewSize)
{
    Probe probe;
    probe.resize(20, 10);
    probe.ensurePolished();
    ASSERT_EQ(probe.renders, 1);
    probe.resize(30, 12);
    probe.updateDoubleBufferPixmap();
    EXPECT_EQ(probe.renders, 2);
    EXPECT_EQ(probe.doubleBufferPixmap().size(), QSize(30, 12));
    probe.updateDoubleBufferPixmap();
    EXPECT_EQ(probe.renders, 2);
}

TEST(CombinedImage, CellPlacementFollowsAlignmentAndMayBeNegative)
{
    const QSize picture(51, 30);
    CombinedImageCell cell = combinedImageCell(picture, 1, 0, 2, 1, Qt::AlignCenter, QSize(60, 20));
    EXPECT_EQ(cell.source, QRect(0, 15, 51, 15));
    EXPECT_EQ(cell.target, QPoint(4, 2));
    cell = combinedImageCell(picture, 1, 0, 2, 0, Qt::AlignRight | Qt::AlignBottom, QSize(60, 20));
    EXPECT_EQ(cell.target, QPoint(9, 5));
    cell = combinedImageCell(picture, 1, 0, 2, 0, Qt::AlignLeft | Qt::AlignTop, QSize(60, 20));
    EXPECT_EQ(cell.target, QPoint(0, 0));
    cell = combinedImageCell(picture, 1, 0, 2, 0, Qt::AlignCenter, QSize(40, 10));
    EXPECT_EQ(cell.target, QPoint(-5, -2));
    // Out-of-range category and row never reach outside the picture.
    cell = combinedImageCell(QSize(40, 30), 4, 99, 3, -2, Qt::AlignLeft, QSize(10, 10));
    EXPECT_EQ(cell.source, QRect(30, 0, 10, 10));
}

TEST(CFrame, BackgroundIsDrawnUnscaledAndClippedAndTransparentWithoutOne)
{
    CFrame frame;
    frame.resize(10, 10);
    frame.ensurePolished();
    QImage face = kwtest::faceOf(&frame);
    EXPECT_EQ(face.pixelColor(5, 5).alpha(), 0);

    frame.setBackgroundPixmap(kwtest::solidCellImage(2, 2, 8, 8));
    face = kwtest::faceOf(&frame);
    ASSERT_EQ(face.size(), QSize(10, 10));
    EXPECT_EQ(face.pixelColor(3, 3), kwtest::cellColour(0, 0));
    EXPECT_EQ(face.pixelColor(9, 3), kwtest::cellColour(1, 0));
    EXPECT_EQ(face.pixelColor(9, 9), kwtest::cellColour(1, 1));
}

namespace {

// Counts the presses that reach it.
class PressCounter : public QWidget
{
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        ++presses;
        QWidget::mousePressEvent(e);
    }
};

} // namespace

TEST(CFrame, KeepsMouseEventsFromItsParent)
{
    PressCounter parent;
    parent.resize(40, 40);
    auto* frame = new CFrame(&parent);
    frame->setGeometry(0, 0, 10, 10);
    auto* plain = new QWidget(&parent);
    plain->setGeometry(20, 20, 10, 10);
    QTest::mousePress(frame, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    EXPECT_EQ(parent.presses, 0);
    QTest::mousePress(plain, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    EXPECT_EQ(parent.presses, 1);
    EXPECT_EQ(frame->sizeHint(), QSize(100, 100));
    EXPECT_EQ(frame->minimumSizeHint(), QSize(0, 0));
}

TEST(CText, FollowsPaletteOnlyWhenASetterRunsAgain)
{
    CText text;
    text.resize(40, 20);
    text.ensurePolished();
    text.setText(QStringLiteral("\u2588\u2588\u2588\u2588"));
    text.updateDoubleBufferPixmap();
    const qint64 firstKey = text.doubleBufferPixmap().cacheKey();
    QPalette palette = text.palette();
    palette.setColor(QPalette::Text, Qt::green);
    text.setPalette(palette);
    EXPECT_FALSE(text.isDoubleBufferDirty());
    text.updateDoubleBufferPixmap();
    EXPECT_EQ(text.doubleBufferPixmap().cacheKey(), firstKey);
    text.setAlignment(Qt::AlignCenter);
    EXPECT_TRUE(text.isDoubleBufferDirty());
    EXPECT_EQ(text.sizeHint(), QSize(100, 20));
}
