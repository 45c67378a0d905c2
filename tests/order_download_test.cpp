// The order downloads end to end against either backend: the lines in the send-buffer files, the
// rows afterwards, the messages, and every failure branch through the fault wrappers of both
// seams.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "db/sql/FaultBackend.h"
#include "db/sql/Session.h"
#include "download/DnlGroup.h"
#include "download/DnlLoop.h"
#include "download/Download.h"
#include "download/OrderDnl.h"
#include "download/SndBuf.h"
#include "driver/Prepare.h"
#include "msg/Msg.h"
#include "platform/FaultEnv.h"
#include "support/DownloadSite.h"

namespace jf {
namespace {

using sql::FaultBackend;

// Statement texts by what they do, as substrings of the statements the database modules run.
constexpr char kApkCursor[] = "where ApkDwn=:b0";
constexpr char kAppCursor[] = "where AppDwn=:b0";
constexpr char kCfgCursor[] = "from Kvl557Cfg";
constexpr char kApkRead[] = "from Kvl501Apk where ApkApk=:b0";
constexpr char kApkUpdate[] = "update KVL501Apk";
constexpr char kApkDelete[] = "delete  from Kvl501Apk";
constexpr char kAppRead[] = "where (AppApk=:b0 and AppApp=:b2)";
constexpr char kAppUpdate[] = "update KVL504App";
constexpr char kAppDelete[] = "delete  from Kvl504App";

const std::string kSendApk = "Fehler beim Senden von ApkS\xE4tze";
const std::string kSendApp = "Fehler beim Senden von AppS\xE4tze";

class OrderDownloadSite : public test::DownloadSiteTest {
 protected:
  // An order header marked for REQ1 with download kind dna in production area fbe.
  void Header(const std::string& apk, const std::string& fbe, const std::string& dna,
              const std::string& extra_cols = "", const std::string& extra_vals = "") {
    Sql("insert into Kvl501Apk (ApkApk,ApkFbe,ApkDna,ApkDwn,ApkAfo,ApkSts" + extra_cols +
        ") values ('" + apk + "','" + fbe + "'," + (dna.empty() ? "NULL" : "'" + dna + "'") +
        ",'REQ1',3,1" + extra_vals + ")");
  }
  void Position(const std::string& apk, const std::string& app, const std::string& fbe,
                const std::string& dna, const std::string& extra_cols = "",
                const std::string& extra_vals = "") {
    Sql("insert into Kvl504App (AppApk,AppApp,AppFbe,AppDna,AppDwn,AppSts" + extra_cols +
        ") values ('" + apk + "','" + app + "','" + fbe + "','" + dna + "','REQ1',1" + extra_vals +
        ")");
  }
  std::string Marker(const std::string& apk) {
    return Scalar(
        "select ifnull(ApkDwn,'') || '/' || ifnull(ApkDna,'') from Kvl501Apk where "
        "ApkApk='" +
        apk + "'");
  }
  std::string PosMarker(const std::string& apk, const std::string& app) {
    return Scalar(
        "select ifnull(AppDwn,'') || '/' || ifnull(AppDna,'') from Kvl504App where "
        "AppApk='" +
        apk + "' and AppApp='" + app + "'");
  }
  int Afo(const std::string& apk) {
    return std::stoi(Scalar("select ApkAfo from Kvl501Apk where ApkApk='" + apk + "'"));
  }
  int RunApk() { return Apk_Dnl("20261207", "093015", "REQ1"); }
  int RunApp() { return App_Dnl("20261207", "093015", "REQ1"); }
};

using OrderDownloadTest = test::OnEveryBackend<OrderDownloadSite>;

TEST_P(OrderDownloadTest, HeaderLinesCarryThePayloadAtItsOffsets) {
  const std::string cols =
      ",ApkBz1,ApkBz2,ApkTxt,ApkTnr,ApkTb1,ApkTb2,ApkMee,ApkZf1,ApkZf2,ApkZf3,"
      "ApkSme,ApkBgs,ApkEns";
  const std::string texts =
      ",'Bezeichnung 1','Bez2','Text123456','Teil-4711','TB1','TB2','Stk','Z1-abcdefghijk',"
      "'Z2','Z3-" +
      // Over-long where the database lets it in; a server keeps the column's width.
      std::string(backend() == test::BackendKind::kPostgres ? 27 : 40, 'z') + "'";
  Header("4711", "A1", "AEN", cols, texts + ",0,NULL,julianday('2026-01-31')");
  Header("4712", "A2", "NEU", cols, texts + ",125.5,julianday('2025-11-03'),NULL");
  Header("4713", "A3", "AEN", cols, texts + ",-125.5,NULL,NULL");
  Header("4714", "A4", "AEN", cols, texts + ",99999999.999,NULL,NULL");
  Header("4715", "A5", "", cols, texts + ",100000000,NULL,NULL");
  Sql("update Kvl501Apk set ApkSts=7 where ApkApk='4711'");
  Sql("update Kvl501Apk set ApkSts=10 where ApkApk='4712'");
  Sql("update Kvl501Apk set ApkSts=11 where ApkApk='4713'");

  ASSERT_EQ(RunApk(), 0);
  auto lines = Lines(3);
  ASSERT_EQ(lines.size(), 5u);
  const char* sme[] = {"00000000000", "00000125500", "-0000125500", "99999999999", "10000000000"};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(l.substr(0, 21), "$10.1.2.3       4001 ");
    EXPECT_EQ(l.substr(21, 14), "20261207101112");
    EXPECT_EQ(l.substr(90, 3), "APK");
    EXPECT_EQ(l.substr(93, 6), "261207");
    EXPECT_EQ(l.substr(99, 6), "093015");
    EXPECT_EQ(l.substr(549), "*\r\n");
    const std::string p = l.substr(111, 255);
    EXPECT_EQ(p.substr(0, 12), "471" + std::to_string(i + 1) + "        ");
    EXPECT_EQ(p.substr(12, 30), "Bezeichnung 1" + std::string(17, ' '));
    EXPECT_EQ(p.substr(42, 30), "Bez2" + std::string(26, ' '));
    EXPECT_EQ(p.substr(72, 8), "Text1234");
    EXPECT_EQ(p.substr(80, 20), "Teil-4711" + std::string(11, ' '));
    EXPECT_EQ(p.substr(100, 30), "TB1" + std::string(27, ' '));
    EXPECT_EQ(p.substr(130, 30), "TB2" + std::string(27, ' '));
    EXPECT_EQ(p.substr(160, 11), sme[i]);
    EXPECT_EQ(p.substr(171, 3), "Stk");
    EXPECT_EQ(p.substr(186, 5), "3    ");
    EXPECT_EQ(p.substr(192, 10), "Z1-abcdefg");
    EXPECT_EQ(p.substr(202, 20), "Z2" + std::string(18, ' '));
    EXPECT_EQ(p.substr(222, 30), "Z3-" + std::string(27, 'z'));
    EXPECT_EQ(p.substr(252, 3), "X  ");
    EXPECT_EQ(l.substr(366, 183), std::string(183, ' '));
  }
  EXPECT_EQ(lines[0].substr(111 + 174, 12), "      260131");
  EXPECT_EQ(lines[1].substr(111 + 174, 12), "251103      ");
  EXPECT_EQ(lines[0][111 + 191], '7');
  EXPECT_EQ(lines[1][111 + 191], '0');
  EXPECT_EQ(lines[2][111 + 191], '1');
  EXPECT_EQ(lines[0].substr(108, 3), "AEN");
  EXPECT_EQ(lines[1].substr(108, 3), "NEU");
  EXPECT_EQ(lines[4].substr(108, 3), "   ");
  EXPECT_TRUE(Messages().empty());
}

TEST_P(OrderDownloadTest, HeadersAreUnmarkedOrDeletedAfterSending) {
  Header("1", "A1", "AEN");
  Header("2", "A2", "LOE");
  Header("3", "A3", "");
  Header("4", "A4", "AEN");
  Sql("update Kvl501Apk set ApkDwn='OTHER' where ApkApk='4'");
  ASSERT_EQ(RunApk(), 0);
  EXPECT_EQ(Lines(3).size(), 3u);
  EXPECT_EQ(Marker("1"), "/");
  EXPECT_EQ(Scalar("select count(*) from Kvl501Apk where ApkApk='2'"), "0");
  EXPECT_EQ(Marker("3"), "/");
  EXPECT_EQ(Marker("4"), "OTHER/AEN");  // another requester's row is left alone
  EXPECT_EQ(Afo("1"), 3);               // only the marker and the kind change
}

TEST_P(OrderDownloadTest, AreasGoToTheirTerminalsFiles) {
  AddTerminal(5, "10.1.2.5", "4005", "B", "BZ");
  AddTerminal(12, "10.1.2.12", "4012", "C", "CZ");
  Header("1", "A1", "AEN");
  Header("2", "B1", "AEN");
  Header("3", "C1", "AEN");
  const int opens_before = files_.Calls(FaultEnv::kOpen);
  ASSERT_EQ(RunApk(), 0);
  EXPECT_EQ(Lines(3).size(), 1u);
  EXPECT_EQ(Lines(5).size(), 1u);
  ASSERT_EQ(Lines(12).size(), 1u);  // SndDnl12.buf: the whole number
  EXPECT_EQ(Lines(12)[0].substr(1, 15), "10.1.2.12      ");
  EXPECT_EQ(files_.Calls(FaultEnv::kOpen) - opens_before, 3);
}

TEST_P(OrderDownloadTest, AreasOfTerminalsThreeFiveThreeReopenTheFirstFile) {
  // One group for the three rows however slow the machine: a group that ends on its clock
  // lets go of its files early.
  const DnlGroupLimits limits = DnlGroupSettings();
  DnlGroupSettings().millis = kDnlGroupMaxMillis;
  AddTerminal(5, "10.1.2.5", "4005", "B", "BZ");
  Sql("update Kvl557Cfg set CfgVn2='C', CfgBi2='CZ' where CfgDta=3");
  Header("1", "A1", "AEN");
  Header("2", "B1", "AEN");
  Header("3", "C1", "AEN");
  ASSERT_EQ(RunApk(), 0);
  EXPECT_EQ(files_.Calls(FaultEnv::kOpen), 2);  // no messages: every open is a buffer file
  // The group of the three rows lets go of its files when it ends: another run may be waiting.
  EXPECT_EQ(files_.Calls(FaultEnv::kClose), 2);
  EXPECT_EQ(files_.Calls(FaultEnv::kSync), 2);
  EXPECT_EQ(Lines(3).size(), 2u);
  EXPECT_EQ(Lines(5).size(), 1u);
  DnlGroupSettings() = limits;
}

TEST_P(OrderDownloadTest, NothingMarkedSendsNothing) {
  EXPECT_EQ(RunApk(), 0);
  EXPECT_EQ(RunApp(), 0);
  EXPECT_FALSE(std::filesystem::exists(buffer_file(3)));
  EXPECT_TRUE(Messages().empty());
}

// The group settings come from the environment; one out of its range, or not a whole number,
// is logged and its default stands.
TEST_P(OrderDownloadTest, GroupSettingsOutOfRangeAreLoggedAndTheDefaultStands) {
  const char* settings[][2] = {{"1", "0"}, {"0", "-1"}, {"10001", "5x"}, {"", "10000"}};
  const int expected[][2] = {{1, 0}, {100, 50}, {100, 50}, {100, 10000}};
  for (int i = 0; i < 4; ++i) {
    ::setenv("JOBFEED_GROUP_ROWS", settings[i][0], 1);
    ::setenv("JOBFEED_GROUP_MS", settings[i][1], 1);
    DnlGroupConfigure();
    EXPECT_EQ(DnlGroupSettings().rows, expected[i][0]) << i;
    EXPECT_EQ(DnlGroupSettings().millis, expected[i][1]) << i;
  }
  ::unsetenv("JOBFEED_GROUP_ROWS");
  ::unsetenv("JOBFEED_GROUP_MS");
  DnlGroupConfigure();
  const char* texts[] = {"JOBFEED_GROUP_ROWS ungueltig (1 bis 10000), es gilt 100",
                         "JOBFEED_GROUP_MS ungueltig (0 bis 10000), es gilt 50"};
  const auto m = Messages();
  ASSERT_EQ(m.size(), 4u);
  for (std::size_t i = 0; i < m.size(); ++i) {
    EXPECT_EQ(m[i].function + " " + m[i].code + " " + m[i].message,
              std::string("main -1 ") + texts[i % 2]);
  }
}

TEST_P(OrderDownloadTest, AreaWithoutTerminalLeavesTheRowsMarked) {
  Header("1", "Q1", "AEN");
  Header("2", "Q2", "AEN");
  EXPECT_EQ(RunApk(), 0);
  auto m = Messages();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].function, "ReadFile");
  EXPECT_EQ(m[0].message, "IP-Ermitteln");
  EXPECT_EQ(m[0].code, "1403");
  EXPECT_EQ(m[1].function, "Apk_Dnl");
  EXPECT_EQ(m[1].message, kSendApk);
  EXPECT_EQ(m[1].code, "1403");
  EXPECT_EQ(Marker("1"), "REQ1/AEN");
  EXPECT_EQ(Marker("2"), "REQ1/AEN");
  EXPECT_TRUE(std::filesystem::is_empty(buffer_dir()));
}

