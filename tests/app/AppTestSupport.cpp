#include "AppTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QPixmap>
#include <QTest>
#include <QWidget>

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
