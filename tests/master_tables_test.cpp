// The master data download cursors and table access against a real database file. The clock that
// the database's sysdate reads is fixed: "today" is 2026-06-15 in every test.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <type_traits>
#include <vector>

#include "db/DbDnl.h"
#include "db/Dbstd.h"
#include "db/sql/Session.h"
#include "platform/Env.h"
#include "support/FixedClockEnv.h"
#include "support/OrderRows.h"

namespace jf {
namespace {

using V = std::vector<std::string>;

// Midnight of today plus n days, as a DATE column holds it.
std::string Day(int n) {
  return "julianday('2026-06-15','" + std::string(n < 0 ? "" : "+") + std::to_string(n) + " days')";
}
constexpr int kOpen = 9999;  // no end of validity

std::string Q(const std::string& text) {
  return "'" + text + "'";
}

// The keys a cursor delivers up to its first non-zero status.
template <class R, auto Key, int (*Fetch)(R*)>
V Keys() {
  V keys;
  R r;
  while (keys.size() < 20 && Fetch(&r) == 0) keys.emplace_back((r.*Key).view());
  return keys;
}

class MasterTablesSite : public test::OrderRowsTest {
 protected:
  void SetUp() override {
    OrderRowsTest::SetUp();
    Env::Install(&clock_);
    PinServerClock(clock_);
    ConnectInProcess();
  }
  void TearDown() override {
    Env::Install(nullptr);
    OrderRowsTest::TearDown();
  }
  // An assignment of group apg to cost centre kst from day `from` up to day `to`.
  void Assign(const std::string& apg, const std::string& kst, int from, int to) {
    InsertFull("Kvl537Ksg", {{"KsgApg", Q(apg)},
                             {"KsgKst", Q(kst)},
                             {"KsgGvo", Day(from)},
                             {"KsgGbi", to == kOpen ? "NULL" : Day(to)}});
  }

