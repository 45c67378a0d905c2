#include "db/postgres/PostgresBackend.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

#include "db/Cp1252.h"
#include "db/dialect/Dialect.h"
#include "db/postgres/Libpq.h"
#include "db/sql/Status.h"

namespace jf::postgres {

namespace {

using sql::In;
using sql::Out;
using sql::Type;

RoundTrips g_trips;

// The client library's functions, set by the first connect; every other call comes from a
// connection that connect made.
const Libpq* pq = nullptr;

struct ResultDeleter {
  void operator()(PGresult* r) const { pq->PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

// The status of a server error, by its SQLSTATE: the number Oracle gives for the same fault.
int StatusFromSqlstate(const char* state) {
  static const struct {
    const char* state;
    int status;
  } kMap[] = {
      {"23505", sql::kUniqueViolated},
      {"23502", sql::kCannotInsertNull},
      {"23503", -2291},  // parent key not found
      {"23514", -2290},  // check constraint violated
      {"42P01", sql::kNoTable},
      {"3F000", sql::kNoTable},  // the schema of a qualified table name does not exist
      {"42703", sql::kInvalidIdentifier},
      {"42883", sql::kInvalidIdentifier},  // Oracle reports an unknown function so
      {"42601", sql::kInvalidSqlStatement},
      {"55P03", sql::kBusy},  // lock_timeout, NOWAIT
      {"40P01", sql::kDeadlock},
      {"40001", -8177},  // cannot serialize access
      {"57014", sql::kCancelled},
      {"3B001", sql::kSavepointUnknown},
      {"22003", sql::kValueOverflow},
      {"22001", -12899},  // value too large for column
      {"22P02", -1722},   // invalid number
      {"22012", -1476},   // divisor is equal to zero
      {"22007", sql::kDateFormat},
      {"22008", sql::kDateFormat},
      {"42501", -1031},  // insufficient privileges
      {"53100", sql::kDiskFull},
      {"53200", -4030},  // out of process memory
      {"57P01", sql::kLostConnection},
      {"57P02", sql::kLostConnection},
      {"57P03", sql::kLostConnection},
  };
  if (state == nullptr) return sql::kOtherError;
  for (const auto& m : kMap) {
    if (std::strcmp(state, m.state) == 0) return m.status;
  }
  if (std::strncmp(state, "08", 2) == 0) return sql::kLostConnection;
  return sql::kOtherError;
}

// A text of the server or of libpq, in the program's code page, without its line end.
std::string Trimmed(const char* text) {
  std::string s;
  cp1252::FromUtf8(text != nullptr ? text : "", &s);
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

// One command of a round trip.
struct Call {
  enum Kind { kText, kPrepare, kPrepared } kind = kText;
  std::string text;  // kText: the statement; kPrepare: the text prepared
  std::string name;  // kPrepare, kPrepared: the prepared statement
  const std::vector<const char*>* values = nullptr;
  Result result;

  static Call Text(std::string text) { return Call{kText, std::move(text), {}, nullptr, {}}; }
};

class PgStmt;

class PgBackend final : public sql::Backend {
 public:
  // setup: statements that go with the first round trip; the last of them answers with the
  // session's statement bound (LearnBound).
  PgBackend(PGconn* conn, std::vector<std::string> setup) : conn_(conn), setup_(std::move(setup)) {}
  ~PgBackend() override { pq->PQfinish(conn_); }  // the server rolls back what is uncommitted

  int Prepare(std::string_view text, bool cursor, std::unique_ptr<sql::BackendStmt>* out) override;
  int Commit() override { return EndBlock("COMMIT"); }
  int Rollback() override { return EndBlock("ROLLBACK"); }
  int ReleaseSavepoint(std::string_view name) override;
  // A batch goes as one pipeline: its statements' answers come back together.
  bool Batches() const override { return true; }
  int RunBatch(std::span<sql::BatchStatement> batch) override;
  // The server keeps the ids of at most kCachedSubxacts subtransactions of a transaction in
  // shared memory; past that, every other session's snapshot is marked overflowed and its
  // visibility checks look the ids up on disk (pg_subtrans) until the transaction ends. A
  // subtransaction that wrote or locked a row keeps its id until then, released or not, so the
  // group ends while the next unit's still fit.
  bool TransactionFull() const override { return subxacts_ + kSubxactsPerUnit > kCachedSubxacts; }
  bool ConnectionLost() const override { return lost_; }
  std::string LastErrorText() const override { return last_error_; }

  // --- for the statements ---
  std::string NextName() { return "jf_" + std::to_string(++names_); }
  bool InBlock() const { return block_; }
  // A write needs a transaction block, as Oracle always has one open: it starts with the next
  // round trip.
  void EnsureBlock() {
    if (block_) return;
    pending_.push_back("BEGIN");
    block_ = true;
    opened_by_savepoint_ = false;
  }
  // A write or a locking read went through: every open savepoint's subtransaction has an id
  // now (a child's id makes its parents take theirs), and so had the statement's own guard.
  void Changed() {
    dirty_ = true;
    subxacts_ += static_cast<int>(savepoints_.size()) - with_ids_ + (guarded_ ? 1 : 0);
    with_ids_ = static_cast<int>(savepoints_.size());
  }
  void QueueClose(std::string text) { closes_.push_back(std::move(text)); }
  // The statement whose cursor opens with the next round trip that ends the block
  // (BackendStmt::ExecuteAhead); one at a time.
  void SetRider(PgStmt* st) { rider_ = st; }
  void DropRider(const PgStmt* st) {
    if (rider_ == st) rider_ = nullptr;
  }
  // Counts the ends of transaction blocks: rows a cursor opened ahead brought are used only
  // while no block ended after the one they came with.
  unsigned long Ends() const { return ends_; }
  int Savepoint(const std::string& name);
  int RollbackTo(const std::string& name);
  void SetError(std::string text) { last_error_ = std::move(text); }

  enum class Trip { kExecute, kFetch, kCommit };
  // Runs the calls of one statement in one round trip, with what waits to be sent: the queued
  // closes and transaction control before them. Inside a block with changes since its latest
  // savepoint, the calls are guarded by a savepoint of their own, so that a failure undoes the
  // statement alone, as on Oracle. Returns 0 or the status of the first failure. With ended,
  // a COMMIT follows the calls in the same round trip: when they succeed it ends the block
  // (*ended) and *commit is its status; when they fail it is not run and the block stays.
  int Run(std::vector<Call>* main, Trip trip, bool* ended = nullptr, int* commit = nullptr);

 private:
  int Exchange(std::vector<Call>* calls, std::vector<Call>* after = nullptr);
  bool Await();
  PGresult* NextResult() { return Await() ? pq->PQgetResult(conn_) : nullptr; }
  int Lost();
  int ErrorOf(const Call& c);
  void LearnBound(const Call& setup);
  void Repair(bool guarded);
  int EndBlock(const char* command);
  void ForgetBlock() {
    ++ends_;
    block_ = begun_ = dirty_ = false;
    savepoints_.clear();
    subxacts_ = with_ids_ = 0;
  }
  // The savepoints from it on are gone (released or rolled back to and set again).
  void DropSavepoints(std::vector<std::string>::iterator from) {
    savepoints_.erase(from, savepoints_.end());
    with_ids_ = std::min(with_ids_, static_cast<int>(savepoints_.size()));
  }

  PGconn* conn_;
  bool lost_ = false;
  // A transaction block is open: its BEGIN is sent (begun_) or waits in pending_.
  bool block_ = false;
  bool begun_ = false;
  bool opened_by_savepoint_ = false;  // nothing of the block came before its first savepoint
  // Since the block's latest savepoint (or its start), a statement changed what a failure of
  // the next must not undo.
  bool dirty_ = false;
  std::vector<std::string> savepoints_;  // the block's savepoints, oldest first
  // Subtransactions of the block that were given an id (counted, not asked for: rolled back
  // ones are counted too), and how many of the open savepoints, from the oldest, have one.
  static constexpr int kCachedSubxacts = 64;
  static constexpr int kSubxactsPerUnit = 8;  // a unit's savepoint, its writes' and guards
  int subxacts_ = 0;
  int with_ids_ = 0;
  bool guarded_ = false;              // the last statement ran inside a savepoint of its own
  std::vector<std::string> pending_;  // transaction control for the next round trip
  std::vector<std::string> closes_;   // cursors to close with the next round trip
  std::vector<std::string> setup_;
  // How long to wait for an answer: the session's statement bound and the margin. Until the
  // setup's answer tells the session's bound, the program's own.
  int answer_millis_ = (kStatementSeconds + kAnswerMarginSeconds) * 1000;
  bool silent_ = false;  // the last wait for an answer ran out
  // The connection broke while a rider's answers came, after the statement's own: the next
  // round trip meets it.
  bool broken_ = false;
  PgStmt* rider_ = nullptr;
  unsigned long ends_ = 0;
  long names_ = 0;
  std::string last_error_;
};

class PgStmt final : public sql::BackendStmt {
 public:
  enum class Kind { kQuery, kLockingQuery, kWrite, kSavepoint, kRollbackTo };

  PgStmt(PgBackend* owner, dialect::Translation t, Kind kind, bool cursor, std::string savepoint)
      : owner_(owner),
        t_(std::move(t)),
        kind_(kind),
        cursor_(cursor),
        savepoint_(std::move(savepoint)),
        name_(owner->NextName()) {
    for (const std::string& f : t_.date_formats) formats_.push_back(dialect::ParseDateFormat(f));
  }
  ~PgStmt() override {
    owner_->DropRider(this);
    Close();
  }

  int Execute(std::span<const In> in) override { return Run(in, nullptr, nullptr); }
  void ExecuteAhead(std::span<const In> in) override;
  // A write commits in its own round trip.
  int ExecuteCommitting(std::span<const In> in, bool* ended, int* commit) override {
    *ended = false;
    *commit = 0;
    return Run(in, kind_ == Kind::kWrite ? ended : nullptr, commit);
  }
  int Fetch(std::span<const Out> out) override;
  int Close() override {
    rows_.reset();
    Release();
    return 0;
  }
  int64_t RowCount() const override { return row_count_; }

 private:
  friend class PgBackend;  // RunBatch sends many statements' calls in one round trip
  // The calls that open the cursor ahead, and what their answers left: the rows at hand for
  // the Execute with the same inputs (ends: the count of block ends they are good for).
  void AheadCalls(std::vector<Call>* calls);
  // Returns whether the block must be taken back to before the calls (their query failed in it).
  bool AheadArrived(std::vector<Call>* calls, bool complete, unsigned long ends);
  // Opened ahead inside the block: it travels with the block's next round trip, not its end.
  bool AheadInBlock() const { return ahead_in_block_; }
  // Whether the Execute with in takes the rows that came ahead; lets them go otherwise.
  bool TakeAhead(std::span<const In> in);
  void DropAhead();
  std::string CursorName() const { return name_ + "_c"; }
  // Closes the server's cursor with the next round trip; the rows at hand stay.
  void Release() {
    if (held_) owner_->QueueClose("CLOSE " + CursorName());
    held_ = more_ = false;
  }
  int Run(std::span<const In> in, bool* ended, int* commit);
  int Bind(std::span<const In> in);
  int Deliver(std::span<const Out> out) const;
  // The calls that prepare (on first use) and execute a prepared text.
  void AddExecute(std::vector<Call>* calls, const std::string& name, const std::string& text,
                  bool* prepared, const std::vector<const char*>* values = nullptr);
  // What the answer to an execute of a write or a single-row read tells: 0, 1403 or -2112,
  // the row delivered into out.
  int Answer(Result r, std::span<const Out> out);

  PgBackend* owner_;
  dialect::Translation t_;
  std::vector<dialect::DateFormat> formats_;
  Kind kind_;
  bool cursor_;
  std::string savepoint_;  // kSavepoint, kRollbackTo: its name
  std::string name_;
  bool prepared_ = false;          // the statement text
  bool declare_prepared_ = false;  // its DECLARE as a cursor that survives commits
  std::vector<std::string> storage_;
  std::vector<const char*> values_;
  Result rows_;        // the rows at hand
  int next_ = 0;       // the next of them to deliver
  bool held_ = false;  // a cursor of the statement is open on the server
  bool more_ = false;  // it may have rows beyond those at hand
  int64_t row_count_ = -1;
  // The open ahead: waiting for its round trip, or its rows arrived.
  enum class Ahead { kNone, kQueued, kArrived } ahead_ = Ahead::kNone;
  std::vector<std::string> ahead_storage_;
  std::vector<const char*> ahead_values_;
  Result ahead_rows_;
  bool ahead_held_ = false;  // its cursor is open on the server
  bool ahead_in_block_ = false;
  unsigned long ahead_ends_ = 0;
};

// --- PgBackend ---

int PgBackend::Prepare(std::string_view text, bool cursor, std::unique_ptr<sql::BackendStmt>* out) {
  // The kind by the statement's first words; savepoints are kept by the backend itself.
  std::size_t i = 0;
  auto word = [&]() {
    while (i < text.size() && text[i] == ' ') ++i;
    std::string w;
    while (i < text.size() && text[i] != ' ' && text[i] != '(') {
      w += static_cast<char>(text[i] >= 'A' && text[i] <= 'Z' ? text[i] + 32 : text[i]);
      ++i;
    }
    return w;
  };
  const std::string first = word();
  PgStmt::Kind kind = PgStmt::Kind::kWrite;
  std::string savepoint;
  if (first == "select") {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    kind = lower.find(" for update") != std::string::npos ? PgStmt::Kind::kLockingQuery
                                                          : PgStmt::Kind::kQuery;
  } else if (first == "savepoint" || (first == "rollback" && word() == "to")) {
    kind = first == "savepoint" ? PgStmt::Kind::kSavepoint : PgStmt::Kind::kRollbackTo;
    savepoint = word();
    if (savepoint == "savepoint") savepoint = word();  // "rollback to savepoint NAME"
    if (savepoint.empty()) {
      last_error_ = "a savepoint statement without a name";
      return sql::kInvalidSqlStatement;
    }
  }
  *out = std::make_unique<PgStmt>(this, dialect::Translate(text, dialect::Target::kPostgres), kind,
                                  cursor && kind == PgStmt::Kind::kQuery, savepoint);
  return 0;
}

int PgBackend::Savepoint(const std::string& name) {
  if (lost_) return sql::kNotConnected;
  if (block_ && !dirty_ && !savepoints_.empty() && savepoints_.back() == name) return 0;
  const bool opens = !block_;
  EnsureBlock();
  opened_by_savepoint_ = opened_by_savepoint_ || opens;
  // Oracle moves a savepoint whose name is set again; PostgreSQL would keep both, nested
  // ever deeper. The old one is released (its changes stay) before the new one is set.
  const auto old = std::find(savepoints_.begin(), savepoints_.end(), name);
  if (old != savepoints_.end()) {
    pending_.push_back("RELEASE SAVEPOINT " + name);
    // What came after the block's first savepoint now comes before the new one.
    if (old == savepoints_.begin()) opened_by_savepoint_ = false;
    DropSavepoints(old);
  }
  pending_.push_back("SAVEPOINT " + name);
  savepoints_.push_back(name);
  dirty_ = false;
  return 0;
}

// The unit whose savepoint is name ended and is kept: its savepoint and those set since are
// released with the next round trip, not in one of their own. What they guarded stays in the
// block, so a failure of the next statement must not undo it.
int PgBackend::ReleaseSavepoint(std::string_view name) {
  if (lost_) return sql::kNotConnected;
  const auto it = std::find(savepoints_.rbegin(), savepoints_.rend(), name);
  if (it == savepoints_.rend()) return 0;
  const auto from = std::prev(it.base());
  if (from == savepoints_.begin()) opened_by_savepoint_ = false;
  pending_.push_back("RELEASE SAVEPOINT " + std::string(name));
  DropSavepoints(from);
  dirty_ = true;
  return 0;
}

int PgBackend::RollbackTo(const std::string& name) {
  if (lost_) return sql::kNotConnected;
  const auto it = std::find(savepoints_.rbegin(), savepoints_.rend(), name);
  if (it == savepoints_.rend()) {
    last_error_ = "ORA-01086: savepoint '" + name + "' never established in this session";
    return sql::kSavepointUnknown;
  }
  if (it == savepoints_.rbegin() && !dirty_) return 0;  // nothing happened since
  DropSavepoints(it.base());
  // Sent at once: what the statements after the savepoint locked is released now, as on Oracle.
  std::vector<Call> main;
  if (savepoints_.size() == 1 && opened_by_savepoint_) {
    // Back to the savepoint that opened the block: the block ends, holding nothing, and a new
    // one with the same savepoint waits for the next write.
    ForgetBlock();
    main.push_back(Call::Text("ROLLBACK"));
    const int rc = Run(&main, Trip::kExecute);
    if (rc == 0) Savepoint(name);
    return rc;
  }
  dirty_ = false;
  main.push_back(Call::Text("ROLLBACK TO SAVEPOINT " + name));
  return Run(&main, Trip::kExecute);
}

int PgBackend::Lost() {
  lost_ = true;
  last_error_ =
      silent_ ? "the server gave no answer within " + std::to_string(answer_millis_ / 1000) + " s"
              : "the connection to the server was lost: " + Trimmed(pq->PQerrorMessage(conn_));
  return -1;
}

// Waits until an answer is at hand, at most the answer bound since the last bytes came: libpq
// itself would wait for ever on a server that stands still. False when the bound ran out or the
// connection broke.
bool PgBackend::Await() {
  using Clock = std::chrono::steady_clock;
  auto deadline = Clock::now() + std::chrono::milliseconds(answer_millis_);
  while (pq->PQisBusy(conn_) != 0) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      silent_ = true;
      return false;
    }
    pollfd p{pq->PQsocket(conn_), POLLIN, 0};
    if (p.fd < 0) return false;
    const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000)));
    if (ready < 0 && errno != EINTR) return false;
    if (ready > 0) {
      if (pq->PQconsumeInput(conn_) == 0) return false;
      deadline = Clock::now() + std::chrono::milliseconds(answer_millis_);
    }
  }
  return true;
}

