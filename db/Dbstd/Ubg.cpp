#include "db/tables/Ubg.h"

#include "db/Dbstd.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

using R = UbgRecord;

constexpr char kKeyRead[] =
    "select UbgUbg ,UbgKnz ,UbgFbe ,UbgBez ,UbgTxt ,UbgZf1 ,UbgZf2 ,UbgZf3 ,UbgAst ,UbgRst ,UbgAsf "
    ",UbgSt1 ,UbgSt2 ,UbgSt3 ,UbgSf1 ,UbgSf2 ,UbgSf3 ,UbgDna ,UbgDwn ,UbgSta ,UbgErf  from "
    "Kvl521Ubg where UbgUbg=:b0";
constexpr auto kKeyLock = ForUpdate(kKeyRead);

constexpr char kUpdate[] =
    "update KVL521Ubg  set "
    "UbgUbg=:b0,UbgBez=:b1,UbgTxt=:b2,UbgKnz=:b3,UbgFbe=:b4,UbgAst=:b5,UbgZf1=:b6,UbgZf2=:b7,"
    "UbgZf3=:b8,UbgRst=:b9,UbgAsf=:b10,UbgSt1=:b11,UbgSt2=:b12,UbgSt3=:b13,UbgSf1=:b14,UbgSf2=:b15,"
    "UbgSf3=:b16,UbgDna=:b17,UbgDwn=:b18,UbgSta=:b19,UbgDat=sysdate,UbgErf=:b20 where UbgUbg=:b0";

constexpr char kDelete[] = "delete  from Kvl521Ubg  where UbgUbg=:b0";

constexpr auto kKey = Cols<&R::UbgUbg>();

// The download's own write sets only the marker, the kind and the time of the change: the rest
// of the row stays as it is stored, whatever its Windows-1252 image lost on the way in.
constexpr char kUnmark[] =
    "update KVL521Ubg  set UbgDwn=null,UbgDna=null,UbgDat=sysdate where UbgUbg=:b0";

// The key column is written with its own value; the WHERE binds the key once more.
constexpr auto kUpdateInputs = [] {
  ColumnList<R, 22> l;
  l << Cols<&R::UbgUbg, &R::UbgBez, &R::UbgTxt, &R::UbgKnz, &R::UbgFbe, &R::UbgAst, &R::UbgZf1,
            &R::UbgZf2, &R::UbgZf3, &R::UbgRst, &R::UbgAsf, &R::UbgSt1, &R::UbgSt2, &R::UbgSt3,
            &R::UbgSf1, &R::UbgSf2, &R::UbgSf3, &R::UbgDna, &R::UbgDwn>();
  l << Col16<&R::UbgSta>() << Cols<&R::UbgErf, &R::UbgUbg>();
  return l;
}();

// Both bounds are excluded.
RowCursor<R> g_range(
    "select UbgUbg ,UbgKnz ,UbgFbe ,UbgBez ,UbgTxt ,UbgZf1 ,UbgZf2 ,UbgZf3 ,UbgAst ,UbgRst ,UbgAsf "
    ",UbgSt1 ,UbgSt2 ,UbgSt3 ,UbgSf1 ,UbgSf2 ,UbgSf3 ,UbgDna ,UbgDwn ,UbgSta ,UbgErf  from "
    "Kvl521Ubg where (UbgUbg>:b0 and UbgUbg<:b1) order by UbgUbg",
    kUbgTableColumns);

// The bound buffers are a character wider than the key.
Text<5> g_lower;
Text<5> g_upper;

}  // namespace

int Ubg_PKeyRead(UbgRecord* rec) {
  return ReadByKey<R>(kKeyRead, kKey, kUbgTableColumns, rec);
}

int Ubg_PKeyLock(UbgRecord* rec) {
  return ReadByKey<R>(kKeyLock.view(), kKey, kUbgTableColumns, rec);
}

int Ubg_PKeyUpd(const UbgRecord* rec) {
  return WriteRecord<R>("Ubg_PKeyUpd", kUpdate, kUpdateInputs, rec);
}

int Ubg_Unmark(const UbgRecord* rec) {
  return WriteRecord<R>("Ubg_Unmark", kUnmark, kKey, rec);
}

int Ubg_PKeyDel(const UbgRecord* rec) {
  return WriteRecord<R>("Ubg_PKeyDel", kDelete, kKey, rec);
}

int Ubg_OpenRange(const char* lower, const char* upper) {
  return g_range.Open({TextArg(g_lower, lower), TextArg(g_upper, upper)});
}

int Ubg_FetchRange(UbgRecord* rec) {
  return g_range.Fetch(rec);
}

int Ubg_CloseRange() {
  return g_range.Close();
}

}  // namespace jf
