// The select and bind lists of the master data tables. The download cursors and the table access
// of a table select the same columns, except that the download cursors carry the status column
// as a 32-bit and the table access as a 16-bit integer, and that the personnel lists differ in
// order; the writes bind their columns in an order of their own.
#pragma once

#include <cstddef>

#include "db/Columns.h"
#include "db/MasterRecords.h"

namespace jf {

// Which module's select list: the download cursors or the table access.
enum class MasterSelect { kDownload, kTableAccess };

inline constexpr std::size_t kApgColumns = 26;
inline constexpr std::size_t kAplColumns = 37;
inline constexpr std::size_t kUbgColumns = 21;

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

inline constexpr auto kApgDownloadColumns = ApgColumns(MasterSelect::kDownload);
inline constexpr auto kApgTableColumns = ApgColumns(MasterSelect::kTableAccess);
inline constexpr auto kAplDownloadColumns = AplColumns(MasterSelect::kDownload);
inline constexpr auto kAplTableColumns = AplColumns(MasterSelect::kTableAccess);
inline constexpr auto kUbgDownloadColumns = UbgColumns(MasterSelect::kDownload);
inline constexpr auto kUbgTableColumns = UbgColumns(MasterSelect::kTableAccess);

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
