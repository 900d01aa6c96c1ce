#include "ParamAddress.h"

#include "AddressTransTable.h"

#include <QDebug>

namespace {

void storeIfSet(int& component, int value)
{
    if (value != -1)
        component = value;
}

} // namespace

ParamAddress::ParamAddress(AddressTransTable* table) : m_table(table) {}

ParamAddress::ParamAddress(int bank, int templ, int controller, int param)
{
    setParamAddress(bank, templ, controller, param);
}

void ParamAddress::initParamAddress()
{
    m_bank = m_template = m_controller = m_param = -1;
}

void ParamAddress::setParamAddress(int bank, int templ, int controller, int param)
{
    storeIfSet(m_bank, bank);
    storeIfSet(m_template, templ);
    storeIfSet(m_controller, controller);
    storeIfSet(m_param, param);
}

void ParamAddress::setParamAddress(int bank, int templ, const char* name, int param)
{
    storeIfSet(m_bank, bank);
    storeIfSet(m_template, templ);
    storeIfSet(m_param, param);
    if (name == nullptr)
        return;
    // A name made only of separators ("" or "/") names nothing: treated like no name at all.
    const QStringList parts = splitNamedAdr(name);
    if (parts.isEmpty())
        return;
    m_controller = String2ParamAdr(parts.first());
    m_param = String2ParamAdr(parts.last());
}

void ParamAddress::setParamAddress(int bank, int templ, int controller, const char* name)
{
    storeIfSet(m_bank, bank);
    storeIfSet(m_template, templ);
    storeIfSet(m_controller, controller);
    if (name == nullptr)
        return;
    const QString key = QString::fromLocal8Bit(name);
    const int number = String2ParamAdr(key);
    m_param = number;
    if (key == QLatin1String("fileName") || key == QLatin1String("isOnline") || key == QLatin1String("bankEditFlag") ||
        key == QLatin1String("fileEditFlag") || key == QLatin1String("libraryEditFlag")) {
        m_bank = number;
        m_template = m_controller = m_param = -1;
    } else if (key == QLatin1String("templateName") || key == QLatin1String("controlType") ||
               key == QLatin1String("qpxiName")) {
        m_controller = number;
        m_param = -1;
    } else if (key == QLatin1String("bankAvailableFlag") || key == QLatin1String("currentTemplateNumber")) {
        m_template = number;
        m_controller = m_param = -1;
    }
}

int ParamAddress::getParamAddress(int index) const
{
    switch (index) {
    case 0:
        return m_bank;
    case 1:
        return m_template;
    case 2:
        return m_controller;
    case 3:
        return m_param;
    default:
        return -1;
    }
}

int ParamAddress::String2ParamAdr(const QString& name) const
{
    return m_table ? m_table->lookup(name) : -1;
}

int ParamAddress::String2ParamAdr(const char* name) const
{
    return name ? String2ParamAdr(QString::fromLocal8Bit(name)) : -1;
}

QStringList ParamAddress::splitNamedAdr(const char* name)
{
    if (name == nullptr)
        return {};
    return QString::fromLocal8Bit(name).split(QLatin1Char('/'), Qt::SkipEmptyParts, Qt::CaseSensitive);
}

void ParamAddress::PrintParamAddress() const
{
    qDebug("ParamAddress is (%d, %d, %d, %d)", m_bank, m_template, m_controller, m_param);
}

bool ParamAddress::isStringParamAdr() const
{
    return m_controller == kTemplateNameController || m_controller == kQPXiNameController ||
           m_param == kDisplayNameParam || m_param == kRemoteNumberParam;
}

bool ParamAddress::isNumericParamAdr() const
{
    return m_param == kCCNumberParam || m_param == kDisplayFormatParam || m_controller == kControlTypeController ||
           m_template == kBankAvailableFlagTemplate || m_template == kCurrentTemplateNumberTemplate ||
           m_bank == kBankEditFlagBank || m_bank == kFileEditFlagBank || m_bank == kOnlineStateBank;
}

bool ParamAddress::isParamUsedInOnlyEditor() const
{
    return m_bank == kBankEditFlagBank || m_bank == kFileNameBank || m_bank == kFileEditFlagBank ||
           m_bank == kOnlineStateBank || m_template == kBankAvailableFlagTemplate;
}
