// Resource faults met by the real jobfeed, and two runs at once: a disk that fills up, a
// send-buffer file held by the terminal side, a database locked by another writer, a missing
// Msg folder, an unreadable login file. Each gets its message where the message log can write,
// and nothing is lost: after the fault is gone a run sends everything still due.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "db/sql/Status.h"
#include "support/DueSite.h"

namespace jf::test {
namespace {

namespace fs = std::filesystem;

// Starts jobfeed in the working directory; file_limit > 0 caps the size of every file it
// writes (RLIMIT_FSIZE), as a full disk does.
pid_t Start(const std::vector<std::string>& args, long file_limit = 0) {
  std::fflush(nullptr);  // or the child would write the parent's buffered output again
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (file_limit > 0) {
      ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
      rlimit r{static_cast<rlim_t>(file_limit), static_cast<rlim_t>(file_limit)};
      ::setrlimit(RLIMIT_FSIZE, &r);
    }
    std::vector<char*> argv{const_cast<char*>(JOBFEED_BIN)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(JOBFEED_BIN, argv.data());
    ::_exit(127);
  }
  return pid;
}

// Waits for the child, at most a minute; returns its exit code, -1 if it did not end well.
int Finish(pid_t pid) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) != pid) {
    if (std::chrono::steady_clock::now() > until) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ResourceFaultsSite : public DueSiteTest {
 protected:
  void SetUp() override {
    DueSiteTest::SetUp();
    AddTerminals();
    MarkRows(6, "RES");
  }
  int Run(long file_limit = 0) { return Finish(Start(args_, file_limit)); }
  bool HasMessage(const std::string& function, const std::string& text, const std::string& code) {
    for (const Entry& e : Messages()) {
      if (e.function == function && e.message == text && e.code == code) return true;
    }
    return false;
  }
  // After the fault is gone: one clean run sends everything still due.
  void ExpectRecovery(int max_resent) {
    ASSERT_EQ(Run(), 0);
    const Report r = CheckPromises("after the run without the fault", true);
    EXPECT_EQ(r.violations, 0);
    EXPECT_LE(r.extra_lines, max_resent);
  }

  const std::vector<std::string> args_{"RES", "NOSUCH", "1", "KEIN"};
};

using ResourceFaults = OnEveryBackend<ResourceFaultsSite>;

TEST_P(ResourceFaults, DiskFullCutsNoLineAndLosesNoRow) {
  // Room for two more lines in terminal 3's file, and a little: the third line is cut short by
  // the file-size limit and must be taken back.
  const long limit = 1 << 20;
  const long room = 2 * 552 + 200;
  {
    std::ofstream f(buffer_file(3), std::ios::binary);
    std::string line(549, ' ');
    line[0] = '$';
    line.replace(90, 3, "APK");
    line.replace(111, 6, "FILLER");
    line += "*\r\n";
    Foreign("APK|FILLER");
    for (long size = 0; size + 552 <= limit - room; size += 552) f << line;
  }
  const std::string before = ReadBytes(buffer_file(3));
  EXPECT_EQ(Run(limit), 0);
  const std::string after = ReadBytes(buffer_file(3));
  EXPECT_EQ(after.size() % 552, 0u) << "a cut line stayed in the file";
  EXPECT_EQ(after.size(), before.size() + 2 * 552);
  EXPECT_TRUE(HasMessage("WrittenFile", "", "223"));
  EXPECT_TRUE(HasMessage("Apk_Dnl", "Fehler beim Senden von ApkS\xE4tze", "-1") ||
              HasMessage("App_Dnl", "Fehler beim Senden von AppS\xE4tze", "-1"));
  const Report r = CheckPromises("on the full disk", false);
  EXPECT_EQ(r.violations, 0);
  EXPECT_GT(r.still_due, 0);
  // The operator frees space (the filler lines go).
  WriteBytes(buffer_file(3), after.substr(before.size()));
  ExpectRecovery(0);
}

TEST_P(ResourceFaults, FileHeldByTheTerminalSideFailsItsRowsUntilReleased) {
  const int fd = ::open(buffer_file(5).c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(HasMessage("CreateFile", "Datei oeffnen", "32"));
  const Report r = CheckPromises("while SndDnl5.buf is held", false);
  EXPECT_EQ(r.violations, 0);
  EXPECT_GT(r.still_due, 0);
  ::close(fd);
  ExpectRecovery(0);
}

// Another writer holds the database (on a server: the order tables) past the lock wait: the step
// that waited for it fails with -54 and its message, after the whole wait and not before; once
// the database is free again the same run sends everything. The run waits out a bound of 4 s set
// for the test (the embedded database's and the server's alike), not the 30 s of a site; the
// database is held for half a bound longer, so the next step's wait ends well.
TEST_P(ResourceFaults, DatabaseHeldPastTheLockWaitFailsOnlyTheStepThatWaited) {
  constexpr int kBoundMillis = 4000;
  Sql(backend() == BackendKind::kPostgres
          ? "begin; lock table Kvl501Apk, Kvl504App in exclusive mode"
          : "begin immediate");
  ::setenv("JOBFEED_TEST_LOCK_WAIT_MS", std::to_string(kBoundMillis).c_str(), 1);
  ::setenv("PGOPTIONS", ("-c lock_timeout=" + std::to_string(kBoundMillis)).c_str(), 1);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = Start(args_);
  ::unsetenv("JOBFEED_TEST_LOCK_WAIT_MS");
  ::unsetenv("PGOPTIONS");
  std::this_thread::sleep_for(std::chrono::milliseconds(kBoundMillis * 3 / 2));
  Sql("commit");
  EXPECT_EQ(Finish(pid), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start,
            std::chrono::milliseconds(kBoundMillis + 20000));
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].code, "-54");
  EXPECT_EQ(Messages()[0].function, "Auk_To_Apk");
  const Report r = CheckPromises("after the database was held", true);
  EXPECT_EQ(r.violations, 0);
}

