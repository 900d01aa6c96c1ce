#include "EditorData.h"

#include "EditorDefinitions.h"
#include "ParamAddress.h"
#include "RemoteMemAPI.h"

#include <limits>

namespace {

constexpr int kTemplatesPerBank = 50;
constexpr int kKnobsPerTemplate = 12;

// XML 1.0 can carry neither most control characters nor unpaired surrogates and the two non-characters
// U+FFFE/U+FFFF, not even as character references: written raw they make the whole document unreadable.
// Tabs and line ends it can carry, but not faithfully (a reader turns CR into LF, and drops a text of
// nothing else). All of them become blanks, the rule the decoder applies to names it receives, so any
// name is written in a form that reads back as written.
QString xmlCarriableText(const QString& text)
{
    QString result = text;
    const qsizetype size = result.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t ch = result.at(i).unicode();
        bool carriable = ch >= 0x20 && ch != 0xFFFE && ch != 0xFFFF;
        if (QChar::isHighSurrogate(ch)) {
            carriable = i + 1 < size && QChar::isLowSurrogate(result.at(i + 1).unicode());
            if (carriable) {
                ++i;
                continue;
            }
        } else if (QChar::isLowSurrogate(ch)) {
            carriable = false;
        }
        if (!carriable)
            result[i] = QLatin1Char(' ');
    }
    return result;
}

// The element's name: the given one, or the default tag when none is given.
QString elementName(const QString& name, const QString& defaultTag)
{
    return name.isEmpty() ? defaultTag : name;
}

bool tagMatches(const QDomElement& element, const QString& expectedTag)
{
    return !element.isNull() && (expectedTag.isEmpty() || element.tagName() == expectedTag);
}

void appendTextLeaf(QDomDocument* document, QDomElement& parent, const QString& tag, const QString& text)
{
    QDomElement leaf = document->createElement(tag);
    // A reader drops text nodes made only of blanks, so a name of blanks would come back empty; a CDATA
    // section keeps them (it cannot hold "]]>", which such a text never contains).
    if (!text.isEmpty() && text.trimmed().isEmpty())
        leaf.appendChild(document->createCDATASection(text));
    else
        leaf.appendChild(document->createTextNode(text));
    parent.appendChild(leaf);
}

// Fills element with the templates of bank under the tag pattern ("template%1", "editBuffTemplate%1").
void appendTemplates(RemoteMemAPI* memory, QDomDocument* document, QDomElement& element, int bank,
                     const QString& tagPattern)
{
    for (int templ = 0; templ < kTemplatesPerBank; ++templ)
        element.appendChild(
            EditorData::getTemplateDomElement(memory, document, bank, templ, tagPattern.arg(templ + 1)));
}

// The template (0-49) that tag names under the tag pattern ("template%1": "template1" to "template50"), or -1.
// Only the names the pattern makes count: "template07" or "template+7" is no template's.
int templateOfTag(QStringView tag, QStringView tagPattern)
{
    const qsizetype marker = tagPattern.indexOf(u"%1");
    const QStringView prefix = tagPattern.left(marker);
    const QStringView suffix = tagPattern.mid(marker + 2);
    if (tag.size() <= prefix.size() + suffix.size() || !tag.startsWith(prefix) || !tag.endsWith(suffix))
        return -1;
    const QStringView number = tag.mid(prefix.size(), tag.size() - prefix.size() - suffix.size());
    if (number.size() > 2 || number.front() == u'0')
        return -1;
    int value = 0;
    for (const QChar digit : number) {
        if (digit < u'0' || digit > u'9')
            return -1;
        value = value * 10 + (digit.unicode() - u'0');
    }
    return value <= kTemplatesPerBank ? value - 1 : -1;
}

// Reads the 50 elements of the tag pattern into bank; all are attempted.
bool readTemplates(RemoteMemAPI* memory, const QDomElement& element, int bank, const QString& documentType,
                   const QString& tagPattern)
{
    // One walk over the children finds the first element of each template's name; looking each name up
    // alone walks past the templates before it, and a bank file has a hundred of them side by side. The
    // number is read from the name: a table of the fifty names took longer to build than a short file to read.
    QDomElement children[kTemplatesPerBank];
    for (QDomElement child = element.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
        const int templ = templateOfTag(child.tagName(), tagPattern);
        if (templ >= 0 && children[templ].isNull())
            children[templ] = child;
    }
    bool complete = true;
    for (int templ = 0; templ < kTemplatesPerBank; ++templ) {
        if (!EditorData::setTemplateDomElement(memory, children[templ], bank, templ, documentType, QString()))
            complete = false;
    }
    return complete;
}

} // namespace

