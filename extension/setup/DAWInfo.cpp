#include "DAWInfo.h"

#include "Useful.h"

#include <climits>

namespace {

struct ProductRow
{
    const char* text;
    int index;
};

// Editions come before the plain name, so that an edition is recognized before the product itself.
constexpr ProductRow k_productTable[] = {
    {"Sonvik Atelier", 4},
    {"Sonvik Stage", 4},
    {"Sonvik Bench", 3},
    {"Sonvik Desk", 3},
    {"Sonvik Sketch", 2},
    {"Sonvik Pocket", 1},
    {"Sonvik", DAWInfo::kSonvikIndex},
    {"Parlex", DAWInfo::kParlexIndex},
};

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// The decimal number at the start of text, up to its first non-digit; saturates instead of overflowing.
int readNumber(const std::u16string& text)
{
    long long value = 0;
    for (char16_t c : text) {
        if (!isDigit(c))
            break;
        value = value * 10 + (c - u'0');
        if (value > INT_MAX)
            return INT_MAX;
    }
    return static_cast<int>(value);
}

int compareOne(int stored, int given)
{
    if (given < 0 || stored == given)
        return 0;
    return stored > given ? 1 : -1;
}

} // namespace

DAWInfo::DAWInfo(Quorvane::IHostApplicationW* application)
{
    if (application)
        analyzeDAWInfo(application);
}

bool DAWInfo::analyzeDAWInfo(Quorvane::IHostApplicationW* application)
{
    if (!application)
        return false;
    const char16_t* name = application->getApplicationName();
    const char16_t* version = application->getApplicationVersion();
    const char16_t* build = application->getApplicationBuild();
    if (name) {
        m_name = Useful::getCString(name);
        m_nameIndex = kUnknownDAW;
        for (const ProductRow& row : k_productTable) {
            if (Useful::isContainedInString(m_name.c_str(), row.text, true)) {
                m_nameIndex = row.index;
                break;
            }
        }
    }
    if (version)
        storeVersionInfoFromString(version);
    const int digit = getNumberStringIndex(build);
    if (digit >= 0)
        m_build = readNumber(std::u16string(build + digit));
    return true;
}

int DAWInfo::getNumberStringIndex(const char16_t* text)
{
    if (!text)
        return -1;
    for (int i = 0; text[i]; ++i)
        if (isDigit(text[i]))
            return i;
    return -1;
}

void DAWInfo::storeVersionInfoFromString(const char16_t* text)
{
    const int digit = getNumberStringIndex(text);
    if (digit < 0)
        return;
    const std::u16string version(text + digit);
    m_version = Useful::getCString(version.c_str());
    const std::size_t first = version.find(u'.');
    if (first == std::u16string::npos)
        return;
    m_major = readNumber(version.substr(0, first));
    const std::u16string rest = version.substr(first + 1);
    const std::size_t second = rest.find(u'.');
    if (second == std::u16string::npos)
        return;
    m_minor = readNumber(rest.substr(0, second));
    m_patch = readNumber(rest.substr(second + 1));
}

bool DAWInfo::isAllInfoAnalyzed() const
{
    return m_nameIndex != kUnknownDAW && m_major >= 0 && m_minor >= 0 && m_patch >= 0 && m_build >= 0;
}

int DAWInfo::compareVersion(int major, int minor, int patch) const
{
    if (const int c = compareOne(m_major, major))
        return c;
    if (const int c = compareOne(m_minor, minor))
        return c;
    return compareOne(m_patch, patch);
}
