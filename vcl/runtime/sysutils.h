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
#include <type_traits>
#include <vector>

#include "vcl/runtime/exceptions.h"

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
};

extern TFormatSettings FormatSettings;

// ---------------------------------------------------------------------------------------------
// Format: a printf-like formatter with the platform's specifiers
//   "%" [index ":"] ["-"] [width] ["." precision] type
// type is d u x e f g n m p s (either case); index, width and precision may be '*' (taken from
// the arguments). x gives upper-case digits, p two hex digits per byte of a pointer. A wrong
// argument type or a missing argument raises EConvertError.

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
// The other integer types: up to 32 bits through the int32 form (a uint32 keeps its bits), wider
// ones through the int64 form.
template <std::integral T>
  requires(!std::same_as<T, int32_t> && !std::same_as<T, int64_t> && !std::same_as<T, bool>)
std::string IntToHex(T value, int digits) {
  if constexpr (sizeof(T) <= 4)
    return IntToHex(static_cast<int32_t>(value), digits);
  else
    return IntToHex(static_cast<int64_t>(value), digits);
}

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
// precision: significant digits (1..18). digits: for ffGeneral and ffExponent the least number
// of exponent digits (0..4), for the fixed formats the number of decimals (0..18).
std::string FloatToStrF(long double value, TFloatFormat format, int precision, int digits);
// A picture format: up to three sections "positive;negative;zero" of '0' (digit, kept), '#'
// (digit if significant), '.' (decimal separator), ',' (thousand separators wanted), "E+00",
// "E-00" (scientific), "quoted" or 'quoted' text and other literal characters.
std::string FormatFloat(std::string_view format, long double value);

// Blanks around the number are allowed, the decimal separator is FormatSettings'; an exponent
// may follow ("1.5E-3"). Errors: EConvertError "'<text>' is not a valid floating point value".
long double StrToFloat(std::string_view s);
long double StrToFloatDef(std::string_view s, long double def);
bool TryStrToFloat(std::string_view s, long double& value);
bool TryStrToFloat(std::string_view s, double& value);
// As TryStrToFloat, with the decimal separator of `settings` in place of the process-wide one:
// TextToFloat(text, value, TFormatSettings()) reads '.' whatever FormatSettings says.
bool TextToFloat(std::string_view text, long double& value, const TFormatSettings& settings);

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
// Case rules of the user's code page (CharUpperBuff / CompareString).
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);
int AnsiCompareText(std::string_view a, std::string_view b);

// 'it''s': the text in quotes, quotes inside doubled.
std::string QuotedStr(std::string_view s);
std::string AnsiQuotedStr(std::string_view s, char quote);
// The reverse of AnsiQuotedStr; a text that does not start with the quote, or whose quote is
// never closed, comes back unchanged.
std::string AnsiDequotedStr(std::string_view s, char quote);

using TReplaceFlags = unsigned;
constexpr TReplaceFlags rfReplaceAll = 1;
constexpr TReplaceFlags rfIgnoreCase = 2;
// Replaces the first (or with rfReplaceAll every) occurrence of oldPattern; an empty pattern
// replaces nothing.
std::string StringReplace(std::string_view s, std::string_view oldPattern, std::string_view newPattern,
                          TReplaceFlags flags = 0);
std::string StringOfChar(char c, int count);

// 1-based positions, as everywhere in these routines.
// True when s[index] is one of the delimiters (false for an index outside s).
bool IsDelimiter(std::string_view delimiters, std::string_view s, int index);
// The position of the last character of s that is one of the delimiters, 0 when none is.
int LastDelimiter(std::string_view delimiters, std::string_view s);
// count characters from index; an index below 1 counts as 1, one past the end gives "".
std::string Copy(std::string_view s, int index, int count);
// Position of the first sub in s, 0 when absent (or sub is empty).
int Pos(std::string_view sub, std::string_view s);
// Removes count characters from index; nothing when index is outside s or count <= 0.
void Delete(std::string& s, int index, int count);
// Inserts sub before index; an index below 1 inserts at the front, past the end appends.
void Insert(std::string_view sub, std::string& s, int index);
// Length of a zero-terminated text; 0 for nullptr.
size_t StrLen(const char* s);

enum TTextLineBreakStyle { tlbsLF, tlbsCRLF };
// Every CR, LF, CR LF and LF CR becomes one line break of the style.
std::string AdjustLineBreaks(std::string_view s, TTextLineBreakStyle style = tlbsCRLF);

// ---------------------------------------------------------------------------------------------
// File names. Both '\' and '/' end a folder name (the platform accepts both) and ':' ends a
// drive.

