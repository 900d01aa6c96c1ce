#include "ZELK_KDX.h"

#include "BundleEntry.h"
#include "CNfunction.h"
#include "ParameterFinder.h"
#include "String.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

using namespace Quorvane;
namespace Msg = ExtensionMessage;

namespace {

constexpr int kEQBands = 4;

const char16* literal16(const char* literal)
{
    return ConstStringTable::instance()->getString(literal);
}

// Builds one copy of a message for every open sending channel (one per remote device) and posts it; false
// when a copy could not be built.
template <class Build> bool postToDevices(Build build)
{
    for (const unsigned int index : SendingChannels::openIndices()) {
        unsigned char* message = build();
        if (!message)
            return false;
        AddSendMessage(index, message);
    }
    return true;
}

std::string eqAction(const char* form, int band)
{
    char text[32];
    std::snprintf(text, sizeof text, form, band);
    return text;
}

} // namespace

const SUserCommandInfo ZELK_KDX::k_defaultUserCmdInfo[kPages * kButtons] = {
    {"Zoom", "Zoom In", "HZoom+"},
    {"Zoom", "Zoom Out", "HZoom-"},
    {"Zoom", "Zoom In Vertically", "VZoom+"},
    {"Zoom", "Zoom Out Vertically", "VZoom-"},
    {"Devices", "Mixer", "Mixer"},
    {"ZELK6/ZELK8", "ZELK6/ZELK8 Extension Setup", "Setup"},
    {"Edit", "Open Key Editor", "KeyEd"},
    {"Edit", "Open Score Editor", "Score"},
    {"Edit", "Open Drum Editor", "Drum"},
    {"Edit", "Open List Editor", "List"},
    {"Devices", "Mixer", "Mixer"},
    {"Project", "Open Pool", "OpenPl"},
    {"AddTrack", "MIDI", "AdMidi"},
    {"Quantize Category", "Auto Quantize On/Off", "AutoQ"},
    {"Quantize Category", "Quantize", "Qtz"},
    {"Quantize Category", "Quantize Lengths", "QtzLng"},
    {"MIDI", "Toggle Step Input", "Step"},
    {"Quantize Category", "Quantize Setup", "QtzSet"},
    {"AddTrack", "Audio", "AdAudi"},
    {"AddTrack", "Audio Mono", "AdMono"},
    {"Edit", "Monitor", "Monit"},
    {"Edit", "Select Next Grid Type", "NextGr"},
    {"File", "Import Audio File", "ImpAud"},
    {"Project", "Open Pool", "OpenPl"},
    {"Automation", "Show Used Automation (Selected Tracks)", "ShowAt"},
    {"Automation", "Show All Used Automation", "ShwAUA"},
    {"Automation", "Hide All Automation", "HidAAu"},
    {"File", "Export Audio Mixdown", "MixDn"},
    {"Devices", "Mixer", "Mixer"},
    {"File", "Save New Version", "NewVer"},
    {"---", "---", ""},
    {"---", "---", ""},
    {"---", "---", ""},
    {"---", "---", ""},
    {"---", "---", ""},
    {"---", "---", ""},
};

const char* const ZELK_KDX::k_defaultPageNames[kPages] = {
    "Project Setup", "Project Window", "MIDI", "Audio", "Mix", "---"};
const char* const ZELK_KDX::k_sfButtonNames[kButtons] = {"SF1", "SF2", "SF3", "SF4", "SF5", "SF6"};

const std::array<std::string, 10>& ZELK_KDX::ModelActions()
{
    static const std::array<std::string, 10> actions = [] {
        std::array<std::string, 10> a;
        a[0] = kOpenBrowser;
        a[1] = kAllEQsOn;
        for (int band = 1; band <= kEQBands; ++band) {
            a[static_cast<std::size_t>(2 * band)] = eqAction("EQ %d On", band);
            a[static_cast<std::size_t>(2 * band + 1)] = eqAction("EQ %d Type", band);
        }
        return a;
    }();
    return actions;
}

FUnknown* ZELK_KDX::newInstance(void*)
{
    return static_cast<IPluginBase*>(new (std::nothrow) ZELK_KDX);
}

ZELK_KDX::ZELK_KDX() : m_setup(makeExtSetupController(kModelWord, moduleHandle)) {}

