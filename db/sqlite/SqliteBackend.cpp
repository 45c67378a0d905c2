#include "db/sqlite/SqliteBackend.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "db/Cp1252.h"
#include "db/dialect/Dialect.h"
#include "db/sql/LockWait.h"
#include "db/sql/Status.h"
#include "db/sqlite/Dialect.h"
#include "platform/Env.h"

namespace jf::sqlite {

using sql::In;
using sql::Out;
using sql::Type;

int StatusFromSqlite(int rc, const char* msg) {
  switch (rc & 0xff) {
    case SQLITE_OK:
    case SQLITE_ROW:
      return sql::kOk;
    case SQLITE_DONE:
      return sql::kNotFound;
    case SQLITE_CONSTRAINT:
      if (rc == SQLITE_CONSTRAINT_NOTNULL) return sql::kCannotInsertNull;
      if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY)
        return sql::kUniqueViolated;
      return sql::kOtherError;
    case SQLITE_BUSY:
      // A transaction whose read snapshot another connection's commit made stale cannot write:
      // as a deadlock, it is undone and may run again at once. Waiting would not help.
      if (rc == SQLITE_BUSY_SNAPSHOT) return sql::kDeadlock;
      return sql::kBusy;
    case SQLITE_LOCKED:
      return sql::kBusy;
    case SQLITE_FULL:
      return sql::kDiskFull;
    case SQLITE_IOERR:
      return sql::kIoError;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return sql::kCorrupt;
    case SQLITE_READONLY:
      return sql::kReadOnly;
    case SQLITE_CANTOPEN:
      return sql::kConnectIdentifier;
    case SQLITE_TOOBIG:
    case SQLITE_MISMATCH:
      return sql::kValueOverflow;
    case SQLITE_RANGE:
      return sql::kNotAllBound;
    case SQLITE_ERROR: {
      if (int ora = OracleCodeFromMessage(msg); ora != 0) return ora;
      if (msg != nullptr) {
        if (std::strncmp(msg, "no such table", 13) == 0) return sql::kNoTable;
        if (std::strncmp(msg, "no such column", 14) == 0) return sql::kInvalidIdentifier;
        if (std::strstr(msg, "syntax error") != nullptr) return sql::kInvalidSqlStatement;
        if (std::strncmp(msg, "no such savepoint", 17) == 0) return sql::kSavepointUnknown;
      }
      return sql::kOtherError;
    }
    default:
      return sql::kOtherError;
  }
}

namespace {

class SqliteBackend;

class SqliteStmt final : public sql::BackendStmt {
 public:
  SqliteStmt(SqliteBackend* owner, sqlite3_stmt* stmt, int params, bool counts_changes, bool cursor,
             bool locks)
      : owner_(owner),
        stmt_(stmt),
        params_(params),
        counts_changes_(counts_changes),
        cursor_(cursor),
        locks_(locks) {}
  ~SqliteStmt() override {
    for (sqlite3_stmt* s : {stmt_, fill_, clear_, read_}) sqlite3_finalize(s);
  }

  // A sorted cursor delivers its rows through a table of its own in the temporary database:
  // fill runs the query into it, clear empties it, read fetches one row by its number.
  void SetSpill(sqlite3_stmt* fill, sqlite3_stmt* clear, sqlite3_stmt* read) {
    fill_ = fill;
    clear_ = clear;
    read_ = read;
  }

  // Notes the savepoint a "savepoint NAME" or "rollback to NAME" statement names.
  void NameSavepoint(std::string_view text);

  int Execute(std::span<const In> in) override;
  int Fetch(std::span<const Out> out) override;
  int64_t RowCount() const override { return row_count_changed_; }
  int Close() override {
    sqlite3_reset(stmt_);
    spilled_ = false;
    have_row_ = false;
    done_ = false;
    row_count_ = 0;
    next_row_ = 0;
    materialized_ = false;
    return 0;
  }

 private:
  // One column value of a materialized row.
  struct Value {
    int type = SQLITE_NULL;
    sqlite3_int64 i = 0;
    double d = 0;
    std::string text;
  };

