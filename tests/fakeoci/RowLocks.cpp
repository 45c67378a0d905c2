#include "fakeoci/RowLocks.h"

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace jf::fakeoci {
namespace {

long ProcessId() {
#ifdef _WIN32
  return static_cast<long>(GetCurrentProcessId());
#else
  return static_cast<long>(getpid());
#endif
}

// Whether the process that made the session id still runs: a crashed run's locks must not keep
// the rows from everyone else.
bool Alive(const std::string& session) {
  const long pid = std::stol(session.substr(0, session.find(':')));
  if (pid == ProcessId()) return true;
#ifdef _WIN32
  HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (h == nullptr) return false;
  DWORD code = 0;
  const bool running = GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
  CloseHandle(h);
  return running;
#else
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#endif
}

// One statement with its texts bound, stepped to its first row.
class Query {
 public:
  Query(sqlite3* db, const char* text) { sqlite3_prepare_v2(db, text, -1, &stmt_, nullptr); }
  ~Query() { sqlite3_finalize(stmt_); }
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;
  Query& Bind(std::string_view value) {
    sqlite3_bind_text(stmt_, ++bound_, value.data(), static_cast<int>(value.size()),
                      SQLITE_TRANSIENT);
    return *this;
  }
  // The first column of the first row, or "" when there is none.
  std::string Text() {
    if (stmt_ == nullptr || sqlite3_step(stmt_) != SQLITE_ROW) return "";
    const auto* t = sqlite3_column_text(stmt_, 0);
    return t != nullptr ? reinterpret_cast<const char*>(t) : "";
  }
  bool Done() { return stmt_ != nullptr && sqlite3_step(stmt_) == SQLITE_DONE; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int bound_ = 0;
};

}  // namespace

std::unique_ptr<RowLocks> RowLocks::Open(std::string_view db_path) {
  const std::string path = std::string(db_path) + "-rowlocks";
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    return nullptr;
  }
  // The lock file's own transactions last microseconds; a wait for one is no row wait.
  sqlite3_busy_timeout(db, 10000);
  std::unique_ptr<RowLocks> locks(new RowLocks(db));
  // Kept through a process's crash but not the machine's: no session outlives that.
  if (!locks->Run("PRAGMA journal_mode=WAL; PRAGMA synchronous=OFF")) return nullptr;
  if (!locks->Run("CREATE TABLE IF NOT EXISTS held(tab TEXT, key TEXT, owner TEXT,"
                  " PRIMARY KEY(tab, key));"
                  "CREATE TABLE IF NOT EXISTS waits(waiter TEXT PRIMARY KEY, holder TEXT)")) {
    return nullptr;
  }
  return locks;
}

RowLocks::RowLocks(sqlite3* db) : db_(db) {
  // The handle's address tells apart the sessions of one process, whichever copy of this code
  // (the fake client's, a test's) made them; the count, a handle made again at one address.
  static std::atomic<int> sessions{0};
  self_ = std::to_string(ProcessId()) + ":" +
          std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ":" + std::to_string(++sessions);
}

RowLocks::~RowLocks() {
  ReleaseAll();
  sqlite3_close(db_);
}

bool RowLocks::Run(const char* text) {
  return sqlite3_exec(db_, text, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void RowLocks::ForgetWait() {
  Query(db_, "DELETE FROM waits WHERE waiter=?").Bind(self_).Done();
}

RowLocks::Result RowLocks::TryOnce(std::string_view table, std::string_view key, bool will_wait,
                                   bool* taken) {
  if (!Run("BEGIN IMMEDIATE")) return kError;
  std::string owner =
      Query(db_, "SELECT owner FROM held WHERE tab=? AND key=?").Bind(table).Bind(key).Text();
  if (!owner.empty() && owner != self_ && !Alive(owner)) {
    Query(db_, "DELETE FROM held WHERE owner=?").Bind(owner).Done();
    Query(db_, "DELETE FROM waits WHERE waiter=? OR holder=?").Bind(owner).Bind(owner).Done();
    owner.clear();
  }
  Result result = kBusy;
  if (owner.empty() || owner == self_) {
    const bool ok = Query(db_, "INSERT OR IGNORE INTO held VALUES(?,?,?)")
                        .Bind(table)
                        .Bind(key)
                        .Bind(self_)
                        .Done();
    if (taken != nullptr) *taken = ok && sqlite3_changes(db_) > 0;
    ForgetWait();
    result = ok ? kLocked : kError;
  } else if (will_wait) {
    // Follow the owners' own waits: reaching this session again, the wait would never end.
    // Each session waits for one owner at a time, so the waits form chains.
    std::string next = owner;
    for (int hops = 0; !next.empty() && next != self_ && hops < 10000; ++hops) {
      next = Query(db_, "SELECT holder FROM waits WHERE waiter=?").Bind(next).Text();
    }
    if (next == self_) {
      ForgetWait();
      result = kDeadlock;
    } else {
      Query(db_, "INSERT OR REPLACE INTO waits VALUES(?,?)").Bind(self_).Bind(owner).Done();
    }
  }
  return Run("COMMIT") ? result : kError;
}

RowLocks::Result RowLocks::Lock(std::string_view table, std::string_view key, int wait_millis,
                                bool* taken) {
  using Clock = std::chrono::steady_clock;
  const auto until = Clock::now() + std::chrono::milliseconds(wait_millis);
  for (;;) {
    const bool will_wait = Clock::now() < until;
    const Result r = TryOnce(table, key, will_wait, taken);
    if (r != kBusy) return r;
    if (!will_wait) {
      ForgetWait();
      return kBusy;
    }
    sqlite3_sleep(2);
  }
}

void RowLocks::ReleaseAll() {
  Run("BEGIN IMMEDIATE");
  Query(db_, "DELETE FROM held WHERE owner=?").Bind(self_).Done();
  // Those that waited for this session note their waits again if they still wait, for others:
  // a wait noted here for the session's old rows would make its next lock a false deadlock.
  Query(db_, "DELETE FROM waits WHERE waiter=? OR holder=?").Bind(self_).Bind(self_).Done();
  Run("COMMIT");
}

void RowLocks::Release(std::string_view table, std::string_view key) {
  Query(db_, "DELETE FROM held WHERE tab=? AND key=? AND owner=?")
      .Bind(table)
      .Bind(key)
      .Bind(self_)
      .Done();
}

std::string RowLocks::Owner(std::string_view table, std::string_view key) {
  return Query(db_, "SELECT owner FROM held WHERE tab=? AND key=?").Bind(table).Bind(key).Text();
}

bool RowLocks::Awaited() {
  return !Query(db_, "SELECT waiter FROM waits WHERE holder=?").Bind(self_).Text().empty();
}

}  // namespace jf::fakeoci
