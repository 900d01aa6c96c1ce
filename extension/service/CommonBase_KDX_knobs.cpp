// The service's knob assignment: binding the 24 knobs to host parameters of the selected track and its
// instrument, finding the track's instrument, and the names and value texts the knobs show.
#include "CommonBase_KDX.h"

#include "ParameterFinder.h"
#include "StrConv.h"

#include <charconv>

using namespace Quorvane;
using namespace ParameterFinder;
namespace Msg = ExtensionMessage;

namespace {

constexpr int kMaxQuickControl = 8;
constexpr const char* kProgramInstrument = "VirluxOne";

bool isEQIdentifier(std::uint32_t identifier)
{
    return identifier >= kTrackEQBandGain1 && identifier <= kTrackEQLast;
}

bool isConnectedTo(IDevice* device, IDevice* track)
{
    const FRef<IConnector> connector = queryRef<IConnector>(device);
    return connector && track && connector->isConnectedTo(track);
}

// The children of the host's "QPX Project Instruments" whose first sub-device is connected to the track,
// with that sub-device: the instruments the track plays.
struct ConnectedInstrument
{
    IDevice* slot = nullptr;
    IDevice* instrument = nullptr;
};

ConnectedInstrument findConnectedInstrument(IHostClasses* host, IDevice* track)
{
    IDevice* instruments = getDeviceObject(host, nullptr, "QPX Mixer\\QPX Project Instruments");
    if (!instruments || !track)
        return {};
    const int32 count = instruments->countSubDevices();
    for (int32 i = 0; i < count; ++i) {
        IDevice* slot = instruments->getSubDevice(i);
        if (!slot || slot->countSubDevices() <= 0)
            continue;
        IDevice* first = slot->getSubDevice(0);
        if (isConnectedTo(first, track))
            return {slot, first};
    }
    return {};
}

std::string englishName(IHostClasses* host, std::u16string name)
{
    StrConv::ConvertQCParamNameToEnglish(host, &name);
    return Useful::getCString(name.c_str());
}

} // namespace

void CommonBase_KDX::UpdateParameterAssignment()
{
    InitializeInfo(4, true);
    m_assignmentUpdateRequested = false;
    if (!IsParameterAssignmentUpdatable()) {
        // The EQ knobs follow the track whatever the template says.
        for (int k = kAssignableKnobCount; k < kKnobCount; ++k) {
            SearchAndAssignParameter(k, true);
            AddParameterToUpdateHandler(k);
        }
        return;
    }
    for (int k = 0; k < kKnobCount; ++k) {
        if (m_knobs[static_cast<std::size_t>(k)].mapping != k)
            continue;
        if (k < kAssignableKnobCount)
            for (int j = k + 1; j < kAssignableKnobCount; ++j)
                if (m_records[j] == m_records[k])
                    m_knobs[static_cast<std::size_t>(j)].mapping = k;
        SearchAndAssignParameter(k, true);
        AddParameterToUpdateHandler(k);
    }
}

bool CommonBase_KDX::IsParameterAssignmentUpdatable()
{
    ITrack2* selected = getSelectedTrack();
    IDevice* selectedTrack = selected ? selected->getDevice() : nullptr;
    if (m_currentTrack.get() != selectedTrack && !m_previousTrack)
        return false;
    if (GetQPXi().get() != m_instrument.get())
        return false;
    return IsTargetTemplateSelected() || m_templateName == kGenericTemplate;
}

void CommonBase_KDX::SearchAndAssignParameter(int knob, bool)
{
    if (knob < 0 || knob >= kKnobCount)
        return;
    KnobSlot& slot = m_knobs[static_cast<std::size_t>(knob)];
    const Msg::ParamIDRecord& record = m_records[knob];
    switch (record.kind) {
    case 0: {
        std::u16string name;
        FRef<IValue> value = getParameter(m_instrument.get(), static_cast<int>(record.identifier), &name);
        if (value) {
            slot.controller.SetValueObject(value.get(), ParameterController::kParameterTypeRelative,
                                           ParameterController::kControlStateActive);
            slot.name = Useful::getCString(name.c_str());
        }
        break;
    }
    case 1:
        SearchAndAssignTrackParameter(knob, ParameterController::kParameterTypeRelative,
                                      ParameterController::kControlStateActive);
        break;
    default:
        slot.name = kParamName_NoAssign;
        break;
    }
    if (slot.name == kParamName_NoAssign || slot.controller.IsValid())
        return;
    // A MIDI track has no channel EQ: its EQ knobs stay quietly empty.
    const bool eq = record.kind == 1 && isEQIdentifier(record.identifier);
    slot.name = eq && Useful::isMIDITrack(m_currentTrack.get()) ? "" : kParamName_NotFound;
}

