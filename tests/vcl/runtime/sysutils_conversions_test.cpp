#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "vcl/runtime/sysutils.h"

using namespace vcl;

TEST(IntToStrTest, AllIntegerWidths) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(INT32_MIN), "-2147483648");
  EXPECT_EQ(IntToStr(INT64_MAX), "9223372036854775807");
  EXPECT_EQ(IntToStr(4294967295u), "4294967295");
  EXPECT_EQ(IntToStr(static_cast<short>(-5)), "-5");
  EXPECT_EQ(IntToStr(static_cast<uint8_t>(200)), "200");
  EXPECT_EQ(IntToStr(-7LL), "-7");
}

TEST(IntToHexTest, UpperCaseWithMinimumDigits) {
  struct {
    int64_t value;
    bool wide;
    int digits;
    const char* expected;
  } cases[] = {
      {255, false, 4, "00FF"},
      {255, false, 0, "FF"},
      {255, false, 1, "FF"},
      {0, false, 0, "0"},
      {0, false, 3, "000"},
      {0xABCDEF, false, 8, "00ABCDEF"},
      {-1, false, 2, "FFFFFFFF"},
      {-1, true, 0, "FFFFFFFFFFFFFFFF"},
      {0x123456789A, true, 12, "00123456789A"},
      {255, false, -3, "FF"},
  };
  for (const auto& c : cases) {
    std::string got = c.wide ? IntToHex(c.value, c.digits) : IntToHex(static_cast<int32_t>(c.value), c.digits);
    EXPECT_EQ(got, c.expected) << c.value << " " << c.digits;
  }
  EXPECT_EQ(IntToHex(0xFFFFFFFFu, 4), "FFFFFFFF");
  EXPECT_EQ(IntToHex(static_cast<uint8_t>(0xAB), 4), "00AB");
  EXPECT_EQ(IntToHex(size_t(0x10000000000), 0), "10000000000");
  // An absurd minimum does not allocate absurdly.
  EXPECT_LE(IntToHex(5, 1000000000).size(), 32u);
}

TEST(StrToIntTest, DecimalAndHexForms) {
  struct {
    const char* text;
    int32_t expected;
  } cases[] = {
      {"0", 0},
      {"123", 123},
      {"-123", -123},
      {"+7", 7},
      {"007", 7},
      {"$FF", 255},
      {"$ff", 255},
      {"0x1f", 31},
      {"0XFF", 255},
      {"-$10", -16},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"$7FFFFFFF", INT32_MAX},
      {"$FFFFFFFF", -1},
      {" 1", 1},
      {"  -$10", -16},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StrToInt(c.text), c.expected) << c.text;
    int32_t value = 0;
    EXPECT_TRUE(TryStrToInt(c.text, value)) << c.text;
    EXPECT_EQ(value, c.expected) << c.text;
  }
}

TEST(StrToIntTest, MalformedAndOutOfRangeTextsRaise) {
  const char* bad[] = {"",   " ", "1 ",  "\t1",        "2147483648", "-2147483649", "$", "0x",
                       "-",  "+",  "12a", "1.0",        "--1",        "$1FFFFFFFF",  "$G", "1e3",
                       "0x-1", "1,000"};
  for (const char* text : bad) {
    EXPECT_THROW(StrToInt(text), EConvertError) << text;
    int32_t value = 42;
    EXPECT_FALSE(TryStrToInt(text, value)) << text;
    EXPECT_EQ(value, 42) << "a failed parse leaves the value alone: " << text;
    EXPECT_EQ(StrToIntDef(text, -9), -9) << text;
  }
  try {
    StrToInt("abc");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'abc' is not a valid integer value");
  }
  EXPECT_EQ(StrToIntDef("12", -9), 12);
}

TEST(StrToIntTest, SixtyFourBitRange) {
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("4294967296"), 4294967296LL);
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  EXPECT_THROW(StrToInt64("$10000000000000000"), EConvertError);
  EXPECT_EQ(StrToInt64Def("x", 5), 5);
  int64_t value;
  EXPECT_TRUE(TryStrToInt64("-$8000000000000000", value));
  EXPECT_EQ(value, INT64_MIN);
}