// One failure of the header download: where it is injected, the messages it gives, the
// lines written, the state of the two rows afterwards and the status returned.
struct HeaderFailure {
  const char* name;
  void (*inject)(FaultBackend*, FaultEnv*);
  std::vector<std::vector<std::string>> messages;  // function, text, code
  std::size_t lines;
  const char* first;   // marker of row 1 afterwards ("gone" when deleted)
  const char* second;  // marker of row 2
  int status;
};

void PrintTo(const HeaderFailure& f, std::ostream* os) {
  *os << f.name;
}

using HeaderFailureTest = test::OnEveryBackendWith<OrderDownloadSite, HeaderFailure>;

TEST_P(HeaderFailureTest, StopsAsDescribed) {
  const HeaderFailure& f = test_case();
  Header("1", "A1", "LOE");
  Header("2", "A2", "AEN");
  f.inject(db_, &files_);
  EXPECT_EQ(RunApk(), f.status);
  auto m = Messages();
  ASSERT_EQ(m.size(), f.messages.size());
  for (std::size_t i = 0; i < m.size(); ++i) {
    EXPECT_EQ(m[i].function, f.messages[i][0]) << i;
    EXPECT_EQ(m[i].message, f.messages[i][1]) << i;
    EXPECT_EQ(m[i].code, f.messages[i][2]) << i;
  }
  EXPECT_EQ(Lines(3).size(), f.lines);
  const std::string first = Marker("1");
  EXPECT_EQ(first.empty() ? "gone" : first, f.first);
  EXPECT_EQ(Marker("2"), f.second);
}

