#pragma once

#include "CommonBase_KDX.h"
#include "ExtSetupController.h"

#include <array>
#include <memory>
#include <string>

// The extension's service for the ZELK6/ZELK8 (the class the host creates, one instance): the service
// core with what belongs to this synthesizer: the host check, the default user commands and the setup
// panel's controller, the host actions of the model (the browser, the EQ switches), the dispatch of every
// received message and the sending of every message the synthesizer shows. Host thread, as its base.
class ZELK_KDX : public CommonBase_KDX, public IExtSetupInfoMonitor
{
public:
    static constexpr int kPages = 6;
    static constexpr int kButtons = 6;
    static constexpr const char* kCategory = "ZELK6/ZELK8";
    static constexpr const char* kSetupAction = "ZELK6/ZELK8 Extension Setup";
    static constexpr const char* kOpenBrowser = "Open Browser";
    static constexpr const char* kAllEQsOn = "All EQs On";
    static constexpr const char* kSetupPanelFile = "ZELKExtSetupPanel.srf";
    static constexpr const char* kSetupPanelName = "ZELKExtSetupPanel";
    static constexpr const char* kModelWord = "ZELK";
    static constexpr const char* kSetupFileModel = "Telvor ZELK6/ZELK8";
    static constexpr const char* kSetupFileVersion = "1.0.2";
    static constexpr const char* kLoadableModel = "Telvor BRAM6/BRAM8";
    static constexpr unsigned char kDisplayNameLimit = 6;
    static constexpr unsigned char kPageNameLimit = 16;

    // The factory commands of the six function buttons on six pages: row = page × 6 + button.
    static const SUserCommandInfo k_defaultUserCmdInfo[kPages * kButtons];
    static const char* const k_defaultPageNames[kPages];
    static const char* const k_sfButtonNames[kButtons];
    // The model's host actions in the order they are registered.
    static const std::array<std::string, 10>& ModelActions();

    static Quorvane::FUnknown* newInstance(void* context);

    // 0 for an action of the model that is available or was carried out; 1 for any other.
    Quorvane::tresult handleAction(const char* category, const char* action, bool flag) override;

    // IExtSetupInfoMonitor.
    void CommandNameChanged(int button) override;
    void PageIndexChanged() override;
    void JogStopSettingChanged(bool on) override;

    // The factory commands for this host (some hosts name a command of their own).
    void SetupDefaultUserCommands(SUserCommandInfo (&commands)[kPages * kButtons]) const;
    // For tests: the setup panel's controller, null before the service was configured.
    ExtSetupController* setupController() const { return m_configured ? m_setup.get() : nullptr; }

protected:
    ZELK_KDX();
    ~ZELK_KDX() override;

    void ReceiveExtensionMessage(const unsigned char* message) override;
    bool IsTargetDAW(Quorvane::FUnknown* context) override;
    void ConfigureModelDependentData() override;
    void UnconfigureModelDependentData() override;
    void SendAllParamNames() override;
    void SendAllParamValues() override;
    void SendOneParamName(int knob) override;
    void SendOneParamValue(int knob) override;
    void SendQPXiName(const std::string& name) override;
    void SendTrackName(Quorvane::IValue* nameValue) override;
    void SendProgramChangeMode() override;

    void ReceiveRemoteModeChange(int value);
    void SendFunctionCommandName(int button);
    void SendCurrentPageIndex(int page);
    void SendPageName();
    void SendJogStopState(bool on);
    // Band 0..3 on or off; -1: all four on, or off when all are on already.
    void SwitchEQOnOff(int band);
    void ChangeEQType(int band);

private:
    // False when a message could not be built: the caller's sending pass ends there.
    bool SendKnobName(int knob);
    bool SendKnobValue(int knob);
    void PerformHostAction(const char* category, const char* action);
    // What the device's announcement (56 01) brings the synthesizer: track name, command names, page,
    // program-change mode and the jog-stop setting.
    void RefreshDisplay();

    std::unique_ptr<ExtSetupController> m_setup;
    bool m_configured = false;
    bool m_actionHandlerRegistered = false;
};
