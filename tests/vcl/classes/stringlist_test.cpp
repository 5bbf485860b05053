#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_helpers.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"
#include "vcl/classes/stringlist.h"

using namespace vcl;

namespace {

using Strings = std::vector<std::string>;

Strings Contents(const TStrings& list) {
  Strings result;
  for (int i = 0; i < list.Count(); ++i) result.push_back(list.Strings(i));
  return result;
}

void Fill(TStrings& list, const Strings& strings) {
  for (const std::string& s : strings) list.Add(s);
}

// The least a TStrings descendant provides; everything else comes from the base class.
class TBareStrings : public TStrings {
  VCL_CLASS(TBareStrings, TStrings)
  void Insert(int index, const std::string& s) override {
    if (index < 0 || index > Count()) Error("List index out of bounds (%d)", index);
    items_.insert(items_.begin() + index, {s, nullptr});
  }
  void Delete(int index) override { items_.erase(items_.begin() + Checked(index)); }
  void Clear() override { items_.clear(); }

 protected:
  std::string Get(int index) const override { return items_[Checked(index)].first; }
  int GetCount() const override { return static_cast<int>(items_.size()); }
  TObject* GetObject(int index) const override { return items_[Checked(index)].second; }
  void PutObject(int index, TObject* object) override { items_[Checked(index)].second = object; }

 private:
  int Checked(int index) const {
    if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
    return index;
  }
  std::vector<std::pair<std::string, TObject*>> items_;
};

std::string ErrorOf(const std::function<void()>& action) { return MessageOf<EStringListError>(action); }

}  // namespace