ZELK_KDX::~ZELK_KDX()
{
    // A host that released the service without a terminate it accepted still gets its actions back.
    try {
        UnconfigureModelDependentData();
    } catch (...) {
    }
}

bool ZELK_KDX::IsTargetDAW(FUnknown* context)
{
    FRef<IHostApplicationW> application = queryRef<IHostApplicationW>(context);
    if (!application)
        return false;
    m_hostInformation.analyzeDAWInfo(application.get());
    if (!m_hostInformation.isAllInfoAnalyzed() || m_hostInformation.getDAWNameIndex() == 1)
        return false;
    const int lowestMajor = m_hostInformation.getDAWNameIndex() == DAWInfo::kParlexIndex ? 6 : 7;
    return m_hostInformation.getMajorVersion() >= lowestMajor;
}

void ZELK_KDX::SetupDefaultUserCommands(SUserCommandInfo (&commands)[kPages * kButtons]) const
{
    for (int row = 0; row < kPages * kButtons; ++row)
        commands[row] = k_defaultUserCmdInfo[row];
    const int index = m_hostInformation.getDAWNameIndex();
    if (index == 2 || index == 3)
        commands[1 * kButtons + 3] = {"Media", "Open Cratebin", "OpenCB"};
}

void ZELK_KDX::ConfigureModelDependentData()
{
    SUserCommandInfo commands[kPages * kButtons];
    SetupDefaultUserCommands(commands);
    if (m_setup && m_setup->Initialize(hostClasses(), literal16(kSetupPanelFile), nullptr, kPages, kButtons,
                                       k_sfButtonNames, k_defaultPageNames, commands)) {
        m_setup->AddAction(kCategory, kSetupAction, literal16(kSetupAction));
        m_setup->SetCallbackClass(this);
        m_setup->SetInfoForFile(kSetupFileModel, kSetupFileVersion, &m_hostInformation);
        m_setup->AddLoadableModelName(kLoadableModel);
        bool jogStop = true;
        m_setup->GetOptionFlagData(ExtSetupController::kJogStopOption, &jogStop);
        SendJogStopState(jogStop);
    }
    if (FRef<IActionManager> actions = createRef<IActionManager>(hostClasses())) {
        m_actionHandlerRegistered = actions->registerHandler(static_cast<IActionHandler*>(this)) == kResultOk;
        for (const std::string& action : ModelActions())
            actions->addAction(kCategory, action.c_str(), Useful::getTString(action.c_str()).c_str());
    }
    m_configured = true;
}

void ZELK_KDX::UnconfigureModelDependentData()
{
    if (!m_configured)
        return;
    m_configured = false;
    if (m_setup)
        m_setup->Terminate();
    if (FRef<IActionManager> actions = createRef<IActionManager>(hostClasses())) {
        for (const std::string& action : ModelActions())
            actions->removeAction(kCategory, action.c_str());
        if (m_actionHandlerRegistered)
            actions->unregisterHandler(static_cast<IActionHandler*>(this));
    }
    m_actionHandlerRegistered = false;
}

void ZELK_KDX::RefreshDisplay()
{
    SendTrackName(m_trackNameValue.get());
    for (int button = 0; button < kButtons; ++button)
        SendFunctionCommandName(button);
    SendCurrentPageIndex(m_setup ? m_setup->GetUserCommandPageIndex() : 0);
    // A synthesizer that starts, or comes back, shows no page name of its own; and a device takes nothing
    // while it is closed, so the jog-stop setting sent at our first idle may not have reached it.
    SendPageName();
    SendProgramChangeMode();
    bool jogStop = true;
    if (m_setup && m_setup->GetOptionFlagData(ExtSetupController::kJogStopOption, &jogStop))
        SendJogStopState(jogStop);
}

