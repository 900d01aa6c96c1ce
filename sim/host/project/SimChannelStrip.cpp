#include "SimChannelStrip.h"

#include <cmath>
#include <cstdio>

namespace simhost {

namespace {

// Pan as the host shows it: "C" in the middle, else the side and how far (0..100).
std::u16string panText(float pan)
{
    const long amount = std::lround(std::fabs(pan) * 100);
    if (amount == 0)
        return u"C";
    return asciiText16((pan < 0 ? "L" : "R") + std::to_string(amount));
}

std::u16string numbered(const char* form, int n)
{
    char text[64];
    std::snprintf(text, sizeof text, form, n);
    return asciiText16(text);
}

void addPanner(SimDevice* channel)
{
    SimDevice* panner = channel->makeSubDevice("Panner", "Panner");
    SimValueSetup pan = SimValueSetup::continuous(-1, 1, 0, panText);
    pan.defaultValue = 0;
    panner->addValue("panX", pan, -1, u"Pan Left-Right");
    panner->addValue("panX2", pan, -1, u"Pan Right");
    panner->addValue("stereoPanType", SimValueSetup::stepped(0, 3, 0), -1, u"Stereo Pan Type");
}

void addQuickControls(SimDevice* channel)
{
    SimDevice* controls = channel->makeSubDevice("QuickControls", "Quick Controls");
    for (int q = 1; q <= 8; ++q)
        controls->addValue("QuickControl" + std::to_string(q),
                           SimValueSetup::continuous(0, 127, 0, SimValueSetup::decimals(0, "")), -1,
                           numbered("Quick Control %d", q));
    for (int q = 1; q <= 8; ++q)
        controls->addValue("QDestination" + std::to_string(q), SimValueSetup::textValue(u""), -1,
                           numbered("Quick Control Target %d", q));
}

void addEQ(SimDevice* channel)
{
    static const float kFrequencies[] = {100, 500, 2000, 8000};
    SimDevice* eq = channel->makeSubDevice("ChannelEQ", "EQ");
    for (int band = 1; band <= 4; ++band) {
        const std::string prefix = "band" + std::to_string(band) + ":";
        eq->addValue(prefix + "on", SimValueSetup::onOff(false), -1, numbered("EQ %d On", band));
        eq->addValue(prefix + "type", SimValueSetup::stepped(0, 3, 0), -1, numbered("EQ %d Type", band));
        SimValueSetup gain = SimValueSetup::continuous(-24, 24, 0, SimValueSetup::decimals(1, " dB"));
        gain.defaultValue = 0;
        eq->addValue(prefix + "gain", gain, -1, numbered("EQ %d Gain", band));
        SimValueSetup frequency = SimValueSetup::frequency(20, 20000, kFrequencies[band - 1]);
        frequency.defaultValue = kFrequencies[band - 1];
        eq->addValue(prefix + "freq", frequency, -1, numbered("EQ %d Freq.", band));
        SimValueSetup q = SimValueSetup::continuous(0.5f, 12, 1, SimValueSetup::decimals(2, ""));
        q.defaultValue = 1;
        eq->addValue(prefix + "q", q, -1, numbered("EQ %d Q", band));
    }
}

} // namespace

SimDevice* makeChannelStrip(HostRegistry& registry, const std::string& typeName, const std::u16string& name)
{
    auto* channel = makeHostObject<SimDevice>(registry.shared_from_this(), typeName, asciiText8(name));
    channel->addValue("name", SimValueSetup::textValue(name), -1, u"Name");
    SimValueSetup volume = SimValueSetup::continuous(0, 1, 0.75f, SimValueSetup::decimals(2, ""));
    volume.defaultValue = 0.75f;
    channel->addValue("volume", volume, -1, u"Volume");
    channel->addValue("selected", SimValueSetup::onOff(false));
    const bool midi = typeName == ChannelType::kMidi;
    if (midi) {
        channel->addValue("pan", SimValueSetup::continuous(-64, 63, 0, SimValueSetup::decimals(0, "")), -1, u"Pan");
        channel->addValue("output", SimValueSetup::textValue(kNotConnected));
    } else {
        addPanner(channel);
    }
    addQuickControls(channel);
    if (!midi)
        addEQ(channel);
    return channel;
}

} // namespace simhost
