// The update ranges (the row "UPD" of Kvl543Upd): read them, or hand them back blank.
#include "db/tables/Upd.h"

#include "db/DbDnl.h"
#include "db/sql/Session.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

using R = UpdRecord;
using sql::In;

constexpr auto kRangeColumns =
    Cols<&R::UpdAkv, &R::UpdAkb, &R::UpdAav, &R::UpdAab, &R::UpdApv, &R::UpdApb, &R::UpdAlv,
         &R::UpdAlb, &R::UpdAgv, &R::UpdAgb, &R::UpdUgv, &R::UpdUgb, &R::UpdAuv, &R::UpdAub,
         &R::UpdPvv, &R::UpdPvb, &R::UpdKsv, &R::UpdKsb>();

// Written in the form of the other single-row reads: each output with the shared indicator, so
// the key comes after the eighteen pairs as :b36.
constexpr char kRead[] =
    "select UpdAkv ,UpdAkb ,UpdAav ,UpdAab ,UpdApv ,UpdApb ,UpdAlv ,UpdAlb ,UpdAgv ,UpdAgb ,UpdUgv "
    ",UpdUgb ,UpdAuv ,UpdAub ,UpdPvv ,UpdPvb ,UpdKsv ,UpdKsb into "
    ":b0:b1,:b2:b3,:b4:b5,:b6:b7,:b8:b9,:b10:b11,:b12:b13,:b14:b15,:b16:b17,:b18:b19,:b20:b21,:b22:"
    "b23,:b24:b25,:b26:b27,:b28:b29,:b30:b31,:b32:b33,:b34:b35  "
    "from Kvl543Upd where UpdKey=:b36";

// Every range becomes as many blanks as its width (blanks, never NULL), and the row is marked as
// changed by the download.
constexpr char kReset[] =
    "update KVL543Upd  set UpdAkv='            ',UpdAkb='            ',UpdAav='            ',"
    "UpdAab='            ',UpdApv='     ',UpdApb='     ',UpdAlv='          ',UpdAlb='          ',"
    "UpdAgv='          ',UpdAgb='          ',UpdUgv='     ',UpdUgb='     ',UpdAuv='     ',"
    "UpdAub='     ',UpdPvv='        ',UpdPvb='        ',UpdKsv='     ',UpdKsb='     ',"
    "UpdDat=sysdate,UpdErf='Download' where UpdKey=:b0";

constexpr char kKey[] = "UPD";

}  // namespace

int Upd_PKeyRead(UpdRecord* rec) {
  const int rc = sql::SelectInto(kRead, {In::Text(kKey)}, Outputs<R>(kRangeColumns, rec));
  if (rc != 0) *rec = UpdRecord{};
  return rc;
}

int Upd_PKeyUpd() {
  return sql::WriteWithSavepoint("Upd_PKeyUpd", kReset, {In::Text(kKey)});
}

}  // namespace jf
