#pragma once

#include <QAtomicInt>
#include <QMutex>
#include <QRecursiveMutex>

#include <memory>

// A byte ring between one producer and one consumer thread. It never locks by itself: its users
// hold lock() around every read and write. The fill count is atomic so that either side may look.
class CircularBuffer
{
public:
    CircularBuffer(int size, bool recursive);
    ~CircularBuffer();
    CircularBuffer(const CircularBuffer&) = delete;
    CircularBuffer& operator=(const CircularBuffer&) = delete;

    // Both clip the count to what the ring holds or has room for, and return the bytes moved.
    int read(void* destination, int count);
    int write(const void* source, int count);

    int count() const;
    int freeSpace() const;
    int capacity() const { return m_capacity; }

    void lock();
    void unlock();
    // The mutex to wait with; null for a ring made recursive (a wait condition takes no recursive mutex).
    QMutex* mutex() { return m_mutex.get(); }

private:
    int m_writePos = 0;
    int m_readPos = 0;
    mutable QAtomicInt m_fill{0};
    std::unique_ptr<unsigned char[]> m_storage;
    int m_capacity;
    std::unique_ptr<QMutex> m_mutex;
    std::unique_ptr<QRecursiveMutex> m_recursiveMutex;
};
