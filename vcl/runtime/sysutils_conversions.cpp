// Integer to text and back: IntToStr, IntToHex, StrToInt and friends.
#include "vcl/runtime/sysutils.h"

#include <limits>

namespace vcl {

namespace {

std::string HexDigits(uint64_t value, int digits) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string result;
  do {
    result.insert(result.begin(), kHex[value & 15]);
    value >>= 4;
  } while (value != 0);
  // No value needs more than 16 digits; a larger minimum is honoured up to 32 (the most that
  // makes sense for a 64-bit value), which also keeps a silly argument from allocating much.
  int wanted = std::min(digits, 32);
  if (static_cast<int>(result.size()) < wanted) result.insert(0, wanted - result.size(), '0');
  return result;
}

// Parses leading spaces, an optional sign, then decimal digits or "$"/"0x" and hex digits, to
// the end of the text (a trailing blank is an error, as on the platform).
// Decimal values must fit [min, max]; hex values may use the full unsigned width of the type
// (so "$FFFFFFFF" is -1 as an int32) and take the sign afterwards.
template <class T>
bool ParseInteger(std::string_view s, T& out) {
  using U = std::make_unsigned_t<T>;
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= s.size()) return false;
  // The magnitude is accumulated unsigned; a decimal may reach |min| when negative.
  const U limit = hex ? std::numeric_limits<U>::max()
                      : static_cast<U>(std::numeric_limits<T>::max()) + (negative ? 1 : 0);
  const unsigned base = hex ? 16 : 10;
  U magnitude = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    unsigned digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    if (magnitude > (limit - digit) / base) return false;
    magnitude = magnitude * base + digit;
  }
  out = static_cast<T>(negative ? U(0) - magnitude : magnitude);
  return true;
}

[[noreturn]] void RaiseNotInteger(std::string_view s) {
  throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
}

}  // namespace

std::string IntToStr(int32_t value) { return std::to_string(value); }
std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string IntToHex(int32_t value, int digits) { return HexDigits(static_cast<uint32_t>(value), digits); }
std::string IntToHex(int64_t value, int digits) { return HexDigits(static_cast<uint64_t>(value), digits); }

bool TryStrToInt(std::string_view s, int32_t& value) { return ParseInteger(s, value); }
bool TryStrToInt64(std::string_view s, int64_t& value) { return ParseInteger(s, value); }

int32_t StrToInt(std::string_view s) {
  int32_t value;
  if (!ParseInteger(s, value)) RaiseNotInteger(s);
  return value;
}

int64_t StrToInt64(std::string_view s) {
  int64_t value;
  if (!ParseInteger(s, value)) RaiseNotInteger(s);
  return value;
}

int32_t StrToIntDef(std::string_view s, int32_t def) {
  int32_t value;
  return ParseInteger(s, value) ? value : def;
}

int64_t StrToInt64Def(std::string_view s, int64_t def) {
  int64_t value;
  return ParseInteger(s, value) ? value : def;
}

}  // namespace vcl
