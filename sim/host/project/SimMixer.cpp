#include "SimMixer.h"

#include <algorithm>
#include <cmath>

namespace simhost {

namespace {

constexpr int32 kMostChannels = 4096;

} // namespace

SimMixer::SimMixer(HostContextRef host) : SimDevice(std::move(host), "Mixer", "Mixer")
{
    addValue("selected", SimValueSetup::stepped(-1, kMostChannels, -1));
}

void SimMixer::addChannel(SimDevice* channel)
{
    addSubDevice(channel);
}

void SimMixer::removeChannel(SimDevice* channel, bool removed)
{
    const std::vector<SimDevice*> channels = subDevices();
    const auto it = std::find(channels.begin(), channels.end(), channel);
    if (it == channels.end())
        return;
    const auto index = static_cast<int32>(it - channels.begin());
    const int32 selected = selectedIndex();
    if (selected == index)
        select(-1);
    removeSubDevice(channel, removed);
    if (selected > index)
        selection()->hostSet(static_cast<float>(selected - 1));
}

void SimMixer::selectChannel(SimDevice* channel)
{
    const std::vector<SimDevice*> channels = subDevices();
    const auto it = std::find(channels.begin(), channels.end(), channel);
    select(it == channels.end() ? -1 : static_cast<int32>(it - channels.begin()));
}

int32 SimMixer::selectedIndex()
{
    return static_cast<int32>(std::lround(selection()->current()));
}

SimValue* SimMixer::selection()
{
    return value("selected");
}

void SimMixer::select(int32 index)
{
    const std::vector<SimDevice*> channels = subDevices();
    for (std::size_t i = 0; i < channels.size(); ++i)
        if (SimValue* own = channels[i]->value("selected"))
            own->hostSet(static_cast<int32>(i) == index ? 1.0f : 0.0f);
    selection()->hostSet(static_cast<float>(index));
}

} // namespace simhost
