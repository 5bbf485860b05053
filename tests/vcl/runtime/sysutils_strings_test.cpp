#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "vcl/runtime/sysutils.h"

using namespace vcl;

TEST(TrimTest, RemovesControlCharactersAndSpacesOnly) {
  EXPECT_EQ(Trim("  a b \t\r\n"), "a b");
  EXPECT_EQ(Trim("\x01x\x1f"), "x");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // bytes above 127 are text
  EXPECT_EQ(TrimLeft("  a  "), "a  ");
  EXPECT_EQ(TrimRight("  a  "), "  a");
  EXPECT_EQ(Trim(std::string("\0a\0", 3)), "a");
}

TEST(CaseTest, AsciiAndCodePageRules) {
  EXPECT_EQ(UpperCase("abc xyz 09\xe4"), "ABC XYZ 09\xe4");
  EXPECT_EQ(LowerCase("ABC\xc4"), "abc\xc4");
  EXPECT_EQ(AnsiUpperCase("abc"), "ABC");
  EXPECT_EQ(AnsiLowerCase("ABC"), "abc");
  EXPECT_EQ(AnsiUpperCase("").size(), 0u);
}

TEST(CompareTest, OrderAndCase) {
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_LT(CompareText("ab", "abc"), 0);
  EXPECT_GT(CompareText("b", "A"), 0);
  EXPECT_GT(CompareText("a_", "A"), 0);
  EXPECT_GT(CompareStr("a", "B"), 0);  // by byte value: 'a' > 'B'
  EXPECT_LT(CompareStr("a", "a\xff"), 0);
  EXPECT_GT(CompareStr("\xff", "a"), 0);  // bytes compare unsigned
  EXPECT_EQ(CompareStr("same", "same"), 0);
  EXPECT_TRUE(SameText("Hello", "hELLO"));
  EXPECT_FALSE(SameText("Hello", "Hell"));
  EXPECT_LT(AnsiCompareText("a", "B"), 0);
  EXPECT_EQ(AnsiCompareText("Abc", "aBC"), 0);
}

TEST(QuoteTest, QuotingAndDequoting) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(QuotedStr(""), "''");
  EXPECT_EQ(AnsiQuotedStr("say \"hi\"", '"'), "\"say \"\"hi\"\"\"");
  struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"'it''s'", "it's"}, {"abc", "abc"}, {"'abc", "'abc"}, {"''", ""}, {"'a'b", "a"}, {"", ""}, {"''''", "'"},
  };
  for (const auto& c : cases) EXPECT_EQ(AnsiDequotedStr(c.text, '\''), c.expected) << c.text;
  EXPECT_EQ(AnsiDequotedStr(QuotedStr("a'b''c"), '\''), "a'b''c");
}

