// What is the Oracle backend's own, against the fake client: the logon, the client library
// looked for, the error numbers, the end of a session, the statement cache, the prefetch and the
// round trips of an order run.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "db/DbDb.h"
#include "db/Dbstd.h"
#include "db/oracle/OciLibrary.h"
#include "db/oracle/OracleBackend.h"
#include "db/sql/LockWait.h"
#include "db/sql/Session.h"
#include "driver/Run.h"
#include "fakeoci/LockedRow.h"
#include "fakeoci/RowLocks.h"
#include "support/DueSite.h"
#include "support/FakeClient.h"

namespace jf {
namespace {

using sql::In;
using sql::Out;
using test::FakeClient;
namespace fs = std::filesystem;

class OracleSite : public test::OrderSiteTest {
 protected:
  test::BackendKind backend() const override { return test::BackendKind::kOracle; }
  void SetUp() override {
    OrderSiteTest::SetUp();
    FakeClient::Get().Reset();
    ConnectInProcess();
  }
  void TearDown() override {
    FakeClient::Get().Reset();
    OrderSiteTest::TearDown();
  }
  int InsertCfg(int dta) {
    return sql::Execute("insert into Kvl557Cfg (CfgDta,CfgIP) values (:b0,:b1)",
                        {In::I32(dta), In::Text("10.0.0.1")});
  }
};

// Texts travel in UTF-8 (AL32UTF8, 873), whatever NLS_LANG says: no environment of the client's
// defaults, which a bad NLS_LANG fails. A warning from creating the environment is no failure, a
// failure's reason is told; a warning with the logon (the password will expire) is logged.
TEST_F(OracleSite, LogsOnInUtf8WhateverNlsLangSays) {
  EXPECT_EQ(FakeClient::Get().LastLogon(), "jobfeed|secret|../../../../jobfeed.db|873");
  EXPECT_EQ(FakeClient::Get().RoundTrips("OCILogon2"), 1);
  EXPECT_EQ(sql::ConnectErrorText(), "");
  sql::Disconnect();
  ::setenv("NLS_LANG", "GERMAN_GERMANY.NOSUCHSET", 1);
  EXPECT_EQ(bdConnect(), 0);
  ::unsetenv("NLS_LANG");
  sql::Disconnect();
  FakeClient::Get().Fail("OCILogon2", "", 1, 28002, true);
  OpenRunLog();
  EXPECT_EQ(ConnectForRun(), 0);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].function, "bdConnect");
  EXPECT_EQ(Messages()[0].code, "-28002");
  EXPECT_NE(Messages()[0].message.find("ORA-28002"), std::string::npos);
  sql::Disconnect();
  FakeClient::Get().Fail("OCIEnvNlsCreate", "", 0, 12715, true);
  EXPECT_EQ(bdConnect(), 0);
  sql::Disconnect();
  FakeClient::Get().Fail("OCIEnvNlsCreate", "", 0, 12715);
  EXPECT_EQ(bdConnect(), sql::kBackendUnavailable);
  EXPECT_NE(sql::ConnectErrorText().find("ORA-12715"), std::string::npos);
  // Values with the connect string's separators in them reach the client as they are.
  sql::Disconnect();
  FakeClient::Get().Reset();
  WriteLogin("job/feed@x", "p@ss/w");
  EXPECT_EQ(bdConnect(), 0);
  EXPECT_EQ(FakeClient::Get().LastLogon(), "job/feed@x|p@ss/w|../../../../jobfeed.db|873");
}

