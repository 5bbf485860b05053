#include "placement/property_storage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "tests/placement/stored_components.h"
#include "vcl/classes/inifiles.h"
#include "vcl/runtime/sysutils.h"

using namespace placement;
using namespace placement_test;
using vcl::TComponent;
using vcl::TMemIniFile;
using vcl::TStringList;

namespace {

// A root with two gadgets and the INI text their stored properties go to.
class PropertyStorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = std::make_unique<TComponent>(nullptr);
    root->SetName("Root");
    gadget = new TGadget(root.get());
    gadget->SetName("Gadget1");
    other = new TGadget(root.get());
    other->SetName("Other");
  }

  // A storage for one gadget's properties in section "User", as lines of a list do it.
  std::unique_ptr<TPropsStorage> StorageFor(TGadget* g, const std::string& keyName = "") {
    auto owned = std::make_unique<TPropsStorage>();
    TPropsStorage& storage = *owned;
    storage.AObject = g;
    storage.Owner = root.get();
    storage.Prefix = (keyName.empty() ? g->Name() : keyName) + "_";
    storage.Section = "User";
    storage.OnReadString = [this](const std::string& s, const std::string& k, const std::string& d) {
      return ini.ReadString(s, k, d);
    };
    storage.OnWriteString = [this](const std::string& s, const std::string& k, const std::string& v) {
      ini.WriteString(s, k, v);
    };
    storage.OnEraseSection = [this](const std::string& s) { ini.EraseSection(s); };
    return owned;
  }

  void Store(TGadget* g, const char* prop) {
    StorageFor(g)->StoreAnyProperty(vcl::GetPropInfo(g, prop));
  }
  // Loads under the keys of `keyName` (the component's own name by default).
  void Load(TGadget* g, const char* prop, const std::string& keyName = "") {
    StorageFor(g, keyName)->LoadAnyProperty(vcl::GetPropInfo(g, prop));
  }
  std::string Value(const std::string& key, const std::string& section = "User") {
    return ini.ReadString(section, key, "<none>");
  }

  TMemIniFile ini{"Z:\\nonexistent\\placement-test.ini"};
  std::unique_ptr<TComponent> root;
  TGadget* gadget = nullptr;
  TGadget* other = nullptr;
};

}  // namespace

TEST_F(PropertyStorageTest, ScalarKindsAreWrittenAsText) {
  gadget->SetCount(-42);
  gadget->SetBig(int64_t(1) << 40);
  gadget->SetLetter('Q');
  gadget->SetEnabled(false);
  gadget->SetKind(gkOdd);
  gadget->SetFlags(0b101);
  gadget->SetFolder("  C:\\Pictures\\In \"quotes\"  ");
  gadget->SetRatio(0.1f);
  gadget->SetScale(2.5);
  struct Case {
    const char* prop;
    const char* text;
  };
  const Case cases[] = {
      {"Count", "-42"},       {"Big", "1099511627776"}, {"Letter", "Q"},
      {"Enabled", "False"},   {"Kind", "gkOdd"},        {"Flags", "[gfRed,gfBlue]"},
      {"Ratio", "0.1"},       {"Scale", "2.5"},
      // Text is trimmed before it is written.
      {"Folder", "C:\\Pictures\\In \"quotes\""},
  };
  for (const Case& c : cases) {
    Store(gadget, c.prop);
    EXPECT_EQ(Value(std::string("Gadget1_") + c.prop), c.text) << c.prop;
  }
}

