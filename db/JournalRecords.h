// Row records of the download bookkeeping: the statistics of a download (Kvl542Dwn) and the
// update ranges (Kvl543Upd). The journal's own row is the DnlRecord.
#pragma once

#include <cstdint>

#include "db/DnlRecord.h"
#include "db/Text.h"

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

// The update ranges of the row "UPD" of Kvl543Upd: pairs of from (v) and to (b) keys.
struct UpdRecord {
  Text<12> UpdAkv;
  Text<12> UpdAkb;
  Text<12> UpdAav;
  Text<12> UpdAab;
  Text<5> UpdApv;
  Text<5> UpdApb;
  Text<10> UpdAlv;
  Text<10> UpdAlb;
  Text<10> UpdAgv;
  Text<10> UpdAgb;
  Text<5> UpdUgv;
  Text<5> UpdUgb;
  Text<5> UpdAuv;
  Text<5> UpdAub;
  Text<8> UpdPvv;
  Text<8> UpdPvb;
  Text<5> UpdKsv;
  Text<5> UpdKsb;
};

// The text that identifies a download in the journal and the statistics: the date and the time,
// each right-aligned in its width (8 and 6) and padded with blanks on the left, as the stored
// rows are compared with TO_CHAR(column,'yyyymmddHH24MISS').
Text<14> DownloadInstant(const Text<8>& date, const Text<6>& time);

}  // namespace jf
