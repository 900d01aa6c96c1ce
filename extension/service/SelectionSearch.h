#pragma once

#include "HostInterfaces.h"

#include <vector>

// Searches of the host's project tree for the selected track, and of a device for its selected
// sub-device. Pointers handed back stay the host's (not referenced). Host thread.

// Child indices leading from the project (as a project object) to a track.
using TrackPath = std::vector<Quorvane::int32>;

// Whether the automation is active and one of its lanes is selected and active itself.
bool isAutomationSelected(Quorvane::IAutomation* automation);

// The first track, depth first, that is selected itself or through a selected automation lane; path
// holds the child indices leading to it (and is left as it was when nothing is found).
Quorvane::ITrack2* searchSelectedTrack(Quorvane::IProjectObject* object, TrackPath* path);
// The same from the project's own project object; path is cleared first.
Quorvane::ITrack2* searchSelectedTrack(Quorvane::IProject* project, TrackPath* path);

// The object the path leads to from object; null for an empty path or an index beyond the children.
// A level without a child list keeps the object of that level.
Quorvane::IProjectObject* traceSubProjectObject(Quorvane::IProjectObject* object, const TrackPath* path);
Quorvane::IProjectObject* traceSubProjectObject(Quorvane::IProject* project, const TrackPath* path);

// The device's sub-device at the index its "selected" value holds; null without such a value.
Quorvane::IDevice* searchSelectedDevice(Quorvane::IDevice* device);
// The device's sub-device at the index selection holds; null for an index out of range.
Quorvane::IDevice* selectedSubDevice(Quorvane::IDevice* device, Quorvane::IValue* selection);
