#include "QPXiInfo.h"

#include "EditorData.h"
#include "EditorDefinitions.h"

namespace {

constexpr int kQuickControlCount = 8;

bool isFixedInstrumentName(const QString& name)
{
    return name == AudioTrackName || name == MIDITrackName || name == GenericName;
}

} // namespace

QStringList QPXiInfo::getQPXiList() const
{
    return m_qpxiList;
}

QStringList QPXiInfo::getQPXiExistsAndPresetList() const
{
    return m_parameterLists.keys();
}

QList<QPXiInfo::Parameter> QPXiInfo::getQPXiParameterList(const QString& qpxiName) const
{
    return m_parameterLists.value(qpxiName);
}

QHash<QString, QStringList> QPXiInfo::getQPXiParameterMap(const QString& qpxiName) const
{
    return m_parameterNames.value(qpxiName);
}

QStringList QPXiInfo::getQPXiParameterName(const QString& qpxiName, QString id) const
{
    const auto names = m_parameterNames.constFind(qpxiName);
    if (names == m_parameterNames.constEnd()) {
        return {};
    }
    return names->value(id.toLower());
}

QStringList QPXiInfo::getParameterName(const QString& qpxiName, QString id) const
{
    if (id == TrackControlVolumeID) {
        return {TrackControlVolumeName};
    }
    if (id == TrackControlPanID) {
        return {TrackControlPanName};
    }
    if (id == TrackControlNoAssignID) {
        return {TrackControlNoAssignName};
    }
    const int space = EditorData::getRemoteParamTypeFromSRemoteStringParam(id);
    const auto number = static_cast<qint32>(EditorData::getRemoteParamContentsFromSRemoteStringParam(id));
    const auto first =
        static_cast<qint32>(EditorData::getRemoteParamContentsFromSRemoteStringParam(TrackControlQuickControlID));
    if (space == 1 && first <= number && number < first + kQuickControlCount) {
        return {TrackControlQuickControlFolderName, TrackControlQuickControlName + QString::number(number - first + 1)};
    }
    return getQPXiParameterName(qpxiName, id);
}

QList<QPXiInfo::Parameter> QPXiInfo::getTrackControlParameterList() const
{
    QList<Parameter> list{{TrackControlVolumeID, {TrackControlVolumeName}},
                          {TrackControlPanID, {TrackControlPanName}},
                          {TrackControlNoAssignID, {TrackControlNoAssignName}}};
    const quint32 first = EditorData::getRemoteParamContentsFromSRemoteStringParam(TrackControlQuickControlID);
    for (int i = 0; i < kQuickControlCount; ++i) {
        const QString id = TrackControlQuickControlID.left(1) +
                           QString::number(first + static_cast<quint32>(i), 16).toUpper().rightJustified(8, u'0');
        list.append(
            Parameter{id, {TrackControlQuickControlFolderName, TrackControlQuickControlName + QString::number(i + 1)}});
    }
    return list;
}

QString QPXiInfo::getQPXiExtensionNameFromQPXiName(const QString& qpxiName) const
{
    if (isFixedInstrumentName(qpxiName)) {
        return qpxiName;
    }
    QString name = qpxiName;
    name.remove(QLatin1Char(' '));
    return name.left(12);
}

QString QPXiInfo::getQPXiNameFromQPXiExtensionName(const QString& extensionName) const
{
    if (isFixedInstrumentName(extensionName)) {
        return extensionName;
    }
    for (auto it = m_parameterLists.cbegin(); it != m_parameterLists.cend(); ++it) {
        if (getQPXiExtensionNameFromQPXiName(it.key()) == extensionName) {
            return it.key();
        }
    }
    return QString();
}
