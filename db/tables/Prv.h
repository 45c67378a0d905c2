// The personnel table Kvl510Prv: its row record and the column lists of its statements.
// Statements: db/Dbstd/Prv.cpp (table access), db/DbDnl/Prv.cpp (download cursor).
#pragma once

#include <cstddef>
#include <cstdint>

#include "db/tables/Columns.h"
#include "db/tables/Text.h"

namespace jf {

// Person, table Kvl510Prv.
struct PrvRecord {
  Text<8> PrvPnr;  // personnel number
  Text<8> PrvGvo;  // valid from, yyyymmdd
  Text<8> PrvGbi;  // valid to, yyyymmdd
  int32_t PrvBer = 0;
  Text<10> PrvKst;  // cost centre
  Text<10> PrvFbe;  // production area
  int32_t PrvMmb = 0;
  Text<30> PrvZf1;
  Text<30> PrvZf2;
  Text<30> PrvZf3;
  Text<3> PrvDna;
  Text<8> PrvDwn;
  int32_t PrvAwa = 0;
  Text<8> PrvAwn;
  int32_t PrvAnw = 0;
  Text<14> PrvAvn;  // yyyymmddHHMMSS
  Text<14> PrvAbi;  // yyyymmddHHMMSS
  int32_t PrvApl = 0;
  int32_t PrvApp = 0;
  int32_t PrvSta = 0;
  Text<14> PrvDat;  // yyyymmddHHMMSS of the last change
  Text<8> PrvErf;
  int32_t PrvPzm = 0;
  Text<50> PrvNam;
  Text<50> PrvStr;
  Text<50> PrvOrt;
};
using PrvDnlRecord = PrvRecord;

// The download cursor selects the change time PrvDat but neither name nor address.
inline constexpr auto kPrvDownloadColumns = [] {
  using R = PrvRecord;
  ColumnList<R, 23> l;
  l << Cols<&R::PrvPnr, &R::PrvGvo, &R::PrvGbi, &R::PrvBer, &R::PrvKst, &R::PrvFbe, &R::PrvMmb,
            &R::PrvZf1, &R::PrvZf2, &R::PrvZf3, &R::PrvDna, &R::PrvDwn, &R::PrvAwa, &R::PrvAwn,
            &R::PrvAnw, &R::PrvAvn, &R::PrvAbi, &R::PrvApl, &R::PrvApp, &R::PrvPzm, &R::PrvSta,
            &R::PrvDat, &R::PrvErf>();
  return l;
}();

// The table access reads and inserts these 25 columns in this order (the insert sets PrvDat to
// the database time in between).
inline constexpr auto kPrvTableColumns = [] {
  using R = PrvRecord;
  ColumnList<R, 25> l;
  l << Cols<&R::PrvPnr, &R::PrvGvo, &R::PrvGbi, &R::PrvBer, &R::PrvKst, &R::PrvFbe, &R::PrvMmb,
            &R::PrvZf1, &R::PrvZf2, &R::PrvZf3>();
  l << Col16<&R::PrvSta>();
  l << Cols<&R::PrvErf, &R::PrvDna, &R::PrvDwn, &R::PrvAwn, &R::PrvAwa, &R::PrvAnw, &R::PrvApl,
            &R::PrvApp, &R::PrvPzm, &R::PrvAvn, &R::PrvAbi, &R::PrvNam, &R::PrvStr, &R::PrvOrt>();
  return l;
}();

}  // namespace jf
