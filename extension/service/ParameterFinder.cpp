#include "ParameterFinder.h"

#include "Useful.h"

#include <cstdio>
#include <cstring>

using namespace Quorvane;

namespace ParameterFinder {

const char* const kParamName_Volume = "Volume";
const char* const kParamName_Pan = "Pan Left-Right";
const char* const kBlankDeviceName = "%BLANK%";

namespace {

// Device trees come from the host; a tree deeper than this (or one that contains itself) is not
// walked further.
constexpr int kMaxDeviceDepth = 64;

// The 16-bit name the device that owns the value gives for the value's parameter index; the device
// the value was found on stands in for an owner the value does not name.
std::u16string valueName(IValue* value, IDevice* foundOn)
{
    if (!value)
        return {};
    IDevice* owner = Useful::getIDeviceFromIValue(value);
    if (!owner)
        owner = foundOn;
    const int32 index = value->getParamIndex();
    if (!owner || index < 0)
        return {};
    const char16* name = owner->getParameterName(index);
    return name ? std::u16string(name) : std::u16string();
}

FRef<IValue> namedValue(IDevice* device, const char* name)
{
    return device ? FRef<IValue>::adopt(device->getValue(name)) : FRef<IValue>();
}

// The value of the first sub-device (in order) that has it: the panner of a channel.
FRef<IValue> subDeviceValue(IDevice* track, const char* name)
{
    const int32 count = track->countSubDevices();
    for (int32 i = 0; i < count; ++i)
        if (FRef<IValue> value = namedValue(track->getSubDevice(i), name))
            return value;
    return {};
}

IDevice* eqDevice(IDevice* track)
{
    if (FRef<IDeviceGetter> getter = queryRef<IDeviceGetter>(track))
        return getter->getDevice("Channel EQ");
    return getDeviceObject(nullptr, track, "EQ");
}

// The EQ value name of a channel EQ identifier; empty for identifiers without one.
std::string eqValueName(int32 identifier)
{
    if (identifier < kTrackEQBandOn1 || identifier > kTrackEQLast)
        return {};
    static const char* const kForms[] = {"band%d:on", "band%d:type", "band%d:gain", "band%d:freq", "band%d:q"};
    const int32 offset = identifier - kTrackEQBandOn1;
    char name[32];
    std::snprintf(name, sizeof name, kForms[offset / 4], offset % 4 + 1);
    return name;
}

FRef<IValue> lookUpTrackValue(IDevice* track, int32 identifier, IDevice** foundOn)
{
    *foundOn = track;
    const bool midi = Useful::isMIDITrack(track);
    char name[32];
    switch (identifier) {
    case kTrackVolume:
        return namedValue(track, "volume");
    case kTrackPan:
        return midi ? namedValue(track, "pan") : subDeviceValue(track, "panX");
    case kTrackPan2:
        return midi ? FRef<IValue>() : subDeviceValue(track, "panX2");
    case kTrackStereoPanType:
        return midi ? FRef<IValue>() : subDeviceValue(track, "stereoPanType");
    case kTrackName:
        return namedValue(track, "name");
    default:
        break;
    }
    if (identifier >= kTrackQuickControl1 && identifier < kTrackName) {
        const bool destination = identifier >= kTrackQuickDestination1;
        std::snprintf(name, sizeof name, destination ? "QDestination%d" : "QuickControl%d",
                      identifier - (destination ? kTrackQuickDestination1 : kTrackQuickControl1) + 1);
        *foundOn = getDeviceObject(nullptr, track, "Quick Controls");
        return namedValue(*foundOn, name);
    }
    const std::string eqName = eqValueName(identifier);
    if (eqName.empty())
        return {};
    *foundOn = eqDevice(track);
    return namedValue(*foundOn, eqName.c_str());
}

void collectParameters(IDevice* device, std::vector<ParamSearchInfo>& items, int depth)
{
    if (!device || depth > kMaxDeviceDepth)
        return;
    const int32 count = device->countParameters();
    for (int32 index = 0; index < count; ++index) {
        const int32 identifier = device->getParameterID(index);
        FRef<IValue> value;
        bool asked = false;
        for (ParamSearchInfo& item : items) {
            if (item.identifier != identifier || item.value)
                continue;
            if (!asked) {
                value = FRef<IValue>::adopt(device->getParameterValue(identifier));
                asked = true;
            }
            if (!value)
                break;
            item.value = value;
            const char16* name = device->getParameterName(index);
            item.name = name ? name : u"";
        }
    }
    const int32 subDevices = device->countSubDevices();
    for (int32 i = 0; i < subDevices; ++i)
        collectParameters(device->getSubDevice(i), items, depth + 1);
}

bool isNamed(IDevice* device, const std::string& name)
{
    if (!device)
        return false;
    const char8* own = device->getName();
    return name == (own ? own : "");
}

// One item through a search of many; its name into name when found and asked for.
FRef<IValue> findOne(bool (*search)(IDevice*, std::vector<ParamSearchInfo>*), IDevice* device, int identifier,
                     std::u16string* name)
{
    std::vector<ParamSearchInfo> items;
    setupParamSearchInfo(1, &identifier, &items);
    if (!search(device, &items) || !items[0].value)
        return {};
    if (name)
        *name = items[0].name;
    return items[0].value;
}

} // namespace

void setupParamSearchInfo(int count, const int* identifiers, std::vector<ParamSearchInfo>* items)
{
    if (!items)
        return;
    items->clear();
    for (int i = 0; i < count; ++i) {
        ParamSearchInfo item;
        item.identifier = identifiers ? identifiers[i] : 0;
        items->push_back(std::move(item));
    }
}

bool getTrackParameters(IDevice* track, std::vector<ParamSearchInfo>* items)
{
    if (!track || !items)
        return false;
    for (ParamSearchInfo& item : *items) {
        IDevice* foundOn = nullptr;
        item.value = lookUpTrackValue(track, item.identifier, &foundOn);
        item.name = valueName(item.value.get(), foundOn);
    }
    return true;
}

FRef<IValue> getTrackParameter(IDevice* track, int identifier, std::u16string* name)
{
    return findOne(getTrackParameters, track, identifier, name);
}

bool getParameters(IDevice* device, std::vector<ParamSearchInfo>* items)
{
    if (!device || !items)
        return false;
    collectParameters(device, *items, 0);
    return true;
}

FRef<IValue> getParameter(IDevice* device, int identifier, std::u16string* name)
{
    return findOne(getParameters, device, identifier, name);
}

std::string getDeviceClassNameFromPath(const char* path, const char** rest)
{
    if (*path == '\\')
        ++path;
    const char* end = std::strchr(path, '\\');
    if (!end)
        end = path + std::strlen(path);
    *rest = end;
    return std::string(path, end);
}

void getSubDevicesFromPath(IHostClasses* root, IDevice* start, const std::string& component, std::vector<IDevice*>* out)
{
    if (!out)
        return;
    const std::string name = component == kBlankDeviceName ? std::string() : component;
    if (start) {
        const int32 count = start->countSubDevices();
        for (int32 i = 0; i < count; ++i)
            if (IDevice* device = start->getSubDevice(i); isNamed(device, name))
                out->push_back(device);
        return;
    }
    FRef<IDeviceList> list = createRef<IDeviceList>(root);
    if (!list)
        return;
    const int32 count = list->countDevices();
    for (int32 i = 0; i < count; ++i)
        if (IDevice* device = list->getDeviceAt(i); isNamed(device, name))
            out->push_back(device);
}

void getDeviceObjects(IHostClasses* root, IDevice* start, const char* path, std::vector<IDevice*>* out)
{
    if (!path || !out || (!root && !start))
        return;
    const char* rest = nullptr;
    const std::string component = getDeviceClassNameFromPath(path, &rest);
    if (component.empty())
        return;
    std::vector<IDevice*> matches;
    getSubDevicesFromPath(root, start, component, &matches);
    if (*rest == 0) {
        out->insert(out->end(), matches.begin(), matches.end());
        return;
    }
    for (IDevice* match : matches)
        getDeviceObjects(root, match, rest, out);
}

IDevice* getDeviceObject(IHostClasses* root, IDevice* start, const char* path)
{
    std::vector<IDevice*> devices;
    getDeviceObjects(root, start, path, &devices);
    return devices.size() == 1 ? devices.front() : nullptr;
}

} // namespace ParameterFinder