int PgBackend::ErrorOf(const Call& c) {
  const PGresult* r = c.result.get();
  if (r == nullptr) return sql::kOtherError;
  const char* state = pq->PQresultErrorField(r, PG_DIAG_SQLSTATE);
  // An error of libpq's own, with no SQLSTATE: the server closed the connection.
  if (state == nullptr) {
    Lost();
    return sql::kLostConnection;
  }
  last_error_ = Trimmed(pq->PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY));
  if (const char* detail = pq->PQresultErrorField(r, PG_DIAG_MESSAGE_DETAIL)) {
    last_error_ += " (" + Trimmed(detail) + ")";
  }
  last_error_ = std::string(state) + ": " + last_error_;
  const int status = StatusFromSqlstate(state);
  if (status == sql::kLostConnection) lost_ = true;  // the server ends the session
  return status;
}

// The setup answers with the session's statement bound in milliseconds (0: none): the wait for
// an answer is that and the margin, or without a bound the program's own.
void PgBackend::LearnBound(const Call& setup) {
  const PGresult* r = setup.result.get();
  if (r == nullptr || pq->PQresultStatus(r) != PGRES_TUPLES_OK || pq->PQntuples(r) != 1) return;
  const long long bound = std::atoll(pq->PQgetvalue(r, 0, 0));
  const long long seconds = bound > 0 ? (bound + 999) / 1000 : kStatementSeconds;
  answer_millis_ =
      static_cast<int>(std::min<long long>(seconds + kAnswerMarginSeconds, 86400) * 1000);
}