JF_ON_EVERY_BACKEND_WITH(
    HeaderFailureTest,
    ::testing::Values(
        HeaderFailure{"CursorOpen",
                      [](FaultBackend* d, FaultEnv*) {
                        d->FailNth(FaultBackend::kExecute, kApkCursor, 1, -54);
                      },
                      {{"Apk_Dnl", "fehlerhafte Apk_OpenDnl", "-54"}},
                      0,
                      "REQ1/LOE",
                      "REQ1/AEN",
                      -54},
        HeaderFailure{"FetchError",
                      [](FaultBackend* d, FaultEnv*) {
                        d->FailNth(FaultBackend::kFetch, kApkCursor, 2, -1114);
                      },
                      {{"Apk_Dnl", "fehlerhafte Apk_FetchDnl", "-1114"}},
                      1,
                      "gone",
                      "REQ1/AEN",
                      0},
        HeaderFailure{"CursorClose",
                      [](FaultBackend* d, FaultEnv*) {
                        d->FailNth(FaultBackend::kClose, kApkCursor, 1, -1114);
                      },
                      {},
                      2,
                      "gone",
                      "/",
                      -1114},
        HeaderFailure{"TerminalCursor",
                      [](FaultBackend* d, FaultEnv*) {
                        d->FailNth(FaultBackend::kExecute, kCfgCursor, 1, -942);
                      },
                      {{"ReadFile", "IP-Ermitteln", "-942"}, {"Apk_Dnl", kSendApk, "-942"}},
                      0,
                      "REQ1/LOE",
                      "REQ1/AEN",
                      0},
        HeaderFailure{"TerminalFetch",
                      [](FaultBackend* d, FaultEnv*) {
                        d->FailNth(FaultBackend::kFetch, kCfgCursor, 1, -1114);
                      },
                      {{"ReadFile", "IP-Ermitteln", "-1114"}, {"Apk_Dnl", kSendApk, "-1114"}},
                      0,
                      "REQ1/LOE",
                      "REQ1/AEN",
                      0},
        HeaderFailure{"FileOpen",
                      [](FaultBackend*, FaultEnv* e) {
                        e->FailNth(FaultEnv::kOpen, 1, kErrAccessDenied, "SndDnl");
                      },
                      {{"CreateFile", "Datei oeffnen", "5"}, {"Apk_Dnl", kSendApk, "-1"}},
                      0,
                      "REQ1/LOE",
                      "REQ1/AEN",
                      0},
        HeaderFailure{"FileSeek",
                      [](FaultBackend*, FaultEnv* e) {
                        e->FailNth(FaultEnv::kSeek, 1, kErrIoDevice, "SndDnl");
                      },
                      {{"SetFilePointer", "Ende der Datei", "1117"}, {"Apk_Dnl", kSendApk, "-1"}},
                      0,
                      "REQ1/LOE",
                      "REQ1/AEN",
                      0},
        HeaderFailure{"FileWrite",
                      [](FaultBackend*, FaultEnv* e) {
                        e->FailNth(FaultEnv::kWrite, 2, kErrDiskFull, "SndDnl", 10);
                      },
                      {{"WrittenFile", "", "112"}, {"Apk_Dnl", kSendApk, "-1"}},
                      1,
                      "gone",
                      "REQ1/AEN",
                      0},
        // The row is locked and read before its line: a row that cannot be had sends nothing.
        HeaderFailure{"ReadByKey",
                      [](FaultBackend* d, FaultEnv*) {
                        d->FailNth(FaultBackend::kExecute, kApkRead, 1, -54);
                      },
                      {{"ApkDnl", "Fehler bei Apk_PKeyRead", "-54"}},
                      0,
                      "REQ1/LOE",
                      "REQ1/AEN",
                      0},
        // A deadlock undoes the row's unit, which runs again; only the last try's stands.
        HeaderFailure{"DeadlockOnce",
                      [](FaultBackend* d, FaultEnv*) {
                        d->FailNth(FaultBackend::kExecute, kApkRead, 1, -60);
                      },
                      {},
                      2,
                      "gone",
                      "/",
                      0},
        HeaderFailure{"DeadlockEveryTry",
                      [](FaultBackend* d,
                         FaultEnv*) { d->FailAlways(FaultBackend::kExecute, kApkRead, -60); },
                      {{"ApkDnl", "Fehler bei Apk_PKeyRead", "-60"}},
                      0,
                      "REQ1/LOE",
                      "REQ1/AEN",
                      0},
        HeaderFailure{"Delete",
                      [](FaultBackend* d,
                         FaultEnv*) { d->FailNth(FaultBackend::kExecute, kApkDelete, 1, -54); },
                      {{"ApkDnl", "Fehler bei Apk_PKeyUpd", "-54"}},
                      0,
                      "REQ1/LOE",
                      "REQ1/AEN",
                      0},
        HeaderFailure{"Update",
                      [](FaultBackend* d,
                         FaultEnv*) { d->FailNth(FaultBackend::kExecute, kApkUpdate, 1, -1400); },
                      {{"ApkDnl", "Fehler bei Apk_PKeyUpd", "-1400"}},
                      1,
                      "gone",
                      "REQ1/AEN",
                      0}));

