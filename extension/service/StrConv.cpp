#include "StrConv.h"

#include "FRef.h"
#include "String.h"
#include "Useful.h"

using namespace Quorvane;

namespace StrConv {

namespace {

// Our English keys, in the order their translations are looked for.
const char* const k_englishParamNames[] = {
    "Volume",    "Pan Left-Right", "Pan",        "Left-Right", "EQ 1 Gain",  "EQ 2 Gain",
    "EQ 3 Gain", "EQ 4 Gain",      "EQ 1 Freq.", "EQ 2 Freq.", "EQ 3 Freq.", "EQ 4 Freq.",
};
const char* const k_englishParamValues[] = {"On", "Off"};
const char* const k_paramName_EQ = "EQ";
const char* const k_paramName_quality = "Quality";
const char* const k_paramName_Q = "Q";
const char* const k_deviceName_EQ = "EQ - ";

const char16* literal16(const char* literal)
{
    return ConstStringTable::instance()->getString(literal);
}

// The host's translation of one of our literals, copied: the host's text lasts only until its next call.
std::u16string translation(ITranslator2* translator, const char* literal)
{
    const char16* translated = translator->translate(literal16(literal));
    return translated ? std::u16string(translated) : std::u16string();
}

bool isUsable(IHostClasses* hostClasses, const std::u16string* text)
{
    return hostClasses && text && !text->empty();
}

void convertQuality(ITranslator2* translator, std::u16string* name)
{
    const std::u16string eq = translation(translator, k_paramName_EQ);
    if (eq.empty() || name->find(eq) == std::u16string::npos)
        return;
    const std::u16string quality = translation(translator, k_paramName_quality);
    Useful::replaceString(name, quality.c_str(), literal16(k_paramName_Q));
}

} // namespace

bool IsEnglishLanguageEnvironment(ITranslator2* translator)
{
    if (!translator)
        return false;
    char8 language[256] = {};
    translator->getLanguage(language, sizeof language);
    language[sizeof language - 1] = 0;
    return Useful::isSameString(language, "us", true);
}

void ConvertQCParamName_EQQ(IHostClasses* hostClasses, std::u16string* name)
{
    if (!isUsable(hostClasses, name))
        return;
    if (FRef<ITranslator2> translator = createRef<ITranslator2>(hostClasses))
        convertQuality(translator.get(), name);
}

void ConvertQCParamNameToEnglish(IHostClasses* hostClasses, std::u16string* name)
{
    if (!isUsable(hostClasses, name))
        return;
    // One translator serves both the "Quality" rule and the standard names.
    FRef<ITranslator2> translator = createRef<ITranslator2>(hostClasses);
    if (translator)
        convertQuality(translator.get(), name);
    if (translator && !IsEnglishLanguageEnvironment(translator.get())) {
        for (const char* english : k_englishParamNames) {
            const std::u16string translated = translation(translator.get(), english);
            Useful::replaceString(name, translated.c_str(), literal16(english));
        }
    }
    InsertSpaceIntoEndOfEQ(name);
}

void InsertSpaceIntoEndOfEQ(std::u16string* name)
{
    const std::u16string prefix = literal16(k_deviceName_EQ);
    if (!name || name->compare(0, prefix.size(), prefix) != 0)
        return;
    const std::u16string eq = literal16(k_paramName_EQ);
    for (std::size_t at = name->find(eq, prefix.size()); at != std::u16string::npos; at = name->find(eq, at + 1)) {
        const std::size_t next = at + eq.size();
        if (next < name->size() && (*name)[next] >= u'1' && (*name)[next] <= u'4')
            name->insert(next, 1, u' ');
    }
}

bool ConvertValueStringToSpecialString(std::u16string* value)
{
    if (!value)
        return false;
    static const std::u16string kInfinity(1, u'\u221E');
    if (*value == kInfinity)
        *value = u"oo";
    else if (*value == u"-" + kInfinity)
        *value = u"-oo";
    else if (*value == u"+" + kInfinity)
        *value = u"+oo";
    else
        return false;
    return true;
}

void ConvertValueStringToEnglish(IHostClasses* hostClasses, std::u16string* value)
{
    if (!isUsable(hostClasses, value) || ConvertValueStringToSpecialString(value))
        return;
    FRef<ITranslator2> translator = createRef<ITranslator2>(hostClasses);
    if (!translator || IsEnglishLanguageEnvironment(translator.get()))
        return;
    for (const char* english : k_englishParamValues) {
        if (*value == translation(translator.get(), english)) {
            *value = literal16(english);
            return;
        }
    }
}

} // namespace StrConv