  int Step();
  int Bind(sqlite3_stmt* stmt, std::span<const In> in);
  int OpenSpilled(std::span<const In> in);
  int FetchSpilled(std::span<const Out> out);
  int Materialize();
  int Deliver(std::span<const Out> out, const std::vector<Value>* row);

  SqliteBackend* owner_;
  sqlite3_stmt* stmt_;
  sqlite3_stmt* fill_ = nullptr;
  sqlite3_stmt* clear_ = nullptr;
  sqlite3_stmt* read_ = nullptr;
  sqlite3_stmt* out_ = stmt_;  // the statement whose row Deliver reads: stmt_ or read_
  bool spilled_ = false;       // the open rows are in the temporary table
  sqlite3_int64 spilled_rows_ = 0;
  sqlite3_int64 next_spilled_ = 1;
  int params_;
  bool counts_changes_;                  // INSERT, UPDATE, DELETE: no row touched is 1403
  sqlite3_int64 row_count_changed_ = 0;  // rows the last write touched
  bool cursor_;
  bool locks_;  // a locking query ("for update"): it takes the database's write lock
  // "savepoint NAME" or "rollback to NAME": the name, which the backend tracks (see
  // SqliteBackend::outer_savepoint_); empty for any other statement.
  std::string savepoint_;
  bool sets_savepoint_ = false;
  bool have_row_ = false;  // a row was stepped to by Execute and not yet delivered
  bool done_ = false;
  // A cursor whose query SQLite answers straight from the table (no sort) would see the
  // session's own later writes; its rows are then read in full at open.
  bool materialized_ = false;
  // The rows of the last open; rows_ keeps its storage from open to open (only the first
  // row_count_ are valid), so a cursor opened once per downloaded row allocates nothing.
  std::vector<std::vector<Value>> rows_;
  std::vector<int> types_;  // the column types of the row Deliver hands out
  std::size_t row_count_ = 0;
  std::size_t next_row_ = 0;
};

class SqliteBackend final : public sql::Backend {
 public:
  explicit SqliteBackend(sqlite3* db) : db_(db) {}
  ~SqliteBackend() override {
    for (sqlite3_stmt* s : {begin_, commit_, rollback_}) sqlite3_finalize(s);
    for (auto& [name, s] : releases_) sqlite3_finalize(s);
    sqlite3_close_v2(db_);
  }

  sqlite3* db() { return db_; }
  // Whether the database stores its texts in UTF-8.
  bool utf8() const { return utf8_; }
  void set_utf8(bool utf8) { utf8_ = utf8; }
  // Whether texts pass the seam as stored, in UTF-8, rather than in the program's code page.
  bool texts_as_stored() const { return texts_as_stored_; }
  void set_texts_as_stored(bool as_stored) { texts_as_stored_ = as_stored; }

  int Status(int rc) {
    const char* msg = sqlite3_errmsg(db_);
    last_error_ = msg != nullptr ? msg : "";
    return StatusFromSqlite(sqlite3_extended_errcode(db_) != 0 ? sqlite3_extended_errcode(db_) : rc,
                            msg);
  }

  int Prepare(std::string_view text, bool cursor, std::unique_ptr<sql::BackendStmt>* out) override {
    const dialect::Translation t = dialect::Translate(text, dialect::Target::kSqlite);
    const std::string& translated = t.text;
    const int params = t.params;
    const bool locks = t.locks;
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v3(db_, translated.c_str(), static_cast<int>(translated.size()),
                                SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) {
      sqlite3_finalize(stmt);
      return Status(rc);
    }
    if (stmt == nullptr) return sql::kInvalidSqlStatement;  // empty text
    const bool is_query = sqlite3_column_count(stmt) > 0;
    const bool writes = !is_query && !sqlite3_stmt_readonly(stmt);
    std::string_view head = std::string_view(translated).substr(0, 6);
    const bool dml = writes && (EqualsNoCase(head, "insert") || EqualsNoCase(head, "update") ||
                                EqualsNoCase(head, "delete"));
    auto made = std::make_unique<SqliteStmt>(this, stmt, params, dml, cursor && is_query,
                                             is_query && locks);
    made->NameSavepoint(text);
    // The temporary table is made outside any transaction only, so no rollback can undo it.
    if (cursor && is_query && sqlite3_get_autocommit(db_) != 0 && Sorts(translated)) {
      if (int st = PrepareSpill(made.get(), translated, sqlite3_column_count(stmt)); st != 0) {
        return st;
      }
    }
    *out = std::move(made);
    return 0;
  }

