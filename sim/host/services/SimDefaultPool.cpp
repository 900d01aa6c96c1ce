#include "SimDefaultPool.h"

#include "HexDigit.h"
#include "SimFiles.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <unistd.h>
#include <vector>

using namespace Quorvane;

namespace simhost {

SimDefaultPool::SimDefaultPool(HostContextRef host) : HostObject(std::move(host), "DefaultPool")
{
    alsoAnswer<IDefaultPool>();
}

int SimDefaultPool::KeyLess::compare(const char* a, std::size_t aSize, const char* b, std::size_t bSize)
{
    const int order = std::memcmp(a, b, std::min(aSize, bSize));
    return order != 0 ? order : aSize < bSize ? -1 : aSize > bSize ? 1 : 0;
}

bool SimDefaultPool::makeKey(const char* section, const char* key, KeyView& out)
{
    if (!section || !key)
        return false;
    out = KeyView(section, key);
    return true;
}

template <class Map>
bool SimDefaultPool::read(Map& map, const char* section, const char* key, typename Map::mapped_type* value)
{
    hostThreadOnly("IDefaultPool (read)");
    KeyView k;
    if (!value || !makeKey(section, key, k))
        return false;
    std::lock_guard lock(m_mutex);
    const auto it = map.find(k);
    if (it == map.end())
        return false;
    *value = it->second;
    return true;
}

template <class Map>
const typename Map::mapped_type* SimDefaultPool::find(Map& map, const char* section, const char* key)
{
    hostThreadOnly("IDefaultPool (read)");
    KeyView k;
    if (!makeKey(section, key, k))
        return nullptr;
    std::lock_guard lock(m_mutex);
    const auto it = map.find(k);
    return it == map.end() ? nullptr : &it->second;
}

template <class Map>
tresult SimDefaultPool::write(Map& map, const char* section, const char* key, typename Map::mapped_type value)
{
    hostThreadOnly("IDefaultPool (write)");
    KeyView k;
    if (!makeKey(section, key, k))
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    // One walk down the tree for both a new entry and a changed one.
    const auto it = map.lower_bound(k);
    if (it != map.end() && !map.key_comp()(k, it->first))
        it->second = std::move(value);
    else
        map.emplace_hint(it, Key(k.first, k.second), std::move(value));
    return kResultOk;
}

bool SimDefaultPool::getInt(const char* section, const char* key, int32* value)
{
    return read(m_ints, section, key, value);
}

tresult SimDefaultPool::setInt(const char* section, const char* key, int32 value)
{
    return write(m_ints, section, key, value);
}

const char* SimDefaultPool::getText(const char* section, const char* key)
{
    const std::string* text = find(m_texts, section, key);
    return text ? text->c_str() : nullptr;
}

tresult SimDefaultPool::setText(const char* section, const char* key, const char* text)
{
    return write(m_texts, section, key, std::string(text ? text : ""));
}

bool SimDefaultPool::getFloat(const char* section, const char* key, double* value)
{
    return read(m_floats, section, key, value);
}

tresult SimDefaultPool::setFloat(const char* section, const char* key, double value)
{
    return write(m_floats, section, key, value);
}

const char16_t* SimDefaultPool::getText16(const char* section, const char* key)
{
    const std::u16string* text = find(m_texts16, section, key);
    return text ? text->c_str() : nullptr;
}

tresult SimDefaultPool::setText16(const char* section, const char* key, const char16_t* text)
{
    return write(m_texts16, section, key, std::u16string(text ? text : u""));
}

void SimDefaultPool::clear()
{
    std::lock_guard lock(m_mutex);
    m_ints.clear();
    m_floats.clear();
    m_texts.clear();
    m_texts16.clear();
}

bool SimDefaultPool::contains(const std::string& section, const std::string& key)
{
    const KeyView k(section, key);
    std::lock_guard lock(m_mutex);
    return m_ints.count(k) || m_floats.count(k) || m_texts.count(k) || m_texts16.count(k);
}

// The preference file: one entry per line, "kind<TAB>section<TAB>key<TAB>value", kinds int, float, text
// and text16 (UTF-16 code units in hexadecimal); tabs, line ends and backslashes in texts are escaped.
namespace {

constexpr const char* kFileHeader = "dbhost preferences 1";

std::string escapeField(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool unescapeField(const std::string& field, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out += field[i];
            continue;
        }
        if (++i == field.size())
            return false;
        switch (field[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return false;
        }
    }
    return true;
}

std::string hexUnits(const std::u16string& text)
{
    std::string out;
    char unit[5];
    for (const char16_t c : text) {
        std::snprintf(unit, sizeof unit, "%04X", static_cast<unsigned>(c));
        out += unit;
    }
    return out;
}

bool fromHexUnits(const std::string& hex, std::u16string& out)
{
    out.clear();
    if (hex.size() % 4 != 0)
        return false;
    for (std::size_t i = 0; i < hex.size(); i += 4) {
        unsigned value = 0;
        for (std::size_t j = i; j < i + 4; ++j) {
            const int digit = Quorvane::hexDigitValue(static_cast<unsigned char>(hex[j]));
            if (digit < 0)
                return false;
            value = value * 16 + static_cast<unsigned>(digit);
        }
        out += static_cast<char16_t>(value);
    }
    return true;
}

std::vector<std::string> splitTabs(const std::string& line)
{
    std::vector<std::string> fields(1);
    for (const char c : line) {
        if (c == '\t')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

} // namespace

bool SimDefaultPool::attachFile(const std::string& path)
{
    // A file that is not there yet is an empty pool (a host's first run).
    const bool exists = ::access(path.c_str(), F_OK) == 0;
    std::ifstream file;
    if (exists) {
        file.open(path, std::ios::binary);
        if (!file)
            return false;
    }
    Entries<int32> ints;
    Entries<double> floats;
    Entries<std::string> texts;
    Entries<std::u16string> texts16;
    if (exists) {
        std::string line;
        if (!std::getline(file, line) || line != kFileHeader)
            return false;
        // A line that does not read is left out; the rest of the file still counts.
        while (std::getline(file, line)) {
            const std::vector<std::string> fields = splitTabs(line);
            Key key;
            std::string value;
            if (fields.size() != 4 || !unescapeField(fields[1], key.first) || !unescapeField(fields[2], key.second) ||
                !unescapeField(fields[3], value))
                continue;
            char* end = nullptr;
            if (fields[0] == "int") {
                const long number = std::strtol(value.c_str(), &end, 10);
                if (!value.empty() && *end == 0 && number >= INT32_MIN && number <= INT32_MAX)
                    ints[key] = static_cast<int32>(number);
            } else if (fields[0] == "float") {
                const double number = std::strtod(value.c_str(), &end);
                if (!value.empty() && *end == 0)
                    floats[key] = number;
            } else if (fields[0] == "text") {
                texts[key] = value;
            } else if (fields[0] == "text16") {
                std::u16string wide;
                if (fromHexUnits(value, wide))
                    texts16[key] = wide;
            }
        }
        if (file.bad())
            return false;
    }
    std::lock_guard lock(m_mutex);
    m_file = path;
    m_ints = std::move(ints);
    m_floats = std::move(floats);
    m_texts = std::move(texts);
    m_texts16 = std::move(texts16);
    return true;
}

bool SimDefaultPool::saveFile()
{
    std::string contents = std::string(kFileHeader) + "\n";
    std::string path;
    {
        std::lock_guard lock(m_mutex);
        if (m_file.empty())
            return false;
        path = m_file;
        const auto line = [&contents](const char* kind, const Key& key, const std::string& value) {
            contents += std::string(kind) + '\t' + escapeField(key.first) + '\t' + escapeField(key.second) + '\t' +
                        escapeField(value) + '\n';
        };
        for (const auto& [key, value] : m_ints)
            line("int", key, std::to_string(value));
        char number[40];
        for (const auto& [key, value] : m_floats) {
            std::snprintf(number, sizeof number, "%.17g", value);
            line("float", key, number);
        }
        for (const auto& [key, value] : m_texts)
            line("text", key, value);
        for (const auto& [key, value] : m_texts16)
            line("text16", key, hexUnits(value));
    }
    SimFileStream* file = SimFileStream::openForReplacing(registry().shared_from_this(), path);
    if (!file)
        return false;
    int32 written = 0;
    const bool saved =
        file->write(contents.data(), static_cast<int32>(contents.size()), &written) == kResultOk && file->close();
    file->release();
    return saved;
}

} // namespace simhost
