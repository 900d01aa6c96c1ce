#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"

#include <map>
#include <mutex>
#include <string>
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

private:
    using Key = std::pair<std::string, std::string>;
    static bool makeKey(const char* section, const char* key, Key& out);
    template <class Map> bool read(Map& map, const char* section, const char* key, typename Map::mapped_type* value);
    // The stored entry (valid until it is written again), or null.
    template <class Map> const typename Map::mapped_type* find(Map& map, const char* section, const char* key);
    template <class Map> tresult write(Map& map, const char* section, const char* key, typename Map::mapped_type value);

    std::mutex m_mutex;
    std::map<Key, int32> m_ints;
    std::map<Key, double> m_floats;
    std::map<Key, std::string> m_texts;
    std::map<Key, std::u16string> m_texts16;
};

} // namespace simhost
