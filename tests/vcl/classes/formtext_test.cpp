#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "vcl/classes/formtext.h"

using namespace vcl;

namespace {

// The tokens of a text as "kind:text" (s symbol, q string, i integer, f float, or the
// punctuation character itself).
std::vector<std::string> Tokens(const std::string& text) {
  TParser parser(text);
  std::vector<std::string> tokens;
  for (char t = parser.Token(); t != toEOF; t = parser.NextToken()) {
    switch (t) {
      case toSymbol: tokens.push_back("s:" + parser.TokenString()); break;
      case toString: tokens.push_back("q:" + parser.TokenString()); break;
      case toInteger: tokens.push_back("i:" + std::to_string(parser.TokenInt())); break;
      case toFloat: tokens.push_back("f:" + std::to_string(double(parser.TokenFloat()))); break;
      default: tokens.push_back(std::string(1, t)); break;
    }
  }
  return tokens;
}

struct TokenCase {
  const char* text;
  std::vector<std::string> tokens;
};

class ParserTokens : public ::testing::TestWithParam<TokenCase> {};

TEST_P(ParserTokens, SplitTheText) { EXPECT_EQ(Tokens(GetParam().text), GetParam().tokens); }

INSTANTIATE_TEST_SUITE_P(
    Cases, ParserTokens,
    ::testing::Values(
        TokenCase{"object Form1: TForm1", {"s:object", "s:Form1", ":", "s:TForm1"}},
        TokenCase{"Font.Height = -11", {"s:Font", ".", "s:Height", "=", "i:-11"}},
        TokenCase{"$FF $ffffffffffffffff", {"i:255", "i:-1"}},
        TokenCase{"1.5 2e3 -0.25 1.0s", {"f:1.500000", "f:2000.000000", "f:-0.250000", "f:1.000000"}},
        TokenCase{"'It''s'#13#10'x'#$41", {"q:It's\r\nxA"}},
        TokenCase{"'' #0", {"q:", "q:" + std::string(1, '\0')}},
        TokenCase{"'a' + 'b'", {"q:a", "+", "q:b"}},
        TokenCase{"[a, b] ( ) < > - _x9", {"[", "s:a", ",", "s:b", "]", "(", ")", "<", ">", "-", "s:_x9"}},
        TokenCase{"\r\n\t  ", {}}));

struct ErrorCase {
  const char* text;
  const char* message;
};

class ParserErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ParserErrors, NameTheLine) {
  try {
    Tokens(GetParam().text);
    FAIL() << GetParam().text;
  } catch (const EParserError& e) {
    EXPECT_EQ(e.Message(), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParserErrors,
    ::testing::Values(ErrorCase{"a\n'open", "Invalid string constant on line 2"},
                      ErrorCase{"'broken\nline'", "Invalid string constant on line 1"},
                      ErrorCase{"#", "Invalid string constant on line 1"},
                      ErrorCase{"#256", "Invalid string constant on line 1"},
                      ErrorCase{"\n\n99999999999999999999", "'99999999999999999999' is not a valid integer value on line 3"},
                      ErrorCase{"$", "'$' is not a valid integer value on line 1"},
                      ErrorCase{"1e", "'1e' is not a valid floating point value on line 1"}));

TEST(ParserBinary, ReadsHexAcrossLinesAndMovesOn) {
  TParser parser("{0a1B\n  FF} next");
  EXPECT_EQ(parser.ReadBinary(), (std::vector<uint8_t>{0x0A, 0x1B, 0xFF}));
  EXPECT_EQ(parser.Token(), toSymbol);
  EXPECT_EQ(parser.SourceLine(), 2);
}

TEST(ParserBinary, RefusesWhatIsNotWholeBytesOfHex) {
  for (const char* text : {"{0}", "{0X}", "{00", "{0 0 0}"}) {
    TParser parser(text);
    EXPECT_THROW(parser.ReadBinary(), EParserError) << text;
  }
}

TEST(ParserChecks, NameWhatWasExpected) {
  TParser parser("= x");
  EXPECT_THROW(parser.CheckToken(toSymbol), EParserError);
  try {
    parser.CheckToken(':');
    FAIL();
  } catch (const EParserError& e) {
    EXPECT_EQ(e.Message(), "':' expected on line 1");
  }
  parser.NextToken();
  EXPECT_TRUE(parser.TokenSymbolIs("X"));
  try {
    parser.CheckTokenSymbol("end");
    FAIL();
  } catch (const EParserError& e) {
    EXPECT_EQ(e.Message(), "'end' expected on line 1");
  }
}

struct StringCase {
  std::string value;
  std::string text;
};

class TextWriterStrings : public ::testing::TestWithParam<StringCase> {};

TEST_P(TextWriterStrings, QuoteCodeAndSplit) {
  TFormTextWriter writer;
  writer.Write("X = ");
  writer.WriteString(GetParam().value, 1);
  EXPECT_EQ(writer.Text(), "X = " + GetParam().text);
  // And the parser reads back what was written.
  TParser parser(writer.Text().substr(4));
  std::string back = parser.TokenString();
  while (parser.NextToken() == '+') back += (parser.NextToken(), parser.TokenString());
  EXPECT_EQ(back, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextWriterStrings,
    ::testing::Values(StringCase{"", "''"}, StringCase{"plain", "'plain'"}, StringCase{"it's", "'it''s'"},
                      StringCase{"a\r\nb", "'a'#13#10'b'"}, StringCase{"\t", "#9"},
                      StringCase{std::string(64, 'x'), "'" + std::string(64, 'x') + "'"},
                      StringCase{std::string(65, 'y'),
                                 "\r\n    '" + std::string(64, 'y') + "' +\r\n    'y'"},
                      StringCase{std::string(63, 'z') + "'" + "\x01",
                                 "\r\n    '" + std::string(63, 'z') + "''' +\r\n    #1"}));

TEST(TextWriterBinary, WritesShortValuesInlineAndLongOnesInLinesOf64Digits) {
  TFormTextWriter shortValue;
  const uint8_t three[] = {0x0A, 0xB0, 0xFF};
  shortValue.WriteBinary(three, 3, 1);
  EXPECT_EQ(shortValue.Text(), "{0AB0FF}");

  std::vector<uint8_t> bytes(33, 0x11);
  TFormTextWriter longValue;
  longValue.Write("Data = ");
  longValue.WriteBinary(bytes.data(), bytes.size(), 1);
  EXPECT_EQ(longValue.Text(), "Data = {\r\n    " + std::string(64, '1') + "\r\n    11}");

  TFormTextWriter empty;
  empty.WriteBinary(nullptr, 0, 0);
  EXPECT_EQ(empty.Text(), "{}");
}

struct FloatCase {
  double value;
  const char* text;
};

class TextWriterFloats : public ::testing::TestWithParam<FloatCase> {};

TEST_P(TextWriterFloats, UseEighteenDecimalsOrAnExponent) {
  EXPECT_EQ(TFormTextWriter::FloatToText(GetParam().value), GetParam().text);
  TParser parser(GetParam().text);
  EXPECT_EQ(double(parser.TokenFloat()), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Cases, TextWriterFloats,
                         ::testing::Values(FloatCase{1.0, "1.000000000000000000"},
                                           FloatCase{0.1, "0.100000000000000000"},
                                           FloatCase{5.51, "5.510000000000000000"},
                                           FloatCase{-2.5, "-2.500000000000000000"},
                                           FloatCase{123456.789, "123456.789000000000000000"},
                                           FloatCase{0.001, "0.001000000000000000"},
                                           FloatCase{0.0001, "0.000100000000000000"},
                                           FloatCase{1e-17, "0.000000000000000010"},
                                           FloatCase{0.1 + 0.2, "0.300000000000000040"},
                                           FloatCase{1e-18, "0.000000000000000001"},
                                           FloatCase{1e-19, "1E-19"},
                                           FloatCase{-1.2345e-30, "-1.2345E-30"},
                                           FloatCase{1e-20, "1E-20"},
                                           FloatCase{1.5e20, "1.5E+20"},
                                           FloatCase{1e16, "1E+16"},
                                           FloatCase{0.0, "0.000000000000000000"}));

TEST(TextWriterFloats, RefuseValuesFormDataCannotHold) {
  EXPECT_THROW(TFormTextWriter::FloatToText(std::numeric_limits<double>::infinity()), EWriteError);
  EXPECT_THROW(TFormTextWriter::FloatToText(std::nan("")), EWriteError);
}

}  // namespace
