// The workplace table Kvl531Apl: its row record and the column lists of its statements.
// Statements: db/Dbstd/Apl.cpp (table access), db/DbDnl/Apl.cpp (download cursor).
#pragma once

#include <cstddef>
#include <cstdint>

#include "db/tables/Columns.h"
#include "db/tables/Text.h"

namespace jf {

// Workplace, table Kvl531Apl.
struct AplRecord {
  Text<10> AplApl;
  Text<30> AplBez;
  Text<10> AplTxt;
  Text<10> AplApg;  // the workplace's group
  Text<10> AplFbe;  // production area
  int32_t AplSts = 0;
  int32_t AplSis = 0;
  int32_t AplApr = 0;
  int32_t AplAaf = 0;
  Text<4> AplUbg;   // an interruption reason key
  Text<14> AplUdt;  // table access: yyyymmddHHMMSS; download cursor: the session's date text
  Text<30> AplZf1;
  Text<30> AplZf2;
  Text<30> AplZf3;
  int32_t AplTag = 0;
  double AplVrf = 0;
  double AplRsp = 0;
  double AplRsi = 0;
  double AplAfp = 0;
  double AplAfi = 0;
  double AplPau = 0;
  double AplUnt = 0;
  double AplIak = 0;
  int32_t AplAvt = 0;
  double AplKap = 0;
  double AplAvr = 0;
  double AplAvp = 0;
  Text<10> AplSt1;
  Text<10> AplSt2;
  Text<10> AplSt3;
  double AplSf1 = 0;
  double AplSf2 = 0;
  double AplSf3 = 0;
  Text<3> AplDna;
  Text<8> AplDwn;
  int32_t AplSta = 0;
  Text<14> AplDat;
  Text<8> AplErf;
};
using AplDnlRecord = AplRecord;

inline constexpr std::size_t kAplColumns = 37;

constexpr ColumnList<AplRecord, kAplColumns> AplColumns(MasterSelect select) {
  using R = AplRecord;
  ColumnList<R, kAplColumns> l;
  l << Cols<&R::AplApl, &R::AplBez, &R::AplTxt, &R::AplApg, &R::AplFbe>();
  l << Col16<&R::AplSts>() << Col16<&R::AplSis>();
  // AplUdt: the download cursor delivers the session's own date text, the table access
  // yyyymmddHHMMSS.
  l << Cols<&R::AplApr, &R::AplAaf, &R::AplUbg, &R::AplUdt, &R::AplTag, &R::AplVrf, &R::AplRsp,
            &R::AplRsi, &R::AplAfp, &R::AplAfi, &R::AplPau, &R::AplUnt, &R::AplIak, &R::AplAvt,
            &R::AplKap, &R::AplAvr, &R::AplAvp, &R::AplSt1, &R::AplSt2, &R::AplSt3, &R::AplSf1,
            &R::AplSf2, &R::AplSf3, &R::AplZf1, &R::AplZf2, &R::AplZf3, &R::AplDna, &R::AplDwn>();
  l << Col16If<&R::AplSta>(select == MasterSelect::kTableAccess);
  l << Col<&R::AplErf>();
  return l;
}

inline constexpr auto kAplDownloadColumns = AplColumns(MasterSelect::kDownload);
inline constexpr auto kAplTableColumns = AplColumns(MasterSelect::kTableAccess);

}  // namespace jf
