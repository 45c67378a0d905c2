// The one database session of the process and the statement API the table modules use.
// Statements are prepared once per text and kept; the status of the last statement is kept in
// the communication area (Sqlcode()), as the embedded-SQL runtime does.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "db/sql/Backend.h"
#include "db/sql/Bind.h"
#include "db/sql/Status.h"

namespace jf::sql {

// Opens a backend for a login: the factory above the seam that picks the backend by the net
// service name (db/OpenBackend.h). On failure *error tells the operator why.
using BackendOpener = int (*)(std::string_view user, std::string_view password,
                              std::string_view net_service, std::unique_ptr<Backend>* out,
                              std::string* error);
// Opens the connection for a login through open. Returns the status. The three values are
// passed as they are: a password or a user name may hold "/" or "@".
int Connect(std::string_view user, std::string_view password, std::string_view net,
            BackendOpener open);
// The same from a connect string "user/password@netservice", split at the first "/" and the
// first "@" after it (tests and tools whose values hold neither).
int Connect(std::string_view connect_string, BackendOpener open);
// Why the last Connect failed, for the operator: the client library looked for, the reason the
// database gave. After a successful one: the warning the database gave with the logon (Oracle's
// ORA-28002, the password will expire), or empty.
const std::string& ConnectErrorText();
// Wraps every backend that Connect opens from now on; an empty wrapper stops that. Tests: a
// fault sweep puts a fault-injecting backend around the real one of each in-process run.
using BackendWrapper = std::function<std::unique_ptr<Backend>(std::unique_ptr<Backend>)>;
void SetBackendWrapper(BackendWrapper wrap);
// Installs a backend directly (tests; fault-injecting wrappers). Replaces any open session.
void Attach(std::unique_ptr<Backend> backend);
// Drops the session and its prepared statements (tests).
void Disconnect();
bool Connected();
Backend* CurrentBackend();

// Status of the last statement.
int Sqlcode();
// The status with which the session's connection was lost (IsLostConnection, or whatever the
// backend answered when it knew its session gone); 0 while the connection stands. Once it is
// lost no statement can succeed, so callers stop their work at the first failure instead of
// failing every remaining row.
int LostStatus();

// Runs a statement that returns no rows (INSERT, UPDATE, DELETE, SAVEPOINT, ROLLBACK TO).
int Execute(std::string_view text, std::span<const In> in = {});
inline int Execute(std::string_view text, std::initializer_list<In> in) {
  return Execute(text, std::span<const In>(in.begin(), in.size()));
}

// Runs a single-row SELECT. The "into" clause of the text names host variables and is removed;
// out receives the selected columns by position, only when the status is 0. More than one row
// gives -2112.
int SelectInto(std::string_view text, std::span<const In> in, std::span<const Out> out);
inline int SelectInto(std::string_view text, std::initializer_list<In> in,
                      std::span<const Out> out) {
  return SelectInto(text, std::span<const In>(in.begin(), in.size()), out);
}

// A unit of writes that reach the database together or not at all: from BeginUnit to EndUnit
// the writes of WriteWithSavepoint keep their savepoints but do not commit one by one. BeginUnit
// sets the savepoint "<name>_Sp"; EndUnit(true) commits, EndUnit(false) rolls back to that
// savepoint and commits the empty rest, so no write of the unit stays. Units do not nest. Both
// return the status of their last statement.
int BeginUnit(std::string_view name);
int EndUnit(bool keep);

// The open unit's next WriteWithSavepoint is its last write and its first (the unit has read and
// locked, but written nothing yet): when it succeeds, the unit is committed with it, in the
// write's own round trip where the backend can send both at once, and EndUnit has nothing left
// to send but returns the commit's status. A write that touches no row (1403) commits the unit
// too, which then holds nothing: what undoing it would have left. When the write fails the unit
// stays open and EndUnit(false) undoes it as ever. Not inside a group, nor after a write of the
// unit's (WriteWithSavepoint) that a 1403 would commit with it.
void EndUnitWithNextWrite();

// Units in a group share one transaction. BeginGroupUnit begins a unit as BeginUnit does, in
// the open group (opening one if none is open). Inside a group EndUnit(true) commits nothing
// and EndUnit(false) rolls back to the unit's savepoint only, so an undone unit leaves the
// group's other units as they were. EndGroup(true) commits every kept unit at once, and rolls
// back when the commit fails; EndGroup(false) rolls them all back. Both return the status of
// the commit or rollback (0 when no group is open).
int BeginGroupUnit(std::string_view name);
int EndGroup(bool keep);
// Whether the database asks the open group to end before another unit begins in it.
bool GroupFull();

// Whether a locking read ("for update") waits for a row another session holds, up to the lock
// wait, or fails at once with kBusy: a session that holds rows of its own for a while must not
// wait while holding them. The table routines choose their texts by it.
void SetLockWait(bool wait);
bool LockWaits();

// A batch: the statements of many units of a group sent together, where the backend can
// (Backend::Batches), else run one by one as they come. BeginBatch sets the savepoint
// "Batch_Sp" in the open group; until EndBatch:
//   - Execute queues a write and returns 0, its status unknown until the batch runs;
//     WriteWithSavepoint queues its statement alone, since a failure undoes the whole batch;
//   - SelectInto queues a single-row read and returns kQueued when reads are queued (its row
//     lands in the outputs, which must stay valid, when the batch runs); otherwise it runs at
//     once with everything queued before it, and its row and status are there when it returns.
// BatchTag names the unit the next statements belong to. The first statement that fails
// (anything but 0 and 1403) undoes the whole batch to its savepoint; the batch is then failed:
// every later statement returns that status without running, and BatchFailedTag names the
// failed statement's unit. A backend that runs statements one by one fails the batch at once.
int BeginBatch(bool queue_reads);
void BatchTag(int tag);
// Runs what is queued. Returns 0, or the status the batch failed with.
int RunBatch();
// The status of the last statement of a unit (a read's row is in its outputs when it is 0);
// kQueued before the batch ran; 0 for a unit without statements.
int BatchStatus(int tag);
// The unit of the statement that failed the batch, or -1.
int BatchFailedTag();
// Ends the batch: runs what is queued, then lets the savepoint go (keep) or undoes the batch.
// Returns 0 or the status the batch failed with (a failed batch is undone already).
int EndBatch(bool keep);
bool InBatch();
// Whether the open batch queues its statements (else they run one by one as they come).
bool BatchQueues();
// Changes whenever the open transaction may have lost writes or locks: at its end, and when a
// unit or a batch is undone. What a caller knows of rows it locked and wrote in the transaction
// holds while this stays the same.
unsigned long TransactionEpoch();
// Changes whenever a session is opened or dropped: what a caller read for the session's run
// holds while this stays the same.
unsigned long SessionGeneration();

// COMMIT WORK / ROLLBACK WORK. Their status goes to the communication area.
void Commit();
void Rollback();

// The write of a table routine: "savepoint <routine>_Sp", the statement, then COMMIT on
// status 0 or "rollback  to <routine>_Sp" on any other. Returns the statement's status. Inside
// a unit, where the database undoes a failed statement alone (Backend::UndoesFailedStatement),
// the savepoint and its rollback are left out: they would undo that statement and nothing else.
int WriteWithSavepoint(std::string_view routine, std::string_view text, std::span<const In> in);
inline int WriteWithSavepoint(std::string_view routine, std::string_view text,
                              std::initializer_list<In> in) {
  return WriteWithSavepoint(routine, text, std::span<const In>(in.begin(), in.size()));
}

// A declared cursor of a module. It keeps its prepared statement across opens.
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;

  int Open(std::span<const In> in);
  int Open(std::initializer_list<In> in) {
    return Open(std::span<const In>(in.begin(), in.size()));
  }
  // The cursor is to be opened next with these inputs: outside a transaction, after the next
  // one ends; inside one, later in it. Where the backend can, its open travels with the round
  // trip that ends that transaction, or with the transaction's next one (BackendStmt::
  // ExecuteAhead), so that Open then costs none. Open must still be called; nothing changes
  // what it delivers or how it fails.
  void OpenAhead(std::span<const In> in);
  void OpenAhead(std::initializer_list<In> in) {
    OpenAhead(std::span<const In>(in.begin(), in.size()));
  }
  // Delivers the next row into out, only on status 0.
  int Fetch(std::span<const Out> out);
  int Close();
  bool IsOpen() const { return open_; }

 private:
  // The cursor's statement of the current session, prepared on first use.
  int Statement();

  std::string_view text_;
  BackendStmt* stmt_ = nullptr;
  unsigned long generation_ = 0;  // session the statement belongs to
  bool open_ = false;
};

// Removes the "into :b0:b1, ..." clause of a single-row SELECT.
std::string RemoveIntoClause(std::string_view text);

}  // namespace jf::sql
