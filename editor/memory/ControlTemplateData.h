#pragma once

#include "ControllerData.h"
#include "NumericParameter.h"
#include "ParamAddress.h"

#include <QString>

#include <array>

// One template: name, control type, instrument (QPXi) name and 12 knob assignments. A plain value;
// reached only under the memory service's lock or by private copy.
class ControlTemplateData
{
public:
    static constexpr int kControllerCount = 12;

    ControlTemplateData() = default;

    bool setParam(const ParamAddress& address, int value);
    bool setParam(const ParamAddress& address, const QString& text);
    bool setTemplateName(const QString& name);
    bool setQPXiName(const QString& name);
    // A value with all limits 0 for an address that names no number of the template.
    NumericParameter getParam(const ParamAddress& address) const;
    // Empty for an address that names no text of the template.
    QString getParamQString(const ParamAddress& address) const;

    QString getTemplateName() const { return m_templateName; }
    QString getQPXiName() const { return m_qpxiName; }
    NumericParameter getCtrlType() const { return m_ctrlType; }
    // A default knob for an index outside 0..11.
    ControllerData getController(int index) const;
    // False for an index outside 0..11 and when the knob already holds exactly these values.
    bool setController(const ControllerData& controller, int index);
    bool setCtrlType(const NumericParameter& type);
    static bool isValidControllerIndex(int index) { return index >= 0 && index < kControllerCount; }

    bool operator==(const ControlTemplateData& other) const;
    bool operator!=(const ControlTemplateData& other) const { return !(*this == other); }

private:
    QString m_templateName;
    NumericParameter m_ctrlType{0, 1, 0};
    std::array<ControllerData, kControllerCount> m_controllers;
    QString m_qpxiName;
};
