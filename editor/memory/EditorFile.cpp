#include "EditorFile.h"

#include "EditorData.h"
#include "EditorDefinitions.h"
#include "ParamAddress.h"
#include "RemoteMemAPI.h"
#include "XmlPrescan.h"

#include <QBuffer>
#include <QDomDocument>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSaveFile>
#include <QUuid>
#include <QXmlStreamReader>

#include <limits>

namespace {

constexpr int kEditBuffer = 0;
constexpr int kEvacuatedBank = 6;
constexpr int kEvacuatedEditBuffer = 7;
constexpr int kMaxCreateAttempts = 16;

const QString kWriteFailed = QStringLiteral("Failed in the file writing.");
const QString kNotFound = QStringLiteral("File was not found.");
const QString kCannotOpen = QStringLiteral("File could not be opened.");
const QString kNotEditorFile = QStringLiteral("File is not an editor file.");
const QString kRootTagDiffers = QStringLiteral("Root tag ID name is different.");
const QString kVersionRefused = QStringLiteral("It doesn't correspond to this version.");
const QString kParameterMissing = QStringLiteral("Parameter is not found.");

bool fail(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

// No element of a bank file has more than one attribute, nor a start tag of more than a few dozen bytes; these
// bounds leave room for attributes that other writers add and that the load ignores.
constexpr XmlPrescan::Limits kBankFileTagLimits{4096, 32};

// The byte-level look decides alone for almost every document. Only where it sees too deep a nesting (which a
// malformed document may show beyond the point where the parser stops) or where entities may add elements,
// a streaming pass settles it.
bool isNestingWithinBound(const QByteArray& bytes, const XmlPrescan& shape)
{
    if (shape.maxDepth <= EditorFile::kMaxElementDepth && !shape.hasInternalSubset)
        return true;
    QXmlStreamReader reader(bytes);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++depth > EditorFile::kMaxElementDepth)
                return false;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return true;
}

// 1.0, 1 and 0.5 are read; a higher version, a missing attribute or one that is no number are not.
bool isReadableVersion(const QDomElement& root)
{
    bool isNumber = false;
    const float version = root.attribute(AttributeVersion).toFloat(&isNumber);
    const float fileVersion = FileVersion.toFloat();
    const float effective =
        isNumber && root.hasAttribute(AttributeVersion) ? version : std::numeric_limits<float>::max();
    return fileVersion >= effective;
}

// Checks the document without touching the memory; the message of the first failure, empty when it may be
// read into the memory.
QString parseDocument(const QByteArray& bytes, QDomDocument* document)
{
    const XmlPrescan shape = prescanXml(bytes, kBankFileTagLimits);
    if (!shape.withinLimits || !isNestingWithinBound(bytes, shape))
        return kNotEditorFile;
    QString parserMessage;
    int line = 0;
    int column = 0;
    // Parsed through a device, piece by piece: given the bytes whole, the parser first decodes all of them
    // into one string twice the file's size, even when it stops at a fault in the first line.
    QBuffer device;
    device.setData(bytes);
    device.open(QIODevice::ReadOnly);
    if (!document->setContent(&device, true, &parserMessage, &line, &column))
        return QStringLiteral("Parse error at line %1. (").arg(line) + parserMessage + QStringLiteral(")");
    const QString documentType = document->doctype().name();
    if (documentType != DocType && documentType != LoadFileOtherDocType)
        return kNotEditorFile;
    const QDomElement root = document->documentElement();
    if (root.tagName() != TagEditorBank)
        return kRootTagDiffers;
    if (!isReadableVersion(root))
        return kVersionRefused;
    return QString();
}

// Reads a checked document's root into the memory; the message of the first failure, empty on success.
QString readDocument(RemoteMemAPI* memory, const QDomElement& root, int bank, bool withEditBuffer)
{
    // Files of the predecessor's editor hold the same elements, so both are read by this format's rules.
    QString message;
    if (withEditBuffer) {
        bool complete = EditorData::setBankDomElement(memory, root, bank, DocType, false, QString());
        if (complete) {
            complete = setNumericParamFromDomElement(memory, root.firstChildElement(TagBankInfo), DocType,
                                                     TagCurrentTemplateNumber, kEditBuffer,
                                                     ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);
        }
        if (!complete)
            message = kParameterMissing;
        if (!EditorData::setBankDomElement(memory, root, kEditBuffer, DocType, true, QString()))
            message = kParameterMissing;
    } else if (!EditorData::setBankDomElement(memory, root, bank, DocType, false, QString())) {
        message = kParameterMissing;
    }
    return message;
}

// Keeps the banks a load may overwrite in the evacuation slots, and puts them back exactly, available
// flags included; on the loading thread. Without the edit buffer only the target bank is written, so
// bank 0 is left alone: putting it back would undo changes that reached it from elsewhere meanwhile.
class Evacuation
{
public:
    Evacuation(RemoteMemAPI* memory, int bank, bool withEditBuffer)
        : m_memory(memory), m_bank(bank), m_withEditBuffer(withEditBuffer)
    {
        // The flag and the contents are kept as one step, so no other thread's write falls between them.
        QMutexLocker lock(&m_memory->memoryLock());
        if (m_withEditBuffer) {
            m_memory->evacuateSpecificBankAndEditBuff(m_bank);
        } else {
            m_available = m_memory->getBankAvailableFlag(m_bank).getCurrentValue();
            m_memory->copyBank(m_bank, kEvacuatedBank);
        }
    }

