// The interruption reason download cursor: every reason marked for a requester.
#include "db/tables/Ubg.h"

#include "db/DbDnl.h"
#include "db/DbDnl/Requester.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

RowCursor<UbgDnlRecord> g_ubgDnl(
    "select UbgUbg ,UbgKnz ,UbgFbe ,UbgBez ,UbgTxt ,UbgZf1 ,UbgZf2 ,UbgZf3 ,UbgAst ,UbgRst ,UbgAsf "
    ",UbgSt1 ,UbgSt2 ,UbgSt3 ,UbgSf1 ,UbgSf2 ,UbgSf3 ,UbgDna ,UbgDwn ,UbgSta ,UbgErf  from "
    "Kvl521Ubg where UbgDwn=:b0 order by UbgFbe",
    kUbgDownloadColumns);

}  // namespace

int Ubg_OpenDnl(const char* requester) {
  return g_ubgDnl.Open({RequesterArg(requester)});
}
int Ubg_FetchDnl(UbgDnlRecord* rec) {
  return g_ubgDnl.Fetch(rec);
}
int Ubg_CloseDnl() {
  return g_ubgDnl.Close();
}

}  // namespace jf
