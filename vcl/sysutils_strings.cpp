// String routines over byte strings: trimming, case, comparison, quoting, 1-based editing.
#include "vcl/sysutils.h"

#include <algorithm>

namespace vcl {

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
// Control characters and the space count as blanks; bytes above 127 do not.
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::string Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

std::string TrimLeft(std::string_view s) {
  size_t first = 0;
  while (first < s.size() && IsBlank(s[first])) ++first;
  return std::string(s.substr(first));
}

std::string TrimRight(std::string_view s) {
  size_t end = s.size();
  while (end > 0 && IsBlank(s[end - 1])) --end;
  return std::string(s.substr(0, end));
}

std::string UpperCase(std::string_view s) {
  std::string result(s);
  for (char& c : result) c = AsciiUpper(c);
  return result;
}

std::string LowerCase(std::string_view s) {
  std::string result(s);
  for (char& c : result) c = AsciiLower(c);
  return result;
}

int CompareStr(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int d = static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]);
    if (d != 0) return d;
  }
  return static_cast<int>(a.size() > b.size()) - static_cast<int>(a.size() < b.size());
}

int CompareText(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int d = static_cast<unsigned char>(AsciiUpper(a[i])) - static_cast<unsigned char>(AsciiUpper(b[i]));
    if (d != 0) return d;
  }
  return static_cast<int>(a.size() > b.size()) - static_cast<int>(a.size() < b.size());
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

}  // namespace vcl
