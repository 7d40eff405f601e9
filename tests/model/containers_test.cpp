// CList and CArray: insertion, order, growth, removal, resizing and
// out-of-memory behaviour.
#include "carray.h"
#include "clist.h"
#include "test_hooks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// Switches allocation failure injection off again at the end of a test.
struct AllocFaultGuard {
    ~AllocFaultGuard() { ModelFailAllocationsAfter(-1); }
};

std::vector<int> Contents(const CList<int>& list)
{
    return std::vector<int>(list.data, list.data + list.count);
}

void FillList(CList<int>& list, std::initializer_list<int> values)
{
    for (int v : values)
        ASSERT_EQ(list.Add(v), 1);
}

TEST(CListTest, StartsEmptyWithGrowStep100)
{
    CList<int> list;
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.data, nullptr);
    EXPECT_EQ(list.growStep, 100);
    EXPECT_EQ(list.capacity, 0);
    EXPECT_EQ(list.Find(1), -1);
}

TEST(CListTest, InsertAtAcceptsOnlyZeroToCount)
{
    struct Case {
        int index;
        int result;
        std::vector<int> after;
    };
    const Case cases[] = {
        {0, 1, {9, 1, 2, 3}},
        {1, 1, {1, 9, 2, 3}},
        {3, 1, {1, 2, 3, 9}},  // i == count appends
        {4, 0, {1, 2, 3}},
        {-1, 0, {1, 2, 3}},
    };
    for (const Case& c : cases) {
        CList<int> list;
        FillList(list, {1, 2, 3});
        EXPECT_EQ(list.InsertAt(9, c.index), c.result) << "index " << c.index;
        EXPECT_EQ(Contents(list), c.after) << "index " << c.index;
    }
}

TEST(CListTest, GrowsByOneStepAndKeepsOrder)
{
    CList<int> list;
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(list.Add(i), 1);
    EXPECT_EQ(list.capacity, 100);
    ASSERT_EQ(list.InsertAt(-5, 50), 1);  // the 101st insertion, in the middle
    EXPECT_EQ(list.capacity, 200);
    ASSERT_EQ(list.count, 101);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(list.GetAt(i), i);
    EXPECT_EQ(list.GetAt(50), -5);
    for (int i = 51; i < 101; ++i)
        EXPECT_EQ(list.GetAt(i), i - 1);
}

TEST(CListTest, SortedAddPutsEqualElementsAfterEarlierOnes)
{
    // Compares by tens, so 50 and 51 sort equal and show which came first.
    CList<int> list;
    list.compare = [](const int* stored, const int* value) { return *stored / 10 - *value / 10; };
    list.sorted = 1;
    FillList(list, {50, 30, 51, 10});
    EXPECT_EQ(Contents(list), (std::vector<int>{10, 30, 50, 51}));
}

TEST(CListTest, UnsortedOrCallbackLessAddAppends)
{
    CList<int> noCallback;
    noCallback.sorted = 1;
    FillList(noCallback, {5, 3, 1});
    EXPECT_EQ(Contents(noCallback), (std::vector<int>{5, 3, 1}));

    CList<int> notSorted;
    notSorted.compare = [](const int* a, const int* b) { return *a - *b; };
    FillList(notSorted, {5, 3, 1});
    EXPECT_EQ(Contents(notSorted), (std::vector<int>{5, 3, 1}));
}

TEST(CListTest, FindComparesTheElementsBytes)
{
    CList<uint16_t> ids;
    ASSERT_EQ(ids.Add(0x0001), 1);
    ASSERT_EQ(ids.Add(0x1234), 1);
    EXPECT_EQ(ids.Find(0x1234), 1);
    EXPECT_EQ(ids.Find(0x3412), -1);

    CList<int> words;
    ASSERT_EQ(words.Add(0x10001), 1);
    EXPECT_EQ(words.Find(1), -1);
    EXPECT_EQ(words.Find(0x10001), 0);

    int a = 0, b = 0;
    CList<int*> pointers;
    ASSERT_EQ(pointers.Add(&a), 1);
    ASSERT_EQ(pointers.Add(&b), 1);
    EXPECT_EQ(pointers.Find(&b), 1);
}

TEST(CListTest, RemoveSetAtAndRangeChecks)
{
    CList<int> list;
    FillList(list, {1, 2, 3, 2});
    EXPECT_EQ(list.Remove(2), 1);  // the first 2
    EXPECT_EQ(Contents(list), (std::vector<int>{1, 3, 2}));
    EXPECT_EQ(list.Remove(7), 0);
    EXPECT_EQ(list.RemoveAt(3), 0);
    EXPECT_EQ(list.RemoveAt(-1), 0);
    EXPECT_EQ(list.SetAt(8, 3), 0);
    EXPECT_EQ(list.SetAt(8, -1), 0);
    EXPECT_EQ(Contents(list), (std::vector<int>{1, 3, 2}));
    EXPECT_EQ(list.SetAt(8, 2), 1);
    EXPECT_EQ(list.RemoveAt(0), 1);
    EXPECT_EQ(Contents(list), (std::vector<int>{3, 8}));
}