  // Oracle always has a transaction open; SQLite starts one on demand. A write opens one so
  // that a later rollback undoes it, as it would on Oracle. It takes the write lock at once
  // (waiting for it as long as the lock wait allows): a transaction that read first and then
  // wanted to write would be refused, without waiting, by any other connection's commit in
  // between.
  int EnsureTransaction() {
    if (sqlite3_get_autocommit(db_) == 0) return 0;
    savepoints_.clear();  // whatever ended the last transaction ended its savepoints
    return RunControl(&begin_, "BEGIN IMMEDIATE");
  }

  // A savepoint set outside any transaction opens one, with the write lock: the statements a
  // savepoint guards here are writes, and a unit's locking read must see the row as no one else
  // can change it any more. Rolled back to, the transaction ends: kept open, it would hold the
  // write lock until the next commit although nothing is left to commit, and other processes
  // would wait for a failed write. Oracle releases what the statements after a savepoint locked
  // when it rolls back to it. A savepoint inside an open transaction (a unit of writes) is left
  // as it stands.
  bool IsOuterSavepoint(const std::string& name) const { return name == outer_savepoint_; }
  int SavepointDone(const std::string& name, bool set, bool outside_transaction) {
    if (!outside_transaction) Stacked(name, set);
    if (set) {
      // A savepoint set again under the name of the one that opened the transaction (the next
      // unit of a group) is the one a rollback to that name goes to, as on Oracle: a rollback
      // then undoes that unit only and the transaction goes on.
      if (outside_transaction) {
        outer_savepoint_ = name;
      } else if (name == outer_savepoint_) {
        outer_savepoint_.clear();
      }
      return 0;
    }
    if (name != outer_savepoint_) return 0;
    outer_savepoint_.clear();
    return RunControl(&rollback_, "ROLLBACK");
  }

  // Waits for another connection's lock in steps of a millisecond, up to the lock wait. SQLite's
  // own busy timeout sleeps ever longer, up to 100 ms a step; under a stream of short
  // transactions from other runs, each taking the lock again microseconds after its commit, such
  // a waiter would seldom find it free and could wait out the whole bound behind holds of a few
  // milliseconds each.
  static int BusyWait(void* self, int count) {
    auto* b = static_cast<SqliteBackend*>(self);
    const auto now = std::chrono::steady_clock::now();
    if (count == 0) b->busy_since_ = now;
    if (now - b->busy_since_ >= std::chrono::milliseconds(sql::LockWaitMillis())) return 0;
    sqlite3_sleep(1);
    return 1;
  }

  // SQLite stacks the savepoints of one name, where Oracle moves the one savepoint of a name. A
  // unit that has ended lets go of the savepoints set since its own (its own included, or, for
  // the transaction's first unit, every real one): the stack stays as short as one unit's, and
  // the statement journal SQLite keeps for the open savepoints starts afresh instead of
  // growing by every page each unit of a group changes.
  int ReleaseSavepoint(std::string_view name) override {
    if (sqlite3_get_autocommit(db_) != 0) savepoints_.clear();
    auto from = std::find(savepoints_.begin(), savepoints_.end(), name);
    if (from == savepoints_.end()) {
      if (name != outer_savepoint_ || savepoints_.empty()) return 0;
      from = savepoints_.begin();
    }
    auto release = releases_.find(*from);
    if (release == releases_.end()) release = releases_.emplace(*from, nullptr).first;
    const std::string text = release->second == nullptr ? "RELEASE " + *from : std::string();
    const int rc = RunControl(&release->second, text.c_str());
    if (rc == 0) savepoints_.erase(from, savepoints_.end());
    return rc;
  }

  int Commit() override {
    outer_savepoint_.clear();
    if (sqlite3_get_autocommit(db_) != 0) return 0;
    return RunControl(&commit_, "COMMIT");
  }

