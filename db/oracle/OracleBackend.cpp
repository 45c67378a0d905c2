#include "db/oracle/OracleBackend.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>
#include <list>
#include <map>
#include <string>
#include <vector>

#include "db/Cp1252.h"
#include "db/oracle/Oci.h"
#include "db/oracle/OciLibrary.h"
#include "db/sql/LockWait.h"
#include "db/sql/Status.h"

namespace jf::oracle {

namespace {

using sql::In;
using sql::Out;
using sql::Type;

class OracleBackend;

// The call timeout of a write, which may wait for a row lock without a "wait N" of its own: the
// lock wait (a test may set it shorter).
ub4 WriteBoundMillis() {
  return static_cast<ub4>(sql::LockWaitMillis());
}

// Bytes a character takes at most in UTF-8.
constexpr std::size_t kUtf8MaxBytes = 4;

// The error a handle holds (an error handle, or the environment handle when creating it
// failed): its ORA number, and its text in *text.
sb4 ReadError(const Oci& oci, void* handle, ub4 type, std::string* text) {
  sb4 code = 0;
  std::vector<OraText> buf(kErrorTextMax, 0);
  if (oci.ErrorGet(handle, 1, nullptr, &code, buf.data(), kErrorTextMax, type) != OCI_SUCCESS) {
    text->clear();
    return 0;
  }
  *text = reinterpret_cast<const char*>(buf.data());
  while (!text->empty() && text->back() == '\n') text->pop_back();
  return code;
}

// Numbers under which the client reports a session that is gone (the server or the network
// dropped it, or it was killed). Each ends the run as a lost connection does.
constexpr sb4 kSessionLost[] = {22,    28,    31,    45,    378,   602,   603,   609,  1012,
                                1041,  1043,  1089,  1092,  2396,  3113,  3114,  3122, 3135,
                                12153, 12537, 12547, 12570, 12583, 27146, 28511, 56600};

// Numbers under which the client reports a round trip it broke off at the call timeout.
bool CallTimedOut(sb4 code) {
  return code == kOraCallTimeout || code == kOraInboundTimeout || code == kOraPartialData;
}

bool SessionLost(sb4 code) {
  return std::find(std::begin(kSessionLost), std::end(kSessionLost), code) !=
         std::end(kSessionLost);
}

// The word of text at *at, in lower case, after any blanks and up to a blank or stop; *at moves
// past it.
std::string NextWord(std::string_view text, std::size_t* at, char stop) {
  std::size_t& i = *at;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
  std::string w;
  while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\n' &&
         text[i] != stop) {
    w += static_cast<char>(text[i] >= 'A' && text[i] <= 'Z' ? text[i] + 32 : text[i]);
    ++i;
  }
  return w;
}

// What a statement does to the transaction's savepoints, by its text: "savepoint NAME",
// "rollback  to NAME" (or "rollback to savepoint NAME"), or neither. *name: NAME in lower case.
enum class Mark { kNone, kSavepoint, kRollbackTo };
Mark MarkOf(std::string_view text, std::string* name) {
  std::size_t i = 0;
  auto word = [&]() { return NextWord(text, &i, ';'); };
  const std::string first = word();
  if (first == "savepoint") {
    *name = word();
    return name->empty() ? Mark::kNone : Mark::kSavepoint;
  }
  if (first != "rollback" || word() != "to") return Mark::kNone;
  *name = word();
  if (*name == "savepoint") *name = word();
  return name->empty() ? Mark::kNone : Mark::kRollbackTo;
}

// The text in lower case (statement texts are ASCII where it matters: keywords and names).
std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return lower;
}

// The columns, in order, of a lower-case condition made only of "COLUMN=:INPUT" terms joined by
// "and" (parentheses and blanks aside); false for any other condition.
bool PlainKeyColumns(std::string_view condition, std::vector<std::string>* columns) {
  std::string flat;  // without parentheses, every blank a space
  for (const char c : condition) {
    if (c != '(' && c != ')') flat += c == '\n' || c == '\t' ? ' ' : c;
  }
  constexpr char kName[] = "abcdefghijklmnopqrstuvwxyz0123456789_$#";
  columns->clear();
  for (std::size_t at = 0; at <= flat.size();) {
    std::size_t end = flat.find(" and ", at);
    if (end == std::string::npos) end = flat.size();
    std::string term = flat.substr(at, end - at);
    std::erase(term, ' ');
    const std::size_t eq = term.find("=:");
    if (eq == std::string::npos || eq == 0 || eq + 2 == term.size() ||
        term.find_first_not_of(kName) != eq ||
        term.find_first_not_of(kName, eq + 2) != std::string::npos) {
      return false;
    }
    columns->push_back(term.substr(0, eq));
    at = end + 5;
  }
  return true;
}

// What a write touches, by its text: its table and, for a WHERE clause of nothing but
// "column=:placeholder" terms joined by "and", those columns with the input each takes (inputs
// count placeholder occurrences, as they are bound). Two writes whose order cannot matter touch
// different tables, or rows of one table told apart by such a clause on the same columns.
struct Target {
  std::string table;                                     // in lower case; empty when not known
  std::vector<std::pair<std::string, std::size_t>> key;  // sorted by column; empty: any row
};
Target TargetOf(std::string_view text) {
  Target t;
  const std::string lower = Lower(text);
  std::size_t i = 0;
  auto word = [&]() { return NextWord(lower, &i, '('); };
  const std::string first = word();
  if (first == "update") {
    t.table = word();
  } else if (first == "delete") {
    t.table = word();
    if (t.table == "from") t.table = word();
  } else if (first == "insert" && word() == "into") {
    t.table = word();
  }
  if (first == "insert") return t;  // a new row: no clause, and no other statement's row
  // The clause, and the placeholders before it (none inside quotes).
  const std::size_t where = lower.find(" where ");
  if (where == std::string::npos) return t;
  std::size_t inputs = 0;
  bool quoted = false;
  for (std::size_t k = 0; k < where; ++k) {
    if (lower[k] == '\'') quoted = !quoted;
    if (!quoted && lower[k] == ':' && k + 1 < lower.size() &&
        std::isalpha(static_cast<unsigned char>(lower[k + 1])))
      ++inputs;
  }
  std::vector<std::string> columns;
  if (!PlainKeyColumns(std::string_view(lower).substr(where + 7), &columns)) {
    return t;  // not a plain key: any row
  }
  std::vector<std::pair<std::string, std::size_t>> key;
  for (std::string& column : columns) key.emplace_back(std::move(column), inputs++);
  // An UPDATE that sets a column of its key moves its row onto another's key: any row.
  if (first == "update") {
    const std::size_t set = lower.find(" set ");
    std::string sets = ",";
    for (std::size_t k = set == std::string::npos ? where : set + 5; k < where; ++k) {
      if (lower[k] != ' ' && lower[k] != '\n') sets += lower[k];
    }
    for (const auto& [column, input] : key) {
      if (sets.find("," + column + "=") != std::string::npos) return t;
    }
  }
  std::sort(key.begin(), key.end());
  t.key = std::move(key);
  return t;
}

bool SameInput(const In& a, const In& b) {
  if (a.type != b.type) return false;
  switch (a.type) {
    case Type::kText:
      return a.text == b.text;
    case Type::kDouble:
      return a.d == b.d;
    default:
      return a.i == b.i;
  }
}