// Sends the calls as one pipeline and reads every answer. Returns the index of the first call
// that failed, calls->size() when none did, or -1 when the connection is lost.
int PgBackend::Exchange(std::vector<Call>* calls, std::vector<Call>* after) {
  auto send = [&](Call& c) {
    int sent = 0;
    switch (c.kind) {
      case Call::kText:
        sent =
            pq->PQsendQueryParams(conn_, c.text.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0);
        break;
      case Call::kPrepare:
        sent = pq->PQsendPrepare(conn_, c.name.c_str(), c.text.c_str(), 0, nullptr);
        ++g_trips.prepares;
        break;
      case Call::kPrepared:
        sent = pq->PQsendQueryPrepared(conn_, c.name.c_str(), static_cast<int>(c.values->size()),
                                       c.values->data(), nullptr, nullptr, 0);
        break;
    }
    return sent != 0;
  };
  for (Call& c : *calls) {
    if (!send(c)) return Lost();
  }
  // The calls after: behind a synchronisation point of their own, so that a failure on either
  // side leaves the other as it would have been alone.
  if (after != nullptr) {
    if (pq->PQpipelineSync(conn_) == 0) return Lost();
    for (Call& c : *after) {
      if (!send(c)) return Lost();
    }
  }
  if (pq->PQpipelineSync(conn_) == 0 || pq->PQflush(conn_) != 0) return Lost();
  // Reads the answers of a part and its synchronisation point; false when the connection broke.
  auto read = [&](std::vector<Call>* part, int* failed) {
    *failed = static_cast<int>(part->size());
    for (std::size_t i = 0; i < part->size(); ++i) {
      PGresult* r = NextResult();
      if (r == nullptr || pq->PQstatus(conn_) == CONNECTION_BAD) {
        pq->PQclear(r);
        return false;
      }
      (*part)[i].result.reset(r);
      while (PGresult* extra = NextResult()) pq->PQclear(extra);  // each answer ends in none
      if (silent_) return false;
      const ExecStatusType st = pq->PQresultStatus(r);
      if (*failed == static_cast<int>(part->size()) && st != PGRES_COMMAND_OK &&
          st != PGRES_TUPLES_OK) {
        *failed = static_cast<int>(i);
      }
    }
    Result sync(NextResult());
    return sync != nullptr && pq->PQresultStatus(sync.get()) == PGRES_PIPELINE_SYNC &&
           pq->PQstatus(conn_) != CONNECTION_BAD;
  };
  int failed = 0;
  if (!read(calls, &failed)) return Lost();
  int after_failed = 0;
  if (after != nullptr && !read(after, &after_failed)) {
    // The calls' own answers are complete: what they did stands, and the next round trip
    // meets the broken connection.
    broken_ = true;
    for (Call& c : *after) c.result.reset();
  }
  return failed;
}

