// The base calendar KvlSystem.Kvl133Bak: its row record.
// Statements: db/Dbstd/Bak.cpp.
#pragma once

#include <cstdint>

#include "db/tables/Text.h"

namespace jf {

// A day of the base calendar, KvlSystem.Kvl133Bak.
struct BakRecord {
  Text<8> BakDate1;
  Text<8> BakDate2;
  int32_t BakJhr = 0;   // year
  int32_t BakMon = 0;   // month
  int32_t BakTag = 0;   // day of the month
  int32_t BakWch = 0;   // week
  int32_t BakWtg = 0;   // day of the week
  int32_t BakJtg = 0;   // day of the year
  int32_t BakDays = 0;  // Bak_Read: offset in days from BakDate1; Bak_Count: the count
};

}  // namespace jf
