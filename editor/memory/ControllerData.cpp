#include "ControllerData.h"

namespace {
// The no-assignment identifier. Spelled out here rather than taken from the shared definitions so that
// a record built during static initialisation never reads a string that is not constructed yet.
QString defaultRemoteTagID()
{
    return QStringLiteral("204143dff").rightJustified(ControllerData::kRemoteTagIDLength, QLatin1Char('0'));
}
} // namespace

ControllerData::ControllerData() : m_remoteTagID(defaultRemoteTagID()) {}

bool ControllerData::setDisplayName(const QString& name)
{
    if (name.size() > kMaxDisplayNameLength || name == m_displayName)
        return false;
    m_displayName = name;
    return true;
}

bool ControllerData::setRemoteTagID(const QString& id)
{
    const QString lower = id.toLower();
    if (lower.size() > kRemoteTagIDLength || lower == m_remoteTagID)
        return false;
    m_remoteTagID = lower;
    return true;
}

bool ControllerData::operator==(const ControllerData& other) const
{
    return m_displayName == other.m_displayName && m_ccNum == other.m_ccNum && m_dispFormat == other.m_dispFormat &&
           m_remoteTagID == other.m_remoteTagID;
}

bool ControllerData::isIdenticalTo(const ControllerData& other) const
{
    return *this == other && m_ccNum.isIdenticalTo(other.m_ccNum) && m_dispFormat.isIdenticalTo(other.m_dispFormat);
}