TEST_F(PropertyStorageTest, EveryKindReadsBackAsWritten) {
  gadget->SetCount(7);
  gadget->SetBig(-(int64_t(1) << 50));
  gadget->SetLetter('z');
  gadget->SetEnabled(false);
  gadget->SetKind(gkFancy);
  gadget->SetFlags(0b110);
  gadget->SetFolder("D:\\Work");
  gadget->SetRatio(1.0f / 3.0f);
  gadget->SetScale(0.1);
  gadget->SetPrecise(1.0L / 7.0L);
  const char* props[] = {"Count", "Big", "Letter", "Enabled", "Kind", "Flags", "Folder", "Ratio", "Scale", "Precise"};
  for (const char* p : props) Store(gadget, p);

  // A fresh gadget reads the keys, as a second run of the program would.
  TGadget* copy = new TGadget(root.get());
  for (const char* p : props) Load(copy, p, "Gadget1");
  EXPECT_EQ(copy->Count(), 7);
  EXPECT_EQ(copy->Big(), -(int64_t(1) << 50));
  EXPECT_EQ(copy->Letter(), 'z');
  EXPECT_FALSE(copy->Enabled());
  EXPECT_EQ(copy->Kind(), gkFancy);
  EXPECT_EQ(copy->Flags(), 0b110);
  EXPECT_EQ(copy->Folder(), "D:\\Work");
  EXPECT_EQ(copy->Ratio(), 1.0f / 3.0f);
  EXPECT_EQ(copy->Scale(), 0.1);
  EXPECT_EQ(copy->Precise(), 1.0L / 7.0L);
}

// Doubles keep every bit through the file, with no more digits than they need.
TEST_F(PropertyStorageTest, FloatsRoundTripExactly) {
  const double values[] = {0.1, 1.0 / 3.0, 2.0 / 3.0, 1e300, -2.5e-300, 123456789.123456789,
                           std::nextafter(1.0, 2.0), 0.0, -1.0};
  for (double v : values) {
    gadget->SetScale(v);
    Store(gadget, "Scale");
    other->SetScale(12345);
    Load(other, "Scale", "Gadget1");
    EXPECT_EQ(other->Scale(), v) << Value("Gadget1_Scale");
  }
  gadget->SetScale(0.1);
  Store(gadget, "Scale");
  EXPECT_EQ(Value("Gadget1_Scale"), "0.1");
}

TEST_F(PropertyStorageTest, FloatsIgnoreTheLocaleDecimalSeparator) {
  vcl::TFormatSettings saved = vcl::FormatSettings;
  vcl::FormatSettings.DecimalSeparator = ',';
  vcl::FormatSettings.ThousandSeparator = '.';
  gadget->SetScale(1.25);
  Store(gadget, "Scale");
  EXPECT_EQ(Value("Gadget1_Scale"), "1.25");
  vcl::FormatSettings = saved;
  gadget->SetScale(0);
  Load(gadget, "Scale");
  EXPECT_EQ(gadget->Scale(), 1.25);
  vcl::FormatSettings.DecimalSeparator = ',';
  gadget->SetScale(0);
  Load(gadget, "Scale");
  EXPECT_EQ(gadget->Scale(), 1.25);
  vcl::FormatSettings = saved;
}

TEST_F(PropertyStorageTest, EmptyStringIsWrittenAndMissingKeyKeepsTheValue) {
  gadget->SetFolder("");
  Store(gadget, "Folder");
  EXPECT_EQ(Value("Gadget1_Folder"), "");
  gadget->SetFolder("kept");
  Load(gadget, "Folder");
  EXPECT_EQ(gadget->Folder(), "");

  // No keys at all: every property stays.
  gadget->SetCount(5);
  gadget->SetKind(gkOdd);
  gadget->SetFlags(2);
  gadget->SetRatio(4.5f);
  gadget->SetName("Fresh");
  for (const char* p : {"Count", "Kind", "Flags", "Ratio", "Letter", "Folder"}) Load(gadget, p);
  EXPECT_EQ(gadget->Count(), 5);
  EXPECT_EQ(gadget->Kind(), gkOdd);
  EXPECT_EQ(gadget->Flags(), 2);
  EXPECT_EQ(gadget->Ratio(), 4.5f);
  EXPECT_EQ(gadget->Letter(), 'a');
  EXPECT_EQ(gadget->Folder(), "");
}