TEST_P(OrderDownloadTest, PositionLinesCarryThePayloadAtItsOffsets) {
  const std::string cols =
      ",AppVaf,AppNaf,AppBz1,AppBz2,AppTxt,AppApg,AppMee,AppZf1,AppZf2,AppZf3,AppSme,AppIme,AppAme,"
      "AppStr,AppSte,AppSza,AppBds,AppEds";
  const std::string texts = ",'V1','N1','PBez1','PBez2','PText12345','GRP-1','kg','Z1','Z2','Z3'";
  Position("4711", "10", "A1", "AEN", cols,
           texts + ",12.5,125.5,-125.5,12.5,12.345,123456.5,julianday('2026-03-04'),NULL");
  Position("4711", "20", "A2", "STA", cols,
           texts + ",0,99999999.999,100000000,0,-12.5,98765.4321,NULL,julianday('2027-01-02')");
  Sql("update Kvl504App set AppSts=10 where AppApp='10'");
  Sql("update Kvl504App set AppSts=7 where AppApp='20'");

  ASSERT_EQ(RunApp(), 0);
  auto lines = Lines(3);
  ASSERT_EQ(lines.size(), 2u);
  for (const std::string& l : lines) {
    EXPECT_EQ(l.substr(90, 3), "APP");
    EXPECT_EQ(l.substr(93, 6), "261207");
    EXPECT_EQ(l.substr(549), "*\r\n");
    const std::string p = l.substr(111, 257);
    EXPECT_EQ(p.substr(0, 12), "4711        ");
    EXPECT_EQ(p.substr(17, 30), "PBez1" + std::string(25, ' '));
    EXPECT_EQ(p.substr(47, 30), "PBez2" + std::string(25, ' '));
    EXPECT_EQ(p.substr(77, 8), "PText123");
    EXPECT_EQ(p.substr(85, 10), "GRP-1     ");
    EXPECT_EQ(p.substr(106, 3), "kg ");
    EXPECT_EQ(p.substr(142, 10), "V1   N1   ");
    EXPECT_EQ(p.substr(153, 10), "Z1        ");
    EXPECT_EQ(p.substr(163, 20), "Z2" + std::string(18, ' '));
    EXPECT_EQ(p.substr(183, 30), "Z3" + std::string(28, ' '));
    EXPECT_EQ(p.substr(235, 22), std::string(11, ' ') + "X" + std::string(10, ' '));
    EXPECT_EQ(l.substr(368, 181), std::string(181, ' '));
  }
  const std::string a = lines[0].substr(111, 257);
  const std::string b = lines[1].substr(111, 257);
  EXPECT_EQ(a.substr(12, 5), "10   ");
  EXPECT_EQ(a.substr(95, 11), "00000012500");
  EXPECT_EQ(a.substr(109, 21),
            "0001250"
            "0001234"
            "2345650");
  EXPECT_EQ(a.substr(130, 12), "260304      ");
  EXPECT_EQ(a[152], '0');
  EXPECT_EQ(a.substr(213, 22), "00000125500-0000125500");
  EXPECT_EQ(b.substr(95, 11), "00000000000");
  EXPECT_EQ(b.substr(109, 21),
            "0000000"
            "0001250"
            "9876543");
  EXPECT_EQ(b.substr(130, 12), "      270102");
  EXPECT_EQ(b[152], '7');
  EXPECT_EQ(b.substr(213, 22), "9999999999910000000000");
  EXPECT_EQ(lines[1].substr(108, 3), "STA");
}

TEST_P(OrderDownloadTest, PositionCountFollowsNewAndDeletedPositions) {
  Header("4711", "A1", "AEN");
  Sql("update Kvl501Apk set ApkDwn=NULL");  // only the positions are due
  Position("4711", "10", "A1", "NEU");
  Position("4711", "20", "A1", "LOE");
  Position("4711", "30", "A1", "AEN");
  Position("4711", "40", "A1", "STA");
  ASSERT_EQ(RunApp(), 0);
  EXPECT_EQ(Lines(3).size(), 4u);
  EXPECT_EQ(Afo("4711"), 3);  // +1 -1
  EXPECT_EQ(PosMarker("4711", "10"), "/");
  EXPECT_EQ(Scalar("select count(*) from Kvl504App where AppApp='20'"), "0");
  EXPECT_EQ(PosMarker("4711", "30"), "/");
  EXPECT_EQ(PosMarker("4711", "40"), "/");

  Position("4711", "50", "A1", "NEU");
  ASSERT_EQ(RunApp(), 0);
  EXPECT_EQ(Afo("4711"), 4);
  EXPECT_TRUE(Messages().empty());
}

TEST_P(OrderDownloadTest, PositionsOfAHeaderDeletedInTheSameRunStopTheLoop) {
  Header("4711", "A1", "LOE");
  Position("4711", "10", "A1", "LOE");
  Position("4711", "20", "A1", "LOE");
  ASSERT_EQ(RunApk(), 0);
  ASSERT_EQ(RunApp(), 0);
  EXPECT_EQ(Lines(3).size(), 2u);  // the header and the first position
  EXPECT_EQ(Scalar("select count(*) from Kvl501Apk"), "0");
  EXPECT_EQ(Scalar("select count(*) from Kvl504App where AppApp='10'"), "0");
  EXPECT_EQ(PosMarker("4711", "20"), "REQ1/LOE");
  EXPECT_TRUE(Messages().empty());
}

// The order run through a header and a position whose every text column holds characters
// Windows-1252 lacks: the preparation, the downloads and the position count change what they
// mean to change, and every other column stays as stored.
TEST_P(OrderDownloadTest, RunChangesOnlyWhatItMeansToChange) {
  Row head = Unrepresentable("Kvl501Apk");
  for (auto [c, v] : Row{{"ApkApk", "'4711'"},
                         {"ApkFbe", "'A1'"},
                         {"ApkDwn", "NULL"},
                         {"ApkDna", "NULL"},
                         {"ApkSts", "1"}}) {
    head[c] = v;
  }
  InsertFull("Kvl501Apk", head);
  for (const char* app : {"10", "20"}) {
    Row pos = Unrepresentable("Kvl504App");
    for (auto [c, v] : Row{{"AppApk", "'4711'"},
                           {"AppApp", std::string("'") + app + "'"},
                           {"AppFbe", "'A1'"},
                           {"AppDwn", "NULL"},
                           {"AppDna", "NULL"},
                           {"AppSts", "1"},
                           {"AppSis", "0"}}) {
      pos[c] = v;
    }
    InsertFull("Kvl504App", pos);
  }
  Sql("update Kvl504App set AppDwn='REQ1', AppDna='NEU' where AppApp='20'");
  const Row h0 = ReadRow("Kvl501Apk", "1=1");
  const Row p10 = ReadRow("Kvl504App", "AppApp='10'");
  const Row p20 = ReadRow("Kvl504App", "AppApp='20'");

  Text<8> requester("REQ1");
  Text<5> action("SPERR");
  EXPECT_EQ(PrepareOrderHeader("4711", requester), 0);
  EXPECT_EQ(RunApk(), 0);
  EXPECT_EQ(PreparePosition("4711", "10", requester, action), 0);
  EXPECT_EQ(RunApp(), 0);

  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(Differences(h0, ReadRow("Kvl501Apk", "1=1")), "ApkAfo,ApkDat");
  EXPECT_EQ(Differences(p10, ReadRow("Kvl504App", "AppApp='10'")), "AppDat,AppSis,AppSts");
  EXPECT_EQ(Differences(p20, ReadRow("Kvl504App", "AppApp='20'")), "AppDat,AppDna,AppDwn");
  const auto lines = Lines(3);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].substr(111 + 12, 6),
            "??\xE4"
            "Bz1")
      << "the line carries the code page";
}