int PgBackend::Run(std::vector<Call>* main, Trip trip, bool* ended, int* commit) {
  if (lost_) return sql::kNotConnected;
  if (broken_) {
    broken_ = false;
    Lost();
    return silent_ ? sql::kLostContact : sql::kLostConnection;
  }
  std::vector<Call> calls;
  const std::size_t setup = setup_.size();
  for (std::string& t : setup_) calls.push_back(Call::Text(std::move(t)));
  setup_.clear();
  for (std::string& t : closes_) calls.push_back(Call::Text(std::move(t)));
  for (std::string& t : pending_) calls.push_back(Call::Text(std::move(t)));
  const std::size_t preamble = calls.size();
  const bool begins = block_ && !begun_;
  closes_.clear();
  pending_.clear();
  const bool guarded = block_ && dirty_;
  guarded_ = guarded;
  if (guarded) calls.push_back(Call::Text("SAVEPOINT jf_statement"));
  const std::size_t first = calls.size();
  for (Call& c : *main) calls.push_back(std::move(c));
  if (guarded) calls.push_back(Call::Text("RELEASE SAVEPOINT jf_statement"));
  const std::size_t commit_at = calls.size();
  if (ended != nullptr) calls.push_back(Call::Text("COMMIT"));
  ++(trip == Trip::kFetch    ? g_trips.fetch
     : trip == Trip::kCommit ? g_trips.commit
                             : g_trips.execute);
  // A cursor opened ahead goes behind the calls: one of the block with its next round trip
  // that leaves it open, one opened outside with a round trip that ends it (a COMMIT or
  // ROLLBACK of its own, or one after a write), so that it opens outside, as it would after.
  const bool ends = ended != nullptr || trip == Trip::kCommit;
  PgStmt* rider = nullptr;
  if (rider_ != nullptr && (rider_->AheadInBlock() ? block_ && !ends : ends)) rider = rider_;
  std::vector<Call> after;
  if (rider != nullptr) {
    rider_ = nullptr;
    rider->AheadCalls(&after);
  }
  const int failed = Exchange(&calls, rider != nullptr ? &after : nullptr);
  // Good while no other block ends: this one has, or does below.
  const bool undo_rider =
      rider != nullptr &&
      rider->AheadArrived(&after, failed >= 0 && !broken_,
                          ends_ + (ended != nullptr && failed >= static_cast<int>(commit_at)));
  // The statement went through when only its COMMIT failed, or nothing did.
  const bool done = ended != nullptr && failed >= static_cast<int>(commit_at);
  const int status = failed < 0 && silent_                      ? sql::kLostContact
                     : failed < 0                               ? sql::kLostConnection
                     : failed == static_cast<int>(calls.size()) ? 0
                     : done                                     ? 0
                                                                : ErrorOf(calls[failed]);
  if (setup > 0 && (failed < 0 || static_cast<std::size_t>(failed) >= setup)) {
    LearnBound(calls[setup - 1]);
  }
  for (std::size_t i = 0; i < main->size(); ++i) (*main)[i] = std::move(calls[first + i]);
  if (done) {
    // The block ended with the COMMIT, whatever its answer.
    ForgetBlock();
    *ended = true;
    *commit = failed == static_cast<int>(commit_at) ? ErrorOf(calls[commit_at])
              : std::strcmp(pq->PQcmdStatus(calls[commit_at].result.get()), "ROLLBACK") == 0 ? -2091
                                                                                             : 0;
    return 0;
  }
  if (failed < 0 || lost_) return status;
  if (begins) begun_ = true;
  if (undo_rider && status == 0) {
    // The calls went through and the query behind them failed: the block goes back to where
    // the calls left it. Should that be refused, nothing of the block stands, the calls' work
    // neither, and they fail.
    std::vector<Call> undo;
    undo.push_back(Call::Text("ROLLBACK TO SAVEPOINT jf_ahead"));
    undo.push_back(Call::Text("RELEASE SAVEPOINT jf_ahead"));
    ++g_trips.repair;
    const int f = Exchange(&undo);
    if (f < 0) return silent_ ? sql::kLostContact : sql::kLostConnection;
    if (f < static_cast<int>(undo.size())) {
      const int refused = ErrorOf(undo[static_cast<std::size_t>(f)]);
      ForgetBlock();
      std::vector<Call> rollback;
      rollback.push_back(Call::Text("ROLLBACK"));
      Exchange(&rollback);
      return refused;
    }
  }
  if (status == 0) return 0;
  if (static_cast<std::size_t>(failed) < preamble) {
    // The backend's own bookkeeping went wrong: nothing of the block can be trusted.
    ForgetBlock();
    std::vector<Call> rollback;
    rollback.push_back(Call::Text("ROLLBACK"));
    Exchange(&rollback);
    return status;
  }
  if (block_) Repair(guarded && static_cast<std::size_t>(failed) >= first);
  return status;
}