// Whether writes a (with inputs ia) and b (with ib) may run in either order.
bool Independent(const Target& a, std::span<const In> ia, const Target& b, std::span<const In> ib) {
  if (a.table.empty() || b.table.empty()) return false;
  if (a.table != b.table) return true;
  if (a.key.empty() || a.key.size() != b.key.size()) return false;
  bool differ = false;
  for (std::size_t k = 0; k < a.key.size(); ++k) {
    if (a.key[k].first != b.key[k].first) return false;
    const std::size_t x = a.key[k].second, y = b.key[k].second;
    if (x >= ia.size() || y >= ib.size()) return false;
    differ = differ || !SameInput(ia[x], ib[y]);
  }
  return differ;
}

// A locking read of one row by a plain key that fails at once on a row another session holds:
// "select COLUMNS from TABLE where K1=:x and K2=:y for update nowait", the condition or its terms
// in parentheses or not, every input in it. A batch's reads of one such text go as one
// statement over their keys (OracleStmt::RunKeyReads).
struct KeyRead {
  std::vector<std::string> key;  // the key's columns, in the order of their inputs; empty: none
  std::size_t from = 0;          // where " from " starts
  std::size_t clause = 0;        // where the condition starts
  std::size_t tail = 0;          // where " for update nowait" starts
};
KeyRead KeyReadOf(std::string_view text) {
  const std::string lower = Lower(text);
  KeyRead r;
  const std::size_t start = lower.find_first_not_of(" \t\n");
  r.from = lower.find(" from ");
  const std::size_t where = lower.find(" where ");
  r.tail = lower.rfind(" for update nowait");
  if (start == std::string::npos || lower.compare(start, 7, "select ") != 0 ||
      r.from == std::string::npos || where == std::string::npos || r.tail == std::string::npos ||
      where < r.from || r.tail < where ||
      lower.find_first_not_of(" \t\n", r.tail + 18) != std::string::npos ||
      lower.find(':') < where) {
    return {};
  }
  r.clause = where + 7;
  if (!PlainKeyColumns(std::string_view(lower).substr(r.clause, r.tail - r.clause), &r.key)) {
    return {};
  }
  return r;
}

// The sizes of the key lists such reads go in: a few texts a statement, each filled up to its
// size by repeating a key, and more keys than the largest take several statements.
constexpr std::size_t kKeyListSizes[] = {16, 128};

// One prepared statement. Its inputs are bound by position on every execute (a local call:
// the values travel with the execute); its outputs are defined into buffers of its own, so a
// row reaches the caller's record only when its fetch succeeded as a whole. The client's handle
// may be given back between executes (OracleBackend::Trim) and is prepared again when needed.
class OracleStmt final : public sql::BackendStmt {
 public:
  OracleStmt(OracleBackend* owner, std::string text, bool cursor, OCIStmt* stmt, ub2 kind)
      : owner_(owner), text_(std::move(text)), cursor_(cursor), stmt_(stmt), kind_(kind) {
    mark_ = MarkOf(text_, &savepoint_);
    locking_ = IsQuery() && Lower(text_).find(" for update") != std::string::npos;
    if (IsWrite()) target_ = TargetOf(text_);
    if (locking_ && !cursor_) key_read_ = KeyReadOf(text_);
  }
  ~OracleStmt() override;

  int Execute(std::span<const In> in) override { return Run(in, OCI_DEFAULT, nullptr); }
  // A write commits with its execute: the client sends both in one round trip, and commits
  // only when the statement succeeded (touching no row included).
  int ExecuteCommitting(std::span<const In> in, bool* ended, int* commit) override {
    *ended = false;
    *commit = 0;
    if (!IsWrite()) return Execute(in);
    return Run(in, OCI_COMMIT_ON_SUCCESS, ended);
  }
  int Fetch(std::span<const Out> out) override;
  int64_t RowCount() const override { return row_count_; }
  int Close() override {
    done_ = false;
    walking_ = false;
    return 0;  // nothing to send: the next execute starts the statement afresh
  }

  // Whether runs of this statement can go as one array execute: an INSERT, UPDATE or DELETE.
  bool Arrayable() const { return IsWrite() && mark_ == Mark::kNone; }
  const Target& target() const { return target_; }
  // Runs the statements of a batch, all of them this one, in one execute with their inputs bound
  // as arrays. Sets each one's status up to the first that failed, and returns that one's index
  // (run.size() when none did); the rows after it ran too.
  std::size_t RunArray(std::span<sql::BatchStatement> run);
  // One statement of a batch by itself; a query delivers its single row (-2112 for more).
  int RunOne(sql::BatchStatement* b);
  // Whether reads of this statement can go together (RunKeyReads): a locking read by a key.
  bool KeyReads() const { return !key_read_.key.empty(); }
  // Runs reads of a batch, all of them this one, as one statement over their keys for each so
  // many of them: its rows matched back to the reads by their keys, a key without a row being
  // 1403 and one with two -2112, as each read alone would have it. Where that statement fails
  // (a row another session holds fails it whole, and Oracle undoes what it locked) or a row
  // cannot be placed, the reads not done yet run one by one, so that the read that fails is
  // the one whose row is held. Sets each one's status up to the first that failed, and returns
  // that one's index (run.size() when none did).
  std::size_t RunKeyReads(std::span<sql::BatchStatement> run);

  // Whether the handle can be given back now: it is held, and no query is being walked.
  bool Releasable() const { return stmt_ != nullptr && !walking_; }
  // Gives the handle back to the client; the next execute prepares the text again.
  void Release();

 private:
  // An input as the interface takes it: the integers in their own width, a text with
  // characters beyond ASCII in UTF-8.
  struct BindValue {
    sb2 ind = 0;
    sb2 i16 = 0;
    sb4 i32 = 0;
    double d = 0;
    std::string utf8;
  };
  // An output buffer: the column in the form the record field wants it.
  struct Define {
    OCIDefine* handle = nullptr;
    Type type = Type::kText;
    std::size_t cap = 0;
    std::vector<uint64_t> buf;  // 8-byte aligned for the integer and double forms
    sb2 ind = 0;
    ub2 rlen = 0;
    ub2 rcode = 0;
  };

  bool IsQuery() const { return kind_ == OCI_STMT_SELECT; }
  bool IsWrite() const {
    return kind_ == OCI_STMT_UPDATE || kind_ == OCI_STMT_DELETE || kind_ == OCI_STMT_INSERT;
  }
  // mode: OCI_DEFAULT or OCI_COMMIT_ON_SUCCESS, which sets *committed when the commit is done.
  int Run(std::span<const In> in, ub4 mode, bool* committed);
  int DefineOutputs(std::span<const Out> out);
  void Deliver(std::span<const Out> out) const;
  // The statement that reads kKeyListSizes[size] keys at once (RunKeyReads), made at first use.
  int KeyList(std::size_t size, OracleStmt** out);
  // Reads the keys [from, from + n) of keys (each the first read of its key, reads[k] all those
  // of key k) as one statement; sets those reads' statuses and done. Returns 0, a failure (no
  // read done), or 0 with *placed false when a row matched none of the keys.
  int ReadKeys(std::span<sql::BatchStatement> run, const std::vector<std::size_t>& keys,
               const std::vector<std::vector<std::size_t>>& reads, std::size_t from, std::size_t n,
               std::vector<char>* done, bool* placed);

