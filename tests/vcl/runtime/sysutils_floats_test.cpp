#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "vcl/runtime/sysutils.h"

using namespace vcl;

TEST(FloatToStrTest, ShortestGeneralForm) {
  struct {
    long double value;
    const char* expected;
  } cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {0.1, "0.1"},
      {0.1 + 0.2, "0.3"},
      {100.0, "100"},
      {-2.5, "-2.5"},
      {1e20, "1E20"},
      {1.5e-5, "1.5E-5"},
      {0.0001, "0.0001"},
      {1e-100, "1E-100"},
      {1e14, "100000000000000"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {1.23456789012345678, "1.23456789012346"},
      {9.999999999999999e22, "1E23"},
      {std::numeric_limits<double>::quiet_NaN(), "NAN"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatToStr(c.value), c.expected) << static_cast<double>(c.value);
}

TEST(FloatToStrFTest, EachFormat) {
  struct {
    long double value;
    TFloatFormat format;
    int precision, digits;
    const char* expected;
  } cases[] = {
      {1234.5678, ffFixed, 15, 2, "1234.57"},
      {1234.5678, ffFixed, 15, 0, "1235"},
      {999.999, ffFixed, 15, 2, "1000.00"},
      {0.001, ffFixed, 15, 0, "0"},
      {-0.001, ffFixed, 15, 2, "0.00"},
      {0.5, ffFixed, 15, 3, "0.500"},
      {1e20, ffFixed, 15, 2, "1E20"},
      {1234.5678, ffNumber, 15, 2, "1,234.57"},
      {-1234567.0, ffNumber, 15, 0, "-1,234,567"},
      {123.0, ffNumber, 15, 1, "123.0"},
      {1234.5, ffCurrency, 15, 2, "$1,234.50"},
      {-1234.5, ffCurrency, 15, 2, "($1,234.50)"},
      {1234.5678, ffExponent, 4, 2, "1.235E+03"},
      {-0.5, ffExponent, 3, 0, "-5.00E-1"},
      {0.0, ffExponent, 3, 2, "0.00E+00"},
      {0.000123, ffGeneral, 15, 2, "0.000123"},
      {1.5e-5, ffGeneral, 15, 2, "1.5E-05"},
      {1234567.0, ffGeneral, 4, 0, "1.235E6"},
      {99999.5, ffGeneral, 5, 0, "1E5"},
      {std::numeric_limits<double>::quiet_NaN(), ffFixed, 15, 2, "NAN"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits), c.expected) << static_cast<double>(c.value);
}

TEST(FloatToStrFTest, CurrencyLayoutsFollowTheSettings) {
  const TFormatSettings saved = FormatSettings;
  FormatSettings.CurrencyString = "EUR";
  FormatSettings.CurrencyFormat = 3;
  FormatSettings.NegCurrFormat = 8;
  std::string positive = FloatToStrF(5, ffCurrency, 15, 2), negative = FloatToStrF(-5, ffCurrency, 15, 2);
  FormatSettings = saved;
  EXPECT_EQ(positive, "5.00 EUR");
  EXPECT_EQ(negative, "-5.00 EUR");
}

TEST(FormatFloatTest, PictureFormats) {
  struct {
    const char* format;
    long double value;
    const char* expected;
  } cases[] = {
      {"0.00", 3.14159, "3.14"},
      {"0.00", -1.5, "-1.50"},
      {"0.00", -0.001, "0.00"},
      {"#,##0.00", 1234567.891, "1,234,567.89"},
      {"#,##0.00", 12.0, "12.00"},
      {"#,##0", 1000000.0, "1,000,000"},
      {"#.##", 0.5, ".5"},
      {"0.##", 1.0, "1"},
      {"0.##", 1.5, "1.5"},
      {"000", 7.0, "007"},
      {"00.000", 1.5, "01.500"},
      {"0", 2.5, "3"},
      {"0", 12345.0, "12345"},
      {"0.00E+00", 1234.5, "1.23E+03"},
      {"0.0E-0", 0.00012, "1.2E-4"},
      {"0.0E-0", 12000.0, "1.2E4"},
      {"0.00E+00", 0.0, "0.00E+00"},
      {"0.00;(0.00)", -5.5, "(5.50)"},
      {"0.00;(0.00)", 5.5, "5.50"},
      {"0.00;;zero", 0.001, "zero"},
      {"0.00;;zero", 1.0, "1.00"},
      {"\"$\"#,##0", 1234.0, "$1,234"},
      {"0 'kg'", 5.0, "5 kg"},
      {"", 1.5, "1.5"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatFloat(c.format, c.value), c.expected) << c.format << " " << static_cast<double>(c.value);
}

TEST(StrToFloatTest, AcceptedForms) {
  struct {
    const char* text;
    long double expected;
  } cases[] = {
      {"1.5", 1.5L},   {" 1.5 ", 1.5L}, {"-2e3", -2000.0L}, {"1E-3", 0.001L}, {".5", 0.5L},
      {"5.", 5.0L},    {"+3", 3.0L},    {"0", 0.0L},       {"1e-5000", 0.0L}, {"12345678901234567890", 12345678901234567890.0L},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StrToFloat(c.text), c.expected) << c.text;
    double d = 0;
    EXPECT_TRUE(TryStrToFloat(c.text, d)) << c.text;
    EXPECT_EQ(d, static_cast<double>(c.expected)) << c.text;
  }
}

TEST(StrToFloatTest, MalformedTextsRaise) {
  const char* bad[] = {"", " ", "abc", "1,5", "1.5x", "e5", "1e", "1.2.3", "1e5000", "-", ".", "1 2", "INF", "NAN", "0x10"};
  for (const char* text : bad) {
    EXPECT_THROW(StrToFloat(text), EConvertError) << text;
    long double value = 7;
    EXPECT_FALSE(TryStrToFloat(text, value)) << text;
    EXPECT_EQ(value, 7) << text;
    EXPECT_EQ(StrToFloatDef(text, -1), -1) << text;
  }
  try {
    StrToFloat("1,5");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'1,5' is not a valid floating point value");
  }
  // Finite for long double but not for double.
  double d = 0;
  EXPECT_FALSE(TryStrToFloat("1e400", d));
}

TEST(StrToFloatTest, UsesTheDecimalSeparatorOfTheSettings) {
  FormatSettings.DecimalSeparator = ',';
  long double comma = StrToFloatDef("1,5", -1), dot = StrToFloatDef("1.5", -1);
  std::string text = FloatToStr(2.25);
  FormatSettings.DecimalSeparator = '.';
  EXPECT_EQ(comma, 1.5L);
  EXPECT_EQ(dot, -1);
  EXPECT_EQ(text, "2,25");
}

TEST(TextToFloatTest, TakesTheSeparatorOfTheSettingsGiven) {
  // The process-wide settings read ',' here; the settings passed in decide.
  FormatSettings.DecimalSeparator = ',';
  TFormatSettings dot, comma;
  comma.DecimalSeparator = ',';
  struct {
    const char* text;
    const TFormatSettings& settings;
    bool ok;
    long double value;
  } cases[] = {
      {"1.5", dot, true, 1.5L},       {" -2.25E1 ", dot, true, -22.5L}, {"1,5", dot, false, 0},
      {"1,5", comma, true, 1.5L},     {"1.5", comma, false, 0},         {"", dot, false, 0},
      {"1.5x", dot, false, 0},
  };
  std::vector<std::pair<bool, long double>> results;
  for (const auto& c : cases) {
    long double value = 0;
    bool ok = TextToFloat(c.text, value, c.settings);
    results.push_back({ok, value});
  }
  FormatSettings.DecimalSeparator = '.';
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(results[i].first, cases[i].ok) << cases[i].text;
    if (cases[i].ok) {
      EXPECT_EQ(results[i].second, cases[i].value) << cases[i].text;
    }
  }
}

TEST(StrToFloatTest, RoundTripsThroughFloatToStr) {
  const double values[] = {0.1, 1.0 / 3.0, 123456.789, 1e-10, 6.02214076e23, -42.0};
  for (double v : values) {
    long double back = StrToFloat(FloatToStr(v));
    EXPECT_NEAR(static_cast<double>(back), v, std::fabs(v) * 1e-14) << v;
  }
}
