#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"

#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

namespace simhost {

// The preference pool: integers, floats and 8-bit and 16-bit texts by section and key. The extension
// uses it on the host's thread; tests inspect it from theirs.
class SimDefaultPool : public HostObject<Quorvane::IDefaultPool3>
{
public:
    explicit SimDefaultPool(HostContextRef host);

    bool getInt(const char* section, const char* key, int32* value) override;
    tresult setInt(const char* section, const char* key, int32 value) override;
    const char* getText(const char* section, const char* key) override;
    tresult setText(const char* section, const char* key, const char* text) override;
    bool getFloat(const char* section, const char* key, double* value) override;
    tresult setFloat(const char* section, const char* key, double value) override;
    const char16_t* getText16(const char* section, const char* key) override;
    tresult setText16(const char* section, const char* key, const char16_t* text) override;

    void clear();
    bool contains(const std::string& section, const std::string& key);

    // The file the host keeps its preferences in across runs: attachFile replaces the pool's entries by
    // what the file holds (none when it does not exist yet; false when it cannot be read), saveFile
    // replaces the file by the pool's entries (false when it cannot be written, the old file then stays).
    bool attachFile(const std::string& path);
    bool saveFile();

private:
    using Key = std::pair<std::string, std::string>;
    // Section and key as the caller gave them: a look-up compares them in place instead of copying both.
    using KeyView = std::pair<std::string_view, std::string_view>;
    struct KeyLess
    {
        using is_transparent = void;
        template <class A, class B> bool operator()(const A& a, const B& b) const
        {
            const int section = compare(a.first.data(), a.first.size(), b.first.data(), b.first.size());
            return section != 0 ? section < 0
                                : compare(a.second.data(), a.second.size(), b.second.data(), b.second.size()) < 0;
        }
        // Written out rather than through the string classes: a controller's end writes a hundred entries,
        // each compared some seven times, and unoptimised builds (the fuzz targets') pay for every layer.
        static int compare(const char* a, std::size_t aSize, const char* b, std::size_t bSize);
    };
    template <class Value> using Entries = std::map<Key, Value, KeyLess>;

    static bool makeKey(const char* section, const char* key, KeyView& out);
    template <class Map> bool read(Map& map, const char* section, const char* key, typename Map::mapped_type* value);
    // The stored entry (valid until it is written again), or null.
    template <class Map> const typename Map::mapped_type* find(Map& map, const char* section, const char* key);
    template <class Map> tresult write(Map& map, const char* section, const char* key, typename Map::mapped_type value);

    std::mutex m_mutex;
    std::string m_file;
    Entries<int32> m_ints;
    Entries<double> m_floats;
    Entries<std::string> m_texts;
    Entries<std::u16string> m_texts16;
};

} // namespace simhost