  test::FixedClockEnv clock_{Env::Default(), LocalTime{2026, 6, 15, 10, 11, 12}};
};

using MasterTables = test::OnEveryBackend<MasterTablesSite>;

// --- Download cursors ---

TEST_P(MasterTables, DownloadCursorsSelectTheMarkerExactlyByArea) {
  const struct {
    const char* table;
    const char* key;  // the other columns are named by the key's first three letters
    int (*open)(const char*);
    V (*keys)();
    int (*close)();
  } cursors[] = {
      {"Kvl530Apg", "ApgApg", Apg_OpenDnl, Keys<ApgRecord, &ApgRecord::ApgApg, Apg_FetchDnl>,
       Apg_CloseDnl},
      {"Kvl531Apl", "AplApl", Apl_OpenDnl, Keys<AplRecord, &AplRecord::AplApl, Apl_FetchDnl>,
       Apl_CloseDnl},
      {"Kvl521Ubg", "UbgUbg", Ubg_OpenDnl, Keys<UbgRecord, &UbgRecord::UbgUbg, Ubg_FetchDnl>,
       Ubg_CloseDnl},
      {"Kvl510Prv", "PrvPnr", Prv_OpenDnl, Keys<PrvRecord, &PrvRecord::PrvPnr, Prv_FetchDnl>,
       Prv_CloseDnl},
  };
  const V rows[] = {{"A", "'REQ1'", "'F2'"},
                    {"B", "'REQ1'", "'F1'"},
                    {"C", "'REQ10'", "'F0'"},
                    {"D", "NULL", "'F0'"},
                    {"E", "'REQUESTR'", "'F0'"}};
  // An empty requester is bound as NULL and matches no unmarked row; a longer one is cut to the
  // marker's 8 characters.
  const std::pair<const char*, V> opens[] = {
      {"REQ1", {"B", "A"}}, {"", {}}, {"REQUESTR-AND-MORE", {"E"}}};
  for (const V& row : rows) Assign(row[0], "K", -1, kOpen);
  for (const auto& c : cursors) {
    const std::string tag = std::string(c.key).substr(0, 3);
    for (const V& row : rows) {
      InsertFull(c.table, {{c.key, Q(row[0])}, {tag + "Dwn", row[1]}, {tag + "Fbe", row[2]}});
    }
    for (const auto& [requester, want] : opens) {
      ASSERT_EQ(c.open(requester), 0);
      EXPECT_EQ(c.keys(), want) << c.table << " " << requester;
      EXPECT_EQ(c.close(), 0);
    }
  }
}

TEST_P(MasterTables, GroupsComeOncePerAssignmentValidTodayWhileTheCurrentOneMustOutlastToday) {
  const struct {
    const char* apg;
    int from, to;
    int current;  // status of Ksg_ReadCurrent
  } groups[] = {{"G1", -9, -1, 1403}, {"G2", -9, 0, 1403},    {"G3", -9, 1, 0},
                {"G4", -9, kOpen, 0}, {"G5", 1, kOpen, 1403}, {"G6", -9, kOpen, -2112},
                {"G7", 0, kOpen, 0}};
  for (const auto& g : groups) {
    InsertFull("Kvl530Apg", {{"ApgApg", Q(g.apg)}, {"ApgDwn", "'REQ1'"}, {"ApgKst", "'Own'"}});
    Assign(g.apg, std::string("K") + g.apg, g.from, g.to);
  }
  Assign("G6", "KG6b", -5, 5);
  ASSERT_EQ(Apg_OpenDnl("REQ1"), 0);
  V got;
  for (ApgRecord r; got.size() < 20 && Apg_FetchDnl(&r) == 0;) {
    got.push_back(std::string(r.ApgApg.view()) + "/" + std::string(r.ApgKst.view()));
  }
  EXPECT_EQ(Apg_CloseDnl(), 0);
  std::sort(got.begin(), got.end());  // one area: no order is promised
  EXPECT_EQ(got, (V{"G2/KG2", "G3/KG3", "G4/KG4", "G6/KG6", "G6/KG6b", "G7/KG7"}));

  for (const auto& g : groups) {
    KsgRecord k;
    k.KsgApg = g.apg;
    k.KsgKst = "stale";
    k.KsgFbe = "keep";
    EXPECT_EQ(Ksg_ReadCurrent(&k), g.current) << g.apg;
    EXPECT_EQ(k.KsgKst, g.current == 0 ? "K" + std::string(g.apg) : "") << g.apg;
    EXPECT_EQ(k.KsgApg, g.apg);
    EXPECT_EQ(k.KsgFbe, "keep");
  }
}

TEST_P(MasterTables, CostCentresComeForEveryAreaOfType1LowerAreaFirst) {
  Sql("insert into o1003Kststelle values ('C1'),('C2'),('C3')");
  Sql("insert into Kvl559Fbe values ('F2',1),('F1',1),('F0',2)");
  ASSERT_EQ(Ksg_OpenDnl("ignored"), 0);
  V got;
  for (KsgRecord r; got.size() < 20 && Ksg_FetchDnl(&r) == 0;) {
    got.push_back(std::string(r.KsgFbe.view()) + "/" + std::string(r.KsgKst.view()));
  }
  EXPECT_EQ(Ksg_CloseDnl(), 0);
  ASSERT_EQ(got.size(), 6u);
  std::sort(got.begin(), got.begin() + 3);  // the cost centres of one area come in no set order
  std::sort(got.begin() + 3, got.end());
  EXPECT_EQ(got, (V{"F1/C1", "F1/C2", "F1/C3", "F2/C1", "F2/C2", "F2/C3"}));
}

// A download deletes each row it has sent; the walk over the join must still deliver every row.
TEST_P(MasterTables, DownloadCursorWalksOnWhileTheLoopDeletesItsRows) {
  for (const char* k : {"A", "B", "C"}) {
    Assign(k, "K", -1, kOpen);
    InsertFull("Kvl530Apg", {{"ApgApg", Q(k)}, {"ApgDwn", "'REQ1'"}});
  }
  ASSERT_EQ(Apg_OpenDnl("REQ1"), 0);
  int rows = 0;
  for (ApgRecord g; Apg_FetchDnl(&g) == 0; ++rows) ASSERT_EQ(Apg_PKeyDel(&g), 0);
  EXPECT_EQ(Apg_CloseDnl(), 0);
  EXPECT_EQ(rows, 3);
  EXPECT_EQ(Scalar("select count(*) from Kvl530Apg"), "0");
}

// --- Table access ---

TEST_P(MasterTables, RangesAndSelectionsByGroupAndBadge) {
  for (const char* k : {"A", "B", "C", "D"}) {
    InsertFull("Kvl530Apg", {{"ApgApg", Q(k)}});
    InsertFull("Kvl531Apl", {{"AplApl", Q(k)}, {"AplApg", *k < 'C' ? "'G1'" : "'G2'"}});
    InsertFull("Kvl521Ubg", {{"UbgUbg", Q(k)}});
  }
  // Assignments: C ended yesterday, D ends today, E lies above the range.
  Assign("A", "KA", -3, kOpen);
  Assign("B", "KB", -5, 3);
  Assign("C", "KC", -6, -1);
  Assign("D", "KD", -2, 0);
  Assign("E", "KE", -4, kOpen);
  // Persons: B has no start date, C begins tomorrow, F left yesterday.
  const V persons[] = {{"A", "B1", Day(-1), "NULL"}, {"B", "B2", "NULL", "NULL"},
                       {"C", "B2", Day(1), "NULL"},  {"D", "B2", Day(0), Day(0)},
                       {"E", "B2", Day(-1), Day(1)}, {"F", "B3", Day(-5), Day(-1)}};
  for (const V& p : persons) {
    InsertFull("Kvl510Prv",
               {{"PrvPnr", Q(p[0])}, {"PrvAwn", Q(p[1])}, {"PrvGvo", p[2]}, {"PrvGbi", p[3]}});
  }

  const struct {
    int (*open)(const char*, const char*);
    V (*keys)();
    int (*close)();
    V want;
  } ranges[] = {
      {Apg_OpenRange,
       Keys<ApgRecord, &ApgRecord::ApgApg, Apg_FetchRange>,
       Apg_CloseRange,
       {"B", "C"}},
      {Apl_OpenRange,
       Keys<AplRecord, &AplRecord::AplApl, Apl_FetchRange>,
       Apl_CloseRange,
       {"B", "C"}},
      {Ubg_OpenRange,
       Keys<UbgRecord, &UbgRecord::UbgUbg, Ubg_FetchRange>,
       Ubg_CloseRange,
       {"B", "C"}},
      {Prv_OpenRange,
       Keys<PrvRecord, &PrvRecord::PrvPnr, Prv_FetchRange>,
       Prv_CloseRange,
       {"A", "B", "D"}},
      {Ksg_OpenRange,
       Keys<KsgRecord, &KsgRecord::KsgApg, Ksg_FetchRange>,
       Ksg_CloseRange,
       {"B", "A", "D"}},  // earliest start first
  };
  for (const auto& c : ranges) {
    ASSERT_EQ(c.open("A", "D"), 0);
    EXPECT_EQ(c.keys(), c.want);
    EXPECT_EQ(c.close(), 0);
  }
  ASSERT_EQ(Apl_OpenByApg("G1"), 0);
  EXPECT_EQ((Keys<AplRecord, &AplRecord::AplApl, Apl_FetchByApg>()), (V{"A", "B"}));
  EXPECT_EQ(Apl_CloseByApg(), 0);
  ASSERT_EQ(Prv_OpenByAwn("B2"), 0);
  EXPECT_EQ((Keys<PrvRecord, &PrvRecord::PrvPnr, Prv_FetchByAwn>()), (V{"D", "E"}));
  EXPECT_EQ(Prv_CloseByAwn(), 0);

  // The person holding a badge today; a miss keeps nothing but the badge.
  const V reads[] = {{"B1", "0", "A"}, {"B2", "-2112", ""}, {"B3", "1403", ""}};
  for (const V& want : reads) {
    PrvRecord r;
    r.PrvAwn = want[0];
    r.PrvPnr = "stale";
    r.PrvNam = "stale";
    EXPECT_EQ(std::to_string(Prv_ReadByAwn(&r)), want[1]) << want[0];
    EXPECT_EQ(r.PrvPnr, want[2]);
    EXPECT_EQ(r.PrvAwn, want[0]);
    EXPECT_EQ(r.PrvNam, want[1] == "0" ? "Nam" : "");
  }
}

// The record a write takes: as the key read left it, holding only the key, or as the download
// cursor delivered it.
enum class From { kKeyRead, kKeyOnly, kDownload };

template <class R, int (*Write)(const R*)>
int Erased(const void* r) {
  return Write(static_cast<const R*>(r));
}
template <class R, auto Key, int (*Read)(R*), int (*Open)(const char*), int (*Fetch)(R*),
          int (*Close)()>
int WithK1(From from, int (*write)(const void*)) {
  R r;
  r.*Key = "K1";
  if constexpr (std::is_same_v<R, KsgRecord>) r.KsgGvo = "20260615";
  int rc = 0;
  if (from == From::kKeyRead) rc = Read(&r);
  if (from == From::kDownload) {
    rc = Open("REQ1");
    if (rc == 0) rc = Fetch(&r);
    Close();
  }
  // The download cursor's AplUdt is the session's own date text, which the update cannot read.
  if constexpr (std::is_same_v<R, AplRecord>) {
    if (from == From::kDownload) r.AplUdt.Clear();
  }
  return rc != 0 ? rc : write(&r);
}

struct WriteCase {
  const char* table;
  V key;  // key columns
  int (*with_k1)(From from, int (*write)(const void*));
  int (*update)(const void*);
  int (*del)(const void*);
  const char* download_differs;  // columns a download record written back changes
};

void PrintTo(const WriteCase& c, std::ostream* os) {
  *os << c.table;
}

using Writes = test::OnEveryBackendWith<MasterTablesSite, WriteCase>;

// Rows of distinct values read and written back show any column read into or written from
// another column's field.
TEST_P(Writes, EveryColumnTravelsByItsOwnField) {
  const WriteCase& c = test_case();
  const std::string k1 = c.key[0] + "='K1'";
  const std::string k2 = c.key[0] + "='K2'";
  InsertFull(c.table,
             {{c.key[0], "'K1'"}, {"KsgGvo", Day(0)}, {c.key[0].substr(0, 3) + "Dwn", "'REQ1'"}});
  InsertFull(c.table, {{c.key[0], "'K2'"}, {"KsgGvo", Day(0)}});
  if (c.key[0] == "ApgApg") Assign("K1", "AsgKst", -1, kOpen);  // for the group download cursor
  const Row before = ReadRow(c.table, k1);
  const Row other = ReadRow(c.table, k2);
  const std::string changed = c.key[0].substr(0, 3) + "Dat";

  ASSERT_EQ(c.with_k1(From::kKeyRead, c.update), 0);
  EXPECT_EQ(Differences(before, ReadRow(c.table, k1)), changed);
  if (c.download_differs != nullptr) {
    ASSERT_EQ(c.with_k1(From::kDownload, c.update), 0);
    EXPECT_EQ(Differences(before, ReadRow(c.table, k1)), c.download_differs);
  }
  ASSERT_EQ(c.with_k1(From::kKeyOnly, c.update), 0);
  std::string all;  // every column but the key
  for (const auto& [name, value] : before) {
    if (std::find(c.key.begin(), c.key.end(), name) == c.key.end()) all += "," + name;
  }
  EXPECT_EQ(Differences(before, ReadRow(c.table, k1)), all.substr(1));
  EXPECT_EQ(Differences(other, ReadRow(c.table, k2)), "");

  ASSERT_EQ(c.with_k1(From::kKeyOnly, c.del), 0);
  EXPECT_EQ(Scalar(std::string("select count(*) from ") + c.table), "1");
  EXPECT_EQ(c.with_k1(From::kKeyOnly, c.update), 1403);
  EXPECT_EQ(c.with_k1(From::kKeyOnly, c.del), 1403);
  EXPECT_EQ(c.with_k1(From::kKeyRead, c.update), 1403);
}

#define JF_WRITES(R, Tag, Key)                                                       \
  WithK1<R, &R::Key, Tag##_PKeyRead, Tag##_OpenDnl, Tag##_FetchDnl, Tag##_CloseDnl>, \
      Erased<R, Tag##_PKeyUpd>, Erased<R, Tag##_PKeyDel>
JF_ON_EVERY_BACKEND_WITH(
    Writes,
    ::testing::Values(
        WriteCase{"Kvl530Apg", {"ApgApg"}, JF_WRITES(ApgRecord, Apg, ApgApg), "ApgDat,ApgKst"},
        WriteCase{"Kvl531Apl", {"AplApl"}, JF_WRITES(AplRecord, Apl, AplApl), "AplDat,AplUdt"},
        WriteCase{"Kvl521Ubg", {"UbgUbg"}, JF_WRITES(UbgRecord, Ubg, UbgUbg), "UbgDat"},
        WriteCase{"Kvl510Prv",
                  {"PrvPnr"},
                  JF_WRITES(PrvRecord, Prv, PrvPnr),
                  "PrvDat,PrvNam,PrvOrt,PrvStr"},  // not selected by the download cursor
        WriteCase{"Kvl537Ksg", {"KsgApg", "KsgGvo"}, JF_WRITES(KsgRecord, Ksg, KsgApg), nullptr}));
#undef JF_WRITES

TEST_P(MasterTables, PersonInsertTakesTheOneAreaOfType1AndStartsCountersAtZero) {
  // A full row read and inserted again differs only in the counters and the change time.
  InsertFull("Kvl510Prv", {{"PrvPnr", "'K1'"}});
  const Row full = ReadRow("Kvl510Prv", "1=1");
  PrvRecord r;
  r.PrvPnr = "K1";
  ASSERT_EQ(Prv_PKeyRead(&r), 0);
  EXPECT_EQ(Prv_PKeyIns(&r), -1);  // the key exists: rolled back
  ASSERT_EQ(Prv_Delete(), 0);
  EXPECT_EQ(Prv_Delete(), 1403);
  ASSERT_EQ(Prv_PKeyIns(&r), 0);
  EXPECT_EQ(Differences(full, ReadRow("Kvl510Prv", "1=1")),
            "PrvAnw,PrvApl,PrvApp,PrvBer,PrvDat,PrvMmb");
  EXPECT_EQ(Query("select PrvBer,PrvMmb,PrvAnw,PrvApl,PrvApp from Kvl510Prv"), V{"0|0|0|0|0"});

  // An empty area is looked up; with no area of type 1, or two, it stays empty.
  Sql("insert into Kvl559Fbe values ('X',2)");
  const V cases[] = {{"", "", ""},
                     {"('F1',1)", "", "F1"},
                     {"('F1',1),('F2',1)", "", ""},
                     {"('F1',1)", "OWN", "OWN"}};
  for (const V& c : cases) {
    Sql("delete from Kvl510Prv; delete from Kvl559Fbe where FbeTyp=1");
    if (!c[0].empty()) Sql("insert into Kvl559Fbe values " + c[0]);
    PrvRecord p;
    p.PrvPnr = "P1";
    p.PrvFbe = c[1];
    ASSERT_EQ(Prv_PKeyIns(&p), 0) << c[0];
    EXPECT_EQ(p.PrvFbe, c[2]) << c[0];
    EXPECT_EQ(Scalar("select ifnull(PrvFbe,'') from Kvl510Prv"), c[2]) << c[0];
  }
}

// --- Schema ---

TEST_F(MasterTablesSite, InitDbAddsTheTablesAndColumnsAnEarlierDatabaseLacksAndKeepsItsRows) {
  sql::Disconnect();
  const char* const kSchema =
      "select m.type, m.name, p.name, p.type, p.\"notnull\", p.pk from sqlite_master m left join "
      "pragma_table_info(m.name) p order by 2, 3";
  const V fresh = Query(kSchema);
  for (const char* t : {"Kvl530Apg", "Kvl531Apl", "Kvl521Ubg", "Kvl510Prv", "Kvl537Ksg",
                        "Kvl559Fbe", "o1003Kststelle"}) {
    Sql(std::string("drop table ") + t);
  }
  Sql("alter table Kvl504App drop column AppKz4");
  InsertFull("Kvl501Apk", {{"ApkApk", "'4711'"}});
  const Row header = ReadRow("Kvl501Apk", "1=1");
  for (int run = 0; run < 2; ++run) {
    ASSERT_EQ(test::RunCommand(JOBFEED_ADMIN_BIN, {"init-db", db_path().string()}), 0);
  }
  EXPECT_EQ(Differences(header, ReadRow("Kvl501Apk", "1=1")), "");
  EXPECT_EQ(Query(kSchema), fresh);
}

JF_ON_EVERY_BACKEND(MasterTables);

}  // namespace
}  // namespace jf
