#include "SimProject.h"

#include <cstring>

using namespace Quorvane;

namespace simhost {

namespace {

void collectTracks(SimObjectList* list, std::vector<SimTrack*>& out)
{
    for (IProjectObject* object : list->objects()) {
        auto* track = static_cast<SimTrack*>(object);
        out.push_back(track);
        if (track->children())
            collectTracks(track->children(), out);
    }
}

} // namespace

SimProject::SimProject(HostContextRef host, std::u16string name, SimMixer* mixer, SimInstrumentRack* rack)
    : HostObject(std::move(host), "Project"), m_name(std::move(name)), m_mixer(mixer),
      m_rack(HostRef<SimInstrumentRack>::share(rack)),
      m_children(makeHostObject<SimObjectList>(registry().shared_from_this()))
{
    m_mixer->addRef();
}

SimProject::~SimProject()
{
    m_children->release();
    m_mixer->release();
}

bool SimProject::usesMixerSelection()
{
    hostThreadOnly("IProject::usesMixerSelection");
    return m_usesMixerSelection;
}

IObjectList* SimProject::getChildren()
{
    hostThreadOnly("IProjectObject::getChildren");
    return m_children;
}

bool SimProject::isKindOf(const char* kind)
{
    hostThreadOnly("IProjectObject::isKindOf");
    return kind && std::strcmp(kind, "project") == 0;
}

SimTrack* SimProject::addTrack(TrackKind kind, const std::u16string& name, SimTrack* folder)
{
    HostRef<SimTrack> track =
        HostRef<SimTrack>::adopt(makeHostObject<SimTrack>(registry().shared_from_this(), kind, name, m_rack.get()));
    SimObjectList* parent = folder && folder->children() ? folder->children() : m_children;
    parent->add(track.get());
    if (track->channel())
        m_mixer->addChannel(track->channel());
    return track.get();
}

void SimProject::removeTrack(SimTrack* track)
{
    SimObjectList* parent = parentList(track);
    if (!parent)
        return;
    if (SimObjectList* children = track->children())
        for (IProjectObject* child : children->objects())
            removeTrack(static_cast<SimTrack*>(child));
    // Held here until the host is done with it; the last release deletes it.
    HostRef<SimTrack> removed = HostRef<SimTrack>::share(track);
    parent->remove(track);
    if (track->channel())
        m_mixer->removeChannel(track->channel(), false);
    track->hostRemoved();
}

void SimProject::select(SimTrack* track)
{
    clearSelection();
    if (track)
        track->setSelected(true);
    m_mixer->selectChannel(track ? track->channel() : nullptr);
}

void SimProject::selectLane(SimTrack* track, SimAutomationLane* lane)
{
    clearSelection();
    lane->setSelected(true);
    m_mixer->selectChannel(track->channel());
}

std::vector<SimTrack*> SimProject::tracks()
{
    std::vector<SimTrack*> result;
    collectTracks(m_children, result);
    return result;
}

void SimProject::close()
{
    for (IProjectObject* object : m_children->objects())
        removeTrack(static_cast<SimTrack*>(object));
}

void SimProject::clearSelection()
{
    for (SimTrack* track : tracks()) {
        track->setSelected(false);
        for (SimAutomationLane* lane : track->automation()->lanes())
            lane->setSelected(false);
    }
}

SimObjectList* SimProject::parentList(SimTrack* track)
{
    if (m_children->indexOf(track) >= 0)
        return m_children;
    for (SimTrack* candidate : tracks())
        if (candidate->children() && candidate->children()->indexOf(track) >= 0)
            return candidate->children();
    return nullptr;
}

} // namespace simhost
