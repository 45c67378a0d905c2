// The download journal table Kvl540Dnl. One download record: what a download hands the send-buffer
// writer for one row, and the row of the download journal Kvl540Dnl (date and time are the
// journal's DnlDta). Statements: db/DbDnl/Dnl.cpp.
#pragma once

#include <cstdint>

#include "db/tables/Text.h"

namespace jf {

struct DnlRecord {
  Text<8> date;  // run date yyyymmdd
  Text<6> time;  // run time HHMMSS
  int32_t DnlLfn = 0;
  Text<3> DnlVkz;
  Text<5> DnlBer;
  Text<3> DnlFun;
  Text<3> DnlSkz;
  Text<8> DnlPnr;
  Text<12> DnlApk;
  Text<5> DnlApp;
  Text<10> DnlApl;
  Text<257> DnlDnl;
  Text<14> DnlDat;
  Text<8> DnlErf;
};

// The text that identifies a download in the journal and the statistics: the date and the time,
// each right-aligned in its width (8 and 6) and padded with blanks on the left, as the stored
// rows are compared with TO_CHAR(column,'yyyymmddHH24MISS').
Text<14> DownloadInstant(const Text<8>& date, const Text<6>& time);

}  // namespace jf
