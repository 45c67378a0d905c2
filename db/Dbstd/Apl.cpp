#include "db/tables/Apl.h"

#include "db/Dbstd.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

using R = AplRecord;

constexpr char kKeyRead[] =
    "select AplApl ,AplBez ,AplTxt ,AplApg ,AplFbe ,AplSts ,AplSis ,AplApr ,AplAaf ,AplUbg "
    ",TO_CHAR(AplUdt,'yyyymmddHH24MISS') ,AplTag ,AplVrf ,AplRsp ,AplRsi ,AplAfp ,AplAfi ,AplPau "
    ",AplUnt ,AplIak ,AplAvt ,AplKap ,AplAvr ,AplAvp ,AplSt1 ,AplSt2 ,AplSt3 ,AplSf1 ,AplSf2 "
    ",AplSf3 ,AplZf1 ,AplZf2 ,AplZf3 ,AplDna ,AplDwn ,AplSta ,AplErf  from Kvl531Apl where "
    "AplApl=:b0";
constexpr auto kKeyLock = ForUpdate(kKeyRead);

constexpr char kUpdate[] =
    "update KVL531Apl  set "
    "AplApl=:b0,AplBez=:b1,AplTxt=:b2,AplApg=:b3,AplFbe=:b4,AplSts=:b5,AplSis=:b6,AplApr=:b7,"
    "AplAaf=:b8,AplUbg=:b9,AplUdt=TO_DATE(:b10,'yyyymmddHH24MISS'),AplZf1=:b11,AplZf2=:b12,AplZf3=:"
    "b13,AplTag=:b14,AplVrf=:b15,AplRsp=:b16,AplRsi=:b17,AplAfp=:b18,AplAfi=:b19,AplPau=:b20,"
    "AplUnt=:b21,AplIak=:b22,AplAvt=:b23,AplKap=:b24,AplAvr=:b25,AplAvp=:b26,AplSt1=:b27,AplSt2=:"
    "b28,AplSt3=:b29,AplSf1=:b30,AplSf2=:b31,AplSf3=:b32,AplDna=:b33,AplDwn=:b34,AplSta=:b35,"
    "AplDat=sysdate,AplErf=:b36 where AplApl=:b0";

constexpr char kDelete[] = "delete  from Kvl531Apl  where AplApl=:b0";

constexpr auto kKey = Cols<&R::AplApl>();

// The download's own write sets only the marker, the kind and the time of the change: the rest
// of the row stays as it is stored, whatever its Windows-1252 image lost on the way in.
constexpr char kUnmark[] =
    "update KVL531Apl  set AplDwn=null,AplDna=null,AplDat=sysdate where AplApl=:b0";

// The columns of the read in the read's order, except that AplZf1 to AplZf3 follow AplUdt; the
// WHERE binds the key once more.
constexpr auto kUpdateInputs = [] {
  ColumnList<R, 38> l;
  l << Cols<&R::AplApl, &R::AplBez, &R::AplTxt, &R::AplApg, &R::AplFbe>();
  l << Col16<&R::AplSts>() << Col16<&R::AplSis>();
  l << Cols<&R::AplApr, &R::AplAaf, &R::AplUbg, &R::AplUdt, &R::AplZf1, &R::AplZf2, &R::AplZf3,
            &R::AplTag, &R::AplVrf, &R::AplRsp, &R::AplRsi, &R::AplAfp, &R::AplAfi, &R::AplPau,
            &R::AplUnt, &R::AplIak, &R::AplAvt, &R::AplKap, &R::AplAvr, &R::AplAvp, &R::AplSt1,
            &R::AplSt2, &R::AplSt3, &R::AplSf1, &R::AplSf2, &R::AplSf3, &R::AplDna, &R::AplDwn>();
  l << Col16<&R::AplSta>() << Cols<&R::AplErf, &R::AplApl>();
  return l;
}();

// Both bounds are excluded.
RowCursor<R> g_range(
    "select AplApl ,AplBez ,AplTxt ,AplApg ,AplFbe ,AplSts ,AplSis ,AplApr ,AplAaf ,AplUbg "
    ",TO_CHAR(AplUdt,'yyyymmddHH24MISS') ,AplTag ,AplVrf ,AplRsp ,AplRsi ,AplAfp ,AplAfi ,AplPau "
    ",AplUnt ,AplIak ,AplAvt ,AplKap ,AplAvr ,AplAvp ,AplSt1 ,AplSt2 ,AplSt3 ,AplSf1 ,AplSf2 "
    ",AplSf3 ,AplZf1 ,AplZf2 ,AplZf3 ,AplDna ,AplDwn ,AplSta ,AplErf  from Kvl531Apl where "
    "(AplApl>:b0 and AplApl<:b1) order by AplApl",
    kAplTableColumns);

RowCursor<R> g_byApg(
    "select AplApl ,AplBez ,AplTxt ,AplApg ,AplFbe ,AplSts ,AplSis ,AplApr ,AplAaf ,AplUbg "
    ",TO_CHAR(AplUdt,'yyyymmddHH24MISS') ,AplTag ,AplVrf ,AplRsp ,AplRsi ,AplAfp ,AplAfi ,AplPau "
    ",AplUnt ,AplIak ,AplAvt ,AplKap ,AplAvr ,AplAvp ,AplSt1 ,AplSt2 ,AplSt3 ,AplSf1 ,AplSf2 "
    ",AplSf3 ,AplZf1 ,AplZf2 ,AplZf3 ,AplDna ,AplDwn ,AplSta ,AplErf  from Kvl531Apl where "
    "AplApg=:b0 order by AplApl",
    kAplTableColumns);

Text<10> g_lower;
Text<10> g_upper;
Text<10> g_group;

}  // namespace

int Apl_PKeyRead(AplRecord* rec) {
  return ReadByKey<R>(kKeyRead, kKey, kAplTableColumns, rec);
}

int Apl_PKeyLock(AplRecord* rec) {
  return ReadByKey<R>(kKeyLock.view(), kKey, kAplTableColumns, rec);
}

int Apl_PKeyUpd(const AplRecord* rec) {
  return WriteRecord<R>("Apl_PKeyUpd", kUpdate, kUpdateInputs, rec);
}

int Apl_Unmark(const AplRecord* rec) {
  return WriteRecord<R>("Apl_Unmark", kUnmark, kKey, rec);
}

int Apl_PKeyDel(const AplRecord* rec) {
  return WriteRecord<R>("Apl_PKeyDel", kDelete, kKey, rec);
}

int Apl_OpenRange(const char* lower, const char* upper) {
  return g_range.Open({TextArg(g_lower, lower), TextArg(g_upper, upper)});
}

int Apl_FetchRange(AplRecord* rec) {
  return g_range.Fetch(rec);
}

int Apl_CloseRange() {
  return g_range.Close();
}

int Apl_OpenByApg(const char* group) {
  return g_byApg.Open({TextArg(g_group, group)});
}

int Apl_FetchByApg(AplRecord* rec) {
  return g_byApg.Fetch(rec);
}

int Apl_CloseByApg() {
  return g_byApg.Close();
}

}  // namespace jf
