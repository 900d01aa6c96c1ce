#pragma once

// Told by the setup panel and the setup data when what the synthesizer shows of the user commands
// changes: a button's command name, the current page, or the jog-stop option. Implemented by the
// service; called on the host's thread.
class IExtSetupInfoMonitor
{
public:
    virtual void CommandNameChanged(int button) = 0;
    virtual void PageIndexChanged() = 0;
    virtual void JogStopSettingChanged(bool on) = 0;

protected:
    ~IExtSetupInfoMonitor() = default;
};