TEST_F(PropertyStorageTest, SetsAreWrittenInBracketsAndReadForgivingly) {
  gadget->SetFlags(0);
  Store(gadget, "Flags");
  EXPECT_EQ(Value("Gadget1_Flags"), "[]");
  gadget->SetFlags(7);
  Load(gadget, "Flags");
  EXPECT_EQ(gadget->Flags(), 0);

  struct Case {
    const char* text;
    int flags;
  };
  const Case cases[] = {
      {"[gfGreen]", 0b010},
      {"[GFRED, gfBlue]", 0b101},
      {"gfBlue gfRed", 0b101},
      {"[gfRed,gfPurple,42,]", 0b001},  // words that name no member are skipped
      {"", 0},
  };
  for (const Case& c : cases) {
    ini.WriteString("User", "Gadget1_Flags", c.text);
    gadget->SetFlags(0b111);
    Load(gadget, "Flags");
    EXPECT_EQ(gadget->Flags(), c.flags) << c.text;
  }
}

// Values edited by hand into nonsense are ignored: the property keeps its value.
TEST_F(PropertyStorageTest, NonsenseValuesAreIgnored) {
  struct Case {
    const char* prop;
    const char* text;
  };
  const Case cases[] = {
      {"Count", "forty"},        {"Count", "99999999999"},  // past the property's range
      {"Count", ""},             {"Big", "12abc"},
      {"Letter", ""},            {"Enabled", "Maybe"},
      {"Kind", "gkSquare"},      {"Kind", ""},
      {"Ratio", "1.2.3"},        {"Scale", "NaN-ish"},
      {"Scale", ""},
  };
  for (const Case& c : cases) {
    gadget->SetCount(3);
    gadget->SetBig(4);
    gadget->SetLetter('x');
    gadget->SetEnabled(true);
    gadget->SetKind(gkFancy);
    gadget->SetRatio(0.5f);
    gadget->SetScale(8);
    ini.WriteString("User", std::string("Gadget1_") + c.prop, c.text);
    Load(gadget, c.prop);
    EXPECT_EQ(gadget->Count(), 3) << c.prop << "=" << c.text;
    EXPECT_EQ(gadget->Big(), 4) << c.prop << "=" << c.text;
    EXPECT_EQ(gadget->Letter(), 'x') << c.prop << "=" << c.text;
    EXPECT_TRUE(gadget->Enabled()) << c.prop << "=" << c.text;
    EXPECT_EQ(gadget->Kind(), gkFancy) << c.prop << "=" << c.text;
    EXPECT_EQ(gadget->Ratio(), 0.5f) << c.prop << "=" << c.text;
    EXPECT_EQ(gadget->Scale(), 8) << c.prop << "=" << c.text;
  }
}

TEST_F(PropertyStorageTest, StringListsUseASectionOfTheirOwn) {
  gadget->Lines()->Add("first");
  gadget->Lines()->Add("");
  gadget->Lines()->Add("third");
  Store(gadget, "Lines");
  EXPECT_EQ(Value("Count", "User.Gadget1_Lines"), "3");
  EXPECT_EQ(Value("Item0", "User.Gadget1_Lines"), "first");
  EXPECT_EQ(Value("Item1", "User.Gadget1_Lines"), "");
  EXPECT_EQ(Value("Item2", "User.Gadget1_Lines"), "third");
  EXPECT_EQ(Value("Gadget1_Lines"), "<none>");

  gadget->Lines()->Clear();
  gadget->Lines()->Add("old");
  Load(gadget, "Lines");
  ASSERT_EQ(gadget->Lines()->Count(), 3);
  EXPECT_EQ(gadget->Lines()->Strings(1), "");
  EXPECT_EQ(gadget->Lines()->Strings(2), "third");

  // An empty list erases its section and writes no count: loading it leaves a list alone.
  gadget->Lines()->Clear();
  Store(gadget, "Lines");
  EXPECT_FALSE(ini.SectionExists("User.Gadget1_Lines"));
  gadget->Lines()->Add("kept");
  Load(gadget, "Lines");
  ASSERT_EQ(gadget->Lines()->Count(), 1);
  EXPECT_EQ(gadget->Lines()->Strings(0), "kept");
}

