// The update range table Kvl543Upd: its row record.
// Statements: db/DbDnl/Upd.cpp.
#pragma once

#include <cstdint>

#include "db/tables/Text.h"

namespace jf {

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

}  // namespace jf
