// Translation of the Oracle statement texts for SQLite and the SQL functions that carry the
// Oracle date semantics over the stored Julian day numbers.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

namespace jf::sqlite {

// Rewrites one statement text: each placeholder occurrence (":b0", ":name") becomes a numbered
// parameter in order of appearance, "sysdate" becomes a call, and the schema prefix
// "KvlSystem." is dropped (its tables live in the same file). *params receives the number of
// placeholder occurrences. A locking query's closing "for update [wait N | nowait]" is dropped
// and *locks (when given) says so: SQLite has no row locks, the backend takes its write lock for
// such a query instead.
std::string Translate(std::string_view oracle_text, int* params, bool* locks = nullptr);

// Registers sysdate(), trunc(d), TO_CHAR(d, fmt) and TO_DATE(text, fmt) on a connection.
int RegisterFunctions(sqlite3* db);

// Julian day of a local calendar time (the storage form of DATE columns).
double JulianDay(int year, int month, int day, int hour, int minute, int second, int millis = 0);
// Inverse of JulianDay, rounded to the millisecond.
void CivilFromJulian(double jd, int* year, int* month, int* day, int* hour, int* minute,
                     int* second);

// Error texts of the date functions start with "ORA-nnnnn"; this gives -nnnnn, or 0.
int OracleCodeFromMessage(const char* msg);

}  // namespace jf::sqlite
