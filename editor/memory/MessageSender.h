#pragma once

#include <QString>

class ParamAddress;

// The sending side of the MIDI route as the memory service uses it: the SysEx encoder implements it.
// Called under the memory lock, on the writing thread (the GUI thread or the SysEx input's thread).
// The operations beyond the first five have a default that sends nothing, so that stand-ins in tests
// implement only what they watch.
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
    // Bulk requests for the synthesizer's stored templates, and with withEditBuffer for its edit buffer
    // as well, then the first sending pass.
    virtual bool sendHardWareDataReq(bool withEditBuffer) = 0;
    virtual void clearTransmitQueue(bool withLock) = 0;

    // One template of bank 0 (edit buffer) or 1 (stored) as a bulk dump, then a pass.
    virtual bool sendBulk(int /*bank*/, int /*templ*/) { return false; }
    // The four values of one knob as parameter changes, then a pass.
    virtual bool sendParamChangeOfController(int /*bank*/, int /*templ*/, int /*controller*/) { return false; }
    // Every value of one template as parameter changes, then a pass.
    virtual bool send1TemplateDataParamChange(int /*bank*/, int /*templ*/) { return false; }
    // Bank 0 as edit-buffer dumps, the template number select and, unless editBufferOnly, bank 1 as
    // stored dumps; then the first pass.
    virtual bool sendEditorAllData(bool /*editBufferOnly*/) { return false; }
    // The store command (the synthesizer stores its edit buffer), then a pass.
    virtual bool sendStoreMessage() { return false; }
    // Queues the store-to-flash message without sending it.
    virtual bool enqueueStoreToFlash() { return false; }

    // The synthesizer's answers as the decoder takes them: an acknowledge, which names no dump, and the
    // footer of a whole dump, which names its area (60, 6F) and template. True when it is the answer the
    // sending chain waits for: the chain moves on and the answer counts. False for an answer that nobody
    // waits for (the late answer to a copy that was sent again, a duplicate, one that comes when nothing
    // was asked): it must neither move the chain nor count.
    virtual bool takeAcknowledge() { return true; }
    virtual bool takeBulkReply(unsigned char /*area*/, int /*templ*/) { return true; }
    // A parameter change with the address (mid, low): true when it answers the parameter request the chain
    // waits for. The synthesizer reports values unasked as well; those answer nothing.
    virtual bool takeParameterReply(unsigned char /*mid*/, unsigned char /*low*/) { return false; }
    // The synthesizer's ports went away with whatever was on its way: nothing sent before can still be
    // answered, and nothing need be waited for.
    virtual void forgetAnswers() {}
};

// The decoder's counters of bulks and bulk requests in flight, as the memory service forwards to them.
class TransmitCounters
{
public:
    virtual ~TransmitCounters() = default;

    virtual void incrementTransmitedBulkCounter() = 0;
    virtual void incrementTransmitedBulkReqCounter() = 0;
    // A queued dump or request that will get no answer (the queue was cleared, or the synthesizer never
    // answered it) no longer counts as awaiting one.
    virtual void decrementTransmitedBulkCounter() = 0;
    virtual void decrementTransmitedBulkReqCounter() = 0;
    virtual void clearTransmitedBulkCounter() = 0;
    virtual void clearTransmitedBulkReqCounter() = 0;
};