// A count edited by hand neither hangs the program nor invents lines.
TEST_F(PropertyStorageTest, StringListCountsAreChecked) {
  struct Case {
    const char* count;
    int items;     // Item keys present in the file
    int expected;  // lines after loading; -1: the list is left alone
  };
  const Case cases[] = {
      {"2147483647", 2, -1}, {"-3", 2, -1}, {"lots", 2, -1}, {"0", 2, -1},
      {"5", 2, 2},  // a truncated file: the lines that are there
      {"2", 5, 2},
  };
  for (const Case& c : cases) {
    ini.EraseSection("User.Gadget1_Lines");
    ini.WriteString("User.Gadget1_Lines", "Count", c.count);
    for (int i = 0; i < c.items; ++i) ini.WriteString("User.Gadget1_Lines", vcl::Format("Item%d", i), "line");
    gadget->Lines()->Clear();
    gadget->Lines()->Add("a");
    gadget->Lines()->Add("b");
    gadget->Lines()->Add("c");
    Load(gadget, "Lines");
    EXPECT_EQ(gadget->Lines()->Count(), c.expected < 0 ? 3 : c.expected) << c.count;
  }
}

TEST_F(PropertyStorageTest, CollectionsAreRebuiltOrUpdatedInPlace) {
  auto* parts = gadget->Parts();
  for (int i = 0; i < 3; ++i) {
    auto* part = static_cast<TGadgetPart*>(parts->Add());
    part->SetWidth(100 + i);
    part->SetLabel("part" + std::to_string(i));
  }
  Store(gadget, "Parts");
  EXPECT_EQ(Value("Gadget1_Parts.Count"), "3");
  EXPECT_EQ(Value("Item1_Width", "User.Gadget1_Parts"), "101");
  EXPECT_EQ(Value("Item2_Label", "User.Gadget1_Parts"), "part2");

  // The same count: the items stay the same objects and get their values back.
  vcl::TCollectionItem* first = parts->Items(0);
  static_cast<TGadgetPart*>(first)->SetWidth(1);
  Load(gadget, "Parts");
  EXPECT_EQ(parts->Items(0), first);
  EXPECT_EQ(static_cast<TGadgetPart*>(first)->Width(), 100);

  // Another count: the collection is built again from the file.
  parts->Delete(2);
  Load(gadget, "Parts");
  ASSERT_EQ(parts->Count(), 3);
  EXPECT_EQ(static_cast<TGadgetPart*>(parts->Items(2))->Label(), "part2");
  EXPECT_EQ(static_cast<TGadgetPart*>(parts->Items(2))->Width(), 102);

  // A count that is no count, or too big to be real, keeps the items there are.
  for (const char* bad : {"1000000000", "-1", "x"}) {
    ini.WriteString("User", "Gadget1_Parts.Count", bad);
    Load(gadget, "Parts");
    EXPECT_EQ(parts->Count(), 3) << bad;
  }
}

TEST_F(PropertyStorageTest, SubObjectsUseThePropertyNameAsPrefix) {
  gadget->Frame()->SetThickness(4);
  gadget->Frame()->SetTitle("Framed");
  Store(gadget, "Frame");
  EXPECT_EQ(Value("Gadget1_FrameThickness"), "4");
  EXPECT_EQ(Value("Gadget1_FrameTitle"), "Framed");
  EXPECT_EQ(Value("Gadget1_Frame"), "<none>");
  gadget->Frame()->SetThickness(1);
  gadget->Frame()->SetTitle("");
  Load(gadget, "Frame");
  EXPECT_EQ(gadget->Frame()->Thickness(), 4);
  EXPECT_EQ(gadget->Frame()->Title(), "Framed");
}

TEST_F(PropertyStorageTest, ComponentReferencesAreStoredByName) {
  gadget->SetBuddy(other);
  Store(gadget, "Buddy");
  EXPECT_EQ(Value("Gadget1_Buddy"), "Other");

  gadget->SetBuddy(nullptr);
  Store(gadget, "Buddy");
  EXPECT_EQ(Value("Gadget1_Buddy"), "(null)");

  // A component of another owner is named with its owner; an owner without a name by its
  // class name without the T.
  TComponent elsewhere(nullptr);
  elsewhere.SetName("Elsewhere");
  auto* remote = new TGadget(&elsewhere);
  remote->SetName("Far");
  gadget->SetBuddy(remote);
  Store(gadget, "Buddy");
  EXPECT_EQ(Value("Gadget1_Buddy"), "Elsewhere.Far");
  elsewhere.SetName("");
  Store(gadget, "Buddy");
  EXPECT_EQ(Value("Gadget1_Buddy"), "Component.Far");
  gadget->SetBuddy(nullptr);
}