// PostgreSQL fails the whole transaction block at a failed statement; Oracle undoes the
// statement alone. The block is taken back to where it stood before the statement: to the
// statement's own savepoint, or, when nothing changed since the block's latest savepoint (or
// its start), to that.
void PgBackend::Repair(bool guarded) {
  const std::string error = last_error_;
  std::vector<Call> calls;
  if (guarded) {
    calls.push_back(Call::Text("ROLLBACK TO SAVEPOINT jf_statement"));
    calls.push_back(Call::Text("RELEASE SAVEPOINT jf_statement"));
  } else if (!savepoints_.empty()) {
    calls.push_back(Call::Text("ROLLBACK TO SAVEPOINT " + savepoints_.back()));
  } else {
    calls.push_back(Call::Text("ROLLBACK"));
    ForgetBlock();
  }
  ++g_trips.repair;
  const int failed = Exchange(&calls);
  if (failed >= 0 && failed < static_cast<int>(calls.size())) {
    ForgetBlock();
    std::vector<Call> rollback;
    rollback.push_back(Call::Text("ROLLBACK"));
    Exchange(&rollback);
  }
  last_error_ = error;  // the statement's error, not the repair's
}

int PgBackend::EndBlock(const char* command) {
  if (lost_) return sql::kNotConnected;
  if (!begun_) {
    // Nothing of the block reached the server: there is nothing to end.
    pending_.clear();
    ForgetBlock();
    return 0;
  }
  std::vector<Call> main;
  main.push_back(Call::Text(command));
  const bool commit = command[0] == 'C';
  // The block ends whatever the answer; the queued control still goes first.
  ForgetBlock();
  const int rc = Run(&main, Trip::kCommit);
  if (rc != 0) return rc;
  // The server answers a COMMIT of a failed block with ROLLBACK.
  if (commit && std::strcmp(pq->PQcmdStatus(main[0].result.get()), "ROLLBACK") == 0) {
    last_error_ = "the transaction had failed and was rolled back";
    return -2091;  // transaction rolled back
  }
  return 0;
}

// --- PgStmt ---

void PgStmt::AddExecute(std::vector<Call>* calls, const std::string& name, const std::string& text,
                        bool* prepared, const std::vector<const char*>* values) {
  if (!*prepared) {
    Call p;
    p.kind = Call::kPrepare;
    p.name = name;
    p.text = text;
    calls->push_back(std::move(p));
  }
  Call e;
  e.kind = Call::kPrepared;
  e.name = name;
  e.values = values != nullptr ? values : &values_;
  calls->push_back(std::move(e));
}

int PgStmt::Answer(Result r, std::span<const Out> out) {
  if (pq->PQresultStatus(r.get()) == PGRES_TUPLES_OK) {
    rows_ = std::move(r);
    next_ = 0;
    const int n = pq->PQntuples(rows_.get());
    int rc = n == 0 ? sql::kNotFound : n > 1 ? sql::kTooManyRows : Deliver(out);
    rows_.reset();
    return rc;
  }
  const char* tuples = pq->PQcmdTuples(r.get());
  if (tuples != nullptr && *tuples != '\0') {
    row_count_ = std::atoll(tuples);
    if (row_count_ == 0) return sql::kNotFound;
  }
  return 0;
}

// --- PgBackend::RunBatch ---

int PgBackend::RunBatch(std::span<sql::BatchStatement> batch) {
  if (batch.empty()) return 0;
  if (lost_) {
    batch[0].status = sql::kNotConnected;
    return 0;
  }
  // Each statement's values are its own: one statement text may run for many rows.
  struct Bound {
    PgStmt* stmt;
    std::vector<std::string> storage;
    std::vector<const char*> values;
    std::size_t call = 0;
  };
  std::vector<Bound> bound(batch.size());
  std::vector<Call> main;
  std::vector<PgStmt*> preparing;
  std::size_t end = batch.size();
  for (std::size_t i = 0; i < batch.size(); ++i) {
    auto* st = static_cast<PgStmt*>(batch[i].stmt);
    Bound& b = bound[i];
    b.stmt = st;
    st->Close();
    st->row_count_ = -1;
    int rc = st->kind_ == PgStmt::Kind::kSavepoint || st->kind_ == PgStmt::Kind::kRollbackTo
                 ? sql::kInvalidSqlStatement
                 : st->Bind(batch[i].in);
    if (rc != 0) {
      batch[i].status = rc;
      end = i;
      break;
    }
    b.storage = st->storage_;
    b.values.resize(st->values_.size());
    for (std::size_t k = 0; k < b.values.size(); ++k) {
      b.values[k] = st->values_[k] == nullptr ? nullptr : b.storage[k].c_str();
    }
    if (st->kind_ != PgStmt::Kind::kQuery) EnsureBlock();
    bool prepared =
        st->prepared_ || std::find(preparing.begin(), preparing.end(), st) != preparing.end();
    if (!prepared) preparing.push_back(st);
    st->AddExecute(&main, st->name_, st->t_.text, &prepared, &b.values);
    b.call = main.size() - 1;
  }
  if (end == 0) return 0;
  const int rc = Run(&main, Trip::kExecute);
  for (const Call& c : main) {
    if (c.kind != Call::kPrepare || c.result == nullptr ||
        pq->PQresultStatus(c.result.get()) != PGRES_COMMAND_OK) {
      continue;
    }
    for (PgStmt* st : preparing) {
      if (st->name_ == c.name) st->prepared_ = true;
    }
  }
  bool changed = false;
  for (std::size_t i = 0; i < end; ++i) {
    Call& c = main[bound[i].call];
    const ExecStatusType st =
        c.result != nullptr ? pq->PQresultStatus(c.result.get()) : PGRES_FATAL_ERROR;
    if (rc != 0 && st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
      batch[i].status = rc;  // the first failure; what followed it did not run
      return static_cast<int>(i);
    }
    changed = changed || bound[i].stmt->kind_ != PgStmt::Kind::kQuery;
    batch[i].status = bound[i].stmt->Answer(std::move(c.result), batch[i].out);
    if (batch[i].status != 0 && batch[i].status != sql::kNotFound) return static_cast<int>(i);
  }
  if (rc != 0) {
    batch[0].status = rc;  // what was queued before the batch failed
    return 0;
  }
  if (changed) Changed();  // once: the batch ran inside one savepoint, or none
  return static_cast<int>(end);
}

