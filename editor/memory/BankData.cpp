#include "BankData.h"

BankData::BankData(int available) : m_availableFlag(0, 1, available) {}

bool BankData::setTemplate(const ControlTemplateData& templ, int index)
{
    if (!isValidTemplateIndex(index) || m_templates[index] == templ)
        return false;
    m_templates[index] = templ;
    return true;
}

const ControlTemplateData& BankData::getTemplate(int index) const
{
    static const ControlTemplateData kNoTemplate;
    return isValidTemplateIndex(index) ? m_templates[index] : kNoTemplate;
}

ControlTemplateData* BankData::AccessTemplate(const ParamAddress& address)
{
    const int index = address.getParamAddress(1);
    return isValidTemplateIndex(index) ? &m_templates[index] : nullptr;
}

const ControlTemplateData* BankData::AccessTemplate(const ParamAddress& address) const
{
    const int index = address.getParamAddress(1);
    return isValidTemplateIndex(index) ? &m_templates[index] : nullptr;
}

bool BankData::setParam(const ParamAddress& address, int value)
{
    if (address.isBankEditFlagAdr())
        return setEditFlag(value);
    if (address.isBankAvailFlagAdr())
        return setBankAvailableFlag(value);
    if (address.isCurrentTemplateNumAdr())
        return m_currentTemplateNumber.setCurrentValue(value);
    ControlTemplateData* templ = AccessTemplate(address);
    return templ && templ->setParam(address, value);
}

bool BankData::setParam(const ParamAddress& address, const QString& text)
{
    ControlTemplateData* templ = AccessTemplate(address);
    return templ && templ->setParam(address, text);
}

NumericParameter BankData::getParam(const ParamAddress& address) const
{
    if (address.isBankAvailFlagAdr())
        return m_availableFlag;
    if (address.isBankEditFlagAdr())
        return m_editFlag;
    if (address.isCurrentTemplateNumAdr())
        return m_currentTemplateNumber;
    const ControlTemplateData* templ = AccessTemplate(address);
    return templ ? templ->getParam(address) : NumericParameter();
}

QString BankData::getParamQString(const ParamAddress& address) const
{
    const ControlTemplateData* templ = AccessTemplate(address);
    return templ ? templ->getParamQString(address) : QString();
}

bool BankData::setEditFlag(int value)
{
    return m_editFlag.setCurrentValue(value);
}

bool BankData::setBankAvailableFlag(int value)
{
    return m_availableFlag.setCurrentValue(value);
}
