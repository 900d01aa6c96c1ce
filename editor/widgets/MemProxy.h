#pragma once

#include "MemChangeObserver.h"
#include "MemController.h"

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>

class MemControllerFactory;
class MemProxy;

// The text value of a binding that is not bound to the memory service: the no-assignment identifier.
extern const QString NoAssignID;

// Carries a change notification from the writing thread to the GUI thread; lives on the GUI thread.
class MemProxyEventObject : public QObject
{
    Q_OBJECT

public:
    explicit MemProxyEventObject(MemProxy* owner);

signals:
    void paramUpdateSignal();

public slots:
    void paramUpdateSlot();

private:
    MemProxy* m_owner;
};

// Mix-in that binds an object to one remote-memory parameter: reads and writes pass through it, and every
// change is brought onto the GUI thread, where updateMemAPI() pulls the new value in. paramUpdate() may run
// on any thread; everything else runs on the GUI thread.
class MemProxy : public MemControllerHelper, public MemChangeObserver
{
public:
    MemProxy();
    ~MemProxy() override;

    // The MemControllerFactory that makes this proxy's controller (void* as the form code passes it).
    void initializeMemAPI(void* factory);
    void setNamedAddress(const QString& name);
    QString namedAddress() const { return m_namedAddress; }
    void setNumericAddress(int controller, int param);

    // Binds (with an address) or unbinds (without one); controls override it, call it first, then pull
    // their value.
    virtual void assignMemAPI();
    // Replaces one component of the address: class 0 bank, 1 template, 2 knob; others change nothing.
    void assignClassMemAPI(int value, int addressClass);
    // The list's first three entries set bank, template and knob in that order.
    void assignClassMemAPI(const QList<int>& values);

    int getMemAPICurrentValue();
    int getMemAPIMinimumValue();
    int getMemAPIMaximumValue();
    void setMemAPICurrentValue(int value);
    QString getMemAPIString();
    void setMemAPIString(const QString& text);

    void assign() override;
    // The change notification; any thread.
    void paramUpdate() override;
    // Pulls the parameter into the object; GUI thread only, only while bound.
    virtual void updateMemAPI() = 0;

    bool isBound() const { return m_bound.load(); }
    bool hasAddress() const { return m_hasAddress; }
    int bankComponent() const { return m_bank; }
    int templateComponent() const { return m_template; }
    int knobComponent() const { return m_knob; }

private:
    void resolveAddress();
    void releaseController();

    std::atomic<bool> m_bound{false};
    int m_bank = 0;
    int m_template = 0;
    int m_knob = 0;
    bool m_hasAddress = false;
    QString m_namedAddress;
    int m_numericController = 0;
    int m_numericParam = 0;
    MemProxyEventObject* m_eventObject;
    MemControllerFactory* m_factory = nullptr;
    bool m_controllerCreated = false;
};
