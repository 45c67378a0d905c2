// Fault sweep: a run of a few rows (of jobfeed on order rows, of jobfeed-master on master data
// of all five kinds) is made once without faults to list every operating-system call and every
// database call it makes; then, for each of those calls in turn, the run is made
// again from the same start with that one call failing, and once more without faults. After
// each pair the promises of support/DueSite.h must hold, the messages must be the program's own,
// and the clean rerun must have sent everything still due. On the embedded backend the database
// calls fail at the statement seam; on the Oracle backend they fail in the client library (the
// fake client): every call that goes to the server loses the connection, and the first of every
// local call per statement fails with an error the program does not expect.
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <span>

#include "db/postgres/PostgresBackend.h"
#include "db/sql/FaultBackend.h"
#include "db/sql/Session.h"
#include "download/SndBuf.h"
#include "driver/MasterRun.h"
#include "driver/Run.h"
#include "msg/Msg.h"
#include "platform/FaultEnv.h"
#include "support/DueSite.h"
#include "support/FakeClient.h"

namespace jf::test {
namespace {

using sql::FaultBackend;

// Counts every call that reaches the real backend by kind and statement text, and can fail the
// nth commit (the one call FaultBackend does not reach), a write's commit in its own round trip
// included. A failed commit leaves the transaction open, as a database that refuses a commit does.
class CountingBackend final : public sql::Backend {
 public:
  struct Counts {
    std::map<std::string, int> execute, fetch, close;
    int commit = 0;
  };
  CountingBackend(std::unique_ptr<sql::Backend> base, Counts* counts, int fail_commit)
      : base_(std::move(base)), counts_(counts), fail_commit_(fail_commit) {}

  int Prepare(std::string_view text, bool cursor, std::unique_ptr<sql::BackendStmt>* out) override {
    std::unique_ptr<sql::BackendStmt> stmt;
    if (int rc = base_->Prepare(text, cursor, &stmt); rc != 0) return rc;
    *out = std::make_unique<Stmt>(this, std::move(stmt), std::string(text), counts_);
    return 0;
  }
  int Commit() override {
    if (++counts_->commit == fail_commit_) return -3113;
    return base_->Commit();
  }
  int Rollback() override { return base_->Rollback(); }
  int ReleaseSavepoint(std::string_view name) override { return base_->ReleaseSavepoint(name); }
  bool TransactionFull() const override { return base_->TransactionFull(); }
  bool UndoesFailedStatement() const override { return base_->UndoesFailedStatement(); }
  std::string LastErrorText() const override { return base_->LastErrorText(); }

 private:
  class Stmt final : public sql::BackendStmt {
   public:
    Stmt(CountingBackend* owner, std::unique_ptr<sql::BackendStmt> base, std::string text,
         Counts* c)
        : owner_(owner), base_(std::move(base)), text_(std::move(text)), c_(c) {}
    int Execute(std::span<const sql::In> in) override {
      ++c_->execute[text_];
      return base_->Execute(in);
    }
    int ExecuteCommitting(std::span<const sql::In> in, bool* ended, int* commit) override {
      ++c_->execute[text_];
      if (++c_->commit != owner_->fail_commit_) return base_->ExecuteCommitting(in, ended, commit);
      *ended = true;
      *commit = -3113;
      return base_->Execute(in);
    }
    void ExecuteAhead(std::span<const sql::In> in) override { base_->ExecuteAhead(in); }
    int Fetch(std::span<const sql::Out> out) override {
      ++c_->fetch[text_];
      return base_->Fetch(out);
    }
    int Close() override {
      ++c_->close[text_];
      return base_->Close();
    }

