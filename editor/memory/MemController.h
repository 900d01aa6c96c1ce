#pragma once

#include "NumericParameter.h"
#include "ParamAddress.h"

#include <QString>

#include <memory>

class AddressTransTable;
class MemChangeObserver;
class MemControllerHelper;
class RemoteMemAPI;

// Binds one address of the memory mirror to the memory service: reads and writes the value there and,
// once an observer is assigned, tells it whenever the address is re-aimed. Re-aimed on the GUI thread;
// the address is changed under the memory lock because notification reads it from other threads.
class MemController
{
public:
    MemController() = default;
    MemController(RemoteMemAPI* memAPI, AddressTransTable* table);
    MemController(const MemController&) = delete;
    MemController& operator=(const MemController&) = delete;
    // Removes the observer entries that watch this controller's address, and lets its owner forget it.
    virtual ~MemController();

    void setMemAPI(RemoteMemAPI* memAPI) { m_memAPI = memAPI; }
    RemoteMemAPI* getMemAPI() const { return m_memAPI; }
    void setAddressTransTable(AddressTransTable* table) { m_table = table; }
    AddressTransTable* getAddressTransTable() const { return m_table; }
    // The owned address; null until it is first set.
    ParamAddress* getParamAddress() const { return m_address.get(); }
    void setTransTableToParamAddress(AddressTransTable* table);
    bool isAssigned() const { return m_assigned; }

    // Without service or address: writes give false, reads neutral values.
    bool setParam(long value);
    bool setParam(const QString& text);
    NumericParameter getParam() const;
    QString getParamQString() const;

    // Registers observer for this controller's address; false without service, address or observer.
    bool assign(MemChangeObserver* observer);

    // Re-aiming; each notifies the address's observers once when assigned. The address object stays the
    // same, so registrations follow it.
    // Takes ownership of address and adopts its components and table; null is ignored.
    void setParamAddress(ParamAddress* address);
    void setParamAddressNumeric(int bank, int templ, int controller, int param);
    // Single-name form ("templateName"); a null name keeps the parameter component.
    void setParamAddress(int bank, int templ, int controller, const char* name);
    // Two-part form ("knobA1/ccNumber").
    void setParamAddress(int bank, int templ, const char* name);

private:
    friend class MemControllerHelper;
    friend class MemControllerFactory;

    template <typename Change> void reaim(Change change);
    void ensureAddress();

    RemoteMemAPI* m_memAPI = nullptr;
    std::unique_ptr<ParamAddress> m_address;
    AddressTransTable* m_table = nullptr;
    bool m_assigned = false;
    // The helper that holds this controller, so that deleting it elsewhere leaves no dangling owner.
    MemControllerHelper* m_owner = nullptr;
};

// Base of anything that owns a memory controller (the controls' parameter binding). Every call is safe
// without a controller: address setters do nothing, reads give neutral values. GUI thread.
class MemControllerHelper
{
public:
    MemControllerHelper() = default;
    MemControllerHelper(const MemControllerHelper&) = delete;
    MemControllerHelper& operator=(const MemControllerHelper&) = delete;
    virtual ~MemControllerHelper();
    // Binds the owner's controller to the owner as observer.
    virtual void assign() = 0;
    // Runs after the binding has been set up.
    virtual void postInitialize() {}

    MemController* getController() const { return m_controller; }
    // Destroys the present controller and takes controller; null is ignored.
    void setController(MemController* controller);

    bool setParam(long value);
    bool setParam(const QString& text);
    int getParam() const;
    QString getParamQString() const;
    int getParamMaxValue() const;
    int getParamMinValue() const;

    void setParamAddressNumeric(int bank, int templ, int controller, int param);
    void setParamAddress(int bank, int templ, int controller, const char* name);
    void setParamAddress(int bank, int templ, const char* name);
    ParamAddress* getParamAddress() const;
    RemoteMemAPI* getMemapiOfController() const;
    void setBankAdr(int bank);
    void setTemplateAdr(int templ);
    void setKnobAdr(int knob);

private:
    friend class MemController;

    MemController* m_controller = nullptr;
};

// The kind of controller a factory makes; 0 is the only kind there is.
using ControllerType = int;

// Makes memory controllers for one memory service; owns the name table their addresses resolve
// through. Keeps no record of what it made. GUI thread.
class MemControllerFactory
{
public:
    MemControllerFactory();
    explicit MemControllerFactory(RemoteMemAPI* memAPI);
    MemControllerFactory(const MemControllerFactory&) = delete;
    MemControllerFactory& operator=(const MemControllerFactory&) = delete;
    virtual ~MemControllerFactory();

    // Null for any type but 0 (address then stays with the caller). The caller owns the result, which
    // owns address when one is given.
    MemController* CreateController(ControllerType type, ParamAddress* address = nullptr);
    MemController* CreateController(MemControllerHelper* owner);
    // Gives owner a new controller that keeps the address of the one it had; null for a null owner.
    MemController* CreateController(ControllerType type, MemControllerHelper* owner);
    void DeleteController(MemController* controller);

    RemoteMemAPI* getMemAPI() const { return m_memAPI; }
    AddressTransTable* getAddressTransTable() const { return m_table.get(); }

private:
    RemoteMemAPI* m_memAPI = nullptr;
    std::unique_ptr<AddressTransTable> m_table;
};