int PgStmt::Bind(std::span<const In> in) {
  if (static_cast<int>(in.size()) != t_.params) return sql::kNotAllBound;
  storage_.resize(in.size());
  values_.resize(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    const In& v = in[i];
    std::string& s = storage_[i];
    char buf[32];
    switch (v.type) {
      case Type::kText:
        // The server keeps UTF-8; every byte of the code page has its character there.
        s.clear();
        cp1252::AppendUtf8(std::string_view(v.text.data(), strnlen(v.text.data(), v.text.size())),
                           &s);
        break;
      case Type::kInt16:
      case Type::kInt32:
        s.assign(buf, std::to_chars(buf, buf + sizeof buf, v.i).ptr);
        break;
      case Type::kDouble:
        s.assign(buf, std::to_chars(buf, buf + sizeof buf, v.d).ptr);
        break;
    }
    if (!t_.date_formats[i].empty()) {
      // Read here as Oracle reads it, so a bad text fails with Oracle's status.
      dialect::CivilTime t;
      bool null = false;
      if (const int rc = dialect::ReadDate(s, formats_[i], &t, &null); rc != 0) {
        owner_->SetError(dialect::DateErrorText(rc));
        return rc;
      }
      if (null) {
        s.clear();
      } else {
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                      t.hour, t.minute, t.second);
        s = buf;
      }
    }
    // Oracle stores the empty text as NULL.
    values_[i] = s.empty() && v.type == Type::kText ? nullptr : s.c_str();
  }
  return 0;
}

void PgStmt::ExecuteAhead(std::span<const In> in) {
  // Only a cursor, and not while it walks rows.
  if (kind_ != Kind::kQuery || !cursor_ || rows_ != nullptr || held_) return;
  DropAhead();  // an earlier one goes
  if (Bind(in) != 0) return;
  ahead_storage_ = storage_;
  ahead_values_.resize(values_.size());
  for (std::size_t i = 0; i < values_.size(); ++i) {
    ahead_values_[i] = values_[i] == nullptr ? nullptr : ahead_storage_[i].c_str();
  }
  ahead_ = Ahead::kQueued;
  ahead_in_block_ = owner_->InBlock();
  owner_->SetRider(this);
}

void PgStmt::AheadCalls(std::vector<Call>* calls) {
  if (ahead_in_block_) {
    // Its rows come whole, as a cursor's inside a block do; a savepoint of its own keeps a
    // failure of it from failing the block.
    calls->push_back(Call::Text("SAVEPOINT jf_ahead"));
    AddExecute(calls, name_, t_.text, &prepared_, &ahead_values_);
    calls->push_back(Call::Text("RELEASE SAVEPOINT jf_ahead"));
    return;
  }
  AddExecute(calls, name_ + "_d",
             "DECLARE " + CursorName() + " NO SCROLL CURSOR WITH HOLD FOR " + t_.text,
             &declare_prepared_, &ahead_values_);
  calls->push_back(Call::Text("FETCH " + std::to_string(kFetchRows) + " FROM " + CursorName()));
}

bool PgStmt::AheadArrived(std::vector<Call>* calls, bool complete, unsigned long ends) {
  ahead_ = Ahead::kNone;
  if (!complete) return false;  // the connection is gone: nothing is open
  auto ok = [](const Call& c, ExecStatusType want) {
    return c.result != nullptr && pq->PQresultStatus(c.result.get()) == want;
  };
  if (ahead_in_block_) {
    const Call& query = (*calls)[calls->size() - 2];
    if ((*calls)[1].kind == Call::kPrepare && ok((*calls)[1], PGRES_COMMAND_OK)) prepared_ = true;
    if (!ok(query, PGRES_TUPLES_OK)) {
      // In a failed block (the statement before it failed) its savepoint was refused too.
      return ok(calls->front(), PGRES_COMMAND_OK);
    }
    ahead_rows_ = std::move((*calls)[calls->size() - 2].result);
    ahead_ends_ = ends;
    ahead_ = Ahead::kArrived;
    return false;
  }
  if (calls->front().kind == Call::kPrepare && ok(calls->front(), PGRES_COMMAND_OK)) {
    declare_prepared_ = true;
  }
  ahead_held_ = ok((*calls)[calls->size() - 2], PGRES_COMMAND_OK);
  if (!ok(calls->back(), PGRES_TUPLES_OK)) {
    // Declared (the block it came after had failed, say) but not fetched: it is not used.
    if (ahead_held_) owner_->QueueClose("CLOSE " + CursorName());
    ahead_held_ = false;
    return false;
  }
  ahead_rows_ = std::move(calls->back().result);
  ahead_ends_ = ends;
  ahead_ = Ahead::kArrived;
  return false;
}

void PgStmt::DropAhead() {
  ahead_ = Ahead::kNone;
  owner_->DropRider(this);
  ahead_rows_.reset();
  if (std::exchange(ahead_held_, false)) owner_->QueueClose("CLOSE " + CursorName());
}

bool PgStmt::TakeAhead(std::span<const In> in) {
  if (ahead_ != Ahead::kArrived) {
    DropAhead();
    return false;
  }
  ahead_ = Ahead::kNone;
  Result rows = std::move(ahead_rows_);
  const bool held = std::exchange(ahead_held_, false);
  // The same inputs, and no block ended since the one the rows came after: they are the rows
  // an open now would find, as far as this session's own work goes.
  bool same = owner_->Ends() == ahead_ends_ && owner_->InBlock() == ahead_in_block_ &&
              Bind(in) == 0 && storage_ == ahead_storage_ && values_.size() == ahead_values_.size();
  for (std::size_t i = 0; same && i < values_.size(); ++i) {
    same = (values_[i] == nullptr) == (ahead_values_[i] == nullptr);
  }
  if (!same) {
    if (held) owner_->QueueClose("CLOSE " + CursorName());
    return false;
  }
  rows_ = std::move(rows);
  next_ = 0;
  held_ = held;
  more_ = held && pq->PQntuples(rows_.get()) == kFetchRows;
  if (!more_) Release();
  return true;
}

