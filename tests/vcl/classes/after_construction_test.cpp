// Components and collection items that form data creates by class name are constructed as code
// makes them with New<T>: AfterConstruction runs once, after the most derived constructor and
// before the reader sets any stored property; Loaded comes after the whole tree.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/vcl/classes/test_components.h"
#include "vcl/classes/collection.h"
#include "vcl/classes/component.h"
#include "vcl/classes/filer.h"
#include "vcl/classes/typeinfo.h"

using namespace vcl;
using namespace classes_test;

namespace {

// What the recorders saw, in order.
std::vector<std::string> journal;

class TRecordedItem : public TCollectionItem {
  VCL_CLASS(TRecordedItem, TCollectionItem)
  explicit TRecordedItem(TCollection* collection);
  void AfterConstruction() override {
    ++afterCalls;
    journal.push_back("item after width=" + std::to_string(width_));
  }
  int Width() const { return width_; }
  void SetWidth(int v) {
    width_ = v;
    journal.push_back("item width=" + std::to_string(v));
  }

  int afterCalls = 0;

 private:
  int width_ = 50;
};

TRecordedItem::TRecordedItem(TCollection* collection) : TCollectionItem(collection) {}

VCL_PUBLISHED(TRecordedItem, p) {
  p.Integer("Width", &TRecordedItem::Width, &TRecordedItem::SetWidth, 50);
}

class TRecorder : public TComponent {
  VCL_CLASS(TRecorder, TComponent)
  explicit TRecorder(TComponent* owner);
  ~TRecorder() override { --liveCount; }

  void AfterConstruction() override {
    ++afterCalls;
    if (failNext) {
      failNext = false;
      throw EReadError("refused");
    }
    journal.push_back("after " + ClassName() + " name='" + Name() + "' caption='" + caption_ +
                      "' loading=" + std::to_string(ComponentState().Contains(csLoading)));
  }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) {
    caption_ = v;
    journal.push_back("caption " + v);
  }
  TCollection* Items() const { return items_.get(); }
  bool HasItems() const { return items_->Count() > 0; }

  int afterCalls = 0;
  static int liveCount;
  static bool failNext;

 protected:
  void Loaded() override {
    TComponent::Loaded();
    journal.push_back("loaded " + Name());
  }

  std::string caption_ = "base";

 private:
  std::unique_ptr<TCollection> items_ = std::make_unique<TCollection>(TCollectionItemClass::Of<TRecordedItem>());
};

int TRecorder::liveCount = 0;
bool TRecorder::failNext = false;

TRecorder::TRecorder(TComponent* owner) : TComponent(owner) { ++liveCount; }

VCL_PUBLISHED(TRecorder, p) {
  p.String("Caption", &TRecorder::Caption, &TRecorder::SetCaption)
   .Object("Items", &TRecorder::Items).Stored(&TRecorder::HasItems);
}

// Its constructor changes what the base constructor set: AfterConstruction must see it.
class TDerivedRecorder : public TRecorder {
  VCL_CLASS(TDerivedRecorder, TRecorder)
  explicit TDerivedRecorder(TComponent* owner);
};

TDerivedRecorder::TDerivedRecorder(TComponent* owner) : TRecorder(owner) { caption_ = "derived"; }

VCL_PUBLISHED(TDerivedRecorder, p) { (void)p; }

class AfterConstructionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    journal.clear();
    TRecorder::failNext = false;
  }
};

TEST_F(AfterConstructionTest, RunsForEveryComponentReadBeforeItsPropertiesAndLoadedComesLast) {
  std::unique_ptr<TComponent> root(ReadText(
      "object Root: TRecorder\n"
      "  Caption = 'root'\n"
      "  object Child: TRecorder\n"
      "    Caption = 'child'\n"
      "    object Grandchild: TDerivedRecorder\n"
      "      Caption = 'grand'\n"
      "    end\n"
      "  end\n"
      "end\n",
      nullptr));
  std::vector<std::string> expected{
      "after TRecorder name='' caption='base' loading=0",
      "caption root",
      "after TRecorder name='' caption='base' loading=0",
      "caption child",
      "after TDerivedRecorder name='' caption='derived' loading=0",
      "caption grand",
      "loaded Root",
      "loaded Child",
      "loaded Grandchild",
  };
  EXPECT_EQ(journal, expected);
  for (const char* name : {"Child", "Grandchild"}) {
    auto* recorder = dynamic_cast<TRecorder*>(root->FindComponent(name));
    ASSERT_NE(recorder, nullptr) << name;
    EXPECT_EQ(recorder->afterCalls, 1) << name;
  }
  EXPECT_EQ(dynamic_cast<TRecorder*>(root.get())->afterCalls, 1);
}

TEST_F(AfterConstructionTest, AGivenRootIsNotConstructedAgain) {
  TRecorder* root = New<TRecorder>(nullptr);
  std::unique_ptr<TComponent> guard(root);
  journal.clear();
  ReadText("object Root: TRecorder\n  object Child: TRecorder\n  end\nend\n", root);
  EXPECT_EQ(root->afterCalls, 1);
  EXPECT_EQ(journal, (std::vector<std::string>{"after TRecorder name='' caption='base' loading=0", "loaded Root",
                                               "loaded Child"}));
}

TEST_F(AfterConstructionTest, RunsForCollectionItemsBeforeTheirPropertiesAndForItemsAddedInCode) {
  std::unique_ptr<TComponent> root(ReadText(
      "object Root: TRecorder\n"
      "  Items = <\n"
      "    item\n"
      "      Width = 3\n"
      "    end\n"
      "    item\n"
      "      Width = 4\n"
      "    end>\n"
      "end\n",
      nullptr));
  std::vector<std::string> expected{
      "after TRecorder name='' caption='base' loading=0",
      "item after width=50", "item width=3",
      "item after width=50", "item width=4",
      "loaded Root",
  };
  EXPECT_EQ(journal, expected);
  TCollection* items = dynamic_cast<TRecorder*>(root.get())->Items();
  ASSERT_EQ(items->Count(), 2);
  for (int i = 0; i < items->Count(); ++i) EXPECT_EQ(dynamic_cast<TRecordedItem*>(items->Items(i))->afterCalls, 1);

  auto* added = dynamic_cast<TRecordedItem*>(items->Add());
  EXPECT_EQ(added->afterCalls, 1);
}

// A component whose AfterConstruction raises is freed by its own construction; the reader then
// frees what it made before, and nothing is freed twice.
TEST_F(AfterConstructionTest, AFailingAfterConstructionLeavesNothingBehind) {
  int live = TRecorder::liveCount;
  std::string text = "object Root: TRecorder\n  object Child: TRecorder\n  end\nend\n";

  std::unique_ptr<TRecorder> root(New<TRecorder>(nullptr));
  TRecorder::failNext = true;  // the child's construction fails
  EXPECT_THROW(ReadText(text, root.get()), EReadError);
  EXPECT_EQ(root->ComponentCount(), 0);
  EXPECT_FALSE(root->ComponentState().Contains(csLoading));
  root.reset();

  TRecorder::failNext = true;  // the root's construction fails
  EXPECT_THROW(ReadText(text, nullptr), EReadError);
  EXPECT_EQ(TRecorder::liveCount, live);
}

}  // namespace
