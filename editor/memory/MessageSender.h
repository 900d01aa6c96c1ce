#pragma once

#include <QString>

class ParamAddress;

// The sending side of the MIDI route as the memory service uses it: the SysEx encoder implements it.
// Called under the memory lock, on the writing thread (the GUI thread or the SysEx input's thread).
class MessageSender
{
public:
    virtual ~MessageSender() = default;

    // Queue the parameter change(s) of one value; false when the address has no SysEx counterpart or
    // the message could not be queued.
    virtual bool enqueueParamChange(const ParamAddress& address, int value) = 0;
    virtual bool enqueueParamChange(const ParamAddress& address, const QString& text) = 0;
    // One sending pass; wasEmpty, when given, receives whether the queue was empty on entry.
    virtual bool sendMessage(bool* wasEmpty) = 0;
    // Bulk requests for the synthesizer's data (only the edit buffer when editBufferOnly).
    virtual bool sendHardWareDataReq(bool editBufferOnly) = 0;
    virtual void clearTransmitQueue(bool withLock) = 0;
};

// The decoder's counters of bulks and bulk requests in flight, as the memory service forwards to them.
class TransmitCounters
{
public:
    virtual ~TransmitCounters() = default;

    virtual void incrementTransmitedBulkCounter() = 0;
    virtual void incrementTransmitedBulkReqCounter() = 0;
    virtual void clearTransmitedBulkCounter() = 0;
    virtual void clearTransmitedBulkReqCounter() = 0;
};
