#include "BankData.h"
#include "ControlTemplateData.h"
#include "ControllerData.h"
#include "EditorDefinitions.h"

#include <gtest/gtest.h>

TEST(ControllerData, DefaultKnobIsUnassigned)
{
    const ControllerData knob;
    EXPECT_TRUE(knob.getDisplayName().isEmpty());
    EXPECT_EQ(knob.getCCNum().getCurrentValue(), 0);
    EXPECT_EQ(knob.getCCNum().getMaxValue(), 127);
    EXPECT_EQ(knob.getDispFormat().getCurrentValue(), 0);
    EXPECT_EQ(knob.getDispFormat().getMaxValue(), 1);
    EXPECT_EQ(knob.getRemoteTagID(), QStringLiteral("204143dff"));
    EXPECT_EQ(knob.getRemoteTagID(), TrackControlNoAssignID);
}

TEST(ControllerData, DisplayNameTakesAtMostFifteenCharacters)
{
    ControllerData knob;
    EXPECT_TRUE(knob.setDisplayName(QString(15, QLatin1Char('x'))));
    EXPECT_FALSE(knob.setDisplayName(QString(16, QLatin1Char('y'))));
    EXPECT_EQ(knob.getDisplayName(), QString(15, QLatin1Char('x')));
    EXPECT_TRUE(knob.setDisplayName(QStringLiteral("Cutoff")));
    EXPECT_FALSE(knob.setDisplayName(QStringLiteral("Cutoff"))) << "same text twice";
    EXPECT_TRUE(knob.setDisplayName(QString()));
}

TEST(ControllerData, RemoteTagIdIsStoredLowerCaseAndAtMostNineCharacters)
{
    ControllerData knob;
    EXPECT_TRUE(knob.setRemoteTagID(QStringLiteral("10000FFFF")));
    EXPECT_EQ(knob.getRemoteTagID(), QStringLiteral("10000ffff"));
    EXPECT_FALSE(knob.setRemoteTagID(QStringLiteral("10000ffff")));
    EXPECT_FALSE(knob.setRemoteTagID(QStringLiteral("1000000000")));
    EXPECT_EQ(knob.getRemoteTagID(), QStringLiteral("10000ffff"));
    EXPECT_TRUE(knob.setRemoteTagID(QStringLiteral("abc"))) << "the shape is not checked";
}

TEST(ControllerData, NumbersObeyTheirLimits)
{
    ControllerData knob;
    EXPECT_FALSE(knob.setCCNum(128));
    EXPECT_FALSE(knob.setCCNum(-1));
    EXPECT_TRUE(knob.setCCNum(127));
    EXPECT_FALSE(knob.setDispFormat(2));
    EXPECT_TRUE(knob.setDispFormat(1));
    EXPECT_FALSE(knob.setDispFormat(1));
}

TEST(ControllerData, EqualityCoversAllFourValues)
{
    ControllerData a;
    ControllerData b;
    EXPECT_TRUE(a == b);
    b.setCCNum(3);
    EXPECT_FALSE(a == b);
    a.setCCNum(3);
    a.setRemoteTagID(QStringLiteral("100000401"));
    EXPECT_FALSE(a == b);
    b.setRemoteTagID(QStringLiteral("100000401"));
    b.setDisplayName(QStringLiteral("Volume"));
    EXPECT_FALSE(a == b);
    a.setDisplayName(QStringLiteral("Volume"));
    a.setDispFormat(1);
    EXPECT_FALSE(a == b);
    b.setDispFormat(1);
    EXPECT_TRUE(a == b);
}

TEST(ControlTemplateData, DefaultTemplateIsEmpty)
{
    const ControlTemplateData t;
    EXPECT_TRUE(t.getTemplateName().isEmpty());
    EXPECT_TRUE(t.getQPXiName().isEmpty());
    EXPECT_EQ(t.getCtrlType().getCurrentValue(), 0);
    for (int k = 0; k < 12; ++k)
        EXPECT_TRUE(t.getController(k) == ControllerData());
}

TEST(ControlTemplateData, NumericWritesReachTheAddressedKnob)
{
    ControlTemplateData t;
    EXPECT_TRUE(t.setParam(ParamAddress(0, 0, 11, 1), 64));
    EXPECT_EQ(t.getController(11).getCCNum().getCurrentValue(), 64);
    EXPECT_EQ(t.getParam(ParamAddress(0, 0, 11, 1)).getCurrentValue(), 64);
    EXPECT_TRUE(t.setParam(ParamAddress(0, 0, 0, 2), 1));
    EXPECT_EQ(t.getParam(ParamAddress(0, 0, 0, 2)).getCurrentValue(), 1);
    EXPECT_FALSE(t.setParam(ParamAddress(0, 0, 12, 1), 5)) << "knob 12 does not exist";
    EXPECT_FALSE(t.setParam(ParamAddress(0, 0, -1, 1), 5));
    EXPECT_TRUE(t.setParam(ParamAddress(0, 0, 14, -1), 1));
    EXPECT_EQ(t.getParam(ParamAddress(0, 0, 14, -1)).getCurrentValue(), 1);
    EXPECT_FALSE(t.setParam(ParamAddress(0, 0, 14, 1), 0)) << "the param component is tested first";
    EXPECT_FALSE(t.setParam(ParamAddress(0, 0, 14, -1), 2));
    EXPECT_FALSE(t.setParam(ParamAddress(0, 0, 3, 0), 1)) << "a text address takes no number";
}

