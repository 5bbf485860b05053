// String routines over byte strings: trimming, case, comparison, quoting, 1-based editing.
#include "vcl/runtime/sysutils.h"

#include <algorithm>
#include <climits>

#include "vcl/runtime/win.h"

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

// The code page's case mapping works in place and keeps the length (one byte per character).
std::string AnsiUpperCase(std::string_view s) {
  std::string result(s);
  for (size_t done = 0; done < result.size();) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(result.size() - done, INT_MAX));
    CharUpperBuffA(result.data() + done, chunk);
    done += chunk;
  }
  return result;
}

std::string AnsiLowerCase(std::string_view s) {
  std::string result(s);
  for (size_t done = 0; done < result.size();) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(result.size() - done, INT_MAX));
    CharLowerBuffA(result.data() + done, chunk);
    done += chunk;
  }
  return result;
}

int AnsiCompareText(std::string_view a, std::string_view b) {
  if (a.size() > INT_MAX || b.size() > INT_MAX) return CompareText(a, b);
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) -
         CSTR_EQUAL;
}

std::string QuotedStr(std::string_view s) { return AnsiQuotedStr(s, '\''); }

std::string AnsiQuotedStr(std::string_view s, char quote) {
  std::string result(1, quote);
  for (char c : s) {
    result += c;
    if (c == quote) result += quote;
  }
  result += quote;
  return result;
}

std::string AnsiDequotedStr(std::string_view s, char quote) {
  if (s.empty() || s[0] != quote) return std::string(s);
  std::string result;
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i] != quote) {
      result += s[i];
    } else if (i + 1 < s.size() && s[i + 1] == quote) {
      result += quote;
      ++i;
    } else {
      return result;  // the closing quote; anything after it is not part of the text
    }
  }
  return std::string(s);  // never closed
}

std::string StringReplace(std::string_view s, std::string_view oldPattern, std::string_view newPattern,
                          TReplaceFlags flags) {
  if (oldPattern.empty()) return std::string(s);
  // Searching upper-cased copies keeps the positions: the case mapping keeps the length.
  std::string searchIn, searchFor;
  if (flags & rfIgnoreCase) {
    searchIn = AnsiUpperCase(s);
    searchFor = AnsiUpperCase(oldPattern);
  } else {
    searchIn = s;
    searchFor = oldPattern;
  }
  std::string result;
  size_t from = 0;
  while (from <= searchIn.size()) {
    size_t found = searchIn.find(searchFor, from);
    if (found == std::string::npos) break;
    result.append(s, from, found - from);
    result.append(newPattern);
    from = found + searchFor.size();
    if (!(flags & rfReplaceAll)) break;
  }
  result.append(s.substr(std::min(from, s.size())));
  return result;
}

std::string StringOfChar(char c, int count) { return count > 0 ? std::string(count, c) : std::string(); }

bool IsDelimiter(std::string_view delimiters, std::string_view s, int index) {
  if (index < 1 || static_cast<size_t>(index) > s.size()) return false;
  return delimiters.find(s[index - 1]) != std::string_view::npos;
}

int LastDelimiter(std::string_view delimiters, std::string_view s) {
  size_t found = s.find_last_of(delimiters);
  return found == std::string_view::npos ? 0 : static_cast<int>(found) + 1;
}

std::string Copy(std::string_view s, int index, int count) {
  // As the platform does, an index below 1 moves to 1 without shortening the count.
  size_t start = index < 1 ? 0 : static_cast<size_t>(index) - 1;
  if (start >= s.size() || count <= 0) return std::string();
  return std::string(s.substr(start, static_cast<size_t>(count)));
}

int Pos(std::string_view sub, std::string_view s) {
  if (sub.empty()) return 0;
  size_t found = s.find(sub);
  return found == std::string_view::npos ? 0 : static_cast<int>(found) + 1;
}

void Delete(std::string& s, int index, int count) {
  if (index < 1 || static_cast<size_t>(index) > s.size() || count <= 0) return;
  s.erase(static_cast<size_t>(index) - 1, static_cast<size_t>(count));
}

void Insert(std::string_view sub, std::string& s, int index) {
  size_t at = index < 1 ? 0 : std::min(static_cast<size_t>(index) - 1, s.size());
  s.insert(at, sub);
}

size_t StrLen(const char* s) { return s ? std::char_traits<char>::length(s) : 0; }

std::string AdjustLineBreaks(std::string_view s, TTextLineBreakStyle style) {
  const char* lineBreak = style == tlbsCRLF ? "\r\n" : "\n";
  std::string result;
  result.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '\r' || c == '\n') {
      // A CR LF or LF CR pair is one break.
      char partner = c == '\r' ? '\n' : '\r';
      if (i + 1 < s.size() && s[i + 1] == partner) ++i;
      result += lineBreak;
    } else {
      result += c;
    }
  }
  return result;
}

}  // namespace vcl
