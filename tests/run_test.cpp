// The program end to end in a temporary site: the real binary, its exit code, its message file.
#include "driver/Run.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Version.h"
#include "driver/DateTime.h"
#include "login/Login.h"
#include "login/Scramble.h"
#include "support/FixedClockEnv.h"
#include "support/OrderSite.h"
#include "support/Process.h"

namespace jf {
namespace {

namespace fs = std::filesystem;
using test::WithoutClock;

class RunTestSite : public test::OrderSiteTest {
 protected:
  // Runs the real program; its standard output and error land in out_ and err_.
  int Run(const char* program, const std::vector<std::string>& args) {
    return test::RunProcess(program, args, &out_, &err_);
  }
  std::string out_, err_;
};

// The run end to end on either backend.
using RunTest = test::OnEveryBackend<RunTestSite>;

// The exit code a status arrives as: whole on Windows, its low 8 bits elsewhere.
int ExitCode(int32_t status) {
#ifdef _WIN32
  return status;
#else
  return ExitCodeFromStatus(status);
#endif
}

// Fields of a fixed-width text as (text, width) pairs, each padded with spaces to its width.
std::string Fields(std::initializer_list<std::pair<std::string_view, std::size_t>> fields) {
  std::string out;
  for (const auto& [text, width] : fields) {
    out += text;
    out.append(width - text.size(), ' ');
  }
  return out;
}

// A send-buffer line as WithoutClock leaves it.
std::string Line(std::string_view ip, std::string_view port, std::string_view type,
                 std::string_view kind, std::string_view payload) {
  return "$" + Fields({{ip, 15}, {port, 5}}) + std::string(14, '#') + "999" +
         std::string(15 - ip.size(), ' ') + std::string(ip) + std::string(5 - port.size(), ' ') +
         std::string(port) + std::string(28, ' ') + "0460" + std::string(type) +
         std::string(12, '#') + "BDE" + std::string(kind) + Fields({{payload, 438}}) + "*\r\n";
}

// An order position's payload in order 4711: key, texts, the figures from the quantity to the
// end date, the status; nothing reported yet.
std::string AppPayload(std::string_view app, std::string_view bz1, std::string_view txt,
                       std::string_view apg, std::string_view figures, std::string_view sts) {
  return Fields({{"4711", 12},
                 {app, 5},
                 {bz1, 60},
                 {txt, 8},
                 {apg, 10},
                 {figures, 57},
                 {sts, 61},
                 {"0000000000000000000000", 33},
                 {"X", 11}});
}

// A message entry as WithoutClock leaves it.
std::string LogEntry(std::string_view text, std::string_view function, std::string_view code) {
  return "\xFE\r\nSystem-Date: ##.##.##\r\nSystem-Time: ##:##:##\r\nMsgArt_____: FMSG \r\n"
         "Message____: " +
         std::string(text) + "\r\nFunktion___: " + std::string(function) +
         "\r\nErrorCode__: " + std::string(code) + "\r\n";
}

// A detail entry after a failure entry, as WithoutClock leaves it.
std::string DetailEntry(std::string_view function, std::string_view code, std::string_view data) {
  return "\xFE\r\nSystem-Date: ##.##.##\r\nSystem-Time: ##:##:##\r\nMsgArt_____: DMSG \r\n"
         "Message____: Detail\r\nFunktion___: " +
         std::string(function) + "\r\nErrorCode__: " + std::string(code) + "\r\n" +
         std::string(data) + "\r\n";
}

// Strips the CR that Windows puts before each line end of console text.
std::string ConsoleText(std::string text) {
  std::erase(text, '\r');
  return text;
}

TEST_P(RunTest, ConnectsCommitsAndEndsQuietly) {
  EXPECT_EQ(RunJobfeedBinary({"REQ1", "4711", "10", "BEGIN"}), 0);
  EXPECT_TRUE(Messages().empty()) << test::ReadBytes(msg_file());
}

// A login file that cannot serve the connect is named, with the reason, before the usual message.
TEST_P(RunTest, BadLoginFileIsNamedBeforeTheConnectMessage) {
  const fs::path login = top() / "files" / "quantelor.ini";
  // A hand-made file whose net service name is one character longer than a value can be: cut,
  // it would name another database.
  auto entry = [](const char* key, int n, const std::string& clear) {
    return std::string(";") + key + ";\n" + std::to_string(n) + ";" + key + ";" +
           Scramble(clear, kLoginKey, kDigitForm) + "\n";
  };
  const std::string too_long = entry("LOGIN", 1, "jobfeed") + entry("PASS", 2, "secret") +
                               entry("NET8", 3, net_service() + std::string(41, 'x'));
  const std::pair<const char*, const char*> cases[] = {
      {nullptr, " fehlt"},
      {"", " ist leer"},
      {"[database]\nuser=jobfeed\n", ": Eintrag LOGIN fehlt oder ist ungueltig"},
      {too_long.c_str(), ": Eintrag NET8 ist laenger als 40 Zeichen"}};
  for (const auto& [contents, why] : cases) {
    fs::remove(msg_file());
    fs::remove(login);
    if (contents != nullptr) test::WriteBytes(login, contents);
    EXPECT_EQ(RunJobfeedBinary({"REQ1", "4711", "10", "BEGIN"}), 0);
    auto m = Messages();
    ASSERT_EQ(m.size(), 2u) << why;
    EXPECT_EQ(m[0].function, "iniGetLogin");
    EXPECT_EQ(m[0].message, std::string("Login-Datei ") + kLoginFile + why);
    EXPECT_EQ(m[1].function, "bdConnect");
    EXPECT_EQ(m[1].message, "Fehlethafte Connect mit der DB ");
    EXPECT_NE(m[1].code, "0");
  }
}

// A missing database: the connect message with the status of that cause, then a detail entry
// with the reason naming the database; at a terminal the summary says the connect failed.
TEST_P(RunTest, MissingDatabaseIsTheConnectMessageAndItsReason) {
  RemoveDatabase();
  EXPECT_EQ(RunJobfeedBinary({"REQ1", "4711", "10", "BEGIN"}), 0);
  auto m = Messages(true);
  ASSERT_EQ(m.size(), 2u) << test::ReadBytes(msg_file());
  const std::string code = backend() == test::BackendKind::kPostgres ? "-12514" : "-12154";
  EXPECT_EQ(m[0].function + "|" + m[0].code, "bdConnect|" + code);
  EXPECT_EQ(m[1].function + "|" + m[1].message + "|" + m[1].code, "bdConnect|Detail|" + code);
  const char* reason = backend() == test::BackendKind::kPostgres ? "\" does not exist"
                       : backend() == test::BackendKind::kOracle ? "could not resolve"
                                                                 : "jobfeed.db cannot be opened";
  EXPECT_NE(test::ReadBytes(msg_file()).find(reason), std::string::npos);
  EXPECT_FALSE(fs::exists(db_path()));
#ifndef _WIN32
  std::string screen;
  EXPECT_EQ(test::RunInTerminal(JOBFEED_BIN, {"REQ1", "4711", "10", "BEGIN"}, &screen), 0);
  EXPECT_NE(screen.find("the connect to the database failed after"), std::string::npos) << screen;
  EXPECT_NE(screen.find("status " + code), std::string::npos) << screen;
  EXPECT_EQ(screen.find("done in"), std::string::npos) << screen;
#endif
}

#ifdef _WIN32
// The Windows build has no PostgreSQL client: such a site fails its connect, said plainly.
TEST_F(RunTestSite, PostgresSiteIsRefusedWithoutAClient) {
  WriteLogin("jobfeed", "secret", "postgresql://dbhost/jobfeed");
  EXPECT_EQ(RunJobfeedBinary({"REQ1", "4711", "10", "BEGIN"}), 0);
  auto m = Messages();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_NE(m[0].message.find("no PostgreSQL client"), std::string::npos) << m[0].message;
  EXPECT_EQ(m[1].message, "Fehlethafte Connect mit der DB ");
  EXPECT_EQ(m[1].code, "-12560");
}
#endif

TEST_P(RunTest, MissingArgumentsFailWithoutTouchingTheDatabase) {
  RemoveDatabase();  // any database access would show up as a connect message
#ifndef _WIN32
  // An argument with a character the program's code page lacks (U+0100) is refused as well.
  EXPECT_EQ(Run("/usr/bin/env", {"LC_ALL=C.UTF-8", JOBFEED_BIN, "REQ1", "4711", "\xC4\x80", "1"}),
            ExitCode(kUsageStatus));
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].message.find("Argument 3 mit Zeichen"), std::string::npos);
  fs::remove(msg_file());
#endif
  EXPECT_EQ(Run(JOBFEED_BIN, {"REQ1", "4711", "10"}), ExitCode(kUsageStatus));
  auto m = Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].function, "main");
  EXPECT_NE(m[0].message.find("Argumente"), std::string::npos);
  const std::string told =
      "jobfeed: zu wenige Argumente\nusage: jobfeed [--quiet] REQUESTER ORDER POSITION ACTION (see "
      "--help)\n";
  EXPECT_EQ(ConsoleText(err_), told) << "the log took the entry";

  // Without the Msg folder the entry still reaches whoever started the program, as the file
  // would have held it.
  const std::string entry = test::ReadBytes(msg_file());
  fs::remove_all(root() / "Msg");
  EXPECT_EQ(Run(JOBFEED_BIN, {"REQ1", "4711", "10"}), ExitCode(kUsageStatus));
  EXPECT_EQ(ConsoleText(WithoutClock(err_)), ConsoleText(WithoutClock(entry)) + told);
  EXPECT_EQ(out_, "");
  EXPECT_FALSE(fs::exists(root() / "Msg"));
}

