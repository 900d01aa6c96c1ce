#include "EditorData.h"

#include <gtest/gtest.h>

namespace {
QString toHex(const char* decimal)
{
    return EditorData::translateDwremoteparam2Sremoteparam(QString::fromLatin1(decimal));
}
QString toDecimal(const char* hex)
{
    return EditorData::translateSremoteparam2Dwremoteparam(QString::fromLatin1(hex));
}
} // namespace

TEST(EditorDataIdentifiers, DecimalFormConvertsToNineCharacters)
{
    EXPECT_EQ(toHex("20068435455"), QStringLiteral("204143dff"));
    EXPECT_EQ(toHex("10000004201"), QStringLiteral("100001069"));
    EXPECT_EQ(toHex("0"), QStringLiteral("000000000"));
    EXPECT_EQ(toHex(""), QStringLiteral("000000000"));
    EXPECT_EQ(toHex("4201"), QStringLiteral("000001069")) << "short input is padded, space becomes 0";
    EXPECT_EQ(toHex("14294967295"), QStringLiteral("1ffffffff")) << "largest 32-bit number";
    EXPECT_EQ(toHex("14294967296"), QStringLiteral("100000000")) << "above 32 bits reads as 0";
    EXPECT_EQ(toHex("19999999999"), QStringLiteral("100000000"));
    EXPECT_EQ(toHex("1000000x001"), QStringLiteral("100000000")) << "not a number reads as 0";
    EXPECT_EQ(toHex("1-000000001"), QStringLiteral("100000000"));
    EXPECT_EQ(toHex("1 000000001"), QStringLiteral("100000000"));
    EXPECT_EQ(toHex("2220068435455"), QStringLiteral("204143dff")) << "longer input: first char, last ten";
}

TEST(EditorDataIdentifiers, NineCharactersConvertToDecimalForm)
{
    EXPECT_EQ(toDecimal("204143dff"), QStringLiteral("20068435455"));
    EXPECT_EQ(toDecimal("100001069"), QStringLiteral("10000004201"));
    EXPECT_EQ(toDecimal("000000000"), QStringLiteral("00000000000"));
    EXPECT_EQ(toDecimal("1ffffffff"), QStringLiteral("14294967295"));
    EXPECT_EQ(toDecimal("10000FFFF"), QStringLiteral("10000065535")) << "upper-case hex reads like lower";
    EXPECT_EQ(toDecimal("1000zzzzz"), QStringLiteral("10000000000")) << "invalid hex reads as 0";
    EXPECT_EQ(toDecimal("10x000001"), QStringLiteral("10000000000"));
    EXPECT_EQ(toDecimal(""), QStringLiteral("0000000000")) << "no first character to keep";
    EXPECT_EQ(toDecimal("1ff"), QStringLiteral("10000000511")) << "short input: first char and all of it";
}

TEST(EditorDataIdentifiers, FormsAreInverseForWellFormedIdentifiers)
{
    EXPECT_EQ(toHex("10000065535"), QStringLiteral("10000ffff"));
    for (const char* id : {"204143dff", "100000401", "100001069", "100000001", "100000008", "00098a6ea", "000000000",
                           "0ffffffff", "212345678", "9deadbeef"}) {
        const QString decimal = toDecimal(id);
        EXPECT_EQ(decimal.size(), 11) << id;
        EXPECT_EQ(EditorData::translateDwremoteparam2Sremoteparam(decimal), QString::fromLatin1(id)) << id;
    }
}

TEST(EditorDataIdentifiers, ContentsAndTypeOfAnIdentifier)
{
    EXPECT_EQ(EditorData::getRemoteParamContentsFromSRemoteStringParam(QStringLiteral("204143dff")), 0x04143dffu);
    EXPECT_EQ(EditorData::getRemoteParamContentsFromSRemoteStringParam(QStringLiteral("1FFFFFFFF")), 0xffffffffu);
    EXPECT_EQ(EditorData::getRemoteParamContentsFromSRemoteStringParam(QStringLiteral("1-0000001")), 0u);
    EXPECT_EQ(EditorData::getRemoteParamContentsFromSRemoteStringParam(QString()), 0u);
    EXPECT_EQ(EditorData::getRemoteParamTypeFromSRemoteStringParam(QStringLiteral("000000001")), 0);
    EXPECT_EQ(EditorData::getRemoteParamTypeFromSRemoteStringParam(QStringLiteral("100000001")), 1);
    EXPECT_EQ(EditorData::getRemoteParamTypeFromSRemoteStringParam(QStringLiteral("204143dff")), 2);
    EXPECT_EQ(EditorData::getRemoteParamTypeFromSRemoteStringParam(QStringLiteral("f")), 15);
    EXPECT_EQ(EditorData::getRemoteParamTypeFromSRemoteStringParam(QStringLiteral("x00000001")), 0);
    EXPECT_EQ(EditorData::getRemoteParamTypeFromSRemoteStringParam(QString()), 0);
}
