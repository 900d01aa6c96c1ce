#include "QPXiInfo.h"

#include "EditorData.h"
#include "EditorDefinitions.h"
#include "detail/BoundedXml.h"
#include "detail/PluginPaths.h"

#include <QDomDocument>
#include <QFile>
#include <QLockFile>
#include <QSaveFile>

#include <algorithm>

namespace {

// Two editors that share one database folder must not rewrite the file at the same moment.
const char* const kDatabaseLockFileName = "QPXiDatabase.lock";

QDomElement firstDAWElement(const QDomElement& root, const QString& dawName)
{
    for (QDomElement daw = root.firstChildElement(TagDAW); !daw.isNull(); daw = daw.nextSiblingElement(TagDAW)) {
        if (daw.attribute(AttributeDAWName) == dawName) {
            return daw;
        }
    }
    return {};
}

QDomElement childGroup(QDomElement& parent, const QString& name)
{
    for (QDomElement group = parent.firstChildElement(TagParameterGroup); !group.isNull();
         group = group.nextSiblingElement(TagParameterGroup)) {
        if (group.attribute(AttributeParameterGroupName) == name) {
            return group;
        }
    }
    QDomElement group = parent.ownerDocument().createElement(TagParameterGroup);
    group.setAttribute(AttributeParameterGroupName, name);
    parent.appendChild(group);
    return group;
}

} // namespace

void QPXiInfo::createParameterListFromDatabase(QFile& file)
{
    QDomDocument document;
    const bool parsed = kwplugins::readXmlFile(file, document);
    if (!parsed || document.doctype().name() != DatabaseDocType) {
        return;
    }
    const QDomElement root = document.documentElement();
    if (root.tagName() != TagDAWList) {
        return;
    }
    const QDomElement daw = firstDAWElement(root, m_selectedDAW);
    if (daw.isNull()) {
        return;
    }
    for (QDomElement qpxi = daw.firstChildElement(TagQPXi); !qpxi.isNull(); qpxi = qpxi.nextSiblingElement(TagQPXi)) {
        const QString name = qpxi.attribute(AttributeQPXiName);
        const QString path = qpxi.attribute(AttributeQPXiPath);
        const QString time = qpxi.attribute(AttributeQPXiTime);
        const QString size = qpxi.attribute(AttributeQPXiSize);
        bool versionIsNumber = false;
        int version = qpxi.attribute(AttributeQPXiVersion).toInt(&versionIsNumber);
        if (!versionIsNumber) {
            version = 0;
        }
        if (name.isEmpty() || path.isEmpty() || time.isEmpty() || size.isEmpty() || m_parameterNames.contains(name)) {
            continue;
        }
        const QFileInfo plugin(path);
        if (!plugin.exists() || qpxiFileTime(plugin) != time) {
            continue;
        }
        bool sizeIsNumber = false;
        const qint64 storedSize = size.toLongLong(&sizeIsNumber);
        if (!sizeIsNumber || getQPXiFileSize(plugin) != storedSize || (version != 2 && version != 3)) {
            continue;
        }
        QList<Parameter> list;
        appendParameterTree(&list, name, qpxi, {});
        m_parameterLists.insert(name, list);
        m_pluginFiles.insert(name, QPXiFileInfo{plugin, version});
    }
}

