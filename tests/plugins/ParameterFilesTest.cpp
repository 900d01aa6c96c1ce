#include "PluginMachine.h"

#include <QDomDocument>
#include <QFile>

#include <gtest/gtest.h>

using kwtest::PluginMachine;

namespace {

QList<QPXiInfo::Parameter> params(std::initializer_list<std::pair<const char*, QStringList>> entries)
{
    QList<QPXiInfo::Parameter> list;
    for (const auto& [id, path] : entries) {
        list.append(QPXiInfo::Parameter{QString::fromLatin1(id), path});
    }
    return list;
}

QDomDocument parse(const QByteArray& text)
{
    QDomDocument document;
    EXPECT_TRUE(bool(document.setContent(text)));
    return document;
}

QByteArray presetText(const QByteArray& body)
{
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE QPXiPreset>\n<qpxilist>\n" + body + "</qpxilist>\n";
}

} // namespace

TEST(IdExpression, EvaluatesWithStarLoosestAndRightOperandsWhole)
{
    const QHash<QString, int> values{{"a", 1}, {"b", 2}, {"c", 3}};
    EXPECT_EQ(QPXiInfo::getIntValue("a+b*c", values), 9);
    EXPECT_EQ(QPXiInfo::getIntValue("10-2-3", {}), 11);
    EXPECT_EQ(QPXiInfo::getIntValue("10-2+3", {}), 5);
    EXPECT_EQ(QPXiInfo::getIntValue("2*3*4", {}), 24);
    EXPECT_EQ(QPXiInfo::getIntValue("  7  ", {}), 7);
    EXPECT_EQ(QPXiInfo::getIntValue("x", {}), 0);
    EXPECT_EQ(QPXiInfo::getIntValue("", {}), 0);
    EXPECT_EQ(QPXiInfo::getIntValue("-5", {}), -5);
    EXPECT_EQ(QPXiInfo::getIntValue("first name+1", {{"first name", 41}}), 42);
}

TEST(IdExpression, WrapsAroundInThirtyTwoBitsAndBoundsItsLength)
{
    EXPECT_EQ(QPXiInfo::getIntValue("2147483647+1", {}), INT_MIN);
    EXPECT_EQ(QPXiInfo::getIntValue("65536*65536", {}), 0);
    EXPECT_EQ(QPXiInfo::getIntValue("99999999999", {}), 0);
    EXPECT_EQ(QPXiInfo::getIntValue(QString(5000, '1'), {}), 0);
    EXPECT_EQ(QPXiInfo::getIntValue(QString("1+").repeated(400) + "1", {}), 401);
}

