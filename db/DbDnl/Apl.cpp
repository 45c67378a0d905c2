// The workplace download cursor: every workplace marked for a requester.
#include "db/tables/Apl.h"

#include "db/DbDnl.h"
#include "db/DbDnl/Requester.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

RowCursor<AplDnlRecord> g_aplDnl(
    "select AplApl ,AplBez ,AplTxt ,AplApg ,AplFbe ,AplSts ,AplSis ,AplApr ,AplAaf ,AplUbg ,AplUdt "
    ",AplTag ,AplVrf ,AplRsp ,AplRsi ,AplAfp ,AplAfi ,AplPau ,AplUnt ,AplIak ,AplAvt ,AplKap "
    ",AplAvr ,AplAvp ,AplSt1 ,AplSt2 ,AplSt3 ,AplSf1 ,AplSf2 ,AplSf3 ,AplZf1 ,AplZf2 ,AplZf3 "
    ",AplDna ,AplDwn ,AplSta ,AplErf  from Kvl531Apl where AplDwn=:b0 order by AplFbe",
    kAplDownloadColumns);

}  // namespace

int Apl_OpenDnl(const char* requester) {
  return g_aplDnl.Open({RequesterArg(requester)});
}
int Apl_FetchDnl(AplDnlRecord* rec) {
  return g_aplDnl.Fetch(rec);
}
int Apl_CloseDnl() {
  return g_aplDnl.Close();
}

}  // namespace jf
