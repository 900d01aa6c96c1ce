#include "PluginMachine.h"

#include <gtest/gtest.h>

using kwtest::PluginMachine;

namespace {

std::unique_ptr<QPXiInfo> presetMachine(PluginMachine& machine)
{
    machine.writePreset(R"(<!DOCTYPE QPXiPreset>
<qpxilist>
 <qpxi name="Grand Piano Deluxe">
  <parameter id="00000000005" name="Five"/>
  <parameter id="00000000255" name="Hex FF"/>
  <parameter id="20068435455" name="Own No Assign"/>
  <group name="QC"><parameter id="10000000009" name="Track Nine"/></group>
 </qpxi>
</qpxilist>)");
    return machine.make();
}

} // namespace

TEST(ParameterQueries, TrackControlsAreNamedForEveryInstrument)
{
    PluginMachine machine;
    auto info = presetMachine(machine);
    EXPECT_EQ(info->getParameterName("anything", "100000005"), (QStringList{"QuickCtrl", "QuickCtrl5"}));
    EXPECT_EQ(info->getParameterName("", "100000401"), QStringList{"Volume"});
    EXPECT_EQ(info->getParameterName("", "100001069"), QStringList{"Pan Left-Right"});
    EXPECT_EQ(info->getParameterName("", "204143dff"), QStringList{"No Assign"});
    // One past the last quick control, or the right number in another space, is looked up instead.
    EXPECT_EQ(info->getParameterName("Grand Piano Deluxe", "100000009"), (QStringList{"QC", "Track Nine"}));
    EXPECT_EQ(info->getParameterName("Grand Piano Deluxe", "000000005"), QStringList{"Five"});
    EXPECT_TRUE(info->getParameterName("Unknown", "000000005").isEmpty());
    // The fixed ids compare exactly; an upper-case No Assign is an ordinary id.
    EXPECT_EQ(info->getParameterName("Grand Piano Deluxe", "204143DFF"), QStringList{"Own No Assign"});
    EXPECT_TRUE(info->getParameterName("Unknown", "204143DFF").isEmpty());
    EXPECT_EQ(info->getQPXiParameterName("Grand Piano Deluxe", "0000000FF"), QStringList{"Hex FF"});
}

TEST(ParameterQueries, TrackControlListHasElevenEntries)
{
    PluginMachine machine;
    auto info = machine.make();
    const QList<QPXiInfo::Parameter> list = info->getTrackControlParameterList();
    ASSERT_EQ(list.size(), 11);
    EXPECT_EQ(list[0], (QPXiInfo::Parameter{"100000401", {"Volume"}}));
    EXPECT_EQ(list[1], (QPXiInfo::Parameter{"100001069", {"Pan Left-Right"}}));
    EXPECT_EQ(list[2], (QPXiInfo::Parameter{"204143dff", {"No Assign"}}));
    EXPECT_EQ(list[3], (QPXiInfo::Parameter{"100000001", {"QuickCtrl", "QuickCtrl1"}}));
    EXPECT_EQ(list[10], (QPXiInfo::Parameter{"100000008", {"QuickCtrl", "QuickCtrl8"}}));
    for (const QPXiInfo::Parameter& parameter : list) {
        EXPECT_EQ(info->getParameterName("x", parameter.id), parameter.namePath);
    }
}

TEST(ParameterQueries, TemplateInstrumentNamesGoBothWays)
{
    PluginMachine machine;
    auto info = presetMachine(machine);
    EXPECT_EQ(info->getQPXiExtensionNameFromQPXiName("Grand Piano Deluxe"), QString("GrandPianoDe"));
    EXPECT_EQ(info->getQPXiExtensionNameFromQPXiName("Audio Track"), QString("Audio Track"));
    EXPECT_EQ(info->getQPXiExtensionNameFromQPXiName("Tab\tName"), QString("Tab\tName"));
    EXPECT_EQ(info->getQPXiExtensionNameFromQPXiName("Short"), QString("Short"));
    EXPECT_EQ(info->getQPXiNameFromQPXiExtensionName("GrandPianoDe"), QString("Grand Piano Deluxe"));
    EXPECT_EQ(info->getQPXiNameFromQPXiExtensionName("MIDI Track"), QString("MIDI Track"));
    EXPECT_TRUE(info->getQPXiNameFromQPXiExtensionName("AudioTrack").isNull());
    // Known only from the preset file: found by name, not offered in the instrument list.
    EXPECT_FALSE(info->getQPXiList().contains("Grand Piano Deluxe"));
    EXPECT_TRUE(info->getQPXiExistsAndPresetList().contains("Grand Piano Deluxe"));
    EXPECT_EQ(info->getQPXiParameterList("Grand Piano Deluxe").size(), 4);
    EXPECT_EQ(info->getQPXiParameterMap("Grand Piano Deluxe").size(), 4);
    EXPECT_TRUE(info->getQPXiParameterList("Generic").isEmpty());
    EXPECT_TRUE(info->getQPXiParameterList("Nothing").isEmpty());
}