  OracleBackend* owner_;
  std::string text_;
  bool cursor_;
  OCIStmt* stmt_;  // nullptr while given back
  ub2 kind_;
  std::vector<OCIBind*> binds_;
  std::vector<BindValue> values_;
  // The inputs of an array execute, a position's values one after the other.
  struct ArrayBind {
    std::vector<uint64_t> data;  // 8-byte aligned for every element form
    std::vector<sb2> ind;
    std::vector<ub2> alen;
  };
  std::vector<ArrayBind> arrays_;
  std::vector<Define> defines_;
  bool done_ = false;       // the query delivered its last row
  bool walking_ = false;    // a query was opened and has rows to deliver
  int64_t row_count_ = -1;  // rows the last INSERT, UPDATE or DELETE touched
  Mark mark_ = Mark::kNone;
  std::string savepoint_;  // the savepoint it sets or rolls back to, in lower case
  bool locking_ = false;   // a locking read ("for update"): it begins a transaction
  Target target_;          // a write's table and key
  KeyRead key_read_;       // a locking read by a key: how its reads go together
  std::unique_ptr<OracleStmt> key_lists_[std::size(kKeyListSizes)];  // KeyList
};

class OracleBackend final : public sql::Backend {
 public:
  // call_timeout: the call timeout in force, 0 for a client that has none.
  OracleBackend(const Oci* oci, OCIEnv* env, OCIError* err, OCISvcCtx* svc, ub4 call_timeout)
      : oci_(oci), env_(env), err_(err), svc_(svc), call_timeout_(call_timeout) {
    int major = 0, minor = 0, update = 0, patch = 0, port = 0;
    if (oci_->ClientVersion != nullptr) oci_->ClientVersion(&major, &minor, &update, &patch, &port);
    arrays_ = major > 12 || (major == 12 && minor >= 1);
  }

  ~OracleBackend() override {
    // Ending a session commits what is open; the connection of a run that ends without its
    // final commit must lose its open writes instead, as it would if the process just ended.
    // A lost session is not spoken to at all: should it still live on the server (a call that
    // ran past its timeout), a logoff would commit its writes; the server rolls them back when
    // the process's connection closes. Freeing the environment frees the handles under it.
    if (!lost_) {
      if (transaction_open_) oci_->TransRollback(svc_, err_, OCI_DEFAULT);
      oci_->Logoff(svc_, err_);
    }
    oci_->HandleFree(err_, OCI_HTYPE_ERROR);
    oci_->HandleFree(env_, OCI_HTYPE_ENV);
  }

  const Oci& oci() const { return *oci_; }
  OCIError* err() const { return err_; }
  OCISvcCtx* svc() const { return svc_; }
  bool lost() const { return lost_; }
  void WriteHappened() { transaction_open_ = true; }
  // A write committed with its execute.
  void CommittedWithWrite() {
    transaction_open_ = false;
    start_savepoints_.clear();
  }

  // A savepoint set before the transaction has written or locked anything marks its start:
  // rolling back to it undoes the whole transaction and lets go of every lock, as a rollback
  // does. Such a savepoint is only noted, not sent, and rolling back to it is a rollback, or
  // nothing while the transaction has still done nothing. Whether name was taken so.
  bool SavepointAtStart(const std::string& name) {
    const auto it = std::find(start_savepoints_.begin(), start_savepoints_.end(), name);
    if (transaction_open_) {
      // Set again later in the transaction, the name moves there, as Oracle moves it.
      if (it != start_savepoints_.end()) start_savepoints_.erase(it);
      return false;
    }
    if (it == start_savepoints_.end()) start_savepoints_.push_back(name);
    return true;
  }
  bool RollbackToStart(const std::string& name, int* rc) {
    if (std::find(start_savepoints_.begin(), start_savepoints_.end(), name) ==
        start_savepoints_.end()) {
      return false;
    }
    *rc = 0;
    if (transaction_open_) {  // the savepoints at the start stay, as after a rollback to one
      Bound(false);
      *rc = EndTransaction(oci_->TransRollback(svc_, err_, OCI_DEFAULT));
    }
    return true;
  }

  // The status of an OCI call's return code; errors are read from the error handle.
  int Status(sword rc) {
    switch (rc) {
      case OCI_SUCCESS:
        return sql::kOk;
      case OCI_SUCCESS_WITH_INFO:  // a warning, such as a text cut to its field (ORA-01406)
        return sql::kOk;
      case OCI_NO_DATA:
        return sql::kNotFound;
      case OCI_ERROR:
        return StatusOfCode(ReadError(*oci_, err_, OCI_HTYPE_ERROR, &last_error_));
      case OCI_INVALID_HANDLE:
        last_error_ = "OCI: invalid handle";
        return sql::kOtherError;
      default:
        last_error_ = "OCI: unexpected return code " + std::to_string(rc);
        return sql::kOtherError;
    }
  }

  // A round trip broken off at the call timeout may have left the session usable or not, as
  // the client tells by its server handle's status: the statement failed, or the connection is
  // lost. A status that cannot be read counts as lost.
  int TimedOut() {
    void* server = nullptr;
    ub4 status = OCI_SERVER_NOT_CONNECTED;
    const bool connected = oci_->AttrGet(svc_, OCI_HTYPE_SVCCTX, &server, nullptr, OCI_ATTR_SERVER,
                                         err_) == OCI_SUCCESS &&
                           server != nullptr &&
                           oci_->AttrGet(server, OCI_HTYPE_SERVER, &status, nullptr,
                                         OCI_ATTR_SERVER_STATUS, err_) == OCI_SUCCESS &&
                           status == OCI_SERVER_NORMAL;
    const std::string limit = call_timeout_ % 1000 == 0
                                  ? std::to_string(call_timeout_ / 1000) + " s"
                                  : std::to_string(call_timeout_) + " ms";
    if (!connected) {
      lost_ = true;
      last_error_ += "; the call ran past the call timeout (" + limit + ") and the session is gone";
      return sql::kLostConnection;
    }
    if (call_timeout_ == WriteBoundMillis()) {
      last_error_ += "; the statement waited past the lock wait (" + limit +
                     ") for a row another session holds";
      return sql::kBusy;
    }
    last_error_ += "; the call ran past the call timeout (" + limit + ") and was broken off";
    return sql::kCallTimeout;
  }

  // Bounds the next round trip. An INSERT, UPDATE or DELETE waits for a row another session
  // holds without a "wait N" of its own (a position's UPDATE of a whole order, say): it gets
  // the lock wait as its call timeout, so it fails as a locking read does. Everything else
  // gets the call timeout. Setting the attribute is a local call; a client without call
  // timeouts keeps none.
  void Bound(bool write) {
    const ub4 millis = write ? WriteBoundMillis() : kCallTimeoutMillis;
    if (call_timeout_ == 0 || call_timeout_ == millis) return;
    ub4 value = millis;
    if (oci_->AttrSet(svc_, OCI_HTYPE_SVCCTX, &value, 0, OCI_ATTR_CALL_TIMEOUT, err_) ==
        OCI_SUCCESS) {
      call_timeout_ = millis;
    }
  }

  // The answer to every call once the session is lost: the rest of the run fails at once, as
  // the client itself would answer, instead of waiting on a connection that is gone.
  int LostStatus() {
    last_error_ = "ORA-03114: not connected to ORACLE";
    return -kOraNotConnected;
  }