TEST_F(RunTestSite, HelpAndVersionAnswerWithoutTheLogOrTheDatabase) {
  RemoveDatabase();
  fs::remove_all(root() / "Msg");
  const std::string version = std::string(" ") + kVersion + "\n";
  EXPECT_EQ(Run(JOBFEED_BIN, {"--version"}), 0);
  EXPECT_EQ(ConsoleText(out_), "jobfeed" + version);
  EXPECT_EQ(Run(JOBFEED_ADMIN_BIN, {"--version"}), 0);
  EXPECT_EQ(ConsoleText(out_), "jobfeed-admin" + version);
  EXPECT_EQ(Run(JOBFEED_MASTER_BIN, {"--version"}), 0);
  EXPECT_EQ(ConsoleText(out_), "jobfeed-master" + version);
  EXPECT_EQ(Run(JOBFEED_BIN, {"--help"}), 0);
  EXPECT_EQ(
      ConsoleText(out_).rfind("usage: jobfeed [--quiet] REQUESTER ORDER POSITION ACTION\n", 0), 0u)
      << out_;
  EXPECT_EQ(err_, "");
  EXPECT_TRUE(fs::is_empty(root()));
  EXPECT_FALSE(fs::exists(db_path()));

  // Only as the single argument: otherwise it is a run's argument like any other.
  EXPECT_EQ(Run(JOBFEED_BIN, {"--help", "4711"}), ExitCode(kUsageStatus));
  EXPECT_EQ(out_, "");
}