    void restore()
    {
        QMutexLocker lock(&m_memory->memoryLock());
        if (m_withEditBuffer) {
            m_memory->restoreSpecificBankAndEditBuff(m_bank);
        } else {
            m_memory->copyBank(kEvacuatedBank, m_bank);
            m_memory->setBankAvailableFlag(m_available, m_bank);
        }
    }

private:
    RemoteMemAPI* m_memory;
    int m_bank;
    bool m_withEditBuffer;
    int m_available = 1;
};

// Reads the file whole; false when it holds more than the bound. Reads at most one byte beyond the bound,
// so that neither a huge file nor one that grows meanwhile fills the memory. Reads straight into the result,
// the size the file has and one byte more at first, so that a file that has not grown takes one read.
bool readBounded(QFile& file, QByteArray* bytes)
{
    constexpr qint64 kPiece = 64 * 1024;
    if (file.size() > EditorFile::kMaxFileBytes)
        return false;
    qsizetype filled = 0;
    bytes->resize(file.size() + 1);
    while (filled <= EditorFile::kMaxFileBytes) {
        if (filled == bytes->size())
            bytes->resize(qMin(filled + kPiece, EditorFile::kMaxFileBytes + 1));
        const qint64 read = file.read(bytes->data() + filled, bytes->size() - filled);
        if (read <= 0)
            break;
        filled += qsizetype(read);
    }
    bytes->resize(filled);
    return filled <= EditorFile::kMaxFileBytes;
}

// A load needs its evacuation slots, and must not load into one of them: the restore would then copy
// loaded data back over what it meant to keep.
bool isLoadableBank(RemoteMemAPI* memory, int bank, bool withEditBuffer)
{
    const int lastSlot = withEditBuffer ? kEvacuatedEditBuffer : kEvacuatedBank;
    return bank >= 0 && bank < memory->getQuantityOfBank() && lastSlot < memory->getQuantityOfBank() &&
           bank != kEvacuatedBank && bank != kEvacuatedEditBuffer;
}

} // namespace

bool EditorFile::isNestingWithinBound(const QByteArray& bytes)
{
    constexpr XmlPrescan::Limits kUnbounded{std::numeric_limits<qsizetype>::max(), std::numeric_limits<int>::max()};
    return ::isNestingWithinBound(bytes, prescanXml(bytes, kUnbounded));
}

bool EditorFile::save(RemoteMemAPI* memory, int bank, QFile* file, QString* error)
{
    if (memory == nullptr || file == nullptr || file->fileName().isEmpty())
        return fail(error, kWriteFailed);
    QDomDocument document(QDomImplementation().createDocumentType(DocType, QString(), QString()));
    QDomElement root = EditorData::getBankDomElement(memory, &document, bank, TagEditorBank, true);
    root.setAttribute(AttributeVersion, FileVersion);
    document.appendChild(root);
    const QByteArray bytes = document.toByteArray(4);

    // Written beside the old file and renamed over it only when every byte got there.
    QSaveFile out(file->fileName());
    // A short write leaves the temporary file uncommitted, and the save file discards it when it goes.
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return fail(error, kWriteFailed);
    return true;
}

bool EditorFile::load(RemoteMemAPI* memory, int bank, QFile* file, bool withEditBuffer, QString* error)
{
    if (memory == nullptr || file == nullptr || !file->exists())
        return fail(error, kNotFound);
    if (file->isOpen())
        file->close();
    // Opening a named pipe for reading waits for a writer, for ever; a device or a folder is no bank file either.
    if (!QFileInfo(file->fileName()).isFile() || !file->open(QIODevice::ReadOnly | QIODevice::Unbuffered) ||
        !isLoadableBank(memory, bank, withEditBuffer))
        return fail(error, kCannotOpen);
    QByteArray bytes;
    const bool withinBound = readBounded(*file, &bytes);
    const bool readWhole = file->error() == QFileDevice::NoError;
    file->close();
    if (!withinBound)
        return fail(error, kNotEditorFile);
    if (!readWhole)
        return fail(error, kCannotOpen);

    // A document refused before any of it is read leaves the memory untouched, so nothing is kept aside and
    // put back; sending is allowed again as after every load that got past opening the file.
    QDomDocument document;
    const QString refusal = parseDocument(bytes, &document);
    if (!refusal.isEmpty()) {
        memory->setAllowToSendSysExFlag(true);
        return fail(error, refusal);
    }

    memory->setAllowToSendSysExFlag(false);
    memory->denyToRaiseFileEditFlag();
    Evacuation evacuation(memory, bank, withEditBuffer);
    memory->allowToRaiseFileEditFlag();
    memory->denyToRaiseFileEditFlag();

    const QString message = readDocument(memory, document.documentElement(), bank, withEditBuffer);

    memory->allowToRaiseFileEditFlag();
    if (!message.isEmpty()) {
        memory->denyToRaiseFileEditFlag();
        evacuation.restore();
        memory->allowToRaiseFileEditFlag();
        memory->setAllowToSendSysExFlag(true);
        return fail(error, message);
    }
    memory->setAllowToSendSysExFlag(true);
    return true;
}

bool EditorFile::create(RemoteMemAPI* memory, int bank, const QDir& dir, const QString& prefix,
                        const QString& extension, QString* error)
{
    if (memory == nullptr)
        return fail(error, kWriteFailed);
    QString path;
    for (int attempt = 0; attempt < kMaxCreateAttempts && path.isEmpty(); ++attempt) {
        const QString candidate = dir.absoluteFilePath(prefix + QUuid::createUuid().toString() + extension);
        if (!QFileInfo::exists(candidate))
            path = candidate;
    }
    QFile file(path);
    if (path.isEmpty() || !save(memory, bank, &file, error)) {
        memory->setBankAvailableFlag(0, bank);
        return fail(error, kWriteFailed);
    }
    return true;
}
