// The date, time and number conversions of the run driver.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>

#include "download/Field.h"
#include "driver/DateHelpers.h"

namespace jf {
namespace {

TEST(DateHelpers, CalendarArithmeticAgreesWithTheCivilCalendar) {
  struct {
    int month, year, days;
  } const kMonths[] = {{2, 1900, 28}, {2, 2000, 29},  {2, 2024, 29},  {2, 2023, 28},
                       {4, 2024, 30}, {12, 2024, 31}, {13, 2024, 31}, {0, 2024, 31}};
  for (const auto& c : kMonths) {
    EXPECT_EQ(DaysInMonth(c.month, c.year), c.days) << c.month << "/" << c.year;
  }
  EXPECT_EQ(DaysBetween(1, 1, 1970, 1, 1, 1971), 365);
  EXPECT_EQ(DaysBetween(1, 3, 2024, 28, 2, 2024), 2);
  EXPECT_EQ(DaysBetween(28, 2, 1900, 1, 3, 1900), 1);

  // Every 13th day from 1900 to 2100, against the standard library's calendar: the seconds are
  // signed before 1970 and do not wrap after January 2038.
  using namespace std::chrono;
  for (sys_days d = sys_days{1900y / January / 1}; d < sys_days{2100y / January / 1};
       d += days{13}) {
    const year_month_day ymd{d};
    DateParts p{static_cast<int>(unsigned{ymd.day()}), static_cast<int>(unsigned{ymd.month()}),
                static_cast<int>(ymd.year())};
    ASSERT_EQ(DateToSeconds(&p), d.time_since_epoch().count() * 86400LL)
        << p.day << "." << p.month << "." << p.year;
  }
}

TEST(DateHelpers, TwoDigitYearsAreCompletedInPlace) {
  struct {
    int year, full;
    long long seconds;
  } const kYears[] = {
      {70, 1970, 0}, {99, 1999, 915148800}, {0, 2000, 946684800}, {69, 2069, 3124224000LL}};
  for (const auto& c : kYears) {
    DateParts p{1, 1, c.year};
    EXPECT_EQ(DateToSeconds(&p), c.seconds) << c.year;
    EXPECT_EQ(p.year, c.full);
  }
}

TEST(DateHelpers, TimestampDifferencesAreSignedAcross1970And2038) {
  struct {
    const char *first, *second;
    long long diff;
  } const kCases[] = {
      {"19700101000000", "19691231235959", 1},
      {"19691231235959", "19700101000000", -1},
      {"20380119031408", "20380119031407", 1},
      {"20380120000000", "20380119000000", 86400},
      {"20240301000000", "20240228120000", 129600},  // a leap day between
      {"20240301", "20240229235959", 1},             // a date alone is its midnight
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(TimestampDiff(c.first, c.second), c.diff) << c.first << " - " << c.second;
  }
  Text<10> date;
  Text<8> time;
  SplitTimestamp("20261207153005", &date, &time);
  EXPECT_EQ(date, "07.12.2026");
  EXPECT_EQ(time, "15:30:05");
}

TEST(DateHelpers, FixedPositionReadersStayInsideTheirTexts) {
  struct {
    const char* text;
    int seconds;
  } const kTimes[] = {{"08:09:10", 8 * 3600 + 9 * 60 + 10},
                      {"", 0},
                      {"1", 3600},
                      {"12:3", 43380},
                      {" 9:xx:07", 9 * 3600 + 7}};
  for (const auto& c : kTimes) EXPECT_EQ(TimeTextToSeconds(c.text), c.seconds) << c.text;
  EXPECT_EQ(HhmmToMinutes("0809"), 8 * 60 + 9);
  EXPECT_EQ(HhmmToMinutes("23"), 23 * 60);
  EXPECT_EQ(HhmmToMinutes(""), 0);
  EXPECT_EQ(HhmmssToSeconds("0809"), 8 * 3600 + 9 * 60);
}

TEST(DateHelpers, MinutesToTimeTextShowsWhatFitsOnly) {
  struct {
    int minutes;
    const char* text;
  } const kCases[] = {{1440, "235959"}, {90, "013000"}, {1500, "250000"}, {0, "000000"},
                      {5999, "995900"}, {6000, ""},     {-1, ""},         {INT32_MIN, ""}};
  for (const auto& c : kCases) {
    Text<6> out("junk");
    MinutesToTimeText(c.minutes, &out);
    EXPECT_EQ(out, c.text) << c.minutes;
  }
}

TEST(DateHelpers, DisplayToDigitsByExactStyle) {
  struct {
    const char *source, *style, *digits;
  } const kCases[] = {
      {"07.12.2026", "D", "20261207"},
      {"15:30:05", "Z", "153005"},
      {"07.12.202615:30:05", "T", "20261207153005"},
      {"07.12.2026", "DZ", ""},         // no such style, and not "D"
      {"07.12.2026", "", ""},           //
      {"07.12.20", "D", ""},            // too short
      {"07.12.2026 15:30:0", "T", ""},  // the blank shifts the time
      {"ab.12.2026", "D", ""},          // not digits
  };
  for (const auto& c : kCases) {
    Text<14> out("junk");
    EXPECT_EQ(DateTimeToDigits(c.source, &out, c.style), c.digits) << c.source << " " << c.style;
  }
  // Digits split for display and read back give the same digits.
  for (const char* stamp : {"20261207153005", "19700101000000", "20240229235959"}) {
    Text<10> date;
    Text<8> time;
    SplitTimestamp(stamp, &date, &time);
    Text<14> d, t, both;
    EXPECT_EQ(
        std::string(DateTimeToDigits(date, &d, "D")) + std::string(DateTimeToDigits(time, &t, "Z")),
        stamp);
    EXPECT_EQ(DateTimeToDigits(std::string(date.view()) + std::string(time.view()), &both, "T"),
              stamp);
  }
}

TEST(DateHelpers, DigitsToDashedFormsByExactStyle) {
  struct {
    const char *date, *time, *stamp, *style;
    const char *out_date, *out_time, *out_stamp;
  } const kCases[] = {
      {"20261207", "153000", "", "D", "20261207", "153000", "2026-12-07"},
      {"20261207", "153000", "", "Z", "20261207", "153000", "15.30.00"},
      {"20261207", "153000", "", "T", "20261207", "153000", "2026-12-07-15.30.00.000000"},
      {"20261207153000", "", "", "TS", "20261207153000", "", "2026-12-07-15.30.00.000000"},
      {"x", "y", "20261207153000", "DZ", "2026-12-07", "15.30.00", "20261207153000"},
      {"x", "y", "z", "ZD", "x", "y", "z"},                        // no such style: nothing written
      {"2026120", "153000", "old", "T", "2026120", "153000", ""},  // too short
      {"x", "y", "20261207", "DZ", "2026-12-07", "", "20261207"},  // no time in the stamp
  };
  for (const auto& c : kCases) {
    Text<14> date(c.date);
    Text<8> time(c.time);
    Text<26> stamp(c.stamp);
    DigitsToDateTime(&date, &time, &stamp, c.style);
    EXPECT_EQ(date, c.out_date) << c.style;
    EXPECT_EQ(time, c.out_time) << c.style;
    EXPECT_EQ(stamp, c.out_stamp) << c.style;
  }
}

TEST(DateHelpers, ImpliedDecimals) {
  struct {
    const char* text;
    int decimals;
    int rc;
    double value;
  } const kCases[] = {
      {"00000012550", 3, 0, 12.55},
      {"00000000000", 3, 0, 0},
      {"0", 3, 0, 0},
      {"5", 3, 0, 0.005},
      {"-0000125500", 3, 0, -125.5},
      {"  42  ", 0, 0, 42},
      {"+1234", 2, 0, 12.34},
      {"1234567890123456789012", 3, 0, 1234567890123456789.012},
      {"", 3, -1, 0},
      {"   ", 3, -1, 0},
      {"12a4", 3, -1, 0},
      {"1 2", 3, -1, 0},
      {"-", 3, -1, 0},
      {"123", -1, -1, 0},
      {"         in", 3, -1, 0},  // what the formatter writes for infinity
  };
  for (const auto& c : kCases) {
    double v = 99;
    EXPECT_EQ(ImpliedDecimalToDouble(c.text, &v, c.decimals), c.rc) << c.text;
    EXPECT_DOUBLE_EQ(v, c.value) << c.text;
  }
}

TEST(DateHelpers, ImpliedDecimalsReadBackEveryQuantityText) {
  // Values of every magnitude the quantity text shows and beyond, both signs, with fractions
  // that round either way; for each the text read back formats to the same text, and where the
  // text keeps every integer digit the value is the one formatted, to three decimals.
  int samples = 0;
  for (int exp = -4; exp <= 12; ++exp) {
    for (double mantissa : {1.0, 1.0005, 1.2345, 3.14159265, 4.9995, 7.0, 9.9999999}) {
      for (double sign : {1.0, -1.0}) {
        const double v = sign * mantissa * std::pow(10.0, exp);
        char text[field::kQuantityWidth];
        field::PutQuantity(text, v);
        const std::string_view t(text, sizeof text);
        double back = 0;
        ASSERT_EQ(ImpliedDecimalToDouble(t, &back, 3), 0) << v << " [" << t << "]";
        char again[field::kQuantityWidth];
        field::PutQuantity(again, back);
        EXPECT_EQ(std::string_view(again, sizeof again), t) << v;
        if (std::fabs(v) < (sign > 0 ? 1e8 : 1e7)) {
          EXPECT_NEAR(back, v, 0.0005 + 1e-9) << t;
        }
        ++samples;
      }
    }
  }
  EXPECT_EQ(samples, 17 * 7 * 2);
}

}  // namespace
}  // namespace jf
