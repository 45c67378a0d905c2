// The master data downloads in-process against the embedded database: every record type byte for
// byte, the loop rules through the fault wrappers of both seams, and what a sent row looks like
// afterwards.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "download/Download.h"
#include "support/DownloadSite.h"

namespace jf {
namespace {

using sql::FaultBackend;
using Columns = std::map<std::string, std::string>;  // column name to SQL value

// v left-justified in n, v right-justified in n, n spaces.
std::string L(const std::string& v, std::size_t n) {
  return v + std::string(n - v.size(), ' ');
}
std::string R(const std::string& v, std::size_t n) {
  return std::string(n - v.size(), ' ') + v;
}
std::string S(std::size_t n) {
  return std::string(n, ' ');
}

// One master data table and its download: where a test finds its rows, the statements its
// failures are injected into, and its messages.
struct MasterKind {
  const char* name;
  int (*download)(const char* date, const char* time, const char* requester);
  const char* table;
  const char* key;  // key column; the rows are "<prefix>1" and "<prefix>2"
  const char* prefix;
  const char* tag;      // "Apg": the columns ApgDwn, ApgDna
  const char* content;  // a column no download changes
  const char* extra;    // further columns of its rows (SQL "col=value" pairs, or "")
  const char *cursor, *read, *update, *remove;  // parts of its statement texts
  int lines_per_row;
  const char *function, *open_failed, *send_failed;
  const char *upd_function, *read_failed, *upd_failed, *del_function, *del_failed;
};

void PrintTo(const MasterKind& k, std::ostream* os) {
  *os << k.name;
}

const MasterKind kKinds[] = {
    {"MAG",
     Apg_Dnl,
     "Kvl530Apg",
     "ApgApg",
     "G",
     "Apg",
     "ApgBez",
     "",
     "from Kvl530Apg ,Kvl537Ksg",
     "from Kvl530Apg where ApgApg=:b0",
     "update KVL530Apg",
     "delete  from Kvl530Apg",
     1,
     "Apg_Dnl",
     "fehlerhafter Apg_OpenDnl",
     "Fehler beim Senden von ApgS\xE4tze",
     "ApgDnl",
     "Fehler bei Apg_PKeyRead",
     "Fehler bei Apg_PKeyUpd",
     "Apg_Frei",
     "Fehler bei Apg_PKeyDel"},
    {"MAS",
     Apl_Dnl,
     "Kvl531Apl",
     "AplApl",
     "W",
     "Apl",
     "AplBez",
     "AplApg='G1'",
     "from Kvl531Apl where AplDwn=:b0",
     "from Kvl531Apl where AplApl=:b0",
     "update KVL531Apl",
     "delete  from Kvl531Apl",
     1,
     "Apl_Dnl",
     "fehlerhafte Apl_OpenDnl",
     "Fehler beim Senden von AplS\xE4tze",
     "AplDnl",
     "Fehler bei Apl_PKeyRead",
     "Fehler bei Apl_PKeyUpd",
     "Apl_Frei",
     "Fehler bei Apl_PKeyDel"},
    {"UBG",
     Ubg_Dnl,
     "Kvl521Ubg",
     "UbgUbg",
     "U",
     "Ubg",
     "UbgBez",
     "",
     "from Kvl521Ubg where UbgDwn=:b0",
     "from Kvl521Ubg where UbgUbg=:b0",
     "update KVL521Ubg",
     "delete  from Kvl521Ubg",
     1,
     "Ubg_Dnl",
     "fehlerhafte Ubg_OpenDnl",
     "Fehler beim Senden von UbgS\xE4tze",
     "UbgDnl",
     "Fehler bei Ubg_PKeyRead",
     "Fehler bei Ubg_PKeyUpd",
     "Ubg_Frei",
     "Fehler bei Ubg_PKeyDel"},
    {"PNR",
     Prv_Dnl,
     "Kvl510Prv",
     "PrvPnr",
     "P",
     "Prv",
     "PrvNam",
     "PrvAwa=3",
     "from Kvl510Prv where PrvDwn=:b0",
     "from Kvl510Prv where PrvPnr=:b0",
     "update Kvl510Prv",
     "delete  from Kvl510Prv",
     2,
     "Prv_Dnl",
     "fehlerhafte Pvr_OpenDnl",
     "Fehler beim Senden von PrvS\xE4tze",
     "PrvDnl",
     "Fehler bei Prv_PKeyReadk",
     "Fehler bei Prv_PKeyUpd",
     "Prv_Frei",
     "Fehler bei Prv_PKeyDel"},
};

class MasterDownloadTest : public test::DownloadSiteTest {
 protected:
  void SetUp() override {
    DownloadSiteTest::SetUp();
    // Groups G1 and G2 have one cost centre valid today (2026-12-07 on the fixed clock); area
    // A1 is of type 1.
    Sql("insert into Kvl537Ksg (KsgApg,KsgGvo,KsgGbi,KsgKst) values "
        "('G1',julianday('2026-01-01'),NULL,'K1234'),('G2',julianday('2026-01-01'),NULL,'K1234')");
    Sql("insert into Kvl559Fbe (FbeFbe,FbeTyp) values ('A1',1)");
  }

