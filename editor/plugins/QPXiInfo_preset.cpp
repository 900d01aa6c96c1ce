#include "QPXiInfo.h"

#include "EditorData.h"
#include "EditorDefinitions.h"
#include "detail/BoundedXml.h"

#include <QDomDocument>
#include <QFile>
#include <QSet>

namespace {

// Id expressions longer than this are no expressions a description file needs; they count as 0.
constexpr qsizetype kMaxExpressionLength = 1024;
// A "values" attribute defines at most this many names.
constexpr int kMaxValueItems = 1024;
// Elements one description file may expand to in all, templates included.
constexpr int kMaxExpandedElements = 200000;
// Offset between an expression's value and the host parameter number.
constexpr quint32 kQpxxmlIdOffset = 4201;

quint32 leafValue(const QString& text, const QHash<QString, int>& values)
{
    const QString name = text.trimmed();
    const auto known = values.constFind(name);
    if (known != values.constEnd()) {
        return static_cast<quint32>(known.value());
    }
    bool ok = false;
    const int number = name.toInt(&ok);
    return ok ? static_cast<quint32>(number) : 0u;
}

// Everything right of a "+" or "-" is one operand, so the terms fold from the right.
quint32 sumValue(const QString& text, const QHash<QString, int>& values)
{
    QStringList terms;
    QList<QChar> operators;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('+') || c == QLatin1Char('-')) {
            terms.append(text.mid(start, i - start));
            operators.append(c);
            start = i + 1;
        }
    }
    terms.append(text.mid(start));
    quint32 value = leafValue(terms.last(), values);
    for (qsizetype i = terms.size() - 2; i >= 0; --i) {
        const quint32 left = leafValue(terms.at(i), values);
        value = operators.at(i) == QLatin1Char('+') ? left + value : left - value;
    }
    return value;
}

QString qpxxmlParameterId(int value)
{
    const quint32 number = static_cast<quint32>(value) + kQpxxmlIdOffset;
    return QString::number(number, 16).rightJustified(9, QLatin1Char('0'));
}

} // namespace

// Bounds one description file's expansion: templates being expanded, nesting and elements visited.
struct QPXiInfo::QpxxmlExpansion
{
    QSet<QString> activeTemplates;
    int depth = 0;
    int visited = 0;

    bool mayVisit() { return ++visited <= kMaxExpandedElements; }
};

int QPXiInfo::getIntValue(const QString& expression, QHash<QString, int> values)
{
    if (expression.size() > kMaxExpressionLength) {
        return 0;
    }
    // "*" binds loosest; with wrap-around arithmetic the factors may be multiplied in any order.
    quint32 product = 1;
    for (const QString& factor : expression.split(QLatin1Char('*'))) {
        product *= sumValue(factor, values);
    }
    return static_cast<int>(product);
}

void QPXiInfo::createParameterListFromPreset(QFile& file)
{
    QDomDocument document;
    const bool parsed = kwplugins::readXmlFile(file, document);
    if (!parsed || document.doctype().name() != PresetDocType || document.documentElement().tagName() != TagQPXiList) {
        return;
    }
    const QDomElement root = document.documentElement();
    for (QDomElement qpxi = root.firstChildElement(TagQPXi); !qpxi.isNull(); qpxi = qpxi.nextSiblingElement(TagQPXi)) {
        const QString name = removeXmlInvalidCharacters(qpxi.attribute(AttributeQPXiName));
        if (name.isEmpty() || m_parameterNames.contains(name)) {
            continue;
        }
        QList<Parameter> list;
        appendParameterTree(&list, name, qpxi, {});
        m_parameterLists.insert(name, list);
    }
}

void QPXiInfo::appendParameterTree(QList<Parameter>* list, const QString& qpxiName, const QDomElement& element,
                                   const QStringList& groups)
{
    if (!list || groups.size() > kwplugins::kMaxGroupDepth) {
        return;
    }
    for (QDomElement child = element.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
        if (child.tagName() == TagParameter) {
            const QString decimalId = child.attribute(AttributeParameterID);
            if (decimalId.isEmpty() || !child.hasAttribute(AttributeParameterName)) {
                continue;
            }
            const QString id = EditorData::translateDwremoteparam2Sremoteparam(decimalId).toLower();
            const auto known = m_parameterNames.constFind(qpxiName);
            if (known != m_parameterNames.constEnd() && known->contains(id)) {
                continue;
            }
            const QStringList path = QStringList(groups)
                                     << removeXmlInvalidCharacters(child.attribute(AttributeParameterName));
            list->append(Parameter{id, path});
            m_parameterNames[qpxiName].insert(id, path);
        } else if (child.tagName() == TagParameterGroup) {
            if (child.hasAttribute(AttributeParameterGroupName)) {
                appendParameterTree(list, qpxiName, child,
                                    QStringList(groups)
                                        << removeXmlInvalidCharacters(child.attribute(AttributeParameterGroupName)));
            }
        }
    }
}

void QPXiInfo::dropEmptyNameTable(const QString& qpxiName)
{
    // Only instruments with parameters from a file have a name table; an empty one would keep the preset
    // file from filling the instrument in.
    const auto names = m_parameterNames.constFind(qpxiName);
    if (names != m_parameterNames.constEnd() && names->isEmpty()) {
        m_parameterNames.remove(qpxiName);
    }
}

