#pragma once

#include "HostApplication.h"

#include <string>

// The extension's options: flag 0 (kept in memory only) and flag 1, the jog-stop setting, which lives in
// the host's preference pool under "<model word> Extension Settings" / "JogStop". Host thread only.
class CExtOption
{
public:
    static constexpr int kJogStopFlag = 1;

    // Reads the jog-stop setting (on when the pool has none) and writes it back; nothing without host,
    // model or pool.
    void InitializeOption(Quorvane::IHostClasses* hostClasses, const char* model);
    // Sets flag index (0 or 1; flag 1 is also written to the pool); false for another index or without pool.
    bool SetFlagState(int index, bool on);
    // Flag index (0 or 1) into on; false for another index or a null on.
    bool GetFlagState(int index, bool* on) const;

protected:
    Quorvane::IHostClasses* m_optionHostClasses = nullptr; // not owned
    bool m_flags[2] = {true, true};
    std::string m_optionSection;
};
