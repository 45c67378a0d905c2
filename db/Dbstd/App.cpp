#include "db/Dbstd.h"
#include "db/OrderColumns.h"
#include "db/Text.h"
#include "db/sql/Session.h"

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
sql::Cursor g_range1(
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
    "order by AppApk,AppApp");

// Kind 2: only the order key is bounded, exclusively; positions of one order come last first.
sql::Cursor g_range2(
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
    "(AppApk>:b0 and AppApk<:b1) order by AppApk,AppApp desc");

// Both composite bounds inclusive, one status left out.
sql::Cursor g_rangeSts(
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
    "AppApp<=:b5))) and AppSts<>:b6) order by AppApk,AppApp");

sql::Cursor g_zf2Cursor(
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
    "AppZf2=:b0 order by AppZf2");

// The statement buffers of the module. AppApk and AppApp of g_host are the key buffers: they
// hold the key last given to a statement or, after a fetch, the key of the last row delivered.
AppRecord g_host;
Text<12> g_lowerApk;
Text<5> g_lowerApp;
Text<12> g_upperApk;
Text<5> g_upperApp;
Text<30> g_zf2;

sql::Cursor* RangeCursor(int kind) {
  return BySelector(kind, &g_range1, &g_range2);
}

// Hands the outcome of a key read or range fetch to the caller: the key from the key buffers
// in any case, the rest of the row on success, cleared fields otherwise.
void FillRecord(AppRecord* rec, int status) {
  if (status == 0) {
    *rec = g_host;
    return;
  }
  *rec = AppRecord{};
  rec->AppApk = g_host.AppApk.view();
  rec->AppApp = g_host.AppApp.view();
}

// Inputs of the update and the insert, in the order of their columns up to AppKnz.
void AddCommonInputs(const AppRecord& r, const Text<14> (&instants)[8], In* in) {
  std::size_t n = 0;
  in[n++] = In::Text(r.AppApk);
  in[n++] = In::Text(r.AppApp);
  in[n++] = In::Text(r.AppVaf);
  in[n++] = In::Text(r.AppNaf);
  in[n++] = In::Text(r.AppBz1);
  in[n++] = In::Text(r.AppBz2);
  in[n++] = In::Text(r.AppTxt);
  in[n++] = In::I16(r.AppSts);
  in[n++] = In::I16(r.AppSis);
  for (const Text<14>& t : instants) in[n++] = In::Text(t);
  in[n++] = In::I32(r.AppAgs);
  in[n++] = In::I32(r.AppAbs);
  in[n++] = In::I32(r.AppAes);
  in[n++] = In::Dbl(r.AppSme);
  in[n++] = In::Dbl(r.AppIme);
  in[n++] = In::Dbl(r.AppAme);
  in[n++] = In::Text(r.AppMee);
  in[n++] = In::Dbl(r.AppSza);
  in[n++] = In::Dbl(r.AppStr);
  in[n++] = In::Dbl(r.AppSte);
  in[n++] = In::Dbl(r.AppIta);
  in[n++] = In::Dbl(r.AppItr);
  in[n++] = In::Dbl(r.AppIte);
  in[n++] = In::Text(r.AppApg);
  in[n++] = In::Text(r.AppApl);
  in[n++] = In::Text(r.AppKt1);
  in[n++] = In::Text(r.AppKz1);
  in[n++] = In::Text(r.AppKt2);
  in[n++] = In::Text(r.AppKz2);
  in[n++] = In::Text(r.AppKt3);
  in[n++] = In::Text(r.AppKz3);
  in[n++] = In::Text(r.AppKt4);
  in[n++] = In::Text(r.AppKz4);
  in[n++] = In::Text(r.AppFbe);
  in[n++] = In::Text(r.AppKst);
  in[n++] = In::Text(r.AppZf1);
  in[n++] = In::Text(r.AppZf2);
  in[n++] = In::Text(r.AppZf3);
  in[n++] = In::Text(r.AppKnz);
}

constexpr std::size_t kCommonInputs = 46;  // AppApk .. AppKnz

void JoinInstants(const AppRecord& r, Text<14> (&out)[8]) {
  out[0] = JoinDateTime(r.AppBdiDate, r.AppBdiTime);
  out[1] = JoinDateTime(r.AppBdsDate, r.AppBdsTime);
  out[2] = JoinDateTime(r.AppSbdDate, r.AppSbdTime);
  out[3] = JoinDateTime(r.AppEdiDate, r.AppEdiTime);
  out[4] = JoinDateTime(r.AppEdsDate, r.AppEdsTime);
  out[5] = JoinDateTime(r.AppSedDate, r.AppSedTime);
  out[6] = JoinDateTime(r.AppRadDate, r.AppRadTime);
  out[7] = JoinDateTime(r.AppRedDate, r.AppRedTime);
}

}  // namespace

int App_PKeyRead(AppRecord* rec) {
  g_host.AppApk = rec->AppApk.view();
  g_host.AppApp = rec->AppApp.view();
  const int rc = sql::SelectInto(kKeyRead, {In::Text(g_host.AppApk), In::Text(g_host.AppApp)},
                                 Outputs<AppRecord>(kAppTableColumns, &g_host));
  FillRecord(rec, rc);
  return rc;
}

