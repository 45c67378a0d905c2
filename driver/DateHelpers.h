// Date, time and number conversions between the digit texts the statements use (yyyymmdd,
// HHMMSS, yyyymmddHHMMSS, minute-of-day HHMM, quantity texts with implied decimals) and
// display forms. Pure functions; texts are read within their bounds, numbers in them decimally
// as atoi does (leading blanks skipped, reading stops at the first non-digit, no digits give 0).
#pragma once

#include <cstdint>
#include <string_view>

#include "db/tables/Text.h"

namespace jf {

// 29 for February of a leap year, 28 for other Februaries, 30 for April, June, September and
// November, 31 for every other month number, invalid ones included.
int DaysInMonth(int month, int year);
// The day's number within its year, 1 for 1 January.
int64_t DayOfYear(int day, int month, int year);
// Days between two dates, always positive or 0.
int64_t DaysBetween(int day1, int month1, int year1, int day2, int month2, int year2);

struct DateParts {
  int day = 0;
  int month = 0;
  int year = 0;
};
// Seconds from 1 January 1970 to the date's midnight, negative before 1970. A two-digit year is
// completed first, in *date: 70 to 99 are 1970 to 1999, 0 to 69 are 2000 to 2069.
int64_t DateToSeconds(DateParts* date);

// Seconds of the day of a time text HH:MM:SS (the separators are not read).
int32_t TimeTextToSeconds(std::string_view hh_mm_ss);
// Seconds of the day of a digit time HHMMSS.
int32_t HhmmssToSeconds(std::string_view hhmmss);
// A yyyymmddHHMMSS timestamp as the display texts dd.mm.yyyy and HH:MM:SS. Characters the
// timestamp lacks read as '0', so a date alone is its midnight.
void SplitTimestamp(std::string_view stamp, Text<10>* date, Text<8>* time);
// first - second in seconds, for two yyyymmddHHMMSS timestamps.
int64_t TimestampDiff(std::string_view first, std::string_view second);
// Minutes of the day of an HHMM text.
int32_t HhmmToMinutes(std::string_view hhmm);
// HHMM00 of a number of minutes; 1440 minutes (the end of the day) give 235959. Values the form
// cannot show (negative, 100 hours or more) give the empty text.
void MinutesToTimeText(int32_t minutes, Text<6>* out);

// Display form to digits, by style: "D" dd.mm.yyyy to yyyymmdd, "Z" HH:MM:SS to HHMMSS, "T"
// dd.mm.yyyyHH:MM:SS to yyyymmddHHMMSS. Another style, a source shorter than its layout or a
// non-digit where a digit belongs gives the empty text. Returns *out.
std::string_view DateTimeToDigits(std::string_view source, Text<14>* out, std::string_view style);

// Digits to the dashed display form, by style (matched exactly):
//   "D"  date yyyymmdd                 -> stamp yyyy-mm-dd
//   "Z"  time HHMMSS                   -> stamp HH.MM.SS
//   "T"  date yyyymmdd, time HHMMSS    -> stamp yyyy-mm-dd-HH.MM.SS.000000
//   "TS" date holding yyyymmddHHMMSS   -> stamp yyyy-mm-dd-HH.MM.SS.000000
//   "DZ" stamp holding yyyymmddHHMMSS  -> date yyyy-mm-dd, time HH.MM.SS
// An output whose input is too short or not digits becomes the empty text; another style
// writes nothing.
void DigitsToDateTime(Text<14>* date, Text<8>* time, Text<26>* stamp, std::string_view style);

// Reads a digit text whose last `decimals` digits are the fraction (the quantity text of the
// downloads has three): leading blanks, then an optional sign, then digits, then nothing but
// blanks; missing leading digits are zeros, so "5" with three decimals is 0.005. Returns 0, or
// -1 with *value 0 for a negative count of decimals or a text that is not such a number.
int ImpliedDecimalToDouble(std::string_view digits, double* value, int decimals);

}  // namespace jf
