// Row locks of the fake client's sessions, as Oracle keeps them: one owner per row, held until
// the owner's transaction ends. They live in a side file beside the database, so sessions of
// several processes see each other's. A session that waits notes whom it waits for; a wait that
// would close a cycle of waiters is a deadlock, told to the session whose wait closes it.
//
// What is modelled: exclusive row locks, keyed by table and row key; waits bounded by the
// caller (at once for NOWAIT, N seconds for WAIT N, the call timeout for a plain write); the
// release of every lock of a session at its commit or rollback. A rollback to a savepoint
// releases nothing: Oracle frees the rows locked after it but wakes no waiter before the
// transaction ends, and a waiter woken early is the one difference a test could see. The locks
// of a process that is gone are dropped the next time someone meets them.
#pragma once

#include <memory>
#include <string>
#include <string_view>

struct sqlite3;

namespace jf::fakeoci {

class RowLocks {
 public:
  enum Result { kLocked, kBusy, kDeadlock, kError };

  // Opens (or makes) the lock file beside the database file at db_path.
  static std::unique_ptr<RowLocks> Open(std::string_view db_path);
  ~RowLocks();
  RowLocks(const RowLocks&) = delete;
  RowLocks& operator=(const RowLocks&) = delete;

  // Locks the row for this session, waiting up to wait_millis (0: not at all) for its owner's
  // transaction to end. kBusy when it did not end in time. *taken: the session did not hold it.
  Result Lock(std::string_view table, std::string_view key, int wait_millis, bool* taken = nullptr);

  // The transaction ended: every row of the session is free.
  void ReleaseAll();
  // Lets go of the row (a statement that failed undoes the locks it took itself).
  void Release(std::string_view table, std::string_view key);

  // The session that owns the row ("" if none), and whether another waits for one of this
  // session's rows; for tests.
  std::string Owner(std::string_view table, std::string_view key);
  bool Awaited();

 private:
  explicit RowLocks(sqlite3* db);
  Result TryOnce(std::string_view table, std::string_view key, bool will_wait, bool* taken);
  bool Run(const char* text);
  void ForgetWait();

  sqlite3* db_;
  std::string self_;  // "<process id>:<handle address>:<session number>"
};

}  // namespace jf::fakeoci
