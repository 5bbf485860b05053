#include "placement/placement_text.h"

#include <gtest/gtest.h>

#include <string>

using namespace placement;

TEST(ReplaceAllText, ReplacesEveryOccurrenceWithoutRescanning) {
  struct Case {
    const char* source;
    const char* search;
    const char* replacement;
    const char* expected;
  };
  const Case cases[] = {
      {"a.b.c", ".", ",", "a,b,c"},
      {"aaaa", "aa", "a", "aa"},
      {"aaa", "aa", "b", "ba"},          // occurrences do not overlap
      {"abc", "b", "bb", "abbc"},        // inserted text is not searched again
      {"abc", "", "x", "abc"},           // an empty search text is never found
      {"", "a", "b", ""},
      {"abc", "x", "y", "abc"},
      {"Abc", "a", "x", "Abc"},          // case-sensitive
      {"1,5", ",", ".", "1.5"},
      {"xx", "x", "", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ReplaceAllText(c.source, c.search, c.replacement), c.expected) << c.source << " / " << c.search;
}

TEST(Words, CountFindAndExtract) {
  const TCharSet delims = MakeCharSet(" ,");
  const std::string text = " 1, 2 ,3";
  EXPECT_EQ(CountWords(text, delims), 3);
  EXPECT_EQ(FindWordStart(1, text, delims), 2);
  EXPECT_EQ(FindWordStart(2, text, delims), 5);
  EXPECT_EQ(FindWordStart(3, text, delims), 8);
  EXPECT_EQ(ExtractWordAt(1, text, delims), "1");
  EXPECT_EQ(ExtractWordAt(3, text, delims), "3");
  EXPECT_EQ(FindWordStart(4, text, delims), 0);
  EXPECT_EQ(ExtractWordAt(4, text, delims), "");
}

TEST(Words, EdgeCases) {
  const TCharSet delims = MakeCharSet(" ,[]");
  struct Case {
    const char* text;
    int count;
    const char* second;
  };
  const Case cases[] = {
      {"", 0, ""},
      {" , ,", 0, ""},
      {"one", 1, ""},
      {"[fsBold,fsItalic]", 2, "fsItalic"},
      {"12,-34,56,78", 4, "-34"},
      {"a  b", 2, "b"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CountWords(c.text, delims), c.count) << c.text;
    EXPECT_EQ(ExtractWordAt(2, c.text, delims), c.second) << c.text;
  }
  // Word numbers below 1 name no word.
  EXPECT_EQ(FindWordStart(0, "a b", delims), 0);
  EXPECT_EQ(FindWordStart(-1, "a b", delims), 0);
  EXPECT_EQ(ExtractWordAt(0, "a b", delims), "");
}

TEST(Words, CharactersAbove127AreOrdinary) {
  const TCharSet delims = MakeCharSet("\xE9");
  EXPECT_EQ(CountWords("a\xE9" "b\xE9", delims), 2);
  EXPECT_EQ(ExtractWordAt(1, "\xFF\xE9" "b", delims), "\xFF");
}

TEST(KeyedHex, Encoding) {
  EXPECT_EQ(EncodeKeyedHex("", "abc"), "616263");
  EXPECT_EQ(EncodeKeyedHex("", ""), "");
  // 'a' ^ 'a' = 0, 'b' ^ 'b' = 0, then the key repeats: 'c' ^ 'a' = 2.
  EXPECT_EQ(EncodeKeyedHex("ab", "abc"), "000002");
  EXPECT_EQ(EncodeKeyedHex("", "\xFF\x01"), "ff01");
  EXPECT_EQ(EncodeKeyedHex("secret", "C:\\Images").size(), 2 * std::string("C:\\Images").size());
}

TEST(KeyedHex, RoundTrips) {
  const std::string key = "k3y";
  const std::string sources[] = {"", "a", "C:\\Users\\me\\Pictures", std::string("\0\xFF z", 4)};
  for (const std::string& s : sources) EXPECT_EQ(DecodeKeyedHex(key, EncodeKeyedHex(key, s)), s);
  // A key longer than the source uses only its first characters.
  EXPECT_EQ(EncodeKeyedHex("abcdefgh", "ab"), "0000");
  EXPECT_EQ(DecodeKeyedHex("abcdefgh", "0000"), "ab");
}

TEST(KeyedHex, DecodingDamagedText) {
  EXPECT_EQ(DecodeKeyedHex("", "zz"), " ");
  EXPECT_EQ(DecodeKeyedHex("", "6g61"), " a");
  EXPECT_EQ(DecodeKeyedHex("", "616"), "a");      // an odd last digit is ignored
  EXPECT_EQ(DecodeKeyedHex("", "4A4a"), "JJ");    // upper-case digits read too
  EXPECT_EQ(DecodeKeyedHex("", "-1"), " ");
  // A bad pair is a space before the key applies: ' ' ^ 'A' = 'a'.
  EXPECT_EQ(DecodeKeyedHex("A", "xx"), "a");
}