// A client library that is not there or too old: the connect fails with -12560, the run logs it
// and ends as after any failed connect, and check-db names the library it looked for. The
// library is found through ORACLE_HOME too.
TEST_F(OracleSite, ClientLibraryLookedForOnThePathAndInOracleHome) {
  struct Case {
    std::vector<std::string> env;  // arguments of env(1) in front of the program
    int check_db_exit;
    const char* check_db_says;
    const char* run_code;  // "" for a run without messages
  };
  const fs::path versioned = root() / "instantclient";
  fs::create_directories(versioned);
  fs::create_symlink(FAKEOCI_HOME "/lib/libclntsh.so", versioned / "libclntsh.so.19.1");
  const Case cases[] = {
      {{"-u", "LD_LIBRARY_PATH", "-u", "ORACLE_HOME"},
       1,
       "status -12560: Oracle client library libclntsh.so (or a versioned libclntsh.so.NN.1) not "
       "found (looked in the library path, ORACLE_HOME not set)",
       "-12560"},
      {{"-u", "ORACLE_HOME", "LD_LIBRARY_PATH=" FAKEOCI_OLD_HOME "/lib"},
       1,
       "status -12560: Oracle client library libclntsh.so lacks OCIEnvNlsCreate: the client is "
       "too old",
       "-12560"},
      {{"-u", "LD_LIBRARY_PATH", "ORACLE_HOME=" FAKEOCI_HOME}, 0, "all tables and columns", ""},
      // An install that carries only a versioned name; check-db says which file it took.
      {{"-u", "ORACLE_HOME", "LD_LIBRARY_PATH=" + versioned.string()},
       0,
       "libclntsh.so.19.1\n",
       ""},
      // A relative ORACLE_HOME would be looked into below the working directory.
      {{"-u", "LD_LIBRARY_PATH", "ORACLE_HOME=planted"},
       1,
       "ORACLE_HOME planted ignored: not an absolute path",
       "-12560"},
  };
  fs::create_directories(root() / "planted" / "lib");
  fs::create_symlink(FAKEOCI_HOME "/lib/libclntsh.so", root() / "planted" / "lib" / "libclntsh.so");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.env[1] + " " + c.env[2]);
    std::vector<std::string> args = c.env;
    args.push_back(JOBFEED_ADMIN_BIN);
    args.push_back("check-db");
    std::string out;
    EXPECT_EQ(test::RunCommand("/usr/bin/env", args, &out), c.check_db_exit);
    EXPECT_NE(out.find(c.check_db_says), std::string::npos) << out;
    args.pop_back();
    args.back() = JOBFEED_BIN;
    for (const char* a : {"REQ1", "4711", "10", "BEGIN"}) args.push_back(a);
    std::filesystem::remove(msg_file());
    EXPECT_EQ(test::RunCommand("/usr/bin/env", args), 0);
    const auto m = Messages();
    if (*c.run_code == '\0') {
      EXPECT_TRUE(m.empty());
    } else {
      // The message file names the library too, before the usual message.
      ASSERT_EQ(m.size(), 2u);
      EXPECT_NE(("status " + m[0].code + ": " + m[0].message).find(c.check_db_says),
                std::string::npos)
          << m[0].message;
      EXPECT_EQ(m[1].function, "bdConnect");
      EXPECT_EQ(m[1].message, "Fehlethafte Connect mit der DB ");
      EXPECT_EQ(m[1].code, c.run_code);
    }
  }
}

// The client's errors reach the caller as the negated ORA numbers, whichever call fails.
TEST_F(OracleSite, ErrorsAreTheNegatedOraNumbers) {
  Sql("insert into Kvl501Apk (ApkApk,ApkSts) values ('4711',70000)");
  struct Case {
    const char* function;
    int ora;
    int status;
  } cases[] = {
      {"OCIStmtExecute", 54, -54},    {"OCIStmtExecute", 600, -600},
      {"OCIStmtFetch2", 1013, -1013}, {"OCIStmtPrepare2", 1019, -1019},
      {"OCIBindByPos", 1036, -1036},  {"OCIDefineByPos", 1007, -1007},
      {"OCIAttrGet", 24315, -24315},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.function);
    sql::Disconnect();  // a fresh session: the statement is prepared again
    ConnectInProcess();
    FakeClient::Get().Fail(c.function, "ApkApk=:b0", 1, c.ora);
    ApkRecord r;
    r.ApkApk = "4711";
    EXPECT_EQ(Apk_PKeyRead(&r), c.status);
    char ora[16];
    std::snprintf(ora, sizeof ora, "ORA-%05d", c.ora);
    EXPECT_NE(sql::CurrentBackend()->LastErrorText().find(ora), std::string::npos);
    FakeClient::Get().Reset();
  }
  // A value the record's 16-bit field cannot hold fails the row, on the server's say.
  ApkRecord r;
  r.ApkApk = "4711";
  EXPECT_EQ(Apk_PKeyRead(&r), sql::kIntegerOverflow);
}