  // A row of the kind's table marked for REQ1 in area A1, every other column filled; overrides
  // as SQL values by column.
  void Insert(const MasterKind& k, const std::string& key, const std::string& dna,
              Row overrides = {}) {
    const std::string t = k.tag;
    overrides.emplace(k.key, "'" + key + "'");
    overrides.emplace(t + "Fbe", "'A1'");
    overrides.emplace(t + "Dwn", "'REQ1'");
    overrides.emplace(t + "Dna", "'" + dna + "'");
    const std::string extra = k.extra;
    if (!extra.empty()) {
      const std::size_t eq = extra.find('=');
      overrides.emplace(extra.substr(0, eq), extra.substr(eq + 1));
    }
    InsertFull(k.table, overrides);
  }
  // "marker/kind/content" of a row, "gone" when it was deleted.
  std::string State(const MasterKind& k, const std::string& key) {
    const std::string t = k.tag;
    const auto rows =
        Query("select ifnull(" + t + "Dwn,''), ifnull(" + t + "Dna,''), ifnull(" + k.content +
              ",'') from " + k.table + " where " + k.key + "='" + key + "'");
    if (rows.empty()) return "gone";
    std::string s = rows[0];
    for (char& c : s) {
      if (c == '|') c = '/';
    }
    return s;
  }
  int Run(const MasterKind& k) { return k.download("20261207", "093015", "REQ1"); }
};

// ---- every record type byte for byte

// A row, what it must become: the type, download kind and 255/74/17/38-character payload of
// each of its lines.
struct Golden {
  const char* name;
  std::size_t kind;  // index into kKinds, or 4 for the cost centres
  Columns row;       // column overrides of the row (cost centres: the KstNum)
  const char* sql;   // run before, or nullptr
  std::vector<std::vector<std::string>> lines;  // type, DnlFun, payload
};

void PrintTo(const Golden& g, std::ostream* os) {
  *os << g.name;
}

class GoldenTest : public MasterDownloadTest, public ::testing::WithParamInterface<Golden> {};

TEST_P(GoldenTest, LinesCarryTheRecordAtItsOffsets) {
  const Golden& g = GetParam();
  if (g.sql != nullptr) Sql(g.sql);
  int status = 0;
  if (g.kind < std::size(kKinds)) {
    Insert(kKinds[g.kind], g.row.at(kKinds[g.kind].key).substr(1, 2), "AEN", g.row);
    status = Run(kKinds[g.kind]);
  } else {
    Sql("insert into o1003Kststelle (KstNum) values (" + g.row.at("KstNum") + ")");
    status = Ksg_Dnl("20261207", "093015", "REQ1");
  }
  EXPECT_EQ(status, 0);
  const auto lines = Lines(3);
  ASSERT_EQ(lines.size(), g.lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(i);
    const std::string& l = lines[i];
    EXPECT_EQ(l.substr(90, 3), g.lines[i][0]);
    EXPECT_EQ(l.substr(93, 12), "261207093015");
    EXPECT_EQ(l.substr(105, 6), "BDE" + g.lines[i][1]);
    EXPECT_EQ(l.substr(111, 438), L(g.lines[i][2], 438));
    EXPECT_EQ(l.substr(549), "*\r\n");
  }
  EXPECT_TRUE(MessageTexts().empty());
}

const std::string kZ30 = "abcdefghijklmnopqrstuvwxyz0123";

INSTANTIATE_TEST_SUITE_P(
    MasterDnl, GoldenTest,
    ::testing::Values(
        Golden{"MAG",
               0,
               {{"ApgApg", "'G1'"},
                {"ApgBez", "'Gruppe Fraesen'"},
                {"ApgTxt", "'Text12345'"},
                {"ApgKst", "'ALT'"},  // the cursor sends the current assignment's cost centre
                {"ApgZf1", "'Z1'"},
                {"ApgZf2", "'Z2'"},
                {"ApgZf3", "'Z3'"}},
               nullptr,
               {{"MAG", "AEN",
                 L("G1", 10) + L("Gruppe Fraesen", 30) + "Text1234" + L("A1", 10) + L("K1234", 7) +
                     S(10) + R("Z1", 10) + R("Z2", 20) + R("Z3", 30) + " X" + S(118)}}},
        // Values longer than their fields are cut to their first characters; nothing moves.
        Golden{"MAGLongValues",
               0,
               {{"ApgApg", "'G3'"},
                {"ApgBez", "'B'"},
                {"ApgTxt", "'T'"},
                {"ApgZf1", "'Zusatzfeld-1-lang'"},
                {"ApgZf2", "'" + kZ30 + "'"},
                {"ApgZf3", "'" + kZ30 + "'"}},
               "insert into Kvl537Ksg (KsgApg,KsgGvo,KsgKst) values "
               "('G3',julianday('2026-01-01'),'KST4567890')",
               {{"MAG", "AEN",
                 L("G3", 10) + L("B", 30) + L("T", 8) + L("A1", 10) + "KST4567" + S(10) +
                     "Zusatzfeld" + kZ30.substr(0, 20) + kZ30 + " X" + S(118)}}},
        Golden{"MAS",
               1,
               {{"AplApl", "'W1'"},
                {"AplBez", "'Fraese 1'"},
                {"AplTxt", "'T1'"},
                {"AplApr", "12"},
                {"AplSts", "3"},
                {"AplZf1", "'Z1'"},
                {"AplZf2", "'Z2'"},
                {"AplZf3", "'ABC'"}},
               nullptr,
               {{"MAS", "AEN",
                 L("W1", 10) + L("Fraese 1", 30) + L("T1", 8) + L("A1", 10) + L("K1234", 7) +
                     L("G1", 10) + S(20) + "   12" + "3" + R("Z1", 10) + R("Z2", 20) +
                     R("ABC", 23) + "X" + S(100)}}},
        Golden{"MASLongValues",
               1,
               {{"AplApl", "'W2'"},
                {"AplBez", "'B'"},
                {"AplTxt", "'T'"},
                {"AplApr", "1234567"},
                {"AplSts", "-1"},
                {"AplZf1", "'Zusatzfeld-1-lang'"},
                {"AplZf2", "'" + kZ30 + "'"},
                {"AplZf3", "'" + kZ30 + "'"}},
               nullptr,
               {{"MAS", "AEN",
                 L("W2", 10) + L("B", 30) + L("T", 8) + L("A1", 10) + L("K1234", 7) + L("G1", 10) +
                     S(20) + "12345" + "-" + "Zusatzfeld" + kZ30.substr(0, 20) +
                     kZ30.substr(0, 23) + "X" + S(100)}}},
        Golden{"UBG",
               2,
               {{"UbgUbg", "'U1'"},
                {"UbgKnz", "1"},
                {"UbgBez", "'Materialmangel'"},
                {"UbgTxt", "'T'"}},
               nullptr,
               {{"UBG", "AEN",
                 "U" + L("U1", 4) + L("Materialmangel", 30) + L("Materialmangel", 30) + R("T", 8) +
                     "X"}}},
        Golden{"UBGLongValues",
               2,
               {{"UbgUbg", "'U2'"},
                {"UbgKnz", "7"},
                {"UbgBez", "'" + kZ30 + "'"},
                {"UbgTxt", "'Text567890'"}},
               nullptr,
               {{"UBG", "AEN", "S" + L("U2", 4) + kZ30 + kZ30 + "Text5678" + "X"}}},
        // A person: AWN first, then PNR, both of one running number.
        Golden{"AWNAndPNR",
               3,
               {{"PrvPnr", "'P1'"},
                {"PrvKst", "'K12'"},
                {"PrvBer", "2"},
                {"PrvAwn", "'B0815'"},
                {"PrvDna", "'NEU'"},
                {"PrvAwa", "1"}},
               nullptr,
               {{"AWN", "NEU", L("B0815", 8) + L("P1", 8) + "X"},
                {"PNR", "AEN", L("P1", 8) + L("K12", 7) + "M" + "X"}}},
        Golden{"AWNAndPNRLongValuesLeaving",
               3,
               {{"PrvPnr", "'P2'"},
                {"PrvKst", "'KST4567890'"},
                {"PrvBer", "5"},  // no letter of its own: a space
                {"PrvAwn", "'B0816'"},
                {"PrvDna", "'LOE'"},
                {"PrvAwa", "3"}},
               nullptr,
               {{"AWN", "LOE", L("B0816", 8) + L("P2", 8) + "X"},
                {"PNR", "LOE", L("P2", 8) + "KST4567" + " " + "X"}}},
        Golden{"KST",
               4,
               {{"KstNum", "'K12'"}},
               nullptr,
               {{"KST", "NEU", L("K12", 7) + L("Kostenstelle", 25) + S(5) + "X"}}},
        Golden{"KSTLongValue",
               4,
               {{"KstNum", "'KST4567890'"}},
               nullptr,
               {{"KST", "NEU", "KST4567" + L("Kostenstelle", 25) + S(5) + "X"}}}),
    [](const auto& test) { return std::string(test.param.name); });

// ---- the loop rules: one failure of a download of two rows, row 1 to be deleted ("LOE"; a
// person leaving), row 2 to be unmarked

struct Failure {
  const char* name;
  void (*inject)(const MasterKind&, FaultBackend*, FaultEnv*);
  // Messages, as "function|text|code" with the kind's names filled in by Expect().
  std::vector<std::string> (*messages)(const MasterKind&);
  int lines;  // in rows' worth of lines
  bool first_done, second_done;
  int status;
};

void PrintTo(const Failure& f, std::ostream* os) {
  *os << f.name;
}

std::string M(const char* function, const char* text, const char* code) {
  return std::string(function) + "|" + text + "|" + code;
}

const Failure kFailures[] = {
    {"CursorOpen",
     [](const MasterKind& k, FaultBackend* d, FaultEnv*) {
       d->FailNth(FaultBackend::kExecute, k.cursor, 1, -942);
     },
     [](const MasterKind& k) {
       return std::vector<std::string>{M(k.function, k.open_failed, "-942")};
     },
     0, false, false, -942},
    {"FetchError",
     [](const MasterKind& k, FaultBackend* d, FaultEnv*) {
       d->FailNth(FaultBackend::kFetch, k.cursor, 2, -1114);
     },
     [](const MasterKind&) { return std::vector<std::string>{}; }, 1, true, false, 0},
    {"CursorClose",
     [](const MasterKind& k, FaultBackend* d, FaultEnv*) {
       d->FailNth(FaultBackend::kClose, k.cursor, 1, -1114);
     },
     [](const MasterKind&) { return std::vector<std::string>{}; }, 2, true, true, -1114},
    {"TerminalLookup",
     [](const MasterKind&, FaultBackend* d, FaultEnv*) {
       d->FailNth(FaultBackend::kExecute, "from Kvl557Cfg", 1, -942);
     },
     [](const MasterKind& k) {
       return std::vector<std::string>{M("ReadFile", "IP-Ermitteln", "-942"),
                                       M(k.function, k.send_failed, "-942")};
     },
     1, false, true, 0},
    // The first line of row 1 cannot be written: row 1 stays due (a person's second line is not
    // even tried), and the loop goes on with row 2.
    {"FirstLineWrite",
     [](const MasterKind&, FaultBackend*, FaultEnv* e) {
       e->FailNth(FaultEnv::kWrite, 1, kErrDiskFull, "SndDnl", 0);
     },
     [](const MasterKind& k) {
       return std::vector<std::string>{M("WrittenFile", "", "112"),
                                       M(k.function, k.send_failed, "-1")};
     },
     1, false, true, 0},
    // A failed re-read leaves the row as it is: still due, nothing wiped.
    {"ReadByKey",
     [](const MasterKind& k, FaultBackend* d, FaultEnv*) {
       d->FailNth(FaultBackend::kExecute, k.read, 1, -54);
     },
     [](const MasterKind& k) {
       return std::vector<std::string>{M(k.upd_function, k.read_failed, "-54")};
     },
     2, false, true, 0},
    {"Delete",
     [](const MasterKind& k, FaultBackend* d, FaultEnv*) {
       d->FailNth(FaultBackend::kExecute, k.remove, 1, -54);
     },
     [](const MasterKind& k) {
       return std::vector<std::string>{M(k.del_function, k.del_failed, "-54")};
     },
     2, false, true, 0},
    {"Update",
     [](const MasterKind& k, FaultBackend* d, FaultEnv*) {
       d->FailNth(FaultBackend::kExecute, k.update, 1, -1400);
     },
     [](const MasterKind& k) {
       return std::vector<std::string>{M(k.upd_function, k.upd_failed, "-1400")};
     },
     2, true, false, 0},
};

class FailureTest : public MasterDownloadTest,
                    public ::testing::WithParamInterface<std::tuple<MasterKind, Failure>> {};

TEST_P(FailureTest, RowFailsAloneAndStaysDue) {
  const auto& [k, f] = GetParam();
  const std::string p = k.prefix;
  Insert(k, p + "1", "LOE");
  Insert(k, p + "2", "AEN");
  const std::string content = Scalar(std::string("select ") + k.content + " from " + k.table);
  f.inject(k, db_, &files_);
  EXPECT_EQ(Run(k), f.status);
  EXPECT_EQ(MessageTexts(), f.messages(k));
  EXPECT_EQ(static_cast<int>(Lines(3).size()), f.lines * k.lines_per_row);
  EXPECT_EQ(State(k, p + "1"), f.first_done ? "gone" : "REQ1/LOE/" + content);
  EXPECT_EQ(State(k, p + "2"), f.second_done ? "//" + content : "REQ1/AEN/" + content);
}

INSTANTIATE_TEST_SUITE_P(MasterDnl, FailureTest,
                         ::testing::Combine(::testing::ValuesIn(kKinds),
                                            ::testing::ValuesIn(kFailures)),
                         [](const auto& test) {
                           return std::string(std::get<0>(test.param).name) +
                                  std::get<1>(test.param).name;
                         });

// ---- what a sent row looks like afterwards

class UnmarkTest : public MasterDownloadTest, public ::testing::WithParamInterface<MasterKind> {};

TEST_P(UnmarkTest, OnlyMarkerKindAndChangeDateChange) {
  const MasterKind& k = GetParam();
  const std::string key = std::string(k.prefix) + "1";
  const std::string t = k.tag;
  Insert(k, key, "NEU", {{t + "Awa", "1"}});  // a person who stays: PrvAwa 1
  const Row before = ReadRow(k.table, std::string(k.key) + "='" + key + "'");
  ASSERT_EQ(Run(k), 0);
  const Row after = ReadRow(k.table, std::string(k.key) + "='" + key + "'");
  EXPECT_EQ(Differences(before, after), t + "Dat," + t + "Dna," + t + "Dwn");
  EXPECT_EQ(after.at(t + "Dwn"), "");
  EXPECT_TRUE(MessageTexts().empty());
}

INSTANTIATE_TEST_SUITE_P(MasterDnl, UnmarkTest, ::testing::ValuesIn(kKinds),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_F(MasterDownloadTest, PersonWithdrawnFromTheAssignmentStaysWithoutIt) {
  const MasterKind& k = kKinds[3];
  Insert(k, "P1", "LOE", {{"PrvAwa", "1"}});
  const Row before = ReadRow(k.table, "PrvPnr='P1'");
  ASSERT_EQ(Run(k), 0);
  const Row after = ReadRow(k.table, "PrvPnr='P1'");
  EXPECT_EQ(Differences(before, after),
            "PrvAbi,PrvAnw,PrvApl,PrvApp,PrvAvn,PrvAwn,PrvDat,PrvDna,PrvDwn,PrvGbi,PrvGvo");
  for (const char* empty : {"PrvAbi", "PrvAvn", "PrvAwn", "PrvDna", "PrvDwn", "PrvGbi", "PrvGvo"}) {
    EXPECT_EQ(after.at(empty), "") << empty;
  }
  for (const char* zero : {"PrvAnw", "PrvApl", "PrvApp"}) EXPECT_EQ(after.at(zero), "0") << zero;
  const auto lines = Lines(3);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(90, 3) + lines[0].substr(108, 3), "AWNLOE");
  EXPECT_EQ(lines[1].substr(90, 3) + lines[1].substr(108, 3), "PNRAEN");
}

TEST_F(MasterDownloadTest, WorkplaceWithoutExactlyOneCurrentCostCentreIsNotSent) {
  const MasterKind& k = kKinds[1];
  // G5's only assignment ends today, which does not count; G6 has two current ones.
  Sql("insert into Kvl537Ksg (KsgApg,KsgGvo,KsgGbi,KsgKst) values "
      "('G5',julianday('2026-01-01'),julianday('2026-12-07'),'K2'),"
      "('G6',julianday('2026-01-01'),NULL,'K3'),('G6',julianday('2026-06-01'),NULL,'K4')");
  Insert(k, "W1", "AEN", {{"AplApg", "'G5'"}});
  Insert(k, "W2", "AEN", {{"AplApg", "'G6'"}});
  Insert(k, "W3", "AEN", {{"AplApg", "'G1'"}});
  ASSERT_EQ(Run(k), 0);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{M("Apl_Dnl", k.send_failed, "1403"),
                                                      M("Apl_Dnl", k.send_failed, "-2112")}));
  const auto lines = Lines(3);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(111, 10), "W3        ");
  EXPECT_EQ(State(k, "W1"), "REQ1/AEN/Bez");
  EXPECT_EQ(State(k, "W2"), "REQ1/AEN/Bez");
  EXPECT_EQ(State(k, "W3"), "//Bez");
}

