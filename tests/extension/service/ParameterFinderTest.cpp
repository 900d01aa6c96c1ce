#include "ParameterFinder.h"
#include "HostFixture.h"

using namespace Quorvane;
using namespace ParameterFinder;
using simhost::SimDevice;
using simhost::SimTrack;
using simhost::SimValueSetup;
using simhost::TrackKind;

namespace {

class ParameterFinding : public HostFixture
{
protected:
    // The value found for a track identifier, as the host's own value (null when none).
    simhost::SimValue* trackValue(SimTrack* track, int identifier, std::u16string* name = nullptr)
    {
        FRef<IValue> value = getTrackParameter(track->getDevice(), identifier, name);
        return static_cast<simhost::SimValue*>(value.get());
    }
};

} // namespace

TEST_F(ParameterFinding, FindsTrackParametersByIdentifierOnEachTrackKind)
{
    SimTrack* audio = project->addTrack(TrackKind::Audio, u"Drums");
    SimTrack* midi = project->addTrack(TrackKind::Midi, u"Lead");
    SimTrack* synth = project->addTrack(TrackKind::Instrument, u"Pad");
    SimDevice* channel = audio->channel();
    SimDevice* panner = channel->subDevices()[0];
    SimDevice* quick = channel->subDevices()[1];
    SimDevice* eq = channel->subDevices()[2];

    std::u16string name;
    EXPECT_EQ(trackValue(audio, 0, &name), channel->value("volume"));
    EXPECT_EQ(name, u"Volume");
    EXPECT_EQ(trackValue(audio, 1, &name), panner->value("panX"));
    EXPECT_EQ(name, u"Pan Left-Right") << "named by the panner that owns the value";
    EXPECT_EQ(trackValue(audio, 2), panner->value("panX2"));
    EXPECT_EQ(trackValue(audio, 3), panner->value("stereoPanType"));
    EXPECT_EQ(trackValue(audio, 4, &name), quick->value("QuickControl1"));
    EXPECT_EQ(name, u"Quick Control 1");
    EXPECT_EQ(trackValue(audio, 11), quick->value("QuickControl8"));
    EXPECT_EQ(trackValue(audio, 12), quick->value("QDestination1"));
    EXPECT_EQ(trackValue(audio, 19), quick->value("QDestination8"));
    EXPECT_EQ(trackValue(audio, 20, &name), channel->value("name"));
    EXPECT_EQ(name, u"Name");

    // Channel EQ: on, type, gain, frequency and Q of bands 1..4, at the path "EQ".
    EXPECT_EQ(trackValue(audio, 4119, &name), eq->value("band1:on"));
    EXPECT_EQ(name, u"EQ 1 On");
    EXPECT_EQ(trackValue(audio, 4126), eq->value("band4:type"));
    EXPECT_EQ(trackValue(audio, 4127), eq->value("band1:gain"));
    EXPECT_EQ(trackValue(audio, 4134), eq->value("band4:freq"));
    EXPECT_EQ(trackValue(audio, 4138, &name), eq->value("band4:q"));
    EXPECT_EQ(name, u"EQ 4 Q");
    for (int identifier : {-1, 21, 1025, 4099, 4118, 4139, 4201})
        EXPECT_EQ(trackValue(audio, identifier), nullptr) << identifier;

    // A channel that hands out its EQ by name is asked for "Channel EQ", not for the path.
    SimDevice* channelEQ = synth->channel()->makeSubDevice("ChannelEQ", "Channel EQ strip");
    channelEQ->addValue("band2:gain", SimValueSetup::continuous(-24, 24, 0), -1, u"EQ 2 Gain");
    synth->channel()->setNamedDevice("Channel EQ", channelEQ);
    EXPECT_EQ(trackValue(synth, 4128), channelEQ->value("band2:gain"));
    EXPECT_EQ(trackValue(synth, 4127), nullptr);

    // A MIDI track: its own pan, and no second pan or pan type.
    EXPECT_EQ(trackValue(midi, 1, &name), midi->channel()->value("pan"));
    EXPECT_EQ(name, u"Pan");
    EXPECT_EQ(trackValue(midi, 2), nullptr);
    EXPECT_EQ(trackValue(midi, 3), nullptr);
    EXPECT_EQ(trackValue(midi, 4127), nullptr);

    // Several at once; nothing for a missing track or list.
    const int identifiers[] = {0, 4201, 20};
    std::vector<ParamSearchInfo> items;
    setupParamSearchInfo(3, identifiers, &items);
    ASSERT_TRUE(getTrackParameters(audio->getDevice(), &items));
    EXPECT_TRUE(items[0].value && !items[1].value && items[2].value);
    EXPECT_TRUE(items[1].name.empty());
    EXPECT_FALSE(getTrackParameters(nullptr, &items));
    EXPECT_FALSE(getTrackParameters(audio->getDevice(), nullptr));
    setupParamSearchInfo(2, nullptr, &items);
    EXPECT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].identifier, 0);
}

