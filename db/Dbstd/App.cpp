#include "db/tables/App.h"

#include "db/Dbstd.h"
#include "db/sql/Session.h"
#include "db/tables/Statements.h"
#include "db/tables/Text.h"

namespace jf {

namespace {

using sql::In;
using sql::Out;

constexpr char kKeyRead[] =
    "select AppApk ,AppApp ,AppVaf ,AppNaf ,AppBz1 ,AppBz2 ,AppTxt ,AppSts ,AppSis "
    ",TO_CHAR(AppBdi,'yyyymmdd') ,TO_CHAR(AppBdi,'HH24MISS') ,TO_CHAR(AppBds,'yyyymmdd') "
    ",TO_CHAR(AppBds,'HH24MISS') ,TO_CHAR(AppSbd,'yyyymmdd') ,TO_CHAR(AppSbd,'HH24MISS') "
    ",TO_CHAR(AppEdi,'yyyymmdd') ,TO_CHAR(AppEdi,'HH24MISS') ,TO_CHAR(AppEds,'yyyymmdd') "
    ",TO_CHAR(AppEds,'HH24MISS') ,TO_CHAR(AppSed,'yyyymmdd') ,TO_CHAR(AppSed,'HH24MISS') "
    ",TO_CHAR(AppRad,'yyyymmdd') ,TO_CHAR(AppRad,'HH24MISS') ,TO_CHAR(AppRed,'yyyymmdd') "
    ",TO_CHAR(AppRed,'HH24MISS') ,AppAgs ,AppAbs ,AppAes ,AppSme ,AppIme ,AppAme ,AppMee ,AppSza "
    ",AppStr ,AppSte ,AppIta ,AppItr ,AppIte ,AppApg ,AppApl ,AppKt1 ,AppKz1 ,AppKt2 ,AppKz2 "
    ",AppKt3 ,AppKz3 ,AppKt4 ,AppKz4 ,AppFbe ,AppKst ,AppZf1 ,AppZf2 ,AppZf3 ,AppKnz ,AppSsn "
    ",AppDna ,AppDwn ,AppSta ,TO_CHAR(AppDat,'yyyymmddHH24MISS') ,AppErf  from Kvl504App where "
    "(AppApk=:b0 and AppApp=:b2)";
constexpr auto kKeyLock = ForUpdate(kKeyRead);

// The WHERE binds the key once more after the 51 column values.
constexpr char kUpdate[] =
    "update KVL504App  set "
    "AppApk=:b0,AppApp=:b1,AppVaf=:b2,AppNaf=:b3,AppBz1=:b4,AppBz2=:b5,AppTxt=:b6,AppSts=:b7,"
    "AppSis=:b8,AppBdi=TO_DATE(:b9,'yyyymmddHH24MISS'),AppBds=TO_DATE(:b10,'yyyymmddHH24MISS'),"
    "AppSbd=TO_DATE(:b11,'yyyymmddHH24MISS'),AppEdi=TO_DATE(:b12,'yyyymmddHH24MISS'),AppEds=TO_"
    "DATE(:b13,'yyyymmddHH24MISS'),AppSed=TO_DATE(:b14,'yyyymmddHH24MISS'),AppRad=TO_DATE(:b15,'"
    "yyyymmddHH24MISS'),AppRed=TO_DATE(:b16,'yyyymmddHH24MISS'),AppAgs=:b17,AppAbs=:b18,AppAes=:"
    "b19,AppSme=:b20,AppIme=:b21,AppAme=:b22,AppMee=:b23,AppSza=:b24,AppStr=:b25,AppSte=:b26,"
    "AppIta=:b27,AppItr=:b28,AppIte=:b29,AppApg=:b30,AppApl=:b31,AppKt1=:b32,AppKz1=:b33,AppKt2=:"
    "b34,AppKz2=:b35,AppKt3=:b36,AppKz3=:b37,AppKt4=:b38,AppKz4=:b39,AppFbe=:b40,AppKst=:b41,"
    "AppZf1=:b42,AppZf2=:b43,AppZf3=:b44,AppKnz=:b45,AppSsn=:b46,AppSta=:b47,AppDat=sysdate,AppErf="
    ":b48,AppDwn=:b49,AppDna=:b50 where (AppApk=:b0 and AppApp=:b1)";

constexpr char kInsert[] =
    "insert into Kvl504App "
    "(AppApk,AppApp,AppVaf,AppNaf,AppBz1,AppBz2,AppTxt,AppSts,AppSis,AppBdi,AppBds,AppSbd,AppEdi,"
    "AppEds,AppSed,AppRad,AppRed,AppAgs,AppAbs,AppAes,AppSme,AppIme,AppAme,AppMee,AppSza,AppStr,"
    "AppSte,AppIta,AppItr,AppIte,AppApg,AppApl,AppKt1,AppKz1,AppKt2,AppKz2,AppKt3,AppKz3,AppKt4,"
    "AppKz4,AppFbe,AppKst,AppZf1,AppZf2,AppZf3,AppKnz,AppSsn,AppDna,AppDwn,AppSta,AppDat,AppErf) "
    "values "
    "(:b0,:b1,:b2,:b3,:b4,:b5,:b6,:b7,:b8,TO_DATE(:b9,'yyyymmddHH24MISS'),TO_DATE(:b10,'"
    "yyyymmddHH24MISS'),TO_DATE(:b11,'yyyymmddHH24MISS'),TO_DATE(:b12,'yyyymmddHH24MISS'),TO_DATE(:"
    "b13,'yyyymmddHH24MISS'),TO_DATE(:b14,'yyyymmddHH24MISS'),TO_DATE(:b15,'yyyymmddHH24MISS'),TO_"
    "DATE(:b16,'yyyymmddHH24MISS'),:b17,:b18,:b19,:b20,:b21,:b22,:b23,:b24,:b25,:b26,:b27,:b28,:"
    "b29,:b30,:b31,:b32,:b33,:b34,:b35,:b36,:b37,:b38,:b39,:b40,:b41,:b42,:b43,:b44,:b45,:b46,:b47,"
    ":b48,:b49,sysdate,:b50)";

constexpr char kDelete[] = "delete  from Kvl504App  where (AppApk=:b0 and AppApp=:b1)";

constexpr char kCountZf2[] = "select count(*)  into :b0  from Kvl504App where AppZf2=:b1";

// Kind 1: exclusive bounds; as the alternatives are grouped, every position of a greater order
// key qualifies, without an upper limit.
RowCursor<AppRecord> g_range1(
    "select AppApk ,AppApp ,AppVaf ,AppNaf ,AppBz1 ,AppBz2 ,AppTxt ,AppSts ,AppSis "
    ",TO_CHAR(AppBdi,'yyyymmdd') ,TO_CHAR(AppBdi,'HH24MISS') ,TO_CHAR(AppBds,'yyyymmdd') "
    ",TO_CHAR(AppBds,'HH24MISS') ,TO_CHAR(AppSbd,'yyyymmdd') ,TO_CHAR(AppSbd,'HH24MISS') "
    ",TO_CHAR(AppEdi,'yyyymmdd') ,TO_CHAR(AppEdi,'HH24MISS') ,TO_CHAR(AppEds,'yyyymmdd') "
    ",TO_CHAR(AppEds,'HH24MISS') ,TO_CHAR(AppSed,'yyyymmdd') ,TO_CHAR(AppSed,'HH24MISS') "
    ",TO_CHAR(AppRad,'yyyymmdd') ,TO_CHAR(AppRad,'HH24MISS') ,TO_CHAR(AppRed,'yyyymmdd') "
    ",TO_CHAR(AppRed,'HH24MISS') ,AppAgs ,AppAbs ,AppAes ,AppSme ,AppIme ,AppAme ,AppMee ,AppSza "
    ",AppStr ,AppSte ,AppIta ,AppItr ,AppIte ,AppApg ,AppApl ,AppKt1 ,AppKz1 ,AppKt2 ,AppKz2 "
    ",AppKt3 ,AppKz3 ,AppKt4 ,AppKz4 ,AppFbe ,AppKst ,AppZf1 ,AppZf2 ,AppZf3 ,AppKnz ,AppSsn "
    ",AppDna ,AppDwn ,AppSta ,TO_CHAR(AppDat,'yyyymmddHH24MISS') ,AppErf  from Kvl504App where "
    "((AppApk>:b0 or ((AppApk=:b0 and AppApp>:b2) and AppApk<:b3)) or (AppApk=:b3 and AppApp<:b5)) "
    "order by AppApk,AppApp",
    kAppTableColumns);

// Kind 2: only the order key is bounded, exclusively; positions of one order come last first.
RowCursor<AppRecord> g_range2(
    "select AppApk ,AppApp ,AppVaf ,AppNaf ,AppBz1 ,AppBz2 ,AppTxt ,AppSts ,AppSis "
    ",TO_CHAR(AppBdi,'yyyymmdd') ,TO_CHAR(AppBdi,'HH24MISS') ,TO_CHAR(AppBds,'yyyymmdd') "
    ",TO_CHAR(AppBds,'HH24MISS') ,TO_CHAR(AppSbd,'yyyymmdd') ,TO_CHAR(AppSbd,'HH24MISS') "
    ",TO_CHAR(AppEdi,'yyyymmdd') ,TO_CHAR(AppEdi,'HH24MISS') ,TO_CHAR(AppEds,'yyyymmdd') "
    ",TO_CHAR(AppEds,'HH24MISS') ,TO_CHAR(AppSed,'yyyymmdd') ,TO_CHAR(AppSed,'HH24MISS') "
    ",TO_CHAR(AppRad,'yyyymmdd') ,TO_CHAR(AppRad,'HH24MISS') ,TO_CHAR(AppRed,'yyyymmdd') "
    ",TO_CHAR(AppRed,'HH24MISS') ,AppAgs ,AppAbs ,AppAes ,AppSme ,AppIme ,AppAme ,AppMee ,AppSza "
    ",AppStr ,AppSte ,AppIta ,AppItr ,AppIte ,AppApg ,AppApl ,AppKt1 ,AppKz1 ,AppKt2 ,AppKz2 "
    ",AppKt3 ,AppKz3 ,AppKt4 ,AppKz4 ,AppFbe ,AppKst ,AppZf1 ,AppZf2 ,AppZf3 ,AppKnz ,AppSsn "
    ",AppDna ,AppDwn ,AppSta ,TO_CHAR(AppDat,'yyyymmddHH24MISS') ,AppErf  from Kvl504App where "
    "(AppApk>:b0 and AppApk<:b1) order by AppApk,AppApp desc",
    kAppTableColumns);

// Both composite bounds inclusive, one status left out.
RowCursor<AppRecord> g_rangeSts(
    "select AppApk ,AppApp ,AppVaf ,AppNaf ,AppBz1 ,AppBz2 ,AppTxt ,AppSts ,AppSis "
    ",TO_CHAR(AppBdi,'yyyymmdd') ,TO_CHAR(AppBdi,'HH24MISS') ,TO_CHAR(AppBds,'yyyymmdd') "
    ",TO_CHAR(AppBds,'HH24MISS') ,TO_CHAR(AppSbd,'yyyymmdd') ,TO_CHAR(AppSbd,'HH24MISS') "
    ",TO_CHAR(AppEdi,'yyyymmdd') ,TO_CHAR(AppEdi,'HH24MISS') ,TO_CHAR(AppEds,'yyyymmdd') "
    ",TO_CHAR(AppEds,'HH24MISS') ,TO_CHAR(AppSed,'yyyymmdd') ,TO_CHAR(AppSed,'HH24MISS') "
    ",TO_CHAR(AppRad,'yyyymmdd') ,TO_CHAR(AppRad,'HH24MISS') ,TO_CHAR(AppRed,'yyyymmdd') "
    ",TO_CHAR(AppRed,'HH24MISS') ,AppAgs ,AppAbs ,AppAes ,AppSme ,AppIme ,AppAme ,AppMee ,AppSza "
    ",AppStr ,AppSte ,AppIta ,AppItr ,AppIte ,AppApg ,AppApl ,AppKt1 ,AppKz1 ,AppKt2 ,AppKz2 "
    ",AppKt3 ,AppKz3 ,AppKt4 ,AppKz4 ,AppFbe ,AppKst ,AppZf1 ,AppZf2 ,AppZf3 ,AppKnz ,AppSsn "
    ",AppDna ,AppDwn ,AppSta ,TO_CHAR(AppDat,'yyyymmddHH24MISS') ,AppErf  from Kvl504App where "
    "(((AppApk>:b0 or (AppApk=:b0 and AppApp>=:b2)) and (AppApk<:b3 or (AppApk=:b3 and "
    "AppApp<=:b5))) and AppSts<>:b6) order by AppApk,AppApp",
    kAppTableColumns);

RowCursor<AppRecord> g_zf2Cursor(
    "select AppApk ,AppApp ,AppVaf ,AppNaf ,AppBz1 ,AppBz2 ,AppTxt ,AppSts ,AppSis "
    ",TO_CHAR(AppBdi,'yyyymmdd') ,TO_CHAR(AppBdi,'HH24MISS') ,TO_CHAR(AppBds,'yyyymmdd') "
    ",TO_CHAR(AppBds,'HH24MISS') ,TO_CHAR(AppSbd,'yyyymmdd') ,TO_CHAR(AppSbd,'HH24MISS') "
    ",TO_CHAR(AppEdi,'yyyymmdd') ,TO_CHAR(AppEdi,'HH24MISS') ,TO_CHAR(AppEds,'yyyymmdd') "
    ",TO_CHAR(AppEds,'HH24MISS') ,TO_CHAR(AppSed,'yyyymmdd') ,TO_CHAR(AppSed,'HH24MISS') "
    ",TO_CHAR(AppRad,'yyyymmdd') ,TO_CHAR(AppRad,'HH24MISS') ,TO_CHAR(AppRed,'yyyymmdd') "
    ",TO_CHAR(AppRed,'HH24MISS') ,AppAgs ,AppAbs ,AppAes ,AppSme ,AppIme ,AppAme ,AppMee ,AppSza "
    ",AppStr ,AppSte ,AppIta ,AppItr ,AppIte ,AppApg ,AppApl ,AppKt1 ,AppKz1 ,AppKt2 ,AppKz2 "
    ",AppKt3 ,AppKz3 ,AppKt4 ,AppKz4 ,AppFbe ,AppKst ,AppZf1 ,AppZf2 ,AppZf3 ,AppKnz ,AppSsn "
    ",AppDna ,AppDwn ,AppSta ,TO_CHAR(AppDat,'yyyymmddHH24MISS') ,AppErf  from Kvl504App where "
    "AppZf2=:b0 order by AppZf2",
    kAppTableColumns);

// The statement buffers of the module. AppApk and AppApp of g_host are the key buffers: they
// hold the key last given to a statement or, after a fetch, the key of the last row delivered.
AppRecord g_host;
Text<12> g_lowerApk;
Text<5> g_lowerApp;
Text<12> g_upperApk;
Text<5> g_upperApp;
Text<30> g_zf2;

RowCursor<AppRecord>* RangeCursor(int kind) {
  return BySelector(kind, &g_range1, &g_range2);
}

// Hands the outcome of a key read or range fetch to the caller: the key from the key buffers
// in any case, the rest of the row on success, cleared fields otherwise. Returns the status.
int FillRecord(AppRecord* rec, int status) {
  if (status == 0) {
    *rec = g_host;
    return status;
  }
  *rec = AppRecord{};
  rec->AppApk = g_host.AppApk.view();
  rec->AppApp = g_host.AppApp.view();
  return status;
}

using R = AppRecord;

constexpr auto kKey = Cols<&R::AppApk, &R::AppApp>();

// The programs' own writes set only the columns they change (and the time of the change): the
// rest of the row stays as it is stored, whatever its Windows-1252 image lost on the way in.
constexpr char kMarkUpdate[] =
    "update KVL504App  set AppSts=:b0,AppSis=:b1,AppDwn=:b2,AppDna=:b3,AppDat=sysdate where "
    "(AppApk=:b4 and AppApp=:b5)";
constexpr auto kMarkInputs = [] {
  ColumnList<R, 6> l;
  l << Col16<&R::AppSts>() << Col16<&R::AppSis>();
  l << Cols<&R::AppDwn, &R::AppDna, &R::AppApk, &R::AppApp>();
  return l;
}();
constexpr char kUnmark[] =
    "update KVL504App  set AppDwn=null,AppDna=null,AppDat=sysdate where (AppApk=:b0 and "
    "AppApp=:b1)";

// The columns the update and the insert bind alike: those before the eight instants, which go
// in as joined date and time texts, and those after them up to AppKnz.
constexpr auto kBeforeInstants = [] {
  ColumnList<R, 9> l;
  l << Cols<&R::AppApk, &R::AppApp, &R::AppVaf, &R::AppNaf, &R::AppBz1, &R::AppBz2, &R::AppTxt>();
  l << Col16<&R::AppSts>() << Col16<&R::AppSis>();
  return l;
}();
constexpr auto kAfterInstants =
    Cols<&R::AppAgs, &R::AppAbs, &R::AppAes, &R::AppSme, &R::AppIme, &R::AppAme, &R::AppMee,
         &R::AppSza, &R::AppStr, &R::AppSte, &R::AppIta, &R::AppItr, &R::AppIte, &R::AppApg,
         &R::AppApl, &R::AppKt1, &R::AppKz1, &R::AppKt2, &R::AppKz2, &R::AppKt3, &R::AppKz3,
         &R::AppKt4, &R::AppKz4, &R::AppFbe, &R::AppKst, &R::AppZf1, &R::AppZf2, &R::AppZf3,
         &R::AppKnz>();
// The update ends with the key again, for its WHERE.
constexpr auto kUpdateTail = [] {
  ColumnList<R, 7> l;
  l << Col16<&R::AppSsn>() << Col16<&R::AppSta>();
  l << Cols<&R::AppErf, &R::AppDwn, &R::AppDna, &R::AppApk, &R::AppApp>();
  return l;
}();
constexpr auto kInsertTail = [] {
  ColumnList<R, 5> l;
  l << Col16<&R::AppSsn>() << Cols<&R::AppDna, &R::AppDwn>() << Col16<&R::AppSta>()
    << Col<&R::AppErf>();
  return l;
}();

// The update or the insert of rec; tail names the columns after AppKnz.
int WritePosition(std::string_view routine, std::string_view text, std::span<const Column<R>> tail,
                  const AppRecord* rec) {
  g_host = *rec;
  const Text<14> instants[] = {JoinDateTime(g_host.AppBdiDate, g_host.AppBdiTime),
                               JoinDateTime(g_host.AppBdsDate, g_host.AppBdsTime),
                               JoinDateTime(g_host.AppSbdDate, g_host.AppSbdTime),
                               JoinDateTime(g_host.AppEdiDate, g_host.AppEdiTime),
                               JoinDateTime(g_host.AppEdsDate, g_host.AppEdsTime),
                               JoinDateTime(g_host.AppSedDate, g_host.AppSedTime),
                               JoinDateTime(g_host.AppRadDate, g_host.AppRadTime),
                               JoinDateTime(g_host.AppRedDate, g_host.AppRedTime)};
  Inputs<R> in(kBeforeInstants, &g_host);
  for (const Text<14>& t : instants) in.Add(In::Text(t));
  in.Add(kAfterInstants, &g_host).Add(tail, &g_host);
  return sql::WriteWithSavepoint(routine, text, in);
}

// The four bounds of a position range, each copied into its buffer.
struct Bounds {
  In lowerApk, lowerApp, upperApk, upperApp;
};
Bounds SetBounds(const char* lowerApk, const char* lowerApp, const char* upperApk,
                 const char* upperApp) {
  return {TextArg(g_lowerApk, lowerApk), TextArg(g_lowerApp, lowerApp),
          TextArg(g_upperApk, upperApk), TextArg(g_upperApp, upperApp)};
}

// A key read: the key goes through the key buffers, the row is filled by the shared step.
int ReadPosition(std::string_view text, AppRecord* rec) {
  g_host.AppApk = rec->AppApk.view();
  g_host.AppApp = rec->AppApp.view();
  return FillRecord(rec, SelectRow<R>(text, kKey, kAppTableColumns, &g_host));
}

}  // namespace

int App_PKeyRead(AppRecord* rec) {
  return ReadPosition(kKeyRead, rec);
}

int App_PKeyLock(AppRecord* rec) {
  // Straight into the record: in a batch many positions are read before any row arrives.
  g_host.AppApk = rec->AppApk.view();
  g_host.AppApp = rec->AppApp.view();
  return ReadByKey<R>(kKeyLock.view(), kKey, kAppTableColumns, rec);
}

int App_PKeyUpd(const AppRecord* rec) {
  return WritePosition("App_PKeyUpd", kUpdate, kUpdateTail, rec);
}

int App_PKeyIns(const AppRecord* rec) {
  return WritePosition("App_PKeyIns", kInsert, kInsertTail, rec);
}

int App_MarkUpd(const AppRecord* rec) {
  return WriteRecord<R>("App_MarkUpd", kMarkUpdate, kMarkInputs, rec);
}

int App_Unmark(const AppRecord* rec) {
  return WriteRecord<R>("App_Unmark", kUnmark, kKey, rec);
}

int App_PKeyDel(const AppRecord* rec) {
  g_host.AppApk = rec->AppApk.view();
  g_host.AppApp = rec->AppApp.view();
  return WriteRecord<R>("App_PKeyDel", kDelete, kKey, &g_host);
}

int App_CountZf2(const char* zf2, int32_t* count) {
  const Out out[] = {Out::I32(count)};
  const In in[] = {TextArg(g_zf2, zf2)};
  return sql::SelectInto(kCountZf2, in, out);
}

int App_OpenZf2(const char* zf2) {
  return g_zf2Cursor.Open({TextArg(g_zf2, zf2)});
}

int App_FetchZf2(AppRecord* rec) {
  // Fetched straight into the record: a failed fetch leaves it as it was.
  return g_zf2Cursor.Fetch(rec);
}

int App_CloseZf2() {
  return g_zf2Cursor.Close();
}

int App_OpenRange(const char* lowerApk, const char* lowerApp, const char* upperApk,
                  const char* upperApp, int kind) {
  RowCursor<R>* cursor = RangeCursor(kind);
  if (cursor == nullptr) return kBadRangeKind;
  const Bounds b = SetBounds(lowerApk, lowerApp, upperApk, upperApp);
  if (kind == 1) {
    return cursor->Open({b.lowerApk, b.lowerApk, b.lowerApp, b.upperApk, b.upperApk, b.upperApp});
  }
  return cursor->Open({b.lowerApk, b.upperApk});
}

int App_FetchRange(AppRecord* rec, int kind) {
  RowCursor<R>* cursor = RangeCursor(kind);
  if (cursor == nullptr) return kBadRangeKind;
  return FillRecord(rec, cursor->Fetch(&g_host));
}

int App_CloseRange(int kind) {
  RowCursor<R>* cursor = RangeCursor(kind);
  if (cursor == nullptr) return kBadRangeKind;
  return cursor->Close();
}

int App_OpenRangeSts(const char* lowerApk, const char* lowerApp, const char* upperApk,
                     const char* upperApp, int32_t excludedSts) {
  const Bounds b = SetBounds(lowerApk, lowerApp, upperApk, upperApp);
  return g_rangeSts.Open({b.lowerApk, b.lowerApk, b.lowerApp, b.upperApk, b.upperApk, b.upperApp,
                          In::I16(excludedSts)});
}

int App_FetchRangeSts(AppRecord* rec) {
  return FillRecord(rec, g_rangeSts.Fetch(&g_host));
}

int App_CloseRangeSts() {
  return g_rangeSts.Close();
}

}  // namespace jf
