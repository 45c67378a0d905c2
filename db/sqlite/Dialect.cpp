#include "db/sqlite/Dialect.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "db/dialect/Dialect.h"
#include "platform/Env.h"

namespace jf::sqlite {

double JulianDay(int Y, int M, int D, int h, int m, int s, int ms) {
  // Meeus' algorithm, as SQLite computes julianday().
  if (M <= 2) {
    Y--;
    M += 12;
  }
  const int A = Y / 100;
  const int B = 2 - A + (A / 4);
  const long long X1 = 36525LL * (Y + 4716) / 100;
  const long long X2 = 306001LL * (M + 1) / 10000;
  const long long day_ms = static_cast<long long>((X1 + X2 + D + B - 1524.5) * 86400000.0);
  const long long ims = day_ms + h * 3600000LL + m * 60000LL + s * 1000LL + ms;
  return static_cast<double>(ims) / 86400000.0;
}

bool CivilFromJulian(double jd, int* Y, int* M, int* D, int* h, int* m, int* s) {
  // Any REAL can stand in a DATE column; only the days of the years 0 to 9999 have a calendar
  // time here (a day number past them would overflow the integer arithmetic below).
  if (!(jd >= 0.0 && jd < kJulianDayLimit)) return false;
  const long long ims = static_cast<long long>(jd * 86400000.0 + 0.5);
  const int Z = static_cast<int>((ims + 43200000) / 86400000);
  int A = static_cast<int>((Z - 1867216.25) / 36524.25);
  A = Z + 1 + A - (A / 4);
  const int B = A + 1524;
  const int C = static_cast<int>((B - 122.1) / 365.25);
  const int Dd = static_cast<int>((36525LL * (C & 32767)) / 100);
  const int E = static_cast<int>((B - Dd) / 30.6001);
  const int X1 = static_cast<int>(30.6001 * E);
  *D = B - Dd - X1;
  *M = E < 14 ? E - 1 : E - 13;
  *Y = *M > 2 ? C - 4716 : C - 4715;
  long long day_ms = (ims + 43200000) % 86400000;
  const int secs = static_cast<int>(day_ms / 1000);
  *h = secs / 3600;
  *m = (secs / 60) % 60;
  *s = secs % 60;
  return true;
}

int OracleCodeFromMessage(const char* msg) {
  if (msg == nullptr || std::strncmp(msg, "ORA-", 4) != 0) return 0;
  return -std::atoi(msg + 4);
}

namespace {

// The parsed format of argument 1. The statements pass a handful of formats as literals: each is
// parsed once per process and found again by its text. (SQLite's auxiliary data keeps a parse
// only for one execution of a statement, and a key read runs once per row with a dozen dates.)
dialect::DateFormat FormatOf(sqlite3_value* arg) {
  struct Kept {
    std::string text;
    dialect::DateFormat fmt;
  };
  static std::vector<Kept> kept;
  const char* f = reinterpret_cast<const char*>(sqlite3_value_text(arg));
  const std::string_view text = f != nullptr ? f : "";
  for (const Kept& k : kept) {
    if (k.text == text) return k.fmt;
  }
  const dialect::DateFormat fmt = dialect::ParseDateFormat(text);
  if (kept.size() < 64) kept.push_back(Kept{std::string(text), fmt});
  return fmt;
}

void SysdateFunc(sqlite3_context* ctx, int, sqlite3_value**) {
  LocalTime t;
  if (!env()->Now(&t)) {
    sqlite3_result_error(ctx, "ORA-01801: date format is too long for internal buffer", -1);
    return;
  }
  sqlite3_result_double(ctx, JulianDay(t.year, t.month, t.day, t.hour, t.minute, t.second));
}

void TruncFunc(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const double jd = sqlite3_value_double(argv[0]);
  sqlite3_result_double(ctx, std::floor(jd - 0.5) + 0.5);  // Julian days start at noon
}

void ToCharFunc(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  if (argc == 1 || sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
    sqlite3_result_value(ctx, argv[0]);
    return;
  }
  const dialect::DateFormat fmt = FormatOf(argv[1]);
  if (!fmt.ok) {
    sqlite3_result_error(ctx, dialect::DateErrorText(-1821), -1);
    return;
  }
  dialect::CivilTime t;
  if (!CivilFromJulian(sqlite3_value_double(argv[0]), &t.year, &t.month, &t.day, &t.hour, &t.minute,
                       &t.second)) {
    sqlite3_result_error(ctx, dialect::DateErrorText(-1841), -1);
    return;
  }
  char buf[256];  // 16 elements of at most 11 characters (a sign and ten digits)
  const std::size_t n = dialect::WriteDate(t, fmt, buf, sizeof buf);
  sqlite3_result_text(ctx, buf, static_cast<int>(n), SQLITE_TRANSIENT);
}

void ToDateFunc(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const char* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  dialect::CivilTime t;
  bool null = false;
  const int rc = dialect::ReadDate(text != nullptr ? text : "", FormatOf(argv[1]), &t, &null);
  if (rc != 0) {
    sqlite3_result_error(ctx, dialect::DateErrorText(rc), -1);
  } else if (null) {  // Oracle makes the empty text NULL
    sqlite3_result_null(ctx);
  } else {
    sqlite3_result_double(ctx, JulianDay(t.year, t.month, t.day, t.hour, t.minute, t.second));
  }
}

void NvlFunc(sqlite3_context* ctx, int, sqlite3_value** argv) {
  sqlite3_result_value(ctx, sqlite3_value_type(argv[0]) == SQLITE_NULL ? argv[1] : argv[0]);
}

}  // namespace

int RegisterFunctions(sqlite3* db) {
  const int det = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  int rc = sqlite3_create_function(db, "sysdate", 0, SQLITE_UTF8, nullptr, SysdateFunc, nullptr,
                                   nullptr);
  if (rc == SQLITE_OK)
    rc = sqlite3_create_function(db, "trunc", 1, det, nullptr, TruncFunc, nullptr, nullptr);
  if (rc == SQLITE_OK)
    rc = sqlite3_create_function(db, "to_char", 2, det, nullptr, ToCharFunc, nullptr, nullptr);
  if (rc == SQLITE_OK)
    rc = sqlite3_create_function(db, "to_char", 1, det, nullptr, ToCharFunc, nullptr, nullptr);
  if (rc == SQLITE_OK)
    rc = sqlite3_create_function(db, "to_date", 2, det, nullptr, ToDateFunc, nullptr, nullptr);
  if (rc == SQLITE_OK)
    rc = sqlite3_create_function(db, "nvl", 2, det, nullptr, NvlFunc, nullptr, nullptr);
  return rc;
}

}  // namespace jf::sqlite
