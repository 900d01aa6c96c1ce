// Loads arbitrary bytes as a bank file into a filled memory. The first byte picks how the bytes are used:
// as the whole file, or in place of one template element of a small or (one input in 64, as a complete file
// takes a hundred times longer to read) a full, otherwise valid file, so that the element readers see them
// too. The second picks the target bank and the edit-buffer option. After each load: a failed one left the
// banks it may write (the target and, with the edit buffer, bank 0) as they were, every load left the other
// banks' flags and template numbers alone, and every load allowed sending and raising the file edit flag
// again. The banks a load may write are compared by a digest of every value they hold: keeping and comparing
// copies of the whole memory took a hundred times longer than the load.
#include "../FilledMemory.h"
#include "../ScratchFolder.h"
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
    QTemporaryDir directory = kwfuzz::makeScratchFolder();
    QString path;
};

size_t digest(const NumericParameter& value, size_t seed)
{
    return qHashMulti(seed, value.getCurrentValue(), value.getMinValue(), value.getMaxValue(), value.getInitialValue());
}

size_t flagsDigest(RemoteMemAPI& memory, int bank)
{
    return digest(memory.getBankAvailableFlag(bank),
                  digest(memory.getParam(ParamAddress(bank, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1)), 1));
}

// Every value of the bank, so that a change of any one of them changes the digest.
size_t bankDigest(RemoteMemAPI& memory, int bank)
{
    const BankData data = memory.getBank(bank);
    size_t seed = digest(data.getBankAvailableFlag(), 0);
    seed = digest(data.getCurrentTemplateNumber(), seed);
    seed = digest(data.getEditFlag(), seed);
    for (int t = 0; t < BankData::kTemplateCount; ++t) {
        const ControlTemplateData& templ = data.getTemplate(t);
        seed = qHashMulti(seed, templ.getTemplateName(), templ.getQPXiName());
        seed = digest(templ.getCtrlType(), seed);
        for (int k = 0; k < ControlTemplateData::kControllerCount; ++k) {
            const ControllerData knob = templ.getController(k);
            seed = qHashMulti(seed, knob.getDisplayName(), knob.getRemoteTagID());
            seed = digest(knob.getCCNum(), digest(knob.getDispFormat(), seed));
        }
    }
    return seed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Fixture fixture;
    if (size < 2)
        return 0;
    const QByteArray input(reinterpret_cast<const char*>(data) + 2, qsizetype(size - 2));
    QByteArray bytes;
    const int mode = data[0] % 64;
    if (mode < 32)
        bytes = input;
    else if (mode < 63)
        bytes = fixture.smallHead + input + fixture.smallTail;
    else
        bytes = fixture.fullHead + input + fixture.fullTail;
    static const int kBanks[] = {1, 4, 0, 5};
    const int bank = kBanks[data[1] % 4];
    const bool withEditBuffer = (data[1] & 0x10) != 0;

    QFile file(fixture.path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered) ||
        file.write(bytes) != bytes.size())
        std::abort();
    file.close();

    RemoteMemAPI& memory = fixture.memory;
    // The digests of the memory as the last run left it, kept from one run to the next.
    static size_t digests[9] = {};
    static bool known = false;
    for (int b = 0; !known && b < 9; ++b)
        digests[b] = bankDigest(memory, b);
    known = true;
    size_t flags[9];
    for (int b = 0; b < 9; ++b)
        flags[b] = flagsDigest(memory, b);
    QString error;
    const bool loaded = EditorFile::load(&memory, bank, &file, withEditBuffer, &error);
    if (loaded != error.isEmpty())
        std::abort();
    if (!memory.isAllowToSendSysEx() || !memory.isAllowToRaiseFileEditFlag())
        std::abort();
    for (int b = 0; b < 9; ++b) {
        const bool written = b == bank || (withEditBuffer && b == 0);
        if (b == 6 || b == 7)
            continue;
        if (loaded && written)
            digests[b] = bankDigest(memory, b);
        else if (written ? digests[b] != bankDigest(memory, b) : flags[b] != flagsDigest(memory, b))
            std::abort();
    }
    return 0;
}
