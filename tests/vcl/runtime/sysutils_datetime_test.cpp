#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

using namespace vcl;

TEST(EncodeDateTest, DayNumbers) {
  struct {
    int y, m, d;
    double expected;
  } cases[] = {
      {1899, 12, 30, 0},   {1899, 12, 29, -1},     {1900, 1, 1, 2},      {2000, 1, 1, 36526},
      {2024, 2, 29, 45351}, {1, 1, 1, -693593},    {9999, 12, 31, 2958465}, {1900, 3, 1, 61},
  };
  for (const auto& c : cases) EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.expected) << c.y << "-" << c.m << "-" << c.d;
}

TEST(EncodeDateTest, ImpossibleDatesRaise) {
  struct {
    int y, m, d;
  } bad[] = {{2023, 2, 29}, {1900, 2, 29}, {0, 1, 1},  {10000, 1, 1}, {2020, 13, 1},
             {2020, 0, 1},  {2020, 4, 31}, {2020, 1, 0}, {-5, 1, 1},   {2020, 1, 32}};
  for (const auto& c : bad) {
    try {
      EncodeDate(c.y, c.m, c.d);
      ADD_FAILURE() << c.y << "-" << c.m << "-" << c.d;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Invalid argument to date encode");
    }
    TDateTime untouched = 99;
    EXPECT_FALSE(TryEncodeDate(c.y, c.m, c.d, untouched));
    EXPECT_EQ(untouched, 99);
  }
}

TEST(DecodeDateTest, RoundTripsAcrossTheCalendar) {
  for (int day = -693593; day <= 2958465; day += 997) {
    uint16_t y, m, d;
    DecodeDate(day, y, m, d);
    ASSERT_EQ(EncodeDate(y, m, d), day) << y << "-" << m << "-" << d;
  }
  // Leap days and the ends of 400-year cycles, where day counting goes wrong first.
  const int dates[][3] = {{2000, 2, 29}, {2000, 12, 31}, {1600, 12, 31}, {2100, 3, 1}, {1, 1, 1}, {9999, 12, 31}};
  for (const auto& date : dates) {
    uint16_t y, m, d;
    DecodeDate(EncodeDate(date[0], date[1], date[2]), y, m, d);
    EXPECT_EQ(y, date[0]);
    EXPECT_EQ(m, date[1]);
    EXPECT_EQ(d, date[2]);
  }
}

TEST(DecodeDateTest, BeforeTheEpochTheTimeRunsForward) {
  uint16_t y, m, d, h, n, s, ms;
  DecodeDate(-1.25, y, m, d);
  DecodeTime(-1.25, h, n, s, ms);
  EXPECT_EQ(y, 1899);
  EXPECT_EQ(m, 12);
  EXPECT_EQ(d, 29);
  EXPECT_EQ(h, 6);
}

TEST(DecodeDateTest, ValuesOutsideTheCalendarDecodeToZeros) {
  const double bad[] = {3e6, -7e5, 1e300, std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity()};
  for (double v : bad) {
    uint16_t y = 1, m = 1, d = 1;
    DecodeDate(v, y, m, d);
    EXPECT_EQ(y + m + d, 0) << v;
    EXPECT_EQ(DayOfWeek(v), 0) << v;
    EXPECT_NO_THROW(FormatDateTime("c dddd mmmm", v));
  }
}

TEST(EncodeTimeTest, FractionsOfADay) {
  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_EQ(EncodeTime(18, 0, 0, 0), 0.75);
  EXPECT_EQ(EncodeTime(0, 0, 0, 0), 0);
  uint16_t h, n, s, ms;
  DecodeTime(EncodeTime(13, 45, 30, 250), h, n, s, ms);
  EXPECT_EQ(h, 13);
  EXPECT_EQ(n, 45);
  EXPECT_EQ(s, 30);
  EXPECT_EQ(ms, 250);
  DecodeTime(EncodeTime(23, 59, 59, 999), h, n, s, ms);
  EXPECT_EQ(h * 10000000 + n * 100000 + s * 1000 + ms, 235959999);
  // A hair before midnight is rounded to the millisecond, into the next day.
  DecodeTime(0.99999999999, h, n, s, ms);
  EXPECT_EQ(h + n + s + ms, 0);
}

TEST(EncodeTimeTest, ImpossibleTimesRaise) {
  const int bad[][4] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {-1, 0, 0, 0}, {0, 0, 0, -1}};
  for (const auto& t : bad) {
    try {
      EncodeTime(t[0], t[1], t[2], t[3]);
      ADD_FAILURE() << t[0] << ":" << t[1] << ":" << t[2] << "." << t[3];
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Invalid argument to time encode");
    }
    TDateTime untouched = 5;
    EXPECT_FALSE(TryEncodeTime(t[0], t[1], t[2], t[3], untouched));
  }
}

TEST(CalendarTest, LeapYearsAndWeekdays) {
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(2023));
  EXPECT_EQ(DayOfWeek(0), 7);                          // 1899-12-30, Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(2000, 1, 1)), 7);     // Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 2, 29)), 5);    // Thursday
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 3)), 1);     // Sunday
  EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);        // Monday
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 5) + 0.9), 3);
}

