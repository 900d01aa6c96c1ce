#pragma once

#include "SimDevice.h"

namespace simhost {

// The host's mixer: the device "Mixer" whose sub-devices are the mixer channels (the tracks' channels
// and channels of the mixer alone), with a "selected" value holding the index of the selected channel
// (-1 for none); the selected channel's own "selected" value is 1, every other channel's 0. Changes of
// the selection are reported as changes of these values. Host thread.
class SimMixer : public SimDevice
{
public:
    explicit SimMixer(HostContextRef host);

    // Lists a channel (kept with a reference of the mixer's own).
    void addChannel(SimDevice* channel);
    // Takes the channel off the mixer, moving the selection with the channels after it (a removed
    // selected channel leaves none selected); removed tells the channel's dependents the host is done.
    void removeChannel(SimDevice* channel, bool removed);
    // Selects the channel (null or one not listed: none).
    void selectChannel(SimDevice* channel);
    int32 selectedIndex();
    SimValue* selection();

private:
    void select(int32 index);
};

} // namespace simhost
