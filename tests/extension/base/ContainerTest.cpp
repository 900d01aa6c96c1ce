#include "TContainer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace Quorvane;

namespace {

int gItems[32];

int* item(int i)
{
    return &gItems[i];
}

template <class T> std::vector<T> walk(TContainer<T>& container)
{
    std::vector<T> out;
    std::unique_ptr<TIterator<T>> it(container.newIterator());
    while (!it->done())
        out.push_back(it->next());
    return out;
}

} // namespace

TEST(TArray, GrowsByItsStep)
{
    TArray<int*> array;
    EXPECT_EQ(array.size(), 0);
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(array.add(item(i)));
    EXPECT_EQ(array.size(), 10);
    ASSERT_TRUE(array.add(item(10)));
    EXPECT_EQ(array.size(), 20);
    EXPECT_EQ(array.total(), 11);
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(array.at(i), item(i));
}

TEST(TArray, StepMinusOneDoublesAndStepZeroRefuses)
{
    TArray<int*> doubling(0, -1);
    for (int i = 0; i < 11; ++i)
        doubling.add(item(i));
    EXPECT_EQ(doubling.size(), 20);
    for (int i = 11; i < 21; ++i)
        doubling.add(item(i));
    EXPECT_EQ(doubling.size(), 40);

    TArray<int*> fixed(2, 0);
    EXPECT_TRUE(fixed.add(item(0)));
    EXPECT_TRUE(fixed.add(item(1)));
    EXPECT_FALSE(fixed.add(item(2)));
    EXPECT_EQ(fixed.total(), 2);
}

TEST(TArray, RemovesByIndexItemAndIterator)
{
    TArray<int*> array;
    for (int i = 0; i < 5; ++i)
        array.add(item(i));
    EXPECT_FALSE(array.removeAt(array.total()));
    EXPECT_FALSE(array.removeAt(-1));
    EXPECT_TRUE(array.removeAt(0));
    EXPECT_EQ(array.at(0), item(1));
    EXPECT_TRUE(array.remove(item(3)));
    EXPECT_FALSE(array.remove(item(3)));
    EXPECT_EQ(walk(array), (std::vector<int*>{item(1), item(2), item(4)}));

    std::unique_ptr<TIterator<int*>> it(array.newIterator());
    it->next();
    EXPECT_EQ(it->current(), item(2));
    EXPECT_TRUE(array.remove(*it));
    EXPECT_EQ(it->current(), item(4));
    EXPECT_EQ(walk(array), (std::vector<int*>{item(1), item(4)}));

    array.removeAll();
    EXPECT_TRUE(array.isEmpty());
    EXPECT_EQ(array.size(), 10);
}

TEST(TArray, AccessorsReturnTheZeroItemWhenNothingIsFound)
{
    TArray<int*> array;
    array.add(item(0));
    array.add(item(1));
    array.add(item(0));
    EXPECT_EQ(array.at(5), nullptr);
    EXPECT_EQ(array.at(-1), nullptr);
    EXPECT_EQ(array.lookup(item(7)), nullptr);
    EXPECT_EQ(&array.lookup(item(1)), &array.at(1));
    EXPECT_TRUE(array.contains(item(1)));
    EXPECT_FALSE(array.contains(item(2)));
    EXPECT_EQ(array.occurrences(item(0)), 2);
    EXPECT_EQ(array.index(item(1)), 1);
    EXPECT_EQ(array.index(item(9)), -1);
    // Writing through the zero item does not make later look-ups find something.
    array.at(99) = item(5);
    EXPECT_EQ(array.at(98), nullptr);
}

TEST(TArray, InsertsAndResizes)
{
    TArray<int*> array;
    array.add(item(0));
    array.add(item(2));
    EXPECT_TRUE(array.insertAt(1, item(1)));
    EXPECT_FALSE(array.insertAt(5, item(9)));
    EXPECT_EQ(walk(array), (std::vector<int*>{item(0), item(1), item(2)}));
    EXPECT_TRUE(array.resize(2));
    EXPECT_EQ(array.total(), 2);
    EXPECT_EQ(array.size(), 2);
    EXPECT_TRUE(array.resize(0));
    EXPECT_EQ(array.total(), 0);
    EXPECT_TRUE(array.add(item(3)));
    std::unique_ptr<TContainer<int*>> fresh(array.newInstance());
    EXPECT_TRUE(fresh->isEmpty());
}

