#include "imaging/base/text_helpers.h"

#include <cstring>

#include "vcl/runtime/lists.h"

namespace imaging {

long double ParseFloatTolerant(const std::string& text, long double defaultValue) {
  long double value = 0;
  if (vcl::TryStrToFloat(text, value)) return value;
  std::string other = text;
  size_t comma = other.find(',');
  if (comma != std::string::npos) {
    other[comma] = '.';
  } else {
    size_t dot = other.find('.');
    if (dot != std::string::npos) other[dot] = ',';
  }
  if (vcl::TryStrToFloat(other, value)) return value;
  return defaultValue;
}

std::string FloatToDotStr(long double value) {
  std::string text = vcl::FloatToStr(value);
  char separator = vcl::FormatSettings.DecimalSeparator;
  for (char& c : text)
    if (c == ',' || c == separator) c = '.';
  return text;
}

void FloatToDotStrDirect(std::string& text, long double value) { text = FloatToDotStr(value); }

int32_t GetURLProtocol(const std::string& text) {
  std::string lower = vcl::LowerCase(text);
  if (lower.rfind("http://", 0) == 0) return 1;
  if (lower.rfind("https://", 0) == 0) return 2;
  if (lower.rfind("ftp://", 0) == 0) return 3;
  return 0;
}

int32_t GetURLProtocolW(const std::u16string& text) { return GetURLProtocol(vcl::Utf16ToAnsi(text)); }

std::string TrimString(const std::string& text) { return vcl::Trim(text); }

std::string ExtractFileExtLower(const std::string& fileName, bool withDot) {
  std::string ext = vcl::ExtractFileExt(vcl::LowerCase(fileName));
  if (!withDot && !ext.empty() && ext[0] == '.') ext.erase(0, 1);
  return ext;
}

std::u16string ExtractFileExtLowerW(const std::u16string& fileName, bool withDot) {
  return vcl::AnsiToUtf16(ExtractFileExtLower(vcl::Utf16ToAnsi(fileName), withDot));
}

std::string UpperCaseString(const std::string& text) { return vcl::UpperCase(text); }
std::string LowerCaseString(const std::string& text) { return vcl::LowerCase(text); }
std::string IntToString(int32_t value) { return vcl::IntToStr(value); }
std::string IntToHexString(int32_t value, int32_t digits) { return vcl::IntToHex(value, digits); }
int32_t StringToIntDef(const std::string& text, int32_t defaultValue) { return vcl::StrToIntDef(text, defaultValue); }

std::string CopyString(const std::string& text, int32_t position, int32_t count) {
  return vcl::Copy(text, position, count);
}

std::string FloatToStringFormat(long double value, vcl::TFloatFormat format, int32_t precision, int32_t digits) {
  return vcl::FloatToStrF(value, format, precision, digits);
}

int32_t FindSubString(const std::string& sub, const std::string& text) { return vcl::Pos(sub, text); }

char* DuplicatePChar(const char* text) {
  if (!text) return nullptr;
  size_t n = std::strlen(text);
  char* copy = new char[n + 1];
  std::memcpy(copy, text, n + 1);
  return copy;
}

void CopyListItems(const vcl::TList* source, vcl::TList* destination) {
  destination->Clear();
  destination->SetCapacity(source->Count());
  for (int i = 0; i < source->Count(); ++i) destination->Add(source->Items(i));
}

}  // namespace imaging
