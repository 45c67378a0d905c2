#include "driver/CalendarDays.h"

#include "db/Dbstd.h"
#include "db/sql/Status.h"
#include "driver/DateHelpers.h"

namespace jf {

namespace {

// A longer text is no yyyymmdd date: cut to the field, it would name another day.
bool FitsDate(std::string_view date) {
  return date.size() <= 8;
}

}  // namespace

int CalendarDays(int mode, int32_t days, std::string_view date, Text<8>* second) {
  if (mode != 1 && mode != 2) return 0;
  if (!FitsDate(date)) return sql::kDateFormat;
  BakRecord r;
  r.BakDate1 = date;
  if (mode == 1) {
    r.BakDate2 = *second;
    const int rc = Bak_Count(&r);
    // A failure must not read as a count of days.
    if (rc != 0) return rc < 0 ? rc : -rc;
    return r.BakDays;
  }
  r.BakDays = days;
  const int rc = Bak_Read(&r);
  *second = rc == 0 ? r.BakDate1.view() : date;
  return rc;
}

int TimeDiff(std::string_view date1, std::string_view time1, std::string_view date2,
             std::string_view time2, int64_t* seconds) {
  *seconds = 0;
  if (!FitsDate(date1) || !FitsDate(date2)) return sql::kDateFormat;
  // The calendar counts the days after an earlier date up to a later one; for reversed dates it
  // counts the other way round and the days are taken negative.
  const bool reversed = date2 < date1;
  Text<8> later = reversed ? date1 : date2;
  const int days = CalendarDays(1, 0, reversed ? date2 : date1, &later);
  if (days < 0) return days;
  *seconds = static_cast<int64_t>(reversed ? -days : days) * 86400 + HhmmssToSeconds(time2) -
             HhmmssToSeconds(time1);
  return 0;
}

}  // namespace jf
