#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "vcl/runtime/sysutils.h"

using namespace vcl;

namespace {

struct Formatted {
  std::string got;
  const char* expected;
};

}  // namespace

TEST(FormatTest, SpecifiersWidthsAndPrecisions) {
  const std::string text = "text";
  const Formatted cases[] = {
      {Format("plain"), "plain"},
      {Format("%d", 0), "0"},
      {Format("%d", -123), "-123"},
      {Format("%d", INT64_MIN), "-9223372036854775808"},
      {Format("%5d|", 42), "   42|"},
      {Format("%-5d|", 42), "42   |"},
      {Format("%.4d", -12), "-0012"},
      {Format("%2d", 12345), "12345"},
      {Format("%u", -1), "4294967295"},
      {Format("%u", int64_t(-1)), "18446744073709551615"},
      {Format("%u", 4294967295u), "4294967295"},
      {Format("%x", 255), "FF"},
      {Format("%X", 3054), "BEE"},
      {Format("%.4x", 255), "00FF"},
      {Format("%x", -1), "FFFFFFFF"},
      {Format("%x", int64_t(-1)), "FFFFFFFFFFFFFFFF"},
      {Format("%s", "abc"), "abc"},
      {Format("%s", text), "text"},
      {Format("%s", std::string_view("view")), "view"},
      {Format("%s", 'c'), "c"},
      {Format("%s", static_cast<const char*>(nullptr)), ""},
      {Format("%.2s", "abcdef"), "ab"},
      {Format("%6s|", "ab"), "    ab|"},
      {Format("%-6s|", "ab"), "ab    |"},
      {Format("%e", 1.0), "1.00000000000000E+000"},
      {Format("%.3e", 12345.678), "1.23E+004"},
      {Format("%e", -0.00012), "-1.20000000000000E-004"},
      {Format("%f", 3.14159), "3.14"},
      {Format("%.0f", 2.5), "3"},
      {Format("%.2f", 0.125), "0.13"},
      {Format("%.2f", -0.001), "0.00"},
      {Format("%8.3f|", 3.14159f), "   3.142|"},
      {Format("%g", 0.1), "0.1"},
      {Format("%g", 1e20), "1E20"},
      {Format("%g", 100.0), "100"},
      {Format("%.3g", 1234.5), "1.23E3"},
      {Format("%n", 1234567.891), "1,234,567.89"},
      {Format("%.0n", 999.5), "1,000"},
      {Format("%m", 1234.5), "$1,234.50"},
      {Format("%m", -5.0), "($5.00)"},
      {Format("%p", reinterpret_cast<const void*>(0x1234)), "0000000000001234"},
      {Format("%p", nullptr), "0000000000000000"},
      {Format("100%%"), "100%"},
      {Format("%d%%", 50), "50%"},
      {Format("%1:s %0:s", "a", "b"), "b a"},
      {Format("%1:s%s", "a", "b", "c"), "bc"},
      {Format("%0:s-%0:s", "x"), "x-x"},
      {Format("%*d|", 5, 42), "   42|"},
      {Format("%-*d|", 4, 7), "7   |"},
      {Format("%.*f", 1, 2.25), "2.3"},
      {Format("%*.*f|", 6, 1, 2.25), "   2.3|"},
      {Format("%d,%d,%d,%d", 1, 2, 3, 4), "1,2,3,4"},
      {Format("(%dx%d)", 640, 480), "(640x480)"},
  };
  for (const Formatted& c : cases) EXPECT_EQ(c.got, c.expected);
}

TEST(FormatTest, TheDecimalSeparatorComesFromTheSettings) {
  FormatSettings.DecimalSeparator = ',';
  FormatSettings.ThousandSeparator = '.';
  std::string fixed = Format("%.2f", 1.5), number = Format("%n", 1234.5);
  FormatSettings.DecimalSeparator = '.';
  FormatSettings.ThousandSeparator = ',';
  EXPECT_EQ(fixed, "1,50");
  EXPECT_EQ(number, "1.234,50");
}

TEST(FormatTest, WrongOrMissingArgumentsRaiseWithTheFormatInTheMessage) {
  const std::function<std::string()> bad[] = {
      [] { return Format("%d", "x"); },
      [] { return Format("%d", 1.5); },
      [] { return Format("%x", 'c'); },
      [] { return Format("%s", 5); },
      [] { return Format("%f", 5); },
      [] { return Format("%p", 5); },
      [] { return Format("%d"); },
      [] { return Format("%d %d", 1); },
      [] { return Format("%3:d", 1, 2); },
      [] { return Format("%k", 1); },
      [] { return Format("abc%", 1); },
      [] { return Format("%5", 1); },
      [] { return Format("%*d", "x", 1); },
      [] { return Format("%.*f", 1.5, 1.5); },
      [] { return Format("%99999999999d", 1); },
  };
  for (const auto& call : bad) EXPECT_THROW(call(), EConvertError);
  try {
    Format("n=%d", "x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Format 'n=%d' invalid or incompatible with argument");
  }
}
