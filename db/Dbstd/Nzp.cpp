#include "db/Dbstd.h"
#include "db/sql/Session.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

using R = NzpRecord;

// The select list is composed in the style of the module's key reads; the WHERE clause is the
// table's own. Its window is open at both ends: a counter is not found on its first or its last
// day. Counters are laid out by that rule, so it stays.
constexpr char kRead[] =
    "select NzpAkz ,TO_CHAR(NzpGvn,'yyyymmdd') ,TO_CHAR(NzpGbi,'yyyymmdd') ,NzpAak ,NzpAwt ,NzpKjh "
    ",NzpKmn ,NzpKwo ,NzpKtg ,NzpAan ,NzpVfh ,NzpNfh ,NzpAus ,NzpMrk into :b0:b1,:b2:b3,:b4:b5,"
    ":b6:b7,:b8:b9,:b10:b11,:b12:b13,:b14:b15,:b16:b17,:b18:b19,:b20:b21,:b22:b23,:b24:b25,"
    ":b26:b27  from Kvl591Nzp where ((NzpAkz=:b0 and NzpGvn<trunc(sysdate)) and "
    "NzpGbi>trunc(sysdate))";
constexpr char kUpdate[] =
    "update KVL591Nzp  set NzpAdt=sysdate,NzpAan=:b0,NzpVfh=:b1,NzpNfh=:b2,NzpAus=:b3 where "
    "((NzpAkz=:b4 and NzpGvn=TO_DATE(:b5,'yyyymmdd')) and NzpGbi=TO_DATE(:b6,'yyyymmdd'))";

constexpr auto kKey = Cols<&R::NzpAkz>();
constexpr auto kCols =
    Cols<&R::NzpAkz, &R::NzpGvn, &R::NzpGbi, &R::NzpAak, &R::NzpAwt, &R::NzpKjh, &R::NzpKmn,
         &R::NzpKwo, &R::NzpKtg, &R::NzpAan, &R::NzpVfh, &R::NzpNfh, &R::NzpAus, &R::NzpMrk>();
constexpr auto kUpdateCols =
    Cols<&R::NzpAan, &R::NzpVfh, &R::NzpNfh, &R::NzpAus, &R::NzpAkz, &R::NzpGvn, &R::NzpGbi>();

}  // namespace

int Nzp_PKeyRead(NzpRecord* rec) {
  return sql::SelectInto(kRead, Inputs<R>(kKey, rec), Outputs<R>(kCols, rec));
}

int Nzp_PKeyUpd(const NzpRecord* rec) {
  return WriteRecord<R>("Nzp_PKeyUpd", kUpdate, kUpdateCols, rec);
}

}  // namespace jf