  // Prepares text through the client (from its statement cache when it holds the text).
  int PrepareHandle(const std::string& text, bool cursor, OCIStmt** out, ub2* kind) {
    if (lost_) return LostStatus();
    OCIStmt* stmt = nullptr;
    // The interface wants the text to end in a zero, which std::string keeps.
    int rc = Status(
        oci_->StmtPrepare2(svc_, &stmt, err_, reinterpret_cast<const OraText*>(text.c_str()),
                           static_cast<ub4>(text.size()), nullptr, 0, OCI_NTV_SYNTAX, OCI_DEFAULT));
    if (rc != 0) return rc;
    rc = Status(oci_->AttrGet(stmt, OCI_HTYPE_STMT, kind, nullptr, OCI_ATTR_STMT_TYPE, err_));
    if (rc == 0 && (*kind == OCI_STMT_BEGIN || *kind == OCI_STMT_DECLARE)) {
      // A PL/SQL block binds each distinct placeholder name once, where every caller of this
      // seam passes one input per occurrence: its inputs would land on the wrong placeholders.
      last_error_ = "PL/SQL blocks are not run through this seam";
      rc = sql::kInvalidSqlStatement;
    }
    if (rc == 0 && *kind == OCI_STMT_SELECT) {
      ub4 rows = cursor ? kCursorPrefetchRows : kSingleRowPrefetchRows;
      rc = Status(oci_->AttrSet(stmt, OCI_HTYPE_STMT, &rows, 0, OCI_ATTR_PREFETCH_ROWS, err_));
    }
    if (rc != 0) {
      oci_->StmtRelease(stmt, err_, nullptr, 0, OCI_DEFAULT);
      return rc;
    }
    *out = stmt;
    return 0;
  }

  int Prepare(std::string_view text, bool cursor, std::unique_ptr<sql::BackendStmt>* out) override {
    std::string owned(text);
    OCIStmt* stmt = nullptr;
    ub2 kind = 0;
    if (int rc = PrepareHandle(owned, cursor, &stmt, &kind); rc != 0) return rc;
    auto made = std::make_unique<OracleStmt>(this, std::move(owned), cursor, stmt, kind);
    Used(made.get());
    *out = std::move(made);
    return 0;
  }

  // Keeps the statements that hold a handle in the order of their last use, most recent first,
  // and gives back the least recently used beyond kHeldStatements: each held handle is a cursor
  // open on the server, and the server allows a session only so many (OPEN_CURSORS).
  void Used(OracleStmt* stmt) {
    held_.remove(stmt);
    held_.push_front(stmt);
    // From the least recently used on; never the one in use, at the front.
    auto it = held_.end();
    while (held_.size() > kHeldStatements && --it != held_.begin()) {
      if ((*it)->Releasable()) {
        (*it)->Release();
        it = held_.erase(it);
      }
    }
  }
  void Forget(OracleStmt* stmt) { held_.remove(stmt); }

  // A transaction that has written and locked nothing has nothing to end: no round trip.
  int Commit() override {
    if (lost_) return LostStatus();
    start_savepoints_.clear();
    if (!transaction_open_) return 0;
    Bound(false);
    return EndTransaction(oci_->TransCommit(svc_, err_, OCI_DEFAULT));
  }
  int Rollback() override {
    if (lost_) return LostStatus();
    start_savepoints_.clear();
    if (!transaction_open_) return 0;
    Bound(false);
    return EndTransaction(oci_->TransRollback(svc_, err_, OCI_DEFAULT));
  }
  // Oracle undoes a failed statement alone, its row locks included, and keeps the transaction.
  bool UndoesFailedStatement() const override { return true; }
  bool ConnectionLost() const override { return lost_; }
  std::string LastErrorText() const override { return last_error_; }

  // A client that returns each row's count of an array execute (12.1 and later) runs a batch's
  // consecutive writes of one text as one execute; older ones run a batch one by one, as the
  // session would.
  bool Batches() const override { return arrays_; }
  //
  // The writes between two reads (or savepoints) go as few array executes as their order
  // allows: a write joins the execute of an earlier one of its text when every write between
  // them touches another table or another row of its table (Independent), so that the updates
  // and deletes of a batch's rows go one execute a text even where the rows' statements take
  // turns. Each execute runs all its rows; the first statement that failed, in the batch's
  // order, is the batch's failure, as if they had run one by one: everything after it is undone.
  int RunBatch(std::span<sql::BatchStatement> batch) override {
    std::size_t i = 0;
    while (i < batch.size()) {
      auto* stmt = static_cast<OracleStmt*>(batch[i].stmt);
      // Locking reads of one text, one after the other, go together.
      std::size_t reads = i + 1;
      while (batch[i].query && stmt->KeyReads() && reads < batch.size() && batch[reads].query &&
             batch[reads].stmt == stmt) {
        ++reads;
      }
      if (reads - i > 1) {
        const std::size_t failed = i + stmt->RunKeyReads(batch.subspan(i, reads - i));
        if (failed < reads) return static_cast<int>(failed);
        i = reads;
        continue;
      }
      if (batch[i].query || !stmt->Arrayable()) {
        batch[i].status = stmt->RunOne(&batch[i]);
        if (Fails(batch[i].status)) return static_cast<int>(i);
        ++i;
        continue;
      }
      std::size_t j = i;
      while (j < batch.size() && !batch[j].query &&
             static_cast<OracleStmt*>(batch[j].stmt)->Arrayable()) {
        ++j;
      }
      const std::size_t failed = RunWrites(batch, i, j);
      if (failed < j) return static_cast<int>(failed);
      i = j;
    }
    return static_cast<int>(batch.size());
  }

  static bool Fails(int st) { return st != 0 && st != sql::kNotFound; }

  // Runs the writes batch[from, to) as array executes (RunBatch). Returns the index of the first
  // that failed, to when none did.
  std::size_t RunWrites(std::span<sql::BatchStatement> batch, std::size_t from, std::size_t to) {
    std::vector<std::vector<std::size_t>> runs;  // indices, in the order the runs execute
    for (std::size_t k = from; k < to; ++k) {
      const auto* stmt = static_cast<const OracleStmt*>(batch[k].stmt);
      std::size_t joined = runs.size();
      for (std::size_t r = runs.size(); r-- > 0;) {
        if (batch[runs[r].front()].stmt != batch[k].stmt) continue;
        joined = r;
        // Every write since the run's last must be able to change places with this one.
        for (std::size_t m = runs[r].back() + 1; m < k && joined == r; ++m) {
          const auto* other = static_cast<const OracleStmt*>(batch[m].stmt);
          if (!Independent(stmt->target(), batch[k].in, other->target(), batch[m].in)) {
            joined = runs.size();
          }
        }
        break;
      }
      if (joined == runs.size()) runs.emplace_back();
      runs[joined].push_back(k);
    }
    std::size_t first = to;
    std::vector<sql::BatchStatement> rows;
    for (const std::vector<std::size_t>& run : runs) {
      if (lost_) {  // nothing more reaches the server
        batch[run.front()].status = LostStatus();
        first = std::min(first, run.front());
        continue;
      }
      auto* stmt = static_cast<OracleStmt*>(batch[run.front()].stmt);
      rows.clear();
      for (const std::size_t k : run) rows.push_back(batch[k]);
      const std::size_t failed = rows.size() > 1 ? stmt->RunArray(rows)
                                                 : (rows[0].status = stmt->RunOne(&rows[0]),
                                                    Fails(rows[0].status) ? 0 : 1);
      for (std::size_t r = 0; r < rows.size() && r <= failed; ++r) {
        batch[run[r]].status = rows[r].status;
      }
      if (failed < rows.size()) first = std::min(first, run[failed]);
    }
    return first;
  }

