#pragma once

#include "NumericParameter.h"

#include <QString>

// One knob assignment of a template: display name, parameter identifier, control-change number and
// display format. A plain value; reached only under the memory service's lock or by private copy.
class ControllerData
{
public:
    static constexpr int kMaxDisplayNameLength = 15;
    static constexpr int kRemoteTagIDLength = 9;

    ControllerData();

    // Refused (false) when longer than 15 characters or equal to the stored name.
    bool setDisplayName(const QString& name);
    QString getDisplayName() const { return m_displayName; }
    bool setCCNum(int value) { return m_ccNum.setCurrentValue(value); }
    bool setDispFormat(int value) { return m_dispFormat.setCurrentValue(value); }
    NumericParameter getCCNum() const { return m_ccNum; }
    NumericParameter getDispFormat() const { return m_dispFormat; }
    // Stored lower-case; refused when longer than 9 characters or equal to the stored id.
    bool setRemoteTagID(const QString& id);
    QString getRemoteTagID() const { return m_remoteTagID; }

    bool operator==(const ControllerData& other) const;
    bool operator!=(const ControllerData& other) const { return !(*this == other); }
    // Equal and with the same limits: a copy of one over the other would change nothing.
    bool isIdenticalTo(const ControllerData& other) const;

private:
    QString m_displayName;
    QString m_remoteTagID;
    NumericParameter m_ccNum{0, 127, 0};
    NumericParameter m_dispFormat{0, 1, 0};
};