// Usage errors of every program are refused with their reason and a non-zero exit code before
// any database access (jobfeed and jobfeed-master also log them); -h, --help and --version
// answer on every program and command.
TEST_F(RunTestSite, UsageErrorsAndHelpOfEveryProgram) {
  RemoveDatabase();  // any database access would show up as a connect message
  const char* const admin = JOBFEED_ADMIN_BIN;
  const char* const master = JOBFEED_MASTER_BIN;
  const std::string version = std::string("jobfeed-admin ") + kVersion;
  struct Case {
    const char* program;
    std::vector<std::string> args;
    int32_t status;
    std::string says;    // in its standard output or error
    const char* logged;  // the reason in the log entry, or nullptr: nothing logged
  } cases[] = {
      {JOBFEED_BIN,
       {"", "4711", "10", "BEGIN"},
       kUsageStatus,
       "kein Anforderer",
       "kein Anforderer"},
      // Cut to its first 8 characters, the name is blank.
      {JOBFEED_BIN,
       {"        X", "4711", "10", "BEGIN"},
       kUsageStatus,
       "kein Anforderer",
       "kein Anforderer"},
      {JOBFEED_BIN, {"-h"}, 0, "usage: jobfeed [--quiet] REQUESTER ORDER POSITION ACTION", nullptr},
      // Options out of place are no requester whose queue the order's rows would move to.
      {JOBFEED_BIN,
       {"--version", "O1", "1", "X"},
       kUsageStatus,
       "unbekannte Option --version",
       "unbekannte Option --version"},
      {JOBFEED_BIN,
       {"REQ1", "O1", "2", "--quiet"},
       kUsageStatus,
       "--quiet nur vor dem Anforderer",
       "--quiet nur vor dem Anforderer"},
      {master, {}, kUsageStatus, "kein Anforderer", "kein Anforderer"},
      {master, {" \t "}, kUsageStatus, "kein Anforderer", "kein Anforderer"},
      {master,
       {"MEISTER1", "MAG", "mas"},
       kUsageStatus,
       "unbekannte Art mas",
       "unbekannte Art mas"},
      {master,
       {"--version", "MAG"},
       kUsageStatus,
       "unbekannte Option --version",
       "unbekannte Option --version"},
      {master, {"-h"}, 0, "usage: jobfeed-master [--quiet] REQUESTER [KIND...]", nullptr},
      {admin,
       {"resend-order", "A100", "OP1 "},
       2,
       "REQUESTER starts or ends with a blank",
       nullptr},
      {admin, {"resend-order", " A100", "OP1"}, 2, "ORDER starts or ends with a blank", nullptr},
      {admin, {"resend-order", "A100", " "}, 2, "REQUESTER is empty or blank", nullptr},
      {admin,
       {"journal", "OP\x1B", "20261207", "093015"},
       2,
       "REQUESTER holds a control character",
       nullptr},
      {admin, {"init-db", ""}, 2, "expected one PATH", nullptr},
      {admin, {"init-db", "nofolder/j.db"}, 1, "the folder nofolder does not exist", nullptr},
      {admin, {"show-buffer", "Msg"}, 1, "Msg is a folder", nullptr},
      {admin, {"write-login", "Msg", "--user", "u", "--net", "n"}, 1, "Msg is a folder", nullptr},
      {admin, {"scramble", "--version"}, 0, version, nullptr},
      {admin, {"check-db", "--version"}, 0, version, nullptr},
      {admin, {"init-db", "-h"}, 0, "usage: jobfeed-admin init-db PATH", nullptr},
      {admin, {"show-buffer", "-h"}, 0, "usage: jobfeed-admin show-buffer [--quiet] FILE", nullptr},
      {admin, {"journal", "-h"}, 0, "usage: jobfeed-admin journal", nullptr},
  };
  for (const Case& c : cases) {
    const std::string what = std::string(c.program) + " " + (c.args.empty() ? "" : c.args[0]);
    fs::remove_all(msg_file());
    fs::create_directories(root() / "Msg");
    EXPECT_EQ(Run(c.program, c.args), c.status == 0 ? 0 : ExitCode(c.status)) << what;
    EXPECT_NE((out_ + err_).find(c.says), std::string::npos) << what << ": " << out_ << err_;
    const auto m = Messages();
    if (c.logged == nullptr) {
      EXPECT_TRUE(m.empty()) << what;
      continue;
    }
    ASSERT_EQ(m.size(), 1u) << what;
    EXPECT_EQ(m[0].function, "main");
    EXPECT_EQ(m[0].message.substr(0, 7) + m[0].message.substr(m[0].message.rfind(" - ")),
              std::string("Aufruf: - ") + c.logged)
        << m[0].message;
  }
  EXPECT_FALSE(fs::exists(db_path()));
}

