// The cost centre download cursor: every cost centre for every production area of type 1.
#include "db/tables/Ksg.h"

#include "db/DbDnl.h"
#include "db/DbDnl/Requester.h"
#include "db/sql/Session.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

// Every cost centre with every production area of type 1: the tables are not joined.
RowCursor<KsgDnlRecord> g_ksgDnl(
    "select KstNum ,FbeFbe  from o1003Kststelle ,Kvl559Fbe where FbeTyp=1 order by FbeFbe",
    kKsgDownloadColumns);

}  // namespace

int Ksg_OpenDnl(const char* requester) {
  RequesterArg(requester);  // kept like the other cursors' marker; the query does not use it
  return g_ksgDnl.Open(std::span<const sql::In>());
}
int Ksg_FetchDnl(KsgDnlRecord* rec) {
  // Only KsgKst and KsgFbe are selected; the other fields keep what the caller put there.
  return g_ksgDnl.Fetch(rec);
}
int Ksg_CloseDnl() {
  return g_ksgDnl.Close();
}

}  // namespace jf
