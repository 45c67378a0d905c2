#include "db/tables/Apg.h"

#include "db/Dbstd.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

using R = ApgRecord;

constexpr char kKeyRead[] =
    "select ApgApg ,ApgBez ,ApgTxt ,ApgFbe ,ApgKst ,ApgApl ,ApgTag ,ApgKap ,ApgPrd ,ApgRst ,ApgPau "
    ",ApgUnt ,ApgIak ,ApgSt1 ,ApgSt2 ,ApgSt3 ,ApgSf1 ,ApgSf2 ,ApgSf3 ,ApgZf1 ,ApgZf2 ,ApgZf3 "
    ",ApgDna ,ApgDwn ,ApgSta ,ApgErf  from Kvl530Apg where ApgApg=:b0";
constexpr auto kKeyLock = ForUpdate(kKeyRead);

constexpr char kUpdate[] =
    "update KVL530Apg  set "
    "ApgApg=:b0,ApgBez=:b1,ApgTxt=:b2,ApgKst=:b3,ApgFbe=:b4,ApgApl=:b5,ApgZf1=:b6,ApgZf2=:b7,"
    "ApgZf3=:b8,ApgTag=:b9,ApgKap=:b10,ApgPrd=:b11,ApgPau=:b12,ApgRst=:b13,ApgUnt=:b14,ApgIak=:b15,"
    "ApgSt1=:b16,ApgSt2=:b17,ApgSt3=:b18,ApgSf1=:b19,ApgSf2=:b20,ApgSf3=:b21,ApgDna=:b22,ApgDwn=:"
    "b23,ApgSta=:b24,ApgDat=sysdate,ApgErf=:b25 where ApgApg=:b0";

constexpr char kDelete[] = "delete  from Kvl530Apg  where ApgApg=:b0";

constexpr auto kKey = Cols<&R::ApgApg>();

// The download's own write sets only the marker, the kind and the time of the change: the rest
// of the row stays as it is stored, whatever its Windows-1252 image lost on the way in.
constexpr char kUnmark[] =
    "update KVL530Apg  set ApgDwn=null,ApgDna=null,ApgDat=sysdate where ApgApg=:b0";

// The key column is written with its own value; the WHERE binds the key once more.
constexpr auto kUpdateInputs = [] {
  ColumnList<R, 27> l;
  l << Cols<&R::ApgApg, &R::ApgBez, &R::ApgTxt, &R::ApgKst, &R::ApgFbe, &R::ApgApl, &R::ApgZf1,
            &R::ApgZf2, &R::ApgZf3, &R::ApgTag, &R::ApgKap, &R::ApgPrd, &R::ApgPau, &R::ApgRst,
            &R::ApgUnt, &R::ApgIak, &R::ApgSt1, &R::ApgSt2, &R::ApgSt3, &R::ApgSf1, &R::ApgSf2,
            &R::ApgSf3, &R::ApgDna, &R::ApgDwn>();
  l << Col16<&R::ApgSta>() << Cols<&R::ApgErf, &R::ApgApg>();
  return l;
}();

// Both bounds are excluded.
RowCursor<R> g_range(
    "select ApgApg ,ApgBez ,ApgTxt ,ApgFbe ,ApgKst ,ApgApl ,ApgTag ,ApgKap ,ApgPrd ,ApgRst ,ApgPau "
    ",ApgUnt ,ApgIak ,ApgSt1 ,ApgSt2 ,ApgSt3 ,ApgSf1 ,ApgSf2 ,ApgSf3 ,ApgZf1 ,ApgZf2 ,ApgZf3 "
    ",ApgDna ,ApgDwn ,ApgSta ,ApgErf  from Kvl530Apg where (ApgApg>:b0 and ApgApg<:b1) order by "
    "ApgApg",
    kApgTableColumns);

Text<10> g_lower;
Text<10> g_upper;

}  // namespace

int Apg_PKeyRead(ApgRecord* rec) {
  return ReadByKey<R>(kKeyRead, kKey, kApgTableColumns, rec);
}

int Apg_PKeyLock(ApgRecord* rec) {
  return ReadByKey<R>(kKeyLock.view(), kKey, kApgTableColumns, rec);
}

int Apg_PKeyUpd(const ApgRecord* rec) {
  return WriteRecord<R>("Apg_PKeyUpd", kUpdate, kUpdateInputs, rec);
}

int Apg_Unmark(const ApgRecord* rec) {
  return WriteRecord<R>("Apg_Unmark", kUnmark, kKey, rec);
}

int Apg_PKeyDel(const ApgRecord* rec) {
  return WriteRecord<R>("Apg_PKeyDel", kDelete, kKey, rec);
}

int Apg_OpenRange(const char* lower, const char* upper) {
  return g_range.Open({TextArg(g_lower, lower), TextArg(g_upper, upper)});
}

int Apg_FetchRange(ApgRecord* rec) {
  return g_range.Fetch(rec);
}

int Apg_CloseRange() {
  return g_range.Close();
}

}  // namespace jf