// A lost connection fails the call with its number and every later one with -3114, without
// asking the client again; what the session left uncommitted is gone, what it committed stays.
// The client reports a lost session under many numbers.
TEST_F(OracleSite, LostConnectionLosesOnlyTheOpenTransaction) {
  for (const int ora : {3113, 28, 1012, 1089, 1092, 3135, 12537, 12547, 12570, 12583}) {
    SCOPED_TRACE(ora);
    sql::Disconnect();
    Sql("delete from Kvl557Cfg");
    ConnectInProcess();
    FakeClient::Get().Reset();
    ASSERT_EQ(InsertCfg(1), 0);
    sql::Commit();
    ASSERT_EQ(InsertCfg(2), 0);
    FakeClient::Get().Fail("OCIStmtExecute", "Kvl557Cfg", 1, ora);
    EXPECT_EQ(InsertCfg(3), -ora);
    EXPECT_EQ(InsertCfg(4), -3114);
    sql::Commit();
    EXPECT_EQ(sql::Sqlcode(), -3114);
    EXPECT_EQ(FakeClient::Get().Calls("OCIStmtExecute"), 3);
    EXPECT_EQ(Scalar("select group_concat(CfgDta) from Kvl557Cfg"), "1");
  }
}

// A call broken off at the call timeout fails alone when the session is still there, as its
// server handle tells, and the open transaction stays: a write, which may wait for a row lock
// without a "wait N" of its own, within the lock wait (then -54, as a locking read), anything
// else within the call timeout. A session that is gone, or whose status cannot be read, is a
// lost connection. Round trips the fake's server makes too slow reach the same paths as Oracle's
// client takes them: each call broken off alone, a server that no longer answers the session gone.
TEST_F(OracleSite, CallTimeoutsAskWhetherTheSessionLives) {
  int32_t rows = 0;
  const Out out[] = {Out::I32(&rows)};
  for (const int ora : {3156, 3136, 12161}) {
    SCOPED_TRACE(ora);
    ASSERT_EQ(InsertCfg(1), 0);
    FakeClient::Get().Fail("OCIStmtExecute", "count(*)", 1, ora);
    EXPECT_EQ(sql::SelectInto("select count(*) into :b0  from Kvl557Cfg", {}, out),
              sql::kCallTimeout);
    EXPECT_NE(sql::CurrentBackend()->LastErrorText().find("call timeout (60 s)"),
              std::string::npos);
    FakeClient::Get().Fail("OCIStmtExecute", "insert", 1, ora);
    EXPECT_EQ(InsertCfg(2), sql::kBusy);
    EXPECT_NE(sql::CurrentBackend()->LastErrorText().find("lock wait (30 s)"), std::string::npos);
    ASSERT_EQ(InsertCfg(3), 0);
    sql::Commit();
    EXPECT_EQ(Scalar("select group_concat(CfgDta) from Kvl557Cfg"), "1,3");
    Sql("delete from Kvl557Cfg");
    FakeClient::Get().Reset();
  }
  ASSERT_EQ(InsertCfg(1), 0);
  FakeClient::Get().Fail("OCIStmtExecute", "Kvl557Cfg", 1, 3156);
  FakeClient::Get().Fail("OCIAttrGet", "", 1, 3113);
  EXPECT_EQ(InsertCfg(2), sql::kLostConnection);
  EXPECT_EQ(InsertCfg(3), -3114);

  sql::Disconnect();
  Sql("delete from Kvl557Cfg");
  ConnectInProcess();
  FakeClient& fake = FakeClient::Get();
  fake.Reset();
  fake.SetTimeScale(1000);  // a minute in 60 ms
  ASSERT_EQ(InsertCfg(1), 0);
  fake.Slow("OCIStmtExecute", "count(*)", 1, 61000);
  EXPECT_EQ(sql::SelectInto("select count(*) into :b0  from Kvl557Cfg", {}, out),
            sql::kCallTimeout);
  EXPECT_NE(sql::CurrentBackend()->LastErrorText().find("ORA-03156"), std::string::npos);
  fake.Slow("OCIStmtExecute", "insert", 1, 31000);
  EXPECT_EQ(InsertCfg(2), sql::kBusy);
  fake.Slow("OCITransCommit", "", 1, 61000);
  sql::Commit();
  EXPECT_EQ(sql::Sqlcode(), sql::kCallTimeout);
  fake.Slow("OCIStmtExecute", "count(*)", 1, 59000);
  EXPECT_EQ(sql::SelectInto("select count(*) into :b0  from Kvl557Cfg", {}, out), 0);
  EXPECT_EQ(rows, 1);
  sql::Commit();
  ASSERT_EQ(sql::Sqlcode(), 0);
  ASSERT_EQ(InsertCfg(3), 0);
  fake.Slow("OCIStmtExecute", "insert", 1, 0, true);
  EXPECT_EQ(InsertCfg(4), -3114);
  EXPECT_EQ(InsertCfg(5), -3114);
  EXPECT_EQ(Scalar("select group_concat(CfgDta) from Kvl557Cfg"), "1");
}