int PgStmt::Run(std::span<const In> in, bool* ended, int* commit) {
  Close();
  row_count_ = -1;
  if (ahead_ != Ahead::kNone && TakeAhead(in)) return 0;
  if (kind_ == Kind::kSavepoint) return owner_->Savepoint(savepoint_);
  if (kind_ == Kind::kRollbackTo) return owner_->RollbackTo(savepoint_);
  if (int rc = Bind(in); rc != 0) return rc;
  std::vector<Call> calls;
  if (kind_ == Kind::kQuery && cursor_ && !owner_->InBlock()) {
    // Outside a transaction block the cursor is declared to survive commits: the server keeps
    // its rows as they were at the open, and sends them a batch per round trip, the first with
    // the open.
    AddExecute(&calls, name_ + "_d",
               "DECLARE " + CursorName() + " NO SCROLL CURSOR WITH HOLD FOR " + t_.text,
               &declare_prepared_);
    calls.push_back(Call::Text("FETCH " + std::to_string(kFetchRows) + " FROM " + CursorName()));
    const int rc = owner_->Run(&calls, PgBackend::Trip::kExecute);
    if (calls[0].kind == Call::kPrepare && calls[0].result != nullptr &&
        pq->PQresultStatus(calls[0].result.get()) == PGRES_COMMAND_OK) {
      declare_prepared_ = true;
    }
    if (calls[calls.size() - 2].result != nullptr &&
        pq->PQresultStatus(calls[calls.size() - 2].result.get()) == PGRES_COMMAND_OK) {
      held_ = true;  // declared, whatever became of the fetch
    }
    if (rc != 0) {
      Close();
      return rc;
    }
    rows_ = std::move(calls.back().result);
    next_ = 0;
    more_ = pq->PQntuples(rows_.get()) == kFetchRows;
    if (!more_) Release();
    return 0;
  }
  // Writes and locking reads belong to a transaction; a cursor opened inside one has its rows
  // brought over whole, so that no rollback of the block can take them away.
  if (kind_ != Kind::kQuery) owner_->EnsureBlock();
  AddExecute(&calls, name_, t_.text, &prepared_);
  const int rc = owner_->Run(&calls, PgBackend::Trip::kExecute, ended, commit);
  if (calls[0].kind == Call::kPrepare && calls[0].result != nullptr &&
      pq->PQresultStatus(calls[0].result.get()) == PGRES_COMMAND_OK) {
    prepared_ = true;
  }
  if (rc != 0) return rc;
  Result r = std::move(calls.back().result);
  if (kind_ != Kind::kQuery && (ended == nullptr || !*ended)) owner_->Changed();
  if (pq->PQresultStatus(r.get()) == PGRES_TUPLES_OK) {
    rows_ = std::move(r);
    next_ = 0;
    return 0;
  }
  const char* tuples = pq->PQcmdTuples(r.get());
  if (tuples != nullptr && *tuples != '\0') {
    row_count_ = std::atoll(tuples);
    if (row_count_ == 0) return sql::kNotFound;
  }
  return 0;
}

int PgStmt::Fetch(std::span<const Out> out) {
  if (rows_ == nullptr) return sql::kNotFound;
  if (next_ >= pq->PQntuples(rows_.get())) {
    if (!more_) {
      rows_.reset();
      return sql::kNotFound;
    }
    std::vector<Call> calls;
    calls.push_back(Call::Text("FETCH " + std::to_string(kFetchRows) + " FROM " + CursorName()));
    if (const int rc = owner_->Run(&calls, PgBackend::Trip::kFetch); rc != 0) return rc;
    rows_ = std::move(calls[0].result);
    next_ = 0;
    more_ = pq->PQntuples(rows_.get()) == kFetchRows;
    if (!more_) Release();
    if (pq->PQntuples(rows_.get()) == 0) {
      rows_.reset();
      return sql::kNotFound;
    }
  }
  const int rc = Deliver(out);
  ++next_;
  return rc;
}

// Copies the row at hand into the outputs. A NULL column gives an empty text or 0; a text
// longer than its field is cut. An integer that does not fit its field fails the row with
// -1455, as Oracle's client does, before any field changes.
int PgStmt::Deliver(std::span<const Out> out) const {
  if (out.empty()) return 0;  // only asked whether a row is there
  const PGresult* r = rows_.get();
  if (static_cast<int>(out.size()) != pq->PQnfields(r)) return sql::kNotInSelectList;
  for (int i = 0; i < static_cast<int>(out.size()); ++i) {
    const Type t = out[static_cast<std::size_t>(i)].type;
    if ((t != Type::kInt16 && t != Type::kInt32) || pq->PQgetisnull(r, next_, i)) continue;
    const double d = std::strtod(pq->PQgetvalue(r, next_, i), nullptr);
    const double lo = t == Type::kInt16 ? -32768.0 : -2147483648.0;
    const double hi = t == Type::kInt16 ? 32767.0 : 2147483647.0;
    if (!(d > lo - 1 && d < hi + 1)) return sql::kIntegerOverflow;
  }
  for (int i = 0; i < static_cast<int>(out.size()); ++i) {
    const Out& o = out[static_cast<std::size_t>(i)];
    const bool null = pq->PQgetisnull(r, next_, i) != 0;
    const char* v = pq->PQgetvalue(r, next_, i);
    int16_t indicator = null ? -1 : 0;
    switch (o.type) {
      case Type::kText: {
        if (o.cap == 0) break;
        // In the program's code page, cut to the field between characters; a character the
        // code page lacks arrives as "?", as Oracle's client gives it.
        const std::size_t len = null ? 0 : static_cast<std::size_t>(pq->PQgetlength(r, next_, i));
        const int16_t cut =
            cp1252::FromUtf8ToField(std::string_view(v, len), static_cast<char*>(o.dst), o.cap);
        if (cut != 0) indicator = cut;
        break;
      }
      case Type::kInt16:
      case Type::kInt32:
        *static_cast<int32_t*>(o.dst) = null ? 0 : static_cast<int32_t>(std::strtod(v, nullptr));
        break;
      case Type::kDouble:
        *static_cast<double*>(o.dst) = null ? 0.0 : std::strtod(v, nullptr);
        break;
    }
    if (o.ind != nullptr) *o.ind = indicator;
  }
  return 0;
}

