#include "MemProxy.h"

#include "RemoteMemAPI.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdint>

const QString NoAssignID = QStringLiteral("204143dff");

MemProxyEventObject::MemProxyEventObject(MemProxy* owner)
    : m_owner(owner)
{
    connect(this, &MemProxyEventObject::paramUpdateSignal, this, &MemProxyEventObject::paramUpdateSlot,
            Qt::QueuedConnection);
}

void MemProxyEventObject::paramUpdateSlot()
{
    m_owner->paramUpdate();
}

MemProxy::MemProxy()
    : m_eventObject(new MemProxyEventObject(this))
{
}

MemProxy::~MemProxy()
{
    // Stop the notifications first: after this no writer can reach the event object, and queued ones die
    // with it.
    m_bound = false;
    if (RemoteMemAPI* api = getMemAPI()) {
        api->unregistObserver(this);
    }
    delete m_eventObject;
    m_eventObject = nullptr;
}

void MemProxy::initializeMemAPI(void* factory)
{
    m_factory = static_cast<MemControllerFactory*>(factory);
}

void MemProxy::setNamedAddress(const QString& name)
{
    m_hasAddress = !name.isEmpty();
    m_namedAddress = name;
    if (m_controllerCreated && !name.isEmpty()) {
        resolveAddress();
        assign();
        m_bound = true;
    }
}

void MemProxy::setNumericAddress(int controller, int param)
{
    m_hasAddress = true;
    m_namedAddress.clear();
    m_numericController = controller;
    m_numericParam = param;
    if (m_controllerCreated) {
        resolveAddress();
        assign();
        m_bound = true;
    }
}

void MemProxy::resolveAddress()
{
    if (!m_namedAddress.isEmpty()) {
        QByteArray name = m_namedAddress.toLocal8Bit();
        if (m_namedAddress.contains(QLatin1Char('/'))) {
            setParamAddress(m_bank, m_template, name.data());
        } else {
            setParamAddress(m_bank, m_template, m_knob, name.data());
        }
        return;
    }
    setParamAddressNumeric(m_bank, m_template, static_cast<std::int8_t>(m_numericController & 0xff),
                           static_cast<std::int8_t>(m_numericParam & 0xff));
}

void MemProxy::releaseController()
{
    // The memory service points at the controller's address: it forgets this proxy before the controller
    // goes (deleting the controller also drops it from this proxy).
    if (RemoteMemAPI* api = getMemAPI()) {
        api->unregistObserver(this);
    }
    MemController* controller = getController();
    if (!controller) {
        return;
    }
    if (m_factory) {
        m_factory->DeleteController(controller);
    } else {
        delete controller;
    }
}

void MemProxy::assignMemAPI()
{
    if (m_hasAddress) {
        if (!m_controllerCreated) {
            if (!m_factory) {
                return;
            }
            m_factory->CreateController(this);
            if (!getController()) {
                return;
            }
            setMemAPI(getMemapiOfController());
            m_controllerCreated = true;
            resolveAddress();
        }
        assign();
        m_bound = true;
        return;
    }
    m_bound = false;
    if (m_controllerCreated) {
        releaseController();
    }
    m_controllerCreated = false;
}

void MemProxy::assignClassMemAPI(int value, int addressClass)
{
    switch (addressClass) {
    case 0:
        m_bank = value;
        if (m_bound) {
            setBankAdr(value);
        }
        break;
    case 1:
        m_template = value;
        if (m_bound) {
            setTemplateAdr(value);
        }
        break;
    case 2:
        m_knob = value;
        if (m_bound) {
            setKnobAdr(value);
        }
        break;
    default:
        return;
    }
    if (m_bound) {
        paramUpdate();
    }
}

void MemProxy::assignClassMemAPI(const QList<int>& values)
{
    const qsizetype count = std::min<qsizetype>(values.size(), 3);
    for (qsizetype i = 0; i < count; ++i) {
        const int value = values[i];
        if (i == 0) {
            m_bank = value;
            if (m_bound) {
                setBankAdr(value);
            }
        } else if (i == 1) {
            m_template = value;
            if (m_bound) {
                setTemplateAdr(value);
            }
        } else {
            m_knob = value;
            if (m_bound) {
                setKnobAdr(value);
            }
        }
    }
    if (m_bound && !values.isEmpty()) {
        paramUpdate();
    }
}

int MemProxy::getMemAPICurrentValue()
{
    return m_bound ? getParam() : 0;
}

int MemProxy::getMemAPIMinimumValue()
{
    return m_bound ? getParamMinValue() : 0;
}

int MemProxy::getMemAPIMaximumValue()
{
    return m_bound ? getParamMaxValue() : 0;
}

void MemProxy::setMemAPICurrentValue(int value)
{
    if (m_bound) {
        setParam(static_cast<long>(value));
    }
}

QString MemProxy::getMemAPIString()
{
    return m_bound ? getParamQString() : NoAssignID;
}

void MemProxy::setMemAPIString(const QString& text)
{
    if (m_bound) {
        setParam(text);
    }
}

void MemProxy::assign()
{
    if (MemController* controller = getController()) {
        controller->assign(this);
    }
}

void MemProxy::paramUpdate()
{
    if (!m_bound) {
        return;
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        updateMemAPI();
        return;
    }
    emit m_eventObject->paramUpdateSignal();
}