// A count that would leave its 16 bits fails the position, which stays due; nothing wraps.
TEST_P(OrderDownloadTest, PositionCountAtItsLimitFailsThePosition) {
  Header("4711", "A1", "AEN");
  Sql("update Kvl501Apk set ApkDwn=NULL, ApkAfo=32767");
  Position("4711", "10", "A1", "NEU");
  ASSERT_EQ(RunApp(), 0);
  EXPECT_EQ(Afo("4711"), 32767);
  EXPECT_EQ(PosMarker("4711", "10"), "REQ1/NEU");
  EXPECT_TRUE(Lines(3).empty());
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"App_Frei|Fehler bei Apk_PKeyUpd|-1455"}));
  EXPECT_NE(test::ReadBytes(msg_file()).find("ApkAfo 32768 Auftrag 4711"), std::string::npos);

  Sql("update Kvl501Apk set ApkAfo=-32768");
  Sql("update Kvl504App set AppDna='LOE'");
  ASSERT_EQ(RunApp(), 0);
  EXPECT_EQ(Afo("4711"), -32768);
  EXPECT_EQ(PosMarker("4711", "10"), "REQ1/LOE");
  EXPECT_TRUE(Lines(3).empty());
}

// The same inside a batch, where the positions after a group's first take the count their header
// was read with and what the positions before them added: the one that leaves the 16 bits fails
// alone, the ones before it go with their counts, and the order download stops there.
TEST_P(OrderDownloadTest, PositionCountLeavingItsBitsInsideABatchStopsAtThatPosition) {
  Header("4711", "A1", "AEN");
  Sql("update Kvl501Apk set ApkDwn=NULL, ApkAfo=32765");
  for (const char* app : {"10", "20", "30", "40", "50"}) {
    Position("4711", app, "A1", std::string(app) == "10" ? "AEN" : "NEU");
  }
  ASSERT_EQ(RunApp(), 0);
  EXPECT_EQ(Afo("4711"), 32767);
  EXPECT_EQ(Lines(3).size(), 3u);
  for (const char* app : {"10", "20", "30"}) EXPECT_EQ(PosMarker("4711", app), "/") << app;
  for (const char* app : {"40", "50"}) EXPECT_EQ(PosMarker("4711", app), "REQ1/NEU") << app;
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"App_Frei|Fehler bei Apk_PKeyUpd|-1455"}));
  EXPECT_NE(test::ReadBytes(msg_file()).find("ApkAfo 32768 Auftrag 4711"), std::string::npos);
}

// Control bytes of a database text cannot forge a record: they go out as "?" and every line is
// one line.
TEST_P(OrderDownloadTest, ControlBytesOfTextsGoOutAsQuestionMarks) {
  Sql("update Kvl557Cfg set CfgIP='10.1\r\n$X' where CfgDta=3");
  Header("4711", "A1", "AEN", ",ApkBz1,ApkTxt", ",'AB\r\n$FAKE*\r\n','\t\x01\x7F'");
  ASSERT_EQ(RunApk(), 0);
  const auto lines = Lines(3);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(SndBuf_LineShaped(lines[0]));
  EXPECT_EQ(lines[0].substr(1, 15), "10.1??$X       ");
  EXPECT_EQ(lines[0].substr(111 + 12, 14), "AB??$FAKE*??  ");
  EXPECT_EQ(lines[0].substr(111 + 72, 4), "??? ");
}

// One failure of the position download, on a run of a NEU position and an AEN position.
struct PositionFailure {
  const char* name;
  const char* first_kind;
  void (*inject)(FaultBackend*, FaultEnv*);
  std::vector<std::vector<std::string>> messages;
  std::size_t lines;
  const char* first;  // marker of position 10 afterwards ("gone" when deleted)
  const char* second;
  int afo;  // the header's count afterwards (3 before)
  int status;
};

void PrintTo(const PositionFailure& f, std::ostream* os) {
  *os << f.name;
}

using PositionFailureTest = test::OnEveryBackendWith<OrderDownloadSite, PositionFailure>;

TEST_P(PositionFailureTest, StopsAsDescribed) {
  const PositionFailure& f = test_case();
  Header("4711", "A1", "AEN");
  Sql("update Kvl501Apk set ApkDwn=NULL");
  Position("4711", "10", "A1", f.first_kind);
  Position("4711", "20", "A2", "AEN");
  f.inject(db_, &files_);
  EXPECT_EQ(RunApp(), f.status);
  auto m = Messages();
  ASSERT_EQ(m.size(), f.messages.size());
  for (std::size_t i = 0; i < m.size(); ++i) {
    EXPECT_EQ(m[i].function, f.messages[i][0]) << i;
    EXPECT_EQ(m[i].message, f.messages[i][1]) << i;
    EXPECT_EQ(m[i].code, f.messages[i][2]) << i;
  }
  EXPECT_EQ(Lines(3).size(), f.lines);
  const std::string first = PosMarker("4711", "10");
  EXPECT_EQ(first.empty() ? "gone" : first, f.first);
  EXPECT_EQ(PosMarker("4711", "20"), f.second);
  EXPECT_EQ(Afo("4711"), f.afo);
}

