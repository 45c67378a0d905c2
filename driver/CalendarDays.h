// Date arithmetic through the base calendar of the database: the days it holds, not the days of
// the Gregorian calendar, count.
#pragma once

#include <cstdint>
#include <string_view>

#include "db/tables/Text.h"

namespace jf {

// Mode 1: the number of calendar days after date up to and including *second (both yyyymmdd),
// or the negative status when the database cannot tell. Mode 2: *second = the calendar day
// `days` days after date (before it when negative), or date itself when the calendar does not
// hold that day; returns the lookup's status. Any other mode returns 0 and does nothing.
int CalendarDays(int mode, int32_t days, std::string_view date, Text<8>* second);

// *seconds = the time from date1 time1 to date2 time2 (yyyymmdd, HHMMSS): the calendar days
// between the dates times 86,400 plus the difference of the times of day; negative when the
// second instant comes first. Returns 0, or the negative status of the calendar lookup with
// *seconds 0.
int TimeDiff(std::string_view date1, std::string_view time1, std::string_view date2,
             std::string_view time2, int64_t* seconds);

}  // namespace jf