// One run end to end, compared byte for byte: the Windows build must write exactly what the
// Linux build writes. Terminal 3 serves areas 100..199, terminal 5 areas 200..299; header 4712
// stands in an area no terminal serves. The texts are stored as any UTF-8 tool writes them, but
// one that an earlier version wrote in Latin-1; the lines carry them in Windows-1252, a text of
// its field's full width whole. The requester has umlauts; Linux passes it in UTF-8.
TEST_P(RunTest, RunWritesTheSameBytesOnEveryPlatform) {
  AddTerminal(3, "10.1.0.3", "4001", "100", "199");
  AddTerminal(5, "10.1.0.5", "4002", "200", "299");
  // A server keeps only valid UTF-8: no earlier version's Latin-1 there.
  const std::string umlaut = backend() == test::BackendKind::kPostgres ? "\xC3\xA4" : "\xE4";
  Sql("insert into Kvl501Apk (ApkApk,ApkBz1,ApkTxt,ApkSts,ApkBgs,ApkEns,ApkAfo,ApkTnr,ApkSme,"
      "ApkMee,ApkFbe,ApkDwn,ApkDna) values "
      "('4711','Getriebegeh" +
      umlaut +
      "use','Serie',2,julianday('2026-12-07'),julianday('2026-12-18'),3,"
      "'TN-100-200',1250,'STK','110',NULL,NULL),"
      "('4712','Welle','Muster',2,julianday('2026-12-08'),NULL,1,'TN-300',40.5,'STK','900',"
      "'REQ1','NEU')");
  Sql("insert into Kvl504App (AppApk,AppApp,AppBz1,AppTxt,AppSts,AppSis,AppBds,AppEds,AppSme,"
      "AppMee,AppStr,AppSte,AppSza,AppApg,AppFbe,AppDwn,AppDna) values "
      "('4711','10','Fr\xC3\xA4sen','Op 10',2,0,julianday('2026-12-07 06:00'),"
      "julianday('2026-12-08 14:00'),625,'STK',12.5,1.25,0.5,'FRAES1','110',NULL,NULL),"
      "('4711','20','Bohren \xE2\x80\x9E\xC3\x98 5 \xE2\x82\xAC\xE2\x80\x9C','Op 20',2,0,"
      "julianday('2026-12-08'),julianday('2026-12-09'),625,'STK',8,0.75,0.25,'BOHR2','210','REQ1',"
      "'NEU'),"
      "('4711','30','Entgraten','Op 30',2,0,julianday('2026-12-09'),julianday('2026-12-09'),625,"
      "'STK',1,0.2,0,'HAND1','120','REQ1','LOE')");
  const std::string req = "\xC3\x84\xC3\x96\xC3\x9C\xC3\x84\xC3\x96";  // ÄÖÜÄÖ
  Sql("update Kvl501Apk set ApkDwn='" + req + "' where ApkDwn='REQ1'");
  Sql("update Kvl504App set AppDwn='" + req + "' where AppDwn='REQ1'");
  Sql("update Kvl501Apk set ApkBz2='" + std::string(29, 'x') + "\xC3\xA4' where ApkApk='4711'");

#ifdef _WIN32
  EXPECT_EQ(Run(JOBFEED_BIN, {"\xC4\xD6\xDC\xC4\xD6", "4711", "10", "BEGIN"}), 0);
#else
  // In the C locale, which schedulers run in, a UTF-8 argument is taken as UTF-8 all the same.
  EXPECT_EQ(Run("/usr/bin/env", {"LC_ALL=C", JOBFEED_BIN, req, "4711", "10", "BEGIN"}), 0);
#endif
  EXPECT_EQ(out_, "");
  EXPECT_EQ(err_, "");

  // The header, then the positions, each in the file of its area's terminal.
  EXPECT_EQ(WithoutClock(test::ReadBytes(buffer_file(3))),
            Line("10.1.0.3", "4001", "APK", "AEN",
                 Fields({{"4711", 12},
                         {"Getriebegeh\xE4use", 30},
                         {std::string(29, 'x') + "\xE4", 30},
                         {"Serie", 8},
                         {"TN-100-200", 80},
                         {"00001250000STK2612072612183", 31},
                         {"2", 61},
                         {"X", 3}})) +
                Line("10.1.0.3", "4001", "APP", "AEN",
                     AppPayload("10", "Fr\xE4sen", "Op 10", "FRAES1",
                                "00000625000STK000125000001250000050261207261208", "0")) +
                Line("10.1.0.3", "4001", "APP", "LOE",
                     AppPayload("30", "Entgraten", "Op 30", "HAND1",
                                "00000625000STK000010000000200000000261209261209", "2")));
  EXPECT_EQ(WithoutClock(test::ReadBytes(buffer_file(5))),
            Line("10.1.0.5", "4002", "APP", "NEU",
                 AppPayload("20", "Bohren \x84\xD8 5 \x80\x93", "Op 20", "BOHR2",
                            "00000625000STK000080000000750000025261208261209", "2")));
  EXPECT_EQ(WithoutClock(test::ReadBytes(msg_file())),
            LogEntry("IP-Ermitteln", "ReadFile", "1403") +
                LogEntry("Fehler beim Senden von ApkS\xE4tze", "Apk_Dnl", "1403") +
                DetailEntry("Apk_Dnl", "1403",
                            "Auftrag 4712, Fertigungsbereich 900, kein Terminal f\xFCr diesen "
                            "Bereich"));
  // The header without a terminal stays due; the withdrawn position is gone and the count
  // follows the new one in and the withdrawn one out.
  EXPECT_EQ(Query("select ApkApk, ifnull(ApkDwn,'-'), ApkAfo from Kvl501Apk order by ApkApk"),
            (std::vector<std::string>{"4711|-|3", "4712|" + req + "|1"}));
  EXPECT_EQ(Query("select AppApp, ifnull(AppDwn,'-'), AppSts from Kvl504App order by AppApp"),
            (std::vector<std::string>{"10|-|10", "20|-|2"}));
}

