// The order downloads: order headers as "APK" records, order positions as "APP" records.
#include "download/OrderDnl.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "db/DbDnl.h"
#include "db/Dbstd.h"
#include "db/sql/Session.h"
#include "db/sql/Status.h"
#include "download/DnlLoop.h"
#include "download/Download.h"
#include "download/Field.h"
#include "download/SndBuf.h"
#include "msg/Msg.h"

namespace jf {

namespace {

// The constant fields of an order record; DnlDat stays empty.
void FillOrderRecord(DnlRecord* rec, std::string_view requester, std::string_view skz,
                     std::string_view dna, std::string_view apk) {
  // Requests of the "InfToGen" requester are repetitions of data the terminals already had.
  rec->DnlVkz = requester == "InfToGen" ? "WDH" : "NEU";
  rec->DnlBer = "BDE  ";
  rec->DnlFun = dna;
  rec->DnlSkz = skz;
  rec->DnlPnr = "        ";
  rec->DnlApk = apk;
  rec->DnlApl = "          ";
  rec->DnlDat.Clear();
}

const char* ApkArea(const ApkDnlRecord& row) {
  return row.ApkFbe.c_str();
}
const char* AppArea(const AppDnlRecord& row) {
  return row.AppFbe.c_str();
}
std::string ApkName(const ApkDnlRecord& row) {
  return "Auftrag " + std::string(row.ApkApk.view());
}
std::string AppName(const AppDnlRecord& row) {
  return "Auftrag " + std::string(row.AppApk.view()) + " Position " +
         std::string(row.AppApp.view());
}
std::string_view ApkMarker(const ApkDnlRecord& row) {
  return row.ApkDwn.view();
}
std::string_view AppMarker(const AppDnlRecord& row) {
  return row.AppDwn.view();
}

void Apk_LockFailed(const ApkDnlRecord&, int rc) {
  Msg_Log(rc, "ApkDnl", "Fehler bei Apk_PKeyRead", kMsgError);
}

void App_LockFailed(const AppDnlRecord&, int rc) {
  Msg_Log(rc, "App_Frei", "Fehler bei App_PKeyRead", kMsgError);
}

// Only the marker and the kind change: the rest of the row stays as stored.
int Apk_StatusUpdate(const ApkRecord& row) {
  const int rc = row.ApkDna == "LOE" ? Apk_PKeyDel(row.ApkApk.c_str()) : Apk_Unmark(&row);
  if (rc != 0) Msg_Log(rc, "ApkDnl", "Fehler bei Apk_PKeyUpd", kMsgError);
  return rc;
}

// The step of the position count whose lock failure the loop logs once the position cannot
// go again (App_CountLockFailed), or nullptr.
const char* g_countLockStep = nullptr;

// The headers locked in the open transaction are kept with their counts: the lock keeps them as
// written until the transaction ends, so the next position of the same order writes its count
// without reading the header again (in a batch of positions, that read would be a round trip
// of its own). Anything that may have undone a write or a lock forgets them.
struct Heads {
  unsigned long epoch = 0;
  std::map<std::string, int32_t, std::less<>> counts;
};
Heads& KnownHeads() {
  static Heads h;
  if (h.epoch != sql::TransactionEpoch()) {
    h.counts.clear();
    h.epoch = sql::TransactionEpoch();
  }
  return h;
}

// A header a batch locks and reads with its positions; its count is kUnread until it came.
constexpr int32_t kUnread = INT32_MIN;
struct BatchHead {
  unsigned long epoch = 0;  // the transaction's that read it
  ApkRecord rec;
};
std::map<std::string, BatchHead, std::less<>>& BatchHeads() {
  static std::map<std::string, BatchHead, std::less<>> heads;
  return heads;
}

// In a batch's locking reads, after every position's: the order header a position of a kind
// that moves its count will lock and read, so that it comes with the batch (its lock after its
// positions', the one lock order of the program).
void App_LockHead(const AppDnlRecord& fetched, int tag) {
  if (fetched.AppDna != "NEU" && fetched.AppDna != "LOE") return;
  const Heads& known = KnownHeads();
  auto& heads = BatchHeads();
  std::erase_if(heads, [&](const auto& h) { return h.second.epoch != known.epoch; });
  const std::string_view order = fetched.AppApk.view();
  if (known.counts.find(order) != known.counts.end() || heads.find(order) != heads.end()) return;
  BatchHead& head = heads[std::string(order)];
  head.epoch = known.epoch;
  head.rec.ApkApk = order;
  head.rec.ApkAfo = kUnread;
  sql::BatchTag(tag);
  if (const int rc = Apk_PKeyLock(&head.rec); rc != 0 && rc != sql::kQueued) {
    heads.erase(std::string(order));
  }
}

// Moves the position count of an order by delta, with the order header locked after its
// position (the one lock order of the program). Either failure undoes the position's unit, so
// the position stays due, and is logged: a lock held elsewhere (-54) or a deadlock (-60) by the
// loop, which may first let the position go again, anything else here, a count that would leave
// its 16 bits with a detail entry naming the order (it would fail on every run). An order header
// that is gone (1403) has no count to keep and is no failure.
int AdjustPositionCount(const char* order, int delta) {
  Heads& known = KnownHeads();
  ApkRecord head;
  head.ApkApk = order;
  const char* step = "Fehler bei Apk_PKeyRead";
  int rc = 0;
  const auto& heads = BatchHeads();
  const auto read = heads.find(std::string_view(order));
  if (auto it = known.counts.find(std::string_view(order)); it != known.counts.end()) {
    head.ApkAfo = it->second;
  } else if (read != heads.end() && read->second.epoch == known.epoch &&
             read->second.rec.ApkAfo != kUnread) {
    head.ApkAfo = read->second.rec.ApkAfo;  // locked and read with the batch
  } else {
    rc = Apk_PKeyLock(&head);
  }
  if (rc == 0) {
    head.ApkAfo += delta;
    step = "Fehler bei Apk_PKeyUpd";
    rc = Apk_AfoUpd(&head);
    if (rc == 0 && known.epoch == sql::TransactionEpoch()) known.counts[order] = head.ApkAfo;
  }
  if (rc == 0 || rc == sql::kNotFound) return rc;
  if (rc == sql::kBusy || rc == sql::kDeadlock) {
    g_countLockStep = step;
  } else {
    Msg_Log(rc, "App_Frei", step, kMsgError);
    if (rc == sql::kIntegerOverflow) {
      Msg_LogDetail(rc, "App_Frei", "ApkAfo " + std::to_string(head.ApkAfo) + " Auftrag " + order);
    }
  }
  return rc;
}

void App_CountLockFailed(const AppDnlRecord&, int rc) {
  if (g_countLockStep != nullptr) Msg_Log(rc, "App_Frei", g_countLockStep, kMsgError);
}

// The position's own write and its order's position count are one unit. Committed one by one, a
// crash or a failed count update between them would leave the count wrong for good, since the
// position is no longer due; as a unit, the position stays due and goes again with the next
// run, which then counts it. An order header that is gone (not found) has no count to keep, so
// the position's write stands.
int App_StatusUpdate(const AppRecord& row) {
  g_countLockStep = nullptr;
  if (row.AppDna == "LOE") {
    if (int rc = App_PKeyDel(&row); rc != 0) {
      Msg_Log(rc, "App_Frei", "Fehler bei Apk_PKeyDel", kMsgError);
      return rc;
    }
    return AdjustPositionCount(row.AppApk.c_str(), -1);
  }
  if (int rc = App_Unmark(&row); rc != 0) {
    Msg_Log(rc, "APP_Frei", "Fehler bei App_PKeyUpd", kMsgError);
    return rc;
  }
  if (row.AppDna == "NEU") return AdjustPositionCount(row.AppApk.c_str(), +1);
  return 0;
}

}  // namespace

int Apk_Build(DnlRecord* rec, const ApkDnlRecord& row, std::string_view requester) {
  field::FixedRecord<kApkPayloadLength> p;
  p.Text(0, 12, row.ApkApk);
  p.Text(12, 30, row.ApkBz1);
  p.Text(42, 30, row.ApkBz2);
  p.Text(72, 8, row.ApkTxt);
  p.Text(80, 20, row.ApkTnr);
  p.Text(100, 30, row.ApkTb1);
  p.Text(130, 30, row.ApkTb2);
  p.Quantity(160, row.ApkSme);
  p.Text(171, 3, row.ApkMee);
  p.Date(174, row.ApkBgs);
  p.Date(180, row.ApkEns);
  p.Int(186, 5, row.ApkAfo);
  p.Status(191, row.ApkSts);
  p.Text(192, 10, row.ApkZf1);
  p.Text(202, 20, row.ApkZf2);
  p.Text(222, 30, row.ApkZf3);
  p.Char(252, 'X');
  FillOrderRecord(rec, requester, "APK", row.ApkDna, row.ApkApk);
  rec->DnlApp = "     ";
  rec->DnlDnl = p.view();
  return 0;
}

int App_Build(DnlRecord* rec, const AppDnlRecord& row, std::string_view requester) {
  field::FixedRecord<kAppPayloadLength> p;
  p.Text(0, 12, row.AppApk);
  p.Text(12, 5, row.AppApp);
  p.Text(17, 30, row.AppBz1);
  p.Text(47, 30, row.AppBz2);
  p.Text(77, 8, row.AppTxt);
  p.Text(85, 10, row.AppApg);
  p.Quantity(95, row.AppSme);
  p.Text(106, 3, row.AppMee);
  p.Short(109, row.AppStr);
  p.Short(116, row.AppSte);
  p.Short(123, row.AppSza);
  p.Date(130, row.AppBdsDate);
  p.Date(136, row.AppEdsDate);
  p.Text(142, 5, row.AppVaf);
  p.Text(147, 5, row.AppNaf);
  p.Status(152, row.AppSts);
  p.Text(153, 10, row.AppZf1);
  p.Text(163, 20, row.AppZf2);
  p.Text(183, 30, row.AppZf3);
  p.Quantity(213, row.AppIme);
  p.Quantity(224, row.AppAme);
  p.Char(246, 'X');
  FillOrderRecord(rec, requester, "APP", row.AppDna, row.AppApk);
  rec->DnlApp = row.AppApp;
  rec->DnlDnl = p.view();
  return 0;
}

int Apk_Dnl(const char* date, const char* time, const char* requester) {
  auto d =
      CursorLoop<ApkDnlRecord>(Apk_OpenDnl, Apk_FetchDnl, Apk_CloseDnl, SndBuf_Write, "Apk_Dnl",
                               "fehlerhafte Apk_OpenDnl", "Fehler beim Senden von ApkS\xE4tze");
  d.build = Apk_Build;
  d.area = ApkArea;
  d.name = ApkName;
  d.unit = "ApkDnl";
  d.lock = Apk_PKeyLock;
  d.lockFailed = Apk_LockFailed;
  d.marker = ApkMarker;
  d.update = Apk_StatusUpdate;
  d.msg.commitFunction = "ApkDnl";
  d.msg.commitFailedText = "Fehler bei Apk_PKeyUpd";
  return RunDnlLoop(d, date, time, requester);
}

int App_Dnl(const char* date, const char* time, const char* requester) {
  auto d =
      CursorLoop<AppDnlRecord>(App_OpenDnl, App_FetchDnl, App_CloseDnl, SndBuf_Write, "App_Dnl",
                               "fehlerhafte App_OpenDnl", "Fehler beim Senden von AppS\xE4tze");
  d.build = App_Build;
  d.area = AppArea;
  d.name = AppName;
  d.unit = "App_Frei";
  d.lock = App_PKeyLock;
  d.lockFailed = App_LockFailed;
  d.updateLockFailed = App_CountLockFailed;
  d.lockAlso = App_LockHead;
  d.marker = AppMarker;
  d.update = App_StatusUpdate;
  d.msg.commitFunction = "APP_Frei";
  d.msg.commitFailedText = "Fehler bei App_PKeyUpd";
  return RunDnlLoop(d, date, time, requester);
}

}  // namespace jf
