#include "CExtOption.h"

#include "FRef.h"
#include "HostFiles.h"

using namespace Quorvane;

namespace {

constexpr const char* kJogStopKey = "JogStop";

} // namespace

void CExtOption::InitializeOption(IHostClasses* hostClasses, const char* model)
{
    if (!hostClasses || !model)
        return;
    FRef<IDefaultPool> pool = createRef<IDefaultPool>(hostClasses);
    if (!pool)
        return;
    m_optionHostClasses = hostClasses;
    m_optionSection = std::string(model) + " Extension Settings";
    int32 stored = 0;
    const bool jogStop = pool->getInt(m_optionSection.c_str(), kJogStopKey, &stored) ? stored != 0 : true;
    SetFlagState(kJogStopFlag, jogStop);
}

bool CExtOption::SetFlagState(int index, bool on)
{
    if (index < 0 || index > kJogStopFlag)
        return false;
    FRef<IDefaultPool> pool = createRef<IDefaultPool>(m_optionHostClasses);
    if (!pool)
        return false;
    m_flags[index] = on;
    if (index == kJogStopFlag)
        pool->setInt(m_optionSection.c_str(), kJogStopKey, on ? 1 : 0);
    return true;
}

bool CExtOption::GetFlagState(int index, bool* on) const
{
    if (index < 0 || index > kJogStopFlag || !on)
        return false;
    *on = m_flags[index];
    return true;
}
