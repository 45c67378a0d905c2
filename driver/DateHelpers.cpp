#include "driver/DateHelpers.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

namespace jf {

namespace {

// The number in the field [pos, pos + len) of s, as far as s reaches, read as atoi reads it.
// The fields are at most four characters wide.
int32_t NumberAt(std::string_view s, std::size_t pos, std::size_t len) {
  s = pos < s.size() ? s.substr(pos, len) : std::string_view();
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  int32_t v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = v * 10 + (s[i] - '0');
  return negative ? -v : v;
}

bool AllDigits(std::string_view s) {
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The characters [pos, pos + len) of s, each one s lacks read as '0'.
void CopyOrZero(std::string_view s, std::size_t pos, std::size_t len, char* out) {
  for (std::size_t k = 0; k < len; ++k) out[k] = pos + k < s.size() ? s[pos + k] : '0';
}

// Day number of a date, counted so that differences between dates are days.
int64_t DayNumber(int day, int month, int year) {
  const int64_t y = year;
  return DayOfYear(day, month, year) + 365 * y + (y - 1) / 4 - (y - 1) / 100 + (y - 1) / 400;
}

// A run of digits copied from one text into another: out[at + k] = in[from + k].
struct Piece {
  std::size_t from;
  std::size_t at;
  std::size_t len;
};

// Writes shape (its letters stand for digits, the rest are separators) with the pieces of in in
// place of its letters; the empty text when a piece lies beyond in or holds other than digits.
template <std::size_t N>
void Lay(std::string_view in, std::string_view shape, std::initializer_list<Piece> pieces,
         Text<N>* out) {
  static_assert(N <= 26);
  char buf[26];
  std::memcpy(buf, shape.data(), shape.size());
  for (const Piece& p : pieces) {
    if (p.from + p.len > in.size() || !AllDigits(in.substr(p.from, p.len))) {
      out->Clear();
      return;
    }
    std::memcpy(buf + p.at, in.data() + p.from, p.len);
  }
  *out = std::string_view(buf, shape.size());
}

// yyyymmddHHMMSS into yyyy-mm-dd-HH.MM.SS.000000.
constexpr std::string_view kDashedStamp = "yyyy-mm-dd-HH.MM.SS.000000";
constexpr std::initializer_list<Piece> kDashedPieces = {{0, 0, 4},  {4, 5, 2},   {6, 8, 2},
                                                        {8, 11, 2}, {10, 14, 2}, {12, 17, 2}};
// yyyymmdd into yyyy-mm-dd.
constexpr std::initializer_list<Piece> kDashedDate = {{0, 0, 4}, {4, 5, 2}, {6, 8, 2}};

}  // namespace

int DaysInMonth(int month, int year) {
  if (month == 2) return (year % 400 == 0 || (year % 4 == 0 && year % 100 != 0)) ? 29 : 28;
  if (month == 4 || month == 6 || month == 9 || month == 11) return 30;
  return 31;
}

int64_t DayOfYear(int day, int month, int year) {
  int64_t n = day;
  for (int m = 1; m < month && m <= 12; ++m) n += DaysInMonth(m, year);
  if (month > 13) n += 31 * (static_cast<int64_t>(month) - 13);  // month numbers past 12: 31 days
  return n;
}

int64_t DaysBetween(int day1, int month1, int year1, int day2, int month2, int year2) {
  const int64_t d = DayNumber(day1, month1, year1) - DayNumber(day2, month2, year2);
  return d < 0 ? -d : d;
}

int64_t DateToSeconds(DateParts* date) {
  if (date->year >= 0 && date->year < 100) date->year += date->year >= 70 ? 1900 : 2000;
  return (DayNumber(date->day, date->month, date->year) - DayNumber(1, 1, 1970)) * 86400;
}

int32_t TimeTextToSeconds(std::string_view t) {
  return NumberAt(t, 0, 2) * 3600 + NumberAt(t, 3, 2) * 60 + NumberAt(t, 6, 2);
}

int32_t HhmmssToSeconds(std::string_view t) {
  return NumberAt(t, 0, 2) * 3600 + NumberAt(t, 2, 2) * 60 + NumberAt(t, 4, 2);
}

void SplitTimestamp(std::string_view stamp, Text<10>* date, Text<8>* time) {
  char d[10] = {0, 0, '.', 0, 0, '.'};
  CopyOrZero(stamp, 6, 2, d);
  CopyOrZero(stamp, 4, 2, d + 3);
  CopyOrZero(stamp, 0, 4, d + 6);
  char t[8] = {0, 0, ':', 0, 0, ':'};
  CopyOrZero(stamp, 8, 2, t);
  CopyOrZero(stamp, 10, 2, t + 3);
  CopyOrZero(stamp, 12, 2, t + 6);
  *date = std::string_view(d, sizeof d);
  *time = std::string_view(t, sizeof t);
}

int64_t TimestampDiff(std::string_view first, std::string_view second) {
  auto total = [](std::string_view stamp) {
    Text<10> date;
    Text<8> time;
    SplitTimestamp(stamp, &date, &time);
    DateParts p{NumberAt(date, 0, 2), NumberAt(date, 3, 2), NumberAt(date, 6, 4)};
    return DateToSeconds(&p) + TimeTextToSeconds(time);
  };
  return total(first) - total(second);
}

int32_t HhmmToMinutes(std::string_view hhmm) {
  return NumberAt(hhmm, 0, 2) * 60 + NumberAt(hhmm, 2, 2);
}

void MinutesToTimeText(int32_t minutes, Text<6>* out) {
  if (minutes == 1440) {
    *out = "235959";
    return;
  }
  if (minutes < 0 || minutes / 60 > 99) {
    out->Clear();
    return;
  }
  const int hours = minutes / 60, rest = minutes % 60;
  const char text[6] = {static_cast<char>('0' + hours / 10),
                        static_cast<char>('0' + hours % 10),
                        static_cast<char>('0' + rest / 10),
                        static_cast<char>('0' + rest % 10),
                        '0',
                        '0'};
  *out = std::string_view(text, sizeof text);
}

std::string_view DateTimeToDigits(std::string_view src, Text<14>* out, std::string_view style) {
  // The separators of the source are not looked at, only its digits.
  if (style == "D") {
    Lay(src, "yyyymmdd", {{6, 0, 4}, {3, 4, 2}, {0, 6, 2}}, out);
  } else if (style == "Z") {
    Lay(src, "HHMMSS", {{0, 0, 2}, {3, 2, 2}, {6, 4, 2}}, out);
  } else if (style == "T") {
    Lay(src, "yyyymmddHHMMSS",
        {{6, 0, 4}, {3, 4, 2}, {0, 6, 2}, {10, 8, 2}, {13, 10, 2}, {16, 12, 2}}, out);
  } else {
    out->Clear();
  }
  return out->view();
}

void DigitsToDateTime(Text<14>* date, Text<8>* time, Text<26>* stamp, std::string_view style) {
  if (style == "D") {
    Lay(date->view(), "yyyy-mm-dd", kDashedDate, stamp);
  } else if (style == "Z") {
    Lay(time->view(), "HH.MM.SS", {{0, 0, 2}, {2, 3, 2}, {4, 6, 2}}, stamp);
  } else if (style == "T") {
    // The date's first eight characters, then the time: one timestamp.
    const std::string_view d = date->view();
    Text<14> joined;
    if (d.size() >= 8) joined = std::string(d.substr(0, 8)).append(time->view());
    Lay(joined.view(), kDashedStamp, kDashedPieces, stamp);
  } else if (style == "TS") {
    Lay(date->view(), kDashedStamp, kDashedPieces, stamp);
  } else if (style == "DZ") {
    const Text<26> in = *stamp;
    Lay(in.view(), "yyyy-mm-dd", kDashedDate, date);
    Lay(in.view(), "HH.MM.SS", {{8, 0, 2}, {10, 3, 2}, {12, 6, 2}}, time);
  }
}

int ImpliedDecimalToDouble(std::string_view s, double* value, int decimals) {
  *value = 0;
  // Enough for any quantity text and more; longer texts are not quantities.
  constexpr std::size_t kMaxDigits = 40;
  if (decimals < 0 || decimals > static_cast<int>(kMaxDigits)) return -1;
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  const bool negative = i < s.size() && s[i] == '-';
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
  const std::size_t first = i;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
  std::string_view digits = s.substr(first, i - first);
  while (i < s.size() && s[i] == ' ') ++i;
  if (digits.empty() || i != s.size()) return -1;
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  if (digits.size() > kMaxDigits) return -1;
  // "<digits>e-<decimals>", read by from_chars, which rounds exactly once.
  char buf[kMaxDigits + 8];
  std::memcpy(buf, digits.data(), digits.size());
  const int n = std::snprintf(buf + digits.size(), sizeof buf - digits.size(), "e-%d", decimals);
  double v = 0;
  const auto r = std::from_chars(buf, buf + digits.size() + static_cast<std::size_t>(n), v);
  if (r.ec != std::errc()) return -1;
  *value = negative ? -v : v;
  return 0;
}

}  // namespace jf
