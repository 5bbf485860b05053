// Dates and times as TDateTime (days since 1899-12-30), their calendar parts and their text.
#include "vcl/runtime/sysutils.h"

#include "vcl/runtime/win.h"

namespace vcl {

namespace {

constexpr int kDateDelta = 693594;  // days from 0001-01-01 (day 1) to 1899-12-30
constexpr int kMaxDay = 3652059;    // 9999-12-31 in the same count
constexpr int64_t kMSecsPerDay = 86400000;

const uint8_t kMonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                   {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

// A TDateTime as a day count from 0001-01-01 (1 = that day) and milliseconds into the day,
// rounded to the millisecond. False for a value outside the calendar.
struct TTimeStamp {
  int Date = 0;
  int Time = 0;
};

bool ToTimeStamp(TDateTime value, TTimeStamp& stamp) {
  if (!(value >= MinDateTime - 1 && value <= MaxDateTime + 1)) return false;  // also rejects NaN
  int64_t ms = static_cast<int64_t>(std::nearbyint(value * kMSecsPerDay));
  // The whole part counts days either way; the time of day always runs forward.
  int64_t magnitude = ms < 0 ? -ms : ms;
  int64_t days = magnitude / kMSecsPerDay;
  stamp.Time = static_cast<int>(magnitude % kMSecsPerDay);
  stamp.Date = static_cast<int>((ms < 0 ? -days : days) + kDateDelta);
  return stamp.Date >= 1 && stamp.Date <= kMaxDay;
}

struct TDateParts {
  uint16_t Year = 0, Month = 0, Day = 0, DayOfWeek = 0;
  uint16_t Hour = 0, Min = 0, Sec = 0, MSec = 0;
};

TDateParts Decode(TDateTime value) {
  TDateParts p;
  TTimeStamp stamp;
  if (!ToTimeStamp(value, stamp)) return p;
  p.DayOfWeek = static_cast<uint16_t>(stamp.Date % 7 + 1);
  int t = stamp.Date - 1;
  int year = 1 + (t / 146097) * 400;
  t %= 146097;
  int centuries = t / 36524;
  if (centuries == 4) centuries = 3;  // the last day of a 400-year cycle
  t -= centuries * 36524;
  year += centuries * 100 + (t / 1461) * 4;
  t %= 1461;
  int years = t / 365;
  if (years == 4) years = 3;  // the leap day
  t -= years * 365;
  year += years;
  const uint8_t* days = kMonthDays[IsLeapYear(year)];
  int month = 0;
  while (t >= days[month]) t -= days[month++];
  p.Year = static_cast<uint16_t>(year);
  p.Month = static_cast<uint16_t>(month + 1);
  p.Day = static_cast<uint16_t>(t + 1);
  p.Hour = static_cast<uint16_t>(stamp.Time / 3600000);
  p.Min = static_cast<uint16_t>(stamp.Time / 60000 % 60);
  p.Sec = static_cast<uint16_t>(stamp.Time / 1000 % 60);
  p.MSec = static_cast<uint16_t>(stamp.Time % 1000);
  return p;
}

TDateTime Combine(TDateTime date, TDateTime time) { return date >= 0 ? date + time : date - time; }

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
  const uint8_t* days = kMonthDays[IsLeapYear(year)];
  if (day < 1 || day > days[month - 1]) return false;
  for (int m = 0; m < month - 1; ++m) day += days[m];
  int y = year - 1;
  date = static_cast<TDateTime>(y * 365 + y / 4 - y / 100 + y / 400 + day - kDateDelta);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime date;
  if (!TryEncodeDate(year, month, day, date)) throw EConvertError("Invalid argument to date encode");
  return date;
}

void DecodeDate(TDateTime date, uint16_t& year, uint16_t& month, uint16_t& day) {
  TDateParts p = Decode(date);
  year = p.Year;
  month = p.Month;
  day = p.Day;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time) {
  if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999) return false;
  time = static_cast<TDateTime>(((hour * 60 + min) * 60 + sec) * 1000 + msec) / kMSecsPerDay;
  return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  TDateTime time;
  if (!TryEncodeTime(hour, min, sec, msec, time)) throw EConvertError("Invalid argument to time encode");
  return time;
}

void DecodeTime(TDateTime time, uint16_t& hour, uint16_t& min, uint16_t& sec, uint16_t& msec) {
  TDateParts p = Decode(time);
  hour = p.Hour;
  min = p.Min;
  sec = p.Sec;
  msec = p.MSec;
}

int DayOfWeek(TDateTime date) { return Decode(date).DayOfWeek; }

TDateTime SystemTimeToDateTime(const SYSTEMTIME& st) {
  return Combine(EncodeDate(st.wYear, st.wMonth, st.wDay),
                 EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds));
}

