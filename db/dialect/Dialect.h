// The statements' own dialect (Oracle's) carried over to the databases that speak another: one
// translator with a rule set per target, and Oracle's reading and writing of date texts, which
// each target needs in its own place (SQLite in its SQL functions, PostgreSQL on the client,
// before a bound date text goes out).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace jf::dialect {

enum class Target {
  // SQLite: placeholders become ?1..?n; "sysdate" becomes a call of the backend's SQL function;
  // "KvlSystem." is dropped, its tables live in the same file. trunc, TO_CHAR, TO_DATE and
  // date arithmetic are the backend's SQL functions over Julian day numbers.
  kSqlite,
  // PostgreSQL: placeholders become $1..$n; "sysdate" the statement's time on the server's
  // clock, to the second; trunc(d) date_trunc('day', d); TO_DATE(:b, 'fmt') a timestamp
  // parameter whose text the backend reads with ReadDate before it sends it, so a bad date text
  // fails with Oracle's status; a date plus or minus a number of days an interval; Oracle's
  // empty text literal '' is NULL; nvl is coalesce; "for update wait N" is "for update", the
  // session's lock_timeout bounding the wait. TO_CHAR keeps its name and formats, which
  // PostgreSQL reads alike; "KvlSystem." names a schema of the database, as on Oracle.
  kPostgres,
};

struct Translation {
  std::string text;
  int params = 0;  // placeholder occurrences
  // A locking query ("for update"). SQLite has no row locks: its text loses the clause (with its
  // wait option) and the backend takes its write lock for it instead.
  bool locks = false;
  // PostgreSQL: by parameter position, the Oracle date format of a TO_DATE(:b, 'fmt')
  // parameter, empty for any other.
  std::vector<std::string> date_formats;
};

Translation Translate(std::string_view oracle_text, Target target);

// --- Date texts as Oracle's TO_CHAR and TO_DATE read and write them ---

// The format elements the statements use.
enum DateElem { kYyyy, kYy, kMm, kDd, kHh24, kMi, kSs };

struct DateFormat {
  DateElem elems[16];
  int n = 0;
  bool ok = true;  // false: an element the statements never use
};

DateFormat ParseDateFormat(std::string_view format);

struct CivilTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Reads text in format as Oracle's TO_DATE does: blanks around the text are ignored, so a text of
// blanks only, like the empty text, is NULL (*null); the time elements may be left off
// (midnight). Returns 0, or Oracle's status for the text: -1861 not matching the format, -1843
// bad month, -1847 day outside 1..31, -1839 a day the month lacks (never rolled over), -1841
// year 0, -1850 / -1851 / -1852 hour, minute or second out of range, -1821 unknown format.
int ReadDate(std::string_view text, const DateFormat& format, CivilTime* out, bool* null);

// Oracle's message for a status of ReadDate ("ORA-01843: not a valid month").
const char* DateErrorText(int status);

// Writes t in format as TO_CHAR does, into buf of room bytes (no terminator); returns the
// bytes written.
std::size_t WriteDate(const CivilTime& t, const DateFormat& format, char* buf, std::size_t room);

}  // namespace jf::dialect