class FormatDateTimeTest : public ::testing::Test {
 protected:
  void TearDown() override { FormatSettings = saved_; }
  const TDateTime value_ = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 45);  // a Tuesday
  TFormatSettings saved_ = FormatSettings;
};

TEST_F(FormatDateTimeTest, Specifiers) {
  struct {
    const char* format;
    const char* expected;
  } cases[] = {
      {"yyyy-mm-dd hh:nn:ss.zzz", "2024-03-05 14:07:09.045"},
      {"d/m/yy", "5/3/24"},
      {"y yyy", "24 2024"},
      {"dddd, mmmm d", "Tuesday, March 5"},
      {"ddd mmm", "Tue Mar"},
      {"DDD MMM", "Tue Mar"},
      {"h:mm am/pm", "2:07 pm"},
      {"H:MM AM/PM", "2:07 PM"},
      {"h:n a/p", "2:7 p"},
      {"hh:nn ampm", "02:07 PM"},
      {"hh:mm", "14:07"},
      {"hh mm", "14 07"},
      {"mm/dd", "03/05"},
      {"s ss z zz zzz", "9 09 45 045 045"},
      {"c", "3/5/2024 2:07:09 PM"},
      {"", "3/5/2024 2:07:09 PM"},
      {"ddddd", "3/5/2024"},
      {"dddddd", "Tuesday, March 5, 2024"},
      {"t", "2:07 PM"},
      {"tt", "2:07:09 PM"},
      {"\"day\" d 'of' mmmm", "day 5 of March"},
      {"'unclosed", "unclosed"},
      {"x-#", "x-#"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.format, value_), c.expected) << c.format;
}

TEST_F(FormatDateTimeTest, TwelveHourClockEdges) {
  EXPECT_EQ(FormatDateTime("h ampm", EncodeTime(0, 30, 0, 0)), "12 AM");
  EXPECT_EQ(FormatDateTime("h ampm", EncodeTime(12, 0, 0, 0)), "12 PM");
  EXPECT_EQ(FormatDateTime("h ampm", EncodeTime(11, 59, 0, 0)), "11 AM");
  EXPECT_EQ(FormatDateTime("h 'am/pm' h", EncodeTime(13, 0, 0, 0)), "13 am/pm 13");
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 3, 5)), "3/5/2024");  // no time at midnight
}

TEST_F(FormatDateTimeTest, FollowsTheSettings) {
  FormatSettings.DateSeparator = '-';
  FormatSettings.TimeSeparator = '.';
  FormatSettings.ShortDateFormat = "dd/mm/yyyy";
  FormatSettings.LongTimeFormat = "hh:nn:ss";
  EXPECT_EQ(DateToStr(value_), "05-03-2024");
  EXPECT_EQ(TimeToStr(value_), "14.07.09");
  EXPECT_EQ(DateTimeToStr(value_), "05-03-2024 14.07.09");
  // A format that names itself stops instead of recursing.
  FormatSettings.ShortDateFormat = "c";
  EXPECT_NO_THROW(FormatDateTime("c", value_));
}

TEST_F(FormatDateTimeTest, DefaultTexts) {
  EXPECT_EQ(DateToStr(value_), "3/5/2024");
  EXPECT_EQ(TimeToStr(value_), "2:07:09 PM");
  EXPECT_EQ(DateTimeToStr(value_), "3/5/2024 2:07:09 PM");
}

TEST(FileDateTest, DosStampsRoundTrip) {
  TDateTime value = EncodeDate(2021, 6, 15) + EncodeTime(10, 20, 30, 0);
  int32_t stamp = DateTimeToFileDate(value);
  EXPECT_EQ(stamp, static_cast<int32_t>(((41u << 9 | 6u << 5 | 15u) << 16) | (10u << 11 | 20u << 5 | 15u)));
  EXPECT_EQ(FileDateToDateTime(stamp), value);
  // Two-second steps: an odd second goes down.
  EXPECT_EQ(FileDateToDateTime(DateTimeToFileDate(value + EncodeTime(0, 0, 1, 0))), value);
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(1979, 12, 31)), 0);
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(2108, 1, 1)), 0);
  EXPECT_EQ(DateTimeToFileDate(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(FileDateTest, ImpossibleStampsRaise) {
  EXPECT_THROW(FileDateToDateTime(0), EConvertError);           // month 0
  EXPECT_THROW(FileDateToDateTime(-1), EConvertError);          // hour 31
  EXPECT_THROW(FileDateToDateTime((0x21 << 16) | (60 << 5)), EConvertError);  // 1980-01-01, minute 60
}

TEST(SystemTimeTest, ConvertsAndChecks) {
  SYSTEMTIME st = {2024, 3, 2, 5, 14, 7, 9, 45};
  EXPECT_EQ(SystemTimeToDateTime(st), EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 45));
  st.wMonth = 13;
  EXPECT_THROW(SystemTimeToDateTime(st), EConvertError);
}

TEST(ClockTest, NowDateAndTimeAgree) {
  TDateTime today = Date(), now = Now(), time = Time();
  EXPECT_EQ(Frac(today), 0);
  EXPECT_GE(now, today);
  EXPECT_LT(now, today + 2);  // a midnight may pass between the calls
  EXPECT_GE(time, 0);
  EXPECT_LT(time, 1);
}
