#include "db/tables/Prv.h"

#include "db/Dbstd.h"
#include "db/sql/Session.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

using R = PrvRecord;

constexpr char kKeyRead[] =
    "select PrvPnr ,TO_CHAR(PrvGvo,'yyyymmdd') ,TO_CHAR(PrvGbi,'yyyymmdd') ,PrvBer ,PrvKst ,PrvFbe "
    ",PrvMmb ,PrvZf1 ,PrvZf2 ,PrvZf3 ,PrvSta ,PrvErf ,PrvDna ,PrvDwn ,PrvAwn ,PrvAwa ,PrvAnw "
    ",PrvApl "
    ",PrvApp ,PrvPzm ,TO_CHAR(PrvAvn,'yyyymmddHH24MISS') ,TO_CHAR(PrvAbi,'yyyymmddHH24MISS') "
    ",PrvNam ,PrvStr ,PrvOrt  from Kvl510Prv where PrvPnr=:b0";
constexpr auto kKeyLock = ForUpdate(kKeyRead);

// The person holding the value today; two such persons are the too-many-rows status.
constexpr char kReadByAwn[] =
    "select PrvPnr ,TO_CHAR(PrvGvo,'yyyymmdd') ,TO_CHAR(PrvGbi,'yyyymmdd') ,PrvBer ,PrvKst ,PrvFbe "
    ",PrvMmb ,PrvZf1 ,PrvZf2 ,PrvZf3 ,PrvSta ,PrvErf ,PrvDna ,PrvDwn ,PrvAwn ,PrvAwa ,PrvAnw "
    ",PrvApl "
    ",PrvApp ,PrvPzm ,TO_CHAR(PrvAvn,'yyyymmddHH24MISS') ,TO_CHAR(PrvAbi,'yyyymmddHH24MISS') "
    ",PrvNam ,PrvStr ,PrvOrt  from Kvl510Prv where ((PrvAwn=:b28 and PrvGvo<=trunc(sysdate)) and "
    "(PrvGbi>=trunc(sysdate) or PrvGbi is null )) order by PrvPnr";

constexpr char kAreaOfType1[] = "select FbeFbe into :b0:b1  from Kvl559Fbe where FbeTyp=1";

constexpr char kInsert[] =
    "insert into Kvl510Prv "
    "(PrvPnr,PrvGvo,PrvGbi,PrvBer,PrvKst,PrvFbe,PrvMmb,PrvZf1,PrvZf2,PrvZf3,PrvSta,PrvDat,PrvErf,"
    "PrvDna,PrvDwn,PrvAwn,PrvAwa,PrvAnw,PrvApl,PrvApp,PrvPzm,PrvAvn,PrvAbi,PrvNam,PrvStr,PrvOrt) "
    "values "
    "(:b0,TO_DATE(:b1,'yyyymmdd'),TO_DATE(:b2,'yyyymmdd'),:b3,:b4,:b5,:b6,:b7,:b8,:b9,:b10,sysdate,"
    ":"
    "b11,:b12,:b13,:b14,:b15,:b16,:b17,:b18,:b19,TO_DATE(:b20,'yyyymmddHH24MISS'),TO_DATE(:b21,'"
    "yyyymmddHH24MISS'),:b22,:b23,:b24)";

constexpr char kDeleteAll[] = "delete  from Kvl510Prv";

constexpr char kUpdate[] =
    "update Kvl510Prv  set "
    "PrvGvo=TO_DATE(:b0,'yyyymmdd'),PrvGbi=TO_DATE(:b1,'yyyymmdd'),PrvBer=:b2,PrvFbe=:b3,PrvMmb=:"
    "b4,"
    "PrvZf1=:b5,PrvZf2=:b6,PrvZf3=:b7,PrvAwa=:b8,PrvDna=:b9,PrvDwn=:b10,PrvSta=:b11,PrvDat=sysdate,"
    "PrvErf=:b12,PrvAwn=:b13,PrvKst=:b14,PrvAnw=:b15,PrvApl=:b16,PrvApp=:b17,PrvPzm=:b18,PrvAvn=TO_"
    "DATE(:b19,'yyyymmddHH24MISS'),PrvAbi=TO_DATE(:b20,'yyyymmddHH24MISS'),PrvNam=:b21,PrvStr=:b22,"
    "PrvOrt=:b23 where PrvPnr=:b24";

constexpr char kDelete[] = "delete  from Kvl510Prv  where PrvPnr=:b0";

constexpr auto kKey = Cols<&R::PrvPnr>();
constexpr auto kAwn = Cols<&R::PrvAwn>();

// The download's own writes set only the columns they change (and the time of the change): the
// rest of the row stays as it is stored, whatever its Windows-1252 image lost on the way in. A
// person who keeps the row but loses the badge assignment loses its values and counters too.
constexpr char kUnmark[] =
    "update Kvl510Prv  set PrvDwn=null,PrvDna=null,PrvDat=sysdate where PrvPnr=:b0";
constexpr char kWithdraw[] =
    "update Kvl510Prv  set PrvAwn=null,PrvGvo=null,PrvGbi=null,PrvAvn=null,PrvAbi=null,PrvAnw=0,"
    "PrvApl=0,PrvApp=0,PrvDwn=null,PrvDna=null,PrvDat=sysdate where PrvPnr=:b0";

