#include "db/sqlite/Dialect.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Env.h"

namespace jf::sqlite {

namespace {

bool IsIdent(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '$' || c == '#';
}

char Lower(char c) {
  return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
}

bool WordIs(std::string_view text, std::size_t i, std::size_t n, std::string_view word) {
  if (n != word.size()) return false;
  for (std::size_t k = 0; k < n; ++k) {
    if (Lower(text[i + k]) != word[k]) return false;
  }
  return true;
}

// Whether the word after position i (after blanks) is "update": "for update".
bool IsForUpdate(std::string_view text, std::size_t i) {
  while (i < text.size() && text[i] == ' ') ++i;
  std::size_t j = i;
  while (j < text.size() && IsIdent(text[j])) ++j;
  return WordIs(text, i, j - i, "update");
}

}  // namespace

std::string Translate(std::string_view text, int* params, bool* locks) {
  std::string out;
  out.reserve(text.size() + 16);
  int count = 0;
  if (locks != nullptr) *locks = false;
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\'') {  // literal: copied as it stands
      std::size_t j = i + 1;
      while (j < text.size() && text[j] != '\'') ++j;
      out.append(text.substr(i, j + 1 - i));
      i = j + 1;
      continue;
    }
    if (c == ':' && i + 1 < text.size() && IsIdent(text[i + 1])) {
      std::size_t j = i + 1;
      while (j < text.size() && IsIdent(text[j])) ++j;
      out += '?';
      out += std::to_string(++count);
      i = j;
      continue;
    }
    if (IsIdent(c) && (i == 0 || !IsIdent(text[i - 1]))) {
      std::size_t j = i;
      while (j < text.size() && IsIdent(text[j])) ++j;
      const std::size_t n = j - i;
      if (WordIs(text, i, n, "for") && IsForUpdate(text, j)) {
        // The locking clause closes the statement; what follows it is its wait option.
        while (!out.empty() && out.back() == ' ') out.pop_back();
        if (locks != nullptr) *locks = true;
        break;
      }
      if (WordIs(text, i, n, "sysdate")) {
        out += "sysdate()";
      } else if (WordIs(text, i, n, "kvlsystem") && j < text.size() && text[j] == '.') {
        ++j;  // schema prefix dropped with its dot
      } else {
        out.append(text.substr(i, n));
      }
      i = j;
      continue;
    }
    out += c;
    ++i;
  }
  if (params != nullptr) *params = count;
  return out;
}

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

void CivilFromJulian(double jd, int* Y, int* M, int* D, int* h, int* m, int* s) {
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
}

int OracleCodeFromMessage(const char* msg) {
  if (msg == nullptr || std::strncmp(msg, "ORA-", 4) != 0) return 0;
  return -std::atoi(msg + 4);
}