QString EditorData::knobElementName(int knob)
{
    if (knob < 0 || knob >= kKnobsPerTemplate)
        return {};
    // Letter A..D is the column, digit 1..3 the row, as in the address name table.
    return QStringLiteral("knob%1%2").arg(QChar(u'A' + knob % 4)).arg(knob / 4 + 1);
}

// ---- Leaves ---------------------------------------------------------------------------------------------

void getStringParamToDomElement(RemoteMemAPI* memory, QDomDocument* document, QDomElement& parent, const QString& tag,
                                int bank, int templ, int controller, int param)
{
    if (memory == nullptr || document == nullptr)
        return;
    const QString text = memory->getParamQString(ParamAddress(bank, templ, controller, param));
    appendTextLeaf(document, parent, tag, xmlCarriableText(text));
}

void getNumericParamToDomElement(RemoteMemAPI* memory, QDomDocument* document, QDomElement& parent, const QString& tag,
                                 int bank, int templ, int controller, int param)
{
    if (memory == nullptr || document == nullptr)
        return;
    const int value = memory->getParam(ParamAddress(bank, templ, controller, param)).getCurrentValue();
    appendTextLeaf(document, parent, tag, QString::number(value));
}

namespace {

// The text of parent's first child element named tag; false when there is none (or no memory to write).
bool leafText(RemoteMemAPI* memory, const QDomElement& parent, const QString& tag, QString* text)
{
    const QDomElement leaf = parent.firstChildElement(tag);
    if (memory == nullptr || leaf.isNull())
        return false;
    *text = leaf.text();
    return true;
}

} // namespace

bool setStringParamFromDomElement(RemoteMemAPI* memory, const QDomElement& parent, const QString& documentType,
                                  const QString& tag, int bank, int templ, int controller, int param)
{
    Q_UNUSED(documentType);
    QString text;
    if (!leafText(memory, parent, tag, &text))
        return false;
    if (tag == TagControllerRemoteNumber)
        text = text.toLower();
    memory->setParam(ParamAddress(bank, templ, controller, param), text);
    return true;
}

bool setNumericParamFromDomElement(RemoteMemAPI* memory, const QDomElement& parent, const QString& documentType,
                                   const QString& tag, int bank, int templ, int controller, int param)
{
    Q_UNUSED(documentType);
    QString text;
    if (!leafText(memory, parent, tag, &text))
        return false;
    // Read wide and check before narrowing, so that neither garbage nor a huge number can become some
    // in-range value by wrapping; both keep the old value like any number the record refuses.
    bool isNumber = false;
    const qlonglong value = text.toLongLong(&isNumber, 10);
    if (isNumber && value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max())
        memory->setParam(ParamAddress(bank, templ, controller, param), static_cast<long>(value));
    return true;
}

// ---- Builders -------------------------------------------------------------------------------------------

QDomElement EditorData::getBankDomElement(RemoteMemAPI* memory, QDomDocument* document, int bank, const QString& name,
                                          bool withEditBuffer)
{
    if (memory == nullptr || document == nullptr)
        return {};
    QDomElement element = document->createElement(elementName(name, TagBank));
    appendTemplates(memory, document, element, bank, TagTemplateNumber);
    if (withEditBuffer) {
        appendTemplates(memory, document, element, 0, TagEditBuffTemplateNumber);
        QDomElement info = document->createElement(TagBankInfo);
        getNumericParamToDomElement(memory, document, info, TagCurrentTemplateNumber, 0,
                                    ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);
        element.appendChild(info);
    }
    return element;
}

QDomElement EditorData::getTemplateDomElement(RemoteMemAPI* memory, QDomDocument* document, int bank, int templ,
                                              const QString& name)
{
    if (memory == nullptr || document == nullptr)
        return {};
    QDomElement element = document->createElement(elementName(name, TagTemplate));
    getStringParamToDomElement(memory, document, element, TagTemplateName, bank, templ,
                               ParamAddress::kTemplateNameController, -1);
    getStringParamToDomElement(memory, document, element, TagTemplateQPXiName, bank, templ,
                               ParamAddress::kQPXiNameController, -1);
    getNumericParamToDomElement(memory, document, element, TagTemplateControlType, bank, templ,
                                ParamAddress::kControlTypeController, -1);
    for (int knob = 0; knob < kKnobsPerTemplate; ++knob)
        element.appendChild(getControllerDomElement(memory, document, bank, templ, knob, knobElementName(knob)));
    return element;
}

