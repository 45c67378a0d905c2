// The function assignment table Kvl553Fzu: its row record.
// Statements: db/Dbstd/Fzu.cpp.
#pragma once

#include <cstdint>

#include "db/tables/Text.h"

namespace jf {

// Function assignment, table Kvl553Fzu.
struct FzuRecord {
  Text<3> FzuFcd;  // function code
  Text<3> FzuMld;  // message code
  Text<30> FzuBez;
  Text<10> FzuTxt;
  int32_t FzuArt = 0;
  int32_t FzuObj = 0;
  int32_t FzuUpl = 0;
  int32_t FzuGen = 0;
  Text<30> FzuZf1;
  Text<30> FzuZf2;
  Text<30> FzuZf3;
  int32_t FzuSta = 0;  // travels as 16 bits
  Text<14> FzuDat;     // yyyymmddHHMMSS of the last change; no lookup touches it
  Text<8> FzuErf;
};

}  // namespace jf