// The client's character set, as Oracle converts texts to and from the database's AL32UTF8: the
// backend's AL32UTF8 gets every character as it is stored; WE8MSWIN1252 gets the set's
// replacement character, the inverted question mark, for one the code page lacks, and its own
// texts are stored in UTF-8.
TEST_F(OracleSite, ClientCharacterSetsConvertAsOraclesDo) {
  using namespace oracle;  // NOLINT: the interface's own names
  const Oci* oci = nullptr;
  std::string why;
  ASSERT_EQ(LoadOci(&oci, &why), 0) << why;
  Sql("insert into Kvl557Cfg (CfgDta,CfgIP) values (1,cast(x'C581E282ACC3A4' as text))");  // Ł€ä
  // Writes row n's CfgIP through a session of the character set, then reads row 1's.
  const auto session = [&](ub2 charset, int n, std::string text) {
    OCIEnv* env = nullptr;
    void* err = nullptr;
    OCISvcCtx* svc = nullptr;
    const std::string db = db_path().string();
    oci->EnvNlsCreate(&env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr, charset,
                      charset);
    oci->HandleAlloc(env, &err, OCI_HTYPE_ERROR, 0, nullptr);
    auto* e = static_cast<OCIError*>(err);
    oci->Logon2(env, e, &svc, reinterpret_cast<const OraText*>("u"), 1,
                reinterpret_cast<const OraText*>("p"), 1,
                reinterpret_cast<const OraText*>(db.data()), static_cast<ub4>(db.size()), 0);
    char got[32] = {};
    for (const std::string& sql :
         {"insert into Kvl557Cfg (CfgDta,CfgIP) values (" + std::to_string(n) + ",:b0)",
          std::string("select CfgIP from Kvl557Cfg where CfgDta=1")}) {
      OCIStmt* st = nullptr;
      OCIBind* b = nullptr;
      OCIDefine* d = nullptr;
      oci->StmtPrepare2(svc, &st, e, reinterpret_cast<const OraText*>(sql.data()),
                        static_cast<ub4>(sql.size()), nullptr, 0, OCI_NTV_SYNTAX, OCI_DEFAULT);
      const bool query = sql[0] == 's';
      if (query) {
        oci->DefineByPos(st, &d, e, 1, got, sizeof got, SQLT_STR, nullptr, nullptr, nullptr, 0);
      } else {
        oci->BindByPos(st, &b, e, 1, text.data(), static_cast<sb4>(text.size()), SQLT_CHR, nullptr,
                       nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
      }
      EXPECT_EQ(oci->StmtExecute(svc, st, e, query ? 0 : 1, 0, nullptr, nullptr, 0), OCI_SUCCESS);
      if (query) {
        EXPECT_EQ(oci->StmtFetch2(st, e, 1, OCI_FETCH_NEXT, 0, 0), OCI_SUCCESS);
      }
      oci->StmtRelease(st, e, nullptr, 0, OCI_DEFAULT);
    }
    oci->TransCommit(svc, e, 0);
    oci->Logoff(svc, e);
    oci->HandleFree(err, OCI_HTYPE_ERROR);
    oci->HandleFree(env, OCI_HTYPE_ENV);
    return std::string(got);
  };
  EXPECT_EQ(session(kCharsetAl32Utf8, 2, "\xE2\x82\xAC"), "\xC5\x81\xE2\x82\xAC\xC3\xA4");
  EXPECT_EQ(session(178, 3, "\x80"), "\xBF\x80\xE4");  // WE8MSWIN1252
  EXPECT_EQ(Scalar("select group_concat(hex(CfgIP)) from Kvl557Cfg where CfgDta>1"),
            "E282AC,E282AC");
}

// A write has no wait of its own: its call timeout, the lock wait, breaks it off, and it fails as
// a locking read does, with the session still there. The test shortens the site's 30 s bound.
TEST_F(OracleSite, PlainWriteOnADatabaseHeldPastTheLockWaitIsBusy) {
  constexpr int kBoundMillis = 1500;
  ::setenv("JOBFEED_TEST_LOCK_WAIT_MS", std::to_string(kBoundMillis).c_str(), 1);
  if (sql::LockWaitMillis() != kBoundMillis) {
    GTEST_SKIP() << "the lock wait was read before the test could shorten it: run the test alone";
  }
  Sql("begin immediate");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(InsertCfg(1), sql::kBusy);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kBoundMillis));
  EXPECT_NE(sql::CurrentBackend()->LastErrorText().find("ORA-03156"), std::string::npos);
  Sql("commit");
  EXPECT_EQ(InsertCfg(2), 0);
}

