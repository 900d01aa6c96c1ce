#include "CSimpleNotifier.h"

CSimpleNotifier::CSimpleNotifier(QObject* parent)
    : QObject(parent)
{
}

CSimpleNotifier::CSimpleNotifier(const QString& namedAddress, QObject* parent)
    : QObject(parent)
{
    setNamedAddress(namedAddress);
}

CSimpleNotifier::CSimpleNotifier(int controller, int param, QObject* parent)
    : QObject(parent)
{
    setNumericAddress(controller, param);
}

void CSimpleNotifier::assignMemAPI()
{
    MemProxy::assignMemAPI();
    updateMemAPI();
}

void CSimpleNotifier::updateMemAPI()
{
    if (isBound()) {
        emit update();
    }
}
