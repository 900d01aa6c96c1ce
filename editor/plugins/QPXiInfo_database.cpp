#include "QPXiInfo.h"

#include "EditorData.h"
#include "EditorDefinitions.h"
#include "detail/BoundedXml.h"
#include "detail/DomStyleXml.h"
#include "detail/PluginPaths.h"

#include <QBuffer>
#include <QFile>
#include <QLockFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <algorithm>
#include <vector>

namespace {

// Two editors that share one database folder must not rewrite the file at the same moment.
const char* const kDatabaseLockFileName = "QPXiDatabase.lock";

const QByteArray kDatabaseHeader =
    QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE QPXiDatabase>\n");

using kwplugins::XmlOutput;

// A parameter id from its 11-digit decimal form, as EditorData converts it; the common form of 11 digits without
// the conversion's temporary texts.
QString idFromDecimal(QStringView decimal)
{
    if (decimal.size() == 11) {
        quint64 number = 0;
        bool digits = true;
        for (const QChar c : decimal) {
            digits = digits && c >= u'0' && c <= u'9';
            number = number * 10 + (c.unicode() - u'0');
        }
        number -= quint64(decimal.front().unicode() - u'0') * 10000000000ull;
        if (digits) {
            static const char16_t kHex[] = u"0123456789abcdef";
            const quint32 value = number > 0xFFFFFFFFull ? 0 : quint32(number);
            char16_t id[9] = {decimal.front().unicode()};
            for (int i = 0; i < 8; ++i) {
                id[8 - i] = kHex[(value >> (4 * i)) & 0xF];
            }
            return QString(reinterpret_cast<const QChar*>(id), 9);
        }
    }
    return EditorData::translateDwremoteparam2Sremoteparam(decimal.toString()).toLower();
}

// Appends a parameter id in its 11-digit decimal form, as EditorData converts it.
void appendDecimalId(XmlOutput& out, const QString& id)
{
    out.appendEscaped(QStringView(id).left(1), XmlOutput::Escape::Attribute);
    const quint32 number = EditorData::getRemoteParamContentsFromSRemoteStringParam(id);
    char digits[10];
    quint32 rest = number;
    for (int i = 9; i >= 0; --i) {
        digits[i] = char('0' + rest % 10);
        rest /= 10;
    }
    out.append(digits, 10);
}

// One instrument of the database being read: accepted, but kept apart until the whole file has proved well
// formed, since a fault anywhere in it makes the file read as empty.
struct ReadInstrument
{
    QString name;
    QList<QPXiInfo::Parameter> parameters;
    QHash<QString, QStringList> names;
    QPXiInfo::QPXiFileInfo file;
};

// Reads the parameter tree of one accepted "qpxi" element, from just after its start tag to its end tag.
// Parameters take the names of their enclosing groups; groups nested deeper than the bound are passed over
// whole, as are unnamed groups and elements of other names.
void readParameterTree(QXmlStreamReader& reader, ReadInstrument& instrument)
{
    QStringList groups;
    while (reader.readNext() != QXmlStreamReader::Invalid) {
        if (reader.isEndElement()) {
            if (groups.isEmpty()) {
                return;
            }
            groups.removeLast();
            continue;
        }
        if (!reader.isStartElement()) {
            continue;
        }
        const QStringView tag = reader.qualifiedName();
        const QXmlStreamAttributes attributes = reader.attributes();
        if (tag == TagParameter) {
            const QStringView decimalId = attributes.value(AttributeParameterID);
            if (!decimalId.isEmpty() && attributes.hasAttribute(AttributeParameterName)) {
                QString id = idFromDecimal(decimalId);
                if (!instrument.names.contains(id)) {
                    QStringList path;
                    path.reserve(groups.size() + 1);
                    path.append(groups);
                    path.append(removeXmlInvalidCharacters(attributes.value(AttributeParameterName).toString()));
                    instrument.names.insert(id, path);
                    instrument.parameters.append(QPXiInfo::Parameter{std::move(id), std::move(path)});
                }
            }
            reader.skipCurrentElement();
        } else if (tag == TagParameterGroup && attributes.hasAttribute(AttributeParameterGroupName) &&
                   groups.size() < kwplugins::kMaxGroupDepth) {
            groups.append(removeXmlInvalidCharacters(attributes.value(AttributeParameterGroupName).toString()));
        } else {
            reader.skipCurrentElement();
        }
    }
}

// Reads up to the root's start tag, as the document reader without namespaces sees the file; false when the
// file is broken before it or is no database (another document type or root).
bool readToDatabaseRoot(QXmlStreamReader& reader)
{
    reader.setNamespaceProcessing(false);
    QString documentType;
    while (!reader.atEnd() && !reader.isStartElement()) {
        if (reader.readNext() == QXmlStreamReader::DTD) {
            documentType = reader.dtdName().toString();
        }
    }
    return !reader.hasError() && documentType == DatabaseDocType && reader.qualifiedName() == TagDAWList;
}

} // namespace