   private:
    CountingBackend* owner_;
    std::unique_ptr<sql::BackendStmt> base_;
    std::string text_;
    Counts* c_;
  };
  std::unique_ptr<sql::Backend> base_;
  Counts* counts_;
  int fail_commit_;
};

// One call to fail.
struct Fault {
  enum Layer { kNone, kOs, kDb, kCommit, kClient } layer = kNone;
  FaultEnv::Op os_op = FaultEnv::kOpen;
  FaultBackend::Op db_op = FaultBackend::kExecute;
  std::string text;      // statement text, or path part for the OS
  std::string function;  // client library call
  bool after = false;    // the client call takes effect, then its reply is lost
  bool lose = false;     // kDb: the call loses the connection (every later call fails)
  int nth = 0;
  int error = 0;
  std::string Describe() const {
    char n[16];
    std::snprintf(n, sizeof n, "#%d", nth);
    switch (layer) {
      case kOs:
        return std::string("os ") + FaultEnv::OpName(os_op) + " " + n;
      case kDb:
        return std::string(db_op == FaultBackend::kExecute ? "execute"
                           : db_op == FaultBackend::kFetch ? "fetch"
                                                           : "close") +
               " " + n + " of \"" + text + "\"";
      case kCommit:
        return std::string("commit ") + n;
      case kClient:
        return function + " " + n + (after ? " (after it took effect)" : "") + " with ORA-" +
               std::to_string(error) + " of \"" + text + "\"";
      default:
        return "none";
    }
  }
};

// The messages the program writes, as function and text.
const std::set<std::pair<std::string, std::string>> kKnownMessages = {
    {"CreateFile", "Datei oeffnen"},
    {"SetFilePointer", "Ende der Datei"},
    {"WrittenFile", ""},
    {"ReadFile", "IP-Ermitteln"},
    {"Apk_Dnl", "fehlerhafte Apk_OpenDnl"},
    {"Apk_Dnl", "Fehler beim Senden von ApkS\xE4tze"},
    {"App_Dnl", "fehlerhafte App_OpenDnl"},
    {"App_Dnl", "Fehler beim Senden von AppS\xE4tze"},
    {"ApkDnl", "Fehler bei Apk_PKeyRead"},
    {"ApkDnl", "Fehler bei Apk_PKeyUpd"},
    {"App_Frei", "Fehler bei Apk_PKeyDel"},
    {"App_Frei", "Fehler bei Apk_PKeyRead"},  // the order header of the position count
    {"App_Frei", "Fehler bei Apk_PKeyUpd"},
    {"App_Frei", "Fehler bei App_PKeyRead"},
    {"APP_Frei", "Fehler bei App_PKeyUpd"},
    {"Auk_To_Apk", "Fehelr bei Apk_PKeyDel"},
    {"App_Sel", "Fehelr bei App_PKeyDel"},
    {"bdConnect", "Fehlethafte Connect mit der DB "},
    {"bdConnect", "Detail"},
    {"Apg_Dnl", "fehlerhafter Apg_OpenDnl"},
    {"Apg_Dnl", "Fehler beim Senden von ApgS\xE4tze"},
    {"ApgDnl", "Fehler bei Apg_PKeyRead"},
    {"ApgDnl", "Fehler bei Apg_PKeyUpd"},
    {"Apg_Frei", "Fehler bei Apg_PKeyDel"},
    {"Apl_Dnl", "fehlerhafte Apl_OpenDnl"},
    {"Apl_Dnl", "Fehler beim Senden von AplS\xE4tze"},
    {"AplDnl", "Fehler bei Apl_PKeyRead"},
    {"AplDnl", "Fehler bei Apl_PKeyUpd"},
    {"Apl_Frei", "Fehler bei Apl_PKeyDel"},
    {"Ubg_Dnl", "fehlerhafte Ubg_OpenDnl"},
    {"Ubg_Dnl", "Fehler beim Senden von UbgS\xE4tze"},
    {"UbgDnl", "Fehler bei Ubg_PKeyRead"},
    {"UbgDnl", "Fehler bei Ubg_PKeyUpd"},
    {"Ubg_Frei", "Fehler bei Ubg_PKeyDel"},
    {"Prv_Dnl", "fehlerhafte Pvr_OpenDnl"},
    {"Prv_Dnl", "Fehler beim Senden von PrvS\xE4tze"},
    {"PrvDnl", "Fehler bei Prv_PKeyReadk"},
    {"PrvDnl", "Fehler bei Prv_PKeyUpd"},
    {"Prv_Frei", "Fehler bei Prv_PKeyDel"},
    {"Ksg_Dnl", "fehlerhafte Ksg_OpenDnl"},
    {"Apk_Dnl", "fehlerhafte Apk_FetchDnl"},
    {"App_Dnl", "fehlerhafte App_FetchDnl"},
    {"Apg_Dnl", "fehlerhafte Apg_FetchDnl"},
    {"Apl_Dnl", "fehlerhafte Apl_FetchDnl"},
    {"Ubg_Dnl", "fehlerhafte Ubg_FetchDnl"},
    {"Prv_Dnl", "fehlerhafte Prv_FetchDnl"},
    {"Ksg_Dnl", "fehlerhafte Ksg_FetchDnl"},
};

// Client calls that go to the server, and the local ones.
bool IsRoundTripCall(const std::string& function) {
  return function == "OCIStmtExecute" || function == "OCIStmtFetch2" ||
         function == "OCITransCommit" || function == "OCITransRollback" || function == "OCILogon2";
}
bool IsLocalStatementCall(const std::string& function) {
  return function == "OCIStmtPrepare2" || function == "OCIBindByPos" ||
         function == "OCIDefineByPos" || function == "OCIAttrSet" || function == "OCIAttrGet";
}

class FaultSweepSite : public DueSiteTest {
 protected:
  virtual bool master() const = 0;
  void SetUp() override {
    DueSiteTest::SetUp();
    AddTerminals();
    if (master()) {
      // Three rows of each marked kind (every download kind, persons leaving and staying), one
      // of another requester each, and two cost centres for two production areas.
      MarkMasterRows(3, "SWEEP");
      return;
    }
    // Two orders on two terminals: six positions of every kind and their headers.
    MarkRows(6, "SWEEP");
    Remarked("APK|A00000");
    Remarked("APP|A00000|20");
  }
  void TearDown() override {
    sql::SetBackendWrapper(nullptr);
    SndBuf_CloseCache();
    DueSiteTest::TearDown();
  }

