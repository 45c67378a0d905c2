// jobfeed-admin due, terminals, terminal and messages, run as an operator runs them: the real
// binary in the working directory of a site, over rows the test puts there.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "msg/Msg.h"
#include "support/OrderRows.h"

namespace jf {
namespace {

using V = std::vector<std::string>;

class AdminOperatorSite : public test::OrderRowsTest {
 protected:
  int Admin(const V& args, std::string* out) {
    out->clear();
    return test::RunCommand(JOBFEED_ADMIN_BIN, args, out);
  }
  // The output's lines, each with its tabs shown as " | ".
  static V Lines(const std::string& out) {
    V lines;
    std::istringstream in(out);
    for (std::string l; std::getline(in, l);) {
      for (std::size_t p; (p = l.find('\t')) != std::string::npos;) l.replace(p, 1, " | ");
      lines.push_back(l);
    }
    return lines;
  }
  void Position(const std::string& order, const std::string& pos, const std::string& area,
                const std::string& requester, const std::string& since, const Row& more = {}) {
    Row r = {{"AppApk", "'" + order + "'"}, {"AppApp", "'" + pos + "'"},
             {"AppFbe", "'" + area + "'"},  {"AppDwn", "'" + requester + "'"},
             {"AppDna", "'AEN'"},           {"AppDat", "julianday('" + since + "')"}};
    r.insert(more.begin(), more.end());
    InsertFull("Kvl504App", r);
  }
};

using AdminOperator = test::OnEveryBackend<AdminOperatorSite>;

TEST_P(AdminOperator, DueShowsWhatBlocksARowAndTheRowsHeldUpBehindIt) {
  AddTerminal(3, "10.0.0.3", "4001", "100", "199");
  InsertFull("Kvl501Apk", {{"ApkApk", "'4711'"},
                           {"ApkFbe", "'150'"},
                           {"ApkDwn", "'REQ1'"},
                           {"ApkDna", "'AEN'"},
                           {"ApkDat", "julianday('2026-12-07 09:30:15')"}});
  // The position download goes by area: 110, then 130, which no download can read, stops it.
  Position("4711", "10", "110", "REQ1", "2026-12-06 08:00:00");
  Position("4711", "20", "130", "REQ1", "2026-12-07 10:00:00", {{"AppSts", "70000"}});
  Position("4711", "30", "150", "REQ1", "2026-12-07 10:00:00");
  Position("4711", "40", "900", "REQ1", "2026-12-07 10:00:00");
  Position("4712", "10", "150", "REQ2", "2026-12-08 11:00:00");
  InsertFull("Kvl521Ubg", {{"UbgUbg", "'U1'"},
                           {"UbgFbe", "'800'"},
                           {"UbgDwn", "'REQ2'"},
                           {"UbgDna", "'NEU'"},
                           {"UbgDat", "NULL"}});
  InsertFull("Kvl531Apl", {{"AplApl", "'W1'"},
                           {"AplApg", "'G1'"},
                           {"AplFbe", "'150'"},
                           {"AplDwn", "'REQ2'"},
                           {"AplDna", "'NEU'"},
                           {"AplDat", "NULL"}});

  const std::string t3 = " | 3 | 10.0.0.3 | 4001 | ";
  std::string out;
  EXPECT_EQ(Admin({"due"}, &out), 1) << out;
  EXPECT_EQ(
      Lines(out),
      (V{"REQ1 | APK | 4711 | AEN | 150" + t3 + "2026-12-07 09:30:15 | due | -",
         "REQ1 | APP | 4711/10 | AEN | 110" + t3 + "2026-12-06 08:00:00 | due | -",
         "REQ1 | APP | 4711/20 | AEN | 130" + t3 +
             "2026-12-07 10:00:00 | blocked | AppSts 70000 does not fit 16 bits: the row "
             "cannot be read (-1455)",
         "REQ1 | APP | 4711/30 | AEN | 150" + t3 +
             "2026-12-07 10:00:00 | held | held up by APP 4711/20",
         "REQ1 | APP | 4711/40 | AEN | 900 | - | - | - | 2026-12-07 10:00:00 | blocked | "
         "no terminal serves area 900",
         "REQ1 | summary | due 5 | blocked 2 | held-up 1 | oldest 2026-12-06 08:00:00",
         "REQ2 | APP | 4712/10 | AEN | 150" + t3 + "2026-12-08 11:00:00 | due | -",
         // A master data download goes on after a row it cannot send.
         "REQ2 | MAS | W1 | NEU | 150" + t3 +
             "- | blocked | workplace group G1 has no cost centre assignment valid today",
         "REQ2 | UBG | U1 | NEU | 800 | - | - | - | - | blocked | no terminal serves area 800",
         "REQ2 | summary | due 3 | blocked 2 | held-up 0 | oldest 2026-12-08 11:00:00",
         "* | summary | due 0 | blocked 0 | held-up 0 | oldest -"}));

  // What it says is what a run does: position 10 goes, 20 stops the download, 30 and 40 wait.
  EXPECT_EQ(RunJobfeedBinary({"REQ1", "4711", "10", "BEGIN"}), 0);
  EXPECT_EQ(Query("select AppApp from Kvl504App where AppDwn='REQ1' order by 1"),
            (V{"20", "30", "40"}));
  EXPECT_EQ(Admin({"due", "REQ1"}, &out), 1);
  EXPECT_EQ(out.find("REQ2"), std::string::npos) << out;
  EXPECT_NE(out.find("REQ1\tsummary\tdue 3\tblocked 2\theld-up 1"), std::string::npos) << out;
  Sql("update Kvl521Ubg set UbgFbe='150'");
  Sql("insert into Kvl537Ksg (KsgApg,KsgGvo,KsgKst) values ('G1',julianday('2020-01-01'),'K1')");
  EXPECT_EQ(Admin({"due", "REQ2"}, &out), 0) << out;
  // The typo trap, a requester nothing is due for, and names no run could have marked.
  EXPECT_EQ(Admin({"due", "req1"}, &out), 1);
  EXPECT_NE(out.find("nothing is due for req1; rows are due for REQ1, which differs only in "
                     "letter case"),
            std::string::npos)
      << out;
  EXPECT_EQ(Admin({"due", "REQ9"}, &out), 0);
  EXPECT_NE(out.find("REQ9\tsummary\tdue 0"), std::string::npos) << out;
  EXPECT_EQ(Admin({"due", "REQUESTR9"}, &out), 2);
  EXPECT_NE(out.find("REQUESTER has 1 to 8 characters"), std::string::npos) << out;
}

TEST_P(AdminOperator, TerminalsChecksTheRangesAndTerminalAnswersAsTheWriterLooksUp) {
  AddTerminal(5, "10.0.0.5", "4002", "150", "250");
  AddTerminal(3, "10.0.0.3", "4001", "100", "199");
  Sql("insert into Kvl557Cfg (CfgDta,CfgIP,CfgPrt,CfgVn1,CfgBi1,CfgVn3,CfgBi3) values "
      "(7,'10.0.0.7','4003','300','200','400','499')");
  std::string out;
  EXPECT_EQ(Admin({"terminals"}, &out), 1) << out;
  const V lines = Lines(out);
  const V expected = {
      "terminal | 3 | 10.0.0.3 | 4001 | 100..199 | - | - | - | -",
      "terminal | 5 | 10.0.0.5 | 4002 | 150..250 | - | - | - | -",
      "terminal | 7 | 10.0.0.7 | 4003 | 300..200 | - | 400..499 | - | -",
      "note | length | terminal 3 range 1 (100..199) also holds 11 and 1000: areas are compared "
      "as text",
      "note | length | terminal 5 range 1 (150..250) also holds 2 and 1500: areas are compared as "
      "text",
      "check | start-after-end | terminal 7 range 1 (300..200): its start is after its end, so "
      "it holds no area",
      "check | not-looked-up | terminal 7 range 3 (400..499): the writer looks areas up in "
      "ranges 1 and 2 only; an area only this range holds gets no terminal",
      "check | overlap | areas 150..199 lie in terminal 3 range 1 (100..199) and terminal 5 "
      "range 1 (150..250); the writer sends them to terminal 3"};
  EXPECT_EQ(lines, expected);

  EXPECT_EQ(Admin({"terminal", "15"}, &out), 0);  // by text, 15 lies between 100 and 199
  EXPECT_EQ(Lines(out), (V{"15 | 3 | 10.0.0.3 | 4001 | 1 100..199"}));
  EXPECT_EQ(Admin({"terminal", "160"}, &out), 0);
  EXPECT_EQ(Lines(out), (V{"160 | 3 | 10.0.0.3 | 4001 | 1 100..199",
                           "also | 5 | 10.0.0.5 | 4002 | 1 150..250"}));
  EXPECT_EQ(Admin({"terminal", "450"}, &out), 1);
  EXPECT_EQ(Lines(out), (V{"450 | - | - | - | no terminal serves area 450",
                           "unused | 7 | 10.0.0.7 | 4003 | 3 400..499"}));
  EXPECT_EQ(Admin({"terminal", "12345678901"}, &out), 2);
  EXPECT_NE(out.find("AREA has at most 10 characters"), std::string::npos) << out;
}

JF_ON_EVERY_BACKEND(AdminOperator);

// The message file needs no database: one site will do.
using AdminMessages = AdminOperatorSite;

TEST_F(AdminMessages, MessagesListsEveryEntryAndFlagsDamagedOnesWithTheirBytes) {
  Msg_ResetForTest();
  Msg_Init(7, msg_file().string().c_str());
  Msg_Log(1403, "ReadFile", "IP-Ermitteln", kMsgError);
  Msg_LogDetail(1403, "App_Dnl", "Auftrag 4711 Position 20\tBereich 900");
  Msg_ResetForTest();
  std::string bytes = test::ReadBytes(msg_file());
  test::WriteBytes(msg_file(),
                   bytes +
                       "\xFE\r\nSystem-Date: 07.12.26\r\nSystem-Time: 09:30:15\r\nMsgArt_____: "
                       "FMSG \r\nMessage____: Datei oeffnen\r\nFunktion___: CreateFile\r\n"
                       "ErrorCode__: 32\r\n"
                       "\xFE\r\nSystem-Date: 07.12.26\r\nSystem-Time: 9:30\r\nMsgArt_____: FMSG "
                       "\r\nMessage____: x\r\nFunktion___: y\r\nErrorCode__: 1\r\n"
                       "\xFE\r\nSystem-Date: 07.12.26\r\nSystem-Ti");
  // Bytes before the first entry, an escape sequence among them, are an entry of their own.
  test::WriteBytes(
      root() / "Msg" / "Jobfeed.old",
      "ab\x1B[31m\xFE\r\nSystem-Date: 06.12.26\r\nSystem-Time: 23:59:59\r\nMsgArt_____: FMSG "
      "\r\nMessage____: Fehlethafte Connect mit der DB \r\nFunktion___: bdConnect\r\n"
      "ErrorCode__: -3114\r\n");

  std::string out;
  EXPECT_EQ(Admin({"messages", "--all"}, &out), 1) << out;
  V lines = Lines(out);
  ASSERT_EQ(lines.size(), 7u) << out;
  // The clock of the entries the log wrote is today's; the rest of their lines is exact.
  for (std::string* l : {&lines[2], &lines[3]}) l->replace(19, 21, "DATE | TIME");
  EXPECT_EQ(
      lines,
      (V{"Jobfeed.old | damaged | - | - | - | - | - | - | - | ab\\x1B[31m",
         "Jobfeed.old | ok | 2026-12-06 | 23:59:59 | FMSG | bdConnect | Fehlethafte Connect "
         "mit der DB  | -3114 | not connected (connection lost before) | -",
         "Jobfeed.txt | ok | DATE | TIME | FMSG | ReadFile | IP-Ermitteln | 1403 | no row "
         "found | -",
         "Jobfeed.txt | ok | DATE | TIME | DMSG | App_Dnl | Detail | 1403 | no row found | "
         "Auftrag 4711 Position 20\\x09Bereich 900",
         "Jobfeed.txt | ok | 2026-12-07 | 09:30:15 | FMSG | CreateFile | Datei oeffnen | 32 | "
         "file held by another process | -",
         "Jobfeed.txt | damaged | 2026-12-07 | 9:30 | FMSG | y | x | 1 | - | "
         "\\x0D\\x0ASystem-Date: 07.12.26\\x0D\\x0ASystem-Time: 9:30\\x0D\\x0AMsgArt_____: "
         "FMSG \\x0D\\x0AMessage____: x\\x0D\\x0AFunktion___: y\\x0D\\x0AErrorCode__: 1\\x0D\\x0A",
         "Jobfeed.txt | truncated | 2026-12-07 | - | - | - | - | - | - | "
         "\\x0D\\x0ASystem-Date: 07.12.26\\x0D\\x0ASystem-Ti"}));

  EXPECT_EQ(Admin({"messages", "--last", "2"}, &out), 1);
  EXPECT_EQ(Lines(out).size(), 2u) << out;
  EXPECT_EQ(Admin({"messages", "--last", "x"}, &out), 2);
  std::filesystem::remove(msg_file());
  std::filesystem::create_directory(msg_file());
  EXPECT_EQ(Admin({"messages"}, &out), 3);
  EXPECT_NE(out.find("is a folder, not a message file"), std::string::npos) << out;
}

}  // namespace
}  // namespace jf