// The key is not among the columns set; it is bound last, for the WHERE.
constexpr auto kUpdateInputs = [] {
  ColumnList<R, 25> l;
  l << Cols<&R::PrvGvo, &R::PrvGbi, &R::PrvBer, &R::PrvFbe, &R::PrvMmb, &R::PrvZf1, &R::PrvZf2,
            &R::PrvZf3, &R::PrvAwa, &R::PrvDna, &R::PrvDwn>();
  l << Col16<&R::PrvSta>();
  l << Cols<&R::PrvErf, &R::PrvAwn, &R::PrvKst, &R::PrvAnw, &R::PrvApl, &R::PrvApp, &R::PrvPzm,
            &R::PrvAvn, &R::PrvAbi, &R::PrvNam, &R::PrvStr, &R::PrvOrt, &R::PrvPnr>();
  return l;
}();

// Both bounds are included; a person without a start date counts as begun.
RowCursor<R> g_range(
    "select PrvPnr ,TO_CHAR(PrvGvo,'yyyymmdd') ,TO_CHAR(PrvGbi,'yyyymmdd') ,PrvBer ,PrvKst ,PrvFbe "
    ",PrvMmb ,PrvZf1 ,PrvZf2 ,PrvZf3 ,PrvSta ,PrvErf ,PrvDna ,PrvDwn ,PrvAwn ,PrvAwa ,PrvAnw "
    ",PrvApl "
    ",PrvApp ,PrvPzm ,TO_CHAR(PrvAvn,'yyyymmddHH24MISS') ,TO_CHAR(PrvAbi,'yyyymmddHH24MISS') "
    ",PrvNam ,PrvStr ,PrvOrt  from Kvl510Prv where ((PrvPnr>=:b0 and PrvPnr<=:b1) and (PrvGvo<="
    "trunc(sysdate) or PrvGvo is null )) order by PrvPnr",
    kPrvTableColumns);

RowCursor<R> g_byAwn(
    "select PrvPnr ,TO_CHAR(PrvGvo,'yyyymmdd') ,TO_CHAR(PrvGbi,'yyyymmdd') ,PrvBer ,PrvKst ,PrvFbe "
    ",PrvMmb ,PrvZf1 ,PrvZf2 ,PrvZf3 ,PrvSta ,PrvErf ,PrvDna ,PrvDwn ,PrvAwn ,PrvAwa ,PrvAnw "
    ",PrvApl "
    ",PrvApp ,PrvPzm ,TO_CHAR(PrvAvn,'yyyymmddHH24MISS') ,TO_CHAR(PrvAbi,'yyyymmddHH24MISS') "
    ",PrvNam ,PrvStr ,PrvOrt  from Kvl510Prv where ((PrvAwn=:b0 and PrvGvo<=trunc(sysdate)) and "
    "(PrvGbi>=trunc(sysdate) or PrvGbi is null )) order by PrvPnr",
    kPrvTableColumns);

Text<8> g_lower;
Text<8> g_upper;
Text<8> g_awn;

}  // namespace

int Prv_PKeyRead(PrvRecord* rec) {
  return ReadByKey<R>(kKeyRead, kKey, kPrvTableColumns, rec);
}

int Prv_PKeyLock(PrvRecord* rec) {
  return ReadByKey<R>(kKeyLock.view(), kKey, kPrvTableColumns, rec);
}

int Prv_ReadByAwn(PrvRecord* rec) {
  return ReadByKey<R>(kReadByAwn, kAwn, kPrvTableColumns, rec);
}

int Prv_PKeyIns(PrvRecord* rec) {
  if (rec->PrvFbe.empty()) {
    // The seam writes the area only when exactly one area of type 1 was found: with none or
    // several the field stays empty, never a value left over from an earlier statement.
    const sql::Out area[] = {sql::Out::Text(rec->PrvFbe)};
    sql::SelectInto(kAreaOfType1, std::span<const sql::In>(), area);
  }
  // A new person starts with these counters at zero, whatever the record holds.
  PrvRecord row = *rec;
  row.PrvBer = 0;
  row.PrvMmb = 0;
  row.PrvAnw = 0;
  row.PrvApl = 0;
  row.PrvApp = 0;
  return WriteRecord<R>("Prv_PKeyIns", kInsert, kPrvTableColumns, &row);
}

int Prv_PKeyUpd(const PrvRecord* rec) {
  return WriteRecord<R>("Prv_PKeyUpd", kUpdate, kUpdateInputs, rec);
}

int Prv_Unmark(const PrvRecord* rec) {
  return WriteRecord<R>("Prv_Unmark", kUnmark, kKey, rec);
}

int Prv_Withdraw(const PrvRecord* rec) {
  return WriteRecord<R>("Prv_Withdraw", kWithdraw, kKey, rec);
}

int Prv_PKeyDel(const PrvRecord* rec) {
  return WriteRecord<R>("Prv_PKeyDel", kDelete, kKey, rec);
}

int Prv_Delete() {
  // Empties the table.
  return sql::WriteWithSavepoint("Prv_Delete", kDeleteAll, std::span<const sql::In>());
}

int Prv_OpenRange(const char* lower, const char* upper) {
  return g_range.Open({TextArg(g_lower, lower), TextArg(g_upper, upper)});
}

int Prv_FetchRange(PrvRecord* rec) {
  return g_range.Fetch(rec);
}

int Prv_CloseRange() {
  return g_range.Close();
}

int Prv_OpenByAwn(const char* awn) {
  return g_byAwn.Open({TextArg(g_awn, awn)});
}

int Prv_FetchByAwn(PrvRecord* rec) {
  return g_byAwn.Fetch(rec);
}

int Prv_CloseByAwn() {
  return g_byAwn.Close();
}

}  // namespace jf