  // One in-process run with the fault; fresh process state before and after, as a real run
  // has. jobfeed runs for requester SWEEP naming header A00000 and position 20, unless told
  // otherwise.
  int Run(const Fault& f, CountingBackend::Counts* counts, int* os_calls = nullptr,
          std::vector<const char*> args = {"SWEEP", "A00000", "20", "BEGIN"}) {
    FaultEnv files(Env::Default());
    FaultBackend* db = nullptr;
    const int fail_commit = f.layer == Fault::kCommit ? f.nth : 0;
    if (backend() == BackendKind::kOracle) {
      FakeClient::Get().Reset();
      if (f.layer == Fault::kClient) {
        FakeClient::Get().Fail(f.function, f.text, f.nth, f.error, f.after);
      }
    }
    // Oracle runs on the client alone, the listing run too: a wrapper would hide its batches.
    sql::SetBackendWrapper(nullptr);
    if (backend() != BackendKind::kOracle || f.lose) {
      sql::SetBackendWrapper([&](std::unique_ptr<sql::Backend> real) {
        auto counting = std::make_unique<CountingBackend>(std::move(real), counts, fail_commit);
        auto faulty = std::make_unique<FaultBackend>(std::move(counting));
        db = faulty.get();
        if (f.layer == Fault::kDb && f.lose) db->LoseNth(f.db_op, f.text, f.nth, f.error);
        if (f.layer == Fault::kDb && !f.lose) db->FailNth(f.db_op, f.text, f.nth, f.error);
        return faulty;
      });
    }
    if (f.layer == Fault::kOs) {
      files.FailNth(f.os_op, f.nth, f.error, f.text, f.os_op == FaultEnv::kWrite ? 100 : 0);
    }
    Env::Install(&files);
    int status = 0;
    if (master()) {
      const char* argv[] = {"jobfeed-master", "SWEEP", nullptr};
      status = RunJobfeedMaster(2, argv);
    } else {
      args.insert(args.begin(), "jobfeed");
      args.push_back(nullptr);
      status = RunJobfeed(static_cast<int>(args.size()) - 1, args.data());
    }
    SndBuf_CloseCache();
    sql::Disconnect();
    sql::SetBackendWrapper(nullptr);
    Msg_ResetForTest();
    Env::Install(nullptr);
    if (os_calls != nullptr) {
      for (int op = 0; op < FaultEnv::kOpCount; ++op) os_calls[op] = files.Calls(FaultEnv::Op(op));
    }
    return status;
  }

