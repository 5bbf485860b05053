#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/vcl/classes/test_components.h"

using namespace vcl;
using namespace classes_test;

namespace {

class TOtherItem : public TCollectionItem {
  VCL_CLASS(TOtherItem, TCollectionItem)
  using TCollectionItem::TCollectionItem;
};

// Logs what it is told: "add", "extract", "delete" and "update:<index or all>".
class TLoggingCollection : public TOwnedCollection {
  VCL_CLASS(TLoggingCollection, TOwnedCollection)
  explicit TLoggingCollection(TPersistent* owner = nullptr)
      : TOwnedCollection(owner, TCollectionItemClass::Of<TItem>()) {}
  void Update(TCollectionItem* item) override {
    log.push_back(item ? "update:" + std::to_string(item->Index()) : "update:all");
  }
  std::vector<std::string> log;

 protected:
  void Notify(TCollectionItem*, TCollectionNotification action) override {
    log.push_back(action == cnAdded ? "add" : action == cnExtracting ? "extract" : "delete");
  }
};

TItem* ItemAt(TCollection& c, int i) { return dynamic_cast<TItem*>(c.Items(i)); }

TEST(Collection, AddsInsertsAndDeletesItemsOfItsClass) {
  TLoggingCollection c;
  auto* first = dynamic_cast<TItem*>(c.Add());
  ASSERT_NE(first, nullptr);
  first->SetCaption("first");
  ItemAt(c, 0)->SetWidth(1);
  auto* front = dynamic_cast<TItem*>(c.Insert(0));
  front->SetCaption("front");
  ASSERT_EQ(c.Count(), 2);
  EXPECT_EQ(ItemAt(c, 0), front);
  EXPECT_EQ(first->Index(), 1);
  EXPECT_EQ(first->ID(), 0);
  EXPECT_EQ(front->ID(), 1);
  EXPECT_EQ(c.FindItemID(1), front);
  EXPECT_EQ(c.FindItemID(7), nullptr);
  EXPECT_EQ(c.ItemClass(), TItem::StaticClass());
  EXPECT_EQ(first->Collection(), &c);

  int live = TItem::liveCount;
  c.Delete(0);
  EXPECT_EQ(TItem::liveCount, live - 1);
  EXPECT_EQ(ItemAt(c, 0), first);
  EXPECT_THROW(c.Insert(5), EListError);
  try {
    c.Items(1);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (1)");
  }
}

TEST(Collection, TellsOfEachChangeAndOfAnUpdateOnceAtItsEnd) {
  TLoggingCollection c;
  c.Add();
  EXPECT_EQ(c.log, (std::vector<std::string>{"add", "update:all"}));
  c.log.clear();
  c.BeginUpdate();
  c.Add();
  c.Add();
  c.EndUpdate();
  EXPECT_EQ(c.log, (std::vector<std::string>{"add", "add", "update:all"}));
  c.log.clear();
  c.Items(1)->SetDisplayName("x");
  c.Delete(0);
  EXPECT_EQ(c.log, (std::vector<std::string>{"update:1", "delete", "extract", "update:all"}));
  c.log.clear();
  c.Clear();
  EXPECT_EQ(c.log, (std::vector<std::string>{"extract", "extract", "update:all"}));
  try {
    c.EndUpdate();
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), "Unpaired EndUpdate");
  }
}

TEST(Collection, AssignCopiesTheItems) {
  TLoggingCollection source, target;
  dynamic_cast<TItem*>(source.Add())->SetCaption("a");
  dynamic_cast<TItem*>(source.Add())->SetWidth(9);
  target.Add();
  target.Add();
  target.Add();
  target.log.clear();
  target.Assign(&source);
  ASSERT_EQ(target.Count(), 2);
  EXPECT_EQ(ItemAt(target, 0)->Caption(), "a");
  EXPECT_EQ(ItemAt(target, 1)->Width(), 9);
  EXPECT_EQ(target.log.back(), "update:all");
  EXPECT_EQ(std::count(target.log.begin(), target.log.end(), "update:all"), 1);
}

TEST(Collection, ItemsMoveWithinAndBetweenCollectionsOfTheirClass) {
  TLoggingCollection first, second;
  TCollectionItem* a = first.Add();
  TCollectionItem* b = first.Add();
  b->SetIndex(0);
  EXPECT_EQ(first.Items(0), b);
  EXPECT_THROW(b->SetIndex(2), EListError);
  a->SetCollection(&second);
  EXPECT_EQ(first.Count(), 1);
  EXPECT_EQ(second.Items(0), a);

  TCollection others(TCollectionItemClass::Of<TOtherItem>());
  try {
    a->SetCollection(&others);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "Invalid property value");
  }
  EXPECT_EQ(a->Collection(), &second);
}

TEST(Collection, OwnsItsItemsAndNamesItsOwner) {
  int live = TItem::liveCount;
  TComponent owner(nullptr);
  {
    TLoggingCollection c(&owner);
    EXPECT_EQ(c.GetOwner(), &owner);
    EXPECT_EQ(c.Add()->GetOwner(), &c);
    c.Add();
    EXPECT_EQ(TItem::liveCount, live + 2);
  }
  EXPECT_EQ(TItem::liveCount, live);
  TItem loose(nullptr);
  EXPECT_EQ(loose.Index(), -1);
  EXPECT_EQ(loose.DisplayName(), "TItem");
}

}  // namespace