// A session may hold only OPEN_CURSORS statements open on the server (50 by default): the
// backend keeps the handles of the statements used last and gives back the rest, so any number
// of statement texts runs. The fake client holds a session to the limit.
TEST_F(OracleSite, StatementsOpenOnTheServerStayWithinOpenCursors) {
  auto select = [](int n) {
    int32_t dta = 0;
    const Out out[] = {Out::I32(&dta)};
    return sql::SelectInto(
        "select count(*) into :b0  from Kvl557Cfg where CfgDta<>" + std::to_string(n), {}, out);
  };
  for (int n = 0; n < 400; ++n) ASSERT_EQ(select(n), 0) << n;
  sql::Disconnect();
  ConnectInProcess();
  const int limit = static_cast<int>(oracle::kHeldStatements + oracle::kClientCachedStatements);
  FakeClient::Get().SetOpenCursors(limit - 1);
  int n = 0;
  while (n < 400 && select(n) == 0) ++n;
  EXPECT_EQ(n, limit - 1);
  EXPECT_EQ(sql::Sqlcode(), -1000);
}

// Ending a session commits on Oracle; the backend rolls back first, so a session that ends
// without its commit leaves nothing behind, as a process that just ends does.
TEST_F(OracleSite, EndingTheSessionCommitsNothingItWasNotTold) {
  ASSERT_EQ(InsertCfg(1), 0);
  sql::Disconnect();
  EXPECT_EQ(Scalar("select count(*) from Kvl557Cfg"), "0");
  ConnectInProcess();
  ASSERT_EQ(InsertCfg(1), 0);
  sql::Commit();
  FakeClient::Get().Reset();
  sql::Disconnect();
  EXPECT_EQ(Scalar("select count(*) from Kvl557Cfg"), "1");
  EXPECT_EQ(FakeClient::Get().RoundTrips(), 1) << "after the commit, only the logoff";
}

TEST_F(OracleSite, PlSqlBlocksAreRefused) {
  EXPECT_EQ(sql::Execute("begin delete from Kvl557Cfg where CfgDta=:b0; end;", {In::I32(1)}),
            sql::kInvalidSqlStatement);
  EXPECT_EQ(sql::Execute("/* a block */ -- after comments\n\tbegin null; end;"),
            sql::kInvalidSqlStatement);
  EXPECT_EQ(FakeClient::Get().RoundTrips("OCIStmtExecute"), 0);
}