TEST(TStringListTest, IndexErrorsLoseNothing) {
  struct Case {
    const char* what;
    std::function<void(TStringList&)> action;
    const char* message;
  };
  const Case cases[] = {
      {"Strings(-1)", [](TStringList& l) { l.Strings(-1); }, "List index out of bounds (-1)"},
      {"Strings(Count)", [](TStringList& l) { l.Strings(3); }, "List index out of bounds (3)"},
      {"SetStrings", [](TStringList& l) { l.SetStrings(3, "x"); }, "List index out of bounds (3)"},
      {"Objects", [](TStringList& l) { l.Objects(4); }, "List index out of bounds (4)"},
      {"SetObjects", [](TStringList& l) { l.SetObjects(-1, nullptr); }, "List index out of bounds (-1)"},
      {"Delete", [](TStringList& l) { l.Delete(3); }, "List index out of bounds (3)"},
      {"Insert", [](TStringList& l) { l.Insert(4, "x"); }, "List index out of bounds (4)"},
      {"Exchange", [](TStringList& l) { l.Exchange(0, 3); }, "List index out of bounds (3)"},
      {"Move from", [](TStringList& l) { l.Move(5, 0); }, "List index out of bounds (5)"},
      {"Move to", [](TStringList& l) { l.Move(0, 3); }, "List index out of bounds (3)"},
      {"Names", [](TStringList& l) { l.Names(3); }, "List index out of bounds (3)"},
      {"Capacity", [](TStringList& l) { l.SetCapacity(2); }, "List capacity out of bounds (2)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TStringList list;
    Fill(list, {"a", "b", "c"});
    EXPECT_EQ(ErrorOf([&] { c.action(list); }), c.message);
    EXPECT_EQ(Contents(list), (Strings{"a", "b", "c"}));
  }
}

TEST(TStringListTest, SortedListKeepsOrderAndRefusesPositionalChanges) {
  TStringList list;
  Fill(list, {"pear", "Apple", "fig"});
  list.SetSorted(true);
  EXPECT_EQ(Contents(list), (Strings{"Apple", "fig", "pear"}));
  EXPECT_EQ(list.Add("banana"), 1);
  EXPECT_EQ(Contents(list), (Strings{"Apple", "banana", "fig", "pear"}));
  EXPECT_EQ(ErrorOf([&] { list.Insert(0, "zzz"); }), "Operation not allowed on sorted list");
  EXPECT_EQ(ErrorOf([&] { list.SetStrings(0, "zzz"); }), "Operation not allowed on sorted list");
  EXPECT_EQ(ErrorOf([&] { list.Move(0, 2); }), "Operation not allowed on sorted list");
  EXPECT_EQ(Contents(list), (Strings{"Apple", "banana", "fig", "pear"}));
  // Sorting again leaves it as it is; unsorting keeps the order.
  list.Sort();
  list.SetSorted(false);
  list.Insert(0, "zzz");
  EXPECT_EQ(Contents(list), (Strings{"zzz", "Apple", "banana", "fig", "pear"}));
}

TEST(TStringListTest, DuplicatesInASortedList) {
  struct Case {
    TDuplicates duplicates;
    Strings expected;
    int indexOfSecondAdd;  // when no error
    const char* error;
  };
  const Case cases[] = {
      {dupIgnore, {"a", "B", "c"}, 1, nullptr},
      {dupAccept, {"a", "b", "B", "c"}, 1, nullptr},
      {dupError, {"a", "B", "c"}, -1, "String list does not allow duplicates"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.duplicates);
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(c.duplicates);
    Fill(list, {"c", "a", "B"});
    int index = -1;
    std::string error = ErrorOf([&] { index = list.Add("b"); });
    EXPECT_EQ(Contents(list), c.expected);
    if (c.error) {
      EXPECT_EQ(error, c.error);
    } else {
      EXPECT_EQ(index, c.indexOfSecondAdd);
    }
  }
}

TEST(TStringListTest, FindReportsTheMatchOrTheInsertionPoint) {
  TStringList list;
  list.SetSorted(true);
  list.SetDuplicates(dupAccept);
  Fill(list, {"d", "b", "b", "f"});  // b b d f
  struct Case {
    const char* s;
    bool found;
    int index;
  };
  const Case cases[] = {{"a", false, 0}, {"B", true, 0}, {"c", false, 2}, {"D", true, 2},
                        {"e", false, 3}, {"f", true, 3}, {"g", false, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.s);
    int index = -1;
    EXPECT_EQ(list.Find(c.s, index), c.found);
    EXPECT_EQ(index, c.index);
  }
  EXPECT_EQ(list.IndexOf("F"), 3);
  EXPECT_EQ(list.IndexOf("x"), -1);
}

TEST(TStringListTest, CaseSensitivityChangesComparisonsAndResorts) {
  TStringList list;
  Fill(list, {"b", "A", "a", "B"});
  EXPECT_EQ(list.IndexOf("B"), 0);  // without case by default
  list.SetSorted(true);
  EXPECT_EQ(Contents(list), (Strings{"A", "a", "b", "B"}));  // ties keep their order
  list.SetCaseSensitive(true);
  EXPECT_EQ(Contents(list), (Strings{"A", "B", "a", "b"}));
  EXPECT_EQ(list.IndexOf("a"), 2);
  EXPECT_EQ(list.IndexOf("b"), 3);
  int index;
  EXPECT_FALSE(list.Find("C", index));
  EXPECT_EQ(index, 2);
}

TEST(TStringListTest, SortAndCustomSortOfAnUnsortedList) {
  TStringList list;
  Fill(list, {"ccc", "a", "bb", "B", "a"});
  list.Sort();
  EXPECT_EQ(Contents(list), (Strings{"a", "a", "B", "bb", "ccc"}));
  EXPECT_FALSE(list.Sorted());
  list.CustomSort([](TStringList* l, int i, int j) {
    return static_cast<int>(l->Strings(j).size()) - static_cast<int>(l->Strings(i).size());
  });
  EXPECT_EQ(Contents(list), (Strings{"ccc", "bb", "a", "a", "B"}));
}

TEST(TStringListTest, NamesAndValues) {
  TStringList list;
  Fill(list, {"Width=10", "height=20", "plain", "empty=", "a=b=c"});
  EXPECT_EQ(list.Names(0), "Width");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.Values("WIDTH"), "10");
  EXPECT_EQ(list.Values("a"), "b=c");
  EXPECT_EQ(list.Values("missing"), "");
  EXPECT_EQ(list.ValueFromIndex(1), "20");
  EXPECT_EQ(list.ValueFromIndex(2), "");  // no separator: no value, not a cut name
  EXPECT_EQ(list.ValueFromIndex(3), "");
  EXPECT_EQ(list.IndexOfName("HEIGHT"), 1);
  EXPECT_EQ(list.IndexOfName("plain"), -1);

  list.SetValues("height", "25");
  list.SetValues("depth", "5");
  list.SetValues("Width", "");  // an empty value deletes the string
  list.SetValueFromIndex(2, "x");
  EXPECT_EQ(Contents(list), (Strings{"height=25", "plain", "empty=x", "a=b=c", "depth=5"}));

  list.Clear();
  list.SetNameValueSeparator(':');
  list.Add("key:value=1");
  EXPECT_EQ(list.Values("KEY"), "value=1");
}