TEST(StringReplaceTest, FirstAllAndIgnoringCase) {
  struct {
    const char* s;
    const char* from;
    const char* to;
    TReplaceFlags flags;
    const char* expected;
  } cases[] = {
      {"aaa", "a", "b", 0, "baa"},
      {"aaa", "a", "b", rfReplaceAll, "bbb"},
      {"Hello hello", "hello", "X", rfReplaceAll, "Hello X"},
      {"Hello hello", "hello", "X", rfReplaceAll | rfIgnoreCase, "X X"},
      {"Hello hello", "HELLO", "X", rfIgnoreCase, "X hello"},
      {"abc", "", "x", rfReplaceAll, "abc"},
      {"abab", "ab", "ba", rfReplaceAll, "baba"},
      {"aaa", "aa", "b", rfReplaceAll, "ba"},
      {"abc", "c", "", 0, "ab"},
      {"abc", "x", "y", rfReplaceAll, "abc"},
      {"", "a", "b", rfReplaceAll, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(StringReplace(c.s, c.from, c.to, c.flags), c.expected) << c.s << "/" << c.from;
}

TEST(StringOfCharTest, CountsBelowOneGiveNothing) {
  EXPECT_EQ(StringOfChar('x', 3), "xxx");
  EXPECT_EQ(StringOfChar('x', 0), "");
  EXPECT_EQ(StringOfChar('x', -1), "");
}

TEST(OneBasedTest, CopyClampsLikeThePlatform) {
  struct {
    const char* s;
    int index, count;
    const char* expected;
  } cases[] = {
      {"abcdef", 1, 3, "abc"}, {"abcdef", 3, 2, "cd"},  {"abcdef", 0, 2, "ab"},        {"abcdef", -5, 2, "ab"},
      {"abcdef", 6, 5, "f"},   {"abcdef", 7, 1, ""},    {"abcdef", 2, -1, ""},         {"abcdef", 2, 0, ""},
      {"abcdef", 2, INT_MAX, "bcdef"}, {"", 1, 1, ""}, {"abcdef", INT_MIN, INT_MAX, "abcdef"},
  };
  for (const auto& c : cases) EXPECT_EQ(Copy(c.s, c.index, c.count), c.expected) << c.index << "," << c.count;
}

TEST(OneBasedTest, PosFindsTheFirstOccurrence) {
  EXPECT_EQ(Pos("c", "abc"), 3);
  EXPECT_EQ(Pos("bc", "abcbc"), 2);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(Pos("abcd", "abc"), 0);
}

TEST(OneBasedTest, DeleteIgnoresOutOfRangeIndexes) {
  struct {
    int index, count;
    const char* expected;
  } cases[] = {
      {2, 2, "adef"}, {1, 1, "bcdef"}, {6, 1, "abcde"}, {5, 10, "abcd"}, {2, INT_MAX, "a"},
      {0, 2, "abcdef"}, {-1, 2, "abcdef"}, {7, 1, "abcdef"}, {1, 0, "abcdef"}, {1, -3, "abcdef"},
  };
  for (const auto& c : cases) {
    std::string s = "abcdef";
    Delete(s, c.index, c.count);
    EXPECT_EQ(s, c.expected) << c.index << "," << c.count;
  }
}

TEST(OneBasedTest, InsertClampsTheIndex) {
  struct {
    int index;
    const char* expected;
  } cases[] = {{1, "Xabc"}, {2, "aXbc"}, {4, "abcX"}, {10, "abcX"}, {0, "Xabc"}, {-3, "Xabc"}, {INT_MAX, "abcX"}};
  for (const auto& c : cases) {
    std::string s = "abc";
    Insert("X", s, c.index);
    EXPECT_EQ(s, c.expected) << c.index;
  }
}

TEST(OneBasedTest, Delimiters) {
  EXPECT_TRUE(IsDelimiter("\\:", "C:\\a", 2));
  EXPECT_TRUE(IsDelimiter("\\:", "C:\\a", 3));
  EXPECT_FALSE(IsDelimiter("\\:", "C:\\a", 1));
  EXPECT_FALSE(IsDelimiter("\\:", "C:\\a", 0));
  EXPECT_FALSE(IsDelimiter("\\:", "C:\\a", 5));
  EXPECT_EQ(LastDelimiter(".\\", "a.b\\c.d"), 6);
  EXPECT_EQ(LastDelimiter(".\\", "abc"), 0);
  EXPECT_EQ(LastDelimiter("", "abc"), 0);
}

TEST(StrLenTest, NullIsEmpty) {
  EXPECT_EQ(StrLen("abc"), 3u);
  EXPECT_EQ(StrLen(""), 0u);
  EXPECT_EQ(StrLen(nullptr), 0u);
}

TEST(AdjustLineBreaksTest, EveryKindOfBreakBecomesOne) {
  EXPECT_EQ(AdjustLineBreaks("a\nb\rc\r\nd\n\re"), "a\r\nb\r\nc\r\nd\r\ne");
  EXPECT_EQ(AdjustLineBreaks("\n\n"), "\r\n\r\n");
  EXPECT_EQ(AdjustLineBreaks("\r\n\r\n"), "\r\n\r\n");
  EXPECT_EQ(AdjustLineBreaks("a\r\nb\rc", tlbsLF), "a\nb\nc");
  EXPECT_EQ(AdjustLineBreaks("no breaks"), "no breaks");
}
