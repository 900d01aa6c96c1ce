#pragma once

#include "MPEvent.h"

class RemoteMemAPI;

// What an input port hands each received record to: the decoder on the communication port, the
// connection watcher on the watched port. Process runs on the port's delivery thread under the input
// port object's mutex.
class MessageProcessor
{
public:
    MessageProcessor(long port, RemoteMemAPI* service, int filterType);
    virtual ~MessageProcessor();

    // Takes one record; true when it was taken. The record and its bytes live only during the call.
    virtual bool Process(tagMPEVENT& record) = 0;

    long getPortID() const { return m_port; }
    int getMidiFilterType() const { return m_filterType; }

protected:
    MessageProcessor();

    long m_port = 0;
    RemoteMemAPI* m_service = nullptr;
    int m_filterType = 0;
};
