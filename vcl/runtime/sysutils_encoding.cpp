// Conversions between the user's code page, UTF-8 and UTF-16 through the platform.
#include "vcl/runtime/sysutils.h"

#include <climits>

#include "vcl/runtime/win.h"

namespace vcl {

namespace {

// The platform's functions take int lengths.
int CheckedLength(size_t size) {
  if (size > static_cast<size_t>(INT_MAX)) throw EConvertError("Text too long to convert");
  return static_cast<int>(size);
}

std::u16string ToUtf16(UINT codePage, std::string_view s) {
  if (s.empty()) return std::u16string();
  int length = CheckedLength(s.size());
  int needed = MultiByteToWideChar(codePage, 0, s.data(), length, nullptr, 0);
  if (needed <= 0) return std::u16string();
  std::u16string result(static_cast<size_t>(needed), u'\0');
  int written = MultiByteToWideChar(codePage, 0, s.data(), length, reinterpret_cast<WCHAR*>(result.data()), needed);
  result.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return result;
}

std::string FromUtf16(UINT codePage, std::u16string_view s) {
  if (s.empty()) return std::string();
  int length = CheckedLength(s.size());
  const WCHAR* source = reinterpret_cast<const WCHAR*>(s.data());
  int needed = WideCharToMultiByte(codePage, 0, source, length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::string();
  std::string result(static_cast<size_t>(needed), '\0');
  int written = WideCharToMultiByte(codePage, 0, source, length, result.data(), needed, nullptr, nullptr);
  result.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return result;
}

}  // namespace

std::u16string AnsiToUtf16(std::string_view s) { return ToUtf16(CP_ACP, s); }
std::string Utf16ToAnsi(std::u16string_view s) { return FromUtf16(CP_ACP, s); }
std::u16string Utf8ToUtf16(std::string_view s) { return ToUtf16(CP_UTF8, s); }
std::string Utf16ToUtf8(std::u16string_view s) { return FromUtf16(CP_UTF8, s); }
std::string UTF8Encode(std::string_view ansi) { return AnsiToUtf8(ansi); }
std::string UTF8Encode(std::u16string_view s) { return Utf16ToUtf8(s); }
std::u16string UTF8Decode(std::string_view utf8) { return Utf8ToUtf16(utf8); }
std::string AnsiToUtf8(std::string_view ansi) { return Utf16ToUtf8(AnsiToUtf16(ansi)); }
std::string Utf8ToAnsi(std::string_view utf8) { return Utf16ToAnsi(Utf8ToUtf16(utf8)); }

}  // namespace vcl