  OCIEnv* env() const { return env_; }
  // The status of a failure the client reported as an ORA number (the call's error handle has
  // its text in last_error_).
  int StatusOfCode(sb4 code) {
    if (code == kOraNoDataFound) return sql::kNotFound;
    if (code == kOraWaitTimeout) return sql::kBusy;
    if (CallTimedOut(code)) return TimedOut();
    if (SessionLost(code)) lost_ = true;
    return code > 0 ? -code : sql::kOtherError;
  }
  void SetLastError(std::string text) { last_error_ = std::move(text); }

 private:
  int EndTransaction(sword rc) {
    const int st = Status(rc);
    if (st == 0) transaction_open_ = false;
    return st;
  }

  const Oci* oci_;
  OCIEnv* env_;
  OCIError* err_;
  OCISvcCtx* svc_;
  // A statement ran that may have left changes or row locks uncommitted: a write, a locking
  // read, or a savepoint sent.
  bool transaction_open_ = false;
  std::vector<std::string> start_savepoints_;  // SavepointAtStart, in lower case
  bool lost_ = false;                          // the session is gone (SessionLost)
  ub4 call_timeout_;             // milliseconds, in force for the next round trip (Bound)
  std::list<OracleStmt*> held_;  // statements holding a handle, most recently used first
  std::string last_error_;
  bool arrays_ = false;  // the client runs array executes with row counts (Batches)
};

OracleStmt::~OracleStmt() {
  owner_->Forget(this);
  Release();
}

void OracleStmt::Release() {
  if (stmt_ == nullptr) return;
  // Back into the session's statement cache, under its text.
  owner_->oci().StmtRelease(stmt_, owner_->err(), nullptr, 0, OCI_DEFAULT);
  stmt_ = nullptr;
  // The binds and defines belonged to the handle.
  std::fill(binds_.begin(), binds_.end(), nullptr);
  for (Define& d : defines_) d.handle = nullptr;
}

int OracleStmt::Run(std::span<const In> in, ub4 mode, bool* committed) {
  const Oci& oci = owner_->oci();
  done_ = false;
  walking_ = false;
  row_count_ = -1;
  if (owner_->lost()) return owner_->LostStatus();
  if (mark_ == Mark::kSavepoint && owner_->SavepointAtStart(savepoint_)) return 0;
  if (int rc = 0; mark_ == Mark::kRollbackTo && owner_->RollbackToStart(savepoint_, &rc)) {
    return rc;
  }
  if (stmt_ == nullptr) {
    ub2 kind = 0;
    if (int rc = owner_->PrepareHandle(text_, cursor_, &stmt_, &kind); rc != 0) return rc;
  }
  owner_->Used(this);
  if (binds_.size() < in.size()) binds_.resize(in.size(), nullptr);
  values_.resize(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    const In& v = in[i];
    BindValue& b = values_[i];
    b.ind = 0;
    void* value = nullptr;
    sb4 size = 0;
    ub2 type = SQLT_CHR;
    switch (v.type) {
      case Type::kText:
        if (v.text.empty()) {
          b.ind = -1;  // Oracle stores the empty text as NULL; say so outright
          value = &b.i16;
          size = 1;
        } else if (cp1252::IsAscii(v.text)) {  // the same bytes in UTF-8
          value = const_cast<char*>(v.text.data());
          size = static_cast<sb4>(v.text.size());
        } else {
          b.utf8.clear();
          cp1252::AppendUtf8(v.text, &b.utf8);
          value = b.utf8.data();
          size = static_cast<sb4>(b.utf8.size());
        }
        break;
      case Type::kInt16:
        b.i16 = static_cast<sb2>(v.i);
        value = &b.i16;
        size = sizeof b.i16;
        type = SQLT_INT;
        break;
      case Type::kInt32:
        b.i32 = v.i;
        value = &b.i32;
        size = sizeof b.i32;
        type = SQLT_INT;
        break;
      case Type::kDouble:
        b.d = v.d;
        value = &b.d;
        size = sizeof b.d;
        type = SQLT_FLT;
        break;
    }
    // In a SQL statement Oracle numbers every placeholder occurrence as a position of its own,
    // whether its name repeats or not ("AppApk=:b0 ... AppApk=:b0" has two positions), so the
    // modules' one input per occurrence binds one to one. (Binding by name would give all
    // occurrences of a name the one value; in a PL/SQL block a repeated name is one position.)
    const int rc = owner_->Status(oci.BindByPos(stmt_, &binds_[i], owner_->err(),
                                                static_cast<ub4>(i + 1), value, size, type, &b.ind,
                                                nullptr, nullptr, 0, nullptr, OCI_DEFAULT));
    if (rc != 0) return rc;
  }
  // A query executes with no row fetched yet (iters 0): the prefetch brings the first rows
  // back with this same round trip. Anything else runs once.
  const ub4 iters = IsQuery() ? 0 : 1;
  if (!IsQuery() || locking_) owner_->WriteHappened();
  owner_->Bound(IsWrite());
  int rc = owner_->Status(
      oci.StmtExecute(owner_->svc(), stmt_, owner_->err(), iters, 0, nullptr, nullptr, mode));
  if (rc != 0) return rc;
  if (mode == OCI_COMMIT_ON_SUCCESS) {
    owner_->CommittedWithWrite();
    *committed = true;
  }
  if (IsQuery()) walking_ = true;
  if (IsWrite()) {
    ub4 rows = 0;
    rc = owner_->Status(
        oci.AttrGet(stmt_, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, owner_->err()));
    if (rc != 0) return rc;
    row_count_ = rows;
    if (rows == 0) return sql::kNotFound;
  }
  return 0;
}

int OracleStmt::RunOne(sql::BatchStatement* b) {
  int rc = Execute(b->in);
  if (b->query && rc == 0) {
    // As a single-row SELECT: the row, and no second one.
    rc = Fetch(b->out);
    if (rc == 0) {
      const int next = Fetch({});
      if (next == 0) {
        rc = sql::kTooManyRows;
      } else if (next != sql::kNotFound) {
        rc = next;
      }
    }
  }
  Close();
  return rc;
}