void QPXiInfo::updateParameterListFromQPXXMLFile(QFile& file, const QString& qpxiName, bool merge)
{
    QDomDocument document;
    const bool parsed = kwplugins::readXmlFile(file, document);
    if (parsed) {
        updateParameterListFromQPXXMLDomDocument(document, qpxiName, merge);
    }
}

void QPXiInfo::updateParameterListFromQPXXMLDomDocument(const QDomDocument& document, const QString& qpxiName,
                                                        bool merge)
{
    const QDomElement root = document.documentElement();
    if (root.tagName() != TagQPXParametersStructure) {
        return;
    }
    QList<Parameter> built;
    QHash<QString, QStringList> ids;
    QpxxmlExpansion expansion;
    appendParameterTreeFromQPXXML(&built, &ids, root, {}, {}, expansion);

    QList<Parameter>& list = m_parameterLists[qpxiName];
    QHash<QString, QStringList>& names = m_parameterNames[qpxiName];
    if (merge) {
        for (const Parameter& parameter : built) {
            if (names.contains(parameter.id)) {
                for (Parameter& existing : list) {
                    if (existing.id == parameter.id) {
                        existing.namePath = parameter.namePath;
                        break;
                    }
                }
            } else {
                list.append(parameter);
            }
            names.insert(parameter.id, parameter.namePath);
        }
        dropEmptyNameTable(qpxiName);
        return;
    }

    if (names.contains(BypassID)) {
        for (const Parameter& existing : list) {
            if (existing.id == BypassID) {
                built.prepend(existing);
                break;
            }
        }
    }
    const QHash<QString, QStringList> known = names;
    list.clear();
    names.clear();
    for (const Parameter& parameter : built) {
        // The carried-over Bypass entry comes first; the document's own entry for it is not doubled.
        if (known.contains(parameter.id) && !names.contains(parameter.id)) {
            list.append(parameter);
            names.insert(parameter.id, parameter.namePath);
        }
    }
    dropEmptyNameTable(qpxiName);
}

void QPXiInfo::appendParameterTreeFromQPXXML(QList<Parameter>* list, QHash<QString, QStringList>* ids,
                                             const QDomElement& element, QHash<QString, int> values,
                                             const QStringList& groups, QpxxmlExpansion& expansion)
{
    if (expansion.depth >= kwplugins::kMaxGroupDepth) {
        return;
    }
    ++expansion.depth;
    for (QDomElement child = element.firstChildElement(); !child.isNull() && expansion.mayVisit();
         child = child.nextSiblingElement()) {
        if (child.tagName() == TagParam) {
            const QString expression = child.attribute(AttributeParamID);
            if (!child.hasAttribute(AttributeParamName) || expression.isEmpty()) {
                continue;
            }
            const QString id = qpxxmlParameterId(getIntValue(expression, values));
            if (ids->contains(id)) {
                continue;
            }
            const QStringList path = QStringList(groups)
                                     << removeXmlInvalidCharacters(child.attribute(AttributeParamName));
            list->append(Parameter{id, path});
            ids->insert(id, path);
        } else if (child.tagName() == TagGroup) {
            if (!child.hasAttribute(AttributeGroupName)) {
                continue;
            }
            const QStringList path = QStringList(groups)
                                     << removeXmlInvalidCharacters(child.attribute(AttributeGroupName));
            const QString templateName = child.attribute(AttributeGroupTemplate);
            if (templateName.isEmpty()) {
                appendParameterTreeFromQPXXML(list, ids, child, values, path, expansion);
            } else {
                appendParameterTemplateFromQPXXML(list, ids, child, values, path, templateName, expansion);
            }
        }
    }
    --expansion.depth;
}

void QPXiInfo::appendParameterTemplateFromQPXXML(QList<Parameter>* list, QHash<QString, QStringList>* ids,
                                                 const QDomElement& group, QHash<QString, int> values,
                                                 const QStringList& groups, const QString& templateName,
                                                 QpxxmlExpansion& expansion)
{
    // A template that is already being expanded would expand for ever.
    if (expansion.activeTemplates.contains(templateName)) {
        return;
    }
    const QStringList items = group.attribute(AttributeGroupValues).split(QLatin1Char(';'));
    int taken = 0;
    for (const QString& item : items) {
        if (++taken > kMaxValueItems) {
            break;
        }
        const qsizetype equals = item.indexOf(QLatin1Char('='));
        const QString name = (equals < 0 ? item : item.left(equals)).trimmed();
        const QString expression = (equals < 0 ? item : item.mid(equals + 1)).trimmed();
        if (name.isEmpty() || expression.isEmpty()) {
            continue;
        }
        values.insert(name, getIntValue(expression, values));
    }
    const QDomElement root = group.ownerDocument().documentElement();
    for (QDomElement candidate = root.firstChildElement(TagControlTemplate); !candidate.isNull();
         candidate = candidate.nextSiblingElement(TagControlTemplate)) {
        if (candidate.attribute(AttributeTemplateName) == templateName) {
            expansion.activeTemplates.insert(templateName);
            appendParameterTreeFromQPXXML(list, ids, candidate, values, groups, expansion);
            expansion.activeTemplates.remove(templateName);
            return;
        }
    }
}
