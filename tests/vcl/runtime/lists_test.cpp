#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_helpers.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/lists.h"

using namespace vcl;

namespace {

// Small integers stored in the pointer slots, as callers do.
void* P(intptr_t n) { return reinterpret_cast<void*>(n); }
intptr_t N(void* p) { return reinterpret_cast<intptr_t>(p); }

std::vector<intptr_t> Contents(const TList& list) {
  std::vector<intptr_t> result;
  for (int i = 0; i < list.Count(); ++i) result.push_back(N(list.Items(i)));
  return result;
}

void Fill(TList& list, std::initializer_list<intptr_t> values) {
  for (intptr_t v : values) list.Add(P(v));
}

// Records every notification.
class TRecordingList : public TList {
  VCL_CLASS(TRecordingList, TList)
  std::vector<std::pair<intptr_t, TListNotification>> log;

 protected:
  void Notify(void* ptr, TListNotification action) override { log.emplace_back(N(ptr), action); }
};

}  // namespace

TEST(TListTest, IndexCountAndCapacityErrors) {
  struct Case {
    const char* what;
    std::function<void(TList&)> action;
    const char* message;
  };
  const Case cases[] = {
      {"Items(-1)", [](TList& l) { l.Items(-1); }, "List index out of bounds (-1)"},
      {"Items(Count)", [](TList& l) { l.Items(3); }, "List index out of bounds (3)"},
      {"SetItems", [](TList& l) { l.SetItems(5, nullptr); }, "List index out of bounds (5)"},
      {"Delete", [](TList& l) { l.Delete(3); }, "List index out of bounds (3)"},
      {"Insert before 0", [](TList& l) { l.Insert(-1, P(9)); }, "List index out of bounds (-1)"},
      {"Insert past Count", [](TList& l) { l.Insert(4, P(9)); }, "List index out of bounds (4)"},
      {"Exchange first", [](TList& l) { l.Exchange(-2, 0); }, "List index out of bounds (-2)"},
      {"Exchange second", [](TList& l) { l.Exchange(0, 7); }, "List index out of bounds (7)"},
      {"Move from", [](TList& l) { l.Move(3, 0); }, "List index out of bounds (3)"},
      {"Move to", [](TList& l) { l.Move(0, 3); }, "List index out of bounds (3)"},
      {"SetCount(-1)", [](TList& l) { l.SetCount(-1); }, "List count out of bounds (-1)"},
      {"SetCount too big", [](TList& l) { l.SetCount(MaxListSize + 1); },
       "List count out of bounds (134217728)"},
      {"SetCapacity below Count", [](TList& l) { l.SetCapacity(2); }, "List capacity out of bounds (2)"},
      {"SetCapacity too big", [](TList& l) { l.SetCapacity(MaxListSize + 1); },
       "List capacity out of bounds (134217728)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TList list;
    Fill(list, {1, 2, 3});
    EXPECT_EQ(MessageOf<EListError>([&] { c.action(list); }), c.message);
    EXPECT_EQ(Contents(list), (std::vector<intptr_t>{1, 2, 3}));  // nothing lost
  }
}

TEST(TListTest, FirstAndLastOfAnEmptyListRaise) {
  TList list;
  EXPECT_EQ(MessageOf<EListError>([&] { list.First(); }), "List index out of bounds (0)");
  EXPECT_EQ(MessageOf<EListError>([&] { list.Last(); }), "List index out of bounds (-1)");
  Fill(list, {4, 5});
  EXPECT_EQ(N(list.First()), 4);
  EXPECT_EQ(N(list.Last()), 5);
}

TEST(TListTest, GrowingTheCountFillsNewSlotsWithNil) {
  TList list;
  Fill(list, {1, 2, 3, 4, 5});
  list.SetCount(2);
  list.SetCount(6);
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{1, 2, 0, 0, 0, 0}));
  EXPECT_GE(list.Capacity(), 6);
  list.Pack();
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{1, 2}));
}