TEST(CListTest, RemoveAllKeepsTheBuffer)
{
    CList<int> list;
    FillList(list, {1, 2});
    int* buffer = list.data;
    list.RemoveAll();
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.data, buffer);
    EXPECT_EQ(list.capacity, 100);
    ASSERT_EQ(list.Add(4), 1);
    EXPECT_EQ(list.data, buffer);
}

TEST(CListTest, OutOfMemoryLeavesTheListAsItWas)
{
    AllocFaultGuard guard;
    CList<int> list;
    ModelFailAllocationsAfter(0);
    EXPECT_EQ(list.Add(1), 0);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.data, nullptr);
    ModelFailAllocationsAfter(-1);

    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(list.Add(i), 1);
    int* buffer = list.data;
    ModelFailAllocationsAfter(0);
    EXPECT_EQ(list.InsertAt(5, 0), 0);
    EXPECT_EQ(list.data, buffer);
    EXPECT_EQ(list.count, 100);
    EXPECT_EQ(list.capacity, 100);
    EXPECT_EQ(list.GetAt(0), 0);
}

// Element that logs its life and points into itself, so a raw word-by-word
// move would leave it pointing into freed memory.
struct Tracked {
    static std::vector<std::string> log;
    int value = 0;
    int* self = &value;
    Tracked() { log.push_back("ctor"); }
    Tracked(Tracked&& other) noexcept : value(other.value) { log.push_back("move " + std::to_string(value)); }
    Tracked(const Tracked&) = delete;
    ~Tracked() { log.push_back("dtor " + std::to_string(value)); }
};
std::vector<std::string> Tracked::log;

TEST(CArrayTest, ShrinkDestroysTheTailAndKeepsTheBuffer)
{
    CArray<Tracked> arr;
    ASSERT_EQ(arr.SetSize(3), 1);
    for (int i = 0; i < 3; ++i)
        arr[i].value = i + 10;
    Tracked* buffer = arr.data;
    Tracked::log.clear();
    ASSERT_EQ(arr.SetSize(1), 1);
    EXPECT_EQ(Tracked::log, (std::vector<std::string>{"dtor 11", "dtor 12"}));
    EXPECT_EQ(arr.data, buffer);
    EXPECT_EQ(arr.count, 1);

    Tracked::log.clear();
    ASSERT_EQ(arr.SetSize(2), 1);
    EXPECT_NE(arr.data, nullptr);
    EXPECT_EQ(Tracked::log, (std::vector<std::string>{"move 10", "dtor 10", "ctor"}));
    EXPECT_EQ(arr[0].value, 10);
    EXPECT_EQ(arr[0].self, &arr[0].value);
    EXPECT_EQ(*arr[0].self, 10);
    EXPECT_EQ(arr[1].value, 0);
}

TEST(CArrayTest, DestructionGoesFirstToLast)
{
    Tracked::log.clear();
    {
        CArray<Tracked> arr;
        ASSERT_EQ(arr.SetSize(3), 1);
        for (int i = 0; i < 3; ++i)
            arr[i].value = i;
        Tracked::log.clear();
    }
    EXPECT_EQ(Tracked::log, (std::vector<std::string>{"dtor 0", "dtor 1", "dtor 2"}));
}

TEST(CArrayTest, ZeroOnEmptyArrayDoesNothing)
{
    CArray<Tracked> arr;
    Tracked::log.clear();
    EXPECT_EQ(arr.SetSize(0), 1);
    EXPECT_EQ(arr.data, nullptr);
    EXPECT_EQ(arr.count, 0);
    EXPECT_TRUE(Tracked::log.empty());
}

TEST(CArrayTest, GrowingOneByOneKeepsSelfReferringElementsIntact)
{
    // Short strings live inside the string object itself.
    CArray<std::string> arr;
    for (int i = 0; i < 40; ++i) {
        ASSERT_EQ(arr.SetSize(i + 1), 1);
        arr[i] = std::to_string(i) + (i % 2 ? "" : std::string(40, 'x'));
    }
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(arr[i], std::to_string(i) + (i % 2 ? "" : std::string(40, 'x')));
}

TEST(CArrayTest, FailedOrNegativeResizeLeavesTheArrayUnchanged)
{
    AllocFaultGuard guard;
    CArray<Tracked> arr;
    ASSERT_EQ(arr.SetSize(2), 1);
    arr[0].value = 5;
    arr[1].value = 6;
    Tracked* buffer = arr.data;
    Tracked::log.clear();

    ModelFailAllocationsAfter(0);
    EXPECT_EQ(arr.SetSize(3), 0);
    ModelFailAllocationsAfter(-1);
    EXPECT_EQ(arr.SetSize(-1), 0);

    EXPECT_TRUE(Tracked::log.empty());
    EXPECT_EQ(arr.data, buffer);
    EXPECT_EQ(arr.count, 2);
    EXPECT_EQ(arr[1].value, 6);

    CArray<Tracked> empty;
    ModelFailAllocationsAfter(0);
    EXPECT_EQ(empty.SetSize(1), 0);
    EXPECT_EQ(empty.data, nullptr);
    EXPECT_EQ(empty.count, 0);
}

}  // namespace
