// Loads arbitrary bytes as a bank file into a filled memory. The first byte picks how the bytes are used:
// as the whole file, or in place of one template element of a small or (more rarely, as it is slow to
// read) a full, otherwise valid file, so that the element readers see them too. The second picks the target bank and
// the edit-buffer option. After each load: a failed one left every bank but the evacuation slots as it was, and every
// load allowed sending and raising the file edit flag again.
#include "../FilledMemory.h"
#include "BankData.h"
#include "EditorData.h"
#include "EditorDefinitions.h"
#include "EditorFile.h"
#include "RemoteMemAPI.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

struct Fixture
{
    Fixture()
    {
        kwfuzz::fillMemory(memory);
        QDomDocument document(QDomImplementation().createDocumentType(DocType, QString(), QString()));
        QDomElement root = EditorData::getBankDomElement(&memory, &document, 1, TagEditorBank, true);
        root.setAttribute(AttributeVersion, FileVersion);
        document.appendChild(root);
        const QByteArray full = document.toByteArray(4);
        // The file is cut around template5's contents; the small form keeps only what comes before them.
        const qsizetype open = full.indexOf("<template5>") + qsizetype(sizeof("<template5>") - 1);
        const qsizetype close = full.indexOf("</template5>");
        fullHead = full.left(open);
        fullTail = full.mid(close);
        smallHead = "<!DOCTYPE KnobwrightFile>\n<bank version=\"1.0\">\n<template1>";
        smallTail = "</template1>\n</bank>\n";
        path = directory.filePath(QStringLiteral("fuzz.Q9E"));
    }

    RemoteMemAPI memory;
    QByteArray fullHead, fullTail, smallHead, smallTail;
    QTemporaryDir directory;
    QString path;
};

bool sameBank(const BankData& a, const BankData& b)
{
    for (int t = 0; t < BankData::kTemplateCount; ++t) {
        if (a.getTemplate(t) != b.getTemplate(t))
            return false;
    }
    return a.getBankAvailableFlag() == b.getBankAvailableFlag() &&
           a.getCurrentTemplateNumber() == b.getCurrentTemplateNumber() && a.getEditFlag() == b.getEditFlag();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Fixture fixture;
    if (size < 2)
        return 0;
    const QByteArray input(reinterpret_cast<const char*>(data) + 2, qsizetype(size - 2));
    QByteArray bytes;
    const int mode = data[0] % 8;
    if (mode < 4)
        bytes = input;
    else if (mode < 7)
        bytes = fixture.smallHead + input + fixture.smallTail;
    else
        bytes = fixture.fullHead + input + fixture.fullTail;
    static const int kBanks[] = {1, 4, 0, 5};
    const int bank = kBanks[data[1] % 4];
    const bool withEditBuffer = (data[1] & 0x10) != 0;

    QFile file(fixture.path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
    file.close();

    RemoteMemAPI& memory = fixture.memory;
    QList<BankData> before;
    for (int b = 0; b < 9; ++b)
        before.append(memory.getBank(b));
    QString error;
    const bool loaded = EditorFile::load(&memory, bank, &file, withEditBuffer, &error);
    if (loaded != error.isEmpty())
        std::abort();
    if (!memory.isAllowToSendSysEx() || !memory.isAllowToRaiseFileEditFlag())
        std::abort();
    for (int b = 0; b < 9; ++b) {
        const bool written = b == bank || (withEditBuffer && b == 0);
        if (b == 6 || b == 7 || (loaded && written))
            continue;
        if (!sameBank(before.at(b), memory.getBank(b)))
            std::abort();
    }
    return 0;
}
