// The terminal configuration table Kvl557Cfg: its row record.
// Statements: db/DbDnl/Cfg.cpp (the terminal lookup cursor).
#pragma once

#include <cstdint>

#include "db/tables/Text.h"

namespace jf {

// Terminal configuration, table Kvl557Cfg: which terminal serves which production areas.
struct CfgRecord {
  int32_t CfgDta = 0;  // terminal number
  Text<15> CfgIP;
  Text<5> CfgPrt;
  Text<30> CfgBez;
  Text<10> CfgTxt;
  int32_t CfgKr1 = 0;
  Text<10> CfgVn1;
  Text<10> CfgBi1;
  Text<30> CfgBz1;
  Text<10> CfgVn2;
  Text<10> CfgBi2;
  Text<30> CfgBz2;
  Text<10> CfgVn3;
  Text<10> CfgBi3;
  Text<30> CfgBz3;
  Text<10> CfgVn4;
  Text<10> CfgBi4;
  Text<30> CfgBz4;
  Text<10> CfgVn5;
  Text<10> CfgBi5;
  Text<30> CfgBz5;
  int32_t CfgSta = 0;
  Text<14> CfgDat;
  Text<8> CfgErf;
};

}  // namespace jf