JF_ON_EVERY_BACKEND_WITH(
    PositionFailureTest,
    ::testing::Values(PositionFailure{"CursorOpen",
                                      "NEU",
                                      [](FaultBackend* d, FaultEnv*) {
                                        d->FailNth(FaultBackend::kExecute, kAppCursor, 1, -942);
                                      },
                                      {{"App_Dnl", "fehlerhafte App_OpenDnl", "-942"}},
                                      0,
                                      "REQ1/NEU",
                                      "REQ1/AEN",
                                      3,
                                      -942},
                      PositionFailure{"FetchError",
                                      "NEU",
                                      [](FaultBackend* d, FaultEnv*) {
                                        d->FailNth(FaultBackend::kFetch, kAppCursor, 2, -1114);
                                      },
                                      {{"App_Dnl", "fehlerhafte App_FetchDnl", "-1114"}},
                                      1,
                                      "/",
                                      "REQ1/AEN",
                                      4,
                                      0},
                      PositionFailure{"FileWrite",
                                      "NEU",
                                      [](FaultBackend*, FaultEnv* e) {
                                        e->FailNth(FaultEnv::kWrite, 1, kErrDiskFull, "SndDnl", 0);
                                      },
                                      {{"WrittenFile", "", "112"}, {"App_Dnl", kSendApp, "-1"}},
                                      0,
                                      "REQ1/NEU",
                                      "REQ1/AEN",
                                      3,
                                      0},
                      PositionFailure{"Delete",
                                      "LOE",
                                      [](FaultBackend* d, FaultEnv*) {
                                        d->FailNth(FaultBackend::kExecute, kAppDelete, 1, -54);
                                      },
                                      {{"App_Frei", "Fehler bei Apk_PKeyDel", "-54"}},
                                      0,
                                      "REQ1/LOE",
                                      "REQ1/AEN",
                                      3,
                                      0},
                      // The position is locked and read before its line: nothing goes out.
                      PositionFailure{"LockedTooLong",
                                      "NEU",
                                      [](FaultBackend* d, FaultEnv*) {
                                        d->FailNth(FaultBackend::kExecute, kAppRead, 1, -54);
                                      },
                                      {{"App_Frei", "Fehler bei App_PKeyRead", "-54"}},
                                      0,
                                      "REQ1/NEU",
                                      "REQ1/AEN",
                                      3,
                                      0},
                      PositionFailure{"Update",
                                      "NEU",
                                      [](FaultBackend* d, FaultEnv*) {
                                        d->FailNth(FaultBackend::kExecute, kAppUpdate, 1, -1400);
                                      },
                                      {{"APP_Frei", "Fehler bei App_PKeyUpd", "-1400"}},
                                      0,
                                      "REQ1/NEU",
                                      "REQ1/AEN",
                                      3,
                                      0},
                      PositionFailure{"HeaderReadForCount",
                                      "NEU",
                                      [](FaultBackend* d, FaultEnv*) {
                                        d->FailNth(FaultBackend::kExecute, kApkRead, 1, -54);
                                      },
                                      {{"App_Frei", "Fehler bei Apk_PKeyRead", "-54"}},
                                      0,
                                      // The count could not follow: the position stays due.
                                      "REQ1/NEU",
                                      "REQ1/AEN",
                                      3,
                                      0},
                      // The order header is locked after its position: a deadlock there
                      // undoes the position too, and the unit runs again.
                      PositionFailure{"DeadlockOnHeaderOnce",
                                      "NEU",
                                      [](FaultBackend* d, FaultEnv*) {
                                        d->FailNth(FaultBackend::kExecute, kApkRead, 1, -60);
                                      },
                                      {},
                                      2,
                                      "/",
                                      "/",
                                      4,
                                      0},
                      PositionFailure{"DeadlockOnHeaderEveryTry",
                                      "LOE",
                                      [](FaultBackend* d, FaultEnv*) {
                                        d->FailAlways(FaultBackend::kExecute, kApkRead, -60);
                                      },
                                      {{"App_Frei", "Fehler bei Apk_PKeyRead", "-60"}},
                                      0,
                                      "REQ1/LOE",
                                      "REQ1/AEN",
                                      3,
                                      0},
                      PositionFailure{"HeaderUpdateForCount",
                                      "LOE",
                                      [](FaultBackend* d, FaultEnv*) {
                                        d->FailNth(FaultBackend::kExecute, kApkUpdate, 1, -54);
                                      },
                                      {{"App_Frei", "Fehler bei Apk_PKeyUpd", "-54"}},
                                      0,
                                      "REQ1/LOE",
                                      "REQ1/AEN",
                                      3,
                                      0}));

JF_ON_EVERY_BACKEND(OrderDownloadTest);

TEST(OrderRecord, RecordFieldsOfHeadersAndPositions) {
  ApkDnlRecord h;
  h.ApkApk = "4711";
  h.ApkDna = "AEN";
  DnlRecord r;
  ASSERT_EQ(Apk_Build(&r, h, "InfToGen"), 0);
  EXPECT_EQ(r.DnlVkz, "WDH");
  EXPECT_EQ(r.DnlBer, "BDE  ");
  EXPECT_EQ(r.DnlFun, "AEN");
  EXPECT_EQ(r.DnlSkz, "APK");
  EXPECT_EQ(r.DnlPnr, "        ");
  EXPECT_EQ(r.DnlApk, "4711");
  EXPECT_EQ(r.DnlApp, "     ");
  EXPECT_EQ(r.DnlApl, "          ");
  EXPECT_TRUE(r.DnlDat.empty());
  EXPECT_EQ(r.DnlDnl.size(), 255u);
  for (const char* other : {"inftogen", "InfToGe", "REQ1", ""}) {
    DnlRecord o;
    Apk_Build(&o, h, other);
    EXPECT_EQ(o.DnlVkz, "NEU") << other;
  }

  AppDnlRecord p;
  p.AppApk = "4711";
  p.AppApp = "10";
  p.AppDna = "NEU";
  DnlRecord q;
  ASSERT_EQ(App_Build(&q, p, "InfToGen"), 0);
  EXPECT_EQ(q.DnlVkz, "WDH");
  EXPECT_EQ(q.DnlSkz, "APP");
  EXPECT_EQ(q.DnlFun, "NEU");
  EXPECT_EQ(q.DnlApp, "10");
  EXPECT_EQ(q.DnlApk, "4711");
  EXPECT_EQ(q.DnlDnl.size(), 257u);
}

// The loop itself, with a fake cursor, writer and table. The table holds each row's marker and
// version as the row's unit finds them under its lock; the cursor delivers rows 1 to g_rows.
struct FakeRow {
  int n = 0;
  int version = 1;
  std::string marker = "REQ1";
};
int g_rows = 0;
int g_next = 0;
std::map<int, FakeRow> g_table;  // rows as they stand now; a missing one is gone
std::vector<DnlRecord> g_sent;
std::vector<std::string> g_fail_send;  // lines the writer refuses, by DnlApk
int g_updates = 0;
std::vector<std::string> g_units;  // "begin", "keep", "undo"
std::vector<int> g_lock_failures;