std::size_t OracleStmt::RunKeyReads(std::span<sql::BatchStatement> run) {
  const std::size_t n = run.size();
  const std::size_t width = key_read_.key.size();
  const auto fails = [](int st) { return st != 0 && st != sql::kNotFound; };
  std::vector<char> done(n, 0);
  // Each key once, in the order of its first read: keys[k] is that read, reads[k] all of them.
  std::vector<std::size_t> keys;
  std::vector<std::vector<std::size_t>> reads;
  bool alike = true;  // the reads bind alike, by texts and integers, and fetch alike
  std::map<std::string, std::size_t> known;
  std::string id;
  for (std::size_t r = 0; r < n && alike; ++r) {
    const sql::BatchStatement& b = run[r];
    alike = b.in.size() == width && b.out.size() == run[0].out.size();
    id.clear();
    for (std::size_t p = 0; p < width && alike; ++p) {
      const In& v = b.in[p];
      alike = v.type == run[0].in[p].type && v.type != Type::kDouble;
      id += static_cast<char>(v.type);
      id += v.type == Type::kText ? std::string(v.text) : std::to_string(v.i);
      id += '\0';
    }
    for (std::size_t c = 0; c < b.out.size() && alike; ++c) {
      alike = b.out[c].type == run[0].out[c].type && b.out[c].cap == run[0].out[c].cap;
    }
    const auto [it, added] = known.emplace(id, keys.size());
    if (added) {
      keys.push_back(r);
      reads.emplace_back();
    }
    reads[it->second].push_back(r);
  }
  // A key list at a time; a single key left goes as its reads.
  for (std::size_t from = 0; alike && keys.size() - from > 1;) {
    const std::size_t count = std::min(keys.size() - from, std::end(kKeyListSizes)[-1]);
    bool placed = true;
    const int rc = ReadKeys(run, keys, reads, from, count, &done, &placed);
    if (rc != 0 && (owner_->lost() || rc == sql::kCallTimeout)) {
      // Nothing more would get through, or each try waits the call timeout: the statement's
      // failure is its first read's, the first of them in the batch.
      run[keys[from]].status = rc;
      done[keys[from]] = 1;
    }
    if (rc != 0 || !placed) break;
    from += count;
  }
  for (std::size_t r = 0; r < n; ++r) {
    if (!done[r]) run[r].status = RunOne(&run[r]);
    if (fails(run[r].status)) return r;
  }
  return n;
}

int OracleStmt::KeyList(std::size_t size, OracleStmt** out) {
  std::unique_ptr<OracleStmt>& list = key_lists_[size];
  if (!list) {
    // The key's columns come with the row; the condition is repeated for each key, with
    // placeholders of its own, joined by "or".
    std::string text(text_, 0, key_read_.from);
    for (const std::string& column : key_read_.key) text += " ," + column;
    text.append(text_, key_read_.from, key_read_.clause - key_read_.from);
    const std::string_view clause =
        std::string_view(text_).substr(key_read_.clause, key_read_.tail - key_read_.clause);
    std::size_t input = 0;
    for (std::size_t k = 0; k < kKeyListSizes[size]; ++k) {
      if (k > 0) text += " or ";
      for (std::size_t c = 0; c < clause.size(); ++c) {
        text += clause[c];
        if (clause[c] != ':') continue;
        text += "b" + std::to_string(input++);
        while (c + 1 < clause.size() &&
               (std::isalnum(static_cast<unsigned char>(clause[c + 1])) || clause[c + 1] == '_')) {
          ++c;
        }
      }
    }
    text.append(text_, key_read_.tail);
    // Prepared as a cursor: its rows all come with the execute.
    std::unique_ptr<sql::BackendStmt> made;
    if (int rc = owner_->Prepare(text, true, &made); rc != 0) return rc;
    list.reset(static_cast<OracleStmt*>(made.release()));
  }
  *out = list.get();
  return 0;
}

int OracleStmt::ReadKeys(std::span<sql::BatchStatement> run, const std::vector<std::size_t>& keys,
                         const std::vector<std::vector<std::size_t>>& reads, std::size_t from,
                         std::size_t n, std::vector<char>* done, bool* placed) {
  const std::size_t width = key_read_.key.size();
  std::size_t size = 0;
  while (size + 1 < std::size(kKeyListSizes) && kKeyListSizes[size] < n) ++size;
  OracleStmt* list = nullptr;
  if (int rc = KeyList(size, &list); rc != 0) return rc;
  // The keys, the last one repeated up to the list's size.
  std::vector<In> in;
  in.reserve(kKeyListSizes[size] * width);
  std::size_t longest = 0;
  for (std::size_t k = 0; k < kKeyListSizes[size]; ++k) {
    const std::span<const In> key = run[keys[from + std::min(k, n - 1)]].in;
    in.insert(in.end(), key.begin(), key.end());
    for (const In& v : key) longest = std::max(longest, v.text.size());
  }
  // Each row into fields of the backend's own, its key after its columns; the reads of its key
  // receive it from there.
  const std::span<const Out> columns = run[keys[from]].out;
  std::vector<Out> out(columns.begin(), columns.end());
  std::vector<std::vector<double>> fields(columns.size() + width);
  std::vector<int16_t> ind(width, 0);
  for (std::size_t c = 0; c < out.size(); ++c) {
    fields[c].assign(out[c].type == Type::kText ? out[c].cap / sizeof(double) + 1 : 1, 0);
    out[c].dst = fields[c].data();
    out[c].ind = nullptr;
  }
  for (std::size_t p = 0; p < width; ++p) {
    std::vector<double>& field = fields[columns.size() + p];
    if (in[p].type == Type::kText) {
      // One character longer than any key: a longer value is told apart, not cut.
      field.assign(longest / sizeof(double) + 2, 0);
      out.push_back(Out::Text(reinterpret_cast<char*>(field.data()), longest + 2));
    } else {
      field.assign(1, 0);
      out.push_back(Out::I32(reinterpret_cast<int32_t*>(field.data())));
    }
    out.back().ind = &ind[p];
  }
  const auto matches = [&](std::span<const In> key) {
    for (std::size_t p = 0; p < width; ++p) {
      const Out& o = out[columns.size() + p];
      if (ind[p] != 0) return false;  // NULL, or longer than the field
      if (key[p].type != Type::kText) {
        if (*static_cast<const int32_t*>(o.dst) != key[p].i) return false;
      } else if (key[p].text.empty() || static_cast<const char*>(o.dst) != key[p].text) {
        return false;  // the empty text is NULL, which equals nothing
      }
    }
    return true;
  };
  std::vector<int> rows(n, 0);
  int rc = list->Execute(in);
  while (rc == 0) {
    rc = list->Fetch(out);
    if (rc != 0) break;
    std::size_t k = 0;
    while (k < n && !matches(run[keys[from + k]].in)) ++k;
    if (k == n) {
      *placed = false;  // compared otherwise than the database compares: the reads go alone
      break;
    }
    if (++rows[k] == 1) {
      for (const std::size_t r : reads[from + k]) list->Deliver(run[r].out);
    }
  }
  list->Close();
  if (rc != sql::kNotFound && *placed) return rc;
  for (std::size_t k = 0; k < n && *placed; ++k) {
    for (const std::size_t r : reads[from + k]) {
      run[r].status = rows[k] == 0 ? sql::kNotFound : rows[k] == 1 ? 0 : sql::kTooManyRows;
      (*done)[r] = 1;
    }
  }
  return 0;
}

