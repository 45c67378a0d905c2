// The shift table Kvl533Emo and its break model Kvl535Pms: its row record.
// Statements: db/Dbstd/Pms.cpp.
#pragma once

#include <cstdint>

#include "db/tables/Text.h"

namespace jf {

// A shift (Kvl533Emo) and, for the break cursor and sum, one break of its break model
// (Kvl535Pms). Times are minutes of the day, 0 to 1439.
struct EmoRecord {
  Text<10> EmoEmo;
  Text<3> EmoTtp;  // day type
  Text<10> EmoTxt;
  int32_t EmoBeg = 0;
  int32_t EmoEnd = 0;
  int32_t EmoArt = 0;
  Text<5> PmsNum;
  int32_t PmsBeg = 0;
  int32_t PmsEnd = 0;
  int32_t PmsInt = 0;
  int32_t PmsPse = 0;  // Pms_PauseSum: the break minutes of the shift on a day
  int32_t PmsBzt = 0;
  int32_t PmsPrz = 0;
};

}  // namespace jf
