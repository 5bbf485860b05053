// The run-time routines of the component library: string handling, number and date
// conversion, Format, file names and files, error texts, rounding and the random generator,
// text encodings. Byte strings are std::string; wide text is std::u16string.
//
// This header does not include the platform API; the .cpp files do.
#pragma once

#include <cmath>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "vcl/exceptions.h"

namespace vcl {

// ---------------------------------------------------------------------------------------------
// Locale-like settings. This program formats numbers with '.' whatever the system locale, so the
// defaults are fixed English values; code may change them (the process shares one set).

struct TFormatSettings {
  std::string CurrencyString = "$";
  uint8_t CurrencyFormat = 0;   // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  uint8_t NegCurrFormat = 0;    // 0 "($1)", 1 "-$1", 2 "$-1", 3 "$1-", ... 15 "(1 $)"
  char ThousandSeparator = ',';
  char DecimalSeparator = '.';
  uint8_t CurrencyDecimals = 2;
  char DateSeparator = '/';
  std::string ShortDateFormat = "M/d/yyyy";
  std::string LongDateFormat = "dddd, MMMM d, yyyy";
  char TimeSeparator = ':';
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::string ShortTimeFormat = "h:mm AMPM";
  std::string LongTimeFormat = "h:mm:ss AMPM";
  std::string ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::string LongMonthNames[12] = {"January", "February", "March",     "April",
                                    "May",     "June",     "July",      "August",
                                    "September", "October", "November", "December"};
  std::string ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::string LongDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
  // Two-digit years are read within this many years before now (0: always the current century).
  int TwoDigitYearCenturyWindow = 50;
};

extern TFormatSettings FormatSettings;

// ---------------------------------------------------------------------------------------------
// Format: a printf-like formatter with the platform's specifiers
//   "%" [index ":"] ["-"] [width] ["." precision] type
// type is d u x e f g n m p s (either case); index, width and precision may be '*' (taken from
// the arguments). A wrong argument type or a missing argument raises EConvertError.

struct TVarRec {
  enum TKind : uint8_t { vtInteger, vtInt64, vtExtended, vtChar, vtPChar, vtString, vtPointer };

  TKind VType;
  union {
    int32_t VInteger;
    int64_t VInt64;
    long double VExtended;
    char VChar;
    const char* VPChar;
    struct {
      const char* Data;
      size_t Size;
    } VString;
    const void* VPointer;
  };

  // Integers that fit int32 go as vtInteger, wider ones (and uint32) as vtInt64.
  template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>)
  TVarRec(T value) {
    if constexpr (sizeof(T) < 4 || (sizeof(T) == 4 && std::is_signed_v<T>)) {
      VType = vtInteger;
      VInteger = static_cast<int32_t>(value);
    } else {
      VType = vtInt64;
      VInt64 = static_cast<int64_t>(value);
    }
  }
  template <std::floating_point T>
  TVarRec(T value) : VType(vtExtended), VExtended(value) {}
  TVarRec(char value) : VType(vtChar), VChar(value) {}
  TVarRec(const char* value) : VType(vtPChar), VPChar(value) {}
  TVarRec(const std::string& value) : VType(vtString), VString{value.data(), value.size()} {}
  TVarRec(std::string_view value) : VType(vtString), VString{value.data(), value.size()} {}
  TVarRec(const void* value) : VType(vtPointer), VPointer(value) {}
  TVarRec(std::nullptr_t) : VType(vtPointer), VPointer(nullptr) {}
  // Booleans have no format specifier; pass an integer or a text.
  TVarRec(bool) = delete;
};

// Formats with an array of arguments; Format below builds the array.
std::string FormatArgs(std::string_view format, const TVarRec* args, size_t count);

template <class... Args>
std::string Format(std::string_view format, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    return FormatArgs(format, nullptr, 0);
  } else {
    const TVarRec recs[] = {TVarRec(args)...};
    return FormatArgs(format, recs, sizeof...(Args));
  }
}

// ---------------------------------------------------------------------------------------------
// Integers

std::string IntToStr(int32_t value);
std::string IntToStr(int64_t value);
// Avoids ambiguity for the other integer types.
template <std::integral T>
  requires(!std::same_as<T, int32_t> && !std::same_as<T, int64_t> && !std::same_as<T, bool>)
std::string IntToStr(T value) {
  if constexpr (sizeof(T) < 4 || (sizeof(T) == 4 && std::is_signed_v<T>))
    return IntToStr(static_cast<int32_t>(value));
  else
    return IntToStr(static_cast<int64_t>(value));
}
// Upper-case hex digits, at least `digits` of them (more if the value needs them). A negative
// int32 shows its 32-bit pattern, a negative int64 its 64-bit pattern.
std::string IntToHex(int32_t value, int digits);
std::string IntToHex(int64_t value, int digits);

// Decimal, or hexadecimal after "$" or "0x", with an optional sign. Blanks around the number,
// an empty text and values out of range are errors: EConvertError
// "'<text>' is not a valid integer value".
int32_t StrToInt(std::string_view s);
int64_t StrToInt64(std::string_view s);
int32_t StrToIntDef(std::string_view s, int32_t def);
int64_t StrToInt64Def(std::string_view s, int64_t def);
bool TryStrToInt(std::string_view s, int32_t& value);
bool TryStrToInt64(std::string_view s, int64_t& value);

// ---------------------------------------------------------------------------------------------
// Floating-point numbers

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// General format, 15 significant digits, the shortest text: 0.1 -> "0.1", 1e20 -> "1E20".
std::string FloatToStr(long double value);
std::string FloatToStrF(long double value, TFloatFormat format, int precision, int digits);

// ---------------------------------------------------------------------------------------------
// Strings (ASCII case rules unless the name says Ansi)

std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
// <0, 0, >0 like strcmp; CompareText ignores ASCII case.
int CompareStr(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

// ---------------------------------------------------------------------------------------------
// Errors of the platform

// The system's text for an error code, without the trailing line break.
std::string SysErrorMessage(unsigned long errorCode);

// ---------------------------------------------------------------------------------------------
// Rounding

namespace detail {
// Raises EInvalidArgument for a value that has no int64 result (beyond the range, not a number).
[[noreturn]] void RaiseInvalidIntegerResult();
}  // namespace detail

// Nearest integer, halves to even (2.5 -> 2, 3.5 -> 4). A value beyond the int64 range, or not a
// number, raises EInvalidArgument.
template <class T>
  requires std::is_arithmetic_v<T>
int64_t Round(T value) {
  if constexpr (std::is_integral_v<T>) {
    return static_cast<int64_t>(value);
  } else {
    T r = std::nearbyint(value);
    if (r >= T(-9223372036854775807.0) && r < T(9223372036854775807.0)) return static_cast<int64_t>(r);
    detail::RaiseInvalidIntegerResult();
  }
}
// Toward zero; the same range rule as Round.
template <class T>
  requires std::is_arithmetic_v<T>
int64_t Trunc(T value) {
  if constexpr (std::is_integral_v<T>) {
    return static_cast<int64_t>(value);
  } else {
    T r = std::trunc(value);
    if (r >= T(-9223372036854775807.0) && r < T(9223372036854775807.0)) return static_cast<int64_t>(r);
    detail::RaiseInvalidIntegerResult();
  }
}

}  // namespace vcl