TEST_F(PropertyStorageTest, ComponentReferencesAreResolvedOnLoad) {
  struct Case {
    const char* text;
    TGadget* start;
    TGadget* expected;
  };
  TGadget* none = nullptr;
  const Case cases[] = {
      {"Other", none, other},
      {"  other ", none, other},  // trimmed, names compared without case
      {"(NULL)", other, none},
      {"Missing", other, none},   // no such component of the owner
      {"", other, other},         // nothing stored: unchanged
      {"NoSuchForm.Other", other, other},  // an owner that is not there: unchanged
  };
  for (const Case& c : cases) {
    gadget->SetBuddy(c.start);
    ini.WriteString("User", "Gadget1_Buddy", c.text);
    Load(gadget, "Buddy");
    EXPECT_EQ(gadget->Buddy(), c.expected) << c.text;
  }
}

TEST_F(PropertyStorageTest, ListsOfStoredPropertiesNameComponentAndProperty) {
  TStringList list;
  list.Add("Gadget1.Folder");
  list.Add("Other.Count");
  list.Add("Gadget1.NoSuchProperty");
  list.Add("Nobody.Folder");  // no such component: dropped
  list.Add("broken line");    // no dot: dropped
  list.Add(" . Folder");      // empty component part: dropped
  gadget->SetFolder("C:\\Base");
  other->SetCount(9);

  auto storagePtr = StorageFor(gadget);
  TPropsStorage& storage = *storagePtr;
  storage.Prefix = "";
  storage.StoreProperties(root.get(), &list);
  EXPECT_EQ(Value("Gadget1_Folder"), "C:\\Base");
  EXPECT_EQ(Value("Other_Count"), "9");
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Objects(0), gadget);
  EXPECT_EQ(list.Objects(1), other);
  EXPECT_EQ(storage.Owner, root.get());  // restored after the work

  // A renamed component keeps its line, under its new name.
  other->SetName("Renamed");
  other->SetCount(0);
  ini.WriteString("User", "Renamed_Count", "12");
  gadget->SetFolder("");
  storage.LoadProperties(root.get(), &list);
  EXPECT_EQ(list.Strings(1), "Renamed.Count");
  EXPECT_EQ(other->Count(), 12);
  EXPECT_EQ(gadget->Folder(), "C:\\Base");
}

TEST(PropInfoList, SortedWithoutMethodsAndFoundWithoutCase) {
  TGadget gadget(nullptr);
  TPropInfoList list(&gadget);
  ASSERT_GT(list.Count(), 10);
  for (int i = 1; i < list.Count(); ++i)
    EXPECT_LT(vcl::CompareText(list.Items(i - 1)->Name, list.Items(i)->Name), 0);
  EXPECT_EQ(list.Find("folder"), vcl::GetPropInfo(&gadget, "Folder"));
  EXPECT_EQ(list.Find("Nothing"), nullptr);
  TPropInfoList empty(nullptr);
  EXPECT_EQ(empty.Count(), 0);
}

TEST(StoredPropLines, Normalising) {
  TComponent owner(nullptr);
  auto* a = new TGadget(&owner);
  a->SetName("A");
  TStringList list;
  list.Add("A.Count");
  list.Add("A.");
  list.Add("B.Count");
  list.Add(" A . Kind ");
  NormalizeStoredProps(&owner, &list, TStoredPropsMode::Resolve);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Objects(0), a);
  EXPECT_EQ(list.Strings(1), " A . Kind ");  // resolving leaves the text as it is
  a->SetName("Alpha");
  NormalizeStoredProps(&owner, &list, TStoredPropsMode::Rename);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Strings(0), "Alpha.Count");
  EXPECT_EQ(list.Strings(1), "Alpha.Kind");
}