int FakeOpen(const char*) {
  g_next = 0;
  return 0;
}
int FakeFetch(FakeRow* r) {
  if (g_next >= g_rows) return 1403;
  *r = FakeRow{++g_next};
  return 0;
}
int FakeClose() {
  return 0;
}
int FakeBuild(DnlRecord* rec, const FakeRow& row, std::string_view) {
  rec->DnlApk = std::to_string(row.n);
  rec->DnlApl = "v" + std::to_string(row.version);
  return 0;
}
const char* FakeArea(const FakeRow&) {
  return "A";
}
int FakeBuildSecond(DnlRecord* rec, const FakeRow& row, std::string_view) {
  rec->DnlApk = std::to_string(row.n) + "b";
  return 0;
}
int FakeLock(FakeRow* row) {
  const auto it = g_table.find(row->n);
  if (it == g_table.end()) return 1403;
  *row = it->second;
  return 0;
}
int FakeUpdate(const FakeRow& row) {
  ++g_updates;
  g_table[row.n].marker.clear();
  return 0;
}
int FakeSend(DnlRecord rec, const char*) {
  for (const std::string& n : g_fail_send) {
    if (rec.DnlApk == n) return -1;
  }
  g_sent.push_back(rec);
  return 0;
}

DnlLoop<FakeRow> FakeLoop(bool go_on) {
  g_table.clear();
  for (int n = 1; n <= g_rows; ++n) g_table[n] = FakeRow{n};
  g_sent.clear();
  g_updates = 0;
  g_units.clear();
  g_lock_failures.clear();
  auto d =
      CursorLoop<FakeRow>(FakeOpen, FakeFetch, FakeClose, FakeSend, "Fake_Dnl", "open", "send");
  d.build = FakeBuild;
  d.area = FakeArea;
  d.unit = "Fake";
  d.lock = FakeLock;
  d.lockFailed = [](const FakeRow&, int rc) { g_lock_failures.push_back(rc); };
  d.marker = [](const FakeRow& r) { return std::string_view(r.marker); };
  d.update = FakeUpdate;
  d.seams.begin = [](const char*) {
    g_units.push_back("begin");
    return 0;
  };
  d.seams.end = [](bool keep) {
    g_units.push_back(keep ? "keep" : "undo");
    return 0;
  };
  d.continueAfterRowFailure = go_on;
  return d;
}

TEST(DnlLoopTest, RunningNumberCountsInSixteenOrThirtyTwoBitsAndRestartsPerCall) {
  g_fail_send.clear();
  for (bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "32 bits" : "16 bits");
    g_rows = 32769;
    auto d = FakeLoop(false);
    d.wideRunningNumber = wide;
    ASSERT_EQ(RunDnlLoop(d, "20261207", "093015", "REQ1"), 0);
    ASSERT_EQ(g_sent.size(), 32769u);
    EXPECT_EQ(g_sent[0].DnlLfn, 1);
    EXPECT_EQ(g_sent[32766].DnlLfn, 32767);
    EXPECT_EQ(g_sent[32767].DnlLfn, wide ? 32768 : -32768);
    EXPECT_EQ(g_sent[0].date, "20261207");
    EXPECT_EQ(g_sent[0].time, "093015");
    EXPECT_EQ(g_sent[0].DnlErf, "REQ1");
    g_rows = 1;
    d = FakeLoop(false);
    d.wideRunningNumber = wide;
    RunDnlLoop(d, "20261207", "093015", "REQ1");
    EXPECT_EQ(g_sent.at(0).DnlLfn, 1);
  }
}

TEST(DnlLoopTest, SecondLineFollowsTheFirstAndTheRowIsUpdatedOnlyWhenBothWentOut) {
  for (bool regardless : {false, true}) {
    g_rows = 3;
    g_fail_send = {"2", "3b"};
    auto d = FakeLoop(true);
    d.buildSecond = FakeBuildSecond;
    d.secondAfterFailedFirst = regardless;
    RunDnlLoop(d, "20261207", "093015", "REQ1");
    std::string sent;
    for (const DnlRecord& r : g_sent) sent += std::string(r.DnlApk.c_str()) + " ";
    // Row 2's second line goes out only when asked for despite its failed first line.
    EXPECT_EQ(sent, regardless ? "1 1b 2b 3 " : "1 1b 3 ");
    EXPECT_EQ(g_sent[1].DnlLfn, 1);  // both lines of a row carry its number
    EXPECT_EQ(g_sent.back().DnlLfn, 3);
    // Rows 2 and 3 are unmarked before their lines are written; their units are undone.
    EXPECT_EQ(g_units,
              (std::vector<std::string>{"begin", "keep", "begin", "undo", "begin", "undo"}));
  }
  g_fail_send.clear();
}

TEST(DnlLoopTest, RowFailureStopsOrderLoopsButNotMasterDataLoops) {
  g_rows = 3;
  g_fail_send = {"2"};
  RunDnlLoop(FakeLoop(false), "20261207", "093015", "REQ1");
  EXPECT_EQ(g_sent.size(), 1u);
  EXPECT_EQ(g_units, (std::vector<std::string>{"begin", "keep", "begin", "undo"}));
  RunDnlLoop(FakeLoop(true), "20261207", "093015", "REQ1");
  ASSERT_EQ(g_sent.size(), 2u);
  EXPECT_EQ(g_sent[1].DnlApk, "3");
  EXPECT_EQ(g_sent[1].DnlLfn, 3);  // the failed row still took its number
  EXPECT_EQ(std::count(g_units.begin(), g_units.end(), "keep"), 2);
  g_fail_send.clear();
}

// A group's end conditions. Its events, one letter each: unit begun (b), kept (k) or undone (u);
// the group's lines flushed (F), its units committed (C) or rolled back (R).
std::string g_events;
int64_t g_now = 0;            // the group clock, moved on by every locked row
bool g_holding = false;       // whether the row runs while its group holds others
bool g_flush_fails = false;   // the next flush fails
std::vector<int> g_busy;      // rows held elsewhere: their lock fails when it may not wait
std::vector<int> g_deadlock;  // rows whose next lock meets a deadlock

DnlLoop<FakeRow> GroupLoop(bool go_on, int rows, int millis) {
  auto d = FakeLoop(go_on);
  g_events.clear();
  g_now = 0;
  DnlGroupSettings() = DnlGroupLimits{rows, millis};
  d.seams.begin = [](const char*) { return g_events += 'b', 0; };
  d.seams.end = [](bool keep) { return g_events += keep ? 'k' : 'u', 0; };
  d.lock = [](FakeRow* row) {
    g_now += 20;
    if (g_holding && std::count(g_busy.begin(), g_busy.end(), row->n)) return -54;
    if (const auto it = std::find(g_deadlock.begin(), g_deadlock.end(), row->n);
        it != g_deadlock.end()) {
      g_deadlock.erase(it);
      return -60;
    }
    return FakeLock(row);
  };
  d.seams.flush = [] { return g_events += 'F', std::exchange(g_flush_fails, false) ? -1 : 0; };
  d.seams.commit = [](bool keep) { return g_events += keep ? 'C' : 'R', 0; };
  d.seams.hold = [](bool holding) { g_holding = holding; };
  d.seams.clock = [] { return g_now; };
  return d;
}