void QPXiInfo::createParameterListFromDatabase(QFile& file)
{
    QByteArray bytes;
    if (!kwplugins::readXmlFileBytes(file, &bytes)) {
        return;
    }
    // Read as a device: the stream reader decodes a byte array whole into one string first, which takes three
    // times as long as reading the same bytes piece by piece.
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    QXmlStreamReader reader(&device);
    if (!readToDatabaseRoot(reader)) {
        return;
    }

    std::vector<ReadInstrument> read;
    // The names of the accepted instruments that gave parameters: a later one of the same name is not read.
    QSet<QString> named;
    bool found = false;
    while (reader.readNextStartElement()) {
        if (found || reader.qualifiedName() != TagDAW || reader.attributes().value(AttributeDAWName) != m_selectedDAW) {
            reader.skipCurrentElement();
            continue;
        }
        found = true;
        while (reader.readNextStartElement()) {
            if (reader.qualifiedName() != TagQPXi) {
                reader.skipCurrentElement();
                continue;
            }
            const QXmlStreamAttributes attributes = reader.attributes();
            const QString name = attributes.value(AttributeQPXiName).toString();
            const QString path = attributes.value(AttributeQPXiPath).toString();
            const QStringView time = attributes.value(AttributeQPXiTime);
            const QString size = attributes.value(AttributeQPXiSize).toString();
            bool versionIsNumber = false;
            int version = attributes.value(AttributeQPXiVersion).toString().toInt(&versionIsNumber);
            if (!versionIsNumber) {
                version = 0;
            }
            bool accepted = !name.isEmpty() && !path.isEmpty() && !time.isEmpty() && !size.isEmpty() &&
                            !m_parameterNames.contains(name) && !named.contains(name);
            const QFileInfo plugin(accepted ? path : QString());
            if (accepted) {
                bool sizeIsNumber = false;
                const qint64 storedSize = size.toLongLong(&sizeIsNumber);
                accepted = plugin.exists() && qpxiFileTime(plugin) == time && sizeIsNumber &&
                           getQPXiFileSize(plugin) == storedSize && (version == 2 || version == 3);
            }
            if (!accepted) {
                reader.skipCurrentElement();
                continue;
            }
            ReadInstrument instrument{name, {}, {}, QPXiFileInfo{plugin, version}};
            readParameterTree(reader, instrument);
            if (!instrument.names.isEmpty()) {
                named.insert(name);
            }
            read.push_back(std::move(instrument));
        }
    }
    // The rest of the file must be well formed too.
    while (!reader.atEnd()) {
        reader.readNext();
    }
    if (reader.hasError()) {
        return;
    }
    for (ReadInstrument& instrument : read) {
        if (!instrument.names.isEmpty()) {
            m_parameterNames.insert(instrument.name, std::move(instrument.names));
        }
        m_parameterLists.insert(instrument.name, std::move(instrument.parameters));
        m_pluginFiles.insert(instrument.name, std::move(instrument.file));
    }
}

