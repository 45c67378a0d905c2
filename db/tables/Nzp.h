// The number counter table Kvl591Nzp: its row record.
// Statements: db/Dbstd/Nzp.cpp.
#pragma once

#include <cstdint>

#include "db/tables/Text.h"

namespace jf {

// A number counter, table Kvl591Nzp, valid from NzpGvn to NzpGbi.
struct NzpRecord {
  int32_t NzpAkz = 0;
  Text<8> NzpGvn;
  Text<8> NzpGbi;
  int32_t NzpAak = 0;
  int32_t NzpAwt = 0;
  int32_t NzpKjh = 0;
  int32_t NzpKmn = 0;
  int32_t NzpKwo = 0;
  int32_t NzpKtg = 0;
  int32_t NzpAan = 0;
  int32_t NzpVfh = 0;
  int32_t NzpNfh = 0;
  int32_t NzpMrk = 0;
  Text<14> NzpAdt;  // yyyymmddHHMMSS of the last update; the update stamps it itself
  Text<8> NzpAus;
};

}  // namespace jf
