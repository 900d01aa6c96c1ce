#include "EditorData.h"
#include "EditorDefinitions.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

TEST(EditorDefinitions, BankFileSuffixesAndFiltersAreComposed)
{
    EXPECT_EQ(EditorFileExtension, QStringLiteral(".Q9E"));
    EXPECT_EQ(EditorFileFilter, QStringLiteral("Q9E Files (*.Q9E)"));
    EXPECT_EQ(EditorOpenFileFilter, QStringLiteral("Q9E Files (*.Q9E);;Q8E Files (*.Q8E)"));
    EXPECT_EQ(QPX2xSettingFileName, k_qpx2xSettingFileNameWithoutExt + k_qpx2xSettingFileExtension);
    EXPECT_EQ(QPX2xSettingFileName, QStringLiteral("Qpx2xPlugins.xml"));
    EXPECT_TRUE(PlistCorpName.endsWith(QLatin1Char('.')));
}

TEST(EditorDefinitions, FixedIdentifiersAreWellFormedNineCharacterIds)
{
    for (const QString* id :
         {&BypassID, &TrackControlVolumeID, &TrackControlPanID, &TrackControlNoAssignID, &TrackControlQuickControlID}) {
        EXPECT_EQ(id->size(), 9);
        EXPECT_EQ(*id, id->toLower());
        EXPECT_EQ(EditorData::translateDwremoteparam2Sremoteparam(EditorData::translateSremoteparam2Dwremoteparam(*id)),
                  *id);
    }
    EXPECT_EQ(EditorData::getRemoteParamTypeFromSRemoteStringParam(TrackControlNoAssignID), 2);
    EXPECT_EQ(EditorData::getRemoteParamTypeFromSRemoteStringParam(TrackControlVolumeID), 1);
    EXPECT_EQ(EditorData::getRemoteParamTypeFromSRemoteStringParam(BypassID), 0);
}

TEST(EditorDefinitions, BankNameValidatorAcceptsOnlyItsCharacterSet)
{
    const QRegularExpression validator(QRegularExpression::anchoredPattern(BankNameValidator));
    ASSERT_TRUE(validator.isValid()) << validator.errorString().toStdString();
    EXPECT_TRUE(validator.match(QString()).hasMatch());
    EXPECT_TRUE(validator.match(QStringLiteral("My Bank 01 !;#$%&'()+,-.=@[\\]^_{}`")).hasMatch());
    for (const char* bad : {"a/b", "a\"b", "a:b", "a*b", "a?b", "a<b", "a|b", "a~b", "tab\t"})
        EXPECT_FALSE(validator.match(QString::fromLatin1(bad)).hasMatch()) << bad;
    EXPECT_FALSE(validator.match(QStringLiteral("caf\u00e9")).hasMatch());
}

TEST(EditorDefinitions, BankFileTagsTakeTheirNumbers)
{
    EXPECT_EQ(TagTemplateNumber.arg(50), QStringLiteral("template50"));
    EXPECT_EQ(TagEditBuffTemplateNumber.arg(1), QStringLiteral("editBuffTemplate1"));
    EXPECT_EQ(DocType, QStringLiteral("KnobwrightFile"));
    EXPECT_EQ(LoadFileOtherDocType, QStringLiteral("BRAM6_BRAM8RemoteEditorFile"));
}