int App_PKeyUpd(const AppRecord* rec) {
  g_host = *rec;
  Text<14> instants[8];
  JoinInstants(g_host, instants);
  In in[kCommonInputs + 7];
  AddCommonInputs(g_host, instants, in);
  std::size_t n = kCommonInputs;
  in[n++] = In::I16(g_host.AppSsn);
  in[n++] = In::I16(g_host.AppSta);
  in[n++] = In::Text(g_host.AppErf);
  in[n++] = In::Text(g_host.AppDwn);
  in[n++] = In::Text(g_host.AppDna);
  in[n++] = In::Text(g_host.AppApk);
  in[n++] = In::Text(g_host.AppApp);
  return sql::WriteWithSavepoint("App_PKeyUpd", kUpdate, std::span<const In>(in, n));
}

int App_PKeyIns(const AppRecord* rec) {
  g_host = *rec;
  Text<14> instants[8];
  JoinInstants(g_host, instants);
  In in[kCommonInputs + 5];
  AddCommonInputs(g_host, instants, in);
  std::size_t n = kCommonInputs;
  in[n++] = In::I16(g_host.AppSsn);
  in[n++] = In::Text(g_host.AppDna);
  in[n++] = In::Text(g_host.AppDwn);
  in[n++] = In::I16(g_host.AppSta);
  in[n++] = In::Text(g_host.AppErf);
  return sql::WriteWithSavepoint("App_PKeyIns", kInsert, std::span<const In>(in, n));
}

int App_PKeyDel(const AppRecord* rec) {
  g_host.AppApk = rec->AppApk.view();
  g_host.AppApp = rec->AppApp.view();
  return sql::WriteWithSavepoint("App_PKeyDel", kDelete,
                                 {In::Text(g_host.AppApk), In::Text(g_host.AppApp)});
}

int App_CountZf2(const char* zf2, int32_t* count) {
  g_zf2 = zf2 != nullptr ? zf2 : "";
  const Out out[] = {Out::I32(count)};
  const In in[] = {In::Text(g_zf2)};
  return sql::SelectInto(kCountZf2, in, out);
}

int App_OpenZf2(const char* zf2) {
  g_zf2 = zf2 != nullptr ? zf2 : "";
  return g_zf2Cursor.Open({In::Text(g_zf2)});
}

int App_FetchZf2(AppRecord* rec) {
  // Fetched straight into the record: a failed fetch leaves it as it was.
  return g_zf2Cursor.Fetch(Outputs<AppRecord>(kAppTableColumns, rec));
}

int App_CloseZf2() {
  return g_zf2Cursor.Close();
}

int App_OpenRange(const char* lowerApk, const char* lowerApp, const char* upperApk,
                  const char* upperApp, int kind) {
  sql::Cursor* cursor = RangeCursor(kind);
  if (cursor == nullptr) return kBadRangeKind;
  g_lowerApk = lowerApk != nullptr ? lowerApk : "";
  g_lowerApp = lowerApp != nullptr ? lowerApp : "";
  g_upperApk = upperApk != nullptr ? upperApk : "";
  g_upperApp = upperApp != nullptr ? upperApp : "";
  if (kind == 1) {
    return cursor->Open({In::Text(g_lowerApk), In::Text(g_lowerApk), In::Text(g_lowerApp),
                         In::Text(g_upperApk), In::Text(g_upperApk), In::Text(g_upperApp)});
  }
  return cursor->Open({In::Text(g_lowerApk), In::Text(g_upperApk)});
}

int App_FetchRange(AppRecord* rec, int kind) {
  sql::Cursor* cursor = RangeCursor(kind);
  if (cursor == nullptr) return kBadRangeKind;
  const int rc = cursor->Fetch(Outputs<AppRecord>(kAppTableColumns, &g_host));
  FillRecord(rec, rc);
  return rc;
}

int App_CloseRange(int kind) {
  sql::Cursor* cursor = RangeCursor(kind);
  if (cursor == nullptr) return kBadRangeKind;
  return cursor->Close();
}

int App_OpenRangeSts(const char* lowerApk, const char* lowerApp, const char* upperApk,
                     const char* upperApp, int32_t excludedSts) {
  g_lowerApk = lowerApk != nullptr ? lowerApk : "";
  g_lowerApp = lowerApp != nullptr ? lowerApp : "";
  g_upperApk = upperApk != nullptr ? upperApk : "";
  g_upperApp = upperApp != nullptr ? upperApp : "";
  return g_rangeSts.Open({In::Text(g_lowerApk), In::Text(g_lowerApk), In::Text(g_lowerApp),
                          In::Text(g_upperApk), In::Text(g_upperApk), In::Text(g_upperApp),
                          In::I16(excludedSts)});
}

int App_FetchRangeSts(AppRecord* rec) {
  const int rc = g_rangeSts.Fetch(Outputs<AppRecord>(kAppTableColumns, &g_host));
  FillRecord(rec, rc);
  return rc;
}

int App_CloseRangeSts() {
  return g_rangeSts.Close();
}

}  // namespace jf
