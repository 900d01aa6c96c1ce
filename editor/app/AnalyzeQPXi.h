#pragma once

#include "EditorOverlap.h"
#include "ui_AnalyzeQPXi.h"

#include <QPixmap>
#include <QString>
#include <QThread>

class QPXiInfo;
class QShowEvent;
class QTimerEvent;

// What the scan-progress panel says while it scans.
extern const QString AnalyzingMessage;

// The worker of the plug-in scan: runs the database's whole scan on its own thread and ends with it.
class AnalyzeQPXiThread : public QThread
{
    Q_OBJECT

public:
    explicit AnalyzeQPXiThread(QPXiInfo* qpxiInfo);

protected:
    void run() override;

private:
    QPXiInfo* qpxiInfo;
};

// The panel shown while the plug-in database is rebuilt for the chosen DAW: starts the scan on a thread of
// lowest priority shortly after it is shown, names each plug-in file examined, slides a light strip, then
// merges the results, announces finished() and closes. It cannot be closed before. GUI thread; the scan
// reports through queued signals.
class AnalyzeQPXi : public EditorOverlap, public Ui::AnalyzeQPXi
{
    Q_OBJECT

public:
    AnalyzeQPXi(EditorMainWindow* mainWindow, QString dawName);
    ~AnalyzeQPXi() override;

    bool isScanRunning() const { return scanThread->isRunning(); }

signals:
    void finished();

private slots:
    void start();
    void finish();
    void analyze(QString filename);

protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    AnalyzeQPXiThread* scanThread;
    QString dawName;
    QPixmap ledPixmap;
    int ledStep = 0;
    int ledTimerId = 0;
    // A panel scans once: a show event after its scan has ended must not start another.
    bool scanStarted = false;
    bool waitCursorShown = false;
};
