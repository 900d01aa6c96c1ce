#pragma once

#include "MPEvent.h"
#include "MidiResult.h"

#include <QObject>
#include <QRecursiveMutex>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class MessageProcessor;
class SysExParamChangeAddressTransTable;
class TAppMIDIIn;
class TAppMIDIOut;
class TMIDIPortAccessor;

using DWORD = long;
// Dispatch mode; bit 0 set means "send now", the only mode the editor uses.
using MPASYNC_MODE = int;

// The registry of the editor's open MIDI ports and the single road by which events leave it: one port
// object per open number and direction, the port directory, and one mutex per output port number.
// Ports are opened, released and listed on the GUI thread; midiOutDispatch also runs on the inputs'
// delivery threads. Lock order: an output port's mutex, then the registry mutex.
class ComuController : public QObject
{
public:
    // io values of requestPort, releasePort and isPortActive.
    static constexpr int kInput = 0;
    static constexpr int kOutput = 1;

    // The table is accepted for the callers' sake and not consulted. A directory may be handed in (the
    // controller owns it); without one the controller makes its own over the machine's MIDI system.
    explicit ComuController(SysExParamChangeAddressTransTable* table, TMIDIPortAccessor* directory = nullptr);
    ~ComuController() override;

    TMIDIPortAccessor* portAccessor() const { return m_portAccessor.get(); }
    // Given to every port opened from now on: called on a thread of the MIDI system, once for each open
    // port whose endpoint went away (the port stays and follows the endpoint back). Releasing the port
    // waits for a call under way, so it must not wait for the GUI thread. GUI thread.
    void setLinkLostHandler(std::function<void()> handler) { m_linkLostHandler = std::move(handler); }

    // The next arrival number for an input record; unique across all input ports of the process.
    static std::uint64_t nextSequence() { return s_timeCounter.fetch_add(1, std::memory_order_relaxed); }

public slots:
    // Opens the port object of a number and direction; true when it is open afterwards (an input that
    // is already open keeps its processor). Port number 0 names no port.
    bool requestPort(int io, DWORD dwPortId, int FType, MessageProcessor* p1);
    void releasePort(int io, DWORD dwPortId);
    bool isPortActive(int io, DWORD dwPortId) const;
    // True when every open port's endpoint is present and connected (ports follow their endpoints by
    // name when those go away and come back; meanwhile nothing travels).
    bool isEveryPortLinked() const;
    // The device name the MIDI system lists the open ports' endpoints under now, when every port is linked
    // and all name one device; empty otherwise.
    QString linkedDeviceName() const;
    bool setMessageProcessorAndOpenPort(MessageProcessor* p1);
    // Sends one event on the output port named by its portId: 0 when it was sent (or the mode asks
    // for no sending), kMidiFailure when the port is not open or the port failed to send.
    HRESULT midiOutDispatch(const MPEVENT& rEvent, MPASYNC_MODE eMode);
    QStringList getInputPortList();
    QStringList getOutputPortList();
    void CloseAllOpendPortAndDeleteAllTransporters();

private:
    std::shared_ptr<QRecursiveMutex> portMutex(DWORD port) const;

    std::unique_ptr<TMIDIPortAccessor> m_portAccessor;
    std::map<DWORD, std::unique_ptr<TAppMIDIIn>> m_midiInTransporters;
    std::map<DWORD, std::unique_ptr<TAppMIDIOut>> m_midiOutTransporters;
    // Shared so that a dispatch that has found a port's mutex keeps it alive while a close-all forgets it.
    std::map<DWORD, std::shared_ptr<QRecursiveMutex>> m_midiOutMutexes;
    mutable QRecursiveMutex m_registryMutex;
    MessageProcessor* m_processor = nullptr;
    std::function<void()> m_linkLostHandler;

    static std::atomic<std::uint64_t> s_timeCounter;
};
