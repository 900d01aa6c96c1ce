#pragma once

#include "ControlTemplateData.h"
#include "NumericParameter.h"
#include "ParamAddress.h"

#include <QString>

#include <array>

// One bank of 50 templates with its edit flag, available flag and current template number. A plain
// value; reached only under the memory service's lock or by private copy.
class BankData
{
public:
    static constexpr int kTemplateCount = 50;

    BankData() : BankData(1) {}
    explicit BankData(int available);

    static bool isValidTemplateIndex(int index) { return index >= 0 && index < kTemplateCount; }

    // False for an index outside 0..49 and when the slot already equals the template.
    bool setTemplate(const ControlTemplateData& templ, int index);
    // A default template for an index outside 0..49.
    const ControlTemplateData& getTemplate(int index) const;
    ControlTemplateData getCopiedTemplate(int index) const { return getTemplate(index); }
    // The template the address's template component names; null for a component outside 0..49.
    ControlTemplateData* AccessTemplate(const ParamAddress& address);
    const ControlTemplateData* AccessTemplate(const ParamAddress& address) const;

    bool setParam(const ParamAddress& address, int value);
    bool setParam(const ParamAddress& address, const QString& text);
    // A value with all limits 0 for an address that names no number of the bank.
    NumericParameter getParam(const ParamAddress& address) const;
    QString getParamQString(const ParamAddress& address) const;

    // True only when the flag was stored.
    bool setEditFlag(int value);
    bool setBankAvailableFlag(int value);
    NumericParameter getEditFlag() const { return m_editFlag; }
    NumericParameter getBankAvailableFlag() const { return m_availableFlag; }
    NumericParameter getCurrentTemplateNumber() const { return m_currentTemplateNumber; }

private:
    std::array<ControlTemplateData, kTemplateCount> m_templates;
    NumericParameter m_editFlag{0, 1, 0};
    NumericParameter m_availableFlag;
    NumericParameter m_currentTemplateNumber{0, 49, 0};
};
