// The workplace group table Kvl530Apg: its row record and the column lists of its statements.
// Statements: db/Dbstd/Apg.cpp (table access), db/DbDnl/Apg.cpp (download cursor).
#pragma once

#include <cstddef>
#include <cstdint>

#include "db/tables/Columns.h"
#include "db/tables/Text.h"

namespace jf {

// Workplace group, table Kvl530Apg.
struct ApgRecord {
  Text<10> ApgApg;
  Text<30> ApgBez;
  Text<10> ApgTxt;
  Text<10> ApgKst;  // download cursor: the cost centre of the group's valid assignment
  Text<10> ApgFbe;  // production area
  Text<30> ApgZf1;
  Text<30> ApgZf2;
  Text<30> ApgZf3;
  int32_t ApgApl = 0;
  int32_t ApgTag = 0;
  double ApgKap = 0;
  double ApgPrd = 0;
  double ApgRst = 0;
  double ApgPau = 0;
  double ApgUnt = 0;
  double ApgIak = 0;
  Text<10> ApgSt1;
  Text<10> ApgSt2;
  Text<10> ApgSt3;
  double ApgSf1 = 0;
  double ApgSf2 = 0;
  double ApgSf3 = 0;
  Text<3> ApgDna;  // download kind
  Text<8> ApgDwn;  // download marker
  int32_t ApgSta = 0;
  Text<14> ApgDat;  // yyyymmddHHMMSS of the last change
  Text<8> ApgErf;
};
using ApgDnlRecord = ApgRecord;

inline constexpr std::size_t kApgColumns = 26;

constexpr ColumnList<ApgRecord, kApgColumns> ApgColumns(MasterSelect select) {
  using R = ApgRecord;
  ColumnList<R, kApgColumns> l;
  // The download cursor's fifth column is the cost centre of the group's valid assignment
  // (KsgKst); it lands in ApgKst, where the table access puts the column ApgKst.
  l << Cols<&R::ApgApg, &R::ApgBez, &R::ApgTxt, &R::ApgFbe, &R::ApgKst, &R::ApgApl, &R::ApgTag,
            &R::ApgKap, &R::ApgPrd, &R::ApgRst, &R::ApgPau, &R::ApgUnt, &R::ApgIak, &R::ApgSt1,
            &R::ApgSt2, &R::ApgSt3, &R::ApgSf1, &R::ApgSf2, &R::ApgSf3, &R::ApgZf1, &R::ApgZf2,
            &R::ApgZf3, &R::ApgDna, &R::ApgDwn>();
  l << Col16If<&R::ApgSta>(select == MasterSelect::kTableAccess);
  l << Col<&R::ApgErf>();
  return l;
}

inline constexpr auto kApgDownloadColumns = ApgColumns(MasterSelect::kDownload);
inline constexpr auto kApgTableColumns = ApgColumns(MasterSelect::kTableAccess);

}  // namespace jf