  void ClearFiles() {
    std::filesystem::remove_all(buffer_dir());
    std::filesystem::create_directories(buffer_dir());
    std::filesystem::remove(msg_file());
  }
};

// The program swept: jobfeed on order rows, or jobfeed-master on master data.
struct SweepCase {
  const char* name;
  bool master;
  Grouping grouping = kGrouped;
};

void PrintTo(const SweepCase& c, std::ostream* os) {
  *os << c.name << "_" << c.grouping.name;
}

class FaultSweep : public OnEveryBackendWith<FaultSweepSite, SweepCase> {
 protected:
  bool master() const override { return test_case().master; }
};

TEST_P(FaultSweep, EveryCallFailingOnceLosesNothing) {
  test_case().grouping.Use();
  // The clean run lists the calls.
  CountingBackend::Counts listed;
  int os_calls[FaultEnv::kOpCount] = {};
  Run(Fault{}, &listed, os_calls);
  ASSERT_TRUE(Messages().empty()) << "the clean run wrote messages";
  const std::vector<FakeClient::Count> client_calls = backend() == BackendKind::kOracle
                                                          ? FakeClient::Get().Counts()
                                                          : std::vector<FakeClient::Count>{};
  const Report clean = CheckPromises("clean run", true);
  ASSERT_EQ(clean.violations, 0);

  std::vector<Fault> faults;
  const FaultEnv::Op os_ops[] = {
      FaultEnv::kOpen,     FaultEnv::kSeek,  FaultEnv::kWrite,  FaultEnv::kClose,  FaultEnv::kRead,
      FaultEnv::kTruncate, FaultEnv::kClock, FaultEnv::kDelete, FaultEnv::kRename, FaultEnv::kSync};
  const int os_errors[] = {
      kErrAccessDenied, kErrIoDevice, kErrDiskFull, kErrIoDevice, kErrAccessDenied, kErrIoDevice, 0,
      kErrIoDevice,     kErrIoDevice, kErrIoDevice};
  for (int i = 0; i < 10; ++i) {
    for (int n = 1; n <= os_calls[os_ops[i]]; ++n) {
      Fault f;
      f.layer = Fault::kOs;
      f.os_op = os_ops[i];
      f.nth = n;
      f.error = os_errors[i];
      faults.push_back(f);
    }
  }
  auto add_db = [&](FaultBackend::Op op, const std::map<std::string, int>& counts, int error) {
    for (const auto& [text, count] : counts) {
      for (int n = 1; n <= count; ++n) {
        Fault f;
        f.layer = Fault::kDb;
        f.db_op = op;
        f.text = text;
        f.nth = n;
        f.error = error;
        faults.push_back(f);
      }
    }
  };
  add_db(FaultBackend::kExecute, listed.execute, -54);
  add_db(FaultBackend::kFetch, listed.fetch, -1114);
  add_db(FaultBackend::kClose, listed.close, -1114);
  for (int n = 1; n <= listed.commit; ++n) {
    Fault f;
    f.layer = Fault::kCommit;
    f.nth = n;
    faults.push_back(f);
  }
  for (const FakeClient::Count& c : client_calls) {
    const bool remote = IsRoundTripCall(c.function);
    if (!remote && !IsLocalStatementCall(c.function)) continue;
    for (int n = 1; n <= (remote ? c.calls : 1); ++n) {
      Fault f;
      f.layer = Fault::kClient;
      f.function = c.function;
      f.text = c.text;
      f.nth = n;
      f.error = remote ? 3113 : 600;  // connection lost; an internal error
      faults.push_back(f);
      // Committed (or, for a write, done and perhaps committed with it), but the reply never
      // came.
      if (c.function == "OCITransCommit" ||
          (c.function == "OCIStmtExecute" && c.text.rfind("update", 0) == 0)) {
        f.after = true;
        faults.push_back(f);
      }
    }
  }
  ASSERT_GT(faults.size(), 50u);

  int failures = 0;
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.Describe());
    ResetRows();
    ClearFiles();
    CountingBackend::Counts ignored;
    Run(f, &ignored);
    for (const Entry& e : Messages()) {
      EXPECT_TRUE(kKnownMessages.count({e.function, e.message}))
          << "unknown message " << e.function << ": " << e.message;
      EXPECT_FALSE(e.code.empty());
    }
    const Report faulted = CheckPromises("after the run with " + f.Describe(), false);
    Fault none;
    Run(none, &ignored);
    const Report rerun = CheckPromises("after the clean rerun of " + f.Describe(), true);
    // One fault stops at most one group of rows between their lines and their unmarking.
    const int limit = test_case().grouping.Limit();
    EXPECT_LE(rerun.extra_lines, limit);
    failures += faulted.violations + rerun.violations + (rerun.extra_lines > limit ? 1 : 0);
  }
  int by_layer[5] = {};
  for (const Fault& f : faults) ++by_layer[f.layer];
  std::printf(
      "fault sweep (%s, %s, %s): %zu calls listed and failed one at a time (%d os, %d at the "
      "statement seam, %d in the client library), %d broken promises\n",
      master() ? "jobfeed-master" : "jobfeed", BackendName(backend()), test_case().grouping.name,
      faults.size(), by_layer[Fault::kOs], by_layer[Fault::kDb] + by_layer[Fault::kCommit],
      by_layer[Fault::kClient], failures);
}