TEST(TListTest, EditingOperations) {
  TList list;
  EXPECT_EQ(list.Add(P(10)), 0);
  EXPECT_EQ(list.Add(P(20)), 1);
  list.Insert(0, P(5));
  list.Insert(3, P(30));  // at Count: appends
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{5, 10, 20, 30}));
  list.Move(0, 3);
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{10, 20, 30, 5}));
  list.Move(3, 1);
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{10, 5, 20, 30}));
  list.Exchange(0, 3);
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{30, 5, 20, 10}));
  EXPECT_EQ(list.IndexOf(P(20)), 2);
  EXPECT_EQ(list.IndexOf(P(99)), -1);
  EXPECT_EQ(list.Remove(P(5)), 1);
  EXPECT_EQ(list.Remove(P(5)), -1);
  EXPECT_EQ(N(list.Extract(P(20))), 20);
  EXPECT_EQ(list.Extract(P(20)), nullptr);
  list.SetItems(0, P(7));
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{7, 10}));
  EXPECT_EQ(list.List()[1], P(10));
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
}

TEST(TListTest, CapacityGrowsAheadOfTheCount) {
  TList list;
  EXPECT_EQ(list.Expand(), &list);
  EXPECT_EQ(list.Capacity(), 4);
  for (int i = 0; i < 1000; ++i) {
    list.Add(P(i));
    ASSERT_GE(list.Capacity(), list.Count());
  }
  list.SetCapacity(1000);
  EXPECT_EQ(list.Capacity(), 1000);
  EXPECT_EQ(N(list.Items(999)), 999);
}

TEST(TListTest, NotifyTellsOfNonNilItemsEnteringAndLeaving) {
  TRecordingList list;
  list.Add(P(1));
  list.Add(nullptr);
  list.Insert(0, P(2));
  list.SetItems(0, P(3));  // replaces 2
  list.Extract(P(1));
  list.Delete(0);  // 3
  list.Add(P(4));
  list.Clear();  // nil and 4
  using Log = std::vector<std::pair<intptr_t, TListNotification>>;
  EXPECT_EQ(list.log, (Log{{1, lnAdded},
                           {2, lnAdded},
                           {2, lnDeleted},
                           {3, lnAdded},
                           {1, lnExtracted},
                           {3, lnDeleted},
                           {4, lnAdded},
                           {4, lnDeleted}}));
}

TEST(TListTest, SortOrdersStablyAndSurvivesABadCompare) {
  TList list;
  // Values 10*key + serial: sorting by key must keep the serials in order.
  Fill(list, {31, 12, 33, 14, 25, 16, 37, 18, 19});
  list.Sort([](void* a, void* b) { return static_cast<int>(N(a) / 10 - N(b) / 10); });
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{12, 14, 16, 18, 19, 25, 31, 33, 37}));

  // A compare that is no order at all may give any order, but keeps every item.
  TList big;
  for (int i = 0; i < 500; ++i) big.Add(P(i));
  unsigned seed = 1;
  big.Sort([&seed](void*, void*) {
    seed = seed * 1103515245 + 12345;
    return static_cast<int>((seed >> 16) % 3) - 1;
  });
  std::vector<intptr_t> items = Contents(big);
  std::sort(items.begin(), items.end());
  for (int i = 0; i < 500; ++i) ASSERT_EQ(items[i], i);
}

TEST(TObjectListTest, OwnedObjectsAreFreedExceptWhenExtracted) {
  int alive = 0;
  TLifeCounter* extracted;
  {
    TObjectList list;
    EXPECT_TRUE(list.OwnsObjects());
    for (int i = 0; i < 6; ++i) list.Add(new TLifeCounter(alive));
    EXPECT_EQ(alive, 6);
    list.Delete(0);
    EXPECT_EQ(alive, 5);
    list.Remove(list.Items(0));
    EXPECT_EQ(alive, 4);
    list.SetItems(0, new TLifeCounter(alive));  // the replaced object goes
    EXPECT_EQ(alive, 4);
    extracted = static_cast<TLifeCounter*>(list.Extract(list.Last()));
    EXPECT_EQ(alive, 4);
    EXPECT_EQ(list.Count(), 3);
    list.SetCount(2);
    EXPECT_EQ(alive, 3);
  }
  EXPECT_EQ(alive, 1);  // the list freed the rest; the extracted one is ours
  delete extracted;
  EXPECT_EQ(alive, 0);
}

TEST(TObjectListTest, ANonOwningListFreesNothing) {
  int alive = 0;
  TLifeCounter a(alive), b(alive);
  {
    TObjectList list(false);
    list.Add(&a);
    list.Insert(0, &b);
    EXPECT_EQ(list.IndexOf(&a), 1);
    EXPECT_EQ(list.First(), &b);
    list.Delete(0);
    list.Clear();
    list.Add(&a);
  }
  EXPECT_EQ(alive, 2);
}