namespace {

// The old file around the DAW's element: everything from the root's start tag up to where the DAW's element
// goes, and from there to the end, laid out as the document writer lays out what it read. Empty when the old
// file is missing, broken or no database.
struct KeptDatabase
{
    QByteArray before = QByteArrayLiteral("<dawlist>\n    ");
    QByteArray after = QByteArrayLiteral("\n</dawlist>\n");
};

void copyStartTag(QXmlStreamReader& reader, kwplugins::DomStyleWriter& writer)
{
    writer.startElement(reader.qualifiedName());
    for (const QXmlStreamAttribute& attribute : reader.attributes()) {
        writer.attribute(attribute.qualifiedName(), attribute.value());
    }
}

// Copies one node that the reader stands on, with all it holds, into the writer.
void copyNode(QXmlStreamReader& reader, kwplugins::DomStyleWriter& writer)
{
    const int depth = writer.depth();
    do {
        switch (reader.tokenType()) {
        case QXmlStreamReader::StartElement:
            copyStartTag(reader, writer);
            break;
        case QXmlStreamReader::EndElement:
            writer.endElement();
            break;
        case QXmlStreamReader::Characters:
            writer.characters(reader.text(), reader.isCDATA());
            break;
        case QXmlStreamReader::Comment:
            writer.comment(reader.text());
            break;
        case QXmlStreamReader::ProcessingInstruction:
            writer.processingInstruction(reader.processingInstructionTarget(), reader.processingInstructionData());
            break;
        default:
            break;
        }
    } while (writer.depth() > depth && reader.readNext() != QXmlStreamReader::Invalid);
}

// Only a document in UTF-8 may be cut in its bytes and still be read as it was.
bool isUtf8Document(const QByteArray& bytes)
{
    const auto detected = QStringDecoder::encodingForData(bytes, u'<');
    if (detected && *detected != QStringConverter::Utf8) {
        return false;
    }
    const qsizetype start = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    if (bytes.mid(start, 5) != "<?xml") {
        return true;
    }
    const QByteArray declaration = bytes.mid(start, bytes.indexOf("?>") - start).toLower();
    const qsizetype encoding = declaration.indexOf("encoding");
    return encoding < 0 || declaration.indexOf("utf-8", encoding) > 0 || declaration.indexOf("utf8", encoding) > 0;
}

// Whether the start tag in these bytes is that of a DAW's element with this name.
bool isDAWStartTag(QByteArrayView tag, const QString& dawName)
{
    if (!tag.startsWith("<daw") || tag.size() < 6 ||
        (!QChar::isSpace(uchar(tag[4])) && tag[4] != '/' && tag[4] != '>')) {
        return false;
    }
    QByteArray alone = tag.toByteArray();
    if (!alone.endsWith("/>")) {
        alone.insert(alone.size() - 1, '/');
    }
    QXmlStreamReader reader(alone);
    reader.setNamespaceProcessing(false);
    return reader.readNextStartElement() && reader.attributes().value(AttributeDAWName) == dawName;
}

// The element that a write replaces need not be read, and in a database of one DAW it is nearly the whole
// file: its contents are cut out by the byte-level look, leaving its start tag as an empty element. Where
// that look cannot be trusted to see what a parser would (entities of the document's own, another
// encoding), the file is read whole.
void cutOutDAWElement(QByteArray& bytes, const QString& dawName)
{
    const XmlPrescan shape = prescanXml(bytes, kwplugins::kXmlTagLimits, true);
    if (!shape.hasRootChildren || shape.hasInternalSubset || !isUtf8Document(bytes)) {
        return;
    }
    for (const XmlPrescan::Span& child : shape.rootChildren) {
        const QByteArrayView tag(bytes.constData() + child.begin, child.startTagEnd - child.begin);
        if (!isDAWStartTag(tag, dawName)) {
            continue;
        }
        if (child.end > child.startTagEnd) {
            bytes = bytes.left(child.startTagEnd - 1) + "/>" + bytes.mid(child.end);
        }
        return;
    }
}

KeptDatabase keptDatabase(QFile& file, const QString& dawName)
{
    QByteArray bytes;
    if (!kwplugins::readXmlFileBytes(file, &bytes)) {
        return {};
    }
    cutOutDAWElement(bytes, dawName);
    // Read as a device: the stream reader decodes a byte array whole into one string first, which takes three
    // times as long as reading the same bytes piece by piece.
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    QXmlStreamReader reader(&device);
    if (!readToDatabaseRoot(reader)) {
        return {};
    }

    KeptDatabase kept;
    kept.before.clear();
    kept.after.clear();
    QByteArray* part = &kept.before;
    XmlOutput out([&part](const QByteArray& piece) {
        part->append(piece);
        return true;
    });
    kwplugins::DomStyleWriter writer(&out);
    copyStartTag(reader, writer);
    bool replaced = false;
    while (writer.depth() > 0 && reader.readNext() != QXmlStreamReader::Invalid) {
        if (reader.isEndElement()) {
            if (!replaced) {
                writer.elementWrittenElsewhere();
                out.finish();
                part = &kept.after;
                replaced = true;
            }
            writer.endElement();
        } else if (!replaced && reader.isStartElement() && reader.qualifiedName() == TagDAW &&
                   reader.attributes().value(AttributeDAWName) == dawName) {
            writer.elementWrittenElsewhere();
            out.finish();
            part = &kept.after;
            replaced = true;
            reader.skipCurrentElement();
        } else {
            copyNode(reader, writer);
        }
    }
    while (!reader.atEnd()) {
        reader.readNext();
    }
    if (reader.hasError()) {
        return {};
    }
    out.finish();
    return kept;
}

// One instrument's groups as the file holds them: each group once, in the order of its first parameter.
class ParameterTree
{
public:
    explicit ParameterTree(const QList<QPXiInfo::Parameter>& parameters)
    {
        m_nodes.push_back({});
        for (qsizetype p = 0; p < parameters.size(); ++p) {
            const QStringList& path = parameters.at(p).namePath;
            if (path.isEmpty()) {
                continue;
            }
            int node = 0;
            for (qsizetype g = 0; g + 1 < path.size(); ++g) {
                node = childGroup(node, removeXmlInvalidCharacters(path.at(g)));
            }
            m_nodes[size_t(node)].children.push_back(-int(p) - 1);
        }
    }

