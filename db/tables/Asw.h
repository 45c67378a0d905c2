// The badge table KvlSystem.Kvl301Asw: its row record.
// Statements: db/Dbstd/Asw.cpp.
#pragma once

#include <cstdint>

#include "db/tables/Text.h"

namespace jf {

// A badge assignment (KvlSystem.Kvl301Asw) with its person's name and address (Kvl300Pnr).
struct AswRecord {
  Text<8> AswPnr;  // person number
  Text<8> AswGvo;  // valid from
  Text<8> AswGbi;  // valid to; empty when open-ended
  Text<8> AswNum;  // badge number
  Text<14> AswDat;
  Text<12> AswErf;  // longer values are cut to the field
  Text<50> PnrNam;
  Text<50> PnrStr;
  Text<50> PnrOrt;
};

}  // namespace jf
