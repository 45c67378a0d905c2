// The interruption reason table Kvl521Ubg: its row record and the column lists of its statements.
// Statements: db/Dbstd/Ubg.cpp (table access), db/DbDnl/Ubg.cpp (download cursor).
#pragma once

#include <cstddef>
#include <cstdint>

#include "db/tables/Columns.h"
#include "db/tables/Text.h"

namespace jf {

// Interruption reason, table Kvl521Ubg.
struct UbgRecord {
  Text<4> UbgUbg;
  int32_t UbgKnz = 0;  // kind of reason
  Text<10> UbgFbe;     // production area
  Text<30> UbgBez;
  Text<10> UbgTxt;
  Text<30> UbgZf1;
  Text<30> UbgZf2;
  Text<30> UbgZf3;
  int32_t UbgAst = 0;
  double UbgRst = 0;
  double UbgAsf = 0;
  Text<10> UbgSt1;
  Text<10> UbgSt2;
  Text<10> UbgSt3;
  double UbgSf1 = 0;
  double UbgSf2 = 0;
  double UbgSf3 = 0;
  Text<3> UbgDna;
  Text<8> UbgDwn;
  int32_t UbgSta = 0;
  Text<14> UbgDat;
  Text<8> UbgErf;
};
using UbgDnlRecord = UbgRecord;

inline constexpr std::size_t kUbgColumns = 21;

constexpr ColumnList<UbgRecord, kUbgColumns> UbgColumns(MasterSelect select) {
  using R = UbgRecord;
  ColumnList<R, kUbgColumns> l;
  l << Cols<&R::UbgUbg, &R::UbgKnz, &R::UbgFbe, &R::UbgBez, &R::UbgTxt, &R::UbgZf1, &R::UbgZf2,
            &R::UbgZf3, &R::UbgAst, &R::UbgRst, &R::UbgAsf, &R::UbgSt1, &R::UbgSt2, &R::UbgSt3,
            &R::UbgSf1, &R::UbgSf2, &R::UbgSf3, &R::UbgDna, &R::UbgDwn>();
  l << Col16If<&R::UbgSta>(select == MasterSelect::kTableAccess);
  l << Col<&R::UbgErf>();
  return l;
}

inline constexpr auto kUbgDownloadColumns = UbgColumns(MasterSelect::kDownload);
inline constexpr auto kUbgTableColumns = UbgColumns(MasterSelect::kTableAccess);

}  // namespace jf
