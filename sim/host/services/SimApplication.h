#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"

#include <mutex>
#include <string>

namespace simhost {

// The application's identity: product name, version text and build text (each may be absent). Read on
// the host's thread.
class SimApplication : public HostObject<Quorvane::IHostApplicationW>
{
public:
    explicit SimApplication(HostContextRef host);

    const char16_t* getApplicationName() override;
    const char16_t* getApplicationVersion() override;
    const char16_t* getApplicationBuild() override;

    // An empty text is reported as null.
    void set(const std::u16string& name, const std::u16string& version, const std::u16string& build);

private:
    std::mutex m_mutex;
    std::u16string m_name{u"Sonvik"};
    std::u16string m_version{u"Version 7.5.30"};
    std::u16string m_build{u"Build 123"};
};

} // namespace simhost