// The status of a failed connect by its cause, as Oracle's client gives them: libpq tells the
// cause only in its text, so whether anything answered is asked again (a ping does not log on).
int ConnectFailure(const char* const* keys, const char* const* values, const std::string& text,
                   std::chrono::steady_clock::duration took, int timeout_seconds) {
  if (timeout_seconds > 0 &&
      took >= std::chrono::seconds(timeout_seconds) - std::chrono::milliseconds(500)) {
    return sql::kConnectTimeout;
  }
  if (text.find("could not translate host name") != std::string::npos) {
    return sql::kConnectIdentifier;
  }
  switch (pq->PQpingParams(keys, values, 0)) {
    case PQPING_NO_RESPONSE:
      return sql::kNoListener;
    case PQPING_NO_ATTEMPT:
      return sql::kConnectIdentifier;
    default:
      break;
  }
  // The server answered and refused: the database it does not have, or the login.
  if (text.find("database \"") != std::string::npos &&
      text.find("\" does not exist") != std::string::npos) {
    return sql::kServiceUnknown;
  }
  return sql::kLogonDenied;
}

}  // namespace

const RoundTrips& Trips() {
  return g_trips;
}

void ResetTrips() {
  g_trips = RoundTrips{};
}

int OpenPostgres(std::string_view user, std::string_view password, std::string_view net_service,
                 std::unique_ptr<sql::Backend>* out, std::string* error) {
  // Without a user or password of its own, libpq would take one from the environment or the
  // user's password file; the login file is the one place they come from.
  if (user.empty() || password.empty()) {
    *error =
        "the login file holds no user or no password (a server that needs no password "
        "ignores it, but the login file must name one)";
    return sql::kLogonDenied;
  }
  if (const int rc = LoadLibpq(&pq, error); rc != 0) return rc;
  char* parse_error = nullptr;
  PQconninfoOption* parsed = pq->PQconninfoParse(std::string(net_service).c_str(), &parse_error);
  if (parsed == nullptr) {
    *error = "the net service name is not a usable PostgreSQL URI: " + Trimmed(parse_error);
    pq->PQfreemem(parse_error);
    return sql::kConnectIdentifier;
  }
  std::vector<std::string> keys, values;
  std::string options;
  bool timeout = false;
  std::string refused;
  for (const PQconninfoOption* o = parsed; o->keyword != nullptr; ++o) {
    if (o->val == nullptr) continue;
    const std::string key = o->keyword;
    if (key == "user" || key == "password" || key == "passfile" || key == "service") {
      refused = key;
    } else if (key == "options") {
      options = o->val;
    } else if (key != "client_encoding") {  // the backend converts from and to UTF-8 itself
      keys.push_back(key);
      values.push_back(o->val);
      timeout = timeout || key == "connect_timeout";
    }
  }
  pq->PQconninfoFree(parsed);
  if (!refused.empty()) {
    *error = "the net service name names a " + refused +
             "; user and password come from the login file only";
    return sql::kConnectIdentifier;
  }
  keys.insert(keys.end(), {"user", "password", "client_encoding", "fallback_application_name"});
  values.insert(values.end(), {cp1252::ToUtf8(user), cp1252::ToUtf8(password), "UTF8", "jobfeed"});
  if (!options.empty()) {
    keys.push_back("options");
    values.push_back(options);
  }
  if (!timeout) {
    keys.push_back("connect_timeout");
    values.push_back(std::to_string(kConnectTimeoutSeconds));
  }
  // Over TCP a server whose machine or network went away without a word would leave the run
  // waiting until the operating system gives up, which takes hours: keepalives find a silent
  // peer, tcp_user_timeout data that is not delivered. A URI that sets them keeps its own.
  const std::pair<const char*, int> kTcp[] = {{"keepalives", 1},
                                              {"keepalives_idle", kKeepaliveIdleSeconds},
                                              {"keepalives_interval", kKeepaliveIntervalSeconds},
                                              {"keepalives_count", kKeepaliveCount},
                                              {"tcp_user_timeout", kTcpUserTimeoutMillis}};
  for (const auto& [key, value] : kTcp) {
    if (std::find(keys.begin(), keys.end(), key) != keys.end()) continue;
    keys.push_back(key);
    values.push_back(std::to_string(value));
  }
  std::vector<const char*> k, v;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    k.push_back(keys[i].c_str());
    v.push_back(values[i].c_str());
  }
  k.push_back(nullptr);
  v.push_back(nullptr);
  ++g_trips.connect;
  const auto started = std::chrono::steady_clock::now();
  PGconn* conn = pq->PQconnectdbParams(k.data(), v.data(), 0);
  if (conn == nullptr || pq->PQstatus(conn) != CONNECTION_OK) {
    *error = conn != nullptr ? Trimmed(pq->PQerrorMessage(conn)) : "out of memory";
    pq->PQfinish(conn);
    const auto set = std::find(keys.begin(), keys.end(), "connect_timeout");
    const int seconds =
        set != keys.end() ? std::atoi(values[static_cast<std::size_t>(set - keys.begin())].c_str())
                          : kConnectTimeoutSeconds;
    return ConnectFailure(k.data(), v.data(), *error, std::chrono::steady_clock::now() - started,
                          seconds);
  }
  // A notice (a warning the server sends beside an answer) must not reach the terminal: a run
  // prints nothing.
  pq->PQsetNoticeProcessor(
      conn, [](void*, const char*) {}, nullptr);
  if (pq->PQenterPipelineMode(conn) == 0) {
    *error = "the PostgreSQL client library cannot pipeline: " + Trimmed(pq->PQerrorMessage(conn));
    pq->PQfinish(conn);
    return sql::kBackendUnavailable;
  }
  // Lock waits and statements are bounded unless the site set its own bounds (for the role, the
  // database or in the URI's options): a row another session holds fails with -54 after that
  // long, a statement that runs past its bound with -1013. A server of
  // version 14 or later also looks for the program during a long wait: a run killed while it
  // waited would otherwise hold its locks, and keep other runs waiting, until the wait ended.
  *out = std::make_unique<PgBackend>(
      conn,
      std::vector<std::string>{
          "SELECT set_config('lock_timeout','" + std::to_string(sql::kLockWaitSeconds * 1000) +
              "',false) WHERE current_setting('lock_timeout')='0' UNION ALL SELECT "
              "set_config('statement_timeout','" +
              std::to_string(kStatementSeconds * 1000) +
              "',false) WHERE current_setting('statement_timeout')='0' UNION ALL SELECT "
              "set_config('client_connection_check_interval','1000',false) WHERE "
              "current_setting('server_version_num')::int>=140000",
          "SELECT setting FROM pg_settings WHERE name='statement_timeout'"});
  return 0;
}

}  // namespace jf::postgres