std::size_t OracleStmt::RunArray(std::span<sql::BatchStatement> run) {
  const Oci& oci = owner_->oci();
  const std::size_t n = run.size();
  const auto fails = [](int st) { return st != 0 && st != sql::kNotFound; };
  // The whole execute failed: charged to its first row, which the caller undoes with the rest.
  const auto failed_all = [&](int st) {
    run[0].status = fails(st) ? st : sql::kOtherError;
    return std::size_t{0};
  };
  const auto one_by_one = [&]() {
    for (std::size_t r = 0; r < n; ++r) {
      run[r].status = RunOne(&run[r]);
      if (fails(run[r].status)) return r;
    }
    return n;
  };
  // The rows must bind alike: the same inputs of the same types.
  const std::size_t width = run[0].in.size();
  for (const sql::BatchStatement& b : run) {
    if (b.in.size() != width) return one_by_one();
    for (std::size_t p = 0; p < width; ++p) {
      if (b.in[p].type != run[0].in[p].type) return one_by_one();
    }
  }
  done_ = false;
  walking_ = false;
  row_count_ = -1;
  if (owner_->lost()) return failed_all(owner_->LostStatus());
  if (stmt_ == nullptr) {
    ub2 kind = 0;
    if (int rc = owner_->PrepareHandle(text_, cursor_, &stmt_, &kind); rc != 0) {
      return failed_all(rc);
    }
  }
  owner_->Used(this);
  if (binds_.size() < width) binds_.resize(width, nullptr);
  arrays_.resize(width);
  std::string utf8;
  for (std::size_t p = 0; p < width; ++p) {
    ArrayBind& a = arrays_[p];
    a.ind.assign(n, 0);
    a.alen.clear();
    sb4 size = 0;
    ub2 type = SQLT_INT;
    switch (run[0].in[p].type) {
      case Type::kText: {
        // Each row's text in UTF-8, in elements as long as the longest.
        std::vector<std::string> texts(n);
        std::size_t longest = 1;
        for (std::size_t r = 0; r < n; ++r) {
          const std::string_view v = run[r].in[p].text;
          if (cp1252::IsAscii(v)) {
            texts[r].assign(v);
          } else {
            cp1252::AppendUtf8(v, &texts[r]);
          }
          longest = std::max(longest, texts[r].size());
        }
        if (longest > UINT16_MAX) return one_by_one();
        size = static_cast<sb4>(longest);
        type = SQLT_CHR;
        a.data.assign((longest * n + 7) / 8, 0);
        a.alen.assign(n, 0);
        auto* bytes = reinterpret_cast<char*>(a.data.data());
        for (std::size_t r = 0; r < n; ++r) {
          // Oracle stores the empty text as NULL; say so outright.
          if (texts[r].empty()) a.ind[r] = -1;
          std::memcpy(bytes + r * longest, texts[r].data(), texts[r].size());
          a.alen[r] = static_cast<ub2>(texts[r].size());
        }
        break;
      }
      case Type::kInt16: {
        size = sizeof(sb2);
        a.data.assign((sizeof(sb2) * n + 7) / 8, 0);
        auto* v = reinterpret_cast<sb2*>(a.data.data());
        for (std::size_t r = 0; r < n; ++r) v[r] = static_cast<sb2>(run[r].in[p].i);
        break;
      }
      case Type::kInt32: {
        size = sizeof(sb4);
        a.data.assign((sizeof(sb4) * n + 7) / 8, 0);
        auto* v = reinterpret_cast<sb4*>(a.data.data());
        for (std::size_t r = 0; r < n; ++r) v[r] = run[r].in[p].i;
        break;
      }
      case Type::kDouble: {
        size = sizeof(double);
        type = SQLT_FLT;
        a.data.assign(n, 0);
        auto* v = reinterpret_cast<double*>(a.data.data());
        for (std::size_t r = 0; r < n; ++r) v[r] = run[r].in[p].d;
        break;
      }
    }
    // The values of row r at r times size: the client takes the element size as the step.
    const int rc = owner_->Status(oci.BindByPos(
        stmt_, &binds_[p], owner_->err(), static_cast<ub4>(p + 1), a.data.data(), size, type,
        a.ind.data(), a.alen.empty() ? nullptr : a.alen.data(), nullptr, 0, nullptr, OCI_DEFAULT));
    if (rc != 0) return failed_all(rc);
  }
  owner_->WriteHappened();
  owner_->Bound(true);
  // One round trip for all rows: a row that fails leaves the others running, and its error is
  // kept for below; each row's count tells a row that touched nothing.
  const sword done =
      oci.StmtExecute(owner_->svc(), stmt_, owner_->err(), static_cast<ub4>(n), 0, nullptr, nullptr,
                      OCI_DEFAULT | OCI_BATCH_ERRORS | OCI_RETURN_ROW_COUNT_ARRAY);
  if (done != OCI_SUCCESS && done != OCI_SUCCESS_WITH_INFO) return failed_all(owner_->Status(done));
  ub4 errors = 0;
  if (int rc = owner_->Status(oci.AttrGet(stmt_, OCI_HTYPE_STMT, &errors, nullptr,
                                          OCI_ATTR_NUM_DML_ERRORS, owner_->err()));
      rc != 0) {
    return failed_all(rc);
  }
  std::size_t first = n;  // the first row that failed
  sb4 first_code = 0;
  std::string first_text;
  if (errors > 0) {
    void* row_error = nullptr;
    if (oci.HandleAlloc(owner_->env(), &row_error, OCI_HTYPE_ERROR, 0, nullptr) != OCI_SUCCESS) {
      owner_->SetLastError("the Oracle client could not allocate an error handle");
      return failed_all(sql::kOtherError);
    }
    int rc = 0;
    for (ub4 e = 0; e < errors && rc == 0; ++e) {
      rc = owner_->Status(
          oci.ParamGet(owner_->err(), OCI_HTYPE_ERROR, owner_->err(), &row_error, e));
      ub4 offset = 0;
      if (rc == 0) {
        rc = owner_->Status(oci.AttrGet(row_error, OCI_HTYPE_ERROR, &offset, nullptr,
                                        OCI_ATTR_DML_ROW_OFFSET, owner_->err()));
      }
      if (rc != 0 || offset >= first) continue;
      first = offset;
      first_code = ReadError(oci, row_error, OCI_HTYPE_ERROR, &first_text);
    }
    oci.HandleFree(row_error, OCI_HTYPE_ERROR);
    if (rc != 0) return failed_all(rc);
  }
  ub8* counts = nullptr;
  ub4 counted = 0;
  if (int rc = owner_->Status(oci.AttrGet(stmt_, OCI_HTYPE_STMT, &counts, &counted,
                                          OCI_ATTR_DML_ROW_COUNT_ARRAY, owner_->err()));
      rc != 0) {
    return failed_all(rc);
  }
  for (std::size_t r = 0; r < first; ++r) {
    run[r].status = counts != nullptr && r < counted && counts[r] > 0 ? 0 : sql::kNotFound;
  }
  if (first == n) return n;
  owner_->SetLastError(first_text);
  const int st = owner_->StatusOfCode(first_code);
  run[first].status = fails(st) ? st : sql::kOtherError;
  return first;
}

int OracleStmt::DefineOutputs(std::span<const Out> out) {
  // The client keeps the addresses of each define's indicator and lengths: when the list
  // grows, its entries move, and every define is made again with their new addresses.
  const bool moved = defines_.size() < out.size();
  if (moved) defines_.resize(out.size());
  for (std::size_t i = 0; i < out.size(); ++i) {
    Define& d = defines_[i];
    const std::size_t cap = out[i].type == Type::kText ? out[i].cap : 0;
    if (!moved && d.handle != nullptr && d.type == out[i].type && d.cap == cap) continue;
    d.type = out[i].type;
    d.cap = cap;
    ub2 dty = SQLT_STR;
    // A text comes in UTF-8: room for the field's characters at their longest, so the field is
    // filled and its cut told as the other backends do it (cp1252::FromUtf8ToField).
    sb4 size = static_cast<sb4>(cap == 0 ? 1 : (cap - 1) * kUtf8MaxBytes + 1);
    switch (d.type) {
      case Type::kText:
        break;
      case Type::kInt16:  // a value beyond 16 bits fails the fetch with ORA-01455
        dty = SQLT_INT;
        size = sizeof(sb2);
        break;
      case Type::kInt32:
        dty = SQLT_INT;
        size = sizeof(sb4);
        break;
      case Type::kDouble:
        dty = SQLT_FLT;
        size = sizeof(double);
        break;
    }
    d.buf.assign((static_cast<std::size_t>(size) + 7) / 8 + 1, 0);
    const int rc = owner_->Status(
        owner_->oci().DefineByPos(stmt_, &d.handle, owner_->err(), static_cast<ub4>(i + 1),
                                  d.buf.data(), size, dty, &d.ind, &d.rlen, &d.rcode, OCI_DEFAULT));
    if (rc != 0) {
      d.handle = nullptr;
      return rc;
    }
  }
  return 0;
}

