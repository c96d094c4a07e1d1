#include <gtest/gtest.h>

#include <vector>

#include "common/ZelList.h"

namespace {

// An item that compares by value and counts its destructions.
class Item : public CZelBase {
  public:
    Item(int value, int* destroyed) : value_(value), destroyed_(destroyed) {}
    ~Item() override { ++*destroyed_; }
    bool IsEqual(const CZelBase& o) const override { return value_ == Of(o); }
    bool IsGreater(const CZelBase& o) const override { return value_ > Of(o); }
    bool IsLess(const CZelBase& o) const override { return value_ < Of(o); }
    int Value() const { return value_; }

  private:
    static int Of(const CZelBase& o) { return static_cast<const Item&>(o).value_; }
    int value_;
    int* destroyed_;
};

std::vector<int> Values(CZelList& list) {
    std::vector<int> values;
    for (CZelBase* item = list.First(); item != nullptr; item = list.Next())
        values.push_back(static_cast<Item*>(item)->Value());
    return values;
}

}  // namespace

TEST(ZelList, RefusedDuplicateStaysTheCallers) {
    int destroyed = 0;
    {
        CZelList list(true);
        EXPECT_TRUE(list.Add(new Item(1, &destroyed), false));
        Item duplicate(1, &destroyed);
        EXPECT_FALSE(list.Add(&duplicate, false));
        EXPECT_EQ(list.Count(), 1u);
        EXPECT_TRUE(list.Add(new Item(1, &destroyed), true));
        EXPECT_EQ(list.Count(), 2u);
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 3);  // both owned items, then the caller's own
}

TEST(ZelList, RemoveHeadAndClearDestroyOwnedItemsOnly) {
    int destroyed = 0;
    Item kept(9, &destroyed);
    {
        CZelList borrowed(false);
        borrowed.Add(&kept);
        borrowed.Clear();
        EXPECT_EQ(borrowed.RemoveHead(), -1);
    }
    EXPECT_EQ(destroyed, 0);

    CZelList owning(true);
    owning.Add(new Item(1, &destroyed));
    owning.Add(new Item(2, &destroyed));
    EXPECT_EQ(owning.RemoveHead(), 0);
    EXPECT_EQ(destroyed, 1);
    owning.Add(new Item(3, &destroyed));  // appends after a removal unset the tail
    EXPECT_EQ(Values(owning), (std::vector<int>{2, 3}));
    EXPECT_EQ(owning.First(), owning.Head());
}

TEST(ZelList, SortIsAscendingAndKeepsEveryItem) {
    int destroyed = 0;
    CZelList list(true);
    for (int v : {5, 3, 9, 3, 1, 7, 5, 0, 2, 8}) list.Add(new Item(v, &destroyed));
    list.Sort();
    EXPECT_EQ(Values(list), (std::vector<int>{0, 1, 2, 3, 3, 5, 5, 7, 8, 9}));
    EXPECT_EQ(destroyed, 0);

    CZelList sorted(true);
    for (int v = 0; v < 2000; ++v) sorted.Add(new Item(v, &destroyed));
    sorted.Sort();  // already ordered input must not exhaust the stack
    EXPECT_EQ(static_cast<Item*>(sorted.First())->Value(), 0);
    EXPECT_EQ(sorted.Count(), 2000u);
}
