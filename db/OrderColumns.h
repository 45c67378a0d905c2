// The select lists of the order tables. Every cursor and key read of the order header and order
// position tables selects the same columns in nearly the same order; the few differences (which
// integers travel as 16 bits, whether ApkDat is selected, where ApkDna and ApkDwn stand) are named
// by the select-list kind, so each statement's outputs come from one description.
#pragma once

#include <cstddef>

#include "db/Columns.h"
#include "db/Records.h"

namespace jf {

// The select lists of the order header table.
enum class ApkSelect {
  kDownload,  // 36 columns, ApkDna before ApkDwn, ApkDat included; ApkSsn, ApkSta 32-bit
  kKeyRead,   // 35 columns, ApkDna before ApkDwn, no ApkDat; ApkSsn, ApkSta 16-bit
  kRange,     // 35 columns, ApkDwn before ApkDna, no ApkDat; ApkSsn, ApkSta 16-bit
};

// The select lists of the order position table: all 60 columns in one order; the download
// cursor carries AppSsn and AppSta as 32-bit, the table access as 16-bit integers.
enum class AppSelect { kDownload, kTableAccess };

inline constexpr std::size_t kApkMaxColumns = 36;
inline constexpr std::size_t kAppColumns = 60;

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

inline constexpr auto kApkDownloadColumns = ApkColumns(ApkSelect::kDownload);
inline constexpr auto kApkKeyReadColumns = ApkColumns(ApkSelect::kKeyRead);
inline constexpr auto kApkRangeColumns = ApkColumns(ApkSelect::kRange);
inline constexpr auto kAppDownloadColumns = AppColumns(AppSelect::kDownload);
inline constexpr auto kAppTableColumns = AppColumns(AppSelect::kTableAccess);

// A date field and a time field written as one instant: a buffer of 14 characters receives the
// date, then the time. Both empty give the empty text, which the database stores as NULL; a date
// alone reads as its midnight.
Text<14> JoinDateTime(const Text<8>& date, const Text<6>& time);

}  // namespace jf
