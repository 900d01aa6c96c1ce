#pragma once

#include "SimDevice.h"

#include <string>
#include <vector>

namespace simhost {

// A plug-in instrument: a device with the instrument's parameters and parts, and the connections to the
// tracks whose channels play it (IConnector). Host thread.
class SimInstrument : public SimDevice, public Quorvane::IConnector
{
public:
    explicit SimInstrument(HostContextRef host);

    tresult queryInterface(const Quorvane::TUID iid, void** object) override
    {
        return SimDevice::queryInterface(iid, object);
    }
    int32 addRef() override { return SimDevice::addRef(); }
    int32 release() override { return SimDevice::release(); }

    // Connects the instrument to a track's channel (a device); kResultFalse for anything else.
    tresult connect(Quorvane::FUnknown* channel) override;
    bool isConnectedTo(Quorvane::FUnknown* object) override;

    // Host side.
    void disconnect(Quorvane::FUnknown* channel);
    // The instrument's name as the host shows it.
    void setTitle(const std::u16string& title);
    std::u16string title();

private:
    std::u16string m_title;
    std::mutex m_connectionsMutex;
    std::vector<Quorvane::FUnknown*> m_connections; // identities of the channels, not referenced
};

// The host's instrument rack, the device "QPX Mixer" of the host's device list, with two lists: "QPX
// Instruments", the rack instruments MIDI tracks play, each a slot named after its instrument and
// numbered from 1 as older hosts name a MIDI track's output; and "QPX Project Instruments", the slots of
// every instrument of the project (the rack's and those of instrument tracks), where newer hosts find the
// instrument a track plays. Host thread.
class SimInstrumentRack : public SimDevice
{
public:
    explicit SimInstrumentRack(HostContextRef host);

    // A rack instrument: a slot named name (its "effectType" shows the name) holding the instrument,
    // at the end of both lists.
    SimInstrument* addInstrument(const std::u16string& name);
    // Its number among the rack instruments (from 1), 0 for one that is not there.
    int numberOf(SimInstrument* instrument);
    // An instrument track's slot joins or leaves the project's instruments.
    void listProjectSlot(SimDevice* slot);
    void unlistProjectSlot(SimDevice* slot);
    SimDevice* rackInstruments() { return m_rackInstruments; }
    SimDevice* projectInstruments() { return m_projectInstruments; }

private:
    SimDevice* m_rackInstruments;    // a sub-device
    SimDevice* m_projectInstruments; // a sub-device
};

// A slot of an instrument ("effectType" names the instrument) with the instrument inside it under an empty
// name; kept by parent.
SimInstrument* makeInstrumentSlot(SimDevice* parent, const std::string& slotName, const std::u16string& name,
                                  SimDevice** slot);

} // namespace simhost
