#include "download/DnlJournal.h"

#include <string_view>

#include "db/DbDnl.h"
#include "msg/Msg.h"

namespace jf {

namespace {

bool g_on = false;

// Lines by record type and download kind: those of the open group, and those committed.
struct Figures {
  int32_t apk = 0, app = 0, neu = 0, aen = 0, loe = 0;
  void Add(const Figures& f) {
    apk += f.apk;
    app += f.app;
    neu += f.neu;
    aen += f.aen;
    loe += f.loe;
  }
};
Figures g_pending, g_committed;

}  // namespace

void DnlJournalUse(bool on) {
  g_on = on;
  g_pending = g_committed = Figures{};
}

bool DnlJournalOn() {
  return g_on;
}

void DnlJournal_Line(const DnlRecord& rec) {
  if (!g_on) return;
  if (const int rc = Dnl_PKeyIns(&rec); rc != 0) {
    // The insert was undone alone, to its own savepoint; the row's unit stands.
    Msg_Log(rc, "Dnl_PKeyIns",
            "Download-Journal Kvl540Dnl nicht beschreibbar, dieser Lauf sendet ohne Journal",
            kMsgError);
    g_on = false;
    return;
  }
  const std::string_view skz = rec.DnlSkz.view(), fun = rec.DnlFun.view();
  if (skz == "APK") ++g_pending.apk;
  if (skz == "APP") ++g_pending.app;
  if (fun == "NEU") ++g_pending.neu;
  if (fun == "AEN") ++g_pending.aen;
  if (fun == "LOE") ++g_pending.loe;
}

void DnlJournal_GroupEnd(bool committed) {
  if (committed) g_committed.Add(g_pending);
  g_pending = Figures{};
}

int DnlJournal_OrderRun(const char* date, const char* time, const char* requester) {
  if (!g_on) return 0;
  DwnRecord r;
  r.DwnDtaDate = date;
  r.DwnDtaTime = time;
  r.DwnApk = g_committed.apk;
  r.DwnApp = g_committed.app;
  r.DwnNeu = g_committed.neu;
  r.DwnAen = g_committed.aen;
  r.DwnLoe = g_committed.loe;
  r.DwnErf = requester;
  const int rc = Dwn_PKeyIns(&r);
  if (rc != 0) {
    Msg_Log(rc, "Dwn_PKeyIns", "Download-Statistik Kvl542Dwn nicht beschreibbar", kMsgError);
  }
  g_committed = Figures{};
  return rc;
}

}  // namespace jf
