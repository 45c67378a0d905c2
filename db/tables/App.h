// The order position table Kvl504App: its row record and the column lists of its statements.
// Statements: db/Dbstd/App.cpp (table access), db/DbDnl/App.cpp (download cursor).
#pragma once

#include <cstddef>
#include <cstdint>

#include "db/tables/Columns.h"
#include "db/tables/Text.h"

namespace jf {

// Order position, table Kvl504App. Also the row of the order position download cursor.
struct AppRecord {
  Text<12> AppApk;
  Text<5> AppApp;
  Text<5> AppVaf;
  Text<5> AppNaf;
  Text<30> AppBz1;
  Text<30> AppBz2;
  Text<10> AppTxt;
  int32_t AppSts = 0;
  int32_t AppSis = 0;
  Text<8> AppBdiDate;
  Text<6> AppBdiTime;
  Text<8> AppBdsDate;
  Text<6> AppBdsTime;
  Text<8> AppSbdDate;
  Text<6> AppSbdTime;
  Text<8> AppEdiDate;
  Text<6> AppEdiTime;
  Text<8> AppEdsDate;
  Text<6> AppEdsTime;
  Text<8> AppSedDate;
  Text<6> AppSedTime;
  Text<8> AppRadDate;
  Text<6> AppRadTime;
  Text<8> AppRedDate;
  Text<6> AppRedTime;
  int32_t AppAgs = 0;
  int32_t AppAbs = 0;
  int32_t AppAes = 0;
  double AppSme = 0;
  double AppIme = 0;
  double AppAme = 0;
  Text<3> AppMee;
  double AppSza = 0;
  double AppStr = 0;
  double AppSte = 0;
  double AppIta = 0;
  double AppItr = 0;
  double AppIte = 0;
  Text<10> AppApg;
  Text<10> AppApl;
  Text<15> AppKt1;
  Text<3> AppKz1;
  Text<15> AppKt2;
  Text<3> AppKz2;
  Text<15> AppKt3;
  Text<3> AppKz3;
  Text<15> AppKt4;
  Text<3> AppKz4;
  Text<10> AppFbe;
  Text<10> AppKst;
  Text<30> AppZf1;
  Text<30> AppZf2;
  Text<30> AppZf3;
  Text<1> AppKnz;
  Text<3> AppDna;
  Text<8> AppDwn;
  int32_t AppSsn = 0;
  int32_t AppSta = 0;
  Text<14> AppDat;  // yyyymmddHHMMSS
  Text<8> AppErf;
};
using AppDnlRecord = AppRecord;

// The select lists of the order position table: all 60 columns in one order; the download
// cursor carries AppSsn and AppSta as 32-bit, the table access as 16-bit integers.
enum class AppSelect { kDownload, kTableAccess };

inline constexpr std::size_t kAppColumns = 60;

constexpr ColumnList<AppRecord, kAppColumns> AppColumns(AppSelect select) {
  using R = AppRecord;
  const bool wide = select == AppSelect::kDownload;
  ColumnList<R, kAppColumns> l;
  l << Cols<&R::AppApk, &R::AppApp, &R::AppVaf, &R::AppNaf, &R::AppBz1, &R::AppBz2, &R::AppTxt>();
  l << Col16<&R::AppSts>() << Col16<&R::AppSis>();
  l << Cols<&R::AppBdiDate, &R::AppBdiTime, &R::AppBdsDate, &R::AppBdsTime, &R::AppSbdDate,
            &R::AppSbdTime, &R::AppEdiDate, &R::AppEdiTime, &R::AppEdsDate, &R::AppEdsTime,
            &R::AppSedDate, &R::AppSedTime, &R::AppRadDate, &R::AppRadTime, &R::AppRedDate,
            &R::AppRedTime>();
  l << Cols<&R::AppAgs, &R::AppAbs, &R::AppAes, &R::AppSme, &R::AppIme, &R::AppAme, &R::AppMee,
            &R::AppSza, &R::AppStr, &R::AppSte, &R::AppIta, &R::AppItr, &R::AppIte>();
  l << Cols<&R::AppApg, &R::AppApl, &R::AppKt1, &R::AppKz1, &R::AppKt2, &R::AppKz2, &R::AppKt3,
            &R::AppKz3, &R::AppKt4, &R::AppKz4, &R::AppFbe, &R::AppKst, &R::AppZf1, &R::AppZf2,
            &R::AppZf3, &R::AppKnz>();
  // The record keeps AppDna and AppDwn before AppSsn; the select list has AppSsn first.
  l << Col16If<&R::AppSsn>(!wide);
  l << Cols<&R::AppDna, &R::AppDwn>();
  l << Col16If<&R::AppSta>(!wide);
  l << Cols<&R::AppDat, &R::AppErf>();
  return l;
}

inline constexpr auto kAppDownloadColumns = AppColumns(AppSelect::kDownload);
inline constexpr auto kAppTableColumns = AppColumns(AppSelect::kTableAccess);

}  // namespace jf
