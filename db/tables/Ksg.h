// The cost centre assignment table Kvl537Ksg: its row record and the column lists of its
// statements. Statements: db/Dbstd/Ksg.cpp (table access), db/DbDnl/Ksg.cpp (the cost centre
// download cursor).
#pragma once

#include <cstddef>
#include <cstdint>

#include "db/tables/Columns.h"
#include "db/tables/Text.h"

namespace jf {

// Cost centre assignment of a workplace group, table Kvl537Ksg. The download cursor fills only
// KsgKst and KsgFbe: one cost centre for one production area.
struct KsgRecord {
  Text<10> KsgApg;
  Text<14> KsgGvo;  // start of validity, yyyymmdd
  Text<14> KsgGbi;  // end of validity, yyyymmdd
  Text<10> KsgFbe;
  Text<10> KsgKst;
  Text<30> KsgZf1;
  Text<30> KsgZf2;
  Text<30> KsgZf3;
  int32_t KsgSta = 0;
  Text<14> KsgDat;
  Text<8> KsgErf;
};
using KsgDnlRecord = KsgRecord;

inline constexpr auto kKsgTableColumns = [] {
  using R = KsgRecord;
  ColumnList<R, 10> l;
  l << Cols<&R::KsgApg, &R::KsgKst, &R::KsgGvo, &R::KsgGbi, &R::KsgFbe, &R::KsgZf1, &R::KsgZf2,
            &R::KsgZf3>();
  l << Col16<&R::KsgSta>() << Col<&R::KsgErf>();
  return l;
}();

// One cost centre for one production area.
inline constexpr auto kKsgDownloadColumns = Cols<&KsgRecord::KsgKst, &KsgRecord::KsgFbe>();

}  // namespace jf