// Each text is prepared once per session; a cursor's rows come 500 to a round trip, the first
// ones with the execute; a single-row SELECT finds out about a second row in its one round trip.
TEST_F(OracleSite, StatementsPreparedOnceAndRowsFetchedInBatches) {
  Sql("with recursive n(i) as (select 1 union all select i+1 from n where i<1200) "
      "insert into Kvl557Cfg (CfgDta) select i from n");
  const char kText[] = "select CfgDta  from Kvl557Cfg where CfgDta>:b0 order by CfgDta";
  sql::Cursor cur(kText);
  int32_t dta = 0;
  const Out out[] = {Out::I32(&dta)};
  for (int pass = 0; pass < 2; ++pass) {
    ASSERT_EQ(cur.Open({In::I32(0)}), 0);
    int rows = 0;
    while (cur.Fetch(out) == 0) EXPECT_EQ(dta, ++rows);
    EXPECT_EQ(rows, 1200);
    EXPECT_EQ(cur.Close(), 0);
  }
  FakeClient& fake = FakeClient::Get();
  EXPECT_EQ(fake.Calls("OCIStmtPrepare2", kText), 1);
  EXPECT_EQ(fake.RoundTrips("OCIStmtExecute", kText), 2);
  // Rows 1-500 with each execute, 501-1001 and 1002-1200 (and the end) with one fetch each.
  EXPECT_EQ(fake.RoundTrips("OCIStmtFetch2", kText), 4);

  int32_t n = 0;
  const Out one[] = {Out::I32(&n)};
  const char kOne[] = "select CfgDta into :b0  from Kvl557Cfg where CfgDta>=:b1";
  EXPECT_EQ(sql::SelectInto(kOne, {In::I32(1200)}, one), 0);
  EXPECT_EQ(n, 1200);
  EXPECT_EQ(sql::SelectInto(kOne, {In::I32(1199)}, one), sql::kTooManyRows);
  EXPECT_EQ(fake.RoundTrips(nullptr, "CfgDta>=:b1"), 2) << "one round trip each";
}

// The order run through the fake client: every statement text prepared once, no round trip but
// those the statements need, fetches in batches. Prints the figures of docs/PERFORMANCE.md.
class OracleRun : public test::DueSiteTest {
 protected:
  test::BackendKind backend() const override { return test::BackendKind::kOracle; }
};

TEST_F(OracleRun, RoundTripsPerSentRow) {
  AddTerminals();
  MarkRows(400, "RT");
  // The run's own arguments mark this header and position (an AEN one) again.
  Remarked("APK|A00000");
  Remarked("APP|A00000|20");
  const std::string stats = (root() / "stats.txt").string();
  ::setenv("FAKEOCI_STATS", stats.c_str(), 1);
  ::setenv("JOBFEED_GROUP_MS", "10000", 1);  // groups end by their rows only, however slow
  const int rc = RunJobfeedBinary({"RT", "A00000", "20", "BEGIN"});
  ::unsetenv("FAKEOCI_STATS");
  ::unsetenv("JOBFEED_GROUP_MS");
  ASSERT_EQ(rc, 0);
  ASSERT_TRUE(Messages().empty());
  const Report r = CheckPromises("after the run", true);
  ASSERT_EQ(r.violations, 0);
  const int sent = r.sent;

  // function -> calls, round trips; the prepares and the executes per text.
  std::map<std::string, std::pair<long, long>> by_function;
  std::map<std::string, long> prepares, executes;
  std::ifstream in(stats);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream f(line);
    std::string function, calls, trips, text;
    std::getline(f, function, '\t');
    std::getline(f, calls, '\t');
    std::getline(f, trips, '\t');
    std::getline(f, text);
    by_function[function].first += std::stol(calls);
    by_function[function].second += std::stol(trips);
    if (function == "OCIStmtPrepare2") prepares[text] += std::stol(calls);
    if (function == "OCIStmtExecute") {
      // The head and the tail of the text tell the statements apart.
      const std::string label =
          text.size() <= 42 ? text : text.substr(0, 14) + "..." + text.substr(text.size() - 25);
      executes[label] += std::stol(trips);
    }
  }
  ASSERT_FALSE(by_function.empty()) << "no counts in " << stats;
  for (const auto& [text, n] : prepares) EXPECT_EQ(n, 1) << text;
  long total = 0;
  std::printf("order run through the fake client: %d rows sent\n", sent);
  std::printf("  %-42s %8s %8s %10s\n", "call", "calls", "trips", "trips/row");
  for (const auto& [function, c] : by_function) {
    total += c.second;
    if (c.second == 0) continue;
    std::printf("  %-42s %8ld %8ld %10.3f\n", function.c_str(), c.first, c.second,
                static_cast<double>(c.second) / sent);
  }
  std::printf("  %-42s %8s %8ld %10.3f\n", "all", "", total, static_cast<double>(total) / sent);
  std::printf("  executes by statement:\n");
  for (const auto& [text, n] : executes) {
    std::printf("  %-42s %8s %8ld %10.3f\n", text.c_str(), "", n, static_cast<double>(n) / sent);
  }
  EXPECT_LE(by_function["OCIStmtFetch2"].second, sent / 100 + 1);
  // A commit per group of 100 rows (a position and its order's count in one); the two markings
  // of the run's arguments commit with their writes, and the run's final commit has nothing to
  // commit.
  int headers = 0;
  for (const Due& d : due()) headers += d.key.rfind("APK|", 0) == 0;
  const int groups = (headers + 99) / 100 + (sent - headers + 99) / 100;
  EXPECT_EQ(by_function["OCITransCommit"].second, groups);
  EXPECT_EQ(by_function["OCITransRollback"].second, 0);
}