void CommonBase_KDX::SearchAndAssignTrackParameter(int knob, char type, char state)
{
    if (knob < 0 || knob >= kKnobCount || type > 4 || state > 4)
        return;
    KnobSlot& slot = m_knobs[static_cast<std::size_t>(knob)];
    IDevice* track = m_currentTrack.get();
    const Msg::ParamIDRecord& record = m_records[knob];
    const std::uint32_t identifier = record.identifier;
    FRef<IValue> bound;
    if (identifier == 4201) {
        slot.name = kParamName_Pan;
        bound = getTrackParameter(track, kTrackPan);
    } else if (identifier == 1025) {
        slot.name = kParamName_Volume;
        bound = getTrackParameter(track, kTrackVolume);
    } else if (identifier >= 1 && identifier <= kMaxQuickControl) {
        const int q = static_cast<int>(identifier);
        const int identifiers[] = {q + 3, q + 11}; // the quick control and its target
        std::vector<ParamSearchInfo> items;
        setupParamSearchInfo(2, identifiers, &items);
        getTrackParameters(track, &items);
        if (items[0].value && items[1].value) {
            bound = items[0].value;
            slot.quickControlValue = items[1].value;
            slot.name = GetQuickControlAssignedParamName(q - 1, items[1].value.get());
        }
    } else if (record.kind == 1 && isEQIdentifier(identifier)) {
        std::u16string name;
        bound = getTrackParameter(track, static_cast<int>(identifier), &name);
        slot.name = englishName(hostClasses(), name);
    }
    if (bound)
        slot.controller.SetValueObject(bound.get(), type, state);
}

void CommonBase_KDX::AddParameterToUpdateHandler(int knob)
{
    if (knob < 0 || knob >= kKnobCount)
        return;
    KnobSlot& slot = m_knobs[static_cast<std::size_t>(knob)];
    if (slot.controller.IsValid())
        slot.controller.AddDependent(hostClasses(), static_cast<IDependent*>(this));
    if (slot.quickControlValue)
        AddDependent(slot.quickControlValue.get());
}

std::string CommonBase_KDX::GetQuickControlAssignedParamName(int quickControl, IValue* destination)
{
    if (!destination || quickControl < 0)
        return {};
    return "Q" + std::to_string(quickControl + 1) + ":" +
           englishName(hostClasses(), Useful::getValueString(destination));
}

void CommonBase_KDX::SendQuickControlParamName(int knob)
{
    KnobSlot& slot = mappedSlot(knob);
    // The "Qn:" the name began with stays; the target after it is the quick control's new one.
    slot.name =
        slot.name.substr(0, 3) + englishName(hostClasses(), Useful::getValueString(slot.quickControlValue.get()));
    SendOneParamName(knob);
}

std::string CommonBase_KDX::GetValueStringFromFloatValue(int knob)
{
    if (knob < 0 || knob >= kKnobCount)
        return {};
    KnobSlot& slot = m_knobs[static_cast<std::size_t>(knob)];
    if (!slot.controller.IsValid())
        return {};
    // A quick control without a target shows no value.
    const std::string& name = slot.name;
    if (slot.quickControlValue && name.size() == 3 && name[0] == 'Q' && name[2] == ':')
        return {};
    float value = 0;
    if (!slot.controller.GetFloatValue(value, false))
        return {};
    // "(%.3f)", with a point whatever the host's locale says.
    char digits[48];
    const auto end = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 3);
    if (end.ec != std::errc())
        return {};
    return "(" + std::string(digits, end.ptr) + ")";
}

std::string CommonBase_KDX::GetParamValueString(int knob)
{
    if (knob < 0 || knob >= kKnobCount)
        return {};
    const int mapping = m_knobs[static_cast<std::size_t>(knob)].mapping;
    KnobSlot& slot = m_knobs[static_cast<std::size_t>(mapping)];
    std::u16string text = Useful::getValueString(slot.controller.GetValueObject());
    if (text.empty())
        text = Useful::getTString(GetValueStringFromFloatValue(mapping).c_str());
    StrConv::ConvertValueStringToEnglish(hostClasses(), &text);
    return Useful::getCString(text.c_str());
}

std::string CommonBase_KDX::GetQPXiName()
{
    std::string result = kOtherTrack;
    IDevice* track = m_currentTrack.get();
    if (m_instrument) {
        std::u16string text;
        if (m_instrumentSlot) {
            FRef<IValue> type = FRef<IValue>::adopt(m_instrumentSlot->getValue("effectType"));
            text = Useful::getValueString(type.get());
        } else if (!m_newerHost) {
            text = Useful::getTString(m_instrument->getName());
        }
        if (Useful::isASCIIString(text.c_str())) {
            result = Useful::getCString(text.c_str());
            Useful::removeSpaceFromString(&result, false);
        }
    } else if (Useful::isAudioTrack(track)) {
        result = kAudioTrack;
    } else if (Useful::isMIDITrack(track)) {
        result = kMIDITrack;
    }
    return result;
}

