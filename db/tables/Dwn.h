// The download statistics table Kvl542Dwn: its row record.
// Statements: db/DbDnl/Dwn.cpp.
#pragma once

#include <cstdint>

#include "db/tables/Text.h"

namespace jf {

// Statistics of one download, table Kvl542Dwn, identified by its download date and time and
// the requester DwnErf.
struct DwnRecord {
  Text<8> DwnDtaDate;  // yyyymmdd
  Text<6> DwnDtaTime;  // HHMMSS
  int32_t DwnApk = 0;  // counters by record kind ...
  int32_t DwnApp = 0;
  int32_t DwnAuk = 0;
  int32_t DwnAfo = 0;
  int32_t DwnNeu = 0;  // ... and by download kind
  int32_t DwnAen = 0;
  int32_t DwnLoe = 0;
  Text<30> DwnZf1;
  Text<30> DwnZf2;
  Text<30> DwnZf3;
  Text<14> DwnDat;  // yyyymmddHHMMSS; the statements stamp the column from the database clock
  Text<8> DwnErf;
};

}  // namespace jf
