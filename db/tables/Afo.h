// The operation table Kvl503Afo: its row record.
// Statements: db/DbDnl/Afo.cpp.
#pragma once

#include <cstdint>

#include "db/tables/Text.h"

namespace jf {

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
