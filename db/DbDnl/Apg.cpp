// The workplace group download cursor: every group marked for a requester, with its current
// cost centre.
#include "db/tables/Apg.h"

#include "db/DbDnl.h"
#include "db/DbDnl/Requester.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

// A group comes once for each cost centre assignment valid today, with that assignment's cost
// centre; a group without one does not come.
RowCursor<ApgDnlRecord> g_apgDnl(
    "select ApgApg ,ApgBez ,ApgTxt ,ApgFbe ,KsgKst ,ApgApl ,ApgTag ,ApgKap ,ApgPrd ,ApgRst ,ApgPau "
    ",ApgUnt ,ApgIak ,ApgSt1 ,ApgSt2 ,ApgSt3 ,ApgSf1 ,ApgSf2 ,ApgSf3 ,ApgZf1 ,ApgZf2 ,ApgZf3 "
    ",ApgDna ,ApgDwn ,ApgSta ,ApgErf  from Kvl530Apg ,Kvl537Ksg where (((ApgDwn=:b0 and "
    "ApgApg=KsgApg) and KsgGvo<=trunc(sysdate)) and (KsgGbi is null  or KsgGbi>=trunc(sysdate))) "
    "order by ApgFbe",
    kApgDownloadColumns);

}  // namespace

int Apg_OpenDnl(const char* requester) {
  return g_apgDnl.Open({RequesterArg(requester)});
}
int Apg_FetchDnl(ApgDnlRecord* rec) {
  return g_apgDnl.Fetch(rec);
}
int Apg_CloseDnl() {
  return g_apgDnl.Close();
}

}  // namespace jf
