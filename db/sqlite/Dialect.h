// The SQL functions that carry Oracle's date semantics over the stored Julian day numbers; the
// statement texts are translated for SQLite by db/dialect.
#pragma once

#include <sqlite3.h>

namespace jf::sqlite {

// Registers sysdate(), trunc(d), TO_CHAR(d, fmt) and TO_DATE(text, fmt) on a connection.
int RegisterFunctions(sqlite3* db);

// Julian day of a local calendar time (the storage form of DATE columns).
double JulianDay(int year, int month, int day, int hour, int minute, int second, int millis = 0);
// The first Julian day past 9999-12-31.
inline constexpr double kJulianDayLimit = 5373484.5;
// Inverse of JulianDay, rounded to the millisecond. False, and nothing set, for a day outside
// 0 to kJulianDayLimit (or not a number).
bool CivilFromJulian(double jd, int* year, int* month, int* day, int* hour, int* minute,
                     int* second);

// Error texts of the date functions start with "ORA-nnnnn"; this gives -nnnnn, or 0.
int OracleCodeFromMessage(const char* msg);

}  // namespace jf::sqlite
