// Loads that fail: each gives its message, and every bank the load wrote is put back exactly, available
// flags included, while the banks it was not asked to write are left alone.
#include "BankFileSupport.h"
#include "EditorFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace bankfiletest;

namespace {

const QString kMissing = QStringLiteral("Parameter is not found.");
const QString kVersion = QStringLiteral("It doesn't correspond to this version.");
const QString kNotEditor = QStringLiteral("File is not an editor file.");

QDomElement child(const QDomElement& parent, const char* tag)
{
    return parent.firstChildElement(QString::fromLatin1(tag));
}

void removeChild(QDomElement parent, const char* tag)
{
    parent.removeChild(child(parent, tag));
}

class BankFileLoadErrors : public TwoMemories
{
protected:
    void SetUp() override
    {
        TwoMemories::SetUp();
        // An import buffer marked unavailable, as the library marks it before it imports.
        target.setBankAvailableFlag(0, 4);
        good = savedBytes();
    }

    QByteArray edited(const std::function<void(QDomElement root)>& edit)
    {
        return editDocument(good, [&edit](QDomDocument& document) { edit(document.documentElement()); });
    }

    // Loads bytes and expects the message with every bank but the evacuation slots as it was; true when
    // all of that held.
    void expectRefused(const QByteArray& bytes, int bank, bool withEditBuffer, const QString& message)
    {
        QFile file(dir.filePath(QStringLiteral("broken.Q9E")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
        file.close();
        const MemorySnapshot before = takeSnapshot(target);
        QString error;
        EXPECT_FALSE(EditorFile::load(&target, bank, &file, withEditBuffer, &error));
        EXPECT_EQ(error.toStdString(), message.toStdString());
        for (int b = 0; b < kBankCount; ++b) {
            if (b == 6 || b == 7)
                continue;
            EXPECT_EQ(bankDifference(before.banks.at(b), target.getBank(b)).toStdString(), "") << "bank " << b;
        }
        EXPECT_EQ(takeSnapshot(target).fileEditFlag, before.fileEditFlag);
        EXPECT_TRUE(target.isAllowToSendSysEx());
        EXPECT_TRUE(target.isAllowToRaiseFileEditFlag());
    }

    QByteArray good;
};

TEST_F(BankFileLoadErrors, MissingLastKnobUndoesEverythingReadBefore)
{
    const QByteArray bytes = edited([](QDomElement root) { removeChild(child(root, "template50"), "knobD3"); });
    expectRefused(bytes, 1, true, kMissing);
    expectRefused(bytes, 4, false, kMissing);
    EXPECT_EQ(target.getBankAvailableFlag(4).getCurrentValue(), 0) << "the import buffer stays unavailable";
}

TEST_F(BankFileLoadErrors, MissingElementsAtEveryLevel)
{
    const QList<std::pair<const char*, std::function<void(QDomElement)>>> cases = {
        {"a template", [](QDomElement root) { removeChild(root, "template17"); }},
        {"an edit-buffer template", [](QDomElement root) { removeChild(root, "editBuffTemplate50"); }},
        {"the bank info", [](QDomElement root) { removeChild(root, "bankInfo"); }},
        {"the template number", [](QDomElement root) { removeChild(child(root, "bankInfo"), "templateNumber"); }},
        {"a template name", [](QDomElement root) { removeChild(child(root, "template1"), "name"); }},
        {"a QPXi name", [](QDomElement root) { removeChild(child(root, "template2"), "qpxiname"); }},
        {"a control type", [](QDomElement root) { removeChild(child(root, "editBuffTemplate3"), "controltype"); }},
        {"a display name",
         [](QDomElement root) { removeChild(child(child(root, "template9"), "knobA1"), "displayname"); }},
        {"a CC number", [](QDomElement root) { removeChild(child(child(root, "template9"), "knobB3"), "ccnumber"); }},
        {"a display format",
         [](QDomElement root) { removeChild(child(child(root, "editBuffTemplate9"), "knobC2"), "displayformat"); }},
        {"a remote number",
         [](QDomElement root) { removeChild(child(child(root, "template50"), "knobD1"), "remotenumber"); }},
    };
    for (const auto& [what, edit] : cases) {
        SCOPED_TRACE(what);
        expectRefused(edited(edit), 1, true, kMissing);
    }
}

TEST_F(BankFileLoadErrors, VersionsAboveOneMissingOrNotANumber)
{
    for (const char* root :
         {"<bank version=\"1.01\">", "<bank version=\"1.1\">", "<bank version=\"2.0\">", "<bank>",
          "<bank version=\"one\">", "<bank version=\"\">", "<bank version=\"nan\">", "<bank version=\"1e40\">"}) {
        SCOPED_TRACE(root);
        QByteArray bytes = good;
        bytes.replace("<bank version=\"1.0\">", root);
        expectRefused(bytes, 1, true, kVersion);
    }
}

TEST_F(BankFileLoadErrors, WrongDocumentTypeOrRoot)
{
    QByteArray other = good;
    other.replace("<!DOCTYPE KnobwrightFile>", "<!DOCTYPE KnobwrightTemplate>");
    expectRefused(other, 1, true, kNotEditor);
    QByteArray none = good;
    none.replace("<!DOCTYPE KnobwrightFile>", "");
    expectRefused(none, 1, true, kNotEditor);
    QByteArray root = good;
    root.replace("<bank version=\"1.0\">", "<banks version=\"1.0\">");
    root.replace("</bank>", "</banks>");
    expectRefused(root, 1, true, QStringLiteral("Root tag ID name is different."));
}

TEST_F(BankFileLoadErrors, NotXmlEmptyOrCutShortGivesTheParserMessage)
{
    expectRefused("<!DOCTYPE KnobwrightFile>\n<bank version=\"1.0\">\n</bnk>", 1, true,
                  QStringLiteral("Parse error at line 3. (Opening and ending tag mismatch.)"));
    expectRefused(QByteArray(), 1, true, QStringLiteral("Parse error at line 1. (Premature end of document.)"));
    expectRefused(good.left(good.size() / 2), 4, false,
                  QStringLiteral("Parse error at line %1. (Premature end of document.)")
                      .arg(good.left(good.size() / 2).count('\n') + 1));
    expectRefused("plain text", 1, true, QStringLiteral("Parse error at line 1. (Start tag expected.)"));
    expectRefused("\x89PNG\r\n\x1a\n\xff\xfe", 1, true,
                  QStringLiteral("Parse error at line 1. (Encountered incorrectly encoded content.)"));
}

TEST_F(BankFileLoadErrors, HugeOrDeeplyNestedFilesAreRefusedQuickly)
{
    QByteArray huge = good;
    huge.replace("</bank>", "<!--" + QByteArray(EditorFile::kMaxFileBytes, 'x') + "--></bank>");
    expectRefused(huge, 1, true, kNotEditor);

    // Nesting like this once held the document parser for minutes; it must end at once.
    QByteArray deep = "<!DOCTYPE KnobwrightFile>\n<bank version=\"1.0\">";
    deep += QByteArray("<x>").repeated(200000) + QByteArray("</x>").repeated(200000) + "</bank>";
    QElapsedTimer timer;
    timer.start();
    expectRefused(deep, 1, true, kNotEditor);
    EXPECT_LT(timer.elapsed(), 20000);
}

TEST_F(BankFileLoadErrors, HostileStartTagsAreRefusedAndNestingIsJudgedAsBefore)
{
    // A 1.2 MB file whose root carries 80,000 attributes, and one start tag of 5 KB.
    QByteArray attributes = good;
    QByteArray many;
    for (int a = 0; a < 80000; ++a)
        many += " a" + QByteArray::number(a) + "=\"x\"";
    attributes.replace("<bank version=\"1.0\"", "<bank version=\"1.0\"" + many);
    expectRefused(attributes, 1, true, kNotEditor);
    QByteArray longTag = good;
    longTag.replace("<template7>", "<template7 note=\"" + QByteArray(5000, 'n') + "\">");
    expectRefused(longTag, 4, false, kNotEditor);

    // A few unknown attributes are ignored, as ever.
    QByteArray fewAttributes = good;
    fewAttributes.replace("<template7>", "<template7 a=\"1\" b='>' c=\"/\">");
    QFile file(dir.filePath(QStringLiteral("few.Q9E")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(fewAttributes);
    file.close();
    QString error;
    EXPECT_TRUE(EditorFile::load(&target, 1, &file, true, &error)) << error.toStdString();

    // Elements that only an entity adds still count towards the nesting.
    const QByteArray entity = "<!DOCTYPE KnobwrightFile [<!ENTITY deep \"" + QByteArray("<x>").repeated(40) +
                              QByteArray("</x>").repeated(40) + "\">]>\n<bank version=\"1.0\">&deep;</bank>";
    expectRefused(entity, 1, true, kNotEditor);
    // A fault before the nesting gets deep is reported by the parser, as before.
    QByteArray faultFirst = "<!DOCTYPE KnobwrightFile>\n<bank version=\"1.0\"><a></b>";
    faultFirst += QByteArray("<x>").repeated(40) + QByteArray("</x>").repeated(40) + "</bank>";
    QFile broken(dir.filePath(QStringLiteral("fault.Q9E")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(faultFirst);
    broken.close();
    EXPECT_FALSE(EditorFile::load(&target, 1, &broken, true, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Parse error at line 2. ("))) << error.toStdString();
}

TEST_F(BankFileLoadErrors, MissingOrUnopenableFileTouchesNothing)
{
    Counter slot6;
    ParamAddress slot6Name(6, 0, ParamAddress::kTemplateNameController, -1);
    target.registObserver(&slot6Name, &slot6);
    const MemorySnapshot before = takeSnapshot(target);
    QString error;
    QFile missing(dir.filePath(QStringLiteral("nothing.Q9E")));
    EXPECT_FALSE(EditorFile::load(&target, 1, &missing, true, &error));
    EXPECT_EQ(error, QStringLiteral("File was not found."));
    QFile folder(dir.path());
    EXPECT_FALSE(EditorFile::load(&target, 1, &folder, true, &error));
    EXPECT_EQ(error, QStringLiteral("File could not be opened."));
    // Opening a named pipe would wait for a writer for ever.
    const QByteArray pipePath = QFile::encodeName(dir.filePath(QStringLiteral("pipe.Q9E")));
    ASSERT_EQ(::mkfifo(pipePath.constData(), 0600), 0);
    QFile pipe(QFile::decodeName(pipePath));
    error.clear();
    EXPECT_FALSE(EditorFile::load(&target, 1, &pipe, true, &error));
    EXPECT_EQ(error, QStringLiteral("File could not be opened."));
    for (int b = 0; b < kBankCount; ++b)
        EXPECT_EQ(bankDifference(before.banks.at(b), target.getBank(b)).toStdString(), "") << "bank " << b;
    EXPECT_EQ(slot6.count, 0) << "no evacuation happened";
}

TEST_F(BankFileLoadErrors, ImportLeavesEditBufferAndItsSlotAlone)
{
    Counter editBuffer;
    ParamAddress watched(0, 0, 0, ParamAddress::kCCNumberParam);
    target.registObserver(&watched, &editBuffer);
    fillBank(target, 7, 9);
    const BankData slot7 = target.getBank(7);
    expectRefused(edited([](QDomElement root) { removeChild(root, "template50"); }), 4, false, kMissing);
    EXPECT_EQ(editBuffer.count, 0) << "bank 0 was neither written nor put back";
    EXPECT_EQ(bankDifference(slot7, target.getBank(7)).toStdString(), "");
}

TEST_F(BankFileLoadErrors, LoadIntoAnEvacuationSlotOrMissingBankIsRefused)
{
    QFile file(dir.filePath(QStringLiteral("source.Q9E")));
    QString error;
    for (int bank : {6, 7, 9, -1}) {
        const MemorySnapshot before = takeSnapshot(target);
        EXPECT_FALSE(EditorFile::load(&target, bank, &file, false, &error)) << bank;
        EXPECT_EQ(error, QStringLiteral("File could not be opened."));
        for (int b = 0; b < kBankCount; ++b)
            EXPECT_EQ(bankDifference(before.banks.at(b), target.getBank(b)).toStdString(), "") << "bank " << b;
    }
    RemoteMemAPI sixBanks;
    EXPECT_FALSE(EditorFile::load(&sixBanks, 1, &file, true, &error)) << "no evacuation slots to keep bank 1 in";
}

} // namespace
