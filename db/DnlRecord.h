// One download record: what a download hands the send-buffer writer for one row, and the row
// of the download journal Kvl540Dnl (date and time are the journal's DnlDta).
#pragma once

#include <cstdint>

#include "db/Text.h"

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

}  // namespace jf