std::string ExtractFilePath(std::string_view fileName);   // "C:\a\b.txt" -> "C:\a\"
std::string ExtractFileDir(std::string_view fileName);    // "C:\a\b.txt" -> "C:\a", "C:\b" -> "C:\"
std::string ExtractFileName(std::string_view fileName);   // "C:\a\b.txt" -> "b.txt"
std::string ExtractFileExt(std::string_view fileName);    // "C:\a\b.txt" -> ".txt", "" when none
std::string ExtractFileDrive(std::string_view fileName);  // "C:" or "\\server\share", else ""
std::string ChangeFileExt(std::string_view fileName, std::string_view extension);
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);
// The full path of a file name relative to the current folder; "" when the platform cannot
// make one.
std::string ExpandFileName(std::string_view fileName);

// ---------------------------------------------------------------------------------------------
// Files and folders. None of these raises for a missing or malformed name: they answer false
// (or the documented failure value) instead.

bool FileExists(std::string_view fileName);  // an existing file, not a folder
bool DirectoryExists(std::string_view path);
bool DeleteFile(std::string_view fileName);
bool RenameFile(std::string_view oldName, std::string_view newName);
bool CreateDir(std::string_view path);
// Creates the folder and every missing parent. An empty name raises EInOutError
// "Unable to create directory".
bool ForceDirectories(std::string_view path);
bool RemoveDir(std::string_view path);
std::string GetCurrentDir();
bool SetCurrentDir(std::string_view path);

// File attributes.
constexpr int faReadOnly = 0x01;
constexpr int faHidden = 0x02;
constexpr int faSysFile = 0x04;
constexpr int faVolumeID = 0x08;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;
constexpr int faAnyFile = 0x3F;

// The last write time as a DOS date-time (local time), -1 when the file does not exist.
int32_t FileAge(std::string_view fileName);
// The fa* attributes, -1 on failure.
int FileGetAttr(std::string_view fileName);
// 0 on success, else the platform's error code.
int FileSetAttr(std::string_view fileName, int attr);

// One entry of a folder listing. FindFirst opens a search that FindNext continues and FindClose
// ends (the destructor ends it too, so an early return leaks nothing).
struct TSearchRec {
  int32_t Time = 0;  // DOS date-time, local
  int64_t Size = 0;
  int Attr = 0;
  std::string Name;
  int ExcludeAttr = 0;
  void* FindHandle = reinterpret_cast<void*>(intptr_t(-1));

  TSearchRec() = default;
  TSearchRec(TSearchRec&& other) noexcept;
  TSearchRec& operator=(TSearchRec&& other) noexcept;
  ~TSearchRec();
};

// path is a folder and a mask ("C:\skins\*.skn"). Entries that are hidden, system files or
// folders come only when attr asks for them. Return 0 when an entry was found, else the
// platform's error code (ERROR_NO_MORE_FILES at the end).
int FindFirst(std::string_view path, int attr, TSearchRec& searchRec);
int FindNext(TSearchRec& searchRec);
void FindClose(TSearchRec& searchRec);

// Files by handle (the fm* open and share modes of vcl/runtime/streams.h). A handle is the platform's,
// -1 when opening failed. Read, Write and Seek return -1 on failure.
intptr_t FileOpen(std::string_view fileName, uint32_t mode);
intptr_t FileCreate(std::string_view fileName);  // creates or empties, for reading and writing
int32_t FileRead(intptr_t handle, void* buffer, int32_t count);
int32_t FileWrite(intptr_t handle, const void* buffer, int32_t count);
// origin 0: from the start, 1: from the position, 2: from the end. Returns the new position.
int64_t FileSeek(intptr_t handle, int64_t offset, int origin);
void FileClose(intptr_t handle);

// ---------------------------------------------------------------------------------------------
// Errors of the platform

// The system's text for an error code, without the trailing period and line break; "" for a
// code the system has no text for.
std::string SysErrorMessage(unsigned long errorCode);
// Raises EOSError for the thread's last error (or the given code):
// "System Error.  Code: <code>.\r\n<text>", or "A call to an OS function failed" for code 0.
[[noreturn]] void RaiseLastOSError(unsigned long errorCode);
[[noreturn]] void RaiseLastOSError();

// Raises EOleSysError for a COM result code that reports a failure (negative):
// the system's text for the code, or "OLE error <8 hex digits>" when it has none. Success codes
// (S_OK, S_FALSE, ...) pass.
void OleCheck(int32_t result);

// The platform family this runs on: always the NT family (VER_PLATFORM_WIN32_NT).
constexpr int Win32Platform = 2;
// The value of an environment variable, "" when it is not set.
std::string GetEnvironmentVariable(std::string_view name);

// ---------------------------------------------------------------------------------------------
// The program

// ParamStr(0) is the full name of the program file. ParamStr(1) .. ParamStr(ParamCount()) are
// the parameters of the command line: runs of characters between blanks, where double quotes
// group blanks into a parameter and are themselves dropped ("a b"c is the one parameter a bc;
// "" is an empty parameter, which counts). Any other index gives "".
std::string ParamStr(int index);
int ParamCount();
namespace detail {
// The parameters of a command line by the rule of ParamStr, the program's name first.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);
}  // namespace detail

