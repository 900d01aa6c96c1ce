#include "AppTestSupport.h"

#include "CFrame.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace kwtest {

bool saveAppScreenshot(QWidget* widget, const QString& name)
{
    const QString folder = qEnvironmentVariable(kScreenshotDirVariable);
    if (folder.isEmpty() || widget == nullptr) {
        return false;
    }
    QDir().mkpath(folder);
    QWidget* window = widget->window();
    return window->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

bool saveAppScreenshotWithPopup(QWidget* widget, QWidget* popup, const QString& name)
{
    const QString folder = qEnvironmentVariable(kScreenshotDirVariable);
    if (folder.isEmpty() || widget == nullptr || popup == nullptr) {
        return false;
    }
    QDir().mkpath(folder);
    QWidget* window = widget->window();
    // A pop-up may reach past the window's edges: the picture grows to hold both.
    const QRect windowRect(window->mapToGlobal(QPoint(0, 0)), window->size());
    const QRect popupRect(popup->mapToGlobal(QPoint(0, 0)), popup->size());
    const QRect both = windowRect.united(popupRect);
    QPixmap picture(both.size());
    picture.fill(Qt::black);
    {
        QPainter painter(&picture);
        painter.drawPixmap(windowRect.topLeft() - both.topLeft(), window->grab());
        painter.drawPixmap(popupRect.topLeft() - both.topLeft(), popup->grab());
    }
    return picture.save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

namespace {

double luminance(QColor color)
{
    const auto channel = [](double value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) + 0.0722 * channel(color.blueF());
}

} // namespace

double textContrast(const QWidget* text)
{
    const auto* panel = qobject_cast<const CFrame*>(text->parentWidget());
    if (panel == nullptr) {
        return 0;
    }
    const QImage behind = panel->backgroundPixmap().toImage().copy(text->geometry());
    QHash<QRgb, int> counts;
    for (int y = 0; y < behind.height(); ++y) {
        for (int x = 0; x < behind.width(); ++x) {
            ++counts[behind.pixel(x, y)];
        }
    }
    QRgb common = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            common = it.key();
        }
    }
    const double a = luminance(text->palette().color(QPalette::Text));
    const double b = luminance(QColor(common));
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

bool processUntil(const std::function<bool()>& predicate, std::chrono::milliseconds deadline)
{
    QElapsedTimer timer;
    timer.start();
    while (!predicate()) {
        if (timer.elapsed() >= deadline.count()) {
            return predicate();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTest::qWait(5);
    }
    return true;
}

} // namespace kwtest
