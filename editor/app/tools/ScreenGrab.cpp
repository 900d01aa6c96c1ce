// Saves a picture of the whole screen of the display it runs on: the run script uses it to show what the
// editor drew on a display nobody looks at (Xvfb). With --wait MS it first waits, up to that long, until
// something other than the empty background is on the screen.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QString>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool isBlank(const QImage& image)
{
    if (image.isNull()) {
        return true;
    }
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 4) {
        for (int x = 0; x < image.width(); x += 4) {
            if (image.pixel(x, y) != first) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    long waitMs = 0;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--wait") == 0 && i + 1 < argc) {
            waitMs = std::strtol(argv[++i], nullptr, 10);
        } else if (output == nullptr) {
            output = argv[i];
        } else {
            output = nullptr;
            break;
        }
    }
    if (output == nullptr) {
        std::fprintf(stderr, "usage: %s [--wait MS] OUTPUT.png\n", argv[0]);
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        std::fprintf(stderr, "%s: no screen\n", argv[0]);
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    QPixmap picture = screen->grabWindow(0);
    while (isBlank(picture.toImage()) && timer.elapsed() < waitMs) {
        QThread::msleep(200);
        picture = screen->grabWindow(0);
    }
    if (!picture.save(QString::fromLocal8Bit(output))) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], output);
        return 1;
    }
    return 0;
}