void ZELK_KDX::ReceiveExtensionMessage(const unsigned char* message)
{
    const std::size_t length = Msg::messageLength(message);
    switch (Msg::classifyIncoming(message, length)) {
    case Msg::ServiceMessage::InstrumentName:
        ReceiveTemplateQPXiName(message, length);
        break;
    case Msg::ServiceMessage::AllParamIDs:
        ReceiveAllParamIDs(message, length);
        break;
    case Msg::ServiceMessage::RemoteMode:
        ReceiveRemoteModeChange(Msg::dataByte(message, length));
        break;
    case Msg::ServiceMessage::KnobTurn:
        ReceiveKnobParamChange(message[k_addressPos] - Msg::kKnobAddressBase, Msg::dataByte(message, length));
        break;
    case Msg::ServiceMessage::OneParamID:
        ReceiveOneParamID(message, length);
        break;
    case Msg::ServiceMessage::UserCommand:
        if (m_setup)
            m_setup->PerformAction(Msg::dataByte(message, length));
        break;
    case Msg::ServiceMessage::StartupRefresh:
        // At once, in the order of the messages: the synthesizer's answer to the announcement may be
        // queued right behind it, and the track name sent after that answer's knob names would take them
        // off the device's queue again.
        RefreshDisplay();
        // The synthesizer enters its remote mode when it learns that the extension runs, as it does at
        // its panel's switch: once a track is followed, the template it then tells is answered the same
        // way, so one that does not fit (a synthesizer back from being switched off) is asked for the
        // track's own. Before that, answering the track selection asks for the template.
        if (m_currentTrack || m_instrument)
            m_remoteModeSwitchedOn = true;
        break;
    case Msg::ServiceMessage::SelectPage:
        if (m_setup)
            m_setup->SetUserCommandPageIndex(Msg::dataByte(message, length));
        break;
    case Msg::ServiceMessage::Ignored:
        break;
    }
}

void ZELK_KDX::ReceiveRemoteModeChange(int value)
{
    if (value != 1)
        return;
    SendTrackName(m_trackNameValue.get());
    for (int button = 0; button < kButtons; ++button)
        SendFunctionCommandName(button);
    SendProgramChangeMode();
    m_remoteModeSwitchedOn = true;
}

tresult ZELK_KDX::handleAction(const char* category, const char* action, bool flag)
{
    try {
        if (!category || !action || std::strcmp(category, kCategory) != 0)
            return kResultFalse;
        const std::string name = action;
        if (name == kOpenBrowser) {
            if (flag)
                return kResultOk;
            const bool instrumentTrack =
                Useful::isInstrumentTrack(m_currentTrack.get()) || Useful::isMIDITrack(m_currentTrack.get());
            if (m_instrument && instrumentTrack)
                PerformHostAction("Preset", "Open Browser");
            else
                PerformHostAction("Project", "Track Preset: Open Browser");
            return kResultOk;
        }
        if (name == kSetupAction) {
            if (!flag && m_setup)
                m_setup->SwitchPanelOpenClose(kSetupPanelName, kDisplayNameLimit, kPageNameLimit, this);
            return kResultOk;
        }
        if (name == kAllEQsOn) {
            if (!flag)
                SwitchEQOnOff(-1);
            return kResultOk;
        }
        for (int band = 1; band <= kEQBands; ++band) {
            if (name == eqAction("EQ %d On", band)) {
                if (!flag)
                    SwitchEQOnOff(band - 1);
                return kResultOk;
            }
            if (name == eqAction("EQ %d Type", band)) {
                if (!flag)
                    ChangeEQType(band - 1);
                return kResultOk;
            }
        }
        return kResultFalse;
    } catch (...) {
        return kResultFalse;
    }
}

void ZELK_KDX::PerformHostAction(const char* category, const char* action)
{
    if (FRef<IActionManager> actions = createRef<IActionManager>(hostClasses()))
        actions->performAction(category, action);
}

void ZELK_KDX::SwitchEQOnOff(int band)
{
    IDevice* track = m_currentTrack.get();
    if (!track || Useful::isMIDITrack(track) || band > 3 || band < -1)
        return;
    if (band >= 0) {
        FRef<IValue> on = ParameterFinder::getTrackParameter(track, ParameterFinder::kTrackEQBandOn1 + band);
        if (on)
            on->setInt(on->getInt() == 0 ? 1 : 0, true);
        return;
    }
    const int identifiers[kEQBands] = {ParameterFinder::kTrackEQBandOn1, ParameterFinder::kTrackEQBandOn1 + 1,
                                       ParameterFinder::kTrackEQBandOn1 + 2, ParameterFinder::kTrackEQBandOn1 + 3};
    std::vector<ParameterFinder::ParamSearchInfo> items;
    ParameterFinder::setupParamSearchInfo(kEQBands, identifiers, &items);
    ParameterFinder::getTrackParameters(track, &items);
    bool anyOff = false;
    for (const auto& item : items) {
        if (!item.value)
            return;
        anyOff = anyOff || item.value->getInt() == 0;
    }
    for (const auto& item : items)
        item.value->setInt(anyOff ? 1 : 0, true);
}

