#pragma once

#include "FRef.h"
#include "HostInterfaces.h"

#include <string>
#include <vector>

// Finds host values and devices by identifier or by a path of device names: the track parameters the
// knobs and the EQ actions control, an instrument's parameters by numeric identifier, and devices such
// as an instrument track's slot. Keeps no state; runs on the host's thread.
namespace ParameterFinder {

// One search item: what to look for, and what was found.
struct ParamSearchInfo
{
    Quorvane::int32 identifier = 0;
    // The host value found (referenced), or empty.
    Quorvane::FRef<Quorvane::IValue> value;
    // The found parameter's name; empty until found.
    std::u16string name;
};

// Track parameter identifiers with a meaning of their own.
enum TrackParameter : Quorvane::int32
{
    kTrackVolume = 0,
    kTrackPan = 1,
    kTrackPan2 = 2,
    kTrackStereoPanType = 3,
    kTrackQuickControl1 = 4,      // .. 11
    kTrackQuickDestination1 = 12, // .. 19
    kTrackName = 20,
    kTrackEQFirst = 4099,
    kTrackEQBandOn1 = 4119,   // .. 4122
    kTrackEQBandType1 = 4123, // .. 4126
    kTrackEQBandGain1 = 4127, // .. 4130
    kTrackEQBandFreq1 = 4131, // .. 4134
    kTrackEQBandQ1 = 4135,    // .. 4138
    kTrackEQLast = 4138,
};

// Knob names shared with the knob assignment (8-bit literals; ConstStringTable gives their 16-bit form).
extern const char* const kParamName_Volume;
extern const char* const kParamName_Pan;

// The path component that stands for a device with an empty name.
extern const char* const kBlankDeviceName;

// Clears items and appends count items with the given identifiers (0 without identifiers).
void setupParamSearchInfo(int count, const int* identifiers, std::vector<ParamSearchInfo>* items);

// Looks every item up among the track's parameters; false only for a missing track or list.
bool getTrackParameters(Quorvane::IDevice* track, std::vector<ParamSearchInfo>* items);
// One track parameter (its name into name when asked); empty when not found.
Quorvane::FRef<Quorvane::IValue> getTrackParameter(Quorvane::IDevice* track, int identifier,
                                                   std::u16string* name = nullptr);

// Gives each item the value of the device's first parameter with its identifier, searching the
// device and then its sub-devices depth first; false only for a missing device or list.
bool getParameters(Quorvane::IDevice* device, std::vector<ParamSearchInfo>* items);
Quorvane::FRef<Quorvane::IValue> getParameter(Quorvane::IDevice* device, int identifier,
                                              std::u16string* name = nullptr);

// Appends every device the path reaches (components split by "\", exact names, "%BLANK%" for the
// empty name) from start's sub-devices, or without start from the root device list. The devices stay
// the host's (not referenced).
void getDeviceObjects(Quorvane::IHostClasses* root, Quorvane::IDevice* start, const char* path,
                      std::vector<Quorvane::IDevice*>* out);
// The device when the path reaches exactly one, else null.
Quorvane::IDevice* getDeviceObject(Quorvane::IHostClasses* root, Quorvane::IDevice* start, const char* path);

// The sub-devices of start (or the root devices) named by one path component.
void getSubDevicesFromPath(Quorvane::IHostClasses* root, Quorvane::IDevice* start, const std::string& component,
                           std::vector<Quorvane::IDevice*>* out);
// Splits the first component off path (a leading "\" skipped): the component as written ("%BLANK%"
// included), and what follows it in rest.
std::string getDeviceClassNameFromPath(const char* path, const char** rest);

} // namespace ParameterFinder