// A position no terminal can take stops the position download on every run. The failure entries
// keep their texts and a detail entry names the row; the summary at a terminal counts the rows
// left untried behind it. A send-buffer file that cannot be opened is named.
TEST_P(RunTest, FailedRowIsNamedAndTheRowsBehindItCounted) {
  AddTerminal(3, "10.1.0.3", "4001", "100", "199");
  Sql("insert into Kvl504App (AppApk,AppApp,AppFbe,AppDwn,AppDna) values "
      "('4711','10','050','REQ1','AEN'),('4711','20','110','REQ1','AEN'),"
      "('4711','30','110','REQ1','AEN')");
#ifndef _WIN32
  std::string screen;
  EXPECT_EQ(test::RunInTerminal(JOBFEED_BIN, {"REQ1", "4799", "1", "BEGIN"}, &screen), 0);
  EXPECT_NE(screen.find("1 failed 2 untried"), std::string::npos) << screen;
#else
  EXPECT_EQ(RunJobfeedBinary({"REQ1", "4799", "1", "BEGIN"}), 0);
#endif
  const std::string blocked = "Auftrag 4711 Position 10, Fertigungsbereich 050, ";
  EXPECT_EQ(WithoutClock(test::ReadBytes(msg_file())),
            LogEntry("IP-Ermitteln", "ReadFile", "1403") +
                LogEntry("Fehler beim Senden von AppS\xE4tze", "App_Dnl", "1403") +
                DetailEntry("App_Dnl", "1403", blocked + "kein Terminal f\xFCr diesen Bereich"));
  EXPECT_EQ(Scalar("select count(*) from Kvl504App where AppDwn='REQ1'"), "3");

  fs::remove(msg_file());
  AddTerminal(7, "10.1.0.7", "4007", "000", "099");
  fs::create_directories(buffer_file(7));
  EXPECT_EQ(RunJobfeedBinary({"REQ1", "4799", "1", "BEGIN"}), 0);
  EXPECT_NE(test::ReadBytes(msg_file())
                .find("DMSG \r\nMessage____: Detail\r\nFunktion___: App_Dnl\r\n"
                      "ErrorCode__: -1\r\n" +
                      blocked + "Datei ..\\Comm\\Buff\\SndDnl7.buf\r\n"),
            std::string::npos)
      << test::ReadBytes(msg_file());
}

