#include "SimDefaultPool.h"

using namespace Quorvane;

namespace simhost {

SimDefaultPool::SimDefaultPool(HostContextRef host) : HostObject(std::move(host), "DefaultPool")
{
    alsoAnswer<IDefaultPool>();
}

bool SimDefaultPool::makeKey(const char* section, const char* key, Key& out)
{
    if (!section || !key)
        return false;
    out = Key(section, key);
    return true;
}

template <class Map>
bool SimDefaultPool::read(Map& map, const char* section, const char* key, typename Map::mapped_type* value)
{
    hostThreadOnly("IDefaultPool (read)");
    Key k;
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
    Key k;
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
    Key k;
    if (!makeKey(section, key, k))
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    map[k] = std::move(value);
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
    const Key k(section, key);
    std::lock_guard lock(m_mutex);
    return m_ints.count(k) || m_floats.count(k) || m_texts.count(k) || m_texts16.count(k);
}

} // namespace simhost
