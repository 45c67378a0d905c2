// The master data downloads: workplace groups ("MAG"), workplaces ("MAS"), interruption reasons
// ("UBG"), persons ("PNR" and "AWN") and cost centres ("KST").
#include "download/MasterDnl.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "db/DbDnl.h"
#include "db/Dbstd.h"
#include "db/sql/Session.h"
#include "download/DnlLoop.h"
#include "download/Download.h"
#include "download/Field.h"
#include "download/SndBuf.h"
#include "msg/Msg.h"

namespace jf {

namespace {

constexpr std::string_view kBlanks = "            ";  // 12
constexpr std::string_view Blanks(std::size_t n) {
  return kBlanks.substr(0, n);
}

// The fields every master data record shares: always "NEU" (the terminals treat none of them as
// a repetition), no order, and DnlDat empty.
void FillMasterRecord(DnlRecord* rec, std::string_view skz, std::string_view fun,
                      std::string_view pnr, std::string_view apl, std::string_view payload) {
  rec->DnlVkz = "NEU";
  rec->DnlBer = "BDE  ";
  rec->DnlFun = fun;
  rec->DnlSkz = skz;
  rec->DnlPnr = pnr;
  rec->DnlApk = Blanks(12);
  rec->DnlApp = Blanks(5);
  rec->DnlApl = apl;
  rec->DnlDat.Clear();
  rec->DnlDnl = payload;
}

// How a row is taken off the due list in the unit that sends its lines, and the messages of that
// unit.
template <class Rec>
struct Unmark {
  int (*lock)(Rec*);
  // Empties the marker and the kind, and what else the locked row's kind asks, in the row of
  // the locked row's key; every other column stays as stored.
  int (*update)(const Rec* locked);
  int (*remove)(const Rec*);
  std::string_view (*marker)(const Rec&);
  bool (*deletes)(const Rec& locked);
  const char* function;  // the unit's name and the function of a failed read or update
  const char* readFailed;
  const char* updateFailed;
  const char* deleteFunction;  // e.g. "Apg_Frei"
  const char* deleteFailed;
};

// The locked row decides between delete and update.
template <class Rec>
int UnmarkOrDelete(const Unmark<Rec>& u, const Rec& locked) {
  if (u.deletes(locked)) {
    const int rc = u.remove(&locked);
    if (rc != 0) Msg_Log(rc, u.deleteFunction, u.deleteFailed, kMsgError);
    return rc;
  }
  const int rc = u.update(&locked);
  if (rc != 0) Msg_Log(rc, u.function, u.updateFailed, kMsgError);
  return rc;
}

constexpr Unmark<ApgRecord> kApg{Apg_PKeyLock,
                                 Apg_Unmark,
                                 Apg_PKeyDel,
                                 [](const ApgRecord& r) { return r.ApgDwn.view(); },
                                 [](const ApgRecord& r) { return r.ApgDna == "LOE"; },
                                 "ApgDnl",
                                 "Fehler bei Apg_PKeyRead",
                                 "Fehler bei Apg_PKeyUpd",
                                 "Apg_Frei",
                                 "Fehler bei Apg_PKeyDel"};

constexpr Unmark<AplRecord> kApl{Apl_PKeyLock,
                                 Apl_Unmark,
                                 Apl_PKeyDel,
                                 [](const AplRecord& r) { return r.AplDwn.view(); },
                                 [](const AplRecord& r) { return r.AplDna == "LOE"; },
                                 "AplDnl",
                                 "Fehler bei Apl_PKeyRead",
                                 "Fehler bei Apl_PKeyUpd",
                                 "Apl_Frei",
                                 "Fehler bei Apl_PKeyDel"};

constexpr Unmark<UbgRecord> kUbg{Ubg_PKeyLock,
                                 Ubg_Unmark,
                                 Ubg_PKeyDel,
                                 [](const UbgRecord& r) { return r.UbgDwn.view(); },
                                 [](const UbgRecord& r) { return r.UbgDna == "LOE"; },
                                 "UbgDnl",
                                 "Fehler bei Ubg_PKeyRead",
                                 "Fehler bei Ubg_PKeyUpd",
                                 "Ubg_Frei",
                                 "Fehler bei Ubg_PKeyDel"};

// A person leaves for good ("LOE" with PrvAwa 3) or only loses the assignment ("LOE" otherwise).
constexpr Unmark<PrvRecord> kPrv{
    Prv_PKeyLock,
    [](const PrvRecord* r) { return r->PrvDna == "LOE" ? Prv_Withdraw(r) : Prv_Unmark(r); },
    Prv_PKeyDel,
    [](const PrvRecord& r) { return r.PrvDwn.view(); },
    [](const PrvRecord& r) { return r.PrvDna == "LOE" && r.PrvAwa == 3; },
    "PrvDnl",
    "Fehler bei Prv_PKeyReadk",
    "Fehler bei Prv_PKeyUpd",
    "Prv_Frei",
    "Fehler bei Prv_PKeyDel"};

// The parts every master data loop shares: the writer, and a failing row that is logged and left
// marked while the loop goes on.
template <class Row>
DnlLoop<Row> MasterCursor(int (*open)(const char*), int (*fetch)(Row*), int (*close)(),
                          const char* function, const char* openFailed, const char* sendFailed) {
  DnlLoop<Row> d =
      CursorLoop<Row>(open, fetch, close, SndBuf_Write, function, openFailed, sendFailed);
  d.continueAfterRowFailure = true;
  return d;
}

// A master data loop whose rows are unmarked or deleted as U describes. A failed read (a lock
// that could not be had included) is logged and leaves the row as it is, still marked.
template <class Row, const Unmark<Row>* U>
DnlLoop<Row> MasterLoop(int (*open)(const char*), int (*fetch)(Row*), int (*close)(),
                        const char* function, const char* openFailed, const char* sendFailed) {
  DnlLoop<Row> d = MasterCursor<Row>(open, fetch, close, function, openFailed, sendFailed);
  d.unit = U->function;
  d.lock = U->lock;
  d.lockFailed = [](const Row&, int rc) { Msg_Log(rc, U->function, U->readFailed, kMsgError); };
  d.marker = U->marker;
  d.update = [](const Row& locked) { return UnmarkOrDelete(*U, locked); };
  d.msg.commitFunction = U->function;
  d.msg.commitFailedText = U->updateFailed;
  return d;
}

}  // namespace

int Apg_Build(DnlRecord* rec, const ApgDnlRecord& row, std::string_view) {
  field::FixedRecord<kMagPayloadLength> p;
  p.Text(0, 10, row.ApgApg);
  p.Text(10, 30, row.ApgBez);
  p.Text(40, 8, row.ApgTxt);
  p.Text(48, 10, row.ApgFbe);
  p.Text(58, 7, row.ApgKst);
  p.TextRight(75, 10, row.ApgZf1);
  p.TextRight(85, 20, row.ApgZf2);
  p.TextRight(105, 30, row.ApgZf3);
  p.Char(136, 'X');
  FillMasterRecord(rec, "MAG", row.ApgDna, Blanks(8), row.ApgApg, p.view());
  return 0;
}

int Apl_Build(DnlRecord* rec, const AplDnlRecord& row, std::string_view) {
  // The record carries the cost centre of the workplace's group; without exactly one current
  // assignment there is none to send, and the workplace stays due. The workplaces of a group
  // come one after another: the assignment found for a group holds for the rest of the open
  // transaction (a group of the download), where each read would be a round trip of its own.
  static unsigned long epoch = 0;
  static std::map<std::string, KsgRecord, std::less<>> current;
  if (epoch != sql::TransactionEpoch()) {
    current.clear();
    epoch = sql::TransactionEpoch();
  }
  KsgRecord ksg;
  if (auto it = current.find(row.AplApg.view()); it != current.end()) {
    ksg = it->second;
  } else {
    ksg.KsgApg = row.AplApg;
    if (int rc = Ksg_ReadCurrent(&ksg); rc != 0) return rc;
    if (epoch == sql::TransactionEpoch()) current.emplace(std::string(row.AplApg.view()), ksg);
  }

  field::FixedRecord<kMasPayloadLength> p;
  p.Text(0, 10, row.AplApl);
  p.Text(10, 30, row.AplBez);
  p.Text(40, 8, row.AplTxt);
  p.Text(48, 10, row.AplFbe);
  p.Text(58, 7, ksg.KsgKst);
  p.Text(65, 10, row.AplApg);
  p.IntRight(95, 5, row.AplApr);
  p.IntRight(100, 1, row.AplSts);
  p.TextRight(101, 10, row.AplZf1);
  p.TextRight(111, 20, row.AplZf2);
  // The field has room for 23 characters: a value is right-justified in those 23 and a longer
  // one keeps its first 23.
  p.TextRight(131, 23, row.AplZf3);
  p.Char(154, 'X');
  // DnlApl names the group: the terminals file workplaces under their group.
  FillMasterRecord(rec, "MAS", row.AplDna, Blanks(8), row.AplApg, p.view());
  return 0;
}

int Ubg_Build(DnlRecord* rec, const UbgDnlRecord& row, std::string_view) {
  field::FixedRecord<kUbgPayloadLength> p;
  p.Char(0, row.UbgKnz == 1 ? 'U' : 'S');
  p.Text(1, 4, row.UbgUbg);
  p.Text(5, 30, row.UbgBez);
  p.Text(35, 30, row.UbgBez);
  p.TextRight(65, 8, row.UbgTxt);
  p.Char(73, 'X');
  FillMasterRecord(rec, "UBG", row.UbgDna, Blanks(8), Blanks(10), p.view());
  return 0;
}

int Prv_BuildPnr(DnlRecord* rec, const PrvDnlRecord& row, std::string_view) {
  field::FixedRecord<kPnrPayloadLength> p;
  p.Text(0, 8, row.PrvPnr);
  p.Text(8, 7, row.PrvKst);
  // Only areas 1 and 2 have a letter; any other leaves the field blank.
  p.Char(15, row.PrvBer == 1 ? 'A' : row.PrvBer == 2 ? 'M' : ' ');
  p.Char(16, 'X');
  const bool leaves = row.PrvDna == "LOE" && row.PrvAwa == 3;
  FillMasterRecord(rec, "PNR", leaves ? "LOE" : "AEN", row.PrvPnr, Blanks(10), p.view());
  return 0;
}

int Prv_BuildAwn(DnlRecord* rec, const PrvDnlRecord& row, std::string_view) {
  field::FixedRecord<kAwnPayloadLength> p;
  p.Text(0, 8, row.PrvAwn);
  p.Text(8, 8, row.PrvPnr);
  p.Char(16, 'X');
  FillMasterRecord(rec, "AWN", row.PrvDna, row.PrvPnr, Blanks(10), p.view());
  return 0;
}

int Ksg_Build(DnlRecord* rec, const KsgDnlRecord& row, std::string_view) {
  field::FixedRecord<kKstPayloadLength> p;
  p.Text(0, 7, row.KsgKst);
  p.Text(7, 25, "Kostenstelle");
  p.Char(37, 'X');
  FillMasterRecord(rec, "KST", "NEU", Blanks(8), Blanks(10), p.view());
  return 0;
}

int Apg_Dnl(const char* date, const char* time, const char* requester) {
  auto d = MasterLoop<ApgDnlRecord, &kApg>(Apg_OpenDnl, Apg_FetchDnl, Apg_CloseDnl, "Apg_Dnl",
                                           "fehlerhafter Apg_OpenDnl",
                                           "Fehler beim Senden von ApgS\xE4tze");
  d.build = Apg_Build;
  d.area = [](const ApgDnlRecord& r) { return r.ApgFbe.c_str(); };
  d.name = [](const ApgDnlRecord& r) {
    return "Arbeitsplatzgruppe " + std::string(r.ApgApg.view());
  };
  // The cursor delivers a group once per current cost centre assignment, with that assignment's
  // cost centre: the group's row does not hold it, and the group goes out once per assignment.
  // The cost centre is the line's only: the unmarking leaves the group's ApgKst as it is.
  d.carry = [](ApgRecord* locked, const ApgRecord& fetched) { locked->ApgKst = fetched.ApgKst; };
  d.again = [](const ApgRecord& r) { return r.ApgApg.view(); };
  return RunDnlLoop(d, date, time, requester);
}

int Apl_Dnl(const char* date, const char* time, const char* requester) {
  auto d = MasterLoop<AplDnlRecord, &kApl>(Apl_OpenDnl, Apl_FetchDnl, Apl_CloseDnl, "Apl_Dnl",
                                           "fehlerhafte Apl_OpenDnl",
                                           "Fehler beim Senden von AplS\xE4tze");
  d.build = Apl_Build;
  d.area = [](const AplDnlRecord& r) { return r.AplFbe.c_str(); };
  d.name = [](const AplDnlRecord& r) { return "Arbeitsplatz " + std::string(r.AplApl.view()); };
  return RunDnlLoop(d, date, time, requester);
}

int Ubg_Dnl(const char* date, const char* time, const char* requester) {
  auto d = MasterLoop<UbgDnlRecord, &kUbg>(Ubg_OpenDnl, Ubg_FetchDnl, Ubg_CloseDnl, "Ubg_Dnl",
                                           "fehlerhafte Ubg_OpenDnl",
                                           "Fehler beim Senden von UbgS\xE4tze");
  d.build = Ubg_Build;
  d.area = [](const UbgDnlRecord& r) { return r.UbgFbe.c_str(); };
  d.name = [](const UbgDnlRecord& r) {
    return "Unterbrechungsgrund " + std::string(r.UbgUbg.view());
  };
  return RunDnlLoop(d, date, time, requester);
}

int Prv_Dnl(const char* date, const char* time, const char* requester) {
  auto d = MasterLoop<PrvDnlRecord, &kPrv>(Prv_OpenDnl, Prv_FetchDnl, Prv_CloseDnl, "Prv_Dnl",
                                           "fehlerhafte Pvr_OpenDnl",
                                           "Fehler beim Senden von PrvS\xE4tze");
  // Two lines a person with one running number: the PNR line first, so a terminal knows the
  // person before the badge assignment arrives; the AWN line goes out even when the PNR line
  // failed. The person is unmarked or deleted only when both went out, so a failed line is sent
  // again by the next run.
  d.build = Prv_BuildPnr;
  d.buildSecond = Prv_BuildAwn;
  d.secondAfterFailedFirst = true;
  d.area = [](const PrvDnlRecord& r) { return r.PrvFbe.c_str(); };
  d.name = [](const PrvDnlRecord& r) { return "Person " + std::string(r.PrvPnr.view()); };
  d.wideRunningNumber = true;
  return RunDnlLoop(d, date, time, requester);
}

int Ksg_Dnl(const char* date, const char* time, const char* requester) {
  // Every cost centre goes to every production area of type 1 on every run: nothing is marked,
  // so nothing is unmarked, and a line the writer could not write (it has logged why) is simply
  // part of the next run's full list.
  auto d = MasterCursor<KsgDnlRecord>(Ksg_OpenDnl, Ksg_FetchDnl, Ksg_CloseDnl, "Ksg_Dnl",
                                      "fehlerhafte Ksg_OpenDnl", nullptr);
  d.build = Ksg_Build;
  d.area = [](const KsgDnlRecord& r) { return r.KsgFbe.c_str(); };
  d.name = [](const KsgDnlRecord& r) { return "Kostenstelle " + std::string(r.KsgKst.view()); };
  return RunDnlLoop(d, date, time, requester);
}

}  // namespace jf
