#include "db/DbDnl.h"
#include "db/DbDnl/Requester.h"
#include "db/OrderColumns.h"
#include "db/sql/Session.h"

namespace jf {

namespace {

using sql::In;

RowCursor<ApkDnlRecord> g_apkDnl(
    "select ApkApk ,ApkBz1 ,ApkBz2 ,ApkTxt ,ApkSts ,ApkSis ,ApkKun ,ApkKb1 ,ApkKb2 "
    ",TO_CHAR(ApkBgs,'yyyymmdd') ,TO_CHAR(ApkEns,'yyyymmdd') ,ApkAfo ,ApkEaf ,ApkTnr ,ApkTb1 "
    ",ApkTb2 ,ApkSme ,ApkIme ,ApkMee ,TO_CHAR(ApkBdi,'yyyymmdd') ,TO_CHAR(ApkBdi,'HH24MISS') "
    ",TO_CHAR(ApkEdi,'yyyymmdd') ,TO_CHAR(ApkEdi,'HH24MISS') ,ApkFbe ,ApkKst ,ApkZf1 ,ApkZf2 "
    ",ApkZf3 ,ApkKnz ,ApkSsn ,ApkDna ,ApkDwn ,ApkSta ,TO_CHAR(ApkDat,'yyyymmddHH24MISS') ,ApkErf "
    ",ApkAba  from Kvl501Apk where ApkDwn=:b0 order by ApkDwn,ApkFbe",
    kApkDownloadColumns);

RowCursor<AppDnlRecord> g_appDnl(
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
    "AppDwn=:b0 order by AppDwn,AppFbe",
    kAppDownloadColumns);

// CfgDat comes in the connection's own date form; its field keeps the first 14 characters.
constexpr auto kCfgColumns =
    Cols<&CfgRecord::CfgDta, &CfgRecord::CfgIP, &CfgRecord::CfgPrt, &CfgRecord::CfgBez,
         &CfgRecord::CfgTxt, &CfgRecord::CfgKr1, &CfgRecord::CfgVn1, &CfgRecord::CfgBi1,
         &CfgRecord::CfgBz1, &CfgRecord::CfgVn2, &CfgRecord::CfgBi2, &CfgRecord::CfgBz2,
         &CfgRecord::CfgVn3, &CfgRecord::CfgBi3, &CfgRecord::CfgBz3, &CfgRecord::CfgVn4,
         &CfgRecord::CfgBi4, &CfgRecord::CfgBz4, &CfgRecord::CfgVn5, &CfgRecord::CfgBi5,
         &CfgRecord::CfgBz5, &CfgRecord::CfgSta, &CfgRecord::CfgDat, &CfgRecord::CfgErf>();

// The area is bound at each of its four places; the third to fifth ranges are delivered but do
// not select.
RowCursor<CfgRecord> g_cfg(
    "select CfgDta ,CfgIP ,CfgPrt ,CfgBez ,CfgTxt ,CfgKr1 ,CfgVn1 ,CfgBi1 ,CfgBz1 ,CfgVn2 ,CfgBi2 "
    ",CfgBz2 ,CfgVn3 ,CfgBi3 ,CfgBz3 ,CfgVn4 ,CfgBi4 ,CfgBz4 ,CfgVn5 ,CfgBi5 ,CfgBz5 ,CfgSta "
    ",CfgDat ,CfgErf  from Kvl557Cfg where ((:b0>=CfgVn1 and :b0<=CfgBi1) or (:b0>=CfgVn2 and "
    ":b0<=CfgBi2)) order by CfgDta",
    kCfgColumns);

// Parameter buffer of the production area as the configuration ranges hold it.
Text<10> g_area;

}  // namespace

int Apk_OpenDnl(const char* requester) {
  return g_apkDnl.Open({RequesterArg(requester)});
}

int Apk_FetchDnl(ApkDnlRecord* rec) {
  // The seam writes the outputs only for a delivered row, so the record stays as it was on
  // any other status.
  return g_apkDnl.Fetch(rec);
}

int Apk_CloseDnl() {
  return g_apkDnl.Close();
}

int App_OpenDnl(const char* requester) {
  return g_appDnl.Open({RequesterArg(requester)});
}

int App_FetchDnl(AppDnlRecord* rec) {
  return g_appDnl.Fetch(rec);
}

int App_CloseDnl() {
  return g_appDnl.Close();
}

int Cfg_Open(const char* area) {
  const In a = TextArg(g_area, area);
  return g_cfg.Open({a, a, a, a});
}

int Cfg_Fetch(CfgRecord* rec) {
  return g_cfg.Fetch(rec);
}

int Cfg_Close() {
  return g_cfg.Close();
}

}  // namespace jf
