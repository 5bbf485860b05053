#include "placement/placement_text.h"

namespace placement {

namespace {

bool IsDelimiter(char c, const TCharSet& delimiters) { return delimiters.test(static_cast<unsigned char>(c)); }

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

unsigned char KeyByte(std::string_view key, size_t index) {
  return key.empty() ? 0 : static_cast<unsigned char>(key[index % key.size()]);
}

}  // namespace

TCharSet MakeCharSet(std::string_view chars) {
  TCharSet set;
  for (char c : chars) set.set(static_cast<unsigned char>(c));
  return set;
}

std::string ReplaceAllText(std::string_view source, std::string_view search, std::string_view replacement) {
  if (search.empty()) return std::string(source);
  std::string result;
  result.reserve(source.size());
  size_t from = 0;
  for (;;) {
    size_t found = source.find(search, from);
    if (found == std::string_view::npos) break;
    result.append(source.substr(from, found - from));
    result.append(replacement);
    from = found + search.size();
  }
  result.append(source.substr(from));
  return result;
}

int CountWords(std::string_view text, const TCharSet& delimiters) {
  int count = 0;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsDelimiter(text[i], delimiters)) ++i;
    if (i < text.size()) ++count;
    while (i < text.size() && !IsDelimiter(text[i], delimiters)) ++i;
  }
  return count;
}

int FindWordStart(int wordNumber, std::string_view text, const TCharSet& delimiters) {
  int count = 0;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsDelimiter(text[i], delimiters)) ++i;
    if (i < text.size()) {
      ++count;
      if (count == wordNumber) return static_cast<int>(i) + 1;
    }
    while (i < text.size() && !IsDelimiter(text[i], delimiters)) ++i;
  }
  return 0;
}

std::string ExtractWordAt(int wordNumber, std::string_view text, const TCharSet& delimiters) {
  int start = FindWordStart(wordNumber, text, delimiters);
  if (start == 0) return {};
  size_t end = static_cast<size_t>(start) - 1;
  while (end < text.size() && !IsDelimiter(text[end], delimiters)) ++end;
  return std::string(text.substr(static_cast<size_t>(start) - 1, end - (static_cast<size_t>(start) - 1)));
}

std::string EncodeKeyedHex(std::string_view key, std::string_view source) {
  static const char kDigits[] = "0123456789abcdef";
  std::string result;
  result.reserve(source.size() * 2);
  for (size_t i = 0; i < source.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(source[i]) ^ KeyByte(key, i);
    result += kDigits[c >> 4];
    result += kDigits[c & 0x0F];
  }
  return result;
}

std::string DecodeKeyedHex(std::string_view key, std::string_view text) {
  std::string result;
  size_t pairs = text.size() / 2;
  result.reserve(pairs);
  for (size_t i = 0; i < pairs; ++i) {
    int high = HexDigitValue(text[2 * i]);
    int low = HexDigitValue(text[2 * i + 1]);
    unsigned char value = (high < 0 || low < 0) ? ' ' : static_cast<unsigned char>(high * 16 + low);
    result += static_cast<char>(value ^ KeyByte(key, i));
  }
  return result;
}

}  // namespace placement
