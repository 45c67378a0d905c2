// The order source table Kvl500Auk: its row record.
// Statements: db/DbDnl/Auk.cpp.
#pragma once

#include <cstdint>

#include "db/tables/Text.h"

namespace jf {

// Order source, table Kvl500Auk: one row per order.
struct AukRecord {
  Text<12> AukApk;
  Text<30> AukBz1;
  Text<30> AukBz2;
  Text<10> AukTxt;
  int32_t AukSts = 0;  // 16-bit column
  int32_t AukAfo = 0;  // 16-bit column
  Text<7> AukKun;
  Text<30> AukKb1;
  Text<30> AukKb2;
  Text<8> AukBgs;  // stored as text
  Text<8> AukEns;  // stored as text
  Text<20> AukTnr;
  Text<30> AukTb1;
  Text<30> AukTb2;
  double AukSme = 0;
  Text<3> AukMee;
  Text<30> AukZf1;
  Text<30> AukZf2;
  Text<30> AukZf3;
  Text<10> AukFbe;
  Text<10> AukKst;
};

}  // namespace jf
