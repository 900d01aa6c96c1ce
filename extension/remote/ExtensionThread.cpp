#include "ExtensionThread.h"

#include "ExtensionMessages.h"

#include <new>

using Quorvane::FGuard;

ExtensionThread::ExtensionThread() : Quorvane::FThread("FThread") {}

void ExtensionThread::SetReceiverData(IReceiver* receiver, CNfunction* channel)
{
    m_receiver = receiver;
    m_channel = channel;
}

void ExtensionThread::SetSenderData(ISender* sender, CNfunction* channel, bool freeAfterDelivery)
{
    m_sender = sender;
    m_channel = channel;
}

Quorvane::int32 ExtensionThread::entry()
{
    if (!m_channel || !m_channel->isUsable())
        return 0;
    Quorvane::FCondition* condition = m_channel->condition();
    for (;;) {
        condition->wait();
        FGuard guard(m_channel->lock());
        // Tested under the lock: a stop requested while we drained is either seen here or followed
        // by a signal after our reset below.
        if (m_channel->isStopRequested())
            return 0;
        Quorvane::TArray<unsigned char*>& queue = m_channel->queue();
        while (!queue.isEmpty()) {
            unsigned char* message = queue.at(0);
            queue.removeAt(0);
            if (message)
                deliver(message);
        }
        condition->reset();
    }
}

void ExtensionThread::deliver(unsigned char* message)
{
    // Exactly one consumer takes each buffer; nothing a consumer throws may end the worker.
    try {
        if (m_receiver)
            m_receiver->storeExtensionMessage(message);
        else if (m_sender)
            m_sender->SendExtensionMessage(message);
        else
            ExtensionMessage::freeMessage(message); // nobody to take it: the worker is its last holder
    } catch (...) {
    }
}

bool ReceiveWorker::begin(IReceiver* receiver, CNfunction& channel)
{
    if (m_thread || !receiver || !channel.isUsable())
        return false;
    channel.clearStop();
    auto* thread = new (std::nothrow) ExtensionThread;
    if (!thread)
        return false;
    thread->SetReceiverData(receiver, &channel);
    thread->run();
    if (!thread->hasThread()) {
        delete thread;
        return false;
    }
    m_thread = thread;
    m_channel = &channel;
    return true;
}

int ReceiveWorker::end()
{
    if (!m_thread)
        return 0;
    m_channel->requestStop();
    m_thread->waitDead(30000);
    delete m_thread;
    m_thread = nullptr;
    // What the stopped worker did not deliver is stale by the time another service would read it.
    const int discarded = m_channel->discardPending();
    m_channel = nullptr;
    return discarded;
}

bool SendWorker::begin(ISender* sender)
{
    if (m_thread || !sender)
        return false;
    const int index = SendingChannels::create();
    CNfunction* channel = SendingChannels::at(index);
    if (!channel)
        return false;
    auto* thread = channel->isUsable() ? new (std::nothrow) ExtensionThread : nullptr;
    if (!thread) {
        delete SendingChannels::take(index);
        return false;
    }
    channel->clearStop();
    thread->SetSenderData(sender, channel, false);
    thread->run();
    // The system may refuse a thread (no memory, too many threads): the slot stays empty, as a
    // terminated device's does.
    if (!thread->hasThread()) {
        delete thread;
        delete SendingChannels::take(index);
        return false;
    }
    m_index = index;
    m_channel = channel;
    m_thread = thread;
    return true;
}

void SendWorker::end()
{
    if (!m_thread || m_index < 0)
        return;
    // Emptying the slot first means no producer can reach the channel once it is deleted.
    SendingChannels::take(m_index);
    m_channel->requestStop();
    m_thread->waitDead(30000);
    delete m_thread;
    m_thread = nullptr;
    delete m_channel;
    m_channel = nullptr;
}
