// Crash harness: the real jobfeed (order rows) and jobfeed-master (master data of all five
// kinds) are killed with SIGKILL at random moments of their run, again and again, then run to
// completion; after every kill and at the end the promises of support/DueSite.h must hold. CI
// runs a few trials on a small site; scripts/crash runs the full form (JOBFEED_CRASH_TRIALS,
// JOBFEED_CRASH_POSITIONS, JOBFEED_CRASH_SEED).
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>

#include "support/DueSite.h"

namespace jf::test {
namespace {

namespace fs = std::filesystem;

// The program killed, its rows and its arguments.
struct CrashCase {
  const char* name;
  const char* program;
  bool master;  // master data rows of all five kinds instead of order rows
  std::vector<std::string> args;
  Grouping grouping = kGrouped;
  bool journal = false;  // run with JOBFEED_JOURNAL=1
};

void PrintTo(const CrashCase& c, std::ostream* os) {
  *os << c.name << "_" << c.grouping.name << (c.journal ? "_Journal" : "");
}

using CrashHarness = OnEveryBackendWith<DueSiteTest, CrashCase>;

TEST_P(CrashHarness, RunsKilledAtRandomMomentsLoseNothing) {
  const CrashCase& c = test_case();
  const int trials = EnvInt("JOBFEED_CRASH_TRIALS", 5);
  const int positions = EnvInt("JOBFEED_CRASH_POSITIONS", 200);
  const unsigned seed = static_cast<unsigned>(EnvInt("JOBFEED_CRASH_SEED", 0)) != 0
                            ? static_cast<unsigned>(EnvInt("JOBFEED_CRASH_SEED", 0))
                            : std::random_device{}();
  std::mt19937 rng(seed);
  c.grouping.Use();
  struct JournalOff {
    ~JournalOff() { ::unsetenv("JOBFEED_JOURNAL"); }
  } journal_off;
  if (c.journal) ::setenv("JOBFEED_JOURNAL", "1", 1);
  // The journal line of a row and its unmark or delete commit together: a row that left the due
  // list has exactly one journal line, a row still due none, and each journal line's payload
  // stands in a line of the send-buffer files.
  auto checkJournal = [&](const std::string& when) {
    if (!c.journal) return;
    std::string files;
    for (int t : {3, 5, 12}) files += ReadBytes(buffer_file(t));
    std::map<std::string, int> journalled;
    for (const std::string& row :
         Query("select DnlSkz||'|'||trim(DnlApk)||'|'||trim(ifnull(DnlApp,''))||'#'||DnlDnl "
               "from Kvl540Dnl")) {
      std::string key = row.substr(0, row.find('#'));
      if (key.back() == '|') key.pop_back();  // a header's line has no position
      ++journalled[key];
      const std::size_t at = files.find(row.substr(row.find('#') + 1));
      EXPECT_TRUE(at != std::string::npos && at % 552 == 111) << when << ": " << key;
    }
    std::set<std::string> marked;
    for (const char* q :
         {"select 'APK|'||ApkApk from Kvl501Apk where ApkDwn='CRASH'",
          "select 'APP|'||AppApk||'|'||AppApp from Kvl504App where AppDwn='CRASH'"}) {
      for (const std::string& key : Query(q)) marked.insert(key);
    }
    for (const Due& d : due()) {
      const auto j = journalled.find(d.key);
      EXPECT_EQ(j == journalled.end() ? 0 : j->second, marked.count(d.key) ? 0 : 1)
          << when << ": " << d.key;
    }
  };
  AddTerminals();
  if (c.master) {
    // About as many rows as the order site: a fifth of them of each of the four marked kinds.
    MarkMasterRows(std::max(positions / 5, 4), "CRASH");
  } else {
    MarkRows(positions, "CRASH");
  }

  double ms_per_row = 1;  // first guess, then learned from the trials
  int killed = 0, ended = 0, violations = 0;
  for (int trial = 1; trial <= trials; ++trial) {
    // A kill may tear the line being written where it crosses a page; the run that sends its
    // row again cuts it back first, and the run to completion leaves none.
    const Report before = CheckPromises("before trial " + std::to_string(trial), false, true);
    // Spread the kills over what is left of the run, so that the trials together cover it.
    const int left = std::max(before.still_due, 1);
    const double window = std::max(20.0, 2.0 * left * ms_per_row / (trials - trial + 1));
    const int delay = std::uniform_int_distribution<int>(0, static_cast<int>(window))(rng);

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = StartProgram(c.program, c.args);
    ASSERT_GT(pid, 0);
    int status = 0;
    if (WaitFor(pid, delay, &status)) {
      ++ended;
    } else {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      ++killed;
    }
    const double alive =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const Report after =
        CheckPromises("after trial " + std::to_string(trial) + " (killed at " +
                          std::to_string(delay) + " ms, seed " + std::to_string(seed) + ")",
                      false, true);
    violations += after.violations;
    checkJournal("after trial " + std::to_string(trial));
    const int done = before.still_due - after.still_due;
    if (done > 10) ms_per_row = alive / done;
  }

  // The run to completion sends whatever the killed runs left.
  const pid_t pid = StartProgram(c.program, c.args);
  ASSERT_GT(pid, 0);
  int status = 0;
  ASSERT_TRUE(WaitFor(pid, 600000, &status)) << "the final run did not end";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  const Report last = CheckPromises("after the run to completion", true);
  violations += last.violations;
  checkJournal("after the run to completion");
  EXPECT_EQ(last.sent, static_cast<int>(due().size()));
  // Each kill can leave at most one group's rows sent but still marked, which go out again.
  EXPECT_LE(last.extra_lines, killed * c.grouping.Limit());

  std::printf(
      "crash harness (%s, %s): seed %u, %d rows due, %d trials (%d killed, %d ended first), "
      "%d rows sent again, %d broken promises\n",
      c.name, c.grouping.name, seed, static_cast<int>(due().size()), trials, killed, ended,
      last.extra_lines, violations);
}

// A run stopped by its scheduler (SIGTERM) while it sends ends its group and says so with one
// entry and exit code 143; the run after it sends the rest, and no row goes out twice.
TEST_P(CrashHarness, StoppedRunEndsItsGroupAndTheNextRunSendsNothingTwice) {
  const CrashCase& c = test_case();
  c.grouping.Use();
  AddTerminals();
  const int rows = std::max(EnvInt("JOBFEED_CRASH_POSITIONS", 200), 1000);
  c.master ? MarkMasterRows(rows / 4, "CRASH") : MarkRows(rows, "CRASH");
  const pid_t pid = StartProgram(c.program, c.args);
  ASSERT_GT(pid, 0);
  // Stopped once its first lines are out: in the middle of its first group.
  int status = 0;
  bool ended = false;
  for (int ms = 0; ms < 60000 && !(ended = WaitFor(pid, 1, &status)); ++ms) {
    if (fs::exists(buffer_file(3)) && fs::file_size(buffer_file(3)) > 0) break;
  }
  ASSERT_FALSE(ended) << "the run ended before it could be stopped";
  ::kill(pid, SIGTERM);
  ASSERT_TRUE(WaitFor(pid, 120000, &status));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 143) << "status " << status;
  const Report stopped = CheckPromises("after the stop", false);
  EXPECT_GT(stopped.still_due, 0) << "the run went on to its end";
  const auto m = Messages();
  EXPECT_EQ(std::count_if(m.begin(), m.end(),
                          [](const auto& e) { return e.message.find("Lauf abgebrochen") == 0; }),
            1);

  const pid_t next = StartProgram(c.program, c.args);
  ASSERT_GT(next, 0);
  ASSERT_TRUE(WaitFor(next, 600000, &status)) << "the run after the stop did not end";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  const Report last = CheckPromises("after the run after the stop", true);
  EXPECT_EQ(last.sent, static_cast<int>(due().size()));
  EXPECT_EQ(last.extra_lines, 0);
}

JF_ON_EVERY_BACKEND_WITH(
    CrashHarness,
    ::testing::Values(
        // An order that does not exist: the preparation marks nothing, the
        // downloads send what is due.
        CrashCase{"Order", JOBFEED_BIN, false, {"CRASH", "NOSUCH", "1", "KEIN"}},
        CrashCase{"Master", JOBFEED_MASTER_BIN, true, {"CRASH"}},
        CrashCase{"Order", JOBFEED_BIN, false, {"CRASH", "NOSUCH", "1", "KEIN"}, kSingle},
        CrashCase{"Master", JOBFEED_MASTER_BIN, true, {"CRASH"}, kSingle},
        CrashCase{"Order", JOBFEED_BIN, false, {"CRASH", "NOSUCH", "1", "KEIN"}, kGrouped, true}));

}  // namespace
}  // namespace jf::test
