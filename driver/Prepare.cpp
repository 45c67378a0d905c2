#include "driver/Prepare.h"

#include "db/DbDb.h"
#include "db/DbDnl.h"
#include "db/Dbstd.h"
#include "db/sql/Status.h"
#include "db/tables/Apk.h"
#include "db/tables/App.h"
#include "download/DnlJournal.h"
#include "download/Download.h"
#include "msg/Msg.h"
#include "platform/Stop.h"

namespace jf {

namespace {

constexpr std::size_t kOrderKeyWidth = Text<12>::kWidth;
constexpr std::size_t kPositionKeyWidth = Text<5>::kWidth;

constexpr char kOrderTooLong[] = "Auftragsnummer zu lang (max. 12 Zeichen)";
constexpr char kPositionTooLong[] = "Positionsnummer zu lang (max. 5 Zeichen)";

// Header statuses that keep an order header out of a download; a position is kept out by 9 only.
constexpr int32_t kStatusLocked = 7;
constexpr int32_t kStatusClosed = 9;
constexpr int32_t kStatusReleased = 10;

// Marks one row in a unit of its own: the row is locked and read, changed by apply (which says
// false to leave it as it is) and its marker, kind and status written back (write sets only
// those, so the rest of the row stays as stored), so a change that another process commits in
// the meantime is neither overwritten nor lost, and a run that sends the row meanwhile waits. A
// row that cannot be read, or is not there, ends the step silently; a lock held past the lock
// wait is logged as the write's failure, which is where a run used to meet it.
template <class Rec, class Apply>
int32_t MarkRow(const char* function, const char* failed, const Rec& key, int (*lock)(Rec*),
                int (*write)(const Rec*), Apply apply) {
  return bdRetryUnit([&](bool last) {
    auto logged = [&](int rc) {
      if (rc != sql::kDeadlock || last) Msg_Log(rc, function, failed, kMsgError);
      return rc;
    };
    Rec rec = key;
    int rc = bdBeginUnit(function);
    if (rc == 0) rc = lock(&rec);
    if (rc != 0) {
      bdEndUnit(false);
      // A lost connection is logged too: the step fails for a reason of its own, not because
      // the row is missing.
      return rc == sql::kBusy || rc == sql::kDeadlock || bdLostStatus() != 0 ? logged(rc) : rc;
    }
    if (!apply(&rec)) return bdEndUnit(true);
    bdEndUnitWithNextWrite();  // the write and the unit's commit travel together
    rc = write(&rec);
    const int end = bdEndUnit(rc == 0);
    if (rc != 0) return logged(rc);
    // A commit that lost the connection is the step's failure; the write did not stay.
    return end != 0 && bdLostStatus() != 0 ? logged(end) : end;
  });
}

}  // namespace

int32_t PrepareOrderHeader(std::string_view order, const Text<8>& requester) {
  if (order.size() > kOrderKeyWidth) {
    Msg_Log(kKeyTooLong, "Auk_To_Apk", kOrderTooLong, kMsgError);
    return kKeyTooLong;
  }
  ApkRecord key;
  key.ApkApk = order;
  return MarkRow("Auk_To_Apk", "Fehelr bei Apk_PKeyDel", key, Apk_PKeyLock, Apk_MarkUpd,
                 [&](ApkRecord* rec) {
                   if (rec->ApkSts == kStatusClosed || rec->ApkSts == kStatusLocked) return false;
                   rec->ApkDna = "AEN";
                   rec->ApkDwn = requester.view();
                   return true;
                 });
}

int32_t PreparePosition(std::string_view order, std::string_view position, const Text<8>& requester,
                        const Text<5>& action) {
  if (order.size() > kOrderKeyWidth) {
    Msg_Log(kKeyTooLong, "App_Sel", kOrderTooLong, kMsgError);
    return kKeyTooLong;
  }
  if (position.size() > kPositionKeyWidth) {
    Msg_Log(kKeyTooLong, "App_Sel", kPositionTooLong, kMsgError);
    return kKeyTooLong;
  }
  AppRecord key;
  key.AppApk = order;
  key.AppApp = position;
  return MarkRow("App_Sel", "Fehelr bei App_PKeyDel", key, App_PKeyLock, App_MarkUpd,
                 [&](AppRecord* rec) {
                   if (rec->AppSts == kStatusClosed) return false;
                   rec->AppDna = "AEN";
                   rec->AppDwn = requester.view();
                   // Compared whole and case-sensitively; the asterisk belongs to "FREI*".
                   const std::string_view keyword = action.view();
                   if (keyword == "SPERR") {
                     rec->AppDna = "STA";
                     rec->AppSis = rec->AppSts;
                     rec->AppSts = kStatusLocked;
                   } else if (keyword == "FREI*") {
                     rec->AppDna = "STA";
                     rec->AppSts = kStatusReleased;
                   } else if (keyword == "BEGIN") {
                     rec->AppSis = rec->AppSts;
                     rec->AppSts = kStatusReleased;
                   }
                   return true;
                 });
}

namespace {

// A failed step is logged where it fails and never stops the run: the downloads still send
// whatever is marked for the requester. Only the position download decides the exit code. A
// run told to stop starts no further step; what it left marked goes with the next run.
int32_t RunOrderSteps(const RunContext& ctx, std::string_view order, std::string_view position) {
  // Each download's cursor opens with the commit of the marking before it, where the database
  // can send both in one round trip; the download opens it all the same.
  if (StopRequested() != 0) return 0;
  Apk_OpenDnlAhead(ctx.requester.c_str());
  PrepareOrderHeader(order, ctx.requester);
  if (StopRequested() != 0) return 0;
  Apk_Dnl(ctx.date, ctx.time, ctx.requester.c_str());
  if (StopRequested() != 0) return 0;
  App_OpenDnlAhead(ctx.requester.c_str());
  PreparePosition(order, position, ctx.requester, ctx.action);
  if (StopRequested() != 0) return 0;
  return App_Dnl(ctx.date, ctx.time, ctx.requester.c_str());
}

}  // namespace

int32_t RunOrder(const RunContext& ctx, std::string_view order, std::string_view position) {
  const int32_t status = RunOrderSteps(ctx, order, position);
  // A stopped run's statistics count what its committed groups sent, as any run's do.
  DnlJournal_OrderRun(ctx.date, ctx.time, ctx.requester.c_str());
  return status;
}

}  // namespace jf