// Rows of a batch another session holds: the batch's read of its rows' keys fails whole and
// keeps nothing, the rows before a held one go as a batch, and the held one goes again as the
// next group's first, which waits for it. Nothing is lost or sent twice, nothing is logged.
// Groups of 150 rows: a batch's keys take two statements.
TEST_F(OracleRun, BatchRowsHeldElsewhereWaitAsTheNextGroupsFirst) {
  AddTerminals();
  MarkRows(300, "RT");
  auto other = fakeoci::RowLocks::Open(db_path().string());
  ASSERT_TRUE(other);
  int held = 0;
  for (const Due& d : due()) {
    if (d.key.rfind("APP|", 0) != 0 || ++held % 70 != 0) continue;
    const fakeoci::LockedRow row =
        fakeoci::RowOf("select AppApk from Kvl504App where (AppApk=:b0 and AppApp=:b2)",
                       std::vector<In>{In::Text(d.order), In::Text(d.position)});
    ASSERT_EQ(other->Lock(row.table, row.key, 0), fakeoci::RowLocks::kLocked);
  }
  Remarked("APK|A00000");
  Remarked("APP|A00000|20");
  ::setenv("JOBFEED_GROUP_ROWS", "150", 1);
  const pid_t run = test::StartProgram(JOBFEED_BIN, {"RT", "A00000", "20", "BEGIN"});
  int status = -1;
  bool awaited = false;  // a run's session waited for a held row: the rows are let go
  for (int ms = 0; !test::WaitFor(run, 10, &status); ms += 10) {
    if (!awaited && other->Awaited()) {
      awaited = true;
      other->ReleaseAll();
    }
    if (ms > 60000) ::kill(run, SIGKILL);
  }
  EXPECT_TRUE(awaited) << "no held row went as a group's first";
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(Messages().empty());
  const Report r = CheckPromises("after the run", true);
  EXPECT_EQ(r.violations, 0);
  EXPECT_EQ(r.extra_lines, 0);
}