TEST(PresetFile, LoadsListsForInstrumentsAndKeepsFixedNames)
{
    PluginMachine machine;
    machine.writePreset(presetText(R"(
 <qpxi name="Generic"><parameter id="00000004201" name="Knob"/></qpxi>
 <qpxi name="Piano">
  <parameter id="00000000100" name="Volume"/>
  <group name="Filter"><group name="Main"><parameter id="04294967295" name="Cutoff"/></group></group>
  <group><parameter id="00000000007" name="Lost"/></group>
  <parameter id="00000000100" name="Again"/>
  <parameter id="" name="NoId"/>
  <parameter id="00000000008"/>
  <other><parameter id="00000000009" name="Hidden"/></other>
 </qpxi>
 <qpxi name="Piano"><parameter id="00000000001" name="Second"/></qpxi>
 <qpxi name=""><parameter id="00000000001" name="Nameless"/></qpxi>
 <notqpxi name="X"/>
)"));
    auto info = machine.make();
    EXPECT_EQ(info->getQPXiParameterList("Piano"),
              params({{"000000064", {"Volume"}}, {"0ffffffff", {"Filter", "Main", "Cutoff"}}}));
    EXPECT_EQ(info->getQPXiParameterList("Generic"), params({{"000001069", {"Knob"}}}));
    EXPECT_EQ(info->getQPXiList(), (QStringList{"Audio Track", "MIDI Track"}));
    EXPECT_FALSE(info->pluginFiles().contains("Generic"));
    EXPECT_TRUE(info->pluginFiles().contains("Audio Track"));
    EXPECT_TRUE(info->getQPXiParameterList("MIDI Track").isEmpty());
}

TEST(PresetFile, IgnoresForeignOrBrokenFiles)
{
    for (const QByteArray& text :
         {QByteArray("<!DOCTYPE Other>\n<qpxilist><qpxi name=\"A\"><parameter id=\"1\" name=\"p\"/></qpxi></qpxilist>"),
          QByteArray("<qpxilist><qpxi name=\"A\"><parameter id=\"1\" name=\"p\"/></qpxi></qpxilist>"),
          QByteArray("<!DOCTYPE QPXiPreset>\n<list><qpxi name=\"A\"><parameter id=\"1\" name=\"p\"/></qpxi></list>"),
          QByteArray("<!DOCTYPE QPXiPreset>\n<qpxilist><qpxi name=\"A\">")}) {
        PluginMachine machine;
        machine.writePreset(text);
        auto info = machine.make();
        EXPECT_FALSE(info->getQPXiExistsAndPresetList().contains("A")) << text.constData();
        EXPECT_EQ(info->getQPXiList().size(), 3);
    }
}

class DescriptionFile : public ::testing::Test
{
protected:
    void SetUp() override { info = machine.make(); }

    PluginMachine machine;
    std::unique_ptr<QPXiInfo> info;
};

TEST_F(DescriptionFile, ExpandsTemplatesWithTheirOwnValues)
{
    const QDomDocument doc = parse(R"(<QPXParametersStructure>
  <Param name="Master" id="0"/>
  <Group name="Osc 1" template="Osc" values="base=10"/>
  <Group name="Osc 2" template="Osc" values="base=20">
    <Param name="Ignored" id="999"/>
  </Group>
  <Group name="Vals" template="T" values="a=2;b=a*3;;c"/>
  <Group name="Plain" values="zzz=5"><Param name="P" id="zzz"/></Group>
  <Group template="Osc"/>
  <Param id="3"/>
  <Param name="EmptyId" id=""/>
  <Param name="Dup" id="0"/>
  <Template name="Osc"><Param name="Pitch" id="base+1"/><Group name="Env"><Param name="Attack" id="base+2"/></Group></Template>
  <Template name="T"><Param name="B" id="b+1"/><Param name="C" id="c+100"/></Template>
</QPXParametersStructure>)");
    info->updateParameterListFromQPXXMLDomDocument(doc, "Synth", true);
    EXPECT_EQ(info->getQPXiParameterList("Synth"), params({{"000001069", {"Master"}},
                                                           {"000001074", {"Osc 1", "Pitch"}},
                                                           {"000001075", {"Osc 1", "Env", "Attack"}},
                                                           {"00000107e", {"Osc 2", "Pitch"}},
                                                           {"00000107f", {"Osc 2", "Env", "Attack"}},
                                                           {"000001070", {"Vals", "B"}},
                                                           {"0000010cd", {"Vals", "C"}}}));
}

TEST_F(DescriptionFile, TemplatesNestedInGroupsAndSelfReferencesContributeNothing)
{
    const QDomDocument doc = parse(R"(<QPXParametersStructure>
  <Group name="Holder"><Template name="Inner"><Param name="X" id="1"/></Template></Group>
  <Group name="UsesInner" template="Inner"/>
  <Group name="Loop" template="Self"/>
  <Group name="Mutual" template="A"/>
  <Template name="Self"><Param name="S" id="5"/><Group name="Again" template="Self"/></Template>
  <Template name="A"><Param name="InA" id="6"/><Group name="ToB" template="B"/></Template>
  <Template name="B"><Param name="InB" id="7"/><Group name="ToA" template="A"/></Template>
</QPXParametersStructure>)");
    info->updateParameterListFromQPXXMLDomDocument(doc, "Cyclic", true);
    EXPECT_EQ(info->getQPXiParameterList("Cyclic"), params({{"00000106e", {"Loop", "S"}},
                                                            {"00000106f", {"Mutual", "InA"}},
                                                            {"000001070", {"Mutual", "ToB", "InB"}}}));
}

TEST_F(DescriptionFile, ExponentialTemplatesStopAtTheExpansionBound)
{
    QByteArray text = "<QPXParametersStructure><Group name=\"Top\" template=\"T0\"/>";
    for (int level = 0; level < 30; ++level) {
        text += "<Template name=\"T" + QByteArray::number(level) + "\">";
        text += "<Param name=\"P\" id=\"" + QByteArray::number(level) + "\"/>";
        for (int copy = 0; copy < 2; ++copy) {
            text += "<Group name=\"G" + QByteArray::number(copy) + "\" template=\"T" + QByteArray::number(level + 1) +
                    "\"/>";
        }
        text += "</Template>";
    }
    text += "</QPXParametersStructure>";
    info->updateParameterListFromQPXXMLDomDocument(parse(text), "Bomb", true);
    EXPECT_LE(info->getQPXiParameterList("Bomb").size(), 30);
    EXPECT_FALSE(info->getQPXiParameterList("Bomb").isEmpty());
}

TEST_F(DescriptionFile, FilterModeOnAnInstrumentWithoutParametersGivesAnEmptyList)
{
    const QString xml = machine.base() + "/Synth.qpxxml";
    PluginMachine::writeFile(xml, R"(<QPXParametersStructure>
  <Group name="Amp"><Param name="Level" id="2"/></Group>
  <Param name="Cut" id="1"/>
  <Param name="Unknown" id="50"/>
</QPXParametersStructure>)");
    QFile file(xml);
    info->updateParameterListFromQPXXMLFile(file, "Nobody", false);
    EXPECT_TRUE(info->getQPXiParameterList("Nobody").isEmpty());
    EXPECT_TRUE(info->getQPXiParameterMap("Nobody").isEmpty());
}

TEST(DescriptionFileModes, MergeAndFilterActOnTheFindersList)
{
    PluginMachine machine;
    machine.installFinder();
    machine.installDAW("Sonvik 8", "Sonvik 8");
    const QString folder = machine.systemQpx3Folder();
    // The finder reports four parameters, Bypass among them; the description file lies in the bundle.
    const QString bundle =
        machine.addBundle(folder, "Synth.qpx3",
                          kwtest::finderResult({"1", "Synth", "4", "4201", "Cut", "0", "4202", "Res", "0", "4203",
                                                "Level", "0", "10004202", "Bypass", "0"}));
    PluginMachine::writeFile(bundle + "/Contents/Resources/Synth.qpxxml", R"(<QPXParametersStructure>
  <Group name="Amp"><Param name="Level" id="2"/></Group>
  <Group name="Filter"><Param name="Cutoff" id="0"/></Group>
  <Param name="Unknown" id="50"/>
  <Param name="Bypass" id="10000001"/>
</QPXParametersStructure>)");
    auto info = machine.make();
    info->selectDAW("Sonvik 8");
    info->analyzeQPXi();
    info->entryQPXiParameter();
    EXPECT_EQ(
        info->getQPXiParameterList("Synth"),
        params({{"00098a6ea", {"Bypass"}}, {"00000106b", {"Amp", "Level"}}, {"000001069", {"Filter", "Cutoff"}}}));
    EXPECT_TRUE(info->getQPXiParameterName("Synth", "00000106a").isEmpty());

    // Merge mode renames what it knows and appends the rest.
    QDomDocument doc;
    ASSERT_TRUE(bool(doc.setContent(QByteArray("<QPXParametersStructure><Param name=\"Renamed\" id=\"2\"/><Param "
                                               "name=\"New\" id=\"60\"/></QPXParametersStructure>"))));
    info->updateParameterListFromQPXXMLDomDocument(doc, "Synth", true);
    EXPECT_EQ(info->getQPXiParameterList("Synth"), params({{"00098a6ea", {"Bypass"}},
                                                           {"00000106b", {"Renamed"}},
                                                           {"000001069", {"Filter", "Cutoff"}},
                                                           {"0000010a5", {"New"}}}));
    EXPECT_EQ(info->getQPXiParameterName("Synth", "0000010A5"), QStringList{"New"});
}

TEST(DescriptionFileModes, BrokenOrForeignDocumentsChangeNothing)
{
    PluginMachine machine;
    auto info = machine.make();
    const QString path = machine.base() + "/bad.qpxxml";
    for (const QByteArray& text : {QByteArray("<QPXParametersStructure><Param name=\"A\" id=\"1\">"),
                                   QByteArray("<Other><Param name=\"A\" id=\"1\"/></Other>")}) {
        PluginMachine::writeFile(path, text);
        QFile file(path);
        info->updateParameterListFromQPXXMLFile(file, "Generic", true);
        EXPECT_TRUE(info->getQPXiParameterList("Generic").isEmpty());
    }
    QFile missing(machine.base() + "/missing.qpxxml");
    info->updateParameterListFromQPXXMLFile(missing, "Generic", true);
    EXPECT_TRUE(info->getQPXiParameterMap("Generic").isEmpty());
}

TEST_F(DescriptionFile, DeepNestingIsCutOffWithoutHarm)
{
    QByteArray text = "<QPXParametersStructure>";
    for (int level = 0; level < 200; ++level) {
        text += "<Group name=\"L" + QByteArray::number(level) + "\"><Param name=\"P\" id=\"" +
                QByteArray::number(level) + "\"/>";
    }
    for (int level = 0; level < 200; ++level) {
        text += "</Group>";
    }
    text += "</QPXParametersStructure>";
    info->updateParameterListFromQPXXMLDomDocument(parse(text), "Deep", true);
    const QList<QPXiInfo::Parameter> list = info->getQPXiParameterList("Deep");
    ASSERT_FALSE(list.isEmpty());
    EXPECT_LT(list.size(), 200);
    EXPECT_EQ(list.first().namePath, (QStringList{"L0", "P"}));
}
