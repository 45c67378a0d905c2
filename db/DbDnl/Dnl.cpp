// The download journal (Kvl540Dnl): one line per download record, found again by the instant
// of the download, the requester and the line number.
#include "db/tables/Dnl.h"

#include <cstdio>

#include "db/DbDnl.h"
#include "db/sql/Session.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

using R = DnlRecord;
using sql::In;

// DnlDat is not selected: a fetch leaves it as it was. DnlDnl carries the whole payload, so an
// order position's 257 characters come back as they were journalled; DnlBer is cut to its field.
constexpr auto kJournalColumns =
    Cols<&R::date, &R::time, &R::DnlLfn, &R::DnlVkz, &R::DnlBer, &R::DnlFun, &R::DnlSkz, &R::DnlPnr,
         &R::DnlApk, &R::DnlApp, &R::DnlApl, &R::DnlDnl, &R::DnlErf>();

// The lines of one download and requester, by record type.
RowCursor<DnlRecord> g_journal(
    "select TO_CHAR(DnlDta,'yyyymmdd') ,TO_CHAR(DnlDta,'HH24MISS') ,DnlLfn ,DnlVkz ,DnlBer ,DnlFun "
    ",DnlSkz ,DnlPnr ,DnlApk ,DnlApp ,DnlApl ,DnlDnl ,DnlErf  from Kvl540Dnl where "
    "(TO_CHAR(DnlDta,'yyyymmddHH24MISS')=:b0 and DnlErf=:b1) order by DnlSkz",
    kJournalColumns);

// The instants a requester's lines were journalled at, newest first, with the lines of each
// record type (the count in DnlLfn).
constexpr auto kInstantColumns = Cols<&R::date, &R::time, &R::DnlSkz, &R::DnlLfn>();
RowCursor<DnlRecord> g_instants(
    "select TO_CHAR(DnlDta,'yyyymmdd') ,TO_CHAR(DnlDta,'HH24MISS') ,DnlSkz ,count(*)  from "
    "Kvl540Dnl where DnlErf=:b0 group by DnlDta,DnlSkz order by DnlDta desc,DnlSkz",
    kInstantColumns);

// DnlDta and DnlDat both take the database's time of the insert; the record's date and time are
// not stored, so a line is found again by the instant the database gave it.
constexpr char kInsert[] =
    "insert into Kvl540Dnl "
    "(DnlDta,DnlLfn,DnlVkz,DnlBer,DnlFun,DnlSkz,DnlPnr,DnlApk,DnlApp,DnlApl,DnlDnl,DnlDat,DnlErf) "
    "values (sysdate,:b0,:b1,:b2,:b3,:b4,:b5,:b6,:b7,:b8,:b9,sysdate,:b10)";
constexpr auto kInsertInputs =
    Cols<&R::DnlLfn, &R::DnlVkz, &R::DnlBer, &R::DnlFun, &R::DnlSkz, &R::DnlPnr, &R::DnlApk,
         &R::DnlApp, &R::DnlApl, &R::DnlDnl, &R::DnlErf>();

constexpr char kDelete[] =
    "delete  from Kvl540Dnl  where ((TO_CHAR(DnlDta,'yyyymmddHH24MISS')=:b0 and DnlErf=:b1) and "
    "DnlLfn=:b2)";

// Statement buffers of the cursor's instant and requester.
Text<14> g_instant;
Text<8> g_requester;

}  // namespace

Text<14> DownloadInstant(const Text<8>& date, const Text<6>& time) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%8s%6s", date.c_str(), time.c_str());
  return Text<14>(buf);
}

int Dnl_Open(const char* date, const char* time, const char* requester) {
  g_instant =
      DownloadInstant(Text<8>(date != nullptr ? date : ""), Text<6>(time != nullptr ? time : ""));
  return g_journal.Open({In::Text(g_instant), TextArg(g_requester, requester)});
}

int Dnl_Fetch(DnlRecord* rec) {
  return g_journal.Fetch(rec);
}

int Dnl_Close() {
  return g_journal.Close();
}

int Dnl_OpenInstants(const char* requester) {
  return g_instants.Open({TextArg(g_requester, requester)});
}

int Dnl_FetchInstant(DnlRecord* rec) {
  return g_instants.Fetch(rec);
}

int Dnl_CloseInstants() {
  return g_instants.Close();
}

int Dnl_PKeyIns(const DnlRecord* rec) {
  return WriteRecord<DnlRecord>("Dnl_PKeyIns", kInsert, kInsertInputs, rec);
}

int Dnl_PKeyDel(const DnlRecord* rec) {
  const Text<14> instant = DownloadInstant(rec->date, rec->time);
  return sql::WriteWithSavepoint("Dnl_PKeyDel", kDelete,
                                 {In::Text(instant), In::Text(rec->DnlErf), In::I32(rec->DnlLfn)});
}

}  // namespace jf