TEST(ControlTemplateData, NonNumericAddressesReadAsNeutralValues)
{
    const ControlTemplateData t;
    for (const ParamAddress& a : {ParamAddress(0, 0, 3, 3), ParamAddress(0, 0, 13, -1), ParamAddress(0, 0, 99, 1),
                                  ParamAddress(0, 0, -1, -1)}) {
        const NumericParameter p = t.getParam(a);
        EXPECT_EQ(p.getCurrentValue(), 0);
        EXPECT_EQ(p.getMaxValue(), 0);
    }
    EXPECT_TRUE(t.getParamQString(ParamAddress(0, 0, 12, 0)).isEmpty());
    EXPECT_TRUE(t.getParamQString(ParamAddress(0, 0, 0, 1)).isEmpty());
}

TEST(ControlTemplateData, TextWritesReachNamesAndKnobs)
{
    ControlTemplateData t;
    EXPECT_TRUE(t.setParam(ParamAddress(0, 0, 13, -1), QStringLiteral("Lead")));
    EXPECT_FALSE(t.setParam(ParamAddress(0, 0, 13, -1), QStringLiteral("Lead")));
    EXPECT_TRUE(t.setParam(ParamAddress(0, 0, 15, -1), QStringLiteral("SomeSynth")));
    EXPECT_TRUE(t.setParam(ParamAddress(0, 0, 4, 0), QStringLiteral("Cutoff")));
    EXPECT_TRUE(t.setParam(ParamAddress(0, 0, 4, 3), QStringLiteral("0000000AB")));
    EXPECT_FALSE(t.setParam(ParamAddress(0, 0, 12, 0), QStringLiteral("x")));
    EXPECT_FALSE(t.setParam(ParamAddress(0, 0, 14, -1), QStringLiteral("x")));
    EXPECT_EQ(t.getParamQString(ParamAddress(0, 0, 13, -1)), QStringLiteral("Lead"));
    EXPECT_EQ(t.getParamQString(ParamAddress(0, 0, 15, -1)), QStringLiteral("SomeSynth"));
    EXPECT_EQ(t.getParamQString(ParamAddress(0, 0, 4, 0)), QStringLiteral("Cutoff"));
    EXPECT_EQ(t.getParamQString(ParamAddress(0, 0, 4, 3)), QStringLiteral("0000000ab"));
    // Template and instrument names have no length rule in the record.
    EXPECT_TRUE(t.setTemplateName(QString(40, QLatin1Char('n'))));
}

TEST(ControlTemplateData, ControllerSlotsOutsideRangeAreRefused)
{
    ControlTemplateData t;
    ControllerData knob;
    knob.setCCNum(9);
    EXPECT_TRUE(t.getController(12) == ControllerData());
    EXPECT_TRUE(t.getController(-1) == ControllerData());
    EXPECT_FALSE(t.setController(knob, 12));
    EXPECT_FALSE(t.setController(knob, -1));
    EXPECT_TRUE(t.setController(knob, 0));
    EXPECT_FALSE(t.setController(knob, 0)) << "an identical knob stores nothing";
    EXPECT_EQ(t.getController(0).getCCNum().getCurrentValue(), 9);
}

TEST(ControlTemplateData, ControlTypeCopiesLimitsOnlyOnChange)
{
    ControlTemplateData t;
    EXPECT_FALSE(t.setCtrlType(NumericParameter(0, 5, 0)));
    EXPECT_EQ(t.getCtrlType().getMaxValue(), 1);
    EXPECT_TRUE(t.setCtrlType(NumericParameter(0, 5, 3)));
    EXPECT_EQ(t.getCtrlType().getMaxValue(), 5);
}

TEST(ControlTemplateData, EqualityCoversNamesTypeAndKnobs)
{
    ControlTemplateData a;
    ControlTemplateData b;
    EXPECT_TRUE(a == b);
    b.setParam(ParamAddress(0, 0, 11, 2), 1);
    EXPECT_FALSE(a == b);
    a.setParam(ParamAddress(0, 0, 11, 2), 1);
    EXPECT_TRUE(a == b);
    a.setQPXiName(QStringLiteral("X"));
    EXPECT_FALSE(a == b);
    b.setQPXiName(QStringLiteral("X"));
    b.setParam(ParamAddress(0, 0, 14, -1), 1);
    EXPECT_FALSE(a == b);
}