// Once the connection is lost no statement can succeed: the download that met it stops at that
// row with one entry, each later step of the run fails at its first statement with one entry,
// and the run ends with the status the connection was lost with, however its cursor's close
// went (the first download's status for jobfeed-master, the position download's for jobfeed).
class LostConnection : public FaultSweep {};

TEST_P(LostConnection, IsOneEntryPerStepAndTheRunsStatus) {
  // The statement whose nth execution loses the connection with error; the run's status and its
  // entries (function|code). The header's preparation locks it first, as the position's does.
  struct Loss {
    const char* text;
    int nth, error, status;
    const char* entries;
  };
  const Loss kOrder[] = {{"ApkApk=:b0 for update", 3, -3113, -3114,
                          "ApkDnl|-3113 App_Sel|-3114 App_Dnl|-3114 "},
                         {"AppApp=:b2) for update", 3, -3135, -3135, "App_Frei|-3135 "}},
             kMaster[] = {
                 {"ApgApg=:b0 for update", 2, -3113, -3113,
                  "ApgDnl|-3113 Apl_Dnl|-3114 Ubg_Dnl|-3114 Prv_Dnl|-3114 Ksg_Dnl|-3114 "}};
  for (const auto& l : master() ? std::span<const Loss>(kMaster) : std::span<const Loss>(kOrder)) {
    SCOPED_TRACE(l.text);
    ResetRows();
    ClearFiles();
    Fault f;
    f.layer = Fault::kDb;
    f.lose = true;
    f.text = l.text;
    f.nth = l.nth;
    f.error = l.error;
    CountingBackend::Counts ignored;
    EXPECT_EQ(Run(f, &ignored), l.status);
    std::string entries;
    for (const Entry& e : Messages()) entries += e.function + "|" + e.code + " ";
    EXPECT_EQ(entries, l.entries) << ReadBytes(msg_file());
    EXPECT_EQ(CheckPromises("after the lost connection", false).violations, 0);
  }
}

// The run the order system starts for each order event: one header and one position due, on a
// site whose tables hold rows of others. Its round trips to a server, connect and logoff
// included: the two markings commit with their writes, a savepoint at the start of a
// transaction, one for a lone write on Oracle and a commit with nothing to commit are not sent,
// the terminal of an area is looked up once a run, and on PostgreSQL each download's cursor
// opens with the marking's commit and the lookup goes with a row's locking read
// (docs/PERFORMANCE.md lists what is left).
class EverydayRun : public FaultSweep {};

TEST_P(EverydayRun, TakesNoRoundTripItCanSave) {
  test_case().grouping.Use();
  // However slow the machine, the run lasts less than a group may: its areas' terminal is read
  // once (in groups of one row, once a transaction).
  ::setenv("JOBFEED_GROUP_MS", "10000", 1);
  const bool single = test_case().grouping.rows == 1;
  Sql("insert into Kvl501Apk (ApkApk,ApkSts,ApkAfo,ApkFbe) values ('D1',2,1,'110')");
  Sql("insert into Kvl504App (AppApk,AppApp,AppSts,AppFbe) values ('D1','10',2,'110')");
  Foreign("APK|D1");
  Foreign("APP|D1|10");
  CountingBackend::Counts counts;
  postgres::ResetTrips();
  ASSERT_EQ(Run(Fault{}, &counts, nullptr, {"DAILY", "D1", "10", "BEGIN"}), 0);
  EXPECT_TRUE(Messages().empty());
  int bad = 0;
  std::string why;
  EXPECT_EQ(Lines(&bad, &why), (std::map<std::string, int>{{"3|APK|D1", 1}, {"3|APP|D1|10", 1}}))
      << why;
  EXPECT_EQ(Query("select ifnull(AppDwn,'-')||AppSts from Kvl504App where AppApk='D1'"),
            std::vector<std::string>{"-10"});
  // The rows of the site's own requester are all still due: the run sent only its own.
  EXPECT_EQ(CheckPromises("after the everyday run", false).sent, 0);
  if (backend() == BackendKind::kOracle) {
    // Logon, 2 cursors, 1 terminal lookup (2 in groups of one row), 4 locking reads and 4
    // writes (the two markings commit with theirs), 2 group commits, logoff.
    EXPECT_EQ(FakeClient::Get().RoundTrips(), single ? 16 : 15);
    EXPECT_EQ(FakeClient::Get().RoundTrips("OCITransCommit"), 2);
  }
  if (backend() == BackendKind::kPostgres) {
    // Connect, then per marking a locking read and a write with its commit and the download's
    // cursor, per download a locking read (with the terminal lookup where it is made), a write
    // and the group's commit.
    EXPECT_EQ(postgres::Trips().Total(), 11);
    EXPECT_EQ(postgres::Trips().commit, 2);
  }
  ::unsetenv("JOBFEED_GROUP_MS");
}