TDateTime Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return SystemTimeToDateTime(st);
}

TDateTime Date() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return EncodeDate(st.wYear, st.wMonth, st.wDay);
}

TDateTime Time() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

int32_t DateTimeToFileDate(TDateTime value) {
  TDateParts p = Decode(value);
  if (p.Year < 1980 || p.Year > 2107) return 0;
  uint32_t date = ((p.Year - 1980u) << 9) | (p.Month << 5) | p.Day;
  uint32_t time = (p.Hour << 11) | (p.Min << 5) | (p.Sec / 2u);
  return static_cast<int32_t>((date << 16) | time);
}

TDateTime FileDateToDateTime(int32_t fileDate) {
  uint32_t date = static_cast<uint32_t>(fileDate) >> 16, time = static_cast<uint32_t>(fileDate) & 0xFFFF;
  return Combine(EncodeDate(static_cast<int>(date >> 9) + 1980, (date >> 5) & 15, date & 31),
                 EncodeTime(time >> 11, (time >> 5) & 63, (time & 31) * 2, 0));
}

// --- FormatDateTime ----------------------------------------------------------------------------

namespace {

class TDateTimeFormatter {
 public:
  TDateTimeFormatter(TDateTime value, const TFormatSettings& fs) : parts_(Decode(value)), fs_(fs) {}

  std::string Run(std::string_view format) {
    Append(format.empty() ? std::string_view("C") : format);
    return std::move(out_);
  }

 private:
  static bool StartsWithNoCase(std::string_view text, size_t at, std::string_view word) {
    return text.size() - at >= word.size() && SameText(text.substr(at, word.size()), word);
  }

  void Number(int value, int digits) {
    std::string text = std::to_string(value);
    if (static_cast<int>(text.size()) < digits) text.insert(0, digits - text.size(), '0');
    out_ += text;
  }

  // Whether an h at `from` shows a 12-hour clock: an am/pm marker comes before the next h.
  static bool TwelveHourAhead(std::string_view format, size_t from) {
    char quote = 0;
    for (size_t i = from; i < format.size(); ++i) {
      char c = format[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '\'' || c == '"') {
        quote = c;
      } else if (c == 'a' || c == 'A') {
        return StartsWithNoCase(format, i, "am/pm") || StartsWithNoCase(format, i, "a/p") ||
               StartsWithNoCase(format, i, "ampm");
      } else if (c == 'h' || c == 'H') {
        return false;
      }
    }
    return false;
  }

