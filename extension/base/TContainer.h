#pragma once

#include "QuorvaneTypes.h"

#include <cstdlib>
#include <new>

namespace Quorvane {

template <class T> class TContainer;

// Walks a container's items; belongs to the container's owner thread.
template <class T> class TIterator
{
public:
    virtual ~TIterator() = default;
    // True once the walk has gone past the last item.
    virtual bool done() = 0;
    // The current item's place, moving on to the next item.
    virtual T& next() = 0;
    // Moves back one item and returns its place (the zero item before the first).
    virtual T& previous() = 0;
    virtual T& current() = 0;
    virtual T& first() = 0;
    virtual T& last() = 0;
};

// A container of pointer-sized items; accessors that find nothing return the zero item (a null
// value). Containers take no lock: their owner guards them.
template <class T> class TContainer
{
public:
    virtual ~TContainer() = default;
    virtual TContainer<T>* newInstance() const = 0;
    virtual int32 total() const = 0;
    virtual bool isEmpty() const = 0;
    virtual int32 size() const = 0;
    virtual bool add(const T& item) = 0;
    virtual bool remove(const T& item) = 0;
    virtual bool remove(TIterator<T>& iterator) = 0;
    virtual bool removeAt(int32 index) = 0;
    virtual void removeAll() = 0;
    virtual T& at(int32 index) = 0;
    virtual T& lookup(const T& item) = 0;
    virtual bool contains(const T& item) const = 0;
    virtual int32 occurrences(const T& item) const = 0;
    virtual TIterator<T>* newIterator() = 0;

protected:
    T& zero()
    {
        m_zero = T{};
        return m_zero;
    }
    T m_zero{};
};

template <class T> class TArrayIterator;

// Growable array of items; the grow step is 10 by default, -1 doubles, 0 never grows.
template <class T> class TArrayBase : public TContainer<T>
{
public:
    static constexpr int32 kDefaultGrowStep = 10;

    explicit TArrayBase(int32 capacity = 0, int32 growStep = kDefaultGrowStep) : m_growStep(growStep)
    {
        if (capacity > 0)
            resize(capacity);
    }
    ~TArrayBase() override { std::free(m_items); }
    TArrayBase(const TArrayBase&) = delete;
    TArrayBase& operator=(const TArrayBase&) = delete;

    int32 total() const override { return m_count; }
    bool isEmpty() const override { return m_count == 0; }
    int32 size() const override { return m_capacity; }
    int32 getGrowStep() const { return m_growStep; }
    void setGrowStep(int32 step) { m_growStep = step; }

    // Where a new item goes: at the end.
    virtual int32 shouldGo(const T& item) const { return m_count; }

    bool add(const T& item) override { return insertAt(shouldGo(item), item); }

    // Inserts at index 0 … count, growing a full array first; false when it cannot grow.
    bool insertAt(int32 index, const T& item)
    {
        if (index < 0 || index > m_count)
            return false;
        if (m_count >= m_capacity && !grow())
            return false;
        for (int32 i = m_count; i > index; --i)
            m_items[i] = m_items[i - 1];
        m_items[index] = item;
        ++m_count;
        return true;
    }

    bool remove(const T& item) override
    {
        const int32 i = indexOf(item);
        return i >= 0 && removeAt(i);
    }
    bool remove(TIterator<T>& iterator) override;

    bool removeAt(int32 index) override
    {
        if (index < 0 || index >= m_count)
            return false;
        for (int32 i = index; i < m_count - 1; ++i)
            m_items[i] = m_items[i + 1];
        --m_count;
        m_items[m_count] = T{};
        return true;
    }

    void removeAll() override
    {
        for (int32 i = 0; i < m_count; ++i)
            m_items[i] = T{};
        m_count = 0;
    }

    T& at(int32 index) override
    {
        if (index < 0 || index >= m_count)
            return this->zero();
        return m_items[index];
    }
    T& operator[](int32 index) { return at(index); }

    T& lookup(const T& item) override
    {
        const int32 i = indexOf(item);
        return i >= 0 ? m_items[i] : this->zero();
    }
    bool contains(const T& item) const override { return indexOf(item) >= 0; }
    int32 occurrences(const T& item) const override
    {
        int32 n = 0;
        for (int32 i = 0; i < m_count; ++i)
            if (m_items[i] == item)
                ++n;
        return n;
    }

    // A new array of that capacity keeps the first items; 0 removes all and frees the array.
    bool resize(int32 capacity)
    {
        if (capacity <= 0) {
            std::free(m_items);
            m_items = nullptr;
            m_capacity = 0;
            m_count = 0;
            return true;
        }
        T* items = static_cast<T*>(std::malloc(sizeof(T) * static_cast<std::size_t>(capacity)));
        if (!items)
            return false;
        const int32 keep = m_count < capacity ? m_count : capacity;
        for (int32 i = 0; i < capacity; ++i)
            items[i] = i < keep ? m_items[i] : T{};
        std::free(m_items);
        m_items = items;
        m_capacity = capacity;
        m_count = keep;
        return true;
    }

    TIterator<T>* newIterator() override;

protected:
    int32 indexOf(const T& item) const
    {
        for (int32 i = 0; i < m_count; ++i)
            if (m_items[i] == item)
                return i;
        return -1;
    }

    bool grow()
    {
        int32 capacity;
        if (m_growStep == 0)
            return false;
        if (m_growStep < 0)
            capacity = m_capacity == 0 ? 10 : m_capacity * 2;
        else
            capacity = m_capacity + m_growStep;
        if (capacity <= m_capacity)
            return false;
        return resize(capacity);
    }

    int32 m_capacity = 0;
    int32 m_growStep;
    int32 m_count = 0;
    T* m_items = nullptr;
};

// Growable array that appends and finds items by value.
template <class T> class TArray : public TArrayBase<T>
{
public:
    explicit TArray(int32 capacity = 0, int32 growStep = TArrayBase<T>::kDefaultGrowStep)
        : TArrayBase<T>(capacity, growStep)
    {
    }
    TContainer<T>* newInstance() const override { return new (std::nothrow) TArray<T>(); }
    // Index of the first equal item, -1 when absent.
    int32 index(const T& item) const { return this->indexOf(item); }
};

// Iterator over an array by position.
template <class T> class TArrayIterator : public TIterator<T>
{
public:
    explicit TArrayIterator(TArrayBase<T>* array) : m_array(array) {}
    bool done() override { return m_position >= m_array->total(); }
    T& next() override { return m_array->at(m_position++); }
    T& previous() override
    {
        if (m_position > 0)
            --m_position;
        else
            m_position = -1;
        return m_array->at(m_position);
    }
    T& current() override { return m_array->at(m_position); }
    T& first() override
    {
        m_position = 0;
        return m_array->at(0);
    }
    T& last() override
    {
        m_position = m_array->total() - 1;
        return m_array->at(m_position);
    }
    int32 position() const { return m_position; }

private:
    TArrayBase<T>* m_array;
    int32 m_position = 0;
    friend class TArrayBase<T>;
};

template <class T> TIterator<T>* TArrayBase<T>::newIterator()
{
    return new (std::nothrow) TArrayIterator<T>(this);
}

template <class T> bool TArrayBase<T>::remove(TIterator<T>& iterator)
{
    auto* it = dynamic_cast<TArrayIterator<T>*>(&iterator);
    if (!it || it->m_array != this)
        return false;
    return removeAt(it->m_position);
}

template <class T> class TLinkedListIterator;

// Singly linked list of items.
template <class T> class TLinkedList : public TContainer<T>
{
public:
    struct Node
    {
        Node* next;
        T item;
    };

    TLinkedList() = default;
    ~TLinkedList() override { removeAll(); }
    TLinkedList(const TLinkedList&) = delete;
    TLinkedList& operator=(const TLinkedList&) = delete;

    TContainer<T>* newInstance() const override { return new (std::nothrow) TLinkedList<T>(); }
    int32 total() const override { return m_count; }
    bool isEmpty() const override { return m_count == 0; }
    int32 size() const override { return m_count; }

    bool add(const T& item) override { return append(item); }
    bool append(const T& item)
    {
        Node* node = new (std::nothrow) Node{nullptr, item};
        if (!node)
            return false;
        if (m_tail)
            m_tail->next = node;
        else
            m_head = node;
        m_tail = node;
        ++m_count;
        return true;
    }

    T removeFirst()
    {
        if (!m_head)
            return T{};
        Node* node = m_head;
        m_head = node->next;
        if (!m_head)
            m_tail = nullptr;
        --m_count;
        T item = node->item;
        delete node;
        return item;
    }

    T removeLast()
    {
        if (!m_tail)
            return T{};
        if (m_head == m_tail)
            return removeFirst();
        Node* before = m_head;
        while (before->next != m_tail)
            before = before->next;
        Node* node = m_tail;
        before->next = nullptr;
        m_tail = before;
        --m_count;
        T item = node->item;
        delete node;
        return item;
    }

    bool removeAt(int32 index) override
    {
        if (index < 0 || index >= m_count)
            return false;
        if (index == 0) {
            removeFirst();
            return true;
        }
        if (index == m_count - 1) {
            removeLast();
            return true;
        }
        Node* before = nodeAt(index - 1);
        Node* node = before->next;
        before->next = node->next;
        --m_count;
        delete node;
        return true;
    }

    bool remove(const T& item) override
    {
        const int32 i = indexOf(item);
        return i >= 0 && removeAt(i);
    }
    bool remove(TIterator<T>& iterator) override;

    void removeAll() override
    {
        Node* node = m_head;
        while (node) {
            Node* next = node->next;
            delete node;
            node = next;
        }
        m_head = m_tail = nullptr;
        m_count = 0;
    }

    T& at(int32 index) override
    {
        Node* node = (index >= 0 && index < m_count) ? nodeAt(index) : nullptr;
        return node ? node->item : this->zero();
    }
    T& lookup(const T& item) override
    {
        for (Node* node = m_head; node; node = node->next)
            if (node->item == item)
                return node->item;
        return this->zero();
    }
    bool contains(const T& item) const override { return indexOf(item) >= 0; }
    int32 occurrences(const T& item) const override
    {
        int32 n = 0;
        for (Node* node = m_head; node; node = node->next)
            if (node->item == item)
                ++n;
        return n;
    }

    TIterator<T>* newIterator() override;

    Node* head() const { return m_head; }
    Node* tail() const { return m_tail; }

protected:
    Node* nodeAt(int32 index) const
    {
        Node* node = m_head;
        for (int32 i = 0; node && i < index; ++i)
            node = node->next;
        return node;
    }
    int32 indexOf(const T& item) const
    {
        int32 i = 0;
        for (Node* node = m_head; node; node = node->next, ++i)
            if (node->item == item)
                return i;
        return -1;
    }

    int32 m_count = 0;
    Node* m_head = nullptr;
    Node* m_tail = nullptr;
    friend class TLinkedListIterator<T>;
};

// Iterator over a linked list by node; it starts at the head.
template <class T> class TLinkedListIterator : public TIterator<T>
{
public:
    using Node = typename TLinkedList<T>::Node;
    explicit TLinkedListIterator(TLinkedList<T>* list) : m_list(list), m_current(list->m_head) {}

    bool done() override { return m_current == nullptr; }
    T& next() override
    {
        if (!m_current)
            return m_list->zero();
        Node* node = m_current;
        m_current = node->next;
        return node->item;
    }
    T& previous() override
    {
        Node* before = nullptr;
        for (Node* node = m_list->m_head; node && node != m_current; node = node->next)
            before = node;
        if (m_current == m_list->m_head)
            before = nullptr;
        m_current = before;
        return before ? before->item : m_list->zero();
    }
    T& current() override { return m_current ? m_current->item : m_list->zero(); }
    T& first() override
    {
        m_current = m_list->m_head;
        return current();
    }
    T& last() override
    {
        m_current = m_list->m_tail;
        return current();
    }

private:
    TLinkedList<T>* m_list;
    Node* m_current;
    friend class TLinkedList<T>;
};

template <class T> TIterator<T>* TLinkedList<T>::newIterator()
{
    return new (std::nothrow) TLinkedListIterator<T>(this);
}

template <class T> bool TLinkedList<T>::remove(TIterator<T>& iterator)
{
    auto* it = dynamic_cast<TLinkedListIterator<T>*>(&iterator);
    if (!it || it->m_list != this || !it->m_current)
        return false;
    Node* node = it->m_current;
    int32 index = 0;
    for (Node* n = m_head; n && n != node; n = n->next)
        ++index;
    it->m_current = node->next;
    return removeAt(index);
}

} // namespace Quorvane
