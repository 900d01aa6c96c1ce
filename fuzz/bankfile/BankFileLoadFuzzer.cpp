// Loads arbitrary bytes as a bank file into a filled memory. The first byte picks how the bytes are used:
// as the whole file (below 128), or in place of the first template's contents of a small (128 and up) or a
// complete (some of 255), otherwise valid file, so that the element readers see them too and a load can
// succeed. The second picks the target bank and the edit-buffer option. After each load: a failed one left
// the banks it may write (the target and, with the edit buffer, bank 0) as they were, every load left the
// other banks' flags and template numbers alone, and every load allowed sending and raising the file edit
// flag again. The banks a load may write are compared by a digest of every value they hold: keeping and
// comparing copies of the whole memory took a hundred times longer than the load.
#include "../FilledMemory.h"
#include "../MemoryDigest.h"
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
#include <functional>
#include <string_view>

namespace {

// A complete file of bank 1, with or without the edit buffer, cut around template1's contents.
struct FullFile
{
    FullFile() = default;
    FullFile(RemoteMemAPI* memory, bool withEditBuffer)
    {
        QDomDocument document(QDomImplementation().createDocumentType(DocType, QString(), QString()));
        QDomElement root = EditorData::getBankDomElement(memory, &document, 1, TagEditorBank, withEditBuffer);
        root.setAttribute(AttributeVersion, FileVersion);
        document.appendChild(root);
        const QByteArray full = document.toByteArray(-1);
        const qsizetype open = full.indexOf("<template1>") + qsizetype(sizeof("<template1>") - 1);
        head = full.left(open);
        tail = full.mid(full.indexOf("</template1>"));
    }

    QByteArray head, tail;
};

struct Fixture
{
    Fixture()
    {
        kwfuzz::fillMemory(memory);
        // The edit buffer's half is left out where the load does not read it: a complete file takes most of
        // a run's time. The cut is at the first template, so that the parser stops early on broken contents.
        full = FullFile(&memory, false);
        fullWithEditBuffer = FullFile(&memory, true);
        path = directory.filePath(QStringLiteral("fuzz.Q9E"));
    }

    RemoteMemAPI memory;
    FullFile full;
    FullFile fullWithEditBuffer;
    QByteArray smallHead = "<!DOCTYPE KnobwrightFile>\n<bank version=\"1.0\">\n<template1>";
    QByteArray smallTail = "</template1>\n</bank>\n";
    QTemporaryDir directory = kwfuzz::makeScratchFolder();
    QString path;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Fixture fixture;
    if (size < 2)
        return 0;
    const QByteArrayView input(data + 2, qsizetype(size - 2));
    static const int kBanks[] = {1, 4, 0, 5};
    const int bank = kBanks[data[1] % 4];
    const bool withEditBuffer = (data[1] & 0x10) != 0;
    const FullFile& full = withEditBuffer ? fixture.fullWithEditBuffer : fixture.full;
    // A complete file costs fifty runs of the others, and the fuzzer keeps mutating the inputs that made one:
    // of those, only one in eight (picked by its bytes, so that a run repeats) gets a complete file again,
    // the rest the small one.
    const bool complete =
        data[0] == 255 &&
        std::hash<std::string_view>()(std::string_view(reinterpret_cast<const char*>(data), size)) % 8 == 0;
    const bool small = data[0] >= 128 && !complete;
    const QByteArray empty;
    const QByteArray& head = complete ? full.head : small ? fixture.smallHead : empty;
    const QByteArray& tail = complete ? full.tail : small ? fixture.smallTail : empty;

    // Written in its pieces: joining them first copied a whole file on every run.
    QFile file(fixture.path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered) ||
        file.write(head) != head.size() || file.write(input.data(), input.size()) != input.size() ||
        file.write(tail) != tail.size())
        std::abort();
    file.close();

    RemoteMemAPI& memory = fixture.memory;
    // The digests of the memory as the last run left it, kept from one run to the next.
    static size_t digests[9] = {};
    static bool known = false;
    for (int b = 0; !known && b < 9; ++b)
        digests[b] = kwfuzz::bankDigest(memory, b);
    known = true;
    size_t flags[9];
    for (int b = 0; b < 9; ++b)
        flags[b] = kwfuzz::bankFlagsDigest(memory, b);
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
            digests[b] = kwfuzz::bankDigest(memory, b);
        else if (written ? digests[b] != kwfuzz::bankDigest(memory, b) : flags[b] != kwfuzz::bankFlagsDigest(memory, b))
            std::abort();
    }
    return 0;
}