namespace {

// The date format elements the statements use.
enum Elem { kYyyy, kYy, kMm, kDd, kHh24, kMi, kSs };

struct Fmt {
  Elem elems[16];
  int n = 0;
  bool ok = true;
};

Fmt ParseFormat(const char* f) {
  Fmt r;
  std::size_t i = 0, len = std::strlen(f);
  while (i < len) {
    if (r.n == 16) {
      r.ok = false;
      break;
    }
    auto at = [&](const char* w) {
      std::size_t n = std::strlen(w);
      if (i + n > len) return false;
      for (std::size_t k = 0; k < n; ++k) {
        if (Lower(f[i + k]) != w[k]) return false;
      }
      i += n;
      return true;
    };
    if (at("yyyy")) {
      r.elems[r.n++] = kYyyy;
    } else if (at("yy")) {
      r.elems[r.n++] = kYy;
    } else if (at("mm")) {
      r.elems[r.n++] = kMm;
    } else if (at("dd")) {
      r.elems[r.n++] = kDd;
    } else if (at("hh24")) {
      r.elems[r.n++] = kHh24;
    } else if (at("mi")) {
      r.elems[r.n++] = kMi;
    } else if (at("ss")) {
      r.elems[r.n++] = kSs;
    } else {
      r.ok = false;
      break;
    }
  }
  return r;
}

int Width(Elem e) {
  return e == kYyyy ? 4 : 2;
}

// The parsed format of argument 1. The statements pass a handful of formats as literals: each is
// parsed once per process and found again by its text. (SQLite's auxiliary data keeps a parse
// only for one execution of a statement, and a key read runs once per row with a dozen dates.)
Fmt FormatOf(sqlite3_value* arg) {
  struct Kept {
    std::string text;
    Fmt fmt;
  };
  static std::vector<Kept> kept;
  const char* f = reinterpret_cast<const char*>(sqlite3_value_text(arg));
  const std::string_view text = f != nullptr ? f : "";
  for (const Kept& k : kept) {
    if (k.text == text) return k.fmt;
  }
  const Fmt fmt = ParseFormat(std::string(text).c_str());
  if (kept.size() < 64) kept.push_back(Kept{std::string(text), fmt});
  return fmt;
}

// Writes v zero-padded to width digits, as "%0*d" does; returns the characters written.
std::size_t PutPadded(char* out, std::size_t room, int width, int v) {
  if (room == 0 || static_cast<std::size_t>(width) >= room) return 0;
  int limit = 1;
  for (int k = 0; k < width; ++k) limit *= 10;
  if (v < 0 || v >= limit) {  // rare: let the library handle signs and extra digits
    const int n = std::snprintf(out, room, "%0*d", width, v);
    return n < 0 ? 0 : std::min(static_cast<std::size_t>(n), room - 1);
  }
  for (int k = width - 1; k >= 0; --k) {
    out[k] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  return static_cast<std::size_t>(width);
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
  const Fmt fmt = FormatOf(argv[1]);
  if (!fmt.ok) {
    sqlite3_result_error(ctx, "ORA-01821: date format not recognized", -1);
    return;
  }
  int Y, M, D, h, m, s;
  CivilFromJulian(sqlite3_value_double(argv[0]), &Y, &M, &D, &h, &m, &s);
  char buf[256];  // 16 elements of at most 11 characters (a sign and ten digits)
  std::size_t o = 0;
  for (int k = 0; k < fmt.n; ++k) {
    int v = 0;
    switch (fmt.elems[k]) {
      case kYyyy:
        v = Y;
        break;
      case kYy:
        v = Y % 100;
        break;
      case kMm:
        v = M;
        break;
      case kDd:
        v = D;
        break;
      case kHh24:
        v = h;
        break;
      case kMi:
        v = m;
        break;
      case kSs:
        v = s;
        break;
    }
    o += PutPadded(buf + o, sizeof buf - o, Width(fmt.elems[k]), v);
  }
  sqlite3_result_text(ctx, buf, static_cast<int>(o), SQLITE_TRANSIENT);
}

void ToDateFunc(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const char* t = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  // Blanks around the text are ignored, as Oracle ignores extra blanks without the FX modifier:
  // a date-time text whose parts are right-aligned in their widths ("20261207      ") reads as
  // the midnight of that day, and a text of blanks only as the empty text.
  std::size_t len = t != nullptr ? std::strlen(t) : 0;
  while (len > 0 && t[len - 1] == ' ') --len;
  while (len > 0 && *t == ' ') {
    ++t;
    --len;
  }
  if (len == 0) {  // Oracle makes the empty text NULL
    sqlite3_result_null(ctx);
    return;
  }
  const Fmt fmt = FormatOf(argv[1]);
  if (!fmt.ok) {
    sqlite3_result_error(ctx, "ORA-01821: date format not recognized", -1);
    return;
  }
  int Y = -1, M = -1, D = -1, h = 0, m = 0, s = 0;
  std::size_t pos = 0;
  for (int k = 0; k < fmt.n; ++k) {
    const Elem e = fmt.elems[k];
    if (pos == len && (e == kHh24 || e == kMi || e == kSs)) break;  // time may be left off
    const int w = Width(e);
    int v = 0;
    for (int d = 0; d < w; ++d) {
      if (pos >= len || t[pos] < '0' || t[pos] > '9') {
        sqlite3_result_error(ctx, "ORA-01861: literal does not match format string", -1);
        return;
      }
      v = v * 10 + (t[pos++] - '0');
    }
    switch (e) {
      case kYyyy:
        Y = v;
        break;
      case kYy:
        Y = 2000 + v;
        break;
      case kMm:
        M = v;
        break;
      case kDd:
        D = v;
        break;
      case kHh24:
        h = v;
        break;
      case kMi:
        m = v;
        break;
      case kSs:
        s = v;
        break;
    }
  }
  if (pos != len || Y < 0 || M < 0 || D < 0) {
    sqlite3_result_error(ctx, "ORA-01861: literal does not match format string", -1);
    return;
  }
  if (M < 1 || M > 12) {
    sqlite3_result_error(ctx, "ORA-01843: not a valid month", -1);
    return;
  }
  if (Y == 0) {
    sqlite3_result_error(
        ctx, "ORA-01841: (full) year must be between -4713 and +9999, and not be 0", -1);
    return;
  }
  if (D < 1 || D > 31) {
    sqlite3_result_error(ctx, "ORA-01847: day of month must be between 1 and last day of month",
                         -1);
    return;
  }
  // A day the month does not have is refused, never rolled over into the next month.
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (Y % 4 == 0 && Y % 100 != 0) || Y % 400 == 0;
  if (D > kDays[M - 1] + (M == 2 && leap ? 1 : 0)) {
    sqlite3_result_error(ctx, "ORA-01839: date not valid for month specified", -1);
    return;
  }
  if (h > 23) {
    sqlite3_result_error(ctx, "ORA-01850: hour must be between 0 and 23", -1);
    return;
  }
  if (m > 59) {
    sqlite3_result_error(ctx, "ORA-01851: minutes must be between 0 and 59", -1);
    return;
  }
  if (s > 59) {
    sqlite3_result_error(ctx, "ORA-01852: seconds must be between 0 and 59", -1);
    return;
  }
  sqlite3_result_double(ctx, JulianDay(Y, M, D, h, m, s));
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
