// The personnel download cursor: every person marked for a requester.
#include "db/tables/Prv.h"

#include "db/DbDnl.h"
#include "db/DbDnl/Requester.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

RowCursor<PrvDnlRecord> g_prvDnl(
    "select PrvPnr ,TO_CHAR(PrvGvo,'yyyymmdd') ,TO_CHAR(PrvGbi,'yyyymmdd') ,PrvBer ,PrvKst ,PrvFbe "
    ",PrvMmb ,PrvZf1 ,PrvZf2 ,PrvZf3 ,PrvDna ,PrvDwn ,PrvAwa ,PrvAwn ,PrvAnw "
    ",TO_CHAR(PrvAvn,'yyyymmddHH24MISS') ,TO_CHAR(PrvAbi,'yyyymmddHH24MISS') ,PrvApl ,PrvApp "
    ",PrvPzm ,PrvSta ,TO_CHAR(PrvDat,'yyyymmddHH24MISS') ,PrvErf  from Kvl510Prv where PrvDwn=:b0 "
    "order by PrvFbe",
    kPrvDownloadColumns);

}  // namespace

int Prv_OpenDnl(const char* requester) {
  return g_prvDnl.Open({RequesterArg(requester)});
}
int Prv_FetchDnl(PrvDnlRecord* rec) {
  return g_prvDnl.Fetch(rec);
}
int Prv_CloseDnl() {
  return g_prvDnl.Close();
}

}  // namespace jf
