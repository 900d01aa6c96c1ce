#include "AnalyzeQPXi.h"

#include "EditorMainWindow.h"
#include "EditorShell.h"
#include "QPXiInfo.h"

#include <QGuiApplication>
#include <QShowEvent>
#include <QTimer>
#include <QTimerEvent>

#include <utility>

const QString AnalyzingMessage = QStringLiteral("Scanning QPXi");

namespace {

constexpr int kStartDelayMs = 100;
constexpr int kLedIntervalMs = 50;

} // namespace

AnalyzeQPXiThread::AnalyzeQPXiThread(QPXiInfo* qpxiInfo) : qpxiInfo(qpxiInfo) {}

void AnalyzeQPXiThread::run()
{
    qpxiInfo->analyzeQPXi();
}

AnalyzeQPXi::AnalyzeQPXi(EditorMainWindow* mainWindow, QString dawName)
    : EditorOverlap(mainWindow), scanThread(new AnalyzeQPXiThread(mainWindow->getQPXiInfo())),
      dawName(std::move(dawName)), ledPixmap(QStringLiteral(":/images/bram_led_autosync.png"))
{
    setupUi(this);
    adjustFont(this);
    mainWindow->installTabCanceller(this);
    txtMessage->setText(AnalyzingMessage);
    connect(mainWindow->getQPXiInfo(), &QPXiInfo::analyzingQPXi, this, &AnalyzeQPXi::analyze);
    connect(scanThread, &QThread::finished, this, &AnalyzeQPXi::finish);
    closeLock();
}

AnalyzeQPXi::~AnalyzeQPXi()
{
    // Only the end of the program deletes a panel whose scan still runs: the scan is let finish, since a
    // thread must not be destroyed while it runs. Its results are not merged.
    scanThread->wait();
    delete scanThread;
    if (waitCursorShown) {
        QGuiApplication::restoreOverrideCursor();
    }
}

void AnalyzeQPXi::showEvent(QShowEvent* event)
{
    EditorOverlap::showEvent(event);
    QTimer::singleShot(kStartDelayMs, this, &AnalyzeQPXi::start);
}

void AnalyzeQPXi::start()
{
    if (scanStarted || scanThread->isRunning()) {
        return;
    }
    scanStarted = true;
    mainWindow->getQPXiInfo()->selectDAW(dawName);
    scanThread->start(QThread::LowestPriority);
    ledStep = 0;
    ledTimerId = startTimer(kLedIntervalMs);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    waitCursorShown = true;
}

void AnalyzeQPXi::analyze(QString filename)
{
    txtAnalyzeFile->setText(filename.isEmpty() ? QString()
                                               : QStringLiteral("[File: ") + filename + QStringLiteral("]"));
}

void AnalyzeQPXi::timerEvent(QTimerEvent* event)
{
    if (ledTimerId != 0 && event->timerId() == ledTimerId) {
        ledStep = drawLightStrip(lblAnimation, ledPixmap, ledStep);
    }
}

void AnalyzeQPXi::finish()
{
    if (waitCursorShown) {
        waitCursorShown = false;
        QGuiApplication::restoreOverrideCursor();
    }
    if (ledTimerId != 0) {
        killTimer(ledTimerId);
        ledTimerId = 0;
    }
    mainWindow->getQPXiInfo()->entryQPXiParameter();
    emit finished();
    closeUnlock();
    close();
}
