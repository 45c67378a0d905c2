// The order position download cursor: every position marked for a requester.
#include "db/tables/App.h"

#include "db/DbDnl.h"
#include "db/DbDnl/Requester.h"
#include "db/sql/Session.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

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

}  // namespace

int App_OpenDnl(const char* requester) {
  return g_appDnl.Open({RequesterArg(requester)});
}

void App_OpenDnlAhead(const char* requester) {
  g_appDnl.OpenAhead({RequesterArg(requester)});
}

int App_FetchDnl(AppDnlRecord* rec) {
  return g_appDnl.Fetch(rec);
}

int App_CloseDnl() {
  return g_appDnl.Close();
}

}  // namespace jf