    bool isEmpty() const { return m_nodes.front().children.empty(); }

    // Writes the children of the instrument's element at the given depth, deepest groups without recursion.
    void write(XmlOutput& out, const QList<QPXiInfo::Parameter>& parameters, int depth) const
    {
        struct Step
        {
            int node;
            size_t next;
        };
        std::vector<Step> path{{0, 0}};
        while (!path.empty()) {
            Step& step = path.back();
            const Node& node = m_nodes[size_t(step.node)];
            const int level = depth + int(path.size()) - 1;
            if (step.next == node.children.size()) {
                path.pop_back();
                if (!path.empty()) {
                    out.appendIndent(level - 1);
                    out.append("</group>\n");
                }
                continue;
            }
            const int child = node.children[step.next++];
            out.appendIndent(level);
            if (child < 0) {
                const QPXiInfo::Parameter& parameter = parameters.at(-child - 1);
                out.append("<parameter id=\"");
                appendDecimalId(out, parameter.id);
                out.append("\" name=\"");
                out.appendEscaped(removeXmlInvalidCharacters(parameter.namePath.last()), XmlOutput::Escape::Attribute);
                out.append("\"/>\n");
            } else {
                out.append("<group name=\"");
                out.appendEscaped(m_nodes[size_t(child)].name, XmlOutput::Escape::Attribute);
                out.append("\">\n");
                path.push_back({child, 0});
            }
        }
    }

private:
    struct Node
    {
        QString name;
        std::vector<int> children; // a group by its index, a parameter p as -p - 1
        int lastFound = -1;
    };

    // The first child group of that name, made when there is none; parameters of one group mostly follow
    // each other, so the group found last is tried first.
    int childGroup(int parent, const QString& name)
    {
        Node& node = m_nodes[size_t(parent)];
        if (node.lastFound >= 0 && m_nodes[size_t(node.lastFound)].name == name) {
            return node.lastFound;
        }
        for (const int child : node.children) {
            if (child >= 0 && m_nodes[size_t(child)].name == name) {
                return m_nodes[size_t(parent)].lastFound = child;
            }
        }
        const int created = int(m_nodes.size());
        m_nodes[size_t(parent)].children.push_back(created);
        m_nodes[size_t(parent)].lastFound = created;
        m_nodes.push_back(Node{name, {}, -1});
        return created;
    }

    std::vector<Node> m_nodes;
};

} // namespace

bool QPXiInfo::writeParameterListDatabase(QFile& file) const
{
    const KeptDatabase kept = keptDatabase(file, m_selectedDAW);

    // Written whole or not at all: a failed write leaves the old file in place.
    QSaveFile save(file.fileName());
    // Unbuffered, so that a short write shows here and not as a silently truncated commit.
    if (!save.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return false;
    }
    XmlOutput out([&save](const QByteArray& piece) { return save.write(piece) == piece.size(); });
    out.append(kDatabaseHeader);
    out.append(kept.before);
    out.append("<daw name=\"");
    out.appendEscaped(removeXmlInvalidCharacters(m_selectedDAW), XmlOutput::Escape::Attribute);
    out.append("\"");

    // A fixed order keeps the file stable from one write to the next.
    QStringList names = m_pluginFiles.keys();
    std::sort(names.begin(), names.end());
    bool empty = true;
    for (const QString& name : names) {
        const QPXiFileInfo& info = m_pluginFiles[name];
        if (info.version != 2 && info.version != 3) {
            continue; // the fixed names have no plug-in file to describe
        }
        out.append(empty ? ">\n        <qpxi name=\"" : "        <qpxi name=\"");
        empty = false;
        out.appendEscaped(removeXmlInvalidCharacters(name), XmlOutput::Escape::Attribute);
        out.append("\" path=\"");
        out.appendEscaped(removeXmlInvalidCharacters(info.file.absoluteFilePath()), XmlOutput::Escape::Attribute);
        out.append("\" time=\"");
        out.appendEscaped(qpxiFileTime(info.file), XmlOutput::Escape::Attribute);
        out.append("\" size=\"");
        out.appendNumber(getQPXiFileSize(info.file));
        out.append("\" version=\"");
        out.appendNumber(info.version);
        const QList<Parameter> parameters = m_parameterLists.value(name);
        const ParameterTree tree(parameters);
        if (tree.isEmpty()) {
            out.append("\"/>\n");
            continue;
        }
        out.append("\">\n");
        tree.write(out, parameters, 3);
        out.append("        </qpxi>\n");
    }
    out.append(empty ? "/>" : "    </daw>");
    out.append(kept.after);
    if (!out.finish()) {
        save.cancelWriting();
        return false;
    }
    return save.commit();
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
