#include "CircularBuffer.h"

#include <QDebug>

#include <algorithm>
#include <cstring>

CircularBuffer::CircularBuffer(int size, bool recursive)
    : m_storage(new unsigned char[static_cast<std::size_t>(std::max(size, 1))]), m_capacity(std::max(size, 1))
{
    if (recursive)
        m_recursiveMutex = std::make_unique<QRecursiveMutex>();
    else
        m_mutex = std::make_unique<QMutex>();
}

CircularBuffer::~CircularBuffer() = default;

int CircularBuffer::count() const
{
    return m_fill.fetchAndAddOrdered(0);
}

int CircularBuffer::freeSpace() const
{
    return m_capacity - count();
}

int CircularBuffer::read(void* destination, int count)
{
    const int available = this->count();
    if (count > available) {
        qDebug() << "CircularBuffer: asked for" << count << "bytes, holds" << available;
        count = available;
    }
    if (count <= 0)
        return 0;
    auto* out = static_cast<unsigned char*>(destination);
    const int first = std::min(count, m_capacity - m_readPos);
    std::memcpy(out, m_storage.get() + m_readPos, static_cast<std::size_t>(first));
    std::memcpy(out + first, m_storage.get(), static_cast<std::size_t>(count - first));
    m_readPos = (m_readPos + count) % m_capacity;
    m_fill.fetchAndAddOrdered(-count);
    return count;
}

int CircularBuffer::write(const void* source, int count)
{
    const int room = freeSpace();
    if (count > room) {
        qDebug() << "CircularBuffer: asked to store" << count << "bytes, room for" << room;
        count = room;
    }
    if (count <= 0)
        return 0;
    const auto* in = static_cast<const unsigned char*>(source);
    const int first = std::min(count, m_capacity - m_writePos);
    std::memcpy(m_storage.get() + m_writePos, in, static_cast<std::size_t>(first));
    std::memcpy(m_storage.get(), in + first, static_cast<std::size_t>(count - first));
    m_writePos = (m_writePos + count) % m_capacity;
    m_fill.fetchAndAddOrdered(count);
    return count;
}

void CircularBuffer::lock()
{
    if (m_mutex)
        m_mutex->lock();
    else
        m_recursiveMutex->lock();
}

void CircularBuffer::unlock()
{
    if (m_mutex)
        m_mutex->unlock();
    else
        m_recursiveMutex->unlock();
}