// A row another session holds, through the fake: NOWAIT fails at once, WAIT N after N seconds,
// a rollback to a savepoint keeps the session's own rows, and its commit frees them. In a batch
// the held row's read fails it, not an earlier one, and the read of all their keys that failed
// keeps no row after it.
TEST_F(OracleSite, RowsHeldByAnotherSessionAreWaitedForAsOracleWaits) {
  ASSERT_EQ(InsertCfg(7), 0);
  const std::string read = "select CfgIP from Kvl557Cfg where CfgDta=:b0";
  char ip[16] = {};
  const auto lock_read = [&](const char* how) {
    const Out out[] = {Out::Text(ip, sizeof ip)};
    return sql::SelectInto(read + how, {In::I32(7)}, out);
  };
  auto other = fakeoci::RowLocks::Open(db_path().string());
  const fakeoci::LockedRow row = fakeoci::RowOf(read, std::vector<In>{In::I32(7)});
  ASSERT_TRUE(other && other->Lock(row.table, row.key, 0) == fakeoci::RowLocks::kLocked);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(lock_read(" for update nowait"), sql::kBusy);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_NE(lock_read(" for update wait 1"), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_NE(sql::CurrentBackend()->LastErrorText().find("ORA-30006"), std::string::npos);
  other->ReleaseAll();
  ASSERT_EQ(sql::BeginUnit("Lock"), 0);
  ASSERT_EQ(lock_read(" for update nowait"), 0);
  ASSERT_EQ(sql::Execute("rollback  to Lock_Sp"), 0);
  EXPECT_EQ(other->Lock(row.table, row.key, 0), fakeoci::RowLocks::kBusy);
  ASSERT_EQ(sql::EndUnit(true), 0);
  EXPECT_EQ(other->Lock(row.table, row.key, 0), fakeoci::RowLocks::kLocked);

  const auto queue = [&](int dta) {
    const Out out[] = {Out::Text(ip, sizeof ip)};
    return sql::SelectInto(read + " for update nowait", {In::I32(dta)}, out);
  };
  ASSERT_EQ(sql::BeginGroupUnit("G"), 0);
  ASSERT_EQ(queue(12), sql::kNotFound);  // the group's first: the batch undoes only its own
  ASSERT_EQ(sql::BeginBatch(true), 0);
  for (int dta = 1; dta <= 11; ++dta) {
    sql::BatchTag(dta);
    queue(dta);
  }
  EXPECT_EQ(sql::RunBatch(), sql::kBusy);
  EXPECT_EQ(sql::BatchFailedTag(), 7);
  const fakeoci::LockedRow after = fakeoci::RowOf(read, std::vector<In>{In::I32(8)});
  EXPECT_EQ(other->Lock(after.table, after.key, 0), fakeoci::RowLocks::kLocked);
  sql::EndBatch(false);
  EXPECT_EQ(sql::EndGroup(false), 0);
}

// Row locks between sessions, across processes through their side file: NOWAIT fails at once, a
// wait ends at its bound, a wait that closes a cycle is the deadlock of the one that closes it
// while the other's wait goes on to the lock, and a process that is gone holds nothing.
TEST_F(OracleSite, RowLocksWaitBusyAndDeadlock) {
  using fakeoci::RowLocks;
  auto a = RowLocks::Open(db_path().string());
  auto b = RowLocks::Open(db_path().string());
  ASSERT_TRUE(a && b);
  ASSERT_EQ(a->Lock("Kvl557Auf", "1", 0), RowLocks::kLocked);
  EXPECT_EQ(a->Lock("Kvl557Auf", "1", 0), RowLocks::kLocked);  // its own row
  EXPECT_EQ(b->Lock("Kvl557Auf", "1", 0), RowLocks::kBusy);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(b->Lock("Kvl557Auf", "1", 150), RowLocks::kBusy);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
  ASSERT_EQ(b->Lock("Kvl557Auf", "2", 0), RowLocks::kLocked);
  RowLocks::Result a_got = RowLocks::kError;
  std::thread waiter([&] { a_got = a->Lock("Kvl557Auf", "2", 10000); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(b->Lock("Kvl557Auf", "1", 10000), RowLocks::kDeadlock);
  b->ReleaseAll();
  waiter.join();
  EXPECT_EQ(a_got, RowLocks::kLocked);
  EXPECT_NE(a->Owner("Kvl557Auf", "1"), "");
  EXPECT_EQ(a->Owner("Kvl557Auf", "2"), a->Owner("Kvl557Auf", "1"));
  a->ReleaseAll();
  EXPECT_EQ(b->Owner("Kvl557Auf", "1"), "");
#ifndef _WIN32
  const pid_t child = fork();
  if (child == 0) {
    auto c = RowLocks::Open(db_path().string());
    _exit(c && c->Lock("Kvl557Auf", "3", 0) == RowLocks::kLocked ? 0 : 1);
  }
  int status = -1;
  waitpid(child, &status, 0);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(b->Lock("Kvl557Auf", "3", 0), RowLocks::kLocked);
#endif
}

}  // namespace
}  // namespace jf
