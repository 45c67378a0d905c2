// The order header download cursor: every header marked for a requester.
#include "db/tables/Apk.h"

#include "db/DbDnl.h"
#include "db/DbDnl/Requester.h"
#include "db/sql/Session.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

RowCursor<ApkDnlRecord> g_apkDnl(
    "select ApkApk ,ApkBz1 ,ApkBz2 ,ApkTxt ,ApkSts ,ApkSis ,ApkKun ,ApkKb1 ,ApkKb2 "
    ",TO_CHAR(ApkBgs,'yyyymmdd') ,TO_CHAR(ApkEns,'yyyymmdd') ,ApkAfo ,ApkEaf ,ApkTnr ,ApkTb1 "
    ",ApkTb2 ,ApkSme ,ApkIme ,ApkMee ,TO_CHAR(ApkBdi,'yyyymmdd') ,TO_CHAR(ApkBdi,'HH24MISS') "
    ",TO_CHAR(ApkEdi,'yyyymmdd') ,TO_CHAR(ApkEdi,'HH24MISS') ,ApkFbe ,ApkKst ,ApkZf1 ,ApkZf2 "
    ",ApkZf3 ,ApkKnz ,ApkSsn ,ApkDna ,ApkDwn ,ApkSta ,TO_CHAR(ApkDat,'yyyymmddHH24MISS') ,ApkErf "
    ",ApkAba  from Kvl501Apk where ApkDwn=:b0 order by ApkDwn,ApkFbe",
    kApkDownloadColumns);

}  // namespace

int Apk_OpenDnl(const char* requester) {
  return g_apkDnl.Open({RequesterArg(requester)});
}

void Apk_OpenDnlAhead(const char* requester) {
  g_apkDnl.OpenAhead({RequesterArg(requester)});
}

int Apk_FetchDnl(ApkDnlRecord* rec) {
  // The seam writes the outputs only for a delivered row, so the record stays as it was on
  // any other status.
  return g_apkDnl.Fetch(rec);
}

int Apk_CloseDnl() {
  return g_apkDnl.Close();
}

}  // namespace jf
