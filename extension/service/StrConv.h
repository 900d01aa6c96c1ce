#pragma once

#include "HostInterfaces.h"

#include <string>

// Turns host parameter names and value texts, which the host gives in the language of its user
// interface, into the short English texts the synthesizer's display shows. Each function changes its
// text in place and reports nothing; the host's translator (made anew for each call) supplies the
// translations of our English keys. Host thread.
namespace StrConv {

// Whether the translator's user-interface language is "us" (any case); false without a translator.
bool IsEnglishLanguageEnvironment(Quorvane::ITranslator2* translator);

// In a name that holds the translation of "EQ", the first translation of "Quality" becomes "Q".
void ConvertQCParamName_EQQ(Quorvane::IHostClasses* hostClasses, std::u16string* name);
// The "EQ"/"Quality" rule, translated standard names back to English outside the "us" environment,
// and the space between "EQ" and a band digit in EQ device names.
void ConvertQCParamNameToEnglish(Quorvane::IHostClasses* hostClasses, std::u16string* name);
// In a name that begins with "EQ - ", a space after every later "EQ" that a digit 1 to 4 follows.
void InsertSpaceIntoEndOfEQ(std::u16string* name);
// The infinity sign alone, or after "-" or "+", becomes "oo", "-oo" or "+oo"; true when replaced.
bool ConvertValueStringToSpecialString(std::u16string* value);
// The infinity forms, and outside the "us" environment the translations of "On" and "Off" back to
// English.
void ConvertValueStringToEnglish(Quorvane::IHostClasses* hostClasses, std::u16string* value);

} // namespace StrConv
