#pragma once

#include "HostApplication.h"

// Whether the audio-driver setup of the synthesizer's USB audio interface has been done: one integer in
// the host's preference pool. Used on the host's thread while the host classes are kept.
class CUSBNOLPDriverSetup
{
public:
    static constexpr const char* kSection = "TelvorService";
    static constexpr const char* kKey = "SETUP-USB-NOLP";

    // The host classes are not referenced: the object lives within one host call.
    explicit CUSBNOLPDriverSetup(Quorvane::IHostClasses* hostClasses) : m_hostClasses(hostClasses) {}
    virtual ~CUSBNOLPDriverSetup() = default;

    // True when the pool is there, holds the entry and it is greater than 0.
    bool IsNOLPSetupDone();
    // Writes 1 or 0; nothing without the pool.
    void SetNOLPSetupState(bool done);

private:
    Quorvane::IHostClasses* m_hostClasses;
};