int OracleStmt::Fetch(std::span<const Out> out) {
  if (done_) return sql::kNotFound;  // as the embedded backend: no call after the last row
  if (owner_->lost()) return owner_->LostStatus();
  if (!walking_) return sql::kNotConnectedFetch;
  if (int rc = DefineOutputs(out); rc != 0) return rc;
  owner_->Bound(false);
  const int rc = owner_->Status(
      owner_->oci().StmtFetch2(stmt_, owner_->err(), 1, OCI_FETCH_NEXT, 0, OCI_DEFAULT));
  if (rc == sql::kNotFound) {
    done_ = true;
    walking_ = false;
  }
  if (rc != 0) return rc;
  Deliver(out);
  return 0;
}

// Copies the fetched row into the caller's fields. A NULL column gives an empty text or 0 (the
// client leaves the buffer of a NULL column as it was); a text is converted and cut to its field.
void OracleStmt::Deliver(std::span<const Out> out) const {
  for (std::size_t i = 0; i < out.size(); ++i) {
    const Out& o = out[i];
    const Define& d = defines_[i];
    const bool null = d.ind == -1;
    const void* src = d.buf.data();
    switch (o.type) {
      case Type::kText: {
        if (o.cap == 0) break;
        char* dst = static_cast<char*>(o.dst);
        const auto* text = static_cast<const char*>(src);
        const std::size_t room = (o.cap - 1) * kUtf8MaxBytes + 1;
        const std::string_view utf8(text, null ? 0 : strnlen(text, room));
        const int16_t cut = cp1252::FromUtf8ToField(utf8, dst, o.cap);
        // The client cut it too, beyond even the room of the longest characters: its length.
        if (o.ind != nullptr) *o.ind = null ? -1 : d.ind > 0 ? d.ind : cut;
        continue;
      }
      case Type::kInt16: {
        sb2 v = 0;
        if (!null) std::memcpy(&v, src, sizeof v);
        *static_cast<int32_t*>(o.dst) = v;
        break;
      }
      case Type::kInt32: {
        sb4 v = 0;
        if (!null) std::memcpy(&v, src, sizeof v);
        *static_cast<int32_t*>(o.dst) = v;
        break;
      }
      case Type::kDouble: {
        double v = 0;
        if (!null) std::memcpy(&v, src, sizeof v);
        *static_cast<double*>(o.dst) = v;
        break;
      }
    }
    if (o.ind != nullptr) *o.ind = d.ind;
  }
}

// Creates an environment with the character set. A warning is no failure; a failure's reason
// is read from the environment handle, where the client leaves it.
int CreateEnvironment(const Oci& oci, ub2 charset, OCIEnv** env, std::string* error) {
  *env = nullptr;
  const sword rc = oci.EnvNlsCreate(env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0,
                                    nullptr, charset, charset);
  if ((rc == OCI_SUCCESS || rc == OCI_SUCCESS_WITH_INFO) && *env != nullptr) return 0;
  std::string why;
  if (*env != nullptr) {
    ReadError(oci, *env, OCI_HTYPE_ENV, &why);
    oci.HandleFree(*env, OCI_HTYPE_ENV);
    *env = nullptr;
  }
  *error = "the Oracle client could not set up its environment (OCIEnvNlsCreate)" +
           (why.empty() ? std::string() : ": " + why);
  return sql::kBackendUnavailable;
}

}  // namespace

int OpenOracle(std::string_view user, std::string_view password, std::string_view net_service,
               std::unique_ptr<sql::Backend>* out, std::string* error) {
  const Oci* oci = nullptr;
  if (int rc = LoadOci(&oci, error); rc != 0) return rc;
  // Texts travel in UTF-8, whatever NLS_LANG says (an environment of the client's default would
  // read it, and a bad one would fail the connect): the client passes the database's characters
  // as they are, and the backend converts them to and from the program's Windows-1252 as the
  // embedded and the PostgreSQL backends do, with the same "?" for a character the code page
  // lacks.
  OCIEnv* env = nullptr;
  if (CreateEnvironment(*oci, kCharsetAl32Utf8, &env, error) != 0) {
    return sql::kBackendUnavailable;
  }
  void* err = nullptr;
  if (oci->HandleAlloc(env, &err, OCI_HTYPE_ERROR, 0, nullptr) != OCI_SUCCESS) {
    oci->HandleFree(env, OCI_HTYPE_ENV);
    *error = "the Oracle client could not allocate an error handle";
    return sql::kBackendUnavailable;
  }
  auto* errh = static_cast<OCIError*>(err);
  OCISvcCtx* svc = nullptr;
  const sword rc = oci->Logon2(
      env, errh, &svc, reinterpret_cast<const OraText*>(user.data()), static_cast<ub4>(user.size()),
      reinterpret_cast<const OraText*>(password.data()), static_cast<ub4>(password.size()),
      reinterpret_cast<const OraText*>(net_service.data()), static_cast<ub4>(net_service.size()),
      OCI_LOGON2_STMTCACHE);
  if (rc != OCI_SUCCESS && rc != OCI_SUCCESS_WITH_INFO) {
    const sb4 code = ReadError(*oci, errh, OCI_HTYPE_ERROR, error);
    oci->HandleFree(errh, OCI_HTYPE_ERROR);
    oci->HandleFree(env, OCI_HTYPE_ENV);
    return code > 0 ? -code : sql::kConnectIdentifier;
  }
  // A warning with the logon (ORA-28002: the password will expire) is the site's only notice
  // before the logon is refused: it goes to the caller, who logs it.
  error->clear();
  if (rc == OCI_SUCCESS_WITH_INFO) ReadError(*oci, errh, OCI_HTYPE_ERROR, error);
  // The client's cache keeps released statements' cursors open too: its size is part of what
  // the session holds open on the server (kHeldStatements + kClientCachedStatements).
  ub4 cached = kClientCachedStatements;
  oci->AttrSet(svc, OCI_HTYPE_SVCCTX, &cached, 0, OCI_ATTR_STMTCACHESIZE, errh);
  // A round trip that hangs (a dead network, a server that stopped answering) ends with
  // ORA-03156 after the timeout instead of blocking the run forever. Clients before 18 do not
  // know the attribute and refuse it; they run without a timeout, as before.
  static_assert(kCallTimeoutMillis > sql::kLockWaitSeconds * 1000u,
                "a locking read must give up waiting for its row before its call times out");
  ub4 timeout = kCallTimeoutMillis;
  if (oci->AttrSet(svc, OCI_HTYPE_SVCCTX, &timeout, 0, OCI_ATTR_CALL_TIMEOUT, errh) !=
      OCI_SUCCESS) {
    timeout = 0;
  }
  *out = std::make_unique<OracleBackend>(oci, env, errh, svc, timeout);
  return 0;
}

}  // namespace jf::oracle