void ZELK_KDX::ChangeEQType(int band)
{
    IDevice* track = m_currentTrack.get();
    if (!track || Useful::isMIDITrack(track) || band < 0 || band > 3)
        return;
    FRef<IValue> type = ParameterFinder::getTrackParameter(track, ParameterFinder::kTrackEQBandType1 + band);
    if (!type)
        return;
    const int32 minimum = static_cast<int32>(type->getMin());
    const int32 maximum = static_cast<int32>(type->getMax());
    const int32 current = type->getInt();
    const int32 next = current < maximum ? current + 1 : minimum;
    if (type->setInt(next, true) != kResultOk || type->getInt() != next)
        type->setInt(minimum, true);
}

bool ZELK_KDX::SendKnobName(int knob)
{
    if (knob < 0 || knob >= kKnobCount)
        return true;
    const std::string name = knobName(knob);
    return postToDevices([&] { return Msg::buildKnobName(knob, name); });
}

bool ZELK_KDX::SendKnobValue(int knob)
{
    if (knob < 0 || knob >= kKnobCount)
        return true;
    const std::string text = GetParamValueString(knob);
    return postToDevices([&] { return Msg::buildKnobValue(knob, text); });
}

void ZELK_KDX::SendOneParamName(int knob)
{
    SendKnobName(knob);
}

void ZELK_KDX::SendOneParamValue(int knob)
{
    SendKnobValue(knob);
}

void ZELK_KDX::SendAllParamNames()
{
    for (int knob = 0; knob < kKnobCount && SendKnobName(knob); ++knob) {
    }
}

void ZELK_KDX::SendAllParamValues()
{
    for (int knob = 0; knob < kKnobCount && SendKnobValue(knob); ++knob) {
    }
}

void ZELK_KDX::SendQPXiName(const std::string& name)
{
    if (name.empty())
        return;
    postToDevices([&] { return Msg::buildInstrumentName(name); });
}

void ZELK_KDX::SendTrackName(IValue* nameValue)
{
    const std::string name = nameValue ? Useful::getCString(Useful::getValueString(nameValue).c_str()) : "";
    postToDevices([&] { return Msg::buildTrackName(name); });
    if (nameValue)
        TrackNameShown();
}

void ZELK_KDX::SendProgramChangeMode()
{
    // 1: the selected MIDI track's output reaches no instrument, so the synthesizer sends program changes.
    const bool midiWithoutInstrument = Useful::isMIDITrack(m_currentTrack.get()) && !m_instrument;
    postToDevices([&] { return Msg::buildProgramChangeMode(midiWithoutInstrument); });
}

void ZELK_KDX::SendFunctionCommandName(int button)
{
    std::string name;
    if (!m_setup || !m_setup->GetDisplayName(button, name))
        return;
    postToDevices([&] { return Msg::buildCommandName(button, name); });
}

void ZELK_KDX::SendCurrentPageIndex(int page)
{
    postToDevices([&] { return Msg::buildPageIndex(page); });
}

void ZELK_KDX::SendPageName()
{
    const std::string name = m_setup ? m_setup->GetCurrentPageName() : std::string();
    if (name.empty())
        return;
    postToDevices([&] { return Msg::buildPageName(name); });
}

void ZELK_KDX::SendJogStopState(bool on)
{
    postToDevices([&] { return Msg::buildJogStopState(on); });
}

void ZELK_KDX::CommandNameChanged(int button)
{
    SendFunctionCommandName(button);
}

void ZELK_KDX::PageIndexChanged()
{
    SendCurrentPageIndex(m_setup ? m_setup->GetUserCommandPageIndex() : 0);
    SendPageName();
    for (int button = 0; button < kButtons; ++button)
        SendFunctionCommandName(button);
}

void ZELK_KDX::JogStopSettingChanged(bool on)
{
    SendJogStopState(on);
}