bool CommonBase_KDX::IsTargetTemplateSelected()
{
    const std::string instrument = GetQPXiName();
    if (instrument.empty() || m_templateName.empty())
        return false;
    // The first characters of the instrument name, at most 12, against the template's (a shorter
    // template name differs at its end).
    const std::size_t n = std::min(instrument.size(), static_cast<std::size_t>(Msg::kInstrumentNameWidth));
    return m_templateName.size() >= n && m_templateName.compare(0, n, instrument, 0, n) == 0;
}

FRef<IDevice> CommonBase_KDX::GetQPXi()
{
    IDevice* track = m_currentTrack.get();
    if (Useful::isMIDITrack(track))
        return GetQPXiFromMIDIOutput();
    if (Useful::isInstrumentTrack(track))
        return FRef<IDevice>::share(getDeviceObject(nullptr, track, "Slot\\%BLANK%"));
    return {};
}

FRef<IDevice> CommonBase_KDX::GetQPXiFromMIDIOutput()
{
    if (!m_midiOutput)
        return {};
    if (m_newerHost)
        return FRef<IDevice>::share(findConnectedInstrument(hostClasses(), m_currentTrack.get()).instrument);
    // An older host names the output "<rack number> - <instrument>".
    const std::u16string output = Useful::getValueString(m_midiOutput.get());
    const std::size_t dash = output.find(u'-');
    if (dash < 2 || dash > 4)
        return {};
    const long number = Useful::strToL(output.substr(0, dash).c_str(), false);
    std::string name = Useful::getCString(output.substr(dash + 1).c_str());
    Useful::removeSpaceFromString(&name, true);
    IDevice* rack = getDeviceObject(hostClasses(), nullptr, "QPX Mixer\\QPX Instruments");
    if (number < 1 || !rack || rack->countSubDevices() < number)
        return {};
    IDevice* slot = rack->getSubDevice(static_cast<int32>(number - 1));
    IDevice* instrument = slot ? getDeviceObject(nullptr, slot, kBlankDeviceName) : nullptr;
    if (!instrument || !Useful::isContainedInString(slot->getName(), name.c_str(), false))
        return {};
    return FRef<IDevice>::share(instrument);
}

void CommonBase_KDX::SetQPXiSlot()
{
    Unobserve(m_instrumentSlot);
    IDevice* track = m_currentTrack.get();
    const bool instrumentTrack = Useful::isInstrumentTrack(track);
    if (!m_newerHost) {
        if (instrumentTrack)
            m_instrumentSlot = FRef<IDevice>::share(getDeviceObject(nullptr, track, "Slot"));
    } else if (m_instrument && (instrumentTrack || Useful::isMIDITrack(track))) {
        const ConnectedInstrument found = findConnectedInstrument(hostClasses(), track);
        if (found.instrument == m_instrument.get())
            m_instrumentSlot = FRef<IDevice>::share(found.slot);
    }
    // Only an instrument track's slot is watched: its instrument can be swapped under the track.
    if (m_instrumentSlot && instrumentTrack)
        AddDependent(m_instrumentSlot.get());
}

void CommonBase_KDX::SetBayProg()
{
    Unobserve(m_instrumentProgram);
    if (m_newerHost || !m_instrument || GetQPXiName() != kProgramInstrument)
        return;
    m_instrumentProgram = FRef<IValue>::adopt(m_instrument->getValue("bayProg"));
    if (m_instrumentProgram)
        AddDependent(m_instrumentProgram.get());
}

void CommonBase_KDX::RefreshProgramNames()
{
    // The sampler renames its parameters with each program: the names come from its parameter list.
    IDevice* parameters = getDeviceObject(nullptr, m_instrument.get(), "0");
    if (!parameters)
        return;
    bool changed = false;
    for (int k = 0; k < kAssignableKnobCount; ++k) {
        KnobSlot& slot = m_knobs[static_cast<std::size_t>(k)];
        IValue2* value = slot.controller.GetValueObject();
        if (!value || Useful::getIDeviceFromIValue(value) != parameters)
            continue;
        const char16* name16 = parameters->getParameterName(value->getParamIndex());
        const std::string name = Useful::getCString(name16);
        if (name != slot.name) {
            slot.name = name;
            changed = true;
        }
    }
    if (changed)
        SendAllParamNames();
}

void CommonBase_KDX::SetAutomationWriteOfQPXi()
{
    if (!m_instrument || m_automationWrite)
        return;
    m_automationWrite = FRef<IValue>::adopt(m_instrument->getValue("writeEnable"));
    if (m_automationWrite)
        AddDependent(m_automationWrite.get());
}