  int Rollback() override {
    outer_savepoint_.clear();
    if (sqlite3_get_autocommit(db_) != 0) return 0;
    return RunControl(&rollback_, "ROLLBACK");
  }

  std::string LastErrorText() const override { return last_error_; }

 private:
  static bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      char c = a[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
      if (c != b[i]) return false;
    }
    return true;
  }

  // Whether the query sorts its rows: the program of the statement opens a sorter.
  bool Sorts(const std::string& translated) {
    sqlite3_stmt* plan = nullptr;
    const std::string text = "EXPLAIN " + translated;
    if (sqlite3_prepare_v2(db_, text.c_str(), -1, &plan, nullptr) != SQLITE_OK) {
      sqlite3_finalize(plan);
      return false;
    }
    bool sorts = false;
    while (!sorts && sqlite3_step(plan) == SQLITE_ROW) {
      const unsigned char* op = sqlite3_column_text(plan, 1);
      sorts = op != nullptr && std::strcmp(reinterpret_cast<const char*>(op), "SorterOpen") == 0;
    }
    sqlite3_finalize(plan);
    return sorts;
  }

  // Prepares the temporary table of a sorted cursor and its three statements. The columns have
  // no declared type, so every value is kept exactly as the query delivers it.
  int PrepareSpill(SqliteStmt* stmt, const std::string& translated, int columns) {
    const std::string table = "temp.jf_cursor_" + std::to_string(++spills_);
    std::string create = "CREATE TABLE IF NOT EXISTS " + table + " (";
    for (int i = 0; i < columns; ++i) create += (i ? ",c" : "c") + std::to_string(i);
    create += ")";
    int rc = sqlite3_exec(db_, create.c_str(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return Status(rc);
    sqlite3_stmt* made[3] = {};
    const std::string texts[3] = {"INSERT INTO " + table + " " + translated, "DELETE FROM " + table,
                                  "SELECT * FROM " + table + " WHERE rowid=?"};
    for (int i = 0; i < 3; ++i) {
      rc = sqlite3_prepare_v3(db_, texts[i].c_str(), -1, SQLITE_PREPARE_PERSISTENT, &made[i],
                              nullptr);
      if (rc != SQLITE_OK) {
        const int st = Status(rc);
        for (sqlite3_stmt* s : made) sqlite3_finalize(s);
        return st;
      }
    }
    stmt->SetSpill(made[0], made[1], made[2]);
    return 0;
  }

  // Runs a transaction control statement, prepared on first use: a run commits once or twice
  // per downloaded row, and parsing the text each time would cost more than the commit's own
  // bookkeeping.
  int RunControl(sqlite3_stmt** stmt, const char* text) {
    if (*stmt == nullptr) {
      int rc = sqlite3_prepare_v3(db_, text, -1, SQLITE_PREPARE_PERSISTENT, stmt, nullptr);
      if (rc != SQLITE_OK) {
        const int st = Status(rc);
        sqlite3_finalize(*stmt);
        *stmt = nullptr;
        return st;
      }
    }
    const int rc = sqlite3_step(*stmt);
    const int st = rc == SQLITE_DONE ? 0 : Status(rc);
    sqlite3_reset(*stmt);
    return st;
  }

  sqlite3* db_;
  sqlite3_stmt* begin_ = nullptr;
  sqlite3_stmt* commit_ = nullptr;
  sqlite3_stmt* rollback_ = nullptr;
  int spills_ = 0;  // temporary tables of sorted cursors made so far
  std::string last_error_;
  std::string outer_savepoint_;  // the savepoint that opened the transaction, if one did
  bool utf8_ = true;
  bool texts_as_stored_ = false;
  // The real savepoints of the open transaction, oldest first, and the statements that release
  // them by name.
  std::vector<std::string> savepoints_;
  std::map<std::string, sqlite3_stmt*, std::less<>> releases_;

  // Notes a savepoint set, or rolled back to (which keeps it and ends those after it).
  void Stacked(const std::string& name, bool set) {
    if (set) {
      savepoints_.push_back(name);
      return;
    }
    for (auto it = savepoints_.end(); it != savepoints_.begin();) {
      if (*--it == name) {
        savepoints_.erase(it + 1, savepoints_.end());
        return;
      }
    }
  }
  std::chrono::steady_clock::time_point busy_since_;  // start of the current lock wait
};

void SqliteStmt::NameSavepoint(std::string_view text) {
  auto word = [&](std::size_t* i) {
    while (*i < text.size() && text[*i] == ' ') ++*i;
    const std::size_t start = *i;
    while (*i < text.size() && text[*i] != ' ') ++*i;
    std::string w(text.substr(start, *i - start));
    for (char& c : w) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return w;
  };
  std::size_t i = 0;
  const std::string first = word(&i);
  if (first == "savepoint") {
    sets_savepoint_ = true;
  } else if (first != "rollback" || word(&i) != "to") {
    return;
  }
  std::size_t j = i;
  while (j < text.size() && text[j] == ' ') ++j;
  std::size_t end = j;
  while (end < text.size() && text[end] != ' ') ++end;
  savepoint_ = std::string(text.substr(j, end - j));
  if (savepoint_.empty()) sets_savepoint_ = false;
}

int SqliteStmt::Step() {
  int rc = sqlite3_step(out_);
  if (rc == SQLITE_ROW) return 0;
  if (rc == SQLITE_DONE) return sql::kNotFound;
  return owner_->Status(rc);
}

// Column i of the current row as UTF-8 text (a number as its text). A database that stores its
// texts in UTF-8 (the default, and every one init-db makes) hands them out as they are stored,
// without the copy SQLite makes to add a terminating zero; one that stores UTF-16 converts.
std::string_view ColumnText(sqlite3_stmt* s, int i, bool utf8) {
  const void* t = utf8 ? sqlite3_column_blob(s, i) : sqlite3_column_text(s, i);
  if (t == nullptr) return {};
  return {static_cast<const char*>(t), static_cast<std::size_t>(sqlite3_column_bytes(s, i))};
}

int SqliteStmt::Materialize() {
  const int n = sqlite3_column_count(stmt_);
  while (have_row_) {
    if (row_count_ == rows_.size()) rows_.emplace_back();
    std::vector<Value>& row = rows_[row_count_++];
    row.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      Value& v = row[static_cast<std::size_t>(i)];
      v.type = sqlite3_column_type(stmt_, i);
      if (v.type == SQLITE_INTEGER) {
        v.i = sqlite3_column_int64(stmt_, i);
      } else if (v.type == SQLITE_FLOAT) {
        v.d = sqlite3_column_double(stmt_, i);
      } else if (v.type != SQLITE_NULL) {
        v.text.assign(ColumnText(stmt_, i, owner_->utf8()));
      }
    }
    int rc = Step();
    if (rc == sql::kNotFound) break;
    if (rc != 0) return rc;
  }
  have_row_ = false;
  materialized_ = true;
  sqlite3_reset(stmt_);  // ends the read: the rows are ours now
  return 0;
}

int SqliteStmt::Bind(sqlite3_stmt* stmt, std::span<const In> in) {
  for (int i = 0; i < params_; ++i) {
    const In& v = in[static_cast<std::size_t>(i)];
    int rc = SQLITE_OK;
    switch (v.type) {
      case Type::kText:
        // Texts are stored as UTF-8, what every other tool reading the file expects.
        if (v.text.empty()) {
          rc = sqlite3_bind_null(stmt, i + 1);
        } else if (owner_->texts_as_stored() || cp1252::IsAscii(v.text)) {
          rc = sqlite3_bind_text(stmt, i + 1, v.text.data(), static_cast<int>(v.text.size()),
                                 SQLITE_STATIC);
        } else {
          const std::string utf8 = cp1252::ToUtf8(v.text);
          rc = sqlite3_bind_text(stmt, i + 1, utf8.data(), static_cast<int>(utf8.size()),
                                 SQLITE_TRANSIENT);
        }
        break;
      case Type::kInt16:
      case Type::kInt32:
        rc = sqlite3_bind_int(stmt, i + 1, v.i);
        break;
      case Type::kDouble:
        rc = sqlite3_bind_double(stmt, i + 1, v.d);
        break;
    }
    if (rc != SQLITE_OK) return owner_->Status(rc);
  }
  return 0;
}

// Opens a sorted cursor through its table in the temporary database. The query runs to its end
// into that table, and each fetch reads one row back by its number and ends its statement at
// once. So between fetches no statement of the connection is active, and every commit of the
// walk ends its transaction: the connection keeps no read snapshot (while any statement is
// active, SQLite keeps one from the first commit on), the WAL can be checkpointed and restarted
// during the walk instead of growing by every commit until the cursor closes. The table lives in
// the connection's temporary file, so memory stays bounded whatever the number of rows.
int SqliteStmt::OpenSpilled(std::span<const In> in) {
  int rc = sqlite3_step(clear_);
  sqlite3_reset(clear_);
  if (rc != SQLITE_DONE) return owner_->Status(rc);
  if (int b = Bind(fill_, in); b != 0) return b;
  rc = sqlite3_step(fill_);
  const int st = rc == SQLITE_DONE ? 0 : owner_->Status(rc);
  sqlite3_reset(fill_);
  if (st != 0) return st;
  // The table was empty, so its rows are numbered 1 to n in the query's order.
  spilled_rows_ = sqlite3_changes64(owner_->db());
  next_spilled_ = 1;
  spilled_ = true;
  done_ = spilled_rows_ == 0;
  return 0;
}

int SqliteStmt::FetchSpilled(std::span<const Out> out) {
  if (next_spilled_ > spilled_rows_) {
    done_ = true;
    return sql::kNotFound;
  }
  sqlite3_bind_int64(read_, 1, next_spilled_++);
  int rc = sqlite3_step(read_);
  if (rc != SQLITE_ROW) {
    const int st = rc == SQLITE_DONE ? sql::kNotFound : owner_->Status(rc);
    sqlite3_reset(read_);
    return st;
  }
  if (!out.empty()) {
    if (static_cast<int>(out.size()) != sqlite3_column_count(read_)) {
      sqlite3_reset(read_);
      return sql::kNotInSelectList;
    }
    out_ = read_;
    const int st = Deliver(out, nullptr);
    out_ = stmt_;
    sqlite3_reset(read_);
    return st;
  }
  sqlite3_reset(read_);
  return 0;
}

int SqliteStmt::Execute(std::span<const In> in) {
  sqlite3_reset(stmt_);
  spilled_ = false;
  have_row_ = false;
  done_ = false;
  row_count_ = 0;
  next_row_ = 0;
  materialized_ = false;
  if (static_cast<int>(in.size()) != params_) return sql::kNotAllBound;
  // Inside an open transaction the table's rows would be undone by a rollback; the cursor then
  // reads the query itself.
  if (cursor_ && read_ != nullptr && sqlite3_get_autocommit(owner_->db()) != 0) {
    return OpenSpilled(in);
  }
  if (int b = Bind(stmt_, in); b != 0) return b;
  if (sqlite3_column_count(stmt_) > 0) {
    // A locking read holds the write lock until the transaction ends, as Oracle holds the row.
    if (locks_) {
      if (int rc = owner_->EnsureTransaction(); rc != 0) return rc;
    }
    // A query runs up to its first row now, as an OPEN executes the query: a sorted cursor
    // then holds its whole result, so later writes to the table cannot disturb the walk.
    int rc = Step();
    if (rc == 0) {
      have_row_ = true;
    } else if (rc == sql::kNotFound) {
      done_ = true;
    } else {
      sqlite3_reset(stmt_);
      return rc;
    }
    // A sorted query has read its whole result into the sorter by now: a snapshot already.
    if (cursor_ && have_row_ && sqlite3_stmt_status(stmt_, SQLITE_STMTSTATUS_SORT, 0) == 0) {
      if (int m = Materialize(); m != 0) {
        Close();
        return m;
      }
    }
    return 0;
  }
  const bool outside_transaction = sqlite3_get_autocommit(owner_->db()) != 0;
  // A savepoint that opens the transaction is the transaction itself: rolled back to, the
  // whole transaction goes. SQLite gets no savepoint of its own for it, a statement less for
  // every unit of a run.
  if (sets_savepoint_ && outside_transaction) {
    if (int rc = owner_->EnsureTransaction(); rc != 0) return rc;
    return owner_->SavepointDone(savepoint_, true, true);
  }
  if (!savepoint_.empty() && !sets_savepoint_ && owner_->IsOuterSavepoint(savepoint_)) {
    return owner_->SavepointDone(savepoint_, false, false);
  }
  if (!sqlite3_stmt_readonly(stmt_)) {
    if (int rc = owner_->EnsureTransaction(); rc != 0) return rc;
  }
  int rc = sqlite3_step(stmt_);
  if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
    int st = owner_->Status(rc);
    sqlite3_reset(stmt_);
    return st;
  }
  if (!savepoint_.empty()) {
    sqlite3_reset(stmt_);
    if (int st = owner_->SavepointDone(savepoint_, sets_savepoint_, outside_transaction); st != 0) {
      return st;
    }
  }
  row_count_changed_ = sqlite3_changes64(owner_->db());
  if (counts_changes_ && row_count_changed_ == 0) return sql::kNotFound;
  return 0;
}

