// Bank files written and read back: every value of both banks, the file's form, imports, the accepted
// versions and document types, values the records refuse, and saves that cannot be completed.
#include "BankFileSupport.h"
#include "EditorDefinitions.h"
#include "EditorFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace bankfiletest;

namespace {

const ParamAddress kFileEdit(ParamAddress::kFileEditFlagBank, -1, -1, -1);

class BankFile : public TwoMemories
{
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    bool load(const QString& fileName, int bank, bool withEditBuffer, QString* error)
    {
        QFile file(fileName);
        return EditorFile::load(&target, bank, &file, withEditBuffer, error);
    }
    QString name(RemoteMemAPI& memory, int bank, int t, int k)
    {
        return memory.getParamQString(ParamAddress(bank, t, k, ParamAddress::kDisplayNameParam));
    }
    int number(RemoteMemAPI& memory, const ParamAddress& address) { return memory.getParam(address).getCurrentValue(); }
};

TEST_F(BankFile, RoundTripRestoresBothBanksWithSpecialCharacters)
{
    const QString file = writeFile(QStringLiteral("bank.Q9E"), savedBytes());
    const int fileEditBefore = number(target, kFileEdit);
    const MemorySnapshot before = takeSnapshot(target);
    QString error = QStringLiteral("untouched");
    ASSERT_TRUE(load(file, 1, true, &error));
    EXPECT_EQ(error, QStringLiteral("untouched")) << "no message on success";
    EXPECT_EQ(templatesDifference(source.getBank(1), target.getBank(1)).toStdString(), "");
    EXPECT_EQ(bankDifference(source.getBank(0), target.getBank(0)).toStdString(), "");
    EXPECT_EQ(number(target, kFileEdit), fileEditBefore) << "a load raises no file edit flag";
    EXPECT_TRUE(target.isAllowToSendSysEx());
    for (int b : {2, 3, 4, 5, 8})
        EXPECT_EQ(bankDifference(before.banks.at(b), target.getBank(b)).toStdString(), "") << "bank " << b;
    EXPECT_EQ(target.getParamQString(ParamAddress(1, 49, ParamAddress::kTemplateNameController, -1)),
              QString::fromUtf8("T<1149> & \"é\" 漢字 ']]>' 1"));
}

TEST_F(BankFile, SavedFileHasDocumentTypeVersionAndElementOrder)
{
    const QByteArray bytes = savedBytes();
    EXPECT_TRUE(bytes.startsWith("<!DOCTYPE KnobwrightFile>\n<bank version=\"1.0\">\n    <template1>\n"
                                 "        <name>"))
        << bytes.left(200).constData();
    EXPECT_TRUE(bytes.contains("<qpxiname>\xc3\x8fnstr&amp;amp;&lt;1100></qpxiname>")) << "UTF-8, escaped";
    EXPECT_FALSE(bytes.contains("<?xml"));
    QDomDocument document;
    ASSERT_TRUE(document.setContent(bytes, true));
    QStringList order;
    for (QDomElement e = document.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        order.append(e.tagName());
    ASSERT_EQ(order.size(), 101);
    EXPECT_EQ(order.at(0), QStringLiteral("template1"));
    EXPECT_EQ(order.at(49), QStringLiteral("template50"));
    EXPECT_EQ(order.at(50), QStringLiteral("editBuffTemplate1"));
    EXPECT_EQ(order.at(99), QStringLiteral("editBuffTemplate50"));
    EXPECT_EQ(order.at(100), QStringLiteral("bankInfo"));
    QStringList templateOrder;
    const QDomElement first = document.documentElement().firstChildElement();
    for (QDomElement e = first.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        templateOrder.append(e.tagName());
    EXPECT_EQ(templateOrder.join(u','), QStringLiteral("name,qpxiname,controltype,knobA1,knobB1,knobC1,knobD1,knobA2,"
                                                       "knobB2,knobC2,knobD2,knobA3,knobB3,knobC3,knobD3"));
    QStringList knobOrder;
    for (QDomElement e = first.firstChildElement(QStringLiteral("knobA1")).firstChildElement(); !e.isNull();
         e = e.nextSiblingElement())
        knobOrder.append(e.tagName());
    EXPECT_EQ(knobOrder.join(u','), QStringLiteral("displayname,ccnumber,displayformat,remotenumber"));
    EXPECT_EQ(document.documentElement()
                  .firstChildElement(QStringLiteral("bankInfo"))
                  .firstChildElement(QStringLiteral("templateNumber"))
                  .text()
                  .toInt(),
              number(source, ParamAddress(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1)));
}

TEST_F(BankFile, ImportWritesOnlyTheTargetBank)
{
    const QString file = writeFile(QStringLiteral("bank.Q9E"), savedBytes());
    const MemorySnapshot before = takeSnapshot(target);
    QString error;
    ASSERT_TRUE(load(file, 4, false, &error)) << qPrintable(error);
    // The template part of the file is bank 1 of the source.
    for (int t = 0; t < BankData::kTemplateCount; ++t)
        ASSERT_EQ(target.getTemplateData(4, t), source.getTemplateData(1, t)) << t;
    for (int b : {0, 1, 2, 3, 5, 7, 8})
        EXPECT_EQ(bankDifference(before.banks.at(b), target.getBank(b)).toStdString(), "") << "bank " << b;
}

TEST_F(BankFile, OpeningIntoAnotherBankWritesThatBankAndTheEditBufferOnly)
{
    const QString file = writeFile(QStringLiteral("bank.Q9E"), savedBytes());
    const MemorySnapshot before = takeSnapshot(target);
    QString error;
    ASSERT_TRUE(load(file, 3, true, &error)) << qPrintable(error);
    EXPECT_EQ(templatesDifference(source.getBank(1), target.getBank(3)).toStdString(), "");
    EXPECT_EQ(bankDifference(source.getBank(0), target.getBank(0)).toStdString(), "");
    for (int b : {1, 2, 4, 5, 8})
        EXPECT_EQ(bankDifference(before.banks.at(b), target.getBank(b)).toStdString(), "") << "bank " << b;
}

TEST_F(BankFile, PredecessorDocumentTypeLoadsLikeCurrentOne)
{
    QByteArray bytes = savedBytes();
    bytes.replace("<!DOCTYPE KnobwrightFile>", "<!DOCTYPE BRAM6_BRAM8RemoteEditorFile>");
    QString error;
    ASSERT_TRUE(load(writeFile(QStringLiteral("old.Q8E"), bytes), 1, true, &error)) << qPrintable(error);
    EXPECT_EQ(templatesDifference(source.getBank(1), target.getBank(1)).toStdString(), "");
    EXPECT_EQ(bankDifference(source.getBank(0), target.getBank(0)).toStdString(), "");
}

TEST_F(BankFile, VersionsUpToOneLoad)
{
    for (const char* version : {"1", "0.5", "1.0", " 1.0 "}) {
        QByteArray bytes = savedBytes();
        bytes.replace("<bank version=\"1.0\">", QByteArray("<bank version=\"") + version + "\">");
        QString error;
        EXPECT_TRUE(load(writeFile(QStringLiteral("v.Q9E"), bytes), 1, true, &error))
            << version << ": " << qPrintable(error);
    }
}

TEST_F(BankFile, RefusedOrMalformedValuesKeepTheOldValueAndLoad)
{
    const ParamAddress cc(1, 3, 2, ParamAddress::kCCNumberParam);
    const ParamAddress format(1, 3, 4, ParamAddress::kDisplayFormatParam);
    const ParamAddress type(1, 3, ParamAddress::kControlTypeController, -1);
    const ParamAddress remote(1, 3, 5, ParamAddress::kRemoteNumberParam);
    const ParamAddress display(1, 3, 6, ParamAddress::kDisplayNameParam);
    const ParamAddress emptied(1, 3, 7, ParamAddress::kDisplayNameParam);
    // In the file: 200 for a CC number; garbage and a value that would wrap into range when narrowed.
    const QByteArray bytes = editDocument(savedBytes(), [](QDomDocument& document) {
        const QDomElement t4 = document.documentElement().firstChildElement(QStringLiteral("template4"));
        auto setText = [](QDomElement e, const QString& text) {
            while (!e.firstChild().isNull())
                e.removeChild(e.firstChild());
            e.appendChild(e.ownerDocument().createTextNode(text));
        };
        setText(t4.firstChildElement(QStringLiteral("knobC1")).firstChildElement(QStringLiteral("ccnumber")),
                QStringLiteral("200"));
        setText(t4.firstChildElement(QStringLiteral("knobA2")).firstChildElement(QStringLiteral("displayformat")),
                QStringLiteral("4294967297"));
        setText(t4.firstChildElement(QStringLiteral("controltype")), QStringLiteral("1x"));
        setText(t4.firstChildElement(QStringLiteral("knobB2")).firstChildElement(QStringLiteral("remotenumber")),
                QStringLiteral("10000ABCD"));
        setText(t4.firstChildElement(QStringLiteral("knobC2")).firstChildElement(QStringLiteral("displayname")),
                QStringLiteral("sixteen chars xx"));
        QDomElement empty =
            t4.firstChildElement(QStringLiteral("knobD2")).firstChildElement(QStringLiteral("displayname"));
        while (!empty.firstChild().isNull())
            empty.removeChild(empty.firstChild());
    });
    const int ccBefore = number(target, cc);
    const int formatBefore = number(target, format);
    const int typeBefore = number(target, type);
    const QString displayBefore = target.getParamQString(display);
    QString error;
    ASSERT_TRUE(load(writeFile(QStringLiteral("odd.Q9E"), bytes), 1, true, &error)) << qPrintable(error);
    EXPECT_EQ(number(target, cc), ccBefore);
    EXPECT_EQ(number(target, format), formatBefore) << "4294967297 must not wrap into 1";
    EXPECT_EQ(number(target, type), typeBefore) << "a text that is no number keeps the old value";
    EXPECT_EQ(target.getParamQString(remote), QStringLiteral("10000abcd"));
    EXPECT_EQ(target.getParamQString(display), displayBefore) << "16 characters are too long";
    EXPECT_EQ(target.getParamQString(emptied), QString());
    // Everything else of that template did load.
    EXPECT_EQ(target.getParamQString(ParamAddress(1, 3, ParamAddress::kTemplateNameController, -1)),
              source.getParamQString(ParamAddress(1, 3, ParamAddress::kTemplateNameController, -1)));
}

TEST_F(BankFile, NamesWithControlCharactersAndBlanksSurviveSaveAndReopen)
{
    const QString controls = QStringLiteral("a\x01"
                                            "b\x1f"
                                            "c") +
                             QChar(0x7f) + QChar(0xFFFF);
    const QString lone = QStringLiteral("x") + QChar(0xD800) + QStringLiteral("y") + QChar(0xDC00);
    const QString pair = QString::fromUtf8("🎹 keys");
    source.setParam(ParamAddress(1, 0, ParamAddress::kTemplateNameController, -1), controls);
    source.setParam(ParamAddress(1, 1, ParamAddress::kTemplateNameController, -1), lone);
    source.setParam(ParamAddress(1, 2, ParamAddress::kTemplateNameController, -1), pair);
    source.setParam(ParamAddress(1, 3, ParamAddress::kTemplateNameController, -1), QStringLiteral("   "));
    source.setParam(ParamAddress(1, 4, ParamAddress::kTemplateNameController, -1), QStringLiteral("\t\r\n"));
    source.setParam(ParamAddress(1, 5, ParamAddress::kTemplateNameController, -1), QStringLiteral(" a\r\nb "));
    source.setParam(ParamAddress(0, 0, 0, ParamAddress::kDisplayNameParam), QStringLiteral("\x02\x03"));
    QString error;
    ASSERT_TRUE(load(writeFile(QStringLiteral("ctl.Q9E"), savedBytes()), 1, true, &error)) << qPrintable(error);
    auto templateName = [this](int t) {
        return target.getParamQString(ParamAddress(1, t, ParamAddress::kTemplateNameController, -1));
    };
    EXPECT_EQ(templateName(0), QStringLiteral("a b c") + QChar(0x7f) + QStringLiteral(" "));
    EXPECT_EQ(templateName(1), QStringLiteral("x y "));
    EXPECT_EQ(templateName(2), pair);
    EXPECT_EQ(templateName(3), QStringLiteral("   ")) << "blanks are kept, not dropped as layout";
    EXPECT_EQ(templateName(4), QStringLiteral("   ")) << "tabs and line ends are written as blanks";
    EXPECT_EQ(templateName(5), QStringLiteral(" a  b "));
    EXPECT_EQ(target.getParamQString(ParamAddress(0, 0, 0, ParamAddress::kDisplayNameParam)), QStringLiteral("  "));
}

TEST_F(BankFile, LoadSendsNothingAndNotifiesObserversValueByValue)
{
    CountingSender sender;
    target.setMessageSender(&sender);
    target.setONLINEstate(1);
    ParamAddress watched(0, 3, 2, ParamAddress::kCCNumberParam);
    Counter observer;
    target.registObserver(&watched, &observer);
    QString error;
    ASSERT_TRUE(load(writeFile(QStringLiteral("bank.Q9E"), savedBytes()), 1, true, &error)) << qPrintable(error);
    EXPECT_EQ(sender.enqueued, 0) << "nothing of a load goes to the synthesizer";
    EXPECT_GE(observer.count, 1);
    EXPECT_TRUE(target.isAllowToSendSysEx());
    target.setParam(ParamAddress(0, 3, 2, ParamAddress::kCCNumberParam), 99);
    EXPECT_EQ(sender.enqueued, 1) << "sending is allowed again after the load";
    target.setMessageSender(nullptr);
}

TEST_F(BankFile, CreateWritesANewUniquelyNamedFile)
{
    QString error;
    ASSERT_TRUE(
        EditorFile::create(&source, 1, QDir(dir.path()), QStringLiteral("UserBank"), EditorFileExtension, &error));
    ASSERT_TRUE(
        EditorFile::create(&source, 1, QDir(dir.path()), QStringLiteral("UserBank"), EditorFileExtension, &error));
    const QStringList files = QDir(dir.path()).entryList({QStringLiteral("UserBank{*}.Q9E")}, QDir::Files);
    ASSERT_EQ(files.size(), 2);
    ASSERT_TRUE(load(path(files.first()), 1, true, &error)) << qPrintable(error);
    EXPECT_EQ(templatesDifference(source.getBank(1), target.getBank(1)).toStdString(), "");
}

TEST_F(BankFile, CreateInAMissingFolderFailsAndMarksTheBankUnavailable)
{
    source.setBankAvailableFlag(1, 1);
    QString error;
    EXPECT_FALSE(EditorFile::create(&source, 1, QDir(path(QStringLiteral("no/such"))), QStringLiteral("UserBank"),
                                    EditorFileExtension, &error));
    EXPECT_EQ(error, QStringLiteral("Failed in the file writing."));
    EXPECT_EQ(source.getBankAvailableFlag(1).getCurrentValue(), 0);
}

// Saving into places that cannot take the file: nothing is reported as saved and what was there stays.
TEST_F(BankFile, SaveThatCannotBeWrittenReportsFailureAndKeepsTheOldFile)
{
    QString error;
    QFile intoFolder(dir.path());
    EXPECT_FALSE(EditorFile::save(&source, 1, &intoFolder, &error));
    EXPECT_EQ(error, QStringLiteral("Failed in the file writing."));
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());

    error.clear();
    QFile missingFolder(path(QStringLiteral("missing/bank.Q9E")));
    EXPECT_FALSE(EditorFile::save(&source, 1, &missingFolder, &error));
    EXPECT_EQ(error, QStringLiteral("Failed in the file writing."));

    // A file-size limit makes the writes themselves fail after the file was opened (a full disk does
    // the same): the old file must come through whole and no temporary file may be left behind.
    const QByteArray old("old contents of the bank file");
    const QString oldFile = writeFile(QStringLiteral("old.Q9E"), old);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QFile full(oldFile);
    error.clear();
    const bool saved4k = EditorFile::save(&source, 1, &full, &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(saved4k);
    EXPECT_EQ(error, QStringLiteral("Failed in the file writing."));
    QFile check(oldFile);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.Q9E")});

    // And with room again the same save goes through and replaces it.
    error.clear();
    EXPECT_TRUE(EditorFile::save(&source, 1, &full, &error)) << qPrintable(error);
    EXPECT_EQ(error, QString());
    EXPECT_GT(QFileInfo(oldFile).size(), 100000);
}

} // namespace