TEST_P(RunTest, ConnectStringOverItsLimitFailsTheConnect) {
  // Each value fits the login file, but together they exceed the 100 characters of the
  // connect string: the run must not log on with a cut string.
  WriteLogin(std::string(40, 'u'), std::string(40, 'p'));
  EXPECT_EQ(RunJobfeedBinary({"REQ1", "4711", "10", "BEGIN"}), 0);
  auto m = Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].message, "Fehlethafte Connect mit der DB ");
  EXPECT_EQ(m[0].code, "-1017");
}

#ifndef _WIN32
// Secrets typed at a terminal are not shown: write-login asks for the password twice and
// refuses two that differ; scramble without TEXT reads it from there and refuses what the
// login file's reader would refuse.
TEST_F(RunTestSite, SecretsTypedAtATerminalAreNotShown) {
  const std::string login = (top() / "files" / "quantelor.ini").string();
  const std::vector<std::string> args = {"write-login", login,         "--user", "job/feed@x",
                                         "--net",       net_service(), "--force"};
  std::string screen;
  EXPECT_EQ(test::RunInTerminal(JOBFEED_ADMIN_BIN, args, &screen, {"p@ss/w", "p@ss/W"}), 1);
  EXPECT_NE(screen.find("the two passwords differ"), std::string::npos) << screen;
  EXPECT_EQ(test::RunInTerminal(JOBFEED_ADMIN_BIN, args, &screen, {"p@ss/w", "p@ss/w"}), 0);
  EXPECT_EQ(screen.find("p@ss"), std::string::npos) << screen;
  EXPECT_EQ(iniGetValue("", "PASS", 0, kLoginFile), std::string("p@ss/w"));
  EXPECT_EQ(iniGetValue("", "LOGIN", 0, kLoginFile), std::string("job/feed@x"));

  EXPECT_EQ(test::RunInTerminal(JOBFEED_ADMIN_BIN, {"scramble"}, &screen, {"t0p;s@cret"}), 0);
  EXPECT_EQ(screen.find("t0p"), std::string::npos) << screen;
  EXPECT_NE(screen.find(Scramble("t0p;s@cret", kLoginKey, kDigitForm)), std::string::npos);
  EXPECT_EQ(Run(JOBFEED_ADMIN_BIN, {"scramble", std::string(41, 'x')}), 2);
  EXPECT_NE(err_.find("at most 40"), std::string::npos) << err_;
}
#endif

