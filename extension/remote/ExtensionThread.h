#pragma once

#include "CNfunction.h"
#include "FThread.h"

// Takes the received messages of the receive channel (implemented by the service). The receiver owns
// every buffer handed to it.
class IReceiver
{
public:
    virtual void storeExtensionMessage(unsigned char* message) = 0;

protected:
    ~IReceiver() = default;
};

// Takes the outgoing messages of a send channel (implemented by a remote device). The sender owns
// every buffer handed to it.
class ISender
{
public:
    virtual void SendExtensionMessage(unsigned char* message) = 0;
    virtual void SendSonvikReady() = 0;

protected:
    ~ISender() = default;
};

// Worker thread of one channel: waits for the channel's signal and hands each queued message, in
// arrival order, to its one consumer while holding the channel's lock. Runs on its own thread; set up
// and stopped on its owner's thread.
class ExtensionThread : public Quorvane::FThread
{
public:
    ExtensionThread();

    void SetReceiverData(IReceiver* receiver, CNfunction* channel);
    // A buffer that no consumer takes is always freed, whatever freeAfterDelivery says.
    void SetSenderData(ISender* sender, CNfunction* channel, bool freeAfterDelivery);

    Quorvane::int32 entry() override;

private:
    void deliver(unsigned char* message);

    IReceiver* m_receiver = nullptr;
    ISender* m_sender = nullptr;
    CNfunction* m_channel = nullptr;
};

// The service's receiver worker on the receive channel.
class ReceiveWorker
{
public:
    ~ReceiveWorker() { end(); }
    // Clears the channel's stop flag and starts a worker handing messages to receiver; false when it
    // is already running or cannot start.
    bool begin(IReceiver* receiver, CNfunction& channel = gSysExReceiving);
    // Stops the worker (stop flag, signal, wait for its end), deletes it and frees the messages it
    // left undelivered; the number freed. Messages posted afterwards wait for the next worker.
    int end();
    bool isRunning() const { return m_thread != nullptr; }

private:
    ExtensionThread* m_thread = nullptr;
    CNfunction* m_channel = nullptr;
};

// A remote device's sender worker with its own send channel.
class SendWorker
{
public:
    ~SendWorker() { end(); }
    // Creates the device's send channel in the next slot and starts its worker; false on failure.
    bool begin(ISender* sender);
    // Empties the slot, stops and deletes the worker, then deletes the channel with what it still holds.
    void end();
    int index() const { return m_index; }
    bool isRunning() const { return m_thread != nullptr; }

private:
    ExtensionThread* m_thread = nullptr;
    CNfunction* m_channel = nullptr;
    int m_index = -1;
};
