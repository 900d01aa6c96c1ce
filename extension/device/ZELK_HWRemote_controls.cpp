// The control map and the bindings of the bank "Mixer".
#include "ZELK_HWRemote.h"

using Quorvane::PHWRemoteControl;

const char* const k_layer_default = "Default";
const char* const k_bank_default = "Mixer";

namespace {

constexpr Quorvane::uint8 kControlChange = 0xB0;
constexpr Quorvane::uint8 kNoteOn = 0x90;

constexpr const char* k_ctrlNames[ZELK_HWRemote::kControlCount] = {
    "AsgnKnob1", "AsgnKnob2",  "AsgnKnob3",  "AsgnKnob4",  "AsgnKnob5", "AsgnKnob6", "AsgnKnob7", "AsgnKnob8",
    "AsgnKnob9", "AsgnKnob10", "AsgnKnob11", "AsgnKnob12", "EQKnob1",   "EQKnob2",   "EQKnob3",   "EQKnob4",
    "EQKnob5",   "EQKnob6",    "EQKnob7",    "EQKnob8",    "EQKnob9",   "EQKnob10",  "EQKnob11",  "EQKnob12",
    "DataDial",  "Top",        "Rewind",     "FastFwd",    "Stop",      "Play",      "Record",    "Mute",
    "Solo",      "Inc",        "Dec",        "SF1",        "SF2",       "SF3",       "SF4",       "SF5",
    "SF6",       "F1",         "F2",         "F3",         "F4",        "F5",        "F6",        "Jog",
    "Lock",      "SFBank1",    "SFBank2",    "SFBank3",    "SFBank4",   "SFBank5",   "SFBank6",
};

struct Row
{
    int first;
    int last;
    Quorvane::uint8 status;
    int number; // of the first control of the row; the others follow
    int flags;
};

constexpr Row k_rows[] = {
    {0, 11, kControlChange, 16, 5}, {12, 23, kControlChange, 28, 5}, {24, 24, kControlChange, 60, 5},
    {25, 25, kNoteOn, 88, 1},       {26, 28, kNoteOn, 91, 1},        {29, 30, kNoteOn, 94, 35},
    {31, 31, kNoteOn, 16, 1},       {32, 32, kNoteOn, 8, 1},         {33, 33, kNoteOn, 49, 1},
    {34, 34, kNoteOn, 48, 1},       {35, 40, kNoteOn, 54, 1},        {41, 46, kNoteOn, 60, 1},
    {47, 48, kNoteOn, 118, 35},     {49, 54, kNoteOn, 66, 35},
};

constexpr std::array<PHWRemoteControl, ZELK_HWRemote::kControlCount> buildControlMap()
{
    std::array<PHWRemoteControl, ZELK_HWRemote::kControlCount> map{};
    for (const Row& row : k_rows) {
        for (int i = row.first; i <= row.last; ++i) {
            PHWRemoteControl& c = map[static_cast<std::size_t>(i)];
            c.name = k_ctrlNames[i];
            c.midiStatus = row.status;
            c.midiChannel = 0;
            c.number = static_cast<Quorvane::uint16>(row.number + (i - row.first));
            c.maximum = 127;
            c.flags = row.flags;
        }
    }
    return map;
}

struct Binding
{
    const char* control;
    bool isValue;
    const char* categoryOrDevice;
    const char* commandOrValue;
    Quorvane::int32 channelSelector;
    Quorvane::int32 flags;
};

constexpr Binding k_defaultBindings[] = {
    {"Top", false, "Transport", "Return to Zero", 0, 1},
    {"Play", true, "Transport", "start", -1, 0x201},
    {"Stop", true, "Transport", "stop", -1, 0x201},
    {"Rewind", false, "Transport", "Step Back Bar", 0, 0x201},
    {"FastFwd", false, "Transport", "Step Bar", 0, 0x201},
    {"Record", true, "Transport", "record", -1, 0x301},
    {"Mute", true, "Mixer", "mute", -2, 0x301},
    {"Solo", true, "Mixer", "solo", -2, 0x301},
    {"SF1", false, "AddTrack", "Instrument", 0, 0x301},
    {"SF2", false, "Edit", "Edit QPX Instrument", 0, 0x301},
    {"SF3", false, "Edit", "Edit Channel Settings", 0, 0x301},
    {"SF4", false, "Automation", "Toggle Read Enable Selected Tracks", 0, 0x301},
    {"SF5", false, "Automation", "Toggle Write Enable Selected Tracks", 0, 0x301},
    {"SF6", false, "Edit", "Delete", 0, 0x301},
    {"Inc", false, "Preset", "Next", 0, 0x301},
    {"Dec", false, "Preset", "Previous", 0, 0x301},
};

} // namespace

const std::array<PHWRemoteControl, ZELK_HWRemote::kControlCount> g_ctrlMap = buildControlMap();

void ZELK_HWRemote::AssignControls(Quorvane::IHWRemoteBank* bank)
{
    if (!bank)
        return;
    bank->createLayer(k_layer_default);
    for (const Binding& b : k_defaultBindings) {
        if (b.isValue)
            bank->bindValue(k_layer_default, b.control, b.categoryOrDevice, b.channelSelector, b.commandOrValue,
                            b.flags);
        else
            bank->bindCommand(k_layer_default, b.control, b.categoryOrDevice, b.commandOrValue, b.flags);
    }
}
