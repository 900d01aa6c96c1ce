#include "CNfunction.h"

#include "ExtensionMessages.h"

#include <cstdio>
#include <new>

using Quorvane::FGuard;

namespace {

template <class T>
T* makeNamed(const char* channelName, const char* suffix)
{
    char name[CNfunction::kMaxNameLength * 2];
    std::snprintf(name, sizeof name, "%s-%s", channelName, suffix);
    return new (std::nothrow) T(name);
}

} // namespace

CNfunction::CNfunction(const char* name)
{
    std::snprintf(m_name, sizeof m_name, "%s", name ? name : "");
    m_condition = makeNamed<Quorvane::FCondition>(m_name, "Flag");
    if (m_condition)
        m_condition->reset();
    m_lock = makeNamed<Quorvane::FLock>(m_name, "Lock");
}

CNfunction::~CNfunction()
{
    discardPending();
    delete m_condition;
    delete m_lock;
}

bool CNfunction::post(unsigned char* message)
{
    if (!message)
        return false;
    if (!isUsable()) {
        ExtensionMessage::freeMessage(message);
        return false;
    }
    bool queued;
    {
        FGuard guard(m_lock);
        queued = m_queue.add(message);
    }
    if (!queued) {
        ExtensionMessage::freeMessage(message);
        return false;
    }
    m_condition->signalAll();
    return true;
}

void CNfunction::requestStop()
{
    {
        FGuard guard(m_lock);
        m_stop.store(true);
    }
    if (m_condition)
        m_condition->signalAll();
}

void CNfunction::clearStop()
{
    FGuard guard(m_lock);
    m_stop.store(false);
}

int CNfunction::pendingCount()
{
    FGuard guard(m_lock);
    return m_queue.total();
}

int CNfunction::discardPending()
{
    FGuard guard(m_lock);
    const int count = m_queue.total();
    for (int i = 0; i < count; ++i)
        ExtensionMessage::freeMessage(m_queue.at(i));
    m_queue.removeAll();
    return count;
}

CNfunction gSysExReceiving("SysExReceiving_ZELK");

namespace SendingChannels {

namespace {

// The table of send channels; it frees the channels still in it at unload, when no worker may run.
class Table
{
public:
    ~Table()
    {
        for (CNfunction* channel : slots)
            delete channel;
    }
    Quorvane::FLock lock{"SysExSending_ZELK"};
    std::vector<CNfunction*> slots;
};

Table& table()
{
    static Table instance;
    return instance;
}

} // namespace

int create()
{
    Table& t = table();
    FGuard guard(&t.lock);
    const int index = static_cast<int>(t.slots.size());
    char name[CNfunction::kMaxNameLength + 1];
    std::snprintf(name, sizeof name, "SysExSending_ZELK_%d", index + 1);
    CNfunction* channel = new (std::nothrow) CNfunction(name);
    if (!channel)
        return -1;
    try {
        t.slots.push_back(channel);
    } catch (...) {
        delete channel;
        return -1;
    }
    return index;
}

CNfunction* take(int index)
{
    Table& t = table();
    FGuard guard(&t.lock);
    if (index < 0 || index >= static_cast<int>(t.slots.size()))
        return nullptr;
    CNfunction* channel = t.slots[static_cast<std::size_t>(index)];
    t.slots[static_cast<std::size_t>(index)] = nullptr;
    return channel;
}

CNfunction* at(int index)
{
    Table& t = table();
    FGuard guard(&t.lock);
    if (index < 0 || index >= static_cast<int>(t.slots.size()))
        return nullptr;
    return t.slots[static_cast<std::size_t>(index)];
}

int slotCount()
{
    Table& t = table();
    FGuard guard(&t.lock);
    return static_cast<int>(t.slots.size());
}

std::vector<unsigned int> openIndices()
{
    Table& t = table();
    FGuard guard(&t.lock);
    std::vector<unsigned int> indices;
    for (std::size_t i = 0; i < t.slots.size(); ++i)
        if (t.slots[i])
            indices.push_back(static_cast<unsigned int>(i));
    return indices;
}

void post(unsigned int index, unsigned char* message)
{
    Table& t = table();
    FGuard guard(&t.lock);
    if (index < t.slots.size() && t.slots[index]) {
        t.slots[index]->post(message);
        return;
    }
    ExtensionMessage::freeMessage(message);
}

} // namespace SendingChannels

void AddSendMessage(unsigned int index, unsigned char* message)
{
    if (!message)
        return;
    // The table's lock is held while posting, so a device that ends its channel meanwhile cannot
    // delete it under us (lock order: table, then channel).
    SendingChannels::post(index, message);
}
