#include "KnobDocument.h"

#include "ControlTemplateData.h"
#include "EditorData.h"
#include "EditorDefinitions.h"
#include "EditorFile.h"

#include <QDomDocument>

namespace {

const QString AttributeKnobNumber = QStringLiteral("number");
constexpr int kKnobCount = ControlTemplateData::kControllerCount;

// The document's root; null when the bytes are too large, nest too deep or are no XML.
QDomElement parseRoot(const QByteArray& bytes)
{
    QDomDocument document;
    if (bytes.size() > KnobDocument::kMaxBytes || !EditorFile::isNestingWithinBound(bytes)) {
        return {};
    }
    document.setContent(bytes, true);
    return document.documentElement();
}

} // namespace

namespace KnobDocument {

QByteArray create(RemoteMemAPI* memory, int bank, int templ, int knob)
{
    QDomDocument document(KnobDocType);
    QDomElement root = EditorData::getControllerDomElement(memory, &document, bank, templ, knob, QString());
    root.setAttribute(AttributeKnobNumber, knob);
    document.appendChild(root);
    return document.toByteArray(1);
}

int knobNumber(const QByteArray& bytes)
{
    const QDomElement root = parseRoot(bytes);
    if (root.isNull() || !root.hasAttribute(AttributeKnobNumber)) {
        return -1;
    }
    const int knob = root.attribute(AttributeKnobNumber).toInt();
    return knob >= 0 && knob < kKnobCount ? knob : -1;
}

bool write(RemoteMemAPI* memory, const QByteArray& bytes, int bank, int templ, int knob)
{
    const QDomElement root = parseRoot(bytes);
    if (memory == nullptr || root.isNull()) {
        return false;
    }
    EditorData::setControllerDomElement(memory, root, bank, templ, knob, DocType, QString());
    return true;
}

} // namespace KnobDocument
