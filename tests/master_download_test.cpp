// The master data downloads in-process against the embedded database: every record type byte for
// byte, the loop rules of each download through the fault wrappers of both seams, and the rows
// afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "download/Download.h"
#include "support/Backends.h"
#include "support/DownloadSite.h"

namespace jf {
namespace {

using sql::FaultBackend;
using Columns = std::map<std::string, std::string>;  // column name to SQL value

// v left-justified in n, right-justified in n; n spaces.
std::string L(const std::string& v, std::size_t n) {
  return v + std::string(n - v.size(), ' ');
}
std::string R(const std::string& v, std::size_t n) {
  return std::string(n - v.size(), ' ') + v;
}
std::string S(std::size_t n) {
  return std::string(n, ' ');
}
const std::string kZ30 = "abcdefghijklmnopqrstuvwxyz0123";

// One marked master data table and its download: its columns, the parts of its statement texts
// that failures are injected into, and its messages.
struct MasterKind {
  const char *name, *table, *key, *tag, *content;  // tag: "Apg" for ApgDwn, ApgDna ...
  Columns extra;                                   // further columns of its rows
  int (*download)(const char* date, const char* time, const char* requester);
  const char *cursor, *read, *update, *remove;
  int lines_per_row;
  const char *function, *open_failed, *send_failed, *upd_function, *read_failed, *upd_failed,
      *del_function, *del_failed;
};

void PrintTo(const MasterKind& k, std::ostream* os) {
  *os << k.name;
}

// clang-format off
const MasterKind kKinds[] = {
    {"MAG", "Kvl530Apg", "ApgApg", "Apg", "ApgBez", {}, Apg_Dnl,
     "from Kvl530Apg ,Kvl537Ksg", "from Kvl530Apg where ApgApg=:b0", "update KVL530Apg",
     "delete  from Kvl530Apg", 1, "Apg_Dnl", "fehlerhafter Apg_OpenDnl",
     "Fehler beim Senden von ApgS\xE4tze", "ApgDnl", "Fehler bei Apg_PKeyRead",
     "Fehler bei Apg_PKeyUpd", "Apg_Frei", "Fehler bei Apg_PKeyDel"},
    {"MAS", "Kvl531Apl", "AplApl", "Apl", "AplBez", {{"AplApg", "'G1'"}}, Apl_Dnl,
     "from Kvl531Apl where AplDwn=:b0", "from Kvl531Apl where AplApl=:b0", "update KVL531Apl",
     "delete  from Kvl531Apl", 1, "Apl_Dnl", "fehlerhafte Apl_OpenDnl",
     "Fehler beim Senden von AplS\xE4tze", "AplDnl", "Fehler bei Apl_PKeyRead",
     "Fehler bei Apl_PKeyUpd", "Apl_Frei", "Fehler bei Apl_PKeyDel"},
    {"UBG", "Kvl521Ubg", "UbgUbg", "Ubg", "UbgBez", {}, Ubg_Dnl,
     "from Kvl521Ubg where UbgDwn=:b0", "from Kvl521Ubg where UbgUbg=:b0", "update KVL521Ubg",
     "delete  from Kvl521Ubg", 1, "Ubg_Dnl", "fehlerhafte Ubg_OpenDnl",
     "Fehler beim Senden von UbgS\xE4tze", "UbgDnl", "Fehler bei Ubg_PKeyRead",
     "Fehler bei Ubg_PKeyUpd", "Ubg_Frei", "Fehler bei Ubg_PKeyDel"},
    // "LOE" deletes a person only with PrvAwa 3.
    {"PNR", "Kvl510Prv", "PrvPnr", "Prv", "PrvNam", {{"PrvAwa", "3"}}, Prv_Dnl,
     "from Kvl510Prv where PrvDwn=:b0", "from Kvl510Prv where PrvPnr=:b0", "update Kvl510Prv",
     "delete  from Kvl510Prv", 2, "Prv_Dnl", "fehlerhafte Pvr_OpenDnl",
     "Fehler beim Senden von PrvS\xE4tze", "PrvDnl", "Fehler bei Prv_PKeyReadk",
     "Fehler bei Prv_PKeyUpd", "Prv_Frei", "Fehler bei Prv_PKeyDel"},
};
// clang-format on
constexpr std::size_t kMag = 0, kMas = 1, kUbg = 2, kPnr = 3, kKst = 4;

class MasterDownloadSite : public test::DownloadSiteTest {
 protected:
  void SetUp() override {
    DownloadSiteTest::SetUp();
    // G1, Apg1 and Apg2 have one cost centre valid today (2026-12-07 on the fixed clock); area
    // A1 is of type 1.
    Sql("insert into Kvl537Ksg (KsgApg,KsgGvo,KsgKst) values ('G1',julianday('2026-01-01'),"
        "'K1234'),('Apg1',julianday('2026-01-01'),'K1234'),('Apg2',julianday('2026-01-01'),"
        "'K1234')");
    Sql("insert into Kvl559Fbe (FbeFbe,FbeTyp) values ('A1',1)");
  }
  // A row marked for REQ1 in area A1 with every other column filled; columns override.
  void Insert(const MasterKind& k, const std::string& key, const std::string& dna,
              Columns columns = {}) {
    const std::string t = k.tag;
    columns.insert(k.extra.begin(), k.extra.end());
    for (const auto& [c, v] : Columns{{k.key, "'" + key + "'"},
                                      {t + "Fbe", "'A1'"},
                                      {t + "Dwn", "'REQ1'"},
                                      {t + "Dna", "'" + dna + "'"}}) {
      columns.emplace(c, v);
    }
    InsertFull(k.table, columns);
  }
  // "marker/kind/content" of a row, "gone" when it was deleted.
  std::string State(const MasterKind& k, const std::string& key) {
    const std::string t = k.tag;
    const auto rows =
        Query("select ifnull(" + t + "Dwn,'') || '/' || ifnull(" + t + "Dna,'') || '/' || " +
              k.content + " from " + k.table + " where " + k.key + "='" + key + "'");
    return rows.empty() ? "gone" : rows[0];
  }
  int Run(const MasterKind& k) { return k.download("20261207", "093015", "REQ1"); }
  int RunKst() { return Ksg_Dnl("20261207", "093015", "REQ1"); }
};

// ---- every record type byte for byte: values of every width, longer ones cut to their fields

struct Golden {
  const char* name;
  std::size_t kind;
  std::vector<Columns> rows;       // cost centres: their KstNum
  const char* sql;                 // run before, or nullptr
  std::vector<std::string> lines;  // record type, DnlFun and payload of each line
};

void PrintTo(const Golden& g, std::ostream* os) {
  *os << g.name;
}

using MasterDownloadTest = test::OnEveryBackend<MasterDownloadSite>;
using GoldenTest = test::OnEveryBackendWith<MasterDownloadSite, Golden>;

TEST_P(GoldenTest, LinesCarryTheRecordAtItsOffsets) {
  const Golden& g = test_case();
  if (g.sql != nullptr) Sql(g.sql);
  for (const Columns& row : g.rows) {
    if (g.kind == kKst) {
      Sql("insert into o1003Kststelle (KstNum) values (" + row.at("KstNum") + ")");
    } else {
      const MasterKind& k = kKinds[g.kind];
      Insert(k, row.at(k.key).substr(1, 2), "AEN", row);
    }
  }
  EXPECT_EQ(g.kind == kKst ? RunKst() : Run(kKinds[g.kind]), 0);
  std::vector<std::string> lines;
  for (const std::string& l : Lines(3)) {
    EXPECT_EQ(l.substr(93, 12) + l.substr(105, 3) + l.substr(549), "261207093015BDE*\r\n");
    const std::string payload = l.substr(111, 438);
    lines.push_back(l.substr(90, 3) + l.substr(108, 3) +
                    payload.substr(0, payload.find_last_not_of(' ') + 1));
  }
  std::vector<std::string> expected;
  for (const std::string& e : g.lines) expected.push_back(e.substr(0, e.find_last_not_of(' ') + 1));
  // Rows of one production area come in the database's order.
  std::sort(lines.begin(), lines.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(lines, expected);
  EXPECT_TRUE(MessageTexts().empty());
}

const Golden kGoldens[] = {
    // The cursor sends the cost centre of the group's current assignment, not ApgKst.
    Golden{"MAG",
           kMag,
           {{{"ApgApg", "'G3'"},
             {"ApgBez", "'Gruppe Fraesen'"},
             {"ApgTxt", "'Text12345'"},
             {"ApgKst", "'ALT'"},
             {"ApgZf1", "'Zusatzfeld-1-lang'"},
             {"ApgZf2", "'Z2'"},
             {"ApgZf3", "'" + kZ30 + "'"}}},
           "insert into Kvl537Ksg (KsgApg,KsgGvo,KsgKst) values "
           "('G3',julianday('2026-01-01'),'KST4567890')",
           {"MAGAEN" + L("G3", 10) + L("Gruppe Fraesen", 30) + "Text1234" + L("A1", 10) +
            "KST4567" + S(10) + "Zusatzfeld" + R("Z2", 20) + kZ30 + " X"}},
    // AplZf3 right-justified in its 23 characters.
    Golden{"MAS",
           kMas,
           {{{"AplApl", "'W1'"},
             {"AplBez", "'Fraese 1'"},
             {"AplTxt", "'T1'"},
             {"AplApr", "1234567"},
             {"AplSts", "3"},
             {"AplZf1", "'Z1'"},
             {"AplZf2", "'" + kZ30 + "'"},
             {"AplZf3", "'ABC'"}}},
           nullptr,
           {"MASAEN" + L("W1", 10) + L("Fraese 1", 30) + L("T1", 8) + L("A1", 10) + L("K1234", 7) +
            L("G1", 10) + S(20) + "12345" + "3" + R("Z1", 10) + kZ30.substr(0, 20) + R("ABC", 23) +
            "X"}},
    Golden{
        "UBG",
        kUbg,
        {{{"UbgUbg", "'U1'"}, {"UbgKnz", "1"}, {"UbgBez", "'Materialmangel'"}, {"UbgTxt", "'T'"}},
         {{"UbgUbg", "'U2'"},
          {"UbgKnz", "7"},
          {"UbgBez", "'" + kZ30 + "'"},
          {"UbgTxt", "'Text567890'"},
          {"UbgDna", "'NEU'"}}},
        nullptr,
        {"UBGAENU" + L("U1", 4) + L("Materialmangel", 30) + L("Materialmangel", 30) + R("T", 8) +
             "X",
         "UBGNEUS" + L("U2", 4) + kZ30 + kZ30 + "Text5678" + "X"}},
    // A person's PNR and AWN lines; one leaving (LOE, PrvAwa 3) with an area of no letter.
    Golden{"AWNAndPNR",
           kPnr,
           {{{"PrvPnr", "'P1'"},
             {"PrvKst", "'K12'"},
             {"PrvBer", "2"},
             {"PrvAwn", "'B0815'"},
             {"PrvDna", "'NEU'"},
             {"PrvAwa", "1"}},
            {{"PrvPnr", "'P2'"},
             {"PrvKst", "'KST4567890'"},
             {"PrvBer", "5"},
             {"PrvAwn", "'B0816'"},
             {"PrvDna", "'LOE'"}}},
           nullptr,
           {"PNRAEN" + L("P1", 8) + L("K12", 7) + "MX", "AWNNEU" + L("B0815", 8) + L("P1", 8) + "X",
            "PNRLOE" + L("P2", 8) + "KST4567" + " X", "AWNLOE" + L("B0816", 8) + L("P2", 8) + "X"}},
    Golden{"KST",
           kKst,
           {{{"KstNum", "'K12'"}}, {{"KstNum", "'KST4567890'"}}},
           nullptr,
           {"KSTNEU" + L("K12", 7) + L("Kostenstelle", 25) + S(5) + "X",
            "KSTNEUKST4567" + L("Kostenstelle", 25) + S(5) + "X"}}};

JF_ON_EVERY_BACKEND_WITH(GoldenTest, ::testing::ValuesIn(kGoldens));

// ---- the loop rules: one failure in a download of two rows, row 1 to be deleted ("LOE"), row
// 2 to be unmarked; a failing row is logged, stays due, and the loop goes on

struct Failure {
  const char* name;
  void (*inject)(const MasterKind&, FaultBackend*, FaultEnv*);
  std::vector<std::string> (*messages)(const MasterKind&);  // "function|text|code"
  int rows_sent;
  bool first_done, second_done;
  int status;
  bool first_line_fails = false;  // a person's AWN line still goes out: one line more
};

void PrintTo(const Failure& f, std::ostream* os) {
  *os << f.name;
}

std::string M(const char* function, const char* text, const char* code) {
  return std::string(function) + "|" + text + "|" + code;
}

// clang-format off
const Failure kFailures[] = {
    {"CursorOpen",
     [](const MasterKind& k, FaultBackend* d, FaultEnv*) { d->FailNth(FaultBackend::kExecute, k.cursor, 1, -942); },
     [](const MasterKind& k) { return std::vector<std::string>{M(k.function, k.open_failed, "-942")}; },
     0, false, false, -942},
    {"FetchError",
     [](const MasterKind& k, FaultBackend* d, FaultEnv*) { d->FailNth(FaultBackend::kFetch, k.cursor, 2, -1114); },
     [](const MasterKind& k) { return std::vector<std::string>{M(k.function, ("fehlerhafte " + std::string(k.tag) + "_FetchDnl").c_str(), "-1114")}; },
     1, true, false, 0},
    {"CursorClose",
     [](const MasterKind& k, FaultBackend* d, FaultEnv*) { d->FailNth(FaultBackend::kClose, k.cursor, 1, -1114); },
     [](const MasterKind&) { return std::vector<std::string>{}; },
     2, true, true, -1114},
    {"TerminalLookup",
     [](const MasterKind&, FaultBackend* d, FaultEnv*) { d->FailNth(FaultBackend::kExecute, "from Kvl557Cfg", 1, -942); },
     [](const MasterKind& k) { return std::vector<std::string>{M("ReadFile", "IP-Ermitteln", "-942"), M(k.function, k.send_failed, "-942")}; },
     1, false, true, 0, true},
    {"FirstLineWrite",
     [](const MasterKind&, FaultBackend*, FaultEnv* e) { e->FailNth(FaultEnv::kWrite, 1, kErrDiskFull, "SndDnl", 0); },
     [](const MasterKind& k) { return std::vector<std::string>{M("WrittenFile", "", "112"), M(k.function, k.send_failed, "-1")}; },
     1, false, true, 0, true},
    // The row is locked and read before its lines: one that cannot be had is left as it is,
    // and none of its lines goes out.
    {"ReadByKey",
     [](const MasterKind& k, FaultBackend* d, FaultEnv*) { d->FailNth(FaultBackend::kExecute, k.read, 1, -54); },
     [](const MasterKind& k) { return std::vector<std::string>{M(k.upd_function, k.read_failed, "-54")}; },
     1, false, true, 0},
    {"Delete",
     [](const MasterKind& k, FaultBackend* d, FaultEnv*) { d->FailNth(FaultBackend::kExecute, k.remove, 1, -54); },
     [](const MasterKind& k) { return std::vector<std::string>{M(k.del_function, k.del_failed, "-54")}; },
     1, false, true, 0},
    {"Update",
     [](const MasterKind& k, FaultBackend* d, FaultEnv*) { d->FailNth(FaultBackend::kExecute, k.update, 1, -1400); },
     [](const MasterKind& k) { return std::vector<std::string>{M(k.upd_function, k.upd_failed, "-1400")}; },
     1, true, false, 0},
};
// clang-format on

using FailureTest = test::OnEveryBackendWith<MasterDownloadSite, std::tuple<MasterKind, Failure>>;

TEST_P(FailureTest, RowFailsAloneAndStaysDue) {
  const auto& [k, f] = test_case();
  const std::string p = k.tag;
  Insert(k, p + "1", "LOE");
  Insert(k, p + "2", "AEN", {{p + "Fbe", "'A2'"}});
  const std::string content = Scalar(std::string("select ") + k.content + " from " + k.table);
  f.inject(k, db_, &files_);
  EXPECT_EQ(Run(k), f.status);
  EXPECT_EQ(MessageTexts(), f.messages(k));
  const bool lone_awn = f.first_line_fails && k.lines_per_row == 2;
  EXPECT_EQ(static_cast<int>(Lines(3).size()), f.rows_sent * k.lines_per_row + lone_awn);
  if (lone_awn) {
    EXPECT_EQ(Lines(3)[0].substr(90, 3), "AWN");
  }
  EXPECT_EQ(State(k, p + "1"), f.first_done ? "gone" : "REQ1/LOE/" + content);
  EXPECT_EQ(State(k, p + "2"), f.second_done ? "//" + content : "REQ1/AEN/" + content);
}

INSTANTIATE_TEST_SUITE_P(Backends, FailureTest,
                         ::testing::Combine(test::EveryBackend(),
                                            ::testing::Combine(::testing::ValuesIn(kKinds),
                                                               ::testing::ValuesIn(kFailures))),
                         [](const auto& tpi) {
                           const auto& c = std::get<1>(tpi.param);
                           return std::string(test::BackendName(std::get<0>(tpi.param))) + "_" +
                                  std::get<0>(c).name + std::get<1>(c).name;
                         });

// The rows after a group's first go as a batch, whose statements travel together on a server.
// A row the database refuses to update inside it (here a trigger) fails alone, as its unit
// would: the batch is undone and sent again without it, and the rows before and after it go.
TEST_P(MasterDownloadTest, ARowRefusedInsideABatchFailsAloneAndTheOthersGo) {
  if (backend() == test::BackendKind::kOracle) GTEST_SKIP() << "the fake client has no triggers";
  const MasterKind& k = kKinds[kUbg];
  for (const char* key : {"U1", "U2", "U3", "U4", "U5"}) Insert(k, key, "AEN");
  if (backend() == test::BackendKind::kPostgres) {
    Sql("CREATE FUNCTION ubg_refuse() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN IF OLD.UbgUbg = "
        "''U3'' THEN RAISE EXCEPTION ''refused''; END IF; RETURN NEW; END'");
    Sql("CREATE TRIGGER ubg_refuse BEFORE UPDATE ON Kvl521Ubg FOR EACH ROW EXECUTE FUNCTION "
        "ubg_refuse()");
  } else {
    Sql("CREATE TRIGGER ubg_refuse BEFORE UPDATE ON Kvl521Ubg WHEN OLD.UbgUbg = 'U3' BEGIN "
        "SELECT RAISE(ABORT, 'refused'); END");
  }
  EXPECT_EQ(Run(k), 0);
  const std::vector<std::string> m = MessageTexts();
  ASSERT_EQ(m.size(), 1u);  // and the detail entry naming the row
  EXPECT_EQ(m[0].substr(0, m[0].rfind('|')), "UbgDnl|Fehler bei Ubg_PKeyUpd");
  EXPECT_EQ(Lines(3).size(), 4u);
  for (const char* key : {"U1", "U2", "U4", "U5"}) EXPECT_EQ(State(k, key).substr(0, 2), "//");
  EXPECT_EQ(State(k, "U3").substr(0, 9), "REQ1/AEN/");
}

// ---- the rows afterwards

// Every text column but the key, the area and the marker holds characters Windows-1252 lacks;
// a workplace group's own ApgKst among them, which the cursor's cost centre replaces in the line
// only. Sending a row changes its marker, its kind and the time of the change, nothing else.
TEST_P(MasterDownloadTest, UnmarkingChangesNothingElse) {
  for (const MasterKind& k : kKinds) {
    const std::string t = k.tag;
    Row cols = Unrepresentable(k.table);
    for (const std::string& c : {std::string(k.key), t + "Fbe", t + "Dwn", t + "Dna"}) {
      cols.erase(c);
    }
    for (const auto& [c, v] : k.extra) cols[c] = v;
    Insert(k, t + "1", "AEN", cols);
    const Row before = ReadRow(k.table, std::string(k.key) + "='" + t + "1'");
    ASSERT_EQ(Run(k), 0) << k.name;
    EXPECT_EQ(Differences(before, ReadRow(k.table, std::string(k.key) + "='" + t + "1'")),
              t + "Dat," + t + "Dna," + t + "Dwn")
        << k.name;
  }
  EXPECT_EQ(Lines(3).size(), 5u);
  EXPECT_EQ(Lines(3)[0].substr(111 + 58, 7), "K1234  ") << "the group's current cost centre";
  EXPECT_TRUE(MessageTexts().empty());
}

// ---- rules of single downloads

TEST_P(MasterDownloadTest, PersonWithdrawnFromTheAssignmentStaysWithoutIt) {
  // Its texts hold characters Windows-1252 lacks, which stay as they are.
  Row cols = Unrepresentable("Kvl510Prv");
  cols.erase("PrvPnr");
  cols.erase("PrvFbe");
  cols.erase("PrvDwn");
  cols.erase("PrvDna");
  cols["PrvAwa"] = "1";
  cols["PrvBer"] = "1";
  Insert(kKinds[kPnr], "P1", "LOE", cols);
  const Row before = ReadRow("Kvl510Prv", "PrvPnr='P1'");
  ASSERT_EQ(Run(kKinds[kPnr]), 0);
  const Row after = ReadRow("Kvl510Prv", "PrvPnr='P1'");
  // Only the assignment, the marker, the kind and the time of the change.
  EXPECT_EQ(Differences(before, after),
            "PrvAbi,PrvAnw,PrvApl,PrvApp,PrvAvn,PrvAwn,PrvDat,PrvDna,PrvDwn,PrvGbi,PrvGvo");
  EXPECT_EQ(after.at("PrvAwn") + after.at("PrvGvo") + after.at("PrvAvn") + after.at("PrvDwn"), "");
  EXPECT_EQ(after.at("PrvAnw") + after.at("PrvApl") + after.at("PrvApp"), "000");
  const auto lines = Lines(3);
  ASSERT_EQ(lines.size(), 2u);  // PNR first, then AWN
  EXPECT_EQ(lines[0].substr(90, 3) + lines[0].substr(108, 3) + lines[0][111 + 15], "PNRAENA");
  EXPECT_EQ(lines[1].substr(90, 3) + lines[1].substr(108, 3), "AWNLOE");
}

TEST_P(MasterDownloadTest, WorkplaceWithoutExactlyOneCurrentCostCentreIsNotSent) {
  // G5's only assignment ends today, which does not count; G6 has two current ones.
  Sql("insert into Kvl537Ksg (KsgApg,KsgGvo,KsgGbi,KsgKst) values "
      "('G5',julianday('2026-01-01'),julianday('2026-12-07'),'K2'),"
      "('G6',julianday('2026-01-01'),NULL,'K3'),('G6',julianday('2026-06-01'),NULL,'K4')");
  const MasterKind& k = kKinds[kMas];
  Insert(k, "W1", "AEN", {{"AplApg", "'G5'"}});
  Insert(k, "W2", "AEN", {{"AplApg", "'G6'"}, {"AplFbe", "'A2'"}});
  Insert(k, "W3", "AEN", {{"AplFbe", "'A3'"}});
  ASSERT_EQ(Run(k), 0);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{M("Apl_Dnl", k.send_failed, "1403"),
                                                      M("Apl_Dnl", k.send_failed, "-2112")}));
  ASSERT_EQ(Lines(3).size(), 1u);
  EXPECT_EQ(Lines(3)[0].substr(111, 3), "W3 ");
  EXPECT_EQ(State(k, "W1") + State(k, "W2") + State(k, "W3"), "REQ1/AEN/BezREQ1/AEN/Bez//Bez");
}

TEST_P(MasterDownloadTest, CostCentresGoToEveryTypeOneAreaOnEveryRunAndChangeNothing) {
  AddTerminal(5, "10.1.2.5", "4005", "B", "BZ");
  Sql("insert into Kvl559Fbe (FbeFbe,FbeTyp) values ('B1',1),('A2',2)");
  Sql("insert into o1003Kststelle (KstNum) values ('K1'),('K2'),('K3')");
  ASSERT_EQ(RunKst(), 0);
  ASSERT_EQ(RunKst(), 0);
  EXPECT_EQ(Lines(3).size() + Lines(5).size(), 12u);  // areas A1 and B1, twice
  EXPECT_EQ(Lines(3)[0], Lines(3)[3]);
  for (const auto& [text, count] : db_->ExecutionsByText()) {
    EXPECT_EQ(text.rfind("select", 0), 0u) << "the database was written: " << text;
  }
  EXPECT_TRUE(MessageTexts().empty());

  // A line that cannot be written leaves only the writer's message; the next one goes out.
  files_.FailNth(FaultEnv::kWrite, 1, kErrDiskFull, "SndDnl", 0);
  ASSERT_EQ(RunKst(), 0);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{M("WrittenFile", "", "112")});
  EXPECT_EQ(Lines(3).size() + Lines(5).size(), 17u);
}

JF_ON_EVERY_BACKEND(MasterDownloadTest);

}  // namespace
}  // namespace jf
