// Rows go out in groups: the lines of a group's rows are made durable with one flush of each
// send-buffer file they went to, and the rows' updates with one commit. A group ends after its
// number of rows or once it has been open its time, when the cursor has no more rows, and before
// a download stops. The site sets both in the programs' environment, JOBFEED_GROUP_ROWS and
// JOBFEED_GROUP_MS; a group of one row commits every row on its own.
#pragma once

#include <cstdint>

namespace jf {

struct DnlGroupLimits {
  int rows = 100;   // a group ends after this many rows (1 to kDnlGroupMaxRows)
  int millis = 50;  // or after its first row began this long ago (0 to kDnlGroupMaxMillis)
};

// Longer groups would keep other processes waiting for their rows near the lock wait.
inline constexpr int kDnlGroupMaxRows = 10000;
inline constexpr int kDnlGroupMaxMillis = 10000;

// The limits the downloads of this process use: the defaults until DnlGroupConfigure.
DnlGroupLimits& DnlGroupSettings();

// Takes the limits from JOBFEED_GROUP_ROWS and JOBFEED_GROUP_MS where they are set, and whether
// the run journals from JOBFEED_JOURNAL (0 or 1, download/DnlJournal.h). A value that is not a
// whole number in its range is logged and the default stands.
void DnlGroupConfigure();

// A monotonic clock in milliseconds: the age of a group.
int64_t DnlClockMillis();

}  // namespace jf