// What travels ahead on PostgreSQL fails unseen where its round trip's own statement failed,
// and alone where that went through: a marking the server refuses is logged as ever while the
// download's cursor opens all the same; a terminal lookup the server refuses is the row's
// failure as ever, its locking read untouched, and the next run sends what was left.
TEST_P(EverydayRun, RefusalsBesideWhatTravelsAheadStayTheirStepsOwn) {
  if (backend() != BackendKind::kPostgres) GTEST_SKIP() << "nothing travels ahead";
  test_case().grouping.Use();
  Sql("insert into Kvl501Apk (ApkApk,ApkSts,ApkAfo,ApkFbe) values ('D1',2,1,'110')");
  Sql("insert into Kvl501Apk (ApkApk,ApkSts,ApkAfo,ApkFbe,ApkDwn,ApkDna) "
      "values ('D2',2,1,'110','DAILY','NEU')");
  Sql("insert into Kvl504App (AppApk,AppApp,AppSts,AppFbe) values ('D1','10',2,'110')");
  for (const char* key : {"APK|D1", "APK|D2", "APP|D1|10"}) Foreign(key);
  Sql("create function jf_refuse() returns trigger language plpgsql as "
      "$$begin raise exception 'refused'; end$$");
  Sql("create trigger jf_refuse before update on Kvl501Apk for each row when "
      "(new.ApkApk='D1' and new.ApkDwn is not null) execute function jf_refuse()");
  CountingBackend::Counts counts;
  const std::vector<const char*> args = {"DAILY", "D1", "10", "BEGIN"};
  EXPECT_EQ(Run(Fault{}, &counts, nullptr, args), 0);
  std::string entries;
  for (const Entry& e : Messages()) entries += e.function + "|" + e.code + " ";
  EXPECT_EQ(entries, "Auk_To_Apk|-99999 ");
  int bad = 0;
  std::string why;
  EXPECT_EQ(Lines(&bad, &why), (std::map<std::string, int>{{"3|APK|D2", 1}, {"3|APP|D1|10", 1}}))
      << why;
  Sql("drop trigger jf_refuse on Kvl501Apk");
  ClearFiles();
  Sql("update Kvl501Apk set ApkDwn='DAILY',ApkDna='AEN' where ApkApk='D2'");
  Sql("alter table Kvl557Cfg rename to Kvl557Cfg_away");
  EXPECT_EQ(Run(Fault{}, &counts, nullptr, args), 0);
  EXPECT_EQ(Query("select ApkApk from Kvl501Apk where ApkDwn='DAILY' order by 1"),
            (std::vector<std::string>{"D1", "D2"}));
  Sql("alter table Kvl557Cfg_away rename to Kvl557Cfg");
  EXPECT_EQ(Run(Fault{}, &counts, nullptr, args), 0);
  EXPECT_EQ(Lines(&bad, &why),
            (std::map<std::string, int>{{"3|APK|D1", 1}, {"3|APK|D2", 1}, {"3|APP|D1|10", 1}}))
      << why;
}

JF_ON_EVERY_BACKEND_WITH(EverydayRun, ::testing::Values(SweepCase{"Order", false},
                                                        SweepCase{"Order", false, kSingle}));

JF_ON_EVERY_BACKEND_WITH(LostConnection,
                         ::testing::Values(SweepCase{"Order", false}, SweepCase{"Master", true}));

JF_ON_EVERY_BACKEND_WITH(FaultSweep,
                         ::testing::Values(SweepCase{"Order", false}, SweepCase{"Master", true},
                                           SweepCase{"Order", false, kSingle},
                                           SweepCase{"Master", true, kSingle}));

}  // namespace
}  // namespace jf::test
