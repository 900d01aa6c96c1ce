#include "MemController.h"

#include "AddressTransTable.h"
#include "RemoteMemAPI.h"

#include <QMutexLocker>

// ---- MemController --------------------------------------------------------------------------------------

MemController::MemController(RemoteMemAPI* memAPI, AddressTransTable* table) : m_memAPI(memAPI), m_table(table) {}

MemController::~MemController()
{
    if (m_memAPI && m_address)
        m_memAPI->unregistObserverAddress(m_address.get());
    if (m_owner && m_owner->m_controller == this)
        m_owner->m_controller = nullptr;
}

void MemController::ensureAddress()
{
    if (!m_address)
        m_address = std::make_unique<ParamAddress>();
}

void MemController::setTransTableToParamAddress(AddressTransTable* table)
{
    reaim([this, table] { m_address->setAddressTransTable(table); });
}

bool MemController::setParam(long value)
{
    return m_memAPI && m_address && m_memAPI->setParam(*m_address, value);
}

bool MemController::setParam(const QString& text)
{
    return m_memAPI && m_address && m_memAPI->setParam(*m_address, text);
}

NumericParameter MemController::getParam() const
{
    return m_memAPI && m_address ? m_memAPI->getParam(*m_address) : NumericParameter();
}

QString MemController::getParamQString() const
{
    return m_memAPI && m_address ? m_memAPI->getParamQString(*m_address) : QString();
}

bool MemController::assign(MemChangeObserver* observer)
{
    if (!m_memAPI || !m_address || !observer)
        return false;
    const bool registered = m_memAPI->registObserver(m_address.get(), observer);
    m_assigned = true;
    return registered;
}

// Changes the address where the notification walk may be reading it, then lets its observers read the
// value of the new address at once.
template <typename Change> void MemController::reaim(Change change)
{
    if (!m_memAPI) {
        ensureAddress();
        change();
        return;
    }
    QMutexLocker lock(&m_memAPI->memoryLock());
    ensureAddress();
    change();
    if (m_assigned)
        m_memAPI->notifyObserver(*m_address);
}

void MemController::setParamAddress(ParamAddress* address)
{
    if (address == nullptr || address == m_address.get())
        return;
    std::unique_ptr<ParamAddress> taken(address);
    reaim([this, &taken] { *m_address = *taken; });
}

void MemController::setParamAddressNumeric(int bank, int templ, int controller, int param)
{
    reaim([=, this] { m_address->setParamAddress(bank, templ, controller, param); });
}

void MemController::setParamAddress(int bank, int templ, int controller, const char* name)
{
    reaim([=, this] { m_address->setParamAddress(bank, templ, controller, name); });
}

void MemController::setParamAddress(int bank, int templ, const char* name)
{
    reaim([=, this] { m_address->setParamAddress(bank, templ, name, -1); });
}

// ---- MemControllerHelper --------------------------------------------------------------------------------

MemControllerHelper::~MemControllerHelper()
{
    delete m_controller;
}

void MemControllerHelper::setController(MemController* controller)
{
    if (controller == nullptr || controller == m_controller)
        return;
    delete m_controller;
    if (controller->m_owner && controller->m_owner != this)
        controller->m_owner->m_controller = nullptr;
    m_controller = controller;
    controller->m_owner = this;
}

bool MemControllerHelper::setParam(long value)
{
    return m_controller && m_controller->setParam(value);
}

bool MemControllerHelper::setParam(const QString& text)
{
    return m_controller && m_controller->setParam(text);
}

int MemControllerHelper::getParam() const
{
    return m_controller ? m_controller->getParam().getCurrentValue() : 0;
}

QString MemControllerHelper::getParamQString() const
{
    return m_controller ? m_controller->getParamQString() : QString();
}

int MemControllerHelper::getParamMaxValue() const
{
    return m_controller ? m_controller->getParam().getMaxValue() : 0;
}

int MemControllerHelper::getParamMinValue() const
{
    return m_controller ? m_controller->getParam().getMinValue() : 0;
}

void MemControllerHelper::setParamAddressNumeric(int bank, int templ, int controller, int param)
{
    if (m_controller)
        m_controller->setParamAddressNumeric(bank, templ, controller, param);
}

void MemControllerHelper::setParamAddress(int bank, int templ, int controller, const char* name)
{
    if (m_controller)
        m_controller->setParamAddress(bank, templ, controller, name);
}

void MemControllerHelper::setParamAddress(int bank, int templ, const char* name)
{
    if (m_controller)
        m_controller->setParamAddress(bank, templ, name);
}

ParamAddress* MemControllerHelper::getParamAddress() const
{
    return m_controller ? m_controller->getParamAddress() : nullptr;
}

RemoteMemAPI* MemControllerHelper::getMemapiOfController() const
{
    return m_controller ? m_controller->getMemAPI() : nullptr;
}

void MemControllerHelper::setBankAdr(int bank)
{
    setParamAddress(bank, -1, static_cast<const char*>(nullptr));
}

void MemControllerHelper::setTemplateAdr(int templ)
{
    setParamAddress(-1, templ, static_cast<const char*>(nullptr));
}

void MemControllerHelper::setKnobAdr(int knob)
{
    setParamAddress(-1, -1, knob, static_cast<const char*>(nullptr));
}

// ---- MemControllerFactory -------------------------------------------------------------------------------

MemControllerFactory::MemControllerFactory() : m_table(std::make_unique<AddressTransTable>()) {}

MemControllerFactory::MemControllerFactory(RemoteMemAPI* memAPI)
    : m_memAPI(memAPI), m_table(std::make_unique<AddressTransTable>())
{
}

MemControllerFactory::~MemControllerFactory() = default;

MemController* MemControllerFactory::CreateController(ControllerType type, ParamAddress* address)
{
    if (type != 0)
        return nullptr;
    auto* controller = new MemController(m_memAPI, m_table.get());
    controller->setTransTableToParamAddress(m_table.get());
    controller->setParamAddress(address);
    return controller;
}

MemController* MemControllerFactory::CreateController(MemControllerHelper* owner)
{
    return CreateController(0, owner);
}

MemController* MemControllerFactory::CreateController(ControllerType type, MemControllerHelper* owner)
{
    if (owner == nullptr || type != 0)
        return nullptr;
    auto* controller = new MemController(m_memAPI, m_table.get());
    if (MemController* old = owner->getController(); old && old->m_address) {
        // The address object moves over whole, so observer entries that point to it stay valid.
        controller->m_address = std::move(old->m_address);
    } else {
        controller->setTransTableToParamAddress(m_table.get());
    }
    owner->setController(controller);
    return controller;
}

void MemControllerFactory::DeleteController(MemController* controller)
{
    delete controller;
}