QDomElement EditorData::getControllerDomElement(RemoteMemAPI* memory, QDomDocument* document, int bank, int templ,
                                                int knob, const QString& name)
{
    if (memory == nullptr || document == nullptr)
        return {};
    QDomElement element = document->createElement(elementName(name, TagController));
    getStringParamToDomElement(memory, document, element, TagControllerDisplayName, bank, templ, knob,
                               ParamAddress::kDisplayNameParam);
    getNumericParamToDomElement(memory, document, element, TagControllerCCNumber, bank, templ, knob,
                                ParamAddress::kCCNumberParam);
    getNumericParamToDomElement(memory, document, element, TagControllerDisplayFormat, bank, templ, knob,
                                ParamAddress::kDisplayFormatParam);
    getStringParamToDomElement(memory, document, element, TagControllerRemoteNumber, bank, templ, knob,
                               ParamAddress::kRemoteNumberParam);
    return element;
}

// ---- Readers --------------------------------------------------------------------------------------------

bool EditorData::setBankDomElement(RemoteMemAPI* memory, const QDomElement& element, int bank,
                                   const QString& documentType, bool editBuffer, const QString& expectedTag)
{
    if (memory == nullptr || !tagMatches(element, expectedTag))
        return false;
    if (documentType != DocType)
        return true;
    return readTemplates(memory, element, bank, documentType,
                         editBuffer ? TagEditBuffTemplateNumber : TagTemplateNumber);
}

bool EditorData::setTemplateDomElement(RemoteMemAPI* memory, const QDomElement& element, int bank, int templ,
                                       const QString& documentType, const QString& expectedTag)
{
    if (memory == nullptr || !tagMatches(element, expectedTag))
        return false;
    bool complete = setStringParamFromDomElement(memory, element, documentType, TagTemplateName, bank, templ,
                                                 ParamAddress::kTemplateNameController, -1);
    complete &= setStringParamFromDomElement(memory, element, documentType, TagTemplateQPXiName, bank, templ,
                                             ParamAddress::kQPXiNameController, -1);
    complete &= setNumericParamFromDomElement(memory, element, documentType, TagTemplateControlType, bank, templ,
                                              ParamAddress::kControlTypeController, -1);
    // The first element of each knob's name ("knobA1" to "knobD3"), found in one walk over the children.
    QDomElement knobs[kKnobsPerTemplate];
    for (QDomElement child = element.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
        const QString tag = child.tagName();
        if (tag.size() != 6 || !tag.startsWith(QLatin1String("knob")))
            continue;
        const int knob = (tag.at(4).unicode() - u'A') + 4 * (tag.at(5).unicode() - u'1');
        if (knob >= 0 && knob < kKnobsPerTemplate && knobs[knob].isNull() && tag == knobElementName(knob))
            knobs[knob] = child;
    }
    for (int knob = 0; knob < kKnobsPerTemplate; ++knob)
        complete &= setControllerDomElement(memory, knobs[knob], bank, templ, knob, documentType, QString());
    return complete;
}

bool EditorData::setControllerDomElement(RemoteMemAPI* memory, const QDomElement& element, int bank, int templ,
                                         int knob, const QString& documentType, const QString& expectedTag)
{
    if (memory == nullptr || !tagMatches(element, expectedTag))
        return false;
    bool complete = setStringParamFromDomElement(memory, element, documentType, TagControllerDisplayName, bank, templ,
                                                 knob, ParamAddress::kDisplayNameParam);
    complete &= setNumericParamFromDomElement(memory, element, documentType, TagControllerCCNumber, bank, templ, knob,
                                              ParamAddress::kCCNumberParam);
    complete &= setNumericParamFromDomElement(memory, element, documentType, TagControllerDisplayFormat, bank, templ,
                                              knob, ParamAddress::kDisplayFormatParam);
    complete &= setStringParamFromDomElement(memory, element, documentType, TagControllerRemoteNumber, bank, templ,
                                             knob, ParamAddress::kRemoteNumberParam);
    return complete;
}