// A password with "@" and "/" reaches the database as it is, not split into a password, a user
// or a net service name.
TEST_P(RunTest, LoginValuesWithAtAndSlashStayApart) {
  WriteLogin("jobfeed", "p@ss/w@rd");
  EXPECT_EQ(RunJobfeedBinary({"REQ1", "4711", "10", "BEGIN"}), 0);
  EXPECT_TRUE(Messages().empty()) << test::ReadBytes(msg_file());
}

JF_ON_EVERY_BACKEND(RunTest);

TEST(DateTimeText, Styles) {
  test::FixedClockEnv clock(Env::Default(), LocalTime{2009, 3, 7, 5, 4, 3});
  Env::Install(&clock);
  char date[40];
  char time[9];
  struct Case {
    int style;
    const char* date;
    const char* time;
  } cases[] = {{1, "07032009", "050403"},
               {2, "07032009050403", ""},
               {3, "20090307", "050403"},
               {4, "20090307050403", ""},
               {0, "", ""},
               {5, "", ""}};
  for (const Case& c : cases) {
    std::memset(date, 'x', sizeof date);
    std::memset(time, 'x', sizeof time);
    EXPECT_EQ(DateTimeText(date, time, c.style), 0);
    EXPECT_STREQ(date, c.date) << c.style;
    EXPECT_STREQ(time, c.time) << c.style;
  }
  Env::Install(nullptr);
}

TEST(ExitCode, NonZeroStatusNeverBecomesZero) {
  EXPECT_EQ(ExitCodeFromStatus(0), 0);
  EXPECT_EQ(ExitCodeFromStatus(1403), 1403 & 0xff);
  EXPECT_EQ(ExitCodeFromStatus(-256), 255);
  EXPECT_EQ(ExitCodeFromStatus(256), 255);
  EXPECT_EQ(ExitCodeFromStatus(-1), 255);
  for (int s : {-12154, -942, -54, -1, 1403, 512, -2112}) EXPECT_NE(ExitCodeFromStatus(s), 0) << s;
}

}  // namespace
}  // namespace jf