// The string `ident` of a module's string table (nullptr: the program's own), "" when the
// table has no such string.
std::string LoadStr(unsigned ident, void* instance = nullptr);

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

// ---------------------------------------------------------------------------------------------
// Other numeric routines

// Fractional and integral parts, with the sign of the value.
inline long double Frac(long double x) { return x - std::trunc(x); }
inline long double Int(long double x) { return std::trunc(x); }
// The smallest integer >= x and the largest <= x; the same range rule as Round.
template <class T>
  requires std::is_arithmetic_v<T>
int64_t Ceil(T value) {
  return Trunc(std::ceil(value));
}
template <class T>
  requires std::is_arithmetic_v<T>
int64_t Floor(T value) {
  return Trunc(std::floor(value));
}

template <class T>
constexpr T Max(T a, T b) { return a > b ? a : b; }
template <class T>
constexpr T Min(T a, T b) { return a < b ? a : b; }
template <class T>
constexpr T EnsureRange(T value, T low, T high) { return value < low ? low : (value > high ? high : value); }
template <class T>
constexpr bool InRange(T value, T low, T high) { return value >= low && value <= high; }
// -1, 0 or 1.
template <class T>
  requires std::is_arithmetic_v<T>
constexpr int Sign(T value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

// base^exponent by repeated squaring in extended precision (exact for small integers).
long double IntPower(long double base, int exponent);
// base^exponent; a negative base with a fractional exponent raises EInvalidArgument.
long double Power(long double base, long double exponent);

// The process's random generator: RandSeed = RandSeed * 134775813 + 1 (mod 2^32) before every
// value. It starts at 0, so a fresh process gives the same sequence until Randomize.
extern uint32_t RandSeed;
// A value in [0, range); 0 when range <= 0.
int32_t Random(int32_t range);
// A value in [0, 1): RandSeed / 2^32.
double Random();
// Seeds from the system's performance counter.
void Randomize();

// ---------------------------------------------------------------------------------------------
// Date and time. A TDateTime counts days since 1899-12-30; its fraction is the time of day.
// Before 1899-12-30 the whole part counts back and the fraction still runs forward
// (-1.25 is 1899-12-29 06:00).

using TDateTime = double;

constexpr TDateTime MinDateTime = -693593.0;  // 0001-01-01
constexpr TDateTime MaxDateTime = 2958465.99999;  // 9999-12-31 23:59:59.999

TDateTime Now();
TDateTime Date();
TDateTime Time();

bool IsLeapYear(int year);
// EConvertError "Invalid argument to date encode" outside 0001-01-01 .. 9999-12-31 or for a day
// the month does not have.
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
// A value outside the calendar's range (or not a number) decodes to all zeros.
void DecodeDate(TDateTime date, uint16_t& year, uint16_t& month, uint16_t& day);
// EConvertError "Invalid argument to time encode" for hour > 23, min > 59, sec > 59, msec > 999.
TDateTime EncodeTime(int hour, int min, int sec, int msec);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time);
void DecodeTime(TDateTime time, uint16_t& hour, uint16_t& min, uint16_t& sec, uint16_t& msec);
// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime date);

// Specifiers (letters in either case): c, d dd ddd dddd ddddd dddddd, m mm mmm mmmm (minutes
// right after an h), yy yyyy, h hh, n nn, s ss, z zzz, t tt, am/pm a/p ampm (12-hour clock),
// '/' and ':' (the separators), "quoted" and 'quoted' text; anything else is copied.
std::string FormatDateTime(std::string_view format, TDateTime value);
std::string DateToStr(TDateTime date);       // ShortDateFormat
std::string TimeToStr(TDateTime time);       // LongTimeFormat
std::string DateTimeToStr(TDateTime value);  // ShortDateFormat and LongTimeFormat (no time at midnight)

// DOS date and time (local time, two-second steps) as files carry them. Years outside
// 1980..2107 give 0; a stamp with impossible fields raises EConvertError.
int32_t DateTimeToFileDate(TDateTime value);
TDateTime FileDateToDateTime(int32_t fileDate);

// ---------------------------------------------------------------------------------------------
// Text encodings through the platform's code-page conversions. Bytes that are not valid in the
// source encoding become U+FFFD (or the code page's default character) rather than failing.

std::u16string AnsiToUtf16(std::string_view s);
std::string Utf16ToAnsi(std::u16string_view s);
std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);
std::string UTF8Encode(std::string_view ansi);
std::string UTF8Encode(std::u16string_view s);
std::u16string UTF8Decode(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);

}  // namespace vcl

struct _SYSTEMTIME;

namespace vcl {
// A SYSTEMTIME (from vcl/runtime/win.h) as a TDateTime; EConvertError for impossible fields.
TDateTime SystemTimeToDateTime(const _SYSTEMTIME& systemTime);
}  // namespace vcl
