#include "StrConv.h"
#include "HostFixture.h"

using namespace Quorvane;
using namespace StrConv;

namespace {

class NameConversion : public HostFixture
{
protected:
    NameConversion()
    {
        // A German-like user interface: the host shows these instead of our English keys.
        simhost::SimTranslation& t = host.translation();
        t.set(u"Volume", u"Lautst\u00E4rke");
        t.set(u"Pan Left-Right", u"Pan Links-Rechts");
        t.set(u"EQ 1 Gain", u"EQ 1 Verst\u00E4rkung");
        t.set(u"EQ 2 Freq.", u"EQ 2 Freq.");
        t.set(u"EQ 4 Freq.", u"EQ 4 Frequenz");
        t.set(u"Quality", u"G\u00FCte");
        t.set(u"On", u"An");
        t.set(u"Off", u"Aus");
    }

    std::u16string name(std::u16string text)
    {
        ConvertQCParamNameToEnglish(hostClasses(), &text);
        return text;
    }
    std::u16string value(std::u16string text)
    {
        ConvertValueStringToEnglish(hostClasses(), &text);
        return text;
    }
};

} // namespace

TEST_F(NameConversion, TranslatedNamesAndValuesGoBackToEnglishOutsideTheUSEnvironment)
{
    host.translation().setLanguage("de");
    EXPECT_EQ(name(u"Lautst\u00E4rke"), u"Volume");
    EXPECT_EQ(name(u"Q2:Pan Links-Rechts"), u"Q2:Pan Left-Right");
    EXPECT_EQ(name(u"EQ 1 Verst\u00E4rkung"), u"EQ 1 Gain");
    EXPECT_EQ(name(u"EQ 4 Frequenz"), u"EQ 4 Freq.") << "the last of the standard names";
    EXPECT_EQ(name(u"EQ 3 G\u00FCte"), u"EQ 3 Q") << "\"Quality\" becomes \"Q\" in EQ names";
    EXPECT_EQ(name(u"Filter G\u00FCte"), u"Filter G\u00FCte") << "not without \"EQ\"";
    EXPECT_EQ(name(u"EQ - EQ2 Freq."), u"EQ - EQ 2 Freq.");
    EXPECT_EQ(value(u"Aus"), u"Off");
    EXPECT_EQ(value(u"An"), u"On");
    EXPECT_EQ(value(u"aus"), u"aus") << "translations compare with case";
    EXPECT_EQ(value(u"-12.0 dB"), u"-12.0 dB");
}

TEST_F(NameConversion, TheUSEnvironmentKeepsNamesButStillSpacesEQBands)
{
    for (const char* code : {"us", "US"}) {
        host.translation().setLanguage(code);
        FRef<ITranslator2> translator = createRef<ITranslator2>(hostClasses());
        EXPECT_TRUE(IsEnglishLanguageEnvironment(translator.get()));
        EXPECT_EQ(name(u"Lautst\u00E4rke"), u"Lautst\u00E4rke");
        EXPECT_EQ(value(u"Aus"), u"Aus");
    }
    EXPECT_FALSE(IsEnglishLanguageEnvironment(nullptr));
    host.translation().clear();
    EXPECT_EQ(name(u"EQ 1 Quality"), u"EQ 1 Q");
    EXPECT_EQ(name(u"EQ - EQ0 EQ1 Gain EQ4 EQ5 EQ"), u"EQ - EQ0 EQ 1 Gain EQ 4 EQ5 EQ");
    EXPECT_EQ(name(u"Channel EQ1"), u"Channel EQ1") << "only after the \"EQ - \" prefix";
    EXPECT_EQ(name(u"EQ -EQ1"), u"EQ -EQ1");
    std::u16string empty;
    ConvertQCParamNameToEnglish(hostClasses(), &empty);
    EXPECT_TRUE(empty.empty());
    std::u16string untouched = u"EQ 1 Quality";
    ConvertQCParamNameToEnglish(nullptr, &untouched);
    ConvertQCParamName_EQQ(nullptr, &untouched);
    ConvertQCParamNameToEnglish(hostClasses(), nullptr);
    EXPECT_EQ(untouched, u"EQ 1 Quality");

    // Without a translator only the EQ spacing remains.
    host.registry().removeClass(ITranslator2::iid);
    EXPECT_EQ(name(u"EQ - EQ3 Q"), u"EQ - EQ 3 Q");
    EXPECT_EQ(name(u"EQ 1 Quality"), u"EQ 1 Quality");
}

TEST_F(NameConversion, InfinityBecomesASCII)
{
    EXPECT_EQ(value(u"\u221E"), u"oo");
    EXPECT_EQ(value(u"-\u221E"), u"-oo");
    EXPECT_EQ(value(u"+\u221E"), u"+oo");
    EXPECT_EQ(value(u"\u221E dB"), u"\u221E dB");
    std::u16string text = u"-\u221E";
    EXPECT_TRUE(ConvertValueStringToSpecialString(&text));
    EXPECT_FALSE(ConvertValueStringToSpecialString(&text));
    EXPECT_FALSE(ConvertValueStringToSpecialString(nullptr));
}
