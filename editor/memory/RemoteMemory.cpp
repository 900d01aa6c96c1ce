#include "RemoteMemory.h"

#include <limits>
#include <utility>

namespace {

// Numbers are stored as int: a value beyond int can never be in range, so it must not wrap into it.
bool fitsInt(long value)
{
    return value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max();
}

} // namespace

RemoteMemory::RemoteMemory()
{
    for (int i = 0; i < kInitialBankCount; ++i)
        createBank();
    for (int i = 1; i < kInitialBankCount; ++i)
        m_banks[i]->setBankAvailableFlag(0);
}

RemoteMemory::RemoteMemory(const RemoteMemory& other)
    : m_writeEnable(other.m_writeEnable), m_fileEditFlag(other.m_fileEditFlag),
      m_libraryEditFlag(other.m_libraryEditFlag), m_bankEditFlag(other.m_bankEditFlag),
      m_initialTemplate(other.m_initialTemplate), m_fileName(other.m_fileName), m_onlineState(other.m_onlineState),
      m_allowedToSendSysEx(other.m_allowedToSendSysEx)
{
    m_banks.reserve(other.m_banks.size());
    for (const auto& bank : other.m_banks)
        m_banks.push_back(std::make_unique<BankData>(*bank));
}

RemoteMemory& RemoteMemory::operator=(RemoteMemory other)
{
    std::swap(m_writeEnable, other.m_writeEnable);
    std::swap(m_fileEditFlag, other.m_fileEditFlag);
    std::swap(m_libraryEditFlag, other.m_libraryEditFlag);
    std::swap(m_bankEditFlag, other.m_bankEditFlag);
    std::swap(m_initialTemplate, other.m_initialTemplate);
    m_banks.swap(other.m_banks);
    std::swap(m_fileName, other.m_fileName);
    std::swap(m_onlineState, other.m_onlineState);
    std::swap(m_allowedToSendSysEx, other.m_allowedToSendSysEx);
    return *this;
}

RemoteMemory::~RemoteMemory() = default;

void RemoteMemory::setMemory(const RemoteMemory& other)
{
    if (&other != this)
        *this = other;
}

NumericParameter* RemoteMemory::stateFlag(int bank)
{
    return const_cast<NumericParameter*>(std::as_const(*this).stateFlag(bank));
}

const NumericParameter* RemoteMemory::stateFlag(int bank) const
{
    switch (bank) {
    case ParamAddress::kOnlineStateBank:
        return &m_onlineState;
    case ParamAddress::kFileEditFlagBank:
        return &m_fileEditFlag;
    case ParamAddress::kLibraryEditFlagBank:
        return &m_libraryEditFlag;
    case ParamAddress::kBankEditFlagBank:
        return &m_bankEditFlag;
    default:
        return nullptr;
    }
}

bool RemoteMemory::setParam(const ParamAddress& address, long value)
{
    if (!m_writeEnable || !fitsInt(value))
        return false;
    if (address.isBankParam()) {
        BankData* bank = AccessBank(address);
        return bank && bank->setParam(address, static_cast<int>(value));
    }
    NumericParameter* flag = stateFlag(address.getParamAddress(0));
    return flag && flag->setCurrentValue(static_cast<int>(value));
}

bool RemoteMemory::setParam(const ParamAddress& address, const QString& text)
{
    if (!m_writeEnable)
        return false;
    if (address.isFileNameAdr()) {
        m_fileName = text;
        return true;
    }
    BankData* bank = AccessBank(address);
    return bank && bank->setParam(address, text);
}

NumericParameter RemoteMemory::getParam(const ParamAddress& address) const
{
    if (const NumericParameter* flag = stateFlag(address.getParamAddress(0)))
        return *flag;
    const BankData* bank = AccessBank(address);
    return bank ? bank->getParam(address) : NumericParameter();
}

QString RemoteMemory::getParamQString(const ParamAddress& address) const
{
    if (address.isFileNameAdr())
        return m_fileName;
    const BankData* bank = AccessBank(address);
    return bank ? bank->getParamQString(address) : QString();
}

BankData* RemoteMemory::AccessBank(const ParamAddress& address)
{
    const int index = address.getParamAddress(0);
    return isValidBankIndex(index) ? m_banks[index].get() : nullptr;
}

const BankData* RemoteMemory::AccessBank(const ParamAddress& address) const
{
    const int index = address.getParamAddress(0);
    return isValidBankIndex(index) ? m_banks[index].get() : nullptr;
}

