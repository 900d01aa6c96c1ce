#include "SimTranslator.h"

#include <algorithm>

using namespace Quorvane;

namespace simhost {

void SimTranslation::setLanguage(std::string code)
{
    std::lock_guard lock(m_mutex);
    m_language = std::move(code);
}

std::string SimTranslation::language()
{
    std::lock_guard lock(m_mutex);
    return m_language;
}

void SimTranslation::set(const std::u16string& english, const std::u16string& translated)
{
    std::lock_guard lock(m_mutex);
    m_table[english] = translated;
}

void SimTranslation::clear()
{
    std::lock_guard lock(m_mutex);
    m_table.clear();
}

std::u16string SimTranslation::translate(const std::u16string& text)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_table.find(text);
    return it == m_table.end() ? text : it->second;
}

SimTranslator::SimTranslator(HostContextRef host, std::shared_ptr<SimTranslation> translation)
    : HostObject(std::move(host), "Translator"), m_translation(std::move(translation))
{
    alsoAnswer<ITranslator>();
}

tresult SimTranslator::loadSection(void*, const char16_t*, const char*)
{
    hostThreadOnly("ITranslator::loadSection");
    return kResultOk;
}

tresult SimTranslator::getLanguage(char* buffer, int32 size)
{
    hostThreadOnly("ITranslator2::getLanguage");
    if (!buffer || size <= 0)
        return kInvalidArgument;
    const std::string code = m_translation->language();
    const std::size_t bytes = std::min(code.size(), static_cast<std::size_t>(size - 1));
    std::copy_n(code.begin(), bytes, buffer);
    buffer[bytes] = 0;
    return kResultOk;
}

const char16_t* SimTranslator::translate(const char16_t* text)
{
    hostThreadOnly("ITranslator2::translate");
    if (!text)
        return nullptr;
    std::lock_guard lock(m_mutex);
    m_last = m_translation->translate(text);
    return m_last.c_str();
}

} // namespace simhost