TEST_F(MasterDownloadTest, CostCentresGoToEveryTypeOneAreaOnEveryRunAndChangeNothing) {
  AddTerminal(5, "10.1.2.5", "4005", "B", "BZ");
  Sql("insert into Kvl559Fbe (FbeFbe,FbeTyp) values ('B1',1),('A2',2)");
  Sql("insert into o1003Kststelle (KstNum) values ('K1'),('K2'),('K3')");
  const auto tables = [&] {
    auto rows = Query("select * from Kvl559Fbe");
    for (const std::string& r : Query("select * from o1003Kststelle")) rows.push_back(r);
    return rows;
  };
  const auto before = tables();
  for (int run = 1; run <= 2; ++run) {
    ASSERT_EQ(Ksg_Dnl("20261207", "093015", "REQ1"), 0);
    EXPECT_EQ(Lines(3).size(), 3u * run);  // area A1
    EXPECT_EQ(Lines(5).size(), 3u * run);  // area B1
  }
  EXPECT_EQ(Lines(3)[0], Lines(3)[3]);
  EXPECT_EQ(tables(), before);
  EXPECT_TRUE(MessageTexts().empty());

  // A line that cannot be written leaves only the writer's message, and the next goes out.
  files_.FailNth(FaultEnv::kWrite, 1, kErrDiskFull, "SndDnl", 0);
  ASSERT_EQ(Ksg_Dnl("20261207", "093015", "REQ1"), 0);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{M("WrittenFile", "", "112")});
  EXPECT_EQ(Lines(3).size() + Lines(5).size(), 17u);

  db_->FailNth(FaultBackend::kExecute, "from o1003Kststelle", 1, -942);
  EXPECT_EQ(Ksg_Dnl("20261207", "093015", "REQ1"), -942);
  EXPECT_EQ(MessageTexts().back(), M("Ksg_Dnl", "fehlerhafte Ksg_OpenDnl", "-942"));
}

TEST_F(MasterDownloadTest, NothingMarkedSendsNothing) {
  for (const MasterKind& k : kKinds) EXPECT_EQ(Run(k), 0) << k.name;
  EXPECT_EQ(Ksg_Dnl("20261207", "093015", "REQ1"), 0);
  EXPECT_FALSE(std::filesystem::exists(buffer_file(3)));
  EXPECT_TRUE(MessageTexts().empty());
}

}  // namespace
}  // namespace jf