bool RemoteMemory::setONLINEstate(long value)
{
    return fitsInt(value) && m_onlineState.setCurrentValue(static_cast<int>(value));
}

int RemoteMemory::createBank()
{
    m_banks.push_back(std::make_unique<BankData>(1));
    return getQuantityOfBank() - 1;
}

const BankData& RemoteMemory::getBank(int index) const
{
    static const BankData kNoBank;
    return isValidBankIndex(index) ? *m_banks[index] : kNoBank;
}

void RemoteMemory::setBankAvailableFlag(int flag, int index)
{
    if (isValidBankIndex(index))
        m_banks[index]->setBankAvailableFlag(flag);
}

void RemoteMemory::setBank(const BankData& bank, int index)
{
    if (!isValidBankIndex(index))
        return;
    *m_banks[index] = bank;
    m_banks[index]->setBankAvailableFlag(1);
}

void RemoteMemory::setBank(const BankData& bank)
{
    m_banks.push_back(std::make_unique<BankData>(bank));
}

void RemoteMemory::copyBank(int source, int destination)
{
    if (!isValidBankIndex(source) || !isValidBankIndex(destination))
        return;
    if (source != destination)
        *m_banks[destination] = *m_banks[source];
    m_banks[destination]->setBankAvailableFlag(1);
}

ControlTemplateData RemoteMemory::getTemplateData(int bank, int templ) const
{
    return isValidTemplateSlot(bank, templ) ? m_banks[bank]->getCopiedTemplate(templ) : ControlTemplateData();
}

bool RemoteMemory::copyTemplate(int bank1, int templ1, int bank2, int templ2)
{
    if (!isValidTemplateSlot(bank1, templ1) || !isValidTemplateSlot(bank2, templ2))
        return false;
    const ControlTemplateData source = m_banks[bank1]->getCopiedTemplate(templ1);
    return m_banks[bank2]->setTemplate(source, templ2);
}

bool RemoteMemory::exchangeTemplate(int bank1, int templ1, int bank2, int templ2)
{
    if (!isValidTemplateSlot(bank1, templ1) || !isValidTemplateSlot(bank2, templ2))
        return false;
    const ControlTemplateData first = m_banks[bank1]->getCopiedTemplate(templ1);
    const ControlTemplateData second = m_banks[bank2]->getCopiedTemplate(templ2);
    if (first == second)
        return false;
    m_banks[bank2]->setTemplate(first, templ2);
    m_banks[bank1]->setTemplate(second, templ1);
    return true;
}

bool RemoteMemory::copyController(int bank1, int templ1, int controller1, int bank2, int templ2, int controller2)
{
    if (!isValidControllerSlot(bank1, templ1, controller1) || !isValidControllerSlot(bank2, templ2, controller2))
        return false;
    const ControllerData source = m_banks[bank1]->getTemplate(templ1).getController(controller1);
    ControlTemplateData destination = m_banks[bank2]->getCopiedTemplate(templ2);
    if (destination.getController(controller2) == source)
        return false;
    destination.setController(source, controller2);
    m_banks[bank2]->setTemplate(destination, templ2);
    return true;
}

bool RemoteMemory::exchangeController(int bank1, int templ1, int controller1, int bank2, int templ2, int controller2)
{
    if (!isValidControllerSlot(bank1, templ1, controller1) || !isValidControllerSlot(bank2, templ2, controller2))
        return false;
    const ControllerData first = m_banks[bank1]->getTemplate(templ1).getController(controller1);
    const ControllerData second = m_banks[bank2]->getTemplate(templ2).getController(controller2);
    if (first == second)
        return false;
    ControlTemplateData destination = m_banks[bank2]->getCopiedTemplate(templ2);
    destination.setController(first, controller2);
    m_banks[bank2]->setTemplate(destination, templ2);
    ControlTemplateData source = m_banks[bank1]->getCopiedTemplate(templ1);
    source.setController(second, controller1);
    m_banks[bank1]->setTemplate(source, templ1);
    return true;
}

void RemoteMemory::initializeInitialTemplate()
{
    m_initialTemplate = getBank(kPresetBank).getCopiedTemplate(kInitialTemplateSource);
    m_initialTemplate.setTemplateName(QString());
    m_initialTemplate.setQPXiName(QString());
    m_initialTemplate.setCtrlType(NumericParameter(0, 1, 0));
}

bool RemoteMemory::initializeTemplate(int bank, int templ)
{
    return isValidTemplateSlot(bank, templ) && m_banks[bank]->setTemplate(m_initialTemplate, templ);
}
