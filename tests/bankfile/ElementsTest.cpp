// The knob and template elements of clipboard and drag documents, and the readers' rules on their own.
#include "BankFileSupport.h"
#include "EditorData.h"
#include "EditorDefinitions.h"

#include <gtest/gtest.h>

using namespace bankfiletest;

namespace {

class Elements : public ::testing::Test
{
protected:
    void SetUp() override
    {
        makeNineBanks(memory);
        fillBank(memory, 0, 3);
    }

    // Writes the document out and reads it back, as the clipboard carries it between two copies.
    static QDomElement throughText(const QDomDocument& document)
    {
        static QDomDocument parsed;
        EXPECT_TRUE(parsed.setContent(document.toByteArray(), true));
        return parsed.documentElement();
    }

    RemoteMemAPI memory;
};

TEST_F(Elements, CopiedKnobPastesIntoAnotherTemplate)
{
    QDomDocument document(QDomImplementation().createDocumentType(KnobDocType, QString(), QString()));
    QDomElement knob = EditorData::getControllerDomElement(&memory, &document, 0, 5, 3, QString());
    knob.setAttribute(QStringLiteral("knob"), 3);
    document.appendChild(knob);
    EXPECT_EQ(knob.tagName(), QStringLiteral("controller"));

    const QDomElement pasted = throughText(document);
    ASSERT_TRUE(EditorData::setControllerDomElement(&memory, pasted, 0, 20, 11, DocType, QStringLiteral("controller")));
    EXPECT_EQ(memory.getTemplateData(0, 20).getController(11), memory.getTemplateData(0, 5).getController(3));
    EXPECT_FALSE(EditorData::setControllerDomElement(&memory, pasted, 0, 20, 11, DocType, QStringLiteral("template")))
        << "a tag other than the expected one is refused";
    EXPECT_FALSE(EditorData::setControllerDomElement(&memory, QDomElement(), 0, 20, 11, DocType, QString()));
}

TEST_F(Elements, CopiedTemplatePastesWithAllKnobs)
{
    QDomDocument document(QDomImplementation().createDocumentType(TemplateDocType, QString(), QString()));
    QDomElement templ = EditorData::getTemplateDomElement(&memory, &document, 0, 8, QString());
    document.appendChild(templ);
    EXPECT_EQ(templ.tagName(), QStringLiteral("template"));
    ASSERT_TRUE(EditorData::setTemplateDomElement(&memory, throughText(document), 5, 49, DocType, QString()));
    EXPECT_EQ(memory.getTemplateData(5, 49), memory.getTemplateData(0, 8));
}

TEST_F(Elements, TemplateWithAMissingKnobStillReadsTheRest)
{
    QDomDocument document;
    QDomElement templ = EditorData::getTemplateDomElement(&memory, &document, 0, 8, QStringLiteral("t"));
    document.appendChild(templ);
    templ.removeChild(templ.firstChildElement(QStringLiteral("knobB1")));
    EXPECT_FALSE(EditorData::setTemplateDomElement(&memory, templ, 2, 0, DocType, QString()));
    const ControlTemplateData read = memory.getTemplateData(2, 0);
    const ControlTemplateData copied = memory.getTemplateData(0, 8);
    EXPECT_EQ(read.getTemplateName(), copied.getTemplateName());
    EXPECT_EQ(read.getController(0), copied.getController(0));
    EXPECT_NE(read.getController(1), copied.getController(1)) << "the missing knob keeps its old values";
    EXPECT_EQ(read.getController(11), copied.getController(11)) << "knobs after the missing one are read";
}

TEST_F(Elements, BankElementOfAnotherDocumentTypeReadsNothing)
{
    QDomDocument document;
    QDomElement bank = EditorData::getBankDomElement(&memory, &document, 0, QString(), false);
    EXPECT_EQ(bank.tagName(), QStringLiteral("bank"));
    EXPECT_TRUE(bank.firstChildElement(QStringLiteral("bankInfo")).isNull());
    EXPECT_TRUE(bank.firstChildElement(QStringLiteral("editBuffTemplate1")).isNull());
    const BankData before = memory.getBank(3);
    EXPECT_TRUE(EditorData::setBankDomElement(&memory, bank, 3, BankDocType, false, QString()));
    EXPECT_EQ(bankDifference(before, memory.getBank(3)).toStdString(), "");
    EXPECT_TRUE(EditorData::setBankDomElement(&memory, bank, 3, DocType, false, QStringLiteral("bank")));
    EXPECT_EQ(memory.getTemplateData(3, 17), memory.getTemplateData(0, 17));
    EXPECT_FALSE(EditorData::setBankDomElement(&memory, bank, 3, DocType, true, QString()))
        << "no edit-buffer elements in it";
}

TEST_F(Elements, LeavesHoldDecimalNumbersAndPlainText)
{
    memory.setParam(ParamAddress(0, 0, 0, ParamAddress::kCCNumberParam), 0);
    memory.setParam(ParamAddress(0, 0, 0, ParamAddress::kDisplayNameParam), QString());
    QDomDocument document;
    QDomElement parent = document.createElement(QStringLiteral("p"));
    getNumericParamToDomElement(&memory, &document, parent, QStringLiteral("n"), 0, 0, 0, ParamAddress::kCCNumberParam);
    getStringParamToDomElement(&memory, &document, parent, QStringLiteral("s"), 0, 0, 0,
                               ParamAddress::kDisplayNameParam);
    document.appendChild(parent);
    EXPECT_EQ(document.toString(-1), QStringLiteral("<p><n>0</n><s></s></p>"));
    EXPECT_EQ(EditorData::knobElementName(0), QStringLiteral("knobA1"));
    EXPECT_EQ(EditorData::knobElementName(5), QStringLiteral("knobB2"));
    EXPECT_EQ(EditorData::knobElementName(11), QStringLiteral("knobD3"));
    EXPECT_EQ(EditorData::knobElementName(12), QString());
    EXPECT_FALSE(setStringParamFromDomElement(&memory, parent, DocType, QStringLiteral("absent"), 0, 0, 0, 0));
    EXPECT_TRUE(setNumericParamFromDomElement(&memory, parent, DocType, QStringLiteral("s"), 0, 0, 0,
                                              ParamAddress::kCCNumberParam))
        << "an empty number is present, only refused";
}

} // namespace
