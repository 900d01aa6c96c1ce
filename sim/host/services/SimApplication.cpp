#include "SimApplication.h"

namespace simhost {

SimApplication::SimApplication(HostContextRef host) : HostObject(std::move(host), "Application") {}

const char16_t* SimApplication::getApplicationName()
{
    hostThreadOnly("IHostApplicationW::getApplicationName");
    std::lock_guard lock(m_mutex);
    return m_name.empty() ? nullptr : m_name.c_str();
}

const char16_t* SimApplication::getApplicationVersion()
{
    hostThreadOnly("IHostApplicationW::getApplicationVersion");
    std::lock_guard lock(m_mutex);
    return m_version.empty() ? nullptr : m_version.c_str();
}

const char16_t* SimApplication::getApplicationBuild()
{
    hostThreadOnly("IHostApplicationW::getApplicationBuild");
    std::lock_guard lock(m_mutex);
    return m_build.empty() ? nullptr : m_build.c_str();
}

void SimApplication::set(const std::u16string& name, const std::u16string& version, const std::u16string& build)
{
    std::lock_guard lock(m_mutex);
    m_name = name;
    m_version = version;
    m_build = build;
}

} // namespace simhost
