#include "bench/Site.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "db/schema/Schema.h"
#include "login/Login.h"

namespace jf::bench {

namespace {

// Word lists for plausible texts; the row number picks from them.
const char* const kOperations[] = {"Fraesen",   "Bohren",  "Drehen",     "Schleifen",
                                   "Entgraten", "Montage", "Pruefen",    "Lackieren",
                                   "Haerten",   "Saegen",  "Schweissen", "Verpacken"};
const char* const kParts[] = {"Getriebegehaeuse", "Welle 40mm",    "Flansch DN50",
                              "Lagerdeckel",      "Zahnrad Z=32",  "Halter links",
                              "Grundplatte",      "Spindelmutter", "Kupplungsnabe"};
const char* const kGroups[] = {"FRAES1", "BOHR2", "DREH1", "SCHL1", "MONT3", "PRUEF1"};

template <std::size_t N>
const char* Pick(const char* const (&list)[N], int64_t i) {
  return list[static_cast<std::size_t>(i) % N];
}

bool MakeDirs(const std::string& path) {
  for (std::size_t i = 1; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/') continue;
    const std::string part = path.substr(0, i);
    if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// A prepared statement that is stepped and reset once per row.
class Stmt {
 public:
  Stmt(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &s_, nullptr); }
  ~Stmt() { sqlite3_finalize(s_); }
  bool ok() const { return s_ != nullptr; }
  void Text(int i, const char* v) {
    if (v == nullptr || *v == '\0') {
      sqlite3_bind_null(s_, i);  // an empty text is NULL, as the program stores it
    } else {
      sqlite3_bind_text(s_, i, v, -1, SQLITE_TRANSIENT);
    }
  }
  void Int(int i, int64_t v) { sqlite3_bind_int64(s_, i, v); }
  void Dbl(int i, double v) { sqlite3_bind_double(s_, i, v); }
  bool Run() {
    const int rc = sqlite3_step(s_);
    sqlite3_reset(s_);
    return rc == SQLITE_DONE;
  }

 private:
  sqlite3_stmt* s_ = nullptr;
};

std::string OrderNumber(int64_t order) {
  char b[24];
  std::snprintf(b, sizeof b, "%09lld", static_cast<long long>(400000000 + order));
  return b;
}

// Production area of a terminal: four digits, so that the text ranges of the configuration
// never overlap ("0110" lies in "0100".."0199" only).
std::string Area(int terminal) {
  char b[16];
  std::snprintf(b, sizeof b, "%04d", terminal * 100 + 10);
  return b;
}

// A fixed scramble of a row number, so that kinds and areas do not follow each other.
uint64_t Mix(uint64_t x) {
  x += 0x9e3779b97f4a7c15ull;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
  return x ^ (x >> 31);
}

// Download kinds of the marked rows. Positions: 55 % AEN, 5 % STA, 25 % NEU, 15 % LOE.
const char* PositionKind(int64_t i) {
  // The first position is the one the run marks again as "AEN".
  const int k = i == 0 ? 0 : static_cast<int>(Mix(static_cast<uint64_t>(i)) % 20);
  if (k < 11) return "AEN";
  if (k < 12) return "STA";
  if (k < 17) return "NEU";
  return "LOE";
}

// Download kinds of marked workplaces: 70 % AEN, 20 % NEU, 10 % LOE.
const char* WorkplaceKind(int64_t i) {
  const int k = static_cast<int>(Mix(static_cast<uint64_t>(i) + 0x3c6ef372ull) % 10);
  return k < 7 ? "AEN" : k < 9 ? "NEU" : "LOE";
}

// Workplaces, their groups and the groups' current cost centres. Returns false when an insert
// failed.
bool InsertWorkplaces(sqlite3* db, const SiteOptions& o) {
  Stmt apg(db,
           "insert into Kvl530Apg (ApgApg,ApgBez,ApgTxt,ApgFbe,ApgKst,ApgApl,ApgTag,ApgKap,ApgSta,"
           "ApgDat,ApgErf) values (?,?,?,?,?,?,1,7.5,0,?,'PPS')");
  Stmt ksg(db,
           "insert into Kvl537Ksg (KsgApg,KsgGvo,KsgGbi,KsgFbe,KsgKst,KsgZf1,KsgSta,KsgDat,KsgErf) "
           "values (?,?,NULL,?,?,?,0,?,'PPS')");
  Stmt apl(db,
           "insert into Kvl531Apl (AplApl,AplBez,AplTxt,AplApg,AplFbe,AplSts,AplSis,AplApr,AplAaf,"
           "AplUbg,AplUdt,AplZf1,AplZf2,AplZf3,AplTag,AplVrf,AplKap,AplAvt,AplSt1,AplDna,AplDwn,"
           "AplSta,AplDat,AplErf) values (?,?,?,?,?,?,0,?,0,NULL,?,?,?,?,1,0.85,7.5,2,?,?,?,0,?,"
           "'PPS')");
  if (!apg.ok() || !ksg.ok() || !apl.ok()) return false;
  const double since = 2458849.5;  // 2020-01-01: every assignment is valid today
  const double changed = 2461375.5;
  const int64_t groups = (o.workplaces + 9) / 10;
  bool ok = true;
  for (int64_t g = 0; ok && g < groups; ++g) {
    char key[24], kst[24];
    std::snprintf(key, sizeof key, "G%05lld", static_cast<long long>(g));
    std::snprintf(kst, sizeof kst, "K%04lld", static_cast<long long>(g % 9000 + 1000));
    const std::string area = Area(static_cast<int>(g % o.terminals) + 1);
    apg.Text(1, key);
    apg.Text(2, Pick(kGroups, g));
    apg.Text(3, "Gruppe");
    apg.Text(4, area.c_str());
    apg.Text(5, kst);
    apg.Int(6, 10);
    apg.Dbl(7, changed);
    ksg.Text(1, key);
    ksg.Dbl(2, since);
    ksg.Text(3, area.c_str());
    ksg.Text(4, kst);
    ksg.Text(5, "Fertigung");
    ksg.Dbl(6, changed);
    ok = apg.Run() && ksg.Run();
  }
  for (int64_t i = 0; ok && i < o.workplaces; ++i) {
    char key[24], group[24], bez[48], txt[24], zf[32];
    std::snprintf(key, sizeof key, "W%07lld", static_cast<long long>(i));
    std::snprintf(group, sizeof group, "G%05lld", static_cast<long long>(i / 10));
    std::snprintf(bez, sizeof bez, "%s Platz %lld", Pick(kOperations, i),
                  static_cast<long long>(i % 100));
    std::snprintf(txt, sizeof txt, "AP%lld", static_cast<long long>(i % 1000));
    std::snprintf(zf, sizeof zf, "Inventar %06lld", static_cast<long long>(i));
    const std::string area = Area(static_cast<int>((i / 10) % o.terminals) + 1);
    apl.Text(1, key);
    apl.Text(2, bez);
    apl.Text(3, txt);
    apl.Text(4, group);
    apl.Text(5, area.c_str());
    apl.Int(6, static_cast<int>(i % 4));
    apl.Int(7, static_cast<int>(i % 10 + 1));
    apl.Dbl(8, changed);
    apl.Text(9, zf);
    apl.Text(10, "Schicht 1");
    apl.Text(11, "Halle A");
    apl.Text(12, "PPS");
    apl.Text(13, WorkplaceKind(i));
    apl.Text(14, o.requester.c_str());
    apl.Dbl(15, changed);
    ok = apl.Run();
  }
  return ok;
}

// Persons: 60 % AEN, 20 % NEU, 10 % withdrawn from their assignment (LOE, PrvAwa 1) and 10 %
// leaving (LOE, PrvAwa 3, deleted after their lines).
bool InsertPersons(sqlite3* db, const SiteOptions& o) {
  Stmt prv(db,
           "insert into Kvl510Prv (PrvPnr,PrvGvo,PrvGbi,PrvBer,PrvKst,PrvFbe,PrvMmb,PrvZf1,PrvZf2,"
           "PrvZf3,PrvDna,PrvDwn,PrvAwa,PrvAwn,PrvAnw,PrvAvn,PrvAbi,PrvApl,PrvApp,PrvPzm,PrvSta,"
           "PrvDat,PrvErf,PrvNam,PrvStr,PrvOrt) values (?,?,NULL,?,?,?,0,?,NULL,NULL,?,?,?,?,1,?,"
           "NULL,?,?,0,0,?,'PPS',?,?,?)");
  if (!prv.ok()) return false;
  const double since = 2458849.5;
  const double changed = 2461375.5;
  bool ok = true;
  for (int64_t i = 0; ok && i < o.persons; ++i) {
    char pnr[24], awn[24], kst[24], zf[32], nam[48], str[48];
    std::snprintf(pnr, sizeof pnr, "%08lld", static_cast<long long>(10000000 + i));
    std::snprintf(awn, sizeof awn, "B%07lld", static_cast<long long>(i));
    std::snprintf(kst, sizeof kst, "K%04lld", static_cast<long long>(i % 9000 + 1000));
    std::snprintf(zf, sizeof zf, "Team %lld", static_cast<long long>(i % 40));
    std::snprintf(nam, sizeof nam, "Mitarbeiter %lld", static_cast<long long>(i));
    std::snprintf(str, sizeof str, "Werkstrasse %lld", static_cast<long long>(i % 200 + 1));
    const int k = static_cast<int>(Mix(static_cast<uint64_t>(i) + 0x1b873593ull) % 10);
    const std::string area = Area(static_cast<int>(i % o.terminals) + 1);
    prv.Text(1, pnr);
    prv.Dbl(2, since);
    prv.Int(3, 1 + static_cast<int>(i % 2));
    prv.Text(4, kst);
    prv.Text(5, area.c_str());
    prv.Text(6, zf);
    prv.Text(7, k < 6 ? "AEN" : k < 8 ? "NEU" : "LOE");
    prv.Text(8, o.requester.c_str());
    prv.Int(9, k == 9 ? 3 : 1);
    prv.Text(10, awn);
    prv.Dbl(11, changed + 0.25);
    prv.Int(12, static_cast<int>(i % 500));
    prv.Int(13, static_cast<int>(i % 7));
    prv.Dbl(14, changed);
    prv.Text(15, nam);
    prv.Text(16, str);
    prv.Text(17, "Musterstadt");
    ok = prv.Run();
  }
  return ok;
}

}  // namespace

int GenerateSite(const SiteOptions& o, SiteFacts* f, std::string* error) {
  const std::string site = o.folder;
  f->runFolder = site + "/plant/bde/jobfeed/run";
  f->bufFolder = site + "/plant/bde/jobfeed/Comm/Buff";
  f->database = site + "/jobfeed.db";
  if (!MakeDirs(site + "/files") || !MakeDirs(f->runFolder + "/Msg") || !MakeDirs(f->bufFolder)) {
    *error = "cannot create the site folders under " + site;
    return 1;
  }
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((f->database + suffix).c_str());

  if (int rc = WriteLoginFile(site + "/files/quantelor.ini", "jobfeed", "bench",
                              "sqlite:../../../../jobfeed.db", error);
      rc != 0) {
    return rc;
  }
  const char* why = nullptr;
  if (CreateSqliteDatabase(f->database.c_str(), &why) != 0) {
    *error = std::string("cannot create the database: ") + (why ? why : "");
    return 1;
  }

  sqlite3* db = nullptr;
  if (sqlite3_open(f->database.c_str(), &db) != SQLITE_OK) {
    *error = "cannot open " + f->database;
    sqlite3_close(db);
    return 1;
  }
  // Loading needs no durability: one transaction without a journal, WAL again at the end.
  sqlite3_exec(db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr,
               nullptr);
  bool ok = true;
  {
    Stmt cfg(db,
             "insert into Kvl557Cfg (CfgDta,CfgIP,CfgPrt,CfgBez,CfgVn1,CfgBi1,CfgBz1,CfgSta) "
             "values (?,?,?,?,?,?,?,0)");
    Stmt apk(db,
             "insert into Kvl501Apk (ApkApk,ApkBz1,ApkBz2,ApkTxt,ApkSts,ApkSis,ApkKun,ApkBgs,"
             "ApkEns,ApkAfo,ApkEaf,ApkTnr,ApkTb1,ApkTb2,ApkSme,ApkIme,ApkMee,ApkFbe,ApkKst,ApkZf1,"
             "ApkZf2,ApkZf3,ApkDna,ApkDwn,ApkSta,ApkDat,ApkErf) values (?,?,?,?,?,?,?,?,?,?,?,?,?,"
             "?,?,?,?,?,?,?,?,?,?,?,0,?,?)");
    Stmt app(db,
             "insert into Kvl504App (AppApk,AppApp,AppVaf,AppNaf,AppBz1,AppBz2,AppTxt,AppSts,"
             "AppSis,AppBds,AppEds,AppSbd,AppSed,AppSme,AppIme,AppAme,AppMee,AppSza,AppStr,AppSte,"
             "AppApg,AppApl,AppFbe,AppKst,AppZf1,AppZf2,AppZf3,AppDna,AppDwn,AppSta,AppDat,AppErf) "
             "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,0,?,?)");
    ok = cfg.ok() && apk.ok() && app.ok();

    for (int t = 1; ok && t <= o.terminals; ++t) {
      char ip[32], name[32], lo[16], hi[16];
      std::snprintf(ip, sizeof ip, "10.1.%d.%d", t / 250, t % 250 + 1);
      std::snprintf(name, sizeof name, "Halle %d", t);
      std::snprintf(lo, sizeof lo, "%04d", t * 100);
      std::snprintf(hi, sizeof hi, "%04d", t * 100 + 99);
      cfg.Int(1, t);
      cfg.Text(2, ip);
      cfg.Text(3, "4001");
      cfg.Text(4, name);
      cfg.Text(5, lo);
      cfg.Text(6, hi);
      cfg.Text(7, name);
      ok = cfg.Run();
    }

    const double day0 = 2461375.5;  // 2026-12-01 00:00 local, as julianday() gives it
    const int64_t markedOrders = (o.positions + kPositionsPerOrder - 1) / kPositionsPerOrder;
    const int64_t plainOrders = (o.unmarked + kPositionsPerOrder - 1) / kPositionsPerOrder;
    // Orders whose header is to be deleted: no positions, so no position of theirs can meet
    // a header already gone.
    const int64_t deletedOrders = o.positions / 50;
    const int64_t orders = markedOrders + plainOrders + deletedOrders;
    f->firstOrder = OrderNumber(0);
    f->firstPosition = "10";

    for (int64_t h = 0; ok && h < orders; ++h) {
      // Half of the headers of marked orders are marked too, the first always (as "AEN", the
      // kind the run's own marking gives it).
      const uint64_t mix = h == 0 ? 0 : Mix(static_cast<uint64_t>(h) + 0x5bd1e995ull);
      const bool marked = h < markedOrders ? mix % 2 == 0 : h >= markedOrders + plainOrders;
      const char* kind = nullptr;
      if (h >= markedOrders + plainOrders) {
        kind = "LOE";
      } else if (marked) {
        kind = mix % 4 == 0 ? "AEN" : "NEU";
      }
      const int terminal = static_cast<int>((mix >> 8) % static_cast<uint64_t>(o.terminals)) + 1;
      const std::string number = OrderNumber(h);
      const std::string area = Area(terminal);
      char bz2[32], tnr[24], zf[32];
      std::snprintf(bz2, sizeof bz2, "Zeichnung Z-%06lld", static_cast<long long>(h % 1000000));
      std::snprintf(tnr, sizeof tnr, "TN-%03lld-%04lld", static_cast<long long>(h % 997),
                    static_cast<long long>(h % 9973));
      std::snprintf(zf, sizeof zf, "Kd %03lld", static_cast<long long>(h % 311));  // 7 wide
      apk.Text(1, number.c_str());
      apk.Text(2, Pick(kParts, h));
      apk.Text(3, bz2);
      apk.Text(4, h % 3 == 0 ? "Serie" : "Muster");
      apk.Int(5, 2);
      apk.Int(6, 1);
      apk.Text(7, zf);
      apk.Dbl(8, day0 + static_cast<double>(h % 28));
      apk.Dbl(9, day0 + static_cast<double>(h % 28 + 3));
      apk.Int(10, kPositionsPerOrder);
      apk.Int(11, 0);
      apk.Text(12, tnr);
      apk.Text(13, Pick(kParts, h + 3));
      apk.Text(14, "Werkstoff 1.4301");
      apk.Dbl(15, 100.0 + static_cast<double>(h % 5000) * 0.5);
      apk.Dbl(16, 0);
      apk.Text(17, "STK");
      apk.Text(18, area.c_str());
      apk.Text(19, "K4711");
      apk.Text(20, "Los 7");
      apk.Text(21, zf);
      apk.Text(22, "Prioritaet normal");
      apk.Text(23, kind);
      apk.Text(24, marked ? o.requester.c_str() : nullptr);
      apk.Dbl(25, day0);
      apk.Text(26, "PPS");
      ok = apk.Run();
      if (h >= markedOrders + plainOrders) continue;

      const int64_t first = h < markedOrders
                                ? h * kPositionsPerOrder
                                : o.positions + (h - markedOrders) * kPositionsPerOrder;
      const int64_t limit = h < markedOrders ? o.positions : o.positions + o.unmarked;
      for (int p = 0; ok && p < kPositionsPerOrder && first + p < limit; ++p) {
        const int64_t i = first + p;
        const bool posMarked = h < markedOrders;
        char pos[8], vaf[8], naf[8], txt[16], zf1[16];
        std::snprintf(pos, sizeof pos, "%d", (p + 1) * 10);
        std::snprintf(vaf, sizeof vaf, "%d", p * 10);
        std::snprintf(naf, sizeof naf, "%d", (p + 2) * 10);
        std::snprintf(txt, sizeof txt, "Op %d", (p + 1) * 10);
        std::snprintf(zf1, sizeof zf1, "AG%06lld", static_cast<long long>(i % 1000000));
        const double start = day0 + static_cast<double>(h % 28) + 0.25 * p;
        app.Text(1, number.c_str());
        app.Text(2, pos);
        app.Text(3, p == 0 ? nullptr : vaf);
        app.Text(4, p + 1 == kPositionsPerOrder ? nullptr : naf);
        app.Text(5, Pick(kOperations, i));
        app.Text(6, Pick(kParts, h));
        app.Text(7, txt);
        app.Int(8, 2 + static_cast<int>(i % 4));
        app.Int(9, 1);
        app.Dbl(10, start);
        app.Dbl(11, start + 0.5);
        app.Dbl(12, start);
        app.Dbl(13, start + 0.5);
        app.Dbl(14, 100.0 + static_cast<double>(h % 5000) * 0.5);
        app.Dbl(15, static_cast<double>(i % 40));
        app.Dbl(16, static_cast<double>(i % 3));
        app.Text(17, "STK");
        app.Dbl(18, 0.5);
        app.Dbl(19, 12.5 + static_cast<double>(i % 7));
        app.Dbl(20, 1.25);
        app.Text(21, Pick(kGroups, i));
        app.Text(22, Pick(kGroups, i + 1));
        app.Text(23, area.c_str());
        app.Text(24, "K4711");
        app.Text(25, zf1);
        app.Text(26, "Vorrichtung V-12");
        app.Text(27, "Pruefplan PP-3 beachten");
        app.Text(28, posMarked ? PositionKind(i) : nullptr);
        app.Text(29, posMarked ? o.requester.c_str() : nullptr);
        app.Dbl(30, day0);
        app.Text(31, "PPS");
        ok = app.Run();
      }
    }
  }
  if (ok && o.workplaces > 0) ok = InsertWorkplaces(db, o);
  if (ok && o.persons > 0) ok = InsertPersons(db, o);
  if (!ok) {
    *error = std::string("insert failed: ") + sqlite3_errmsg(db);
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return 1;
  }
  int rc = sqlite3_exec(db, "COMMIT; PRAGMA journal_mode=WAL;", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) *error = std::string("commit failed: ") + sqlite3_errmsg(db);
  sqlite3_close(db);
  return rc == SQLITE_OK ? 0 : 1;
}

}  // namespace jf::bench