TEST_P(ResourceFaults, MissingMsgFolderStillLosesNothing) {
  fs::remove_all(root() / "Msg");
  const int fd = ::open(buffer_file(5).c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(Run(), 0);
  EXPECT_FALSE(fs::exists(root() / "Msg"));
  const Report r = CheckPromises("without a Msg folder", false);
  EXPECT_EQ(r.violations, 0);
  ::close(fd);
  ExpectRecovery(0);
}

TEST_P(ResourceFaults, UnreadableLoginFileIsLoggedAndChangesNothing) {
  const fs::path login = top() / "files" / "quantelor.ini";
  const std::string saved = ReadBytes(login);
  fs::remove(login);
  fs::create_directory(login);  // unreadable as a file, even for root
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(Messages()[0].message,
            "Login-Datei ..\\..\\..\\..\\files\\quantelor.ini ist ein Ordner");
  EXPECT_EQ(Messages()[1].function, "bdConnect");
  EXPECT_EQ(Messages()[1].message, "Fehlethafte Connect mit der DB ");
  const Report r = CheckPromises("without a login", false);
  EXPECT_EQ(r.violations, 0);
  EXPECT_EQ(r.still_due, static_cast<int>(due().size()));
  fs::remove(login);
  WriteBytes(login, saved);
  ExpectRecovery(0);
}

// A run killed in the middle of a write (or a power cut) can leave the file ending in part of a
// line; that line's row is still due. The next run takes the torn tail back before appending,
// so the terminal never receives half a line in front of whole ones.
TEST_P(ResourceFaults, TornTailOfAKilledWriteIsTakenBackBeforeAppending) {
  std::string torn(552, ' ');
  torn[0] = '$';
  torn.replace(90, 3, "APK");
  torn.replace(111, 6, "A00000");
  WriteBytes(buffer_file(3), torn.substr(0, 300));
  ASSERT_EQ(Run(), 0);
  const Report r = CheckPromises("after appending to a torn file", true);
  EXPECT_EQ(r.violations, 0);
  EXPECT_EQ(ReadBytes(buffer_file(3)).size() % 552, 0u);
}

// Two runs for different requesters against the same database and terminals, started together
// a few times over. Both always end; a row one of them cannot send stays due; no line is cut or
// interleaved; the rows of both go out in the end.
TEST_P(ResourceFaults, TwoRunsAtOnceInterleaveNoLineAndLoseNoRow) {
  MarkRows(30, "OTHER", "B");
  const std::vector<std::string> other{"OTHER", "NOSUCH", "1", "KEIN"};
  int rounds = 0;
  for (; rounds < 4; ++rounds) {
    const pid_t a = Start(args_);
    const pid_t b = Start(other);
    EXPECT_EQ(Finish(a), 0);
    EXPECT_EQ(Finish(b), 0);
    const Report r = CheckPromises("after round " + std::to_string(rounds + 1), false);
    ASSERT_EQ(r.violations, 0);
    if (r.still_due == 0) break;
  }
  for (const Entry& e : Messages()) {
    EXPECT_TRUE(e.function == "CreateFile" || e.function == "Apk_Dnl" || e.function == "App_Dnl" ||
                e.code == "-54")
        << e.function << ": " << e.message << " " << e.code;
  }
  ASSERT_EQ(Run(), 0);
  ASSERT_EQ(Finish(Start(other)), 0);
  const Report r = CheckPromises("after both ran alone", true);
  EXPECT_EQ(r.violations, 0);
  std::printf("two runs at once: %d rounds until all went out\n", rounds + 1);
}

JF_ON_EVERY_BACKEND(ResourceFaults);

}  // namespace
}  // namespace jf::test
