#include "TemplateDocument.h"

#include "ControlTemplateData.h"
#include "EditorData.h"
#include "EditorDefinitions.h"
#include "EditorFile.h"

#include <QDomDocument>

namespace {

const QString AttributeTemplateNumber = QStringLiteral("number");
const QString AttributeBankNumber = QStringLiteral("banknumber");
constexpr int kKnobCount = ControlTemplateData::kControllerCount;

// The document parsed; false when the bytes are too large, nest too deep or are no XML.
bool parse(const QByteArray& bytes, QDomDocument* document)
{
    if (bytes.size() > TemplateDocument::kMaxBytes || !EditorFile::isNestingWithinBound(bytes)) {
        return false;
    }
    return static_cast<bool>(document->setContent(bytes));
}

int rootAttribute(const QByteArray& bytes, const QString& name)
{
    QDomDocument document;
    if (!parse(bytes, &document)) {
        return -1;
    }
    const QDomElement root = document.documentElement();
    bool isNumber = false;
    const int value = root.attribute(name).toInt(&isNumber, 10);
    return root.hasAttribute(name) && isNumber ? value : -1;
}

// True when the element holds every value of a template, so that writing it replaces the template whole.
bool isWholeTemplate(const QDomElement& root)
{
    if (root.tagName() != TagTemplate) {
        return false;
    }
    for (const QString& tag : {TagTemplateName, TagTemplateQPXiName, TagTemplateControlType}) {
        if (root.firstChildElement(tag).isNull()) {
            return false;
        }
    }
    for (int knob = 0; knob < kKnobCount; ++knob) {
        const QDomElement element = root.firstChildElement(EditorData::knobElementName(knob));
        for (const QString& tag :
             {TagControllerDisplayName, TagControllerCCNumber, TagControllerDisplayFormat, TagControllerRemoteNumber}) {
            if (element.firstChildElement(tag).isNull()) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

namespace TemplateDocument {

QByteArray create(RemoteMemAPI* memory, int bank, int templ)
{
    QDomDocument document(TemplateDocType);
    QDomElement root = EditorData::getTemplateDomElement(memory, &document, bank, templ, QString());
    root.setAttribute(AttributeTemplateNumber, templ);
    root.setAttribute(AttributeBankNumber, bank);
    document.appendChild(root);
    return document.toByteArray(1);
}

int templateNumber(const QByteArray& bytes)
{
    return rootAttribute(bytes, AttributeTemplateNumber);
}

int bankNumber(const QByteArray& bytes)
{
    return rootAttribute(bytes, AttributeBankNumber);
}

bool write(RemoteMemAPI* memory, const QByteArray& bytes, int bank, int templ)
{
    QDomDocument document;
    if (memory == nullptr || !parse(bytes, &document) || !isWholeTemplate(document.documentElement())) {
        return false;
    }
    EditorData::setTemplateDomElement(memory, document.documentElement(), bank, templ, TemplateDocType, TagTemplate);
    return true;
}

} // namespace TemplateDocument
