#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace simhost {

// What the host's translators translate with: the user interface's language code and a table from
// the English texts to the language's. Shared by every translator the host makes; any thread.
class SimTranslation
{
public:
    void setLanguage(std::string code);
    std::string language();
    void set(const std::u16string& english, const std::u16string& translated);
    void clear();
    // The translation, or the text itself when the table has none.
    std::u16string translate(const std::u16string& text);

private:
    std::mutex m_mutex;
    std::string m_language{"us"};
    std::map<std::u16string, std::u16string> m_table;
};

// A translator the host makes for each request: the language code and translations of the shared
// SimTranslation. The text it hands out lasts until its next translation. Host thread.
class SimTranslator : public HostObject<Quorvane::ITranslator2>
{
public:
    SimTranslator(HostContextRef host, std::shared_ptr<SimTranslation> translation);

    tresult loadSection(void* module, const char16_t* file, const char* section) override;
    tresult getLanguage(char* buffer, int32 size) override;
    const char16_t* translate(const char16_t* text) override;

private:
    std::shared_ptr<SimTranslation> m_translation;
    std::mutex m_mutex;
    std::u16string m_last;
};

} // namespace simhost
