// The statistics of a download (Kvl542Dwn): seven counters per download and requester.
#include "db/tables/Dwn.h"

#include <array>

#include "db/DbDnl.h"
#include "db/sql/Session.h"
#include "db/tables/Dnl.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

using sql::In;

constexpr char kInsert[] =
    "insert into Kvl542Dwn "
    "(DwnDta,DwnApk,DwnApp,DwnAuk,DwnAfo,DwnNeu,DwnAen,DwnLoe,DwnZf1,DwnZf2,DwnZf3,DwnDat,DwnErf) "
    "values "
    "(TO_DATE(:b0,'yyyymmddHH24MISS'),:b1,:b2,:b3,:b4,:b5,:b6,:b7,:b8,:b9,:b10,sysdate,:b11)";

// A row is found by its download date DwnDta and requester. DwnDat is stamped anew by every
// update and read back by nothing, so a row looked up by it would never be found again. The
// condition repeats :b0 and :b11, which are bound again at their second place.
constexpr char kUpdate[] =
    "update KVL542Dwn  set "
    "DwnDta=TO_DATE(:b0,'yyyymmddHH24MISS'),DwnApk=:b1,DwnApp=:b2,DwnAuk=:b3,DwnAfo=:b4,DwnNeu=:b5,"
    "DwnAen=:b6,DwnLoe=:b7,DwnZf1=:b8,DwnZf2=:b9,DwnZf3=:b10,DwnDat=sysdate,DwnErf=:b11 where "
    "(TO_CHAR(DwnDta,'yyyymmddHH24MISS')=:b0 and DwnErf=:b11)";

// The downloads of one requester, newest first.
constexpr auto kRunColumns =
    Cols<&DwnRecord::DwnDtaDate, &DwnRecord::DwnDtaTime, &DwnRecord::DwnApk, &DwnRecord::DwnApp,
         &DwnRecord::DwnNeu, &DwnRecord::DwnAen, &DwnRecord::DwnLoe>();
RowCursor<DwnRecord> g_runs(
    "select TO_CHAR(DwnDta,'yyyymmdd') ,TO_CHAR(DwnDta,'HH24MISS') ,DwnApk ,DwnApp ,DwnNeu ,DwnAen "
    ",DwnLoe  from Kvl542Dwn where DwnErf=:b0 order by DwnDta desc",
    kRunColumns);
Text<8> g_runsRequester;

constexpr char kDelete[] =
    "delete  from Kvl542Dwn  where (TO_CHAR(DwnDta,'yyyymmddHH24MISS')=:b0 and DwnErf=:b1)";

// The inputs of the insert (the first twelve) and of the update (all fourteen): the download
// instant, the counters, the free fields and the requester, then the instant and the requester
// of the condition.
std::array<In, 14> DwnInputs(const DwnRecord* rec, const Text<14>& instant) {
  return {In::Text(instant),     In::I32(rec->DwnApk),  In::I32(rec->DwnApp),
          In::I32(rec->DwnAuk),  In::I32(rec->DwnAfo),  In::I32(rec->DwnNeu),
          In::I32(rec->DwnAen),  In::I32(rec->DwnLoe),  In::Text(rec->DwnZf1),
          In::Text(rec->DwnZf2), In::Text(rec->DwnZf3), In::Text(rec->DwnErf),
          In::Text(instant),     In::Text(rec->DwnErf)};
}

}  // namespace

int Dwn_OpenRuns(const char* requester) {
  return g_runs.Open({TextArg(g_runsRequester, requester)});
}

int Dwn_FetchRun(DwnRecord* rec) {
  return g_runs.Fetch(rec);
}

int Dwn_CloseRuns() {
  return g_runs.Close();
}

int Dwn_PKeyIns(const DwnRecord* rec) {
  const Text<14> instant = DownloadInstant(rec->DwnDtaDate, rec->DwnDtaTime);
  const std::array<In, 14> in = DwnInputs(rec, instant);
  return sql::WriteWithSavepoint("Dwn_PKeyIns", kInsert, std::span<const In>(in.data(), 12));
}

int Dwn_PKeyUpd(const DwnRecord* rec) {
  const Text<14> instant = DownloadInstant(rec->DwnDtaDate, rec->DwnDtaTime);
  const std::array<In, 14> in = DwnInputs(rec, instant);
  return sql::WriteWithSavepoint("Dwn_PKeyUpd", kUpdate, in);
}

int Dwn_PKeyDel(const DwnRecord* rec) {
  const Text<14> instant = DownloadInstant(rec->DwnDtaDate, rec->DwnDtaTime);
  return sql::WriteWithSavepoint("Dwn_PKeyDel", kDelete,
                                 {In::Text(instant), In::Text(rec->DwnErf)});
}

}  // namespace jf