  // Formats nest one level deep (ShortDateFormat inside "c"), never further, so a setting
  // that names itself cannot recurse without end.
  void Append(std::string_view format) {
    if (depth_ >= 2) return;
    ++depth_;
    char lastToken = ' ';
    bool twelveHour = false;
    size_t i = 0;
    while (i < format.size()) {
      const char starter = format[i++];
      char token = (starter >= 'a' && starter <= 'z') ? static_cast<char>(starter - 32) : starter;
      if (token >= 'A' && token <= 'Z') {
        if (token == 'M' && lastToken == 'H') token = 'N';  // m right after h is minutes
        lastToken = token;
      }
      // How many times the starting character repeats (itself included).
      auto count = [&] {
        int n = 1;
        while (i < format.size() && format[i] == starter) {
          ++i;
          ++n;
        }
        return n;
      };
      switch (token) {
        case 'Y': {
          int n = count();
          if (n <= 2) Number(parts_.Year % 100, 2);
          else Number(parts_.Year, 4);
          break;
        }
        case 'M': {
          int n = count();
          if (n <= 2) Number(parts_.Month, n);
          else if (parts_.Month == 0) break;
          else if (n == 3) out_ += fs_.ShortMonthNames[parts_.Month - 1];
          else out_ += fs_.LongMonthNames[parts_.Month - 1];
          break;
        }
        case 'D': {
          int n = count();
          if (n <= 2) Number(parts_.Day, n);
          else if (n == 5) Append(fs_.ShortDateFormat);
          else if (n >= 6) Append(fs_.LongDateFormat);
          else if (parts_.DayOfWeek == 0) break;
          else if (n == 3) out_ += fs_.ShortDayNames[parts_.DayOfWeek - 1];
          else out_ += fs_.LongDayNames[parts_.DayOfWeek - 1];
          break;
        }
        case 'H': {
          int n = std::min(count(), 2);
          if (TwelveHourAhead(format, i)) twelveHour = true;
          int hour = parts_.Hour;
          if (twelveHour) hour = hour == 0 ? 12 : (hour > 12 ? hour - 12 : hour);
          Number(hour, n);
          break;
        }
        case 'N':
          Number(parts_.Min, std::min(count(), 2));
          break;
        case 'S':
          Number(parts_.Sec, std::min(count(), 2));
          break;
        case 'Z':
          Number(parts_.MSec, count() > 1 ? 3 : 1);
          break;
        case 'T':
          Append(count() == 1 ? fs_.ShortTimeFormat : fs_.LongTimeFormat);
          break;
        case 'C':
          count();
          Append(fs_.ShortDateFormat);
          if (parts_.Hour != 0 || parts_.Min != 0 || parts_.Sec != 0) {
            out_ += ' ';
            Append(fs_.LongTimeFormat);
          }
          break;
        case 'A': {
          const size_t at = i - 1;
          const bool pm = parts_.Hour >= 12;
          if (StartsWithNoCase(format, at, "am/pm")) {
            // The marker keeps the case written in the format.
            out_.append(format.substr(pm ? at + 3 : at, 2));
            i = at + 5;
            twelveHour = true;
          } else if (StartsWithNoCase(format, at, "a/p")) {
            out_ += format[pm ? at + 2 : at];
            i = at + 3;
            twelveHour = true;
          } else if (StartsWithNoCase(format, at, "ampm")) {
            out_ += pm ? fs_.TimePMString : fs_.TimeAMString;
            i = at + 4;
            twelveHour = true;
          } else {
            out_ += starter;
          }
          break;
        }
        case '/':
          if (fs_.DateSeparator != '\0') out_ += fs_.DateSeparator;
          break;
        case ':':
          if (fs_.TimeSeparator != '\0') out_ += fs_.TimeSeparator;
          break;
        case '\'':
        case '"': {
          size_t close = format.find(starter, i);
          if (close == std::string_view::npos) close = format.size();
          out_.append(format.substr(i, close - i));
          i = std::min(close + 1, format.size());
          break;
        }
        default:
          out_ += starter;
      }
    }
    --depth_;
  }

  TDateParts parts_;
  const TFormatSettings& fs_;
  int depth_ = 0;
  std::string out_;
};

}  // namespace

std::string FormatDateTime(std::string_view format, TDateTime value) {
  return TDateTimeFormatter(value, FormatSettings).Run(format);
}

std::string DateToStr(TDateTime date) { return FormatDateTime("ddddd", date); }
std::string TimeToStr(TDateTime time) { return FormatDateTime("tt", time); }
std::string DateTimeToStr(TDateTime value) { return FormatDateTime("c", value); }

}  // namespace vcl