TEST(BankData, DefaultBankIsAvailableUneditedAtTemplateZero)
{
    const BankData bank;
    EXPECT_EQ(bank.getBankAvailableFlag().getCurrentValue(), 1);
    EXPECT_EQ(bank.getEditFlag().getCurrentValue(), 0);
    EXPECT_EQ(bank.getCurrentTemplateNumber().getCurrentValue(), 0);
    EXPECT_EQ(BankData(0).getBankAvailableFlag().getCurrentValue(), 0);
    EXPECT_TRUE(bank.getTemplate(49) == ControlTemplateData());
}

TEST(BankData, BankValuesObeyTheirLimits)
{
    BankData bank;
    EXPECT_FALSE(bank.setParam(ParamAddress(0, 52, -1, -1), 50));
    EXPECT_FALSE(bank.setParam(ParamAddress(0, 52, -1, -1), -1));
    EXPECT_TRUE(bank.setParam(ParamAddress(0, 52, -1, -1), 49));
    EXPECT_EQ(bank.getParam(ParamAddress(0, 52, -1, -1)).getCurrentValue(), 49);
    EXPECT_FALSE(bank.setParam(ParamAddress(0, 51, -1, -1), 1)) << "already available";
    EXPECT_FALSE(bank.setParam(ParamAddress(0, 51, -1, -1), 2));
    EXPECT_TRUE(bank.setParam(ParamAddress(0, 51, -1, -1), 0));
    EXPECT_EQ(bank.getParam(ParamAddress(0, 51, -1, -1)).getCurrentValue(), 0);
}

TEST(BankData, EditFlagReportsOnlyWhatItStored)
{
    BankData bank;
    EXPECT_FALSE(bank.setEditFlag(2)) << "out of range stores nothing";
    EXPECT_EQ(bank.getEditFlag().getCurrentValue(), 0);
    EXPECT_FALSE(bank.setEditFlag(0));
    EXPECT_TRUE(bank.setParam(ParamAddress(-6, -1, -1, -1), 1));
    EXPECT_EQ(bank.getParam(ParamAddress(-6, -1, -1, -1)).getCurrentValue(), 1);
}

TEST(BankData, TemplateValuesGoThroughTheAddressedTemplate)
{
    BankData bank;
    EXPECT_TRUE(bank.setParam(ParamAddress(0, 49, 3, 1), 7));
    EXPECT_EQ(bank.getParam(ParamAddress(0, 49, 3, 1)).getCurrentValue(), 7);
    EXPECT_TRUE(bank.setParam(ParamAddress(0, 0, 13, -1), QStringLiteral("Pad")));
    EXPECT_EQ(bank.getParamQString(ParamAddress(0, 0, 13, -1)), QStringLiteral("Pad"));
    EXPECT_FALSE(bank.setParam(ParamAddress(0, 50, 3, 1), 7));
    EXPECT_FALSE(bank.setParam(ParamAddress(0, -1, 13, -1), QStringLiteral("x")));
    EXPECT_FALSE(bank.setParam(ParamAddress(0, 51, -1, -1), QStringLiteral("x")));
    EXPECT_TRUE(bank.getParamQString(ParamAddress(0, 50, 13, -1)).isEmpty());
    EXPECT_EQ(bank.getParam(ParamAddress(0, 50, 3, 1)).getMaxValue(), 0);
    EXPECT_EQ(bank.AccessTemplate(ParamAddress(0, 50, -1, -1)), nullptr);
    EXPECT_EQ(bank.AccessTemplate(ParamAddress(0, -1, -1, -1)), nullptr);
}

TEST(BankData, SetTemplateRefusesEqualTemplatesAndBadSlots)
{
    BankData bank;
    ControlTemplateData t;
    EXPECT_FALSE(bank.setTemplate(t, 3)) << "equal to the stored one";
    t.setTemplateName(QStringLiteral("Keys"));
    EXPECT_TRUE(bank.setTemplate(t, 3));
    EXPECT_FALSE(bank.setTemplate(t, 50));
    EXPECT_FALSE(bank.setTemplate(t, -1));
    EXPECT_EQ(bank.getCopiedTemplate(3).getTemplateName(), QStringLiteral("Keys"));
    EXPECT_TRUE(bank.getTemplate(50) == ControlTemplateData());
    EXPECT_TRUE(bank.getTemplate(-1) == ControlTemplateData());
}

TEST(BankData, CopiesAreDeep)
{
    BankData a;
    a.setParam(ParamAddress(0, 10, 5, 0), QStringLiteral("Res"));
    a.setParam(ParamAddress(0, 52, -1, -1), 10);
    BankData b = a;
    a.setParam(ParamAddress(0, 10, 5, 0), QStringLiteral("Other"));
    EXPECT_EQ(b.getParamQString(ParamAddress(0, 10, 5, 0)), QStringLiteral("Res"));
    EXPECT_EQ(b.getCurrentTemplateNumber().getCurrentValue(), 10);
}
