// Row records of the order source table Kvl500Auk and the operation table Kvl503Afo. Fields keep
// the order the rows have always had in memory, which is not the order of the select lists: the
// column lists in db/DbDnl map each column to its field by name.
#pragma once

#include <cstdint>

#include "db/Text.h"

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

// Operation, table Kvl503Afo: keyed by order and position.
struct AfoRecord {
  Text<12> AfoApk;
  Text<5> AfoApp;
  Text<5> AfoVaf;
  Text<5> AfoNaf;
  Text<30> AfoBz1;
  Text<30> AfoBz2;
  Text<10> AfoTxt;
  int32_t AfoSts = 0;  // 16-bit column
  Text<8> AfoBgs;      // begin date, stored as text
  Text<6> AfoBgz;      // begin time, stored as text
  Text<8> AfoEns;      // end date, stored as text
  Text<6> AfoEnz;      // end time, stored as text
  int32_t AfoAgs = 0;  // 16-bit column
  double AfoSme = 0;
  Text<3> AfoMee;
  double AfoSta = 0;
  double AfoStr = 0;
  double AfoSte = 0;
  Text<10> AfoApg;
  Text<10> AfoApl;
  Text<30> AfoZf1;
  Text<30> AfoZf2;
  Text<30> AfoZf3;
  Text<10> AfoKst;  // selected after AfoFbe
  Text<10> AfoFbe;
};

}  // namespace jf
