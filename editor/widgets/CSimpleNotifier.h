#pragma once

#include "MemProxy.h"

#include <QObject>

// Faceless binding: emits update() on the GUI thread when bound and after every change of its parameter.
class CSimpleNotifier : public QObject, public MemProxy
{
    Q_OBJECT

public:
    explicit CSimpleNotifier(QObject* parent = nullptr);
    CSimpleNotifier(const QString& namedAddress, QObject* parent);
    CSimpleNotifier(int controller, int param, QObject* parent);

    void assignMemAPI() override;
    void updateMemAPI() override;

signals:
    void update();
};
