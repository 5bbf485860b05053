#include <gtest/gtest.h>

#include <string>

#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

using namespace vcl;

TEST(EncodingTest, Utf8AndUtf16RoundTrip) {
  const std::u16string wide = u"h\u00e9llo \u20ac \U0001F600";
  const std::string utf8 = "h\xc3\xa9llo \xe2\x82\xac \xf0\x9f\x98\x80";
  EXPECT_EQ(Utf16ToUtf8(wide), utf8);
  EXPECT_EQ(Utf8ToUtf16(utf8), wide);
  EXPECT_EQ(UTF8Decode(utf8), wide);
  EXPECT_EQ(UTF8Encode(std::u16string_view(wide)), utf8);
  EXPECT_EQ(Utf8ToUtf16(""), u"");
  EXPECT_EQ(Utf16ToUtf8(u""), "");
  // Embedded NULs are text like any other.
  EXPECT_EQ(Utf8ToUtf16(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(EncodingTest, MalformedInputIsReplacedNotFatal) {
  EXPECT_EQ(Utf8ToUtf16("a\xff" "b"), u"a\ufffd" "b");
  EXPECT_EQ(Utf8ToUtf16("\xe2\x82"), u"\ufffd");            // cut short
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xef\xbf\xbd");  // lone surrogate
}

TEST(EncodingTest, AnsiConversions) {
  EXPECT_EQ(AnsiToUtf16("abc"), u"abc");
  EXPECT_EQ(Utf16ToAnsi(u"abc"), "abc");
  EXPECT_EQ(AnsiToUtf8("abc"), "abc");
  EXPECT_EQ(UTF8Encode("abc"), "abc");
  EXPECT_EQ(Utf8ToAnsi("abc"), "abc");
  if (GetACP() == 1252) {
    EXPECT_EQ(AnsiToUtf16("\xe9\x80"), u"\u00e9\u20ac");
    EXPECT_EQ(Utf16ToAnsi(u"\u00e9\u20ac"), "\xe9\x80");
    EXPECT_EQ(AnsiToUtf8("\xe9"), "\xc3\xa9");
    EXPECT_EQ(Utf8ToAnsi("\xc3\xa9"), "\xe9");
    EXPECT_EQ(AnsiUpperCase("\xe9"), "\xc9");
    EXPECT_EQ(Utf16ToAnsi(u"\u4e2d"), "?");  // not in the code page
  }
}
