#include "vcl/classes/formtext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "vcl/runtime/sysutils.h"

namespace vcl {

namespace {

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

// ---- TParser ---------------------------------------------------------------------------------

TParser::TParser(std::string text) : text_(std::move(text)) { NextToken(); }

char TParser::NextToken() {
  while (pos_ < text_.size()) {
    char c = text_[pos_];
    if (c == '\n') ++line_;
    else if (c != ' ' && c != '\t' && c != '\r') break;
    ++pos_;
  }
  tokenLine_ = line_;
  tokenString_.clear();
  if (pos_ >= text_.size()) return token_ = toEOF;

  char c = text_[pos_];
  if (IsIdentStart(c)) {
    size_t start = pos_;
    while (pos_ < text_.size() && IsIdentChar(text_[pos_])) ++pos_;
    tokenString_.assign(text_, start, pos_ - start);
    return token_ = toSymbol;
  }
  bool negativeNumber = c == '-' && pos_ + 1 < text_.size() && IsDigit(text_[pos_ + 1]);
  if (IsDigit(c) || c == '$' || negativeNumber) return token_ = ScanNumber();
  if (c == '\'' || c == '#') return token_ = ScanString();
  ++pos_;
  tokenString_.assign(1, c);
  return token_ = c;
}

char TParser::ScanNumber() {
  size_t start = pos_;
  if (text_[pos_] == '$') {
    ++pos_;
    uint64_t value = 0;
    size_t digits = 0;
    while (pos_ < text_.size() && HexDigit(text_[pos_]) >= 0) {
      value = value * 16 + uint64_t(HexDigit(text_[pos_++]));
      ++digits;
    }
    tokenString_.assign(text_, start, pos_ - start);
    if (digits == 0 || digits > 16) Error(Format("'%s' is not a valid integer value", tokenString_));
    // Sixteen digits give the 64-bit pattern, as the platform reads $FFFFFFFFFFFFFFFF as -1.
    tokenInt_ = static_cast<int64_t>(value);
    return toInteger;
  }
  if (text_[pos_] == '-') ++pos_;
  while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
  bool isFloat = false;
  while (pos_ < text_.size()) {
    char c = text_[pos_];
    bool exponentSign = (c == '+' || c == '-') && (text_[pos_ - 1] == 'e' || text_[pos_ - 1] == 'E');
    if (!(IsDigit(c) || c == '.' || c == 'e' || c == 'E' || exponentSign)) break;
    isFloat = true;
    ++pos_;
  }
  tokenString_.assign(text_, start, pos_ - start);
  const char* first = tokenString_.data();
  const char* last = first + tokenString_.size();
  if (!isFloat) {
    auto [end, ec] = std::from_chars(first, last, tokenInt_);
    if (ec != std::errc() || end != last) Error(Format("'%s' is not a valid integer value", tokenString_));
    return toInteger;
  }
  double value = 0;
  auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end != last)
    Error(Format("'%s' is not a valid floating point value", tokenString_));
  tokenFloat_ = value;
  // The platform marks single, currency and date values with a suffix; the value is the same.
  if (pos_ < text_.size()) {
    char suffix = text_[pos_];
    if (suffix == 's' || suffix == 'S' || suffix == 'c' || suffix == 'C' || suffix == 'd' || suffix == 'D') ++pos_;
  }
  return toFloat;
}

char TParser::ScanString() {
  std::string value;
  while (pos_ < text_.size()) {
    char c = text_[pos_];
    if (c == '\'') {
      ++pos_;
      for (;;) {
        if (pos_ >= text_.size() || text_[pos_] == '\r' || text_[pos_] == '\n') Error("Invalid string constant");
        char ch = text_[pos_++];
        if (ch != '\'') {
          value += ch;
        } else if (pos_ < text_.size() && text_[pos_] == '\'') {
          value += '\'';
          ++pos_;
        } else {
          break;
        }
      }
    } else if (c == '#') {
      ++pos_;
      bool hex = pos_ < text_.size() && text_[pos_] == '$';
      if (hex) ++pos_;
      int code = 0;
      size_t digits = 0;
      while (pos_ < text_.size()) {
        int d = hex ? HexDigit(text_[pos_]) : (IsDigit(text_[pos_]) ? text_[pos_] - '0' : -1);
        if (d < 0) break;
        code = code * (hex ? 16 : 10) + d;
        ++pos_;
        // Byte strings hold character codes up to 255 only.
        if (++digits > 4 || code > 255) Error("Invalid string constant");
      }
      if (digits == 0) Error("Invalid string constant");
      value += static_cast<char>(code);
    } else {
      break;
    }
  }
  tokenString_ = std::move(value);
  return toString;
}

long double TParser::TokenFloat() const {
  return token_ == toFloat ? tokenFloat_ : static_cast<long double>(tokenInt_);
}

bool TParser::TokenSymbolIs(std::string_view symbol) const {
  return token_ == toSymbol && SameText(tokenString_, symbol);
}

void TParser::CheckToken(char token) const {
  if (token_ == token) return;
  switch (token) {
    case toSymbol: Error("Identifier expected");
    case toString: Error("String expected");
    case toInteger:
    case toFloat: Error("Number expected");
    default: Error(Format("'%s' expected", std::string(1, token)));
  }
}

void TParser::CheckTokenSymbol(std::string_view symbol) const {
  if (!TokenSymbolIs(symbol)) Error(Format("'%s' expected", symbol));
}

std::vector<uint8_t> TParser::ReadBinary() {
  CheckToken('{');
  std::vector<uint8_t> data;
  int high = -1;
  for (;;) {
    if (pos_ >= text_.size()) {
      tokenLine_ = line_;
      Error("Invalid binary value");
    }
    char c = text_[pos_++];
    if (c == '}') break;
    if (c == '\n') ++line_;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    int digit = HexDigit(c);
    if (digit < 0) {
      tokenLine_ = line_;
      Error("Invalid binary value");
    }
    if (high < 0) {
      high = digit;
    } else {
      data.push_back(static_cast<uint8_t>(high * 16 + digit));
      high = -1;
    }
  }
  if (high >= 0) {
    tokenLine_ = line_;
    Error("Invalid binary value");
  }
  NextToken();
  return data;
}

void TParser::Error(std::string_view message) const {
  throw EParserError(Format("%s on line %d", message, tokenLine_));
}

// ---- TFormTextWriter -------------------------------------------------------------------------

void TFormTextWriter::NewLine(int level) {
  if (!text_.empty()) text_ += "\r\n";
  text_.append(static_cast<size_t>(level) * 2, ' ');
}

void TFormTextWriter::WriteString(std::string_view value, int level) {
  if (value.empty()) {
    text_ += "''";
    return;
  }
  bool multiLine = value.size() > LineLength;
  for (size_t pos = 0; pos < value.size();) {
    if (multiLine) NewLine(level + 1);
    size_t end = std::min(pos + LineLength, value.size());
    bool quoted = false;
    for (; pos < end; ++pos) {
      unsigned char c = static_cast<unsigned char>(value[pos]);
      if (c < ' ') {
        if (quoted) text_ += '\'';
        quoted = false;
        text_ += '#';
        text_ += IntToStr(int32_t(c));
      } else {
        if (!quoted) text_ += '\'';
        quoted = true;
        if (c == '\'') text_ += '\'';
        text_ += static_cast<char>(c);
      }
    }
    if (quoted) text_ += '\'';
    if (pos < value.size()) text_ += " +";
  }
}

void TFormTextWriter::WriteBinary(const uint8_t* data, size_t size, int level) {
  static const char digits[] = "0123456789ABCDEF";
  constexpr size_t bytesPerLine = LineLength / 2;
  text_ += '{';
  bool multiLine = size >= bytesPerLine;
  for (size_t pos = 0; pos < size; pos += bytesPerLine) {
    if (multiLine) NewLine(level + 1);
    size_t end = std::min(pos + bytesPerLine, size);
    for (size_t i = pos; i < end; ++i) {
      text_ += digits[data[i] >> 4];
      text_ += digits[data[i] & 15];
    }
  }
  text_ += '}';
}

std::string TFormTextWriter::FloatToText(long double value) {
  double v = static_cast<double>(value);
  if (!std::isfinite(v)) throw EWriteError("Invalid floating point value");
  constexpr int decimals = 18;
  constexpr int largestFixedExponent = 15;  // values from 1e16 up take the exponent form
  if (v == 0) return "0." + std::string(decimals, '0');

  // The fewest digits that read back as the same value: "d.ddde-XX". Sixteen digits, as the
  // platform writes, are not always enough for a double.
  char buf[64];
  auto result = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
  std::string sci(buf, result.ptr);
  size_t ePos = sci.find('e');
  int exponent = std::stoi(sci.substr(ePos + 1));
  bool negative = sci[0] == '-';
  std::string digits;
  for (size_t i = negative ? 1 : 0; i < ePos; ++i)
    if (sci[i] != '.') digits += sci[i];
  std::string sign = negative ? "-" : "";

  // Fixed point with 18 decimals, as long as the digits fit; the platform's fixed form would
  // turn tiny values into 0, so those take the exponent form.
  int leadingZeros = exponent < 0 ? -exponent - 1 : 0;
  if (exponent > largestFixedExponent || leadingZeros + static_cast<int>(digits.size()) > decimals) {
    std::string mantissa = digits.substr(0, 1);
    if (digits.size() > 1) mantissa += "." + digits.substr(1);
    return sign + mantissa + "E" + (exponent < 0 ? "-" : "+") + IntToStr(std::abs(exponent));
  }
  std::string integerPart, fraction;
  if (exponent >= 0) {
    digits.resize(std::max(digits.size(), size_t(exponent) + 1), '0');
    integerPart = digits.substr(0, size_t(exponent) + 1);
    fraction = digits.substr(size_t(exponent) + 1);
  } else {
    integerPart = "0";
    fraction = std::string(size_t(leadingZeros), '0') + digits;
  }
  fraction.resize(decimals, '0');
  return sign + integerPart + "." + fraction;
}

}  // namespace vcl