TEST(TStringListTest, TextJoinsWithCrLfAndSplitsAtAnyLineBreak) {
  TStringList list;
  Fill(list, {"one", "", "three"});
  EXPECT_EQ(list.Text(), "one\r\n\r\nthree\r\n");
  struct Case {
    std::string text;
    Strings lines;
  };
  const Case cases[] = {
      {"", {}},
      {"\r\n", {""}},
      {"a", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb", {"a", "b"}},
      {"a\r\rb", {"a", "", "b"}},
      {"a\n\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {std::string("nul\0in", 6), {std::string("nul\0in", 6)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    list.SetText(c.text);
    EXPECT_EQ(Contents(list), c.lines);
  }
}

TEST(TStringListTest, CommaTextQuotesWhatNeedsIt) {
  struct Case {
    Strings strings;
    std::string text;
  };
  const Case cases[] = {
      {{}, ""},
      {{""}, "\"\""},
      {{"", "x"}, ",x"},
      {{"a", "b"}, "a,b"},
      {{"a b", "c"}, "\"a b\",c"},
      {{"a,b"}, "\"a,b\""},
      {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
      {{"tab\there"}, "\"tab\there\""},
      {{"caf\xE9"}, "caf\xE9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TStringList list;
    Fill(list, c.strings);
    EXPECT_EQ(list.CommaText(), c.text);
    TStringList back;
    back.SetCommaText(c.text);
    EXPECT_EQ(Contents(back), c.strings);
  }
}

TEST(TStringListTest, CommaTextSplitsAtCommasAndBlanks) {
  struct Case {
    std::string text;
    Strings strings;
  };
  const Case cases[] = {
      {"a b,c", {"a", "b", "c"}},
      {"  a ,  b  ", {"a", "b"}},
      {"a,,b", {"a", "", "b"}},
      {"a,", {"a", ""}},
      {",a", {"", "a"}},
      {"\"x\"\"y\"", {"x\"y"}},
      {"\"open", {"open"}},
      {"\"a\"b", {"a", "b"}},
      {std::string("a\0b", 3), {"a", "b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TStringList list;
    list.SetCommaText(c.text);
    EXPECT_EQ(Contents(list), c.strings);
  }
}

TEST(TStringListTest, DelimitedTextUsesTheListsDelimiterAndQuote) {
  TStringList list;
  list.SetDelimiter(';');
  list.SetQuoteChar('\'');
  Fill(list, {"a,b", "it's", "c"});
  EXPECT_EQ(list.DelimitedText(), "a,b;'it''s';c");
  EXPECT_EQ(list.CommaText(), "\"a,b\",it's,c");  // CommaText keeps its own separators
  list.SetDelimitedText("x;'y;z' w");
  EXPECT_EQ(Contents(list), (Strings{"x", "y;z", "w"}));
  EXPECT_EQ(list.Delimiter(), ';');
}

TEST(TStringListTest, ChangeEventsFireOncePerChangeOrPerUpdate) {
  TStringList list;
  int changing = 0, changed = 0;
  list.OnChanging = [&](TObject* sender) {
    EXPECT_EQ(sender, &list);
    ++changing;
  };
  list.OnChange = [&](TObject*) { ++changed; };
  auto counts = [&] { return std::make_pair(std::exchange(changing, 0), std::exchange(changed, 0)); };
  using Counts = std::pair<int, int>;

  list.Add("a");
  list.SetStrings(0, "b");
  list.SetObjects(0, nullptr);
  EXPECT_EQ(counts(), (Counts{3, 3}));
  list.Clear();
  list.Clear();  // nothing to clear: no change
  EXPECT_EQ(counts(), (Counts{1, 1}));

  list.BeginUpdate();
  list.BeginUpdate();
  Fill(list, {"x", "y", "z"});
  list.EndUpdate();
  EXPECT_EQ(counts(), (Counts{1, 0}));
  EXPECT_EQ(list.UpdateCount(), 1);
  list.EndUpdate();
  EXPECT_EQ(counts(), (Counts{0, 1}));

  list.SetText("1\r\n2\r\n3");
  EXPECT_EQ(counts(), (Counts{1, 1}));
  TStringList other;
  Fill(other, {"p", "q"});
  list.Assign(&other);
  EXPECT_EQ(counts(), (Counts{1, 1}));

  // An unpaired EndUpdate changes nothing: later changes are still announced.
  list.EndUpdate();
  EXPECT_EQ(list.UpdateCount(), 0);
  list.Add("r");
  EXPECT_EQ(counts(), (Counts{1, 1}));
}

TEST(TStringListTest, AssignCopiesStringsObjectsAndSeparators) {
  TStringList source;
  TObject marker;
  source.AddObject("one", &marker);
  source.Add("two");
  source.SetNameValueSeparator(':');
  source.SetDelimiter(';');
  TStringList dest;
  Fill(dest, {"old"});
  dest.Assign(&source);
  EXPECT_EQ(Contents(dest), (Strings{"one", "two"}));
  EXPECT_EQ(dest.Objects(0), &marker);
  EXPECT_EQ(dest.NameValueSeparator(), ':');
  EXPECT_EQ(dest.Delimiter(), ';');
  EXPECT_TRUE(dest.Equals(&source));
  EXPECT_EQ(dest.IndexOfObject(&marker), 0);

  dest.Assign(&dest);  // onto itself: kept, not cleared
  EXPECT_EQ(Contents(dest), (Strings{"one", "two"}));
  dest.AddStrings(&dest);
  EXPECT_EQ(Contents(dest), (Strings{"one", "two", "one", "two"}));
  EXPECT_FALSE(dest.Equals(&source));
  dest.Delete(3);
  dest.Delete(2);
  EXPECT_TRUE(dest.Equals(&source));
  dest.SetStrings(1, "TWO");
  EXPECT_FALSE(dest.Equals(&source));  // exact bytes

  TPersistent notAList;
  try {
    dest.Assign(&notAList);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TPersistent to a TStringList");
  }
}

TEST(TStringListTest, OwnedObjectsAreFreedByDeleteClearAndTheDestructor) {
  int alive = 0;
  {
    TStringList list(true);
    for (const char* s : {"a", "b", "c", "d"}) list.AddObject(s, new TLifeCounter(alive));
    list.Delete(0);
    EXPECT_EQ(alive, 3);
    list.Move(0, 2);  // moving keeps the object alive
    EXPECT_EQ(alive, 3);
    EXPECT_TRUE(list.Objects(2)->Is<TLifeCounter>());
    list.Exchange(0, 1);
    list.Clear();
    EXPECT_EQ(alive, 0);
    list.AddObject("e", new TLifeCounter(alive));
  }
  EXPECT_EQ(alive, 0);

  TLifeCounter kept(alive);
  {
    TStringList list;  // not owning by default
    list.AddObject("k", &kept);
    list.Delete(0);
    list.AddObject("k", &kept);
  }
  EXPECT_EQ(alive, 1);
}

TEST(TStringListTest, StreamsHoldCrLfText) {
  TStringList list;
  Fill(list, {"alpha", "beta"});
  TStringStream stream("head:");
  stream.Seek(0, soEnd);
  list.SaveToStream(&stream);
  EXPECT_EQ(stream.DataString(), "head:alpha\r\nbeta\r\n");

  // Loading reads from the stream's position to its end.
  stream.SetPosition(5);
  TStringList back;
  back.LoadFromStream(&stream);
  EXPECT_EQ(Contents(back), (Strings{"alpha", "beta"}));

  TestTempFolder folder;
  std::string file = folder.File("lines.txt");
  list.Add("gamma");
  list.SaveToFile(file);
  back.LoadFromFile(file);
  EXPECT_EQ(Contents(back), (Strings{"alpha", "beta", "gamma"}));
  EXPECT_THROW(back.LoadFromFile(folder.File("missing.txt")), EFOpenError);
  EXPECT_EQ(back.Count(), 3);
}

TEST(TStringListTest, CapacityStaysAtOrAboveTheCount) {
  TStringList list;
  list.SetCapacity(100);
  EXPECT_EQ(list.Capacity(), 100);
  for (int i = 0; i < 300; ++i) {
    list.Add(std::to_string(i));
    ASSERT_GE(list.Capacity(), list.Count());
  }
  EXPECT_EQ(list.Strings(299), "299");
}

TEST(TStringsTest, TheBaseClassBuildsEditingOnInsertAndDelete) {
  TBareStrings list;
  TObject first, second;
  EXPECT_EQ(list.AddObject("a", &first), 0);
  list.AddObject("b", &second);
  list.Append("c");
  list.Exchange(0, 2);
  EXPECT_EQ(Contents(list), (Strings{"c", "b", "a"}));
  EXPECT_EQ(list.Objects(2), &first);
  list.Move(2, 0);
  EXPECT_EQ(Contents(list), (Strings{"a", "c", "b"}));
  EXPECT_EQ(list.Objects(0), &first);
  list.SetStrings(2, "B");  // keeps its object
  EXPECT_EQ(list.Objects(2), &second);
  EXPECT_EQ(list.IndexOf("b"), 2);
  EXPECT_EQ(ErrorOf([&] { list.Move(0, 3); }), "List index out of bounds (3)");
  EXPECT_EQ(ErrorOf([&] { list.Move(-1, 0); }), "List index out of bounds (-1)");
  EXPECT_EQ(Contents(list), (Strings{"a", "c", "B"}));

  TStringList copy;
  copy.Assign(&list);
  EXPECT_EQ(copy.Objects(2), &second);
  list.SetCommaText("x,\"y z\"");
  EXPECT_EQ(list.Text(), "x\r\ny z\r\n");
}
