#include "ControlTemplateData.h"

bool ControlTemplateData::setParam(const ParamAddress& address, int value)
{
    const int controller = address.getParamAddress(2);
    if (address.isCCNumAdr())
        return isValidControllerIndex(controller) && m_controllers[controller].setCCNum(value);
    if (address.isDispFormAdr())
        return isValidControllerIndex(controller) && m_controllers[controller].setDispFormat(value);
    if (address.isControlTypeAdr())
        return m_ctrlType.setCurrentValue(value);
    return false;
}

bool ControlTemplateData::setParam(const ParamAddress& address, const QString& text)
{
    const int controller = address.getParamAddress(2);
    if (address.isTemplateNameAdr())
        return setTemplateName(text);
    if (address.isQPXiNameAdr())
        return setQPXiName(text);
    if (address.isDisplayNameAdr())
        return isValidControllerIndex(controller) && m_controllers[controller].setDisplayName(text);
    if (address.isRemoteTagIDAdr())
        return isValidControllerIndex(controller) && m_controllers[controller].setRemoteTagID(text);
    return false;
}

bool ControlTemplateData::setTemplateName(const QString& name)
{
    if (name == m_templateName)
        return false;
    m_templateName = name;
    return true;
}

bool ControlTemplateData::setQPXiName(const QString& name)
{
    if (name == m_qpxiName)
        return false;
    m_qpxiName = name;
    return true;
}

NumericParameter ControlTemplateData::getParam(const ParamAddress& address) const
{
    const int controller = address.getParamAddress(2);
    if (isValidControllerIndex(controller)) {
        if (address.isDispFormAdr())
            return m_controllers[controller].getDispFormat();
        if (address.isCCNumAdr())
            return m_controllers[controller].getCCNum();
        return {};
    }
    if (address.isControlTypeAdr())
        return m_ctrlType;
    return {};
}

QString ControlTemplateData::getParamQString(const ParamAddress& address) const
{
    const int controller = address.getParamAddress(2);
    if (address.isTemplateNameAdr())
        return m_templateName;
    if (address.isQPXiNameAdr())
        return m_qpxiName;
    if (!isValidControllerIndex(controller))
        return {};
    if (address.isDisplayNameAdr())
        return m_controllers[controller].getDisplayName();
    if (address.isRemoteTagIDAdr())
        return m_controllers[controller].getRemoteTagID();
    return {};
}

ControllerData ControlTemplateData::getController(int index) const
{
    return isValidControllerIndex(index) ? m_controllers[index] : ControllerData();
}

bool ControlTemplateData::setController(const ControllerData& controller, int index)
{
    if (!isValidControllerIndex(index) || m_controllers[index].isIdenticalTo(controller))
        return false;
    m_controllers[index] = controller;
    return true;
}

bool ControlTemplateData::setCtrlType(const NumericParameter& type)
{
    if (m_ctrlType == type)
        return false;
    m_ctrlType = type;
    return true;
}

bool ControlTemplateData::operator==(const ControlTemplateData& other) const
{
    return m_templateName == other.m_templateName && m_ctrlType == other.m_ctrlType && m_qpxiName == other.m_qpxiName &&
           m_controllers == other.m_controllers;
}