TEST(TArray, IteratorWalksBothWays)
{
    TArray<int*> array;
    for (int i = 0; i < 3; ++i)
        array.add(item(i));
    std::unique_ptr<TIterator<int*>> it(array.newIterator());
    EXPECT_EQ(it->last(), item(2));
    EXPECT_EQ(it->previous(), item(1));
    EXPECT_EQ(it->previous(), item(0));
    EXPECT_EQ(it->previous(), nullptr);
    EXPECT_EQ(it->first(), item(0));
}

TEST(TLinkedList, AppendsAndRemovesAtBothEnds)
{
    TLinkedList<int*> list;
    EXPECT_EQ(list.removeFirst(), nullptr);
    EXPECT_EQ(list.removeLast(), nullptr);
    list.add(item(0));
    EXPECT_EQ(list.removeLast(), item(0));
    EXPECT_EQ(list.head(), nullptr);
    EXPECT_EQ(list.tail(), nullptr);
    EXPECT_TRUE(list.isEmpty());

    for (int i = 0; i < 4; ++i)
        list.append(item(i));
    EXPECT_EQ(list.total(), 4);
    EXPECT_EQ(list.size(), 4);
    EXPECT_EQ(list.removeFirst(), item(0));
    EXPECT_EQ(list.removeLast(), item(3));
    EXPECT_EQ(walk(list), (std::vector<int*>{item(1), item(2)}));
    list.append(item(4));
    EXPECT_EQ(list.tail()->item, item(4));
}

TEST(TLinkedList, RemovesByIndexItemAndIterator)
{
    TLinkedList<int*> list;
    for (int i = 0; i < 5; ++i)
        list.add(item(i));
    EXPECT_FALSE(list.removeAt(5));
    EXPECT_TRUE(list.removeAt(2));
    EXPECT_TRUE(list.removeAt(0));
    EXPECT_TRUE(list.removeAt(list.total() - 1));
    EXPECT_EQ(walk(list), (std::vector<int*>{item(1), item(3)}));
    EXPECT_EQ(list.tail()->item, item(3));
    EXPECT_TRUE(list.remove(item(3)));
    EXPECT_FALSE(list.remove(item(3)));
    EXPECT_EQ(list.tail(), list.head());

    list.add(item(5));
    list.add(item(6));
    std::unique_ptr<TIterator<int*>> it(list.newIterator());
    it->next();
    EXPECT_EQ(it->current(), item(5));
    EXPECT_TRUE(list.remove(*it));
    EXPECT_EQ(it->current(), item(6));
    EXPECT_EQ(walk(list), (std::vector<int*>{item(1), item(6)}));
    list.removeAll();
    EXPECT_EQ(list.total(), 0);
    EXPECT_EQ(list.head(), nullptr);
}

TEST(TLinkedList, LooksUpFromTheHead)
{
    TLinkedList<int*> list;
    list.add(item(0));
    list.add(item(1));
    list.add(item(0));
    EXPECT_EQ(list.at(1), item(1));
    EXPECT_EQ(list.at(3), nullptr);
    EXPECT_EQ(list.lookup(item(1)), item(1));
    EXPECT_EQ(list.lookup(item(8)), nullptr);
    EXPECT_EQ(list.occurrences(item(0)), 2);
    EXPECT_TRUE(list.contains(item(1)));
    std::unique_ptr<TContainer<int*>> fresh(list.newInstance());
    EXPECT_TRUE(fresh->isEmpty());
}

TEST(TLinkedList, IteratorStepsBack)
{
    TLinkedList<int*> list;
    for (int i = 0; i < 3; ++i)
        list.add(item(i));
    std::unique_ptr<TIterator<int*>> it(list.newIterator());
    EXPECT_EQ(it->current(), item(0));
    EXPECT_EQ(it->next(), item(0));
    EXPECT_EQ(it->next(), item(1));
    EXPECT_EQ(it->next(), item(2));
    EXPECT_TRUE(it->done());
    EXPECT_EQ(it->next(), nullptr);
    EXPECT_EQ(it->previous(), item(2));
    EXPECT_EQ(it->previous(), item(1));
    EXPECT_EQ(it->previous(), item(0));
    EXPECT_EQ(it->previous(), nullptr);
    EXPECT_EQ(it->last(), item(2));
    EXPECT_EQ(it->first(), item(0));
}