TEST(DnlLoopTest, GroupsEndAfterTheirRowsTheirTimeTheLastRowAndAFailure) {
  g_fail_send.clear();
  g_rows = 7;
  RunDnlLoop(GroupLoop(false, 3, 1000), "20261207", "093015", "REQ1");
  EXPECT_EQ(g_events, "bkbkbkFCbkbkbkFCbkFC");
  EXPECT_EQ(g_sent.size(), 7u);
  RunDnlLoop(GroupLoop(false, 1, 1000), "20261207", "093015", "REQ1");
  EXPECT_EQ(g_events, "bkFCbkFCbkFCbkFCbkFCbkFCbkFC") << "a group of one row: a commit a row";
  RunDnlLoop(GroupLoop(false, 100, 50), "20261207", "093015", "REQ1");  // 20 ms a row
  EXPECT_EQ(g_events, "bkbkbkFCbkbkbkFCbkFC");

  // A failing row ends its group: an order download stops after it, a master data one goes on.
  g_rows = 4;
  g_fail_send = {"2"};
  RunDnlLoop(GroupLoop(false, 100, 1000), "20261207", "093015", "REQ1");
  EXPECT_EQ(g_events, "bkbuFC");
  RunDnlLoop(GroupLoop(true, 100, 1000), "20261207", "093015", "REQ1");
  EXPECT_EQ(g_events, "bkbuFCbkbkFC");
  g_fail_send.clear();

  // A flush that fails rolls its group back: every row stays due; an order download stops.
  g_flush_fails = true;
  RunDnlLoop(GroupLoop(false, 2, 1000), "20261207", "093015", "REQ1");
  EXPECT_EQ(g_events, "bkbkFR");
  g_flush_fails = true;
  RunDnlLoop(GroupLoop(true, 2, 1000), "20261207", "093015", "REQ1");
  EXPECT_EQ(g_events, "bkbkFRbkbkFC");
}

// What a group's rows log reaches the message file only once the group has committed, so a busy
// message file is never waited for with rows locked. A stopped run ends its group after the row
// in hand, committing what went out, and leaves the rest due.
using DnlLoopSiteTest = test::SiteTest;

TEST_F(DnlLoopSiteTest, EntriesWaitForTheGroupsEndAndAStopEndsTheGroupAfterTheRowInHand) {
  std::filesystem::create_directory("Msg");
  Msg_Init(7, ".\\Msg\\Jobfeed.txt");
  g_rows = 6;
  g_fail_send = {"2"};
  auto d = GroupLoop(true, 100, 1000);
  static int entries_at_commit = -1;
  d.seams.commit = [](bool keep) {
    if (entries_at_commit < 0) entries_at_commit = Msg_EntryCount();
    return g_events += keep ? 'C' : 'R', 0;
  };
  d.seams.stopped = [] { return g_sent.size() >= 3 ? 15 : 0; };
  EXPECT_EQ(RunDnlLoop(d, "20261207", "093015", "REQ1"), 0);
  EXPECT_EQ(g_events, "bkbuFCbkbkFC");
  EXPECT_EQ(g_sent.size(), 3u);
  EXPECT_EQ(g_table[5].marker, "REQ1") << "rows after the stop stay due";
  EXPECT_EQ(entries_at_commit, 0);
  EXPECT_EQ(Msg_EntryCount(), 1);
  g_fail_send.clear();
  Msg_ResetForTest();
}

// A row whose lock another process holds while its group holds others is not waited for: the
// group ends, and the row goes again first in the next group, where it may wait.
TEST(DnlLoopTest, ARowHeldElsewhereEndsTheGroupAndGoesAgainFirst) {
  g_fail_send.clear();
  g_rows = 3;
  g_busy = {2};
  RunDnlLoop(GroupLoop(false, 100, 1000), "20261207", "093015", "REQ1");
  g_busy.clear();
  EXPECT_EQ(g_events, "bkbuFCbkbkFC");
  EXPECT_EQ(g_sent.size(), 3u);
  EXPECT_TRUE(g_lock_failures.empty());
  EXPECT_FALSE(g_holding) << "the loop leaves the session waiting again";

  // A deadlock leaves the transaction's locks, and whoever queues behind them, in place until
  // the transaction ends: a first row rolls it back before its next try, a later row ends the
  // group and goes again first.
  g_deadlock = {1};
  RunDnlLoop(GroupLoop(false, 100, 1000), "20261207", "093015", "REQ1");
  EXPECT_EQ(g_events, "buRbkbkbkFC");
  g_deadlock = {2};
  RunDnlLoop(GroupLoop(false, 100, 1000), "20261207", "093015", "REQ1");
  EXPECT_EQ(g_events, "bkbuFCbkbkFC");
  EXPECT_EQ(g_sent.size(), 3u);
  EXPECT_TRUE(g_lock_failures.empty());
}

// What the unit finds under its lock decides: the row's current version goes out while it is
// marked for the requester; a row that is gone, or marked for someone else (or sent and unmarked
// by another run), sends nothing, changes nothing and is no failure.
TEST(DnlLoopTest, TheLockedVersionDecidesWhatGoesOut) {
  g_rows = 5;
  g_fail_send.clear();
  auto d = FakeLoop(false);
  g_table[2].version = 2;       // changed and marked again after the cursor opened
  g_table[3].marker = "OTHER";  // marked for another requester since
  g_table.erase(4);             // deleted by another run
  g_table[5].marker.clear();    // sent and unmarked by another run
  EXPECT_EQ(RunDnlLoop(d, "20261207", "093015", "REQ1"), 0);
  ASSERT_EQ(g_sent.size(), 2u);
  EXPECT_EQ(g_sent[0].DnlApl, "v1");
  EXPECT_EQ(g_sent[1].DnlApk, "2");
  EXPECT_EQ(g_sent[1].DnlApl, "v2");
  EXPECT_EQ(g_sent[1].DnlLfn, 2);
  EXPECT_EQ(g_updates, 2);
  EXPECT_EQ(g_table[3].marker, "OTHER");
  EXPECT_TRUE(g_lock_failures.empty());
  EXPECT_EQ(std::count(g_units.begin(), g_units.end(), "begin"), 5);

  // A cursor that delivers a row once per joined row sends it again after unmarking it itself,
  // but not a row someone else unmarked.
  g_rows = 2;
  auto twice = FakeLoop(true);
  twice.fetch = [](FakeRow* r) {
    static const int kOrder[] = {1, 2, 1, 2};
    if (g_next >= 4) return 1403;
    *r = FakeRow{kOrder[g_next++]};
    return 0;
  };
  twice.again = [](const FakeRow& r) { return std::string_view(r.n == 1 ? "1" : "2"); };
  g_table[2].marker.clear();
  RunDnlLoop(twice, "20261207", "093015", "REQ1");
  ASSERT_EQ(g_sent.size(), 2u);
  EXPECT_EQ(g_sent[1].DnlApk, "1");
}

}  // namespace
}  // namespace jf