bool QPXiInfo::writeParameterListDatabase(QFile& file) const
{
    QDomDocument document(DatabaseDocType);
    QDomElement root;
    QDomElement oldDAW;
    QDomDocument old;
    if (kwplugins::readXmlFile(file, old) && old.doctype().name() == DatabaseDocType &&
        old.documentElement().tagName() == TagDAWList) {
        // Keep the other DAWs' elements as they stand.
        root = document.importNode(old.documentElement(), true).toElement();
        document.appendChild(root);
        oldDAW = firstDAWElement(root, m_selectedDAW);
    }
    if (root.isNull()) {
        root = document.createElement(TagDAWList);
        document.appendChild(root);
    }

    QDomElement daw = document.createElement(TagDAW);
    daw.setAttribute(AttributeDAWName, removeXmlInvalidCharacters(m_selectedDAW));
    // A fixed order keeps the file stable from one write to the next.
    QStringList names = m_pluginFiles.keys();
    std::sort(names.begin(), names.end());
    for (const QString& name : names) {
        const QPXiFileInfo& info = m_pluginFiles[name];
        if (info.version != 2 && info.version != 3) {
            continue; // the fixed names have no plug-in file to describe
        }
        QDomElement qpxi = document.createElement(TagQPXi);
        qpxi.setAttribute(AttributeQPXiName, removeXmlInvalidCharacters(name));
        qpxi.setAttribute(AttributeQPXiPath, removeXmlInvalidCharacters(info.file.absoluteFilePath()));
        qpxi.setAttribute(AttributeQPXiTime, qpxiFileTime(info.file));
        qpxi.setAttribute(AttributeQPXiSize, QString::number(getQPXiFileSize(info.file)));
        qpxi.setAttribute(AttributeQPXiVersion, QString::number(info.version));
        daw.appendChild(qpxi);
        for (const Parameter& parameter : m_parameterLists.value(name)) {
            if (parameter.namePath.isEmpty()) {
                continue;
            }
            QDomElement parent = qpxi;
            for (qsizetype g = 0; g + 1 < parameter.namePath.size(); ++g) {
                parent = childGroup(parent, removeXmlInvalidCharacters(parameter.namePath.at(g)));
            }
            QDomElement element = document.createElement(TagParameter);
            element.setAttribute(AttributeParameterID, EditorData::translateSremoteparam2Dwremoteparam(parameter.id));
            element.setAttribute(AttributeParameterName, removeXmlInvalidCharacters(parameter.namePath.last()));
            parent.appendChild(element);
        }
    }
    if (!oldDAW.isNull()) {
        root.replaceChild(daw, oldDAW);
    } else {
        root.appendChild(daw);
    }

    // Written whole or not at all: a failed write leaves the old file in place.
    QSaveFile out(file.fileName());
    // Unbuffered, so that a short write shows here and not as a silently truncated commit.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return false;
    }
    const QByteArray text = QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") + document.toByteArray(4);
    if (out.write(text) != text.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

void QPXiInfo::entryQPXiParameter()
{
    QMutexLocker locker(&m_mutex);
    for (const SQPXiInfo& record : m_scanResults) {
        const QString name = removeXmlInvalidCharacters(QString::fromLocal8Bit(record.name));
        if (name.isEmpty()) {
            continue;
        }
        // A record without parameters must not keep the names of an older list, or the preset file
        // could never fill it in.
        m_parameterNames.remove(name);
        QList<Parameter> list;
        if (!record.parameters.empty()) {
            QHash<QString, QStringList>& names = m_parameterNames[name];
            for (const SQPXiParameterInfo& parameter : record.parameters) {
                const QString id = parameter.id.toLower();
                if (names.contains(id)) {
                    continue;
                }
                QStringList path;
                for (const std::string& group : parameter.groups) {
                    path.append(removeXmlInvalidCharacters(QString::fromLocal8Bit(group)));
                }
                path.append(removeXmlInvalidCharacters(QString::fromLocal8Bit(parameter.name)));
                list.append(Parameter{id, path});
                names.insert(id, path);
            }
        }
        m_parameterLists.insert(name, list);
        m_pluginFiles.insert(name, QPXiFileInfo{QFileInfo(QFile::decodeName(QByteArray::fromStdString(record.path))),
                                                record.isQPX2 ? 2 : 3});
    }
    for (auto it = m_descriptionFiles.cbegin(); it != m_descriptionFiles.cend(); ++it) {
        QFile description(it.value());
        updateParameterListFromQPXXMLFile(description, it.key(), m_sideFileNames.contains(it.key()));
    }

    QDir().mkpath(m_databaseFolder.absolutePath());
    {
        QLockFile lock(m_databaseFolder.absoluteFilePath(QLatin1String(kDatabaseLockFileName)));
        lock.setStaleLockTime(0);
        QFile database(databaseFilePath());
        if (lock.lock()) {
            writeParameterListDatabase(database);
        }
    }

    for (auto it = m_pluginFiles.cbegin(); it != m_pluginFiles.cend(); ++it) {
        if (it.value().version != 2 || !kwplugins::isPathSafeName(it.key())) {
            continue;
        }
        QFile beside(it.value().file.absolutePath() + "/" + it.key() + ExtensionQPXXML);
        if (beside.exists()) {
            updateParameterListFromQPXXMLFile(beside, it.key(), false);
        }
    }

    QStringList names = m_pluginFiles.keys();
    std::sort(names.begin(), names.end());
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    m_qpxiList = names;
    appendPreset();
}