TEST_F(ParameterFinding, FindsInstrumentParametersDepthFirstAndWalksDevicePaths)
{
    SimTrack* synth = project->addTrack(TrackKind::Instrument, u"Pad");
    SimDevice* instrument = synth->setInstrument(u"Virlux Pad");
    SimDevice* oscillator = instrument->makeSubDevice("Part", "Osc");
    SimDevice* filter = instrument->makeSubDevice("Part", "Filter");
    SimDevice* envelope = oscillator->makeSubDevice("Part", "Env");
    instrument->addValue("", SimValueSetup::continuous(0, 100, 50), 0x1001, u"Master");
    oscillator->addValue("", SimValueSetup::continuous(0, 100, 50), 0x2001, u"Osc Pitch");
    envelope->addValue("", SimValueSetup::continuous(0, 100, 50), 0x3001, u"Attack");
    // The same identifier in two parts: the one met first, depth first, wins.
    filter->addValue("", SimValueSetup::continuous(0, 100, 50), 0x3001, u"Cutoff");
    filter->addValue("", SimValueSetup::continuous(0, 100, 50), 0x4001);

    const int identifiers[] = {0x3001, 0x4001, 0x1001, 0x3001, 0x7777};
    std::vector<ParamSearchInfo> items;
    setupParamSearchInfo(5, identifiers, &items);
    ASSERT_TRUE(getParameters(instrument, &items));
    EXPECT_EQ(items[0].value.get(), envelope->parameter(0x3001));
    EXPECT_EQ(items[0].name, u"Attack");
    EXPECT_EQ(items[3].value.get(), envelope->parameter(0x3001));
    EXPECT_EQ(items[1].value.get(), filter->parameter(0x4001));
    EXPECT_EQ(items[1].name, u"") << "a parameter without a name";
    EXPECT_EQ(items[2].name, u"Master");
    EXPECT_FALSE(items[4].value);
    EXPECT_FALSE(getParameters(nullptr, &items));

    std::u16string name;
    EXPECT_EQ(getParameter(instrument, 0x2001, &name).get(), oscillator->parameter(0x2001));
    EXPECT_EQ(name, u"Osc Pitch");
    EXPECT_FALSE(getParameter(instrument, 0x5555));

    // Paths: the slot and the instrument in it (the empty name), from the track's channel.
    IDevice* channel = synth->getDevice();
    IDevice* slot = getDeviceObject(hostClasses(), channel, "Slot");
    ASSERT_NE(slot, nullptr);
    EXPECT_STREQ(slot->getName(), "Slot");
    EXPECT_EQ(getDeviceObject(hostClasses(), channel, "Slot\\%BLANK%"), static_cast<IDevice*>(instrument));
    EXPECT_EQ(getDeviceObject(nullptr, channel, "\\Slot\\%BLANK%\\Osc\\Env"), static_cast<IDevice*>(envelope));
    EXPECT_EQ(getDeviceObject(nullptr, slot, "%BLANK%"), static_cast<IDevice*>(instrument));
    EXPECT_EQ(getDeviceObject(nullptr, channel, "%BLANK%"), nullptr) << "only devices with an empty name match";
    EXPECT_EQ(getDeviceObject(nullptr, channel, "slot"), nullptr) << "names match exactly";
    for (const char* broken : {"", "\\", "Slot\\", "Slot\\\\%BLANK%"})
        EXPECT_EQ(getDeviceObject(nullptr, channel, broken), nullptr) << broken;
    EXPECT_EQ(getDeviceObject(nullptr, nullptr, "Slot"), nullptr);
    EXPECT_EQ(getDeviceObject(hostClasses(), nullptr, nullptr), nullptr);

    // From the host's root devices.
    EXPECT_EQ(getDeviceObject(hostClasses(), nullptr, "Mixer"), static_cast<IDevice*>(&host.mixer()));
    EXPECT_EQ(getDeviceObject(hostClasses(), nullptr, "Mixer\\Pad"), channel);

    // A path that reaches two devices: both listed, and no single device.
    SimDevice* second = synth->channel()->makeSubDevice("InstrumentSlot", "Slot");
    second->makeSubDevice("Instrument", "");
    std::vector<IDevice*> found;
    getDeviceObjects(nullptr, channel, "Slot\\%BLANK%", &found);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], static_cast<IDevice*>(instrument));
    EXPECT_EQ(getDeviceObject(nullptr, channel, "Slot\\%BLANK%"), nullptr);
    EXPECT_EQ(getDeviceObject(nullptr, channel, "Slot"), nullptr);
}
