// The toolkit's general utilities: INI text in string lists, words, strings and numbers,
// rectangles, published properties by name and paths.
#include <gtest/gtest.h>

#include "skin/engine/skin_utils.h"
#include "vcl/classes/stringlist.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/persistent.h"

using namespace skin;

namespace {

// A class with a set whose element names are prefixes of one another, and an integer.
class TSetHolder : public vcl::TPersistent {
  VCL_CLASS(TSetHolder, vcl::TPersistent)
 public:
  TSetHolder() = default;
  uint8_t Kinds() const { return kinds_; }
  void SetKinds(uint8_t value) { kinds_ = value; }
  int32_t Level() const { return level_; }
  void SetLevel(int32_t value) { level_ = value; }

 private:
  uint8_t kinds_ = 0;
  int32_t level_ = 7;
};

}  // namespace

VCL_PUBLISHED(TSetHolder, p) {
  p.Set("Kinds", &TSetHolder::Kinds, &TSetHolder::SetKinds, {"dkBlend", "dkBlended", "akLeft", "akLeftX"})
      .Integer("Level", &TSetHolder::Level, &TSetHolder::SetLevel);
}

namespace {

std::unique_ptr<vcl::TStringList> Lines(const std::string& text) {
  auto lines = std::make_unique<vcl::TStringList>();
  lines->SetText(text);
  return lines;
}

TEST(SkinUtils, IniLinesBecomeSectionsThatReadStringsAndIntegers) {
  auto lines = Lines("orphan=1\n[Button]\n; comment\n\nk=a=b\nHex=0x1F\nShort=0x\nDollar=$10\n"
                                 "Bad=12z\n[EDIT]\nColor=5\n");
  vcl::TStringList sections;
  IniLinesToSections(lines.get(), &sections);
  ASSERT_EQ(sections.Count(), 2);
  EXPECT_EQ(SectionsReadString(&sections, "button", "K", "-"), "a=b");
  EXPECT_EQ(SectionsReadString(&sections, "BUTTON", "orphan", "-"), "-");
  EXPECT_EQ(SectionsReadString(&sections, "none", "k", "-"), "-");
  struct Case {
    const char* section;
    const char* key;
    int32_t expected;
  } cases[] = {{"Button", "Hex", 31}, {"Button", "Short", -1}, {"Button", "Dollar", 16},
               {"Button", "Bad", -1}, {"Edit", "Color", 5},    {"Edit", "Missing", -1}};
  for (const Case& c : cases) EXPECT_EQ(SectionsReadInteger(&sections, c.section, -1, c.key), c.expected) << c.key;
  // Filling again replaces the sections (the lists of the first fill are freed with them).
  auto other = Lines("[One]\nx=1\n");
  IniLinesToSections(other.get(), &sections);
  ASSERT_EQ(sections.Count(), 1);
  EXPECT_EQ(SectionsReadInteger(&sections, "one", 0, "x"), 1);
}

TEST(SkinUtils, WordsAreRunsOfNonDelimiters) {
  TacCharSet spaces = MakeCharSet(" ");
  std::string text = " ab  cd";
  EXPECT_EQ(NthWordPos(1, text, spaces), 2);
  EXPECT_EQ(NthWordPos(2, text, spaces), 6);
  EXPECT_EQ(NthWordPos(3, text, spaces), 0);
  EXPECT_EQ(NthWordPos(0, text, spaces), 0);
  EXPECT_EQ(GetNthWord(2, text, spaces), "cd");
  EXPECT_EQ(GetNthWord(3, text, spaces), "");
  EXPECT_EQ(CountWordsIn(text, spaces), 2);
  TacCharSet marks = MakeCharSet(",;");
  EXPECT_EQ(CountWordsIn("a,,b;c;", marks), 3);
  EXPECT_EQ(GetNthWord(3, "a,,b;c;", marks), "c");
  EXPECT_EQ(CountWordsIn("", marks), 0);
}

TEST(SkinUtils, StringHelpers) {
  EXPECT_EQ(StringOfChars('x', 3), "xxx");
  EXPECT_EQ(StringOfChars('x', -1), "");
  std::string s = "abc";
  FillStrChars(s, 2, '-');
  EXPECT_EQ(s, "--");
  EXPECT_EQ(TrimTrailingBlanks("  a b  "), "  a b");
  EXPECT_EQ(TrimLeadingBlanks("  a b  "), "a b  ");
  EXPECT_EQ(TrimBlanks(" \ta "), "\ta");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(StripChar("a-b-c", '-'), "abc");
  EXPECT_EQ(ReplaceSubstr("aaaa", "aa", "a"), "aa");
  EXPECT_EQ(ReplaceSubstr("abAB", "ab", "x"), "xAB");
  EXPECT_EQ(ReplaceSubstr("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceSubstr("abc", "c", ""), "ab");
}

TEST(SkinUtils, HexadecimalTexts) {
  struct Case {
    const char* text;
    int64_t value;
  } cases[] = {{"", 0},     {"1fH", 31},           {"FF00FF", 16711935}, {"12G4", 0},
               {"h", 0},    {"7FFFFFFFFFFFFFFF", INT64_MAX},            {"-1", 0}};
  for (const Case& c : cases) EXPECT_EQ(HexToInt64(c.text), c.value) << c.text;
}

TEST(SkinUtils, FloatTextsAndThousandSeparators) {
  vcl::TFormatSettings saved = vcl::FormatSettings;
  vcl::FormatSettings.DecimalSeparator = '.';
  vcl::FormatSettings.ThousandSeparator = ',';
  long double v = -7;
  EXPECT_TRUE(StrIsFloat("1e5", v));
  EXPECT_EQ(v, 100000);
  v = -7;
  EXPECT_FALSE(StrIsFloat("1,5", v));
  EXPECT_FALSE(StrIsFloat("", v));
  EXPECT_FALSE(StrIsFloat("1.5x", v));
  EXPECT_FALSE(StrIsFloat("+-", v));
  EXPECT_EQ(v, -7);
  struct Case {
    const char* text;
    bool insert;
    const char* result;
  } cases[] = {{"1234567.5", true, "1,234,567.5"}, {"-123", true, "-123"}, {"-1234", true, "-1,234"},
               {"+123456E3", true, "+123,456E3"},  {"1234567.5", false, "1234567.5"}, {"", true, ""},
               {"-", true, "-"}};
  for (const Case& c : cases) EXPECT_EQ(AddThousandSeparators(c.text, c.insert), c.result) << c.text;
  vcl::FormatSettings = saved;
}

TEST(SkinUtils, NumbersAndRectangles) {
  EXPECT_EQ(LimitToByte(-5), 0);
  EXPECT_EQ(LimitToByte(300), 255);
  EXPECT_EQ(LimitToByte(77), 77);
  EXPECT_EQ(RectWidth({5, 0, 2, 0}), -3);
  EXPECT_EQ(RectWidth({5, 0, 2, 0}, true), 0);
  EXPECT_EQ(RectHeight({0, 1, 0, 9}, true), 8);
  vcl::TRect r{0, 0, 10, 10};
  struct Case {
    vcl::TRect other;
    bool intersects, contained;
  } cases[] = {
      {{0, 0, 10, 10}, true, true},   {{10, 0, 20, 10}, false, false}, {{0, 10, 10, 20}, false, false},
      {{9, 9, 11, 11}, true, false},  {{2, 2, 2, 8}, false, true},     {{-5, 2, 1, 3}, true, false},
      {{3, 3, 10, 10}, true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RectIntersects(r, c.other), c.intersects) << c.other.left << "," << c.other.top;
    EXPECT_EQ(RectContainsRect(r, c.other), c.contained) << c.other.left << "," << c.other.top;
  }
  TsBackgroundInfo info;
  vcl::TBitmap bitmap;
  FillBmpBgInfo(&bitmap, 3, 4, info);
  EXPECT_EQ(info.Bitmap, &bitmap);
  EXPECT_EQ(info.X, 3);
  EXPECT_EQ(info.Y, 4);
  EXPECT_EQ(info.FillColor, 0xFF00FF);
  EXPECT_TRUE(info.Ready);
}

TEST(SkinUtils, PublishedPropertiesByName) {
  TSetHolder holder;
  EXPECT_TRUE(ControlHasProp(&holder, "Level"));
  EXPECT_FALSE(ControlHasProp(&holder, "Missing"));
  EXPECT_FALSE(ControlHasProp(nullptr, "Level"));
  EXPECT_EQ(GetOrdPropByName(&holder, "Level"), 7);
  EXPECT_EQ(GetOrdPropByName(&holder, "Missing"), -1);
  SetOrdPropByName(&holder, "Level", 12);
  SetOrdPropByName(&holder, "Missing", 12);
  EXPECT_EQ(holder.Level(), 12);
  EXPECT_EQ(GetObjPropByName(&holder, "Level"), nullptr);
}

TEST(SkinUtils, SetElementsAreChangedAsWholeNames) {
  TSetHolder holder;
  // Including an element whose name is the start of one already there.
  holder.SetKinds(0b0010);  // dkBlended
  EXPECT_FALSE(PropSetContains(&holder, "Kinds", "dkBlend"));
  ChangeSetPropElem(&holder, "Kinds", "dkBlend", true);
  EXPECT_EQ(holder.Kinds(), 0b0011);
  EXPECT_TRUE(PropSetContains(&holder, "Kinds", "dkBlend"));
  // Excluding an element leaves the one whose name starts the same.
  holder.SetKinds(0b1100);  // akLeft, akLeftX
  ChangeSetPropElem(&holder, "Kinds", "akLeft", false);
  EXPECT_EQ(holder.Kinds(), 0b1000);
  ChangeSetPropElem(&holder, "Kinds", "akLeft", false);  // absent: nothing
  EXPECT_EQ(holder.Kinds(), 0b1000);
  ChangeSetPropElem(&holder, "Kinds", "akLeftX", false);
  EXPECT_EQ(holder.Kinds(), 0);
  ChangeSetPropElem(&holder, "Kinds", "notAnElement", true);
  ChangeSetPropElem(&holder, "Missing", "dkBlend", true);
  EXPECT_EQ(holder.Kinds(), 0);
  EXPECT_FALSE(PropSetContains(&holder, "Level", "dkBlend"));
}

TEST(SkinUtils, DirectoriesAndTheSystem) {
  struct Case {
    const char* path;
    const char* normal;
  } cases[] = {{"", ""}, {"C", "C:\\"}, {"c:/skins/", "c:/skins\\"}, {"c:\\a\\", "c:\\a\\"}, {"skins", "skins\\"}};
  for (const Case& c : cases) EXPECT_EQ(NormalizeDirectory(c.path), c.normal) << c.path;
  std::string dir = GetProgramDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_TRUE(dir.back() == '\\' || dir.back() == '/');
  EXPECT_NE(GetCaptionFontHeight(), 0);
  HFONT font = CreateCaptionFont();
  EXPECT_NE(font, nullptr);
  DeleteObject(font);
  EXPECT_EQ(ShellFileIcon(dir + "no such file.xyz", 0), nullptr);
  DWORD start = GetTickCount();
  DelayWithMessages(20);
  EXPECT_GE(GetTickCount() - start, 20u);
}

}  // namespace
