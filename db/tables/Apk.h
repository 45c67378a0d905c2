// The order header table Kvl501Apk: its row record and the column lists of its statements.
// Statements: db/Dbstd/Apk.cpp (table access), db/DbDnl/Apk.cpp (download cursor).
#pragma once

#include <cstddef>
#include <cstdint>

#include "db/tables/Columns.h"
#include "db/tables/Text.h"

namespace jf {

// Order header, table Kvl501Apk. Also the row of the order header download cursor.
struct ApkRecord {
  Text<12> ApkApk;
  Text<30> ApkBz1;
  Text<30> ApkBz2;
  Text<10> ApkTxt;
  int32_t ApkSts = 0;
  int32_t ApkSis = 0;
  Text<7> ApkKun;
  Text<30> ApkKb1;
  Text<30> ApkKb2;
  Text<8> ApkBgs;  // yyyymmdd
  Text<8> ApkEns;  // yyyymmdd
  int32_t ApkAfo = 0;
  int32_t ApkEaf = 0;
  Text<20> ApkTnr;
  Text<30> ApkTb1;
  Text<30> ApkTb2;
  double ApkSme = 0;
  double ApkIme = 0;
  Text<3> ApkMee;
  Text<8> ApkBdiDate;
  Text<6> ApkBdiTime;
  Text<8> ApkEdiDate;
  Text<6> ApkEdiTime;
  Text<10> ApkFbe;
  Text<10> ApkKst;
  Text<30> ApkZf1;
  Text<30> ApkZf2;
  Text<30> ApkZf3;
  Text<1> ApkKnz;
  int32_t ApkSsn = 0;
  Text<3> ApkDna;
  Text<8> ApkDwn;
  int32_t ApkSta = 0;
  Text<14> ApkDat;  // yyyymmddHHMMSS
  Text<8> ApkErf;
  int32_t ApkAba = 0;
};
using ApkDnlRecord = ApkRecord;

enum class ApkSelect {
  kDownload,  // 36 columns, ApkDna before ApkDwn, ApkDat included; ApkSsn, ApkSta 32-bit
  kKeyRead,   // 35 columns, ApkDna before ApkDwn, no ApkDat; ApkSsn, ApkSta 16-bit
  kRange,     // 35 columns, ApkDwn before ApkDna, no ApkDat; ApkSsn, ApkSta 16-bit
};

// The select lists of the order position table: all 60 columns in one order; the download
// cursor carries AppSsn and AppSta as 32-bit, the table access as 16-bit integers.

inline constexpr std::size_t kApkMaxColumns = 36;

constexpr ColumnList<ApkRecord, kApkMaxColumns> ApkColumns(ApkSelect select) {
  using R = ApkRecord;
  // The download cursor was declared with full-width counters; the table-access module carries
  // its small integers as 16 bits.
  const bool wide = select == ApkSelect::kDownload;
  ColumnList<R, kApkMaxColumns> l;
  l << Cols<&R::ApkApk, &R::ApkBz1, &R::ApkBz2, &R::ApkTxt>();
  l << Col16<&R::ApkSts>() << Col16<&R::ApkSis>();
  l << Cols<&R::ApkKun, &R::ApkKb1, &R::ApkKb2, &R::ApkBgs, &R::ApkEns>();
  l << Col16<&R::ApkAfo>() << Col16<&R::ApkEaf>();
  l << Cols<&R::ApkTnr, &R::ApkTb1, &R::ApkTb2, &R::ApkSme, &R::ApkIme, &R::ApkMee, &R::ApkBdiDate,
            &R::ApkBdiTime, &R::ApkEdiDate, &R::ApkEdiTime, &R::ApkFbe, &R::ApkKst, &R::ApkZf1,
            &R::ApkZf2, &R::ApkZf3, &R::ApkKnz>();
  l << Col16If<&R::ApkSsn>(!wide);
  if (select == ApkSelect::kRange) {
    l << Cols<&R::ApkDwn, &R::ApkDna>();
  } else {
    l << Cols<&R::ApkDna, &R::ApkDwn>();
  }
  l << Col16If<&R::ApkSta>(!wide);
  if (select == ApkSelect::kDownload) l << Col<&R::ApkDat>();
  l << Cols<&R::ApkErf, &R::ApkAba>();
  return l;
}

inline constexpr auto kApkDownloadColumns = ApkColumns(ApkSelect::kDownload);
inline constexpr auto kApkKeyReadColumns = ApkColumns(ApkSelect::kKeyRead);
inline constexpr auto kApkRangeColumns = ApkColumns(ApkSelect::kRange);

}  // namespace jf
