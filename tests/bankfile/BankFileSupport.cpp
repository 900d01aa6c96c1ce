#include "BankFileSupport.h"

#include "EditorFile.h"

#include <QFile>

namespace bankfiletest {

void makeNineBanks(RemoteMemAPI& memory)
{
    while (memory.getQuantityOfBank() < kBankCount)
        memory.createBank();
}

void fillBank(RemoteMemAPI& memory, int bank, int seed)
{
    for (int t = 0; t < BankData::kTemplateCount; ++t) {
        const int n = seed * 1000 + bank * 100 + t;
        memory.setParam(ParamAddress(bank, t, ParamAddress::kTemplateNameController, -1),
                        QString::fromUtf8("T<%1> & \"é\" 漢字 ']]>' %2").arg(n).arg(seed));
        memory.setParam(ParamAddress(bank, t, ParamAddress::kQPXiNameController, -1),
                        QString::fromUtf8("Ïnstr&amp;<%1>").arg(n));
        memory.setParam(ParamAddress(bank, t, ParamAddress::kControlTypeController, -1), (t + seed) % 2);
        for (int k = 0; k < ControlTemplateData::kControllerCount; ++k) {
            const int m = n * 12 + k;
            memory.setParam(ParamAddress(bank, t, k, ParamAddress::kDisplayNameParam),
                            QString::fromUtf8("%1<&>é漢").arg(m % 100000));
            memory.setParam(ParamAddress(bank, t, k, ParamAddress::kCCNumberParam), (m * 7 + seed) % 128);
            memory.setParam(ParamAddress(bank, t, k, ParamAddress::kDisplayFormatParam), (m + seed) % 2);
            memory.setParam(ParamAddress(bank, t, k, ParamAddress::kRemoteNumberParam),
                            QStringLiteral("%1%2").arg(m % 3).arg(quint32(m) * 2654435761u, 8, 16, QLatin1Char('0')));
        }
    }
    memory.setParam(ParamAddress(bank, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1), (bank * 11 + seed) % 50);
    memory.setParam(ParamAddress(ParamAddress::kFileEditFlagBank, -1, -1, -1), 0);
}

MemorySnapshot takeSnapshot(RemoteMemAPI& memory)
{
    MemorySnapshot snapshot;
    for (int b = 0; b < memory.getQuantityOfBank(); ++b)
        snapshot.banks.append(memory.getBank(b));
    snapshot.fileEditFlag =
        memory.getParam(ParamAddress(ParamAddress::kFileEditFlagBank, -1, -1, -1)).getCurrentValue();
    return snapshot;
}

QString templatesDifference(const BankData& expected, const BankData& actual)
{
    for (int t = 0; t < BankData::kTemplateCount; ++t) {
        if (expected.getTemplate(t) != actual.getTemplate(t))
            return QStringLiteral("template %1 differs").arg(t);
    }
    return {};
}

QString bankDifference(const BankData& expected, const BankData& actual)
{
    if (const QString templates = templatesDifference(expected, actual); !templates.isEmpty())
        return templates;
    if (expected.getBankAvailableFlag() != actual.getBankAvailableFlag())
        return QStringLiteral("available flag differs");
    if (expected.getCurrentTemplateNumber() != actual.getCurrentTemplateNumber())
        return QStringLiteral("current template number differs");
    if (expected.getEditFlag() != actual.getEditFlag())
        return QStringLiteral("edit flag differs");
    return {};
}

QByteArray editDocument(const QByteArray& bytes, const std::function<void(QDomDocument&)>& edit)
{
    QDomDocument document;
    document.setContent(bytes, true);
    edit(document);
    return document.toByteArray(4);
}

void TwoMemories::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    makeNineBanks(source);
    makeNineBanks(target);
    fillBank(source, 1, 1);
    fillBank(source, 0, 2);
    for (int b = 0; b < kBankCount; ++b)
        fillBank(target, b, 7);
}

QByteArray TwoMemories::savedBytes()
{
    QFile file(dir.filePath(QStringLiteral("source.Q9E")));
    QString error;
    EXPECT_TRUE(EditorFile::save(&source, 1, &file, &error)) << qPrintable(error);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

} // namespace bankfiletest
