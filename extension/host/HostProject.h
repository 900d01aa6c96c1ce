#pragma once

#include "HostApplication.h"

// Host interfaces of projects, the project's object tree, tracks and automation.
namespace Quorvane {

class IDevice;
class IProject;
class IProjectObject;

// Notified of the life cycle of the host's projects.
class IProjectNotification : public FUnknown
{
public:
    virtual void projectAdded(IProject* project) = 0;
    virtual void projectRemoved(IProject* project) = 0;
    virtual void projectActivated(IProject* project) = 0;
    virtual void projectDeactivated(IProject* project) = 0;
    // kResultOk lets the project close.
    virtual tresult canProjectClose(IProject* project) = 0;

    QUORVANE_IID(0x98914409, 0x07896BCE, 0x47125FB3, 0xC43C6796)
protected:
    ~IProjectNotification() = default;
};

// The host's projects: the active one and the registration of project notifications.
class IProjectInformation : public FUnknown
{
public:
    virtual IProject* getActiveProject() = 0;
    virtual tresult addProjectNotification(IProjectNotification* notification) = 0;
    virtual tresult removeProjectNotification(IProjectNotification* notification) = 0;

    QUORVANE_IID(0x9B98AC89, 0x236E87B5, 0xF265A22E, 0xE2CA88C6)
protected:
    ~IProjectInformation() = default;
};

// A project; asked for IProjectObject it yields the root of its object tree.
class IProject : public FUnknown
{
public:
    // True when the selection is to be looked up in the mixer rather than in the track tree.
    virtual bool usesMixerSelection() = 0;

    QUORVANE_IID(0xF2DC10D8, 0x375F3876, 0x47DA59C2, 0x82B82E29)
protected:
    ~IProject() = default;
};

// A list of project objects (children of an object, entries of an automation).
class IObjectList : public FUnknown
{
public:
    virtual int32 countObjects() = 0;
    virtual IProjectObject* getObjectAt(int32 index) = 0;

    QUORVANE_IID(0xEB003DA9, 0xBEF6F2A0, 0x48AFF12A, 0xCD2CF64A)
protected:
    ~IObjectList() = default;
};

// A node of the project tree; a track answers ITrack2.
class IProjectObject : public FUnknown
{
public:
    // Null when the object has no child list.
    virtual IObjectList* getChildren() = 0;
    // kind: for example "track".
    virtual bool isKindOf(const char8* kind) = 0;
    virtual bool isSelected() = 0;

    QUORVANE_IID(0x898DF43B, 0x419BC394, 0x0AABCA57, 0xED65806C)
protected:
    ~IProjectObject() = default;
};

class IAutomation;

class ITrack : public FUnknown
{
public:
    // The track's device (its mixer channel).
    virtual IDevice* getDevice() = 0;

    QUORVANE_IID(0x7B28E84C, 0xBBF9B658, 0x98B6A888, 0xCC023F82)
protected:
    ~ITrack() = default;
};

class ITrack2 : public ITrack
{
public:
    virtual IAutomation* getAutomation() = 0;
    // kResultOk when the track, newly selected, takes over the knobs.
    virtual tresult isReadyForRemote() = 0;

    QUORVANE_IID(0xFD15ADFD, 0x0A17CCA5, 0xB5CD89EC, 0x9862F864)
protected:
    ~ITrack2() = default;
};

// The automation of a track: a state of its own and its lanes.
class IAutomation : public FUnknown
{
public:
    virtual bool isActive() = 0;
    // Null when the automation has no lanes.
    virtual IObjectList* getEntries() = 0;

    QUORVANE_IID(0x6FF3CD66, 0x76C2CAA3, 0xC5536F07, 0x0A4C80E0)
protected:
    ~IAutomation() = default;
};

// An automation lane, reached from an entry of IAutomation::getEntries.
class IAutomationTrack : public FUnknown
{
public:
    virtual bool isActive() = 0;

    QUORVANE_IID(0xFEE96FAC, 0x3D9C16D6, 0x61E38CE8, 0x24FD5410)
protected:
    ~IAutomationTrack() = default;
};

} // namespace Quorvane