int SqliteStmt::Fetch(std::span<const Out> out) {
  if (done_) return sql::kNotFound;
  if (spilled_) return FetchSpilled(out);
  if (materialized_) {
    if (next_row_ >= row_count_) {
      done_ = true;
      return sql::kNotFound;
    }
    const std::vector<Value>& row = rows_[next_row_++];
    if (out.empty()) return 0;
    if (out.size() != row.size()) return sql::kNotInSelectList;
    return Deliver(out, &row);
  }
  if (!have_row_) {
    int rc = Step();
    if (rc != 0) {
      if (rc == sql::kNotFound) done_ = true;
      return rc;
    }
  }
  have_row_ = false;
  if (out.empty()) return 0;  // only asked whether a row is there
  if (static_cast<int>(out.size()) != sqlite3_column_count(out_)) return sql::kNotInSelectList;
  return Deliver(out, nullptr);
}

// Copies the current row (of the statement, or a materialized one) into the outputs. A NULL
// column gives an empty text or 0; a text longer than its field is cut. An integer that does not
// fit its field fails the row with -1455, as Oracle's client does, before any field changes.
int SqliteStmt::Deliver(std::span<const Out> out, const std::vector<Value>* row) {
  auto value_of = [&](int i) {
    return row != nullptr ? &(*row)[static_cast<std::size_t>(i)] : nullptr;
  };
  // Each column's type is asked once: the checks below and the delivery both need it.
  types_.resize(out.size());
  for (std::size_t i = 0; i < out.size(); ++i) {
    const Value* v = value_of(static_cast<int>(i));
    types_[i] = v != nullptr ? v->type : sqlite3_column_type(out_, static_cast<int>(i));
  }
  auto type_of = [&](int i, const Value*) { return types_[static_cast<std::size_t>(i)]; };
  auto as_double = [&](int i, const Value* v) -> double {
    if (v == nullptr) return sqlite3_column_double(out_, i);
    if (v->type == SQLITE_INTEGER) return static_cast<double>(v->i);
    if (v->type == SQLITE_FLOAT) return v->d;
    return std::strtod(v->text.c_str(), nullptr);
  };
  for (int i = 0; i < static_cast<int>(out.size()); ++i) {
    const Type t = out[static_cast<std::size_t>(i)].type;
    if (t != Type::kInt16 && t != Type::kInt32) continue;
    const Value* v = value_of(i);
    if (type_of(i, v) == SQLITE_NULL) continue;
    const double d = as_double(i, v);
    const double lo = t == Type::kInt16 ? -32768.0 : -2147483648.0;
    const double hi = t == Type::kInt16 ? 32767.0 : 2147483647.0;
    if (!(d > lo - 1 && d < hi + 1)) return sql::kIntegerOverflow;
  }
  for (int i = 0; i < static_cast<int>(out.size()); ++i) {
    const Out& o = out[static_cast<std::size_t>(i)];
    const Value* v = value_of(i);
    const int type = type_of(i, v);
    const bool null = type == SQLITE_NULL;
    int16_t indicator = null ? -1 : 0;
    auto as_int = [&]() -> sqlite3_int64 {
      if (v == nullptr) return sqlite3_column_int64(out_, i);
      if (type == SQLITE_INTEGER) return v->i;
      if (type == SQLITE_FLOAT) return static_cast<sqlite3_int64>(v->d);
      return std::strtoll(v->text.c_str(), nullptr, 10);
    };
    switch (o.type) {
      case Type::kText: {
        char* dst = static_cast<char*>(o.dst);
        if (o.cap == 0) break;
        std::string_view src;
        std::string num;
        if (null) {
        } else if (v == nullptr) {
          src = ColumnText(out_, i, owner_->utf8());
        } else if (type == SQLITE_INTEGER) {
          num = std::to_string(v->i);
          src = num;
        } else if (type == SQLITE_FLOAT) {
          char buf[32];
          std::snprintf(buf, sizeof buf, "%.15g", v->d);
          num = buf;
          src = num;
        } else {
          src = v->text;
        }
        if (owner_->texts_as_stored()) {
          // As stored, cut to the buffer between UTF-8 sequences; the indicator gives the bytes.
          std::size_t len = std::min(src.size(), o.cap - 1);
          while (len > 0 && len < src.size() &&
                 (static_cast<unsigned char>(src[len]) & 0xC0) == 0x80) {
            --len;
          }
          if (len > 0) std::memcpy(dst, src.data(), len);  // an empty text may have no data
          std::memset(dst + len, 0, o.cap - len);
          if (len < src.size()) {
            indicator = static_cast<int16_t>(std::min<std::size_t>(src.size(), 32767));
          }
          break;
        }
        // Stored UTF-8 arrives in the program's code page, cut to the field by characters.
        if (const int16_t cut = cp1252::FromUtf8ToField(src, dst, o.cap); cut != 0) indicator = cut;
        break;
      }
      case Type::kInt16:
      case Type::kInt32:
        *static_cast<int32_t*>(o.dst) = null ? 0 : static_cast<int32_t>(as_int());
        break;
      case Type::kDouble:
        *static_cast<double*>(o.dst) = null ? 0.0 : as_double(i, v);
        break;
    }
    if (o.ind != nullptr) *o.ind = indicator;
  }
  return 0;
}

}  // namespace

