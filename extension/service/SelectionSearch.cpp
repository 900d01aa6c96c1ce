#include "SelectionSearch.h"

#include "FRef.h"

using namespace Quorvane;

namespace {

// Project trees come from the host; a tree deeper than this (or one that contains itself) is not
// searched further.
constexpr int kMaxTreeDepth = 64;

ITrack2* searchFrom(IProjectObject* object, TrackPath* path, int depth)
{
    if (!object || depth > kMaxTreeDepth)
        return nullptr;
    if (FRef<ITrack2> track = queryRef<ITrack2>(object)) {
        // The host keeps the tracks of its tree alive; the pointer handed back carries no reference.
        if (object->isSelected() || isAutomationSelected(track->getAutomation()))
            return track.get();
    }
    IObjectList* children = object->getChildren();
    if (!children)
        return nullptr;
    const int32 count = children->countObjects();
    for (int32 i = 0; i < count; ++i) {
        IProjectObject* child = children->getObjectAt(i);
        if (!child || !child->isKindOf("track"))
            continue;
        path->push_back(i);
        if (ITrack2* found = searchFrom(child, path, depth + 1))
            return found;
        path->pop_back();
    }
    return nullptr;
}

} // namespace

bool isAutomationSelected(IAutomation* automation)
{
    if (!automation || !automation->isActive())
        return false;
    IObjectList* entries = automation->getEntries();
    if (!entries)
        return false;
    const int32 count = entries->countObjects();
    for (int32 i = 0; i < count; ++i) {
        IProjectObject* entry = entries->getObjectAt(i);
        if (!entry || !entry->isSelected())
            continue;
        if (FRef<IAutomationTrack> lane = queryRef<IAutomationTrack>(entry); lane && lane->isActive())
            return true;
    }
    return false;
}

ITrack2* searchSelectedTrack(IProjectObject* object, TrackPath* path)
{
    if (!path)
        return nullptr;
    return searchFrom(object, path, 0);
}

ITrack2* searchSelectedTrack(IProject* project, TrackPath* path)
{
    if (!path)
        return nullptr;
    path->clear();
    FRef<IProjectObject> root = queryRef<IProjectObject>(project);
    return searchFrom(root.get(), path, 0);
}

IProjectObject* traceSubProjectObject(IProjectObject* object, const TrackPath* path)
{
    if (!object || !path || path->empty())
        return nullptr;
    IProjectObject* current = object;
    for (const int32 index : *path) {
        IObjectList* children = current->getChildren();
        if (!children)
            continue;
        if (index < 0 || index >= children->countObjects())
            return nullptr;
        current = children->getObjectAt(index);
        if (!current)
            return nullptr;
    }
    return current;
}

IProjectObject* traceSubProjectObject(IProject* project, const TrackPath* path)
{
    if (!project || !path || path->empty())
        return nullptr;
    FRef<IProjectObject> root = queryRef<IProjectObject>(project);
    return traceSubProjectObject(root.get(), path);
}

IDevice* searchSelectedDevice(IDevice* device)
{
    if (!device)
        return nullptr;
    FRef<IValue> selection = FRef<IValue>::adopt(device->getValue("selected"));
    return selectedSubDevice(device, selection.get());
}

IDevice* selectedSubDevice(IDevice* device, IValue* selection)
{
    if (!device || !selection)
        return nullptr;
    const int32 index = selection->getInt();
    if (index < 0 || index >= device->countSubDevices())
        return nullptr;
    return device->getSubDevice(index);
}
