// What is the PostgreSQL backend's own, on a real server: where the login comes from, a failed
// statement inside a transaction (which PostgreSQL would let spoil the whole transaction), a
// statement timeout and a lock held past the bound, cursors that outlive the commits of their
// walk and fetch in batches, and a server that stops in the middle of a run.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "db/OpenBackend.h"
#include "db/postgres/PostgresBackend.h"
#include "db/sql/Session.h"
#include "driver/Run.h"
#include "support/DueSite.h"
#include "support/PostgresSite.h"

namespace jf {
namespace {

using sql::In;
using sql::Out;

class PostgresSite : public test::DueSiteTest {
 protected:
  test::BackendKind backend() const override { return test::BackendKind::kPostgres; }
  // The program's session on the site's database, the URI followed by options.
  int Connect(const std::string& options = "") {
    return sql::Connect("jobfeed/secret@" + net_service() + options, OpenBackend);
  }
  int InsertCfg(int dta) {
    return sql::Execute("insert into Kvl557Cfg (CfgDta,CfgVn1) values (:b0,'A')", {In::I32(dta)});
  }
  int Count() {
    int32_t n = -1;
    const Out out[] = {Out::I32(&n)};
    return sql::SelectInto("select count(*)  into :b0  from Kvl557Cfg", {}, out) == 0 ? n : -1;
  }
};

// The login comes from the login file alone, and a failed connect has a status per cause, as
// Oracle's client gives them, with the client's or the server's words as the reason.
TEST_F(PostgresSite, LoginComesFromTheLoginFileAloneAndEachFailureSaysWhy) {
  const std::string uri = net_service();
  const std::string db = uri.substr(std::string("postgresql:///").size());
  // A socket that takes connections and never answers: a server that hangs.
  const std::string silent = "/tmp/jf-silent-" + std::to_string(::getpid());
  std::filesystem::create_directories(silent);
  const int hangs = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un a{AF_UNIX, {}};
  std::snprintf(a.sun_path, sizeof a.sun_path, "%s/.s.PGSQL.5432", silent.c_str());
  ASSERT_EQ(::bind(hangs, reinterpret_cast<sockaddr*>(&a), sizeof a) + ::listen(hangs, 4), 0);
  const struct {
    std::string user, password, net;
    int status;
    const char* reason;
  } cases[] = {
      {"jobfeed", "secret", uri, 0, ""},
      {"jobfeed", "secret", "postgres:///" + db, 0, ""},
      {"jf_password", "right", uri, 0, ""},
      {"jf_password", "wrong", uri, sql::kLogonDenied, "password authentication failed"},
      {"jobfeed", "", uri, sql::kLogonDenied, "login file"},
      {"", "secret", uri, sql::kLogonDenied, "login file"},
      {"jobfeed", "secret", "postgresql://jobfeed@/" + db, sql::kConnectIdentifier, "login file"},
      {"jobfeed", "secret", uri + "?password=secret", sql::kConnectIdentifier, "login file"},
      {"jobfeed", "secret", uri + "?service=jobfeed", sql::kConnectIdentifier, "login file"},
      {"jobfeed", "secret", uri + "?nonsense=1", sql::kConnectIdentifier, "nonsense"},
      {"jobfeed", "secret", "postgresql:///jf_no_such_db", sql::kServiceUnknown, "not exist"},
      {"jobfeed", "secret", "postgresql://%2Ftmp%2Fjf-nobody-listens/" + db, sql::kNoListener,
       "jf-nobody-listens"},
      {"jobfeed", "secret",
       "postgresql://%2Ftmp%2Fjf-silent-" + std::to_string(::getpid()) + "/" + db +
           "?connect_timeout=2",
       sql::kConnectTimeout, "timeout"},
      {"jobfeed", "secret", "postgresql://[::1/" + db, sql::kConnectIdentifier, "URI"},
  };
  for (const auto& c : cases) {
    std::unique_ptr<sql::Backend> b;
    std::string why;
    EXPECT_EQ(OpenBackend(c.user, c.password, c.net, &b, &why), c.status) << c.net << " " << why;
    EXPECT_NE(why.find(c.reason), std::string::npos) << c.net << ": " << why;
    EXPECT_EQ(b != nullptr, c.status == 0) << c.net;
  }
  ::close(hangs);
  std::filesystem::remove_all(silent);
}

// Oracle undoes a failed statement alone and keeps the transaction; PostgreSQL would fail the
// whole transaction and refuse every statement after it.
TEST_F(PostgresSite, FailedStatementUndoesItselfAloneInsideATransaction) {
  ASSERT_EQ(Connect(), 0);
  ASSERT_EQ(sql::BeginUnit("U"), 0);
  EXPECT_EQ(InsertCfg(1), 0);
  EXPECT_EQ(InsertCfg(1), sql::kUniqueViolated);
  EXPECT_EQ(sql::Execute("delete from Kvl999Xyz"), sql::kNoTable);
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(InsertCfg(2), 0);
  EXPECT_EQ(sql::EndUnit(true), 0);
  EXPECT_EQ(Scalar("select count(*) from Kvl557Cfg"), "2");

  // Failing right after a savepoint, and the savepoint still there to go back to.
  EXPECT_EQ(sql::Execute("savepoint S"), 0);
  EXPECT_EQ(InsertCfg(2), sql::kUniqueViolated);
  EXPECT_EQ(InsertCfg(3), 0);
  EXPECT_EQ(sql::Execute("rollback  to S"), 0);
  EXPECT_EQ(sql::Execute("rollback  to T"), sql::kSavepointUnknown);
  sql::Commit();
  EXPECT_EQ(sql::Sqlcode(), 0);
  EXPECT_EQ(Count(), 2);
  // A write with its savepoint is one round trip, its commit another.
  postgres::ResetTrips();
  EXPECT_EQ(sql::WriteWithSavepoint("Cfg_Ins", "insert into Kvl557Cfg (CfgDta) values (:b0)",
                                    {In::I32(4)}),
            0);
  EXPECT_EQ(postgres::Trips().Total(), 2);

  // A unit's write that takes its COMMIT along: one round trip. A COMMIT the server refuses
  // after the write went through (a deferred constraint) is the unit's end status, and the
  // session goes on.
  Sql("alter table Kvl557Cfg add constraint jf_deferred unique (CfgBi2) deferrable initially "
      "deferred");
  const int before = Count();
  for (int dta : {6, 7}) {
    ASSERT_EQ(sql::BeginUnit("U"), 0);
    sql::EndUnitWithNextWrite();
    postgres::ResetTrips();
    EXPECT_EQ(
        sql::WriteWithSavepoint("Cfg_Ins", "insert into Kvl557Cfg (CfgDta,CfgBi2) values (:b0,'D')",
                                {In::I32(dta)}),
        0);
    EXPECT_EQ(sql::EndUnit(true), dta == 6 ? 0 : sql::kUniqueViolated);
    EXPECT_EQ(postgres::Trips().Total(), 1);
  }
  EXPECT_EQ(InsertCfg(8), 0);
  sql::Commit();
  EXPECT_EQ(Count(), before + 2);
  EXPECT_EQ(Scalar("select string_agg(CfgDta::text, ',') from Kvl557Cfg where CfgBi2='D'"), "6");
}

TEST_F(PostgresSite, LockHeldPastTheBoundAndStatementTimeout) {
  Sql("insert into Kvl557Cfg (CfgDta) values (1)");
  const auto other = OpenTestDb(db_path().string());
  ASSERT_EQ(other->Exec("begin; select * from Kvl557Cfg where CfgDta=1 for update"), "");
  const std::string update = "update Kvl557Cfg set CfgVn1=:b0 where CfgDta=:b1";
  // The bound as a site may set it in the URI.
  ASSERT_EQ(Connect("?options=-c%20lock_timeout%3D300"), 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(sql::WriteWithSavepoint("Cfg_Upd", update, {In::Text("x"), In::I32(1)}), sql::kBusy);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(InsertCfg(2), 0) << "the session goes on";
  sql::Disconnect();
  ASSERT_EQ(Connect("?options=-c%20statement_timeout%3D300"), 0);
  EXPECT_EQ(sql::WriteWithSavepoint("Cfg_Upd", update, {In::Text("x"), In::I32(1)}),
            sql::kCancelled);
  EXPECT_EQ(InsertCfg(3), 0);
  sql::Commit();
  EXPECT_EQ(other->Exec("commit"), "");
  EXPECT_EQ(Scalar("select count(*) from Kvl557Cfg where CfgVn1 is null"), "1");
}

TEST_F(PostgresSite, CursorOutlivesTheCommitsOfItsWalkAndFetchesInBatches) {
  Sql("insert into Kvl557Cfg (CfgDta,CfgVn1) select g,'A' from generate_series(1,1234) g");
  ASSERT_EQ(Connect(), 0);
  postgres::ResetTrips();
  sql::Cursor cur("select CfgDta  from Kvl557Cfg where CfgVn1=:b0 order by CfgDta");
  ASSERT_EQ(cur.Open({In::Text("A")}), 0);
  int32_t dta = 0;
  const Out out[] = {Out::I32(&dta)};
  int expected = 1, writes = 0;
  while (cur.Fetch(out) == 0) {
    ASSERT_EQ(dta, expected++);
    // Unmark and delete rows while walking, committing each, as the downloads do.
    ASSERT_EQ(sql::WriteWithSavepoint("X", "update Kvl557Cfg set CfgVn1=null where CfgDta=:b0",
                                      {In::I32(dta)}),
              0);
    ++writes;
    if (dta % 2 == 0) {
      ASSERT_EQ(
          sql::WriteWithSavepoint("Y", "delete from Kvl557Cfg where CfgDta=:b0", {In::I32(dta)}),
          0);
      ++writes;
    }
  }
  EXPECT_EQ(expected, 1235);
  cur.Close();
  const postgres::RoundTrips t = postgres::Trips();
  EXPECT_EQ(t.fetch, 2) << "500 rows come with the open, two fetches bring the rest";
  EXPECT_EQ(t.execute, 1 + writes) << "one round trip per write, its savepoint with it";
  EXPECT_EQ(t.commit, writes);
  EXPECT_EQ(t.prepares, 3) << "each text prepared once";
  EXPECT_EQ(t.repair, 0);

  // Opened inside a transaction, a cursor's rows come whole: a rollback takes none away.
  ASSERT_EQ(sql::BeginUnit("U"), 0);
  ASSERT_EQ(InsertCfg(5000), 0);
  ASSERT_EQ(cur.Open({In::Text("A")}), 0);
  ASSERT_EQ(sql::EndUnit(false), 0);
  int rows = 0;
  while (cur.Fetch(out) == 0) ++rows;
  EXPECT_EQ(rows, 1);
  EXPECT_EQ(dta, 5000);
}

// A server of the test's own, which it stops as a crash would in the middle of a run.
class PostgresHaltSite : public PostgresSite {
 protected:
  void SetUp() override {
    dir_ = "/tmp/jobfeed-pg-halt-" + std::to_string(::getpid());
    ASSERT_EQ(test::RunCommand(server_, {"start", dir_}), 0);
    ASSERT_EQ(test::RunCommand(server_, {"database", dir_, test::kPostgresTemplate, "--test"}), 0);
    const char* host = std::getenv("PGHOST");
    host_ = host != nullptr ? host : "";
    ::setenv("PGHOST", dir_.c_str(), 1);
    PostgresSite::SetUp();
  }
  void TearDown() override {
    PostgresSite::TearDown();
    ::setenv("PGHOST", host_.c_str(), 1);
    test::RunCommand(server_, {"stop", dir_});
  }
  const std::string server_ = std::string(JOBFEED_SOURCE_DIR) + "/scripts/pg-server";
  std::string dir_, host_;
};

// How the server goes away in the middle of a run: stopped as by a crash (the connection breaks),
// or its process serving the run frozen (SIGSTOP: the connection stands, nothing answers; the
// run's statement bound is set short for the test, the program waits that and its margin).
enum class Halt { kCrash, kFrozen };

TEST_F(PostgresHaltSite, ServerStoppedMidRunLosesNothingAndTheNextRunSendsTheRest) {
  AddTerminals();
  MarkRows(600, "HALT");
  const std::vector<std::string> args = {"HALT", "NOSUCH", "1", "KEIN"};
  for (const Halt halt : {Halt::kCrash, Halt::kFrozen}) {
    SCOPED_TRACE(halt == Halt::kCrash ? "crash" : "frozen");
    std::filesystem::remove(msg_file());
    // The run waits for a header that another session holds, and the server goes then.
    const auto other = OpenTestDb(db_path().string());
    ASSERT_EQ(other->Exec("begin; select * from Kvl501Apk where ApkApk='A00060' for update"), "");
    if (halt == Halt::kFrozen) ::setenv("PGOPTIONS", "-c statement_timeout=2000", 1);
    const auto started = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
      std::vector<char*> argv{const_cast<char*>(JOBFEED_BIN)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(JOBFEED_BIN, argv.data());
      ::_exit(127);
    }
    ::unsetenv("PGOPTIONS");
    ASSERT_GT(pid, 0);
    const auto watch = OpenTestDb(db_path().string());
    std::string waiting;  // the server process of the waiting run
    for (int i = 0; i < 1000 && waiting.empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      std::string why;
      const auto rows = watch->Query(
          "select pid from pg_stat_activity where wait_event_type='Lock' and "
          "datname=current_database()",
          &why);
      if (rows.size() == 1) waiting = rows[0];
    }
    ASSERT_FALSE(waiting.empty()) << "the run never waited for the row";
    const pid_t server = std::stoi(waiting);
    if (halt == Halt::kCrash) {
      ASSERT_EQ(test::RunCommand(server_, {"halt", dir_}), 0);
    } else {
      ASSERT_EQ(::kill(server, SIGSTOP), 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    const auto took = std::chrono::steady_clock::now() - started;
    if (halt == Halt::kFrozen) {
      ::kill(server, SIGCONT);
      EXPECT_LT(took, std::chrono::seconds(15)) << "the bound is 2 s and the margin 5 s";
      EXPECT_EQ(other->Exec("rollback"), "");
    } else {
      ASSERT_EQ(test::RunCommand(server_, {"resume", dir_}), 0);
    }
    // The header download stops at the row with one entry; the position's preparation and
    // download fail at their first statement with one each; the run ends with the status.
    const char* lost = halt == Halt::kCrash ? "-3113" : "-3135";
    std::vector<std::string> entries;
    for (const Entry& e : Messages()) entries.push_back(e.function + "|" + e.code);
    EXPECT_EQ(entries, (std::vector<std::string>{std::string("ApkDnl|") + lost, "App_Sel|-3114",
                                                 "App_Dnl|-3114"}))
        << test::ReadBytes(msg_file());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == ProcessExitCode(sql::kNotConnected))
        << "status " << status;

    const Report halted = CheckPromises("after the halt", false);
    EXPECT_EQ(halted.violations, 0);
    EXPECT_GT(halted.still_due, 0);
  }
  std::filesystem::remove(msg_file());
  EXPECT_EQ(RunJobfeedBinary(args), 0);
  EXPECT_TRUE(Messages().empty());
  const Report done = CheckPromises("after the next run", true);
  EXPECT_EQ(done.violations, 0);
  EXPECT_LE(done.extra_lines, 2);
}

}  // namespace
}  // namespace jf
