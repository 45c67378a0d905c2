// What a database backend provides under the statement seam. Backends receive the statement
// texts as the modules hold them (Oracle dialect) and translate them themselves; they report
// the status codes of db/sql/Status.h.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "db/sql/Bind.h"

namespace jf::sql {

class BackendStmt {
 public:
  virtual ~BackendStmt() = default;
  // Binds the inputs (one per placeholder occurrence, in order) and runs the statement. For a
  // query the rows are then fetched with Fetch; for INSERT, UPDATE and DELETE a statement that
  // touched no row returns 1403.
  virtual int Execute(std::span<const In> in) = 0;
  // Delivers the next row of a query into out. Returns 0, 1403 at the end, or an error.
  virtual int Fetch(std::span<const Out> out) = 0;
  // Runs a write as Execute does and, when it succeeds (1403, no row touched, included), commits
  // the transaction with it, in the same round trip. *ended: the transaction ended with it, and
  // *commit is the commit's status. A backend that cannot send both at once only executes and
  // leaves *ended false: the caller commits as it would otherwise.
  virtual int ExecuteCommitting(std::span<const In> in, bool* ended, int* commit) {
    *ended = false;
    *commit = 0;
    return Execute(in);
  }
  // A cursor's query that will be opened next with these inputs: asked outside a transaction,
  // once the next transaction has ended; asked inside one, later in it. A backend that can send
  // the open along with the round trip that ends that transaction (a commit, or a write
  // committing with it), or with the transaction's next round trip, may do so, and an Execute
  // with the same inputs before any later end of a transaction then delivers those rows in no
  // round trip of its own. Anything else (other inputs, another end first, a failure) leaves
  // the Execute as it always was.
  virtual void ExecuteAhead(std::span<const In> in) { (void)in; }
  // Ends the query so the statement can run again.
  virtual int Close() = 0;
  // Rows the last INSERT, UPDATE or DELETE touched; -1 where the backend does not tell.
  virtual int64_t RowCount() const { return -1; }
};

// A statement of a batch: its prepared statement, its inputs and, for a single-row query, the
// outputs its row lands in. The run sets status: 0, 1403 (no row, or no row touched), -2112 (a
// query found more than one row) or the failure.
struct BatchStatement {
  BackendStmt* stmt = nullptr;
  std::span<const In> in;
  std::span<const Out> out;
  bool query = false;
  int status = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;
  // Prepares a statement text. The text may carry an "into" clause already removed by the seam.
  // A cursor's query must deliver the rows as they were when it was opened, whatever the
  // session writes to the table while it walks them (Oracle's read consistency).
  virtual int Prepare(std::string_view text, bool cursor, std::unique_ptr<BackendStmt>* out) = 0;
  virtual int Commit() = 0;
  virtual int Rollback() = 0;
  // The unit whose savepoint is name has ended and its writes stay until the transaction ends:
  // the savepoints set since name was set are no longer needed. Oracle keeps one savepoint per
  // name and moves it when it is set again; a database that stacks savepoints of one name would
  // pile up a group's worth of them, and the work of keeping each. Nothing is undone.
  virtual int ReleaseSavepoint(std::string_view /*name*/) { return 0; }
  // Whether the open transaction should commit before another unit begins in it: a database
  // that pays for every unit a transaction holds beyond some number says so in time.
  virtual bool TransactionFull() const { return false; }
  // Whether RunBatch sends a batch's statements together. Otherwise the session runs them one
  // by one, as they come.
  virtual bool Batches() const { return false; }
  // Runs the statements in order, in as few round trips as the backend can, as if each had run
  // by itself: a failed one is undone alone. Returns the index of the first that failed (a
  // status other than 0 and 1403), batch.size() when none did; those after a failed one may or
  // may not have run (their status says nothing), so the caller undoes the batch to a savepoint
  // it set before it.
  virtual int RunBatch(std::span<BatchStatement> batch) {
    (void)batch;
    return 0;
  }
  // Whether a statement that fails leaves the transaction as it stood before it, with nothing
  // of its own left to undo (Oracle's statement-level rollback): a lone write then needs no
  // savepoint of its own to be undone by.
  virtual bool UndoesFailedStatement() const { return false; }
  // Whether the session is gone: every later call fails without reaching the server.
  virtual bool ConnectionLost() const { return false; }
  // Human-readable detail of the last error, for the operator tool and tests.
  virtual std::string LastErrorText() const = 0;
};

}  // namespace jf::sql