// The program runs on one thread: SQLite's global mutexes and its memory statistics (a mutex
// around every allocation) only cost time. This must happen before SQLite initialises itself;
// where something else initialised it first, the calls are refused and nothing changes.
void ConfigureOnce() {
  static const bool configured = [] {
    sqlite3_config(SQLITE_CONFIG_MULTITHREAD);
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    return true;
  }();
  (void)configured;
}

int OpenSqlite(std::string_view path, std::unique_ptr<sql::Backend>* out, bool texts_as_stored) {
  ConfigureOnce();
  const std::string native = NativePath(path);
  if (native.empty()) return sql::kConnectIdentifier;
  sqlite3* db = nullptr;
  // Never SQLITE_OPEN_CREATE: a wrong path must fail, not leave an empty database behind.
  int rc =
      sqlite3_open_v2(native.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(db);
    return sql::kConnectIdentifier;
  }
  sqlite3_extended_result_codes(db, 1);
  auto backend = std::make_unique<SqliteBackend>(db);
  sqlite3_busy_handler(db, SqliteBackend::BusyWait, backend.get());
  // WAL keeps readers and the one writer apart; synchronous FULL makes every commit durable.
  rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", nullptr, nullptr,
                    nullptr);
  if (rc != SQLITE_OK) return backend->Status(rc);
  sqlite3_stmt* enc = nullptr;
  if (sqlite3_prepare_v2(db, "PRAGMA encoding", -1, &enc, nullptr) == SQLITE_OK &&
      sqlite3_step(enc) == SQLITE_ROW) {
    const unsigned char* e = sqlite3_column_text(enc, 0);
    backend->set_utf8(e != nullptr && std::strcmp(reinterpret_cast<const char*>(e), "UTF-8") == 0);
  }
  sqlite3_finalize(enc);
  if (RegisterFunctions(db) != SQLITE_OK) return sql::kOtherError;
  backend->set_texts_as_stored(texts_as_stored);
  *out = std::move(backend);
  return 0;
}

}  // namespace jf::sqlite
